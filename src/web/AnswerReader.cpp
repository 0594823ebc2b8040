#include "web/AnswerReader.h"

#include "web/HttpText.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace kolvane {

namespace {

// Nothing the size of a chunk could need more; more digits would overflow the count.
constexpr std::size_t LongestChunkSizeDigits = 15;

std::optional<long long> DeclaredLength(const AnswerHead& head) {
    const auto text = head.Value("Content-Length");
    long long length = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), length);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return length;
}

bool NamesChunked(const AnswerHead& head) {
    for (auto value : head.Values("Transfer-Encoding"))
        for (std::size_t start = 0; start <= value.size();) {
            const auto comma = std::min(value.find(',', start), value.size());
            if (EqualsIgnoringCase(TrimBlanks(value.substr(start, comma - start)), "chunked"))
                return true;
            start = comma + 1;
        }
    return false;
}

// The hexadecimal size at the start of a chunk-size line; extensions after ";" are ignored.
std::optional<std::uint64_t> ChunkSize(std::string_view line) {
    const auto digits = TrimBlanks(line.substr(0, line.find(';')));
    std::uint64_t size = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), size, 16);
    if (digits.empty() || digits.size() > LongestChunkSizeDigits || error != std::errc() ||
        end != digits.data() + digits.size())
        return std::nullopt;
    return size;
}

} // namespace

std::size_t AnswerReader::Take(std::string_view bytes) {
    std::size_t used = 0;
    while (used < bytes.size() && (state_ == State::Head || state_ == State::Body)) {
        const auto rest = bytes.substr(used);
        used += ReadsLines() ? TakeLineBytes(rest) : TakeBodyData(rest);
    }
    return used;
}

std::span<const AnswerHead> AnswerReader::CompleteHeads() const {
    return {heads_.data(), headRead_ ? heads_.size() : heads_.size() - 1};
}

void AnswerReader::TakeEnd() {
    if (state_ == State::Head)
        Fail(Failure::ClosedInHead);
    else if (state_ == State::Body &&
             (bodyStep_ == BodyStep::Length || bodyStep_ == BodyStep::ToClose)) {
        endedByClose_ = true;
        Complete();
    } else if (state_ == State::Body)
        Fail(Failure::BrokenBody);
}

bool AnswerReader::ReadsLines() const {
    return state_ == State::Head || bodyStep_ == BodyStep::ChunkSize ||
           bodyStep_ == BodyStep::ChunkEnd || bodyStep_ == BodyStep::Trailer;
}

// Collects bytes up to the next line feed; a line that grows past the limit fails at once, so an
// endless line is never held in memory.
std::size_t AnswerReader::TakeLineBytes(std::string_view bytes) {
    const auto feed = bytes.find('\n');
    const auto part = bytes.substr(0, feed);
    if (line_.size() + part.size() > LongestLine) {
        Fail(Failure::LineTooLong);
        return 0;
    }
    line_ += part;
    if (feed == std::string_view::npos)
        return bytes.size();
    std::string_view line = line_;
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    TakeLine(line);
    line_.clear();
    return feed + 1;
}

void AnswerReader::TakeLine(std::string_view line) {
    if (state_ == State::Head)
        TakeHeadLine(line);
    else
        TakeBodyLine(line);
}

void AnswerReader::TakeHeadLine(std::string_view line) {
    if (line.empty() && !heads_.back().Empty())
        EndHead();
    else if (!line.empty())
        heads_.back().AddLine(line);
}

void AnswerReader::EndHead() {
    const AnswerHead& head = heads_.back();
    kind_ = ClassifyAnswer(head);
    if (kind_ == AnswerKind::Continue) {
        heads_.emplace_back();
        return;
    }
    StartBody(head);
}

void AnswerReader::StartBody(const AnswerHead& head) {
    state_ = State::Body;
    headRead_ = true;
    if (kind_ == AnswerKind::Success && head.StatusCode() == 204)
        return Complete();
    const auto length = DeclaredLength(head);
    if (length && *length > 0) {
        bodyStep_ = BodyStep::Length;
        remaining_ = static_cast<std::uint64_t>(*length);
    } else if (NamesChunked(head))
        bodyStep_ = BodyStep::ChunkSize;
    else if (!length || *length < 0)
        bodyStep_ = BodyStep::ToClose;
    else
        Complete();
}

void AnswerReader::TakeBodyLine(std::string_view line) {
    switch (bodyStep_) {
    case BodyStep::ChunkSize:
        if (const auto size = ChunkSize(line)) {
            remaining_ = *size;
            bodyStep_ = *size == 0 ? BodyStep::Trailer : BodyStep::ChunkData;
        } else
            Fail(Failure::BrokenBody);
        break;
    case BodyStep::ChunkEnd:
        if (line.empty())
            bodyStep_ = BodyStep::ChunkSize;
        else
            Fail(Failure::BrokenBody);
        break;
    case BodyStep::Trailer:
        if (line.empty())
            Complete();
        break;
    default:
        break;
    }
}

std::size_t AnswerReader::TakeBodyData(std::string_view bytes) {
    if (bodyStep_ == BodyStep::ToClose) {
        bodyBytes_ += bytes.size();
        return bytes.size();
    }
    const auto used = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), remaining_));
    bodyBytes_ += used;
    remaining_ -= used;
    if (remaining_ == 0 && bodyStep_ == BodyStep::Length)
        Complete();
    else if (remaining_ == 0)
        bodyStep_ = BodyStep::ChunkEnd;
    return used;
}

void AnswerReader::Complete() {
    state_ = State::Complete;
}

void AnswerReader::Fail(Failure failure) {
    state_ = State::Failed;
    failure_ = failure;
}

} // namespace kolvane
