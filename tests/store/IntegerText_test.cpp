#include "store/IntegerText.h"

#include <gtest/gtest.h>

namespace kolvane {
namespace {

struct IntegerCase {
    const char* text;
    std::optional<std::int32_t> value;
};

class IntegerRule : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerRule, ReadsTextAsThirtyTwoBitInteger) {
    EXPECT_EQ(ParseInteger(GetParam().text), GetParam().value)
        << "text: '" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(Decimal, IntegerRule,
                         ::testing::Values(IntegerCase{"0", 0}, IntegerCase{"42", 42},
                                           IntegerCase{"+7", 7}, IntegerCase{"-7", -7},
                                           IntegerCase{"   12", 12}, IntegerCase{"007", 7},
                                           IntegerCase{"2147483647", 2147483647},
                                           IntegerCase{"-2147483648", INT32_MIN},
                                           IntegerCase{"2147483648", std::nullopt},
                                           IntegerCase{"-2147483649", std::nullopt},
                                           IntegerCase{"99999999999999999999", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    Hexadecimal, IntegerRule,
    ::testing::Values(IntegerCase{"0x1F", 31}, IntegerCase{"$1F", 31}, IntegerCase{"x1f", 31},
                      IntegerCase{"X1F", 31}, IntegerCase{"0X1f", 31}, IntegerCase{"$FFFFFFFF", -1},
                      IntegerCase{"$80000000", INT32_MIN}, IntegerCase{"$000000001", 1},
                      IntegerCase{"$100000000", std::nullopt}, IntegerCase{"$", std::nullopt},
                      IntegerCase{"0x", std::nullopt}, IntegerCase{"-$10", std::nullopt},
                      IntegerCase{"$1G", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    Invalid, IntegerRule,
    ::testing::Values(IntegerCase{"", std::nullopt}, IntegerCase{"   ", std::nullopt},
                      IntegerCase{"-", std::nullopt}, IntegerCase{"+", std::nullopt},
                      IntegerCase{"12abc", std::nullopt}, IntegerCase{"1 2", std::nullopt},
                      IntegerCase{"12 ", std::nullopt}, IntegerCase{"\t12", std::nullopt},
                      IntegerCase{"True", std::nullopt}, IntegerCase{"1.5", std::nullopt},
                      IntegerCase{"+-1", std::nullopt}));

TEST(IntegerRuleFallback, InvalidTextGivesTheCallersDefault) {
    EXPECT_EQ(IntegerOr("abc", 60), 60);
    EXPECT_EQ(IntegerOr("", -3), -3);
    EXPECT_EQ(IntegerOr("5", 60), 5);
}

} // namespace
} // namespace kolvane
