// system_files_posix: what the file system offers, through POSIX calls.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runtime/platform.h"

namespace tw::platform {

host_entry host_stat(const std::string& host_path) {
    struct stat st;
    if (stat(host_path.c_str(), &st) != 0) return {};
    const int64_t changed = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    if (S_ISREG(st.st_mode)) return {entry_kind::file, static_cast<uint64_t>(st.st_size), changed};
    return {S_ISDIR(st.st_mode) ? entry_kind::folder : entry_kind::other, 0, changed};
}

bool host_list_folder(const std::string& host_path, std::vector<std::string>& names) {
    names.clear();
    DIR* d = opendir(host_path.c_str());
    if (!d) return false;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
    return true;
}

std::string host_current_folder() {
    std::vector<char> buf(4096);
    while (!getcwd(buf.data(), buf.size())) {
        if (buf.size() > (1u << 20)) return "./";
        buf.resize(buf.size() * 2);
    }
    std::string dir = buf.data();
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

bool host_enter_folder(const std::string& folder, std::string& why) {
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        why = std::strerror(ENOTDIR);
        return false;
    }
    // Entering needs search permission, reading the game's files listing it.
    DIR* d = opendir(folder.c_str());
    if (!d || chdir(folder.c_str()) != 0) {
        why = std::strerror(errno);
        if (d) closedir(d);
        return false;
    }
    closedir(d);
    return true;
}

}  // namespace tw::platform
