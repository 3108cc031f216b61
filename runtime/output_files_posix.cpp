// output_files_posix: opening the game's outputs without following links,
// through POSIX calls relative to an open folder (openat with O_NOFOLLOW), so
// that no part of the way can be swapped for a link between a check and the
// open.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runtime/media_runtime.h"
#include "runtime/platform.h"

namespace tw::platform {

namespace {

char lower_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_nocase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower_ascii(a[i]) != lower_ascii(b[i])) return false;
    return true;
}

// The entry of the open folder `dir` whose name equals `name` ignoring case
// (the smallest such name, so the choice does not depend on the listing's
// order); `name` itself when none does.
std::string name_in(int dir, const std::string& name) {
    const int copy = dup(dir);
    if (copy < 0) return name;
    DIR* d = fdopendir(copy);
    if (!d) {
        close(copy);
        return name;
    }
    std::string best;
    while (dirent* e = readdir(d)) {
        const std::string n = e->d_name;
        if (equal_nocase(n, name) && (best.empty() || n < best)) best = n;
    }
    closedir(d);
    return best.empty() ? name : best;
}

// Opens `name` in `dir` with `flags`, trying the name as written first.
int open_at(int dir, const std::string& name, int flags, mode_t mode = 0) {
    int fd = openat(dir, name.c_str(), flags, mode);
    if (fd < 0 && errno == ENOENT) {
        const std::string other = name_in(dir, name);
        if (other != name) fd = openat(dir, other.c_str(), flags, mode);
        else errno = ENOENT;
    }
    return fd;
}

std::string reason(int error) {
    if (error == ELOOP || error == EMLINK) return "a symbolic link is in the way";
    if (error == ENXIO) return "a named pipe that nobody reads";
    if (error == ENOTDIR) return "a part of the path is not a folder";
    return std::strerror(error);
}

// Writes all of `data` to a named pipe opened without blocking: waits for
// room in slices, and gives up at a stop request.
bool write_pipe(int fd, const uint8_t* data, size_t size, std::string& why) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            why = std::strerror(errno);
            return false;
        }
        if (termination_requested()) return true;  // the program is ending anyway
        pollfd p{fd, POLLOUT, 0};
        poll(&p, 1, stop_slice_ms);
    }
    return true;
}

bool write_all(int fd, const uint8_t* data, size_t size, std::string& why) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            why = n < 0 ? std::strerror(errno) : "nothing could be written";
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool host_write_inside(const std::string& folder, const std::vector<std::string>& parts, const void* data,
                       size_t size, std::string& why) {
    // The folder itself is the player's choice (or the game's folder) and may
    // be reached through links; nothing below it is.
    int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        why = "the folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        const int next = open_at(dir, parts[i], O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        int error = errno;
        struct stat st;
        if (next < 0 && error == ENOTDIR && fstatat(dir, parts[i].c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(st.st_mode))
            error = ELOOP;
        close(dir);
        if (next < 0) {
            why = reason(error);
            return false;
        }
        dir = next;
    }
    // Non-blocking: a named pipe without a reader is refused at once instead
    // of waiting for one; O_NOCTTY: a terminal never becomes ours.
    const int fd = open_at(dir, parts.back(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                           0666);
    const int error = errno;
    close(dir);
    if (fd < 0) {
        why = reason(error);
        return false;
    }
    struct stat st;
    bool ok = fstat(fd, &st) == 0;
    if (!ok) why = std::strerror(errno);
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (ok && S_ISREG(st.st_mode) && st.st_nlink > 1) {
        // Another name of the same file may be outside the folder.
        why = "the file has other names (hard links)";
        ok = false;
    } else if (ok && S_ISREG(st.st_mode)) {
        // Emptied only now that it is known to be a regular file.
        const int flags = fcntl(fd, F_GETFL);
        ok = flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 && ftruncate(fd, 0) == 0;
        if (!ok) why = std::strerror(errno);
        ok = ok && write_all(fd, bytes, size, why);
    } else if (ok && S_ISFIFO(st.st_mode)) {
        ok = write_pipe(fd, bytes, size, why);
    } else if (ok) {
        why = "not a regular file";
        ok = false;
    }
    if (close(fd) != 0 && ok) {
        why = std::strerror(errno);
        ok = false;
    }
    return ok;
}

std::FILE* host_create_regular(const std::string& path, std::string& why) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        why = errno == ENXIO ? "a named pipe, not a regular file" : std::strerror(errno);
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = "not a regular file";
        close(fd);
        return nullptr;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 || ftruncate(fd, 0) != 0) {
        why = std::strerror(errno);
        close(fd);
        return nullptr;
    }
    std::FILE* f = fdopen(fd, "wb");
    if (!f) {
        why = std::strerror(errno);
        close(fd);
    }
    return f;
}

}  // namespace tw::platform
