#include "support/media_files.h"

#include <algorithm>
#include <cmath>

#include "tools/encoders/encoders.h"

namespace tw::test {

void put16(Bytes& b, int v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// ===========================================================================
// Pictures
// ===========================================================================

Bytes bmp_file(int w, int h, int bpp, const Bytes& between, const Bytes& rows, int compression) {
    Bytes b{'B', 'M'};
    const uint32_t offset = 54 + static_cast<uint32_t>(between.size());
    put32(b, offset + static_cast<uint32_t>(rows.size()));
    put32(b, 0);
    put32(b, offset);
    put32(b, 40);
    put32(b, static_cast<uint32_t>(w));
    put32(b, static_cast<uint32_t>(h));
    put16(b, 1);
    put16(b, bpp);
    put32(b, static_cast<uint32_t>(compression));
    put32(b, static_cast<uint32_t>(rows.size()));
    put32(b, 2835);  // pixels per metre, both ways
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
    b.insert(b.end(), between.begin(), between.end());
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

std::vector<Rgba> framed_pixels(int w, int h, Rgba fill, Rgba border, int border_width) {
    std::vector<Rgba> pixels;
    pixels.reserve(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool edge =
                x < border_width || y < border_width || x >= w - border_width || y >= h - border_width;
            pixels.push_back(edge ? border : fill);
        }
    return pixels;
}

Bytes bmp_image(int w, int h, const std::vector<Rgba>& pixels) {
    const size_t row = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    Bytes rows;
    rows.reserve(row * static_cast<size_t>(h));
    for (int y = h - 1; y >= 0; --y) {  // bottom-up
        for (int x = 0; x < w; ++x) {
            const Rgba& c = pixels[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
            rows.insert(rows.end(), {c.b, c.g, c.r});
        }
        rows.resize(rows.size() + row - static_cast<size_t>(w) * 3, 0);
    }
    return bmp_file(w, h, 24, {}, rows);
}

Bytes solid_bmp(int w, int h, Rgba fill) {
    return bmp_image(w, h, std::vector<Rgba>(static_cast<size_t>(w) * static_cast<size_t>(h), fill));
}

namespace {

void put32_big(Bytes& b, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<uint8_t>(v >> shift));
}

uint32_t crc32(const Bytes& bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (uint8_t ch : bytes) {
        c ^= ch;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c ^ 0xFFFFFFFFu;
}

void png_chunk(Bytes& out, const char* type, const Bytes& data) {
    put32_big(out, static_cast<uint32_t>(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    put32_big(out, crc32(body));
}

}  // namespace

Bytes png_image(int w, int h, const std::vector<Rgba>& pixels) {
    Bytes raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);  // filter: none
        for (int x = 0; x < w; ++x) {
            const Rgba& p = pixels[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
            raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
        }
    }
    Bytes z{0x78, 0x01};
    size_t pos = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        z.push_back(pos + n == raw.size() ? 1 : 0);  // last block
        put16(z, static_cast<int>(n));
        put16(z, static_cast<int>(~n & 0xFFFF));
        z.insert(z.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + n));
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t ch : raw) {
        a = (a + ch) % 65521u;
        b = (b + a) % 65521u;
    }
    put32_big(z, (b << 16) | a);

    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    Bytes ihdr;
    put32_big(ihdr, static_cast<uint32_t>(w));
    put32_big(ihdr, static_cast<uint32_t>(h));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA
    png_chunk(out, "IHDR", ihdr);
    png_chunk(out, "IDAT", z);
    png_chunk(out, "IEND", {});
    return out;
}

Bytes solid_png(int w, int h, Rgba colour) {
    return png_image(w, h, std::vector<Rgba>(static_cast<size_t>(w) * static_cast<size_t>(h), colour));
}

Bytes tga_header(int type, int w, int h, int depth, int descriptor, int map_length, int map_bits) {
    Bytes b{0, static_cast<uint8_t>(map_length ? 1 : 0), static_cast<uint8_t>(type)};
    put16(b, 0);  // first colour map entry
    put16(b, map_length);
    b.push_back(static_cast<uint8_t>(map_bits));
    put16(b, 0);  // origin
    put16(b, 0);
    put16(b, w);
    put16(b, h);
    b.push_back(static_cast<uint8_t>(depth));
    b.push_back(static_cast<uint8_t>(descriptor));
    return b;
}

// ===========================================================================
// Sounds
// ===========================================================================

Bytes riff_wave(const std::vector<Chunk>& chunks, int lying_index, uint32_t lying_size) {
    Bytes b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (size_t i = 0; i < chunks.size(); ++i) {
        const auto& [id, body] = chunks[i];
        b.insert(b.end(), id.begin(), id.begin() + 4);
        put32(b, static_cast<int>(i) == lying_index ? lying_size : static_cast<uint32_t>(body.size()));
        b.insert(b.end(), body.begin(), body.end());
        if (body.size() & 1) b.push_back(0);
    }
    const uint32_t riff = static_cast<uint32_t>(b.size() - 8);
    for (int i = 0; i < 4; ++i) b[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(riff >> (8 * i));
    return b;
}

Chunk fmt_chunk(int tag, int channels, int rate, int bits) {
    Bytes f;
    put16(f, tag);
    put16(f, channels);
    put32(f, static_cast<uint32_t>(rate));
    put32(f, static_cast<uint32_t>(rate * channels * bits / 8));
    put16(f, channels * bits / 8);
    put16(f, bits);
    return {"fmt ", f};
}

Bytes pcm16_bytes(const std::vector<int16_t>& samples) {
    Bytes b;
    for (int16_t v : samples) put16(b, v);
    return b;
}

Bytes wave16(int channels, int rate, const std::vector<int16_t>& samples) {
    return riff_wave({fmt_chunk(1, channels, rate, 16), {"data", pcm16_bytes(samples)}});
}

Bytes encode_vorbis(int channels, int rate, const std::vector<float>& samples, float quality) {
    return encoders::ogg_vorbis(channels, rate, samples, quality, 1234);
}

std::vector<float> sine(int channels, int rate, size_t frames, double hz, double amp) {
    std::vector<float> s(frames * static_cast<size_t>(channels));
    for (size_t i = 0; i < frames; ++i)
        for (size_t c = 0; c < static_cast<size_t>(channels); ++c)
            s[i * static_cast<size_t>(channels) + c] =
                static_cast<float>(amp * std::sin(2 * M_PI * hz * static_cast<double>(i) / rate));
    return s;
}

}  // namespace tw::test
