// JsonTree.cpp - nlohmann-json's SAX parser building a tree with offsets.
//
// The parser reads through a counting iterator, so that each event knows
// how far the text has been read; a value's first byte is found from there
// (a number's end may lie one byte further, where the lexer saw it end).
#include "colormap/formats/JsonTree.h"

#include <iterator>
#include <nlohmann/json.hpp>

#include "colormap/formats/MapFault.h"

namespace rulv {

namespace {

// A const char* that counts how far it has been read.
class TCountingIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    TCountingIterator() = default;
    TCountingIterator(const char* at, const char* start, std::size_t* reach) : FAt(at), FStart(start), FReach(reach) {}

    reference operator*() const { return *FAt; }
    TCountingIterator& operator++() {
        ++FAt;
        const auto read = static_cast<std::size_t>(FAt - FStart);
        if (FReach != nullptr && read > *FReach) *FReach = read;
        return *this;
    }
    TCountingIterator operator++(int) {
        TCountingIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const TCountingIterator& other) const { return FAt == other.FAt; }

private:
    const char* FAt = nullptr;
    const char* FStart = nullptr;
    std::size_t* FReach = nullptr;
};

bool IsTokenCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '+' ||
           c == '-';
}

class TTreeBuilder {
public:
    using json = nlohmann::json;

    TTreeBuilder(std::string_view text, const std::size_t& reach) : FText(text), FReach(reach) {}

    TJsonNode Root;

    bool null() { return Add(TJsonNode{}, ScalarStart()); }
    bool boolean(bool value) {
        TJsonNode node;
        node.Kind = TJsonNode::TKind::Boolean;
        node.Boolean = value;
        return Add(std::move(node), ScalarStart());
    }
    bool number_integer(json::number_integer_t value) { return Number(static_cast<double>(value)); }
    bool number_unsigned(json::number_unsigned_t value) { return Number(static_cast<double>(value)); }
    bool number_float(json::number_float_t value, const json::string_t&) { return Number(value); }
    bool string(json::string_t& value) {
        TJsonNode node;
        node.Kind = TJsonNode::TKind::String;
        node.String = std::move(value);
        return Add(std::move(node), StringStart());
    }
    bool binary(json::binary_t&) { return true; }
    bool start_object(std::size_t) { return Open(TJsonNode::TKind::Object); }
    bool key(json::string_t& value) {
        FPendingKey = std::move(value);
        return true;
    }
    bool end_object() { return Close(); }
    bool start_array(std::size_t) { return Open(TJsonNode::TKind::Array); }
    bool end_array() { return Close(); }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& error) {
        // nlohmann's message starts with its own "[json.exception...] " tag.
        std::string reason = error.what();
        const std::size_t tag = reason.find("] ");
        if (tag != std::string::npos) reason.erase(0, tag + 2);
        RaiseMapFaultAt(FText, position > 0 ? position - 1 : 0, "JSON syntax: " + reason);
    }

private:
    bool Number(double value) {
        TJsonNode node;
        node.Kind = TJsonNode::TKind::Number;
        node.Number = value;
        return Add(std::move(node), ScalarStart());
    }

    // A number or literal ends at or just before the reach.
    std::size_t ScalarStart() const {
        std::size_t end = std::min(FReach, FText.size());
        while (end > 0 && !IsTokenCharacter(FText[end - 1])) --end;
        while (end > 0 && IsTokenCharacter(FText[end - 1])) --end;
        return end;
    }

    // A string ends at its closing quote, just before the reach.
    std::size_t StringStart() const {
        std::size_t at = std::min(FReach, FText.size());
        if (at > 0) --at;  // the closing quote
        while (at > 0) {
            --at;
            if (FText[at] != '"') continue;
            std::size_t backslashes = 0;
            while (at > backslashes && FText[at - 1 - backslashes] == '\\') ++backslashes;
            if (backslashes % 2 == 0) return at;
        }
        return 0;
    }

    bool Add(TJsonNode node, std::size_t offset) {
        node.Offset = offset;
        if (FOpen.empty()) {
            Root = std::move(node);
            return true;
        }
        TJsonNode& parent = *FOpen.back();
        if (parent.Kind == TJsonNode::TKind::Object) parent.Keys.push_back(std::move(FPendingKey));
        parent.Items.push_back(std::move(node));
        return true;
    }

    bool Open(TJsonNode::TKind kind) {
        TJsonNode node;
        node.Kind = kind;
        const std::size_t offset = FReach > 0 ? FReach - 1 : 0;
        if (FOpen.empty()) {
            Root = std::move(node);
            Root.Offset = offset;
            FOpen.push_back(&Root);
        } else {
            Add(std::move(node), offset);
            FOpen.push_back(&FOpen.back()->Items.back());
        }
        return true;
    }

    bool Close() {
        FOpen.pop_back();
        return true;
    }

    std::string_view FText;
    const std::size_t& FReach;
    std::vector<TJsonNode*> FOpen;
    std::string FPendingKey;
};

}  // namespace

const TJsonNode* TJsonNode::Find(std::string_view key) const noexcept {
    for (std::size_t i = 0; i < Keys.size() && i < Items.size(); ++i) {
        if (Keys[i] == key) return &Items[i];
    }
    return nullptr;
}

TJsonNode ParseJsonTree(std::string_view text) {
    std::size_t reach = 0;
    TTreeBuilder builder(text, reach);
    const TCountingIterator first(text.data(), text.data(), &reach);
    const TCountingIterator last(text.data() + text.size(), text.data(), nullptr);
    nlohmann::json::sax_parse(first, last, &builder);
    return std::move(builder.Root);
}

}  // namespace rulv
