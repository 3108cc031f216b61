// output_files: what the game writes stays inside one folder.
//
// A game folder, and the recordings shipped beside it, may come from a
// stranger. Whatever they make the program write (a script's dumps and
// screenshots, the report log) therefore lands inside the game folder, or
// inside the folder the player named for outputs: no absolute path elsewhere,
// no ".." above the folder, no symbolic link followed, nothing but a regular
// file replaced. The checks on the text of a path are here; opening the
// files without following links is the host's (output_files_posix.cpp,
// output_files_windows.cpp).
#include <vector>

#include "runtime/media_runtime.h"
#include "runtime/platform.h"

namespace tw {

namespace {

bool is_separator(char c) { return c == '/' || c == '\\'; }

// The parts of a path checked by path_stays_inside.
bool inside_parts(const text& path, std::vector<std::string>& parts, text& why) {
    parts.clear();
    if (path.empty()) {
        why = "an empty path";
        return false;
    }
    if (is_separator(path[0])) {
        why = "an absolute path";
        return false;
    }
    for (char c : path) {
        if (c == ':') {
            why = "a drive or a ':' in the path";
            return false;
        }
        if (c == '\0') {
            why = "a NUL byte in the path";
            return false;
        }
    }
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !is_separator(path[end])) ++end;
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (parts.empty()) {
                why = "\"..\" leads out of the folder";
                return false;
            }
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    if (parts.empty()) {
        why = "names the folder itself, not a file";
        return false;
    }
    // A name ending in a separator names a folder, not a file.
    if (is_separator(path.back())) {
        why = "names a folder, not a file";
        return false;
    }
    return true;
}

}  // namespace

bool path_stays_inside(const text& path, text& inside, text& why) {
    std::vector<std::string> parts;
    inside.clear();
    if (!inside_parts(path, parts, why)) return false;
    for (size_t i = 0; i < parts.size(); ++i) inside += (i ? "/" : "") + parts[i];
    return true;
}

bool write_file_inside(const text& folder, const text& path, const void* contents, size_t size, text& why) {
    std::vector<std::string> parts;
    if (!inside_parts(path, parts, why)) return false;
    return platform::host_write_inside(folder.empty() ? std::string(".") : folder, parts, contents, size, why);
}

}  // namespace tw
