// system_faults_posix: processor faults and stop requests through POSIX
// signals.
//
// A fault (invalid memory access, division by zero, bus error, illegal
// instruction) inside a guarded step abandons the rest of that step: the
// signal handler, running on its own stack, jumps back to the step's recovery
// point. Before the engine installs its reporter the fault passes silently;
// afterwards the reporter runs once per fault, in normal context, so it may
// open and write files. Only the thread that runs the guarded steps can
// resume: a fault on any other thread (the audio mixer's) is reported there
// and then ends the process, since that thread has no recovery point.
//
// SIGTERM, SIGINT and SIGHUP only set a flag; the engine asks for it where it
// can stop at once and then ends the program normally.
#include <SDL.h>
#include <pthread.h>

#include <csetjmp>
#include <csignal>
#include <vector>

#include "runtime/media_runtime.h"
#include "runtime/platform.h"

namespace tw {

// ===========================================================================
// State
// ===========================================================================

namespace {

constexpr int max_guard_depth = 16;
sigjmp_buf guard_points[max_guard_depth];
volatile sig_atomic_t guard_depth = 0;
volatile sig_atomic_t last_signal = 0;
volatile sig_atomic_t last_code = 0;
fault_procedure reporter = nullptr;
bool handlers_installed = false;
pthread_t guarded_thread;  // the thread whose faults resume; set with the handlers
std::vector<char> alt_stack;
const int fault_signals[] = {SIGSEGV, SIGFPE, SIGBUS, SIGILL};
struct sigaction previous_actions[4];

volatile sig_atomic_t stop_requested = 0;
const int stop_signals[] = {SIGTERM, SIGINT, SIGHUP};

// The signal's default action ends the process once this handler returns:
// the faulting instruction runs again, and a raised signal is delivered.
void end_by_default_action(int sig) {
    signal(sig, SIG_DFL);
    raise(sig);
}

void on_fault(int sig, siginfo_t* info, void*) {
    if (!pthread_equal(pthread_self(), guarded_thread)) {
        // Jumping to a recovery point would run the main thread's code on
        // this thread's stack. The report is written here (the process is
        // ending anyway), then the fault ends the process.
        last_signal = sig;
        last_code = info ? info->si_code : 0;
        if (reporter) reporter();
        end_by_default_action(sig);
        return;
    }
    if (guard_depth <= 0) {
        // Outside any guarded step there is nowhere to resume.
        end_by_default_action(sig);
        return;
    }
    last_signal = sig;
    last_code = info ? info->si_code : 0;
    siglongjmp(guard_points[guard_depth - 1], 1);
}

void on_stop(int) { stop_requested = 1; }

}  // namespace

// Kept for the life of the process: a stop request during shutdown must not
// end it by the default action half way.
void platform::install_stop_handlers() {
    stop_requested = 0;
    for (int sig : stop_signals) {
        struct sigaction sa{};
        sa.sa_handler = on_stop;
        sa.sa_flags = SA_RESTART;
        sigemptyset(&sa.sa_mask);
        sigaction(sig, &sa, nullptr);
    }
    // SDL would otherwise turn SIGINT and SIGTERM into a quit event, which
    // the engine does not act on.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

void platform::install_fault_handlers() {
    if (handlers_installed) return;
    guarded_thread = pthread_self();
    alt_stack.resize(128 * 1024);
    stack_t ss{};
    ss.ss_sp = alt_stack.data();
    ss.ss_size = alt_stack.size();
    sigaltstack(&ss, nullptr);
    for (int k = 0; k < 4; ++k) {
        struct sigaction sa{};
        sa.sa_sigaction = on_fault;
        sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&sa.sa_mask);
        sigaction(fault_signals[k], &sa, &previous_actions[k]);
    }
    handlers_installed = true;
}

void platform::remove_fault_handlers() {
    if (!handlers_installed) return;
    for (int k = 0; k < 4; ++k) sigaction(fault_signals[k], &previous_actions[k], nullptr);
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
    int depth = guard_depth;
    if (sigsetjmp(guard_points[depth], 1) == 0) {
        guard_depth = depth + 1;
        step();
        guard_depth = depth;
        return true;
    }
    guard_depth = depth;
    if (reporter) reporter();
    return false;
}

text error_message() {
    switch (last_signal) {
        case 0: return "No Error";
        case SIGSEGV: return "Invalid memory access";
        case SIGBUS: return "Bus error";
        case SIGILL: return "Illegal instruction";
        case SIGFPE:
            return last_code == FPE_INTDIV ? "Integer division by zero" : "Floating-point error";
        default: return "Unknown fault";
    }
}

}  // namespace tw
