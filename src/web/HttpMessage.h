#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kolvane {

// The credential headers a 401 or 407 answer switches on for every later request of the run.
struct BasicSwitches {
    bool authorization = false;
    bool proxyAuthorization = false;
};

// The header lines after the request line, in the order they go out, without line ends. A line
// longer than the folding limit comes back folded into continuation lines joined by CR LF.
std::vector<std::string> RequestHeaderLines(std::string_view hostHeader, BasicSwitches switches,
                                            std::string_view cookieLine);

// The whole request, from the request line to the empty line that ends it.
std::string RequestBytes(std::string_view hostHeader, BasicSwitches switches,
                         std::string_view cookieLine);

// Breaks a header line after a space, tab or comma so that each piece stays within limit
// characters where such a break exists; pieces lose their trailing blanks and every piece after
// the first starts a continuation line with one space.
std::string FoldHeaderLine(std::string_view line, std::size_t limit = 1024);

// The status line and headers of one answer, continuation lines joined to their header.
class AnswerHead {
public:
    void AddLine(std::string_view line);
    bool Empty() const { return statusLine_.empty(); }

    // The first word after the first space of the status line; -1 when that is not a number.
    int StatusCode() const;
    // Values of every header of that name, without surrounding blanks.
    std::vector<std::string_view> Values(std::string_view name) const;
    // The first header of that name, or an empty text.
    std::string_view Value(std::string_view name) const;

private:
    std::string statusLine_;
    std::vector<std::string> headers_; // "Name: value" as received
};

// Continue: a 100 answer, after which the next one is read. Every other 1xx answer is an error.
enum class AnswerKind { Continue, Success, Redirect, Error };

AnswerKind ClassifyAnswer(const AnswerHead& head);
// Whether the connection must be closed once the exchange has ended.
bool SaysClose(const AnswerHead& head);
// Whether a 401 or 407 answer switches a Basic header on.
BasicSwitches SwitchesFrom(const AnswerHead& head);

} // namespace kolvane
