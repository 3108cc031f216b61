// TGA: uncompressed and run-length; true-colour, grey and colour-mapped.
#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/decoders.h"

namespace tw::platform {

namespace {

struct TgaHeader {
    int id_length, map_type, image_type;
    int map_first, map_length, map_entry_bits;
    int width, height, depth, descriptor;
};

TgaHeader tga_header(const uint8_t* p) {
    return {p[0], p[1], p[2], le16(p + 3), le16(p + 5), p[7],
            le16(p + 12), le16(p + 14), p[16], p[17]};
}

// One stored pixel (or colour-map entry) of `bits` bits to RGBA.
void tga_colour(const uint8_t* p, int bits, bool grey, uint8_t* q) {
    if (grey) {
        q[0] = q[1] = q[2] = p[0];
        q[3] = bits == 16 ? p[1] : 255;
    } else if (bits == 15 || bits == 16) {
        const int v = le16(p);
        const int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        q[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
        q[1] = static_cast<uint8_t>((g << 3) | (g >> 2));
        q[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
        q[3] = (bits == 15 || (v & 0x8000)) ? 255 : 0;
    } else {
        q[0] = p[2];
        q[1] = p[1];
        q[2] = p[0];
        q[3] = bits == 32 ? p[3] : 255;
    }
}

}  // namespace

bool tga_plausible(const uint8_t* data, size_t size) {
    if (size < 18) return false;
    const TgaHeader t = tga_header(data);
    const int base = t.image_type & ~8;
    if (t.map_type > 1 || (t.image_type & ~11) != 0 || base < 1 || base > 3) return false;
    if (t.width == 0 || t.height == 0) return false;
    if (base == 1) {
        if (t.map_type != 1 || (t.depth != 8 && t.depth != 16) || t.map_length == 0) return false;
        if (t.map_entry_bits != 15 && t.map_entry_bits != 16 && t.map_entry_bits != 24 &&
            t.map_entry_bits != 32)
            return false;
    } else if (base == 2) {
        if (t.depth != 15 && t.depth != 16 && t.depth != 24 && t.depth != 32) return false;
    } else if (t.depth != 8 && t.depth != 16) {
        return false;
    }
    return (t.descriptor & 0xC0) == 0;
}

bool decode_tga(const uint8_t* data, size_t size, rgba_image& out, text* why) {
    if (!tga_plausible(data, size)) return fail(why, "unrecognised image format");
    const TgaHeader t = tga_header(data);
    if (!side_ok(t.width, t.height)) return fail(why, "image size out of range");
    const int base = t.image_type & ~8;
    const bool rle = (t.image_type & 8) != 0;
    const bool mapped = base == 1, grey = base == 3;
    const size_t bpp = static_cast<size_t>((t.depth + 7) / 8);
    const size_t pixels = static_cast<size_t>(t.width) * static_cast<size_t>(t.height);

    size_t pos = 18 + static_cast<size_t>(t.id_length);
    // The colour map, when present, is always stored (and skipped for
    // true-colour images).
    std::vector<uint8_t> map;
    if (t.map_type == 1) {
        const size_t entry = static_cast<size_t>((t.map_entry_bits + 7) / 8);
        const size_t map_bytes = entry * static_cast<size_t>(t.map_length);
        if (pos > size || map_bytes > size - pos) return fail(why, "truncated TGA data");
        if (mapped) {
            map.assign(static_cast<size_t>(t.map_length) * 4, 0);
            for (int i = 0; i < t.map_length; ++i)
                tga_colour(data + pos + i * entry, t.map_entry_bits, false, &map[i * 4]);
        }
        pos += map_bytes;
    }
    if (pos > size) return fail(why, "truncated TGA data");
    // Enough bytes for the pixels? Plain data needs all of them; run-length
    // data at least one packet header per 128 pixels.
    const size_t avail = size - pos;
    if (!rle && avail / bpp < pixels) return fail(why, "truncated TGA data");
    if (rle && avail < pixels / 128) return fail(why, "truncated TGA data");

    start_image(out, t.width, t.height, false);
    uint8_t* rgba = out.rgba.data();
    auto put = [&](size_t index, const uint8_t* p) {
        uint8_t* q = rgba + index * 4;
        if (mapped) {
            int i = bpp == 2 ? le16(p) : p[0];
            i -= t.map_first;
            if (i >= 0 && i < t.map_length) std::memcpy(q, &map[static_cast<size_t>(i) * 4], 4);
            else q[3] = 255;  // an index outside the map is black
        } else {
            tga_colour(p, t.depth, grey, q);
        }
    };
    if (!rle) {
        for (size_t i = 0; i < pixels; ++i) put(i, data + pos + i * bpp);
    } else {
        size_t i = 0;
        while (i < pixels) {
            if (pos >= size) {
                clear_image(out);
                return fail(why, "truncated TGA data");
            }
            const int head = data[pos++];
            const size_t count = std::min<size_t>(static_cast<size_t>(head & 127) + 1, pixels - i);
            if (head & 128) {
                if (bpp > size - pos) break;
                for (size_t k = 0; k < count; ++k) put(i + k, data + pos);
                pos += bpp;
            } else {
                if (count > (size - pos) / bpp) break;
                for (size_t k = 0; k < count; ++k) put(i + k, data + pos + k * bpp);
                pos += count * bpp;
            }
            i += count;
        }
        if (i < pixels) {
            clear_image(out);
            return fail(why, "truncated TGA data");
        }
    }

    // Pixels are stored from the bottom row up unless descriptor bit 5 is set,
    // and from right to left when bit 4 is set.
    const size_t row = static_cast<size_t>(t.width) * 4;
    if (!(t.descriptor & 0x20)) {
        std::vector<uint8_t> tmp(row);
        for (int y = 0; y < t.height / 2; ++y) {
            uint8_t* a = rgba + static_cast<size_t>(y) * row;
            uint8_t* b = rgba + static_cast<size_t>(t.height - 1 - y) * row;
            std::memcpy(tmp.data(), a, row);
            std::memcpy(a, b, row);
            std::memcpy(b, tmp.data(), row);
        }
    }
    if (t.descriptor & 0x10) {
        for (int y = 0; y < t.height; ++y) {
            auto* px = reinterpret_cast<uint32_t*>(rgba + static_cast<size_t>(y) * row);
            std::reverse(px, px + t.width);
        }
    }

    const int stored_bits = mapped ? t.map_entry_bits : t.depth;
    if (stored_bits == 32 || (grey && t.depth == 16)) {
        out.has_alpha = settle_padding_alpha(out);
    } else if (stored_bits == 16 && !grey) {
        // Only an alpha bit declared in the descriptor is alpha; otherwise the
        // top bit is unused and the image is opaque.
        if ((t.descriptor & 15) == 0) {
            for (size_t i = 3; i < out.rgba.size(); i += 4) out.rgba[i] = 255;
        } else {
            out.has_alpha = settle_padding_alpha(out);
        }
    }
    return true;
}

}  // namespace tw::platform
