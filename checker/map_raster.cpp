// map_raster: the canvas, pictures, frames and label font of the world maps.
#include "checker/map_raster.h"

#include <algorithm>

#include "runtime/inspection.h"

namespace tw::checking {

namespace {

void paint(uint8_t* d, colour col) {
    d[0] = static_cast<uint8_t>(col & 0xFF);
    d[1] = static_cast<uint8_t>((col >> 8) & 0xFF);
    d[2] = static_cast<uint8_t>((col >> 16) & 0xFF);
}

}  // namespace

// ===========================================================================
// Canvas
// ===========================================================================

rgba_image make_canvas(int w, int h, colour fill) {
    rgba_image c;
    c.width = w;
    c.height = h;
    c.has_alpha = true;
    c.rgba.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    for (size_t i = 0; i < c.rgba.size(); i += 4) {
        paint(&c.rgba[i], fill);
        c.rgba[i + 3] = 255;
    }
    return c;
}

// ===========================================================================
// Pictures
// ===========================================================================

namespace {

// Pictures by path and see-through colour, decoded once per map command.
std::map<std::pair<text, colour>, picture>& pictures() {
    static std::map<std::pair<text, colour>, picture> cache;
    return cache;
}

// The picture reduced (or enlarged) to w x h pixels, each pixel the mean of
// the source pixels it covers.
const std::vector<uint8_t>& scaled(picture& p, int w, int h) {
    const rgba_image& src = p.image;
    auto found = p.scaled.find({w, h});
    if (found != p.scaled.end()) return found->second;
    std::vector<uint8_t> out(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    for (int j = 0; j < h; ++j) {
        const int y0 = static_cast<int>(static_cast<int64_t>(j) * src.height / h);
        const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<int64_t>(j + 1) * src.height / h));
        for (int i = 0; i < w; ++i) {
            const int x0 = static_cast<int>(static_cast<int64_t>(i) * src.width / w);
            const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<int64_t>(i + 1) * src.width / w));
            uint64_t sum[4] = {};
            for (int y = y0; y < y1; ++y) {
                const uint8_t* s =
                    &src.rgba[(static_cast<size_t>(y) * static_cast<size_t>(src.width) + static_cast<size_t>(x0)) * 4];
                for (int x = x0; x < x1; ++x, s += 4)
                    for (int c = 0; c < 4; ++c) sum[c] += s[c];
            }
            const uint64_t n = static_cast<uint64_t>(y1 - y0) * static_cast<uint64_t>(x1 - x0);
            uint8_t* d = &out[(static_cast<size_t>(j) * static_cast<size_t>(w) + static_cast<size_t>(i)) * 4];
            for (int c = 0; c < 4; ++c) d[c] = static_cast<uint8_t>(sum[c] / n);
        }
    }
    return p.scaled.emplace(std::make_pair(w, h), std::move(out)).first->second;
}

}  // namespace

picture& picture_of(const text& path, colour key) {
    picture& p = pictures()[{path, key}];
    if (p.ok || p.failed) return p;
    text why;
    if (!decode_image_file(path, p.image, why)) {
        p.failed = true;
        return p;
    }
    p.ok = true;
    std::vector<uint8_t>& px = p.image.rgba;
    const uint8_t kr = key & 0xFF, kg = (key >> 8) & 0xFF, kb = (key >> 16) & 0xFF;
    for (size_t i = 0; i < px.size(); i += 4) {
        uint8_t& a = px[i + 3];
        if (!p.image.has_alpha) a = (px[i] == kr && px[i + 1] == kg && px[i + 2] == kb) ? 0 : 255;
        for (int c = 0; c < 3; ++c) px[i + c] = static_cast<uint8_t>(px[i + c] * a / 255);
    }
    return p;
}

void forget_pictures() { pictures().clear(); }

// ===========================================================================
// Drawing
// ===========================================================================

void draw_picture(rgba_image& c, picture& p, int x, int y, int w, int h, int opacity, bool additive) {
    if (!p.ok || w <= 0 || h <= 0 || opacity <= 0) return;
    opacity = std::min(opacity, 255);
    const std::vector<uint8_t>& tile = scaled(p, w, h);
    for (int j = std::max(0, -y); j < h && y + j < c.height; ++j) {
        for (int i = std::max(0, -x); i < w && x + i < c.width; ++i) {
            const uint8_t* s = &tile[(static_cast<size_t>(j) * static_cast<size_t>(w) + static_cast<size_t>(i)) * 4];
            uint8_t* d = pixel_at(c, x + i, y + j);
            const int a = s[3] * opacity / 255;
            for (int k = 0; k < 3; ++k) {
                const int src = s[k] * opacity / 255;
                const int v = additive ? d[k] + src : src + d[k] * (255 - a) / 255;
                d[k] = static_cast<uint8_t>(std::min(v, 255));
            }
        }
    }
}

void draw_frame(rgba_image& c, int x, int y, int w, int h, int thickness, colour col) {
    for (int j = y; j < y + h; ++j) {
        for (int i = x; i < x + w; ++i) {
            if (i < 0 || j < 0 || i >= c.width || j >= c.height) continue;
            const bool edge =
                i < x + thickness || i >= x + w - thickness || j < y + thickness || j >= y + h - thickness;
            if (!edge) continue;
            paint(pixel_at(c, i, j), col);
        }
    }
}

// ===========================================================================
// Labels
// ===========================================================================

namespace {

const char* glyph_rows(char c) {
    switch (c) {
        case '0':
            return "111101101101111";
        case '1':
            return "010110010010111";
        case '2':
            return "111001111100111";
        case '3':
            return "111001111001111";
        case '4':
            return "101101111001001";
        case '5':
            return "111100111001111";
        case '6':
            return "111100111101111";
        case '7':
            return "111001010010010";
        case '8':
            return "111101111101111";
        case '9':
            return "111101111001111";
        case 'x':
            return "000101010101000";
        case ':':
            return "000010000010000";
        default:
            return "000000000000000";
    }
}

}  // namespace

void draw_label(rgba_image& c, int x, int y, const text& t, int scale, colour col) {
    for (char ch : t) {
        const char* rows = glyph_rows(ch);
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < 3; ++i)
                if (rows[j * 3 + i] == '1')
                    for (int dy = 0; dy < scale; ++dy)
                        for (int dx = 0; dx < scale; ++dx) {
                            const int px = x + i * scale + dx, py = y + j * scale + dy;
                            if (px < 0 || py < 0 || px >= c.width || py >= c.height) continue;
                            paint(pixel_at(c, px, py), col);
                        }
        x += 4 * scale;
    }
}

void draw_image(rgba_image& c, const rgba_image& image, int x, int y) {
    for (int j = 0; j < image.height; ++j) {
        for (int i = 0; i < image.width; ++i) {
            const uint8_t* s =
                &image.rgba[(static_cast<size_t>(j) * static_cast<size_t>(image.width) + static_cast<size_t>(i)) * 4];
            uint8_t* d = pixel_at(c, x + i, y + j);
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
}

}  // namespace tw::checking
