// XmlSubset.cpp - a small recursive-descent reader of elements and attributes.
#include "colormap/formats/XmlSubset.h"

#include "colormap/formats/MapFault.h"

namespace rulv {

namespace {

// Nesting deeper than this is refused rather than followed (a colour map
// nests three levels).
constexpr int kDeepestNesting = 64;

bool IsNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsNameCharacter(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void AppendUtf8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

class TXmlParser {
public:
    explicit TXmlParser(std::string_view text) : FText(text) {
        if (FText.substr(0, 3) == "\xEF\xBB\xBF") FAt = 3;
    }

    TXmlElement Document() {
        SkipMisc();
        if (!Next("<") || AtEnd()) Fault("an XML document starts with an element");
        TXmlElement root = Element(0);
        SkipMisc();
        if (!AtEnd()) Fault("nothing may follow the root element but comments");
        return root;
    }

private:
    [[noreturn]] void Fault(std::string reason) const { RaiseMapFaultAt(FText, FAt, std::move(reason)); }

    bool AtEnd() const { return FAt >= FText.size(); }
    bool Next(std::string_view what) const { return FText.substr(FAt, what.size()) == what; }

    void SkipSpace() {
        while (!AtEnd() && IsXmlSpace(FText[FAt])) ++FAt;
    }

    // Skips up to and past `end`; a fault when it never comes.
    void SkipPast(std::string_view end, const char* what) {
        const std::size_t found = FText.find(end, FAt);
        if (found == std::string_view::npos) Fault(std::string("unterminated ") + what);
        FAt = found + end.size();
    }

    // Space, comments, processing instructions and a DOCTYPE between elements.
    void SkipMisc() {
        for (;;) {
            SkipSpace();
            if (Next("<!--")) {
                SkipPast("-->", "comment");
            } else if (Next("<?")) {
                SkipPast("?>", "processing instruction");
            } else if (Next("<!DOCTYPE")) {
                if (FText.substr(FAt, FText.find('>', FAt) - FAt).find('[') != std::string_view::npos) {
                    Fault("a DOCTYPE with an internal subset is not read");
                }
                SkipPast(">", "DOCTYPE");
            } else {
                return;
            }
        }
    }

    std::string Name() {
        if (AtEnd() || !IsNameStart(FText[FAt])) Fault("a name is expected here");
        const std::size_t start = FAt;
        while (!AtEnd() && IsNameCharacter(FText[FAt])) ++FAt;
        return std::string(FText.substr(start, FAt - start));
    }

    // An entity or character reference after "&", appended to `out`.
    void Reference(std::string& out) {
        const std::size_t semicolon = FText.find(';', FAt);
        if (semicolon == std::string_view::npos || semicolon - FAt > 10) Fault("an & must start a reference such as &amp;");
        const std::string_view name = FText.substr(FAt + 1, semicolon - FAt - 1);
        static constexpr std::pair<std::string_view, char> kEntities[] = {
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        for (const auto& [entity, character] : kEntities) {
            if (name == entity) {
                out += character;
                FAt = semicolon + 1;
                return;
            }
        }
        if (name.size() < 2 || name.front() != '#') Fault("unknown entity &" + std::string(name) + ";");
        const bool hex = name[1] == 'x';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        unsigned long code = 0;
        for (const char c : digits) {
            int digit = -1;
            if (c >= '0' && c <= '9') digit = c - '0';
            if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            if (digit < 0) Fault("a character reference holds digits only");
            code = code * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
        }
        if (digits.empty() || code == 0 || code > 0x10FFFF) Fault("a character reference out of range");
        AppendUtf8(out, code);
        FAt = semicolon + 1;
    }

    TXmlAttribute Attribute() {
        TXmlAttribute attribute;
        attribute.Name = Name();
        SkipSpace();
        if (!Next("=")) Fault("an attribute needs = and a quoted value");
        ++FAt;
        SkipSpace();
        if (AtEnd() || (FText[FAt] != '"' && FText[FAt] != '\'')) Fault("an attribute's value stands in quotes");
        const char quote = FText[FAt++];
        attribute.Offset = FAt;
        while (!AtEnd() && FText[FAt] != quote) {
            const char c = FText[FAt];
            if (c == '<') Fault("< in an attribute value");
            if (c == '&') {
                Reference(attribute.Value);
            } else {
                attribute.Value += c;
                ++FAt;
            }
        }
        if (AtEnd()) Fault("unterminated attribute value");
        ++FAt;
        return attribute;
    }

    // An element whose "<" is at FAt.
    TXmlElement Element(int depth) {
        if (depth > kDeepestNesting) Fault("elements nested too deep");
        TXmlElement element;
        element.Offset = FAt;
        ++FAt;
        element.Name = Name();
        for (;;) {
            const std::size_t before = FAt;
            SkipSpace();
            if (Next("/>")) {
                FAt += 2;
                return element;
            }
            if (Next(">")) {
                ++FAt;
                break;
            }
            if (FAt == before) Fault("space or the end of the tag is expected here");
            TXmlAttribute attribute = Attribute();
            if (element.Attribute(attribute.Name) != nullptr) Fault("attribute " + attribute.Name + " given twice");
            element.Attributes.push_back(std::move(attribute));
        }
        Content(element, depth);
        return element;
    }

    // What stands between the start and the end tag, and the end tag.
    void Content(TXmlElement& element, int depth) {
        for (;;) {
            if (AtEnd()) Fault("element " + element.Name + " is not closed");
            if (Next("</")) {
                FAt += 2;
                const std::size_t nameAt = FAt;
                if (Name() != element.Name) {
                    FAt = nameAt;
                    Fault("the end tag does not match <" + element.Name + ">");
                }
                SkipSpace();
                if (!Next(">")) Fault("an end tag closes with >");
                ++FAt;
                return;
            }
            if (Next("<!--")) {
                SkipPast("-->", "comment");
            } else if (Next("<![CDATA[")) {
                SkipPast("]]>", "CDATA section");
            } else if (Next("<?")) {
                SkipPast("?>", "processing instruction");
            } else if (Next("<")) {
                element.Children.push_back(Element(depth + 1));
            } else if (Next("&")) {
                std::string ignored;
                Reference(ignored);
            } else {
                ++FAt;  // text does not matter here
            }
        }
    }

    std::string_view FText;
    std::size_t FAt = 0;
};

}  // namespace

const TXmlAttribute* TXmlElement::Attribute(std::string_view name) const noexcept {
    for (const TXmlAttribute& attribute : Attributes) {
        if (attribute.Name == name) return &attribute;
    }
    return nullptr;
}

TXmlElement ParseXmlSubset(std::string_view text) { return TXmlParser(text).Document(); }

std::string EscapeXmlAttribute(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace rulv
