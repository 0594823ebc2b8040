#include "program/SettingsLocation.h"

#include "ProgramTestKit.h"
#include "base/PathTerms.h"
#include "program/MainProgram.h"

#include <gtest/gtest.h>

namespace kolvane::testing {
namespace {

using program::SettingsPlaces;

struct LocationCase {
    const char* name;
    SettingsPlaces places;
    const char* expectedFolder;
    friend void PrintTo(const LocationCase& c, std::ostream* out) { *out << c.name; }
};

class SettingsLocation : public ::testing::TestWithParam<LocationCase> {};

TEST_P(SettingsLocation, FollowsWhetherTheUserMayWriteBesideTheProgram) {
    EXPECT_EQ(program::SettingsFilePath(GetParam().places),
              WithSeparator(GetParam().expectedFolder) + "defaultSet.ini");
}

INSTANTIATE_TEST_SUITE_P(
    Places, SettingsLocation,
    ::testing::Values(
        LocationCase{"PortableCopy", {"/opt/k", true, "/home/u/.config/kolvane"}, "/opt/k"},
        LocationCase{
            "Installed", {"/usr/bin", false, "/home/u/.config/kolvane"}, "/home/u/.config/kolvane"},
        LocationCase{"InstalledWithoutAConfigDirectory", {"/usr/bin", false, ""}, "/usr/bin"},
        LocationCase{"ProgramAtTheRoot", {"/", true, "/home/u/.config/kolvane"}, "/"},
        LocationCase{"ConfigDirectoryAtTheRoot", {"/usr/bin", false, "/"}, "/"}),
    [](const auto& info) { return std::string(info.param.name); });

// An installed program's folder is made when the first task is saved, not when it starts.
TEST_F(ProgramTest, StartingOnAMissingConfigFolderMakesNothing) {
    const std::string folder = pathOf("config/kolvane");
    program = std::make_unique<program::MainProgram>(
        folder + "/defaultSet.ini",
        program::FrontEnd{view, boxes, timer, events, clock, "Kolvane"});
    timer.Fire();
    program->LoadTasks();
    EXPECT_EQ(program->table().rowCount(), 0);
    program->Close();

    EXPECT_FALSE(std::filesystem::exists(pathOf("config")));
}

} // namespace
} // namespace kolvane::testing
