// Drives the answer reader with arbitrary bytes: status lines, headers, folding, chunked bodies.
// The same bytes must read the same whether they arrive whole or in pieces, a reader never uses
// more bytes than it is given, and the body it counts never exceeds the bytes it used.

#include "FuzzCheck.h"
#include "web/AnswerReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kolvane {
namespace {

using fuzzing::Require;

struct Result {
    AnswerReader::State state;
    AnswerReader::Failure failure;
    std::uint64_t bodyBytes;
    std::size_t used;
    std::size_t heads;
    bool operator==(const Result&) const = default;
};

Result Read(std::string_view answer, std::size_t piece, bool closeAtEnd) {
    AnswerReader reader;
    std::size_t used = 0;
    for (std::size_t at = 0; at < answer.size(); at += piece) {
        const auto part = answer.substr(at, piece);
        const std::size_t taken = reader.Take(part);
        Require(taken <= part.size(), "uses no more bytes than given");
        used += taken;
    }
    if (closeAtEnd)
        reader.TakeEnd();
    Require(reader.BodyBytes() <= used, "counts no more body than the bytes used");
    return {reader.CurrentState(), reader.FailureReason(), reader.BodyBytes(), used,
            reader.CompleteHeads().size()};
}

} // namespace
} // namespace kolvane

// The first byte picks the piece size and whether the server closes at the end.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t piece = data[0] % 64 + 1;
    const bool closeAtEnd = (data[0] & 0x80) != 0;
    const std::string_view answer(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto whole = kolvane::Read(answer, answer.size() + 1, closeAtEnd);
    kolvane::fuzzing::Require(kolvane::Read(answer, piece, closeAtEnd) == whole,
                              "reads the same in pieces as whole");
    return 0;
}
