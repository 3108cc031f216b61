// line_pairs: the one reader of the line-pair data files.
#include "core/line_pairs.h"

#include "runtime/media_runtime.h"

namespace tw {

bool read_line_pair(int file, line_pair& pair) {
    if (end_of_file(file)) return false;
    pair.key = read_line(file);
    pair.value = end_of_file(file) ? text() : read_line(file);
    return true;
}

bool read_line_pairs(const text& path, std::vector<line_pair>& pairs) {
    pairs.clear();
    int file = open_file_read(-1, path);
    if (file == 0) return false;
    line_pair pair;
    while (read_line_pair(file, pair)) pairs.push_back(pair);
    close_file(file);
    return true;
}

}  // namespace tw
