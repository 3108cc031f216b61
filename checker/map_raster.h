// map_raster: the small raster the world maps are drawn on: a canvas (an
// rgba_image), pictures decoded once and scaled to any size, frames and a
// tiny font for the labels of a contact sheet.
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
    bool failed = false;  // decoding failed: not tried again
    rgba_image image;
    std::map<std::pair<int, int>, std::vector<uint8_t>> scaled;  // by drawn size
};

// An opaque canvas of one colour; it keeps its alpha channel when written.
rgba_image make_canvas(int w, int h, colour fill);
inline uint8_t* pixel_at(rgba_image& c, int x, int y) {
    return &c.rgba[(static_cast<size_t>(y) * static_cast<size_t>(c.width) + static_cast<size_t>(x)) * 4];
}

// As the sprites are drawn: a picture with its own alpha uses it, any other
// is see-through where it has exactly the key colour. Decoded once per path
// and key until forget_pictures.
picture& picture_of(const text& path, colour key);
void forget_pictures();

// Draws a picture at (x, y), w x h pixels, with an opacity of 0..255. Light
// adding blending is drawn as such; every other mode as plain see-through
// drawing.
void draw_picture(rgba_image& c, picture& p, int x, int y, int w, int h, int opacity, bool additive);
// A frame `thickness` pixels wide inside the rectangle.
void draw_frame(rgba_image& c, int x, int y, int w, int h, int thickness, colour col);
// Digits, "x" and ":" in a 3 x 5 pixel font, each pixel scale x scale.
void draw_label(rgba_image& c, int x, int y, const text& t, int scale, colour col);
// Copies a whole image with its top-left corner at (x, y), opaque.
void draw_image(rgba_image& c, const rgba_image& image, int x, int y);

}  // namespace tw::checking
