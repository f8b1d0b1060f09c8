// RegionalSettingsPosix.cpp - the decimal separator of the C library's locale.
#include <clocale>
#include <cstring>

#include "common/RegionalSettings.h"

namespace rulv {

char UserDecimalSeparator() {
    const std::lconv* conventions = std::localeconv();
    if (conventions == nullptr || conventions->decimal_point == nullptr) return '.';
    const char* point = conventions->decimal_point;
    return std::strlen(point) == 1 ? point[0] : '.';
}

}  // namespace rulv
