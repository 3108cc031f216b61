// Pictures and sounds made in code for the tests, the benchmarks and the fuzz
// seeds: BMP, TGA and RIFF WAVE byte by byte, small PNGs with stored
// (uncompressed) deflate blocks, and Ogg Vorbis through the real encoder.
// Nothing here needs the engine or GoogleTest.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tw::test {

using Bytes = std::vector<uint8_t>;

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

// Little-endian values appended to `b`.
void put16(Bytes& b, int v);
void put32(Bytes& b, uint32_t v);

// ===========================================================================
// Pictures
// ===========================================================================

// A BITMAPINFOHEADER bitmap: `between` (palette as BGRA, or colour masks)
// goes between the header and the rows; rows as stored (already padded).
Bytes bmp_file(int w, int h, int bpp, const Bytes& between, const Bytes& rows, int compression = 0);
// Pixels w * h, rows top to bottom: one colour, with a border
// `border_width` pixels wide in another.
std::vector<Rgba> framed_pixels(int w, int h, Rgba fill, Rgba border, int border_width);
// 24-bit bitmaps (alpha dropped). The engine recognises pictures by content,
// so any name works, and it reads BMP without registering a decoder.
Bytes bmp_image(int w, int h, const std::vector<Rgba>& pixels);
Bytes solid_bmp(int w, int h, Rgba fill);

// RGBA PNGs, 8 bits.
Bytes png_image(int w, int h, const std::vector<Rgba>& pixels);
Bytes solid_png(int w, int h, Rgba colour);

// The 18-byte header of a TGA file; the colour map and the pixels follow.
Bytes tga_header(int type, int w, int h, int depth, int descriptor, int map_length = 0, int map_bits = 0);

// ===========================================================================
// Sounds
// ===========================================================================

using Chunk = std::pair<std::string, Bytes>;

// "RIFF" size "WAVE" and the chunks in order, each padded to an even length;
// chunk `lying_index` declares `lying_size` instead of its real size.
Bytes riff_wave(const std::vector<Chunk>& chunks, int lying_index = -1, uint32_t lying_size = 0);
Chunk fmt_chunk(int tag, int channels, int rate, int bits);
Bytes pcm16_bytes(const std::vector<int16_t>& samples);
// A 16-bit PCM wave of interleaved samples.
Bytes wave16(int channels, int rate, const std::vector<int16_t>& samples);

// Interleaved float samples (-1..1) as Ogg Vorbis; empty when the encoder
// refuses the format.
Bytes encode_vorbis(int channels, int rate, const std::vector<float>& samples, float quality = 0.6f);

// A sine of `hz` at amplitude `amp`, `frames` long, in every channel.
std::vector<float> sine(int channels, int rate, size_t frames, double hz, double amp);

}  // namespace tw::test
