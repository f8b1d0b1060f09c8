// ColumnMapping.cpp - the column mapping shared by painting and readout.
#include "ColumnMapping.h"

#include "../common/Extended.h"

namespace rulv {

TColumnMapping::TColumnMapping(std::int32_t width, std::int32_t count) : FScale(StoredQuotient(width, count)) {}

std::int64_t TColumnMapping::IndexOf(std::int32_t x) const {
    // A box squeezed to nothing shows nothing; x / 0 would be an error.
    if (FScale == 0) return -1;
    return TruncatedQuotient(x, FScale);
}

}  // namespace rulv
