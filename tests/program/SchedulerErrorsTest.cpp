#include "ProgramTestKit.h"

#include <gtest/gtest.h>

namespace kolvane::testing {
namespace {

constexpr int kEight = 8 * 3600;

// Every minute from 08:00:00, into a destination that cannot be made.
std::string Unmakeable(const std::string& name) {
    return "[" + name + "]\ntaskName=" + name +
           "\ntaskSource=/nowhere\ntaskDest=\ntaskDD=08:00:00\nuseDelayM=1\ndelayM=1\n";
}

// An interval on a time the scheduler cannot read.
std::string BadTime(const std::string& name) {
    return "[" + name + "]\ntaskName=" + name +
           "\ntaskSource=/nowhere\ntaskDest=/nowhere\ntaskDD=8h\nuseDelayM=1\ndelayM=1\n";
}

std::vector<std::string> Texts(const std::vector<program::MessageBoxRequest>& boxes) {
    std::vector<std::string> texts;
    for (const auto& box : boxes) {
        EXPECT_EQ(box.kind, program::BoxKind::Error);
        EXPECT_EQ(box.caption, "Kolvane");
        texts.push_back(box.text);
    }
    return texts;
}

class SchedulerErrors : public ProgramTest {
protected:
    // The tick for the given second, as the timer delivers it.
    void TickAt(int secondOfDay) {
        clock->secondOfDay = secondOfDay;
        timer.Fire();
    }
};

TEST_F(SchedulerErrors, EveryErrorOfOneTickGetsItsBoxInTurn) {
    Start(BadTime("late") + BadTime("later") + Unmakeable("bad"), kEight - 1);
    std::vector<size_t> openAtOnce;
    int open = 0;
    boxes.answer = [&](auto&) {
        openAtOnce.push_back(++open);
        --open;
        return true;
    };

    TickAt(kEight);

    EXPECT_EQ(Texts(boxes.shown),
              (std::vector<std::string>{"'8h' is not a valid time.", "'8h' is not a valid time.",
                                        "Unable to create directory."}));
    EXPECT_EQ(openAtOnce, (std::vector<size_t>{1, 1, 1}));
    EXPECT_TRUE(view.log.empty());
    // The bad times are reported once; the failing run is reported on every due tick.
    TickAt(kEight + 60);
    EXPECT_EQ(boxes.shown.size(), 4u);
}

TEST_F(SchedulerErrors, ErrorsOfTicksWhileItsBoxIsOpenGoToTheLogWithAStamp) {
    Start(BadTime("late") + Unmakeable("bad"), kEight - 1);
    boxes.answer = [&](auto&) {
        // The box stays open while the next minute's run fails as well.
        if (boxes.shown.size() == 1)
            TickAt(kEight + 60);
        return true;
    };

    TickAt(kEight);

    EXPECT_EQ(Texts(boxes.shown), (std::vector<std::string>{"'8h' is not a valid time.",
                                                            "Unable to create directory."}));
    EXPECT_EQ(view.log,
              (std::vector<std::string>{"2026-03-01 08:01:00：Unable to create directory."}));
    // Once the boxes are closed, the next error gets a box again.
    TickAt(kEight + 120);
    EXPECT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(view.log.size(), 1u);
}

TEST_F(SchedulerErrors, NoBoxFollowsAClose) {
    Start(BadTime("late") + BadTime("later"), kEight - 1);
    boxes.answer = [&](auto&) {
        program->Close();
        return true;
    };
    TickAt(kEight);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(timer.pendingMs, -1);
}

} // namespace
} // namespace kolvane::testing
