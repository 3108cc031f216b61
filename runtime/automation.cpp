// automation: the script named by TILEWORLD_SCRIPT drives the game without a
// person: it presses keys and joystick buttons, takes screenshots, writes
// dumps of the engine's state, checks the state, provokes a fault and ends
// the game, each at a given frame. TILEWORLD_RECORD writes a session down as
// such a script, so that replaying it reproduces the session and checks that
// the game went the same way.
//
// One command a line; blank lines and lines starting with '#' are ignored:
//   joystick                         a virtual joystick is attached from start
//   seed N                           where the generator would seed from the
//                                    clock, it seeds with N (0..4294967295)
//   display WxH                      the primary display has this size (over
//                                    TILEWORLD_DISPLAY)
//   at F key CODE down|up            key by its key code (0..255)
//   at F button N down|up            virtual joystick button (from 1)
//   at F axis x|y V                  virtual joystick axis, V -1, 0 or 1
//   at F screenshot PATH             PNG of the frame just presented
//   at F dump PATH                   the engine's dump handler writes PATH
//   at F fault                       the next frame faults inside its input step
//   at F check DIGEST                the state's digest must be DIGEST, else the
//                                    program says where it differs and exits with 3
//   at F quit                        the main loop ends after the current pass
// Screenshots and dumps go inside the game folder, or inside the folder that
// --output-folder (or TILEWORLD_OUTPUT_FOLDER) names: a relative path is
// taken from there, an absolute one must lie in it, and ".." may not climb
// out. A path that leaves it refuses the whole script before the game starts
// (exit code 4, the line named); so does a script with more than
// max_outputs screenshots and dumps. An output that cannot be written (a
// symbolic link on the way, anything but a regular file there, a write
// error, or more than max_output_bytes written in all) ends the run with
// exit code 4. A script ends after its last command, as if it quit there;
// on a display, Escape and the window's close end it sooner.
// The clock F counts presented frames (flip_buffers calls). A command at F
// takes effect once F frames have been presented: inputs are seen by every
// examine call after that, outputs are written right after presentation F.
// While a script runs it is the only input. A malformed line ends the program
// with exit code 2 and a message naming the line.
//
// A recording holds every change of a key, joystick button or axis at the
// frame the examine calls first saw it, the seed of a clock seeding, the
// display's size, a joystick when one was attached, a check every 60 frames
// and at the end, and the final quit. While recording, the first examine of a
// frame reads the device and the frame's later examines see the same, so that
// each change belongs to one frame, as when the script plays it back.
//
// A digest is computed from the dump's text, never from memory, so that it is
// the same on every platform. A dump field is the lines that start with one
// word (each ended by LF, whatever end the text had), hashed with 64-bit
// FNV-1a; the digest is "<whole> <fields>": 16 hex digits of the hash of all
// fields, then two hex digits for each field in the order the words first
// appear, so that a replay can name the first field that differs.
#include <algorithm>
#include <cstdarg>
#include <filesystem>
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

enum class Kind { key, button, axis, screenshot, dump, fault, check, quit };

struct Command {
    uint64_t frame = 0;
    Kind kind = Kind::quit;
    int a = 0, b = 0;     // key code / button / axis, and down (1) / up (0) / axis value
    std::string path;     // screenshot and dump: the file; check: the digest
    int line = 0;         // where the script has it, for messages
    bool done = false;
};

// The script's lines that carry no frame.
struct Settings {
    bool has_seed = false;
    uint32_t seed = 0;
    int display_width = 0, display_height = 0;  // 0: not given
};

constexpr size_t max_script_bytes = size_t{16} * 1024 * 1024;
constexpr uint64_t check_interval = 60;
constexpr int max_keys = 256, max_buttons = 128;
// What one script may write: generous for any test or replay, but a shipped
// recording cannot fill the player's disk.
constexpr size_t max_outputs = 1000;
constexpr uint64_t max_output_bytes = uint64_t{1} << 30;

text given_script, given_recording;  // from the command line
std::string script_name;             // the script being played, for messages
int line_number = 0;                 // the line being parsed
bool running = false;
std::vector<Command> commands;  // in frame order
size_t next_command = 0;        // the first command whose frame has not come yet
Settings settings;
dump_procedure dump_handler = nullptr;
bool quit_requested = false;
bool fault_pending = false;
bool out_of_step = false;       // a check failed; the program is ending with code 3
int checks_passed = 0;
text given_output_folder;       // --output-folder, absolute; empty: not given
text output_root;               // where this script's outputs go (set when it is read)
size_t outputs_in_script = 0;
bool refused_outputs = false;   // the script was refused for its outputs: exit code 4
uint64_t bytes_written = 0;
bool output_failed = false;     // an output could not be written: the program ends with 4
bool stopped_by_player = false; // Escape or the window's close during a script

struct Recorder {
    std::FILE* file = nullptr;
    bool keys[max_keys] = {};
    bool buttons[max_buttons + 1] = {};
    int axes[2] = {};
    uint64_t last_check = UINT64_MAX;
    uint64_t quit_frame = UINT64_MAX;  // when the script asked to quit
    bool joystick_noted = false;
    bool display_noted = false;
};
Recorder recorder;

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

bool is_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

bool is_digest(const std::string& d) {
    const size_t blank = d.find(' ');
    if (blank != 16 || (d.size() - 17) % 2 != 0 || d.size() <= 17) return false;
    for (size_t i = 0; i < d.size(); ++i)
        if (i != blank && !is_hex(d[i])) return false;
    return true;
}

// Where the outputs go: --output-folder, else TILEWORLD_OUTPUT_FOLDER, else
// the game folder (the current one once start-up has entered it).
text current_output_folder() {
    if (!given_output_folder.empty()) return given_output_folder;
    const char* env = std::getenv("TILEWORLD_OUTPUT_FOLDER");
    if (env && *env) return absolute_path(env);
    return current_directory();
}

bool is_absolute(const std::string& p) {
    if (!p.empty() && (p[0] == '/' || p[0] == '\\')) return true;
    return p.size() >= 2 && p[1] == ':' && ((p[0] >= 'a' && p[0] <= 'z') || (p[0] >= 'A' && p[0] <= 'Z'));
}

// An output path as the script wrote it, made relative to output_root: an
// absolute path must lie (as written, with '\\' and '/' alike) inside it.
bool output_inside(const std::string& written, std::string& inside, std::string& why) {
    std::string relative = written;
    if (is_absolute(written)) {
        namespace fs = std::filesystem;
        std::string p = written;
        if (fs::path::preferred_separator == '/') std::replace(p.begin(), p.end(), '\\', '/');
        const fs::path normal = fs::path(p).lexically_normal();
        std::error_code ec;
        const fs::path roots[] = {fs::path(output_root).lexically_normal(), fs::weakly_canonical(output_root, ec)};
        relative.clear();
        for (const fs::path& root : roots) {
            if (root.empty()) continue;
            const fs::path r = normal.lexically_relative(root);
            const std::string g = r.generic_string();
            if (!r.empty() && g != "." && g != ".." && g.rfind("../", 0) != 0) {
                relative = g;
                break;
            }
        }
        if (relative.empty()) {
            why = "an absolute path outside the folder";
            return false;
        }
    }
    return path_stays_inside(relative, inside, why);
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
    long long v = 0;
    if (w[0] == "seed") {
        if (w.size() != 2 || !number_in(w[1], 0, UINT32_MAX, v)) return "expected \"seed <0..4294967295>\"";
        settings.has_seed = true;
        settings.seed = static_cast<uint32_t>(v);
        return {};
    }
    if (w[0] == "display") {
        const size_t x = w.size() == 2 ? w[1].find('x') : std::string::npos;
        long long width = 0, height = 0;
        if (x == std::string::npos || !number_in(w[1].substr(0, x), 1, 100000, width) ||
            !number_in(w[1].substr(x + 1), 1, 100000, height))
            return "expected \"display <width>x<height>\"";
        // Each buffer of the screen takes four bytes a pixel.
        if (width > max_display_side || height > max_display_side || width * height > max_display_pixels)
            return "a display larger than " + std::to_string(max_display_side) + " pixels each way or " +
                   std::to_string(max_display_pixels) + " pixels in all";
        settings.display_width = static_cast<int>(width);
        settings.display_height = static_cast<int>(height);
        return {};
    }
    if (w[0] != "at") return "expected \"at\", \"joystick\", \"seed\" or \"display\"";
    long long frame = 0;
    if (w.size() < 3 || !number_in(w[1], 0, 1000000000000LL, frame))
        return "expected \"at <frame> <command>\" with a frame number of 0 or more";
    Command c;
    c.frame = static_cast<uint64_t>(frame);
    c.line = line_number;
    const std::string& what = w[2];
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
        const std::string written = rest_after(line, 3);
        if (written.empty()) return "expected a path after \"" + what + "\"";
        std::string why;
        if (!output_inside(written, c.path, why)) {
            refused_outputs = true;
            return "the " + what + " path is refused (" + why + "), outputs stay inside " + output_root;
        }
        if (++outputs_in_script > max_outputs) {
            refused_outputs = true;
            return "more than " + std::to_string(max_outputs) + " screenshots and dumps in one script";
        }
        c.kind = what == "dump" ? Kind::dump : Kind::screenshot;
    } else if (what == "check") {
        if (w.size() != 5 || !is_digest(w[3] + " " + w[4])) return "expected \"check <16 hex digits> <hex digit pairs>\"";
        c.kind = Kind::check;
        c.path = w[3] + " " + w[4];
    } else if (what == "fault" || what == "quit") {
        if (w.size() != 3) return "\"" + what + "\" takes nothing after it";
        c.kind = what == "fault" ? Kind::fault : Kind::quit;
    } else {
        return "unknown command \"" + what + "\"";
    }
    commands.push_back(c);
    return {};
}

[[noreturn]] void script_error(const std::string& where, const std::string& why, int code = 2) {
    std::fprintf(stderr, "tileworld: automation script %s: %s\n", where.c_str(), why.c_str());
    std::fflush(stderr);
    std::exit(code);
}

// ===========================================================================
// Functions: digests
// ===========================================================================

constexpr uint64_t fnv_start = 0xcbf29ce484222325ull;

uint64_t fnv(uint64_t h, const char* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        h ^= static_cast<uint8_t>(p[i]);
        h *= 0x100000001b3ull;
    }
    return h;
}

// The lines of the dump that start with one word.
struct DumpField {
    std::string name;
    uint64_t hash = fnv_start;
    int lines = 0;
    std::string first_line;
};

// The dump's fields, and the hash of the whole: the hash of the fields'
// names and hashes in their order (the dump never interleaves two fields'
// lines), so that each byte is hashed once.
std::vector<DumpField> dump_fields(const std::string& dump, uint64_t& whole) {
    std::vector<DumpField> fields;
    size_t current = 0;
    for (size_t start = 0; start < dump.size();) {
        size_t end = dump.find('\n', start);
        if (end == std::string::npos) end = dump.size();
        size_t stop = end;
        if (stop > start && dump[stop - 1] == '\r') --stop;
        const char* line = dump.data() + start;
        const size_t length = stop - start;
        start = end + 1;
        if (length == 0) continue;
        size_t word = 0;
        while (word < length && line[word] != ' ') ++word;
        // A field's lines mostly follow each other: the last field is tried first.
        if (fields.empty() || fields[current].name.compare(0, std::string::npos, line, word) != 0) {
            current = 0;
            while (current < fields.size() && fields[current].name.compare(0, std::string::npos, line, word) != 0)
                ++current;
            if (current == fields.size()) {
                fields.emplace_back();
                fields.back().name.assign(line, word);
            }
        }
        DumpField& f = fields[current];
        f.hash = fnv(fnv(f.hash, line, length), "\n", 1);
        if (f.lines++ == 0) f.first_line.assign(line, length);
    }
    whole = fnv_start;
    for (const DumpField& f : fields) {
        whole = fnv(whole, f.name.data(), f.name.size() + 1);  // with its terminating NUL
        for (int shift = 0; shift < 64; shift += 8) {
            const char byte = static_cast<char>(f.hash >> shift);
            whole = fnv(whole, &byte, 1);
        }
    }
    return fields;
}

// Two hex digits of a field's hash: enough to name the field that differs.
unsigned fold(uint64_t h) {
    h ^= h >> 32;
    h ^= h >> 16;
    h ^= h >> 8;
    return static_cast<unsigned>(h & 0xff);
}

unsigned hex_pair(const std::string& s, size_t at) {
    auto digit = [](char c) { return static_cast<unsigned>(c <= '9' ? c - '0' : c - 'a' + 10); };
    return digit(s[at]) * 16 + digit(s[at + 1]);
}

// ===========================================================================
// Functions: recording
// ===========================================================================

void record(const char* format, ...) __attribute__((format(printf, 1, 2)));

void record(const char* format, ...) {
    if (!recorder.file) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(recorder.file, format, args);
    va_end(args);
}

unsigned long long frame_now() { return video::frames_presented(); }

void record_check(uint64_t frame) {
    if (!recorder.file || !dump_handler || recorder.last_check == frame) return;
    recorder.last_check = frame;
    record("at %llu check %s\n", static_cast<unsigned long long>(frame), dump_digest(dump_handler()).c_str());
    std::fflush(recorder.file);  // a session that ends in a crash keeps what came before
}

void start_recording(const char* path) {
    recorder = Recorder{};
    // Only a regular file: a device or a pipe would swallow the session, or
    // hold the program until someone reads it.
    std::string why;
    recorder.file = platform::host_create_regular(path, why);
    if (!recorder.file) {
        std::fprintf(stderr, "tileworld: recording %s: cannot be written: %s\n", path, why.c_str());
        std::fflush(stderr);
        std::exit(2);
    }
    record("# tileworld recording: replay it with TILEWORLD_SCRIPT=<this file> in the game's folder\n");
}

// The recording's end: a last check of the state, unless the frame had one,
// and the quit, at the frame the script asked for it if one did: the pass
// that follows may present more frames (a modal screen ends first).
void finish_recording() {
    if (!recorder.file) return;
    record_check(frame_now());
    record("at %llu quit\n", recorder.quit_frame != UINT64_MAX ? recorder.quit_frame : frame_now());
    const bool lost = std::ferror(recorder.file) != 0;
    if ((std::fclose(recorder.file) != 0 || lost) && !output_failed) {
        std::fprintf(stderr, "tileworld: the recording could not be written in full\n");
        output_failed = true;
    }
    recorder.file = nullptr;
}

// ===========================================================================
// Functions: running
// ===========================================================================

[[noreturn]] void report_out_of_step(uint64_t frame, const std::string& why) {
    out_of_step = true;
    std::fprintf(stderr, "tileworld: replay out of step at frame %llu: %s\n", static_cast<unsigned long long>(frame),
                 why.c_str());
    runtime_exit(3);
}

void check_state(const Command& c) {
    if (!dump_handler) return;
    std::string difference;
    if (dump_matches(dump_handler(), c.path, difference)) {
        ++checks_passed;
        return;
    }
    report_out_of_step(c.frame, "first difference in " + difference);
}

// An output that cannot be written ends the run: a replay whose screenshots
// or dumps are missing did not do what it was asked.
[[noreturn]] void output_error(const Command& c, const char* what, const std::string& why) {
    output_failed = true;
    std::fprintf(stderr, "tileworld: automation script %s line %d: %s %s: cannot be written: %s\n",
                 script_name.c_str(), c.line, what, c.path.c_str(), why.c_str());
    runtime_exit(4);
}

void write_output(const Command& c, const char* what, const void* data, size_t size) {
    if (size > max_output_bytes - bytes_written)
        output_error(c, what, "the script's outputs would exceed " + std::to_string(max_output_bytes >> 20) + " MB");
    bytes_written += size;
    std::string why;
    if (!write_file_inside(output_root, c.path, data, size, why)) output_error(c, what, why);
}

void take_screenshot(const Command& c) {
    const std::string& path = c.path;
    rgba_image shot;  // opaque: written as RGB
    shot.width = video::screen_width();
    shot.height = video::screen_height();
    if (!read_screen_pixels(1, 0, 0, shot.width, shot.height, shot.rgba)) {
        std::fprintf(stderr, "tileworld: screenshot %s: no screen to take it from\n", path.c_str());
        return;
    }
    std::vector<uint8_t> png;
    if (!encode_png(shot, png)) output_error(c, "screenshot", "the picture could not be made");
    write_output(c, "screenshot", png.data(), png.size());
}

void write_dump(const Command& c) {
    const std::string& path = c.path;
    if (!dump_handler) {
        std::fprintf(stderr, "tileworld: dump %s: no dump handler\n", path.c_str());
        return;
    }
    const std::string dump = dump_handler();
    write_output(c, "dump", dump.data(), dump.size());
}

void run(Command& c) {
    c.done = true;
    switch (c.kind) {
        case Kind::key: inject_key(c.a, c.b != 0); break;
        case Kind::button: inject_joystick_button(c.a, c.b != 0); break;
        case Kind::axis: inject_joystick_axis(c.a, c.b); break;
        case Kind::screenshot: take_screenshot(c); break;
        case Kind::dump: write_dump(c); break;
        case Kind::fault: fault_pending = true; break;
        case Kind::check: check_state(c); break;
        case Kind::quit:
            quit_requested = true;
            if (recorder.quit_frame == UINT64_MAX) recorder.quit_frame = video::frames_presented();
            break;
    }
}

bool is_input(Kind k) { return k == Kind::key || k == Kind::button || k == Kind::axis; }

void end_script() {
    if (quit_requested) return;
    quit_requested = true;
    if (recorder.quit_frame == UINT64_MAX) recorder.quit_frame = video::frames_presented();
}

}  // namespace

// ===========================================================================
// Digests
// ===========================================================================

std::string dump_digest(const std::string& dump) {
    uint64_t whole = 0;
    std::vector<DumpField> fields = dump_fields(dump, whole);
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%016llx ", static_cast<unsigned long long>(whole));
    std::string out = buffer;
    for (const DumpField& f : fields) {
        std::snprintf(buffer, sizeof buffer, "%02x", fold(f.hash));
        out += buffer;
    }
    return out;
}

bool dump_matches(const std::string& dump, const std::string& digest, std::string& difference) {
    difference.clear();
    uint64_t whole = 0;
    std::vector<DumpField> fields = dump_fields(dump, whole);
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(whole));
    if (digest.compare(0, 16, buffer) == 0) return true;
    const size_t digits = digest.size() > 17 ? digest.size() - 17 : 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        const DumpField& f = fields[i];
        if ((i + 1) * 2 <= digits && hex_pair(digest, 17 + i * 2) == fold(f.hash)) continue;
        difference = f.name + (f.lines == 1 ? " (replay: " + f.first_line + ")"
                                            : " (" + std::to_string(f.lines) + " lines)");
        return false;
    }
    difference = fields.size() * 2 < digits ? "the fields after " + (fields.empty() ? "the start" : fields.back().name)
                                            : "a field whose two digits happen to agree";
    return false;
}

// ===========================================================================
// Runtime hooks
// ===========================================================================

namespace video {

bool script_running() { return running; }

void player_stops_script() {
    if (!running || quit_requested) return;
    stopped_by_player = true;
    end_script();
}

void after_flip() {
    const uint64_t now = frames_presented();
    if (running) {
        // A burst of commands in one frame (thousands of screenshots) stops
        // at a stop request; the main loop then ends the program.
        while (next_command < commands.size() && commands[next_command].frame <= now && !termination_requested()) {
            Command& c = commands[next_command++];
            if (!c.done) run(c);
        }
        // The script's last command has run: it ends there, as if it quit.
        if (!commands.empty() && next_command == commands.size()) end_script();
    }
    if (now % check_interval == 0) record_check(now);
}

void fault_point() {
    if (!fault_pending) return;
    fault_pending = false;  // cleared first: the fault leaves this function for good
    record("at %llu fault\n", frame_now());
    provoke_fault();
}

void reset_automation() {
    running = false;
    commands.clear();
    next_command = 0;
    settings = Settings{};
    quit_requested = false;
    fault_pending = false;
    out_of_step = false;
    checks_passed = 0;
    outputs_in_script = 0;
    refused_outputs = false;
    bytes_written = 0;
    output_failed = false;
    stopped_by_player = false;
    if (recorder.file) std::fclose(recorder.file);
    recorder = Recorder{};
}

bool recording() { return recorder.file != nullptr; }

void record_keys(const bool* keys, int count) {
    if (!recorder.file) return;
    for (int k = 0; k < count && k < max_keys; ++k) {
        if (keys[k] == recorder.keys[k]) continue;
        recorder.keys[k] = keys[k];
        record("at %llu key %d %s\n", frame_now(), k, keys[k] ? "down" : "up");
    }
}

void record_joystick(const bool* buttons, int count, const int* axes) {
    if (!recorder.file) return;
    for (int n = 1; n <= count && n <= max_buttons; ++n) {
        if (buttons[n] == recorder.buttons[n]) continue;
        recorder.buttons[n] = buttons[n];
        record("at %llu button %d %s\n", frame_now(), n, buttons[n] ? "down" : "up");
    }
    for (int a = 0; a < 2; ++a) {
        if (axes[a] == recorder.axes[a]) continue;
        recorder.axes[a] = axes[a];
        record("at %llu axis %c %d\n", frame_now(), a == 0 ? 'x' : 'y', axes[a]);
    }
}

void record_joystick_attached() {
    if (!recorder.file || recorder.joystick_noted) return;
    recorder.joystick_noted = true;
    record("joystick\n");
}

bool script_display(int& width, int& height) {
    if (settings.display_width <= 0) return false;
    width = settings.display_width;
    height = settings.display_height;
    return true;
}

void record_display(int width, int height) {
    if (!recorder.file || recorder.display_noted) return;
    recorder.display_noted = true;
    record("display %dx%d\n", width, height);
}

}  // namespace video

uint32_t platform::clock_seed(uint32_t from_clock) {
    const uint32_t seed = settings.has_seed ? settings.seed : from_clock;
    record("seed %lu\n", static_cast<unsigned long>(seed));
    return seed;
}

// ===========================================================================
// Starting a script and a recording, and the end of the run
// ===========================================================================

bool parse_automation_script(const std::string& body, bool& wants_joystick, std::string& where,
                             std::string& why) {
    commands.clear();
    settings = Settings{};
    outputs_in_script = 0;
    refused_outputs = false;
    output_root = current_output_folder();
    size_t start = 0;
    for (int number = 1; start <= body.size(); ++number) {
        line_number = number;
        size_t end = body.find('\n', start);
        if (end == std::string::npos) end = body.size();
        std::string line = body.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string reason = parse_line(line, wants_joystick);
        if (!reason.empty()) {
            commands.clear();
            settings = Settings{};
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

std::vector<std::string> pending_output_paths() {
    std::vector<std::string> paths;
    for (const Command& c : commands)
        if (c.kind == Kind::screenshot || c.kind == Kind::dump) paths.push_back(c.path);
    return paths;
}

bool use_output_folder(const text& folder) {
    // The option, else the variable; either is named from where the program
    // was started, before the game folder is entered.
    const char* env = std::getenv("TILEWORLD_OUTPUT_FOLDER");
    const text name = !folder.empty() ? folder : env ? text(env) : text();
    given_output_folder = name.empty() ? text() : absolute_path(name);
    if (name.empty() || platform::host_stat(given_output_folder).kind == platform::entry_kind::folder) return true;
    std::fprintf(stderr, "tileworld: output folder %s: not a folder\n", name.c_str());
    return false;
}

void use_automation_files(const text& script, const text& recording) {
    given_script = script.empty() ? text() : absolute_path(script);
    given_recording = recording.empty() ? text() : absolute_path(recording);
}

void automation_startup() {
    video::reset_automation();
    const char* path = !given_script.empty() ? given_script.c_str() : std::getenv("TILEWORLD_SCRIPT");
    if (path && *path) {
        script_name = path;
        std::vector<uint8_t> bytes;
        // Named as it was tried: a relative name is taken from the game folder.
        if (!platform::read_whole_file(path, bytes, max_script_bytes))
            script_error(absolute_path(path), "cannot be read");
        std::string body(bytes.begin(), bytes.end());
        bool wants_joystick = false;
        std::string where, why;
        if (!parse_automation_script(body, wants_joystick, where, why))
            script_error(std::string(path) + " " + where, why, refused_outputs ? 4 : 2);
        running = true;
        if (wants_joystick) attach_virtual_joystick();
        // Inputs due before the first frame are in place from the start;
        // outputs wait for a presented frame.
        for (Command& c : commands)
            if (c.frame == 0 && is_input(c.kind)) run(c);
    }
    // Opened after the script was read: a recording may replace its own script.
    const char* record_path = !given_recording.empty() ? given_recording.c_str() : std::getenv("TILEWORLD_RECORD");
    if (record_path && *record_path) start_recording(record_path);
}

int finish_automation(int code) {
    if (stopped_by_player) {
        std::fprintf(stderr, "tileworld: replay stopped by the player at frame %llu\n", frame_now());
    } else if (running && !out_of_step && !output_failed) {
        // A check the run never reached: the game ended sooner than recorded.
        for (size_t i = next_command; i < commands.size(); ++i) {
            const Command& c = commands[i];
            if (c.kind != Kind::check || c.done) continue;
            std::string difference;
            if (dump_handler && !dump_matches(dump_handler(), c.path, difference))
                difference = ", first difference in " + difference;
            std::fprintf(stderr, "tileworld: replay out of step at frame %llu: the game ended at frame %llu%s\n",
                         static_cast<unsigned long long>(c.frame), frame_now(), difference.c_str());
            out_of_step = true;
            code = 3;
            break;
        }
        if (!out_of_step && checks_passed > 0)
            std::fprintf(stderr, "tileworld: replay in step to the end (%d check%s)\n", checks_passed,
                         checks_passed == 1 ? "" : "s");
    }
    finish_recording();
    return output_failed ? 4 : code;
}

// ===========================================================================
// Engine side
// ===========================================================================

void set_dump_handler(dump_procedure p) { dump_handler = p; }

bool automation_quit_requested() { return quit_requested; }

}  // namespace tw
