#include "support/test_support.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <csignal>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tw::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "tileworld-test-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    char* made = mkdtemp(buf.data());
    path = std::string(made ? made : "/tmp") + "/";
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
}

std::string TempDir::write(const std::string& relative, const std::string& contents) const {
    fs::path p = fs::path(path) / relative;
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary);
    f << contents;
    return p.string();
}

std::string TempDir::write(const std::string& relative, const std::vector<uint8_t>& contents) const {
    return write(relative, std::string(contents.begin(), contents.end()));
}

std::string crlf(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\r\n";
    return s;
}

std::string read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

#if !defined(_WIN32)  // Windows: tests/support/process_windows.cpp

RunningProgram::RunningProgram(const std::string& dir, const std::vector<std::string>& env, int timeout_seconds,
                               const std::string& program, const std::vector<std::string>& args) {
    std::string out_path = outputs.path + "out.txt", err_path = outputs.path + "err.txt";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(127);
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        for (const auto& e : env) putenv(strdup(e.c_str()));
        if (!freopen(out_path.c_str(), "w", stdout)) _exit(127);
        if (!freopen(err_path.c_str(), "w", stderr)) _exit(127);
        alarm(static_cast<unsigned>(timeout_seconds));
        execv(program.c_str(), argv.data());
        _exit(127);
    }
}

RunningProgram::~RunningProgram() {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

bool RunningProgram::wait(int ms) {
    if (pid <= 0) return true;
    int status = 0;
    for (int waited = 0;; waited += 5) {
        pid_t got = waitpid(pid, &status, ms < 0 ? 0 : WNOHANG);
        if (got == pid) break;
        if (got < 0) return false;
        if (waited >= ms) return false;
        usleep(5000);
    }
    pid = -1;
    if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) result.exit_code = 128 + WTERMSIG(status);
    result.out = read_file(outputs.path + "out.txt");
    result.err = read_file(outputs.path + "err.txt");
    return true;
}

#endif

std::string RunningProgram::error_so_far() const { return read_file(outputs.path + "err.txt"); }

RunResult run_tileworld(const std::string& dir, const std::vector<std::string>& env,
                        int timeout_seconds) {
    return run_program(TILEWORLD_BINARY, {}, dir, env, timeout_seconds);
}

RunResult run_program(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                      const std::vector<std::string>& env, int timeout_seconds) {
    RunningProgram running(dir, env, timeout_seconds, program, args);
    running.wait(-1);
    return running.result;
}

}  // namespace tw::test
