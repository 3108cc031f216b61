// BMP: palette 1/4/8-bit, 16/24/32-bit with optional bit masks; bottom-up
// or top-down.
#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/decoders.h"

namespace tw::platform {

namespace {

struct Mask {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

Mask make_mask(uint32_t m) {
    Mask r;
    r.mask = m;
    if (!m) return r;
    while (!((m >> r.shift) & 1)) ++r.shift;
    while (r.shift + r.bits < 32 && ((m >> (r.shift + r.bits)) & 1)) ++r.bits;
    return r;
}

uint8_t take(uint32_t v, const Mask& m) {
    if (!m.mask) return 0;
    uint32_t x = (v & m.mask) >> m.shift;
    if (m.bits >= 8) return static_cast<uint8_t>(x >> (m.bits - 8));
    // Widen by repeating the bit pattern, so full scale stays full scale.
    uint32_t r = 0;
    int have = 0;
    while (have < 8) {
        r = (r << m.bits) | x;
        have += m.bits;
    }
    return static_cast<uint8_t>(r >> (have - 8));
}

}  // namespace

bool decode_bmp(const uint8_t* data, size_t size, rgba_image& out, text* why) {
    if (size < 26) return fail(why, "truncated BMP data");
    const uint32_t pixel_offset = le32(data + 10);
    const uint32_t header = le32(data + 14);
    long long w = 0, h = 0;
    int bpp = 0;
    uint32_t compression = 0, colours_used = 0;
    size_t palette_entry = 4;
    if (header == 12) {
        w = le16(data + 18);
        h = static_cast<int16_t>(le16(data + 20));
        bpp = le16(data + 24);
        palette_entry = 3;
    } else if (header >= 40 && header <= 124) {
        if (size < 14 + 40) return fail(why, "truncated BMP data");
        w = static_cast<int32_t>(le32(data + 18));
        h = static_cast<int32_t>(le32(data + 22));
        bpp = le16(data + 28);
        compression = le32(data + 30);
        colours_used = le32(data + 46);
    } else {
        return fail(why, "unsupported BMP header");
    }
    const bool top_down = h < 0;
    if (top_down) h = -h;
    if (!side_ok(w, h)) return fail(why, "image size out of range");
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return fail(why, "unsupported BMP bit depth");

    // Bit masks: given in the header (version 2 and later) or right after the
    // 40-byte header for BI_BITFIELDS (3) and BI_ALPHABITFIELDS (6).
    Mask r, g, b, a;
    bool masks_alpha = false;
    if (compression == 3 || compression == 6) {
        if (bpp != 16 && bpp != 32) return fail(why, "unsupported BMP compression");
        const size_t at = 14 + 40;
        const size_t count = compression == 6 || header >= 56 ? 4 : 3;
        if (size < at + count * 4) return fail(why, "truncated BMP data");
        r = make_mask(le32(data + at));
        g = make_mask(le32(data + at + 4));
        b = make_mask(le32(data + at + 8));
        if (count == 4) {
            a = make_mask(le32(data + at + 12));
            masks_alpha = a.mask != 0;
        }
    } else if (compression != 0) {
        return fail(why, "unsupported BMP compression");
    } else if (bpp == 16) {
        r = make_mask(0x7C00);
        g = make_mask(0x03E0);
        b = make_mask(0x001F);
    } else if (bpp == 32) {
        r = make_mask(0x00FF0000);
        g = make_mask(0x0000FF00);
        b = make_mask(0x000000FF);
        a = make_mask(0xFF000000);
    }

    std::vector<uint8_t> palette;
    if (bpp <= 8) {
        const size_t max_colours = static_cast<size_t>(1) << bpp;
        size_t n = colours_used == 0 || colours_used > max_colours ? max_colours : colours_used;
        const size_t at = 14 + static_cast<size_t>(header);
        if (at > size) return fail(why, "truncated BMP data");
        n = std::min(n, (size - at) / palette_entry);
        palette.assign(max_colours * 4, 0);
        for (size_t i = 0; i < max_colours; ++i) palette[i * 4 + 3] = 255;
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* p = data + at + i * palette_entry;
            palette[i * 4] = p[2];
            palette[i * 4 + 1] = p[1];
            palette[i * 4 + 2] = p[0];
        }
    }

    const size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
    if (pixel_offset > size || (size - pixel_offset) / stride < static_cast<size_t>(h))
        return fail(why, "truncated BMP data");

    const int width = static_cast<int>(w), height = static_cast<int>(h);
    start_image(out, width, height, false);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = data + pixel_offset + static_cast<size_t>(y) * stride;
        const int dest_row = top_down ? y : height - 1 - y;
        uint8_t* q = out.rgba.data() + static_cast<size_t>(dest_row) * width * 4;
        for (int x = 0; x < width; ++x, q += 4) {
            if (bpp <= 8) {
                const int per_byte = 8 / bpp;
                const int byte = src[x / per_byte];
                const int shift = 8 - bpp * (x % per_byte + 1);
                const int index = (byte >> shift) & ((1 << bpp) - 1);
                std::memcpy(q, &palette[static_cast<size_t>(index) * 4], 4);
            } else if (bpp == 24) {
                const uint8_t* p = src + static_cast<size_t>(x) * 3;
                q[0] = p[2];
                q[1] = p[1];
                q[2] = p[0];
                q[3] = 255;
            } else {
                const uint32_t v = bpp == 16 ? le16(src + static_cast<size_t>(x) * 2)
                                             : le32(src + static_cast<size_t>(x) * 4);
                q[0] = take(v, r);
                q[1] = take(v, g);
                q[2] = take(v, b);
                q[3] = a.mask ? take(v, a) : 255;
            }
        }
    }
    // A declared alpha mask is alpha; the fourth byte of a plain 32-bit bitmap
    // is alpha only when it is not all zero.
    if (masks_alpha) out.has_alpha = true;
    else if (bpp == 32 && a.mask) out.has_alpha = settle_padding_alpha(out);
    return true;
}

}  // namespace tw::platform
