#include "winui/WindowTimer.h"

namespace kolvane::winui {
namespace {

constexpr UINT_PTR kTimerId = 1;

} // namespace

WindowTimer::WindowTimer()
    : window_([this](UINT message, WPARAM, LPARAM) {
          if (message == WM_TIMER)
              Tick();
      }) {}

void WindowTimer::StartOnce(int milliseconds, std::function<void()> onTimeout) {
    onTimeout_ = std::move(onTimeout);
    active_ = true;
    milliseconds_ = milliseconds;
    // USER_TIMER_MINIMUM: a window timer never runs sooner.
    SetTimer(window_.handle(), kTimerId, static_cast<UINT>(milliseconds > 0 ? milliseconds : 1),
             nullptr);
}

void WindowTimer::Stop() {
    KillTimer(window_.handle(), kTimerId);
    active_ = false;
}

void WindowTimer::Tick() {
    if (!active_)
        return;
    Stop();
    // The handler may start the timer again, replacing itself; it runs from a copy.
    const std::function<void()> onTimeout = onTimeout_;
    onTimeout();
}

} // namespace kolvane::winui
