// The TGA decoder. TGA has no signature: inputs that carry another format's
// are left to that format's harness, everything else goes to the detection
// and, when it looks like a TGA header, to the decoder.
#include "fuzz/image_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::register_image_decoders();
    static const char* const others[] = {"\x89PNG", "\xff\xd8\xff", "II*\0", "MM\0*", "II+\0", "MM\0+", "BM"};
    for (const char* s : others) {
        const size_t n = s[0] == 'B' ? 2 : (s[0] == '\xff' ? 3 : 4);
        if (size >= n && std::memcmp(data, s, n) == 0) return 0;
    }
    fuzz::check_image(data, size);
    return 0;
}
