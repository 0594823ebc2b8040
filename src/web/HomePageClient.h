#pragma once

#include "web/CookieStore.h"
#include "web/HttpMessage.h"
#include "web/WebAddress.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <curl/curl.h>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace kolvane {

struct WebLimits {
    // Name resolution and connect together.
    std::chrono::milliseconds connect{30000};
    // Longest wait for any piece of the answer: its headers and a successful answer's body.
    std::chrono::milliseconds answerIdle{60000};
    // Longest wait for each piece of an error or redirect answer's body.
    std::chrono::milliseconds errorBodyIdle{2000};
};

enum class ExchangeOutcome {
    Succeeded,
    ErrorAnswer, // an error status, or an interim status other than 100
    Redirected,  // never followed
    LineTooLong,
    TimedOut,
    Stopped,
    TransportFailed, // no name, no connection, a broken connection or an unreadable answer
    BadAddress,
};

struct ExchangeResult {
    ExchangeOutcome outcome = ExchangeOutcome::TransportFailed;
    int status = -1;             // of the final answer; -1 when none was read
    std::uint64_t bodyBytes = 0; // after any chunked coding is removed
};

// Fetches one address with a GET now and then, throwing the answer away. Keeps the connection,
// the cookies and the Basic switches from one exchange to the next. Exchange runs on one thread
// at a time; Stop may be called from any thread.
class HomePageClient {
public:
    using Now = std::function<std::time_t()>;

    explicit HomePageClient(
        std::string_view address, WebLimits limits = {},
        Now now = [] { return std::time(nullptr); });
    ~HomePageClient();
    HomePageClient(const HomePageClient&) = delete;
    HomePageClient& operator=(const HomePageClient&) = delete;

    ExchangeResult Exchange();

    // Ends a running exchange at once, and every later one before it starts.
    void Stop();

    const CookieStore& Cookies() const { return cookies_; }

private:
    // What the callbacks learn of the answer while it arrives on the exchange's thread.
    struct AnswerProgress {
        AnswerHead head; // of the answer being read
        AnswerKind kind = AnswerKind::Continue;
        bool finalHeadRead = false;
        bool lineTooLong = false;
        bool closeAfter = false;
        std::uint64_t bodyBytes = 0;
        std::chrono::steady_clock::time_point lastData;
        std::chrono::milliseconds idleLimit{};
    };

    static std::size_t OnHeaderLine(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
    bool TakeHeaderLine(std::string_view line);
    void EndOfHead();

    void Configure();
    std::optional<ExchangeOutcome> Transfer(int& curlCode);
    ExchangeResult Verdict(std::optional<ExchangeOutcome> interruption, int curlCode) const;
    void CloseKeptConnection();

    const std::optional<WebAddress> address_;
    const WebLimits limits_;
    const Now now_;
    CookieStore cookies_;
    BasicSwitches switches_;
    AnswerProgress answer_;
    CURL* easy_ = nullptr;
    // Its connection cache keeps the connection open from one exchange to the next.
    CURLM* multi_ = nullptr;
    std::mutex multiMutex_; // multi_ is replaced on the exchange's thread and woken from others
    std::atomic<bool> stopping_{false};
};

} // namespace kolvane
