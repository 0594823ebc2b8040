#include "platform/Files.h"
#include "store/IniFile.h"
#include "store/TaskEditing.h"
#include "store/TaskOptions.h"
#include "store/TaskTable.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

namespace kolvane {
namespace {

// What the editor wrote for a task before tasks had options.
const std::string kPlainTask = "[A]\ntaskName=A\ntaskSource=/s\ntaskDest=/d\ntaskautoChild=1\n"
                               "taskDD=13:26:00\nuseDelayM=0\ndelayM=60\n";

TaskOptions AllOptions() {
    TaskOptions options;
    options.skipSame = true;
    options.linkSame = true;
    options.keepLast = 3;
    options.excludeMask = "*.tmp; cache";
    options.catchUp = true;
    return options;
}

class TaskOptionsTest : public testing::SandboxedTest {
protected:
    std::string path() const { return pathOf("defaultSet.ini"); }

    void save(const TaskOptions& options, bool isEdit = true) {
        TaskFields fields;
        fields.name = "A";
        fields.source = "/s";
        fields.dest = "/d";
        fields.autoChildDir = true;
        fields.options = options;
        TIniFile ini(path());
        WriteTask(ini, fields, isEdit, "A");
    }

    TaskRow firstRow() const {
        TIniFile ini(path());
        TaskTable table;
        LoadTasks(table, ini);
        return table.rowCount() > 0 ? table.row(0) : TaskRow{};
    }
};

TEST_F(TaskOptionsTest, ATaskWithoutOptionsIsWrittenAsBefore) {
    save({}, false);
    EXPECT_EQ(readFile(path()), kPlainTask);
    EXPECT_EQ(firstRow().options, TaskOptions{});
}

TEST_F(TaskOptionsTest, OptionsFollowTheSevenKeysAndGoAgainWhenTurnedOff) {
    save(AllOptions(), false);
    EXPECT_EQ(readFile(path()), kPlainTask + "skipSame=1\nlinkSame=1\nkeepLast=3\n"
                                             "excludeMask=*.tmp; cache\ncatchUp=1\n");
    EXPECT_EQ(firstRow().options, AllOptions());

    // A run's stamp, a count and a key of another version of the program come after them.
    writeFile(path(), readFile(path()) + "lastRun=2026-03-01 08:00:00\nrunCount=4\nfuture=x\n");
    TaskOptions some = AllOptions();
    some.linkSame = false;
    some.excludeMask.clear();
    save(some);
    EXPECT_EQ(firstRow().options, some);
    save({});
    EXPECT_EQ(readFile(path()), kPlainTask + "runCount=4\nfuture=x\n");
}

TEST_F(TaskOptionsTest, ValuesThatDoNotReadAsOptionsLeaveThemOff) {
    writeFile(path(), kPlainTask + "skipSame=yes\nlinkSame=2\nkeepLast=-3\ncatchUp=0\n[B]\n"
                                   "taskName=B\nkeepLast=$A\n");
    TIniFile ini(path());
    TaskTable table;
    LoadTasks(table, ini);
    TaskOptions expected;
    expected.linkSame = true;
    EXPECT_EQ(table.row(0).options, expected);
    EXPECT_EQ(table.row(1).options.keepLast, 10);
}

TEST_F(TaskOptionsTest, TheEditorOpensWithTheOptionsOfTheRow) {
    TaskRow row;
    row.subItems = {"A", "/s", "/d", "08:00:00", "0", "", "2", ""};
    row.options = AllOptions();
    EXPECT_EQ(StartEditTask(row).fields.options, AllOptions());
    EXPECT_EQ(StartCloneTask(row).fields.options, AllOptions());
    EXPECT_EQ(StartNewTask().fields.options, TaskOptions{});
}

TEST_F(TaskOptionsTest, DeleteKeyRemovesEveryLineOfTheKeyInTheFirstSectionOnly) {
    const std::string other = "[a]\nkeepLast=7\n";
    writeFile(path(), "[A]\nKEEPLAST=1\nx=1\nkeeplast=2\n" + other);
    TIniFile ini(path());
    ini.DeleteKey("a", "keepLast");
    EXPECT_EQ(readFile(path()), "[A]\nx=1\n" + other);

    // Nothing to remove: the file is not written at all.
    const platform::FileIdentity before = platform::IdentityOf(path());
    ini.DeleteKey("A", "keepLast");
    ini.DeleteKey("missing", "x");
    EXPECT_EQ(platform::IdentityOf(path()), before);
}

} // namespace
} // namespace kolvane
