// Sound decoders behind load_sound: RIFF WAVE and Ogg Vorbis, chosen by the
// file's content, decoded to interleaved 16-bit PCM at the file's own rate and
// channel count. Decoded data stops at max_sound_bytes; a sound longer than
// what is left of the sound budget is refused.
//
// Sounds are streams: a file whose sample data ends early (a WAVE data chunk
// that claims more bytes than there are, an Ogg file cut short) keeps the
// samples that are there. A file with no samples at all is refused.
#include <algorithm>
#include <bit>
#include <cstring>

#include <vorbis/vorbisfile.h>

#include "runtime/decoders.h"
#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Registration: WAVE is the device-native format and always decoded; Ogg
// Vorbis only once the engine asked for it.
// ===========================================================================

namespace {
bool ogg_enabled = false;
}  // namespace

void use_ogg_decoder() { ogg_enabled = true; }

namespace {

using platform::fail;
using platform::le16;
using platform::le32;

// The bits of an integer read as a floating-point number (std::bit_cast,
// which the browser build's C++ library lacks).
template <class To, class From>
To bits_as(From bits) {
    static_assert(sizeof(To) == sizeof(From));
    To value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// ===========================================================================
// Shared helpers
// ===========================================================================

constexpr size_t max_samples = max_sound_bytes / sizeof(int16_t);
constexpr int max_channels = 8;
constexpr long min_rate = 1000;
constexpr long max_rate = 768000;

int16_t from_float(double v) {
    if (!(v == v)) return 0;  // NaN
    double s = v * 32767.0;
    if (s >= 32767.0) return 32767;
    if (s <= -32768.0) return -32768;
    return static_cast<int16_t>(nearest(s));
}

// ===========================================================================
// RIFF WAVE
// ===========================================================================

enum WaveFormat { wave_pcm = 1, wave_float = 3, wave_extensible = 0xFFFE };

bool decode_wave(const uint8_t* data, size_t size, pcm_sound& out, text* why, size_t cap, bool* over) {
    // Walk every chunk after "WAVE": fmt and data may come in any order with
    // other chunks around them, and an odd-sized chunk is followed by one pad
    // byte. The RIFF size field is not trusted; the file's length is.
    const uint8_t* fmt = nullptr;
    size_t fmt_size = 0;
    const uint8_t* samples = nullptr;
    size_t sample_bytes = 0;
    size_t pos = 12;
    while (pos + 8 <= size) {
        const uint8_t* id = data + pos;
        const size_t chunk = le32(data + pos + 4);
        const size_t body = pos + 8;
        const size_t avail = std::min(chunk, size - body);
        if (std::memcmp(id, "fmt ", 4) == 0 && !fmt) {
            fmt = data + body;
            fmt_size = avail;
        } else if (std::memcmp(id, "data", 4) == 0 && !samples) {
            samples = data + body;
            sample_bytes = avail;
        }
        if (chunk > size - body) break;  // the last chunk runs past the end
        pos = body + chunk + (chunk & 1);
    }
    if (!fmt || fmt_size < 16) return fail(why, "WAVE file without a format chunk");
    if (!samples) return fail(why, "WAVE file without a data chunk");

    int tag = le16(fmt);
    const int channels = le16(fmt + 2);
    const long rate = static_cast<long>(le32(fmt + 4));
    const int bits = le16(fmt + 14);
    if (tag == wave_extensible) {
        // The real format is the first two bytes of the sub-format GUID.
        if (fmt_size < 40) return fail(why, "WAVE extensible format chunk too short");
        tag = le16(fmt + 24);
    }
    if (channels < 1 || channels > max_channels) return fail(why, "unsupported channel count");
    if (rate < min_rate || rate > max_rate) return fail(why, "unsupported sample rate");
    const bool is_float = tag == wave_float;
    if (tag != wave_pcm && !is_float) return fail(why, "unsupported WAVE encoding (not PCM)");
    if (is_float ? (bits != 32 && bits != 64)
                 : (bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return fail(why, "unsupported WAVE sample size");

    const size_t bytes = static_cast<size_t>(bits / 8);
    const size_t frame = bytes * static_cast<size_t>(channels);
    size_t frames = sample_bytes / frame;
    if (frames > cap / static_cast<size_t>(channels)) {
        if (cap < max_samples) {
            *over = true;
            return fail(why, "over the sound budget");
        }
        frames = cap / static_cast<size_t>(channels);
    }
    if (frames == 0) return fail(why, "WAVE file without samples");

    out.rate = static_cast<int>(rate);
    out.channels = channels;
    const size_t n = frames * static_cast<size_t>(channels);
    out.samples.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = samples + i * bytes;
        int16_t v = 0;
        if (is_float) {
            if (bits == 32) {
                v = from_float(bits_as<float>(le32(p)));
            } else {
                const uint64_t lo = le32(p), hi = le32(p + 4);
                v = from_float(bits_as<double>(lo | (hi << 32)));
            }
        } else if (bits == 8) {
            v = static_cast<int16_t>((p[0] - 128) * 256);  // 8-bit samples are unsigned
        } else {
            // 16, 24 and 32-bit samples are signed little-endian; keep the top 16 bits.
            v = static_cast<int16_t>(le16(p + bytes - 2));
        }
        out.samples[i] = v;
    }
    return true;
}

// ===========================================================================
// Ogg Vorbis (libvorbisfile over memory)
// ===========================================================================

struct OggSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

size_t ogg_read(void* dest, size_t item, size_t count, void* source) {
    auto* s = static_cast<OggSource*>(source);
    if (item == 0 || s->pos >= s->size) return 0;
    const size_t items = std::min(count, (s->size - s->pos) / item);
    std::memcpy(dest, s->data + s->pos, items * item);
    s->pos += items * item;
    return items;
}

bool decode_ogg(const uint8_t* data, size_t size, pcm_sound& out, text* why, size_t cap, bool* over) {
    // Opened as a stream (no seek function): the file is decoded front to
    // back and a file cut short yields what it holds. Opened seekable,
    // libvorbisfile would look for the end first and give nothing at all for
    // a truncated file.
    OggSource src{data, size, 0};
    ov_callbacks io{ogg_read, nullptr, nullptr, nullptr};
    OggVorbis_File vf;
    if (ov_open_callbacks(&src, &vf, nullptr, 0, io) != 0) return fail(why, "corrupt Ogg Vorbis data");
    const vorbis_info* info = ov_info(&vf, -1);
    if (!info || info->channels < 1 || info->channels > max_channels) {
        ov_clear(&vf);
        return fail(why, "unsupported channel count");
    }
    if (info->rate < min_rate || info->rate > max_rate) {
        ov_clear(&vf);
        return fail(why, "unsupported sample rate");
    }
    const int channels = info->channels;
    const long rate = info->rate;
    const size_t limit = cap - cap % static_cast<size_t>(channels);

    out.rate = static_cast<int>(rate);
    out.channels = channels;
    out.samples.clear();
    int current = -1;
    const int big_endian = std::endian::native == std::endian::big ? 1 : 0;
    char buffer[16384];
    while (out.samples.size() < limit) {
        int link = 0;
        const long got = ov_read(&vf, buffer, sizeof buffer, big_endian, 2, 1, &link);
        if (got == OV_HOLE) continue;  // a gap in the data: skip it and go on
        if (got <= 0) break;           // the end, or damage that cannot be passed
        if (link != current) {
            // A chained stream may change its format from one link to the
            // next; this sound keeps the format it started with.
            const vorbis_info* li = ov_info(&vf, -1);
            if (!li || li->channels != channels || li->rate != rate) break;
            current = link;
        }
        const size_t count = std::min(static_cast<size_t>(got) / 2, limit - out.samples.size());
        const size_t at = out.samples.size();
        out.samples.resize(at + count);
        std::memcpy(out.samples.data() + at, buffer, count * 2);
    }
    ov_clear(&vf);
    if (cap < max_samples && out.samples.size() >= limit) {
        *over = true;
        return fail(why, "over the sound budget");
    }
    out.samples.resize(out.samples.size() - out.samples.size() % static_cast<size_t>(channels));
    if (out.samples.empty()) return fail(why, "Ogg Vorbis file without samples");
    out.samples.shrink_to_fit();
    return true;
}

}  // namespace

bool decode_sound(const uint8_t* data, size_t size, pcm_sound& out, text* why, size_t byte_allowance,
                  bool* over_allowance) {
    out = pcm_sound{};
    bool ok = false;
    bool over = false;
    const size_t cap = std::min(max_samples, byte_allowance / sizeof(int16_t));
    if (!data || size == 0) {
        ok = fail(why, "empty file");
    } else if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 &&
               std::memcmp(data + 8, "WAVE", 4) == 0) {
        ok = decode_wave(data, size, out, why, cap, &over);
    } else if (size >= 4 && std::memcmp(data, "OggS", 4) == 0) {
        ok = ogg_enabled ? decode_ogg(data, size, out, why, cap, &over)
                         : fail(why, "Ogg Vorbis decoder not registered");
    } else {
        ok = fail(why, "unrecognised sound format");
    }
    if (!ok) out = pcm_sound{};
    if (over_allowance) *over_allowance = over;
    return ok;
}

}  // namespace tw
