#include "glyphs.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

namespace gen {

namespace {

// ===========================================================================
// Stroke skeletons
// ===========================================================================
//
// Units: capitals span y 0 (top) .. 6 (baseline), lower case x-height from
// y 2, descenders reach y 8. Commands: "M x,y" starts a stroke, "L x,y" draws
// a line to the point, "A cx,cy,rx,ry,a0,a1" follows an elliptic arc from
// angle a0 to a1 (degrees, counter-clockwise on screen, 0 = right); ";" ends
// a stroke. A stroke of one point is a dot.

const std::map<unsigned char, const char*>& skeletons() {
    static const std::map<unsigned char, const char*> table = {
        {'A', "M0,6 L2,0 L4,6; M0.8,4 L3.2,4"},
        {'B', "M0,3 L0,0 L2.3,0 A2.3,1.5,1.5,1.5,90,-90 L0,3; M0,3 L2.5,3 A2.5,4.5,1.5,1.5,90,-90 L0,6 L0,3"},
        {'C', "A2.2,3,2.2,3,45,315"},
        {'D', "M0,0 L0,6 L1.5,6 A1.5,3,2.5,3,-90,90 L0,0"},
        {'E', "M3.5,0 L0,0 L0,6 L3.5,6; M0,3 L2.8,3"},
        {'F', "M3.5,0 L0,0 L0,6; M0,3 L2.8,3"},
        {'G', "A2.2,3,2.2,3,40,355 L4.4,3.2 L2.5,3.2"},
        {'H', "M0,0 L0,6; M4,0 L4,6; M0,3 L4,3"},
        {'I', "M1,0 L1,6; M0,0 L2,0; M0,6 L2,6"},
        {'J', "M1.5,0 L3.5,0 L3.5,4.3 A1.75,4.3,1.75,1.7,0,-180"},
        {'K', "M0,0 L0,6; M4,0 L0,3.6; M1.4,2.6 L4,6"},
        {'L', "M0,0 L0,6 L3.5,6"},
        {'M', "M0,6 L0,0 L2.5,3.6 L5,0 L5,6"},
        {'N', "M0,6 L0,0 L4,6 L4,0"},
        {'O', "A2.2,3,2.2,3,0,360"},
        {'P', "M0,6 L0,0 L2.3,0 A2.3,1.6,1.7,1.6,90,-90 L0,3.2"},
        {'Q', "A2.2,3,2.2,3,0,360; M2.7,4.5 L4.4,6.4"},
        {'R', "M0,6 L0,0 L2.3,0 A2.3,1.6,1.7,1.6,90,-90 L0,3.2; M2,3.2 L4,6"},
        {'S', "A2,1.5,1.9,1.5,25,270 A2,4.5,2,1.5,90,-155"},
        {'T', "M0,0 L4,0; M2,0 L2,6"},
        {'U', "M0,0 L0,4 A2,4,2,2,180,360 L4,0"},
        {'V', "M0,0 L2,6 L4,0"},
        {'W', "M0,0 L1.4,6 L2.8,1.8 L4.2,6 L5.6,0"},
        {'X', "M0,0 L4,6; M4,0 L0,6"},
        {'Y', "M0,0 L2,3.2 L4,0; M2,3.2 L2,6"},
        {'Z', "M0,0 L4,0 L0,6 L4,6"},

        {'a', "A1.8,4,1.8,2,0,360; M3.6,2 L3.6,6"},
        {'b', "M0,0 L0,6; A1.8,4,1.8,2,0,360"},
        {'c', "A1.8,4,1.8,2,45,315"},
        {'d', "A1.8,4,1.8,2,0,360; M3.6,0 L3.6,6"},
        {'e', "M0,4 L3.6,4 A1.8,4,1.8,2,0,320"},
        {'f', "M2.8,0.2 A1.8,1.6,1,1.4,60,180 L0.8,6; M0,2.4 L2.4,2.4"},
        {'g', "A1.8,4,1.8,2,0,360; M3.6,2 L3.6,6.5 A1.8,6.5,1.8,1.5,0,-160"},
        {'h', "M0,0 L0,6; M0,4 A1.8,3.9,1.8,1.9,180,0 L3.6,6"},
        {'i', "M0.5,2 L0.5,6; M0.5,0.5"},
        {'j', "M1.6,2 L1.6,7 A0.7,7,0.9,1,0,-160; M1.6,0.5"},
        {'k', "M0,0 L0,6; M3.2,2 L0,4.4; M1.2,3.6 L3.4,6"},
        {'l', "M0.5,0 L0.5,5.2 A1.3,5.2,0.8,0.8,180,270"},
        {'m', "M0,2 L0,6; M0,3.8 A1.4,3.6,1.4,1.6,180,0 L2.8,6; M2.8,3.8 A4.2,3.6,1.4,1.6,180,0 L5.6,6"},
        {'n', "M0,2 L0,6; M0,4 A1.8,3.9,1.8,1.9,180,0 L3.6,6"},
        {'o', "A1.8,4,1.8,2,0,360"},
        {'p', "M0,2 L0,8; A1.8,4,1.8,2,0,360"},
        {'q', "A1.8,4,1.8,2,0,360; M3.6,2 L3.6,8"},
        {'r', "M0,2 L0,6; M0,4 A1.8,3.9,1.8,1.9,180,60"},
        {'s', "A1.6,3,1.5,1,30,270 A1.6,5,1.6,1,90,-150"},
        {'t', "M1,0.6 L1,5.2 A1.9,5.2,0.9,0.8,180,300; M0,2.2 L2.4,2.2"},
        {'u', "M0,2 L0,4 A1.8,4.1,1.8,1.9,180,360 L3.6,2; M3.6,4 L3.6,6"},
        {'v', "M0,2 L1.8,6 L3.6,2"},
        {'w', "M0,2 L1.3,6 L2.7,3 L4.1,6 L5.4,2"},
        {'x', "M0,2 L3.6,6; M3.6,2 L0,6"},
        {'y', "M0,2 L1.9,5.8; M3.6,2 L1.2,8"},
        {'z', "M0,2 L3.4,2 L0,6 L3.6,6"},

        {'0', "A2,3,2,3,0,360; M2.9,1.7 L1.1,4.3"},
        {'1', "M0.8,1.2 L2.2,0 L2.2,6; M0.8,6 L3.6,6"},
        {'2', "A2,1.9,1.9,1.9,160,-35 L0,6 L4,6"},
        {'3', "A2,1.5,1.8,1.5,150,-90 A2,4.5,2,1.5,90,-150"},
        {'4', "M3,6 L3,0 L0,4.2 L4,4.2"},
        {'5', "M3.8,0 L0.4,0 L0.3,2.9 A1.9,4.1,2,1.9,140,-150"},
        {'6', "A2.6,4.1,2.6,4.1,95,180; A2,4.1,2,1.9,0,360"},
        {'7', "M0,0 L4,0 L1.4,6"},
        {'8', "A2,1.5,1.7,1.5,0,360; A2,4.4,2,1.6,0,360"},
        {'9', "A2,1.9,2,1.9,0,360; A1.4,1.9,2.6,4.1,0,-85"},

        {'.', "M0.5,5.6"},
        {'-', "M0,3.5 L2.6,3.5"},
        {'(', "A2.2,3,1.6,3.6,115,245"},
        {')', "A0,3,1.6,3.6,65,-65"},
        {':', "M0.5,2.6; M0.5,5.6"},
        {'+', "M0,3.5 L3.2,3.5; M1.6,1.9 L1.6,5.1"},
        {'!', "M0.5,0 L0.5,4; M0.5,5.7"},
        {',', "M0.8,5.5 L0.2,7"},
        {'\'', "M0.5,0 L0.5,1.6"},
        {'=', "M0,2.7 L3.2,2.7; M0,4.5 L3.2,4.5"},
        {'%', "M0,6 L4,0; A0.8,1,0.8,1,0,360; A3.2,5,0.8,1,0,360"},
    };
    return table;
}

struct Segment {
    float ax, ay, bx, by;
};

// Parses a skeleton into segments (a dot is a segment of length 0).
std::vector<Segment> parse_skeleton(const std::string& s) {
    std::vector<Segment> out;
    std::stringstream strokes(s);
    std::string stroke;
    while (std::getline(strokes, stroke, ';')) {
        std::stringstream cmds(stroke);
        std::string cmd;
        bool have = false;
        float px = 0, py = 0;
        size_t stroke_start = out.size();
        auto line_to = [&](float x, float y) {
            if (have) out.push_back({px, py, x, y});
            px = x, py = y, have = true;
        };
        while (cmds >> cmd) {
            std::vector<float> v;
            std::stringstream nums(cmd.substr(1));
            std::string n;
            while (std::getline(nums, n, ',')) v.push_back(std::strtof(n.c_str(), nullptr));
            if (cmd[0] == 'M' && v.size() == 2) {
                px = v[0], py = v[1], have = true;
            } else if (cmd[0] == 'L' && v.size() == 2) {
                line_to(v[0], v[1]);
            } else if (cmd[0] == 'A' && v.size() == 6) {
                int steps = std::max(8, static_cast<int>(std::fabs(v[5] - v[4]) / 6.0f));
                for (int i = 0; i <= steps; ++i) {
                    float a = (v[4] + (v[5] - v[4]) * i / steps) * 3.14159265f / 180.0f;
                    float x = v[0] + v[2] * std::cos(a), y = v[1] - v[3] * std::sin(a);
                    if (i == 0 && !have) px = x, py = y, have = true;
                    else line_to(x, y);
                }
            }
        }
        if (have && out.size() == stroke_start) out.push_back({px, py, px, py});
    }
    return out;
}

float margin(const FontStyle& st) { return st.stroke / 2 + st.outline + 1.5f; }
int image_height(const FontStyle& st) { return static_cast<int>(std::ceil(8 * st.unit + 2 * margin(st))); }

Canvas render_skeleton(const std::vector<Segment>& segs, const FontStyle& st) {
    float minx = 1e9f, maxx = -1e9f;
    for (const auto& s : segs) {
        minx = std::min({minx, s.ax, s.bx});
        maxx = std::max({maxx, s.ax, s.bx});
    }
    float m = margin(st);
    int w = static_cast<int>(std::ceil((maxx - minx) * st.unit + 2 * m));
    Canvas c(w, image_height(st));
    float ox = m - minx * st.unit, oy = m;
    auto dist = [&](float x, float y) {
        float d = 1e9f;
        for (const auto& s : segs)
            d = std::min(d, sd_segment(x, y, ox + s.ax * st.unit, oy + s.ay * st.unit, ox + s.bx * st.unit,
                                       oy + s.by * st.unit));
        return d - st.stroke / 2;
    };
    float cap_top = oy, base = oy + 6 * st.unit;
    Layer body{dist, [&](float, float y) {
                   Colour c = mix(st.top, st.bottom, smoothstep(cap_top, base, y));
                   return c;
               }};
    draw_figure(c, {body}, st.outline, st.edge, 1.5f, 1.5f, st.shadow);
    return c;
}

// ===========================================================================
// Icons
// ===========================================================================

Canvas icon_canvas(const FontStyle& st, int w) { return Canvas(w, image_height(st)); }

Canvas render_icon(const std::string& name, const FontStyle& st) {
    const float top = margin(st) - 1, bottom = margin(st) + 6 * st.unit + 1;  // the capitals' band
    const float mid = (top + bottom) / 2, hgt = bottom - top;
    const Colour edge = st.edge;
    if (name == "HERZ") {
        Canvas c = icon_canvas(st, 34);
        float cx = 17, r = hgt * 0.27f;
        auto heart = [=](float x, float y) {
            float a = sd_circle(x, y, cx - r * 0.95f, top + r + 1, r);
            float b = sd_circle(x, y, cx + r * 0.95f, top + r + 1, r);
            float t = sd_polygon(x, y, {{cx - r * 1.9f, top + r * 1.45f}, {cx + r * 1.9f, top + r * 1.45f},
                                        {cx, bottom}});
            return std::min({a, b, t});
        };
        draw_figure(c, {{heart, [&](float, float y) {
                             return mix(rgb(255, 110, 120), rgb(200, 20, 40), smoothstep(top, bottom, y));
                         }}},
                    st.outline, edge);
        fill(c, [&](float x, float y) { return sd_ellipse(x, y, cx - r * 1.0f, top + r * 0.9f, r * 0.45f, r * 0.3f); },
             rgb(255, 200, 205, 0.9f));
        return c;
    }
    if (name == "STERN") {
        Canvas c = icon_canvas(st, 36);
        float cx = 18, cy = mid + 1, R = hgt * 0.56f, r = R * 0.45f;
        std::vector<Point> pts;
        for (int i = 0; i < 10; ++i) {
            float a = (-90.0f + i * 36.0f) * 3.14159265f / 180.0f;
            float rr = (i % 2 == 0) ? R : r;
            pts.push_back({cx + rr * std::cos(a), cy + rr * std::sin(a)});
        }
        draw_figure(c, {{[=](float x, float y) { return sd_polygon(x, y, pts); },
                         [&](float, float y) {
                             return mix(rgb(255, 248, 170), rgb(250, 170, 20), smoothstep(cy - R, cy + R, y));
                         }}},
                    st.outline, edge);
        return c;
    }
    if (name == "LIFE") {
        Canvas c = icon_canvas(st, 30);
        float cx = 15;
        Layer body{[=](float x, float y) { return sd_box(x, y, cx, bottom - hgt * 0.25f, hgt * 0.3f, hgt * 0.25f, 5); },
                   [&](float, float) { return rgb(70, 190, 90); }};
        Layer head{[=](float x, float y) { return sd_circle(x, y, cx, top + hgt * 0.27f, hgt * 0.24f); },
                   [&](float, float) { return rgb(250, 210, 170); }};
        draw_figure(c, {body, head}, st.outline, edge);
        fill(c, [=](float x, float y) { return sd_circle(x, y, cx - 2.5f, top + hgt * 0.27f, 1.2f); }, edge);
        fill(c, [=](float x, float y) { return sd_circle(x, y, cx + 2.5f, top + hgt * 0.27f, 1.2f); }, edge);
        return c;
    }
    if (name == "FUEL") {
        Canvas c = icon_canvas(st, 32);
        Layer can{[=](float x, float y) { return sd_box(x, y, 15, mid + 2, 9, hgt * 0.42f, 3); },
                  [&](float x, float) { return mix(rgb(240, 70, 50), rgb(180, 30, 30), smoothstep(6, 24, x)); }};
        Layer spout{[=](float x, float y) { return sd_segment(x, y, 21, top + 3, 26, top - 1) - 2.2f; },
                    [&](float, float) { return rgb(200, 200, 190); }};
        Layer handle{[=](float x, float y) { return sd_box(x, y, 12, top + 2, 5, 2.5f, 1.5f); },
                     [&](float, float) { return rgb(180, 30, 30); }};
        draw_figure(c, {spout, handle, can}, st.outline, edge);
        fill(c, [=](float x, float y) {
            return std::min(sd_segment(x, y, 10, mid - 3, 20, mid + 7), sd_segment(x, y, 20, mid - 3, 10, mid + 7)) - 1.2f;
        }, rgb(120, 20, 20));
        return c;
    }
    if (name == "FLOPPY" || name == "FLOPPYB") {
        bool b = name == "FLOPPYB";
        Canvas c = icon_canvas(st, 32);
        float cx = 16, half = hgt * 0.48f;
        Colour body = b ? rgb(230, 90, 40) : rgb(50, 110, 220);
        std::vector<Point> outline_pts{{cx - half, mid - half}, {cx + half - 4, mid - half}, {cx + half, mid - half + 4},
                                       {cx + half, mid + half}, {cx - half, mid + half}};
        draw_figure(c, {{[=](float x, float y) { return sd_polygon(x, y, outline_pts) - 1; },
                         [=](float, float) { return body; }}},
                    st.outline, edge);
        fill(c, [=](float x, float y) { return sd_box(x, y, cx, mid - half + 5, half * 0.5f, 4.5f, 1); },
             rgb(205, 210, 215));
        fill(c, [=](float x, float y) { return sd_box(x, y, cx + 2, mid - half + 5, 1.5f, 3, 0); }, shade(body, 0.6f));
        fill(c, [=](float x, float y) { return sd_box(x, y, cx, mid + half * 0.45f, half * 0.7f, half * 0.45f, 1.5f); },
             rgb(240, 236, 220));
        fill(c, [=](float x, float y) { return sd_box(x, y, cx, mid + half * 0.35f, half * 0.5f, 0.6f, 0); },
             rgb(150, 150, 160));
        fill(c, [=](float x, float y) { return sd_box(x, y, cx, mid + half * 0.65f, half * 0.5f, 0.6f, 0); },
             rgb(150, 150, 160));
        return c;
    }
    if (name == "IDCARD") {
        Canvas c = icon_canvas(st, 38);
        float cx = 19, hw = 15, hh = hgt * 0.36f;
        draw_figure(c, {{[=](float x, float y) { return sd_box(x, y, cx, mid, hw, hh, 3); },
                         [&](float, float y) { return mix(rgb(200, 230, 250), rgb(140, 190, 235), smoothstep(mid - hh, mid + hh, y)); }}},
                    st.outline, edge);
        fill(c, [=](float x, float y) { return sd_box(x, y, cx - hw + 7, mid + 1, 4.5f, 5.5f, 1); }, rgb(90, 110, 150));
        fill(c, [=](float x, float y) { return sd_circle(x, y, cx - hw + 7, mid - 1, 2.4f); }, rgb(250, 215, 180));
        for (int i = 0; i < 3; ++i)
            fill(c, [=](float x, float y) { return sd_box(x, y, cx + 5, mid - 4 + i * 4.0f, 7.5f - i * 1.5f, 0.9f, 0.5f); },
                 rgb(60, 80, 120));
        fill(c, [=](float x, float y) { return sd_box(x, y, cx, mid - hh + 2, hw - 1, 1.6f, 1); }, rgb(220, 70, 60));
        return c;
    }
    if (name == "GUIBACK") {
        Canvas c = icon_canvas(st, 40);
        float cx = 20, hw = 17, hh = hgt * 0.5f + 2;
        fill(c, [=](float x, float y) { return sd_box(x, y, cx, mid, hw + st.outline, hh + st.outline, 6); },
             rgb(250, 200, 80));
        fill(c, [=](float x, float y) { return sd_box(x, y, cx, mid, hw, hh, 5); },
             [&](float, float y) { return mix(rgb(40, 56, 96, 0.92f), rgb(18, 24, 48, 0.92f), smoothstep(mid - hh, mid + hh, y)); });
        fill(c, [=](float x, float y) { return sd_box(x, y, cx, mid - hh + 4, hw - 4, 1.2f, 1); }, rgb(120, 150, 210, 0.6f));
        return c;
    }
    return Canvas(8, image_height(st));
}

const char* icon_of(unsigned char code) {
    switch (code) {
    case '[': return "FLOPPY";
    case ']': return "FLOPPYB";
    case '"': return "FUEL";
    case '*': return "STERN";
    case '&': return "GUIBACK";
    case '@': return "LIFE";
    case 0xF6: case 0xD6: return "IDCARD";
    case 0xC4: case 0xE4: return "HERZ";
    default: return nullptr;
    }
}

}  // namespace

// ===========================================================================
// The font
// ===========================================================================

std::string font_line() {
    std::string s;
    for (char c = 'A'; c <= 'Z'; ++c) s += c;
    for (char c = 'a'; c <= 'z'; ++c) s += c;
    for (char c = '0'; c <= '9'; ++c) s += c;
    s += ".-():+!,'=%";
    s += "[]\"*&@";
    s += "\xD6\xF6\xC4\xE4";  // Ö ö Ä ä: the ID card and heart icons
    return s;
}

std::vector<FontImage> font_images() {
    std::vector<FontImage> out;
    for (unsigned char c : font_line()) {
        std::string name;
        switch (c) {
        case '.': name = "POINT"; break;
        case '-': name = "MINUS"; break;
        case '(': name = "LEFT"; break;
        case ')': name = "RIGHT"; break;
        case ':': name = "POINTPOINT"; break;
        case '+': name = "PLUS"; break;
        default:
            if (const char* icon = icon_of(c)) name = icon;
            else if (c >= 'a' && c <= 'z') name = std::string("_") + static_cast<char>(c);
            else name = std::string(1, static_cast<char>(c));
        }
        out.push_back({c, name});
    }
    return out;
}

Canvas render_font_image(unsigned char code, const FontStyle& style) {
    if (const char* icon = icon_of(code)) return render_icon(icon, style);
    auto it = skeletons().find(code);
    if (it == skeletons().end()) return Canvas(4, image_height(style));
    return render_skeleton(parse_skeleton(it->second), style);
}

float text_width(const std::string& text, const FontStyle& style, float spacing) {
    float w = 0;
    float space = static_cast<float>(render_font_image('I', style).w);
    for (unsigned char ch : text) {
        if (ch == ' ') w += space;
        else w += render_font_image(ch, style).w * spacing;
    }
    return w;
}

float draw_text(Canvas& c, const std::string& text, float x, float y, const FontStyle& style, float spacing) {
    float pen = 0;
    float space = static_cast<float>(render_font_image('I', style).w);
    for (unsigned char ch : text) {
        if (ch == ' ') {
            pen += space;
            continue;
        }
        Canvas g = render_font_image(ch, style);
        draw_canvas(c, g, static_cast<int>(std::lround(x + pen)), static_cast<int>(std::lround(y)));
        pen += g.w * spacing;
    }
    return pen;
}

}  // namespace gen
