// report: the findings of a check and how messages show what they name:
// texts from the data quoted and cut, paths relative to the game folder,
// and the near misses behind a name that matches nothing.
#include <algorithm>
#include <cstdint>

#include "checker/checks.h"
#include "runtime/inspection.h"

namespace tw {

namespace checking {

// ===========================================================================
// State of one check
// ===========================================================================

check_result* report = nullptr;
int fatal_code = -1;

void capture_fatal_error(int code) {
    if (fatal_code < 0) fatal_code = code;
}

namespace {

// A shift in the configuration's pairs makes the engine ignore every key after
// it; what follows from that alone ("no TOPOGFX", one missing object file per
// cell type) is told once, with the shift, instead of one finding each.
struct shift_folding {
    size_t message = SIZE_MAX;  // the shift's finding; SIZE_MAX: nothing is folded
    std::set<text> lost;         // configuration keys the shift hid
    std::vector<text> consequences;
    int object_files = 0;        // cell types whose object file is looked for in the wrong folder
    text object_file_example;
    int outside_paths = 0;       // paths that lead out of the folder because their folder key was hidden
};
shift_folding folding;

bool lost(const text& key) { return folding.lost.count(key) > 0; }

// Whether a warning follows from nothing but the hidden keys; if so it is kept
// for the shift's finding.
bool folded(const text& path, const text& message) {
    if (folding.message == SIZE_MAX || path != ini_shown) return false;
    if (message.rfind("no object file '", 0) == 0 && (lost("RGBCODEPATH") || lost("APPSTART"))) {
        if (folding.object_files++ == 0) folding.object_file_example = message.substr(3, message.find(' ', 15) - 3);
        return true;
    }
    // A hidden folder key leaves its file names at the root of the disk.
    if (message.rfind("a data path leads out of the game folder", 0) == 0 && message.find("'\\") != text::npos) {
        folding.outside_paths += 1;
        return true;
    }
    for (const text& key : folding.lost) {
        if (message.rfind("no " + key + ":", 0) == 0 || message.rfind(key + " is ", 0) == 0 ||
            (message.find("(RGBCODEPATH + APPSTART") != text::npos && (lost("RGBCODEPATH") || lost("APPSTART")))) {
            folding.consequences.push_back(message);
            return true;
        }
    }
    return false;
}

void add(check_level level, const text& path, int line, const text& message) {
    if (level == check_level::warning && folded(path, message)) return;
    report->messages.push_back({path, line, level, message});
    if (level == check_level::error)
        report->errors += 1;
    else
        report->warnings += 1;
}

}  // namespace

void warn(const text& path, int line, const text& message) { add(check_level::warning, path, line, message); }
void fail(const text& path, int line, const text& message) { add(check_level::error, path, line, message); }

void fold_shift_consequences(size_t message, const std::set<text>& lost_keys) {
    folding = shift_folding{};
    if (lost_keys.empty() || message >= report->messages.size()) return;
    folding.message = message;
    folding.lost = lost_keys;
}

void finish_shift_folding() {
    if (folding.message == SIZE_MAX) return;
    std::vector<text> parts = folding.consequences;
    if (folding.object_files > 0)
        parts.push_back(int_to_text(folding.object_files) + " cell types have no object file (the first: " +
                        folding.object_file_example + "): no cell gets a picture or objects");
    if (folding.outside_paths > 0)
        parts.push_back(int_to_text(folding.outside_paths) +
                        " file names are looked for at the root of the disk, without their folder");
    if (!parts.empty()) {
        text& m = report->messages[folding.message].message;
        m += "; because of it: ";
        for (size_t i = 0; i < parts.size(); ++i) m += (i ? "; " : "") + parts[i];
    }
    folding = shift_folding{};
}


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

}  // namespace checking

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
    if (m.line > 0) {
        t += ':';
        t += int_to_text(m.line);
    }
    t.append(m.level == check_level::error ? ": error: " : ": warning: ");
    t.append(m.message);
    return t;
}

}  // namespace tw
