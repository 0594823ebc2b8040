#include "platform/LoginStart.h"

#include "ScopedVariable.h"
#include "support/Sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace kolvane::testing {
namespace {

using platform::IsStartedAtLogin;
using platform::LoginStartEntry;
using platform::SetStartedAtLogin;

class LoginStartTest : public SandboxedTest {
protected:
    void SetUp() override {
        SandboxedTest::SetUp();
        config_.emplace("XDG_CONFIG_HOME", sandbox().c_str());
    }
    void TearDown() override {
        config_.reset();
        SandboxedTest::TearDown();
    }
    static LoginStartEntry Entry(const std::string& executable) {
        return {"Kolvane", "example.kolvane.Kolvane", executable, "--autostart"};
    }
    std::string entryPath() const { return pathOf("autostart/example.kolvane.Kolvane.desktop"); }

private:
    std::optional<ScopedVariable> config_;
};

TEST_F(LoginStartTest, TheEntryAppearsAndGoes) {
    const LoginStartEntry entry = Entry("/usr/bin/Kolvane");
    EXPECT_FALSE(IsStartedAtLogin(entry));

    ASSERT_TRUE(SetStartedAtLogin(entry, true));
    EXPECT_TRUE(IsStartedAtLogin(entry));
    EXPECT_EQ(readFile(entryPath()), "[Desktop Entry]\n"
                                     "Type=Application\n"
                                     "Name=Kolvane\n"
                                     "Exec=\"/usr/bin/Kolvane\" \"--autostart\"\n"
                                     "Icon=example.kolvane.Kolvane\n"
                                     "Terminal=false\n"
                                     "X-GNOME-Autostart-enabled=true\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(pathOf("autostart")),
                            std::filesystem::directory_iterator()),
              1); // no temporary left beside it

    ASSERT_TRUE(SetStartedAtLogin(entry, false));
    EXPECT_FALSE(IsStartedAtLogin(entry));
    EXPECT_FALSE(std::filesystem::exists(entryPath()));
    EXPECT_TRUE(SetStartedAtLogin(entry, false));
}

TEST_F(LoginStartTest, AnEntryTheDesktopHidIsOff) {
    writeFile(entryPath(), "[Desktop Entry]\nType=Application\nExec=Kolvane\nHidden=true\n");
    EXPECT_FALSE(IsStartedAtLogin(Entry("/usr/bin/Kolvane")));
    ASSERT_TRUE(SetStartedAtLogin(Entry("/usr/bin/Kolvane"), true));
    EXPECT_TRUE(IsStartedAtLogin(Entry("/usr/bin/Kolvane")));
}

struct ExecCase {
    const char* name;
    const char* executable;
    const char* execLine;
    friend void PrintTo(const ExecCase& c, std::ostream* out) { *out << c.name; }
};

class ExecLine : public LoginStartTest, public ::testing::WithParamInterface<ExecCase> {};

// The desktop starts exactly the executable, whatever its path holds: quoting rules first, then
// field codes, then the file's own escapes.
TEST_P(ExecLine, NamesTheExecutableExactly) {
    ASSERT_TRUE(SetStartedAtLogin(Entry(GetParam().executable), true));
    const std::string text = readFile(entryPath());
    EXPECT_NE(text.find(std::string("\nExec=") + GetParam().execLine + " \"--autostart\"\n"),
              std::string::npos)
        << text;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ExecLine,
    ::testing::Values(ExecCase{"Space", "/opt/my apps/Kolvane", R"("/opt/my apps/Kolvane")"},
                      ExecCase{"Dollar", "/opt/$HOME/Kolvane", R"("/opt/\\$HOME/Kolvane")"},
                      ExecCase{"Percent", "/opt/100%/Kolvane", R"("/opt/100%%/Kolvane")"},
                      ExecCase{"Quote", "/opt/a\"b/Kolvane", R"("/opt/a\\"b/Kolvane")"},
                      ExecCase{"Backtick", "/opt/a`b/Kolvane", R"("/opt/a\\`b/Kolvane")"},
                      ExecCase{"Backslash", "/opt/a\\b/Kolvane", R"("/opt/a\\\\b/Kolvane")"},
                      ExecCase{"Chinese", "/opt/备份/Kolvane", R"("/opt/备份/Kolvane")"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoginStartTest, APathWithALineBreakWritesNothing) {
    EXPECT_FALSE(SetStartedAtLogin(Entry("/opt/a\nHidden=true\n/Kolvane"), true));
    EXPECT_FALSE(std::filesystem::exists(entryPath()));
}

} // namespace
} // namespace kolvane::testing
