#include "web/HomePageClient.h"

#include "ScriptedServer.h"
#include "support/Sandbox.h"

#include <chrono>
#include <gtest/gtest.h>

namespace kolvane {
namespace {

using namespace std::chrono_literals;
using testing::ScriptedReply;
using testing::ScriptedServer;

constexpr std::chrono::milliseconds BoundedWait = 10s;

std::string Answer(std::string statusAndHeaders, std::string body = {}) {
    return statusAndHeaders + "\r\n\r\n" + body;
}

const std::string EmptyOk = Answer("HTTP/1.1 200 OK\r\nContent-Length: 0");

std::string RequestFor(const ScriptedServer& server, const std::string& extraLines = {}) {
    const std::string host = server.Address().substr(std::string("http://").size());
    return "GET / HTTP/1.1\r\nHost: " + host +
           "\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n" +
           extraLines + "\r\n";
}

class HomePageClientTest : public testing::SandboxedTest {};

TEST_F(HomePageClientTest, SendsExactlyTheRequestLinesAndCookiesFromTheStore) {
    ScriptedServer server({{Answer("HTTP/1.1 200 OK\r\nSet-Cookie: sid=abc; path=/\r\n"
                                   "Content-Length: 2",
                                   "hi")},
                           {EmptyOk}});
    HomePageClient client(server.Address());

    EXPECT_EQ(client.Exchange().outcome, ExchangeOutcome::Succeeded);
    EXPECT_EQ(client.Exchange().outcome, ExchangeOutcome::Succeeded);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].bytes, RequestFor(server));
    EXPECT_EQ(requests[1].bytes, RequestFor(server, "Cookie: sid=abc\r\n"));
}

TEST_F(HomePageClientTest, BasicChallengesSwitchOnEmptyCredentialsBeforeTheCookie) {
    ScriptedServer server(
        {{Answer("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Negotiate\r\n"
                 "WWW-Authenticate: basic realm=\"k\"\r\nSet-Cookie: sid=abc\r\nContent-Length: 4",
                 "nope")},
         {Answer("HTTP/1.1 407 Proxy Authentication Required\r\n"
                 "Proxy-Authenticate: Basic realm=\"p\"\r\nContent-Length: 0")},
         {EmptyOk}});
    HomePageClient client(server.Address());

    EXPECT_EQ(client.Exchange().outcome, ExchangeOutcome::ErrorAnswer);
    EXPECT_EQ(client.Exchange().outcome, ExchangeOutcome::ErrorAnswer);
    EXPECT_EQ(client.Exchange().outcome, ExchangeOutcome::Succeeded);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].bytes,
              RequestFor(server, "Authorization: Basic Og==\r\nCookie: sid=abc\r\n"));
    EXPECT_EQ(requests[2].bytes, RequestFor(server, "Authorization: Basic Og==\r\n"
                                                    "Proxy-Authorization: Basic Og==\r\n"
                                                    "Cookie: sid=abc\r\n"));
}

TEST_F(HomePageClientTest, RedirectsAreNotFollowed) {
    for (const std::string status : {"302 Found", "200 OK"}) {
        SCOPED_TRACE(status);
        ScriptedServer server({{Answer("HTTP/1.1 " + status +
                                           "\r\nLocation: http://127.0.0.1:1/elsewhere\r\n"
                                           "Content-Length: 5",
                                       "moved")}});
        HomePageClient client(server.Address());

        EXPECT_EQ(client.Exchange().outcome, ExchangeOutcome::Redirected);
        EXPECT_EQ(server.Requests().size(), 1u);
    }
}

struct KeepAliveCase {
    const char* name;
    ScriptedReply first;
    std::uint64_t bodyBytes;
    bool sameConnectionNext;
};

TEST_F(HomePageClientTest, ConsumesEachKindOfBodyAndKeepsTheConnectionUnlessClosed) {
    const KeepAliveCase cases[] = {
        {"length", {Answer("HTTP/1.1 200 OK\r\nContent-Length: 5", "hello")}, 5, true},
        {"length 0", {EmptyOk}, 0, true},
        {"204", {Answer("HTTP/1.1 204 No Content")}, 0, true},
        {"chunked",
         {Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked",
                 "5\r\nhello\r\n3\r\nabc\r\n0\r\nLocation: /trailer\r\n\r\n")},
         8,
         true},
        {"Connection: close",
         {Answer("HTTP/1.1 200 OK\r\nConnection: Close \r\nContent-Length: 0")},
         0,
         false},
        {"Proxy-Connection: close",
         {Answer("HTTP/1.1 200 OK\r\nProxy-Connection: close\r\nContent-Length: 0")},
         0,
         false},
        {"server closes after the answer", {EmptyOk, true}, 0, false},
        {"read to close", {Answer("HTTP/1.1 200 OK", "until the end"), true}, 13, false},
        {"length cut short by close",
         {Answer("HTTP/1.1 200 OK\r\nContent-Length: 50", "short"), true},
         5,
         false},
    };
    for (const KeepAliveCase& test : cases) {
        SCOPED_TRACE(test.name);
        ScriptedServer server({test.first, {EmptyOk}});
        HomePageClient client(server.Address());

        const ExchangeResult first = client.Exchange();
        EXPECT_EQ(first.outcome, ExchangeOutcome::Succeeded);
        EXPECT_EQ(first.bodyBytes, test.bodyBytes);
        EXPECT_EQ(client.Exchange().outcome, ExchangeOutcome::Succeeded);

        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[0].connection == requests[1].connection, test.sameConnectionNext);
    }
}

// A 100 answer is followed by the real one; any other interim answer fails the exchange at once.
TEST_F(HomePageClientTest, InterimAnswersBeforeTheFinalOne) {
    ScriptedServer server({{Answer("HTTP/1.1 100 Continue\r\nSet-Cookie: early=1") + EmptyOk},
                           {Answer("HTTP/1.1 103 Early Hints\r\nLink: </a>")}});
    HomePageClient client(server.Address());

    EXPECT_EQ(client.Exchange().outcome, ExchangeOutcome::Succeeded);
    EXPECT_EQ(client.Cookies().CookieLine("127.0.0.1", "/"), "early=1");
    const ExchangeResult hinted = client.Exchange();
    EXPECT_EQ(hinted.outcome, ExchangeOutcome::ErrorAnswer);
    EXPECT_EQ(hinted.status, 103);
}

TEST_F(HomePageClientTest, LinesLongerThan16384BytesFailTheExchange) {
    for (const std::size_t length : {16384u, 16385u}) {
        SCOPED_TRACE(length);
        const std::string header = "X-Long: "; // the line's CR counts, its LF does not
        ScriptedServer server({{Answer("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n" + header +
                                       std::string(length - header.size() - 1, 'x'))}});
        HomePageClient client(server.Address());

        EXPECT_EQ(client.Exchange().outcome,
                  length == 16384u ? ExchangeOutcome::Succeeded : ExchangeOutcome::LineTooLong);
    }
}

int UnusedPort() {
    // The server's port is free again once it is gone; nothing listens there any more.
    std::string address;
    {
        ScriptedServer server({});
        address = server.Address();
    }
    return std::stoi(address.substr(address.rfind(':') + 1));
}

TEST_F(HomePageClientTest, NamesThatDoNotResolveAndRefusedConnectionsFailQuietly) {
    // Two dots in a row: the resolver rejects the name without asking any name server.
    for (const std::string& address :
         {std::string("http://no..such.host"), "http://127.0.0.1:" + std::to_string(UnusedPort()),
          std::string("ftp://127.0.0.1")}) {
        SCOPED_TRACE(address);
        HomePageClient client(address);
        const auto started = std::chrono::steady_clock::now();
        const ExchangeResult result = client.Exchange();
        EXPECT_NE(result.outcome, ExchangeOutcome::Succeeded);
        EXPECT_EQ(result.status, -1);
        EXPECT_LT(std::chrono::steady_clock::now() - started, BoundedWait);
    }
}

TEST_F(HomePageClientTest, StalledAnswersEndAtTheirOwnLimits) {
    struct StallCase {
        const char* name;
        std::string answer;
        WebLimits limits;
        std::chrono::milliseconds atLeast;
    };
    const std::string errorHead = "HTTP/1.1 500 Oops\r\nContent-Length: 100";
    const std::string successHead = "HTTP/1.1 200 OK\r\nContent-Length: 100";
    const StallCase cases[] = {
        {"silent server", "", {30s, 300ms, 20ms}, 300ms},
        {"success body", Answer(successHead, "part"), {30s, 300ms, 20ms}, 300ms},
        {"error body", Answer(errorHead, "part"), {30s, 30s, 100ms}, 100ms},
    };
    for (const StallCase& test : cases) {
        SCOPED_TRACE(test.name);
        ScriptedServer server({{test.answer}});
        HomePageClient client(server.Address(), test.limits);
        const auto started = std::chrono::steady_clock::now();

        EXPECT_EQ(client.Exchange().outcome, ExchangeOutcome::TimedOut);
        const auto elapsed = std::chrono::steady_clock::now() - started;
        EXPECT_GE(elapsed, test.atLeast);
        EXPECT_LT(elapsed, BoundedWait);
    }
}

} // namespace
} // namespace kolvane
