#include "tools/encoders/encoders.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>  // before jpeglib.h: it needs FILE and size_t
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <vorbis/vorbisenc.h>

namespace tw::encoders {

// ===========================================================================
// PNG
// ===========================================================================

namespace {

void png_sink(png_structp p, png_bytep data, png_size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(p));
    out->insert(out->end(), data, data + n);
}
void png_no_flush(png_structp) {}

}  // namespace

Bytes png(const PngPicture& s) {
    if (s.height <= 0) return {};
    Bytes out;
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = p ? png_create_info_struct(p) : nullptr;
    if (!p || !info) {
        png_destroy_write_struct(&p, &info);
        return {};
    }
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_write_struct(&p, &info);
        return {};
    }
    png_set_write_fn(p, &out, png_sink, png_no_flush);
    if (s.compression_level >= 0) png_set_compression_level(p, s.compression_level);
    png_set_IHDR(p, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), s.depth,
                 s.colour_type, s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) {
        std::vector<png_color> palette;
        for (const PngColour& c : s.palette) palette.push_back({c.r, c.g, c.b});
        png_set_PLTE(p, info, palette.data(), static_cast<int>(palette.size()));
    }
    if (!s.trns.empty()) png_set_tRNS(p, info, s.trns.data(), static_cast<int>(s.trns.size()), nullptr);
    if (s.gamma > 0) png_set_gAMA(p, info, s.gamma);
    png_write_info(p, info);
    const size_t stride = s.rows.size() / static_cast<size_t>(s.height);
    std::vector<png_bytep> rows;
    for (int y = 0; y < s.height; ++y)
        rows.push_back(const_cast<png_bytep>(s.rows.data() + static_cast<size_t>(y) * stride));
    png_write_image(p, rows.data());
    png_write_end(p, nullptr);
    png_destroy_write_struct(&p, &info);
    return out;
}

// ===========================================================================
// JPEG
// ===========================================================================

Bytes jpeg(int width, int height, int components, const Bytes& pixels, int quality, bool progressive) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(components);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + c.next_scanline * stride);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(mem, mem + size);
    std::free(mem);
    return out;
}

// ===========================================================================
// TIFF, written into memory through libtiff's client procedures
// ===========================================================================

namespace {

struct MemoryFile {
    Bytes bytes;
    size_t at = 0;
};

tsize_t tiff_read(thandle_t h, tdata_t data, tsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    const size_t count = std::min(static_cast<size_t>(n), f->bytes.size() - std::min(f->at, f->bytes.size()));
    if (count > 0) std::memcpy(data, f->bytes.data() + f->at, count);
    f->at += count;
    return static_cast<tsize_t>(count);
}

tsize_t tiff_write(thandle_t h, tdata_t data, tsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    const size_t count = static_cast<size_t>(n);
    if (f->bytes.size() < f->at + count) f->bytes.resize(f->at + count);
    std::memcpy(f->bytes.data() + f->at, data, count);
    f->at += count;
    return n;
}

toff_t tiff_seek(thandle_t h, toff_t offset, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    const size_t base = whence == SEEK_CUR ? f->at : whence == SEEK_END ? f->bytes.size() : 0;
    f->at = base + static_cast<size_t>(offset);
    return static_cast<toff_t>(f->at);
}

int tiff_close(thandle_t) { return 0; }
toff_t tiff_size(thandle_t h) { return static_cast<toff_t>(static_cast<MemoryFile*>(h)->bytes.size()); }
int tiff_map(thandle_t, tdata_t*, toff_t*) { return 0; }
void tiff_unmap(thandle_t, tdata_t, toff_t) {}

}  // namespace

Bytes tiff(const TiffPicture& s) {
    MemoryFile file;
    TIFF* t = TIFFClientOpen("memory", s.big_endian ? "wb" : "wl", &file, tiff_read, tiff_write, tiff_seek,
                             tiff_close, tiff_size, tiff_map, tiff_unmap);
    if (!t) return {};
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, s.width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, s.height);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, s.samples);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, s.samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, s.compression);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, s.rows_per_strip);
    if (s.samples == 4) {
        uint16_t kinds[1] = {static_cast<uint16_t>(s.extra_kind)};
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, kinds);
    }
    const size_t stride = static_cast<size_t>(s.width) * static_cast<size_t>(s.samples);
    for (int y = 0; y < s.height; ++y)
        TIFFWriteScanline(t, const_cast<uint8_t*>(s.pixels.data() + static_cast<size_t>(y) * stride),
                          static_cast<uint32_t>(y), 0);
    TIFFClose(t);
    return file.bytes;
}

// ===========================================================================
// Ogg Vorbis
// ===========================================================================

Bytes ogg_vorbis(int channels, int rate, const std::vector<float>& samples, float quality, int serial) {
    Bytes out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (channels <= 0 || vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) {
        vorbis_info_clear(&vi);
        return out;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, serial);
    ogg_page page;
    auto write_page = [&] {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };

    ogg_packet header, comments, codes;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codes);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codes);
    while (ogg_stream_flush(&os, &page) != 0) write_page();

    const size_t frames = samples.size() / static_cast<size_t>(channels);
    size_t done = 0;
    bool eos = false;
    while (!eos) {
        const size_t n = std::min<size_t>(1024, frames - done);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    buffer[c][i] = std::fmax(-1.0f, std::fmin(1.0f, samples[(done + i) * static_cast<size_t>(channels) +
                                                                           static_cast<size_t>(c)]));
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    write_page();
                    if (ogg_page_eos(&page)) eos = true;
                }
            }
        }
        if (n == 0 && !eos) {
            // Everything was handed over; the last page is out once the
            // stream reports its end.
            while (ogg_stream_flush(&os, &page) != 0) write_page();
            eos = true;
        }
    }

    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

}  // namespace tw::encoders
