#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kolvane {

struct Cookie {
    std::string name;
    std::string value;
    std::string domain; // lower case, without a leading "."
    std::string path;
    bool secure = false;
    std::optional<std::time_t> expires; // none: kept until the program ends
};

// The cookies of one run, kept in memory only. Times are seconds since the epoch, passed in so
// that expiry can be tested.
class CookieStore {
public:
    // A store never grows past this many cookies; the oldest give way to new ones.
    static constexpr std::size_t Capacity = 50;

    // Takes the value of one "Set-Cookie" header of an answer to a request for requestHost.
    void TakeSetCookie(std::string_view headerValue, std::string_view requestHost, std::time_t now);
    // "Set-Cookie2" may carry several cookies separated by commas.
    void TakeSetCookie2(std::string_view headerValue, std::string_view requestHost,
                        std::time_t now);

    void DropExpired(std::time_t now);

    // "name=value; name=value" of every cookie chosen for a plain-http request of host and path;
    // empty when none is chosen.
    std::string CookieLine(std::string_view host, std::string_view path) const;

    const std::vector<Cookie>& Cookies() const { return cookies_; }

private:
    void Keep(Cookie cookie);

    std::vector<Cookie> cookies_; // oldest first
};

} // namespace kolvane
