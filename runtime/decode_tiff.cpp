// TIFF through libtiff over memory, read as RGBA with the first row at the
// top.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <tiffio.h>

#include "runtime/decoders.h"

namespace tw::platform {

namespace {

struct TiffSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

tmsize_t tiff_read(thandle_t h, void* buf, tmsize_t n) {
    auto* s = static_cast<TiffSource*>(h);
    if (n <= 0 || s->pos >= s->size) return 0;
    size_t count = static_cast<size_t>(n);
    if (count > s->size - s->pos) count = s->size - s->pos;
    std::memcpy(buf, s->data + s->pos, count);
    s->pos += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t tiff_write(thandle_t, void*, tmsize_t) { return 0; }

toff_t tiff_seek(thandle_t h, toff_t off, int whence) {
    auto* s = static_cast<TiffSource*>(h);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = s->pos;
    else if (whence == SEEK_END) base = s->size;
    else if (whence != SEEK_SET) return static_cast<toff_t>(-1);
    // Offsets from the file are untrusted: a seek past the end is allowed (the
    // following read returns nothing) but never wraps.
    if (off > UINT64_MAX - base) return static_cast<toff_t>(-1);
    s->pos = static_cast<size_t>(base + off);
    return s->pos;
}

int tiff_close(thandle_t) { return 0; }
toff_t tiff_size(thandle_t h) { return static_cast<TiffSource*>(h)->size; }
int tiff_map(thandle_t, void**, toff_t*) { return 0; }
void tiff_unmap(thandle_t, void*, toff_t) {}

int tiff_silent(TIFF*, void*, const char*, const char*, va_list) { return 1; }
void tiff_silent_global(const char*, const char*, va_list) {}

}  // namespace

bool decode_tiff(const uint8_t* data, size_t size, rgba_image& out, text* why) {
    static std::once_flag silence;
    std::call_once(silence, [] {
        TIFFSetErrorHandler(tiff_silent_global);
        TIFFSetWarningHandler(tiff_silent_global);
    });
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    if (!opts) return fail(why, "out of memory");
    TIFFOpenOptionsSetErrorHandlerExtR(opts, tiff_silent, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, tiff_silent, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, 512 * 1024 * 1024);
    TiffSource src{data, size, 0};
    TIFF* tif = TIFFClientOpenExt("memory", "rm", &src, tiff_read, tiff_write, tiff_seek,
                                  tiff_close, tiff_size, tiff_map, tiff_unmap, opts);
    TIFFOpenOptionsFree(opts);
    if (!tif) return fail(why, "corrupt TIFF data");

    bool ok = false;
    const char* reason = "unsupported TIFF layout";
    char emsg[1024] = {0};
    TIFFRGBAImage img;
    std::memset(&img, 0, sizeof img);
    if (TIFFRGBAImageOK(tif, emsg) && TIFFRGBAImageBegin(&img, tif, 0, emsg)) {
        if (!side_ok(img.width, img.height)) {
            reason = "image size out of range";
        } else {
            const int w = static_cast<int>(img.width);
            const int h = static_cast<int>(img.height);
            // libtiff hands back alpha premultiplied whatever the file said;
            // img.alpha is non-zero exactly when it did so.
            const bool alpha = img.alpha != 0;
            start_image(out, w, h, alpha);
            img.req_orientation = ORIENTATION_TOPLEFT;
            auto* raster = reinterpret_cast<uint32_t*>(out.rgba.data());
            if (TIFFRGBAImageGet(&img, raster, img.width, img.height)) {
                ok = true;
                const size_t n = static_cast<size_t>(w) * h;
                for (size_t i = 0; i < n; ++i) {
                    const uint32_t p = raster[i];
                    uint8_t* q = out.rgba.data() + i * 4;
                    int r = static_cast<int>(TIFFGetR(p)), g = static_cast<int>(TIFFGetG(p));
                    int b = static_cast<int>(TIFFGetB(p)), a = static_cast<int>(TIFFGetA(p));
                    if (alpha && a > 0 && a < 255) {
                        r = std::min(255, (r * 255 + a / 2) / a);
                        g = std::min(255, (g * 255 + a / 2) / a);
                        b = std::min(255, (b * 255 + a / 2) / a);
                    }
                    q[0] = static_cast<uint8_t>(r);
                    q[1] = static_cast<uint8_t>(g);
                    q[2] = static_cast<uint8_t>(b);
                    q[3] = static_cast<uint8_t>(alpha ? a : 255);
                }
            } else {
                reason = "corrupt or truncated TIFF data";
            }
        }
        TIFFRGBAImageEnd(&img);
    }
    TIFFClose(tif);
    if (!ok) {
        clear_image(out);
        return fail(why, reason);
    }
    return true;
}

}  // namespace tw::platform
