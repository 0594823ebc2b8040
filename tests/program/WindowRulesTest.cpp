#include "program/WindowRules.h"

#include <gtest/gtest.h>

namespace kolvane::program {
namespace {

TEST(WindowRulesTest, UpperPaneHeightAfterDrag) {
    // A pane area of 400 with a splitter of 3 leaves at most 367 above.
    const struct {
        int requested;
        int expected;
    } cases[] = {
        {-50, 0},   {0, 0},     {1, 0},     {30, 0},     {31, 31},
        {210, 210}, {367, 367}, {368, 367}, {5000, 367},
    };
    for (const auto& drag : cases)
        EXPECT_EQ(UpperPaneHeightAfterDrag(drag.requested, 400, 3), drag.expected)
            << drag.requested;
    EXPECT_EQ(UpperPaneHeightAfterDrag(100, 50, 3), 0) << "no room at all";
}

TEST(WindowRulesTest, AdvertColourComponentsStayBelow255AndFollowTheSeed) {
    bool sawHigh = false;
    for (std::uint32_t seed = 0; seed < 2000; ++seed) {
        const AdvertColour colour = DrawAdvertColour(seed * 7919u);
        for (const int component : {colour.red, colour.green, colour.blue}) {
            ASSERT_GE(component, 0);
            ASSERT_LE(component, 254);
            sawHigh = sawHigh || component == 254;
        }
    }
    EXPECT_TRUE(sawHigh) << "254 is drawn";
    const AdvertColour a = DrawAdvertColour(12345), b = DrawAdvertColour(12345);
    EXPECT_EQ(a.red, b.red);
    EXPECT_EQ(a.green, b.green);
    EXPECT_EQ(a.blue, b.blue);
}

TEST(WindowRulesTest, ApplicationTitleOf) {
    const struct {
        const char* fileName;
        const char* title;
    } cases[] = {
        {"Kolvane.exe", "Kolvane"},
        {"KOLVANE.EXE", "Kolvane"},
        {"kolvane.test.exe", "kolvane"},
        {"Kolvane", "Kolvane"},
        {".exe", ""},
        {"ABC_Def.exe", "Abc_def"},
    };
    for (const auto& name : cases)
        EXPECT_EQ(ApplicationTitleOf(name.fileName), name.title) << name.fileName;
}

} // namespace
} // namespace kolvane::program
