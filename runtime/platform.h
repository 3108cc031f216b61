// platform: what the pieces of the runtime share among themselves. Only files
// in runtime/ include this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/values.h"

namespace tw::platform {

// ===========================================================================
// Paths and files (runtime/system_files.cpp)
// ===========================================================================

// A path as the data wrote it (\ or / separators, any case) turned into one the
// host can open: separators converted, and every component that does not exist
// with its exact case looked up case-insensitively. Unresolvable parts are kept.
std::string resolve_path(const text& path);
// Whole file into memory; false when it cannot be read or is larger than limit.
bool read_whole_file(const text& path, std::vector<uint8_t>& out, size_t limit);
// Case-insensitive wildcard match with * and ? (folder scans).
bool wildcard_match(const text& pattern, const text& name);

// ===========================================================================
// Decoders (runtime/decode_image.cpp, runtime/decode_sound.cpp)
// ===========================================================================

constexpr int max_image_side = 16384;   // larger images are refused, never allocated
// A few hundred bytes of a compressed format can claim a picture of a gigabyte;
// no tile or sprite needs more than this many pixels (256 MB decoded).
constexpr long long max_image_pixels = 64LL * 1024 * 1024;

struct Image {
    int width = 0;
    int height = 0;
    bool has_alpha = false;             // the file carried its own alpha channel
    std::vector<uint8_t> rgba;          // width * height * 4, rows top to bottom, straight alpha
};
// PNG, JPEG, TIFF, TGA or BMP, chosen by content. false with a reason on failure.
bool decode_image(const uint8_t* data, size_t size, Image& out, std::string* why = nullptr);

constexpr size_t max_sound_bytes = 64000000;  // decoded PCM is cut here

struct Pcm {
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;       // interleaved
};
// RIFF WAVE (chunks walked) or Ogg Vorbis, chosen by content.
bool decode_sound(const uint8_t* data, size_t size, Pcm& out, std::string* why = nullptr);

// ===========================================================================
// Faults (runtime/system_faults.cpp): the automation script provokes a real
// processor fault with this.
// ===========================================================================

void provoke_fault();

// ===========================================================================
// Pieces of runtime start-up and shutdown, called by runtime_startup and
// runtime_shutdown (runtime/system_faults.cpp) in this order.
// ===========================================================================

void automation_startup();  // reads TILEWORLD_SCRIPT; a malformed script exits with code 2
// The script parser on its own (runtime/automation.cpp): the script's text
// becomes the pending commands. false with the line ("line N") and the reason
// when a line is malformed; nothing is then pending.
bool parse_automation_script(const std::string& body, bool& wants_joystick, std::string& where,
                             std::string& why);
void video_shutdown();      // windows, 3D sprites, mouse, screen, sprites, keyboard, joystick
void sound_shutdown();      // sound device and sounds

void close_all_files();    // every open file, flushed first (runtime/system_files.cpp)

// Longest single wait (sleep, event wait) before a stop request is looked at.
constexpr int stop_slice_ms = 50;

// Milliseconds since the runtime started (monotonic).
uint64_t tick_ms();

}  // namespace tw::platform

// ===========================================================================
// Screen read-back (runtime/video_display.cpp), for tests: RGBA rows of the
// back buffer (which 0) or of the frame the last flip presented (which 1).
// false without a screen or for a rectangle outside it.
// ===========================================================================

namespace tw::platform {
bool read_screen_pixels(int which, int x, int y, int width, int height, std::vector<uint8_t>& rgba);
}  // namespace tw::platform
