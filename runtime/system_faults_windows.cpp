// system_faults_windows: processor faults and stop requests through Windows'
// structured exceptions and the console's control events.
//
// The rules are those of the POSIX build. A fault (invalid memory access,
// division by zero, in-page error, illegal instruction) inside a guarded step
// abandons the rest of that step; before the engine installs its reporter it
// passes silently, afterwards the reporter runs once per fault in normal
// context. A fault outside any guarded step, or on a thread other than the
// one that runs the steps (the audio mixer's, which has no recovery point;
// it is reported first), ends the process with the exception's code as its
// exit code, as Windows would, but without offering a debugger or an error
// dialog first (a POSIX process ends by the signal alike).
//
// The catching is a top-level exception filter, so code that handles its own
// exceptions (in the system's DLLs) keeps doing so. The filter does not jump
// out of the exception dispatcher: it lets the faulting thread continue in
// resume_step, which jumps back to the step's recovery point without
// unwinding the abandoned frames, as siglongjmp does.
//
// Ctrl+C, Ctrl+Break, closing the console and the C library's SIGTERM,
// SIGINT and SIGBREAK only set a flag; the engine asks for it where it can
// stop at once and then ends the program normally.
//
// tileworld.exe is a window program, which has no console of its own; started
// from a command prompt it writes to that prompt's console (set up before
// main, so that everything printed reaches it).
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <SDL.h>
#include <malloc.h>

#include <csignal>
#include <cstdio>

#include "runtime/media_runtime.h"
#include "runtime/platform.h"

namespace tw {

// ===========================================================================
// State
// ===========================================================================

namespace {

constexpr int max_guard_depth = 16;
// __builtin_setjmp's buffer: frame, resume address, stack pointer and spare.
using recovery_point = void* [5];
recovery_point guard_points[max_guard_depth];
volatile LONG guard_depth = 0;
volatile DWORD last_code = 0;  // exception code of the last fault; 0 for none
fault_procedure reporter = nullptr;
bool handlers_installed = false;
DWORD guarded_thread = 0;  // the thread whose faults resume; set with the handlers
LPTOP_LEVEL_EXCEPTION_FILTER previous_filter = nullptr;

volatile LONG stop_requested = 0;
bool stop_handler_installed = false;

bool is_fault(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_DATATYPE_MISALIGNMENT:
        case EXCEPTION_STACK_OVERFLOW:
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_INT_OVERFLOW:
        case EXCEPTION_FLT_DIVIDE_BY_ZERO:
        case EXCEPTION_FLT_INVALID_OPERATION:
        case EXCEPTION_FLT_OVERFLOW:
        case EXCEPTION_FLT_UNDERFLOW:
        case EXCEPTION_FLT_INEXACT_RESULT:
        case EXCEPTION_FLT_DENORMAL_OPERAND:
        case EXCEPTION_FLT_STACK_CHECK:
            return true;
        default:
            return false;
    }
}

// Entered in place of the faulting instruction, on the faulting stack.
[[noreturn]] void resume_step() { __builtin_longjmp(guard_points[guard_depth - 1], 1); }

[[noreturn]] void end_process(DWORD code) {
    std::fflush(stdout);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), code);
    ExitProcess(code);  // not reached
}

LONG WINAPI on_exception(EXCEPTION_POINTERS* info) {
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    if (!is_fault(code)) return previous_filter ? previous_filter(info) : EXCEPTION_CONTINUE_SEARCH;
    if (GetCurrentThreadId() != guarded_thread) {
        last_code = code;
        if (reporter) reporter();
        end_process(code);
    }
    if (guard_depth <= 0) end_process(code);  // nowhere to resume
    last_code = code;
    CONTEXT* c = info->ContextRecord;
    c->Rsp = (c->Rsp & ~DWORD64{15}) - 8;  // aligned as at a function's entry
    c->Rip = reinterpret_cast<DWORD64>(&resume_step);
    return EXCEPTION_CONTINUE_EXECUTION;
}

// The C library sets a signal back to its default action before calling
// the handler: set again for the next one.
void on_stop_signal(int sig) {
    stop_requested = 1;
    std::signal(sig, on_stop_signal);
}

BOOL WINAPI on_console_event(DWORD event) {
    stop_requested = 1;
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // Closing the console, logging off or shutting down ends the process
    // once this returns: wait here while the engine ends the program itself
    // (Windows allows a few seconds).
    Sleep(10000);
    return TRUE;
}

// Standard streams that lead nowhere are pointed at the console of the
// program that started this one, if it has one; redirected ones are kept.
bool leads_somewhere(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

struct ParentConsole {
    ParentConsole() {
        const bool out = leads_somewhere(GetStdHandle(STD_OUTPUT_HANDLE));
        const bool err = leads_somewhere(GetStdHandle(STD_ERROR_HANDLE));
        if ((out && err) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
        if (!out) std::freopen("CONOUT$", "w", stdout);
        if (!err) std::freopen("CONOUT$", "w", stderr);
    }
} parent_console;

}  // namespace

void platform::install_stop_handlers() {
    stop_requested = 0;
    if (!stop_handler_installed) SetConsoleCtrlHandler(on_console_event, TRUE);
    stop_handler_installed = true;
    for (int sig : {SIGTERM, SIGINT, SIGBREAK}) std::signal(sig, on_stop_signal);
    // SDL would otherwise turn Ctrl+C into a quit event, which the engine
    // does not act on.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

void platform::install_fault_handlers() {
    if (handlers_installed) return;
    guarded_thread = GetCurrentThreadId();
    previous_filter = SetUnhandledExceptionFilter(on_exception);
    handlers_installed = true;
}

void platform::remove_fault_handlers() {
    if (!handlers_installed) return;
    SetUnhandledExceptionFilter(previous_filter);
    handlers_installed = false;
}

// ===========================================================================
// Stop requests and faults
// ===========================================================================

bool termination_requested() { return stop_requested != 0; }

void set_error_handler(fault_procedure p) {
    platform::install_fault_handlers();
    reporter = p;
}

bool run_guarded(void (*step)()) {
    if (!step) return true;
    platform::install_fault_handlers();
    if (guard_depth >= max_guard_depth) {  // nested too deep to guard: run unguarded
        step();
        return true;
    }
    const LONG depth = guard_depth;
    if (__builtin_setjmp(guard_points[depth]) == 0) {
        guard_depth = depth + 1;
        step();
        guard_depth = depth;
        return true;
    }
    guard_depth = depth;
    // The guard page that caught an overflow is used up: set it again.
    if (last_code == EXCEPTION_STACK_OVERFLOW) _resetstkoflw();
    if (reporter) reporter();
    return false;
}

text error_message() {
    switch (last_code) {
        case 0: return "No Error";
        case EXCEPTION_ACCESS_VIOLATION: return "Invalid memory access";
        case EXCEPTION_STACK_OVERFLOW: return "Stack overflow";
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_DATATYPE_MISALIGNMENT: return "Bus error";
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION: return "Illegal instruction";
        case EXCEPTION_INT_DIVIDE_BY_ZERO: return "Integer division by zero";
        case EXCEPTION_INT_OVERFLOW: return "Integer overflow";
        default: return "Floating-point error";
    }
}

}  // namespace tw
