#include "support/dump.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "support/test_support.h"

namespace tw::test {

namespace {

// Words at single blanks: a cell of no type ends with an empty word.
std::vector<std::string> words_of(const std::string& line) {
    std::vector<std::string> words;
    size_t from = 0;
    for (size_t at; (at = line.find(' ', from)) != std::string::npos; from = at + 1)
        words.push_back(line.substr(from, at - from));
    words.push_back(line.substr(from));
    return words;
}

int number(const std::string& word) { return std::atoi(word.c_str()); }

}  // namespace

std::string Dump::field(const std::string& name) const {
    auto it = fields.find(name);
    return it == fields.end() ? std::string() : it->second;
}

double Dump::num(const std::string& name) const {
    auto it = fields.find(name);
    return it == fields.end() ? -999999 : std::atof(it->second.c_str());
}

Dump parse_dump(const std::string& text) {
    Dump d;
    d.exists = true;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> w = words_of(line);
        if (w[0] == "cursor" && w.size() == 6) {
            d.cursors.push_back({std::atof(w[2].c_str()), std::atof(w[3].c_str()), number(w[4]), number(w[5])});
        } else if (w[0] == "enemy" && w.size() == 6) {
            d.enemies.push_back({number(w[2]), number(w[3]), number(w[4]), number(w[5])});
        } else if (w[0] == "cell" && w.size() == 11) {
            DumpCell c{number(w[1]), number(w[2]), number(w[3]), number(w[4]), number(w[5]),
                       number(w[6]), number(w[7]), number(w[8]), {}, w[10]};
            std::istringstream slots(w[9]);
            for (std::string slot; std::getline(slots, slot, ',');) c.children.push_back(number(slot));
            d.cells.push_back(c);
        } else if (w.size() == 2) {
            d.fields[w[0]] = w[1];
        }
    }
    return d;
}

Dump read_dump(const std::string& path) {
    if (!std::filesystem::is_regular_file(path)) return {};
    return parse_dump(read_file(path));
}

std::string fault_report_problem(const std::string& log) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = log.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(log.substr(from, at - from));
    if (from != log.size()) return "text after the last line end:\n" + log;
    if (lines.size() != 6) return std::to_string(lines.size()) + " lines instead of 6:\n" + log;
    if (lines[0] != "ENGINE REPORT: ERROR:" || lines[1] != "Invalid memory access" || lines[2] != "LINE:-1" ||
        lines[3].rfind("MODULE:", 0) != 0 || lines[4] != " " || lines[5].rfind("DATESTAMP:", 0) != 0)
        return "not the report of a processor fault:\n" + log;
    return "";
}

}  // namespace tw::test
