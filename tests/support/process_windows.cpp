// RunningProgram on Windows: CreateProcess in place of fork and exec, the
// outputs through inherited file handles, the time limit kept by a watcher
// thread in place of alarm.
#include "support/test_support.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cctype>
#include <cstring>
#include <map>
#include <thread>

namespace tw::test {

namespace {

HANDLE inheritable_file(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// This process's environment with `extra` ("NAME=value") added or replaced,
// as CreateProcess takes it: entries ending in a zero, then one more zero.
std::string environment_with(const std::vector<std::string>& extra) {
    std::map<std::string, std::string> entries;  // by upper-case name, as Windows compares them
    auto add = [&](const std::string& entry) {
        std::string name = entry.substr(0, entry.find('=', 1));
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        entries[name] = entry;
    };
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* p = block; *p; p += std::strlen(p) + 1) add(p);
        FreeEnvironmentStringsA(block);
    }
    for (const std::string& e : extra) add(e);
    std::string out;
    for (const auto& [name, entry] : entries) out += entry + '\0';
    return out + '\0';
}

// A command line whose arguments the C runtime splits back as they were
// (no argument here holds a quote or ends in a backslash).
std::string command_line(const std::string& program, const std::vector<std::string>& args) {
    std::string command = "\"" + program + "\"";
    for (const std::string& a : args) command += " \"" + a + "\"";
    return command;
}

}  // namespace

RunningProgram::RunningProgram(const std::string& dir, const std::vector<std::string>& env, int timeout_seconds,
                               const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> all = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};
    all.insert(all.end(), env.begin(), env.end());
    std::string environment = environment_with(all);
    // The tests name programs as on Linux; CreateProcess wants the file's full name.
    const std::string file = program.ends_with(".exe") ? program : program + ".exe";
    std::string command = command_line(file, args);
    HANDLE out = inheritable_file(outputs.path + "out.txt");
    HANDLE err = inheritable_file(outputs.path + "err.txt");
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = out;
    start.hStdError = err;
    PROCESS_INFORMATION started{};
    if (out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
        CreateProcessA(file.c_str(), command.data(), nullptr, nullptr, TRUE, 0, environment.data(), dir.c_str(),
                       &start, &started)) {
        CloseHandle(started.hThread);
        process = started.hProcess;
        pid = static_cast<int>(started.dwProcessId);
        // Ended as alarm would end it (exit code 128 + SIGALRM) once the time is up.
        HANDLE watched = nullptr;
        DuplicateHandle(GetCurrentProcess(), started.hProcess, GetCurrentProcess(), &watched, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        std::thread([watched, timeout_seconds] {
            if (WaitForSingleObject(watched, static_cast<DWORD>(timeout_seconds) * 1000) == WAIT_TIMEOUT)
                TerminateProcess(watched, 142);
            CloseHandle(watched);
        }).detach();
    }
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
}

RunningProgram::~RunningProgram() {
    if (!process) return;
    TerminateProcess(process, 137);
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
}

bool RunningProgram::wait(int ms) {
    if (!process) return true;  // never started (exit code -1), or already ended
    if (WaitForSingleObject(process, ms < 0 ? INFINITE : static_cast<DWORD>(ms)) != WAIT_OBJECT_0) return false;
    DWORD status = 0;
    if (GetExitCodeProcess(process, &status)) result.exit_code = static_cast<int>(status);
    CloseHandle(process);
    process = nullptr;
    pid = -1;
    result.out = read_file(outputs.path + "out.txt");
    result.err = read_file(outputs.path + "err.txt");
    return true;
}

}  // namespace tw::test
