// A picture the program wrote (a script's screenshot, a world map), decoded
// with the engine's own decoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/media_files.h"

namespace tw::test {

struct Screenshot {
    bool ok = false;  // false when the file was missing or did not decode
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // rows from the top

    const uint8_t* pixel(int x, int y) const;
    uint32_t rgb(int x, int y) const;        // 0xRRGGBB
    bool is(int x, int y, Rgba c) const;     // same red, green and blue
    int count(Rgba c) const;                 // pixels of that colour
};

Screenshot read_screenshot(const std::string& path);

}  // namespace tw::test
