// Image decoding behind load_sprite: the format is chosen by the file's
// content (a signature; TGA, which has none, by a plausible header) and the
// decoder of runtime/decode_<format>.cpp turns it into straight-alpha RGBA
// rows from top to bottom.
#include <cstring>

#include "runtime/decoders.h"
#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Registration: PNG, JPEG, TGA and TIFF are decoded only once the engine asked
// for them; BMP is the device-native bitmap and always available.
// ===========================================================================

namespace {
bool png_enabled = false;
bool jpeg_enabled = false;
bool tga_enabled = false;
bool tiff_enabled = false;

bool starts_with(const uint8_t* data, size_t size, const char* magic, size_t n) {
    return size >= n && std::memcmp(data, magic, n) == 0;
}
}  // namespace

void use_png_decoder() { png_enabled = true; }
void use_jpeg_decoder() { jpeg_enabled = true; }
void use_tga_decoder() { tga_enabled = true; }
void use_tiff_decoder() { tiff_enabled = true; }

// ===========================================================================
// Detection
// ===========================================================================

namespace {

bool decode_any(const uint8_t* data, size_t size, rgba_image& out, text* why) {
    using namespace platform;
    if (!data || size == 0) return fail(why, "empty file");
    if (starts_with(data, size, "\x89PNG\r\n\x1a\n", 8)) {
        if (!png_enabled) return fail(why, "PNG decoder not registered");
        return decode_png(data, size, out, why);
    }
    if (starts_with(data, size, "\xff\xd8\xff", 3)) {
        if (!jpeg_enabled) return fail(why, "JPEG decoder not registered");
        return decode_jpeg(data, size, out, why);
    }
    if (starts_with(data, size, "II*\0", 4) || starts_with(data, size, "MM\0*", 4) ||
        starts_with(data, size, "II+\0", 4) || starts_with(data, size, "MM\0+", 4)) {
        if (!tiff_enabled) return fail(why, "TIFF decoder not registered");
        return decode_tiff(data, size, out, why);
    }
    if (starts_with(data, size, "BM", 2)) return decode_bmp(data, size, out, why);
    if (tga_plausible(data, size)) {
        if (!tga_enabled) return fail(why, "TGA decoder not registered");
        return decode_tga(data, size, out, why);
    }
    return fail(why, "unrecognised image format");
}

}  // namespace

bool decode_image(const uint8_t* data, size_t size, rgba_image& out, text* why, long long pixel_allowance,
                  bool* over_allowance) {
    platform::clear_image(out);
    platform::pixel_allowance() = {pixel_allowance, false};
    const bool ok = decode_any(data, size, out, why);
    const bool exceeded = platform::pixel_allowance().exceeded;
    platform::pixel_allowance() = {};
    if (over_allowance) *over_allowance = exceeded;
    if (exceeded && why) *why = "over the picture budget";
    return ok;
}

}  // namespace tw
