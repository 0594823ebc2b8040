#include "store/IniFile.h"
#include "store/TaskEditing.h"
#include "store/TaskTable.h"
#include "support/Sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace kolvane {
namespace {

struct CheckCase {
    const char* name;
    const char* source;
    const char* dest;
    std::optional<EditorPage> page;
    std::optional<EditorField> field;
    const char* message;
};

class TaskFieldChecks : public ::testing::TestWithParam<CheckCase> {};

TEST_P(TaskFieldChecks, NameTheFirstEmptyFieldAfterTrimming) {
    const CheckCase& c = GetParam();
    TaskFields fields;
    fields.name = c.name;
    fields.source = c.source;
    fields.dest = c.dest;
    const auto problem = CheckTaskFields(fields);
    ASSERT_EQ(problem.has_value(), c.page.has_value());
    if (problem) {
        EXPECT_EQ(problem->page, *c.page);
        EXPECT_EQ(problem->field, *c.field);
        EXPECT_EQ(problem->message, c.message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, TaskFieldChecks,
    ::testing::Values(
        CheckCase{"", "", "", EditorPage::Base, EditorField::TaskName, "任务名不能为空"},
        CheckCase{" \t\r\n\x1f ", "/s", "/d", EditorPage::Base, EditorField::TaskName,
                  "任务名不能为空"},
        CheckCase{"a", "  ", "/d", EditorPage::Dir, EditorField::Source, "源目录（文件）不能为空"},
        CheckCase{"a", "/s", "\t", EditorPage::Dir, EditorField::Dest, "目标目录不能为空"},
        CheckCase{" a ", " /s", "/d ", std::nullopt, std::nullopt, ""}));

TEST(TaskRenameRule, ComparesTrimmedNamesWithLetterCase) {
    EXPECT_FALSE(IsRename(true, "daily", "daily"));
    EXPECT_FALSE(IsRename(true, " daily", "daily\t "));
    EXPECT_TRUE(IsRename(true, "daily", "Daily"));
    EXPECT_TRUE(IsRename(true, "daily", "weekly"));
    EXPECT_FALSE(IsRename(false, "daily", "weekly"));
}

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

TEST_F(TaskWriting, EditWithoutRenameKeepsRunCountAndPlace) {
    writeTwoTasks();
    save(task("A"), true, "A");
    const TaskTable table = reload();
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.cell(0, kNameCell), "A");
    EXPECT_EQ(table.cell(0, kSourceCell), "/src/A");
    EXPECT_EQ(table.cell(0, kRunCountCell), "5");
}

struct RenameCase {
    const char* newName;
    std::vector<std::string> namesAfter;
    const char* runCountOfEdited;
};

class TaskRenames : public TaskWriting, public ::testing::WithParamInterface<RenameCase> {};

TEST_P(TaskRenames, MoveTheTaskToTheEndOnlyWhenTheTrimmedNameChanged) {
    writeTwoTasks();
    save(task(GetParam().newName), true, "A");
    const TaskTable table = reload();
    std::vector<std::string> names;
    for (int row = 0; row < table.rowCount(); ++row)
        names.push_back(table.cell(row, kNameCell));
    EXPECT_EQ(names, GetParam().namesAfter);
    for (int row = 0; row < table.rowCount(); ++row) {
        if (table.cell(row, kNameCell) == GetParam().newName) {
            EXPECT_EQ(table.cell(row, kRunCountCell), GetParam().runCountOfEdited);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, TaskRenames,
                         ::testing::Values(RenameCase{"C", {"B", "C"}, "0"},
                                           RenameCase{"a", {"B", "a"}, "0"},
                                           RenameCase{" A ", {" A ", "B"}, "5"}));

TEST_F(TaskWriting, NewTaskOverAnExistingNameReplacesItAndKeepsItsCount) {
    writeTwoTasks();
    save(task("b"));
    const TaskTable table = reload();
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.cell(1, kNameCell), "b");
    EXPECT_EQ(table.cell(1, kSourceCell), "/src/b");
    EXPECT_EQ(table.cell(1, kRunCountCell), "7");
}

TEST_F(TaskWriting, UnwritableFileRaisesTheWriteError) {
    // A regular file where the directory should be: no write can succeed, whoever runs the test.
    writeFile(pathOf("blocker"), "");
    TIniFile ini(pathOf("blocker/defaultSet.ini"));
    EXPECT_THROW(WriteTask(ini, task("C"), false, {}), WriteError);
    EXPECT_THROW(WriteTask(ini, task("C"), true, "A"), WriteError);
}

TEST(TaskOpeners, CloneAddsOneToTheNameAndDropsTheInterval) {
    TaskRow row;
    row.subItems = {"A", "/s", "/d", "07:00:30", "1", "3 / 9", "4", "30"};
    const EditorStart start = StartCloneTask(row);
    EXPECT_EQ(start.fields.name, "A1");
    EXPECT_EQ(start.fields.source, "/s");
    EXPECT_EQ(start.fields.dest, "/d");
    EXPECT_EQ(start.fields.timeOfDay, 7 * 3600 + 30);
    EXPECT_TRUE(start.fields.autoChildDir);
    EXPECT_FALSE(start.fields.useInterval);
    EXPECT_EQ(start.fields.interval, kDefaultInterval);
    EXPECT_FALSE(start.isEdit);
}

struct IntervalCellCase {
    const char* cell;
    bool useInterval;
    int interval;
};

class EditIntervalCells : public ::testing::TestWithParam<IntervalCellCase> {};

TEST_P(EditIntervalCells, TickTheBoxOnlyForAPositiveNumberAndClampIt) {
    TaskRow row;
    row.subItems = {" A", "/s", "/d", "13:00:00", "2", "", "4", GetParam().cell};
    const EditorStart start = StartEditTask(row);
    EXPECT_TRUE(start.isEdit);
    EXPECT_EQ(start.oldTaskName, " A");
    EXPECT_TRUE(start.fields.autoChildDir);
    EXPECT_EQ(start.fields.useInterval, GetParam().useInterval);
    EXPECT_EQ(start.fields.interval, GetParam().interval);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EditIntervalCells,
    ::testing::Values(IntervalCellCase{"", false, 60}, IntervalCellCase{"0", false, 60},
                      IntervalCellCase{"-5", false, 60}, IntervalCellCase{"abc", false, 60},
                      IntervalCellCase{"15", true, 15}, IntervalCellCase{"5000", true, 1439}));

TEST(TaskOpeners, EmptyTimeCellRaisesTheDateAndTimeError) {
    TaskRow row;
    row.subItems = {"A", "/s", "/d", "", "0", "", "0", ""};
    try {
        StartEditTask(row);
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "'' is not a valid date and time");
    }
    EXPECT_THROW(StartCloneTask(row), std::runtime_error);
}

struct BooleanCase {
    const char* text;
    std::optional<bool> value;
};

class BooleanTexts : public ::testing::TestWithParam<BooleanCase> {};

TEST_P(BooleanTexts, ReadNumbersThenTrueOrFalse) {
    const BooleanCase& c = GetParam();
    if (c.value) {
        EXPECT_EQ(ParseBooleanText(c.text), *c.value) << c.text;
        return;
    }
    try {
        ParseBooleanText(c.text);
        FAIL() << c.text;
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(error.what(), "'" + std::string(c.text) + "' is not a valid boolean value");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, BooleanTexts,
    ::testing::Values(BooleanCase{"1", true}, BooleanCase{"0", false}, BooleanCase{"-1", true},
                      BooleanCase{"2147483648", true}, BooleanCase{" 0.0 ", false},
                      BooleanCase{"-.5e3", true}, BooleanCase{"0e7", false},
                      BooleanCase{"TRUE", true}, BooleanCase{"false", false},
                      BooleanCase{"yes", std::nullopt}, BooleanCase{"", std::nullopt},
                      BooleanCase{".", std::nullopt}, BooleanCase{"1e", std::nullopt},
                      BooleanCase{"$1", std::nullopt}, BooleanCase{" true", std::nullopt}));

struct DateTimeCase {
    const char* text;
    std::optional<int> seconds;
};

class DateTimeTexts : public ::testing::TestWithParam<DateTimeCase> {};

TEST_P(DateTimeTexts, TakeTheTimeOfDayOfATimeOrADate) {
    const DateTimeCase& c = GetParam();
    if (c.seconds) {
        EXPECT_EQ(ParseDateTimeText(c.text), *c.seconds) << c.text;
        return;
    }
    try {
        ParseDateTimeText(c.text);
        FAIL() << c.text;
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(error.what(), "'" + std::string(c.text) + "' is not a valid date and time");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DateTimeTexts,
    ::testing::Values(DateTimeCase{"08:30:00", 30600}, DateTimeCase{" 8:05 ", 29100},
                      DateTimeCase{"23:59:59", 86399}, DateTimeCase{"2024-02-29 07:00:01", 25201},
                      DateTimeCase{"2024/1/5", 0}, DateTimeCase{"2024-01-05  ", 0},
                      DateTimeCase{"", std::nullopt}, DateTimeCase{"8", std::nullopt},
                      DateTimeCase{"24:00:00", std::nullopt},
                      DateTimeCase{"2023-02-29", std::nullopt},
                      DateTimeCase{"2024-01/05", std::nullopt},
                      DateTimeCase{"2024-01-05T08:00", std::nullopt},
                      DateTimeCase{"2024-13-01", std::nullopt}));

TEST(IntervalText, ReadsTheIntegerRuleAndClampsNoNumberToOne) {
    EXPECT_EQ(IntervalOfText("5000"), 1439);
    EXPECT_EQ(IntervalOfText(" 42"), 42);
    EXPECT_EQ(IntervalOfText("$10"), 16);
    EXPECT_EQ(IntervalOfText("0"), 1);
    EXPECT_EQ(IntervalOfText("-3"), 1);
    EXPECT_EQ(IntervalOfText("abc"), 1);
    EXPECT_EQ(IntervalOfText(""), 1);
    EXPECT_EQ(IntervalOfText("1.5"), 1);
}

} // namespace
} // namespace kolvane
