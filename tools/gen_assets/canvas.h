// canvas: a small floating-point RGBA raster with anti-aliased shapes given
// as signed distance functions, and tileable noise. Everything here is
// deterministic: the only randomness is the fixed-seed generator below.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace gen {

// ===========================================================================
// Colours and the canvas
// ===========================================================================

struct Colour {
    float r = 0, g = 0, b = 0, a = 0;  // straight alpha, each 0..1
};

Colour rgb(int r, int g, int b, float a = 1.0f);
Colour mix(const Colour& x, const Colour& y, float t);
Colour shade(const Colour& c, float factor);  // scales r, g, b; keeps alpha
Colour with_alpha(const Colour& c, float a);

struct Canvas {
    int w = 0, h = 0;
    std::vector<Colour> px;
    Canvas() = default;
    Canvas(int width, int height, Colour fill = {});
    Colour& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
    const Colour& at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    // Wrapping access, for tiles that must join their copies seamlessly.
    Colour& wrap(int x, int y);
};

// Paints src over dst with the given coverage (0..1).
void blend_over(Colour& dst, const Colour& src, float coverage);
// Paints one canvas over another at (ox, oy).
void draw_canvas(Canvas& dst, const Canvas& src, int ox, int oy);
// Box-filtered scaling (for the previews on the loading screens).
Canvas scale_to(const Canvas& src, int w, int h);

// ===========================================================================
// Shapes as signed distances (negative inside, in pixels)
// ===========================================================================

using Sdf = std::function<float(float, float)>;
using Shader = std::function<Colour(float, float)>;

float sd_circle(float x, float y, float cx, float cy, float r);
float sd_ellipse(float x, float y, float cx, float cy, float rx, float ry);  // approximate
float sd_box(float x, float y, float cx, float cy, float hw, float hh, float radius);
float sd_segment(float x, float y, float ax, float ay, float bx, float by);
struct Point {
    float x, y;
};
float sd_polygon(float x, float y, const std::vector<Point>& poly);

// Fills every pixel by coverage of the shape (one-pixel anti-aliasing).
void fill(Canvas& c, const Sdf& shape, const Shader& colour);
void fill(Canvas& c, const Sdf& shape, const Colour& colour);
// The same on a tile: the shape is also tested at the copies shifted by
// one tile in every direction, so shapes near an edge continue on the
// opposite edge.
void fill_wrapped(Canvas& c, const Sdf& shape, const Shader& colour);
void fill_wrapped(Canvas& c, const Sdf& shape, const Colour& colour);

// Draws a shape the way every figure of the games is drawn: a soft drop
// shadow, a dark outline of `outline` pixels around the union of the layers,
// then each layer filled in order.
struct Layer {
    Sdf shape;
    Shader colour;
};
void draw_figure(Canvas& c, const std::vector<Layer>& layers, float outline, const Colour& outline_colour,
                 float shadow_dx = 1.5f, float shadow_dy = 1.5f, float shadow_alpha = 0.35f);

// ===========================================================================
// Noise and random numbers
// ===========================================================================

float hash2(int x, int y, uint32_t seed);                 // 0..1
float value_noise(float x, float y, int period, uint32_t seed);  // lattice units, wraps at period
// Fractal noise over a tile: u, v in 0..1 of the tile, base lattice period
// `period`; wraps at the tile's edges. Result about 0..1.
float fbm(float u, float v, int period, int octaves, uint32_t seed);

class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed * 2862933555777941757ULL + 3037000493ULL) {}
    uint32_t next();
    float uniform();                    // 0..1
    float range(float lo, float hi);
    int below(int n);                   // 0..n-1
private:
    uint64_t state_;
};

inline float clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
float smoothstep(float e0, float e1, float x);

}  // namespace gen
