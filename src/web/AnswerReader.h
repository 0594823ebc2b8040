#pragma once

#include "web/HttpMessage.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kolvane {

// Reads the answer to one GET from its bytes as they arrive, without any socket: the status line
// and headers of every answer (any number of 100 answers, then the final one) and the final
// answer's body by the body rules. The body is counted and thrown away as it arrives.
class AnswerReader {
public:
    // The longest line of an answer, not counting its line feed.
    static constexpr std::size_t LongestLine = 16384;

    enum class State {
        Head,     // status line and headers
        Body,     // the final answer's body
        Complete, // the answer ended by its own rules, or by a close where the rules allow it
        Failed,
    };
    enum class Failure {
        None,
        LineTooLong,
        ClosedInHead, // the server closed before the final answer's head was complete
        BrokenBody,   // a chunked body that is malformed or cut short
    };

    // Takes the next bytes of the answer. Returns how many were used: all of them, unless the
    // answer completed or failed on the way.
    std::size_t Take(std::string_view bytes);
    // The server has closed the connection.
    void TakeEnd();

    State CurrentState() const { return state_; }
    Failure FailureReason() const { return failure_; }
    // Whether the final answer's head has been read.
    bool HeadRead() const { return headRead_; }
    // Meaningful once the head has been read.
    AnswerKind Kind() const { return kind_; }
    // Every head read to its end so far, in order of arrival: any 100 answers, then the final one.
    std::span<const AnswerHead> CompleteHeads() const;
    // After any chunked coding is removed.
    std::uint64_t BodyBytes() const { return bodyBytes_; }
    // Whether the server's close ended the body (read to the close, or a length cut short).
    bool EndedByClose() const { return endedByClose_; }

private:
    enum class BodyStep { Length, ToClose, ChunkSize, ChunkData, ChunkEnd, Trailer };

    std::size_t TakeLineBytes(std::string_view bytes);
    void TakeLine(std::string_view line);
    void TakeHeadLine(std::string_view line);
    void EndHead();
    void StartBody(const AnswerHead& head);
    void TakeBodyLine(std::string_view line);
    std::size_t TakeBodyData(std::string_view bytes);
    bool ReadsLines() const;
    void Complete();
    void Fail(Failure failure);

    State state_ = State::Head;
    Failure failure_ = Failure::None;
    AnswerKind kind_ = AnswerKind::Error;
    std::vector<AnswerHead> heads_{AnswerHead{}};
    std::string line_; // the part of a line received so far
    BodyStep bodyStep_ = BodyStep::ToClose;
    std::uint64_t remaining_ = 0; // of the length or of the current chunk
    std::uint64_t bodyBytes_ = 0;
    bool endedByClose_ = false;
    bool headRead_ = false;
};

} // namespace kolvane
