// The font description: the input is the description file, whose first line
// lists the characters of the sprite font. A few glyph images exist, so some
// characters load and the rest are missing; the line is then drawn as a text
// (no screen: only the pen moves) and the font released.
#include "fuzz/fuzz_support.h"

#include <algorithm>

#include "presentation/presentation.h"
#include "runtime/media_runtime.h"

namespace {

// A 2 x 2 RGBA PNG: one opaque red and one clear pixel per row.
const char glyph_png[] =
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x02\x00\x00"
    "\x00\x02\x08\x06\x00\x00\x00\x72\xb6\x0d\x24\x00\x00\x00\x12\x49\x44\x41\x54\x78\x9c\x63"
    "\xf8\xcf\xc0\x00\x44\x0c\x60\x12\xcc\x00\x00\x2b\xe6\x03\xfd\x12\xa7\x8e\xa0\x00\x00\x00"
    "\x00\x49\x45\x4e\x44\xae\x42\x60\x82";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tw;
    static const bool ready = [] {
        set_start_values();
        use_png_decoder();
        engine.display_scale = 1.5f;
        engine.font_path = fuzz::scratch_dir() + "FONT";
        const std::string png(glyph_png, sizeof glyph_png - 1);
        for (const char* name : {"A", "I", "_a", "_u", "S", "POINT", "HERZ", "7"})
            fuzz::write_file(std::string("FONT/") + name + ".png", png);
        fuzz::write_file("FONT/B.png", "not an image");
        return true;
    }();
    (void)ready;
    const std::string path = fuzz::write_file("DATA/font.txt", data, size);

    read_font_description(path);
    const std::string line(reinterpret_cast<const char*>(data), std::min<size_t>(size, 256));
    draw_sprite_text(line + "|", 10.0f, 20.0f, 1.5f, 30.0f, 200, 1.0f);
    fuzz::check(engine.text_pen_x == 0.0f && engine.text_pen_y == 0.0f, "a text closed with | leaves the pen at the start");
    for (const font_char& c : engine.font_char_table) {
        fuzz::check((c.sprite == 0) == (c.sprite3d == 0), "a glyph has both its image and its quad, or neither");
    }
    release_sprite_font();
    return 0;
}
