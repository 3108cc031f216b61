#include "canvas.h"

#include <algorithm>
#include <cmath>

namespace gen {

// ===========================================================================
// Colours and the canvas
// ===========================================================================

Colour rgb(int r, int g, int b, float a) { return {r / 255.0f, g / 255.0f, b / 255.0f, a}; }

Colour mix(const Colour& x, const Colour& y, float t) {
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

Colour shade(const Colour& c, float f) {
    return {clamp01(c.r * f), clamp01(c.g * f), clamp01(c.b * f), c.a};
}

Colour with_alpha(const Colour& c, float a) { return {c.r, c.g, c.b, a}; }

Canvas::Canvas(int width, int height, Colour fill)
    : w(width), h(height), px(static_cast<size_t>(width) * height, fill) {}

Colour& Canvas::wrap(int x, int y) { return at(((x % w) + w) % w, ((y % h) + h) % h); }

void blend_over(Colour& dst, const Colour& src, float coverage) {
    float sa = clamp01(src.a * coverage);
    if (sa <= 0) return;
    float da = dst.a * (1 - sa);
    float oa = sa + da;
    if (oa <= 0) {
        dst = {};
        return;
    }
    dst.r = (src.r * sa + dst.r * da) / oa;
    dst.g = (src.g * sa + dst.g * da) / oa;
    dst.b = (src.b * sa + dst.b * da) / oa;
    dst.a = oa;
}

void draw_canvas(Canvas& dst, const Canvas& src, int ox, int oy) {
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) {
            int tx = ox + x, ty = oy + y;
            if (tx < 0 || ty < 0 || tx >= dst.w || ty >= dst.h) continue;
            blend_over(dst.at(tx, ty), src.at(x, y), 1.0f);
        }
}

Canvas scale_to(const Canvas& src, int w, int h) {
    Canvas out(w, h);
    float sx = static_cast<float>(src.w) / w, sy = static_cast<float>(src.h) / h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int x0 = static_cast<int>(x * sx), x1 = std::max(x0 + 1, static_cast<int>((x + 1) * sx));
            int y0 = static_cast<int>(y * sy), y1 = std::max(y0 + 1, static_cast<int>((y + 1) * sy));
            Colour sum;
            int n = 0;
            for (int yy = y0; yy < y1 && yy < src.h; ++yy)
                for (int xx = x0; xx < x1 && xx < src.w; ++xx) {
                    const Colour& c = src.at(xx, yy);
                    sum.r += c.r * c.a;
                    sum.g += c.g * c.a;
                    sum.b += c.b * c.a;
                    sum.a += c.a;
                    ++n;
                }
            if (n == 0 || sum.a <= 0) continue;
            out.at(x, y) = {sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / n};
        }
    return out;
}

// ===========================================================================
// Shapes
// ===========================================================================

float sd_circle(float x, float y, float cx, float cy, float r) { return std::hypot(x - cx, y - cy) - r; }

float sd_ellipse(float x, float y, float cx, float cy, float rx, float ry) {
    // Distance in the circle the ellipse is stretched from, scaled back by the
    // smaller radius: exact on the axes and close enough elsewhere for the
    // one-pixel edge.
    float dx = (x - cx) / rx, dy = (y - cy) / ry;
    float k = std::hypot(dx, dy);
    return (k - 1.0f) * std::min(rx, ry);
}

float sd_box(float x, float y, float cx, float cy, float hw, float hh, float radius) {
    float qx = std::fabs(x - cx) - (hw - radius), qy = std::fabs(y - cy) - (hh - radius);
    float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::hypot(ox, oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

float sd_segment(float x, float y, float ax, float ay, float bx, float by) {
    float pax = x - ax, pay = y - ay, bax = bx - ax, bay = by - ay;
    float len2 = bax * bax + bay * bay;
    float t = len2 > 0 ? std::clamp((pax * bax + pay * bay) / len2, 0.0f, 1.0f) : 0.0f;
    return std::hypot(pax - bax * t, pay - bay * t);
}

float sd_polygon(float x, float y, const std::vector<Point>& v) {
    size_t n = v.size();
    float d = (x - v[0].x) * (x - v[0].x) + (y - v[0].y) * (y - v[0].y);
    float s = 1.0f;
    for (size_t i = 0, j = n - 1; i < n; j = i, ++i) {
        float ex = v[j].x - v[i].x, ey = v[j].y - v[i].y;
        float wx = x - v[i].x, wy = y - v[i].y;
        float t = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0f, 1.0f);
        float bx = wx - ex * t, by = wy - ey * t;
        d = std::min(d, bx * bx + by * by);
        bool c1 = y >= v[i].y, c2 = y < v[j].y, c3 = ex * wy > ey * wx;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
    }
    return s * std::sqrt(d);
}

void fill(Canvas& c, const Sdf& shape, const Shader& colour) {
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float cov = clamp01(0.5f - shape(fx, fy));
            if (cov > 0) blend_over(c.at(x, y), colour(fx, fy), cov);
        }
}

void fill(Canvas& c, const Sdf& shape, const Colour& colour) {
    fill(c, shape, [&](float, float) { return colour; });
}

void fill_wrapped(Canvas& c, const Sdf& shape, const Shader& colour) {
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            for (int oy = -1; oy <= 1; ++oy)
                for (int ox = -1; ox <= 1; ++ox) {
                    float sx = fx + ox * c.w, sy = fy + oy * c.h;
                    float cov = clamp01(0.5f - shape(sx, sy));
                    if (cov > 0) blend_over(c.at(x, y), colour(sx, sy), cov);
                }
        }
}

void fill_wrapped(Canvas& c, const Sdf& shape, const Colour& colour) {
    fill_wrapped(c, shape, [&](float, float) { return colour; });
}

void draw_figure(Canvas& c, const std::vector<Layer>& layers, float outline, const Colour& outline_colour,
                 float sdx, float sdy, float shadow_alpha) {
    auto uni = [&](float x, float y) {
        float d = 1e9f;
        for (const auto& l : layers) d = std::min(d, l.shape(x, y));
        return d;
    };
    if (shadow_alpha > 0)
        fill(c, [&](float x, float y) { return uni(x - sdx, y - sdy) - outline - 0.6f; },
             Colour{0, 0, 0, shadow_alpha});
    if (outline > 0) fill(c, [&](float x, float y) { return uni(x, y) - outline; }, outline_colour);
    for (const auto& l : layers) fill(c, l.shape, l.colour);
}

// ===========================================================================
// Noise and random numbers
// ===========================================================================

float hash2(int x, int y, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B1u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA77u;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE3Du;
    h *= 0x27D4EB2Fu;
    h ^= h >> 15;
    h *= 0x165667B1u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / 16777216.0f;
}

float value_noise(float x, float y, int period, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto lat = [&](int a, int b) {
        return hash2(((a % period) + period) % period, ((b % period) + period) % period, seed);
    };
    float a = lat(ix, iy), b = lat(ix + 1, iy), c = lat(ix, iy + 1), d = lat(ix + 1, iy + 1);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float fbm(float u, float v, int period, int octaves, uint32_t seed) {
    float sum = 0, amp = 0.5f, norm = 0;
    int p = period;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * value_noise(u * p, v * p, p, seed + static_cast<uint32_t>(i) * 101u);
        norm += amp;
        amp *= 0.5f;
        p *= 2;
    }
    return sum / norm;
}

uint32_t Rng::next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    uint32_t x = static_cast<uint32_t>(((state_ >> 18) ^ state_) >> 27);
    uint32_t rot = static_cast<uint32_t>(state_ >> 59);
    return (x >> rot) | (x << ((32 - rot) & 31));
}

float Rng::uniform() { return (next() >> 8) / 16777216.0f; }
float Rng::range(float lo, float hi) { return lo + (hi - lo) * uniform(); }
int Rng::below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<uint32_t>(n)); }

float smoothstep(float e0, float e1, float x) {
    float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

}  // namespace gen
