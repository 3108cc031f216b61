// One image decoder at a time: each image harness gives every input the
// signature of its format, so that the whole input reaches that decoder
// instead of being turned away at the door.
#pragma once

#include <cstring>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "runtime/inspection.h"
#include "runtime/media_runtime.h"

namespace fuzz {

inline void register_image_decoders() {
    static const bool done = [] {
        tw::use_png_decoder();
        tw::use_jpeg_decoder();
        tw::use_tga_decoder();
        tw::use_tiff_decoder();
        return true;
    }();
    (void)done;
}

inline void check_image(const uint8_t* data, size_t size) {
    tw::rgba_image image;
    std::string why;
    if (tw::decode_image(data, size, image, &why)) {
        check(image.width >= 1 && image.width <= tw::max_image_side, "width within the limit");
        check(image.height >= 1 && image.height <= tw::max_image_side, "height within the limit");
        check(image.rgba.size() == static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4,
              "four bytes per pixel");
    } else {
        check(!why.empty(), "a refusal says why");
        check(image.width == 0 && image.height == 0 && image.rgba.empty(), "a refusal leaves no image");
    }
}

// The input with its first bytes replaced by (or, when shorter, completed
// with) the signature.
inline int fuzz_image_with_signature(const uint8_t* data, size_t size, const char* signature, size_t n) {
    register_image_decoders();
    std::vector<uint8_t> bytes(data, data + size);
    if (bytes.size() < n) bytes.resize(n);
    std::memcpy(bytes.data(), signature, n);
    check_image(bytes.data(), bytes.size());
    return 0;
}

}  // namespace fuzz
