// What the program writes for the tests, read back: a dump of the engine
// state (the script's "dump FILE": the named fields, the cursor figures, the
// enemies and every cell of the world), and the report log.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tw::test {

struct DumpCursor {
    double x = 0, y = 0;
    int heading = 0, step_counter = 0;
    bool operator==(const DumpCursor&) const = default;
};

struct DumpEnemy {
    int x = 0, y = 0, walk_direction = 0, ai_level = 0;
    bool operator==(const DumpEnemy&) const = default;
};

struct DumpCell {
    int x = 0, y = 0, state = 0, alpha = 0, use_collision = 0, use_enemy = 0, collision_flag = 0;
    int last_child_slot = 0;
    std::vector<int> children;  // the child instance slots
    std::string type;           // empty for a cell without a type
    bool operator==(const DumpCell&) const = default;
};

struct Dump {
    bool exists = false;  // false when the file was not written
    std::map<std::string, std::string> fields;  // "<name> <value>" lines, the instance count included
    std::vector<DumpCursor> cursors;
    std::vector<DumpEnemy> enemies;
    std::vector<DumpCell> cells;  // column by column

    std::string field(const std::string& name) const;  // "" when absent
    double num(const std::string& name) const;         // -999999 when absent
};

Dump parse_dump(const std::string& text);
Dump read_dump(const std::string& path);

// "" when `log` holds exactly one report of a processor fault in the game
// (six lines, each ended by CR LF), else what is wrong with it.
std::string fault_report_problem(const std::string& log);

}  // namespace tw::test
