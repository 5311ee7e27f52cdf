// A report's XML read without an XML library (Debian has none for mingw): its element tree, or
// why it is not well-formed. Enough of XML for the reports a tool writes: the declaration,
// processing instructions, comments, elements, attributes, text, CDATA and character references;
// a document type declaration is refused.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_support {

struct XmlElement {
    std::string name;
    std::map<std::string, std::string> attributes;  // values with references replaced
    std::vector<XmlElement> children;
    std::string text;  // every piece of character data directly inside, joined

    std::vector<const XmlElement*> childrenNamed(const std::string& wanted) const {
        std::vector<const XmlElement*> found;
        for (const XmlElement& child : children)
            if (child.name == wanted) found.push_back(&child);
        return found;
    }
};

class XmlOutline {
public:
    // The root element of `document`; std::runtime_error with the byte offset and the reason when
    // the document is not well-formed.
    static XmlElement parse(const std::string& document) { return XmlOutline(document).documentRoot(); }

private:
    explicit XmlOutline(const std::string& document) : text(document) {}

    [[noreturn]] void fail(const std::string& why) const {
        throw std::runtime_error("not well-formed at byte " + std::to_string(at) + ": " + why);
    }
    bool ahead(const char* literal) const { return text.compare(at, std::char_traits<char>::length(literal), literal) == 0; }
    void expect(const char* literal) {
        if (!ahead(literal)) fail(std::string("expected \"") + literal + "\"");
        at += std::char_traits<char>::length(literal);
    }
    static bool space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    bool skipSpace() {
        const size_t start = at;
        while (at < text.size() && space(text[at])) ++at;
        return at > start;
    }
    static bool nameChar(unsigned char c, bool first) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80 ||
               (!first && ((c >= '0' && c <= '9') || c == '-' || c == '.'));
    }
    std::string name() {
        const size_t start = at;
        while (at < text.size() && nameChar(static_cast<unsigned char>(text[at]), at == start)) ++at;
        if (at == start) fail("expected a name");
        return text.substr(start, at - start);
    }
    // Everything up to `end`, which is skipped.
    std::string until(const char* end, const char* what) {
        const size_t found = text.find(end, at);
        if (found == std::string::npos) fail(std::string("unterminated ") + what);
        std::string inside = text.substr(at, found - at);
        at = found + std::char_traits<char>::length(end);
        return inside;
    }

    static bool allowedCodePoint(uint32_t c) {
        return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
               (c >= 0x10000 && c <= 0x10FFFF);
    }
    static void appendUtf8(std::string& out, uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    // Every byte sequence is UTF-8 of a character XML allows.
    void checkCharacters() {
        for (at = 0; at < text.size();) {
            const auto lead = static_cast<unsigned char>(text[at]);
            const size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                                 : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
            if (length == 0 || at + length > text.size()) fail("not UTF-8");
            uint32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
            for (size_t k = 1; k < length; ++k) {
                const auto next = static_cast<unsigned char>(text[at + k]);
                if ((next & 0xC0) != 0x80) fail("not UTF-8");
                c = (c << 6) | (next & 0x3F);
            }
            const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
            if (c < least[length]) fail("an overlong UTF-8 sequence");
            if (!allowedCodePoint(c)) fail("a character XML does not allow");
            at += length;
        }
        at = 0;
    }

    // A reference after '&', appended to `out` as the character it names.
    void reference(std::string& out) {
        static const std::map<std::string, char> named = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"apos", '\''}, {"quot", '"'}};
        const std::string body = until(";", "reference");
        if (body.size() > 1 && body[0] == '#') {
            const bool hex = body[1] == 'x';
            const std::string digits = body.substr(hex ? 2 : 1);
            if (digits.empty() || digits.size() > 8 ||
                digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
                fail("a bad character reference &" + body + ";");
            const uint32_t c = static_cast<uint32_t>(std::stoul(digits, nullptr, hex ? 16 : 10));
            if (!allowedCodePoint(c)) fail("a reference to a character XML does not allow");
            appendUtf8(out, c);
        } else if (named.count(body)) {
            out += named.at(body);
        } else {
            fail("an unknown entity &" + body + ";");
        }
    }

    // Comments, processing instructions and space between the declaration, root and end.
    void misc() {
        for (;;) {
            skipSpace();
            if (ahead("<!--")) {
                at += 4;
                if (until("-->", "comment").find("--") != std::string::npos) fail("\"--\" inside a comment");
            } else if (ahead("<?")) {
                at += 2;
                until("?>", "processing instruction");
            } else {
                return;
            }
        }
    }

    XmlElement documentRoot() {
        checkCharacters();
        if (ahead("<?xml")) {
            at += 5;
            until("?>", "XML declaration");
        }
        misc();
        if (ahead("<!DOCTYPE")) fail("a document type declaration");
        if (!ahead("<")) fail("no root element");
        XmlElement root = element();
        misc();
        if (at != text.size()) fail("content after the root element");
        return root;
    }

    XmlElement element() {
        expect("<");
        XmlElement node;
        node.name = name();
        for (;;) {
            const bool spaced = skipSpace();
            if (ahead("/>")) {
                at += 2;
                return node;
            }
            if (ahead(">")) break;
            if (!spaced) fail("attributes must be separated by space");
            const std::string attribute = name();
            skipSpace();
            expect("=");
            skipSpace();
            if (at >= text.size() || (text[at] != '"' && text[at] != '\'')) fail("an unquoted attribute value");
            const char quote = text[at++];
            std::string value;
            while (at < text.size() && text[at] != quote) {
                const char c = text[at++];
                if (c == '<') fail("'<' in an attribute value");
                if (c == '&') reference(value);
                else value += c;
            }
            expect(quote == '"' ? "\"" : "'");
            if (!node.attributes.emplace(attribute, value).second) fail("attribute " + attribute + " twice");
        }
        expect(">");
        for (;;) {
            if (at >= text.size()) fail("element <" + node.name + "> is not closed");
            if (ahead("</")) {
                at += 2;
                if (name() != node.name) fail("the end tag does not match <" + node.name + ">");
                skipSpace();
                expect(">");
                return node;
            }
            if (ahead("<!--")) {
                at += 4;
                if (until("-->", "comment").find("--") != std::string::npos) fail("\"--\" inside a comment");
            } else if (ahead("<![CDATA[")) {
                at += 9;
                node.text += until("]]>", "CDATA section");
            } else if (ahead("<?")) {
                at += 2;
                until("?>", "processing instruction");
            } else if (ahead("<")) {
                node.children.push_back(element());
            } else if (ahead("]]>")) {
                fail("\"]]>\" in text");
            } else if (text[at] == '&') {
                ++at;
                reference(node.text);
            } else {
                node.text += text[at++];
            }
        }
    }

    const std::string& text;
    size_t at = 0;
};

}  // namespace testing_support
