// xml: a small, strict reader of the XML that Tiled writes: elements,
// attributes in single or double quotes, character data with the five named
// entities and numeric references, comments, the declaration, CDATA. A
// document type, an unclosed element or a mismatched end tag is refused.
#include <cstdint>

#include "tiled/tiled.h"

namespace tw::tiled {

const std::string* xml_element::attribute(const std::string& key) const {
    for (const auto& [k, v] : attributes)
        if (k == key) return &v;
    return nullptr;
}

const xml_element* xml_element::child(const std::string& key) const {
    for (const xml_element& c : children)
        if (c.name == key) return &c;
    return nullptr;
}

namespace {

constexpr int max_depth = 64;

struct xml_reader {
    const std::string& s;
    size_t at = 0;
    int line = 1;
    std::string why;

    bool fail(const std::string& reason) {
        if (why.empty()) why = "line " + std::to_string(line) + ": " + reason;
        return false;
    }
    bool starts(const char* p) const { return s.compare(at, std::char_traits<char>::length(p), p) == 0; }
    void advance(size_t n) {
        for (size_t i = 0; i < n && at < s.size(); ++i, ++at)
            if (s[at] == '\n') ++line;
    }
    void skip_space() {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == '\r' || s[at] == '\n')) advance(1);
    }
    static bool name_char(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == '.' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
    }
    bool read_name(std::string& out) {
        size_t b = at;
        while (at < s.size() && name_char(s[at])) ++at;
        if (at == b) return fail("a name was expected");
        out = s.substr(b, at - b);
        return true;
    }
    // Character data up to `stop`, entities resolved.
    bool read_text(char stop, std::string& out) {
        while (at < s.size() && s[at] != stop) {
            if (stop != '<' && s[at] == '<') return fail("'<' inside an attribute value");
            if (s[at] != '&') {
                out += s[at];
                advance(1);
                continue;
            }
            size_t semi = s.find(';', at);
            if (semi == std::string::npos || semi - at > 12) return fail("an unfinished entity");
            std::string e = s.substr(at + 1, semi - at - 1);
            if (e == "amp") out += '&';
            else if (e == "lt") out += '<';
            else if (e == "gt") out += '>';
            else if (e == "quot") out += '"';
            else if (e == "apos") out += '\'';
            else if (e.size() > 1 && e[0] == '#') {
                uint32_t c = 0;
                const bool hex = e[1] == 'x';
                for (size_t i = hex ? 2 : 1; i < e.size(); ++i) {
                    char d = e[i];
                    int v = d >= '0' && d <= '9' ? d - '0'
                            : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                            : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                         : -1;
                    if (v < 0 || c > 0x10FFFF) return fail("a bad character reference &" + e + ";");
                    c = c * (hex ? 16 : 10) + static_cast<uint32_t>(v);
                }
                if (c == 0 || c > 0x10FFFF) return fail("a bad character reference &" + e + ";");
                put_utf8(out, c);
            } else {
                return fail("an unknown entity &" + e + ";");
            }
            advance(semi - at + 1);
        }
        return at < s.size() || stop == '<' ? true : fail("the file ends inside a value");
    }
    // Comments, processing instructions and the declaration.
    bool skip_misc() {
        for (;;) {
            skip_space();
            if (starts("<!--")) {
                size_t e = s.find("-->", at + 4);
                if (e == std::string::npos) return fail("an unfinished comment");
                advance(e + 3 - at);
            } else if (starts("<?")) {
                size_t e = s.find("?>", at + 2);
                if (e == std::string::npos) return fail("an unfinished declaration");
                advance(e + 2 - at);
            } else if (starts("<!")) {
                return fail("document types are not read");
            } else {
                return true;
            }
        }
    }
    bool element(xml_element& el, int depth) {
        if (depth > max_depth) return fail("elements nested too deeply");
        if (at >= s.size() || s[at] != '<') return fail("an element was expected");
        advance(1);
        if (!read_name(el.name)) return false;
        for (;;) {
            skip_space();
            if (at >= s.size()) return fail("the file ends inside <" + el.name + ">");
            if (starts("/>")) {
                advance(2);
                return true;
            }
            if (s[at] == '>') {
                advance(1);
                break;
            }
            std::string key, value;
            if (!read_name(key)) return false;
            skip_space();
            if (at >= s.size() || s[at] != '=') return fail("'=' expected after " + key);
            advance(1);
            skip_space();
            if (at >= s.size() || (s[at] != '"' && s[at] != '\'')) return fail("a quoted value expected for " + key);
            const char q = s[at];
            advance(1);
            if (!read_text(q, value)) return false;
            advance(1);
            el.attributes.emplace_back(key, value);
        }
        for (;;) {
            if (at >= s.size()) return fail("the file ends inside <" + el.name + ">");
            if (starts("</")) {
                advance(2);
                std::string end;
                if (!read_name(end)) return false;
                if (end != el.name) return fail("</" + end + "> closes <" + el.name + ">");
                skip_space();
                if (at >= s.size() || s[at] != '>') return fail("'>' expected");
                advance(1);
                return true;
            }
            if (starts("<!--")) {
                size_t e = s.find("-->", at + 4);
                if (e == std::string::npos) return fail("an unfinished comment");
                advance(e + 3 - at);
            } else if (starts("<![CDATA[")) {
                size_t e = s.find("]]>", at + 9);
                if (e == std::string::npos) return fail("an unfinished CDATA section");
                el.text += s.substr(at + 9, e - at - 9);
                advance(e + 3 - at);
            } else if (s[at] == '<') {
                el.children.emplace_back();
                if (!element(el.children.back(), depth + 1)) return false;
            } else if (!read_text('<', el.text)) {
                return false;
            }
        }
    }
};

}  // namespace

bool parse_xml(const std::string& source, xml_element& root, std::string& why) {
    xml_reader r{source, 0, 1, {}};
    if (source.size() >= 3 && source.compare(0, 3, "\xEF\xBB\xBF") == 0) r.at = 3;
    bool ok = r.skip_misc() && r.element(root, 0) && r.skip_misc();
    if (ok && r.at != source.size()) ok = r.fail("text after the document's end");
    if (!ok) why = r.why.empty() ? "not XML" : r.why;
    return ok;
}

}  // namespace tw::tiled
