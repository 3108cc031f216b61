#include "support/test_support.h"

#include <sys/wait.h>
#include <unistd.h>

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

RunResult run_tileworld(const std::string& dir, const std::vector<std::string>& env,
                        int timeout_seconds) {
    RunResult r;
    TempDir outdir;
    std::string out_path = outdir.path + "out.txt", err_path = outdir.path + "err.txt";
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(127);
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        for (const auto& e : env) putenv(strdup(e.c_str()));
        if (!freopen(out_path.c_str(), "w", stdout)) _exit(127);
        if (!freopen(err_path.c_str(), "w", stderr)) _exit(127);
        alarm(static_cast<unsigned>(timeout_seconds));
        execl(TILEWORLD_BINARY, TILEWORLD_BINARY, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) r.exit_code = 128 + WTERMSIG(status);
    r.out = read_file(out_path);
    r.err = read_file(err_path);
    return r;
}

}  // namespace tw::test
