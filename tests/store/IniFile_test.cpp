#include "platform/Process.h"
#include "store/IniFile.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace kolvane {
namespace {

class IniFileTest : public testing::SandboxedTest {
protected:
    std::string iniPath() const { return pathOf("defaultSet.ini"); }
    std::filesystem::path settingsFile() const { return testing::PathOf(iniPath()); }
    std::string content() const { return readFile(settingsFile()); }
    void write(const std::string& text) const { writeFile(settingsFile(), text); }
    // Without write permission on POSIX; the read-only attribute on Windows.
    void makeReadOnly() const {
        std::filesystem::permissions(settingsFile(), std::filesystem::perms{0444});
    }

    // Another instance of the program writing the same file.
    static testing::ChildProcess StartWriter(const std::vector<std::string>& arguments) {
        return testing::ChildProcess(testing::HelperProgram("settings_writer"), arguments);
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
    const std::string file = pathOf("config/kolvane/defaultSet.ini");
    TIniFile ini(file);
    EXPECT_EQ(ini.GetEntry("a", "taskName", "fallback"), "fallback");
    EXPECT_FALSE(std::filesystem::exists(pathOf("config")));

    ini.PutEntry("daily", "taskName", "daily");
    EXPECT_EQ(readFile(file), "[daily]\ntaskName=daily\n");
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

TEST_F(IniFileTest, UnchangedLinesAndPermissionsOrAttributesAreKept) {
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
#ifdef _WIN32
    testing::SetHidden(settingsFile());
#else
    std::filesystem::permissions(settingsFile(), std::filesystem::perms{0640});
#endif
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
#ifdef _WIN32
    EXPECT_TRUE(testing::IsHidden(settingsFile())) << "the rewrite lost the file's attributes";
#else
    EXPECT_EQ(std::filesystem::status(settingsFile()).permissions(), std::filesystem::perms{0640})
        << "the rewrite lost the file's permission bits";
#endif
}

// A file edited by several editors mixes line ends; a rewrite keeps each line's own. A bare CR
// that ends the file ends its last line, and becomes a CRLF when a line is added after it.
TEST_F(IniFileTest, EveryLineKeepsItsOwnLineEnd) {
    write("[a]\r\nx=1\ny=2\r\n[b]\nz=3\r");
    TIniFile ini(iniPath());
    EXPECT_EQ(ini.GetNumber("b", "z", 0), 3);
    ini.PutNumber("a", "x", 5);
    EXPECT_EQ(content(), "[a]\r\nx=5\ny=2\r\n[b]\nz=3\r");
    ini.PutNumber("b", "z", 4);
    EXPECT_EQ(content(), "[a]\r\nx=5\ny=2\r\n[b]\nz=4\r");
    ini.PutNumber("b", "w", 6);
    EXPECT_EQ(content(), "[a]\r\nx=5\ny=2\r\n[b]\nz=4\r\nw=6\r\n");
    EXPECT_EQ(ini.GetNumber("b", "z", 0), 4);
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
    const std::string dead = std::to_string(testing::DeadProcessId()),
                      alive = std::to_string(platform::CurrentProcessId());
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
    // What makes the file unreadable: another program holding it open without sharing on
    // Windows; on POSIX the missing read bit (root reads every file, so its reader runs as nobody).
    const auto readsNothingAndWriteFails = [&] {
        TIniFile ini(iniPath());
        if (ini.GetEntry("a", "x", "none") != "none")
            return 6;
        try {
            ini.PutEntry("c", "z", "3");
        } catch (const WriteError&) {
            return 0;
        }
        return 4;
    };
#ifdef _WIN32
    int status = -1;
    {
        const testing::HeldOpen holder(settingsFile(), testing::HeldOpen::Sharing::None);
        ASSERT_TRUE(holder.held());
        status = readsNothingAndWriteFails();
    }
#else
    const bool root = ::geteuid() == 0;
    if (root)
        std::filesystem::permissions(sandbox(), std::filesystem::perms{0777});
    std::filesystem::permissions(settingsFile(),
                                 static_cast<std::filesystem::perms>(root ? 0600 : 0200));
    const int status = testing::RunInChild([&] {
        if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 5;
        return readsNothingAndWriteFails();
    });
    std::filesystem::permissions(settingsFile(), std::filesystem::perms{0600});
#endif
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

    ASSERT_EQ(StartWriter({iniPath(), "put", "t", "taskName", "two"}).Wait(), 0);
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

    const auto failsWithTheWriteError = [&] {
        try {
            TIniFile(iniPath()).PutEntry("task0", "taskSource", "/somewhere");
        } catch (const WriteError& error) {
            return std::string(error.what()) == "Unable to write to " + iniPath() ? 0 : 3;
        }
        return 4;
    };
#ifdef _WIN32
    // Another program reads the file and does not let it be replaced: the new content is
    // written in full, and the rename over the file fails.
    int status = -1;
    {
        const testing::HeldOpen reader(settingsFile(), testing::HeldOpen::Sharing::ReadOnly);
        ASSERT_TRUE(reader.held());
        status = failsWithTheWriteError();
    }
#else
    // The child may write files of at most 1 KiB: the new content fails partway through.
    const int status = testing::RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return failsWithTheWriteError();
    });
#endif
    EXPECT_EQ(status, 0);
    EXPECT_EQ(content(), original);
    std::size_t files = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(sandbox()))
        ++files;
    EXPECT_EQ(files, 1u) << "a temporary file was left behind";
}

TEST_F(IniFileTest, TwoProcessesWritingAtOnceLoseNothing) {
    testing::ChildProcess first = StartWriter({iniPath(), "count", "shared", "a", "200"});
    testing::ChildProcess second = StartWriter({iniPath(), "count", "shared", "b", "200"});
    ASSERT_EQ(first.Wait(), 0);
    ASSERT_EQ(second.Wait(), 0);

    TIniFile ini(iniPath());
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(ini.GetNumber("shared", "a" + std::to_string(i), -1), i);
        EXPECT_EQ(ini.GetNumber("shared", "b" + std::to_string(i), -1), i);
    }
}

TEST_F(IniFileTest, TwoProcessesCountingRunsAtOnceLoseNoCount) {
    write("[t]\nrunCount=5\n");
    constexpr int kRuns = 150;
    // Each checks that the counts it is given only ever go up.
    const std::vector<std::string> counting{iniPath(), "increment", "t", "runCount",
                                            std::to_string(kRuns)};
    testing::ChildProcess first = StartWriter(counting);
    testing::ChildProcess second = StartWriter(counting);
    ASSERT_EQ(first.Wait(), 0);
    ASSERT_EQ(second.Wait(), 0);
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
