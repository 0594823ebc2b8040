#pragma once

#include "web/CookieStore.h"
#include "web/HttpMessage.h"
#include "web/WebAddress.h"
#include "web/WebConnection.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

namespace kolvane {

class AnswerReader;

struct WebLimits {
    // Name resolution and connect together.
    std::chrono::milliseconds connect{30000};
    // Longest wait for any piece of the answer: its headers and a successful answer's body.
    std::chrono::milliseconds answerIdle{60000};
    // Longest wait for each piece of an error or redirect answer's body.
    std::chrono::milliseconds errorBodyIdle{2000};
    // An answer that never ends is given up after this long, or this many bytes, in all.
    std::chrono::milliseconds answerTotal{60000};
    std::uint64_t answerBytes = 16 * 1024 * 1024;
};

enum class ExchangeOutcome {
    Succeeded,
    ErrorAnswer, // an error status, or an interim status other than 100
    Redirected,  // never followed
    LineTooLong,
    TimedOut,
    AnswerTooLarge,
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

    ExchangeResult Exchange();

    // Ends a running exchange at once, and every later one before it starts.
    void Stop();

    const CookieStore& Cookies() const { return cookies_; }

private:
    // How reading the answer ended, short of the answer's own end.
    struct Reading {
        std::optional<ExchangeOutcome> interruption;
        bool closedByServer = false;
        bool bytesLeftOver = false; // more than the answer: they belong to nothing
    };

    std::optional<ExchangeOutcome> Connect();
    Reading ReadAnswer(AnswerReader& reader);
    void TakeHeads(const AnswerReader& reader);
    ExchangeResult Verdict(const AnswerReader& reader, const Reading& reading) const;
    bool KeepsConnection(const AnswerReader& reader, const Reading& reading) const;

    const std::optional<WebAddress> address_;
    const WebLimits limits_;
    const Now now_;
    CookieStore cookies_;
    BasicSwitches switches_;
    WebConnection connection_;
    std::atomic<bool> stopping_{false};
};

} // namespace kolvane
