#include "support/windows_shims.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cctype>
#include <map>

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

}  // namespace

int run_windows_program(const std::string& binary, const std::vector<std::string>& args, const std::string& dir,
                        const std::vector<std::string>& env, const std::string& out_path,
                        const std::string& err_path, int timeout_seconds) {
    std::string environment = environment_with(env);
    std::string command = "\"" + binary + "\"";
    for (const std::string& a : args) command += " \"" + a + "\"";
    HANDLE out = inheritable_file(out_path);
    HANDLE err = inheritable_file(err_path);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = out;
    start.hStdError = err;
    PROCESS_INFORMATION process{};
    const bool started = out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
                         CreateProcessA(binary.c_str(), command.data(), nullptr, nullptr, TRUE, 0,
                                        environment.data(), dir.c_str(), &start, &process);
    int code = -1;
    if (started) {
        if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeout_seconds) * 1000) == WAIT_OBJECT_0) {
            DWORD status = 0;
            if (GetExitCodeProcess(process.hProcess, &status)) code = static_cast<int>(status);
        } else {
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, INFINITE);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
    return code;
}

}  // namespace tw::test
