#include "support/screenshot.h"

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "support/test_support.h"

namespace tw::test {

const uint8_t* Screenshot::pixel(int x, int y) const {
    return &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
}

uint32_t Screenshot::rgb(int x, int y) const {
    const uint8_t* p = pixel(x, y);
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

bool Screenshot::is(int x, int y, Rgba c) const {
    const uint8_t* p = pixel(x, y);
    return p[0] == c.r && p[1] == c.g && p[2] == c.b;
}

int Screenshot::count(Rgba c) const {
    int n = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) n += is(x, y, c) ? 1 : 0;
    return n;
}

Screenshot read_screenshot(const std::string& path) {
    Screenshot s;
    use_png_decoder();
    const std::string bytes = read_file(path);
    rgba_image image;
    s.ok = !bytes.empty() && decode_image(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image);
    if (s.ok) {
        s.width = image.width;
        s.height = image.height;
        s.rgba = std::move(image.rgba);
    }
    return s;
}

}  // namespace tw::test
