// Shared pieces of the fuzz harnesses: a scratch folder for the inputs that
// the engine reads from files, file writing, and the check that turns a broken
// promise of the code under test into a crash the fuzzer records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

// A folder of its own, made on first use and removed when the fuzzer ends
// normally; in memory (/dev/shm) where the system has it, since most
// harnesses write a file for every input. Ends with '/'.
inline const std::string& scratch_dir() {
    // Never destroyed: the removal at exit still needs the name.
    static const std::string* const dir = [] {
        std::error_code ec;
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path();
        std::string tmpl = (base / "tileworld-fuzz-XXXXXX").string();
        char* made = mkdtemp(tmpl.data());
        if (!made) {
            std::fprintf(stderr, "fuzz: cannot make a scratch folder\n");
            std::abort();
        }
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(scratch_dir(), ec);
        });
        return new std::string(std::string(made) + "/");
    }();
    return *dir;
}

// Writes bytes to scratch_dir() + relative (folders made on the way); returns
// the full path.
inline std::string write_file(const std::string& relative, const uint8_t* data, size_t size) {
    std::filesystem::path p = scratch_dir() + relative;
    std::filesystem::create_directories(p.parent_path());
    FILE* f = std::fopen(p.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "fuzz: cannot write %s\n", p.c_str());
        std::abort();
    }
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return p.string();
}

inline std::string write_file(const std::string& relative, const std::string& contents) {
    return write_file(relative, reinterpret_cast<const uint8_t*>(contents.data()), contents.size());
}

// A property the code under test promises; a violation is a finding.
inline void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz: broken promise: %s\n", what);
    std::abort();
}

}  // namespace fuzz
