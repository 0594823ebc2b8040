#include "web/HomePageRequester.h"

#include "ScriptedServer.h"
#include "support/Sandbox.h"

#include <chrono>
#include <gtest/gtest.h>
#include <optional>

namespace kolvane {
namespace {

using namespace std::chrono_literals;
using testing::ScriptedServer;

class HomePageRequesterTest : public testing::SandboxedTest {};

TEST_F(HomePageRequesterTest, RunsOneExchangeAtATimeOffTheCallersThread) {
    ScriptedServer server({{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}, {""}});
    std::optional<HomePageRequester> requester(std::in_place, server.Address());

    ASSERT_TRUE(requester->Request());
    ASSERT_TRUE(requester->WaitForFinished(1, 10s));
    EXPECT_EQ(requester->LastResult().outcome, ExchangeOutcome::Succeeded);

    // The second answer never comes: the request returns at once and the next one starts nothing.
    const auto handedOver = std::chrono::steady_clock::now();
    ASSERT_TRUE(requester->Request());
    EXPECT_LT(std::chrono::steady_clock::now() - handedOver, 1s);
    ASSERT_TRUE(server.WaitForRequests(2, 10s));
    EXPECT_FALSE(requester->Request());
    EXPECT_EQ(requester->FinishedCount(), 1u);

    const auto ending = std::chrono::steady_clock::now();
    requester.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - ending, 1s);
    EXPECT_EQ(server.Requests().size(), 2u);
}

} // namespace
} // namespace kolvane
