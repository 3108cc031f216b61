// The RIFF WAVE decoder: every input is given the RIFF / WAVE signature.
#include "fuzz/sound_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    if (bytes.size() < 12) bytes.resize(12);
    std::memcpy(bytes.data(), "RIFF", 4);
    std::memcpy(bytes.data() + 8, "WAVE", 4);
    fuzz::check_sound(bytes.data(), bytes.size());
    return 0;
}
