#include "store/IniFile.h"
#include "store/TaskEditing.h"
#include "store/TaskTable.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <vector>

namespace kolvane {
namespace {

class TaskWriting : public testing::SandboxedTest {
protected:
    std::string path() const { return pathOf("defaultSet.ini"); }

    TaskTable reload() const {
        TIniFile ini(path());
        TaskTable table;
        LoadTasks(table, ini);
        return table;
    }

    void save(const TaskFields& fields, bool isEdit = false, const std::string& oldName = {}) {
        TIniFile ini(path());
        WriteTask(ini, fields, isEdit, oldName);
    }

    static TaskFields task(const std::string& name) {
        TaskFields fields;
        fields.name = name;
        fields.source = "/src/" + name;
        fields.dest = "/dest";
        return fields;
    }

    void writeTwoTasks() {
        writeFile(path(), "[A]\ntaskName=A\ntaskSource=/old\ntaskDest=/d\nrunCount=5\n"
                          "[B]\ntaskName=B\ntaskSource=/b\ntaskDest=/d\nrunCount=7\n");
    }
};

TEST_F(TaskWriting, NewTaskWritesTheSevenKeysInOrderAsTyped) {
    TaskFields fields = task(" daily ");
    fields.autoChildDir = true;
    fields.timeOfDay = 8 * 3600 + 5 * 60 + 9;
    fields.useInterval = true;
    fields.interval = 30;
    save(fields);

    const std::string text = readFile(path());
    size_t at = 0;
    for (const char* key : {"taskName=", "taskSource=", "taskDest=", "taskautoChild=1",
                            "taskDD=08:05:09", "useDelayM=1", "delayM=30"}) {
        const size_t found = text.find(key, at);
        ASSERT_NE(found, std::string::npos) << key << " after " << at << " in\n" << text;
        at = found;
    }
    TIniFile ini(path());
    EXPECT_EQ(ini.GetEntry(" daily ", "taskName", "?"), " daily ");
    const TaskTable table = reload();
    ASSERT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.cell(0, kNameCell), " daily ");
    EXPECT_EQ(table.cell(0, kSourceCell), "/src/ daily ");
}

struct SaveCase {
    bool isEdit; // of task A
    const char* name;
    std::vector<std::string> namesAfter;
    int savedRow;
    const char* runCount;
};

class TaskSaves : public TaskWriting, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(TaskSaves, MoveTheTaskToTheEndOnlyWhenTheTrimmedNameChanged) {
    const SaveCase& c = GetParam();
    writeTwoTasks();
    save(task(c.name), c.isEdit, "A");
    const TaskTable table = reload();
    std::vector<std::string> names;
    for (int row = 0; row < table.rowCount(); ++row)
        names.push_back(table.cell(row, kNameCell));
    EXPECT_EQ(names, c.namesAfter);
    EXPECT_EQ(table.cell(c.savedRow, kSourceCell), "/src/" + std::string(c.name));
    EXPECT_EQ(table.cell(c.savedRow, kRunCountCell), c.runCount);
}

INSTANTIATE_TEST_SUITE_P(Table, TaskSaves,
                         ::testing::Values(SaveCase{true, "A", {"A", "B"}, 0, "5"},
                                           SaveCase{true, "C", {"B", "C"}, 1, "0"},
                                           SaveCase{true, "a", {"B", "a"}, 1, "0"},
                                           SaveCase{true, " A ", {" A ", "B"}, 0, "5"},
                                           SaveCase{false, "b", {"A", "b"}, 1, "7"}));

TEST_F(TaskWriting, UnwritableFileRaisesTheWriteError) {
    // A regular file where the directory should be: no write can succeed, whoever runs the test.
    writeFile(pathOf("blocker"), "");
    TIniFile ini(pathOf("blocker/defaultSet.ini"));
    EXPECT_THROW(WriteTask(ini, task("C"), false, {}), WriteError);
    EXPECT_THROW(WriteTask(ini, task("C"), true, "A"), WriteError);
}

TEST(TaskOpeners, EditTicksTheIntervalOnlyForAPositiveNumberAndClampsIt) {
    const std::pair<const char*, int> cells[] = {{"", 0},    {"0", 0},   {"-5", 0},
                                                 {"abc", 0}, {"15", 15}, {"5000", 1439}};
    for (const auto& [cell, interval] : cells) {
        TaskRow row;
        row.subItems = {" A", "/s", "/d", "13:00:00", "2", "", "4", cell};
        const EditorStart start = StartEditTask(row);
        EXPECT_TRUE(start.isEdit);
        EXPECT_EQ(start.oldTaskName, " A");
        EXPECT_TRUE(start.fields.autoChildDir);
        EXPECT_EQ(start.fields.useInterval, interval > 0) << cell;
        EXPECT_EQ(start.fields.interval, interval > 0 ? interval : kDefaultInterval) << cell;
    }
}

constexpr int kRaises = -1;

// Each text gives its value, or raises "'text' <error>" where kRaises stands.
using TextCases = std::vector<std::pair<const char*, int>>;

void ExpectParsed(int (*parse)(const std::string&), const TextCases& cases,
                  const std::string& error) {
    for (const auto& [text, expected] : cases) {
        try {
            EXPECT_EQ(parse(text), expected) << "'" << text << "'";
        } catch (const std::runtime_error& raised) {
            EXPECT_EQ(expected, kRaises) << "'" << text << "' raised";
            EXPECT_EQ(raised.what(), "'" + std::string(text) + "' " + error);
        }
    }
}

int BooleanValue(const std::string& text) {
    return ParseBooleanText(text);
}

TEST(CellTexts, BooleanReadsNumbersThenTrueOrFalse) {
    const TextCases cases = {
        {"1", 1},      {"0", 0},       {"-1", 1},       {"2147483648", 1}, {" 0.0 ", 0},
        {"-.5e3", 1},  {"0e7", 0},     {"TRUE", 1},     {"false", 0},      {"yes", kRaises},
        {"", kRaises}, {".", kRaises}, {"1e", kRaises}, {"$1", kRaises},   {" true", kRaises}};
    ExpectParsed(BooleanValue, cases, "is not a valid boolean value");
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
