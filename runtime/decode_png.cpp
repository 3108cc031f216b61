// PNG through libpng's full interface: raw sample values, no gamma applied.
#include <cstring>
#include <vector>

#include <png.h>

#include "runtime/decoders.h"

namespace tw::platform {

namespace {

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

struct PngJob {
    PngSource src;
    rgba_image* out;
    std::vector<png_bytep>* rows;
    const char* reason;
};

void png_read_memory(png_structp png, png_bytep dest, png_size_t length) {
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > src->size - src->pos) png_error(png, "truncated");
    std::memcpy(dest, src->data + src->pos, length);
    src->pos += length;
}

void png_silent_warning(png_structp, png_const_charp) {}

void png_fatal(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// The setjmp frame: holds no object with a destructor, so a jump back from
// inside libpng skips nothing that needs cleaning up. Everything it fills
// lives in the caller.
bool png_run(png_structp png, png_infop info, PngJob* job) {
    if (setjmp(png_jmpbuf(png))) {
        if (!job->reason) job->reason = "corrupt or truncated PNG data";
        return false;
    }
    png_set_read_fn(png, &job->src, png_read_memory);
    png_read_info(png, info);

    png_uint_32 w = 0, h = 0;
    int depth = 0, type = 0, interlace = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &type, &interlace, nullptr, nullptr);
    if (!side_ok(w, h)) {
        job->reason = "image size out of range";
        return false;
    }
    const bool has_trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    const bool has_alpha = (type & PNG_COLOR_MASK_ALPHA) != 0 || has_trns;

    if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (has_trns) png_set_tRNS_to_alpha(png);
    if (depth == 16) png_set_scale_16(png);
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (!has_alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 4) {
        job->reason = "unsupported PNG pixel layout";
        return false;
    }

    start_image(*job->out, static_cast<int>(w), static_cast<int>(h), has_alpha);
    job->rows->resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        (*job->rows)[y] = job->out->rgba.data() + static_cast<size_t>(y) * w * 4;
    png_read_image(png, job->rows->data());
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

bool decode_png(const uint8_t* data, size_t size, rgba_image& out, text* why) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_fatal, png_silent_warning);
    if (!png) return fail(why, "out of memory");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return fail(why, "out of memory");
    }
    std::vector<png_bytep> rows;
    PngJob job{{data, size, 0}, &out, &rows, nullptr};
    const bool ok = png_run(png, info, &job);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        clear_image(out);
        return fail(why, job.reason);
    }
    return true;
}

}  // namespace tw::platform
