// CodePagePosix.cpp - code pages where there is no Windows: the terminals
// these builds write to take UTF-8.
#include "tool/CodePage.h"

namespace rulv::tool {

std::unique_ptr<TCodePage> CodePageNumbered(unsigned) { return Utf8CodePage(); }

}  // namespace rulv::tool
