// inspection: data files read the way the engine's loaders read them, but
// with the decoded pixels and samples kept and the reason for a refusal
// given. The data checker, the tests and the fuzz harnesses use this face of
// the runtime; the engine does not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/values.h"

namespace tw {

// ===========================================================================
// Images
// ===========================================================================

constexpr int max_image_side = 16384;  // larger images are refused, never allocated
// A few hundred bytes of a compressed format can claim a picture of a gigabyte;
// no tile or sprite needs more than this many pixels (256 MB decoded).
constexpr long long max_image_pixels = 64LL * 1024 * 1024;

// The one picture record: decoded files, world maps, screenshots.
struct rgba_image {
    int width = 0;
    int height = 0;
    bool has_alpha = false;             // an alpha channel of its own (decoded: the file had one)
    std::vector<uint8_t> rgba;          // width * height * 4, rows top to bottom, straight alpha
};

// PNG, JPEG, TIFF, TGA or BMP, chosen by content; only registered formats
// (use_png_decoder ...) and BMP. false with the reason and an empty image.
// A picture of more than `pixel_allowance` pixels is refused before any pixel
// memory is taken, with *over_allowance set (what is left of a budget).
bool decode_image(const uint8_t* data, size_t size, rgba_image& out, text* why = nullptr,
                  long long pixel_allowance = max_image_pixels, bool* over_allowance = nullptr);
// The file decoded as load_sprite decodes it.
bool decode_image_file(const text& path, rgba_image& out, text& why);
// A PNG file, with the alpha channel when the image has one, else RGB.
bool save_png(const text& path, const rgba_image& image);
// The same PNG in memory; false for an image with no pixels or a wrong size.
bool encode_png(const rgba_image& image, std::vector<uint8_t>& png_bytes);

// ===========================================================================
// Sounds
// ===========================================================================

constexpr size_t max_sound_bytes = 64000000;  // decoded PCM is cut here

struct pcm_sound {
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;       // interleaved
};

// RIFF WAVE (chunks walked) or Ogg Vorbis once registered, chosen by content.
// A sound of more than `byte_allowance` bytes decoded (what is left of a
// budget) is refused, with *over_allowance set.
bool decode_sound(const uint8_t* data, size_t size, pcm_sound& out, text* why = nullptr,
                  size_t byte_allowance = max_sound_bytes, bool* over_allowance = nullptr);
// The file decoded as load_sound decodes it.
bool decode_sound_file(const text& path, pcm_sound& out, text& why);

// ===========================================================================
// Limits reached (report_limit in runtime/media_runtime.h)
// ===========================================================================

// Every limit reached since start-up, one message each, in order.
std::vector<text> limits_reported();
// From now on report_limit keeps its messages without writing them to stderr.
void keep_limit_reports_quiet();

// ===========================================================================
// Paths (data paths use \ or / and any case, as load_sprite accepts them)
// ===========================================================================

text resolved_path(const text& path);   // the host path the runtime opens for a data path
bool file_exists(const text& path);     // a file (not a folder) is there
bool folder_exists(const text& path);   // a folder (not a file) is there
text absolute_path(const text& path);   // a host path made absolute against the current folder
// From now on every data path read, listed or found present that leads out of
// the current folder (absolute, through "..", or a symlink pointing out) is
// noted, once, as "data path -> where it leads".
void watch_reads_outside();
std::vector<text> reads_outside();

}  // namespace tw
