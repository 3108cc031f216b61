// pair_checks: the checks of line-pair files (the configuration, object
// definition files, object files): keys that no table knows, pairs that a
// stray or missing line put out of step, repeated keys, and values whose
// form the engine reads differently from what they say.
#include <algorithm>

#include "assets/assets.h"
#include "checker/checks.h"
#include "core/core.h"
#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "world/world.h"

namespace tw::checking {

// ===========================================================================
// Key tables
// ===========================================================================

bool key_table::has(const text& key) const { return std::find(keys.begin(), keys.end(), key) != keys.end(); }

value_form key_table::form(const text& key) const {
    auto found = std::find(keys.begin(), keys.end(), key);
    return found == keys.end() ? value_form::none : forms[static_cast<size_t>(found - keys.begin())];
}

namespace {

// What is worth checking in a value of a kind: blanks only matter around
// names that are compared or joined, and a flag that nothing reads is just
// a number.
value_form form_of(const key_description& k) {
    switch (k.kind) {
        case value_kind::path:
        case value_kind::text:
            return k.use == value_use::used ? value_form::name : value_form::none;
        case value_kind::integer:
        case value_kind::byte:
            return value_form::integer;
        case value_kind::flag:
            return k.use == value_use::used ? value_form::flag : value_form::integer;
        case value_kind::decimal:
            return value_form::number;
    }
    return value_form::none;
}

key_table table_of(const char* description, const std::vector<key_description>& keys) {
    key_table t{description, {}, {}, {}};
    for (const key_description& k : keys) {
        t.keys.emplace_back(k.key);
        t.forms.push_back(form_of(k));
    }
    return t;
}

}  // namespace

const key_table& config_table() {
    static const key_table t = table_of("the configuration", configuration_keys());
    return t;
}
const key_table& object_file_table() {
    static const key_table t = table_of("object files", object_file_keys());
    return t;
}
const key_table& definition_table() {
    static const key_table t = table_of("definition files", definition_keys());
    return t;
}
const key_table& placement_table() {
    static const key_table t = [] {
        key_table k = table_of("placement files", placement_keys());
        k.repeatable = {"OBJECT"};  // each line places one more object
        return k;
    }();
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

pair_file read_pair_file(const text& path) {
    pair_file f;
    f.path = path;
    f.shown = shown(resolved_path(path));
    std::vector<line_pair> pairs;
    f.exists = read_line_pairs(path, pairs);
    if (!f.exists) return f;
    f.lines = count_lines(path);
    int line = 1;
    for (line_pair& p : pairs) {
        f.pairs.push_back({std::move(p.key), std::move(p.value), line, false});
        line += 2;
    }
    return f;
}

namespace {

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

}  // namespace

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
        if (p.shifted || !own.has(p.key) || contains(own.repeatable, p.key)) continue;
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

void check_values(const pair_file& f, const key_table& own) {
    for (const pair_line& p : f.pairs) {
        if (p.shifted || !own.has(p.key)) continue;
        const int line = p.line + 1;
        const text& v = p.value;
        switch (own.form(p.key)) {
            case value_form::integer:
            case value_form::flag:
                if (!is_whole_number(v)) {
                    warn(
                        f.shown, line,
                        p.key + " " + quoted(v) + " is not a whole number: it reads as " + int_to_text(text_to_int(v)));
                } else if (own.form(p.key) == value_form::flag) {
                    const int low = static_cast<int>(static_cast<uint32_t>(text_to_int(v)) & 0xFFu);
                    if (low == 1 && trimmed(v) != "1")
                        warn(f.shown, line, p.key + " " + quoted(v) + " counts as 1 (only the lowest 8 bits count)");
                    else if (low != 1 && low != 0)
                        warn(f.shown, line, p.key + " " + quoted(v) + " counts as off: only 1 switches it on");
                    else if (low == 0 && text_to_int(v) != 0)
                        warn(f.shown, line, p.key + " " + quoted(v) + " counts as 0 (only the lowest 8 bits count)");
                }
                break;
            case value_form::number:
                if (!is_decimal_number(v))
                    warn(f.shown, line,
                         p.key + " " + quoted(v) + " is not a number: it reads as " +
                             int_to_text(nearest(text_to_float(v))) + " (rounded)");
                break;
            case value_form::name:
                if (has_outer_blanks(v))
                    warn(f.shown, line,
                         p.key + " " + quoted(v) + " has blanks around it, and values are used exactly as written");
                break;
            case value_form::none:
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

}  // namespace tw::checking
