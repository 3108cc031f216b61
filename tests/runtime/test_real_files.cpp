// The decoders on files that nobody here wrote: the images and sounds that
// Debian's packages install (icon themes, sound themes, the test images of
// an image library). Each test skips when the machine has no such files.
//
// tools/install-deps.sh installs two packages for this: a sound theme (Ogg
// Vorbis) and gdk-pixbuf's installed tests, whose images come with reference
// PNGs of what they show, and with deliberately broken files.
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

namespace fs = std::filesystem;
using tw::rgba_image;

namespace {

// ===========================================================================
// Finding the files
// ===========================================================================

const char* const pixbuf_tests = "/usr/libexec/installed-tests/gdk-pixbuf";

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

// Files under `root` with one of the extensions, in a fixed order. Folders
// that hold deliberately broken files are left out unless asked for.
std::vector<fs::path> find_files(const fs::path& root, std::initializer_list<const char*> extensions,
                                 bool broken_too = false) {
    std::vector<fs::path> found;
    std::error_code ec;
    if (!fs::is_directory(root, ec)) return found;
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        const std::string name = it->path().filename().string();
        if (!broken_too && it->is_directory(ec) && (name == "fail" || name == "randomly-modified")) {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file(ec) && has_extension(it->path(), extensions)) found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// At most n of them, spread evenly, so that a machine with thousands of icons
// still runs the test quickly.
std::vector<fs::path> spread(const std::vector<fs::path>& all, size_t n) {
    if (all.size() <= n) return all;
    std::vector<fs::path> picked;
    for (size_t i = 0; i < n; ++i) picked.push_back(all[i * all.size() / n]);
    return picked;
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

// Files among gdk-pixbuf's tests that the engine refuses on purpose: sides
// beyond the largest image it loads (a guard against absurd allocations), a
// CMYK JPEG (no colour model for game images), a PNG cut short and a JPEG
// without the JPEG signature (the engine shows no half images).
bool refused_on_purpose(const fs::path& p) {
    static const char* const names[] = {"large.png",        "large.jpg",         "max-width.png",
                                        "max-height.png",    "issue205.jpg",      "cve-2015-4491.bmp",
                                        "premature-end.jpg", "bug696331.png",     "bug775218.jpg"};
    const std::string name = p.filename().string();
    if (p.string().rfind(pixbuf_tests, 0) != 0) return false;
    for (const char* n : names)
        if (name == n) return true;
    return false;
}

}  // namespace

// ===========================================================================
// Images
// ===========================================================================

TEST_F(RealFiles, InstalledImagesDecode) {
    struct Kind {
        const char* name;
        std::initializer_list<const char*> extensions;
        size_t limit;
    };
    const Kind kinds[] = {{"PNG", {".png"}, 300},
                          {"JPEG", {".jpg", ".jpeg"}, 40},
                          {"TIFF", {".tif", ".tiff"}, 40},
                          {"TGA", {".tga"}, 80},
                          {"BMP", {".bmp"}, 40}};
    int tried = 0;
    for (const Kind& k : kinds) {
        std::vector<fs::path> files = find_files("/usr/share", k.extensions);
        for (const fs::path& p : find_files(pixbuf_tests, k.extensions)) files.push_back(p);
        for (const fs::path& p : spread(files, k.limit)) {
            rgba_image img;
            std::string why;
            ++tried;
            if (refused_on_purpose(p)) {
                EXPECT_FALSE(decode(p, img, why)) << p;
                continue;
            }
            EXPECT_TRUE(decode(p, img, why)) << k.name << " " << p << ": " << why;
            EXPECT_EQ(img.rgba.size(), static_cast<size_t>(img.width) * static_cast<size_t>(img.height) * 4) << p;
        }
    }
    if (tried == 0) GTEST_SKIP() << "no installed images on this machine";
    RecordProperty("images_decoded", tried);
}

// gdk-pixbuf's reference tests: each image comes with a PNG of what it must
// show. TGA, BMP and PNG decode to exactly those pixels; JPEG within the
// rounding that differs between decoders.
TEST_F(RealFiles, ImagesShowWhatTheirReferencePngsShow) {
    int compared = 0;
    for (const fs::path& ref : find_files(fs::path(pixbuf_tests) / "test-images" / "reftests", {".png"})) {
        const std::string name = ref.filename().string();
        if (name.size() < 9 || name.compare(name.size() - 8, 8, ".ref.png") != 0) continue;
        const fs::path image = ref.parent_path() / name.substr(0, name.size() - 8);
        if (!fs::is_regular_file(image) || !has_extension(image, {".tga", ".bmp", ".png", ".jpg"})) continue;
        if (refused_on_purpose(image)) continue;
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
    if (compared == 0) GTEST_SKIP() << "gdk-pixbuf's reference images are not installed";
    RecordProperty("images_compared", compared);
}

// The library's collection of broken and randomly damaged files: refused or
// decoded, never a crash, and a decoded image is whole.
TEST_F(RealFiles, BrokenAndDamagedImagesNeverCrash) {
    const fs::path root = fs::path(pixbuf_tests) / "test-images";
    std::vector<fs::path> files = find_files(root / "fail", {".png", ".jpg", ".jpeg", ".tif", ".tiff", ".tga", ".bmp"}, true);
    for (const fs::path& p :
         find_files(root / "randomly-modified", {".png", ".jpg", ".jpeg", ".tif", ".tiff", ".tga", ".bmp"}, true))
        files.push_back(p);
    if (files.empty()) GTEST_SKIP() << "gdk-pixbuf's broken test images are not installed";
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

TEST_F(RealFiles, InstalledOggVorbisSoundsDecode) {
    const std::vector<fs::path> files = spread(find_files("/usr/share/sounds", {".ogg", ".oga"}), 40);
    if (files.empty()) GTEST_SKIP() << "no installed Ogg Vorbis sounds on this machine";
    for (const fs::path& p : files) {
        tw::pcm_sound pcm;
        std::string why;
        ASSERT_TRUE(tw::decode_sound_file(p.string(), pcm, why)) << p << ": " << why;
        EXPECT_GE(pcm.channels, 1) << p;
        EXPECT_LE(pcm.channels, 8) << p;
        EXPECT_GE(pcm.rate, 8000) << p;
        EXPECT_EQ(pcm.samples.size() % static_cast<size_t>(pcm.channels), 0u) << p;
        // Vorbis compresses about ten to one: a real sound decodes to more
        // samples than the file has bytes divided by ten.
        EXPECT_GT(pcm.samples.size() * 2, fs::file_size(p)) << p;
        // Not silence.
        EXPECT_TRUE(std::any_of(pcm.samples.begin(), pcm.samples.end(), [](int16_t s) { return std::abs(s) > 64; }))
            << p;
        // Through the runtime, as the engine loads its sound effects.
        const int handle = tw::load_sound(-1, p.string());
        EXPECT_NE(handle, 0) << p;
        tw::free_sound(handle);
    }
}
