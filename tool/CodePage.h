// CodePage.h - how the bytes of a faulty line are shown on a console.
//
// A colour-map file is bytes; its comments and free text are in whatever
// code page its author used (code page 932 on a Japanese Windows). A fault
// report shows the faulty line as it is wherever the bytes are text in the
// code page of the console that shows them, and every other byte as <XX>,
// so that nothing in the file can upset the terminal. Control characters
// are shown as <XX> too, a tab as one blank.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace rulv::tool {

// One character of a line as it is shown.
struct TShownCharacter {
    std::size_t Bytes = 1;  // the bytes of the line it stands for
    std::string Text;       // what is shown, in UTF-8
    int Width = 1;          // the console columns it fills
};

// A code page in which the bytes of a line may be text.
class TCodePage {
public:
    virtual ~TCodePage() = default;
    // The character at the start of `bytes` (never empty), or false when
    // the first byte starts no character of this code page.
    virtual bool Character(std::string_view bytes, TShownCharacter& shown) const = 0;
};

// UTF-8. Wide East Asian characters fill two columns.
std::unique_ptr<TCodePage> Utf8CodePage();

// The code page by its Windows number: UTF-8 for 65001 (and everywhere but
// on Windows), the system's own conversion for the others. For a
// double-byte code page such as 932 a character fills as many columns as
// it has bytes, as on the console of that code page.
std::unique_ptr<TCodePage> CodePageNumbered(unsigned number);

inline constexpr unsigned kUtf8CodePage = 65001;

// The line's character at the start of `bytes`: control characters and
// bytes that are no text of `codePage` as <XX>, a tab as one blank.
TShownCharacter ShowCharacter(std::string_view bytes, const TCodePage& codePage);

}  // namespace rulv::tool
