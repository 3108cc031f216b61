// The sound device: one SDL audio device fed by a small mixer of our own, and
// the numbered table of loaded sounds.
//
// Sounds are decoded at load and converted once to the device's rate and
// channel count, so the mixer only adds samples. Without a device (init_sound
// never called, or no device could be opened) sounds still load and decode,
// so data can be checked, but nothing plays.
#include <SDL.h>
#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "runtime/platform.h"
#include "runtime/testing.h"

namespace tw {

namespace {

// ===========================================================================
// Types and state
// ===========================================================================

struct Sound {
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;  // interleaved; device format once a device is open
};

struct Voice {
    int id;               // the sound's number in the table
    const Sound* sound;   // stays valid: a sound's voices go before the sound does
    size_t pos;           // next sample to mix
    bool loop;
};

constexpr int play_loop = 1;
constexpr int play_overlap = 2;
constexpr size_t max_voices = 64;
// Files larger than this are not read at all; decoded data is cut at
// max_sound_bytes anyway.
constexpr size_t max_sound_file_bytes = 256u * 1024u * 1024u;
// Bound on a sound after conversion to the device format (a low-rate mono
// file grows when resampled to the device).
constexpr size_t max_converted_bytes = 4 * max_sound_bytes;
// The largest buffer a conversion in one piece may take.
constexpr size_t max_whole_conversion_bytes = size_t{64} * 1024 * 1024;

std::map<int, std::unique_ptr<Sound>> sounds;
int next_handle = 1;

SDL_AudioDeviceID device = 0;
SDL_AudioSpec device_spec{};
bool audio_subsystem = false;

// Touched by the audio thread: only with the device locked.
std::vector<Voice> voices;

// ===========================================================================
// Mixer (audio thread)
// ===========================================================================

int16_t saturate(int v) {
    return static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}

// Adds every voice into the buffer; one voice alone is copied exactly.
void mix(void*, Uint8* stream, int len) {
    auto* out = reinterpret_cast<int16_t*>(stream);
    const size_t n = static_cast<size_t>(len) / sizeof(int16_t);
    std::memset(stream, 0, static_cast<size_t>(len));
    for (Voice& v : voices) {
        const std::vector<int16_t>& s = v.sound->samples;
        size_t i = 0;
        while (i < n && v.pos < s.size()) {
            const size_t count = std::min(n - i, s.size() - v.pos);
            for (size_t k = 0; k < count; ++k) out[i + k] = saturate(out[i + k] + s[v.pos + k]);
            i += count;
            v.pos += count;
            if (v.pos >= s.size() && v.loop) v.pos = 0;
        }
    }
    // Finished voices leave without freeing memory (capacity is reserved).
    voices.erase(std::remove_if(voices.begin(), voices.end(),
                                [](const Voice& v) { return v.pos >= v.sound->samples.size(); }),
                 voices.end());
}

// ===========================================================================
// Helpers (main thread)
// ===========================================================================

// The audio libraries underneath print their own errors on stderr when no
// device can be opened (a screenful from ALSA on a machine without a sound
// card); the engine says it in one line instead. stderr points at /dev/null
// while this lives. Whichever backend SDL picks is kept quiet this way; an
// error handler would have to be set in each backend's library. Windows'
// audio backends print nothing, so there it does nothing.
#if defined(_WIN32)
struct QuietStderr {
    QuietStderr() {}
};
#else
struct QuietStderr {
    int saved = -1;
    QuietStderr() {
        std::fflush(stderr);
        int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null < 0) return;
        saved = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
        if (saved >= 0 && dup2(null, STDERR_FILENO) < 0) {
            close(saved);
            saved = -1;
        }
        close(null);
    }
    ~QuietStderr() {
        if (saved < 0) return;
        std::fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;
};
#endif

struct DeviceLock {
    DeviceLock() { if (device) SDL_LockAudioDevice(device); }
    ~DeviceLock() { if (device) SDL_UnlockAudioDevice(device); }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;
};

void stop_voices_of(int id) {
    DeviceLock lock;
    voices.erase(std::remove_if(voices.begin(), voices.end(),
                                [id](const Voice& v) { return v.id == id; }),
                 voices.end());
}

Sound* find_sound(int number) {
    auto it = sounds.find(number);
    return it == sounds.end() ? nullptr : it->second.get();
}

// What a sound counts against the budget: its bytes in the device's format,
// or without a device (the checker) in the format most devices give, so
// that the checker refuses what the game would.
long long converted_bytes(const Sound& s, int rate, int channels) {
    const long long bytes = static_cast<long long>(s.samples.size() * sizeof(int16_t));
    if ((s.rate == rate && s.channels == channels) || s.rate <= 0 || s.channels <= 0) return bytes;
    const double converted = static_cast<double>(bytes) * rate * channels / (static_cast<double>(s.rate) * s.channels);
    return static_cast<long long>(std::min(converted, static_cast<double>(max_converted_bytes)));
}

long long sound_bytes(const Sound& s) {
    return device ? static_cast<long long>(s.samples.size() * sizeof(int16_t)) : converted_bytes(s, 44100, 2);
}

// What a sound not yet converted will take once it is, within a few bytes.
long long estimated_bytes(const Sound& s) {
    return device ? converted_bytes(s, device_spec.freq, device_spec.channels) : sound_bytes(s);
}

// The decoded bytes of every sound held, against sound_budget_bytes. Sounds
// are few, so they are counted when asked.
long long bytes_held() {
    long long total = 0;
    for (const auto& [id, s] : sounds) total += sound_bytes(*s);
    return total;
}

int fresh_handle() {
    while (sounds.count(next_handle)) next_handle = next_handle == INT_MAX ? 1 : next_handle + 1;
    const int h = next_handle;
    next_handle = next_handle == INT_MAX ? 1 : next_handle + 1;
    return h;
}

// The first `frames` frames of a sound through an SDL audio stream, a piece
// at a time: the memory taken is the result and one piece.
bool convert_in_pieces(Sound& s, size_t frames, int dev_rate, int dev_channels) {
    SDL_AudioStream* stream = SDL_NewAudioStream(AUDIO_S16SYS, static_cast<Uint8>(s.channels), s.rate,
                                                 AUDIO_S16SYS, static_cast<Uint8>(dev_channels), dev_rate);
    if (!stream) {
        s.samples.clear();
        return false;
    }
    const double ratio = static_cast<double>(dev_rate) * dev_channels / (static_cast<double>(s.rate) * s.channels);
    std::vector<int16_t> out;
    out.reserve(static_cast<size_t>(static_cast<double>(frames * static_cast<size_t>(s.channels)) * ratio) + 4096);
    std::vector<int16_t> piece(65536);
    const size_t in_samples = frames * static_cast<size_t>(s.channels);
    const size_t step = 16384 * static_cast<size_t>(s.channels);
    bool ok = true;
    auto drain = [&]() {
        for (;;) {
            const int got = SDL_AudioStreamGet(stream, piece.data(), static_cast<int>(piece.size() * 2));
            if (got < 0) ok = false;
            if (got <= 0) return;
            out.insert(out.end(), piece.begin(), piece.begin() + got / 2);
        }
    };
    for (size_t at = 0; ok && at < in_samples; at += step) {
        const size_t n = std::min(step, in_samples - at);
        if (SDL_AudioStreamPut(stream, s.samples.data() + at, static_cast<int>(n * 2)) != 0) ok = false;
        drain();
    }
    if (ok && SDL_AudioStreamFlush(stream) != 0) ok = false;
    if (ok) drain();
    SDL_FreeAudioStream(stream);
    out.resize(out.size() - out.size() % static_cast<size_t>(dev_channels));
    if (!ok || out.empty()) {
        s.samples.clear();
        return false;
    }
    out.shrink_to_fit();
    s.samples = std::move(out);
    s.rate = dev_rate;
    s.channels = dev_channels;
    return true;
}

// Converts a sound to the open device's rate and channel count with
// SDL_AudioCVT, which converts a whole buffer exactly. False when the
// conversion cannot be made; the sound is then left empty.
bool convert_to_device(Sound& s) {
    if (!device) return true;
    const int dev_rate = device_spec.freq, dev_channels = device_spec.channels;
    if (s.rate == dev_rate && s.channels == dev_channels) return true;
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, AUDIO_S16SYS, static_cast<Uint8>(s.channels), s.rate, AUDIO_S16SYS,
                          static_cast<Uint8>(dev_channels), dev_rate) < 0) {
        s.samples.clear();
        return false;
    }
    // Cut the source so that the converted sound stays within its bound.
    size_t frames = s.samples.size() / static_cast<size_t>(s.channels);
    const double out_frame_bytes = 2.0 * dev_channels * dev_rate / s.rate;
    const auto max_frames = static_cast<size_t>(static_cast<double>(max_converted_bytes) / out_frame_bytes);
    frames = std::min(frames, max_frames);
    const size_t in_bytes = frames * static_cast<size_t>(s.channels) * 2;
    if (in_bytes == 0 || cvt.len_mult <= 0 ||
        in_bytes > static_cast<size_t>(INT_MAX) / static_cast<size_t>(cvt.len_mult)) {
        s.samples.clear();
        return false;
    }
    // SDL_AudioCVT needs a buffer len_mult times the source, which for a long
    // low-rate sound is many times what the result takes: such a sound goes
    // through an audio stream in pieces instead.
    if (in_bytes * static_cast<size_t>(cvt.len_mult) > max_whole_conversion_bytes)
        return convert_in_pieces(s, frames, dev_rate, dev_channels);
    std::vector<uint8_t> buffer(in_bytes * static_cast<size_t>(cvt.len_mult));
    std::memcpy(buffer.data(), s.samples.data(), in_bytes);
    cvt.buf = buffer.data();
    cvt.len = static_cast<int>(in_bytes);
    if (SDL_ConvertAudio(&cvt) < 0) {
        s.samples.clear();
        return false;
    }
    size_t out_samples = static_cast<size_t>(cvt.len_cvt) / 2;
    out_samples -= out_samples % static_cast<size_t>(dev_channels);
    s.samples.resize(out_samples);
    std::memcpy(s.samples.data(), buffer.data(), out_samples * 2);
    s.samples.shrink_to_fit();
    s.rate = dev_rate;
    s.channels = dev_channels;
    return !s.samples.empty();
}

}  // namespace

// ===========================================================================
// Operations
// ===========================================================================

bool init_sound() {
    if (device) return true;
    QuietStderr quiet;
    if (!audio_subsystem) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        audio_subsystem = true;
    }
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 512;
    want.callback = mix;
    // The mixer works in signed 16-bit; SDL converts if the hardware wants
    // another sample format. Rate and channel count are taken as the device
    // gives them, and sounds are converted to them.
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &device_spec,
                                 SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (!device) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audio_subsystem = false;
        return false;
    }
    voices.clear();
    voices.reserve(max_voices);
    // Sounds loaded before the device opened are brought to its format now.
    for (auto it = sounds.begin(); it != sounds.end(); ++it) convert_to_device(*it->second);
    SDL_PauseAudioDevice(device, 0);
    return true;
}

int load_sound(int number, const text& path) {
    if (number < -1) return 0;
    std::vector<uint8_t> bytes;
    if (!platform::read_whole_file(path, bytes, max_sound_file_bytes)) return 0;
    pcm_sound pcm;
    // The sound replaced in this slot gives its bytes back first.
    const Sound* old = number >= 0 ? find_sound(number) : nullptr;
    const long long left = sound_budget_bytes - bytes_held() + (old ? sound_bytes(*old) : 0);
    const auto refuse = [&path]() {
        report_limit(text(path) + " not loaded: the sounds of a game may hold " +
                     std::to_string(sound_budget_bytes) + " bytes (512 MB) decoded at once, the sound budget");
        return 0;
    };
    bool over = false;
    const bool decoded =
        left > 0 && decode_sound(bytes.data(), bytes.size(), pcm, nullptr, static_cast<size_t>(left), &over);
    if (left <= 0 || over) return refuse();
    if (!decoded) return 0;
    bytes = {};
    auto sound = std::make_unique<Sound>();
    sound->rate = pcm.rate;
    sound->channels = pcm.channels;
    sound->samples = std::move(pcm.samples);
    // Refused before the conversion when its result could not fit either.
    if (estimated_bytes(*sound) > left + 65536) return refuse();
    if (!convert_to_device(*sound)) return 0;
    if (sound_bytes(*sound) > left) return refuse();

    const int id = number == -1 ? fresh_handle() : number;
    if (find_sound(id)) stop_voices_of(id);
    sounds[id] = std::move(sound);
    return number == -1 ? id : 1;
}

void play_sound(int number, int flags) {
    const Sound* s = find_sound(number);
    if (!s || !device || s->samples.empty()) return;
    DeviceLock lock;
    if (!(flags & play_overlap)) {
        // One instance only: whatever of this sound plays is cut, and it
        // begins again from the start.
        voices.erase(std::remove_if(voices.begin(), voices.end(),
                                    [number](const Voice& v) { return v.id == number; }),
                     voices.end());
    }
    if (voices.size() >= max_voices) return;  // every voice busy: this one is dropped
    voices.push_back(Voice{number, s, 0, (flags & play_loop) != 0});
}

void play_sound_once(int number) { play_sound(number, 0); }

void free_sound(int number) {
    if (!find_sound(number)) return;
    stop_voices_of(number);
    sounds.erase(number);
}

bool is_sound(int number) { return find_sound(number) != nullptr; }

void sound_shutdown() {
    if (device) {
        SDL_CloseAudioDevice(device);  // waits for the mixer to return
        device = 0;
    }
    voices.clear();
    sounds.clear();
    next_handle = 1;
    if (audio_subsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audio_subsystem = false;
    }
}

}  // namespace tw
