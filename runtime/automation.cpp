// automation: the script named by TILEWORLD_SCRIPT drives the game without a
// person: it presses keys and joystick buttons, takes screenshots, writes
// dumps of the engine's state, provokes a fault and ends the game, each at a
// given frame.
//
// One command a line; blank lines and lines starting with '#' are ignored:
//   joystick                         a virtual joystick is attached from start
//   at F key CODE down|up            key by its key code (0..255)
//   at F button N down|up            virtual joystick button (from 1)
//   at F axis x|y V                  virtual joystick axis, V -1, 0 or 1
//   at F screenshot PATH             PNG of the frame just presented
//   at F dump PATH                   the engine's dump handler writes PATH
//   at F fault                       the next frame faults inside its input step
//   at F quit                        the main loop ends after the current pass
// The clock F counts presented frames (flip_buffers calls). A command at F
// takes effect once F frames have been presented: inputs are seen by every
// examine call after that, outputs are written right after presentation F.
// While a script runs it is the only input. A malformed line ends the program
// with exit code 2 and a message naming the line.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "runtime/platform.h"
#include "runtime/testing.h"
#include "runtime/video_internal.h"

namespace tw {

// ===========================================================================
// Types and state
// ===========================================================================

namespace {

enum class Kind { key, button, axis, screenshot, dump, fault, quit };

struct Command {
    uint64_t frame = 0;
    Kind kind = Kind::quit;
    int a = 0, b = 0;     // key code / button / axis, and down (1) / up (0) / axis value
    std::string path;
    bool done = false;
};

constexpr size_t max_script_bytes = size_t{16} * 1024 * 1024;

bool running = false;
std::vector<Command> commands;
dump_procedure dump_handler = nullptr;
bool quit_requested = false;
bool fault_pending = false;

// ===========================================================================
// Functions: parsing
// ===========================================================================

std::vector<std::string> words_of(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// A whole decimal number within [low, high]; no sign unless low < 0.
bool number_in(const std::string& w, long long low, long long high, long long& out) {
    if (w.empty() || w.size() > 18) return false;
    size_t i = 0;
    bool negative = false;
    if (w[0] == '-' || w[0] == '+') {
        if (w[0] == '-' && low >= 0) return false;
        negative = w[0] == '-';
        i = 1;
    }
    if (i >= w.size()) return false;
    long long v = 0;
    for (; i < w.size(); ++i) {
        if (w[i] < '0' || w[i] > '9') return false;
        v = v * 10 + (w[i] - '0');
    }
    if (negative) v = -v;
    if (v < low || v > high) return false;
    out = v;
    return true;
}

bool down_or_up(const std::string& w, int& out) {
    if (w == "down") out = 1;
    else if (w == "up") out = 0;
    else return false;
    return true;
}

// The text after the first `skip` words of the line, without surrounding
// blanks: paths may contain blanks.
std::string rest_after(const std::string& line, int skip) {
    size_t i = 0;
    for (int k = 0; k < skip; ++k) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    }
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    size_t end = line.size();
    while (end > i && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
    return line.substr(i, end - i);
}

// One line; an empty reason means it was understood.
std::string parse_line(const std::string& line, bool& wants_joystick) {
    std::vector<std::string> w = words_of(line);
    if (w.empty() || w[0][0] == '#') return {};
    if (w[0] == "joystick") {
        if (w.size() != 1) return "\"joystick\" takes nothing after it";
        wants_joystick = true;
        return {};
    }
    if (w[0] != "at") return "expected \"at\" or \"joystick\"";
    long long frame = 0;
    if (w.size() < 3 || !number_in(w[1], 0, 1000000000000LL, frame))
        return "expected \"at <frame> <command>\" with a frame number of 0 or more";
    Command c;
    c.frame = static_cast<uint64_t>(frame);
    const std::string& what = w[2];
    long long v = 0;
    if (what == "key") {
        if (w.size() != 5 || !number_in(w[3], 0, 255, v) || !down_or_up(w[4], c.b))
            return "expected \"key <code 0..255> down|up\"";
        c.kind = Kind::key;
        c.a = static_cast<int>(v);
    } else if (what == "button") {
        if (w.size() != 5 || !number_in(w[3], 1, 128, v) || !down_or_up(w[4], c.b))
            return "expected \"button <1..128> down|up\"";
        c.kind = Kind::button;
        c.a = static_cast<int>(v);
    } else if (what == "axis") {
        if (w.size() != 5 || (w[3] != "x" && w[3] != "y") || !number_in(w[4], -1, 1, v))
            return "expected \"axis x|y -1|0|1\"";
        c.kind = Kind::axis;
        c.a = w[3] == "x" ? 0 : 1;
        c.b = static_cast<int>(v);
    } else if (what == "screenshot" || what == "dump") {
        c.path = rest_after(line, 3);
        if (c.path.empty()) return "expected a path after \"" + what + "\"";
        c.kind = what == "dump" ? Kind::dump : Kind::screenshot;
    } else if (what == "fault" || what == "quit") {
        if (w.size() != 3) return "\"" + what + "\" takes nothing after it";
        c.kind = what == "fault" ? Kind::fault : Kind::quit;
    } else {
        return "unknown command \"" + what + "\"";
    }
    commands.push_back(c);
    return {};
}

[[noreturn]] void script_error(const std::string& where, const std::string& why) {
    std::fprintf(stderr, "tileworld: automation script %s: %s\n", where.c_str(), why.c_str());
    std::fflush(stderr);
    std::exit(2);
}

// ===========================================================================
// Functions: running
// ===========================================================================

void take_screenshot(const std::string& path) {
    rgba_image shot;  // opaque: written as RGB
    shot.width = video::screen_width();
    shot.height = video::screen_height();
    if (!read_screen_pixels(1, 0, 0, shot.width, shot.height, shot.rgba)) {
        std::fprintf(stderr, "tileworld: screenshot %s: no screen to take it from\n", path.c_str());
        return;
    }
    if (!save_png(path, shot)) std::fprintf(stderr, "tileworld: screenshot %s: cannot write\n", path.c_str());
}

void run(Command& c) {
    c.done = true;
    switch (c.kind) {
        case Kind::key: inject_key(c.a, c.b != 0); break;
        case Kind::button: inject_joystick_button(c.a, c.b != 0); break;
        case Kind::axis: inject_joystick_axis(c.a, c.b); break;
        case Kind::screenshot: take_screenshot(c.path); break;
        case Kind::dump:
            if (dump_handler) dump_handler(c.path);
            else std::fprintf(stderr, "tileworld: dump %s: no dump handler\n", c.path.c_str());
            break;
        case Kind::fault: fault_pending = true; break;
        case Kind::quit: quit_requested = true; break;
    }
}

bool is_input(Kind k) { return k == Kind::key || k == Kind::button || k == Kind::axis; }

}  // namespace

// ===========================================================================
// Runtime hooks
// ===========================================================================

namespace video {

bool script_running() { return running; }

void after_flip() {
    if (!running) return;
    const uint64_t now = frames_presented();
    for (Command& c : commands)
        if (!c.done && c.frame <= now) run(c);
}

void fault_point() {
    if (!fault_pending) return;
    fault_pending = false;  // cleared first: the fault leaves this function for good
    provoke_fault();
}

void reset_automation() {
    running = false;
    commands.clear();
    quit_requested = false;
    fault_pending = false;
}

}  // namespace video

// ===========================================================================
// Starting a script
// ===========================================================================

bool parse_automation_script(const std::string& body, bool& wants_joystick, std::string& where,
                             std::string& why) {
    commands.clear();
    size_t start = 0;
    for (int number = 1; start <= body.size(); ++number) {
        size_t end = body.find('\n', start);
        if (end == std::string::npos) end = body.size();
        std::string line = body.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string reason = parse_line(line, wants_joystick);
        if (!reason.empty()) {
            commands.clear();
            where = "line " + std::to_string(number);
            why = reason + ": " + line;
            return false;
        }
        start = end + 1;
    }
    // Commands run in frame order; those of one frame in the order written.
    std::stable_sort(commands.begin(), commands.end(),
                     [](const Command& a, const Command& b) { return a.frame < b.frame; });
    return true;
}

void automation_startup() {
    video::reset_automation();
    const char* path = std::getenv("TILEWORLD_SCRIPT");
    if (!path || !*path) return;
    std::vector<uint8_t> bytes;
    if (!platform::read_whole_file(path, bytes, max_script_bytes)) script_error(path, "cannot be read");
    std::string body(bytes.begin(), bytes.end());
    bool wants_joystick = false;
    std::string where, why;
    if (!parse_automation_script(body, wants_joystick, where, why))
        script_error(std::string(path) + " " + where, why);
    running = true;
    if (wants_joystick) attach_virtual_joystick();
    // Inputs due before the first frame are in place from the start; outputs
    // wait for a presented frame.
    for (Command& c : commands)
        if (c.frame == 0 && is_input(c.kind)) run(c);
}

// ===========================================================================
// Engine side
// ===========================================================================

void set_dump_handler(dump_procedure p) { dump_handler = p; }

bool automation_quit_requested() { return quit_requested; }

}  // namespace tw
