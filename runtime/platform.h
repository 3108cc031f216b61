// platform: what the pieces of the runtime share among themselves besides
// its three faces (media_runtime.h, testing.h, inspection.h). Only files in
// runtime/ include this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/values.h"

namespace tw::platform {

// Whole file into memory; false when it cannot be read or is larger than limit
// (runtime/system_files.cpp).
bool read_whole_file(const text& path, std::vector<uint8_t>& out, size_t limit);
void close_all_files();  // every open file, flushed first (runtime/system_files.cpp)

// The seed of a clock seeding: the script's "seed" when it has one, else
// `from_clock`; a recording writes it down (runtime/automation.cpp).
uint32_t clock_seed(uint32_t from_clock);

// Longest single wait (sleep, event wait) before a stop request is looked at.
constexpr int stop_slice_ms = 50;

}  // namespace tw::platform
