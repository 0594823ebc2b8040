// The answer reader alone, without a socket: however the bytes are split on the way, the answer
// reads the same.
#include "web/AnswerReader.h"

#include <gtest/gtest.h>

namespace kolvane {
namespace {

using State = AnswerReader::State;

struct Reading {
    State state;
    std::uint64_t bodyBytes;
    std::size_t used;
    std::size_t heads;
    bool operator==(const Reading&) const = default;
};

Reading Read(std::string_view answer, std::size_t piece, bool closeAtEnd) {
    AnswerReader reader;
    std::size_t used = 0;
    for (std::size_t at = 0; at < answer.size(); at += piece)
        used += reader.Take(answer.substr(at, piece));
    if (closeAtEnd)
        reader.TakeEnd();
    return {reader.CurrentState(), reader.BodyBytes(), used, reader.CompleteHeads().size()};
}

TEST(AnswerReaderTest, ReadsTheSameAnswerHoweverItsBytesAreSplit) {
    const struct {
        const char* name;
        std::string answer;
        bool closeAtEnd;
        Reading whole;
    } cases[] = {
        {"length and more",
         "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabcdef",
         false,
         {State::Complete, 3, 41, 1}},
        {"100 first",
         "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 204 None\r\n\r\n",
         false,
         {State::Complete, 0, 46, 2}},
        {"chunked with trailer",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
         "a;x=y\r\n0123456789\r\n1\r\n!\r\n0\r\nT: 1\r\n\r\n",
         false,
         {State::Complete, 11, 83, 1}},
        {"bare line feeds",
         "HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n2\nab\n0\n\n",
         false,
         {State::Complete, 2, 52, 1}},
        {"folded header",
         "HTTP/1.1 200 OK\r\nContent-Length:\r\n 2\r\n\r\nab",
         true,
         {State::Complete, 2, 42, 1}},
        {"to the close", "HTTP/1.1 200 OK\r\n\r\nabcdef", true, {State::Complete, 6, 25, 1}},
        {"closed in the head", "HTTP/1.1 200 OK\r\nContent-Le", true, {State::Failed, 0, 27, 0}},
        {"chunk without its line end",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
         "2\r\nabc\r\n0\r\n\r\n",
         false,
         {State::Failed, 2, 55, 1}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(Read(test.answer, test.answer.size(), test.closeAtEnd), test.whole);
        for (std::size_t piece = 1; piece < 8; ++piece)
            EXPECT_EQ(Read(test.answer, piece, test.closeAtEnd).state, test.whole.state) << piece;
        EXPECT_EQ(Read(test.answer, 1, test.closeAtEnd), test.whole);
    }
}

} // namespace
} // namespace kolvane
