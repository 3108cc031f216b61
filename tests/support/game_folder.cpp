#include "support/game_folder.h"

#include <filesystem>

namespace tw::test {

namespace fs = std::filesystem;

std::vector<std::string> pair_lines(const Pairs& pairs) {
    std::vector<std::string> lines;
    for (const auto& [k, v] : pairs) {
        lines.push_back(k);
        lines.push_back(v);
    }
    return lines;
}

GameFolder::GameFolder(const std::string& bundled) {
    fs::copy(std::string(TILEWORLD_SOURCE_DIR) + "/" + bundled, path, fs::copy_options::recursive);
}

void GameFolder::configure(const std::vector<std::string>& lines) const { write("DATA/ini.txt", crlf(lines)); }

void GameFolder::more_configuration(const std::vector<std::string>& lines) const {
    write("DATA/ini.txt", read_file(path + "DATA/ini.txt") + crlf(lines));
}

std::string GameFolder::framed_picture(const std::string& relative, int w, int h, Rgba fill, Rgba border,
                                       int border_width) const {
    return write(relative, bmp_image(w, h, framed_pixels(w, h, fill, border, border_width)));
}

std::string GameFolder::picture(const std::string& relative, int w, int h, Rgba fill) const {
    return framed_picture(relative, w, h, fill, fill, 0);
}

RunResult GameFolder::play(const std::string& script, const std::string& display, std::vector<std::string> env,
                           int timeout_seconds) const {
    env.push_back("TILEWORLD_SCRIPT=" + outside.write("script.txt", script));
    if (!display.empty()) env.push_back("TILEWORLD_DISPLAY=" + display);
    return run_tileworld(path, env, timeout_seconds);
}

}  // namespace tw::test
