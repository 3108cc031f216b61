// sprite_font: text drawn with one image per character, each a 3D sprite, so
// text scales, turns and fades like any other sprite. The font description's
// first line lists the characters that have images; characters that cannot be
// file names (and the icons reached through punctuation and accented letters)
// are mapped to image names by a fixed table.
#include <array>
#include <cstdint>

#include "core/core.h"
#include "presentation/presentation.h"
#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Types
// ===========================================================================

namespace {

// Where a character of the font line loads its image, and from which file.
struct GlyphSource {
    int entry;
    text image_name;
};

// Codes the pen rules treat specially.
constexpr int code_line_break = '\\';
constexpr int code_end_of_text = '|';
constexpr int code_space = ' ';
constexpr int code_line_height = 'A';  // a line is 1.2 times the height of "A"
constexpr int code_space_width = 'I';  // a space is as wide as "I"

// ===========================================================================
// Functions
// ===========================================================================

GlyphSource glyph_source(int code) {
    switch (code) {
        case '.': return {code, "POINT"};
        case '[': return {code, "FLOPPY"};
        case ']': return {code, "FLOPPYB"};
        case '-': return {code, "MINUS"};
        case '"': return {code, "FUEL"};
        case '(': return {code, "LEFT"};
        case ')': return {code, "RIGHT"};
        case ':': return {code, "POINTPOINT"};
        case '*': return {code, "STERN"};
        case '&': return {code, "GUIBACK"};
        case '@': return {code, "LIFE"};
        case '+': return {code, "PLUS"};
        case 246: case 214: return {code, "IDCARD"};  // o and O with diaeresis
        case 196: case 228: return {code, "HERZ"};    // A and a with diaeresis
        case 252: case 220: return {'u', "_u"};       // u and U with diaeresis reload "u"
        case 223: return {'S', "S"};                  // sharp s reloads "S"
        default: break;
    }
    // Lower-case letters live in files of their own, since on a file system
    // that ignores case "a.png" and "A.png" would be the same file.
    if (code >= 'a' && code <= 'z') return {code, text(1, '_') + static_cast<char>(code)};
    return {code, char_to_text(code)};
}

font_char* glyph_entry(int code) {
    if (code < 0 || code > 255) return nullptr;
    if (static_cast<size_t>(code) >= engine.font_char_table.size()) return nullptr;
    return &engine.font_char_table[static_cast<size_t>(code)];
}

float entry_width(int code) {
    const font_char* f = glyph_entry(code);
    return f ? f->width : 0.0f;
}

float entry_height(int code) {
    const font_char* f = glyph_entry(code);
    return f ? f->height : 0.0f;
}

void load_glyph(int code) {
    const GlyphSource src = glyph_source(code);
    font_char* f = glyph_entry(src.entry);
    if (!f) return;
    f->image_name = src.image_name;
    if (is_sprite(f->sprite)) free_sprite(f->sprite);
    set_sprite_transparent_colour(-1, rgb(255, 255, 255));  // font images are keyed on white
    f->sprite = load_sprite(-1, font_image_path(code), sprite_mode_3d + 1);
    if (f->sprite == 0) {
        // The image this entry's quad was made from is gone: drop the quad as
        // well rather than keep one that outlived its source. The character
        // then has no glyph and takes no room, like any missing image.
        if (is_sprite3d(f->sprite3d)) free_sprite3d(f->sprite3d);
        f->sprite3d = 0;
        f->width = 0;
        f->height = 0;
        return;
    }
    f->height = static_cast<float>(sprite_height(f->sprite)) * engine.display_scale;
    f->width = static_cast<float>(sprite_width(f->sprite)) * engine.display_scale;
    if (is_sprite3d(f->sprite3d)) free_sprite3d(f->sprite3d);
    f->sprite3d = create_sprite3d(-1, f->sprite);
    if (f->sprite3d != 0) zoom_sprite3d(f->sprite3d, nearest(f->width), nearest(f->height));
}

}  // namespace

text font_image_path(int code) {
    return engine.font_path + "\\" + glyph_source(code).image_name + ".png";
}

int font_entry(int code) { return glyph_source(code).entry; }

void load_sprite_font() {
    release_sprite_font();
    read_font_description(engine.font_system);
}

void release_sprite_font() {
    for (int code = 0; code <= 255; ++code) {
        font_char* f = glyph_entry(code);
        if (!f) break;
        if (is_sprite3d(f->sprite3d)) free_sprite3d(f->sprite3d);
        if (is_sprite(f->sprite)) free_sprite(f->sprite);
        f->sprite3d = 0;
        f->sprite = 0;
    }
}

void read_font_description(const text& path) {
    const int file = open_file_read(-1, path);
    if (file == 0) return;
    const text line = read_line(file);  // only the first line lists characters
    // A character listed again would load the same image into the same entry
    // again (every entry has exactly one image name), which changes nothing
    // but the handles. Each entry is loaded once per read, so a huge first
    // line (a file that is no font description) costs one load per distinct
    // character instead of one per byte.
    std::array<bool, 256> loaded{};
    for (unsigned char ch : line) {
        const int entry = glyph_source(ch).entry;
        if (entry < 0 || entry > 255 || loaded[static_cast<size_t>(entry)]) continue;
        loaded[static_cast<size_t>(entry)] = true;
        end_program_if_requested();  // each glyph is a file to find and decode
        load_glyph(ch);
    }
    close_file(file);
}

void draw_sprite_text(const text& t, float x, float y, float scale, float angle, int alpha,
                      float spacing) {
    sprite3d_blending(5, 6);
    // Every character gets the same x and y: the pen carries the layout.
    for (unsigned char ch : t) draw_sprite_char(ch, x, y, scale, angle, alpha, spacing);
}

void draw_sprite_char(int code, float x, float y, float scale, float angle, int alpha,
                      float spacing) {
    if (scale < 0) scale = 1.0f;
    switch (code) {
        case code_line_break:
            engine.text_pen_x = 0;
            engine.text_pen_y += entry_height(code_line_height) * 1.2f * scale;
            return;
        case code_end_of_text:
            engine.text_pen_x = 0;
            engine.text_pen_y = 0;
            return;
        case code_space:
            // Neither scaled nor spaced: a space is always one "I" wide.
            engine.text_pen_x += entry_width(code_space_width);
            return;
        default: break;
    }
    font_char* f = glyph_entry(code);
    if (!f || f->sprite3d == 0) return;  // no glyph: nothing drawn, the pen stays
    zoom_sprite3d(f->sprite3d, nearest(f->width * scale), nearest(f->height * scale));
    // Relative rotation: a glyph drawn again with an angle keeps turning.
    if (angle != 0) rotate_sprite3d(f->sprite3d, nearest(angle), 1);
    draw_sprite3d(f->sprite3d, nearest(engine.text_pen_x + x), nearest(engine.text_pen_y + y), alpha);
    engine.text_pen_x += f->width * scale * spacing;
}

}  // namespace tw
