#include "program/HourlyRequest.h"

#include "ProgramTestKit.h"
#include "web/ScriptedServer.h"

#include <gtest/gtest.h>

namespace kolvane::testing {
namespace {

using namespace std::chrono_literals;
using program::HourlyRequest;

// How long the client waits for a silent server: a tick or a close that waited for the exchange
// would return only after this.
WebLimits Patience(std::chrono::milliseconds wait) {
    WebLimits limits;
    limits.answerIdle = wait;
    limits.answerTotal = wait;
    return limits;
}

// The server answers the first request with an error and never answers the second.
TEST(HourlyRequestTest, FirstTickAfterFiveSecondsThenHourlyWithoutWaitingForTheServer) {
    ScriptedServer server({{"HTTP/1.1 500 Oops\r\nContent-Length: 0\r\n\r\n"}, {""}});
    FakeTimer timer;
    HourlyRequest hourly(timer, server.Address(), Patience(5s));
    EXPECT_EQ(timer.pendingMs, 5000);
    EXPECT_TRUE(server.Requests().empty());

    timer.Fire();
    EXPECT_EQ(timer.pendingMs, 3600000);
    ASSERT_TRUE(hourly.Requester()->WaitForFinished(1, 10s));
    EXPECT_EQ(hourly.Requester()->LastResult().outcome, ExchangeOutcome::ErrorAnswer);

    // A failed exchange changes nothing: the next tick comes an hour later and requests again.
    timer.Fire();
    EXPECT_EQ(timer.pendingMs, 3600000);
    ASSERT_TRUE(server.WaitForRequests(2, 10s));
    // The server stays silent: a tick that waited for the exchange would not have returned.
    EXPECT_FALSE(hourly.Requester()->WaitForFinished(2, 0ms));
    // The second exchange is still running: this tick starts nothing but keeps the hour.
    timer.Fire();
    EXPECT_EQ(timer.pendingMs, 3600000);
    EXPECT_FALSE(hourly.Requester()->WaitForFinished(2, 0ms));
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST(HourlyRequestTest, CloseStopsTheTimerAndAbortsTheExchangeUnderWay) {
    ScriptedServer server({{""}});
    FakeTimer timer;
    HourlyRequest hourly(timer, server.Address(), Patience(20s));
    timer.Fire();
    ASSERT_TRUE(server.WaitForRequests(1, 10s));

    const auto started = std::chrono::steady_clock::now();
    hourly.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_TRUE(server.WaitForEndedConnections(1, 10s));
    EXPECT_EQ(timer.pendingMs, -1);
    EXPECT_EQ(hourly.Requester(), nullptr);

    // A tick already on its way when the window closed arms nothing and requests nothing.
    hourly.Timer1Timer();
    EXPECT_EQ(timer.pendingMs, -1);
    hourly.Close();
}

} // namespace
} // namespace kolvane::testing
