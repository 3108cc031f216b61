// video_sprites: sprites (images with CPU pixels and, once a screen exists,
// a GPU texture), screen grabs, and 3D sprites drawn as textured quads in
// batches.
//
// Sprites work without a window: loading, sizes, 3D sprites, zooming and
// rotating keep their state on the CPU side, and a texture is made on the
// first draw after a screen exists. Drawing without a screen does nothing.
#include <algorithm>
#include <cmath>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "runtime/platform.h"
#include "runtime/video_internal.h"

namespace tw {

// ===========================================================================
// Types
// ===========================================================================

namespace {

struct Sprite {
    int width = 0, height = 0;
    int mode = 0;
    bool own_alpha = false;       // the image carried alpha: the transparent colour is unused
    colour transparent = 0;
    std::vector<uint8_t> rgba;    // RGBA; keyed pixels have alpha 0, their colour kept
    SDL_Texture* texture = nullptr;  // a texture of its own (large images, screen grabs)
    int page = -1;                // or a place on a shared page: page index and top-left
    int page_x = 0, page_y = 0;
    bool grabbed = false;         // a GPU-only copy of the screen (no CPU pixels)
    SDL_ScaleMode scale = SDL_ScaleModeNearest;  // of its own texture
    uint32_t generation = 0;
    long long budget_pixels = 0;  // what it counts against the picture budget (loaded images)
    // The pixels that are not keyed, as rectangles (in pixels of the image),
    // for blend pairs under which a transparent texel would still change the
    // screen. Made on first need; empty until then.
    std::vector<SDL_Rect> cover;
    bool cover_made = false;
};

// Small images share large textures ("pages"), so that quads of different
// images still go to the renderer in one batch: with software rasterisers
// every change of texture costs far more than the quads themselves. Each
// image sits in a one-pixel frame that repeats its edge, so filtering never
// reaches a neighbour.
struct Page {
    SDL_Texture* texture = nullptr;
    int shelf_x = 0, shelf_y = 0, shelf_h = 0;  // shelf packing: rows of images
    int live = 0;                 // images placed here and not freed
    SDL_ScaleMode scale = SDL_ScaleModeNearest;
};

// What a quad samples: a texture, the part of it, and the filter record to keep.
struct Source {
    SDL_Texture* texture = nullptr;
    float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
    SDL_ScaleMode* scale = nullptr;
};

struct Sprite3D {
    int sprite = 0;
    uint32_t generation = 0;      // the sprite it was made from, not a later one in that slot
    int width = 0, height = 0;
    int angle = 0;                // degrees, 0..359
};

struct BlendKey {
    int source = 5, destination = 6;
};

// ===========================================================================
// State
// ===========================================================================

constexpr size_t max_sprite_file = size_t{256} * 1024 * 1024;
constexpr size_t grab_pool_limit = 4;
// A new texture's memory is cleared by the driver when it is made, which on
// software rasterisers costs as much as drawing into it: pages are made as
// needed at 1024 x 1024 rather than all at once larger; the limit keeps the
// same ceiling of 128 MB.
constexpr int page_size_wanted = 1024;
constexpr int page_image_limit = 256;  // larger images get a texture of their own
constexpr size_t page_limit = 32;

video::Table<Sprite> sprites;
video::Table<Sprite3D> sprites3d;
colour default_transparent = 0;   // black until the engine chooses another
uint32_t next_generation = 1;
// Pixels of the loaded images held now, against picture_budget_pixels.
long long pixels_held = 0;

bool in_batch = false;
BlendKey blending;
SDL_ScaleMode quality = SDL_ScaleModeNearest;

// Quads waiting to be submitted: all of one texture, blend mode and filter.
struct Batch {
    SDL_Texture* texture = nullptr;
    SDL_BlendMode blend = SDL_BLENDMODE_BLEND;
    std::vector<SDL_Vertex> vertices;
    std::vector<int> indices;
} batch;

// Freed screen grabs, kept for the next grab of the same size: the world view
// grabs the whole screen every frame.
struct PooledTarget {
    SDL_Texture* texture;
    int width, height;
};
std::vector<PooledTarget> grab_pool;

std::vector<Page> pages;
int page_size = 0;  // chosen when the first page is made

// ===========================================================================
// Functions: pixels and textures
// ===========================================================================

colour pixel_colour(const uint8_t* p) {
    return static_cast<colour>(p[0]) | (static_cast<colour>(p[1]) << 8) | (static_cast<colour>(p[2]) << 16);
}

void apply_transparent_colour(Sprite& s) {
    s.cover.clear();
    s.cover_made = false;
    if (s.own_alpha || s.rgba.empty()) return;
    const colour key = s.transparent & 0xFFFFFF;
    for (size_t i = 0; i + 3 < s.rgba.size(); i += 4)
        s.rgba[i + 3] = pixel_colour(&s.rgba[i]) == key ? 0 : 255;
}

// The unkeyed pixels as rectangles: the runs of each row, a run merged into
// the rectangle above it when that one spans exactly the same columns.
void make_cover(Sprite& s) {
    s.cover_made = true;
    s.cover.clear();
    std::vector<size_t> above, here;  // rectangles reaching the previous row / this row, left to right
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* row = &s.rgba[static_cast<size_t>(y) * static_cast<size_t>(s.width) * 4];
        here.clear();
        size_t next_above = 0;
        for (int x = 0; x < s.width;) {
            if (row[static_cast<size_t>(x) * 4 + 3] == 0) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < s.width && row[static_cast<size_t>(x) * 4 + 3] != 0) ++x;
            while (next_above < above.size() && s.cover[above[next_above]].x < start) ++next_above;
            if (next_above < above.size() && s.cover[above[next_above]].x == start &&
                s.cover[above[next_above]].w == x - start) {
                ++s.cover[above[next_above]].h;
                here.push_back(above[next_above++]);
            } else {
                s.cover.push_back(SDL_Rect{start, y, x - start, 1});
                here.push_back(s.cover.size() - 1);
            }
        }
        std::swap(above, here);
    }
}

void leave_page(Sprite& s) {
    if (s.page < 0) return;
    Page& p = pages[static_cast<size_t>(s.page)];
    s.page = -1;
    if (--p.live <= 0) {  // nothing left on it: the whole page is free again
        p.live = 0;
        p.shelf_x = p.shelf_y = p.shelf_h = 0;
    }
}

void destroy_texture(Sprite& s) {
    leave_page(s);
    if (!s.texture) return;
    video::flush_3d();
    if (s.grabbed && grab_pool.size() < grab_pool_limit && video::renderer()) {
        grab_pool.push_back({s.texture, s.width, s.height});
    } else {
        SDL_DestroyTexture(s.texture);
        video::add_texture_bytes(-int64_t{4} * s.width * s.height);
    }
    s.texture = nullptr;
}

// The pixels as they go to the GPU: keyed pixels become transparent black,
// which leaves the screen unchanged under alpha blending and additive ones;
// under the other pairs they are not drawn at all (keyed_texel_shows). With
// `frame`, a one-pixel border repeating the edge surrounds them.
// Rows first_row.. of them go into `up`, which is resized to hold them.
void upload_pixels(const Sprite& s, bool frame, int first_row, int rows, std::vector<uint8_t>& up) {
    const int f = frame ? 1 : 0;
    const int w = s.width + 2 * f;
    up.resize(static_cast<size_t>(w) * static_cast<size_t>(rows) * 4);
    for (int y = first_row; y < first_row + rows; ++y) {
        const int sy = std::clamp(y - f, 0, s.height - 1);
        for (int x = 0; x < w; ++x) {
            const int sx = std::clamp(x - f, 0, s.width - 1);
            const uint8_t* from = &s.rgba[(static_cast<size_t>(sy) * static_cast<size_t>(s.width) + static_cast<size_t>(sx)) * 4];
            uint8_t* to = &up[(static_cast<size_t>(y - first_row) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4];
            const bool keyed = !s.own_alpha && from[3] == 0;
            for (int k = 0; k < 3; ++k) to[k] = keyed ? 0 : from[k];
            to[3] = from[3];
        }
    }
}

// A large image goes up in bands of rows through one small buffer: a copy of
// the whole image would be fresh memory as large as the texture.
void upload_image(SDL_Texture* t, const Sprite& s) {
    constexpr size_t band_bytes = size_t{256} * 1024;
    const int band = std::max(1, static_cast<int>(band_bytes / (static_cast<size_t>(s.width) * 4)));
    std::vector<uint8_t> up;
    for (int y = 0; y < s.height; y += band) {
        const int rows = std::min(band, s.height - y);
        upload_pixels(s, false, y, rows, up);
        SDL_Rect where{0, y, s.width, rows};
        SDL_UpdateTexture(t, &where, up.data(), s.width * 4);
    }
}

// A place for a w x h block on some page, packed in shelves; a new page when
// none has room, and when no more pages may be made, every page is emptied
// and the images still in use find places again as they are drawn.
bool place_on_page(int w, int h, int& page, int& x, int& y) {
    SDL_Renderer* r = video::renderer();
    if (page_size == 0) {
        SDL_RendererInfo info{};
        SDL_GetRendererInfo(r, &info);
        int most = std::min(info.max_texture_width > 0 ? info.max_texture_width : page_size_wanted,
                            info.max_texture_height > 0 ? info.max_texture_height : page_size_wanted);
        page_size = std::min(page_size_wanted, most);
    }
    if (w > page_size || h > page_size) return false;
    auto fits = [&](Page& p) {
        if (p.shelf_x + w > page_size) {  // next shelf
            p.shelf_y += p.shelf_h;
            p.shelf_x = 0;
            p.shelf_h = 0;
        }
        if (p.shelf_y + h > page_size) return false;
        x = p.shelf_x;
        y = p.shelf_y;
        p.shelf_x += w;
        p.shelf_h = std::max(p.shelf_h, h);
        return true;
    };
    for (size_t i = 0; i < pages.size(); ++i) {
        // A page is only tried with what is left on its current shelf and below.
        Page probe = pages[i];
        if (fits(probe)) {
            pages[i] = probe;
            page = static_cast<int>(i);
            return true;
        }
    }
    if (pages.size() >= page_limit) {
        video::flush_3d();
        for (auto& slot : sprites.slots)
            if (slot.used) slot.value.page = -1;
        for (Page& p : pages) p.shelf_x = p.shelf_y = p.shelf_h = p.live = 0;
        if (!fits(pages[0])) return false;
        page = 0;
        return true;
    }
    Page p;
    p.texture = SDL_CreateTexture(r, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STATIC, page_size, page_size);
    if (!p.texture) return false;
    SDL_GetTextureScaleMode(p.texture, &p.scale);
    video::add_texture_bytes(int64_t{4} * page_size * page_size);
    pages.push_back(p);
    if (!fits(pages.back())) return false;
    page = static_cast<int>(pages.size()) - 1;
    return true;
}

// What a draw of the sprite samples, made from its CPU pixels on first use.
bool source_of(Sprite& s, Source& out) {
    if (s.page >= 0) {
        Page& p = pages[static_cast<size_t>(s.page)];
        const float size = static_cast<float>(page_size);
        out.texture = p.texture;
        out.u0 = static_cast<float>(s.page_x) / size;
        out.v0 = static_cast<float>(s.page_y) / size;
        out.u1 = static_cast<float>(s.page_x + s.width) / size;
        out.v1 = static_cast<float>(s.page_y + s.height) / size;
        out.scale = &p.scale;
        return true;
    }
    if (!s.texture && !s.rgba.empty()) {
        SDL_Renderer* r = video::renderer();
        if (!r) return false;
        int page = -1, x = 0, y = 0;
        if (s.width <= page_image_limit && s.height <= page_image_limit &&
            place_on_page(s.width + 2, s.height + 2, page, x, y)) {
            std::vector<uint8_t> up;
            upload_pixels(s, true, 0, s.height + 2, up);
            SDL_Rect where{x, y, s.width + 2, s.height + 2};
            Page& p = pages[static_cast<size_t>(page)];
            SDL_UpdateTexture(p.texture, &where, up.data(), (s.width + 2) * 4);
            ++p.live;
            s.page = page;
            s.page_x = x + 1;
            s.page_y = y + 1;
            return source_of(s, out);
        }
        SDL_Texture* t = SDL_CreateTexture(r, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STATIC, s.width, s.height);
        if (!t) return false;
        upload_image(t, s);
        SDL_GetTextureScaleMode(t, &s.scale);  // a new texture's filter follows SDL's hint
        s.texture = t;
        video::add_texture_bytes(int64_t{4} * s.width * s.height);
    }
    if (!s.texture) return false;
    out.texture = s.texture;
    out.u0 = out.v0 = 0;
    out.u1 = out.v1 = 1;
    out.scale = &s.scale;
    return true;
}

SDL_Texture* take_grab_target(int w, int h) {
    for (size_t i = 0; i < grab_pool.size(); ++i) {
        if (grab_pool[i].width == w && grab_pool[i].height == h) {
            SDL_Texture* t = grab_pool[i].texture;
            grab_pool.erase(grab_pool.begin() + static_cast<long>(i));
            return t;
        }
    }
    SDL_Texture* t = SDL_CreateTexture(video::renderer(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, w, h);
    if (t) video::add_texture_bytes(int64_t{4} * w * h);
    return t;
}

void empty_grab_pool() {
    for (auto& p : grab_pool) {
        SDL_DestroyTexture(p.texture);
        video::add_texture_bytes(-int64_t{4} * p.width * p.height);
    }
    grab_pool.clear();
}

// ===========================================================================
// Functions: blending
// ===========================================================================

SDL_BlendFactor blend_factor(int code, SDL_BlendFactor fallback) {
    switch (code) {
        case 1: return SDL_BLENDFACTOR_ZERO;
        case 2: return SDL_BLENDFACTOR_ONE;
        case 3: return SDL_BLENDFACTOR_SRC_COLOR;
        case 4: return SDL_BLENDFACTOR_ONE_MINUS_SRC_COLOR;
        case 5: return SDL_BLENDFACTOR_SRC_ALPHA;
        case 6: return SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA;
        case 7: return SDL_BLENDFACTOR_DST_ALPHA;
        case 8: return SDL_BLENDFACTOR_ONE_MINUS_DST_ALPHA;
        case 9: return SDL_BLENDFACTOR_DST_COLOR;
        case 10: return SDL_BLENDFACTOR_ONE_MINUS_DST_COLOR;
        default: return fallback;
    }
}

// The colour channels blend with the chosen factors. The screen behaves as a
// buffer without alpha: its alpha stays opaque (source alpha factor zero,
// destination one), so "destination alpha" always reads as one.
SDL_BlendMode compose_blend(const BlendKey& k) {
    return SDL_ComposeCustomBlendMode(blend_factor(k.source, SDL_BLENDFACTOR_SRC_ALPHA),
                                      blend_factor(k.destination, SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA),
                                      SDL_BLENDOPERATION_ADD, SDL_BLENDFACTOR_ZERO, SDL_BLENDFACTOR_ONE,
                                      SDL_BLENDOPERATION_ADD);
}

// For renderers without custom blending (the software fallback): the nearest
// of SDL's fixed modes.
SDL_BlendMode fixed_blend(const BlendKey& k) {
    int s = (k.source >= 1 && k.source <= 10) ? k.source : 5;
    int d = (k.destination >= 1 && k.destination <= 10) ? k.destination : 6;
    if (d == 2) return SDL_BLENDMODE_ADD;
    if ((s == 1 && d == 3) || (s == 9 && d == 1)) return SDL_BLENDMODE_MOD;
    if (s == 2 && d == 1) return SDL_BLENDMODE_NONE;
    return SDL_BLENDMODE_BLEND;
}

// Whether a keyed texel (transparent black) would change the screen under
// this blending. With a black source the source term is zero whatever its
// factor, so the destination factor decides: one, inverse source colour,
// inverse source alpha and destination alpha (the screen's reads as one) all
// leave the screen as it was; zero, source colour or alpha, inverse
// destination alpha and the destination-colour factors do not, and no other
// texel value serves them all. Under those the keyed pixels are not drawn at
// all (see make_cover).
bool keyed_texel_shows(const BlendKey& k, bool custom) {
    if (!custom) {
        const SDL_BlendMode m = fixed_blend(k);
        return m == SDL_BLENDMODE_NONE || m == SDL_BLENDMODE_MOD;
    }
    switch (k.destination >= 1 && k.destination <= 10 ? k.destination : 6) {
        case 2: case 4: case 6: case 7: return false;
        default: return true;
    }
}

// Whether the renderer takes composed blend modes; asked once per screen.
int custom_blending = -1;  // -1 not yet known
bool custom_blending_works(SDL_Texture* t) {
    if (custom_blending < 0) {
        SDL_BlendMode before = SDL_BLENDMODE_NONE;
        SDL_GetTextureBlendMode(t, &before);
        custom_blending = SDL_SetTextureBlendMode(t, compose_blend(BlendKey{})) == 0 ? 1 : 0;
        SDL_SetTextureBlendMode(t, before);
    }
    return custom_blending == 1;
}

// ===========================================================================
// Functions: batching
// ===========================================================================

void set_texture_filter(const Source& src, SDL_ScaleMode mode) {
    if (*src.scale == mode) return;
    // SDL applies a texture's filter when it is set, not when queued quads are
    // drawn: submit what already uses this texture before changing it.
    video::flush_3d();
    SDL_RenderFlush(video::renderer());
    SDL_SetTextureScaleMode(src.texture, mode);
    // SDL's OpenGL renderer binds the texture to set its filter without
    // updating its own record of the bound texture, so a later draw could
    // sample the wrong one; binding and unbinding through SDL sets it right.
    if (SDL_GL_BindTexture(src.texture, nullptr, nullptr) == 0) SDL_GL_UnbindTexture(src.texture);
    *src.scale = mode;
}

// Makes the batch one of this texture and blend mode, submitting what it held
// before when either differs.
void batch_for(SDL_Texture* t, SDL_BlendMode blend) {
    if (batch.texture != t || batch.blend != blend) {
        video::flush_3d();
        batch.texture = t;
        batch.blend = blend;
    }
}

// Adds a quad with corners in the order (0,0), (w,0), (w,h), (0,h).
void queue_quad(const SDL_Vertex (&v)[4]) {
    int base = static_cast<int>(batch.vertices.size());
    batch.vertices.insert(batch.vertices.end(), v, v + 4);
    const int order[6] = {0, 1, 2, 0, 2, 3};
    for (int k : order) batch.indices.push_back(base + k);
}

}  // namespace

namespace video {

void flush_3d() {
    if (batch.vertices.empty()) return;
    SDL_Renderer* r = renderer();
    if (r && batch.texture) {
        if (SDL_SetTextureBlendMode(batch.texture, batch.blend) != 0)
            SDL_SetTextureBlendMode(batch.texture, SDL_BLENDMODE_BLEND);
        SDL_RenderGeometry(r, batch.texture, batch.vertices.data(), static_cast<int>(batch.vertices.size()),
                           batch.indices.data(), static_cast<int>(batch.indices.size()));
    }
    batch.vertices.clear();
    batch.indices.clear();
}

void release_sprite_textures() {
    batch.vertices.clear();
    batch.indices.clear();
    batch.texture = nullptr;
    in_batch = false;
    custom_blending = -1;
    for (Page& p : pages) {
        SDL_DestroyTexture(p.texture);
        video::add_texture_bytes(-int64_t{4} * page_size * page_size);
    }
    pages.clear();
    page_size = 0;
    for (auto& slot : sprites.slots) {
        slot.value.page = -1;
        if (!slot.used || !slot.value.texture) continue;
        SDL_DestroyTexture(slot.value.texture);
        video::add_texture_bytes(-int64_t{4} * slot.value.width * slot.value.height);
        slot.value.texture = nullptr;
        // A screen grab has no other copy: it is gone with the screen.
        if (slot.value.grabbed) slot.value.width = slot.value.height = 0;
    }
    empty_grab_pool();
}

void clear_sprite_tables() {
    release_sprite_textures();
    sprites.clear();
    sprites3d.clear();
    pixels_held = 0;
    default_transparent = 0;
    blending = BlendKey{};
    quality = SDL_ScaleModeNearest;
}

}  // namespace video

// ===========================================================================
// Sprites
// ===========================================================================

int load_sprite(int number, const text& path, int mode) {
    std::vector<uint8_t> bytes;
    if (!platform::read_whole_file(path, bytes, max_sprite_file)) return 0;
    rgba_image image;
    // The picture replaced in this slot gives its pixels back first.
    const Sprite* old = sprites.find(number);
    const long long left = picture_budget_pixels - pixels_held + (old ? old->budget_pixels : 0);
    bool over_budget = false;
    const bool decoded = decode_image(bytes.data(), bytes.size(), image, nullptr, left, &over_budget);
    if (over_budget)
        report_limit(text(path) + " not loaded: the pictures of a game may hold " +
                     std::to_string(picture_budget_pixels) + " pixels (1 GB) decoded at once, the picture budget");
    if (!decoded) return 0;
    if (image.width <= 0 || image.height <= 0 || image.width > max_image_side ||
        image.height > max_image_side ||
        image.rgba.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4)
        return 0;
    free_sprite(number);
    int n = sprites.claim(number);
    if (n < 0) return 0;
    Sprite& s = *sprites.find(n);
    s.width = image.width;
    s.height = image.height;
    s.mode = mode;
    s.own_alpha = image.has_alpha;
    s.transparent = default_transparent;
    s.rgba = std::move(image.rgba);
    s.generation = next_generation++;
    s.budget_pixels = static_cast<long long>(s.width) * s.height;
    pixels_held += s.budget_pixels;
    apply_transparent_colour(s);
    return video::made(number, n);
}

int grab_sprite(int number, int x, int y, int width, int height, int mode) {
    SDL_Renderer* r = video::renderer();
    if (!r || width <= 0 || height <= 0 || width > max_image_side || height > max_image_side)
        return 0;
    // The part of the rectangle inside the back buffer is copied; a part
    // reaching past it stays transparent, so the copy keeps the asked size.
    SDL_Rect want{x, y, width, height};
    SDL_Rect buffer{0, 0, video::screen_width(), video::screen_height()};
    SDL_Rect inside{};
    if (!SDL_IntersectRect(&want, &buffer, &inside)) return 0;
    video::flush_3d();
    free_sprite(number);
    SDL_Texture* t = take_grab_target(width, height);
    if (!t) return 0;
    int n = sprites.claim(number);
    if (n < 0) {
        grab_pool.push_back({t, width, height});
        return 0;
    }
    SDL_SetRenderTarget(r, t);
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(r, 0, 0, 0, 0);
    SDL_RenderClear(r);
    SDL_Rect to{inside.x - x, inside.y - y, inside.w, inside.h};
    SDL_RenderCopy(r, video::back_buffer(), &inside, &to);
    SDL_SetRenderTarget(r, video::back_buffer());
    Sprite& s = *sprites.find(n);
    s.width = width;
    s.height = height;
    s.mode = mode;
    s.own_alpha = true;
    s.transparent = default_transparent;
    s.texture = t;
    s.grabbed = true;
    SDL_GetTextureScaleMode(t, &s.scale);  // a reused copy keeps the filter it had
    s.generation = next_generation++;
    return video::made(number, n);
}

void free_sprite(int number) {
    Sprite* s = sprites.find(number);
    if (!s) return;
    pixels_held -= s->budget_pixels;
    destroy_texture(*s);
    sprites.release(number);
}

bool is_sprite(int number) { return sprites.find(number) != nullptr; }

int sprite_width(int number) {
    Sprite* s = sprites.find(number);
    return s ? s->width : 0;
}

int sprite_height(int number) {
    Sprite* s = sprites.find(number);
    return s ? s->height : 0;
}

void set_sprite_transparent_colour(int number, colour c) {
    if (number == -1) {
        default_transparent = c & 0xFFFFFF;
        return;
    }
    Sprite* s = sprites.find(number);
    if (!s) return;
    s->transparent = c & 0xFFFFFF;
    if (s->own_alpha || s->grabbed) return;
    apply_transparent_colour(*s);
    destroy_texture(*s);  // uploaded again, keyed anew, at the next draw
}

void clear_screen(colour c) {
    SDL_Renderer* r = video::renderer();
    if (!r) return;
    video::flush_3d();
    SDL_SetRenderTarget(r, video::back_buffer());
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(r, static_cast<Uint8>(c & 255), static_cast<Uint8>((c >> 8) & 255),
                           static_cast<Uint8>((c >> 16) & 255), 255);
    SDL_RenderClear(r);
}

// ===========================================================================
// 3D sprites
// ===========================================================================

int create_sprite3d(int number, int sprite) {
    Sprite* s = sprites.find(sprite);
    if (!s || !(s->mode & sprite_mode_3d)) return 0;
    const int w = s->width, h = s->height;
    const uint32_t gen = s->generation;
    free_sprite3d(number);
    int n = sprites3d.claim(number);
    if (n < 0) return 0;
    Sprite3D& q = *sprites3d.find(n);
    q.sprite = sprite;
    q.generation = gen;
    q.width = w;
    q.height = h;
    q.angle = 0;
    return video::made(number, n);
}

void free_sprite3d(int number) { sprites3d.release(number); }

bool is_sprite3d(int number) { return sprites3d.find(number) != nullptr; }

// The size changes, the rotation stays: a quad zoomed again keeps its angle.
void zoom_sprite3d(int number, int width, int height) {
    Sprite3D* q = sprites3d.find(number);
    if (!q) return;
    q->width = width;
    q->height = height;
}

void rotate_sprite3d(int number, int angle, int add) {
    Sprite3D* q = sprites3d.find(number);
    if (!q) return;
    int64_t a = (add == 1 ? int64_t{q->angle} : 0) + angle;
    a %= 360;
    if (a < 0) a += 360;
    q->angle = static_cast<int>(a);
}

bool begin_3d() {
    in_batch = true;
    blending = BlendKey{};
    return video::renderer() != nullptr;
}

void end_3d() {
    video::flush_3d();
    in_batch = false;
}

void sprite3d_blending(int source_factor, int destination_factor) {
    blending.source = source_factor;
    blending.destination = destination_factor;
}

void sprite3d_quality(int mode) { quality = mode == 1 ? SDL_ScaleModeLinear : SDL_ScaleModeNearest; }

void draw_sprite3d(int number, int x, int y, int alpha) {
    if (!in_batch || !video::renderer()) return;
    Sprite3D* q = sprites3d.find(number);
    if (!q) return;
    Sprite* s = sprites.find(q->sprite);
    if (!s || s->generation != q->generation) return;
    Source src;
    if (!source_of(*s, src)) return;
    set_texture_filter(src, quality);

    // Points of the quad turned about its centre, then moved to x, y.
    // Positive angles turn clockwise on the screen (y points down).
    const float w = static_cast<float>(q->width), h = static_cast<float>(q->height);
    const float cx = w / 2, cy = h / 2;
    float c = 1, sn = 0;
    switch (q->angle) {
        case 0: break;
        case 90: c = 0; sn = 1; break;
        case 180: c = -1; sn = 0; break;
        case 270: c = 0; sn = -1; break;
        default: {
            double rad = q->angle * 3.14159265358979323846 / 180.0;
            c = static_cast<float>(std::cos(rad));
            sn = static_cast<float>(std::sin(rad));
        }
    }
    // An alpha outside 0..255 wraps like the 8-bit channel it is stored in.
    const SDL_Color tint{255, 255, 255, static_cast<Uint8>(alpha & 255)};
    // The quad's rectangle from (fx0, fy0) to (fx1, fy1), fractions of its size.
    auto add = [&](float fx0, float fy0, float fx1, float fy1) {
        const float fx[4] = {fx0, fx1, fx1, fx0}, fy[4] = {fy0, fy0, fy1, fy1};
        SDL_Vertex verts[4];
        for (int k = 0; k < 4; ++k) {
            float dx = fx[k] * w - cx, dy = fy[k] * h - cy;
            verts[k].position.x = static_cast<float>(x) + cx + dx * c - dy * sn;
            verts[k].position.y = static_cast<float>(y) + cy + dx * sn + dy * c;
            verts[k].color = tint;
            verts[k].tex_coord.x = src.u0 * (1 - fx[k]) + src.u1 * fx[k];
            verts[k].tex_coord.y = src.v0 * (1 - fy[k]) + src.v1 * fy[k];
        }
        queue_quad(verts);
    };
    const bool custom = custom_blending_works(src.texture);
    batch_for(src.texture, custom ? compose_blend(blending) : fixed_blend(blending));
    if (s->own_alpha || !keyed_texel_shows(blending, custom)) {
        add(0, 0, 1, 1);
        return;
    }
    if (!s->cover_made) make_cover(*s);
    const float sw = static_cast<float>(s->width), sh = static_cast<float>(s->height);
    for (const SDL_Rect& r : s->cover)
        add(static_cast<float>(r.x) / sw, static_cast<float>(r.y) / sh, static_cast<float>(r.x + r.w) / sw,
            static_cast<float>(r.y + r.h) / sh);
}

void draw_sprite3d_opaque(int number, int x, int y) { draw_sprite3d(number, x, y, 255); }

}  // namespace tw
