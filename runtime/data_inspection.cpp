// data_inspection: what the data checker asks of the runtime. It reads and
// decodes files exactly as load_sprite and load_sound do, but keeps the
// pixels and the reason for a failure, tells which host path a data path
// resolves to, and writes the checker's world maps as PNG files.
#include <sys/stat.h>

#include <png.h>

#include "runtime/media_runtime.h"
#include "runtime/platform.h"

namespace tw {

namespace {

// ===========================================================================
// Limits: the same as the sprite and sound loaders use
// ===========================================================================

constexpr size_t max_image_file = size_t{256} * 1024 * 1024;
constexpr size_t max_sound_file = size_t{256} * 1024 * 1024;

enum class entry_kind { missing, file, folder };

entry_kind kind_of(const std::string& host) {
    struct stat st;
    if (host.empty() || stat(host.c_str(), &st) != 0) return entry_kind::missing;
    return S_ISDIR(st.st_mode) ? entry_kind::folder : entry_kind::file;
}

// Reads the whole file, or says why it cannot be read.
bool read_for_decoding(const text& path, size_t limit, std::vector<uint8_t>& bytes, text& why) {
    const std::string host = platform::resolve_path(path);
    switch (kind_of(host)) {
        case entry_kind::missing:
            why = "no such file";
            return false;
        case entry_kind::folder:
            why = "a folder, not a file";
            return false;
        case entry_kind::file:
            break;
    }
    if (!platform::read_whole_file(path, bytes, limit)) {
        why = "cannot be read (or larger than " + int_to_text(static_cast<int32_t>(limit >> 20)) + " MB)";
        return false;
    }
    return true;
}

}  // namespace

// ===========================================================================
// Paths
// ===========================================================================

text resolved_path(const text& path) { return platform::resolve_path(path); }

bool folder_exists(const text& path) { return kind_of(platform::resolve_path(path)) == entry_kind::folder; }

// ===========================================================================
// Decoding
// ===========================================================================

bool decode_image_file(const text& path, decoded_image& out, text& why) {
    out = decoded_image{};
    std::vector<uint8_t> bytes;
    if (!read_for_decoding(path, max_image_file, bytes, why)) return false;
    platform::Image image;
    std::string reason;
    if (!platform::decode_image(bytes.data(), bytes.size(), image, &reason)) {
        why = reason.empty() ? text("not a readable image") : text(reason);
        return false;
    }
    out.width = image.width;
    out.height = image.height;
    out.has_alpha = image.has_alpha;
    out.rgba = std::move(image.rgba);
    return true;
}

bool decode_sound_file(const text& path, text& why) {
    std::vector<uint8_t> bytes;
    if (!read_for_decoding(path, max_sound_file, bytes, why)) return false;
    platform::Pcm pcm;
    std::string reason;
    if (!platform::decode_sound(bytes.data(), bytes.size(), pcm, &reason)) {
        why = reason.empty() ? text("not a readable sound") : text(reason);
        return false;
    }
    return true;
}

// ===========================================================================
// Writing
// ===========================================================================

bool save_png(const text& path, const std::vector<uint8_t>& rgba, int width, int height) {
    if (width <= 0 || height <= 0) return false;
    if (rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) return false;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    const std::string host = platform::resolve_path(path);
    const int ok = png_image_write_to_file(&image, host.c_str(), 0, rgba.data(), width * 4, nullptr);
    png_image_free(&image);
    return ok != 0;
}

}  // namespace tw
