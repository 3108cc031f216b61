// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "core/core.h"

namespace tw {

void run_main_loop() {}
void main_loop_pass() {}
void process_window_event() {}
void run_frame() {}
void examine_pointer() {}
void draw_world_if_enabled() {}
void advance_frame_cycle() {}
void count_time_tick(int32_t /*counter*/) {}
void draw_debug_overlay() {}
text debug_line_text() { return {}; }

}  // namespace tw
