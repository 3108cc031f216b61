// JPEG through libjpeg, with an error manager that jumps back instead of
// exiting.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "runtime/decoders.h"

namespace tw::platform {

namespace {

// Progressive files may carry any number of scans, each one a full pass over
// the coefficients; past this many the file is a trap, not a picture.
constexpr int jpeg_max_scans = 500;

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    bool truncated;
    const char* reason;
};

void jpeg_fatal(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void jpeg_silent_output(j_common_ptr) {}

// Warnings are silent; running out of data is remembered so that a truncated
// file is refused rather than shown with its missing part filled in grey.
void jpeg_note_message(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    if (level < 0) {
        if (cinfo->err->msg_code == JWRN_JPEG_EOF) err->truncated = true;
        cinfo->err->num_warnings++;
    }
}

void jpeg_watch_scans(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > jpeg_max_scans) {
        reinterpret_cast<JpegError*>(cinfo->err)->reason = "too many JPEG scans";
        std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
    }
}

struct JpegJob {
    const uint8_t* data;
    size_t size;
    rgba_image* out;
    jpeg_progress_mgr* progress;
};

// The setjmp frame, free of objects with destructors (see png_run).
bool jpeg_run(jpeg_decompress_struct* cinfo, JpegError* err, JpegJob* job) {
    if (setjmp(err->jump)) {
        if (!err->reason) err->reason = "corrupt JPEG data";
        return false;
    }
    jpeg_create_decompress(cinfo);
    cinfo->progress = job->progress;  // creating the struct cleared it
    cinfo->mem->max_memory_to_use = 1024L * 1024L * 1024L;
    jpeg_mem_src(cinfo, job->data, static_cast<unsigned long>(job->size));
    jpeg_read_header(cinfo, TRUE);
    if (!side_ok(cinfo->image_width, cinfo->image_height)) {
        err->reason = "image size out of range";
        return false;
    }
    if (cinfo->jpeg_color_space != JCS_GRAYSCALE && cinfo->jpeg_color_space != JCS_YCbCr &&
        cinfo->jpeg_color_space != JCS_RGB) {
        err->reason = "unsupported JPEG colour space (CMYK)";
        return false;
    }
    cinfo->out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(cinfo);
    if (cinfo->output_components != 4 || cinfo->output_width != cinfo->image_width ||
        cinfo->output_height != cinfo->image_height) {
        err->reason = "unsupported JPEG layout";
        return false;
    }
    const int w = static_cast<int>(cinfo->output_width);
    const int h = static_cast<int>(cinfo->output_height);
    start_image(*job->out, w, h, false);
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = job->out->rgba.data() + static_cast<size_t>(cinfo->output_scanline) * w * 4;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) break;
        if (err->truncated) break;
    }
    if (err->truncated || cinfo->output_scanline < cinfo->output_height) {
        err->reason = "truncated JPEG data";
        return false;
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

}  // namespace

bool decode_jpeg(const uint8_t* data, size_t size, rgba_image& out, text* why) {
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    JpegError err;
    std::memset(&err, 0, sizeof err);
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpeg_fatal;
    err.mgr.output_message = jpeg_silent_output;
    err.mgr.emit_message = jpeg_note_message;
    jpeg_progress_mgr progress;
    std::memset(&progress, 0, sizeof progress);
    progress.progress_monitor = jpeg_watch_scans;
    JpegJob job{data, size, &out, &progress};
    const bool ok = jpeg_run(&cinfo, &err, &job);
    jpeg_destroy_decompress(&cinfo);
    if (!ok) {
        clear_image(out);
        return fail(why, err.reason);
    }
    return true;
}

}  // namespace tw::platform
