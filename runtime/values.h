// values: texts, lists with a cursor, colours, rounding and the seeded random
// generator. Seeded worlds are reproducible only because these behave exactly
// the same on every machine, so nothing here may depend on the platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tw {

// ===========================================================================
// Types
// ===========================================================================

using text = std::string;   // 8-bit byte string, owned by value
using colour = uint32_t;    // red + green * 256 + blue * 65536

// ===========================================================================
// Texts (positions are 1-based)
// ===========================================================================

int text_length(const text& t);
text text_left(const text& t, int n);                    // n < 0 counts as 0
text text_mid(const text& t, int start, int length);     // start < 1 counts as 1
int text_find(const text& t, const text& needle, int start);  // 0 = not found
text char_to_text(int code);
text int_to_text(int32_t v);
int32_t text_to_int(const text& t);                      // wraps in 32 bits, never UB
float text_to_float(const text& t);
bool text_greater(const text& a, const text& b);         // unsigned byte order
text file_part(const text& path);                        // after the last / or \ .

// ===========================================================================
// Interned names: cells keep small ids instead of eight strings each.
// Id 0 is always the empty text.
// ===========================================================================

using name_id = int32_t;
name_id intern_name(const text& t);
const text& name_text(name_id id);

// ===========================================================================
// Lists: records in order with a list-owned cursor (the current element).
// list_add inserts a zeroed record directly after the current element.
// Pointers returned by these functions are valid until the next list_add,
// list_delete or list_clear on the same list.
// ===========================================================================

template <class T>
struct List {
    std::vector<T> items;
    int cursor = -1;  // index of the current element, -1 = before the first
};

template <class T>
T* list_add(List<T>& l) {
    l.items.insert(l.items.begin() + (l.cursor + 1), T{});
    l.cursor += 1;
    return &l.items[l.cursor];
}
template <class T>
void list_reset(List<T>& l) { l.cursor = -1; }
template <class T>
T* list_next(List<T>& l) {  // at the end: none, cursor stays on the last element
    if (l.cursor + 1 >= static_cast<int>(l.items.size())) return nullptr;
    l.cursor += 1;
    return &l.items[l.cursor];
}
template <class T>
T* list_current(List<T>& l) {
    if (l.cursor < 0 || l.cursor >= static_cast<int>(l.items.size())) return nullptr;
    return &l.items[l.cursor];
}
template <class T>
T* list_select(List<T>& l, int index) {  // out of range: none
    if (index < 0) { l.cursor = -1; return nullptr; }
    if (index >= static_cast<int>(l.items.size())) {
        l.cursor = static_cast<int>(l.items.size()) - 1;
        return nullptr;
    }
    l.cursor = index;
    return &l.items[index];
}
template <class T>
T* list_at(List<T>& l, int index) {  // read access by position, cursor untouched
    if (index < 0 || index >= static_cast<int>(l.items.size())) return nullptr;
    return &l.items[index];
}
template <class T>
void list_delete(List<T>& l) {
    if (l.cursor < 0 || l.cursor >= static_cast<int>(l.items.size())) return;
    l.items.erase(l.items.begin() + l.cursor);
    l.cursor -= 1;
}
template <class T>
void list_clear(List<T>& l) { l.items.clear(); l.cursor = -1; }
template <class T>
int list_size(const List<T>& l) { return static_cast<int>(l.items.size()); }
template <class T>
int list_index(const List<T>& l) { return l.cursor; }

// ===========================================================================
// Numbers
// ===========================================================================

colour rgb(int r, int g, int b);
// Float to int, round half to even. NaN and values outside int32 give
// INT32_MIN (what the reference processor's conversion gives). Every
// float-to-int conversion of the engine goes through it.
int32_t nearest(double v);
float round_float(float x, int mode);  // mode 1 ceiling, otherwise floor
void delay(int milliseconds);

// ===========================================================================
// Random generator: lagged additive generator over 17 pairs of 32-bit words.
// The first use before any seeding seeds from the millisecond tick count.
// ===========================================================================

int32_t random(int32_t max);           // 0..max; max < 0 gives INT32_MIN, no step
uint32_t random_seed(int32_t seed);    // returns the low word b of the 31st warm-up step

}  // namespace tw
