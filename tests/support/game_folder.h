// A game folder in a temporary directory, built file by file (the
// configuration, line-pair data files, pictures) or copied from a bundled
// game, and the real program played in it with a script.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "support/media_files.h"
#include "support/test_support.h"

namespace tw::test {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The key and value lines of a line-pair file, in order.
std::vector<std::string> pair_lines(const Pairs& pairs);

struct GameFolder : TempDir {
    GameFolder() = default;
    // A copy of a bundled game ("game", "game-saved"), so that a run never
    // writes into the tree.
    explicit GameFolder(const std::string& bundled);

    // DATA/ini.txt from key and value lines; `more_configuration` appends
    // pairs, and later pairs win.
    void configure(const std::vector<std::string>& lines) const;
    void more_configuration(const std::vector<std::string>& lines) const;
    // A 24-bit BMP of one colour, with a border in another, whatever the
    // name: white and magenta in it are see-through.
    std::string picture(const std::string& relative, int w, int h, Rgba fill) const;
    std::string framed_picture(const std::string& relative, int w, int h, Rgba fill, Rgba border,
                               int border_width) const;

    // Plays the game with `script` (written outside the folder) on a headless
    // screen of `display` ("640x480"; empty: the program's own choice).
    // Relative paths in the script are inside the game folder.
    RunResult play(const std::string& script, const std::string& display = "640x480",
                   std::vector<std::string> env = {}, int timeout_seconds = 120) const;
    std::string file(const std::string& name) const { return path + name; }

    TempDir outside;  // the scripts, and whatever a test keeps out of the folder
};

}  // namespace tw::test
