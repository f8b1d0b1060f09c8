// ArithmeticVectors.h - reference results of the 64-bit-significand steps.
//
// Each row was taken from an x87 FPU at its full 64-bit precision. The same
// rows run in the native build and in the Windows build, and once more
// with the x87 precision control switched to 53 bits (PrecisionControlTest),
// so any dependence on the compiler, the CPU or the FPU state shows here.
#pragma once

#include <cstdint>

namespace rulv::vectors {

// numerator / denominator with a 64-bit significand, stored as a double.
struct TQuotientRow {
    std::int64_t numerator;
    std::int64_t denominator;
    std::uint64_t doubleBits;
};
inline constexpr TQuotientRow kQuotients[] = {
    {255LL, 10LL, 0x4039800000000000ULL},  // 25.5
    {1LL, 10LL, 0x3fb999999999999aULL},  // 0.10000000000000001
    {-255LL, 4LL, 0xc04fe00000000000ULL},  // -63.75
    {255LL, 2LL, 0x405fe00000000000ULL},  // 127.5
    {1LL, 3LL, 0x3fd5555555555555ULL},  // 0.33333333333333331
    {2LL, 3LL, 0x3fe5555555555555ULL},  // 0.66666666666666663
    {20LL, 6LL, 0x400aaaaaaaaaaaabULL},  // 3.3333333333333335
    {2LL, 10LL, 0x3fc999999999999aULL},  // 0.20000000000000001
    {-1LL, 3LL, 0xbfd5555555555555ULL},  // -0.33333333333333331
    {255LL, 7LL, 0x404236db6db6db6eULL},  // 36.428571428571431
    {100LL, 3LL, 0x4040aaaaaaaaaaabULL},  // 33.333333333333336
    {427LL, 1000000LL, 0x3f3bfbdf090f733bULL},  // 0.00042700000000000002
    {3840LL, 256LL, 0x402e000000000000ULL},  // 15
    {3840LL, 1000000LL, 0x3f6f75104d551d69ULL},  // 0.0038400000000000001
    {1LL, 2147483647LL, 0x3e00000000200000ULL},  // 4.6566128752457969e-10
    {255LL, 2147483647LL, 0x3e7fe000003fc000ULL},  // 1.1874362831876782e-07
    {2147483647LL, 3LL, 0x41c55555552aaaabULL},  // 715827882.33333337
    {-128LL, 6LL, 0xc035555555555555ULL},  // -21.333333333333332
    {1LL, -3LL, 0xbfd5555555555555ULL},  // -0.33333333333333331
    {7LL, 1LL, 0x401c000000000000ULL},  // 7
    {0LL, 5LL, 0x0000000000000000ULL},  // 0
    {-255LL, 2147483647LL, 0xbe7fe000003fc000ULL},  // -1.1874362831876782e-07
    {9007199254740993LL, 3LL, 0x4325555555555556ULL},  // 3002399751580331
    {(-9223372036854775807LL - 1), 7LL, 0xc3b2492492492492ULL},  // -1.3176245766935393e+18
    {3LL, 9223372036854775807LL, 0x3c18000000000000ULL},  // 3.2526065174565133e-19
};

// factor * value with a 64-bit significand, rounded to an integer, ties to even.
struct TProductRow {
    std::int64_t factor;
    double value;
    std::int64_t rounded;
};
inline constexpr TProductRow kProducts[] = {
    {5LL, 0x1.999999999999ap-4, 1LL},
    {1LL, 0x1p-1, 0LL},
    {3LL, 0x1p-1, 2LL},
    {5LL, 0x1p-1, 2LL},
    {2LL, 0x1p-1, 1LL},
    {7LL, 0x1.6666666666666p-1, 5LL},
    {10LL, 0x1.999999999999ap-5, 1LL},
    {3LL, 0x1.5555555555555p-2, 1LL},
    {1000000LL, 0x1.999999999999ap-4, 100000LL},
    {2147483646LL, 0x1.fe000003fcp-24, 255LL},
    {9LL, 0x1.98p+4, 230LL},
    {123456789LL, -0x1.3333333333333p-2, -37037037LL},
    {-5LL, 0x1.999999999999ap-4, -1LL},
    {2147483647LL, 0x1.dcd65p+29, 2147483647000000000LL},
    {1LL, 0x1.fffffffffffffp+62, 9223372036854774784LL},
    {-1LL, 0x1p+63, (-9223372036854775807LL - 1)},
    {3LL, 0x1.4p+1, 8LL},
    {1LL, -0x1p-1, 0LL},
    {1LL, -0x1.8p+0, -2LL},
    {99LL, 0x1.4afd6a052bf5bp-7, 1LL},
};

// Column x of a strip W wide showing n colours: trunc(x / stored(W / n)).
struct TColumnRow {
    std::int32_t x;
    std::int32_t width;
    std::int32_t count;
    std::int64_t index;
};
inline constexpr TColumnRow kColumns[] = {
    {10, 20, 6, 2LL},
    {1, 2, 10, 4LL},
    {0, 20, 6, 0LL},
    {19, 20, 6, 5LL},
    {20, 20, 6, 5LL},
    {-1, 20, 6, 0LL},
    {-4, 20, 6, -1LL},
    {426, 427, 256, 255LL},
    {3, 7, 3, 1LL},
    {4, 7, 3, 1LL},
    {3839, 3840, 1000000, 999739LL},
    {1919, 3840, 1000000, 499739LL},
    {100, 427, 1000, 234LL},
    {-2147483647, 1, 3, -6442450941LL},
};

// Real number text with a full stop as separator, as a 64-bit significand.
struct TRealRow {
    const char* text;
    bool negative;
    std::uint64_t significand;
    std::int32_t exponent;
};
inline constexpr TRealRow kReals[] = {
    {"0.1", false, 0xcccccccccccccccdULL, -67},
    {"2.5E1", false, 0xc800000000000000ULL, -59},
    {".", false, 0x0000000000000000ULL, 0},
    {"-.", true, 0x0000000000000000ULL, 0},
    {"1E", false, 0x8000000000000000ULL, -63},
    {"0.5", false, 0x8000000000000000ULL, -64},
    {"-1.5", true, 0xc000000000000000ULL, -63},
    {"3.14159265358979323846", false, 0xc90fdaa22168c235ULL, -62},
    {"1e-5", false, 0xa7c5ac471b478423ULL, -80},
    {"123456789012345678901234567890", false, 0xc77487fb61b9f077ULL, 33},
    {"0.000000000000000000000000000001", false, 0xa2425ff75e14fc32ULL, -163},
    {"1.7976931348623157e308", false, 0xfffffffffffff7acULL, 960},
    {"2.2250738585072014e-308", false, 0x8000000000000046ULL, -1085},
    {"4.9e-324", false, 0xfde4b4fb194fced9ULL, -1138},
    {"1e-330", false, 0xd953e8624b85dd79ULL, -1160},
    {"-0", true, 0x0000000000000000ULL, 0},
    {"7.0E-10", false, 0xc06a1ef4e6301b07ULL, -94},
    {"0.3333333333333333333333", false, 0xaaaaaaaaaaaaaaabULL, -65},
    {"18446744073709551615", false, 0xffffffffffffffffULL, 0},
    {"18446744073709551617", false, 0x8000000000000000ULL, 1},
    {"1.00000000000000000005", false, 0x8000000000000000ULL, -63},
    {"9.999999999999999999999e99", false, 0x924d692ca61be758ULL, 269},
};

}  // namespace rulv::vectors
