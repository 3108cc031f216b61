// The Ogg Vorbis decoder: every input starts with an Ogg page signature.
#include "fuzz/sound_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    if (bytes.size() < 4) bytes.resize(4);
    std::memcpy(bytes.data(), "OggS", 4);
    fuzz::check_sound(bytes.data(), bytes.size());
    return 0;
}
