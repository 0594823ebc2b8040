#include "store/IniFile.h"
#include "store/TaskTable.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

namespace kolvane {
namespace {

class LoadTasksTest : public testing::SandboxedTest {
protected:
    TaskTable load(const std::string& content) {
        writeFile(pathOf("defaultSet.ini"), content);
        TIniFile ini(pathOf("defaultSet.ini"));
        TaskTable table;
        LoadTasks(table, ini);
        return table;
    }
};

TEST_F(LoadTasksTest, MissingFileOrNoSectionsGivesAnEmptyTable) {
    TIniFile ini(pathOf("defaultSet.ini"));
    TaskTable table;
    LoadTasks(table, ini);
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(load("; only a comment\n").rowCount(), 0);
}

TEST_F(LoadTasksTest, RowsOfShadowedSectionsShowTheFirstAndAreReported) {
    writeFile(pathOf("defaultSet.ini"), "[t1]\ntaskName=t1\nrunCount=1\n[Docs]\ntaskName=Docs\n"
                                        "[t1]\ntaskName=t1\nrunCount=2\n[ docs ]\ntaskName=d\n");
    TIniFile ini(pathOf("defaultSet.ini"));
    TaskTable table;
    EXPECT_EQ(LoadTasks(table, ini), (std::vector<std::string>{"t1", "docs"}));
    ASSERT_EQ(table.rowCount(), 4);
    EXPECT_EQ(table.row(2).subItems, table.row(0).subItems);
    EXPECT_EQ(table.cell(3, kNameCell), "Docs");
}

TEST_F(LoadTasksTest, BuildsOneRowPerSectionInFileOrder) {
    const TaskTable table = load("[daily]\ntaskName=daily\ntaskSource=/data\ntaskDest=/bk\n"
                                 "taskautoChild=1\ntaskDD=08:30:00\nuseDelayM=0\ndelayM=60\n"
                                 "runCount=3\n"
                                 "[b]\ntaskName=b\n");
    ASSERT_EQ(table.rowCount(), 2);
    const TaskRow& row = table.row(0);
    EXPECT_EQ(row.caption, "文件拷贝");
    EXPECT_EQ(row.subItems,
              (std::array<std::string, 8>{"daily", "/data", "/bk", "08:30:00", "1", "", "3", ""}));
    EXPECT_EQ(table.cell(1, kNameCell), "b");
}

struct CellCase {
    const char* keys;
    int subItem;
    const char* expected;
};

class CellDefaults : public LoadTasksTest, public ::testing::WithParamInterface<CellCase> {};

TEST_P(CellDefaults, DerivesTheCellFromTheStoredValue) {
    const TaskTable table = load(std::string("[t]\ntaskName=t\n") + GetParam().keys);
    ASSERT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.cell(0, GetParam().subItem), GetParam().expected) << GetParam().keys;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CellDefaults,
    ::testing::Values(CellCase{"useDelayM=1\n", kIntervalCell, "60"},
                      CellCase{"useDelayM=0\ndelayM=15\n", kIntervalCell, ""},
                      CellCase{"useDelayM=1\ndelayM=0\n", kIntervalCell, "0"},
                      CellCase{"useDelayM=True\ndelayM=15\n", kIntervalCell, ""},
                      CellCase{"useDelayM=-1\ndelayM=$10\n", kIntervalCell, "16"},
                      CellCase{"taskautoChild=-1\n", kSubDirCell, "1"},
                      CellCase{"taskautoChild=2\n", kSubDirCell, "2"},
                      CellCase{"taskautoChild=junk\n", kSubDirCell, "0"},
                      CellCase{"taskautoChild=-2147483648\n", kSubDirCell, "-2147483648"},
                      CellCase{"", kSubDirCell, "0"}, CellCase{"", kRunCountCell, "0"},
                      CellCase{"runCount=0x1F\n", kRunCountCell, "31"},
                      CellCase{"taskDD= 8:00:00 \n", kTimeCell, "8:00:00"},
                      CellCase{"runCount=7\n", kProgressCell, ""}));

TEST_F(LoadTasksTest, RowWithoutTaskNameHasAnEmptyNameCell) {
    const TaskTable table = load("[orphan]\ntaskSource=/x\n");
    ASSERT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.cell(0, kNameCell), "");
    EXPECT_EQ(table.cell(0, kSourceCell), "/x");
}

class RecordingListener : public TaskTableListener {
public:
    void rowsAboutToBeReplaced() override { events += "about;"; }
    void rowsReplaced() override { events += "replaced;"; }
    void cellChanged(int row, int subItem) override {
        events += "cell " + std::to_string(row) + "," + std::to_string(subItem) + ";";
    }
    std::string events;
};

TEST_F(LoadTasksTest, RebuildDropsSelectionAndProgressAndTellsTheView) {
    writeFile(pathOf("defaultSet.ini"), "[a]\ntaskName=a\n[b]\ntaskName=b\n");
    TIniFile ini(pathOf("defaultSet.ini"));
    TaskTable table;
    RecordingListener listener;
    table.setListener(&listener);
    LoadTasks(table, ini);
    const unsigned firstGeneration = table.generation();
    table.setSelectedIndex(1);
    table.setCell(1, kProgressCell, "3 / 10");
    LoadTasks(table, ini);

    EXPECT_EQ(listener.events, "about;replaced;cell 1,5;about;replaced;");
    EXPECT_EQ(table.selectedIndex(), -1);
    EXPECT_EQ(table.cell(1, kProgressCell), "");
    EXPECT_NE(table.generation(), firstGeneration);
    table.setSelectedIndex(5);
    EXPECT_EQ(table.selectedIndex(), -1);
}

} // namespace
} // namespace kolvane
