// decoders: what the image and sound decoders share: refusals, little-endian
// reads, sizing the output image, and one decoder per image format, which
// runtime/decode_image.cpp chooses by the file's content. Only the decode_*
// files in runtime/ include this header.
//
// Every decoder treats the file as hostile: sizes are checked against
// max_image_side (and, where the pixel data is stored plainly, against the
// bytes actually present) before any pixel memory is allocated, every read is
// bounds-checked, and the libraries' fatal-error paths are turned into a
// refusal instead of a process exit. A refusal leaves the image empty.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/inspection.h"

namespace tw::platform {

// ===========================================================================
// Shared helpers
// ===========================================================================

inline bool fail(text* why, const char* reason) {
    if (why) *why = reason;
    return false;
}

inline uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// What decode_image allows the picture being decoded (what is left of the
// picture budget), and whether a picture was refused for that alone.
struct pixel_allowance_state {
    long long pixels = max_image_pixels;
    bool exceeded = false;
};
inline pixel_allowance_state& pixel_allowance() {
    static pixel_allowance_state state;
    return state;
}

inline bool side_ok(long long w, long long h) {
    if (!(w > 0 && h > 0 && w <= max_image_side && h <= max_image_side && w * h <= max_image_pixels)) return false;
    if (w * h > pixel_allowance().pixels) {
        pixel_allowance().exceeded = true;
        return false;
    }
    return true;
}

// Sizes the output; the caller has already checked the sides.
inline void start_image(rgba_image& out, int w, int h, bool has_alpha) {
    out.width = w;
    out.height = h;
    out.has_alpha = has_alpha;
    out.rgba.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 0);
}

inline void clear_image(rgba_image& out) {
    out.width = 0;
    out.height = 0;
    out.has_alpha = false;
    out.rgba.clear();
    out.rgba.shrink_to_fit();
}

// A 32-bit pixel format whose fourth byte is zero everywhere stores padding,
// not transparency: such images are opaque. Returns whether the alpha is real.
inline bool settle_padding_alpha(rgba_image& out) {
    const size_t n = out.rgba.size();
    for (size_t i = 3; i < n; i += 4)
        if (out.rgba[i] != 0) return true;
    for (size_t i = 3; i < n; i += 4) out.rgba[i] = 255;
    return false;
}

// ===========================================================================
// One decoder per format (runtime/decode_<format>.cpp)
// ===========================================================================

bool decode_png(const uint8_t* data, size_t size, rgba_image& out, text* why);
bool decode_jpeg(const uint8_t* data, size_t size, rgba_image& out, text* why);
bool decode_tiff(const uint8_t* data, size_t size, rgba_image& out, text* why);
// TGA has no signature: true when every header field holds a value the format allows.
bool tga_plausible(const uint8_t* data, size_t size);
bool decode_tga(const uint8_t* data, size_t size, rgba_image& out, text* why);
bool decode_bmp(const uint8_t* data, size_t size, rgba_image& out, text* why);

}  // namespace tw::platform
