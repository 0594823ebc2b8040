#include "store/IniFile.h"
#include "store/TaskTable.h"
#include "support/Sandbox.h"

#include <functional>
#include <gtest/gtest.h>
#include <tuple>

namespace kolvane {
namespace {

// GBK bytes of the names used below, spelled out so that the tests do not rest on the converter
// they check.
#define GBK_DAILY "\xC3\xBF\xC8\xD5"            // 每日
#define GBK_DOCS "\xCE\xC4\xB5\xB5"             // 文档
#define GBK_DATA "\xCA\xFD\xBE\xDD"             // 数据
#define GBK_BACKUP "\xB1\xB8\xB7\xDD"           // 备份
#define GBK_JAPANESE "\xC8\xD5\xB1\xBE\xD5\x5A" // 日本語, the last byte an ASCII "Z"
#define GBK_WHOLE "\xC8\xAB"                    // 全, whose bytes are also UTF-8 (for "ȫ")

class SettingsText : public testing::SandboxedTest {
protected:
    std::string iniPath() const { return pathOf("defaultSet.ini"); }
    std::string content() const { return readFile(iniPath()); }
    void write(const std::string& text) const { writeFile(iniPath(), text); }

    void expectWriteRefused(TIniFile& ini, const std::string& section, const std::string& key,
                            const std::string& value) {
        expectRefused([&] { ini.PutEntry(section, key, value); });
    }

    void expectRefused(const std::function<void()>& write) {
        const std::string before = content();
        try {
            write();
            ADD_FAILURE() << "the write was made";
        } catch (const WriteError& error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write to " + iniPath());
        }
        EXPECT_EQ(content(), before);
    }
};

TEST_F(SettingsText, GbkFileReadsAsTextAndKeepsEveryLineItDoesNotChange) {
    const std::string original = "; \xD7\xA2\xCA\xCD from Windows\r\n" // 注释
                                 "[" GBK_DAILY "]\r\n"
                                 "taskName=" GBK_DAILY "\r\n"
                                 "taskSource=D:\\" GBK_DATA "\r\n"
                                 "taskDest=E:\\" GBK_BACKUP "\r\n"
                                 "runCount=7\r\n"
                                 "\r\n"
                                 "[" GBK_DOCS "]\r\n"
                                 "taskName=" GBK_DOCS "\r\n"
                                 "runCount=2\r\n";
    write(original);
    TIniFile ini(iniPath());
    TaskTable table;
    LoadTasks(table, ini);
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.row(0).subItems, (std::array<std::string, kSubItemCount>{
                                         "每日", "D:\\数据", "E:\\备份", "", "0", "", "7", ""}));
    EXPECT_EQ(table.cell(1, kNameCell), "文档");

    EXPECT_EQ(ini.IncrementNumber("每日", "runCount"), 8);
    std::string expected = original;
    expected.replace(expected.find("runCount=7"), 10, "runCount=8");
    EXPECT_EQ(content(), expected);

    ini.PutEntry("文档", "taskDest", "F:\\备份");
    ini.PutEntry("日本語", "taskName", "日本語");
    expected += "taskDest=F:\\" GBK_BACKUP "\r\n"
                "[" GBK_JAPANESE "]\r\n"
                "taskName=" GBK_JAPANESE "\r\n";
    EXPECT_EQ(content(), expected);
    EXPECT_EQ(TIniFile(iniPath()).GetEntry("日本語", "taskName", ""), "日本語");

    // Neither the emoji nor the half-width katakana exists in GBK: never a '?' in their place.
    expectWriteRefused(ini, "文档", "taskName", "文档😀");
    expectWriteRefused(ini, "ｶﾀｶﾅ", "taskName", "x");
    expectWriteRefused(ini, "文档", "ｶﾀｶﾅ", "x");
}

TEST_F(SettingsText, ByteOrderMarkMakesTheFileUtf8AndIsKept) {
    const std::string original = "\xEF\xBB\xBF[first]\r\n"
                                 "taskName=第一\r\n"
                                 "; note\r\n"
                                 "[second]\r\n"
                                 "taskName=second\r\n";
    write(original);
    TIniFile ini(iniPath());
    std::vector<std::string> sections;
    ini.ListSections(sections);
    EXPECT_EQ(sections, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(ini.GetEntry("first", "taskName", ""), "第一");

    EXPECT_EQ(ini.IncrementNumber("first", "runCount"), 1);
    ini.PutEntry("second", "taskDest", "ｶﾀｶﾅ😀");
    EXPECT_EQ(content(), "\xEF\xBB\xBF[first]\r\n"
                         "taskName=第一\r\n"
                         "runCount=1\r\n"
                         "; note\r\n"
                         "[second]\r\n"
                         "taskName=second\r\n"
                         "taskDest=ｶﾀｶﾅ😀\r\n");
}

TEST_F(SettingsText, TextThatDecodesNeitherWayIsCarriedAsItsBytes) {
    // Latin-1, neither UTF-8 nor GBK throughout: in "[café]" GBK would take "é]" for one
    // character and lose the bracket, "café" and "/résumé" end in half a character, and "/étés"
    // happens to be valid GBK and reads as two unrelated characters.
    const std::string original = "[caf\xE9]\n"
                                 "taskName=caf\xE9\n"
                                 "taskSource=/r\xE9sum\xE9\n"
                                 "taskDest=/\xE9t\xE9s\n";
    write(original);
    TIniFile ini(iniPath());
    EXPECT_EQ(ini.GetEntry("caf\xE9", "taskSource", ""), "/r\xE9sum\xE9");
    const std::string dest = ini.GetEntry("caf\xE9", "taskDest", "");
    EXPECT_NE(dest, "/\xE9t\xE9s");

    ini.PutEntry("caf\xE9", "taskName", "caf\xE9");
    ini.PutEntry("caf\xE9", "taskSource", "/r\xE9sum\xE9");
    ini.PutEntry("caf\xE9", "taskDest", dest);
    EXPECT_EQ(content(), original);

    ini.PutEntry("caf\xE9", "taskDD", "08:00:00");
    ini.PutEntry("caf\xE9"
                 "1",
                 "taskName",
                 "caf\xE9"
                 "1");
    EXPECT_EQ(content(), original + "taskDD=08:00:00\n[caf\xE9"
                                    "1]\ntaskName=caf\xE9"
                                    "1\n");
}

// The encoding of a file without a byte-order mark is taken from its bytes, so a write could
// change how every other line reads; such a write is refused and the file stays as it was.
TEST_F(SettingsText, AWriteThatWouldChangeHowTheFileReadsIsRefused) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows a file without a byte-order mark is always in the ANSI code page, "
                    "so no write changes how it reads";
#endif
    using Write = void (*)(TIniFile&);
    const std::pair<std::string, Write> cases[] = {
        // A UTF-16 surrogate's bytes are not UTF-8: the file would read as GBK, "中文" as three
        // other characters.
        {"[a]\ntaskName=中文\n",
         [](TIniFile& ini) { ini.PutEntry("a", "taskDest", "\xED\xBB\xBF"); }},
        // Without its only line that is not UTF-8 the file would read as UTF-8, 全 as "ȫ".
        {"[" GBK_WHOLE "]\ntaskName=" GBK_WHOLE "\ntaskSource=" GBK_DOCS "\n",
         [](TIniFile& ini) { ini.PutEntry("全", "taskSource", "全"); }},
        {"[" GBK_DOCS "]\ntaskName=" GBK_DOCS "\n[" GBK_WHOLE "]\ntaskName=" GBK_WHOLE "\n",
         [](TIniFile& ini) { ini.DropSection("文档"); }},
        // Bytes as carried from a line that did not decode, put where they decode (as "啊").
        {"[caf\xE9]\n", [](TIniFile& ini) { ini.PutEntry("caf\xE9", "taskDD", "\xB0\xA1"); }},
    };
    for (const auto& [file, change] : cases) {
        SCOPED_TRACE(file);
        write(file);
        TIniFile ini(iniPath());
        expectRefused([&ini, change = change] { change(ini); });
    }
}

// Plain ASCII reads alike in both encodings; once a GBK file holds only ASCII it is read, and
// written, as a fresh read of it would take it.
TEST_F(SettingsText, AFileLeftWithOnlyAsciiTakesTheEncodingAFreshReadGivesIt) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows a file without a byte-order mark is always in the ANSI code page, "
                    "so no write changes how it reads";
#endif
    write("[" GBK_DOCS "]\ntaskName=" GBK_DOCS "\n[a]\ntaskName=a\n");
    TIniFile ini(iniPath());
    ini.DropSection("文档");
    ini.PutEntry("a", "taskDest", "全");
    EXPECT_EQ(content(), "[a]\ntaskName=a\ntaskDest=全\n");
    EXPECT_EQ(TIniFile(iniPath()).GetEntry("a", "taskDest", ""), "全");
}

TEST_F(SettingsText, EveryLineKeepsItsOwnEndAndANewLineTakesTheEndBeforeIt) {
    // file, the write, file afterwards
    using Write = void (*)(TIniFile&);
    const std::tuple<std::string, Write, std::string> cases[] = {
        {"[a]\nx=1\r\ny=2\r\n", [](TIniFile& ini) { ini.PutNumber("a", "x", 5); },
         "[a]\nx=5\r\ny=2\r\n"},
        {"[a]\nx=1\r\n[b]\r\ny=2", [](TIniFile& ini) { ini.PutNumber("a", "z", 3); },
         "[a]\nx=1\r\nz=3\r\n[b]\r\ny=2"},
        {"[a]\nx=1\r\n[b]\r\ny=2", [](TIniFile& ini) { ini.PutNumber("b", "z", 3); },
         "[a]\nx=1\r\n[b]\r\ny=2\r\nz=3\r\n"},
        {"[a]\r\nx=1\n", [](TIniFile& ini) { ini.PutEntry("c", "k", "v"); },
         "[a]\r\nx=1\n[c]\nk=v\n"},
        {"[a]\r\n", [](TIniFile& ini) { ini.PutEntry("a", "k", "v"); }, "[a]\r\nk=v\r\n"},
        {"[a]\nx=1\r\n[b]\r\ny=2\n", [](TIniFile& ini) { ini.DropSection("a"); }, "[b]\r\ny=2\n"},
    };
    for (const auto& [before, change, after] : cases) {
        SCOPED_TRACE(before);
        write(before);
        TIniFile ini(iniPath());
        change(ini);
        EXPECT_EQ(content(), after);
    }
}

} // namespace
} // namespace kolvane
