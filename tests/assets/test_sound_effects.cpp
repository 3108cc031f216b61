// Sound effects: which files of the folder become records, their names and
// paths, and the loaded flag.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "assets/assets.h"
#include "presentation/presentation.h"
#include "runtime/media_runtime.h"
#include "runtime/testing.h"
#include "support/media_files.h"
#include "support/test_support.h"

using namespace tw;
using tw::test::Bytes;
using tw::test::TempDir;
using tw::test::wave16;

namespace {

// A 16-bit RIFF WAVE. load_sound chooses its decoder by content, so a test
// can stand in for an encoded effect without an Ogg encoder.
Bytes short_wave() {
    std::vector<int16_t> v(200);
    for (size_t i = 0; i < v.size(); ++i) v[i] = i % 2 ? 8000 : -8000;
    return wave16(1, 22050, v);
}

TEST(SoundEffects, OggFilesOfTheFolderInListingOrder) {
    set_start_values();
    TempDir dir;
    dir.write("sfx/coin.ogg", short_wave());
    dir.write("sfx/Bell.OGG", short_wave());
    dir.write("sfx/broken.ogg", "not a sound at all");
    dir.write("sfx/alarm.wav", short_wave());
    std::filesystem::create_directories(dir.path + "sfx/folder.ogg");
    engine.sound_fx_path = dir.path + "sfx/";
    sound_effect* stale = list_add(engine.sound_fx_list);
    stale->name = "stale.ogg";

    load_sound_effects();

    ASSERT_EQ(list_size(engine.sound_fx_list), 3);
    const sound_effect* bell = list_at(engine.sound_fx_list, 0);
    const sound_effect* broken = list_at(engine.sound_fx_list, 1);
    const sound_effect* coin = list_at(engine.sound_fx_list, 2);
    EXPECT_EQ(bell->name, "Bell.OGG");
    EXPECT_EQ(broken->name, "broken.ogg");
    EXPECT_EQ(coin->name, "coin.ogg");
    EXPECT_EQ(coin->path, dir.path + "sfx/coin.ogg");
    EXPECT_EQ(broken->loaded, 0);
    EXPECT_EQ(broken->handle, 0);
    EXPECT_EQ(coin->loaded, coin->handle != 0 ? 1 : 0);
    EXPECT_EQ(list_index(engine.sound_fx_list), 2);  // the cursor sits on the last record added
    set_start_values();
}

TEST(SoundEffects, MissingFolderLeavesTheListEmpty) {
    set_start_values();
    engine.sound_fx_path = "/no/such/folder/";
    list_add(engine.sound_fx_list);
    load_sound_effects();
    EXPECT_EQ(list_size(engine.sound_fx_list), 0);
}

// ===========================================================================
// Playback through SDL's disk audio driver, which writes what was mixed.
// ===========================================================================

// The left channel of what the device has written so far (stereo, 16 bits).
std::vector<int> mixed_left(const std::string& path) {
    const std::string bytes = tw::test::read_file(path);
    std::vector<int> out;
    for (size_t i = 0; i + 3 < bytes.size(); i += 4)
        out.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) |
                                           (static_cast<uint8_t>(bytes[i + 1]) << 8)));
    return out;
}

// The test sound is a ramp 1, 2, 3, ... so the output shows every start of
// it as a 1 and every sample as either the next ramp value or silence. Two
// voices at once would add up to values that fit neither.
struct RampRuns {
    std::vector<std::pair<int, int>> runs;  // first and last value of each run
    bool single_voice = true;
    int samples = 0;
};

RampRuns ramp_runs(const std::vector<int>& mixed) {
    RampRuns r;
    r.samples = static_cast<int>(mixed.size());
    int prev = 0;
    for (int v : mixed) {
        if (v == 1) r.runs.push_back({1, 1});
        else if (v != 0 && prev != 0 && v == prev + 1) r.runs.back().second = v;
        else if (v != 0) r.single_voice = false;
        prev = v;
    }
    return r;
}

// Waits until the mixed output satisfies done; gives up once the device has
// written far more than the test needs (the disk driver writes in real time).
constexpr int give_up_samples = 20 * 20000;  // twenty times the test sound

template <class Done>
bool wait_for_output(const std::string& path, Done done) {
    for (int attempt = 0; attempt < 3000; ++attempt) {
        const RampRuns r = ramp_runs(mixed_left(path));
        if (done(r)) return true;
        if (r.samples > give_up_samples) return false;
        delay(20);
    }
    return false;
}

TEST(SoundEffects, CountSoundRestartsAndOnlyTheFirstExactNameIsPlayed) {
    constexpr int frames = 20000;
    TempDir dir;
    std::vector<int16_t> ramp;
    for (int i = 1; i <= frames; ++i) ramp.insert(ramp.end(), {static_cast<int16_t>(i), static_cast<int16_t>(i)});
    dir.write("sfx/coin.ogg", wave16(2, 44100, ramp));
    dir.write("loud.wav", wave16(2, 44100, std::vector<int16_t>(4000, 31000)));
    const std::string out = dir.path + "mixed.raw";
#if defined(_WIN32)
    GTEST_SKIP() << "SDL's disk audio driver keeps its file locked on Windows: it cannot be read while written";
#endif
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);

    set_start_values();
    ASSERT_TRUE(init_sound());
    engine.sound_fx_path = dir.path + "sfx/";
    load_sound_effects();
    ASSERT_EQ(list_size(engine.sound_fx_list), 1);
    ASSERT_EQ(list_at(engine.sound_fx_list, 0)->loaded, 1);
    // A second record of the same name, further down the list, is never reached.
    sound_effect* twin = list_add(engine.sound_fx_list);
    twin->name = "coin.ogg";
    twin->handle = load_sound(-1, dir.path + "loud.wav");
    twin->loaded = 1;
    ASSERT_NE(twin->handle, 0);

    const auto add = [](const char* name, int8_t use) {
        object_instance* o = list_add(engine.object_instances);
        o->count_sound = name;
        o->use_count_sound = use;
        return list_index(engine.object_instances);
    };
    const int coin = add("coin.ogg", 1);
    const int wrong_case = add("Coin.ogg", 1);
    const int no_extension = add("coin", 1);
    const int silent = add("coin.ogg", 0);

    play_count_sound(coin);
    ASSERT_TRUE(wait_for_output(out, [](const RampRuns& r) {
        return !r.runs.empty() && r.runs.back().second > 100;
    }));
    play_count_sound(coin);  // while the first is still playing
    ASSERT_TRUE(wait_for_output(out, [](const RampRuns& r) {
        return r.runs.size() >= 2 && r.runs.back().second == frames;
    }));

    // Names that differ in case or lack the extension play nothing, nor does
    // an object without a count sound: the output stays silent for longer
    // than the sound lasts.
    const int before = ramp_runs(mixed_left(out)).samples;
    play_count_sound(wrong_case);
    play_count_sound(no_extension);
    play_count_sound(silent);
    ASSERT_TRUE(wait_for_output(out, [&](const RampRuns& r) { return r.samples > before + 2 * frames; }));

    sound_shutdown();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const RampRuns r = ramp_runs(mixed_left(out));
    EXPECT_TRUE(r.single_voice);
    ASSERT_EQ(r.runs.size(), 2u);
    EXPECT_LT(r.runs[0].second, frames);  // cut short by the restart
    EXPECT_EQ(r.runs[1], std::make_pair(1, frames));
    set_start_values();
}

}  // namespace
