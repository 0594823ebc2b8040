#include "web/CookieStore.h"

#include "web/CookieDate.h"
#include "web/HttpText.h"

#include <algorithm>
#include <charconv>
#include <span>

namespace kolvane {

namespace {

// Anything longer is not a cookie a browser would keep either.
constexpr std::size_t LongestCookie = 4096;

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// Control characters would end up raw in our own request line.
bool HasControlCharacter(std::string_view text) {
    return std::ranges::any_of(text, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\t') || byte == 0x7f;
    });
}

// A cookie may name its host or a parent domain of it, nothing else.
bool DomainMatches(std::string_view host, std::string_view domain) {
    if (EqualsIgnoringCase(host, domain))
        return true;
    return host.size() > domain.size() && EndsWithIgnoringCase(host, domain) &&
           host[host.size() - domain.size() - 1] == '.';
}

std::optional<std::time_t> ExpiryFromMaxAge(std::string_view text, std::time_t now) {
    long long seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return seconds <= 0 ? std::time_t{0} : now + static_cast<std::time_t>(seconds);
}

std::vector<std::string_view> SplitAt(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

// Commas inside quoted strings do not separate cookies.
std::vector<std::string_view> SplitOutsideQuotes(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == separator && !quoted) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::optional<Cookie> ParseSetCookie(std::string_view headerValue, std::string_view requestHost,
                                     std::time_t now) {
    if (headerValue.size() > LongestCookie || HasControlCharacter(headerValue))
        return std::nullopt;
    const auto parts = SplitAt(headerValue, ';');
    const auto equals = parts.front().find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;

    Cookie cookie;
    cookie.name = TrimBlanks(parts.front().substr(0, equals));
    cookie.value = TrimBlanks(parts.front().substr(equals + 1));
    if (cookie.name.empty())
        return std::nullopt;

    std::optional<std::time_t> maxAgeExpiry;
    for (auto attribute : std::span(parts).subspan(1)) {
        const auto split = attribute.find('=');
        const auto name = TrimBlanks(attribute.substr(0, split));
        const auto value = split == std::string_view::npos
                               ? std::string_view{}
                               : TrimBlanks(attribute.substr(split + 1));
        if (EqualsIgnoringCase(name, "domain") && !value.empty())
            cookie.domain = LowerCase(value.starts_with('.') ? value.substr(1) : value);
        else if (EqualsIgnoringCase(name, "path"))
            cookie.path = value;
        else if (EqualsIgnoringCase(name, "expires"))
            cookie.expires = ParseCookieDate(value);
        else if (EqualsIgnoringCase(name, "max-age"))
            maxAgeExpiry = ExpiryFromMaxAge(value, now);
        else if (EqualsIgnoringCase(name, "secure"))
            cookie.secure = true;
    }
    if (maxAgeExpiry)
        cookie.expires = maxAgeExpiry;
    if (cookie.domain.empty())
        cookie.domain = LowerCase(requestHost);
    else if (!DomainMatches(requestHost, cookie.domain))
        return std::nullopt;
    if (!cookie.path.starts_with('/'))
        cookie.path = "/";
    return cookie;
}

} // namespace

void CookieStore::TakeSetCookie(std::string_view headerValue, std::string_view requestHost,
                                std::time_t now) {
    if (auto cookie = ParseSetCookie(headerValue, requestHost, now))
        Keep(std::move(*cookie));
}

void CookieStore::TakeSetCookie2(std::string_view headerValue, std::string_view requestHost,
                                 std::time_t now) {
    for (auto single : SplitOutsideQuotes(headerValue, ','))
        TakeSetCookie(TrimBlanks(single), requestHost, now);
}

void CookieStore::Keep(Cookie cookie) {
    std::erase_if(cookies_, [&](const Cookie& kept) {
        return kept.name == cookie.name && kept.domain == cookie.domain && kept.path == cookie.path;
    });
    if (cookies_.size() == Capacity)
        cookies_.erase(cookies_.begin());
    cookies_.push_back(std::move(cookie));
}

void CookieStore::DropExpired(std::time_t now) {
    std::erase_if(cookies_,
                  [now](const Cookie& cookie) { return cookie.expires && *cookie.expires <= now; });
}

std::string CookieStore::CookieLine(std::string_view host, std::string_view path) const {
    std::string line;
    for (const Cookie& cookie : cookies_) {
        if (cookie.value.empty() || cookie.secure || !path.starts_with(cookie.path) ||
            !ContainsIgnoringCase(host, cookie.domain))
            continue;
        if (!line.empty())
            line += "; ";
        line += cookie.name + '=' + cookie.value;
    }
    return line;
}

} // namespace kolvane
