// XmlSubset.h - the part of XML that ParaView's colour-map files use, read
// by our own small parser (see ParaViewFormat.h for why).
//
// Read: an optional XML declaration and other processing instructions,
// comments, a DOCTYPE without an internal subset, CDATA sections and text
// (both ignored), elements with attributes in single or double quotes, and
// the character references and the five predefined entities in attribute
// values. Names are compared exactly (XML is case-sensitive). The text is
// taken as UTF-8. Anything else is a fault at the byte where it starts.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rulv {

struct TXmlAttribute {
    std::string Name;
    std::string Value;
    std::size_t Offset = 0;  // of the value's first byte
};

struct TXmlElement {
    std::string Name;
    std::size_t Offset = 0;  // of its "<"
    std::vector<TXmlAttribute> Attributes;
    std::vector<TXmlElement> Children;

    // The attribute of that name, or nullptr.
    const TXmlAttribute* Attribute(std::string_view name) const noexcept;
};

// The document's root element. Raises EMapFault.
TXmlElement ParseXmlSubset(std::string_view text);

// `text` with &, <, >, " and ' as entities, for an attribute value.
std::string EscapeXmlAttribute(std::string_view text);

}  // namespace rulv
