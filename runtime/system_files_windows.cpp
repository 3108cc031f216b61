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

}  // namespace tw::platform
