// Sound decoders: RIFF WAVE chunk walking and sample formats, Ogg Vorbis
// through the real library, and refusal of bad data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "support/media_files.h"

using namespace tw;
using namespace tw::test;

namespace {

pcm_sound decode_ok(const Bytes& b) {
    pcm_sound pcm;
    std::string why;
    EXPECT_TRUE(decode_sound(b.data(), b.size(), pcm, &why)) << why;
    return pcm;
}

std::string refusal(const Bytes& b) {
    pcm_sound pcm;
    std::string why;
    const bool ok = decode_sound(b.data(), b.size(), pcm, &why);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(pcm.samples.empty());
    return ok ? "" : why;
}

Bytes le_bytes(const void* p, size_t n) {
    Bytes b(n);
    std::memcpy(b.data(), p, n);  // the test machine is little-endian like the files
    return b;
}

class DecodeSound : public testing::Test {
protected:
    void SetUp() override { use_ogg_decoder(); }
};

double rms(const std::vector<int16_t>& s, int channels, int channel, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += double(s[i * channels + channel]) * s[i * channels + channel];
    return std::sqrt(sum / double(to - from));
}

}  // namespace

// ===========================================================================
// WAVE
// ===========================================================================

TEST_F(DecodeSound, WaveChunksAreWalkedWhereverTheyAreWithOddPadding) {
    const std::vector<int16_t> s = {1, -1, 1000, -1000, 32767, -32768};
    // LIST (odd size, padded) before fmt, an odd unknown chunk between fmt
    // and data, and a chunk after data.
    Bytes file = riff_wave({{"LIST", {'I', 'N', 'F', 'O', 'x'}},
                            fmt_chunk(1, 2, 22050, 16),
                            {"junk", {1, 2, 3}},
                            {"data", pcm16_bytes(s)},
                            {"cue ", Bytes(7, 9)}});
    pcm_sound pcm = decode_ok(file);
    EXPECT_EQ(pcm.rate, 22050);
    EXPECT_EQ(pcm.channels, 2);
    EXPECT_EQ(pcm.samples, s);

    // data before fmt is found as well.
    pcm = decode_ok(riff_wave({{"data", pcm16_bytes(s)}, fmt_chunk(1, 1, 8000, 16)}));
    EXPECT_EQ(pcm.channels, 1);
    EXPECT_EQ(pcm.samples, s);
}

TEST_F(DecodeSound, WaveSampleFormatsBecomeSixteenBit) {
    pcm_sound pcm = decode_ok(riff_wave({fmt_chunk(1, 1, 11025, 8), {"data", {0, 128, 255}}}));
    EXPECT_EQ(pcm.samples, (std::vector<int16_t>{-32768, 0, 32512}));

    Bytes b24 = {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0x56, 0x34, 0x12};
    pcm = decode_ok(riff_wave({fmt_chunk(1, 1, 44100, 24), {"data", b24}}));
    EXPECT_EQ(pcm.samples, (std::vector<int16_t>{-32768, 32767, 0x1234}));

    const int32_t i32[] = {INT32_MIN, 0x7FFFFFFF, 0x12345678};
    pcm = decode_ok(riff_wave({fmt_chunk(1, 1, 44100, 32), {"data", le_bytes(i32, sizeof i32)}}));
    EXPECT_EQ(pcm.samples, (std::vector<int16_t>{-32768, 32767, 0x1234}));

    // Float: scaled by 32767, clipped outside -1..1, NaN is silence.
    const float f[] = {0.5f, -1.0f, 2.0f, -3.0f, std::nanf("")};
    const std::vector<int16_t> want = {16384, -32767, 32767, -32768, 0};
    pcm = decode_ok(riff_wave({fmt_chunk(3, 1, 48000, 32), {"data", le_bytes(f, sizeof f)}}));
    EXPECT_EQ(pcm.samples, want);

    // The extensible header names its real format in the sub-format GUID.
    Chunk ext = fmt_chunk(0xFFFE, 1, 48000, 32);
    put16(ext.second, 22);
    put16(ext.second, 32);
    put32(ext.second, 4);
    const uint8_t guid[16] = {3, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    ext.second.insert(ext.second.end(), guid, guid + 16);
    pcm = decode_ok(riff_wave({ext, {"data", le_bytes(f, sizeof f)}}));
    EXPECT_EQ(pcm.samples, want);
}

TEST_F(DecodeSound, WaveDataShorterThanDeclaredKeepsWholeFrames) {
    const std::vector<int16_t> s = {10, 20, 30, 40, 50};
    // The data chunk claims a megabyte; the file holds five samples of a
    // stereo sound, so two whole frames remain.
    Bytes file = riff_wave({fmt_chunk(1, 2, 44100, 16), {"data", pcm16_bytes(s)}}, 1, 1 << 20);
    file.pop_back();  // no pad byte: the file simply ends
    pcm_sound pcm = decode_ok(file);
    EXPECT_EQ(pcm.samples, (std::vector<int16_t>{10, 20, 30, 40}));
}

TEST_F(DecodeSound, BadWaveFilesAreRefused) {
    const Bytes data = pcm16_bytes({1, 2, 3, 4});
    EXPECT_NE(refusal(riff_wave({{"data", data}})).find("format"), std::string::npos);
    EXPECT_NE(refusal(riff_wave({fmt_chunk(1, 1, 44100, 16)})).find("data"), std::string::npos);
    EXPECT_FALSE(refusal(riff_wave({fmt_chunk(2, 1, 44100, 4), {"data", data}})).empty());  // ADPCM
    EXPECT_FALSE(refusal(riff_wave({fmt_chunk(1, 0, 44100, 16), {"data", data}})).empty());
    EXPECT_FALSE(refusal(riff_wave({fmt_chunk(1, 1, 0, 16), {"data", data}})).empty());
    EXPECT_FALSE(refusal(riff_wave({fmt_chunk(1, 1, 44100, 12), {"data", data}})).empty());
    EXPECT_FALSE(refusal(riff_wave({fmt_chunk(1, 1, 44100, 16), {"data", {}}})).empty());
    // A chunk size that would wrap the walk around is the end of the file.
    EXPECT_FALSE(refusal(riff_wave({{"LIST", Bytes(4, 0)}, fmt_chunk(1, 1, 44100, 16),
                                    {"data", data}}, 0, 0xFFFFFFFF)).empty());
    EXPECT_FALSE(refusal({}).empty());
    EXPECT_FALSE(refusal({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}).empty());
}

TEST_F(DecodeSound, DecodedDataIsCutAtTheLimit) {
    // 8-bit mono: every file byte becomes two decoded bytes.
    const size_t samples = max_sound_bytes / 2 + 1000;
    Bytes file = riff_wave({fmt_chunk(1, 1, 8000, 8), {"data", Bytes(samples, 200)}});
    pcm_sound pcm = decode_ok(file);
    EXPECT_EQ(pcm.samples.size() * 2, max_sound_bytes);
    EXPECT_EQ(pcm.samples.back(), (200 - 128) * 256);
}

// ===========================================================================
// Ogg Vorbis
// ===========================================================================

TEST_F(DecodeSound, OggVorbisDecodesToTheEncodedLengthAndShape) {
    // Stereo: a 441 Hz sine at half scale on the left, silence on the right.
    const int rate = 44100;
    const size_t frames = 30000;
    std::vector<float> in = sine(2, rate, frames, 441, 0.5);
    for (size_t i = 0; i < frames; ++i) in[i * 2 + 1] = 0;
    Bytes file = encode_vorbis(2, rate, in);
    ASSERT_FALSE(file.empty());
    pcm_sound pcm = decode_ok(file);
    EXPECT_EQ(pcm.rate, rate);
    EXPECT_EQ(pcm.channels, 2);
    ASSERT_EQ(pcm.samples.size(), frames * 2);  // the stream's exact length
    // Away from the edges: the right amplitude, a quiet right channel, and
    // one sign change per half period.
    const double want_rms = 0.5 * 32767 / std::sqrt(2.0);
    EXPECT_NEAR(rms(pcm.samples, 2, 0, 2000, frames - 2000), want_rms, want_rms * 0.05);
    EXPECT_LT(rms(pcm.samples, 2, 1, 2000, frames - 2000), 300);
    int crossings = 0;
    for (size_t i = 2001; i < frames - 2000; ++i)
        if ((pcm.samples[i * 2] >= 0) != (pcm.samples[(i - 1) * 2] >= 0)) ++crossings;
    const double expected = 2.0 * 441 * (frames - 4001) / rate;
    EXPECT_NEAR(crossings, expected, 4);
    // Waveform, sample by sample, within the codec's error.
    double err = 0;
    for (size_t i = 2000; i < frames - 2000; ++i)
        err = std::max(err, std::abs(pcm.samples[i * 2] / 32767.0 - in[i * 2]));
    EXPECT_LT(err, 0.05);
}

TEST_F(DecodeSound, OggCutShortKeepsWhatIsThereAndGarbageIsRefused) {
    // Noise makes many Ogg pages, so that a cut keeps several whole ones.
    std::vector<float> in = sine(1, 22050, 4 * 22050, 300, 0.3);
    uint32_t seed = 1;
    for (float& v : in) v += static_cast<float>((seed = seed * 1664525u + 1013904223u) >> 8) / (1 << 24) * 0.4f - 0.2f;
    Bytes file = encode_vorbis(1, 22050, in);
    pcm_sound whole = decode_ok(file);
    EXPECT_EQ(whole.rate, 22050);
    EXPECT_EQ(whole.samples.size(), 4 * 22050u);

    Bytes cut(file.begin(), file.begin() + file.size() * 2 / 3);
    pcm_sound part = decode_ok(cut);
    EXPECT_GT(part.samples.size(), 0u);
    EXPECT_LT(part.samples.size(), whole.samples.size());
    for (size_t i = 0; i < part.samples.size(); i += 97) ASSERT_EQ(part.samples[i], whole.samples[i]);

    // Headers only, a damaged header, and bytes that only start like Ogg.
    EXPECT_FALSE(refusal(Bytes(file.begin(), file.begin() + 200)).empty());
    Bytes bad = file;
    for (size_t i = 30; i < 60; ++i) bad[i] ^= 0x5A;
    EXPECT_FALSE(refusal(bad).empty());
    EXPECT_FALSE(refusal({'O', 'g', 'g', 'S', 1, 2, 3}).empty());
    // Damage in the middle of the audio: no crash, whatever can be kept is kept.
    for (size_t at = file.size() / 3; at < file.size(); at += file.size() / 9) {
        Bytes hurt = file;
        for (size_t i = at; i < std::min(at + 40, hurt.size()); ++i) hurt[i] ^= 0xA5;
        pcm_sound pcm;
        if (decode_sound(hurt.data(), hurt.size(), pcm)) {
            ASSERT_EQ(pcm.samples.size() % pcm.channels, 0u);
        }
    }
}

// ===========================================================================
// What is left of the sound budget
// ===========================================================================

TEST_F(DecodeSound, ASoundLongerThanTheAllowanceIsRefusedInEitherFormatAndAShorterOneKept) {
    const std::vector<float> tone = sine(1, 8000, 8000, 440, 0.5);  // one second, 16000 bytes decoded
    std::vector<int16_t> pcm16(8000, 1000);
    for (const Bytes& file : {wave16(1, 8000, pcm16), encode_vorbis(1, 8000, tone)}) {
        ASSERT_FALSE(file.empty());
        pcm_sound pcm;
        std::string why;
        bool over = false;
        EXPECT_FALSE(decode_sound(file.data(), file.size(), pcm, &why, 10000, &over));
        EXPECT_TRUE(over);
        EXPECT_TRUE(pcm.samples.empty());
        EXPECT_NE(why.find("sound budget"), std::string::npos) << why;
        over = true;
        EXPECT_TRUE(decode_sound(file.data(), file.size(), pcm, &why, 20000, &over)) << why;
        EXPECT_FALSE(over);
        EXPECT_EQ(pcm.samples.size(), 8000u);
    }
}
