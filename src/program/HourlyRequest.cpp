#include "program/HourlyRequest.h"

namespace kolvane::program {

HourlyRequest::HourlyRequest(TimerSource& timer1, std::string_view address, WebLimits limits)
    : Timer1(timer1) {
    IdHTTP1.emplace(address, limits);
    Timer1.StartOnce(kFirstDelayMs, [this] { Timer1Timer(); });
}

HourlyRequest::~HourlyRequest() {
    Close();
}

void HourlyRequest::Timer1Timer() {
    if (closed())
        return;
    // Armed before the exchange is handed over, so the hour counts from this tick whatever the
    // exchange meets; a tick that finds the last exchange still running starts nothing.
    Timer1.StartOnce(kHourMs, [this] { Timer1Timer(); });
    IdHTTP1->Request();
}

void HourlyRequest::Close() {
    if (closed())
        return;
    Timer1.Stop();
    // The requester's end aborts the exchange and waits for its worker.
    IdHTTP1.reset();
}

} // namespace kolvane::program
