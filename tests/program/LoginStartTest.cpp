#include "program/LoginStart.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include "platform/ScopedVariable.h"
#include "support/Sandbox.h"
#endif

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

#ifndef _WIN32
class SwitchStartedAtLoginTest : public SandboxedTest {};

// A menu shows the answer: what is there after the switch, also when the system refused it.
TEST_F(SwitchStartedAtLoginTest, AnswersWhatTheSystemHoldsAfterwards) {
    const platform::LoginStartEntry entry{"Kolvane", "example.kolvane.Kolvane", "/usr/bin/Kolvane",
                                          "--autostart"};
    {
        const ScopedVariable config("XDG_CONFIG_HOME", sandbox().c_str());
        EXPECT_TRUE(program::SwitchStartedAtLogin(entry, true));
        EXPECT_FALSE(program::SwitchStartedAtLogin(entry, false));
    }
    // A configuration directory that is a file: no entry can be written below it.
    writeFile(sandbox() / "file", "");
    const ScopedVariable config("XDG_CONFIG_HOME", pathOf("file").c_str());
    EXPECT_FALSE(program::SwitchStartedAtLogin(entry, true));
}
#endif

} // namespace
} // namespace kolvane::testing
