// writing: the files of an import, staged in a folder beside the game and
// moved into it only when every one of them was written.
#pragma once

#include <string>
#include <vector>

#include "runtime/inspection.h"

namespace tw::tiled {

struct staging {
    std::string stage;  // host folder the files are written into first
    std::string game;   // host folder they are moved into
    std::vector<std::string> written;  // relative paths, '/' separators
    std::string failure;               // the first write that failed

    staging(std::string stage_folder, std::string game_folder);
    ~staging();  // the stage folder is removed
    bool text(const std::string& relative, const std::string& bytes);
    bool png(const std::string& relative, const rgba_image& image);
    // Moves every staged file into the game. false with the reason.
    bool commit(std::string& why);
};

// A new game's font (DATA/font.txt and GFX/FONT/) and figure (GFX/CURSOR/).
void write_game_basics(staging& out);

}  // namespace tw::tiled
