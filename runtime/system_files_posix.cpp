// system_files_posix: what the file system offers, through POSIX calls.
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

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

bool host_folder_stamps(const std::string& host_path, std::vector<host_stamp>& files) {
    files.clear();
    DIR* d = opendir(host_path.c_str());
    if (!d) return false;
    const int fd = dirfd(d);
    while (dirent* e = readdir(d)) {
        struct stat st;
        // Relative to the open folder: one look-up per name, no path joined.
        if (fstatat(fd, e->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        files.push_back({e->d_name, static_cast<uint64_t>(st.st_size),
                         static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec});
    }
    closedir(d);
    return true;
}

std::string host_program_folder() {
    std::vector<char> buf(4096);
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return {};
    std::string path(buf.data(), static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool host_run_program(const std::string& program, const std::vector<std::string>& args, std::string& output) {
    output.clear();
#if defined(__EMSCRIPTEN__)
    // A page starts no programs: live reload, the only caller, never runs
    // in the browser.
    (void)program;
    (void)args;
    return false;
#else
    int ends[2];
    if (pipe(ends) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, ends[0]);
    posix_spawn_file_actions_addclose(&actions, ends[1]);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    // A name without a folder is looked up in PATH, as a shell would.
    const int failed = program.find('/') == std::string::npos
                           ? posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ)
                           : posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (failed != 0) {
        close(ends[0]);
        return false;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(ends[0], buffer, sizeof buffer);
        if (got > 0) output.append(buffer, static_cast<size_t>(got));
        else if (got == 0 || errno != EINTR) break;  // a stop signal only interrupts the read
    }
    close(ends[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // A program that could not be run at all (posix_spawnp reports a name
    // missing from PATH this way on some systems) exits with 127.
    return !(WIFEXITED(status) && WEXITSTATUS(status) == 127 && output.empty());
#endif
}

}  // namespace tw::platform
