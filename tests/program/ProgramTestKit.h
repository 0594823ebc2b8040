#pragma once

#include "program/FrontEnd.h"
#include "program/MainProgram.h"
#include "store/TaskTable.h"
#include "support/Sandbox.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kolvane::testing {

// A clock the test sets; jobs read it from their threads.
struct SettableClock final : Clock {
    explicit SettableClock(int secondOfDay) : secondOfDay(secondOfDay) {}
    LocalDateTime Now() const override {
        const int s = secondOfDay;
        return {2026, 3, 1, s / 3600, s / 60 % 60, s % 60};
    }
    std::atomic<int> secondOfDay;
};

struct FakeView final : program::MainView {
    void AppendLogLines(std::vector<std::string> lines) override {
        log.insert(log.end(), lines.begin(), lines.end());
    }
    void ClearLog() override { log.clear(); }
    void OpenNewTaskEditor(const std::string& path) override { editors.push_back("new " + path); }
    void OpenEditTaskEditor(const std::string&, const TaskRow& row) override {
        editors.push_back("edit " + row.subItems[kNameCell]);
        duringEditor();
    }
    void OpenCloneTaskEditor(const std::string&, const TaskRow& row) override {
        editors.push_back("clone " + row.subItems[kNameCell]);
        duringEditor();
    }

    void NotifyRunFailures(const std::string& taskName, int failedFiles) override {
        notifications.push_back(taskName + ":" + std::to_string(failedFiles));
    }

    std::vector<std::string> log;
    std::vector<std::string> editors;
    std::vector<std::string> notifications;
    std::function<void()> duringEditor = [] {};
};

// Records every box; the answer function runs while the box would be open.
struct FakeBoxes final : program::MessageBoxService {
    bool Show(const program::MessageBoxRequest& request) override {
        shown.push_back(request);
        return answer(request);
    }
    std::vector<program::MessageBoxRequest> shown;
    std::function<bool(const program::MessageBoxRequest&)> answer = [](auto&) { return true; };
};

struct FakeTimer final : program::TimerSource {
    void StartOnce(int milliseconds, std::function<void()> onTimeout) override {
        pendingMs = milliseconds;
        handler = std::move(onTimeout);
    }
    void Stop() override { pendingMs = -1; }
    // Runs the tick as the timer would, if it is armed.
    void Fire() {
        if (pendingMs < 0)
            return;
        pendingMs = -1;
        // The handler may arm the timer again, replacing itself: it runs from a copy.
        const std::function<void()> onTimeout = handler;
        onTimeout();
    }
    int pendingMs = -1;
    std::function<void()> handler;
};

// Collects what jobs post; the test hands it to the program, as the front end's pump would.
struct FakeJobEvents final : program::JobEventPort {
    struct Collector final : JobEventSink {
        void Post(JobEvent event) override {
            std::lock_guard lock(mutex);
            if (!closed)
                events.push_back(std::move(event));
        }
        std::mutex mutex;
        std::vector<JobEvent> events;
        bool closed = false;
    };
    std::shared_ptr<JobEventSink> sink() const override { return collector; }
    void Close() override {
        std::lock_guard lock(collector->mutex);
        collector->closed = true;
        collector->events.clear();
    }
    std::vector<JobEvent> Take() {
        std::lock_guard lock(collector->mutex);
        return std::exchange(collector->events, {});
    }
    bool closed() {
        std::lock_guard lock(collector->mutex);
        return collector->closed;
    }
    const std::shared_ptr<Collector> collector = std::make_shared<Collector>();
};

// The program over the test's own settings file, with fakes for its front end.
class ProgramTest : public SandboxedTest {
protected:
    std::string settingsFile() const { return pathOf("defaultSet.ini"); }
    std::string settings() const { return readFile(settingsFile()); }

    program::MainProgram& Start(const std::string& content, int secondOfDay = 3 * 3600) {
        writeFile(settingsFile(), content);
        clock->secondOfDay = secondOfDay;
        program = std::make_unique<program::MainProgram>(
            settingsFile(), program::FrontEnd{view, boxes, timer, events, clock, "Kolvane"});
        return *program;
    }

    // Hands every event posted so far to the program, until `done` holds or 20 s have passed.
    template <typename Done> bool DeliverUntil(Done done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (;;) {
            if (std::vector<JobEvent> batch = events.Take(); !batch.empty())
                program->ShowProgress(batch);
            if (done() || std::chrono::steady_clock::now() > deadline)
                return done();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    const std::string& cell(int row, int subItem) { return program->table().cell(row, subItem); }

    void TearDown() override {
        program.reset();
        SandboxedTest::TearDown();
    }

    FakeView view;
    FakeBoxes boxes;
    FakeTimer timer;
    FakeJobEvents events;
    std::shared_ptr<SettableClock> clock = std::make_shared<SettableClock>(0);
    std::unique_ptr<program::MainProgram> program;
};

inline std::string Section(const std::string& name, const std::string& extra = {}) {
    return "[" + name + "]\ntaskName=" + name +
           "\ntaskSource=/nowhere\ntaskDest=/nowhere\ntaskDD=03:00:00\n" + extra;
}

} // namespace kolvane::testing
