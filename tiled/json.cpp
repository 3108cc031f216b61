// json: a strict reader of JSON (RFC 8259) for Tiled's .tmj / .tsj files.
// Numbers keep the text they were written with, so a property reads back as
// it was saved.
#include <cstdlib>

#include "tiled/tiled.h"

namespace tw::tiled {

const json_value* json_value::member(const std::string& key) const {
    if (type != kind::object) return nullptr;
    for (const auto& [k, v] : members)
        if (k == key) return &v;
    return nullptr;
}

std::string json_value::as_text() const {
    switch (type) {
        case kind::string:
        case kind::number: return string;
        case kind::boolean: return boolean ? "true" : "false";
        default: return "";
    }
}

namespace {

constexpr int max_depth = 64;

struct json_reader {
    const std::string& s;
    size_t at = 0;
    std::string why;

    bool fail(const std::string& reason) {
        if (why.empty()) {
            int line = 1;
            for (size_t i = 0; i < at && i < s.size(); ++i) line += s[i] == '\n';
            why = "line " + std::to_string(line) + ": " + reason;
        }
        return false;
    }
    void skip_space() {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == '\r' || s[at] == '\n')) ++at;
    }
    bool literal(const char* word) {
        const size_t n = std::char_traits<char>::length(word);
        if (s.compare(at, n, word) != 0) return fail("an unknown word");
        at += n;
        return true;
    }
    bool hex4(uint32_t& c) {
        if (at + 4 > s.size()) return fail("a cut \\u escape");
        c = 0;
        for (int i = 0; i < 4; ++i) {
            char d = s[at++];
            int v = d >= '0' && d <= '9' ? d - '0' : d >= 'a' && d <= 'f' ? d - 'a' + 10 : d >= 'A' && d <= 'F' ? d - 'A' + 10 : -1;
            if (v < 0) return fail("a bad \\u escape");
            c = c * 16 + static_cast<uint32_t>(v);
        }
        return true;
    }
    bool string(std::string& out) {
        ++at;  // the opening quote
        for (;;) {
            if (at >= s.size()) return fail("the file ends inside a string");
            char c = s[at++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return fail("a control character inside a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at >= s.size()) return fail("the file ends inside a string");
            char e = s[at++];
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    uint32_t cp = 0;
                    if (!hex4(cp)) return false;
                    if (cp >= 0xD800 && cp < 0xDC00 && s.compare(at, 2, "\\u") == 0) {
                        at += 2;
                        uint32_t lo = 0;
                        if (!hex4(lo)) return false;
                        if (lo < 0xDC00 || lo > 0xDFFF) return fail("a bad surrogate pair");
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                    }
                    put_utf8(out, cp);
                    break;
                }
                default: return fail("a bad escape");
            }
        }
    }
    bool number(json_value& v) {
        size_t b = at;
        if (at < s.size() && s[at] == '-') ++at;
        size_t digits = at;
        while (at < s.size() && s[at] >= '0' && s[at] <= '9') ++at;
        if (at == digits) return fail("a bad number");
        if (at < s.size() && s[at] == '.') {
            ++at;
            size_t f = at;
            while (at < s.size() && s[at] >= '0' && s[at] <= '9') ++at;
            if (at == f) return fail("a bad number");
        }
        if (at < s.size() && (s[at] == 'e' || s[at] == 'E')) {
            ++at;
            if (at < s.size() && (s[at] == '+' || s[at] == '-')) ++at;
            size_t f = at;
            while (at < s.size() && s[at] >= '0' && s[at] <= '9') ++at;
            if (at == f) return fail("a bad number");
        }
        v.type = json_value::kind::number;
        v.string = s.substr(b, at - b);
        v.number = std::strtod(v.string.c_str(), nullptr);
        return true;
    }
    bool value(json_value& v, int depth) {
        if (depth > max_depth) return fail("values nested too deeply");
        skip_space();
        if (at >= s.size()) return fail("the file ends where a value was expected");
        char c = s[at];
        if (c == '{') {
            v.type = json_value::kind::object;
            ++at;
            skip_space();
            if (at < s.size() && s[at] == '}') return ++at, true;
            for (;;) {
                skip_space();
                if (at >= s.size() || s[at] != '"') return fail("a member name was expected");
                std::string key;
                if (!string(key)) return false;
                skip_space();
                if (at >= s.size() || s[at] != ':') return fail("':' expected");
                ++at;
                v.members.emplace_back(key, json_value{});
                if (!value(v.members.back().second, depth + 1)) return false;
                skip_space();
                if (at < s.size() && s[at] == ',') { ++at; continue; }
                if (at < s.size() && s[at] == '}') return ++at, true;
                return fail("',' or '}' expected");
            }
        }
        if (c == '[') {
            v.type = json_value::kind::array;
            ++at;
            skip_space();
            if (at < s.size() && s[at] == ']') return ++at, true;
            for (;;) {
                v.items.emplace_back();
                if (!value(v.items.back(), depth + 1)) return false;
                skip_space();
                if (at < s.size() && s[at] == ',') { ++at; continue; }
                if (at < s.size() && s[at] == ']') return ++at, true;
                return fail("',' or ']' expected");
            }
        }
        if (c == '"') {
            v.type = json_value::kind::string;
            return string(v.string);
        }
        if (c == 't') { v.type = json_value::kind::boolean; v.boolean = true; return literal("true"); }
        if (c == 'f') { v.type = json_value::kind::boolean; return literal("false"); }
        if (c == 'n') return literal("null");
        return number(v);
    }
};

}  // namespace

bool parse_json(const std::string& source, json_value& root, std::string& why) {
    json_reader r{source, 0, {}};
    if (source.size() >= 3 && source.compare(0, 3, "\xEF\xBB\xBF") == 0) r.at = 3;
    bool ok = r.value(root, 0);
    if (ok) {
        r.skip_space();
        if (r.at != source.size()) ok = r.fail("text after the value's end");
    }
    if (!ok) why = r.why;
    return ok;
}

}  // namespace tw::tiled
