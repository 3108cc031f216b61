// Writes the fuzzers' seed corpora: a few small, valid inputs per harness,
// images and sounds encoded with the real libraries or built byte by byte
// (tools/encoders, tests/support/media_files.h), text files taken from the
// sample game or written out below.
//
//   build-fuzz/fuzz/make_seeds fuzz/corpus      (from the repository's top)
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <png.h>
#include <tiffio.h>

#include "support/media_files.h"
#include "tools/encoders/encoders.h"

namespace fs = std::filesystem;
using tw::test::Bytes;
using tw::test::put16;
using tw::test::put32;

namespace {

// ===========================================================================
// Output
// ===========================================================================

fs::path corpus;

void put(const std::string& harness, const std::string& name, const Bytes& b) {
    fs::create_directories(corpus / harness);
    std::ofstream f(corpus / harness / name, std::ios::binary);
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

void put(const std::string& harness, const std::string& name, const std::string& s) {
    put(harness, name, Bytes(s.begin(), s.end()));
}

std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void copy_from_game(const std::string& harness, const std::string& relative) {
    const fs::path from = fs::path("game") / relative;
    if (fs::is_regular_file(from)) put(harness, from.filename().string(), slurp(from));
    else std::fprintf(stderr, "make_seeds: %s is missing, skipped\n", from.c_str());
}

std::string crlf(std::initializer_list<const char*> lines) {
    std::string s;
    for (const char* l : lines) s += std::string(l) + "\r\n";
    return s;
}

// A small test picture: a colour ramp with a clear corner.
Bytes pixels(int w, int h, int channels) {
    Bytes b;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c)
                b.push_back(static_cast<uint8_t>(c == 3 ? (x + y < 3 ? 0 : 255) : (x * 40 + y * 25 + c * 70)));
    return b;
}

// ===========================================================================
// Images
// ===========================================================================

Bytes png(int w, int h, int colour_type, int depth, bool interlaced, const Bytes& rows,
          const std::vector<tw::encoders::PngColour>& palette = {}, const Bytes& trns = {}) {
    return tw::encoders::png({.width = w, .height = h, .colour_type = colour_type, .depth = depth,
                              .interlaced = interlaced, .palette = palette, .trns = trns, .rows = rows});
}

Bytes jpeg(int w, int h, int components, bool progressive) {
    return tw::encoders::jpeg(w, h, components, pixels(w, h, components), 80, progressive);
}

Bytes tiff(int w, int h, int samples, int compression, bool big_endian) {
    return tw::encoders::tiff({.width = w, .height = h, .samples = samples, .extra_kind = EXTRASAMPLE_UNASSALPHA,
                               .compression = compression, .rows_per_strip = 2, .big_endian = big_endian,
                               .pixels = pixels(w, h, samples)});
}

Bytes tga(int type, int w, int h, int depth, int descriptor, const Bytes& map, int map_bits, const Bytes& body) {
    const int map_length = map.empty() ? 0 : static_cast<int>(map.size() / static_cast<size_t>(map_bits / 8));
    Bytes b = tw::test::tga_header(type, w, h, depth, descriptor, map_length, map_bits);
    b.insert(b.end(), map.begin(), map.end());
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

Bytes bmp(int w, int h, int bpp, int compression, const Bytes& extra, const Bytes& rows) {
    return tw::test::bmp_file(w, h, bpp, extra, rows, compression);
}

void write_images() {
    // PNG: RGBA, palette with transparency, 16-bit grey with alpha, interlaced RGB.
    put("fuzz_png", "rgba.png", png(6, 5, PNG_COLOR_TYPE_RGBA, 8, false, pixels(6, 5, 4)));
    Bytes indexed;
    for (int i = 0; i < 6 * 4; ++i) indexed.push_back(static_cast<uint8_t>(i % 3));
    put("fuzz_png", "palette.png",
        png(6, 4, PNG_COLOR_TYPE_PALETTE, 8, false, indexed, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {0, 128}));
    Bytes grey16;
    for (int i = 0; i < 4 * 3; ++i) {
        grey16.push_back(static_cast<uint8_t>(i * 20));
        grey16.push_back(0x80);
        grey16.push_back(0xFF);
        grey16.push_back(static_cast<uint8_t>(i));
    }
    put("fuzz_png", "grey16-alpha.png", png(4, 3, PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, grey16));
    put("fuzz_png", "interlaced.png", png(9, 9, PNG_COLOR_TYPE_RGB, 8, true, pixels(9, 9, 3)));
    copy_from_game("fuzz_png", "GFX/WORLD/mushroom.png");

    put("fuzz_jpeg", "rgb.jpg", jpeg(16, 12, 3, false));
    put("fuzz_jpeg", "grey.jpg", jpeg(9, 7, 1, false));
    put("fuzz_jpeg", "progressive.jpg", jpeg(17, 9, 3, true));

    put("fuzz_tiff", "rgba-lzw.tif", tiff(6, 5, 4, COMPRESSION_LZW, false));
    put("fuzz_tiff", "rgb-plain-be.tif", tiff(5, 4, 3, COMPRESSION_NONE, true));
    put("fuzz_tiff", "grey-deflate.tif", tiff(7, 3, 1, COMPRESSION_ADOBE_DEFLATE, false));
    put("fuzz_tiff", "rgb-packbits.tif", tiff(8, 4, 3, COMPRESSION_PACKBITS, false));

    // TGA: true colour bottom-up, run-length top-down with alpha, colour-mapped, 16-bit.
    put("fuzz_tga", "truecolour.tga", tga(2, 4, 3, 24, 0, {}, 0, pixels(4, 3, 3)));
    Bytes rle;
    for (int run = 0; run < 3; ++run) {
        rle.push_back(0x83);  // four pixels of one colour
        for (uint8_t c : {uint8_t(10 * run), uint8_t(200), uint8_t(90), uint8_t(255)}) rle.push_back(c);
        rle.push_back(0x00);  // one literal pixel
        for (uint8_t c : {uint8_t(1), uint8_t(2), uint8_t(3), uint8_t(128)}) rle.push_back(c);
    }
    put("fuzz_tga", "rle-alpha.tga", tga(10, 5, 3, 32, 0x28, {}, 0, rle));
    Bytes map{0, 0, 255, 0, 255, 0, 255, 0, 0};
    Bytes idx;
    for (int i = 0; i < 12; ++i) idx.push_back(static_cast<uint8_t>(i % 3));
    put("fuzz_tga", "mapped.tga", tga(1, 4, 3, 8, 0, map, 24, idx));
    Bytes rgb555;
    for (int i = 0; i < 6; ++i) put16(rgb555, 0x7C00 >> (i % 3 * 5));
    put("fuzz_tga", "rgb555.tga", tga(2, 3, 2, 16, 0, {}, 0, rgb555));

    // BMP: 24-bit bottom-up (padded rows), 8-bit palette, 32-bit with alpha masks, top-down 4-bit.
    Bytes rows24;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x)
            for (int c = 0; c < 3; ++c) rows24.push_back(static_cast<uint8_t>(x * 60 + y * 20 + c * 5));
        for (int pad = 0; pad < 3; ++pad) rows24.push_back(0);
    }
    put("fuzz_bmp", "rgb24.bmp", bmp(3, 3, 24, 0, {}, rows24));
    Bytes palette{0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
    Bytes rows8{0, 1, 2, 0, 2, 1, 0, 0};
    put("fuzz_bmp", "palette8.bmp", bmp(3, 2, 8, 0, palette, rows8));
    Bytes masks;
    for (uint32_t m : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) put32(masks, m);
    Bytes rows32 = pixels(2, 2, 4);
    put("fuzz_bmp", "bitfields32.bmp", bmp(2, 2, 32, 3, masks, rows32));
    Bytes rows4{0x01, 0x20, 0, 0, 0x12, 0x00, 0, 0};
    Bytes top_down = bmp(3, 2, 4, 0, palette, rows4);
    const uint32_t negative = static_cast<uint32_t>(-2);
    for (int i = 0; i < 4; ++i) top_down[22 + i] = static_cast<uint8_t>(negative >> (8 * i));
    top_down[46] = 3;  // three colours used
    put("fuzz_bmp", "topdown4.bmp", top_down);
}

// ===========================================================================
// Sounds
// ===========================================================================

Bytes wave(int format, int channels, int rate, int bits, const Bytes& data, bool extra_chunk) {
    std::vector<tw::test::Chunk> chunks;
    if (extra_chunk) chunks.push_back({"LIST", Bytes{'I', 'N', 'F', 'O', 'x'}});
    chunks.push_back(tw::test::fmt_chunk(format, channels, rate, bits));
    chunks.push_back({"data", data});
    return tw::test::riff_wave(chunks);
}

Bytes vorbis(int channels, int rate, int frames) {
    std::vector<float> samples;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) samples.push_back(0.5f * static_cast<float>(std::sin(i * 0.05 * (c + 1))));
    return tw::encoders::ogg_vorbis(channels, rate, samples, 0.1f, 77);
}

void write_sounds() {
    Bytes pcm8, pcm16, f32;
    for (int i = 0; i < 64; ++i) pcm8.push_back(static_cast<uint8_t>(128 + 100 * std::sin(i * 0.3)));
    for (int i = 0; i < 64; ++i) put16(pcm16, static_cast<int>(20000 * std::sin(i * 0.2)));
    for (int i = 0; i < 16; ++i) {
        float v = 0.25f * static_cast<float>(i % 5);
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        put32(f32, bits);
    }
    put("fuzz_wav", "mono8.wav", wave(1, 1, 8000, 8, pcm8, false));
    put("fuzz_wav", "stereo16-list.wav", wave(1, 2, 22050, 16, pcm16, true));
    put("fuzz_wav", "float32.wav", wave(3, 1, 44100, 32, f32, false));

    put("fuzz_ogg", "mono.ogg", vorbis(1, 8000, 600));
    put("fuzz_ogg", "stereo.ogg", vorbis(2, 22050, 900));
    copy_from_game("fuzz_ogg", "SFX/count.ogg");
}

// ===========================================================================
// Text files
// ===========================================================================

void write_texts() {
    copy_from_game("fuzz_config", "DATA/ini.txt");
    put("fuzz_config", "limits.txt",
        crlf({"MAPSIZE", "5000", "CURSORSPEED", "300", "MULTITASK", "-5", "WORLDRANDOM", "-17", "WINDOWMODE", "257",
              "USESPRITE3D", "0", "FULLSCREENZOOM", " 1.5e2x", "RESOLUTION", "-32", "WORLDREFRESH"}));
    put("fuzz_config", "shifted.txt", std::string("APPNAME\nshifted\n\nMAPSIZE\n-3\rLOGFILE\0x\nLOGPATH", 40));

    copy_from_game("fuzz_definitions", "GFX/WORLD/coin.dll");
    copy_from_game("fuzz_definitions", "GFX/WORLD/watcher.dll");
    put("fuzz_definitions", "odd.dll",
        crlf({"DGFXNAME", "#", "DSCORE ", "12", "DFITTOMATRIX", "257", "DSCORE", " 12abc", "DHOTSPOT"}));

    copy_from_game("fuzz_object_file", "TYPES/LABY/LAB_FLOOR");
    copy_from_game("fuzz_object_file", "TYPES/LABY/LAB_WALL");
    put("fuzz_object_file", "children.txt",
        crlf({"CHILD1", "oak", "CHILD2", "fern", "CHILD5", "#", "CHILD3", "coin", "CHILD2", "#", "TRANSPARENCY",
              "300", "USECOLLISION", "256", "USEENEMY", "1", "GFXNAME"}));

    copy_from_game("fuzz_world_base", "DATA/world.base");
    put("fuzz_world_base", "small.txt", crlf({"base", "10", "6", "3", ""}));
    put("fuzz_world_base", "negative.txt", crlf({"base", "-8", "1", "-3"}));

    put("fuzz_saved_world", "two-by-three.txt",
        crlf({"isle", "1", "2", "", "", "0", "128", "0", "0", "0", "255", "12", "200", "7", "012", "200", "007",
              "0", "128", "0", "1", "1", "1"}) +
            "@@RED@@\n" + crlf({"", "", "", "", "", "255", "0", "128", "255", "-4", "300"}));
    put("fuzz_saved_world", "head-only.txt", crlf({"isle", "3", "3", "", ""}));
    put("fuzz_saved_world", "short.txt", crlf({"isle", "2", "1", "", "", "9", "9"}) + "@@RED@@\n" + "a\nb\n");

    copy_from_game("fuzz_font", "DATA/font.txt");
    put("fuzz_font", "specials.txt", std::string("Aa I.\\|7\xfc\xdf\xc4 B\r\nsecond line\n"));

    put("fuzz_script", "play.txt",
        "# a game\njoystick\nat 0 key 205 down\nat 60 key 205 up\nat 61 button 2 down\nat 62 axis x -1\n"
        "at 100 screenshot /tmp/shot one.png\nat 120 dump dump.txt\nat 130 fault\nat 140 quit\n");
    put("fuzz_script", "bad.txt", "at 10 quit\r\nat ten quit\r\n");
    put("fuzz_script", "recording.txt",
        "display 640x360\nseed 4294967295\nat 60 check 29078ff51b19cc1b d24b9bb2a6be\nat 65 key 205 down\n"
        "at 70 check 0123456789abcdef 00\nat 70 quit\n");
}

}  // namespace

int main(int argc, char** argv) {
    corpus = argc > 1 ? argv[1] : "fuzz/corpus";
    write_images();
    write_sounds();
    write_texts();
    std::printf("seeds written to %s\n", corpus.c_str());
    return 0;
}
