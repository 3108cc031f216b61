// output_files_windows: opening the game's outputs without following links
// (reparse points: symbolic links and junctions), through the Win32 calls.
// Each folder on the way is looked at before it is used; the file itself is
// opened with FILE_FLAG_OPEN_REPARSE_POINT, so a link there is opened as
// itself and refused.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include "runtime/media_runtime.h"
#include "runtime/platform.h"

namespace tw::platform {

namespace {

bool write_handle(HANDLE h, const void* data, size_t size, std::string& why) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(h, p, chunk, &written, nullptr) || written == 0) {
            why = "cannot be written";
            return false;
        }
        p += written;
        size -= written;
    }
    return true;
}

}  // namespace

bool host_write_inside(const std::string& folder, const std::vector<std::string>& parts, const void* data,
                       size_t size, std::string& why) {
    std::string path = folder;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
        path += parts[i];
        if (i + 1 == parts.size()) break;
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            why = "a folder on the way does not exist";
            return false;
        }
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            why = "a symbolic link is in the way";
            return false;
        }
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            why = "a part of the path is not a folder";
            return false;
        }
    }
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        why = "cannot be opened for writing";
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    bool ok = GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
              !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
    if (!ok) why = "not a regular file";
    if (ok && info.nNumberOfLinks > 1) {
        why = "the file has other names (hard links)";
        ok = false;
    }
    if (ok && !SetEndOfFile(h)) {
        why = "cannot be emptied";
        ok = false;
    }
    ok = ok && write_handle(h, data, size, why);
    CloseHandle(h);
    return ok;
}

std::FILE* host_create_regular(const std::string& path, std::string& why) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        why = "cannot be opened for writing";
        return nullptr;
    }
    if (GetFileType(h) != FILE_TYPE_DISK || !SetEndOfFile(h)) {
        why = "not a regular file";
        CloseHandle(h);
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        why = "cannot be opened for writing";
        return nullptr;
    }
    std::FILE* f = _fdopen(fd, "wb");
    if (!f) {
        _close(fd);
        why = "cannot be opened for writing";
    }
    return f;
}

}  // namespace tw::platform
