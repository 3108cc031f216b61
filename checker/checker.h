// checker: the data checker of game folders and its world maps. The
// checker reads a game the way the engine does, with the engine's own
// readers, and reports what the engine would silently skip or refuse; the
// maps are images of worlds built by the engine's own world builder.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "core/engine_state.h"
#include "runtime/inspection.h"

namespace tw {

// ===========================================================================
// Findings (checker/report.cpp, checker/check_game.cpp)
// ===========================================================================

enum class check_level { warning, error };

struct check_message {
    text path;     // relative to the game folder, '/' separators
    int line = 0;  // 1-based; 0 names the file as a whole
    check_level level = check_level::warning;
    text message;
};

struct check_result {
    std::vector<check_message> messages;
    int errors = 0;
    int warnings = 0;
    std::vector<text> facts;  // what the checker learned (world sizes), for the summary
};

// The engine's start-up steps in the current folder without a display, up
// to the world: configuration (without devices), decoders, a display of the
// game's base size, the grid and lists, the assets. false with the reason
// when there is no configuration to read.
bool start_without_display(text& why);
// Checks the game in the current folder. Leaves the engine state as the
// check's start-up build left it.
check_result check_game();
// "path:line: warning: message" ("path: error: ..." without a line).
text format_check_message(const check_message& m);
// Edits (insert, delete, replace, swap of neighbours) between two texts.
int edit_distance(const text& a, const text& b);

// ===========================================================================
// World maps (checker/world_map.cpp)
// ===========================================================================

// Runs the engine's start-up without a display (configuration, world
// graphics, object definitions) and builds world `number` the way the
// engine does: the start-up build, then for number >= 1 a rebuild. false
// with the reason when the engine would stop or the world cannot be made.
bool build_world_for_map(int number, text& why);
// Cells per pixel block that fits a world of cells_x x cells_y into
// max_side pixels, at most `wanted`.
int map_block_size(int cells_x, int cells_y, int wanted, int max_side);
// The world in the grid as an image, `block` pixels per cell.
rgba_image render_world_map(int block);
// Whole commands: false with the reason on failure.
bool write_world_map(int number, int block, const text& path, text& why);
bool write_map_sheet(int first, int count, int block, const text& path, text& why);
// The rebuild the main loop runs when the player switches to world `number`,
// after build_world_for_map.
void rebuild_world_for_map(int number);

// ===========================================================================
// The catalogue of worlds (checker/catalog.cpp)
// ===========================================================================

// What one built world holds.
struct world_summary {
    int number = 0;
    int32_t cells_x = 0, cells_y = 0;   // world_width + 1, world_height + 1
    std::map<text, int> objects;        // placed objects by DGFXNAME
    int enemies = 0;
    bool has_start = false;             // a floor cell for the figure
    int32_t start_x = 0, start_y = 0;
    int pickups = 0;                    // objects collected by standing on them (DCOLLISION, DKILLONCOLLISION)
    int reachable_pickups = 0;          // on cells the figure can walk to from its start
};
world_summary summarize_world(int number);  // the world in the engine state
// One line of the catalogue: "world N: W x H cells, ..." or a CSV row.
text catalog_line(const world_summary& s, bool csv);
extern const char* const catalog_csv_header;
// Builds worlds first .. first + count - 1 and prints a line for each.
bool write_catalog(int first, int count, bool csv, text& why);

}  // namespace tw
