#pragma once

#include "engine/Clock.h"
#include "engine/JobEvents.h"
#include "program/MessageBoxes.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kolvane {
struct TaskRow;
}

namespace kolvane::program {

// What a front end implements so that the program can drive it. Everything here is called on the
// UI thread; texts are UTF-8.

// The main window. Its task list follows the program's task table through the table's listener;
// the log pane and the editor are reached through here.
class MainView {
public:
    virtual ~MainView() = default;
    // Appends lines to the log pane and makes the last one current.
    virtual void AppendLogLines(std::vector<std::string> lines) = 0;
    virtual void ClearLog() = 0;
    // Each shows the task editor modally over the window and returns once it has closed; the
    // editor writes through a settings object of its own on settingsPath.
    virtual void OpenNewTaskEditor(const std::string& settingsPath) = 0;
    virtual void OpenEditTaskEditor(const std::string& settingsPath, const TaskRow& row) = 0;
    virtual void OpenCloneTaskEditor(const std::string& settingsPath, const TaskRow& row) = 0;
    // A run of the task ended with failed files. A view with a notification area may tell the
    // user there; one without shows nothing.
    virtual void NotifyRunFailures(const std::string& taskName, int failedFiles) {
        (void)taskName;
        (void)failedFiles;
    }
};

// A one-shot timer of the UI thread.
class TimerSource {
public:
    virtual ~TimerSource() = default;
    // Calls onTimeout once, about `milliseconds` from now; replaces a call still pending.
    virtual void StartOnce(int milliseconds, std::function<void()> onTimeout) = 0;
    virtual void Stop() = 0;
};

// The hop of copy-job events to the UI thread. Jobs post into sink() on their workers; the front
// end hands what arrived to MainProgram::ShowProgress in batches on the UI thread.
class JobEventPort {
public:
    virtual ~JobEventPort() = default;
    virtual std::shared_ptr<JobEventSink> sink() const = 0;
    // From now on every event is dropped and no batch is handed over.
    virtual void Close() = 0;
};

struct FrontEnd {
    MainView& view;
    MessageBoxService& boxes;
    TimerSource& schedulerTimer;
    JobEventPort& jobEvents;
    std::shared_ptr<const Clock> clock;
    // The caption of the general error box.
    std::string applicationTitle;
};

} // namespace kolvane::program
