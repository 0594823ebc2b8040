#include "store/IniFile.h"
#include "store/TaskEditing.h"
#include "store/TaskTable.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <vector>

namespace kolvane {
namespace {

TaskFields Fields(const std::string& name, const std::string& source, const std::string& dest) {
    TaskFields fields;
    fields.name = name;
    fields.source = source;
    fields.dest = dest;
    return fields;
}

class TaskWriting : public testing::SandboxedTest {
protected:
    std::string path() const { return pathOf("defaultSet.ini"); }

    void save(const TaskFields& fields, bool isEdit = false, const std::string& oldName = {}) {
        TIniFile ini(path());
        WriteTask(ini, fields, isEdit, oldName);
    }

    TaskTable reload() const {
        TIniFile ini(path());
        TaskTable table;
        LoadTasks(table, ini);
        return table;
    }
};

TEST_F(TaskWriting, NewTaskWritesTheSevenKeysInOrderAsTyped) {
    save({" daily ", "/src ", " /dest", true, 8 * 3600 + 5 * 60 + 9, true, 30, {}});

    const std::string text = readFile(path());
    size_t at = 0;
    for (const char* line :
         {"[ daily ]\n", "taskName=", "taskSource=", "taskDest=", "taskautoChild=1\n",
          "taskDD=08:05:09\n", "useDelayM=1\n", "delayM=30\n"}) {
        at = text.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << " in order in\n" << text;
    }
    EXPECT_EQ(reload().row(0).subItems,
              (std::array<std::string, kSubItemCount>{" daily ", "/src ", " /dest", "08:05:09", "1",
                                                      "", "0", "30"}));
}

TEST_F(TaskWriting, SaveMovesTheTaskToTheEndOnlyWhenTheTrimmedNameChanged) {
    // Whether task A is edited, the name saved, and each row's name:source:runCount after.
    const std::string src = pathOf("src") + "/";
    const std::tuple<bool, std::string, std::string> cases[] = {
        {true, "A", "A:" + src + "A:5|B:/b:7|"},
        {true, "C", "B:/b:7|C:" + src + "C:0|"},
        {true, "a", "B:/b:7|a:" + src + "a:0|"},       // letter case alone renames
        {true, " A ", " A :" + src + " A :5|B:/b:7|"}, // blanks alone do not
        // A new task writes over a name, keeping its count.
        {false, "b", "A:/old:5|b:" + src + "b:7|"}};
    for (const auto& [isEdit, name, rowsAfter] : cases) {
        writeFile(path(), "[A]\ntaskName=A\ntaskSource=/old\ntaskDest=/d\nrunCount=5\n"
                          "[B]\ntaskName=B\ntaskSource=/b\ntaskDest=/d\nrunCount=7\n");
        save(Fields(name, src + name, "/dest"), isEdit, "A");
        const TaskTable table = reload();
        std::string rows;
        for (int row = 0; row < table.rowCount(); ++row)
            rows += table.cell(row, kNameCell) + ":" + table.cell(row, kSourceCell) + ":" +
                    table.cell(row, kRunCountCell) + "|";
        EXPECT_EQ(rows, rowsAfter);
    }
}

TEST_F(TaskWriting, UnwritableFileRaisesTheWriteError) {
    // A regular file where the directory should be: no write can succeed, whoever runs the test.
    writeFile(pathOf("blocker"), "");
    TIniFile ini(pathOf("blocker/defaultSet.ini"));
    EXPECT_THROW(WriteTask(ini, Fields("C", "/s", "/d"), false, {}), WriteError);
    EXPECT_THROW(WriteTask(ini, Fields("C", "/s", "/d"), true, "A"), WriteError);
}

// An editor that cannot show every byte: each one outside ASCII shows as U+FFFD.
std::string ShownByALossyEditor(const std::string& text) {
    std::string shown;
    for (char c : text)
        shown += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : "\uFFFD";
    return shown;
}

TaskFields ShownByALossyEditor(TaskFields fields) {
    for (auto text : {&TaskFields::name, &TaskFields::source, &TaskFields::dest})
        fields.*text = ShownByALossyEditor(fields.*text);
    return fields;
}

TEST_F(TaskWriting, SavingAnUnchangedTaskLeavesTheFileByteIdenticalWhateverItsEncoding) {
    // GBK (每日, D:\数据, E:\备份), Latin-1 that is neither UTF-8 nor GBK (café, /résumé), UTF-8.
    const std::pair<const char*, std::string> names[] = {
        {"GBK", "\xC3\xBF\xC8\xD5"}, {"Latin-1", "caf\xE9"}, {"UTF-8", "每日"}};
    const std::string paths[][2] = {{"D:\\\xCA\xFD\xBE\xDD", "E:\\\xB1\xB8\xB7\xDD"},
                                    {"/r\xE9sum\xE9", "/\xE9t\xE9"},
                                    {"/数据", "/备份"}};
    for (std::size_t i = 0; i < std::size(names); ++i) {
        SCOPED_TRACE(names[i].first);
        const std::string& name = names[i].second;
        const std::string original = "; kept\r\n[" + name + "]\r\ntaskName=" + name +
                                     "\r\ntaskSource=" + paths[i][0] +
                                     "\r\ntaskDest=" + paths[i][1] +
                                     "\r\ntaskautoChild=1\r\ntaskDD=08:30:00\r\nuseDelayM=1\r\n"
                                     "delayM=15\r\nrunCount=9\r\nunknown=kept\r\n\r\n[b]\r\n";
        writeFile(path(), original);
        const EditorStart start = StartEditTask(reload().row(0));
        const TaskFields shown = ShownByALossyEditor(start.fields);
        TaskFields entered = shown;
        KeepUneditedTexts(entered, start.fields, shown);
        save(entered, start.isEdit, start.oldTaskName);
        EXPECT_EQ(readFile(path()), original);

        entered = shown;
        entered.dest += "x"; // an edited text is saved as entered
        KeepUneditedTexts(entered, start.fields, shown);
        EXPECT_EQ(entered.dest, shown.dest + "x");
    }
}

TEST(TaskOpeners, EditTicksTheIntervalOnlyForAPositiveNumberAndClampsIt) {
    const std::pair<const char*, int> cells[] = {{"", 0},    {"0", 0},   {"-5", 0},
                                                 {"abc", 0}, {"15", 15}, {"5000", 1439}};
    for (const auto& [cell, interval] : cells) {
        const EditorStart start =
            StartEditTask({{}, {" A", "/s", "/d", "13:00:00", "2", "", "4", cell}, {}});
        EXPECT_TRUE(start.isEdit && start.oldTaskName == " A" && start.fields.autoChildDir);
        EXPECT_EQ(start.fields.useInterval, interval > 0) << cell;
        EXPECT_EQ(start.fields.interval, interval > 0 ? interval : kDefaultInterval) << cell;
    }
}

constexpr int kRaises = -1;
// Each text gives its value, or raises "'text' <error>" where kRaises stands.
using TextCases = std::vector<std::pair<const char*, int>>;

template <typename Parse>
void ExpectParsed(Parse parse, const TextCases& cases, const std::string& error) {
    for (const auto& [text, expected] : cases) {
        try {
            EXPECT_EQ(static_cast<int>(parse(text)), expected) << "'" << text << "'";
        } catch (const std::runtime_error& raised) {
            EXPECT_EQ(expected, kRaises) << "'" << text << "' raised";
            EXPECT_EQ(raised.what(), "'" + std::string(text) + "' " + error);
        }
    }
}

TEST(CellTexts, BooleanReadsNumbersThenTrueOrFalse) {
    const TextCases cases = {
        {"1", 1},      {"0", 0},       {"-1", 1},       {"2147483648", 1}, {" 0.0 ", 0},
        {"-.5e3", 1},  {"0e7", 0},     {"TRUE", 1},     {"false", 0},      {"yes", kRaises},
        {"", kRaises}, {".", kRaises}, {"1e", kRaises}, {"$1", kRaises},   {" true", kRaises}};
    ExpectParsed(ParseBooleanText, cases, "is not a valid boolean value");
}

TEST(CellTexts, DateAndTimeGivesTheTimeOfDayOfATimeOrADate) {
    const TextCases cases = {{"08:30:00", 30600},     {" 8:05 ", 29100},
                             {"23:59:59", 86399},     {"2024-02-29 07:00:01", 25201},
                             {"2024/1/5", 0},         {"2024-01-05 ", 0},
                             {"", kRaises},           {"8", kRaises},
                             {"24:00:00", kRaises},   {"2023-02-29", kRaises},
                             {"2024-01/05", kRaises}, {"2024-01-05T08:00", kRaises},
                             {"2024-13-01", kRaises}};
    ExpectParsed(ParseDateTimeText, cases, "is not a valid date and time");
}

TEST(IntervalText, ReadsTheIntegerRuleAndClampsNoNumberToOne) {
    const std::pair<const char*, int> texts[] = {{"5000", 1439}, {" 42", 42}, {"$10", 16},
                                                 {"0", 1},       {"-3", 1},   {"abc", 1},
                                                 {"", 1},        {"1.5", 1}};
    for (const auto& [text, interval] : texts)
        EXPECT_EQ(IntervalOfText(text), interval) << text;
}

} // namespace
} // namespace kolvane
