#pragma once

#include "engine/JobEvents.h"
#include "program/FrontEnd.h"
#include "winui/MessageWindow.h"

#include <functional>
#include <memory>
#include <vector>

namespace kolvane::winui {

// Carries copy-job events from the workers to the UI thread, the one place where they cross.
// The queue's wake runs on a worker thread and only posts a message; on the UI thread that
// message lets a batch collect for a few milliseconds, then the whole batch goes to the handler
// at once. No worker ever touches a window.
class JobEventPump final : public program::JobEventPort {
public:
    using BatchHandler = std::function<void(const std::vector<JobEvent>& batch)>;

    static constexpr int kBatchWindowMs = 25;

    explicit JobEventPump(BatchHandler handler);
    ~JobEventPump() override;

    std::shared_ptr<JobEventSink> sink() const override { return queue_; }
    void Close() override;

private:
    void OnMessage(UINT message);

    BatchHandler handler_;
    MessageWindow window_;
    std::shared_ptr<JobEventQueue> queue_;
    bool collecting_ = false;
    bool closed_ = false;
};

} // namespace kolvane::winui
