// VectorChecks.cpp - the reference rows, checked one by one.
#include "tests/core/VectorChecks.h"

#include <gtest/gtest.h>

#include <bit>

#include "tests/core/ArithmeticVectors.h"
#include "colormap/ColumnMapping.h"
#include "common/Extended.h"
#include "common/NumberText.h"

namespace rulv::vectors {

void CheckAllVectors() {
    for (const auto& row : kQuotients) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(StoredQuotient(row.numerator, row.denominator)), row.doubleBits)
            << row.numerator << " / " << row.denominator;
    }
    for (const auto& row : kProducts) {
        EXPECT_EQ(RoundedProduct(row.factor, row.value), row.rounded) << row.factor << " * " << row.value;
    }
    for (const auto& row : kColumns) {
        EXPECT_EQ(TColumnMapping(row.width, row.count).IndexOf(row.x), row.index)
            << "x=" << row.x << " W=" << row.width << " n=" << row.count;
    }
    for (const auto& row : kReals) {
        const TExtended value = ParseReal(row.text, '.');
        EXPECT_EQ(value.negative, row.negative) << row.text;
        EXPECT_EQ(value.significand, row.significand) << row.text;
        if (!value.IsZero()) {
            EXPECT_EQ(value.exponent, row.exponent) << row.text;
        }
    }
}

}  // namespace rulv::vectors
