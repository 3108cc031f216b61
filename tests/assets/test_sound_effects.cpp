// Sound effects: which files of the folder become records, their names and
// paths, and the loaded flag.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "assets/assets.h"
#include "runtime/media_runtime.h"
#include "support/test_support.h"

using namespace tw;
using tw::test::TempDir;

namespace {

// A short mono 16-bit RIFF WAVE. load_sound chooses its decoder by content,
// so a test can stand in for an encoded effect without an Ogg encoder.
std::string wave_bytes(int samples) {
    auto put16 = [](std::string& s, uint16_t v) {
        s.push_back(static_cast<char>(v & 0xFF));
        s.push_back(static_cast<char>(v >> 8));
    };
    auto put32 = [&](std::string& s, uint32_t v) {
        put16(s, static_cast<uint16_t>(v & 0xFFFF));
        put16(s, static_cast<uint16_t>(v >> 16));
    };
    std::string data;
    for (int i = 0; i < samples; ++i) put16(data, static_cast<uint16_t>(i % 2 ? 8000 : -8000));
    std::string s = "RIFF";
    put32(s, static_cast<uint32_t>(36 + data.size()));
    s += "WAVEfmt ";
    put32(s, 16);
    put16(s, 1);       // PCM
    put16(s, 1);       // mono
    put32(s, 22050);   // rate
    put32(s, 44100);   // bytes per second
    put16(s, 2);       // block align
    put16(s, 16);      // bits
    s += "data";
    put32(s, static_cast<uint32_t>(data.size()));
    return s + data;
}

TEST(SoundEffects, OggFilesOfTheFolderInListingOrder) {
    set_start_values();
    TempDir dir;
    dir.write("sfx/coin.ogg", wave_bytes(200));
    dir.write("sfx/Bell.OGG", wave_bytes(200));
    dir.write("sfx/broken.ogg", "not a sound at all");
    dir.write("sfx/alarm.wav", wave_bytes(200));
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

}  // namespace
