// system_files_windows: what the file system offers, through the Win32 calls.
// Names are passed as they are, in the ANSI code page, as the game's data
// files were written on Windows.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "runtime/platform.h"

namespace tw::platform {

host_entry host_stat(const std::string& host_path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (host_path.empty() || !GetFileAttributesExA(host_path.c_str(), GetFileExInfoStandard, &data)) return {};
    const int64_t changed = static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                                 data.ftLastWriteTime.dwLowDateTime);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return {entry_kind::folder, 0, changed};
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return {entry_kind::other, 0, changed};
    return {entry_kind::file, (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, changed};
}

bool host_list_folder(const std::string& host_path, std::vector<std::string>& names) {
    names.clear();
    std::string pattern = host_path;
    if (!pattern.empty() && pattern.back() != '/' && pattern.back() != '\\') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(pattern.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;  // an empty drive
    do {
        std::string n = found.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return true;
}

std::string host_current_folder() {
    DWORD size = GetCurrentDirectoryA(0, nullptr);
    std::string dir(size, '\0');
    if (size == 0 || GetCurrentDirectoryA(size, dir.data()) + 1 != size) return ".\\";
    dir.resize(size - 1);
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    return dir;
}

bool host_enter_folder(const std::string& folder, std::string& why) {
    const entry_kind kind = host_stat(folder).kind;
    std::vector<std::string> names;
    if (kind == entry_kind::missing) {
        why = std::strerror(ENOENT);
    } else if (kind != entry_kind::folder) {
        why = std::strerror(ENOTDIR);
    } else if (!host_list_folder(folder, names) || !SetCurrentDirectoryA(folder.c_str())) {
        why = std::strerror(EACCES);
    } else {
        return true;
    }
    return false;
}

bool host_folder_stamps(const std::string& host_path, std::vector<host_stamp>& files) {
    files.clear();
    std::string pattern = host_path;
    if (!pattern.empty() && pattern.back() != '/' && pattern.back() != '\\') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA found;
    // The listing itself carries size and time: no look-up per name.
    HANDLE h = FindFirstFileA(pattern.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) continue;
        const uint64_t size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        const int64_t modified = static_cast<int64_t>((static_cast<uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                                                      found.ftLastWriteTime.dwLowDateTime);
        files.push_back({found.cFileName, size, modified});
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return true;
}

std::string host_program_folder() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

namespace {

// One argument of a command line as the C runtime splits it again: quoted
// when it holds a blank, a tab or a quote; backslashes doubled before a quote.
std::string quoted_argument(const std::string& a) {
    if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) return a;
    std::string q = "\"";
    size_t backslashes = 0;
    for (char c : a) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        q.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        q += c;
    }
    q.append(backslashes * 2, '\\');
    return q + "\"";
}

}  // namespace

bool host_run_program(const std::string& program, const std::vector<std::string>& args, std::string& output) {
    output.clear();
    SECURITY_ATTRIBUTES inherit{static_cast<DWORD>(sizeof(SECURITY_ATTRIBUTES)), nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return false;
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);  // only the write end goes to the child
    std::string line = quoted_argument(program);
    for (const std::string& a : args) line += " " + quoted_argument(a);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = write_end;
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child{};
    // A program name without ".exe" is found with it; without a folder, along PATH.
    const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &start, &child);
    CloseHandle(write_end);
    if (!started) {
        CloseHandle(read_end);
        return false;
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
    CloseHandle(read_end);
    WaitForSingleObject(child.hProcess, INFINITE);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return true;
}

}  // namespace tw::platform
