// A tiny PNG writer for the view tests: RGBA, 8 bits, stored (uncompressed)
// deflate blocks. Enough to give the runtime real image files to decode
// without shipping binary test data.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace tw::test {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

inline uint32_t png_crc(const std::string& bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char ch : bytes) {
        c ^= ch;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c ^ 0xFFFFFFFFu;
}

inline void png_put32(std::string& s, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) s.push_back(static_cast<char>((v >> shift) & 0xFF));
}

inline void png_chunk(std::string& out, const std::string& type, const std::string& data) {
    png_put32(out, static_cast<uint32_t>(data.size()));
    std::string body = type + data;
    out += body;
    png_put32(out, png_crc(body));
}

// pixels: width * height, rows top to bottom.
inline std::string make_png(int width, int height, const std::vector<Rgba>& pixels) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0');  // filter: none
        for (int x = 0; x < width; ++x) {
            const Rgba& p = pixels[static_cast<size_t>(y * width + x)];
            raw.push_back(static_cast<char>(p.r));
            raw.push_back(static_cast<char>(p.g));
            raw.push_back(static_cast<char>(p.b));
            raw.push_back(static_cast<char>(p.a));
        }
    }
    std::string z = "\x78\x01";
    size_t pos = 0;
    do {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        bool last = pos + n == raw.size();
        z.push_back(last ? '\x01' : '\x00');
        z.push_back(static_cast<char>(n & 0xFF));
        z.push_back(static_cast<char>(n >> 8));
        z.push_back(static_cast<char>(~n & 0xFF));
        z.push_back(static_cast<char>((~n >> 8) & 0xFF));
        z += raw.substr(pos, n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char ch : raw) {
        a = (a + ch) % 65521u;
        b = (b + a) % 65521u;
    }
    png_put32(z, (b << 16) | a);

    std::string out = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    png_put32(ihdr, static_cast<uint32_t>(width));
    png_put32(ihdr, static_cast<uint32_t>(height));
    ihdr += std::string("\x08\x06\x00\x00\x00", 5);
    png_chunk(out, "IHDR", ihdr);
    png_chunk(out, "IDAT", z);
    png_chunk(out, "IEND", "");
    return out;
}

inline std::string solid_png(int width, int height, Rgba colour) {
    return make_png(width, height, std::vector<Rgba>(static_cast<size_t>(width * height), colour));
}

}  // namespace tw::test
