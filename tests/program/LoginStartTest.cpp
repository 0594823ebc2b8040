#include "program/LoginStart.h"

#include <gtest/gtest.h>

namespace kolvane::testing {
namespace {

struct SwitchCase {
    std::vector<std::string> arguments;
    bool atLogin;
};

TEST(StartedAtLogin, OnlyTheSwitchItselfAfterTheProgramName) {
    const SwitchCase cases[] = {
        {{"Kolvane"}, false},
        {{"Kolvane", "--autostart"}, true},
        {{"Kolvane", "-style", "fusion", "--autostart"}, true},
        {{"--autostart"}, false}, // the program's own name
        {{"Kolvane", "--autostart=1"}, false},
        {{"Kolvane", "--AUTOSTART"}, false},
        {{}, false},
    };
    for (const SwitchCase& c : cases)
        EXPECT_EQ(program::StartedAtLogin(c.arguments), c.atLogin)
            << ::testing::PrintToString(c.arguments);
}

} // namespace
} // namespace kolvane::testing
