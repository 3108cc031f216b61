// encoders: pictures and sounds encoded in memory with the real libraries
// (PNG, JPEG, TIFF, Ogg Vorbis). Shared by gen_assets, the fuzz seeds writer
// and the tests; each returns the file's bytes, or nothing when the library
// refused. The same input always gives the same bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace tw::encoders {

using Bytes = std::vector<uint8_t>;

struct PngColour {
    uint8_t r = 0, g = 0, b = 0;
};

struct PngPicture {
    int width = 1, height = 1;
    int colour_type = 2;  // PNG_COLOR_TYPE_RGB
    int depth = 8;
    bool interlaced = false;
    std::vector<PngColour> palette = {};
    Bytes trns = {};
    double gamma = 0;            // written as a gAMA chunk when non-zero
    int compression_level = -1;  // zlib's level; -1 leaves the library's default
    Bytes rows = {};             // packed rows as libpng expects them (16-bit big-endian)
};
Bytes png(const PngPicture& picture);

// `components` 1 (grey), 3 (RGB) or 4 (CMYK); pixels row by row.
Bytes jpeg(int width, int height, int components, const Bytes& pixels, int quality, bool progressive = false);

// 8-bit samples, 1 (grey), 3 (RGB) or 4 (RGB and an extra sample of kind
// `extra_kind`, an EXTRASAMPLE_ value); pixels row by row.
struct TiffPicture {
    int width = 1, height = 1;
    int samples = 3;
    int extra_kind = 2;    // EXTRASAMPLE_UNASSALPHA
    int compression = 5;   // COMPRESSION_LZW
    int rows_per_strip = 1;
    bool big_endian = false;
    Bytes pixels = {};
};
Bytes tiff(const TiffPicture& picture);

// Interleaved samples in -1..1 (clamped), in pieces of 1024 frames; the
// stream's serial number is fixed by the caller so the bytes are stable.
Bytes ogg_vorbis(int channels, int rate, const std::vector<float>& samples, float quality, int serial);

}  // namespace tw::encoders
