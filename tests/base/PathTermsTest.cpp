#include "base/PathTerms.h"

#include <array>
#include <gtest/gtest.h>

namespace kolvane {
namespace {

// The copy job tells a single file from a tree, and a directory from its parent, by these terms.
TEST(PathTermsTest, SplitsAtLastSeparatorAndDot) {
    // path, extension, parent part, file-name part
    const std::array<const char*, 4> cases[] = {
#ifdef _WIN32
        {"C:\\data\\report.txt", ".txt", "C:\\data\\", "report.txt"},
        {"C:\\my.docs", ".docs", "C:\\", "my.docs"},
        {"C:\\data.old\\list", "", "C:\\data.old\\", "list"},
        {"C:\\data\\", "", "C:\\data\\", ""},
        {"C:report.txt", ".txt", "C:", "report.txt"},
        {"C:", "", "C:", ""},
        {"D:\\bk\\\\a.txt", ".txt", "D:\\bk\\\\", "a.txt"},
        {"\\\\server\\share\\x.y", ".y", "\\\\server\\share\\", "x.y"},
        {"a.b:c", "", "a.b:", "c"},
        // A slash is no separator in these terms.
        {"C:\\a/b.txt", ".txt", "C:\\", "a/b.txt"},
#else
        {"/tmp/report.txt", ".txt", "/tmp/", "report.txt"},
        {"/my.docs", ".docs", "/", "my.docs"},
        {"/tmp/data.old/list", "", "/tmp/data.old/", "list"},
        {"/tmp/", "", "/tmp/", ""},
        {"/tmp/.profile", ".profile", "/tmp/", ".profile"},
        // Backslashes and colons are ordinary characters of a name.
        {"/tmp/a\\b.c:d", ".c:d", "/tmp/", "a\\b.c:d"},
#endif
        {"report", "", "", "report"},
    };
    for (const auto& [path, extension, parent, name] : cases) {
        EXPECT_EQ(ExtractFileExt(path), extension) << path;
        EXPECT_EQ(ExtractFilePath(path), parent) << path;
        EXPECT_EQ(ExtractFileName(path), name) << path;
    }
}

} // namespace
} // namespace kolvane
