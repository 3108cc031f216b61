// system_files: files, folder scans and path resolution.
//
// Game data is usually written on Windows: paths use backslashes and their
// case need not match the files on disk. Every path the runtime opens is
// resolved here, so a game folder made on Windows runs unchanged elsewhere.
// What the host file system itself offers is in system_files_posix.cpp and
// system_files_windows.cpp.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_map>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "runtime/platform.h"
#include "runtime/testing.h"

namespace tw {

// ===========================================================================
// Paths
// ===========================================================================

namespace {

char lower_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

char upper_ascii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Listing order: names compared byte by byte with ASCII letters folded to
// upper case, the exact bytes breaking ties. This is the order in which a
// Windows (NTFS) folder lists its files: the characters [ \ ] ^ _ and ` sort
// after the letters ("oakb.dll" before "oak_x.dll"). Seeded worlds depend on
// it, so a game folder made on Windows builds the same worlds here.
bool name_before(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(upper_ascii(a[i]));
        unsigned char cb = static_cast<unsigned char>(upper_ascii(b[i]));
        if (ca != cb) return ca < cb;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

bool path_exists(const std::string& p) {
    return !p.empty() && platform::host_stat(p).kind != platform::entry_kind::missing;
}

std::string folded(std::string_view name) {
    std::string f(name);
    for (char& c : f) c = lower_ascii(c);
    return f;
}

// The names of a folder by their case-folded form, each the first in sorted
// order of those that fold alike. A folder is listed once and listed again
// only when it changed (or the runtime wrote a file): a game looking up
// thousands of missing files in a folder of thousands would otherwise list
// the whole folder for each.
struct Listing {
    int64_t changed = 0;
    std::unordered_map<std::string, std::string> by_folded;
};

std::unordered_map<std::string, Listing>& listings() {
    static std::unordered_map<std::string, Listing> cache;
    return cache;
}

void forget_listings() { listings().clear(); }

// The entry of `dir` whose name equals `name` ignoring case; the first in
// sorted order when several do. Empty when none.
std::string find_nocase(const std::string& dir, std::string_view name) {
    const std::string folder = dir.empty() ? "." : dir;
    const platform::host_entry entry = platform::host_stat(folder);
    if (entry.kind != platform::entry_kind::folder) return {};
    auto found = listings().find(folder);
    if (found == listings().end() || found->second.changed != entry.changed) {
        std::vector<std::string> names;
        if (!platform::host_list_folder(folder, names)) return {};
        Listing l;
        l.changed = entry.changed;
        for (std::string& n : names) {
            std::string& best = l.by_folded[folded(n)];
            if (best.empty() || name_before(n, best)) best = std::move(n);
        }
        if (listings().size() >= 256) forget_listings();  // a bound on what is kept
        found = listings().insert_or_assign(folder, std::move(l)).first;
    }
    auto hit = found->second.by_folded.find(folded(name));
    return hit == found->second.by_folded.end() ? std::string() : hit->second;
}

// How much of `p` is the current folder's own name, to be taken literally:
// where '\\' is an ordinary character in names, a game folder named "a\\b"
// is that folder, not "b" inside "a". The rest of a path is the game's, in
// which '\\' separates.
size_t literal_prefix(const std::string& p) {
    if (p.empty() || p[0] != '/' || p.find('\\') == std::string::npos) return 0;
    const std::string here = platform::host_current_folder();
    if (here.find('\\') == std::string::npos) return 0;
    return p.compare(0, here.size(), here) == 0 ? here.size() : 0;
}

}  // namespace

text resolved_path(const text& path) {
    // No file has a longer name; a longer data path names nothing.
    if (path.size() > static_cast<size_t>(max_path_length)) return {};
    std::string p = path;
    std::replace(p.begin() + static_cast<std::ptrdiff_t>(literal_prefix(p)), p.end(), '\\', '/');
    if (p.empty() || path_exists(p)) return p;
    // Walk the components; keep each that exists, look up the others ignoring
    // case. The result grows in place, so the walk stays linear in the
    // components.
    bool absolute = p[0] == '/';
    std::string done = absolute ? "/" : "";
    size_t pos = absolute ? 1 : 0;
    bool lost = false;  // once a component cannot be found, the rest is kept as written
    while (pos <= p.size()) {
        const size_t slash = p.find('/', pos);
        const size_t end = slash == std::string::npos ? p.size() : slash;
        if (end > pos) {
            const std::string_view part(p.data() + pos, end - pos);
            const size_t base = done.size();
            done.append(part);
            if (!lost && part != "." && part != ".." && !path_exists(done)) {
                done.resize(base);
                const std::string found = find_nocase(base == 0 ? "." : done, part);
                if (!found.empty()) {
                    done += found;
                } else {
                    done.append(part);
                    lost = true;
                }
            }
        }
        if (slash == std::string::npos) break;
        done += '/';
        pos = slash + 1;
    }
    return done;
}

// ===========================================================================
// Reads that leave the game folder (noted for the checker when asked)
// ===========================================================================

namespace {

struct OutsideReads {
    bool watching = false;
    std::string root;                 // the game folder, canonical, ending with '/'
    std::set<std::string> seen;       // host paths already judged
    std::vector<text> found;          // "data path -> where it leads"
} outside;

std::string canonical_of(const std::string& host) {
    std::error_code ec;
    const std::filesystem::path c = std::filesystem::weakly_canonical(std::filesystem::absolute(host, ec), ec);
    return ec ? std::string() : c.generic_string();
}

// A data path about to be read: noted when it leads outside the folder, as
// written and where it leads (through `..`, an absolute path or a symlink).
void note_read(const text& path, const std::string& host) {
    if (!outside.watching || host.empty() || outside.found.size() >= 1000) return;
    if (!outside.seen.insert(host).second) return;
    const std::string where = canonical_of(host);
    if (where.empty() || (where + "/").compare(0, outside.root.size(), outside.root) == 0) return;
    outside.found.push_back(path + " -> " + where);
}

}  // namespace

void watch_reads_outside() {
    outside = OutsideReads{};
    outside.watching = true;
    outside.root = canonical_of(".");
    if (outside.root.empty() || outside.root.back() != '/') outside.root += '/';
}

std::vector<text> reads_outside() { return outside.found; }

bool platform::read_whole_file(const text& path, std::vector<uint8_t>& out, size_t limit) {
    out.clear();
    std::string p = resolved_path(path);
    if (p.empty()) return false;
    note_read(path, p);
    const platform::host_entry entry = platform::host_stat(p);
    if (entry.kind != platform::entry_kind::file || entry.size > limit) return false;
    FILE* f = std::fopen(p.c_str(), "rb");
    if (!f) return false;
    out.resize(static_cast<size_t>(entry.size));
    size_t got = out.empty() ? 0 : std::fread(out.data(), 1, out.size(), f);
    std::fclose(f);
    out.resize(got);
    return true;
}

bool wildcard_match(const text& pattern, const text& name) {
    // Iterative * and ? matching with one backtrack point; case-insensitive.
    size_t p = 0, n = 0, star = std::string::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower_ascii(pattern[p]) == lower_ascii(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// ===========================================================================
// Numbered tables
// ===========================================================================

namespace {

struct OpenFile {
    FILE* f = nullptr;
};

struct Scan {
    struct Entry {
        std::string name;
        int type = 1;
    };
    std::vector<Entry> entries;
    int current = -1;
};

template <class T>
struct Table {
    std::vector<std::unique_ptr<T>> slots;
    T* get(int n) {
        if (n < 0 || n >= static_cast<int>(slots.size())) return nullptr;
        return slots[static_cast<size_t>(n)].get();
    }
    // Places an object at `number`, or at a fresh slot >= 1 for -1. Returns
    // the handle for -1 and 1 for a chosen number.
    int put(int number, std::unique_ptr<T> obj) {
        int slot = number;
        if (number < 0) {
            slot = 1;
            while (slot < static_cast<int>(slots.size()) && slots[static_cast<size_t>(slot)]) ++slot;
        }
        if (slot >= static_cast<int>(slots.size())) slots.resize(static_cast<size_t>(slot) + 1);
        slots[static_cast<size_t>(slot)] = std::move(obj);
        return number < 0 ? slot : 1;
    }
    void drop(int n) {
        if (get(n)) slots[static_cast<size_t>(n)].reset();
    }
};

Table<OpenFile>& files() {
    static Table<OpenFile> t;
    return t;
}
Table<Scan>& scans() {
    static Table<Scan> t;
    return t;
}

void close_open_file(OpenFile* of) {
    if (of && of->f) {
        std::fclose(of->f);
        of->f = nullptr;
    }
}

int open_with_mode(int number, const text& path, const char* mode, bool create) {
    if (mode[0] != 'r' || create) forget_listings();  // the file may be new
    std::string p = resolved_path(path);
    if (p.empty()) return 0;
    if (mode[0] == 'r' && !create) note_read(path, p);
    const platform::entry_kind kind = platform::host_stat(p).kind;
    if (kind != platform::entry_kind::missing && kind != platform::entry_kind::file) return 0;  // a folder is not a file
    FILE* f = std::fopen(p.c_str(), mode);
    if (!f && create) f = std::fopen(p.c_str(), "w+b");
    if (!f) return 0;
    if (number >= 0) close_open_file(files().get(number));
    auto of = std::make_unique<OpenFile>();
    of->f = f;
    return files().put(number, std::move(of));
}

}  // namespace

void platform::close_all_files() {
    for (auto& slot : files().slots) close_open_file(slot.get());
    files().slots.clear();
}

// ===========================================================================
// Files
// ===========================================================================

int open_file_read(int number, const text& path) { return open_with_mode(number, path, "rb", false); }

int open_file(int number, const text& path) { return open_with_mode(number, path, "r+b", true); }

int create_file(int number, const text& path) { return open_with_mode(number, path, "w+b", false); }

text read_line(int number) {
    OpenFile* of = files().get(number);
    if (!of || !of->f) return {};
    text line;
    for (;;) {
        int c = std::fgetc(of->f);
        if (c == EOF || c == '\n' || c == '\0') break;
        if (c == '\r') {
            int next = std::fgetc(of->f);
            if (next != '\n' && next != EOF) std::ungetc(next, of->f);
            break;
        }
        // The rest of an overlong line is read past and dropped.
        if (line.size() < static_cast<size_t>(max_line_length)) line.push_back(static_cast<char>(c));
    }
    return line;
}

void write_line(int number, const text& t) {
    OpenFile* of = files().get(number);
    if (!of || !of->f) return;
    std::fwrite(t.data(), 1, t.size(), of->f);
    std::fwrite("\r\n", 1, 2, of->f);
}

bool end_of_file(int number) {
    OpenFile* of = files().get(number);
    if (!of || !of->f) return false;
    int c = std::fgetc(of->f);
    if (c == EOF) return true;
    std::ungetc(c, of->f);
    return false;
}

void close_file(int number) {
    OpenFile* of = files().get(number);
    if (!of) return;
    close_open_file(of);
    files().drop(number);
}

namespace {

// What a data path names.
platform::entry_kind entry_type(const text& path) {
    std::string p = resolved_path(path);
    if (p.empty()) return platform::entry_kind::missing;
    const platform::entry_kind kind = platform::host_stat(p).kind;
    if (kind != platform::entry_kind::missing) note_read(path, p);
    return kind;
}

}  // namespace

bool file_exists(const text& path) { return entry_type(path) == platform::entry_kind::file; }

bool folder_exists(const text& path) { return entry_type(path) == platform::entry_kind::folder; }

bool write_text_file(const text& path, const text& contents) {
    forget_listings();  // the file may be new
    std::string p = resolved_path(path);
    if (p.empty()) return false;
    FILE* f = std::fopen(p.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(contents.data(), 1, contents.size(), f) == contents.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

text current_directory() { return platform::host_current_folder(); }

bool enter_folder(const text& folder, text& why) { return platform::host_enter_folder(folder, why); }

text absolute_path(const text& path) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(path, ec);
    return ec ? path : p.string();
}

// ===========================================================================
// Folder scans
// ===========================================================================

int examine_directory(int number, const text& folder, const text& pattern) {
    std::string dir = folder.empty() ? std::string(".") : resolved_path(folder);
    std::vector<std::string> names;
    if (dir.empty() || !platform::host_list_folder(dir, names)) return 0;
    if (!folder.empty()) note_read(folder, dir);
    auto scan = std::make_unique<Scan>();
    std::string prefix = dir;
    if (prefix.back() != '/') prefix.push_back('/');
    for (const std::string& n : names) {
        if (!wildcard_match(pattern, n)) continue;
        const bool is_folder = platform::host_stat(prefix + n).kind == platform::entry_kind::folder;
        scan->entries.push_back({n, is_folder ? 2 : 1});
    }
    std::sort(scan->entries.begin(), scan->entries.end(),
              [](const Scan::Entry& a, const Scan::Entry& b) { return name_before(a.name, b.name); });
    return scans().put(number, std::move(scan));
}

bool next_directory_entry(int number) {
    Scan* s = scans().get(number);
    if (!s) return false;
    if (s->current + 1 >= static_cast<int>(s->entries.size())) {
        s->current = static_cast<int>(s->entries.size());
        return false;
    }
    s->current += 1;
    return true;
}

text directory_entry_name(int number) {
    Scan* s = scans().get(number);
    if (!s || s->current < 0 || s->current >= static_cast<int>(s->entries.size())) return {};
    return s->entries[static_cast<size_t>(s->current)].name;
}

int directory_entry_type(int number) {
    Scan* s = scans().get(number);
    if (!s || s->current < 0 || s->current >= static_cast<int>(s->entries.size())) return 0;
    return s->entries[static_cast<size_t>(s->current)].type;
}

void finish_directory(int number) { scans().drop(number); }

}  // namespace tw
