// map_raster: the small raster the world maps are drawn on: an RGBA canvas,
// pictures decoded once and scaled to any size, frames and a tiny font for
// the labels of a contact sheet.
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "checker/checker.h"

namespace tw::checking {

// A decoded picture with its see-through colour applied: premultiplied RGBA.
struct picture {
    bool ok = false;
    int width = 0;  // -1: decoding failed, not tried again
    int height = 0;
    std::vector<uint8_t> rgba;
    std::map<std::pair<int, int>, std::vector<uint8_t>> scaled;  // by drawn size
};

struct canvas {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    canvas(int w, int h, colour fill);
    uint8_t* at(int x, int y) {
        return &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
    }
};

// As the sprites are drawn: a picture with its own alpha uses it, any other
// is see-through where it has exactly the key colour. Decoded once per path
// and key until forget_pictures.
picture& picture_of(const text& path, colour key);
void forget_pictures();

// Draws a picture at (x, y), w x h pixels, with an opacity of 0..255. Light
// adding blending is drawn as such; every other mode as plain see-through
// drawing.
void draw_picture(canvas& c, picture& p, int x, int y, int w, int h, int opacity, bool additive);
// A frame `thickness` pixels wide inside the rectangle.
void draw_frame(canvas& c, int x, int y, int w, int h, int thickness, colour col);
// Digits, "x" and ":" in a 3 x 5 pixel font, each pixel scale x scale.
void draw_label(canvas& c, int x, int y, const text& t, int scale, colour col);
// Copies a whole image with its top-left corner at (x, y), opaque.
void draw_image(canvas& c, const map_image& image, int x, int y);

}  // namespace tw::checking
