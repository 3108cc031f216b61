// The TIFF decoder: little- and big-endian, classic and big TIFF, chosen by
// the input's first byte.
#include "fuzz/image_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const signatures[] = {"II*\0", "MM\0*", "II+\0", "MM\0+"};
    const int pick = size > 0 ? data[0] % 4 : 0;
    // Keep the input's own signature when it already has one.
    for (const char* s : signatures)
        if (size >= 4 && std::memcmp(data, s, 4) == 0) return fuzz::fuzz_image_with_signature(data, size, s, 4);
    return fuzz::fuzz_image_with_signature(data, size, signatures[pick], 4);
}
