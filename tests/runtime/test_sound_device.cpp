// The sound device and its mixer, heard through SDL's disk audio driver, which
// writes exactly what the mixer produced to a file; and the sound table
// without a device.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "runtime/testing.h"
#include "support/media_files.h"
#include "support/test_support.h"

using namespace tw;
using namespace tw::test;

namespace {

// ===========================================================================
// A device that writes to a file
// ===========================================================================

// The disk driver asked for the mixer's preferred format (44100 Hz stereo
// 16-bit) gives exactly that, so a sound in that format is played unchanged.
constexpr int device_rate = 44100;

struct DiskDevice {
    TempDir dir;
    std::string file;

    DiskDevice() : file(dir.path + "mixed.raw") {
        sound_shutdown();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "2", 1);  // faster than real time, still paced
    }
    ~DiskDevice() {
        sound_shutdown();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("SDL_DISKAUDIOFILE");
        unsetenv("SDL_DISKAUDIODELAY");
    }

    // Stereo frames written so far (left, right interleaved).
    std::vector<int16_t> mixed() const {
        std::ifstream in(file, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<int16_t> s(bytes.size() / 4 * 2);
        if (!s.empty()) std::memcpy(s.data(), bytes.data(), s.size() * 2);
        return s;
    }

    // Waits until `ready` holds for what was mixed. The deadline only keeps a
    // broken build from hanging the suite.
    template <class F>
    std::vector<int16_t> wait_until(F ready) const {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (;;) {
            std::vector<int16_t> s = mixed();
            if (ready(s) || std::chrono::steady_clock::now() > give_up) return s;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
};

// First frame with any sound, or -1.
long first_sound(const std::vector<int16_t>& s) {
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i] != 0) return static_cast<long>(i / 2);
    return -1;
}
long last_sound(const std::vector<int16_t>& s) {
    for (size_t i = s.size(); i-- > 0;)
        if (s[i] != 0) return static_cast<long>(i / 2);
    return -1;
}

// Frames of the sound have begun and at least `frames` of them are out.
auto started(long frames) {
    return [frames](const std::vector<int16_t>& s) {
        const long a = first_sound(s);
        return a >= 0 && static_cast<long>(s.size() / 2) - a >= frames;
    };
}
// The sound ended and a stretch of silence followed it.
auto finished(long at_least) {
    return [at_least](const std::vector<int16_t>& s) {
        const long a = first_sound(s), z = last_sound(s);
        return a >= 0 && z - a + 1 >= at_least && static_cast<long>(s.size() / 2) - z > 4096;
    };
}

// A stereo test signal with no zero sample and no repeat of its first frame.
std::vector<int16_t> signal(long frames) {
    std::vector<int16_t> s;
    for (long f = 0; f < frames; ++f) {
        s.push_back(static_cast<int16_t>(1 + f / 2));
        s.push_back(static_cast<int16_t>(-1 - f % 5000));
    }
    return s;
}

int16_t clip(int v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }

testing::AssertionResult same_from(const std::vector<int16_t>& out, long at,
                                   const std::vector<int16_t>& want) {
    if (static_cast<size_t>(at) * 2 + want.size() > out.size())
        return testing::AssertionFailure() << "output too short";
    for (size_t i = 0; i < want.size(); ++i)
        if (out[at * 2 + i] != want[i])
            return testing::AssertionFailure() << "sample " << i << " is " << out[at * 2 + i]
                                               << ", wanted " << want[i];
    return testing::AssertionSuccess();
}

// Plays the sound (flags 0: with play_sound_once) and plays it again once `lead` frames of it are out.
// Returns what was mixed from the first play's first frame on, and `k`, the
// frame at which the second play began. On a loaded machine the first play
// can end before the second call is made; such an attempt shows nothing and
// is made again.
struct TwoPlays {
    std::vector<int16_t> out;
    long k = -1;
};
TwoPlays play_twice(const DiskDevice& disk, int& h, const std::string& path, int flags, long lead,
                    const std::vector<int16_t>& s) {
    const long n = static_cast<long>(s.size() / 2);
    for (int attempt = 0; attempt < 5; ++attempt) {
        const size_t before = disk.mixed().size();
        auto tail = [before](std::vector<int16_t> m) {
            m.erase(m.begin(), m.begin() + static_cast<long>(std::min(before, m.size())));
            return m;
        };
        auto play = [&] { flags == 0 ? play_sound_once(h) : play_sound(h, flags); };
        play();
        disk.wait_until([&](const std::vector<int16_t>& m) { return started(lead)(tail(m)); });
        play();
        std::vector<int16_t> out =
            tail(disk.wait_until([&](const std::vector<int16_t>& m) { return finished(n)(tail(m)); }));
        const long a = first_sound(out);
        if (a < 0) return {};
        out.erase(out.begin(), out.begin() + a * 2);
        long k = 0;
        while (k < n && out[k * 2] == s[k * 2] && out[k * 2 + 1] == s[k * 2 + 1]) ++k;
        if (k < n) return {out, k};
        // Silence the late second play before the next attempt.
        free_sound(h);
        h = load_sound(-1, path);
    }
    ADD_FAILURE() << "the second play never began while the first was playing";
    return {};
}

}  // namespace

// ===========================================================================
// Without a device
// ===========================================================================

TEST(SoundTable, LoadsAndDecodesWithoutADevice) {
    sound_shutdown();
    use_ogg_decoder();
    TempDir dir;
    const Bytes wav = wave16(1, 8000, {5, 6, 7});
    const std::string wav_path = dir.write("a.wav", std::string(wav.begin(), wav.end()));
    const Bytes ogg = encode_vorbis(1, 22050, sine(1, 22050, 4000, 300, 0.3));
    const std::string ogg_path = dir.write("b.ogg", std::string(ogg.begin(), ogg.end()));
    const std::string junk_path = dir.write("c.ogg", "not a sound");

    const int a = load_sound(-1, wav_path);
    const int b = load_sound(-1, ogg_path);
    EXPECT_GE(a, 1);
    EXPECT_GE(b, 1);
    EXPECT_NE(a, b);
    EXPECT_TRUE(is_sound(a));
    play_sound(a, 3);  // nothing to play on: nothing happens
    play_sound_once(b);

    EXPECT_EQ(load_sound(-1, dir.path + "missing.wav"), 0);
    EXPECT_EQ(load_sound(-1, junk_path), 0);

    // A chosen number answers with a success flag and shares the handles' table.
    EXPECT_EQ(load_sound(50, wav_path), 1);
    EXPECT_TRUE(is_sound(50));
    EXPECT_EQ(load_sound(50, junk_path), 0);
    EXPECT_TRUE(is_sound(50));  // a failed load leaves the old sound in place
    EXPECT_EQ(load_sound(-2, wav_path), 0);

    free_sound(a);
    EXPECT_FALSE(is_sound(a));
    EXPECT_TRUE(is_sound(b));
    free_sound(a);  // freeing twice is harmless
    play_sound(a, 0);
    sound_shutdown();
    EXPECT_FALSE(is_sound(b));
    EXPECT_FALSE(is_sound(50));
}

TEST(SoundTable, TheSoundBudgetRefusesTheSoundThatWouldPassItAndFreeingGivesItBack) {
    sound_shutdown();
    TempDir dir;
    // Twenty minutes of 8 kHz mono: 19 MB here, well over 200 MB at 44.1 kHz
    // stereo, which is what it counts for without a device.
    const Bytes wav = wave16(1, 8000, std::vector<int16_t>(8000 * 1200, 100));
    const std::string path = dir.write("long.wav", std::string(wav.begin(), wav.end()));
    const int a = load_sound(-1, path);
    const int b = load_sound(-1, path);
    ASSERT_GE(a, 1);
    ASSERT_GE(b, 1);
    const size_t reports = limits_reported().size();
    EXPECT_EQ(load_sound(-1, path), 0);
    ASSERT_EQ(limits_reported().size(), reports + 1);
    EXPECT_EQ(limits_reported().back().find(path + " not loaded: "), 0u) << limits_reported().back();
    EXPECT_NE(limits_reported().back().find("sound budget"), std::string::npos);
    // Replacing a sound in its slot, or freeing one, makes room again.
    EXPECT_EQ(load_sound(a, path), 1);
    free_sound(b);
    EXPECT_GE(load_sound(-1, path), 1);
    sound_shutdown();
}

// ===========================================================================
// Through the disk driver
// ===========================================================================

class SoundDevice : public ::testing::Test {
  protected:
    void SetUp() override {
#if defined(_WIN32)
        GTEST_SKIP() << "SDL's disk audio driver keeps its file locked on Windows: it cannot be read while written";
#endif
    }
};

TEST_F(SoundDevice, PlayOnceIsExactAndPlayingAgainRestartsInsteadOfOverlapping) {
    DiskDevice disk;
    ASSERT_TRUE(init_sound());
    const long n = device_rate;  // one second
    const std::vector<int16_t> s = signal(n);
    const Bytes wav = wave16(2, device_rate, s);
    const std::string path = disk.dir.write("s.wav", std::string(wav.begin(), wav.end()));
    int h = load_sound(-1, path);
    ASSERT_GE(h, 1);

    const TwoPlays p = play_twice(disk, h, path, 0, 5000, s);
    const long k = p.k;
    ASSERT_GE(k, 5000);
    EXPECT_TRUE(same_from(p.out, 0, std::vector<int16_t>(s.begin(), s.begin() + k * 2)));
    EXPECT_TRUE(same_from(p.out, k, s));  // begun again, alone, to the end
    EXPECT_EQ(last_sound(p.out), k + n - 1);
}

TEST_F(SoundDevice, OverlapFlagMixesASecondVoice) {
    DiskDevice disk;
    ASSERT_TRUE(init_sound());
    const long n = device_rate / 2;
    const std::vector<int16_t> s = signal(n);
    const Bytes wav = wave16(2, device_rate, s);
    const std::string path = disk.dir.write("s.wav", std::string(wav.begin(), wav.end()));
    int h = load_sound(-1, path);

    const TwoPlays p = play_twice(disk, h, path, 2, 3000, s);
    const long k = p.k;
    ASSERT_GE(k, 3000);
    // The sum of both voices, clipped, until the second one ends.
    std::vector<int16_t> want(s.begin(), s.begin() + k * 2);
    for (long f = k; f < k + n; ++f)
        for (int c = 0; c < 2; ++c) {
            const int first = f < n ? s[f * 2 + c] : 0;
            want.push_back(clip(first + s[(f - k) * 2 + c]));
        }
    EXPECT_TRUE(same_from(p.out, 0, want));
    EXPECT_EQ(last_sound(p.out), k + n - 1);
}

TEST_F(SoundDevice, LoopRepeatsUntilTheSoundIsFreed) {
    DiskDevice disk;
    ASSERT_TRUE(init_sound());
    const long n = 3001;  // odd, so the wrap does not line up with mixer buffers
    const std::vector<int16_t> s = signal(n);
    const Bytes wav = wave16(2, device_rate, s);
    const int h = load_sound(-1, disk.dir.write("s.wav", std::string(wav.begin(), wav.end())));

    play_sound(h, 1);
    std::vector<int16_t> out = disk.wait_until(started(4 * n));
    const long a = first_sound(out);
    ASSERT_GE(a, 0);
    for (long f = 0; a + f < static_cast<long>(out.size() / 2); ++f)
        ASSERT_EQ(out[(a + f) * 2 + 1], s[(f % n) * 2 + 1]) << "frame " << f;

    free_sound(h);  // its voice goes with it
    const size_t freed_at = disk.mixed().size();
    out = disk.wait_until([&](const std::vector<int16_t>& m) { return m.size() > freed_at + 16384; });
    for (size_t i = freed_at + 4096; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << "sample " << i;
}

TEST_F(SoundDevice, SoundsInAnotherFormatAreConvertedToTheDevice) {
    DiskDevice disk;
    use_ogg_decoder();
    // Loaded before the device opens: converted when it does.
    const long n = 11025;  // half a second of mono at 22050 Hz
    std::vector<int16_t> mono;
    for (long f = 0; f < n; ++f)
        mono.push_back(static_cast<int16_t>(10000 * std::sin(2 * M_PI * 200.0 * f / 22050) + 12000));
    const Bytes wav = wave16(1, 22050, mono);
    const int h = load_sound(-1, disk.dir.write("m.wav", std::string(wav.begin(), wav.end())));
    ASSERT_GE(h, 1);
    ASSERT_TRUE(init_sound());

    play_sound_once(h);
    const std::vector<int16_t> out = disk.wait_until(finished(2 * n - 64));
    const long a = first_sound(out), z = last_sound(out);
    ASSERT_GE(a, 0);
    EXPECT_NEAR(z - a + 1, 2 * n, 64);  // twice the frames at twice the rate
    for (long f = a; f <= z; ++f) ASSERT_EQ(out[f * 2], out[f * 2 + 1]) << "frame " << f;
    // Away from the edges the resampled wave follows the original.
    for (long f = 200; f < 2 * n - 200; f += 37) {
        const double want = 10000 * std::sin(2 * M_PI * 200.0 * f / 44100) + 12000;
        ASSERT_NEAR(out[(a + f) * 2], want, 400) << "frame " << f;
    }

    // An Ogg file plays too, and at its own length.
    const Bytes ogg = encode_vorbis(2, device_rate, sine(2, device_rate, 8000, 500, 0.4));
    const int o = load_sound(-1, disk.dir.write("o.ogg", std::string(ogg.begin(), ogg.end())));
    ASSERT_GE(o, 1);
    const size_t before = disk.mixed().size();
    play_sound_once(o);
    const std::vector<int16_t> more = disk.wait_until([&](const std::vector<int16_t>& m) {
        if (m.size() <= before) return false;
        std::vector<int16_t> tail(m.begin() + before, m.end());
        return finished(7000)(tail);
    });
    std::vector<int16_t> tail(more.begin() + before, more.end());
    EXPECT_NEAR(last_sound(tail) - first_sound(tail) + 1, 8000, 200);
}
