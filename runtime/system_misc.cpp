// system_misc: dates, message boxes and the reports of limits reached.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "runtime/video_internal.h"

namespace tw {

// ===========================================================================
// Dates
// ===========================================================================

int64_t current_date() {
    // Local time expressed as seconds since 1970, so that formatting it as
    // UTC gives the local calendar fields.
    time_t now = time(nullptr);
    struct tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
    return static_cast<int64_t>(_mkgmtime(&local));
#else
    localtime_r(&now, &local);
    return static_cast<int64_t>(now) + static_cast<int64_t>(local.tm_gmtoff);
#endif
}

text format_date(const text& mask, int64_t seconds) {
    time_t t = static_cast<time_t>(seconds);
    struct tm f{};
#if defined(_WIN32)
    gmtime_s(&f, &t);
#else
    gmtime_r(&t, &f);
#endif
    auto two = [](int v) {
        char b[8];
        std::snprintf(b, sizeof b, "%02d", v % 100);
        return text(b);
    };
    auto starts = [&](size_t pos, const char* word) {
        size_t n = std::strlen(word);
        if (pos + n > mask.size()) return false;
        for (size_t k = 0; k < n; ++k) {
            char c = mask[pos + k];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (c != word[k]) return false;
        }
        return true;
    };
    text out;
    for (size_t i = 0; i < mask.size();) {
        if (mask[i] == '%') {
            if (starts(i + 1, "yyyy")) { char b[16]; std::snprintf(b, sizeof b, "%04d", f.tm_year + 1900); out += b; i += 5; continue; }
            if (starts(i + 1, "yy")) { out += two(f.tm_year + 1900); i += 3; continue; }
            if (starts(i + 1, "mm")) { out += two(f.tm_mon + 1); i += 3; continue; }
            if (starts(i + 1, "dd")) { out += two(f.tm_mday); i += 3; continue; }
            if (starts(i + 1, "hh")) { out += two(f.tm_hour); i += 3; continue; }
            if (starts(i + 1, "ii")) { out += two(f.tm_min); i += 3; continue; }
            if (starts(i + 1, "ss")) { out += two(f.tm_sec); i += 3; continue; }
        }
        out += mask[i];
        ++i;
    }
    return out;
}

// ===========================================================================
// Message boxes
// ===========================================================================

namespace {

// A box can be shown and someone may be there to answer it.
bool display_available() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0))
        return false;
    // Scripted runs never wait for a person.
    if (std::getenv("TILEWORLD_SCRIPT") || video::script_running()) return false;
#if defined(_WIN32) || defined(__EMSCRIPTEN__)
    return true;
#else
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (w && *w);
#endif
}

}  // namespace

int message_box(const text& title, const text& body, int flags) {
    bool yes_no = flags == message_yes_no;
    if (!display_available()) return yes_no ? answer_yes : 1;  // as if the first button was pressed
    SDL_MessageBoxButtonData ok_button[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 1, "OK"}};
    SDL_MessageBoxButtonData yes_no_buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, answer_yes, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, answer_no, "No"}};
    SDL_MessageBoxData data{};
    data.flags = SDL_MESSAGEBOX_ERROR;
    data.title = title.c_str();
    data.message = body.c_str();
    data.numbuttons = yes_no ? 2 : 1;
    data.buttons = yes_no ? yes_no_buttons : ok_button;
    int pressed = 0;
    if (SDL_ShowMessageBox(&data, &pressed) != 0) return yes_no ? answer_yes : 1;
    return pressed;
}

}  // namespace tw

// ===========================================================================
// Limits reached
// ===========================================================================

namespace tw {

namespace {
std::vector<text>& limit_reports() {
    static std::vector<text> reports;
    return reports;
}
bool quiet_limits = false;
}  // namespace

void report_limit(const text& message) {
    // A hostile folder can reach a limit thousands of times; the first
    // hundred say enough.
    if (limit_reports().size() >= 100) return;
    limit_reports().push_back(message);
    if (!quiet_limits) std::fprintf(stderr, "tileworld: %s\n", message.c_str());
}

std::vector<text> limits_reported() { return limit_reports(); }

void keep_limit_reports_quiet() { quiet_limits = true; }

}  // namespace tw
