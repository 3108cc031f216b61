// video_display: SDL video start-up, the displays, windows, the double-
// buffered screen and its flip, window events, the free-video-memory figure
// and the video side of shutdown.
//
// The screen is two render-target textures of the screen's size. All drawing
// of a frame goes into the current one; flip_buffers copies it into the
// window, presents with vsync and makes the other texture current. So a frame
// starts with what its buffer held two flips ago, as on a real flip chain.
//
// The game's time is counted in frames, so the flip also paces: where the
// retrace wait is not in effect (a driver setting, a virtual machine, some
// compositors), a present that returns early is followed by a wait for the
// rest of the display's refresh period.
#include <strings.h>

#include <chrono>
#include <cmath>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "runtime/platform.h"
#include "runtime/testing.h"
#include "runtime/video_internal.h"

namespace tw {

// ===========================================================================
// State
// ===========================================================================

namespace {

struct Display {
    int width = 0, height = 0, depth = 0;
};

struct Window {
    SDL_Window* sdl = nullptr;
};

struct Screen {
    SDL_Renderer* renderer = nullptr;
    SDL_Window* window = nullptr;
    SDL_Texture* buffers[2] = {nullptr, nullptr};
    int current = 0;
    int width = 0, height = 0;
    SDL_Rect shown{};            // where the back buffer lands in the window
    bool stretch = false;
    bool right_margin_set = false;
    int right = 0, bottom = 0;
    int memory_query = 0;        // 1 NVX, 2 ATI: the GL driver tells its free memory
    // Frame pacing: flips are at least `period` apart (0: unpaced). `deadline`
    // is when the last flip was due, on the steady clock; 0 before the first.
    int64_t period_ns = 0;
    int64_t slack_ns = 0;        // how early a present may return and still count as on time
    int64_t deadline_ns = 0;
};

int video_state = 0;             // 0 not tried, 1 up, -1 unavailable
bool displays_examined = false;
std::vector<Display> displays;
video::Table<Window> windows;
Screen screen;
uint64_t flips = 0;
int64_t textures_in_use = 0;

bool env_is(const char* name, const char* value) {
    const char* v = std::getenv(name);
    return v && strcasecmp(v, value) == 0;
}

bool headless_driver(const char* name) {
    return name && (strcasecmp(name, "offscreen") == 0 || strcasecmp(name, "dummy") == 0);
}

// The script's display, else "<W>x<H>" from TILEWORLD_DISPLAY; false when
// neither is given (or the variable is malformed). A replay's display wins:
// the game's layout and its state follow the display's size.
bool display_override(int& w, int& h) {
    if (video::script_display(w, h)) return true;
    const char* v = std::getenv("TILEWORLD_DISPLAY");
    if (!v || !*v) return false;
    int a = 0, b = 0;
    char tail = 0;
    if (std::sscanf(v, "%dx%d%c", &a, &b, &tail) != 2 || a <= 0 || b <= 0) return false;
    w = a;
    h = b;
    return true;
}

// Frames a second from TILEWORLD_PACE: -1 when unset, 0 for unpaced, else
// 1..1000. A value that is not such a number is ignored with one warning.
double pace_override() {
    const char* v = std::getenv("TILEWORLD_PACE");
    if (!v || !*v) return -1;
    char* end = nullptr;
    const double hz = std::strtod(v, &end);
    if (*end == 0 && std::isfinite(hz) && (hz == 0 || (hz >= 1 && hz <= 1000))) return hz;
    static bool warned = false;
    if (!warned)
        std::fprintf(stderr, "TILEWORLD_PACE=%s ignored: give frames a second, 1 to 1000, or 0 for unpaced\n", v);
    warned = true;
    return -1;
}

// The pace of a new screen: TILEWORLD_PACE when given (kept exactly);
// otherwise the refresh rate of the window's display (60 Hz where it reports
// none), except headless, where nobody watches and tests want speed. Pacing
// to a display lets a retrace wait that ends a little early lead, so that
// where vsync does work the wait never costs a retrace.
void choose_pace(SDL_Window* w) {
    screen.period_ns = screen.slack_ns = screen.deadline_ns = 0;
    double hz = pace_override();
    if (hz < 0) {
#if defined(__EMSCRIPTEN__)
        return;  // the browser's animation frames pace the flips (pace_frame)
#endif
        if (headless_driver(SDL_GetCurrentVideoDriver())) return;
        SDL_DisplayMode m{};
        int index = SDL_GetWindowDisplayIndex(w);
        hz = index >= 0 && SDL_GetCurrentDisplayMode(index, &m) == 0 && m.refresh_rate > 0 ? m.refresh_rate : 60;
        screen.period_ns = static_cast<int64_t>(1e9 / hz);
        screen.slack_ns = screen.period_ns / 32;
        return;
    }
    if (hz > 0) screen.period_ns = static_cast<int64_t>(1e9 / hz);
}

int64_t steady_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// After a present: waits until the frame's due time, one period after the
// last one's, so that the rate holds without drift. A frame late by less than
// a period keeps the schedule (the next ones wait less); after a longer stall
// the schedule starts again from now instead of rushing to catch up.
void pace_frame() {
#if defined(__EMSCRIPTEN__)
    // The browser paces: one flip per animation frame, unless a pace was set.
    if (screen.period_ns <= 0) {
        platform::browser_frame(flips + 1);  // counted once this flip ends
        return;
    }
#endif
    if (screen.period_ns <= 0) return;
    const int64_t now = steady_ns();
    if (screen.deadline_ns == 0) {
        screen.deadline_ns = now;
        return;
    }
    const int64_t due = screen.deadline_ns + screen.period_ns;
    if (now < due - screen.slack_ns) {
#if defined(__EMSCRIPTEN__)
        platform::browser_sleep(static_cast<int>((due - now) / 1000000));
#else
        std::this_thread::sleep_for(std::chrono::nanoseconds(due - now));
#endif
        screen.deadline_ns = due;
    } else if (now < due) {
        screen.deadline_ns = now;
    } else {
        screen.deadline_ns = now - due <= screen.period_ns ? due : now;
    }
}

void examine_displays_once() {
    if (displays_examined) return;
    displays_examined = true;
    displays.clear();
    if (!video::video_ready()) return;
    int n = SDL_GetNumVideoDisplays();
    for (int i = 0; i < n; ++i) {
        SDL_DisplayMode m{};
        if (SDL_GetDesktopDisplayMode(i, &m) != 0) continue;
        Display d;
        d.width = m.w;
        d.height = m.h;
        d.depth = static_cast<int>(SDL_BYTESPERPIXEL(m.format)) * 8;
        displays.push_back(d);
    }
    int w = 0, h = 0;
    if (!displays.empty() && display_override(w, h)) {
        displays[0].width = w;
        displays[0].height = h;
    }
    if (!displays.empty()) video::record_display(displays[0].width, displays[0].height);
}

const Display* display_at(int index) {
    examine_displays_once();
    if (index < 0 || index >= static_cast<int>(displays.size())) return nullptr;
    return &displays[static_cast<size_t>(index)];
}

void destroy_buffers() {
    for (SDL_Texture*& t : screen.buffers) {
        if (t) {
            SDL_DestroyTexture(t);
            video::add_texture_bytes(-int64_t{4} * screen.width * screen.height);
        }
        t = nullptr;
    }
}

void close_screen() {
    if (!screen.renderer) return;
    video::flush_3d();
    video::release_text_resources();
    video::release_sprite_textures();
    destroy_buffers();
    SDL_DestroyRenderer(screen.renderer);
    screen = Screen{};
}

int render_driver_index(const char* name) {
    int n = SDL_GetNumRenderDrivers();
    for (int i = 0; i < n; ++i) {
        SDL_RendererInfo info{};
        if (SDL_GetRenderDriverInfo(i, &info) == 0 && info.name && std::strcmp(info.name, name) == 0)
            return i;
    }
    return -1;
}

// A renderer that can draw into textures. Offscreen there is no default
// choice worth trusting, so OpenGL (over EGL/llvmpipe) is asked for by name;
// whatever we got must support render targets, else the software renderer.
SDL_Renderer* make_renderer(SDL_Window* w) {
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    const Uint32 flags = SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC | SDL_RENDERER_TARGETTEXTURE;
    SDL_Renderer* r = nullptr;
    if (env_is("SDL_VIDEODRIVER", "offscreen")) {
        int gl = render_driver_index("opengl");
        if (gl >= 0) r = SDL_CreateRenderer(w, gl, flags);
    }
    if (!r) r = SDL_CreateRenderer(w, -1, flags);
    if (r && !SDL_RenderTargetSupported(r)) {
        SDL_DestroyRenderer(r);
        r = nullptr;
    }
    if (!r) {
        int sw = render_driver_index("software");
        r = SDL_CreateRenderer(w, sw, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
    }
    return r;
}

void clear_target(SDL_Texture* t) {
    SDL_SetRenderTarget(screen.renderer, t);
    SDL_SetRenderDrawBlendMode(screen.renderer, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(screen.renderer, 0, 0, 0, 255);
    SDL_RenderClear(screen.renderer);
}

void update_shown_rect() {
    int ww = 0, wh = 0;
    SDL_GetRendererOutputSize(screen.renderer, &ww, &wh);
    SDL_Rect& r = screen.shown;
    if (screen.stretch) {
        r.x = screen.shown.x;
        r.y = screen.shown.y;
        r.w = ww - r.x - screen.right;
        r.h = wh - r.y - screen.bottom;
        if (r.w <= 0 || r.h <= 0) r = SDL_Rect{0, 0, ww, wh};
    } else {
        r.w = screen.width;
        r.h = screen.height;
    }
}

// GL enums of the vendor memory queries (values in KiB).
constexpr unsigned gl_free_memory_nvx = 0x9049;
constexpr unsigned gl_free_texture_memory_ati = 0x87FC;

}  // namespace

// ===========================================================================
// Shared with the other video files
// ===========================================================================

namespace video {

bool video_ready() {
    if (video_state != 0) return video_state > 0;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        video_state = -1;
        return false;
    }
    // SDL falls back to an invisible driver when no display is reachable; a
    // game that runs where nobody can see it is a fault, so that fallback
    // counts as "no display" unless offscreen rendering was asked for.
    if (headless_driver(SDL_GetCurrentVideoDriver()) && !env_is("SDL_VIDEODRIVER", "offscreen")) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        video_state = -1;
        return false;
    }
    video_state = 1;
    return true;
}

SDL_Window* main_window() { return screen.window; }
SDL_Renderer* renderer() { return screen.renderer; }
SDL_Texture* back_buffer() { return screen.buffers[screen.current]; }
int screen_width() { return screen.width; }
int screen_height() { return screen.height; }
uint64_t frames_presented() { return flips; }
void add_texture_bytes(int64_t delta) { textures_in_use += delta; }

bool window_active() {
    if (!screen.window) return false;
    return (SDL_GetWindowFlags(screen.window) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

std::string to_utf8(const text& t) {
    std::string out;
    out.reserve(t.size());
    for (unsigned char c : t) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace video

// ===========================================================================
// Read-back and shutdown (runtime/testing.h)
// ===========================================================================

bool read_screen_pixels(int which, int x, int y, int width, int height, std::vector<uint8_t>& rgba) {
    rgba.clear();
    if (!screen.renderer || width <= 0 || height <= 0) return false;
    // The frame the last flip presented is the buffer that is not the back one.
    SDL_Texture* target = screen.buffers[which == 1 ? screen.current ^ 1 : screen.current];
    if (!target) return false;
    int tw = 0, th = 0;
    SDL_QueryTexture(target, nullptr, nullptr, &tw, &th);
    if (x < 0 || y < 0 || x + width > tw || y + height > th) return false;
    video::flush_3d();
    rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    SDL_SetRenderTarget(screen.renderer, target);
    SDL_Rect r{x, y, width, height};
    int rc = SDL_RenderReadPixels(screen.renderer, &r, SDL_PIXELFORMAT_RGBA32, rgba.data(), width * 4);
    SDL_SetRenderTarget(screen.renderer, video::back_buffer());
    if (rc != 0) rgba.clear();
    return rc == 0;
}

void video_shutdown() {
    // Windows, 3D sprites, mouse, screen, sprites, keyboard, joystick: the
    // sprites' GPU copies die with the screen, their tables after it.
    close_screen();
    video::clear_sprite_tables();
    video::reset_input();
    for (auto& s : windows.slots)
        if (s.used && s.value.sdl) SDL_DestroyWindow(s.value.sdl);
    windows.clear();
    displays.clear();
    displays_examined = false;
    flips = 0;
    textures_in_use = 0;
    video::reset_automation();
    if (video_state > 0) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    video_state = 0;
}

// ===========================================================================
// Devices and displays
// ===========================================================================

bool init_sprite() { return video::video_ready(); }

bool init_sprite3d() { return video::video_ready(); }

int examine_desktops() {
    displays_examined = false;
    examine_displays_once();
    return static_cast<int>(displays.size());
}

int desktop_width(int index) {
    const Display* d = display_at(index);
    return d ? d->width : 0;
}
int desktop_height(int index) {
    const Display* d = display_at(index);
    return d ? d->height : 0;
}
int desktop_depth(int index) {
    const Display* d = display_at(index);
    return d ? d->depth : 0;
}

// ===========================================================================
// Windows, screen and events
// ===========================================================================

int open_window(int number, int x, int y, int width, int height, const text& title, int flags) {
    if (!video::video_ready() || width <= 0 || height <= 0) return 0;
    if (Window* old = windows.find(number)) {
        if (screen.window == old->sdl) close_screen();
        SDL_DestroyWindow(old->sdl);
        windows.release(number);
    }
    Uint32 sdl_flags = SDL_WINDOW_SHOWN;
    if (flags & window_borderless) sdl_flags |= SDL_WINDOW_BORDERLESS;
    SDL_Window* w = SDL_CreateWindow(video::to_utf8(title).c_str(), x, y, width, height, sdl_flags);
    if (!w) return 0;
    int n = windows.claim(number);
    if (n < 0) {
        SDL_DestroyWindow(w);
        return 0;
    }
    windows.find(n)->sdl = w;
    SDL_RaiseWindow(w);
    return video::made(number, n);
}

int window_handle(int window) {
    Window* w = windows.find(window);
    return w ? static_cast<int>(SDL_GetWindowID(w->sdl)) : 0;
}

bool open_windowed_screen(int window, int x, int y, int width, int height, int auto_stretch,
                          int right_offset, int bottom_offset) {
    SDL_Window* w = SDL_GetWindowFromID(static_cast<Uint32>(window));
    if (!w || width <= 0 || height <= 0 || width > max_image_side ||
        height > max_image_side)
        return false;
    close_screen();
    SDL_Renderer* r = make_renderer(w);
    if (!r) return false;
    screen.renderer = r;
    screen.window = w;
    screen.width = width;
    screen.height = height;
    screen.shown = SDL_Rect{x, y, width, height};
    screen.stretch = auto_stretch != 0;
    screen.right = right_offset;
    screen.bottom = bottom_offset;
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(r, &info);
    if (info.name && std::strcmp(info.name, "opengl") == 0 && SDL_GL_GetCurrentContext()) {
        if (SDL_GL_ExtensionSupported("GL_NVX_gpu_memory_info")) screen.memory_query = 1;
        else if (SDL_GL_ExtensionSupported("GL_ATI_meminfo")) screen.memory_query = 2;
    }
    for (SDL_Texture*& t : screen.buffers) {
        t = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width, height);
        if (!t) {
            destroy_buffers();
            SDL_DestroyRenderer(r);
            screen = Screen{};
            return false;
        }
        SDL_SetTextureBlendMode(t, SDL_BLENDMODE_NONE);
        video::add_texture_bytes(int64_t{4} * width * height);
        clear_target(t);
    }
    screen.current = 0;
    SDL_SetRenderTarget(r, screen.buffers[0]);
    update_shown_rect();
    choose_pace(w);
    return true;
}

void flip_buffers() {
    if (screen.renderer) {
        video::flush_3d();
        SDL_Renderer* r = screen.renderer;
        SDL_SetRenderTarget(r, nullptr);
        SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
        SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
        SDL_RenderClear(r);
        update_shown_rect();
        SDL_RenderCopy(r, screen.buffers[screen.current], nullptr, &screen.shown);
        SDL_RenderPresent(r);
        pace_frame();
        screen.current ^= 1;
        SDL_SetRenderTarget(r, screen.buffers[screen.current]);
    }
    ++flips;
    video::after_flip();
}

int window_event(int timeout_ms) {
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return 0;
    SDL_Event e{};
    int got = 0;
    if (timeout_ms == 0) {
        got = SDL_PollEvent(&e);
    } else {
        // Waited in slices, so that a stop request is not held up; -1 waits
        // until an event or a stop request.
        int left = timeout_ms;
        while (!got && !termination_requested() && left != 0) {
            const int wait = left < 0 ? platform::stop_slice_ms : std::min(left, platform::stop_slice_ms);
            got = SDL_WaitEventTimeout(&e, wait);
            if (left > 0) left -= wait;
        }
    }
    if (!got) return 0;
    video::handle_event(e);
    return static_cast<int>(e.type);
}

// The best figure the platform gives: the driver's own free-memory query
// where the GL driver offers one; otherwise (software rasterisers such as
// llvmpipe keep textures in system memory) the machine's memory less what
// this runtime's textures take.
int64_t free_video_memory() {
    if (screen.renderer && screen.memory_query && SDL_GL_GetCurrentContext()) {
        using get_integers = void (*)(unsigned, int*);
        auto get = reinterpret_cast<get_integers>(SDL_GL_GetProcAddress("glGetIntegerv"));
        int kib[4] = {0, 0, 0, 0};
        if (get) get(screen.memory_query == 1 ? gl_free_memory_nvx : gl_free_texture_memory_ati, kib);
        if (kib[0] > 0) return int64_t{kib[0]} * 1024;
    }
    int64_t total = int64_t{SDL_GetSystemRAM()} * 1024 * 1024;
    if (total <= 0) total = int64_t{1} << 31;
    int64_t left = total - textures_in_use;
    return left > 0 ? left : 0;
}

}  // namespace tw
