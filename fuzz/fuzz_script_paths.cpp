// The output paths of automation scripts: the input is a script's text,
// parsed with the fuzzer's scratch folder as the output folder. Whatever the
// parser accepts must lie inside that folder: every pending screenshot and
// dump is a relative path of plain names. The same promise is checked on the
// input as one path, as the report log's path is checked.
#include "fuzz/fuzz_support.h"

#include <cstdlib>

#include "runtime/media_runtime.h"
#include "runtime/testing.h"

namespace {

// A path as the writer takes it: names separated by single '/', none empty,
// "." or "..", no '\', no ':' and no NUL.
bool plain_relative(const std::string& p) {
    if (p.empty() || p.front() == '/' || p.back() == '/') return false;
    if (p.find_first_of(std::string("\\:\0", 3)) != std::string::npos) return false;
    size_t start = 0;
    for (;;) {
        const size_t end = p.find('/', start);
        const std::string part = p.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        setenv("TILEWORLD_OUTPUT_FOLDER", fuzz::scratch_dir().c_str(), 1);
        return true;
    }();
    (void)ready;
    const std::string body(reinterpret_cast<const char*>(data), size);
    bool joystick = false;
    std::string where, why;
    if (tw::parse_automation_script(body, joystick, where, why)) {
        for (const std::string& p : tw::pending_output_paths())
            fuzz::check(plain_relative(p), "an accepted output path stays inside the folder");
    } else {
        fuzz::check(where.rfind("line ", 0) == 0 && !why.empty(), "a refusal names its line and says why");
    }
    tw::text inside, reason;
    if (tw::path_stays_inside(body, inside, reason)) fuzz::check(plain_relative(inside), "a path kept inside is plain");
    else fuzz::check(!reason.empty(), "a refused path says why");
    return 0;
}
