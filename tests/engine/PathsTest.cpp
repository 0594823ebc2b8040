#include "engine/Paths.h"

#include "support/Sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <unistd.h>

namespace kolvane {
namespace {

struct PathTerms {
    const char* path;
    const char* extension;
    const char* parent;
    const char* name;
};

TEST(PathTermsTest, SplitsAtLastSeparatorAndDot) {
    const PathTerms cases[] = {
        {"/data/report.txt", ".txt", "/data/", "report.txt"},
        {"/my.docs", ".docs", "/", "my.docs"},
        {"/data.old/list", "", "/data.old/", "list"},
        {"/data/", "", "/data/", ""},
        {"report", "", "", "report"},
        {"/data/.profile", ".profile", "/data/", ".profile"},
    };
    for (const PathTerms& terms : cases) {
        SCOPED_TRACE(terms.path);
        EXPECT_EQ(ExtractFileExt(terms.path), terms.extension);
        EXPECT_EQ(ExtractFilePath(terms.path), terms.parent);
        EXPECT_EQ(ExtractFileName(terms.path), terms.name);
    }
}

TEST(PathTermsTest, TrimControlKeepsInnerBlanksAndNonAsciiBytes) {
    EXPECT_EQ(TrimControl(" \t\r\n /备份 目录 \x01"), "/备份 目录");
    EXPECT_EQ(TrimControl("  \x1f "), "");
}

class MakeDirectoryPathTest : public testing::SandboxedTest {};

TEST_F(MakeDirectoryPathTest, CreatesMissingLevelsTopDown) {
    const std::string deep = pathOf("a/b//c/");
    EXPECT_TRUE(MakeDirectoryPath(deep));
    EXPECT_TRUE(std::filesystem::is_directory(pathOf("a/b/c")));
    EXPECT_TRUE(MakeDirectoryPath(deep)); // existing levels are fine
    EXPECT_TRUE(MakeDirectoryPath("/"));
}

TEST_F(MakeDirectoryPathTest, DoubledSeparatorBeforeMissingLevelStillCreatesIt) {
    EXPECT_TRUE(MakeDirectoryPath(pathOf("bk//20260301-080005")));
    EXPECT_TRUE(std::filesystem::is_directory(pathOf("bk/20260301-080005")));
}

TEST_F(MakeDirectoryPathTest, FailsQuietlyUnderAFile) {
    writeFile(pathOf("file"), "x");
    EXPECT_FALSE(MakeDirectoryPath(pathOf("file/sub")));
}

TEST_F(MakeDirectoryPathTest, EmptyPathAndMissingRelativeFirstLevelRaise) {
    ASSERT_EQ(::chdir(sandbox().c_str()), 0);
    EXPECT_THROW(MakeDirectoryPath(""), std::runtime_error);
    EXPECT_THROW(MakeDirectoryPath("backup"), std::runtime_error);
    EXPECT_THROW(MakeDirectoryPath("backup/20260301-080005"), std::runtime_error);
    std::filesystem::create_directory(sandbox() / "backup");
    EXPECT_TRUE(MakeDirectoryPath("backup/20260301-080005"));
    EXPECT_TRUE(std::filesystem::is_directory(sandbox() / "backup/20260301-080005"));
    EXPECT_THROW(
        {
            try {
                MakeDirectoryPath("missing/x");
            } catch (const std::runtime_error& error) {
                EXPECT_STREQ(error.what(), "Unable to create directory");
                throw;
            }
        },
        std::runtime_error);
    ASSERT_EQ(::chdir("/"), 0);
}

} // namespace
} // namespace kolvane
