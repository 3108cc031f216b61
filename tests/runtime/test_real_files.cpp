// The decoders on files that nobody here wrote, from Debian packages that
// tools/install-deps.sh installs for this: gdk-pixbuf's installed tests
// (images with reference PNGs of what they show, and deliberately broken
// files), a sound theme (Ogg Vorbis), speech sound icons (WAV) and git's web
// pages (palette PNGs). Files are named, or read from a folder that only
// their package fills, so what else a machine has installed changes nothing.
// The README's set-up installs these packages: a missing file fails, naming
// its package.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "runtime/testing.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using tw::rgba_image;

namespace {

// ===========================================================================
// Finding the files
// ===========================================================================

struct Package {
    const char* name;
    const char* folder;  // ends with '/'
};
const Package pixbuf{"gdk-pixbuf-tests", "/usr/libexec/installed-tests/gdk-pixbuf/"};
const Package gitweb{"git", "/usr/share/gitweb/static/"};
const Package sound_theme{"sound-theme-freedesktop", "/usr/share/sounds/freedesktop/stereo/"};
const Package sound_icons{"sound-icons", "/usr/share/sounds/sound-icons/"};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool has_extension(const fs::path& p, std::initializer_list<const char*> extensions) {
    const std::string e = lower(p.extension().string());
    for (const char* x : extensions)
        if (e == x) return true;
    return false;
}

// Files under one of a package's folders with one of the extensions, in a
// fixed order. Fails the test when the folder is missing.
std::vector<fs::path> files_of(const Package& package, const char* folder,
                               std::initializer_list<const char*> extensions) {
    std::vector<fs::path> found;
    const fs::path root = fs::path(package.folder) / folder;
    std::error_code ec;
    if (!fs::is_directory(root, ec)) {
        ADD_FAILURE() << root << " is missing: tools/install-deps.sh installs it with the package " << package.name;
        return found;
    }
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        if (it->is_regular_file(ec) && has_extension(it->path(), extensions)) found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<uint8_t> bytes_of(const fs::path& p) {
    const std::string s = tw::test::read_file(p.string());
    return {s.begin(), s.end()};
}

// A listed file's bytes; a missing file fails the test, naming its package.
bool read_listed(const Package& package, const char* name, std::vector<uint8_t>& bytes) {
    const fs::path p = fs::path(package.folder) / name;
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) {
        ADD_FAILURE() << p << " is missing: tools/install-deps.sh installs it with the package " << package.name;
        return false;
    }
    bytes = bytes_of(p);
    return true;
}

bool decode(const fs::path& p, rgba_image& out, std::string& why) {
    return tw::decode_image_file(p.string(), out, why);
}

class RealFiles : public testing::Test {
protected:
    void SetUp() override {
        tw::use_png_decoder();
        tw::use_jpeg_decoder();
        tw::use_tga_decoder();
        tw::use_tiff_decoder();
        tw::use_ogg_decoder();
    }
};

// gdk-pixbuf's files that the engine refuses on purpose, each for its own
// reason: sides beyond the largest image it loads (a guard against absurd
// allocations), a CMYK JPEG (no colour model for game images), a PNG cut
// short and a JPEG without the JPEG signature (the engine shows no half
// images).
struct Refused {
    const char* name;
    const char* why;  // part of the reason given
};
const Refused refused_on_purpose[] = {
    {"large.png", "size out of range"},
    {"test-images/gif-test-suite/max-width.png", "size out of range"},
    {"test-images/gif-test-suite/max-height.png", "size out of range"},
    {"large.jpg", "size out of range"},
    {"issue205.jpg", "size out of range"},
    {"cve-2015-4491.bmp", "size out of range"},
    {"premature-end.jpg", "CMYK"},
    {"test-images/reftests/bug696331.png", "truncated"},
    {"bug775218.jpg", "unrecognised image format"},
};

bool is_refused_on_purpose(const fs::path& p) {
    for (const Refused& r : refused_on_purpose)
        if (p == fs::path(pixbuf.folder) / r.name) return true;
    return false;
}

}  // namespace

// ===========================================================================
// Images
// ===========================================================================

TEST_F(RealFiles, InstalledImagesDecode) {
    struct Listed {
        const Package& package;
        const char* name;
        int width, height;
    };
    const Listed listed[] = {
        // PNG: RGB, RGBA, an ICC profile, clear pixels, palettes of 2 and 8
        // bits.
        {pixbuf, "test-image.png", 89, 96},
        {pixbuf, "bug725582-testrotate.png", 428, 640},
        {pixbuf, "icc-profile.png", 48, 48},
        {pixbuf, "premature-end.png", 256, 256},
        {pixbuf, "test-images/gif-test-suite/high-color.png", 32, 32},
        {pixbuf, "test-images/gif-test-suite/four-colors-transparent.png", 2, 2},
        {pixbuf, "test-images/gif-test-suite/transparent-dot.png", 1, 1},
        {gitweb, "git-logo.png", 72, 27},
        {gitweb, "git-favicon.png", 16, 16},
        // JPEG: camera photos with EXIF (shown as stored, never turned), a
        // 13-megapixel one, grey, an ICC profile.
        {pixbuf, "bug143608-comment.jpg", 640, 428},
        {pixbuf, "bug725582-testrotate.jpg", 640, 428},
        {pixbuf, "issue70.jpg", 3120, 4208},
        {pixbuf, "test-images/reftests/cat.jpg", 512, 512},
        {pixbuf, "icc-profile.jpeg", 48, 48},
        {pixbuf, "dpi.jpeg", 48, 48},
        // TIFF, deflated.
        {pixbuf, "dpi.tiff", 48, 48},
        // TGA: true colour, grey and colour-mapped, packed and run-length,
        // every origin corner.
        {pixbuf, "test-images/reftests/tga/gtk-logo-16bpp-top-left.tga", 48, 48},
        {pixbuf, "test-images/reftests/tga/gtk-logo-rle-32bpp-bottom-left.tga", 48, 48},
        {pixbuf, "test-images/reftests/tga/gtk-logo-gray-rle-16bpp-top-right.tga", 48, 48},
        {pixbuf, "test-images/reftests/tga/gtk-logo-cmap-rle-8bpp-bottom-right.tga", 48, 48},
        {pixbuf, "test-images/reftests/rle-too-many-pixels.tga", 2, 2},
        // BMP with bit masks and alpha.
        {pixbuf, "test-images/reftests/mandatory-bitmasks.bmp", 350, 400},
    };
    for (const Listed& l : listed) {
        std::vector<uint8_t> b;
        if (!read_listed(l.package, l.name, b)) continue;
        rgba_image img;
        std::string why;
        EXPECT_TRUE(tw::decode_image(b.data(), b.size(), img, &why)) << l.name << ": " << why;
        EXPECT_EQ(img.width, l.width) << l.name;
        EXPECT_EQ(img.height, l.height) << l.name;
        EXPECT_EQ(img.rgba.size(), static_cast<size_t>(img.width) * static_cast<size_t>(img.height) * 4) << l.name;
    }
    for (const Refused& r : refused_on_purpose) {
        std::vector<uint8_t> b;
        if (!read_listed(pixbuf, r.name, b)) continue;
        rgba_image img;
        std::string why;
        EXPECT_FALSE(tw::decode_image(b.data(), b.size(), img, &why)) << r.name;
        EXPECT_NE(why.find(r.why), std::string::npos) << r.name << ": " << why;
        EXPECT_TRUE(img.rgba.empty()) << r.name;
    }
}

// gdk-pixbuf's reference tests: each image comes with a PNG of what it must
// show. TGA, BMP and PNG decode to exactly those pixels; JPEG within the
// rounding that differs between decoders.
TEST_F(RealFiles, ImagesShowWhatTheirReferencePngsShow) {
    int compared = 0;
    for (const fs::path& ref : files_of(pixbuf, "test-images/reftests", {".png"})) {
        const std::string name = ref.filename().string();
        if (name.size() < 9 || name.compare(name.size() - 8, 8, ".ref.png") != 0) continue;
        const fs::path image = ref.parent_path() / name.substr(0, name.size() - 8);
        if (!fs::is_regular_file(image) || !has_extension(image, {".tga", ".bmp", ".png", ".jpg"})) continue;
        if (is_refused_on_purpose(image)) continue;
        // Indices beyond a colour map that is too small: the engine shows
        // them opaque black, the library clear. Neither is the file's intent.
        if (name == "colormap-too-small.tga.ref.png") continue;

        rgba_image want, got;
        std::string why;
        ASSERT_TRUE(decode(ref, want, why)) << ref << ": " << why;
        ASSERT_TRUE(decode(image, got, why)) << image << ": " << why;
        ASSERT_EQ(got.width, want.width) << image;
        ASSERT_EQ(got.height, want.height) << image;
        const bool jpeg = has_extension(image, {".jpg"});
        long worst = 0, differing = 0;
        for (size_t i = 0; i < got.rgba.size(); i += 4) {
            // A clear pixel's colour is not part of the picture.
            if (want.rgba[i + 3] == 0 && got.rgba[i + 3] == 0) continue;
            long d = 0;
            for (size_t c = 0; c < 4; ++c) d = std::max<long>(d, std::labs(long(got.rgba[i + c]) - long(want.rgba[i + c])));
            worst = std::max(worst, d);
            if (d > 0) ++differing;
        }
        if (jpeg) {
            EXPECT_LE(worst, 24) << image;
        } else {
            EXPECT_EQ(differing, 0) << image << ": " << differing << " pixels differ, by up to " << worst;
        }
        ++compared;
    }
    // 44 TGAs, a BMP and a JPEG in the package this was written against.
    EXPECT_GE(compared, 40);
    RecordProperty("images_compared", compared);
}

// The library's collection of broken and randomly damaged files: refused or
// decoded, never a crash, and a decoded image is whole.
TEST_F(RealFiles, BrokenAndDamagedImagesNeverCrash) {
    std::vector<fs::path> files;
    for (const char* folder : {"test-images/fail", "test-images/randomly-modified"})
        for (const fs::path& p : files_of(pixbuf, folder, {".png", ".jpg", ".jpeg", ".tif", ".tiff", ".tga", ".bmp"}))
            files.push_back(p);
    EXPECT_GE(files.size(), 20u);
    for (const fs::path& p : files) {
        rgba_image img;
        std::string why;
        if (decode(p, img, why)) {
            EXPECT_GT(img.width, 0) << p;
            EXPECT_EQ(img.rgba.size(), static_cast<size_t>(img.width) * static_cast<size_t>(img.height) * 4) << p;
        } else {
            EXPECT_FALSE(why.empty()) << p;
            EXPECT_TRUE(img.rgba.empty()) << p;
        }
    }
}

// ===========================================================================
// Sounds
// ===========================================================================

// Ogg Vorbis at 8, 22.05, 44.1, 48 and 96 kHz, mono and stereo, and 16-bit
// WAV; each decodes to exactly as many frames as the file holds (for Ogg, the
// last page's position).
TEST_F(RealFiles, InstalledSoundsDecode) {
    struct Listed {
        const Package& package;
        const char* name;
        int channels, rate;
        size_t frames;
    };
    const Listed listed[] = {
        {sound_theme, "alarm-clock-elapsed.oga", 2, 48000, 294128},
        {sound_theme, "audio-channel-front-left.oga", 1, 48000, 71042},
        {sound_theme, "bell.oga", 2, 44100, 6151},
        {sound_theme, "camera-shutter.oga", 2, 96000, 83734},
        {sound_theme, "phone-outgoing-busy.oga", 1, 8000, 23078},
        {sound_theme, "service-login.oga", 2, 22050, 48066},
        {sound_theme, "suspend-error.oga", 1, 44100, 52569},
        {sound_icons, "canary-long.wav", 1, 16000, 11315},
        {sound_icons, "prompt.wav", 1, 16000, 20225},
        {sound_icons, "xylofon.wav", 1, 16000, 37141},
    };
    for (const Listed& l : listed) {
        std::vector<uint8_t> b;
        if (!read_listed(l.package, l.name, b)) continue;
        tw::pcm_sound pcm;
        std::string why;
        ASSERT_TRUE(tw::decode_sound(b.data(), b.size(), pcm, &why)) << l.name << ": " << why;
        EXPECT_EQ(pcm.channels, l.channels) << l.name;
        EXPECT_EQ(pcm.rate, l.rate) << l.name;
        EXPECT_EQ(pcm.samples.size(), l.frames * static_cast<size_t>(l.channels)) << l.name;
        // Not silence.
        EXPECT_TRUE(std::any_of(pcm.samples.begin(), pcm.samples.end(), [](int16_t s) { return std::abs(s) > 64; }))
            << l.name;
        // Through the runtime, as the engine loads its sound effects.
        const int handle = tw::load_sound(-1, (fs::path(l.package.folder) / l.name).string());
        EXPECT_NE(handle, 0) << l.name;
        tw::free_sound(handle);
    }
}
