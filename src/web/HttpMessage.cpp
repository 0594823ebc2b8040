#include "web/HttpMessage.h"

#include "web/HttpText.h"

#include <charconv>

namespace kolvane {

namespace {

// Base64 of an empty user name, ":" and an empty password.
constexpr std::string_view EmptyBasicCredentials = "Basic Og==";

std::string_view RightTrimmed(std::string_view text) {
    const auto last = text.find_last_not_of(" \t");
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

bool OffersBasic(std::string_view challenge) {
    const auto scheme = challenge.substr(0, challenge.find_first_of(" \t"));
    return EqualsIgnoringCase(scheme, "Basic");
}

} // namespace

std::vector<std::string> RequestHeaderLines(std::string_view hostHeader, BasicSwitches switches,
                                            std::string_view cookieLine) {
    std::vector<std::string> lines{
        "Host: " + std::string(hostHeader),
        "Accept: text/html, */*",
        "User-Agent: Mozilla/3.0 (compatible; Indy Library)",
    };
    if (switches.authorization)
        lines.push_back("Authorization: " + std::string(EmptyBasicCredentials));
    if (switches.proxyAuthorization)
        lines.push_back("Proxy-Authorization: " + std::string(EmptyBasicCredentials));
    if (!cookieLine.empty())
        lines.push_back(FoldHeaderLine("Cookie: " + std::string(cookieLine)));
    return lines;
}

std::string RequestBytes(std::string_view hostHeader, BasicSwitches switches,
                         std::string_view cookieLine) {
    std::string request = "GET / HTTP/1.1\r\n";
    for (const std::string& line : RequestHeaderLines(hostHeader, switches, cookieLine))
        request += line + "\r\n";
    return request + "\r\n";
}

std::string FoldHeaderLine(std::string_view line, std::size_t limit) {
    std::string folded;
    for (bool first = true;; first = false) {
        const std::size_t room = first ? limit : limit - 1; // continuation lines start with a space
        if (!first)
            folded += "\r\n ";
        if (line.size() <= room) {
            folded += line;
            return folded;
        }
        auto cut = line.find_last_of(" \t,", room - 1);
        if (cut == std::string_view::npos)
            cut = line.find_first_of(" \t,", room);
        if (cut == std::string_view::npos) {
            folded += line;
            return folded;
        }
        folded += RightTrimmed(line.substr(0, cut + 1));
        line.remove_prefix(cut + 1);
    }
}

void AnswerHead::AddLine(std::string_view line) {
    if (statusLine_.empty())
        statusLine_ = line;
    else if ((line.starts_with(' ') || line.starts_with('\t')) && !headers_.empty())
        headers_.back().append(" ").append(TrimBlanks(line));
    else
        headers_.emplace_back(line);
}

int AnswerHead::StatusCode() const {
    const auto space = statusLine_.find(' ');
    if (space == std::string::npos)
        return -1;
    const std::string_view rest = std::string_view(statusLine_).substr(space + 1);
    const auto word = rest.substr(0, rest.find(' '));
    int code = -1;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), code);
    return word.empty() || error != std::errc() || end != word.data() + word.size() ? -1 : code;
}

std::vector<std::string_view> AnswerHead::Values(std::string_view name) const {
    std::vector<std::string_view> values;
    for (const std::string& header : headers_) {
        const auto colon = header.find(':');
        if (colon != std::string::npos &&
            EqualsIgnoringCase(TrimBlanks(std::string_view(header).substr(0, colon)), name))
            values.push_back(TrimBlanks(std::string_view(header).substr(colon + 1)));
    }
    return values;
}

std::string_view AnswerHead::Value(std::string_view name) const {
    const auto values = Values(name);
    return values.empty() ? std::string_view{} : values.front();
}

AnswerKind ClassifyAnswer(const AnswerHead& head) {
    const int code = head.StatusCode();
    if (code == 100)
        return AnswerKind::Continue;
    const bool hasLocation = !head.Value("Location").empty();
    if (hasLocation || (code >= 300 && code <= 399 && code != 304))
        return AnswerKind::Redirect;
    if (code >= 200 && code <= 299)
        return AnswerKind::Success;
    return AnswerKind::Error;
}

bool SaysClose(const AnswerHead& head) {
    for (const auto name : {"Connection", "Proxy-Connection"})
        for (const auto value : head.Values(name))
            if (EqualsIgnoringCase(value, "close"))
                return true;
    return false;
}

BasicSwitches SwitchesFrom(const AnswerHead& head) {
    BasicSwitches switches;
    if (head.StatusCode() == 401)
        for (const auto challenge : head.Values("WWW-Authenticate"))
            switches.authorization = switches.authorization || OffersBasic(challenge);
    if (head.StatusCode() == 407)
        switches.proxyAuthorization = OffersBasic(head.Value("Proxy-Authenticate"));
    return switches;
}

} // namespace kolvane
