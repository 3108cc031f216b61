#include "encode.h"

#include <png.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace gen {

namespace {

// Creates the folder that will hold `path`.
bool make_parent(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ec);
    return !ec;
}

uint8_t to_byte(float v) { return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f)); }

}  // namespace

// ===========================================================================
// PNG
// ===========================================================================

bool write_png(const std::string& path, const Canvas& c, PngKind kind) {
    if (!make_parent(path)) return false;
    const bool alpha = kind == PngKind::keyed;
    const int channels = alpha ? 4 : 3;
    std::vector<uint8_t> data(static_cast<size_t>(c.w) * c.h * channels);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            const Colour& p = c.at(x, y);
            uint8_t* o = &data[(static_cast<size_t>(y) * c.w + x) * channels];
            if (!alpha) {
                o[0] = to_byte(p.r), o[1] = to_byte(p.g), o[2] = to_byte(p.b);
                continue;
            }
            uint8_t a = to_byte(p.a);
            if (a == 0) {
                o[0] = o[1] = o[2] = 255, o[3] = 0;
                continue;
            }
            o[0] = to_byte(p.r), o[1] = to_byte(p.g), o[2] = to_byte(p.b), o[3] = a;
            if (o[0] == 255 && o[1] == 255 && o[2] == 255) o[2] = 254;
        }
    std::vector<png_bytep> rows(static_cast<size_t>(c.h));
    for (int y = 0; y < c.h; ++y) rows[static_cast<size_t>(y)] = &data[static_cast<size_t>(y) * c.w * channels];

    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, static_cast<png_uint_32>(c.w), static_cast<png_uint_32>(c.h), 8,
                 alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

// ===========================================================================
// Ogg Vorbis
// ===========================================================================

bool write_ogg(const std::string& path, const std::vector<float>& samples, int rate, float quality) {
    if (!make_parent(path)) return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;

    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 1, rate, quality) != 0) {
        vorbis_info_clear(&vi);
        std::fclose(f);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 0x54574731);  // a fixed serial number keeps the bytes stable
    ogg_page og;
    ogg_packet op;
    bool ok = true;
    auto write_page = [&](const ogg_page& page) {
        ok = ok && std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), f) ==
                       static_cast<size_t>(page.header_len);
        ok = ok && std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), f) ==
                       static_cast<size_t>(page.body_len);
    };

    ogg_packet header, header_comm, header_code;
    vorbis_analysis_headerout(&vd, &vc, &header, &header_comm, &header_code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &header_comm);
    ogg_stream_packetin(&os, &header_code);
    while (ogg_stream_flush(&os, &og) != 0) write_page(og);

    const size_t chunk = 1024;
    size_t pos = 0;
    bool eos = false;
    while (!eos) {
        size_t n = std::min(chunk, samples.size() - pos);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i) buffer[0][i] = std::fmax(-1.0f, std::fmin(1.0f, samples[pos + i]));
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            pos += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og) != 0) {
                    write_page(og);
                    if (ogg_page_eos(&og)) eos = true;
                }
            }
        }
        if (n == 0 && !eos) {
            // Everything was handed over; the last page is out once the
            // stream reports its end.
            while (ogg_stream_flush(&os, &og) != 0) {
                write_page(og);
                if (ogg_page_eos(&og)) eos = true;
            }
            eos = true;
        }
    }

    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return std::fclose(f) == 0 && ok;
}

// ===========================================================================
// Text and bytes
// ===========================================================================

bool write_bytes(const std::string& path, const std::string& bytes) {
    if (!make_parent(path)) return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string crlf_lines(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\r\n";
    return s;
}

}  // namespace gen
