// The few POSIX calls the tests make, for the Windows build of the tests:
// CMake includes this header ahead of every test source there.
#pragma once

// M_PI and the other constants, as glibc gives them.
#define _USE_MATH_DEFINES

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>
#include <thread>

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && std::getenv(name)) return 0;
    return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name) { return _putenv_s(name, "") == 0 ? 0 : -1; }

// A test that never ends is ended after `seconds`, as SIGALRM would end it.
inline unsigned alarm(unsigned seconds) {
    if (seconds > 0) {
        std::thread([seconds] {
            std::this_thread::sleep_for(std::chrono::seconds(seconds));
            std::fputs("alarm: time is up\n", stderr);
            std::_Exit(142);
        }).detach();
    }
    return 0;
}

// Makes a fresh folder from a template ending in XXXXXX.
inline char* mkdtemp(char* name) {
    const size_t n = std::strlen(name);
    if (n < 6) return nullptr;
    std::random_device seed;
    std::mt19937 pick(seed());
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::snprintf(name + n - 6, 7, "%06u", static_cast<unsigned>(pick() % 1000000u));
        std::error_code ec;
        if (std::filesystem::create_directory(name, ec)) return name;
        if (ec) return nullptr;
    }
    return nullptr;
}
