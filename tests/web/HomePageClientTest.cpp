// The home page client with its parts (the cookie store, the request header lines) and its worker.
#include "PlainListener.h"
#include "ScriptedServer.h"
#include "web/CookieDate.h"
#include "web/HomePageRequester.h"

#include <cstdio>
#include <ctime>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <span>
#include <thread>

namespace kolvane {
namespace {

using namespace std::chrono_literals;
using enum ExchangeOutcome;
using testing::AfterReply;
using testing::ScriptedReply;
using testing::ScriptedServer;

std::string Answer(const std::string& head, const std::string& body = {}) {
    return head + "\r\n\r\n" + body;
}

const std::string EmptyOk = Answer("HTTP/1.1 200 OK\r\nContent-Length: 0");

class HomePageClientTest : public ::testing::Test {};

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
    ScriptedReply reply;
    ExchangeOutcome outcome;
    std::uint64_t bodyBytes;
    Connection next;
};

// Every answer is consumed so that the next exchange, on the kept connection or a new one, works.
void ExpectEachAnswerConsumed(std::span<const AnswerCase> cases) {
    for (const AnswerCase& test : cases) {
        SCOPED_TRACE(test.name);
        ScriptedServer server({test.reply, {EmptyOk}});
        HomePageClient client(server.Address());

        const ExchangeResult first = client.Exchange();
        EXPECT_EQ(first.outcome, test.outcome);
        EXPECT_EQ(first.bodyBytes, test.bodyBytes);
        // The close must have reached the client before it looks at the kept connection again.
        if (test.reply.after == AfterReply::Close) {
            ASSERT_TRUE(server.WaitForEndedConnections(1, 10s));
        }
        EXPECT_EQ(client.Exchange().outcome, Succeeded);

        const auto requests = server.Requests();
        EXPECT_EQ(requests.size(), 2u);
        if (test.next != Either && requests.size() == 2) {
            EXPECT_EQ(requests[1].connection == requests[0].connection, test.next == Same);
        }
    }
}

const std::string Ok = "HTTP/1.1 200 OK\r\n";
const std::string NoLength = "Content-Length: 0\r\n";
const std::string Chunked = "Transfer-Encoding: chunked";
const std::string Chunks = "5\r\nhello\r\n3\r\nabc\r\n0\r\nA: b\r\n\r\n"; // with a trailer
constexpr AfterReply Close = AfterReply::Close;

TEST_F(HomePageClientTest, ReadsEachBodyByTheFirstRuleThatApplies) {
    const std::string away = "Location: http://127.0.0.1:1/\r\nContent-Length: 1";
    const std::string longLine = Ok + NoLength + "X-Long: "; // its CR counts, its LF does not
    const std::string longChunkSize = "5;";                  // the extension makes the line long
    const std::string notModified = "HTTP/1.1 304 Not Modified\r\n";
    const AnswerCase cases[] = {
        {"length", {Answer(Ok + "Content-Length: 5", "hello")}, Succeeded, 5, Same},
        {"length 0", {EmptyOk}, Succeeded, 0, Same},
        {"204", {Answer("HTTP/1.1 204 No Content")}, Succeeded, 0, Same},
        {"chunked", {Answer(Ok + Chunked, Chunks)}, Succeeded, 8, Same},
        {"length before chunked",
         {Answer(Ok + Chunked + "\r\nContent-Length: 5", "hello")},
         Succeeded,
         5,
         Same},
        {"length 0, chunked",
         {Answer(Ok + NoLength + "Transfer-Encoding: gzip, Chunked", Chunks)},
         Succeeded,
         8,
         Same},
        {"read to close", {Answer("HTTP/1.1 200 OK", "until the end"), Close}, Succeeded, 13, New},
        {"cut short", {Answer(Ok + "Content-Length: 50", "short"), Close}, Succeeded, 5, New},
        {"length not a number",
         {Answer(Ok + "Content-Length: 5x", "to the close"), Close},
         Succeeded,
         12,
         New},
        {"negative length",
         {Answer(Ok + "Content-Length: -5", "to the close"), Close},
         Succeeded,
         12,
         New},
        {"chunked cut short", {Answer(Ok + Chunked, "5\r\nhel"), Close}, TransportFailed, 3, New},
        {"bad chunk size",
         {Answer(Ok + Chunked, "5x\r\nhello\r\n0\r\n\r\n")},
         TransportFailed,
         0,
         New},
        {"302", {Answer("HTTP/1.1 302 Found\r\n" + away, "x")}, Redirected, 1, Same},
        {"200 with Location", {Answer(Ok + away, "x")}, Redirected, 1, Same},
        {"304 drained", {Answer(notModified + "Content-Length: 3", "abc")}, ErrorAnswer, 3, Same},
        {"103 is an error",
         {Answer("HTTP/1.1 103 Early Hints\r\nLink: </a>\r\nContent-Length: 0")},
         ErrorAnswer,
         0,
         Same},
        {"line of 16384", {Answer(longLine + std::string(16375, 'x'))}, Succeeded, 0, Same},
        {"line of 16385", {Answer(longLine + std::string(16376, 'x'))}, LineTooLong, 0, New},
        {"chunk-size line of 16384",
         {Answer(Ok + Chunked, longChunkSize + std::string(16381, 'x') + "\r\nhello\r\n0\r\n\r\n")},
         Succeeded,
         5,
         Same},
        {"chunk-size line of 16385",
         {Answer(Ok + Chunked, longChunkSize + std::string(16382, 'x') + "\r\nhello\r\n0\r\n\r\n")},
         LineTooLong,
         0,
         New},
    };
    ExpectEachAnswerConsumed(cases);
}

TEST_F(HomePageClientTest, ReadsLinesAndHeadersByTheirRules) {
    const std::string hello = Answer(Ok + "Content-Length: 5", "hello");
    const AnswerCase cases[] = {
        {"bare line feeds", {"HTTP/1.1 200 OK\nContent-Length: 5\n\nhello"}, Succeeded, 5, Same},
        {"names in any case", {Answer(Ok + "cONTENT-lENGTH: 5", "hello")}, Succeeded, 5, Same},
        {"blanks around a value",
         {Answer(Ok + "Content-Length: \t 5 \t", "hello")},
         Succeeded,
         5,
         Same},
        {"continued with a space",
         {Answer(Ok + "Content-Length:\r\n 5", "hello")},
         Succeeded,
         5,
         Same},
        {"continued with a tab",
         {Answer(Ok + "Content-Length:\r\n\t5", "hello")},
         Succeeded,
         5,
         Same},
        {"closed in the head", {"HTTP/1.1 200 OK\r\nContent-Le", Close}, TransportFailed, 0, New},
        {"100 twice",
         {Answer("HTTP/1.1 100 Continue") + Answer("HTTP/1.1 100 Continue") + hello},
         Succeeded,
         5,
         Same},
    };
    ExpectEachAnswerConsumed(cases);
}

TEST_F(HomePageClientTest, DecidesOnTheAnswerByItsStatusCodeAndLocation) {
    const auto plain = [](const std::string& statusLine, const std::string& headers = {}) {
        return ScriptedReply{Answer(statusLine + "\r\n" + headers + "Content-Length: 1", "x")};
    };
    const AnswerCase cases[] = {
        {"299", plain("HTTP/1.1 299 Odd"), Succeeded, 1, Same},
        {"200 with an empty Location", plain("HTTP/1.1 200 OK", "Location:  \r\n"), Succeeded, 1,
         Same},
        {"300", plain("HTTP/1.1 300 Choices"), Redirected, 1, Same},
        {"399", plain("HTTP/1.1 399 Odd"), Redirected, 1, Same},
        {"304 with a Location", plain("HTTP/1.1 304 Same", "Location: /x\r\n"), Redirected, 1,
         Same},
        {"404 with a Location", plain("HTTP/1.1 404 Gone", "Location: /x\r\n"), Redirected, 1,
         Same},
        {"101", plain("HTTP/1.1 101 Switching Protocols"), ErrorAnswer, 1, Same},
        {"401", plain("HTTP/1.1 401 Who"), ErrorAnswer, 1, Same},
        {"503", plain("HTTP/1.1 503 Busy"), ErrorAnswer, 1, Same},
        {"no status code", plain("HTTP/1.1"), ErrorAnswer, 1, Same},
        {"status code not a number", plain("HTTP/1.1 2OO OK"), ErrorAnswer, 1, Same},
    };
    ExpectEachAnswerConsumed(cases);
}

// A 401 that offers Basic, and a 407 whose first challenge is Basic, switch on the empty
// credentials for every later request; nothing else does.
TEST_F(HomePageClientTest, SwitchesOnEmptyBasicCredentialsOnlyWhenOffered) {
    const std::string authorization = "Authorization: Basic Og==\r\n";
    const std::string proxy = "Proxy-" + authorization;
    const struct {
        const char* name;
        std::string answer;
        std::string credentials; // the header lines of the next request
    } cases[] = {
        {"401 Basic", "HTTP/1.1 401 Who\r\nWWW-Authenticate: Basic", authorization},
        {"401 BASIC second",
         "HTTP/1.1 401 Who\r\nWWW-Authenticate: Digest a=b, c=d\r\n"
         "WWW-Authenticate: BASIC realm=\"r\"",
         authorization},
        {"401 Digest", "HTTP/1.1 401 Who\r\nWWW-Authenticate: Digest realm=\"Basic\"", ""},
        {"401 Basically", "HTTP/1.1 401 Who\r\nWWW-Authenticate: Basically", ""},
        {"401 proxy Basic", "HTTP/1.1 401 Who\r\nProxy-Authenticate: Basic", ""},
        {"200 Basic", "HTTP/1.1 200 OK\r\nWWW-Authenticate: Basic", ""},
        {"407 Basic", "HTTP/1.1 407 Proxy\r\nProxy-Authenticate: basic realm=\"p\"", proxy},
        {"407 Basic second",
         "HTTP/1.1 407 Proxy\r\nProxy-Authenticate: NTLM\r\n"
         "Proxy-Authenticate: Basic",
         ""},
        {"407 server Basic", "HTTP/1.1 407 Proxy\r\nWWW-Authenticate: Basic", ""},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        ScriptedServer server(
            {{Answer(test.answer + "\r\nContent-Length: 0")}, {EmptyOk}, {EmptyOk}});
        HomePageClient client(server.Address());
        client.Exchange();
        EXPECT_EQ(client.Exchange().outcome, Succeeded);
        EXPECT_EQ(client.Exchange().outcome, Succeeded);

        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 3u);
        const std::string head = "GET / HTTP/1.1\r\nHost: " + server.Address().substr(7) +
                                 "\r\nAccept: text/html, */*\r\n"
                                 "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
        EXPECT_EQ(requests[0].bytes, head + "\r\n");
        EXPECT_EQ(requests[1].bytes, head + test.credentials + "\r\n");
        EXPECT_EQ(requests[2].bytes, requests[1].bytes);
    }
}

TEST_F(HomePageClientTest, ARedirectIsNeverFollowed) {
    ScriptedServer elsewhere({{EmptyOk}});
    ScriptedServer server({{Answer("HTTP/1.1 302 Found\r\nLocation: " + elsewhere.Address() +
                                   "/\r\nContent-Length: 0")},
                           {EmptyOk}});
    HomePageClient client(server.Address());
    EXPECT_EQ(client.Exchange().outcome, Redirected);
    EXPECT_EQ(client.Exchange().outcome, Succeeded);
    EXPECT_EQ(server.Requests().size(), 2u);
    EXPECT_TRUE(elsewhere.Requests().empty());
}

// Cookies come from interim, redirect, error and success answers alike; a request carries those
// that match it and have not expired by then.
TEST_F(HomePageClientTest, KeepsTheCookiesOfEveryAnswerAndSendsThoseThatStillHold) {
    std::time_t now = 1'800'000'000;
    ScriptedServer server(
        {{Answer("HTTP/1.1 100 Continue\r\nSet-Cookie: early=0") +
          Answer("HTTP/1.1 302 Found\r\nLocation: /x\r\nset-cookie: moved=1\r\n"
                 "Content-Length: 0")},
         {Answer("HTTP/1.1 500 Oops\r\nSET-COOKIE2: failed=2; Version=1\r\nContent-Length: 0")},
         {Answer(Ok + "Set-Cookie: brief=3; Max-Age=60\r\n"
                      "Set-Cookie: foreign=4; Domain=other.example\r\n"
                      "Set-Cookie: shop=5; Path=/shop\r\nSet-Cookie: safe=6; Secure\r\n"
                      "Set-Cookie: blank=\r\nContent-Length: 0")},
         {EmptyOk},
         {EmptyOk}});
    HomePageClient client(server.Address(), {}, [&] { return now; });
    for (int exchange = 0; exchange < 4; ++exchange)
        client.Exchange();
    now += 61;
    client.Exchange();

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 5u);
    const auto cookieLine = [&](int request) {
        const std::string& bytes = requests[request].bytes;
        const auto start = bytes.find("Cookie: ");
        return start == std::string::npos ? ""
                                          : bytes.substr(start, bytes.find("\r\n", start) - start);
    };
    EXPECT_EQ(cookieLine(0), "");
    EXPECT_EQ(cookieLine(1), "Cookie: early=0; moved=1");
    EXPECT_EQ(cookieLine(2), "Cookie: early=0; moved=1; failed=2");
    EXPECT_EQ(cookieLine(3), "Cookie: early=0; moved=1; failed=2; brief=3");
    EXPECT_EQ(cookieLine(4), "Cookie: early=0; moved=1; failed=2");
}

// A Cookie line longer than 1024 characters goes out folded after its blanks; unfolded, it is the
// line itself.
TEST_F(HomePageClientTest, ALongCookieLineGoesOutFolded) {
    std::string setCookies, cookieLine = "Cookie:";
    for (int i = 0; i < 40; ++i) {
        const std::string cookie = "c" + std::to_string(i) + "=" + std::string(40, 'v');
        setCookies += "Set-Cookie: " + cookie + "\r\n";
        cookieLine += (i == 0 ? " " : "; ") + cookie;
    }
    ScriptedServer server({{Answer(Ok + setCookies + "Content-Length: 0")}, {EmptyOk}});
    HomePageClient client(server.Address());
    client.Exchange();
    client.Exchange();

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    std::string cookieLines = requests[1].bytes.substr(requests[1].bytes.find("Cookie: "));
    cookieLines.resize(cookieLines.size() - 4); // the last line end and the empty line
    std::string unfolded;
    std::size_t pieces = 0;
    for (std::size_t start = 0, end; start <= cookieLines.size(); start = end + 2, ++pieces) {
        end = std::min(cookieLines.find("\r\n", start), cookieLines.size());
        const std::string piece = cookieLines.substr(start, end - start);
        EXPECT_LE(piece.size(), 1024u);
        EXPECT_EQ(piece.starts_with(' '), pieces > 0) << piece;
        EXPECT_FALSE(piece.ends_with(' ')) << piece;
        unfolded += piece;
    }
    EXPECT_GE(pieces, 2u);
    EXPECT_EQ(unfolded, cookieLine);
}

TEST_F(HomePageClientTest, KeepsTheConnectionUnlessTheAnswerOrTheServerEndsIt) {
    const AnswerCase cases[] = {
        {"no Connection header", {EmptyOk}, Succeeded, 0, Same},
        {"HTTP/1.0 without Connection",
         {Answer("HTTP/1.0 200 OK\r\nContent-Length: 0")},
         Succeeded,
         0,
         Same},
        {"close", {Answer(Ok + NoLength + "Connection: Close ")}, Succeeded, 0, New},
        {"proxy close", {Answer(Ok + NoLength + "Proxy-Connection: close")}, Succeeded, 0, New},
        {"the whole value is compared",
         {Answer(Ok + NoLength + "Connection: keep-alive, close")},
         Succeeded,
         0,
         Same},
        {"kept, then closed by the server", {EmptyOk, Close}, Succeeded, 0, New},
        {"bytes beyond the answer", {EmptyOk + "HTTP/1.1 200 OK"}, Succeeded, 0, New},
    };
    ExpectEachAnswerConsumed(cases);
}

// A listener whose queue of connections not yet accepted is full, so that the system drops every
// further attempt to connect: a connect to it waits until it gives up.
class FullQueueListener {
public:
    FullQueueListener() {
        const asio::ip::tcp::endpoint loopback(asio::ip::address_v4::loopback(), 0);
        acceptor_.open(loopback.protocol());
        acceptor_.bind(loopback);
        acceptor_.listen(0); // room for one connection only
        queued_.connect(acceptor_.local_endpoint());
    }
    std::string Address() const {
        return "http://127.0.0.1:" + std::to_string(acceptor_.local_endpoint().port());
    }

private:
    asio::io_context io_;
    asio::ip::tcp::acceptor acceptor_{io_};
    asio::ip::tcp::socket queued_{io_};
};

TEST_F(HomePageClientTest, FailuresEndQuietlyWithinTheirLimits) {
    const std::string refusing = ScriptedServer({}).Address(); // gone: nothing listens there
    const FullQueueListener unanswered;
    const WebLimits quickConnect{200ms};
    const std::string partOfTheBody = "\r\nContent-Length: 9\r\n\r\npart";
    const WebLimits quick{30s, 300ms, 20ms};
    const WebLimits quickDrain{30s, 30s, 100ms};
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
        {unanswered.Address(), "", quickConnect, TimedOut, quickConnect.connect},
        {"ftp://127.0.0.1", "", {}, BadAddress, 0ms},
        {"", "", quick, TimedOut, quick.answerIdle}, // a silent server
        {"", "HTTP/1.1 200 OK" + partOfTheBody, quick, TimedOut, quick.answerIdle},
        {"", "HTTP/1.1 500 Oops" + partOfTheBody, quickDrain, TimedOut, 100ms},
        // Without a length, these bodies end only with the close that never comes.
        {"", "HTTP/1.1 304 Not Modified\r\n\r\n", quickDrain, TimedOut, 100ms},
        {"", "HTTP/1.1 103 Early Hints\r\n\r\n", quickDrain, TimedOut, 100ms},
        {"", "HTTP/1.1 302 Found\r\nLocation: /x" + partOfTheBody, quickDrain, TimedOut, 100ms},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.address + test.answer);
        std::optional<ScriptedServer> server;
        if (test.address.empty())
            server.emplace(std::vector<ScriptedReply>{{test.answer}});
        HomePageClient client(server ? server->Address() : test.address, test.limits);
        const auto started = std::chrono::steady_clock::now();

        EXPECT_EQ(client.Exchange().outcome, test.outcome);
        const auto elapsed = std::chrono::steady_clock::now() - started;
        EXPECT_GE(elapsed, test.atLeast);
        EXPECT_LT(elapsed, 10s);
    }
}

// An answer that never ends is given up on its total bounds, and its connection is closed.
TEST_F(HomePageClientTest, EndlessAnswersStopAtTheirBoundsAndLoseTheirConnection) {
    constexpr std::uint64_t mebibyte = 1024 * 1024;
    const WebLimits fewBytes{30s, 30s, 30s, 10min, mebibyte};
    const WebLimits shortTime{30s, 30s, 30s, 200ms, 1024 * mebibyte};
    const struct {
        const char* name;
        ScriptedReply reply;
        WebLimits limits;
        ExchangeOutcome outcome;
    } cases[] = {
        {"flooding body", {Answer("HTTP/1.1 200 OK"), AfterReply::Flood}, fewBytes, AnswerTooLarge},
        {"flooding error body",
         {Answer("HTTP/1.1 500 Oops"), AfterReply::Flood},
         fewBytes,
         AnswerTooLarge},
        {"flooding chunk",
         {Answer(Ok + Chunked, "7fffffff\r\n"), AfterReply::Flood},
         fewBytes,
         AnswerTooLarge},
        {"endless header", {"HTTP/1.1 200 OK\r\nX: ", AfterReply::Flood}, fewBytes, LineTooLong},
        // Never idle long enough for the wait for each piece of data to end it.
        {"trickling body", {Answer("HTTP/1.1 200 OK"), AfterReply::Trickle}, shortTime, TimedOut},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        ScriptedServer server({test.reply, {EmptyOk}});
        HomePageClient client(server.Address(), test.limits);

        const ExchangeResult result = client.Exchange();
        EXPECT_EQ(result.outcome, test.outcome);
        EXPECT_LE(result.bodyBytes, test.limits.answerBytes);
        EXPECT_TRUE(server.WaitForEndedConnections(1, 10s));
        EXPECT_EQ(client.Exchange().outcome, Succeeded);
    }
}

// The processor time the calling thread has used so far.
std::chrono::nanoseconds ThreadProcessorTime() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& time) {
        return std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime;
    };
    return std::chrono::nanoseconds((ticks(kernel) + ticks(user)) * 100);
#else
    timespec used{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
#endif
}

// Waiting for a server that sends nothing, or one byte now and then, sleeps: a loop that polled
// instead would use the processor for the whole wait.
TEST_F(HomePageClientTest, WaitingForAnAnswerUsesAlmostNoProcessorTime) {
    constexpr auto wait = 500ms;
    const std::string partOfTheBody = "\r\nContent-Length: 9\r\n\r\npart";
    const struct {
        const char* name;
        ScriptedReply reply;
        WebLimits limits;
    } cases[] = {
        {"no answer", {""}, {30s, wait}},
        {"silent body", {"HTTP/1.1 200 OK" + partOfTheBody}, {30s, wait}},
        {"silent error body", {"HTTP/1.1 500 Oops" + partOfTheBody}, {30s, 30s, wait}},
        {"trickling body", {Answer(Ok), AfterReply::Trickle}, {30s, 30s, 30s, wait}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        ScriptedServer server({test.reply});
        HomePageClient client(server.Address(), test.limits);
        const auto started = std::chrono::steady_clock::now();
        const auto usedBefore = ThreadProcessorTime();

        EXPECT_EQ(client.Exchange().outcome, TimedOut);
        const auto used = ThreadProcessorTime() - usedBefore;
        const auto elapsed = std::chrono::steady_clock::now() - started;
        EXPECT_GE(elapsed, wait);
        EXPECT_LT(used, elapsed / 5) << "processor time used: " << used.count() << " ns";
    }
}

TEST_F(HomePageClientTest, TheRequestIsExactlyTheseBytesAndNothingElse) {
    testing::PlainListener listener;
    const auto port = std::to_string(listener.Port());
    // The client gives up on the silent listener and closes, which ends the recording.
    HomePageClient client("http://LocalHost:" + port, {30s, 100ms});
    EXPECT_EQ(client.Exchange().outcome, TimedOut);

    EXPECT_EQ(listener.Received(10s),
              "GET / HTTP/1.1\r\nHost: LocalHost:" + port +
                  "\r\nAccept: text/html, */*\r\n"
                  "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n");
}

// The requester ends while its exchange waits on a server that answers nothing more within the
// exchange's bounds of ten minutes: an end that waited for the exchange would not come before the
// test gives up on it.
TEST_F(HomePageClientTest, EndingTheRequesterDoesNotWaitForTheExchange) {
    const WebLimits patient{10min, 10min, 10min, 10min};
    const std::string partOfTheBody = "\r\nContent-Length: 9\r\n\r\npart";
    const struct {
        const char* name;
        ScriptedReply reply;
    } cases[] = {
        {"waiting for the answer", {""}},
        {"waiting in a body", {"HTTP/1.1 200 OK" + partOfTheBody}},
        {"draining an error body", {"HTTP/1.1 500 Oops" + partOfTheBody}},
        {"reading a trickling body", {Answer(Ok), AfterReply::Trickle}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        std::optional<ScriptedServer> server(std::in_place, std::vector{test.reply});
        auto requester = std::make_unique<HomePageRequester>(server->Address(), patient);
        ASSERT_TRUE(requester->Request());
        EXPECT_FALSE(requester->Request()); // nothing starts while an exchange is running
        ASSERT_TRUE(server->WaitForRequests(1, 10s));

        std::promise<std::chrono::steady_clock::duration> took;
        std::thread ending([&] {
            const auto started = std::chrono::steady_clock::now();
            requester.reset();
            took.set_value(std::chrono::steady_clock::now() - started);
        });
        auto tookFuture = took.get_future();
        const bool ended = tookFuture.wait_for(10s) == std::future_status::ready;
        EXPECT_TRUE(ended) << "the end waits for the exchange";
        if (ended) {
            EXPECT_TRUE(server->WaitForEndedConnections(1, 10s));
            const auto micro =
                std::chrono::duration_cast<std::chrono::microseconds>(tookFuture.get());
            std::printf("ending the requester %s took %lld us\n", test.name,
                        static_cast<long long>(micro.count()));
        } else {
            server.reset(); // the connection goes with the server, which ends the exchange
        }
        ending.join();
    }
}

constexpr std::time_t Now = 1'800'000'000; // 2027-01-15 08:00:00 UTC
constexpr const char* Host = "www.Kolvane.example";

class CookieStoreTest : public ::testing::Test {};

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

TEST_F(CookieStoreTest, ReadsTheExpiryDatesServersSend) {
    constexpr std::time_t sunday = 784111777; // 1994-11-06 08:49:37 UTC
    const struct {
        const char* text;
        std::optional<std::time_t> moment;
    } cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", sunday},
        {"Sunday, 06-Nov-94 08:49:37 GMT", sunday},
        {"Sun Nov  6 08:49:37 1994", sunday},
        {"sun, 06-NOV-1994 8:49:37 gmt", sunday},
        {"Thu, 01 Jan 2037 00:00:00 GMT", 2114380800},
        {"Tue, 29 Feb 2028 12:00:00 GMT", 1835438400},
        {"Thu, 06 Nov 69 08:49:37 GMT", 3150953377}, // two-digit years below 70 are 20xx
        {"Wed, 30 Feb 2028 12:00:00 GMT", std::nullopt},
        {"Sun, 06 Nov 1994 24:00:00 GMT", std::nullopt},
        {"Sun, 06 Nov 1994", std::nullopt},
        {"Sun, 06 1994 08:49:37 GMT", std::nullopt},
        {"never", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.text);
        EXPECT_EQ(ParseCookieDate(test.text), test.moment);
    }
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
