// glyphs: the games' sprite font. Letters, digits and punctuation are drawn
// from stroke skeletons (a bold rounded style with a dark outline, since
// white is the transparent colour of font images); the icon images are
// drawn as small figures of the same height.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"

namespace gen {

struct FontStyle {
    float unit = 3.5f;     // pixels per skeleton unit (capitals are 6 units high)
    float stroke = 4.6f;   // stroke width in pixels
    float outline = 2.2f;  // outline width in pixels
    Colour top = rgb(255, 240, 150);
    Colour bottom = rgb(246, 150, 36);
    Colour edge = rgb(44, 22, 12);
    float shadow = 0.4f;
};

// One image of the font: the character of the font description line and the
// image name the engine loads for it.
struct FontImage {
    unsigned char code;
    std::string image_name;
};

// Every character of the font description line, in order, with its image.
std::vector<FontImage> font_images();
// The font description line itself (Windows-1252 bytes).
std::string font_line();
// The picture of one character (a letter, digit, punctuation mark or icon).
Canvas render_font_image(unsigned char code, const FontStyle& style);
// Writes `text` with the stroke glyphs onto a canvas, top-left at (x, y);
// `spacing` multiplies each glyph's advance. Returns the width written.
float draw_text(Canvas& c, const std::string& text, float x, float y, const FontStyle& style,
                float spacing = 0.86f);
float text_width(const std::string& text, const FontStyle& style, float spacing = 0.86f);

}  // namespace gen
