// values: texts, interned names, numbers and the random generator.
#include "runtime/values.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <unordered_map>

#include "runtime/media_runtime.h"
#include "runtime/platform.h"

namespace tw {

// ===========================================================================
// Texts
// ===========================================================================

int text_length(const text& t) { return static_cast<int>(t.size()); }

text text_left(const text& t, int n) {
    if (n <= 0) return {};
    if (static_cast<size_t>(n) >= t.size()) return t;
    return t.substr(0, static_cast<size_t>(n));
}

text text_mid(const text& t, int start, int length) {
    if (start < 1) start = 1;
    if (length <= 0) return {};
    size_t from = static_cast<size_t>(start - 1);
    if (from >= t.size()) return {};
    return t.substr(from, static_cast<size_t>(length));
}

int text_find(const text& t, const text& needle, int start) {
    if (t.empty() || needle.empty()) return 0;
    if (start <= 0) start = 1;
    size_t from = static_cast<size_t>(start - 1);
    if (from > t.size()) from = t.size();
    size_t p = t.find(needle, from);
    return p == text::npos ? 0 : static_cast<int>(p) + 1;
}

text char_to_text(int code) { return text(1, static_cast<char>(code & 0xFF)); }

text int_to_text(int32_t v) { return std::to_string(v); }

int32_t text_to_int(const text& t) {
    size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) {
        negative = t[i] == '-';
        ++i;
    }
    uint32_t value = 0;  // unsigned arithmetic wraps in 32 bits without undefined behaviour
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
        value = value * 10u + static_cast<uint32_t>(t[i] - '0');
        ++i;
    }
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

float text_to_float(const text& t) {
    // strtod on a copy limited to the longest valid prefix; locale-independent
    // because the engine never changes the C locale.
    const char* begin = t.c_str();
    char* end = nullptr;
    double d = std::strtod(begin, &end);
    if (end == begin) return 0.0f;
    // strtod also accepts hexadecimal, "inf" and "nan"; the data format knows
    // only decimal numbers, so take the decimal prefix instead.
    size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\n' || t[i] == '\r' ||
                            t[i] == '\v' || t[i] == '\f'))
        ++i;
    size_t s = i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') { ++i; ++digits; }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') { ++i; ++digits; }
    }
    if (digits == 0) return 0.0f;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        size_t e = i + 1;
        if (e < t.size() && (t[e] == '+' || t[e] == '-')) ++e;
        if (e < t.size() && t[e] >= '0' && t[e] <= '9') {
            while (e < t.size() && t[e] >= '0' && t[e] <= '9') ++e;
            i = e;
        }
    }
    text prefix = t.substr(s, i - s);
    d = std::strtod(prefix.c_str(), nullptr);
    return static_cast<float>(d);
}

bool text_greater(const text& a, const text& b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca != cb) return ca > cb;
    }
    return a.size() > b.size();
}

text file_part(const text& path) {
    size_t cut = path.find_last_of("/\\");
    text name = cut == text::npos ? path : path.substr(cut + 1);
    if (!name.empty() && name[0] == '"') {
        name.erase(0, 1);
        size_t q = name.find('"');
        if (q != text::npos) name.resize(q);
    }
    return name;
}

// ===========================================================================
// Interned names
// ===========================================================================

namespace {
struct NameTable {
    std::vector<text> names{text()};
    std::unordered_map<text, name_id> ids{{text(), 0}};
};
NameTable& names() {
    static NameTable table;
    return table;
}
}  // namespace

name_id intern_name(const text& t) {
    NameTable& n = names();
    auto it = n.ids.find(t);
    if (it != n.ids.end()) return it->second;
    name_id id = static_cast<name_id>(n.names.size());
    n.names.push_back(t);
    n.ids.emplace(t, id);
    return id;
}

const text& name_text(name_id id) {
    NameTable& n = names();
    if (id < 0 || static_cast<size_t>(id) >= n.names.size()) return n.names[0];
    return n.names[static_cast<size_t>(id)];
}

// ===========================================================================
// Numbers
// ===========================================================================

colour rgb(int r, int g, int b) {
    return static_cast<colour>(r) + static_cast<colour>(g) * 256u + static_cast<colour>(b) * 65536u;
}

int32_t nearest(double v) {
    if (std::isnan(v)) return INT32_MIN;
    double r = std::nearbyint(v);  // default rounding mode: to nearest, halves to even
    if (r < -2147483648.0 || r > 2147483647.0) return INT32_MIN;
    return static_cast<int32_t>(r);
}

float round_float(float x, int mode) { return mode == 1 ? std::ceil(x) : std::floor(x); }

void delay(int milliseconds) {
#if defined(__EMSCRIPTEN__)
    // The browser's page runs on this thread: it must get its turn.
    platform::browser_sleep(milliseconds);
    return;
#endif
    if (milliseconds <= 0) {
        std::this_thread::yield();
        return;
    }
    // In slices, so that a long sleep does not hold up a stop request.
    for (int left = milliseconds; left > 0 && !termination_requested(); left -= platform::stop_slice_ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, platform::stop_slice_ms)));
}

// ===========================================================================
// Random generator
// ===========================================================================

namespace {
struct Generator {
    uint32_t s[34] = {};
    int i = 0;
    int j = 0;
    bool seeded = false;
};
Generator gen;

inline uint32_t rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// One step; returns a (high word) and b (low word).
inline void step(uint32_t& a, uint32_t& b) {
    a = rotl(gen.s[gen.i], 19) + gen.s[gen.j];
    b = rotl(gen.s[gen.i + 1], 27) + gen.s[gen.j + 1];
    gen.s[gen.i] = b;
    gen.s[gen.i + 1] = a;
    gen.i = gen.i == 0 ? 32 : gen.i - 2;
    gen.j = gen.j == 0 ? 32 : gen.j - 2;
}

uint32_t seed_with(uint32_t seed) {
    uint32_t x = seed;
    for (int k = 0; k < 34; ++k) {
        x = x * 0xAC564B05u + 1u;
        gen.s[k] = x;
    }
    gen.i = 0;
    gen.j = 20;
    gen.seeded = true;
    uint32_t a = 0, b = 0;
    for (int k = 0; k < 31; ++k) step(a, b);
    return b;
}

void seed_if_needed() {
    if (gen.seeded) return;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now().time_since_epoch())
                  .count();
    seed_with(platform::clock_seed(static_cast<uint32_t>(ms)));
}
}  // namespace

int32_t random(int32_t max) {
    if (max < 0) return INT32_MIN;
    seed_if_needed();
    uint32_t a = 0, b = 0;
    step(a, b);
    uint64_t m = static_cast<uint64_t>(static_cast<uint32_t>(max)) + 1u;
    uint64_t low = (static_cast<uint64_t>(b) * m) >> 32;
    uint64_t r = (static_cast<uint64_t>(a) * m + low) >> 32;
    return static_cast<int32_t>(r);
}

uint32_t random_seed(int32_t seed) { return seed_with(static_cast<uint32_t>(seed)); }

}  // namespace tw
