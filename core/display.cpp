// display: the engine runs at the primary display's current size, in a
// borderless window covering it, with a double-buffered screen inside. Game
// content is laid out for a base width and scaled by the real width.
#include "core/core.h"

#include "runtime/media_runtime.h"

namespace tw {

void scale_to_display(int width, int height) {
    engine.screen_width = static_cast<float>(width);
    engine.screen_height = static_cast<float>(height);
    // A base width of 0 is treated as 1: the guard against a division by
    // zero. The field itself is set so that everything else that scales by
    // the base sees the same ratio.
    if (engine.res_base_w == 0) engine.res_base_w = 1;
    // Only the width scales; the display height plays no part.
    float ratio = engine.screen_width / static_cast<float>(engine.res_base_w);
    engine.resolution = engine.resolution * ratio;
    engine.display_scale = ratio;
}

void query_desktop() {
    examine_desktops();  // entry 0 is the primary display
    scale_to_display(desktop_width(0), desktop_height(0));
}

void open_main_window() {
    int width = nearest(engine.screen_width);
    int height = nearest(engine.screen_height);
    // A display reported with no size cannot hold a window.
    if (width <= 0 || height <= 0) {
        fatal_error(fatal_window);
        return;
    }
    int window = open_window(-1, 0, 0, width, height, engine.app_name, window_borderless);
    if (window == 0) {
        fatal_error(fatal_window);
        return;
    }
    engine.main_window = window;
    open_main_screen(window);
}

void open_main_screen(int window) {
    // The screen is opened on the window's handle, not its number.
    // Stretched automatically to the window, no right or bottom margin.
    if (!open_windowed_screen(window_handle(window), 0, 0, nearest(engine.screen_width),
                              nearest(engine.screen_height), 1, 0, 0)) {
        fatal_error(fatal_screen);
    }
}

}  // namespace tw
