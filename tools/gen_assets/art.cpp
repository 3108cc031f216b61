#include "art.h"

#include <algorithm>
#include <cmath>
#include <array>
#include <functional>
#include <map>
#include <tuple>

#include "glyphs.h"

namespace gen {

namespace {

constexpr float pi = 3.14159265f;
constexpr int T = tile_size;

// ===========================================================================
// Ground textures (all tile seamlessly with their own copies)
// ===========================================================================

// Position inside a running-bond pattern of blocks bw x bh whose odd rows are
// shifted by `shift` pixels: local coordinates and a per-block number.
struct Block {
    float lx, ly;
    int id;
};
Block block_at(float x, float y, int bw, int bh, int shift) {
    int row = static_cast<int>(std::floor(y / bh));
    float sx = x + ((row % 2) ? shift : 0);
    int col = static_cast<int>(std::floor(sx / bw));
    int cols = T / bw, rows = T / bh;
    int id = (((col % cols) + cols) % cols) + 17 * (((row % rows) + rows) % rows);
    return {sx - col * bw, y - row * bh, id};
}

Canvas floor_tile() {
    Canvas c(T, T);
    for (int y = 0; y < T; ++y)
        for (int x = 0; x < T; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            Block b = block_at(fx, fy, 24, 24, 12);
            float grain = fbm(fx / T, fy / T, 6, 3, 11);
            float tint = 0.93f + 0.1f * hash2(b.id, 3, 5);
            Colour col = shade(mix(rgb(178, 150, 108), rgb(216, 192, 146), grain), tint);
            float e = std::min({b.lx, 24 - b.lx, b.ly, 24 - b.ly});
            if (e < 1.1f) col = shade(col, 0.72f);
            else if (b.lx < 2.5f || b.ly < 2.5f) col = shade(col, 1.07f);
            else if (24 - b.lx < 2.5f || 24 - b.ly < 2.5f) col = shade(col, 0.9f);
            // a few darker specks of grit
            if (hash2(x, y, 77) > 0.985f) col = shade(col, 0.82f);
            c.at(x, y) = col;
        }
    return c;
}

Canvas wall_tile() {
    Canvas c(T, T);
    for (int y = 0; y < T; ++y)
        for (int x = 0; x < T; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            Block b = block_at(fx, fy, 24, 12, 12);
            float grain = fbm(fx / T, fy / T, 8, 3, 21);
            float tint = 0.86f + 0.22f * hash2(b.id, 9, 7);
            Colour col = shade(mix(rgb(86, 82, 100), rgb(122, 116, 134), grain), tint);
            float e = std::min({b.lx, 24 - b.lx, b.ly, 12 - b.ly});
            if (e < 1.2f) col = rgb(40, 36, 48);
            else if (b.ly < 3.0f || b.lx < 2.5f) col = shade(col, 1.28f);
            else if (12 - b.ly < 3.0f || 24 - b.lx < 2.5f) col = shade(col, 0.7f);
            c.at(x, y) = col;
        }
    return c;
}

// Two colours mixed by fractal noise that repeats `period` times a tile.
Canvas noise_tile(Colour low, Colour high, int period, uint32_t seed) {
    Canvas c(T, T);
    for (int y = 0; y < T; ++y)
        for (int x = 0; x < T; ++x) c.at(x, y) = mix(low, high, fbm((x + 0.5f) / T, (y + 0.5f) / T, period, 4, seed));
    return c;
}

Canvas green_tile() {
    Canvas c = noise_tile(rgb(58, 120, 48), rgb(104, 164, 66), 4, 31);
    Rng rng(41);
    for (int i = 0; i < 90; ++i) {
        float x = rng.range(0, T), y = rng.range(0, T);
        float len = rng.range(3, 6), lean = rng.range(-2, 2);
        Colour col = rng.uniform() < 0.55f ? rgb(40, 96, 36, 0.9f) : rgb(140, 196, 90, 0.85f);
        fill_wrapped(c, [=](float px, float py) { return sd_segment(px, py, x, y, x + lean, y - len) - 0.55f; }, col);
    }
    return c;
}

Canvas water_tile() {
    Canvas c = noise_tile(rgb(26, 78, 146), rgb(56, 134, 192), 3, 51);
    Rng rng(61);
    for (int i = 0; i < 9; ++i) {
        float cx = rng.range(0, T), cy = rng.range(0, T), rx = rng.range(4, 7);
        // a wave crest: the upper part of a flat ring
        fill_wrapped(c, [=](float px, float py) {
            if (py > cy) return 9.0f;
            return std::fabs(sd_ellipse(px, py, cx, cy, rx, rx * 0.4f)) - 0.6f;
        }, rgb(170, 214, 240, 0.55f));
    }
    return c;
}

const Canvas& ground_tile(Ground g) {
    static const Canvas wall = wall_tile(), floor = floor_tile(), green = green_tile(), water = water_tile();
    switch (g) {
    case Ground::wall: return wall;
    case Ground::green: return green;
    case Ground::water: return water;
    default: return floor;
    }
}

// ===========================================================================
// Edge tiles: a floor cell showing its neighbour's influence on one side
// ===========================================================================

Canvas edge_tile(Edge edge, Ground neighbour) {
    Canvas c = ground_tile(Ground::floor);
    const Canvas& grass = ground_tile(Ground::green);
    for (int y = 0; y < T; ++y)
        for (int x = 0; x < T; ++x) {
            float d = (edge == Edge::left ? x : y) + 0.5f;  // distance from the neighbour
            float u = (edge == Edge::left ? y : x) + 0.5f;  // position along the edge
            Colour& p = c.at(x, y);
            if (neighbour == Ground::wall) {
                // The wall casts its shadow onto the floor (light from the top left).
                float s = 1 - smoothstep(0, 16, d);
                p = shade(p, 1 - 0.55f * s);
                if (d < 2.0f) p = shade(p, 0.75f);
            } else if (neighbour == Ground::green) {
                // Grass spills over the edge, with a soft shadow under it.
                float tuft = std::fabs(std::sin(u / T * pi * 8));
                float reach = 5.0f + 5.0f * fbm(u / T, 0.37f, 4, 2, 71) + 3.0f * tuft * tuft;
                float sh = 1 - smoothstep(reach, reach + 6, d);
                p = shade(p, 1 - 0.35f * sh);
                float cov = clamp01(reach - d + 0.5f);
                if (cov > 0) {
                    Colour g = grass.at(x, y);
                    if (reach - d < 1.5f) g = shade(g, 0.75f);
                    blend_over(p, g, cov);
                }
            } else if (neighbour == Ground::water) {
                // Wet sand darkening towards the water, with a line of foam.
                float wet = 1 - smoothstep(0, 16, d);
                Colour damp = {p.r * 0.5f, p.g * 0.58f, p.b * 0.72f, 1};
                p = mix(p, damp, wet);
                float f = 3.5f + 1.5f * std::sin(u / T * 2 * pi * 2 + 0.7f) + 0.9f * std::sin(u / T * 2 * pi * 5);
                float foam = clamp01(1.8f - std::fabs(d - f));
                if (d < f) blend_over(p, rgb(70, 140, 190), 0.55f);
                blend_over(p, rgb(226, 238, 240, 0.8f), foam);
                if (d < 1.2f) blend_over(p, rgb(56, 134, 192), 0.7f);
            }
        }
    return c;
}

}  // namespace

Canvas tile(Ground ground, Edge edge, Ground neighbour) {
    if (edge == Edge::none || ground != Ground::floor || neighbour == Ground::floor) return ground_tile(ground);
    return edge_tile(edge, neighbour);
}

// ===========================================================================
// Objects and figures
// ===========================================================================

namespace {

const Colour ink = rgb(34, 24, 20);

Shader vgrad(Colour top, Colour bottom, float y0, float y1) {
    return [=](float, float y) { return mix(top, bottom, smoothstep(y0, y1, y)); };
}
Shader flat(Colour c) {
    return [=](float, float) { return c; };
}

// A shape and a shader drawn `k` times larger: the same figure on a larger
// canvas (k = 1 leaves every coordinate exactly as it is).
Sdf scaled(const Sdf& f, float k) {
    return [=](float x, float y) { return f(x / k, y / k) * k; };
}
Shader scaled(const Shader& s, float k) {
    return [=](float x, float y) { return s(x / k, y / k); };
}

Canvas coin(float k = 1) {
    Canvas c(static_cast<int>(16 * k), static_cast<int>(16 * k));
    draw_figure(c, {{scaled([](float x, float y) { return sd_circle(x, y, 8, 8, 5.8f); }, k),
                     scaled(vgrad(rgb(255, 232, 110), rgb(212, 144, 20), 2, 14), k)}},
                1.1f * k, rgb(80, 44, 8), 0.8f * k, 0.8f * k, 0.3f);
    fill(c, scaled([](float x, float y) { return std::fabs(sd_circle(x, y, 8, 8, 3.6f)) - 0.5f; }, k),
         rgb(196, 128, 16, 0.8f));
    fill(c, scaled([](float x, float y) { return sd_ellipse(x, y, 6.4f, 5.6f, 1.6f, 1.1f); }, k), rgb(255, 250, 210, 0.9f));
    return c;
}

Canvas gem() {
    Canvas c(48, 48);
    fill(c, [](float x, float y) { return sd_circle(x, y, 24, 25, 17); },
         [](float x, float y) {
             float d = std::hypot(x - 24, y - 25) / 17;
             return rgb(120, 220, 255, 0.32f * (1 - d) * (1 - d));
         });
    std::vector<Point> outline{{19, 12}, {29, 12}, {35, 19}, {24, 38}, {13, 19}};
    draw_figure(c, {{[=](float x, float y) { return sd_polygon(x, y, outline); },
                     vgrad(rgb(150, 220, 255), rgb(40, 90, 220), 12, 38)}},
                1.6f, rgb(16, 24, 70), 1.2f, 1.2f, 0.3f);
    // facets
    fill(c, [](float x, float y) { return sd_polygon(x, y, {{19, 12}, {24, 12}, {21, 19}, {13, 19}}); },
         rgb(220, 245, 255, 0.75f));
    fill(c, [](float x, float y) { return sd_polygon(x, y, {{21, 19}, {27, 19}, {24, 38}}); }, rgb(90, 170, 255, 0.6f));
    fill(c, [](float x, float y) { return sd_polygon(x, y, {{27, 19}, {35, 19}, {24, 38}}); }, rgb(20, 50, 160, 0.45f));
    fill(c, [](float x, float y) { return sd_segment(x, y, 13.5f, 19, 34.5f, 19) - 0.5f; }, rgb(16, 24, 70, 0.7f));
    fill(c, [](float x, float y) {
        return std::min(sd_segment(x, y, 30, 9, 30, 15), sd_segment(x, y, 27, 12, 33, 12)) - 0.6f;
    }, rgb(255, 255, 230, 0.9f));
    return c;
}

Canvas bell() {
    Canvas c(48, 48);
    fill(c, [](float x, float y) { return sd_ellipse(x, y, 24, 42, 11, 3.5f); }, rgb(0, 0, 0, 0.3f));
    Layer post{[](float x, float y) { return sd_box(x, y, 24, 27, 2, 14, 0.5f); }, vgrad(rgb(150, 100, 60), rgb(100, 62, 34), 13, 41)};
    Layer bar{[](float x, float y) { return sd_box(x, y, 24, 11, 11, 2, 1); }, flat(rgb(140, 92, 52))};
    Layer base{[](float x, float y) { return sd_box(x, y, 24, 40, 7, 2.5f, 1.5f); }, flat(rgb(128, 122, 130))};
    draw_figure(c, {post, bar, base}, 1.3f, ink, 1, 1, 0.0f);
    Layer body{[](float x, float y) {
                   float top = sd_circle(x, y, 17, 18, 4.5f);
                   float skirt = sd_polygon(x, y, {{12.5f, 18}, {21.5f, 18}, {23.5f, 27}, {10.5f, 27}});
                   return std::min(top, skirt);
               },
               vgrad(rgb(255, 226, 120), rgb(206, 140, 26), 13, 27)};
    Layer rim{[](float x, float y) { return sd_ellipse(x, y, 17, 27, 7, 1.8f); }, flat(rgb(190, 124, 20))};
    Layer clapper{[](float x, float y) { return sd_circle(x, y, 17, 29.5f, 1.8f); }, flat(rgb(110, 70, 20))};
    Layer hook{[](float x, float y) { return sd_segment(x, y, 17, 11, 17, 14) - 0.8f; }, flat(rgb(90, 90, 96))};
    draw_figure(c, {hook, clapper, body, rim}, 1.2f, ink, 1, 1, 0.25f);
    fill(c, [](float x, float y) { return sd_ellipse(x, y, 15, 17, 1.2f, 2.6f); }, rgb(255, 250, 220, 0.85f));
    return c;
}

Canvas pebbles() {
    Canvas c(48, 48);
    Rng rng(81);
    for (int i = 0; i < 6; ++i) {
        float cx = rng.range(8, 40), cy = rng.range(8, 40), rx = rng.range(1.8f, 3.6f), ry = rx * rng.range(0.6f, 0.9f);
        float t = rng.uniform();
        Colour base = mix(rgb(150, 132, 110), rgb(120, 116, 124), t);
        draw_figure(c, {{[=](float x, float y) { return sd_ellipse(x, y, cx, cy, rx, ry); },
                         vgrad(shade(base, 1.25f), shade(base, 0.8f), cy - ry, cy + ry)}},
                    0.8f, rgb(70, 58, 48), 0.8f, 0.8f, 0.3f);
    }
    return c;
}

Canvas flower(Colour petal, Colour heart) {
    Canvas c(16, 16);
    Layer stem{[](float x, float y) { return sd_segment(x, y, 8, 9, 8.5f, 15) - 0.6f; }, flat(rgb(50, 110, 40))};
    Layer leaf{[](float x, float y) { return sd_ellipse(x, y, 10.5f, 13, 2.2f, 1.1f); }, flat(rgb(70, 140, 50))};
    std::vector<Layer> layers{stem, leaf};
    for (int i = 0; i < 5; ++i) {
        float a = (-90 + i * 72) * pi / 180;
        float px = 8 + 3 * std::cos(a), py = 6.5f + 3 * std::sin(a);
        layers.push_back({[=](float x, float y) { return sd_circle(x, y, px, py, 2.3f); }, flat(petal)});
    }
    layers.push_back({[](float x, float y) { return sd_circle(x, y, 8, 6.5f, 1.7f); }, flat(heart)});
    draw_figure(c, layers, 0.8f, ink, 0.6f, 0.6f, 0.25f);
    return c;
}

Canvas mushroom() {
    Canvas c(16, 16);
    Layer stem{[](float x, float y) { return sd_box(x, y, 8, 11.5f, 2.2f, 3, 1); }, flat(rgb(240, 226, 200))};
    Layer cap{[](float x, float y) {
                  float e = sd_ellipse(x, y, 8, 8, 6, 5);
                  return std::max(e, y - 8.5f);
              },
              vgrad(rgb(240, 80, 60), rgb(180, 36, 30), 3, 9)};
    draw_figure(c, {stem, cap}, 0.8f, ink, 0.6f, 0.6f, 0.3f);
    for (auto [dx, dy, r] : {std::tuple{6.0f, 5.5f, 1.1f}, {10.0f, 6.0f, 0.9f}, {8.0f, 4.0f, 0.8f}})
        fill(c, [=](float x, float y) { return sd_circle(x, y, dx, dy, r); }, rgb(248, 240, 228));
    return c;
}

Canvas bush() {
    Canvas c(48, 48);
    fill(c, [](float x, float y) { return sd_ellipse(x, y, 25, 37, 15, 5); }, rgb(0, 0, 0, 0.28f));
    std::vector<Layer> leaves;
    Rng rng(91);
    const float blobs[][3] = {{17, 27, 8}, {31, 27, 8}, {24, 19, 9}, {24, 30, 8}, {15, 20, 6}, {33, 20, 6}};
    for (auto& b : blobs) {
        float bx = b[0], by = b[1], br = b[2];
        leaves.push_back({[=](float x, float y) { return sd_circle(x, y, bx, by, br); },
                          vgrad(rgb(96, 170, 70), rgb(36, 100, 40), by - br, by + br)});
    }
    draw_figure(c, leaves, 1.2f, rgb(20, 50, 22), 1, 1, 0.0f);
    for (int i = 0; i < 7; ++i) {
        float bx = rng.range(12, 36), by = rng.range(15, 33);
        fill(c, [=](float x, float y) { return sd_circle(x, y, bx, by, 1.5f); }, rgb(210, 40, 60));
        fill(c, [=](float x, float y) { return sd_circle(x, y, bx - 0.5f, by - 0.5f, 0.5f); }, rgb(255, 200, 200));
    }
    return c;
}

Canvas lily() {
    Canvas c(16, 16);
    draw_figure(c, {{[](float x, float y) {
                         float pad = sd_circle(x, y, 8, 8, 6);
                         float notch = sd_polygon(x, y, {{8, 8}, {15, 4}, {15, 8}});
                         return std::max(pad, -notch);
                     },
                     vgrad(rgb(110, 190, 80), rgb(46, 120, 50), 2, 14)}},
                0.7f, rgb(20, 60, 30), 0.6f, 0.8f, 0.35f);
    fill(c, [](float x, float y) {
        return std::min({sd_segment(x, y, 8, 8, 3, 5), sd_segment(x, y, 8, 8, 4, 12), sd_segment(x, y, 8, 8, 11, 13)}) - 0.3f;
    }, rgb(40, 110, 40, 0.7f));
    return c;
}

Canvas lotus() {
    Canvas c = lily();
    std::vector<Layer> petals;
    for (int i = 0; i < 6; ++i) {
        float a = (i * 60) * pi / 180;
        float px = 7.5f + 2.4f * std::cos(a), py = 7.5f + 2.4f * std::sin(a);
        petals.push_back({[=](float x, float y) { return sd_circle(x, y, px, py, 2.0f); },
                          flat(rgb(250, 170, 210))});
    }
    petals.push_back({[](float x, float y) { return sd_circle(x, y, 7.5f, 7.5f, 1.6f); }, flat(rgb(255, 220, 90))});
    draw_figure(c, petals, 0.7f, rgb(120, 40, 80), 0.5f, 0.5f, 0.2f);
    return c;
}

Canvas sparkle() {
    // Drawn with additive blending, so dark means "adds nothing".
    Canvas c(48, 48);
    auto glint = [&](float cx, float cy, float len, float a) {
        fill(c, [=](float x, float y) { return sd_circle(x, y, cx, cy, len * 0.55f); },
             [=](float x, float y) {
                 float d = std::hypot(x - cx, y - cy) / (len * 0.55f);
                 return rgb(140, 200, 255, a * 0.5f * (1 - d));
             });
        fill(c, [=](float x, float y) {
            float h = std::fabs(y - cy) * 6 + std::fabs(x - cx) - len;
            float v = std::fabs(x - cx) * 6 + std::fabs(y - cy) - len;
            return std::min(h, v) / 3;
        }, rgb(230, 248, 255, a));
    };
    glint(18, 17, 9, 0.9f);
    glint(33, 31, 6, 0.7f);
    glint(30, 12, 3.5f, 0.6f);
    return c;
}

Canvas moss() {
    Canvas c(48, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            float n = fbm((x + 0.5f) / 48, (y + 0.5f) / 48, 4, 4, 101);
            float r = std::hypot(x + 0.5f - 20, y + 0.5f - 28) / 24;
            float a = smoothstep(0.5f, 0.6f, n + 0.32f * (1 - r) - 0.12f);
            if (a <= 0) continue;
            float tone = fbm((x + 0.5f) / 48, (y + 0.5f) / 48, 8, 2, 103);
            c.at(x, y) = with_alpha(mix(rgb(50, 100, 40), rgb(110, 160, 60), tone), a);
        }
    return c;
}

Canvas crack() {
    Canvas c(48, 48);
    Rng rng(111);
    std::vector<std::array<float, 4>> segs;
    std::function<void(float, float, float, int, float)> branch = [&](float x, float y, float ang, int steps, float w) {
        for (int i = 0; i < steps; ++i) {
            ang += rng.range(-0.6f, 0.6f);
            float nx = x + std::cos(ang) * 4, ny = y + std::sin(ang) * 4;
            segs.push_back({x, y, nx, ny});
            if (rng.uniform() < 0.25f && w > 0.5f) branch(nx, ny, ang + rng.range(-1.2f, 1.2f), steps / 2, w * 0.6f);
            x = nx, y = ny;
        }
    };
    branch(12, 10, 0.9f, 8, 1);
    auto dist = [&](float x, float y) {
        float d = 1e9f;
        for (auto& s : segs) d = std::min(d, sd_segment(x, y, s[0], s[1], s[2], s[3]));
        return d;
    };
    fill(c, [&](float x, float y) { return dist(x - 0.8f, y - 0.8f) - 0.7f; }, rgb(170, 164, 182, 0.5f));
    fill(c, [&](float x, float y) { return dist(x, y) - 0.75f; }, rgb(26, 22, 32, 0.95f));
    return c;
}

Canvas slime() {
    Canvas c(32, 32);
    fill(c, [](float x, float y) { return sd_ellipse(x, y, 16, 27, 11, 3); }, rgb(0, 0, 0, 0.3f));
    Layer body{[](float x, float y) {
                   float base = sd_ellipse(x, y, 16, 20, 11.5f, 7.5f);
                   float dome = sd_circle(x, y, 16, 15, 8);
                   return std::min(base, dome);
               },
               vgrad(rgb(160, 236, 120), rgb(40, 150, 60), 7, 27)};
    draw_figure(c, {body}, 1.4f, rgb(14, 56, 22), 0, 0, 0);
    for (float ex : {12.5f, 19.5f}) {
        fill(c, [=](float x, float y) { return sd_ellipse(x, y, ex, 16, 2.4f, 3); }, rgb(248, 248, 240));
        fill(c, [=](float x, float y) { return sd_circle(x, y, ex + 0.6f, 16.8f, 1.3f); }, rgb(20, 20, 30));
    }
    fill(c, [](float x, float y) { return sd_ellipse(x, y, 11, 10.5f, 2.6f, 1.5f); }, rgb(230, 255, 220, 0.8f));
    fill(c, [](float x, float y) {
        float r = std::fabs(sd_ellipse(x, y, 16, 20.5f, 3, 1.6f)) - 0.45f;
        return std::max(r, 20.5f - y);
    }, rgb(14, 56, 22));
    return c;
}

Canvas watcher() {
    Canvas c(32, 32);
    fill(c, [](float x, float y) { return sd_ellipse(x, y, 16, 27.5f, 10, 3); }, rgb(0, 0, 0, 0.32f));
    std::vector<Point> spikes;
    for (int i = 0; i < 18; ++i) {
        float a = (i * 20.0f) * pi / 180;
        float r = (i % 2 == 0) ? 12.5f : 8.5f;
        spikes.push_back({16 + r * std::cos(a), 16 + r * std::sin(a)});
    }
    Layer thorns{[=](float x, float y) { return sd_polygon(x, y, spikes); }, vgrad(rgb(150, 80, 200), rgb(70, 26, 110), 4, 28)};
    Layer roots{[](float x, float y) {
                    return std::min(sd_segment(x, y, 12, 24, 8, 29), sd_segment(x, y, 20, 24, 24, 29)) - 1.3f;
                },
                flat(rgb(80, 50, 40))};
    Layer bulb{[](float x, float y) { return sd_circle(x, y, 16, 16, 8.5f); }, vgrad(rgb(196, 120, 230), rgb(110, 50, 150), 8, 24)};
    draw_figure(c, {roots, thorns, bulb}, 1.2f, rgb(34, 12, 44), 0, 0, 0);
    fill(c, [](float x, float y) { return sd_ellipse(x, y, 16, 16, 5.5f, 4.2f); }, rgb(250, 238, 200));
    fill(c, [](float x, float y) { return sd_circle(x, y, 16, 16, 3); }, rgb(220, 50, 40));
    fill(c, [](float x, float y) { return sd_ellipse(x, y, 16, 16, 0.9f, 2.4f); }, rgb(20, 10, 10));
    fill(c, [](float x, float y) { return std::fabs(sd_ellipse(x, y, 16, 16, 5.5f, 4.2f)) - 0.5f; }, rgb(34, 12, 44));
    return c;
}

Canvas tree() {
    Canvas c(48, 48);
    fill(c, [](float x, float y) { return sd_circle(x, y, 27, 27, 19); }, rgb(0, 0, 0, 0.3f));
    std::vector<Layer> crown;
    const float lobes[][3] = {{24, 14, 9}, {34, 21, 9}, {31, 33, 9}, {17, 33, 9}, {13, 21, 9}, {24, 24, 12}};
    for (auto& l : lobes) {
        float lx = l[0], ly = l[1], lr = l[2];
        crown.push_back({[=](float x, float y) { return sd_circle(x, y, lx, ly, lr); },
                         [=](float x, float y) {
                             float t = clamp01((x - 8 + y - 8) / 64);
                             return mix(rgb(120, 186, 80), rgb(28, 86, 40), t);
                         }});
    }
    draw_figure(c, crown, 1.2f, rgb(16, 44, 20), 0, 0, 0);
    Rng rng(121);
    for (int i = 0; i < 10; ++i) {
        float lx = rng.range(12, 34), ly = rng.range(10, 32);
        fill(c, [=](float x, float y) { return std::max(std::fabs(sd_circle(x, y, lx, ly, 3)) - 0.5f, ly - y); },
             rgb(20, 70, 30, 0.6f));
    }
    return c;
}

}  // namespace

Canvas object_picture(const std::string& name) {
    if (name == "coin") return coin();
    if (name == "gem") return gem();
    if (name == "bell") return bell();
    if (name == "pebbles") return pebbles();
    if (name == "flower") return flower(rgb(236, 70, 80), rgb(255, 220, 90));
    if (name == "bluebell") return flower(rgb(110, 140, 245), rgb(250, 250, 200));
    if (name == "mushroom") return mushroom();
    if (name == "bush") return bush();
    if (name == "lily") return lily();
    if (name == "lotus") return lotus();
    if (name == "sparkle") return sparkle();
    if (name == "moss") return moss();
    if (name == "crack") return crack();
    if (name == "slime") return slime();
    if (name == "crab") return slime();  // the island's placed enemy
    if (name == "tree") return tree();
    if (name == "watcher") return watcher();
    return Canvas(16, 16);
}

Canvas hero_picture(float k) {
    // 40 x 40: the figure stands in a 48-pixel cell on a 1920-pixel-wide
    // display and overhangs a 32-pixel cell only a little.
    Canvas c(static_cast<int>(40 * k), static_cast<int>(40 * k));
    auto shape = [k](const Sdf& f) { return scaled(f, k); };
    auto paint = [k](const Shader& s) { return scaled(s, k); };
    fill(c, shape([](float x, float y) { return sd_ellipse(x, y, 20, 35, 10, 3.2f); }), rgb(0, 0, 0, 0.35f));
    Layer legs{shape([](float x, float y) {
                   return std::min(sd_box(x, y, 16.5f, 31, 2.4f, 4, 1), sd_box(x, y, 23.5f, 31, 2.4f, 4, 1));
               }),
               flat(rgb(50, 56, 90))};
    Layer cape{shape([](float x, float y) {
                   return sd_polygon(x, y, {{12, 17}, {28, 17}, {31, 31}, {9, 31}}) - 1;
               }),
               paint(vgrad(rgb(210, 50, 50), rgb(140, 24, 34), 17, 31))};
    Layer body{shape([](float x, float y) { return sd_box(x, y, 20, 24, 6.5f, 6.5f, 3); }),
               paint(vgrad(rgb(80, 150, 240), rgb(40, 90, 190), 17, 31))};
    Layer head{shape([](float x, float y) { return sd_circle(x, y, 20, 13, 6.8f); }), flat(rgb(252, 214, 176))};
    Layer brim{shape([](float x, float y) { return sd_ellipse(x, y, 20, 9, 10, 2.4f); }), flat(rgb(120, 76, 40))};
    Layer crown{shape([](float x, float y) { return std::max(sd_ellipse(x, y, 20, 8, 6, 5.5f), y - 8.5f); }),
                paint(vgrad(rgb(170, 112, 60), rgb(120, 76, 40), 2, 9))};
    draw_figure(c, {legs, cape, body, head, brim, crown}, 1.5f * k, rgb(28, 20, 26), 0, 0, 0);
    fill(c, shape([](float x, float y) { return sd_box(x, y, 20, 6.8f, 6, 0.9f, 0.4f); }), rgb(230, 60, 50));  // hat band
    fill(c, shape([](float x, float y) { return sd_box(x, y, 20, 27, 6.5f, 1.1f, 0.3f); }), rgb(70, 44, 24));   // belt
    fill(c, shape([](float x, float y) { return sd_box(x, y, 20, 27, 1.2f, 1.2f, 0.3f); }), rgb(250, 210, 80));  // buckle
    for (float ex : {17.5f, 22.5f})
        fill(c, shape([=](float x, float y) { return sd_ellipse(x, y, ex, 14, 1, 1.4f); }), rgb(30, 24, 30));
    fill(c, shape([](float x, float y) { return std::max(std::fabs(sd_circle(x, y, 20, 15.5f, 2.4f)) - 0.45f, 15.8f - y); }),
         rgb(150, 70, 60));
    return c;
}

// ===========================================================================
// The program's icon
// ===========================================================================

Canvas icon_picture(int size) {
    // Drawn at 256 pixels: a stone wall framing a patch of sandstone floor,
    // the explorer on it and a coin beside him; smaller sizes are scaled down.
    const int S = 256;
    Canvas c(S, S);
    const float mid = S / 2.0f;
    const Canvas& wall = ground_tile(Ground::wall);
    const Canvas& floor = ground_tile(Ground::floor);
    auto outer = [=](float x, float y) { return sd_box(x, y, mid, mid, 120, 120, 40); };
    auto inner = [=](float x, float y) { return sd_box(x, y, mid, mid + 6, 92, 86, 22); };
    fill(c, [=](float x, float y) { return outer(x, y) - 3; }, rgb(34, 30, 40));
    fill(c, outer, [&](float x, float y) {
        return wall.at(static_cast<int>(x) % T, static_cast<int>(y) % T);
    });
    fill(c, inner, [&](float x, float y) {
        // the wall's shadow falls onto the floor from the top left, as on the edge tiles
        const float d = std::min(x - (mid - 92), y - (mid + 6 - 86));
        const float s = 1 - smoothstep(0, 22, d);
        return shade(floor.at(static_cast<int>(x) % T, static_cast<int>(y) % T), 1 - 0.5f * s);
    });
    fill(c, [=](float x, float y) { return std::fabs(inner(x, y)) - 1.2f; }, rgb(40, 36, 48));
    draw_canvas(c, coin(3.5f), 160, 150);
    draw_canvas(c, hero_picture(4.2f), 28, 44);
    return size == S ? c : scale_to(c, size, size);
}

// ===========================================================================
// Maps and loading screens
// ===========================================================================

Canvas render_map(const GroundMap& map, int cell) {
    std::map<int, Canvas> cache;
    auto get = [&](Ground g, Edge e, Ground n) -> const Canvas& {
        int key = static_cast<int>(g) * 100 + static_cast<int>(e) * 10 + static_cast<int>(n);
        auto it = cache.find(key);
        if (it == cache.end()) {
            Canvas t = tile(g, e, n);
            if (cell != T) t = scale_to(t, cell, cell);
            it = cache.emplace(key, std::move(t)).first;
        }
        return it->second;
    };
    Canvas out(map.w * cell, map.h * cell, rgb(0, 0, 0));
    for (int y = 0; y < map.h; ++y)
        for (int x = 0; x < map.w; ++x) {
            Ground g = map.at(x, y);
            Edge e = Edge::none;
            Ground n = Ground::floor;
            if (g == Ground::floor) {
                // as the engine marks edges: the upper neighbour wins over the left one
                if (x > 0 && map.at(x - 1, y) != Ground::floor) e = Edge::left, n = map.at(x - 1, y);
                if (y > 0 && map.at(x, y - 1) != Ground::floor) e = Edge::top, n = map.at(x, y - 1);
            }
            draw_canvas(out, get(g, e, n), x * cell, y * cell);
        }
    return out;
}

Canvas loading_screen(int variant, const std::string& subtitle, const std::string& status, const GroundMap& backdrop) {
    const int W = 960, H = 540;
    Canvas c(W, H, rgb(0, 0, 0));
    Canvas map = render_map(backdrop, 24);
    draw_canvas(c, map, (W - map.w) / 2, (H - map.h) / 2);
    const bool dusk = variant == 1;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            Colour& p = c.at(x, y);
            float vx = (x - W / 2.0f) / (W / 2.0f), vy = (y - H / 2.0f) / (H / 2.0f);
            float vignette = 1 - 0.45f * std::min(1.0f, (vx * vx + vy * vy) * 0.7f);
            if (dusk) p = {p.r * 0.32f, p.g * 0.36f, p.b * 0.62f + 0.05f, 1};
            else p = {p.r * 0.58f, p.g * 0.56f, p.b * 0.5f, 1};
            p = shade(p, vignette);
        }
    // the title band
    fill(c, [&](float, float y) { return std::fabs(y - 190) - 96; }, rgb(8, 8, 20, 0.55f));
    for (float ly : {94.0f, 286.0f})
        fill(c, [&](float, float y) { return std::fabs(y - ly) - 1.5f; }, dusk ? rgb(150, 170, 230) : rgb(240, 190, 80));

    FontStyle title;
    title.unit = 13, title.stroke = 15, title.outline = 5.5f, title.shadow = 0.55f;
    if (dusk) title.top = rgb(236, 242, 255), title.bottom = rgb(120, 150, 235), title.edge = rgb(16, 18, 48);
    float tw = text_width("TILEWORLD", title, 0.9f);
    draw_text(c, "TILEWORLD", (W - tw) / 2, 104, title, 0.9f);

    FontStyle sub;
    sub.unit = 3.6f, sub.stroke = 4.2f, sub.outline = 2.0f;
    if (dusk) sub.top = rgb(230, 236, 255), sub.bottom = rgb(150, 170, 240), sub.edge = rgb(16, 18, 48);
    float sw = text_width(subtitle, sub);
    draw_text(c, subtitle, (W - sw) / 2, 236, sub);

    // the frame around the engine's progress bar (drawn at 85 % of the height)
    const float band = H * 0.85f;
    fill(c, [&](float x, float y) { return sd_box(x, y, W / 2.0f, band + 4.5f, W / 2.0f + 4, 9, 0); }, rgb(0, 0, 0, 0.75f));
    fill(c, [&](float, float y) { return std::fabs(y - (band - 5)) - 0.8f; }, dusk ? rgb(150, 170, 230) : rgb(240, 190, 80));
    fill(c, [&](float, float y) { return std::fabs(y - (band + 14)) - 0.8f; }, dusk ? rgb(150, 170, 230) : rgb(240, 190, 80));
    float lw = text_width(status, sub);
    draw_text(c, status, (W - lw) / 2, band - 52, sub);
    return c;
}

}  // namespace gen
