#include "web/HomePageClient.h"

#include "web/AnswerReader.h"

#include <algorithm>
#include <array>

namespace kolvane {

namespace {

using Clock = std::chrono::steady_clock;

ExchangeOutcome OutcomeOf(TransportStatus status) {
    switch (status) {
    case TransportStatus::TimedOut:
        return ExchangeOutcome::TimedOut;
    case TransportStatus::Stopped:
        return ExchangeOutcome::Stopped;
    default:
        return ExchangeOutcome::TransportFailed;
    }
}

bool StillReading(const AnswerReader& reader) {
    return reader.CurrentState() == AnswerReader::State::Head ||
           reader.CurrentState() == AnswerReader::State::Body;
}

} // namespace

HomePageClient::HomePageClient(std::string_view address, WebLimits limits, Now now)
    : address_(SplitWebAddress(address)), limits_(limits), now_(std::move(now)) {}

ExchangeResult HomePageClient::Exchange() {
    if (stopping_)
        return {ExchangeOutcome::Stopped};
    if (!address_)
        return {ExchangeOutcome::BadAddress};

    cookies_.DropExpired(now_());
    const std::string request =
        RequestBytes(address_->HostHeader(), switches_, cookies_.CookieLine(address_->host, "/"));
    if (const auto failure = Connect())
        return {*failure};
    if (const auto sent = connection_.Send(request, Clock::now() + limits_.answerIdle);
        sent != TransportStatus::Done) {
        connection_.Close();
        return {OutcomeOf(sent)};
    }

    AnswerReader reader;
    const Reading reading = ReadAnswer(reader);
    TakeHeads(reader);
    if (!KeepsConnection(reader, reading))
        connection_.Close();
    return Verdict(reader, reading);
}

// Reuses the kept connection unless the server has closed it since; opens a new one otherwise.
std::optional<ExchangeOutcome> HomePageClient::Connect() {
    if (connection_.StillOpen())
        return std::nullopt;
    const auto opened =
        connection_.Open(address_->host, address_->port, Clock::now() + limits_.connect);
    if (opened == TransportStatus::Done)
        return std::nullopt;
    return OutcomeOf(opened);
}

// Reads until the answer ends by its rules or a bound is hit; the body goes nowhere.
HomePageClient::Reading HomePageClient::ReadAnswer(AnswerReader& reader) {
    const auto latest = Clock::now() + limits_.answerTotal;
    std::array<char, 16384> buffer;
    std::uint64_t total = 0;
    Reading reading;
    while (StillReading(reader) && !reading.interruption) {
        const bool drainingFailure = reader.HeadRead() && reader.Kind() != AnswerKind::Success;
        const auto idle = drainingFailure ? limits_.errorBodyIdle : limits_.answerIdle;
        std::size_t received = 0;
        const auto status =
            connection_.Receive(buffer, received, std::min(Clock::now() + idle, latest));
        if (status == TransportStatus::Closed) {
            reading.closedByServer = true;
            reader.TakeEnd();
        } else if (status != TransportStatus::Done) {
            reading.interruption = OutcomeOf(status);
        } else if ((total += received) > limits_.answerBytes) {
            reading.interruption = ExchangeOutcome::AnswerTooLarge;
        } else {
            reading.bytesLeftOver = reader.Take({buffer.data(), received}) < received;
        }
    }
    return reading;
}

// Cookies come from every answer read, interim ones included; only the final one switches on
// credentials.
void HomePageClient::TakeHeads(const AnswerReader& reader) {
    const std::time_t now = now_();
    for (const AnswerHead& head : reader.CompleteHeads()) {
        for (const auto value : head.Values("Set-Cookie"))
            cookies_.TakeSetCookie(value, address_->host, now);
        for (const auto value : head.Values("Set-Cookie2"))
            cookies_.TakeSetCookie2(value, address_->host, now);
    }
    if (!reader.HeadRead())
        return;
    const BasicSwitches offered = SwitchesFrom(reader.CompleteHeads().back());
    switches_.authorization = switches_.authorization || offered.authorization;
    switches_.proxyAuthorization = switches_.proxyAuthorization || offered.proxyAuthorization;
}

ExchangeResult HomePageClient::Verdict(const AnswerReader& reader, const Reading& reading) const {
    ExchangeResult result;
    result.bodyBytes = reader.BodyBytes();
    if (reader.HeadRead())
        result.status = reader.CompleteHeads().back().StatusCode();
    if (reading.interruption)
        result.outcome = *reading.interruption;
    else if (reader.FailureReason() == AnswerReader::Failure::LineTooLong)
        result.outcome = ExchangeOutcome::LineTooLong;
    else if (reader.CurrentState() == AnswerReader::State::Failed)
        result.outcome = ExchangeOutcome::TransportFailed;
    else if (reader.Kind() == AnswerKind::Success)
        result.outcome = ExchangeOutcome::Succeeded;
    else if (reader.Kind() == AnswerKind::Redirect)
        result.outcome = ExchangeOutcome::Redirected;
    else
        result.outcome = ExchangeOutcome::ErrorAnswer;
    return result;
}

// Only an answer read exactly to its end leaves the connection in a state the next exchange can
// use; the answer's own headers may still ask for a close.
bool HomePageClient::KeepsConnection(const AnswerReader& reader, const Reading& reading) const {
    return !reading.interruption && !reading.closedByServer && !reading.bytesLeftOver &&
           reader.CurrentState() == AnswerReader::State::Complete &&
           !SaysClose(reader.CompleteHeads().back());
}

void HomePageClient::Stop() {
    stopping_ = true;
    connection_.Stop();
}

} // namespace kolvane
