// Test sounds made in code: RIFF WAVE files chunk by chunk, and Ogg Vorbis
// files encoded with the real Vorbis encoder.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <vorbis/vorbisenc.h>

namespace tw::test {

using Bytes = std::vector<uint8_t>;

inline void append32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void append16(Bytes& b, int v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

using Chunk = std::pair<std::string, Bytes>;

// "RIFF" size "WAVE" and the chunks in order, each padded to an even length.
// `declared` overrides a chunk's size field (index, size) to test lying headers.
inline Bytes riff_wave(const std::vector<Chunk>& chunks, int lying_index = -1,
                       uint32_t lying_size = 0) {
    Bytes b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (size_t i = 0; i < chunks.size(); ++i) {
        const auto& [id, body] = chunks[i];
        b.insert(b.end(), id.begin(), id.begin() + 4);
        append32(b, static_cast<int>(i) == lying_index ? lying_size
                                                       : static_cast<uint32_t>(body.size()));
        b.insert(b.end(), body.begin(), body.end());
        if (body.size() & 1) b.push_back(0);
    }
    const uint32_t riff = static_cast<uint32_t>(b.size() - 8);
    for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
    return b;
}

inline Chunk fmt_chunk(int tag, int channels, int rate, int bits) {
    Bytes f;
    append16(f, tag);
    append16(f, channels);
    append32(f, static_cast<uint32_t>(rate));
    append32(f, static_cast<uint32_t>(rate * channels * bits / 8));
    append16(f, channels * bits / 8);
    append16(f, bits);
    return {"fmt ", f};
}

inline Bytes pcm16_bytes(const std::vector<int16_t>& s) {
    Bytes b;
    for (int16_t v : s) append16(b, v);
    return b;
}

inline Bytes wave16(int channels, int rate, const std::vector<int16_t>& s) {
    return riff_wave({fmt_chunk(1, channels, rate, 16), {"data", pcm16_bytes(s)}});
}

// Encodes interleaved float samples (-1..1) as Ogg Vorbis.
inline Bytes encode_vorbis(int channels, int rate, const std::vector<float>& samples,
                           float quality = 0.6f) {
    Bytes out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) {
        ADD_FAILURE() << "the Vorbis encoder refused the format";
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
    ogg_stream_init(&os, 1234);
    ogg_packet header, comments, codes;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codes);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codes);
    ogg_page page;
    auto write_page = [&] {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };
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
                    buffer[c][i] = samples[(done + i) * channels + c];
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

// A sine of `hz` at amplitude `amp`, `frames` long, in every channel.
inline std::vector<float> sine(int channels, int rate, size_t frames, double hz, double amp) {
    std::vector<float> s(frames * static_cast<size_t>(channels));
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s[i * channels + c] = static_cast<float>(amp * std::sin(2 * M_PI * hz * i / rate));
    return s;
}

}  // namespace tw::test
