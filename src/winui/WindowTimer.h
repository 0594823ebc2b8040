#pragma once

#include "program/FrontEnd.h"
#include "winui/MessageWindow.h"

#include <functional>

namespace kolvane::winui {

// A program timer on a window timer of the UI thread; its ticks come as WM_TIMER messages, inside
// modal loops too.
class WindowTimer final : public program::TimerSource {
public:
    WindowTimer();

    void StartOnce(int milliseconds, std::function<void()> onTimeout) override;
    void Stop() override;
    bool active() const { return active_; }
    // The delay it was last started with.
    int milliseconds() const { return milliseconds_; }
    // Where its WM_TIMER messages go; a test may send one there as the system would.
    HWND handle() const { return window_.handle(); }

private:
    void Tick();

    MessageWindow window_;
    std::function<void()> onTimeout_;
    bool active_ = false;
    int milliseconds_ = 0;
};

} // namespace kolvane::winui
