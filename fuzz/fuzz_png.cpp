// The PNG decoder.
#include "fuzz/image_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzz::fuzz_image_with_signature(data, size, "\x89PNG\r\n\x1a\n", 8);
}
