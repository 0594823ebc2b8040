#include "store/IniFile.h"
#include "support/Sandbox.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kolvane {
namespace {

class IniFileTest : public testing::SandboxedTest {
protected:
    std::string iniPath() const { return pathOf("defaultSet.ini"); }
    std::string content() const { return readFile(iniPath()); }
    void write(const std::string& text) const { writeFile(iniPath(), text); }
    void makeReadOnly() const { ::chmod(iniPath().c_str(), 0444); }

    // Runs `body` in a child process and returns its exit status.
    template <typename Body> static int inChild(Body body) {
        const pid_t child = ::fork();
        if (child == 0) {
            int code = 1;
            try {
                code = body();
            } catch (...) {
                code = 2;
            }
            ::_exit(code);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(IniFileTest, MissingFileReadsAsEmptyAndFirstWriteCreatesIt) {
    TIniFile ini(iniPath());
    std::vector<std::string> sections{"stale"};
    ini.ListSections(sections);
    EXPECT_TRUE(sections.empty());
    EXPECT_EQ(ini.GetEntry("a", "taskName", "fallback"), "fallback");
    EXPECT_EQ(ini.GetNumber("a", "runCount", 7), 7);
    EXPECT_FALSE(std::filesystem::exists(iniPath()));

    ini.PutEntry("daily", "taskName", "daily");
    EXPECT_EQ(content(), "[daily]\ntaskName=daily\n");
}

TEST_F(IniFileTest, ReadsMakeNoMissingDirectoryAndTheFirstWriteMakesEveryLevel) {
    const std::string folder = pathOf("config/kolvane");
    TIniFile ini(folder + "/defaultSet.ini");
    EXPECT_EQ(ini.GetEntry("a", "taskName", "fallback"), "fallback");
    EXPECT_FALSE(std::filesystem::exists(pathOf("config")));

    ini.PutEntry("daily", "taskName", "daily");
    EXPECT_EQ(readFile(folder + "/defaultSet.ini"), "[daily]\ntaskName=daily\n");
}

TEST_F(IniFileTest, NumbersAndFlagsFollowTheIntegerRule) {
    write("[t]\nhex=$1F\nspaced=1 2\nword=True\ntwo=2\nminus=-1\nzero=0\n");
    TIniFile ini(iniPath());
    EXPECT_EQ(ini.GetNumber("t", "hex", 0), 31);
    EXPECT_EQ(ini.GetNumber("t", "spaced", 5), 5);
    EXPECT_FALSE(ini.GetFlag("t", "word", false));
    EXPECT_TRUE(ini.GetFlag("t", "two", false));
    EXPECT_TRUE(ini.GetFlag("t", "minus", false));
    EXPECT_FALSE(ini.GetFlag("t", "zero", true));
    ini.PutNumber("t", "n", -42);
    ini.PutFlag("t", "f", true);
    EXPECT_EQ(ini.GetEntry("t", "n", ""), "-42");
    EXPECT_EQ(ini.GetEntry("t", "f", ""), "1");
}

TEST_F(IniFileTest, SectionsAndKeysMatchRegardlessOfCaseAndBlanks) {
    write("[Daily]\nTaskName=old\n");
    TIniFile ini(iniPath());
    EXPECT_EQ(ini.GetEntry("  daily ", "taskname", ""), "old");

    ini.PutEntry("DAILY", "taskNAME", "new");
    std::vector<std::string> sections;
    ini.ListSections(sections);
    EXPECT_EQ(sections, std::vector<std::string>{"Daily"});
    EXPECT_EQ(content(), "[Daily]\nTaskName=new\n");

    ini.PutEntry(" padded ", "taskName", " padded ");
    ini.PutEntry("padded", "taskSource", "/src");
    ini.ListSections(sections);
    EXPECT_EQ(sections, (std::vector<std::string>{"Daily", "padded"}));
    EXPECT_EQ(ini.GetEntry("padded", "taskName", ""), " padded ");
}

TEST_F(IniFileTest, EveryWrittenValueReadsBackByteForByte) {
    TIniFile ini(iniPath());
    const std::vector<std::string> values{"",
                                          " lead",
                                          "trail ",
                                          "\"quoted\"",
                                          "\"half",
                                          "a=b;c#d",
                                          "  \"x\"  ",
                                          "\t",
                                          "路径/备份",
                                          "[not a section]",
                                          std::string(3000, 'x')};
    for (std::size_t i = 0; i < values.size(); ++i)
        ini.PutEntry("t", "k" + std::to_string(i), values[i]);
    TIniFile reader(iniPath());
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(reader.GetEntry("t", "k" + std::to_string(i), "?"), values[i]) << i;
}

TEST_F(IniFileTest, UnchangedLinesAndPermissionBitsAreKept) {
    const std::string original = "; kept comment\r\n"
                                 "[first]\r\n"
                                 "taskName = first \r\n"
                                 "# another comment\r\n"
                                 "unknown=kept\r\n"
                                 "\r\n"
                                 "[second]\r\n"
                                 "runCount=3\r\n"
                                 "noequals line\r\n";
    write(original);
    ::chmod(iniPath().c_str(), 0640);
    TIniFile ini(iniPath());
    ini.PutNumber("second", "runCount", 4);
    ini.PutEntry("first", "taskDest", "/bk");
    ini.PutEntry("third", "taskName", "third");
    EXPECT_EQ(content(), "; kept comment\r\n"
                         "[first]\r\n"
                         "taskName = first \r\n"
                         "# another comment\r\n"
                         "unknown=kept\r\n"
                         "taskDest=/bk\r\n"
                         "\r\n"
                         "[second]\r\n"
                         "runCount=4\r\n"
                         "noequals line\r\n"
                         "[third]\r\n"
                         "taskName=third\r\n");
    struct stat status {};
    ASSERT_EQ(::stat(iniPath().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u) << "the rewrite lost the file's permission bits";
}

// A file edited by several editors mixes line ends; a rewrite keeps each line's own, and new
// lines take the first line's (so does an unterminated last line that gets a line after it).
TEST_F(IniFileTest, EveryLineKeepsItsOwnLineEnd) {
    write("[a]\r\nx=1\ny=2\r\n[b]\nz=3\r\n");
    TIniFile ini(iniPath());
    ini.PutNumber("a", "x", 5);
    EXPECT_EQ(content(), "[a]\r\nx=5\ny=2\r\n[b]\nz=3\r\n");
    ini.PutNumber("b", "w", 6);
    EXPECT_EQ(content(), "[a]\r\nx=5\ny=2\r\n[b]\nz=3\r\nw=6\r\n");
    EXPECT_EQ(ini.GetNumber("b", "z", 0), 3);
}

TEST_F(IniFileTest, DropSectionRemovesItsLinesOnly) {
    write("[a]\nx=1\n[b]\ny=2\n; note\n[c]\nz=3\n");
    TIniFile ini(iniPath());
    ini.DropSection("B");
    EXPECT_EQ(content(), "[a]\nx=1\n[c]\nz=3\n");
    const auto before = std::filesystem::last_write_time(iniPath());
    ini.DropSection("missing");
    EXPECT_EQ(content(), "[a]\nx=1\n[c]\nz=3\n");
    EXPECT_EQ(std::filesystem::last_write_time(iniPath()), before);
}

TEST_F(IniFileTest, ANameAddressesItsFirstSectionAndDropRemovesOnlyThatOne) {
    write("[t1]\nx=1\n[Docs]\nx=2\n[t1]\nx=3\n[docs]\nx=4\n[other]\nx=5\n");
    TIniFile ini(iniPath());
    std::vector<std::string> shadowed{"stale"};
    ini.Snapshot().ListShadowedSections(shadowed);
    EXPECT_EQ(shadowed, (std::vector<std::string>{"t1", "docs"}));
    EXPECT_EQ(ini.GetEntry("DOCS", "x", ""), "2");

    ini.DropSection("t1");
    ini.DropSection("docs");
    EXPECT_EQ(content(), "[t1]\nx=3\n[docs]\nx=4\n[other]\nx=5\n");
    ini.Snapshot().ListShadowedSections(shadowed);
    EXPECT_TRUE(shadowed.empty());
    EXPECT_EQ(ini.GetEntry("t1", "x", ""), "3");
}

TEST_F(IniFileTest, AWriteRemovesOnlyTemporariesOfItsOwnNamingWhoseOwnerIsGone) {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0); // its id now names no running process
    const std::string dead = std::to_string(child), alive = std::to_string(::getpid());
    const std::vector<std::string> removed{".defaultSet.ini." + dead + ".0.tmp",
                                           ".defaultSet.ini." + dead + ".17.tmp"};
    const std::vector<std::string> kept{
        ".defaultSet.ini." + alive + ".3.tmp", ".defaultSet.ini." + dead + ".x.tmp",
        ".defaultSet.ini." + dead + ".tmp",    "defaultSet.ini." + dead + ".0.tmp",
        ".other.ini." + dead + ".0.tmp",       ".defaultSet.ini." + dead + ".0.tmp.keep"};
    for (const auto& names : {removed, kept})
        for (const std::string& name : names)
            writeFile(sandbox() / name, "left over");

    TIniFile(iniPath()).PutEntry("a", "x", "1");
    for (const std::string& name : removed)
        EXPECT_FALSE(std::filesystem::exists(sandbox() / name)) << name;
    for (const std::string& name : kept)
        EXPECT_TRUE(std::filesystem::exists(sandbox() / name)) << name;
}

TEST_F(IniFileTest, ListsEverySectionOfALargeFile) {
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "[task number " + std::to_string(i) + " with a fairly long name]\ntaskName=x\n";
    write(text);
    std::vector<std::string> sections;
    TIniFile(iniPath()).ListSections(sections);
    ASSERT_EQ(sections.size(), 3000u);
    EXPECT_EQ(sections.back(), "task number 2999 with a fairly long name");
}

TEST_F(IniFileTest, ReadOnlyFileRefusesEveryWriteAndKeepsItsContent) {
    write("[a]\nx=1\n");
    makeReadOnly();
    TIniFile ini(iniPath());
    EXPECT_THROW(ini.DropSection("a"), WriteError);
    EXPECT_THROW(ini.PutFlag("b", "f", true), WriteError);
    EXPECT_EQ(content(), "[a]\nx=1\n");
    EXPECT_EQ(ini.GetEntry("a", "x", ""), "1");
}

TEST_F(IniFileTest, UnreadableFileIsNeverRewrittenFromNothing) {
    write("[a]\nx=1\n[b]\ny=2\n");
    // Root reads every file, so its writer runs as nobody; anyone else loses the read bit.
    const bool root = ::geteuid() == 0;
    if (root)
        ::chmod(sandbox().c_str(), 0777);
    ::chmod(iniPath().c_str(), root ? 0600 : 0200);
    const int status = inChild([&] {
        if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 5;
        TIniFile ini(iniPath());
        if (ini.GetEntry("a", "x", "none") != "none")
            return 6;
        try {
            ini.PutEntry("c", "z", "3");
        } catch (const WriteError&) {
            return 0;
        }
        return 4;
    });
    ::chmod(iniPath().c_str(), 0600);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(content(), "[a]\nx=1\n[b]\ny=2\n");
}

TEST_F(IniFileTest, ValuesThatWouldBreakTheLineStructureAreRefused) {
    write("[a]\nx=1\n");
    TIniFile ini(iniPath());
    EXPECT_THROW(ini.PutEntry("a", "x", "1\n[evil]\ny=2"), WriteError);
    EXPECT_THROW(ini.PutEntry("a\r\n[b]", "x", "1"), WriteError);
    EXPECT_EQ(content(), "[a]\nx=1\n");
}

TEST_F(IniFileTest, EveryReadSeesWritesOfOtherObjectsAndProcesses) {
    TIniFile mainObject(iniPath());
    TIniFile editorObject(iniPath());
    EXPECT_EQ(mainObject.GetEntry("t", "taskName", ""), "");
    editorObject.PutEntry("t", "taskName", "one");
    EXPECT_EQ(mainObject.GetEntry("t", "taskName", ""), "one");

    const int status = inChild([&] {
        TIniFile(iniPath()).PutEntry("t", "taskName", "two");
        return 0;
    });
    ASSERT_EQ(status, 0);
    EXPECT_EQ(mainObject.GetEntry("t", "taskName", ""), "two");
    mainObject.PutNumber("t", "runCount", 1);
    EXPECT_EQ(editorObject.GetEntry("t", "taskName", ""), "two");
    EXPECT_EQ(editorObject.GetNumber("t", "runCount", 0), 1);
}

TEST_F(IniFileTest, WriteFailingMidwayLeavesTheOldFileByteIdentical) {
    std::string original = "; settings\n";
    for (int i = 0; i < 200; ++i)
        original += "[task" + std::to_string(i) + "]\ntaskName=task" + std::to_string(i) + "\n";
    write(original);

    // The child may write files of at most 1 KiB: the new content fails partway through.
    const int status = inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            TIniFile(iniPath()).PutEntry("task0", "taskSource", "/somewhere");
        } catch (const WriteError& error) {
            return std::string(error.what()) == "Unable to write to " + iniPath() ? 0 : 3;
        }
        return 4;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(content(), original);
    std::size_t files = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(sandbox()))
        ++files;
    EXPECT_EQ(files, 1u) << "a temporary file was left behind";
}

TEST_F(IniFileTest, TwoProcessesWritingAtOnceLoseNothing) {
    auto writer = [&](const std::string& prefix) {
        return [this, prefix] {
            TIniFile ini(iniPath());
            for (int i = 0; i < 200; ++i)
                ini.PutNumber("shared", prefix + std::to_string(i), i);
            return 0;
        };
    };
    const pid_t first = ::fork();
    if (first == 0)
        ::_exit(writer("a")());
    const int second = inChild(writer("b"));
    int firstStatus = 0;
    ::waitpid(first, &firstStatus, 0);
    ASSERT_EQ(second, 0);
    ASSERT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0);

    TIniFile ini(iniPath());
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(ini.GetNumber("shared", "a" + std::to_string(i), -1), i);
        EXPECT_EQ(ini.GetNumber("shared", "b" + std::to_string(i), -1), i);
    }
}

TEST_F(IniFileTest, TwoProcessesCountingRunsAtOnceLoseNoCount) {
    write("[t]\nrunCount=5\n");
    constexpr int kRuns = 150;
    auto counter = [&] {
        TIniFile ini(iniPath());
        int last = 0;
        for (int i = 0; i < kRuns; ++i) {
            const int count = ini.IncrementNumber("t", "runCount");
            if (count <= last)
                return 3; // the counts one writer sees only ever go up
            last = count;
        }
        return 0;
    };
    const pid_t first = ::fork();
    if (first == 0)
        ::_exit(counter());
    const int second = inChild(counter);
    int firstStatus = 0;
    ::waitpid(first, &firstStatus, 0);
    ASSERT_EQ(second, 0);
    ASSERT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0);
    EXPECT_EQ(TIniFile(iniPath()).GetNumber("t", "runCount", 0), 5 + 2 * kRuns);
}

TEST_F(IniFileTest, IncrementNumberCountsFromTheFileAndStopsAtTheLargestNumber) {
    // stored value, the count written
    const std::pair<std::string, std::int32_t> cases[] = {{"", 1},
                                                          {"runCount=7x\n", 1},
                                                          {"runCount=$1F\n", 32},
                                                          {"runCount=2147483647\n", 2147483647}};
    for (const auto& [stored, count] : cases) {
        SCOPED_TRACE(stored);
        write("[t]\n" + stored);
        TIniFile ini(iniPath());
        EXPECT_EQ(ini.IncrementNumber("T", "runcount"), count);
        EXPECT_EQ(ini.GetNumber("t", "runCount", 0), count);
    }
    makeReadOnly();
    TIniFile ini(iniPath());
    EXPECT_THROW(ini.IncrementNumber("t", "runCount"), WriteError);
}

} // namespace
} // namespace kolvane
