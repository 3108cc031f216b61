// line_pairs: the format of the engine's data files. The configuration, the
// object definition files and the object files are sequences of line pairs,
// a key line then a value line, paired by position only. Each file kind
// describes its keys in one table (core/configuration.cpp,
// assets/definitions.cpp, assets/object_files.cpp) that its reader applies
// and the data checker checks files against.
#pragma once

#include <cstddef>
#include <vector>

#include "core/engine_state.h"

namespace tw {

// ===========================================================================
// Key tables
// ===========================================================================

// How a value line is converted when it is stored.
enum class value_kind {
    path,     // base_dir + the line, joined without adding a separator
    text,     // the line as written, blanks included
    integer,  // text_to_int
    byte,     // text_to_int, of which the low 8 bits are kept as a signed byte
    flag,     // a byte of which exactly 1 means on
    decimal,  // text_to_float
};

// What becomes of a value once it is stored.
enum class value_use {
    used,    // the engine acts on it
    shown,   // only shown as written (the window title, a fatal error's text)
    unused,  // accepted and stored, and nothing reads it
};

// One key of a file kind's table: configuration_keys (core.h),
// definition_keys and object_file_keys (assets.h) list them in the order
// their readers test them.
struct key_description {
    const char* key;
    value_kind kind;
    value_use use;
};

// A row of a file kind's table: the key described, and what it sets (a
// setter of the file kind's own).
template <class Setter>
struct key_row {
    const char* key;
    value_kind kind;
    value_use use;
    Setter set;
};

// The rows of a table without their setters, in order.
template <class Setter, size_t n>
std::vector<key_description> describe_keys(const key_row<Setter> (&rows)[n]) {
    std::vector<key_description> keys;
    for (const key_row<Setter>& r : rows) keys.push_back({r.key, r.kind, r.use});
    return keys;
}

// ===========================================================================
// Reading
// ===========================================================================

struct line_pair {
    text key;
    text value;
};

// The one reader of every line-pair file. Takes the next two lines of an
// open file as key and value; false, with nothing read, when the file is at
// its end. Lines are not trimmed, and a blank or stray line shifts every
// later pair. A key on the last line gets the empty value (read_line gives
// "" past the end too, so reading the value line regardless comes out the
// same). What the pairs do is each file kind's own:
// - configuration: each pair is applied as it is read (WORLDRANDOM seeds the
//   generator while the file is still being read);
// - definition files: each pair is applied to its definition as it is read;
// - object files: read whole once per world build, then applied to every
//   cell of the type;
// in all three an unknown key skips its pair and a repeated key is applied
// again, so the last one wins.
bool read_line_pair(int file, line_pair& pair);
// Every pair of the file at `path`, in file order: pair i holds lines 2i + 1
// and 2i + 2. false when the file cannot be opened.
bool read_line_pairs(const text& path, std::vector<line_pair>& pairs);

}  // namespace tw
