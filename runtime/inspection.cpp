// inspection: files read and decoded exactly as load_sprite and load_sound
// read them, with the pixels and samples kept and the reason for a failure
// given; and the one PNG writer (world maps, screenshots).
#include <png.h>

#include "runtime/inspection.h"
#include "runtime/platform.h"

namespace tw {

namespace {

// ===========================================================================
// Reading: the same limits as the sprite and sound loaders
// ===========================================================================

constexpr size_t max_image_file = size_t{256} * 1024 * 1024;
constexpr size_t max_sound_file = size_t{256} * 1024 * 1024;

using platform::entry_kind;

entry_kind kind_of(const std::string& host) {
    return host.empty() ? entry_kind::missing : platform::host_stat(host).kind;
}

// Reads the whole file and decodes it, or says why it cannot.
template <class Record, class Decoder>
bool decode_file(const text& path, size_t limit, Record& out, text& why, Decoder decode,
                 const char* unreadable) {
    out = Record{};
    switch (kind_of(resolved_path(path))) {
        case entry_kind::missing:
            why = "no such file";
            return false;
        case entry_kind::folder:
            why = "a folder, not a file";
            return false;
        case entry_kind::file:
        case entry_kind::other:
            break;
    }
    std::vector<uint8_t> bytes;
    if (!platform::read_whole_file(path, bytes, limit)) {
        why = "cannot be read (or larger than " + int_to_text(static_cast<int32_t>(limit >> 20)) + " MB)";
        return false;
    }
    text reason;
    if (!decode(bytes.data(), bytes.size(), out, &reason)) {
        why = reason.empty() ? text(unreadable) : reason;
        return false;
    }
    return true;
}

}  // namespace

bool decode_image_file(const text& path, rgba_image& out, text& why) {
    return decode_file(
        path, max_image_file, out, why,
        [](const uint8_t* d, size_t n, rgba_image& o, text* w) { return decode_image(d, n, o, w); },
        "not a readable image");
}

bool decode_sound_file(const text& path, pcm_sound& out, text& why) {
    return decode_file(
        path, max_sound_file, out, why,
        [](const uint8_t* d, size_t n, pcm_sound& o, text* w) { return decode_sound(d, n, o, w); },
        "not a readable sound");
}

// ===========================================================================
// Writing
// ===========================================================================

namespace {

// The image as libpng's simplified writer takes it: RGBA, or RGB when the
// image has no alpha of its own. false when the image has no pixels.
bool png_layout(const rgba_image& image, png_image& png, std::vector<uint8_t>& rgb, const uint8_t*& rows,
                int& stride) {
    const int w = image.width, h = image.height;
    if (w <= 0 || h <= 0) return false;
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    if (image.rgba.size() != pixels * 4) return false;
    const int channels = image.has_alpha ? 4 : 3;
    if (!image.has_alpha) {
        rgb.resize(pixels * 3);
        for (size_t i = 0; i < pixels; ++i)
            for (size_t c = 0; c < 3; ++c) rgb[i * 3 + c] = image.rgba[i * 4 + c];
    }
    png = png_image{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(w);
    png.height = static_cast<png_uint_32>(h);
    png.format = image.has_alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    rows = image.has_alpha ? image.rgba.data() : rgb.data();
    stride = w * channels;
    return true;
}

}  // namespace

bool save_png(const text& path, const rgba_image& image) {
    png_image png{};
    std::vector<uint8_t> rgb;
    const uint8_t* rows = nullptr;
    int stride = 0;
    if (!png_layout(image, png, rgb, rows, stride)) return false;
    const std::string host = resolved_path(path);
    const int ok = png_image_write_to_file(&png, host.c_str(), 0, rows, stride, nullptr);
    png_image_free(&png);
    return ok != 0;
}

bool encode_png(const rgba_image& image, std::vector<uint8_t>& png_bytes) {
    png_bytes.clear();
    png_image png{};
    std::vector<uint8_t> rgb;
    const uint8_t* rows = nullptr;
    int stride = 0;
    if (!png_layout(image, png, rgb, rows, stride)) return false;
    // The first call measures, the second writes.
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, rows, stride, nullptr)) {
        png_image_free(&png);
        return false;
    }
    png_bytes.resize(size);
    const int ok = png_image_write_to_memory(&png, png_bytes.data(), &size, 0, rows, stride, nullptr);
    png_image_free(&png);
    png_bytes.resize(ok ? size : 0);
    return ok != 0;
}

}  // namespace tw
