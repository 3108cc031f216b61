// system_faults_web: the browser's member of the fault and stop-request pair,
// and the two ways the program gives the browser its turn.
//
// A browser has no signals. A processor fault is a WebAssembly trap (an
// integer division by zero, an unreachable instruction, memory exhausted),
// and a trap ends the program's module outright: nothing of the program can
// run after it, so there is no recovery point and no report in the report
// log. The page says so instead (tools/web/tileworld-page.js). Guarded
// steps therefore simply run, and no stop request ever arrives: closing the
// tab ends everything at once.
//
// The program's loop is the ordinary blocking loop of the other platforms.
// Built with Asyncify, a wait unwinds the program's stack back to the
// browser and rewinds it when the wait is over, so the page stays alive:
// every flip waits for the browser's next animation frame (which paces the
// game to the display, as the retrace wait does elsewhere), and every sleep
// is a browser timer.
#include <emscripten.h>

#include "runtime/media_runtime.h"
#include "runtime/platform.h"

namespace tw {

namespace {
fault_procedure reporter = nullptr;
}  // namespace

void platform::install_stop_handlers() {}
void platform::install_fault_handlers() {}
void platform::remove_fault_handlers() {}

bool termination_requested() { return false; }

void set_error_handler(fault_procedure p) { reporter = p; }

bool run_guarded(void (*step)()) {
    if (step) step();
    return true;
}

text error_message() { return "No Error"; }

// Hidden pages get no animation frames at all: a timer keeps the game going
// (slowly, as the browser throttles timers there) instead of freezing it.
// The page can read which frame is on the canvas (Module.tileworldFrames,
// counted as a script counts frames) and when the first one came. A page
// that sets Module.tileworldHoldAt to a frame's number has the program wait
// with that frame on the canvas (Module.tileworldHeld says so) until it calls
// Module.tileworldResume(): a test can look at the canvas of a known frame.
EM_JS(void, wait_for_animation_frame, (double shown), {
    if (!Module.tileworldFrames) Module.tileworldFirstFrame = performance.now();
    Module.tileworldFrames = shown;
    Asyncify.handleSleep(function(wakeUp) {
        // The program's exit ends the resumed run by throwing: that is its
        // normal end, not an error for the page.
        function resume() {
            try {
                wakeUp();
            } catch (e) {
                if (!(e instanceof ExitStatus) && e !== 'unwind') throw e;
            }
        }
        function next() {
            if (document.hidden) setTimeout(resume, 16);
            else requestAnimationFrame(resume);
        }
        if (Module.tileworldHoldAt !== shown) return next();
        Module.tileworldHeld = shown;
        Module.tileworldResume = function() {
            Module.tileworldResume = null;
            Module.tileworldHeld = 0;
            next();
        };
    });
});

void platform::browser_frame(uint64_t shown) { wait_for_animation_frame(static_cast<double>(shown)); }

void platform::browser_sleep(int milliseconds) { emscripten_sleep(milliseconds > 0 ? milliseconds : 0); }

}  // namespace tw
