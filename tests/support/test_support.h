// Helpers shared by the tests: temporary game folders and running the real
// program headless.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tw::test {

// A fresh empty folder under the system's temporary folder; removed by the
// destructor.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path;  // ends with '/'
    // Writes a file (creating folders on the way); returns its full path.
    std::string write(const std::string& relative, const std::string& contents) const;
    std::string write(const std::string& relative, const std::vector<uint8_t>& contents) const;
};

// Lines joined with CR LF (the data files' usual line end), with a final CR LF.
std::string crlf(const std::vector<std::string>& lines);

struct RunResult {
    int exit_code = -1;
    std::string out;  // stdout
    std::string err;  // stderr
};
// Runs build/tileworld in `dir` with the given extra environment entries
// ("NAME=value"), headless (offscreen video, dummy audio) unless overridden.
RunResult run_tileworld(const std::string& dir, const std::vector<std::string>& env = {},
                        int timeout_seconds = 120);
// Any program, with arguments, started the same way.
RunResult run_program(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                      const std::vector<std::string>& env = {}, int timeout_seconds = 120);

// build/tileworld (or `program` with `args`) started as run_tileworld starts
// it, left running; the destructor kills and reaps it if it still runs.
struct RunningProgram {
    RunningProgram(const std::string& dir, const std::vector<std::string>& env = {}, int timeout_seconds = 120,
                   const std::string& program = TILEWORLD_BINARY, const std::vector<std::string>& args = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    // Waits at most `ms` milliseconds (-1: without limit) for the end; false
    // while it still runs. Once true, `result` holds the outcome.
    bool wait(int ms);
    std::string error_so_far() const;  // what it wrote on stderr until now
    int pid = -1;
    RunResult result;
  private:
    TempDir outputs;
#if defined(_WIN32)
    void* process = nullptr;  // its handle
#endif
};

std::string read_file(const std::string& path);

}  // namespace tw::test
