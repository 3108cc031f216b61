// Image decoders, on files written with the real libraries (PNG, JPEG, TIFF)
// or byte by byte (TGA, BMP, which have no library on this system).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>

#include <png.h>
#include <tiffio.h>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "support/media_files.h"
#include "support/test_support.h"
#include "tools/encoders/encoders.h"

using namespace tw;
using test::Bytes;
using test::bmp_file;
using test::tga_header;

namespace {

// ===========================================================================
// Writers
// ===========================================================================

// PNG, JPEG and TIFF through the real libraries; TGA and BMP byte by byte.
using encoders::PngPicture;

Bytes write_png(const PngPicture& s) { return encoders::png(s); }

Bytes write_jpeg(int w, int h, int components, const Bytes& pixels, int quality = 95) {
    return encoders::jpeg(w, h, components, pixels, quality);
}

// 8-bit TIFF with 3 or 4 samples; the fourth is written as `extra`.
Bytes write_tiff(int w, int h, int samples, int extra, const Bytes& pixels, int compression = COMPRESSION_LZW) {
    return encoders::tiff({.width = w, .height = h, .samples = samples, .extra_kind = extra,
                           .compression = compression, .pixels = pixels});
}

// ===========================================================================
// Checking
// ===========================================================================

const uint8_t* px(const rgba_image& img, int x, int y) { return &img.rgba[(y * img.width + x) * 4]; }

testing::AssertionResult pixel_near(const rgba_image& img, int x, int y, std::array<int, 4> want,
                                    int tolerance = 0) {
    const uint8_t* p = px(img, x, y);
    for (int i = 0; i < 4; ++i)
        if (std::abs(p[i] - want[i]) > tolerance)
            return testing::AssertionFailure()
                   << "pixel (" << x << "," << y << ") is " << int(p[0]) << "," << int(p[1]) << ","
                   << int(p[2]) << "," << int(p[3]) << ", wanted " << want[0] << "," << want[1]
                   << "," << want[2] << "," << want[3] << " within " << tolerance;
    return testing::AssertionSuccess();
}

rgba_image decode_ok(const Bytes& b) {
    rgba_image img;
    std::string why;
    EXPECT_TRUE(decode_image(b.data(), b.size(), img, &why)) << why;
    EXPECT_EQ(img.rgba.size(), static_cast<size_t>(img.width) * img.height * 4);
    return img;
}

std::string refusal(const Bytes& b) {
    rgba_image img;
    std::string why;
    const bool ok = decode_image(b.data(), b.size(), img, &why);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(img.rgba.empty());
    EXPECT_EQ(img.width, 0);
    return ok ? "(accepted)" : why;
}

class DecodeImage : public testing::Test {
protected:
    void SetUp() override {
        use_png_decoder();
        use_jpeg_decoder();
        use_tga_decoder();
        use_tiff_decoder();
    }
};

}  // namespace

// ===========================================================================
// PNG
// ===========================================================================

TEST_F(DecodeImage, PngPaletteWithTransparencyAndLowDepthGrey) {
    PngPicture s;
    s.width = 4;
    s.colour_type = PNG_COLOR_TYPE_PALETTE;
    s.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
    s.trns = {0, 128};  // entries past the list stay opaque
    s.rows = {0, 1, 2, 3};
    rgba_image img = decode_ok(write_png(s));
    EXPECT_TRUE(img.has_alpha);
    EXPECT_TRUE(pixel_near(img, 0, 0, {255, 0, 0, 0}));
    EXPECT_TRUE(pixel_near(img, 1, 0, {0, 255, 0, 128}));
    EXPECT_TRUE(pixel_near(img, 2, 0, {0, 0, 255, 255}));
    EXPECT_TRUE(pixel_near(img, 3, 0, {10, 20, 30, 255}));

    PngPicture g;  // 1-bit grey, no alpha: 0 and 1 become black and white
    g.width = 8;
    g.colour_type = PNG_COLOR_TYPE_GRAY;
    g.depth = 1;
    g.rows = {0b10100000};
    img = decode_ok(write_png(g));
    EXPECT_FALSE(img.has_alpha);
    EXPECT_TRUE(pixel_near(img, 0, 0, {255, 255, 255, 255}));
    EXPECT_TRUE(pixel_near(img, 1, 0, {0, 0, 0, 255}));
    EXPECT_TRUE(pixel_near(img, 2, 0, {255, 255, 255, 255}));
}

TEST_F(DecodeImage, PngSixteenBitGreyAlphaAndGammaIsNotApplied) {
    PngPicture s;  // 16-bit RGBA with a strong gAMA chunk: raw values must come through
    s.width = 2;
    s.colour_type = PNG_COLOR_TYPE_RGBA;
    s.depth = 16;
    s.gamma = 0.2;
    s.rows = {0x80, 0x00, 0x40, 0x00, 0xFF, 0xFF, 0x80, 0x00,  // (0.5, 0.25, 1, 0.5)
              0x00, 0x00, 0x12, 0x34, 0xC0, 0x00, 0xFF, 0xFF};
    rgba_image img = decode_ok(write_png(s));
    EXPECT_TRUE(img.has_alpha);
    EXPECT_TRUE(pixel_near(img, 0, 0, {128, 64, 255, 128}, 1));
    EXPECT_TRUE(pixel_near(img, 1, 0, {0, 18, 192, 255}, 1));

    PngPicture g;  // grey + alpha becomes grey RGB with its alpha
    g.width = 2;
    g.colour_type = PNG_COLOR_TYPE_GRAY_ALPHA;
    g.rows = {77, 200, 250, 0};
    img = decode_ok(write_png(g));
    EXPECT_TRUE(img.has_alpha);
    EXPECT_TRUE(pixel_near(img, 0, 0, {77, 77, 77, 200}));
    EXPECT_TRUE(pixel_near(img, 1, 0, {250, 250, 250, 0}));
}

TEST_F(DecodeImage, PngInterlacedEveryPixelInPlace) {
    PngPicture s;
    s.width = 13;
    s.height = 11;
    s.interlaced = true;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            s.rows.push_back(static_cast<uint8_t>(x * 19));
            s.rows.push_back(static_cast<uint8_t>(y * 23));
            s.rows.push_back(static_cast<uint8_t>(x * y));
        }
    rgba_image img = decode_ok(write_png(s));
    ASSERT_EQ(img.width, 13);
    ASSERT_EQ(img.height, 11);
    EXPECT_FALSE(img.has_alpha);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            ASSERT_TRUE(pixel_near(img, x, y, {x * 19, y * 23, x * y, 255}));
}

// ===========================================================================
// JPEG
// ===========================================================================

TEST_F(DecodeImage, JpegRgbAndGreyWithinTolerance) {
    // Top half one colour, bottom half another: checks values and row order.
    const int w = 16, h = 16;
    Bytes rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool top = y < h / 2;
            rgb.push_back(top ? 200 : 20);
            rgb.push_back(top ? 100 : 60);
            rgb.push_back(top ? 50 : 220);
        }
    rgba_image img = decode_ok(write_jpeg(w, h, 3, rgb));
    ASSERT_EQ(img.width, w);
    EXPECT_FALSE(img.has_alpha);
    EXPECT_TRUE(pixel_near(img, 4, 2, {200, 100, 50, 255}, 6));
    EXPECT_TRUE(pixel_near(img, 11, 13, {20, 60, 220, 255}, 6));

    rgba_image grey = decode_ok(write_jpeg(w, h, 1, Bytes(w * h, 77)));
    EXPECT_FALSE(grey.has_alpha);
    EXPECT_TRUE(pixel_near(grey, 7, 7, {77, 77, 77, 255}, 2));
}

TEST_F(DecodeImage, JpegCmykAndTruncatedAreRefused) {
    EXPECT_NE(refusal(write_jpeg(8, 8, 4, Bytes(8 * 8 * 4, 30))).find("CMYK"), std::string::npos);

    Bytes rgb(64 * 64 * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 7);
    Bytes whole = write_jpeg(64, 64, 3, rgb);
    Bytes cut(whole.begin(), whole.begin() + whole.size() / 2);
    EXPECT_NE(refusal(cut).find("truncated"), std::string::npos);
}

// ===========================================================================
// TIFF
// ===========================================================================

TEST_F(DecodeImage, TiffUnassociatedAlphaIsNotPremultipliedAndRowsStartAtTop) {
    const Bytes pixels = {200, 100, 50, 128, 10, 20, 30, 255,   // row 0
                          255, 255, 255, 0, 40, 80, 120, 64};   // row 1
    rgba_image img = decode_ok(write_tiff(2, 2, 4, EXTRASAMPLE_UNASSALPHA, pixels));
    EXPECT_TRUE(img.has_alpha);
    EXPECT_TRUE(pixel_near(img, 0, 0, {200, 100, 50, 128}, 2));
    EXPECT_TRUE(pixel_near(img, 1, 0, {10, 20, 30, 255}));
    EXPECT_EQ(px(img, 0, 1)[3], 0);
    EXPECT_TRUE(pixel_near(img, 1, 1, {40, 80, 120, 64}, 4));

    // Associated alpha is stored premultiplied; the image comes out straight.
    const Bytes assoc = {100, 50, 25, 128};
    img = decode_ok(write_tiff(1, 1, 4, EXTRASAMPLE_ASSOCALPHA, assoc, COMPRESSION_NONE));
    EXPECT_TRUE(pixel_near(img, 0, 0, {199, 100, 50, 128}, 2));

    img = decode_ok(write_tiff(1, 2, 3, 0, {1, 2, 3, 4, 5, 6}, COMPRESSION_DEFLATE));
    EXPECT_FALSE(img.has_alpha);
    EXPECT_TRUE(pixel_near(img, 0, 0, {1, 2, 3, 255}));
    EXPECT_TRUE(pixel_near(img, 0, 1, {4, 5, 6, 255}));
}

// ===========================================================================
// TGA
// ===========================================================================

TEST_F(DecodeImage, TgaRunLengthBottomUpAndTopDownAlpha) {
    // 3 x 2, 24-bit RLE, stored bottom row first: a run of three blue pixels,
    // then a raw packet of red, green, white.
    Bytes rle = tga_header(10, 3, 2, 24, 0);
    const Bytes body = {0x82, 255, 0, 0,                       // run x3 of BGR (255,0,0) = blue
                        0x02, 0, 0, 255, 0, 255, 0, 255, 255, 255};  // raw x3
    rle.insert(rle.end(), body.begin(), body.end());
    rgba_image img = decode_ok(rle);
    ASSERT_EQ(img.width, 3);
    ASSERT_EQ(img.height, 2);
    EXPECT_FALSE(img.has_alpha);
    EXPECT_TRUE(pixel_near(img, 0, 1, {0, 0, 255, 255}));   // bottom row: blue
    EXPECT_TRUE(pixel_near(img, 2, 1, {0, 0, 255, 255}));
    EXPECT_TRUE(pixel_near(img, 0, 0, {255, 0, 0, 255}));   // top row: red green white
    EXPECT_TRUE(pixel_near(img, 1, 0, {0, 255, 0, 255}));
    EXPECT_TRUE(pixel_near(img, 2, 0, {255, 255, 255, 255}));

    // 32-bit, top-down (bit 5) and right-to-left (bit 4), with real alpha.
    Bytes raw = tga_header(2, 2, 1, 32, 0x20 | 0x10 | 8);
    const Bytes pix = {1, 2, 3, 40, 4, 5, 6, 255};
    raw.insert(raw.end(), pix.begin(), pix.end());
    img = decode_ok(raw);
    EXPECT_TRUE(img.has_alpha);
    EXPECT_TRUE(pixel_near(img, 0, 0, {6, 5, 4, 255}));
    EXPECT_TRUE(pixel_near(img, 1, 0, {3, 2, 1, 40}));

    // 32-bit whose alpha bytes are all zero is opaque padding.
    Bytes pad = tga_header(2, 1, 1, 32, 0x20);
    pad.insert(pad.end(), {9, 8, 7, 0});
    img = decode_ok(pad);
    EXPECT_FALSE(img.has_alpha);
    EXPECT_TRUE(pixel_near(img, 0, 0, {7, 8, 9, 255}));
}

TEST_F(DecodeImage, TgaColourMappedAndSixteenBit) {
    Bytes m = tga_header(1, 3, 1, 8, 0x20, 2, 24);
    m.insert(m.end(), {0, 0, 255, 255, 0, 0});  // map: red, blue (BGR)
    m.insert(m.end(), {1, 0, 7});               // 7 lies outside the map: black
    rgba_image img = decode_ok(m);
    EXPECT_TRUE(pixel_near(img, 0, 0, {0, 0, 255, 255}));
    EXPECT_TRUE(pixel_near(img, 1, 0, {255, 0, 0, 255}));
    EXPECT_TRUE(pixel_near(img, 2, 0, {0, 0, 0, 255}));

    Bytes s = tga_header(2, 2, 1, 16, 0x20 | 1);  // one alpha bit declared
    s.insert(s.end(), {0x00, 0xFC, 0x1F, 0x00});  // opaque red (bit 15 set), transparent blue
    img = decode_ok(s);
    EXPECT_TRUE(img.has_alpha);
    EXPECT_TRUE(pixel_near(img, 0, 0, {255, 0, 0, 255}));
    EXPECT_TRUE(pixel_near(img, 1, 0, {0, 0, 255, 0}));
}

// ===========================================================================
// BMP
// ===========================================================================

TEST_F(DecodeImage, BmpBottomUpPaddedPaletteTopDownAndAlpha) {
    // 3 x 2 24-bit, bottom-up, rows padded to 12 bytes.
    Bytes rows = {255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0,          // bottom: blue green red
                  1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0};               // top
    rgba_image img = decode_ok(bmp_file(3, 2, 24, {}, rows));
    ASSERT_EQ(img.height, 2);
    EXPECT_FALSE(img.has_alpha);
    EXPECT_TRUE(pixel_near(img, 0, 1, {0, 0, 255, 255}));
    EXPECT_TRUE(pixel_near(img, 2, 1, {255, 0, 0, 255}));
    EXPECT_TRUE(pixel_near(img, 0, 0, {3, 2, 1, 255}));
    EXPECT_TRUE(pixel_near(img, 2, 0, {9, 8, 7, 255}));

    // 8-bit palette, top-down (negative height).
    Bytes pal = {0, 0, 0, 0, 50, 100, 150, 0};
    Bytes idx = {1, 0, 0, 0, 0, 1, 0, 0};
    Bytes b = bmp_file(2, -2, 8, pal, idx);
    img = decode_ok(b);
    EXPECT_TRUE(pixel_near(img, 0, 0, {150, 100, 50, 255}));
    EXPECT_TRUE(pixel_near(img, 1, 1, {150, 100, 50, 255}));
    EXPECT_TRUE(pixel_near(img, 1, 0, {0, 0, 0, 255}));

    // 32-bit: zero fourth bytes are padding, anything else is alpha.
    img = decode_ok(bmp_file(1, 1, 32, {}, {10, 20, 30, 0}));
    EXPECT_FALSE(img.has_alpha);
    EXPECT_TRUE(pixel_near(img, 0, 0, {30, 20, 10, 255}));
    img = decode_ok(bmp_file(2, 1, 32, {}, {10, 20, 30, 0, 1, 2, 3, 99}));
    EXPECT_TRUE(img.has_alpha);
    EXPECT_TRUE(pixel_near(img, 0, 0, {30, 20, 10, 0}));
    EXPECT_TRUE(pixel_near(img, 1, 0, {3, 2, 1, 99}));
}

TEST_F(DecodeImage, BmpIsDecodedWithoutRegistration) {
    // Registration only ever adds decoders, so this holds whatever ran before.
    rgba_image img = decode_ok(bmp_file(1, 1, 24, {}, {1, 2, 3, 0}));
    EXPECT_EQ(img.width, 1);
}

// ===========================================================================
// Sizes from headers are not trusted
// ===========================================================================

TEST_F(DecodeImage, OversizeAndEmptyImagesAreRefusedBeforeAllocating) {
    const int over = max_image_side + 1;
    PngPicture wide;
    wide.width = over;
    wide.colour_type = PNG_COLOR_TYPE_GRAY;
    wide.rows.assign(over, 0);
    EXPECT_FALSE(refusal(write_png(wide)).empty());
    wide.width = max_image_side;  // the limit itself is allowed
    wide.rows.assign(wide.width, 0);
    EXPECT_EQ(decode_ok(write_png(wide)).width, max_image_side);

    EXPECT_NE(refusal(write_jpeg(over, 1, 1, Bytes(over, 0))).find("size"), std::string::npos);
    EXPECT_NE(refusal(write_tiff(over, 1, 3, 0, Bytes(over * 3, 0))).find("size"), std::string::npos);

    // Headers that promise far more than the file holds.
    EXPECT_NE(refusal(bmp_file(20000, 20000, 24, {}, {1, 2, 3, 0})).find("size"), std::string::npos);
    EXPECT_NE(refusal(bmp_file(8000, 8000, 24, {}, {1, 2, 3, 0})).find("truncated"), std::string::npos);
    EXPECT_FALSE(refusal(bmp_file(0, 5, 24, {}, {})).empty());
    Bytes tga = tga_header(2, 8000, 8000, 32, 0);
    tga.resize(tga.size() + 64);
    EXPECT_NE(refusal(tga).find("truncated"), std::string::npos);
    Bytes tga_rle = tga_header(10, 8000, 8000, 32, 0);
    tga_rle.insert(tga_rle.end(), {0xFF, 1, 2, 3, 4});
    EXPECT_NE(refusal(tga_rle).find("truncated"), std::string::npos);
}

TEST_F(DecodeImage, TruncatedCorruptAndGarbageInputNeverCrashes) {
    PngPicture p;
    p.width = 9;
    p.height = 7;
    p.interlaced = true;
    for (int i = 0; i < 9 * 7 * 3; ++i) p.rows.push_back(static_cast<uint8_t>(i * 37));
    Bytes tga = tga_header(10, 4, 4, 24, 0);
    tga.insert(tga.end(), {0x8F, 1, 2, 3});
    Bytes rgb(24 * 24 * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 13);
    Bytes rgba(8 * 8 * 4, 99);
    const std::vector<std::pair<const char*, Bytes>> samples = {
        {"png", write_png(p)},
        {"jpeg", write_jpeg(24, 24, 3, rgb)},
        {"tiff", write_tiff(8, 8, 4, EXTRASAMPLE_UNASSALPHA, rgba)},
        {"tga", tga},
        {"bmp", bmp_file(3, 2, 24, {}, Bytes(24, 7))},
    };
    for (const auto& [name, whole] : samples) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(whole.empty());
        // Every shorter file either decodes consistently or is refused cleanly;
        // half a file is always refused.
        for (size_t n = 0; n < whole.size(); n += 1 + whole.size() / 97) {
            rgba_image img;
            const bool ok = decode_image(whole.data(), n, img);
            if (ok) {
                ASSERT_EQ(img.rgba.size(), static_cast<size_t>(img.width) * img.height * 4);
            } else {
                ASSERT_TRUE(img.rgba.empty());
            }
        }
        Bytes half(whole.begin(), whole.begin() + whole.size() / 2);
        refusal(half);
        // Flipped bytes anywhere after the signature.
        for (size_t at = 2; at < whole.size(); at += 1 + whole.size() / 61) {
            for (uint8_t mask : {0xFF, 0x80, 0x01}) {
                Bytes bad = whole;
                bad[at] ^= mask;
                rgba_image img;
                if (decode_image(bad.data(), bad.size(), img)) {
                    ASSERT_EQ(img.rgba.size(), static_cast<size_t>(img.width) * img.height * 4);
                } else {
                    ASSERT_TRUE(img.rgba.empty());
                }
            }
        }
    }
    EXPECT_NE(refusal(Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0}).find("unrecognised"),
              std::string::npos);
    EXPECT_FALSE(refusal(Bytes{}).empty());
    EXPECT_FALSE(refusal(Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}).empty());
}

// Inputs the fuzzers found: a few hundred bytes that claim a picture of a
// gigabyte. They must be refused, not decoded into a huge buffer.
TEST(DecodeImageFindings, TinyFilesClaimingHugePicturesAreRefused) {
    for (const char* name : {"jpeg-784-bytes-claims-16384x16384.jpg", "tiff-316-bytes-claims-16384x15104.tif"}) {
        const std::string bytes = tw::test::read_file(std::string(TILEWORLD_SOURCE_DIR) + "/fuzz/findings/" + name);
        ASSERT_FALSE(bytes.empty()) << name;
        use_jpeg_decoder();
        use_tiff_decoder();
        rgba_image img;
        std::string why;
        EXPECT_FALSE(decode_image(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), img, &why)) << name;
        EXPECT_TRUE(img.rgba.empty()) << name;
    }
}

// ===========================================================================
// What is left of the picture budget
// ===========================================================================

TEST_F(DecodeImage, APictureLargerThanTheAllowanceIsRefusedInEveryFormatBeforeItsPixels) {
    const int w = 40, h = 30;
    const Bytes rgb(static_cast<size_t>(w) * h * 3, 100);
    const std::vector<Bytes> files = {
        test::png_image(w, h, std::vector<test::Rgba>(static_cast<size_t>(w) * h, {1, 2, 3, 255})),
        write_jpeg(w, h, 3, rgb), write_tiff(w, h, 3, 0, rgb), test::solid_bmp(w, h, {1, 2, 3, 255})};
    for (const Bytes& file : files) {
        rgba_image img;
        std::string why;
        bool over = false;
        EXPECT_FALSE(decode_image(file.data(), file.size(), img, &why, w * h - 1, &over));
        EXPECT_TRUE(over);
        EXPECT_TRUE(img.rgba.empty());
        EXPECT_NE(why.find("picture budget"), std::string::npos) << why;
        EXPECT_TRUE(decode_image(file.data(), file.size(), img, &why, w * h, &over)) << why;
        EXPECT_FALSE(over);
        // The allowance is for one call only.
        EXPECT_TRUE(decode_image(file.data(), file.size(), img, &why)) << why;
    }
}
