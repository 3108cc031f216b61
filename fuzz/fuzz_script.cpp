// The automation script parser: the input is the script's text.
#include "fuzz/fuzz_support.h"

#include "runtime/testing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string body(reinterpret_cast<const char*>(data), size);
    bool joystick = false;
    std::string where, why;
    if (!tw::parse_automation_script(body, joystick, where, why)) {
        fuzz::check(where.rfind("line ", 0) == 0, "a refusal names its line");
        fuzz::check(!why.empty(), "a refusal says why");
    }
    return 0;
}
