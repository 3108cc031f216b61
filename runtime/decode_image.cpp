// Image decoders behind load_sprite: PNG, JPEG, TIFF, TGA and BMP, chosen by
// the file's content, decoded to straight-alpha RGBA rows from top to bottom.
//
// Every decoder treats the file as hostile: sizes are checked against
// max_image_side (and, where the pixel data is stored plainly, against the
// bytes actually present) before any pixel memory is allocated, every read is
// bounds-checked, and the libraries' fatal-error paths are turned into a
// refusal instead of a process exit.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>
#include <tiffio.h>

#include "runtime/media_runtime.h"
#include "runtime/platform.h"

namespace tw {

// ===========================================================================
// Registration: PNG, JPEG, TGA and TIFF are decoded only once the engine asked
// for them; BMP is the device-native bitmap and always available.
// ===========================================================================

namespace {
bool png_enabled = false;
bool jpeg_enabled = false;
bool tga_enabled = false;
bool tiff_enabled = false;
}  // namespace

void use_png_decoder() { png_enabled = true; }
void use_jpeg_decoder() { jpeg_enabled = true; }
void use_tga_decoder() { tga_enabled = true; }
void use_tiff_decoder() { tiff_enabled = true; }

}  // namespace tw

namespace tw::platform {

namespace {

// ===========================================================================
// Shared helpers
// ===========================================================================

bool fail(std::string* why, const char* reason) {
    if (why) *why = reason;
    return false;
}

bool side_ok(long long w, long long h) {
    return w > 0 && h > 0 && w <= max_image_side && h <= max_image_side &&
           w * h <= max_image_pixels;
}

// Sizes the output; the caller has already checked the sides.
void start_image(Image& out, int w, int h, bool has_alpha) {
    out.width = w;
    out.height = h;
    out.has_alpha = has_alpha;
    out.rgba.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 0);
}

void clear_image(Image& out) {
    out.width = 0;
    out.height = 0;
    out.has_alpha = false;
    out.rgba.clear();
    out.rgba.shrink_to_fit();
}

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A 32-bit pixel format whose fourth byte is zero everywhere stores padding,
// not transparency: such images are opaque. Returns whether the alpha is real.
bool settle_padding_alpha(Image& out) {
    const size_t n = out.rgba.size();
    for (size_t i = 3; i < n; i += 4)
        if (out.rgba[i] != 0) return true;
    for (size_t i = 3; i < n; i += 4) out.rgba[i] = 255;
    return false;
}

// ===========================================================================
// PNG (libpng's full interface: raw sample values, no gamma applied)
// ===========================================================================

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

struct PngJob {
    PngSource src;
    Image* out;
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

bool decode_png(const uint8_t* data, size_t size, Image& out, std::string* why) {
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

// ===========================================================================
// JPEG (libjpeg with an error manager that jumps back instead of exiting)
// ===========================================================================

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
    Image* out;
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

bool decode_jpeg(const uint8_t* data, size_t size, Image& out, std::string* why) {
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

// ===========================================================================
// TIFF (libtiff over memory, RGBA read with the first row at the top)
// ===========================================================================

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

bool decode_tiff(const uint8_t* data, size_t size, Image& out, std::string* why) {
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

// ===========================================================================
// TGA (uncompressed and run-length; true-colour, grey and colour-mapped)
// ===========================================================================

struct TgaHeader {
    int id_length, map_type, image_type;
    int map_first, map_length, map_entry_bits;
    int width, height, depth, descriptor;
};

TgaHeader tga_header(const uint8_t* p) {
    return {p[0], p[1], p[2], le16(p + 3), le16(p + 5), p[7],
            le16(p + 12), le16(p + 14), p[16], p[17]};
}

// TGA has no signature, so a file is taken as TGA only when every header field
// holds a value the format allows.
bool tga_plausible(const uint8_t* data, size_t size) {
    if (size < 18) return false;
    const TgaHeader t = tga_header(data);
    const int base = t.image_type & ~8;
    if (t.map_type > 1 || (t.image_type & ~11) != 0 || base < 1 || base > 3) return false;
    if (t.width == 0 || t.height == 0) return false;
    if (base == 1) {
        if (t.map_type != 1 || (t.depth != 8 && t.depth != 16) || t.map_length == 0) return false;
        if (t.map_entry_bits != 15 && t.map_entry_bits != 16 && t.map_entry_bits != 24 &&
            t.map_entry_bits != 32)
            return false;
    } else if (base == 2) {
        if (t.depth != 15 && t.depth != 16 && t.depth != 24 && t.depth != 32) return false;
    } else if (t.depth != 8 && t.depth != 16) {
        return false;
    }
    return (t.descriptor & 0xC0) == 0;
}

// One stored pixel (or colour-map entry) of `bits` bits to RGBA.
void tga_colour(const uint8_t* p, int bits, bool grey, uint8_t* q) {
    if (grey) {
        q[0] = q[1] = q[2] = p[0];
        q[3] = bits == 16 ? p[1] : 255;
    } else if (bits == 15 || bits == 16) {
        const int v = le16(p);
        const int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        q[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
        q[1] = static_cast<uint8_t>((g << 3) | (g >> 2));
        q[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
        q[3] = (bits == 15 || (v & 0x8000)) ? 255 : 0;
    } else {
        q[0] = p[2];
        q[1] = p[1];
        q[2] = p[0];
        q[3] = bits == 32 ? p[3] : 255;
    }
}

bool decode_tga(const uint8_t* data, size_t size, Image& out, std::string* why) {
    if (!tga_plausible(data, size)) return fail(why, "unrecognised image format");
    const TgaHeader t = tga_header(data);
    if (!side_ok(t.width, t.height)) return fail(why, "image size out of range");
    const int base = t.image_type & ~8;
    const bool rle = (t.image_type & 8) != 0;
    const bool mapped = base == 1, grey = base == 3;
    const size_t bpp = static_cast<size_t>((t.depth + 7) / 8);
    const size_t pixels = static_cast<size_t>(t.width) * static_cast<size_t>(t.height);

    size_t pos = 18 + static_cast<size_t>(t.id_length);
    // The colour map, when present, is always stored (and skipped for
    // true-colour images).
    std::vector<uint8_t> map;
    if (t.map_type == 1) {
        const size_t entry = static_cast<size_t>((t.map_entry_bits + 7) / 8);
        const size_t map_bytes = entry * static_cast<size_t>(t.map_length);
        if (pos > size || map_bytes > size - pos) return fail(why, "truncated TGA data");
        if (mapped) {
            map.assign(static_cast<size_t>(t.map_length) * 4, 0);
            for (int i = 0; i < t.map_length; ++i)
                tga_colour(data + pos + i * entry, t.map_entry_bits, false, &map[i * 4]);
        }
        pos += map_bytes;
    }
    if (pos > size) return fail(why, "truncated TGA data");
    // Enough bytes for the pixels? Plain data needs all of them; run-length
    // data at least one packet header per 128 pixels.
    const size_t avail = size - pos;
    if (!rle && avail / bpp < pixels) return fail(why, "truncated TGA data");
    if (rle && avail < pixels / 128) return fail(why, "truncated TGA data");

    start_image(out, t.width, t.height, false);
    uint8_t* rgba = out.rgba.data();
    auto put = [&](size_t index, const uint8_t* p) {
        uint8_t* q = rgba + index * 4;
        if (mapped) {
            int i = bpp == 2 ? le16(p) : p[0];
            i -= t.map_first;
            if (i >= 0 && i < t.map_length) std::memcpy(q, &map[static_cast<size_t>(i) * 4], 4);
            else q[3] = 255;  // an index outside the map is black
        } else {
            tga_colour(p, t.depth, grey, q);
        }
    };
    if (!rle) {
        for (size_t i = 0; i < pixels; ++i) put(i, data + pos + i * bpp);
    } else {
        size_t i = 0;
        while (i < pixels) {
            if (pos >= size) {
                clear_image(out);
                return fail(why, "truncated TGA data");
            }
            const int head = data[pos++];
            const size_t count = std::min<size_t>(static_cast<size_t>(head & 127) + 1, pixels - i);
            if (head & 128) {
                if (bpp > size - pos) break;
                for (size_t k = 0; k < count; ++k) put(i + k, data + pos);
                pos += bpp;
            } else {
                if (count > (size - pos) / bpp) break;
                for (size_t k = 0; k < count; ++k) put(i + k, data + pos + k * bpp);
                pos += count * bpp;
            }
            i += count;
        }
        if (i < pixels) {
            clear_image(out);
            return fail(why, "truncated TGA data");
        }
    }

    // Pixels are stored from the bottom row up unless descriptor bit 5 is set,
    // and from right to left when bit 4 is set.
    const size_t row = static_cast<size_t>(t.width) * 4;
    if (!(t.descriptor & 0x20)) {
        std::vector<uint8_t> tmp(row);
        for (int y = 0; y < t.height / 2; ++y) {
            uint8_t* a = rgba + static_cast<size_t>(y) * row;
            uint8_t* b = rgba + static_cast<size_t>(t.height - 1 - y) * row;
            std::memcpy(tmp.data(), a, row);
            std::memcpy(a, b, row);
            std::memcpy(b, tmp.data(), row);
        }
    }
    if (t.descriptor & 0x10) {
        for (int y = 0; y < t.height; ++y) {
            auto* px = reinterpret_cast<uint32_t*>(rgba + static_cast<size_t>(y) * row);
            std::reverse(px, px + t.width);
        }
    }

    const int stored_bits = mapped ? t.map_entry_bits : t.depth;
    if (stored_bits == 32 || (grey && t.depth == 16)) {
        out.has_alpha = settle_padding_alpha(out);
    } else if (stored_bits == 16 && !grey) {
        // Only an alpha bit declared in the descriptor is alpha; otherwise the
        // top bit is unused and the image is opaque.
        if ((t.descriptor & 15) == 0) {
            for (size_t i = 3; i < out.rgba.size(); i += 4) out.rgba[i] = 255;
        } else {
            out.has_alpha = settle_padding_alpha(out);
        }
    }
    return true;
}

// ===========================================================================
// BMP (palette 1/4/8-bit, 16/24/32-bit with optional bit masks; bottom-up or
// top-down)
// ===========================================================================

struct Mask {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

Mask make_mask(uint32_t m) {
    Mask r;
    r.mask = m;
    if (!m) return r;
    while (!((m >> r.shift) & 1)) ++r.shift;
    while (r.shift + r.bits < 32 && ((m >> (r.shift + r.bits)) & 1)) ++r.bits;
    return r;
}

uint8_t take(uint32_t v, const Mask& m) {
    if (!m.mask) return 0;
    uint32_t x = (v & m.mask) >> m.shift;
    if (m.bits >= 8) return static_cast<uint8_t>(x >> (m.bits - 8));
    // Widen by repeating the bit pattern, so full scale stays full scale.
    uint32_t r = 0;
    int have = 0;
    while (have < 8) {
        r = (r << m.bits) | x;
        have += m.bits;
    }
    return static_cast<uint8_t>(r >> (have - 8));
}

bool decode_bmp(const uint8_t* data, size_t size, Image& out, std::string* why) {
    if (size < 26) return fail(why, "truncated BMP data");
    const uint32_t pixel_offset = le32(data + 10);
    const uint32_t header = le32(data + 14);
    long long w = 0, h = 0;
    int bpp = 0;
    uint32_t compression = 0, colours_used = 0;
    size_t palette_entry = 4;
    if (header == 12) {
        w = le16(data + 18);
        h = static_cast<int16_t>(le16(data + 20));
        bpp = le16(data + 24);
        palette_entry = 3;
    } else if (header >= 40 && header <= 124) {
        if (size < 14 + 40) return fail(why, "truncated BMP data");
        w = static_cast<int32_t>(le32(data + 18));
        h = static_cast<int32_t>(le32(data + 22));
        bpp = le16(data + 28);
        compression = le32(data + 30);
        colours_used = le32(data + 46);
    } else {
        return fail(why, "unsupported BMP header");
    }
    const bool top_down = h < 0;
    if (top_down) h = -h;
    if (!side_ok(w, h)) return fail(why, "image size out of range");
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return fail(why, "unsupported BMP bit depth");

    // Bit masks: given in the header (version 2 and later) or right after the
    // 40-byte header for BI_BITFIELDS (3) and BI_ALPHABITFIELDS (6).
    Mask r, g, b, a;
    bool masks_alpha = false;
    if (compression == 3 || compression == 6) {
        if (bpp != 16 && bpp != 32) return fail(why, "unsupported BMP compression");
        const size_t at = 14 + 40;
        const size_t count = compression == 6 || header >= 56 ? 4 : 3;
        if (size < at + count * 4) return fail(why, "truncated BMP data");
        r = make_mask(le32(data + at));
        g = make_mask(le32(data + at + 4));
        b = make_mask(le32(data + at + 8));
        if (count == 4) {
            a = make_mask(le32(data + at + 12));
            masks_alpha = a.mask != 0;
        }
    } else if (compression != 0) {
        return fail(why, "unsupported BMP compression");
    } else if (bpp == 16) {
        r = make_mask(0x7C00);
        g = make_mask(0x03E0);
        b = make_mask(0x001F);
    } else if (bpp == 32) {
        r = make_mask(0x00FF0000);
        g = make_mask(0x0000FF00);
        b = make_mask(0x000000FF);
        a = make_mask(0xFF000000);
    }

    std::vector<uint8_t> palette;
    if (bpp <= 8) {
        const size_t max_colours = static_cast<size_t>(1) << bpp;
        size_t n = colours_used == 0 || colours_used > max_colours ? max_colours : colours_used;
        const size_t at = 14 + static_cast<size_t>(header);
        if (at > size) return fail(why, "truncated BMP data");
        n = std::min(n, (size - at) / palette_entry);
        palette.assign(max_colours * 4, 0);
        for (size_t i = 0; i < max_colours; ++i) palette[i * 4 + 3] = 255;
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* p = data + at + i * palette_entry;
            palette[i * 4] = p[2];
            palette[i * 4 + 1] = p[1];
            palette[i * 4 + 2] = p[0];
        }
    }

    const size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
    if (pixel_offset > size || (size - pixel_offset) / stride < static_cast<size_t>(h))
        return fail(why, "truncated BMP data");

    const int width = static_cast<int>(w), height = static_cast<int>(h);
    start_image(out, width, height, false);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = data + pixel_offset + static_cast<size_t>(y) * stride;
        const int dest_row = top_down ? y : height - 1 - y;
        uint8_t* q = out.rgba.data() + static_cast<size_t>(dest_row) * width * 4;
        for (int x = 0; x < width; ++x, q += 4) {
            if (bpp <= 8) {
                const int per_byte = 8 / bpp;
                const int byte = src[x / per_byte];
                const int shift = 8 - bpp * (x % per_byte + 1);
                const int index = (byte >> shift) & ((1 << bpp) - 1);
                std::memcpy(q, &palette[static_cast<size_t>(index) * 4], 4);
            } else if (bpp == 24) {
                const uint8_t* p = src + static_cast<size_t>(x) * 3;
                q[0] = p[2];
                q[1] = p[1];
                q[2] = p[0];
                q[3] = 255;
            } else {
                const uint32_t v = bpp == 16 ? le16(src + static_cast<size_t>(x) * 2)
                                             : le32(src + static_cast<size_t>(x) * 4);
                q[0] = take(v, r);
                q[1] = take(v, g);
                q[2] = take(v, b);
                q[3] = a.mask ? take(v, a) : 255;
            }
        }
    }
    // A declared alpha mask is alpha; the fourth byte of a plain 32-bit bitmap
    // is alpha only when it is not all zero.
    if (masks_alpha) out.has_alpha = true;
    else if (bpp == 32 && a.mask) out.has_alpha = settle_padding_alpha(out);
    return true;
}

// ===========================================================================
// Detection
// ===========================================================================

bool starts_with(const uint8_t* data, size_t size, const char* magic, size_t n) {
    return size >= n && std::memcmp(data, magic, n) == 0;
}

}  // namespace

bool decode_image(const uint8_t* data, size_t size, Image& out, std::string* why) {
    clear_image(out);
    if (!data || size == 0) return fail(why, "empty file");
    if (starts_with(data, size, "\x89PNG\r\n\x1a\n", 8)) {
        if (!png_enabled) return fail(why, "PNG decoder not registered");
        return decode_png(data, size, out, why);
    }
    if (starts_with(data, size, "\xff\xd8\xff", 3)) {
        if (!jpeg_enabled) return fail(why, "JPEG decoder not registered");
        return decode_jpeg(data, size, out, why);
    }
    if (starts_with(data, size, "II*\0", 4) || starts_with(data, size, "MM\0*", 4) ||
        starts_with(data, size, "II+\0", 4) || starts_with(data, size, "MM\0+", 4)) {
        if (!tiff_enabled) return fail(why, "TIFF decoder not registered");
        return decode_tiff(data, size, out, why);
    }
    if (starts_with(data, size, "BM", 2)) return decode_bmp(data, size, out, why);
    if (tga_plausible(data, size)) {
        if (!tga_enabled) return fail(why, "TGA decoder not registered");
        return decode_tga(data, size, out, why);
    }
    return fail(why, "unrecognised image format");
}

}  // namespace tw::platform
