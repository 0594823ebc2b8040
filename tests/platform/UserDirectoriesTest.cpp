#include "platform/UserDirectories.h"

#include "ScopedVariable.h"
#include "support/Sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace kolvane::testing {
namespace {

struct ConfigCase {
    const char* name;
    const char* xdgConfigHome; // nullptr: unset
    const char* home;
    const char* expected;
    friend void PrintTo(const ConfigCase& c, std::ostream* out) { *out << c.name; }
};

class UserConfigDirectory : public ::testing::TestWithParam<ConfigCase> {};

TEST_P(UserConfigDirectory, FollowsTheXdgRules) {
    const ScopedVariable xdg("XDG_CONFIG_HOME", GetParam().xdgConfigHome);
    const ScopedVariable home("HOME", GetParam().home);
    EXPECT_EQ(platform::UserConfigDirectory(), GetParam().expected);
    EXPECT_EQ(platform::ProgramConfigDirectory("Kolvane"),
              std::string(GetParam().expected) + "/kolvane");
}

INSTANTIATE_TEST_SUITE_P(
    Environments, UserConfigDirectory,
    ::testing::Values(ConfigCase{"Set", "/tmp/cfg", "/home/u", "/tmp/cfg"},
                      ConfigCase{"Unset", nullptr, "/home/u", "/home/u/.config"},
                      ConfigCase{"Empty", "", "/home/u", "/home/u/.config"},
                      ConfigCase{"Relative", "cfg", "/home/u", "/home/u/.config"},
                      ConfigCase{"HomeIsTheRoot", nullptr, "/", "/.config"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExecutableDirectory, HoldsTheRunningTest) {
    EXPECT_TRUE(
        std::filesystem::is_regular_file(platform::ExecutableDirectory() + "/platform_tests"));
}

class DirectoryWritable : public SandboxedTest {
protected:
    // Runs the check as an ordinary user, since root may write into any directory: as root, in
    // a child process that has given up root for the user "nobody".
    template <typename Check> static bool AsOrdinaryUser(Check check) {
        if (::geteuid() != 0)
            return check();
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(::setgid(65534) == 0 && ::setuid(65534) == 0 && check() ? 0 : 1);
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
};

TEST_F(DirectoryWritable, OnlyWhereTheUserMayCreateFiles) {
    EXPECT_FALSE(platform::IsDirectoryWritable(pathOf("missing")));
    EXPECT_FALSE(platform::IsDirectoryWritable(""));
    for (const auto& [name, mode, writable] :
         {std::tuple{"open", 0777, true}, {"locked", 0555, false}, {"unsearchable", 0666, false}}) {
        const std::string directory = pathOf(name);
        std::filesystem::create_directory(directory);
        ::chmod(directory.c_str(), static_cast<mode_t>(mode));
        ::chmod(sandbox().c_str(), 0755);
        EXPECT_EQ(
            AsOrdinaryUser([&] { return platform::IsDirectoryWritable(directory) == writable; }),
            true)
            << name;
    }
}

} // namespace
} // namespace kolvane::testing
