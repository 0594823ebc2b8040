#pragma once

#include "program/FrontEnd.h"
#include "web/HomePageClient.h"
#include "web/HomePageRequester.h"

#include <optional>
#include <string_view>

namespace kolvane::program {

// Fetches the home page about five seconds after it is made and then every hour, on a one-shot
// timer of the front end's (`Timer1`) that each tick arms again before anything else. The
// exchange runs on the requester's own worker thread: a tick hands it over and returns, so a slow
// or silent server holds up neither the UI thread nor the next tick. Lives on the UI thread.
class HourlyRequest {
public:
    static constexpr int kFirstDelayMs = 5000;
    static constexpr int kHourMs = 3600000;

    // Arms Timer1 for the first tick.
    HourlyRequest(TimerSource& timer1, std::string_view address, WebLimits limits = {});
    // Runs Close if nobody did.
    ~HourlyRequest();
    HourlyRequest(const HourlyRequest&) = delete;
    HourlyRequest& operator=(const HourlyRequest&) = delete;

    // The tick: the next one an hour from now, then one exchange unless the last is still running.
    void Timer1Timer();

    // Stops Timer1 and ends an exchange under way at once; nothing is requested afterwards.
    void Close();
    bool closed() const { return !IdHTTP1.has_value(); }

    // Empty once closed.
    const HomePageRequester* Requester() const { return IdHTTP1 ? &*IdHTTP1 : nullptr; }

private:
    TimerSource& Timer1;
    std::optional<HomePageRequester> IdHTTP1;
};

} // namespace kolvane::program
