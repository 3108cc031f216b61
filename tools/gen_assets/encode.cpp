#include "encode.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "tools/encoders/encoders.h"

namespace gen {

namespace {

// Creates the folder that will hold `path`.
bool make_parent(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ec);
    return !ec;
}

uint8_t to_byte(float v) { return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f)); }

}  // namespace

// ===========================================================================
// PNG
// ===========================================================================

bool write_png(const std::string& path, const Canvas& c, PngKind kind) {
    const bool alpha = kind == PngKind::keyed;
    const int channels = alpha ? 4 : 3;
    tw::encoders::Bytes data(static_cast<size_t>(c.w) * c.h * channels);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            const Colour& p = c.at(x, y);
            uint8_t* o = &data[(static_cast<size_t>(y) * c.w + x) * channels];
            if (!alpha) {
                o[0] = to_byte(p.r), o[1] = to_byte(p.g), o[2] = to_byte(p.b);
                continue;
            }
            uint8_t a = to_byte(p.a);
            if (a == 0) {
                o[0] = o[1] = o[2] = 255, o[3] = 0;
                continue;
            }
            o[0] = to_byte(p.r), o[1] = to_byte(p.g), o[2] = to_byte(p.b), o[3] = a;
            if (o[0] == 255 && o[1] == 255 && o[2] == 255) o[2] = 254;
        }
    const int colour_type = alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB;
    const tw::encoders::Bytes bytes = tw::encoders::png(
        {.width = c.w, .height = c.h, .colour_type = colour_type, .compression_level = 9, .rows = std::move(data)});
    return !bytes.empty() && write_bytes(path, std::string(bytes.begin(), bytes.end()));
}

// ===========================================================================
// Ogg Vorbis
// ===========================================================================

bool write_ogg(const std::string& path, const std::vector<float>& samples, int rate, float quality) {
    // A fixed serial number keeps the bytes stable.
    const tw::encoders::Bytes bytes = tw::encoders::ogg_vorbis(1, rate, samples, quality, 0x54574731);
    return !bytes.empty() && write_bytes(path, std::string(bytes.begin(), bytes.end()));
}

// ===========================================================================
// Text and bytes
// ===========================================================================

bool write_bytes(const std::string& path, const std::string& bytes) {
    if (!make_parent(path)) return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string crlf_lines(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\r\n";
    return s;
}

}  // namespace gen
