// video_draw2d: 2D drawing on the back buffer: filled boxes and text in the
// system's monospace font (found through fontconfig, or in the Windows font
// folder, drawn with SDL_ttf), the text's colour on an opaque background box.
#include <SDL_ttf.h>
#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#include <fontconfig/fontconfig.h>
#endif

#include <cstdlib>
#include <list>
#include <string>
#include <vector>

#include "runtime/media_runtime.h"
#include "runtime/platform.h"
#include "runtime/video_internal.h"

namespace tw {

// ===========================================================================
// State
// ===========================================================================

namespace {

constexpr int screen_output_id = 1;
constexpr int font_pixel_size = 13;
constexpr size_t text_cache_limit = 32;

int font_state = 0;  // 0 not tried, 1 open, -1 unavailable
TTF_Font* font = nullptr;
bool ttf_started = false;

// Rendered lines, most recently used first: the same few lines (the debug
// line, a progress caption) are drawn every frame.
struct CachedText {
    text line;
    colour front = 0, back = 0;
    SDL_Texture* texture = nullptr;
    int width = 0, height = 0;
};
std::list<CachedText> text_cache;

// ===========================================================================
// Functions
// ===========================================================================

SDL_Color sdl_colour(colour c) {
    return SDL_Color{static_cast<Uint8>(c & 255), static_cast<Uint8>((c >> 8) & 255),
                     static_cast<Uint8>((c >> 16) & 255), 255};
}

#if defined(_WIN32) || defined(__EMSCRIPTEN__)
// The file of a monospace font: DejaVu Sans Mono, Consolas or Courier New
// from the Windows font folder, else the DejaVu Sans Mono that comes beside
// the program (in a browser, the page packs it at the top of the file system,
// SDL's base path there).
std::string find_font_file() {
    std::vector<std::string> candidates;
    const char* windows = std::getenv("WINDIR");
    if (!windows || !*windows) windows = std::getenv("SystemRoot");
    if (windows && *windows) {
        for (const char* name : {"DejaVuSansMono.ttf", "consola.ttf", "cour.ttf"})
            candidates.push_back(std::string(windows) + "\\Fonts\\" + name);
    }
    if (char* base = SDL_GetBasePath()) {
        candidates.push_back(std::string(base) + "DejaVuSansMono.ttf");
        SDL_free(base);
    }
    for (const std::string& file : candidates)
        if (platform::host_stat(file).kind == platform::entry_kind::file) return file;
    return {};
}
#else
// The file of the system's monospace font: DejaVu Sans Mono when installed,
// else whatever fontconfig offers for "monospace".
std::string find_font_file() {
    std::string found;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return found;
    for (const char* name : {"DejaVu Sans Mono:style=Book", "monospace"}) {
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name));
        if (!pattern) continue;
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        if (match) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
                found = reinterpret_cast<const char*>(file);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
        if (!found.empty()) break;
    }
    FcConfigDestroy(config);
    return found;
}
#endif

TTF_Font* the_font() {
    if (font_state != 0) return font;
    font_state = -1;
    if (!TTF_WasInit() && TTF_Init() != 0) return nullptr;
    ttf_started = true;
    std::string file = find_font_file();
    if (file.empty()) return nullptr;
    font = TTF_OpenFont(file.c_str(), font_pixel_size);
    if (font) font_state = 1;
    return font;
}

CachedText* rendered(const text& line, colour front, colour back) {
    for (auto it = text_cache.begin(); it != text_cache.end(); ++it) {
        if (it->line == line && it->front == front && it->back == back) {
            text_cache.splice(text_cache.begin(), text_cache, it);
            return &text_cache.front();
        }
    }
    TTF_Font* f = the_font();
    if (!f) return nullptr;
    std::string utf8 = video::to_utf8(line);
    SDL_Surface* surface = TTF_RenderUTF8_Shaded(f, utf8.c_str(), sdl_colour(front), sdl_colour(back));
    if (!surface) return nullptr;
    SDL_Texture* t = SDL_CreateTextureFromSurface(video::renderer(), surface);
    CachedText c{line, front, back, t, surface->w, surface->h};
    SDL_FreeSurface(surface);
    if (!t) return nullptr;
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_NONE);
    text_cache.push_front(c);
    if (text_cache.size() > text_cache_limit) {
        SDL_DestroyTexture(text_cache.back().texture);
        text_cache.pop_back();
    }
    return &text_cache.front();
}

}  // namespace

namespace video {

void release_text_resources() {
    for (auto& c : text_cache) SDL_DestroyTexture(c.texture);
    text_cache.clear();
    if (font) TTF_CloseFont(font);
    font = nullptr;
    font_state = 0;
    if (ttf_started) TTF_Quit();
    ttf_started = false;
}

}  // namespace video

// ===========================================================================
// 2D drawing
// ===========================================================================

int screen_output() { return screen_output_id; }

bool start_drawing(int output) {
    if (output != screen_output_id || !video::renderer()) return false;
    video::flush_3d();
    return true;
}

// Boxes and text go straight into the back buffer, so there is nothing to
// hand back when drawing stops.
void stop_drawing() {}

void draw_text(int x, int y, const text& t, colour front, colour back) {
    SDL_Renderer* r = video::renderer();
    if (!r || t.empty()) return;
    video::flush_3d();
    CachedText* c = rendered(t, front, back);
    if (!c) return;
    SDL_Rect to{x, y, c->width, c->height};
    SDL_RenderCopy(r, c->texture, nullptr, &to);
}

void draw_box(int x, int y, int width, int height, colour c) {
    SDL_Renderer* r = video::renderer();
    if (!r || width <= 0 || height <= 0) return;
    video::flush_3d();
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
    SDL_Color k = sdl_colour(c);
    SDL_SetRenderDrawColor(r, k.r, k.g, k.b, 255);
    SDL_Rect box{x, y, width, height};
    SDL_RenderFillRect(r, &box);
}

}  // namespace tw
