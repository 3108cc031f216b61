// data_check: the checks of a game folder. The checker runs the engine's own
// start-up readers (configuration, world graphics, object definitions, sound
// effects, the world build or load) without a display, then reads every file
// those lead to with the same line-pair reader the engine uses, and reports
// what the engine would skip without a word: unknown keys, pairs shifted by a
// stray line, names that match nothing, missing and undecodable files, world
// sizes the engine refuses.
//
// Errors are what stops the engine at start or leaves a file it needs
// unreadable; everything the engine silently works around is a warning.
#include "core/data_check.h"

#include <algorithm>
#include <map>
#include <set>

#include "assets/assets.h"
#include "core/core.h"
#include "presentation/presentation.h"
#include "runtime/media_runtime.h"
#include "world/world.h"

namespace tw {

namespace {

// ===========================================================================
// Types
// ===========================================================================

// How a value line is read, for the checks of its form.
enum class value_kind {
    none,  // stored and never used, or free text
    name,  // compared or joined as written: blanks around it matter
    integer,
    flag,    // a number of which exactly 1 means on
    number,  // with a fraction
};

struct key_table {
    const char* description;  // "the configuration", "object files", ...
    std::vector<text> keys;
    value_kind (*kind)(const text& key);
    bool has(const text& key) const { return std::find(keys.begin(), keys.end(), key) != keys.end(); }
};

// One line pair as the engine reads it, with the line of its key.
struct pair_line {
    text key;
    text value;
    int line = 0;          // the key's line; the value is on line + 1
    bool shifted = false;  // read out of step because of a stray line
};

// A line-pair file read by the engine's reader.
struct pair_file {
    text path;   // as the engine opens it
    text shown;  // for messages
    bool exists = false;
    int lines = 0;
    std::vector<pair_line> pairs;
    std::map<text, const pair_line*> last;  // the pair that wins, by key (in-step pairs only)
};

// ===========================================================================
// State of one check
// ===========================================================================

check_result* report = nullptr;
int fatal_code = -1;

void capture_fatal_error(int code) {
    if (fatal_code < 0) fatal_code = code;
}

void add(check_level level, const text& path, int line, const text& message) {
    report->messages.push_back({path, line, level, message});
    if (level == check_level::error)
        report->errors += 1;
    else
        report->warnings += 1;
}
void warn(const text& path, int line, const text& message) { add(check_level::warning, path, line, message); }
void fail(const text& path, int line, const text& message) { add(check_level::error, path, line, message); }

// ===========================================================================
// Texts
// ===========================================================================

// A text from the data as a message shows it: control bytes written as
// \xNN (they would act on the terminal), long texts cut.
text quoted(const text& t) {
    constexpr size_t longest = 80;
    text out = "'";
    for (size_t i = 0; i < t.size() && i < longest; ++i) {
        const unsigned char c = static_cast<unsigned char>(t[i]);
        if (c < 32 || c == 127) {
            const char* digits = "0123456789abcdef";
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    if (t.size() > longest) out += "...";
    return out + "'";
}

text upper(text t) {
    for (char& c : t)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return t;
}

text lower(text t) {
    for (char& c : t)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return t;
}

text trimmed(const text& t) {
    size_t a = t.find_first_not_of(" \t");
    if (a == text::npos) return {};
    size_t b = t.find_last_not_of(" \t");
    return t.substr(a, b - a + 1);
}

bool has_outer_blanks(const text& t) { return !t.empty() && trimmed(t) != t; }

// Optional blanks, optional sign, digits, optional trailing blanks: a value
// text_to_int reads completely.
bool is_whole_number(const text& t) {
    text s = trimmed(t);
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (i >= s.size()) return false;
    for (; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

bool is_decimal_number(const text& t) {
    text s = trimmed(t);
    size_t i = 0;
    bool digits = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        ++i;
        digits = true;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            ++i;
            digits = true;
        }
    }
    if (!digits) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        bool exp = false;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            ++i;
            exp = true;
        }
        if (!exp) return false;
    }
    return i == s.size();
}

// Keys are upper-case words; a key line holding anything else (small
// letters, separators, dots, only digits) is more likely a value.
bool looks_like_value(const text& t) {
    bool letter = false;
    for (char c : t) {
        if (c >= 'A' && c <= 'Z') {
            letter = true;
            continue;
        }
        if ((c >= '0' && c <= '9') || c == '_') continue;
        return true;
    }
    return !letter;
}

// The closest of `names` to `t` when it is close enough to be a slip of the
// keyboard: one edit in short names, up to three in long ones.
text nearest_name(const text& t, const std::vector<text>& names) {
    const int allowed = t.size() <= 4 ? 1 : t.size() <= 8 ? 2 : 3;
    text best;
    int best_distance = allowed + 1;
    for (const text& n : names) {
        int d = edit_distance(t, n);
        if (d < best_distance) {
            best = n;
            best_distance = d;
        }
    }
    return best;
}

text printable_char(unsigned char c) {
    if (c >= 32 && c < 127) return quoted(text(1, static_cast<char>(c)));
    return "byte " + int_to_text(c);
}

// ===========================================================================
// Paths
// ===========================================================================

text with_slashes(const text& p) {
    text s;
    for (char c : p) {
        char d = c == '\\' ? '/' : c;
        if (d == '/' && !s.empty() && s.back() == '/') continue;
        s.push_back(d);
    }
    return s;
}

// A path as the game maker knows it: relative to the game folder.
text shown(const text& p) {
    text s = with_slashes(p);
    text base = with_slashes(engine.base_dir);
    if (!base.empty() && s.compare(0, base.size(), base) == 0) s = s.substr(base.size());
    return s;
}

bool ends_with_separator(const text& v) { return !v.empty() && (v.back() == '\\' || v.back() == '/'); }

// A path that exists but only because the runtime looked its names up
// ignoring case: it works here, and breaks wherever names are exact.
void check_case(const text& path, const text& where, int line, const text& what) {
    text want = with_slashes(path);
    text host = with_slashes(resolved_path(path));
    while (want.size() > 1 && want.back() == '/') want.pop_back();
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    if (want == host) return;
    warn(where, line,
         what + " " + quoted(shown(want)) + " is found as " + quoted(shown(host)) +
             " only because names are looked up ignoring case here; write it as it is on disk");
}

// ===========================================================================
// Key tables
// ===========================================================================

value_kind config_kind(const text& key) {
    static const std::map<text, value_kind> kinds = {
        {"SOUNDFXPATH", value_kind::name},
        {"EGFXPATH", value_kind::none},
        {"EGFXMAX", value_kind::integer},
        {"FONTPATH", value_kind::name},
        {"FONTSYSTEM", value_kind::name},
        {"WINDOWMODE", value_kind::flag},
        {"MULTITASK", value_kind::integer},
        {"SAVEGFX", value_kind::none},
        {"SAVEEVOLUTION", value_kind::none},
        {"APPNAME", value_kind::none},
        {"GFXPATH", value_kind::none},
        {"RESOLUTION", value_kind::integer},
        {"TOPO", value_kind::none},
        {"BASICGFX", value_kind::none},
        {"USEEXTENDEDTOPO", value_kind::flag},
        {"APPENTRY", value_kind::name},
        {"APPSTART", value_kind::name},
        {"TOPOGFX", value_kind::name},
        {"GFXCODEC", value_kind::name},
        {"SYSTEMCORE", value_kind::none},
        {"CORENAME", value_kind::none},
        {"USESPRITE3D", value_kind::flag},
        {"MAXFOE", value_kind::integer},
        {"LOGPATH", value_kind::name},
        {"LOGFILE", value_kind::name},
        {"RGBCODEPATH", value_kind::name},
        {"WORLDGFX", value_kind::name},
        {"USELOGFILE", value_kind::integer},
        {"LOADSCREEN", value_kind::name},
        {"LOADANIM", value_kind::none},
        {"FULLSCREENZOOM", value_kind::number},
        {"RESBASEW", value_kind::integer},
        {"RESBASEH", value_kind::integer},
        {"CURSOR", value_kind::name},
        {"CURSORSPEED", value_kind::integer},
        {"VEGIDENSE", value_kind::integer},
        {"USEFULLMATRIX", value_kind::integer},
        {"WORLDRANDOM", value_kind::integer},
        {"MULTICORE", value_kind::integer},
        {"MAPSIZE", value_kind::integer},
        {"WORLDTEMPERATURE", value_kind::number},
        {"WORLDREFRESH", value_kind::integer},
        {"SELFCREATEBASE", value_kind::name},
        {"USESELFCREATEBASE", value_kind::flag},
        {"LABSWITCH", value_kind::integer},
    };
    auto found = kinds.find(key);
    return found == kinds.end() ? value_kind::none : found->second;
}

value_kind object_file_kind(const text& key) {
    if (key == "GFXNAME" || key.compare(0, 5, "CHILD") == 0) return value_kind::name;
    if (key == "USEENEMY") return value_kind::flag;
    if (key == "USECOLLISION" || key == "TRANSPARENCY" || key == "RANDOMSEED") return value_kind::integer;
    return value_kind::none;
}

value_kind definition_kind(const text& key) {
    if (key == "DGFXNAME" || key == "DCOUNTSOUND" || key == "DHOTSPOT") return value_kind::name;
    return value_kind::integer;
}

const key_table& config_table() {
    static const key_table t{"the configuration", config_key_names(), config_kind};
    return t;
}
const key_table& object_file_table() {
    static const key_table t{"object files", object_file_key_names(), object_file_kind};
    return t;
}
const key_table& definition_table() {
    static const key_table t{"definition files", definition_key_names(), definition_kind};
    return t;
}

// Notes are pairs under this key: unknown to every file, on purpose.
const text note_key = "NOTE";

// ===========================================================================
// Line-pair files
// ===========================================================================

int count_lines(const text& path) {
    int file = open_file_read(-1, path);
    if (file == 0) return 0;
    int n = 0;
    while (!end_of_file(file)) {
        read_line(file);
        n += 1;
    }
    close_file(file);
    return n;
}

// Read with the engine's pair reader. Pairing is by position, so pair i
// holds lines 2i + 1 and 2i + 2.
pair_file read_pair_file(const text& path) {
    pair_file f;
    f.path = path;
    f.shown = shown(resolved_path(path));
    const object_file_contents contents = cached_object_file(path);
    f.exists = contents.exists;
    if (!f.exists) return f;
    f.lines = count_lines(path);
    int line = 1;
    for (const object_file_pair& p : contents.pairs) {
        f.pairs.push_back({p.key, p.value, line, false});
        line += 2;
    }
    return f;
}

text unknown_key_message(const text& key, const key_table& own, const std::vector<const key_table*>& others) {
    const text t = trimmed(key);
    if (t != key && own.has(t))
        return "key " + quoted(key) + " has blanks around it, so it is not " + quoted(t) + ": the pair is ignored";
    if (own.has(upper(t)))
        return "key " + quoted(key) + " is not recognised: keys are upper case (" + quoted(upper(t)) +
               "): the pair is ignored";
    for (const key_table* other : others) {
        if (other->has(t) || other->has(upper(t)))
            return quoted(key) + " is a key of " + other->description + ", not of " + own.description +
                   ": the pair is ignored";
    }
    text near = nearest_name(upper(t), own.keys);
    if (!near.empty()) return "unknown key " + quoted(key) + ", did you mean " + quoted(near) + "? The pair is ignored";
    if (looks_like_value(key))
        return quoted(key) +
               " is read as a key but looks like a value: is a line missing or extra above it? "
               "The pair is ignored";
    return "unknown key " + quoted(key) + ": the pair is ignored (notes are written as NOTE pairs)";
}

// The keys of `own` among the values of pairs[from..to): the keys a shift
// made the engine skip.
text lost_keys(const pair_file& f, size_t from, size_t to, const key_table& own) {
    text list;
    int n = 0;
    for (size_t j = from; j < to; ++j) {
        if (!own.has(f.pairs[j].value)) continue;
        if (n < 6) list += (n ? ", " : "") + f.pairs[j].value;
        n += 1;
    }
    if (n > 6) list += " and " + int_to_text(n - 6) + " more";
    return n == 0 ? text("no key") : int_to_text(n) + (n == 1 ? " key: " : " keys: ") + list;
}

// The unknown keys, the pairs a stray or missing line shifted, repeated
// keys and a last key without a value line.
void check_pairs(pair_file& f, const key_table& own, const std::vector<const key_table*>& others) {
    auto known = [&](const text& k) { return own.has(k) || k == note_key; };
    // A file that is not a line-pair file at all would give a report per
    // pair; the first ones say enough.
    constexpr int listed_unknown_keys = 20;
    int unknown = 0;
    const size_t n = f.pairs.size();
    size_t i = 0;
    while (i < n) {
        pair_line& p = f.pairs[i];
        const int line = p.line;
        text start;
        size_t region = i + 1;  // first pair after the one that starts a shift
        if (p.key.empty() && own.has(p.value)) {
            start = "line " + int_to_text(line) + " is blank and is read as a key, so the key " + quoted(p.value) +
                    " on line " + int_to_text(line + 1) + " becomes its value";
        } else if (p.key.empty()) {
            // Two blank lines in a row keep the pairs in step and change nothing.
            if (!p.value.empty())
                warn(f.shown, line, "blank line read as a key: it and line " + int_to_text(line + 1) + " are skipped");
            p.shifted = true;
            ++i;
            continue;
        } else if (!known(p.key) && own.has(p.value)) {
            start = quoted(p.key) + " is read as a key and the key " + quoted(p.value) + " on line " +
                    int_to_text(line + 1) + " as its value";
            if (i > 0 && f.pairs[i - 1].value.empty())
                start += " (the value of " + quoted(f.pairs[i - 1].key) + " on line " + int_to_text(line - 1) +
                         " is blank: is a blank line there by mistake?)";
            else
                start += ": is there a blank or extra line above it?";
        } else if (known(p.key) && own.has(p.value)) {
            start = "the value of " + quoted(p.key) + " is the key " + quoted(p.value) + " on line " +
                    int_to_text(line + 1) + ": is its value line missing?";
        } else if (!known(p.key)) {
            if (++unknown <= listed_unknown_keys) warn(f.shown, line, unknown_key_message(p.key, own, others));
            ++i;
            continue;
        } else {
            ++i;
            continue;
        }
        // A shift: every later pair is out of step until a key line lands
        // on a key position again.
        p.shifted = true;
        size_t j = region;
        while (j < n && !known(f.pairs[j].key)) {
            f.pairs[j].shifted = true;
            ++j;
        }
        text lost = lost_keys(f, i, j, own);
        text end = j < n ? "the pairs are in step again from line " + int_to_text(f.pairs[j].line)
                         : text("the rest of the file is out of step");
        warn(f.shown, line, "pairs shifted: " + start + "; " + end + " (ignored " + lost + ")");
        i = j;
    }

    if (unknown > listed_unknown_keys)
        warn(f.shown, 0, int_to_text(unknown - listed_unknown_keys) + " more unknown keys are not listed");

    // Repeated keys: the later value wins.
    std::map<text, const pair_line*> first;
    for (const pair_line& p : f.pairs) {
        if (p.shifted || !own.has(p.key)) continue;
        auto seen = first.find(p.key);
        if (seen != first.end() && seen->second->value != p.value) {
            warn(f.shown, p.line,
                 quoted(p.key) + " is given again (first on line " + int_to_text(seen->second->line) +
                     "): the later value " + quoted(p.value) + " wins");
        }
        if (seen == first.end()) first[p.key] = &p;
        f.last[p.key] = &p;
    }

    // An odd number of lines: the last key has no value line.
    if (f.lines % 2 == 1 && n > 0) {
        const pair_line& p = f.pairs[n - 1];
        if (own.has(p.key) && !p.shifted)
            warn(f.shown, p.line, "the file ends after the key " + quoted(p.key) + ": it gets an empty value");
    }
}

// The forms of values: numbers that are not numbers, flags other than 0
// and 1, names with blanks around them.
void check_values(const pair_file& f, const key_table& own) {
    for (const pair_line& p : f.pairs) {
        if (p.shifted || !own.has(p.key)) continue;
        const int line = p.line + 1;
        const text& v = p.value;
        switch (own.kind(p.key)) {
            case value_kind::integer:
            case value_kind::flag:
                if (!is_whole_number(v)) {
                    warn(
                        f.shown, line,
                        p.key + " " + quoted(v) + " is not a whole number: it reads as " + int_to_text(text_to_int(v)));
                } else if (own.kind(p.key) == value_kind::flag) {
                    const int low = static_cast<int>(static_cast<uint32_t>(text_to_int(v)) & 0xFFu);
                    if (low == 1 && trimmed(v) != "1")
                        warn(f.shown, line, p.key + " " + quoted(v) + " counts as 1 (only the lowest 8 bits count)");
                    else if (low != 1 && low != 0)
                        warn(f.shown, line, p.key + " " + quoted(v) + " counts as off: only 1 switches it on");
                    else if (low == 0 && text_to_int(v) != 0)
                        warn(f.shown, line, p.key + " " + quoted(v) + " counts as 0 (only the lowest 8 bits count)");
                }
                break;
            case value_kind::number:
                if (!is_decimal_number(v))
                    warn(f.shown, line,
                         p.key + " " + quoted(v) + " is not a number: it reads as " +
                             int_to_text(nearest(text_to_float(v))) + " (rounded)");
                break;
            case value_kind::name:
                if (has_outer_blanks(v))
                    warn(f.shown, line,
                         p.key + " " + quoted(v) + " has blanks around it, and values are used exactly as written");
                break;
            case value_kind::none:
                break;
        }
    }
}

// The line of a key's winning value, 0 when the key is not set.
int value_line(const pair_file& f, const text& key) {
    auto found = f.last.find(key);
    return found == f.last.end() ? 0 : found->second->line + 1;
}
int key_line(const pair_file& f, const text& key) {
    auto found = f.last.find(key);
    return found == f.last.end() ? 0 : found->second->line;
}
bool has_key(const pair_file& f, const text& key) { return f.last.count(key) != 0; }
text value_of(const pair_file& f, const text& key) {
    auto found = f.last.find(key);
    return found == f.last.end() ? text() : found->second->value;
}

// ===========================================================================
// Names that must match exactly
// ===========================================================================

// A hint for a name that matches none of `names`: a case slip, a missing
// extension, blanks, or a near miss.
text name_hint(const text& name, const std::vector<text>& names, const text& extension) {
    for (const text& n : names)
        if (lower(n) == lower(name)) return " (" + quoted(n) + " differs only in case; names are matched exactly)";
    if (!extension.empty()) {
        for (const text& n : names)
            if (n == name + extension) return " (did you mean " + quoted(n) + "? the extension is part of the name)";
    }
    const text t = trimmed(name);
    if (t != name) {
        for (const text& n : names)
            if (n == t) return " (it has blanks around it; " + quoted(n) + " has none)";
    }
    text near = nearest_name(name, names);
    if (!near.empty()) return " (did you mean " + quoted(near) + "?)";
    return {};
}

bool contains(const std::vector<text>& names, const text& n) {
    return std::find(names.begin(), names.end(), n) != names.end();
}

// ===========================================================================
// The whole check
// ===========================================================================

struct game_check {
    pair_file ini;
    bool generated = false;
    std::vector<text> graphic_names;     // world graphics, as cells name them
    std::vector<text> definition_names;  // DGFXNAME of every definition
    std::vector<text> sound_names;
    std::set<text> used_children;  // names examined in some object file
    bool enemy_cells = false;      // some cell type lets enemies spawn
    bool world_built = false;
    bool object_files_checked = false;  // used_children is complete
    // Whether the lists above could be read at all: names are only checked
    // against a list that exists, so one bad folder gives one report.
    bool graphics_known = false;
    bool definitions_known = false;
    bool sounds_known = false;
};

const text ini_shown = "DATA/ini.txt";

// A folder named by a configuration key: set, ending in a separator where
// names are appended to it, present. false when it cannot be used.
bool check_config_folder(game_check& g, const text& key, const text& full, bool needs_separator,
                         const text& consequence) {
    if (!has_key(g.ini, key)) {
        warn(ini_shown, 0, "no " + key + ": " + consequence);
        return false;
    }
    const text v = value_of(g.ini, key);
    const int line = value_line(g.ini, key);
    if (needs_separator && !v.empty() && !ends_with_separator(v)) {
        fail(ini_shown, line,
             key + " " + quoted(v) + " does not end with '\\': file names are appended to it directly (" +
                 quoted(v + "name") + "), so no file in it can be read");
        return false;
    }
    if (!folder_exists(full)) {
        warn(ini_shown, line,
             key + " names the folder " + quoted(shown(full)) + ", which does not exist: " + consequence);
        return false;
    }
    check_case(full, ini_shown, line, key);
    return true;
}

// --- configuration ---

void check_configuration(game_check& g) {
    g.ini = read_pair_file(engine.config_path);
    g.ini.shown = ini_shown;
    check_pairs(g.ini, config_table(), {&object_file_table(), &definition_table()});
    check_values(g.ini, config_table());
    g.generated = engine.use_self_create_base == 1;

    if (engine.window_mode != 1) {
        int line = std::max(key_line(g.ini, "WINDOWMODE"), key_line(g.ini, "USESPRITE3D"));
        warn(ini_shown, line,
             "the world view is off (WINDOWMODE or USESPRITE3D, whichever comes later, is not 1): the game shows "
             "only its loading screen");
    }
    if (!has_key(g.ini, "RESOLUTION") || engine.resolution <= 0) {
        warn(ini_shown, value_line(g.ini, "RESOLUTION"),
             "RESOLUTION is not above 0: cells have no size and the world is not drawn");
    }
    if (engine.gfx_codec.empty()) {
        warn(ini_shown, value_line(g.ini, "GFXCODEC"),
             "GFXCODEC is empty: every file in TOPOGFX and WORLDGFX is taken for a picture");
    }
    if (has_key(g.ini, "CURSORSPEED")) {
        int32_t v = text_to_int(value_of(g.ini, "CURSORSPEED"));
        if (v < 0 || v > 255)
            warn(ini_shown, value_line(g.ini, "CURSORSPEED"),
                 "CURSORSPEED " + int_to_text(v) + " is outside 0..255: it counts as " +
                     int_to_text(engine.cursor_speed));
    }
    if (has_key(g.ini, "MAPSIZE")) {
        int32_t v = text_to_int(value_of(g.ini, "MAPSIZE"));
        if (v > max_world_index)
            warn(ini_shown, value_line(g.ini, "MAPSIZE"), "MAPSIZE " + int_to_text(v) + " counts as 1024");
        else if (v < 0)
            warn(ini_shown, value_line(g.ini, "MAPSIZE"),
                 "MAPSIZE " + int_to_text(v) + " is negative: it counts as 32");
    }
    if (g.generated && engine.map_size_x <= 1) {
        warn(ini_shown, value_line(g.ini, "MAPSIZE"),
             "MAPSIZE is " + int_to_text(engine.map_size_x) +
                 (has_key(g.ini, "MAPSIZE") ? text() : text(" (not set)")) +
                 ": the worlds after the first (Page Up) are at most " + int_to_text(engine.map_size_x + 1) +
                 " cells wide and high");
    }
    if (!engine.log_file.empty() && has_key(g.ini, "LOGPATH") && !folder_exists(engine.log_path)) {
        warn(ini_shown, value_line(g.ini, "LOGPATH"),
             "LOGPATH names the folder " + quoted(shown(engine.log_path)) +
                 ", which does not exist: the report of a fault while the game runs is lost");
    }
}

// --- the world: base file or saved world ---

// Lines 2 and 3 of a base or topography file, numbers checked.
void read_size_lines(const text& path, const text& where, int32_t& w, int32_t& h) {
    int file = open_file_read(-1, path);
    text lines[3];
    for (text& l : lines) l = file != 0 ? read_line(file) : text();
    if (file != 0) close_file(file);
    if (!is_whole_number(lines[1]))
        warn(where, 2,
             "the width " + quoted(lines[1]) + " is not a whole number: it reads as " +
                 int_to_text(text_to_int(lines[1])));
    if (!is_whole_number(lines[2]))
        warn(where, 3,
             "the height " + quoted(lines[2]) + " is not a whole number: it reads as " +
                 int_to_text(text_to_int(lines[2])));
    w = text_to_int(lines[1]);
    h = text_to_int(lines[2]);
}

text world_facts(const text& what) {
    text t = what + ": " + int_to_text(engine.world_width + 1) + " x " + int_to_text(engine.world_height + 1) +
             " cells, " + int_to_text(list_size(engine.object_instances)) + " objects, " +
             int_to_text(list_size(engine.enemy_list)) + " enemies";
    if (const floor_cell* start = list_at(engine.floor_cells, 0))
        t += ", start at (" + int_to_text(start->x) + ", " + int_to_text(start->y) + ")";
    return t;
}

void check_generated_world(game_check& g) {
    const text base = engine.self_create_base_path;
    if (!has_key(g.ini, "SELFCREATEBASE")) {
        fail(ini_shown, value_line(g.ini, "USESELFCREATEBASE"),
             "USESELFCREATEBASE is 1 but SELFCREATEBASE is not set: the engine stops at start");
        return;
    }
    const int line = value_line(g.ini, "SELFCREATEBASE");
    if (!file_exists(base)) {
        fail(ini_shown, line,
             "SELFCREATEBASE names " + quoted(shown(base)) + ", " +
                 (folder_exists(base) ? "which is a folder" : "which does not exist") +
                 ": the engine stops at start (\"Could not open:\")");
        return;
    }
    check_case(base, ini_shown, line, "SELFCREATEBASE");
    const text where = shown(resolved_path(base));
    int32_t w = 0, h = 0;
    read_size_lines(base, where, w, h);
    if (w < 0) warn(where, 2, "a negative base width counts as 0: the first world is one column wide");
    if (h < 0) warn(where, 3, "a negative base height counts as 0: the first world is one row high");

    fatal_code = -1;
    build_world(base);
    if (fatal_code >= 0) {
        fail(where, w > h ? 2 : 3,
             "with WORLDRANDOM " + int_to_text(engine.world_random) + " the first world drawn from this base " +
                 int_to_text(w) + " x " + int_to_text(h) +
                 " is larger than 1024 cells: the engine stops at start (a base of at most 1025 x 1025 never is)");
        return;
    }
    g.world_built = true;
    if (w > 0 && w / 2 * 2 > max_world_index)
        warn(where, 2,
             "a base width above 1025 can draw a first world wider than 1024 cells, which the engine "
             "refuses; this WORLDRANDOM happens to give one " +
                 int_to_text(engine.world_width + 1) + " cells wide");
    if (h > 0 && h / 2 * 2 > max_world_index)
        warn(where, 3,
             "a base height above 1025 can draw a first world higher than 1024 cells, which the engine "
             "refuses; this WORLDRANDOM happens to give one " +
                 int_to_text(engine.world_height + 1) + " cells high");
    if (list_size(engine.floor_cells) == 0)
        warn(where, 0,
             "world 0 (" + int_to_text(engine.world_width) + " x " + int_to_text(engine.world_height) +
                 ") is too small to carve a floor: it has no start cell and no player figure");
    // Spawning walks the columns from the left and stops at MAXFOE, so
    // types that spawn easily crowd every enemy into the first columns.
    const int enemies = list_size(engine.enemy_list);
    if (enemies > 0 && enemies >= engine.max_foe && engine.resolution > 0) {
        int32_t last_column = 0;
        for (int i = 0; i < enemies; ++i)
            last_column = std::max(last_column, nearest(list_at(engine.enemy_list, i)->pos_x / engine.resolution));
        if (last_column < (engine.world_width + 1) / 3)
            warn(ini_shown, value_line(g.ini, "MAXFOE"),
                 "all " + int_to_text(enemies) + " enemies of world 0 spawn in its first " +
                     int_to_text(last_column + 1) + " of " + int_to_text(engine.world_width + 1) +
                     " columns, where MAXFOE is reached: a higher DDENSITY of the enemy types spreads them");
    }
    report->facts.push_back(world_facts("world 0"));
}

struct cell_type_use {
    int first = -1;  // index of the first cell, in file order
    int count = 0;
};

void check_saved_world(game_check& g, std::map<text, cell_type_use>& types, text& topography_shown, int32_t& height) {
    const text topo = engine.app_entry + engine.app_start + ".ai42";
    const int line = std::max(value_line(g.ini, "APPSTART"), value_line(g.ini, "APPENTRY"));
    if (!file_exists(topo)) {
        fail(ini_shown, line,
             "the saved world " + quoted(shown(topo)) + " (APPENTRY + APPSTART + .ai42) " +
                 (folder_exists(topo) ? "is a folder" : "does not exist") + ": the engine stops at start");
        return;
    }
    check_case(topo, ini_shown, line, "the saved world");
    topography_shown = shown(resolved_path(topo));
    int32_t w = 0, h = 0;
    read_size_lines(topo, topography_shown, w, h);
    if (w < 0 || h < 0 || w > max_world_index || h > max_world_index) {
        fail(topography_shown, (w < 0 || w > max_world_index) ? 2 : 3,
             "the world size " + int_to_text(w) + " x " + int_to_text(h) +
                 " is outside 0..1024: the engine refuses it and stops at start");
        return;
    }
    height = h;
    const int64_t cells = (static_cast<int64_t>(w) + 1) * (static_cast<int64_t>(h) + 1);
    const int lines = count_lines(topo);
    const int64_t records = lines > 5 ? (lines - 5) / 3 : 0;
    if (records < cells)
        warn(topography_shown, lines,
             "the file ends after " + int_to_text(static_cast<int32_t>(records)) + " of " +
                 int_to_text(static_cast<int32_t>(cells)) + " cells: the rest stay empty");

    const text opacity = engine.app_entry + engine.app_start + ".red";
    if (!file_exists(opacity)) {
        warn(topography_shown, 0, "no opacity file " + quoted(shown(opacity)) + ": every cell is hidden");
    } else {
        check_case(opacity, topography_shown, 0, "the opacity file");
        const int opacity_lines = count_lines(opacity);
        if (opacity_lines - 5 < cells)
            warn(shown(resolved_path(opacity)), opacity_lines,
                 "the file ends after " + int_to_text(std::max(0, opacity_lines - 5)) + " of " +
                     int_to_text(static_cast<int32_t>(cells)) + " cells: the rest are hidden");
    }

    fatal_code = -1;
    load_saved_world(topo);
    if (fatal_code >= 0) {
        fail(topography_shown, 0, "the engine refuses this world and stops at start");
        return;
    }
    g.world_built = true;
    for (int32_t x = 0; x <= w; ++x) {
        for (int32_t y = 0; y <= h; ++y) {
            if (!cell_in_grid(x, y) || cell_at(x, y).state != 1) continue;
            cell_type_use& u = types[name_text(cell_at(x, y).cell_type)];
            if (u.first < 0) u.first = static_cast<int>(static_cast<int64_t>(x) * (h + 1) + y);
            u.count += 1;
        }
    }
    report->facts.push_back(world_facts("the saved world"));
}

// --- object files ---

void check_object_file(game_check& g, const text& path, const text& type, bool edge_type) {
    pair_file f = read_pair_file(path);
    check_case(path, f.shown, 0, "the object file");
    check_pairs(f, object_file_table(), {&definition_table(), &config_table()});
    check_values(f, object_file_table());

    // The cell's picture.
    text gfx = value_of(f, "GFXNAME");
    if (gfx.empty()) gfx = "dummy.png";
    if (g.graphics_known && !contains(g.graphic_names, gfx)) {
        if (has_key(f, "GFXNAME"))
            warn(f.shown, value_line(f, "GFXNAME"),
                 "GFXNAME " + quoted(gfx) + " names no picture in TOPOGFX: cells of type " + quoted(type) + " are not drawn" +
                     name_hint(gfx, g.graphic_names, engine.gfx_codec));
        else
            warn(f.shown, 0,
                 "no GFXNAME: cells of type " + quoted(type) +
                     " show 'dummy.png', which TOPOGFX does not have, so they are not drawn");
    }

    // The children, as a fresh cell takes them: "#" closes the list, and
    // placement examines CHILD1 up to the last "#" read.
    text names[8];
    int lines[8] = {};
    int last_hash = -1;
    int hash_line = 0;
    for (const pair_line& p : f.pairs) {
        if (p.key.size() != 6 || p.key.compare(0, 5, "CHILD") != 0 || p.key[5] < '1' || p.key[5] > '8') continue;
        const int slot = p.key[5] - '1';
        names[slot] = p.value;
        lines[slot] = p.line + 1;
        if (p.value == "#") {
            last_hash = slot;
            hash_line = p.line + 1;
        }
    }
    const int examined = last_hash < 0 ? 0 : last_hash;
    for (int slot = 0; slot <= examined; ++slot) {
        const text& v = names[slot];
        if (v == "#" || v == "NOPE" || lines[slot] == 0) continue;
        if (!g.definitions_known) continue;
        if (!contains(g.definition_names, v)) {
            warn(f.shown, lines[slot],
                 "CHILD" + int_to_text(slot + 1) + " " + quoted(v) +
                     " matches no object definition (DGFXNAME in WORLDGFX): nothing is placed from it" +
                     name_hint(v, g.definition_names, {}));
        } else {
            g.used_children.insert(v);
        }
    }
    if (last_hash < 0) {
        for (int slot = 1; slot < 8; ++slot) {
            if (names[slot].empty()) continue;
            warn(f.shown, lines[slot],
                 "no child is '#', so only CHILD1 is examined and CHILD" + int_to_text(slot + 1) +
                     " and later are never placed: end the list with a '#' child");
            break;
        }
    } else {
        for (int slot = last_hash + 1; slot < 8; ++slot) {
            if (names[slot].empty() || names[slot] == "#") continue;
            warn(f.shown, lines[slot],
                 "CHILD" + int_to_text(slot + 1) + " " + quoted(names[slot]) + " comes after the closing '#' (line " +
                     int_to_text(hash_line) + "): it is never examined");
        }
    }

    // A generated world's cells start with opacity 0; only TRANSPARENCY
    // gives them another. (Edge types keep what the floor gave them, and a
    // saved world's opacity file sets every cell's.)
    if (g.generated && !has_key(f, "TRANSPARENCY") && !edge_type)
        warn(f.shown, 0,
             "no TRANSPARENCY: cells of type " + quoted(type) +
                 " keep opacity 0 and are not drawn (TRANSPARENCY 0 draws them opaque)");
    if (has_key(f, "TRANSPARENCY")) {
        int32_t t = text_to_int(value_of(f, "TRANSPARENCY"));
        if (t > 255 || t < 0)
            warn(f.shown, value_line(f, "TRANSPARENCY"),
                 "TRANSPARENCY " + int_to_text(t) + " is outside 0..255: " +
                     (t > 255 ? text("the cells are hidden") : text("the opacity is above 255")));
    }
    if (has_key(f, "USEENEMY") && (text_to_int(value_of(f, "USEENEMY")) & 0xFF) == 1) g.enemy_cells = true;
}

void check_object_files(game_check& g, const std::map<text, cell_type_use>& saved_types, const text& topography_shown,
                        int32_t height) {
    const text folder = engine.rgb_code_path + engine.app_start + "\\";
    const int line =
        value_line(g.ini, "RGBCODEPATH") ? value_line(g.ini, "RGBCODEPATH") : value_line(g.ini, "APPSTART");
    if (!folder_exists(folder)) {
        warn(ini_shown, line,
             "the folder of the object files " + quoted(shown(folder)) +
                 " (RGBCODEPATH + APPSTART + '\\') does not exist: no cell gets a picture or objects");
        return;
    }
    check_case(folder, ini_shown, line, "the object file folder");
    g.object_files_checked = true;

    if (g.generated) {
        std::vector<text> types = {"LAB_WALL", "LAB_FLOOR", "LAB_GREEN", "LAB_WATER"};
        if (engine.use_extended_topo == 1) {
            for (const char* t :
                 {"LAB_WALL_E", "LAB_GREEN_E", "LAB_WATER_E", "LAB_WALL_S", "LAB_GREEN_S", "LAB_WATER_S"})
                types.emplace_back(t);
        }
        for (size_t i = 0; i < types.size(); ++i) {
            const text& t = types[i];
            const text path = folder + t;
            if (!file_exists(path))
                warn(ini_shown, value_line(g.ini, "APPSTART"),
                     "no object file " + quoted(shown(path)) + " for the labyrinth's " + t +
                         " cells: they have no picture and no objects");
            else
                check_object_file(g, path, t, i >= 4);  // the six edge types come last
        }
        return;
    }
    for (const auto& [type, use] : saved_types) {
        // A cell without a code comes from a file cut short, reported with it.
        if (type.empty()) continue;
        const text path = folder + type;
        if (file_exists(path)) {
            check_object_file(g, path, type, false);
            continue;
        }
        const int32_t x = use.first / (height + 1), y = use.first % (height + 1);
        warn(topography_shown, 6 + 3 * use.first,
             "no object file " + quoted(shown(path)) + " for the colour code " + quoted(type) + " of cell (" +
                 int_to_text(x) + ", " + int_to_text(y) + ") and " + int_to_text(use.count - 1) +
                 " more: they have no picture and no objects");
    }
}

// --- world graphics and object definitions ---

void check_world_graphics(game_check& g) {
    if (!check_config_folder(g, "TOPOGFX", engine.topo_gfx_path, true, "no cell has a picture")) return;
    g.graphics_known = true;
    for (int i = 0; i < list_size(engine.world_graphics); ++i) {
        const world_graphic& w = *list_at(engine.world_graphics, i);
        g.graphic_names.push_back(w.name);
        if (w.sprite != 0) continue;
        decoded_image image;
        text why;
        if (!decode_image_file(w.path, image, why))
            fail(shown(resolved_path(w.path)), 0,
                 "the picture cannot be read: " + why + ": cells that name it are not drawn");
    }
    if (list_size(engine.world_graphics) == 0)
        warn(ini_shown, value_line(g.ini, "TOPOGFX"),
             "TOPOGFX " + quoted(shown(engine.topo_gfx_path)) + " holds no '*" + engine.gfx_codec +
                 "' picture: no cell is drawn");
}

void check_definitions(game_check& g) {
    if (!check_config_folder(g, "WORLDGFX", engine.world_gfx_path, true, "there are no objects and no enemies")) {
        return;
    }
    g.definitions_known = true;
    List<object_definition>& defs = engine.object_definitions;
    for (int i = 0; i < list_size(defs); ++i) g.definition_names.push_back(list_at(defs, i)->gfx_name);
}

void check_definition_files(game_check& g) {
    if (!g.definitions_known) return;
    List<object_definition>& defs = engine.object_definitions;
    std::set<text> definition_hosts;
    bool enemies = false;
    for (int i = 0; i < list_size(defs); ++i) {
        const object_definition& d = *list_at(defs, i);
        const text image = shown(resolved_path(d.image_path));
        if (d.sprite == 0) {
            decoded_image img;
            text why;
            if (!decode_image_file(d.image_path, img, why))
                fail(image, 0,
                     "the picture cannot be read: " + why + ": objects and enemies of this type are invisible");
        }
        if (text_find(d.image_path, engine.gfx_codec, 1) == 0) {
            warn(image, 0,
                 "the name does not contain GFXCODEC " + quoted(engine.gfx_codec) +
                     " as written (its case differs), so its definition file is looked for as '.dll' and the type "
                     "has an empty name and all properties 0");
            continue;
        }
        const text def_path = definition_file_path(d.image_path, engine.gfx_codec);
        definition_hosts.insert(with_slashes(resolved_path(def_path)));
        if (!file_exists(def_path)) {
            warn(image, 0,
                 "no definition file " + quoted(shown(def_path)) +
                     (folder_exists(def_path) ? text(" (a folder has its name)") : text()) +
                     ": the type has an empty name and all properties 0");
            continue;
        }
        pair_file f = read_pair_file(def_path);
        check_case(def_path, f.shown, 0, "the definition file");
        check_pairs(f, definition_table(), {&object_file_table(), &config_table()});
        check_values(f, definition_table());

        if (g.sounds_known && d.use_count_sound != 0 && !contains(g.sound_names, d.count_sound)) {
            const int line = has_key(f, "DCOUNTSOUND") ? value_line(f, "DCOUNTSOUND") : value_line(f, "DUSECOUNTSOUND");
            warn(f.shown, line,
                 "DCOUNTSOUND " + quoted(d.count_sound) + " names no sound in SOUNDFXPATH: nothing plays when it is collected" +
                     name_hint(d.count_sound, g.sound_names, ".ogg"));
        }
        const text hotspot = value_of(f, "DHOTSPOT");
        const text hotspot_upper = upper(trimmed(hotspot));
        if (hotspot != hotspot_upper && (hotspot_upper == "CENTER" || hotspot_upper == "RIGHT" ||
                                         hotspot_upper == "BOTTOMLEFT" || hotspot_upper == "BOTTOMRIGHT"))
            warn(f.shown, value_line(f, "DHOTSPOT"),
                 "DHOTSPOT " + quoted(hotspot) + " is not " + quoted(hotspot_upper) +
                     ": anchor words are matched exactly, so it anchors at the top-left corner");
        if (d.density < 0 && (d.gfx_name != "NOPE" || d.is_enemy != 0))
            warn(f.shown, value_line(f, "DDENSITY"),
                 "DDENSITY " + int_to_text(d.density) + " is negative: the type " +
                     (d.is_enemy != 0 ? text("never spawns as an enemy") : text("is never placed")));
        if (g.object_files_checked && d.gfx_name != "NOPE" && d.is_enemy == 0 && !g.used_children.count(d.gfx_name))
            warn(f.shown, value_line(f, "DGFXNAME"),
                 "the object type " + quoted(d.gfx_name) +
                     " is never placed: no object file of this world names it in a CHILD slot that is examined");
        if (d.is_enemy != 0) enemies = true;
    }

    if (enemies && g.generated) {
        if (engine.max_foe <= 0)
            warn(
                ini_shown, value_line(g.ini, "MAXFOE"),
                "there are enemy types (DISENEMY) but MAXFOE is " + int_to_text(engine.max_foe) + ": no enemy appears");
        else if (!g.enemy_cells)
            warn(ini_shown, value_line(g.ini, "APPSTART"),
                 "there are enemy types (DISENEMY) but no cell type sets USEENEMY 1: no enemy appears");
    }

    // Definition files without their picture are never read.
    if (examine_directory(0, engine.world_gfx_path, "*.dll") == 0) return;
    std::vector<text> orphans;
    while (next_directory_entry(0)) {
        if (directory_entry_type(0) != 1) continue;
        const text path = engine.world_gfx_path + directory_entry_name(0);
        if (!definition_hosts.count(with_slashes(resolved_path(path)))) orphans.push_back(path);
    }
    finish_directory(0);
    for (const text& path : orphans) {
        const text stem = text_left(path, text_length(path) - 4);
        warn(shown(resolved_path(path)), 0,
             "no picture " + quoted(file_part(stem) + engine.gfx_codec) +
                 " beside this definition file: it is never read");
    }
}

// --- sounds, font, figures, loading screen ---

void check_sounds(game_check& g) {
    bool used = false;
    for (int i = 0; i < list_size(engine.object_definitions); ++i)
        if (list_at(engine.object_definitions, i)->use_count_sound != 0) used = true;
    // A game without sounds may leave the folder out.
    if ((used || has_key(g.ini, "SOUNDFXPATH")) &&
        !check_config_folder(g, "SOUNDFXPATH", engine.sound_fx_path, true, "no sound is played"))
        return;
    g.sounds_known = true;
    for (int i = 0; i < list_size(engine.sound_fx_list); ++i) {
        const sound_effect& s = *list_at(engine.sound_fx_list, i);
        g.sound_names.push_back(s.name);
        if (s.loaded != 0) continue;
        text why;
        if (!decode_sound_file(s.path, why))
            fail(shown(resolved_path(s.path)), 0, "the sound cannot be read: " + why + ": it never plays");
    }
}

// The characters the engine's own texts draw: the score and time line and
// the pause and quit screens.
const text engine_text_characters = "SCORETIMEGAMPUDQNJYB0123456789-";

void check_font(game_check& g) {
    const text consequence = "no text is drawn (score, time, pause and quit screens)";
    if (!has_key(g.ini, "FONTSYSTEM")) {
        warn(ini_shown, 0, "no FONTSYSTEM: " + consequence);
        return;
    }
    const int line = value_line(g.ini, "FONTSYSTEM");
    if (!file_exists(engine.font_system)) {
        warn(ini_shown, line,
             "FONTSYSTEM names " + quoted(shown(engine.font_system)) + ", which does not exist: " + consequence);
        return;
    }
    check_case(engine.font_system, ini_shown, line, "FONTSYSTEM");
    if (!check_config_folder(g, "FONTPATH", engine.font_path, false, consequence)) return;

    const text where = shown(resolved_path(engine.font_system));
    int file = open_file_read(-1, engine.font_system);
    const text characters = file != 0 ? read_line(file) : text();
    if (file != 0) close_file(file);
    if (characters.empty()) {
        warn(where, 1, "the first line lists no character: " + consequence);
        return;
    }

    bool drawn[256] = {};
    bool seen[256] = {};
    text missing;
    int missing_count = 0;
    for (unsigned char c : characters) {
        if (seen[c]) continue;
        seen[c] = true;
        // The pen moves for these without ever drawing their image.
        if (c == ' ' || c == '\\' || c == '|') continue;
        const text image = font_image_path(c);
        if (!file_exists(image)) {
            if (missing_count < 8)
                missing += (missing_count ? ", " : "") + printable_char(c) + " (" + shown(image) + ")";
            missing_count += 1;
            continue;
        }
        check_case(image, where, 1, "the font image");
        decoded_image img;
        text why;
        if (!decode_image_file(image, img, why)) {
            fail(shown(resolved_path(image)), 0, "the font image cannot be read: " + why);
            continue;
        }
        drawn[font_entry(c) & 0xFF] = true;
    }
    if (missing_count > 0)
        warn(where, 1,
             int_to_text(missing_count) + " character" +
                 (missing_count == 1 ? text(" of the font line has") : text("s of the font line have")) +
                 " no image: " + missing + (missing_count > 8 ? text(", ...") : text()) + ": they draw nothing");
    text lacking;
    for (unsigned char c : engine_text_characters)
        if (!drawn[c]) lacking += (lacking.empty() ? "" : " ") + text(1, static_cast<char>(c));
    if (!lacking.empty())
        warn(where, 1,
             "the font has no glyph for " + lacking +
                 ", which the score and time line or the pause and quit screens use" +
                 (drawn[static_cast<unsigned char>('I')] ? text() : text(" (a space is as wide as 'I')")));
}

void check_cursor(game_check& g) {
    if (!check_config_folder(g, "CURSOR", engine.cursor_path, true, "there is no player figure")) return;
    int pictures = 0;
    std::vector<text> paths;
    if (examine_directory(0, engine.cursor_path, "*.png") != 0) {
        while (next_directory_entry(0))
            if (directory_entry_type(0) == 1) paths.push_back(engine.cursor_path + directory_entry_name(0));
        finish_directory(0);
    }
    for (const text& p : paths) {
        pictures += 1;
        decoded_image img;
        text why;
        if (!decode_image_file(p, img, why))
            fail(shown(resolved_path(p)), 0,
                 "the figure's picture cannot be read: " + why + ": the figure is invisible");
    }
    if (pictures == 0)
        warn(ini_shown, value_line(g.ini, "CURSOR"),
             "CURSOR " + quoted(shown(engine.cursor_path)) + " holds no .png picture: there is no player figure");
}

void check_loading_screen(game_check& g) {
    if (!has_key(g.ini, "LOADSCREEN")) return;
    const text v = engine.load_screen;
    const int line = value_line(g.ini, "LOADSCREEN");
    const int hash = text_find(v, "#", 1);
    if (hash == 0) {
        if (!v.empty())
            warn(ini_shown, line,
                 "LOADSCREEN " + quoted(v) +
                     " has no '#', so no loading screen is shown (the first '#' is "
                     "replaced by 0 or 1 at random)");
        return;
    }
    for (const char* digit : {"0", "1"}) {
        const text path = text_left(v, hash - 1) + digit + text_mid(v, hash + 1, text_length(v));
        if (!file_exists(path)) {
            warn(ini_shown, line,
                 "LOADSCREEN: " + quoted(shown(path)) +
                     " does not exist; the engine picks 0 or 1 at random, so some starts show no loading screen");
            continue;
        }
        check_case(path, ini_shown, line, "LOADSCREEN");
        decoded_image img;
        text why;
        if (!decode_image_file(path, img, why))
            fail(shown(resolved_path(path)), 0, "the loading screen cannot be read: " + why);
    }
}

}  // namespace

// ===========================================================================
// Functions
// ===========================================================================

int edit_distance(const text& a, const text& b) {
    // Optimal string alignment: insertions, deletions, replacements and
    // swaps of two neighbouring characters each cost one.
    const size_t n = a.size(), m = b.size();
    std::vector<std::vector<int>> d(n + 1, std::vector<int>(m + 1, 0));
    for (size_t i = 0; i <= n; ++i) d[i][0] = static_cast<int>(i);
    for (size_t j = 0; j <= m; ++j) d[0][j] = static_cast<int>(j);
    for (size_t i = 1; i <= n; ++i) {
        for (size_t j = 1; j <= m; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[n][m];
}

text format_check_message(const check_message& m) {
    text t = m.path;
    if (m.line > 0) t += ":" + int_to_text(m.line);
    t += m.level == check_level::error ? ": error: " : ": warning: ";
    return t + m.message;
}

bool start_without_display(text& why) {
    set_start_values();
    engine.base_dir = current_directory();
    engine.config_path = engine.base_dir + "DATA\\ini.txt";
    if (!file_exists(engine.config_path)) {
        why = folder_exists(engine.config_path) ? "DATA/ini.txt is a folder" : "there is no DATA/ini.txt";
        return false;
    }
    read_configuration_pairs(engine.config_path);
    use_png_decoder();
    use_jpeg_decoder();
    use_tga_decoder();
    use_tiff_decoder();
    use_ogg_decoder();
    // A display exactly as wide as the game's base width: cells and objects
    // keep their configured sizes.
    scale_to_display(engine.res_base_w, engine.res_base_h);
    create_world_grid(512, 512);
    list_clear(engine.floor_cells);
    list_clear(engine.enemy_list);
    list_clear(engine.sound_fx_list);
    list_clear(engine.cursor_sprites);
    list_clear(engine.object_instances);
    list_clear(engine.object_definitions);
    list_clear(engine.world_graphics);
    load_world_graphics();
    clear_asset_lists();
    load_object_definitions();
    return true;
}

check_result check_game() {
    check_result result;
    report = &result;
    set_fatal_error_handler(capture_fatal_error);

    text why;
    if (!start_without_display(why)) {
        fail(ini_shown, 0, why + ": the engine stops at start (run the checker in the game folder)");
        set_fatal_error_handler(nullptr);
        report = nullptr;
        return result;
    }
    check_case(engine.config_path, ini_shown, 0, "the configuration");
    load_sound_effects();

    game_check g;
    check_configuration(g);
    check_world_graphics(g);
    check_definitions(g);
    check_sounds(g);

    std::map<text, cell_type_use> saved_types;
    text topography_shown;
    int32_t height = 0;
    if (g.generated)
        check_generated_world(g);
    else
        check_saved_world(g, saved_types, topography_shown, height);
    if (g.generated || g.world_built) check_object_files(g, saved_types, topography_shown, height);
    check_definition_files(g);
    check_font(g);
    if (g.generated) check_cursor(g);
    check_loading_screen(g);

    set_fatal_error_handler(nullptr);
    report = nullptr;
    return result;
}

}  // namespace tw
