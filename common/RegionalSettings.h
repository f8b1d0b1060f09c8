// RegionalSettings.h - the user's regional settings that the reader needs.
#pragma once

namespace rulv {

// The user's decimal separator as one byte of the file's code page: on
// Windows the user locale's decimal symbol, elsewhere the C library's
// current locale. A full stop when the settings give none, or give one
// that is not a single byte.
char UserDecimalSeparator();

}  // namespace rulv
