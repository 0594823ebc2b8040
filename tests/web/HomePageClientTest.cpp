// The home page client with its parts (the cookie store, the request header lines) and its worker.
#include "ScriptedServer.h"
#include "support/Sandbox.h"
#include "web/HomePageRequester.h"

#include <gtest/gtest.h>

namespace kolvane {
namespace {

using namespace std::chrono_literals;
using enum ExchangeOutcome;
using testing::ScriptedServer;

std::string Answer(const std::string& head, const std::string& body = {}) {
    return head + "\r\n\r\n" + body;
}

const std::string EmptyOk = Answer("HTTP/1.1 200 OK\r\nContent-Length: 0");

class HomePageClientTest : public testing::SandboxedTest {};

TEST_F(HomePageClientTest, SendsExactBytesWithTheCookiesAndBasicSwitchesOfEarlierAnswers) {
    ScriptedServer server(
        {{Answer("HTTP/1.1 100 Continue\r\nSet-Cookie: early=1") +
          Answer("HTTP/1.1 200 OK\r\nSet-Cookie: sid=abc; path=/\r\nContent-Length: 2", "hi")},
         {Answer("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Negotiate\r\n"
                 "WWW-Authenticate: basic realm=\"k\"\r\nContent-Length: 0")},
         {Answer("HTTP/1.1 407 Proxy Authentication Required\r\n"
                 "Proxy-Authenticate: Basic realm=\"p\"\r\nContent-Length: 0")},
         {EmptyOk}});
    HomePageClient client(server.Address());
    for (const ExchangeOutcome outcome : {Succeeded, ErrorAnswer, ErrorAnswer, Succeeded})
        EXPECT_EQ(client.Exchange().outcome, outcome);

    const std::string head = "GET / HTTP/1.1\r\nHost: " + server.Address().substr(7) +
                             "\r\nAccept: text/html, */*\r\n"
                             "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
    const std::string basic = "Authorization: Basic Og==\r\n";
    const std::string cookies = "Cookie: early=1; sid=abc\r\n";
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].bytes, head + "\r\n");
    EXPECT_EQ(requests[1].bytes, head + cookies + "\r\n");
    EXPECT_EQ(requests[2].bytes, head + basic + cookies + "\r\n");
    EXPECT_EQ(requests[3].bytes, head + basic + "Proxy-" + basic + cookies + "\r\n");
}

enum class Connection { Same, New, Either }; // of the next exchange
using enum Connection;

struct AnswerCase {
    const char* name;
    testing::ScriptedReply reply;
    ExchangeOutcome outcome;
    std::uint64_t bodyBytes;
    Connection next;
};

// Every answer is consumed so that the next exchange, on the kept connection or a new one, works.
TEST_F(HomePageClientTest, ConsumesEachAnswerAndKeepsTheConnectionUnlessClosed) {
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    const std::string chunks = "5\r\nhello\r\n3\r\nabc\r\n0\r\nA: b\r\n\r\n"; // with a trailer
    const std::string away = "Location: http://127.0.0.1:1/\r\nContent-Length: 1";
    const std::string none = "Content-Length: 0\r\n";
    const std::string longLine = ok + none + "X-Long: "; // the line's CR counts, its LF does not
    const AnswerCase cases[] = {
        {"length", {Answer(ok + "Content-Length: 5", "hello")}, Succeeded, 5, Same},
        {"length 0", {EmptyOk}, Succeeded, 0, Same},
        {"204", {Answer("HTTP/1.1 204 No Content")}, Succeeded, 0, Same},
        {"chunked", {Answer(ok + "Transfer-Encoding: chunked", chunks)}, Succeeded, 8, Same},
        {"close", {Answer(ok + none + "Connection: Close ")}, Succeeded, 0, New},
        {"proxy close", {Answer(ok + none + "Proxy-Connection: close")}, Succeeded, 0, New},
        {"server closes", {EmptyOk, true}, Succeeded, 0, New},
        {"read to close", {Answer("HTTP/1.1 200 OK", "until the end"), true}, Succeeded, 13, New},
        {"cut short", {Answer(ok + "Content-Length: 50", "short"), true}, Succeeded, 5, New},
        {"302", {Answer("HTTP/1.1 302 Found\r\n" + away, "x")}, Redirected, 1, Same},
        {"200 with Location", {Answer(ok + away, "x")}, Redirected, 1, Same},
        {"103", {Answer("HTTP/1.1 103 Early Hints\r\nLink: </a>")}, ErrorAnswer, 0, Either},
        {"line of 16384", {Answer(longLine + std::string(16375, 'x'))}, Succeeded, 0, Same},
        {"line of 16385", {Answer(longLine + std::string(16376, 'x'))}, LineTooLong, 0, Either},
    };
    for (const AnswerCase& test : cases) {
        SCOPED_TRACE(test.name);
        ScriptedServer server({test.reply, {EmptyOk}});
        HomePageClient client(server.Address());

        const ExchangeResult first = client.Exchange();
        EXPECT_EQ(first.outcome, test.outcome);
        EXPECT_EQ(first.bodyBytes, test.bodyBytes);
        EXPECT_EQ(client.Exchange().outcome, Succeeded);

        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 2u);
        if (test.next != Either) {
            EXPECT_EQ(requests[1].connection == requests[0].connection, test.next == Same);
        }
    }
}

TEST_F(HomePageClientTest, FailuresEndQuietlyWithinTheirLimits) {
    const std::string refusing = ScriptedServer({}).Address(); // gone: nothing listens there
    const std::string partOfTheBody = "\r\nContent-Length: 9\r\n\r\npart";
    const WebLimits quick{30s, 300ms, 20ms};
    const struct {
        std::string address; // empty: a scripted server with the answer
        std::string answer;
        WebLimits limits;
        ExchangeOutcome outcome;
        std::chrono::milliseconds atLeast;
    } cases[] = {
        // Two dots in a row: the resolver rejects the name without asking any name server.
        {"http://no..such.host", "", {}, TransportFailed, 0ms},
        {refusing, "", {}, TransportFailed, 0ms},
        {"ftp://127.0.0.1", "", {}, BadAddress, 0ms},
        {"", "", quick, TimedOut, quick.answerIdle}, // a silent server
        {"", "HTTP/1.1 200 OK" + partOfTheBody, quick, TimedOut, quick.answerIdle},
        {"", "HTTP/1.1 500 Oops" + partOfTheBody, {30s, 30s, 100ms}, TimedOut, 100ms},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.address + test.answer);
        std::optional<ScriptedServer> server;
        if (test.address.empty())
            server.emplace(std::vector<testing::ScriptedReply>{{test.answer}});
        HomePageClient client(server ? server->Address() : test.address, test.limits);
        const auto started = std::chrono::steady_clock::now();

        EXPECT_EQ(client.Exchange().outcome, test.outcome);
        const auto elapsed = std::chrono::steady_clock::now() - started;
        EXPECT_GE(elapsed, test.atLeast);
        EXPECT_LT(elapsed, 10s);
    }
}

// The tick's own test shows that the worker keeps the caller free and ends at once with it.
TEST_F(HomePageClientTest, TheWorkerStartsNothingWhileAnExchangeIsRunning) {
    ScriptedServer server({{""}}); // never answers
    HomePageRequester requester(server.Address());
    EXPECT_TRUE(requester.Request());
    EXPECT_FALSE(requester.Request());
}

constexpr std::time_t Now = 1'800'000'000; // 2027-01-15 08:00:00 UTC
constexpr const char* Host = "www.Kolvane.example";

class CookieStoreTest : public testing::SandboxedTest {};

TEST_F(CookieStoreTest, ChoosesCookiesByDomainPathValueAndSecurity) {
    const struct {
        const char* setCookie;
        const char* sentBack; // the Cookie line right away
    } cases[] = {
        {" sid = abc ; Path=/ ; HttpOnly", "sid=abc"},
        {"sid=abc; domain=.kolvane.example", "sid=abc"},
        {"sid=abc; DOMAIN=WWW.kolvane.example", "sid=abc"},
        {"sid=abc; domain=olvane.example", ""},
        {"sid=abc; path=/shop", ""},
        {"sid=", ""},
        {"sid=abc; Secure", ""},
        {"=abc", ""},
        {"sid=a\rb", ""},
        {"sid=abc; expires=Thu, 01 Jan 1970 00:00:01 GMT", ""},
        {"sid=abc; max-age=0; expires=Thu, 01 Jan 2037 00:00:00 GMT", ""},
        {"sid=abc; max-age=60; expires=Thu, 01 Jan 1970 00:00:01 GMT", "sid=abc"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.setCookie);
        CookieStore store;
        store.TakeSetCookie(test.setCookie, Host, Now);
        store.DropExpired(Now);
        EXPECT_EQ(store.CookieLine(Host, "/"), test.sentBack);
    }
}

TEST_F(CookieStoreTest, ReplacesListsExpiresAndDropsTheOldestPastItsCapacity) {
    CookieStore store;
    store.TakeSetCookie("a=1; max-age=100", Host, Now);
    store.TakeSetCookie("b=2", Host, Now);
    store.TakeSetCookie("a=3; max-age=10", Host, Now);
    store.TakeSetCookie2("c=\"x,y\"; Version=1, d=4; Version=1", Host, Now);
    EXPECT_EQ(store.CookieLine(Host, "/"), "b=2; a=3; c=\"x,y\"; d=4");

    store.DropExpired(Now + 10);
    EXPECT_EQ(store.CookieLine(Host, "/"), "b=2; c=\"x,y\"; d=4");

    for (std::size_t i = 1; i < CookieStore::Capacity; ++i)
        store.TakeSetCookie("c" + std::to_string(i) + "=v", Host, Now);
    ASSERT_EQ(store.Cookies().size(), CookieStore::Capacity);
    EXPECT_EQ(store.Cookies().front().name, "d");
}

TEST_F(CookieStoreTest, LongHeaderLinesFoldAfterBlanksAndCommas) {
    const struct {
        const char* line;
        const char* folded;
    } cases[] = {
        {"Cookie: a=1,b=22", "Cookie: a=1,\r\n b=22"},
        {"Cookie: a=1; b=2; c=3; d=4", "Cookie: a=1;\r\n b=2; c=3;\r\n d=4"},
        {"Cookie: a=123456789", "Cookie:\r\n a=123456789"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.line);
        EXPECT_EQ(FoldHeaderLine(test.line, 13), test.folded);
    }
    const std::string cookies(2000, 'v');
    const auto lines = RequestHeaderLines("h", {}, "a=1; b=" + cookies);
    EXPECT_EQ(lines.back(), "Cookie: a=1;\r\n b=" + cookies);
}

} // namespace
} // namespace kolvane
