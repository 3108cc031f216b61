// checks: what the checker's files share: the report being written, texts
// and paths as messages show them, line-pair files with their key tables,
// and the record of one whole check.
#pragma once

#include <map>
#include <set>
#include <vector>

#include "checker/checker.h"

namespace tw::checking {

// ===========================================================================
// The report (checker/report.cpp)
// ===========================================================================

extern check_result* report;  // the check being written, set by check_game
extern int fatal_code;        // first fatal error the engine raised, -1 none

void capture_fatal_error(int code);  // the fatal error procedure of the checker's runs
void warn(const text& path, int line, const text& message);
void fail(const text& path, int line, const text& message);
// From now on, warnings about the configuration that follow from nothing but
// `lost_keys` (keys a shift in the pairs hid) are added to finding `message`
// (the shift's) when the check ends, by finish_shift_folding, instead of
// being findings of their own.
void fold_shift_consequences(size_t message, const std::set<text>& lost_keys);
void finish_shift_folding();

// --- texts ---

// A text from the data as a message shows it: quoted, control bytes
// written as \xNN, long texts cut.
text quoted(const text& t);
text printable_char(unsigned char c);  // quoted, or "byte N"
text upper(text t);
text lower(text t);
text trimmed(const text& t);  // without blanks and tabs around it
bool has_outer_blanks(const text& t);
bool is_whole_number(const text& t);    // a value text_to_int reads completely
bool is_decimal_number(const text& t);  // a value text_to_float reads completely
bool looks_like_value(const text& t);   // a key line that is more likely a value
// The closest of `names` when close enough to be a slip of the keyboard.
text nearest_name(const text& t, const std::vector<text>& names);
// A hint for a name that matches none of `names`, "" when there is none.
text name_hint(const text& name, const std::vector<text>& names, const text& extension);
bool contains(const std::vector<text>& names, const text& n);

// --- paths ---

text with_slashes(const text& p);
text shown(const text& p);  // relative to the game folder, '/' separators
bool ends_with_separator(const text& v);
// Warns when `path` exists only because names are looked up ignoring case.
void check_case(const text& path, const text& where, int line, const text& what);

// ===========================================================================
// Line-pair files (checker/pair_checks.cpp)
// ===========================================================================

// What the checks of a value's form look for, from the kind and use of
// its key in the engine's table.
enum class value_form {
    none,  // stored and never used, or free text
    name,  // compared or joined as written: blanks around it matter
    integer,
    flag,    // a number of which exactly 1 means on
    number,  // with a fraction
};

struct key_table {
    const char* description;  // "the configuration", "object files", ...
    std::vector<text> keys;         // in the order the engine tests them
    std::vector<value_form> forms;  // by the position of the key in `keys`
    std::vector<text> repeatable;   // keys each of whose pairs counts, not only the last
    bool has(const text& key) const;
    value_form form(const text& key) const;
};

const key_table& config_table();
const key_table& object_file_table();
const key_table& definition_table();
const key_table& placement_table();  // the .place files of designed worlds

// Notes are pairs under this key: unknown to every file, on purpose.
extern const text note_key;

// One line pair as the engine reads it, with the line of its key.
struct pair_line {
    text key;
    text value;
    int line = 0;          // the key's line; the value is on line + 1
    bool shifted = false;  // read out of step because of a stray line
};

// A line-pair file read by the engine's reader: pair i holds lines 2i + 1
// and 2i + 2.
struct pair_file {
    text path;   // as the engine opens it
    text shown;  // for messages
    bool exists = false;
    int lines = 0;
    std::vector<pair_line> pairs;
    std::map<text, const pair_line*> last;  // the pair that wins, by key (in-step pairs only)
};

int count_lines(const text& path);
pair_file read_pair_file(const text& path);
// The unknown keys, the pairs a stray or missing line shifted, repeated
// keys and a last key without a value line.
void check_pairs(pair_file& f, const key_table& own, const std::vector<const key_table*>& others);
// The forms of values: numbers that are not numbers, flags other than 0
// and 1, names with blanks around them.
void check_values(const pair_file& f, const key_table& own);
int value_line(const pair_file& f, const text& key);  // line of the winning value, 0 unset
int key_line(const pair_file& f, const text& key);
bool has_key(const pair_file& f, const text& key);
text value_of(const pair_file& f, const text& key);

// ===========================================================================
// One whole check (checker/check_game.cpp, checker/check_assets.cpp)
// ===========================================================================

struct game_check {
    pair_file ini;
    bool generated = false;
    bool designed = false;  // a loaded game with PLAYSAVEDWORLD 1: worlds 1..N play
    std::vector<text> graphic_names;     // world graphics, as cells name them
    std::vector<text> definition_names;  // DGFXNAME of every definition
    std::vector<text> sound_names;
    std::set<text> used_children;  // names examined in some object file
    std::set<text> placed_names;   // names a .place file puts on a cell
    bool enemy_cells = false;      // some cell type lets enemies spawn
    bool world_built = false;
    bool object_files_checked = false;  // used_children is complete
    // Whether the lists above could be read at all: names are only checked
    // against a list that exists, so one bad folder gives one report.
    bool graphics_known = false;
    bool definitions_known = false;
    bool sounds_known = false;
    // Files the engine's loaders refused for a budget: reported once as such,
    // and not decoded again (a thousand of them would take minutes).
    std::set<text> over_budget;
};

// The cells of one colour code in a saved world.
struct cell_type_use {
    int first = -1;  // index of the first cell, in file order
    int count = 0;
    text where;          // the topography file of that first cell
    int32_t height = 0;  // and its highest row
};

extern const text ini_shown;

// A folder named by a configuration key: set, ending in a separator where
// names are appended to it, present. false when it cannot be used.
bool check_config_folder(game_check& g, const text& key, const text& full, bool needs_separator,
                         const text& consequence);

void check_world_graphics(game_check& g);
void check_definitions(game_check& g);
void check_sounds(game_check& g);
void check_object_files(game_check& g, const std::map<text, cell_type_use>& saved_types);
void check_definition_files(game_check& g);
void check_orphan_definition_files(game_check& g);  // definition files without their picture
void check_font(game_check& g);
void check_cursor(game_check& g);
void check_loading_screen(game_check& g);

// The pictures of the cursor figures, found as the engine finds them.
std::vector<text> cursor_picture_paths();

}  // namespace tw::checking
