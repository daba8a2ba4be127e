#include "base/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace rennik {
namespace {

using namespace numbers;

TEST(Numbers, LeadingNumberReadsLeniently) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"12abc", 12},     {" 2.5", 2.5},  {"abc", 0},   {"1 2 3", 123}, {"-3.5x", -3.5},
        {".5", 0.5},       {"1e3", 1000},  {"1e", 1},    {"", 0},        {"+7", 7},
        {"1,234", 1},      {"- 4", -4},    {"5.", 5},    {"-", 0},       {".", 0},
        {"1.5E-1x", 0.15}, {"2 e 2", 200}, {"\t8\n", 8}, {"1e+", 1},     {"0012", 12},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(leadingNumber(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(Numbers, LeadingNumberBeyondDoubleRange) {
    EXPECT_DOUBLE_EQ(leadingNumber("99999999999999999999"), 1e20);
    EXPECT_FALSE(toInt32(leadingNumber("99999999999999999999")));
    EXPECT_EQ(leadingNumber(std::string(400, '9')), HUGE_VAL);
    EXPECT_EQ(leadingNumber("-1e999"), -HUGE_VAL);
    EXPECT_EQ(leadingNumber("1" + std::string(400, '0') + "e-10"), HUGE_VAL);
    // Too small to hold: nearly zero, not infinite.
    EXPECT_EQ(leadingNumber("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(leadingNumber("1e-999"), 0.0);
    EXPECT_EQ(leadingNumber("1e99999999999999999999999"), HUGE_VAL);
}

TEST(Numbers, IsNumericIsStrict) {
    for (const char* yes : {"1,234.5", " -3 ", "3-", "+4", "0", ".5", "5.", "1e3", "12,345,678"}) {
        EXPECT_TRUE(isNumeric(yes)) << '"' << yes << '"';
    }
    for (const char* no :
         {"", " ", "12a", "1.2.3", ",1", "1,,2", "1,", "-", "+-3", "-3-", "1e", "1,2.3,4", "1e999", "abc"}) {
        EXPECT_FALSE(isNumeric(no)) << '"' << no << '"';
    }
    EXPECT_EQ(numericValue("1,234.5"), 1234.5);
    EXPECT_EQ(numericValue("3-"), -3.0);
    EXPECT_EQ(numericValue(" 1,000 "), 1000.0);
    EXPECT_EQ(numericValue("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(Numbers, RoundingAndCheckedConversion) {
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.6), 3);

    EXPECT_EQ(toInt16(32767.4), std::int16_t{32767});
    EXPECT_FALSE(toInt16(32767.5));  // rounds to 32768
    EXPECT_EQ(toInt16(-32768.5), std::int16_t{-32768});
    EXPECT_FALSE(toInt16(-32769));
    EXPECT_EQ(toInt16(2.5), std::int16_t{2});

    EXPECT_EQ(toInt32(2147483647.0), 2147483647);
    EXPECT_EQ(toInt32(2147483646.5), 2147483646);
    EXPECT_FALSE(toInt32(2147483647.5));
    EXPECT_EQ(toInt32(-2147483648.5), std::numeric_limits<std::int32_t>::min());
    EXPECT_FALSE(toInt32(-2147483649.0));
    for (const double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        EXPECT_FALSE(toInt16(bad));
        EXPECT_FALSE(toInt32(bad));
    }
}

TEST(Numbers, SingleTextIsShortWithSevenDigitsAtMost) {
    EXPECT_EQ(singleText(40.0f), "40");
    EXPECT_EQ(singleText(12.5f), "12.5");
    EXPECT_EQ(singleText(0.0f), "0");
    EXPECT_EQ(singleText(-0.0f), "0");
    EXPECT_EQ(singleText(0.1f), "0.1");
    EXPECT_EQ(singleText(-2.25f), "-2.25");
    EXPECT_EQ(singleText(1234567.0f), "1234567");
    // Sums kept in single precision carry noise beyond the seventh digit.
    EXPECT_EQ(singleText(12.3f + 45.6f), "57.9");
    float tenth = 0.0f;
    for (int i = 0; i < 10; ++i) {
        tenth += 0.1f;
    }
    EXPECT_EQ(singleText(tenth), "1");
}

}  // namespace
}  // namespace rennik
