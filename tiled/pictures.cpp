// pictures: the picture of one tile, cut from its tileset picture (margin
// and spacing counted) or taken from an image-collection tile, turned by the
// gid's flip flags and scaled to the cell; and stacks drawn over each other.
#include <algorithm>
#include <cmath>

#include "tiled/tiled.h"

namespace tw::tiled {

const tileset* tileset_of(const tile_map& m, uint32_t gid) {
    gid &= ~gid_flags;
    if (gid == 0) return nullptr;
    const tileset* found = nullptr;
    for (const tileset& ts : m.tilesets)
        if (ts.firstgid <= gid) found = &ts;
    return found;
}

namespace {

rgba_image cut(const rgba_image& src, int x0, int y0, int w, int h) {
    rgba_image out;
    out.width = w, out.height = h, out.has_alpha = true;
    out.rgba.assign(static_cast<size_t>(w) * h * 4, 0);
    for (int y = 0; y < h; ++y)
        std::copy_n(&src.rgba[(static_cast<size_t>(y0 + y) * src.width + x0) * 4], static_cast<size_t>(w) * 4,
                    &out.rgba[static_cast<size_t>(y) * w * 4]);
    return out;
}

// Diagonal flip first (swap x and y), then horizontal, then vertical: the
// order in which Tiled applies its flags.
rgba_image flipped(const rgba_image& in, uint32_t gid) {
    const bool d = gid & flip_diagonal, hf = gid & flip_horizontal, vf = gid & flip_vertical;
    if (!d && !hf && !vf) return in;
    rgba_image out;
    out.width = d ? in.height : in.width;
    out.height = d ? in.width : in.height;
    out.has_alpha = in.has_alpha;
    out.rgba.resize(in.rgba.size());
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            int sx = hf ? out.width - 1 - x : x;
            int sy = vf ? out.height - 1 - y : y;
            if (d) std::swap(sx, sy);
            std::copy_n(&in.rgba[(static_cast<size_t>(sy) * in.width + sx) * 4], 4,
                        &out.rgba[(static_cast<size_t>(y) * out.width + x) * 4]);
        }
    }
    return out;
}

rgba_image scaled(const rgba_image& in, int w, int h) {
    if (in.width == w && in.height == h) return in;
    rgba_image out;
    out.width = w, out.height = h, out.has_alpha = in.has_alpha;
    out.rgba.resize(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        const int sy = static_cast<int>(static_cast<long long>(y) * in.height / h);
        for (int x = 0; x < w; ++x) {
            const int sx = static_cast<int>(static_cast<long long>(x) * in.width / w);
            std::copy_n(&in.rgba[(static_cast<size_t>(sy) * in.width + sx) * 4], 4,
                        &out.rgba[(static_cast<size_t>(y) * w + x) * 4]);
        }
    }
    return out;
}

}  // namespace

bool picture_cache::tile_picture(const tile_map& m, uint32_t gid, int w, int h, rgba_image& out, std::string& why) {
    const tileset* ts = tileset_of(m, gid);
    const uint32_t local = (gid & ~gid_flags) - (ts ? ts->firstgid : 0);
    if (!ts) {
        why = m.file + ": the tile number " + std::to_string(gid & ~gid_flags) + " belongs to no tileset";
        return false;
    }
    const tile_info* info = ts->tile(static_cast<int32_t>(local));
    const std::string path = ts->image.empty() ? (info ? info->image : std::string()) : ts->image;
    if (path.empty()) {
        why = ts->file + ": tile " + std::to_string(local) + " of the tileset " + ts->name + " has no picture";
        return false;
    }
    auto it = images.find(path);
    if (it == images.end()) {
        rgba_image img;
        text reason;
        if (!decode_image_file(path, img, reason)) {
            why = ts->file + ": the tileset picture " + path + " cannot be read: " + reason;
            return false;
        }
        it = images.emplace(path, std::move(img)).first;
    }
    const rgba_image& img = it->second;
    rgba_image piece;
    if (ts->image.empty()) {
        piece = img;
    } else {
        const int step_x = ts->tile_width + ts->spacing, step_y = ts->tile_height + ts->spacing;
        int columns = ts->columns > 0 ? ts->columns : (img.width - 2 * ts->margin + ts->spacing) / step_x;
        if (columns < 1) columns = 1;
        const long long col = local % static_cast<uint32_t>(columns), row = local / static_cast<uint32_t>(columns);
        const long long x0 = ts->margin + col * step_x, y0 = ts->margin + row * step_y;
        if (ts->tile_count > 0 && local >= static_cast<uint32_t>(ts->tile_count)) {
            why = m.file + ": the tileset " + ts->name + " has no tile " + std::to_string(local) + " (it has " +
                  std::to_string(ts->tile_count) + ")";
            return false;
        }
        if (x0 + ts->tile_width > img.width || y0 + ts->tile_height > img.height) {
            why = ts->file + ": tile " + std::to_string(local) + " of the tileset " + ts->name +
                  " lies outside its picture " + path;
            return false;
        }
        piece = cut(img, static_cast<int>(x0), static_cast<int>(y0), ts->tile_width, ts->tile_height);
    }
    out = scaled(flipped(piece, gid), w, h);
    return true;
}

void draw_over(rgba_image& dst, const rgba_image& src, double opacity) {
    const size_t n = std::min(dst.rgba.size(), src.rgba.size()) / 4;
    const double o = std::clamp(opacity, 0.0, 1.0);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* s = &src.rgba[i * 4];
        uint8_t* d = &dst.rgba[i * 4];
        const double sa = s[3] / 255.0 * o, da = d[3] / 255.0;
        const double oa = sa + da * (1 - sa);
        if (oa <= 0) continue;
        for (int k = 0; k < 3; ++k)
            d[k] = static_cast<uint8_t>(std::lround((s[k] * sa + d[k] * da * (1 - sa)) / oa));
        d[3] = static_cast<uint8_t>(std::lround(oa * 255));
    }
}

}  // namespace tw::tiled
