#include "web/WebAddress.h"

#include "web/HttpText.h"

#include <charconv>

namespace kolvane {

std::string WebAddress::HostHeader() const {
    return port == 80 ? host : host + ':' + std::to_string(port);
}

std::optional<WebAddress> SplitWebAddress(std::string_view address) {
    constexpr std::string_view scheme = "http://";
    if (address.size() < scheme.size() ||
        !EqualsIgnoringCase(address.substr(0, scheme.size()), scheme))
        return std::nullopt;
    address.remove_prefix(scheme.size());
    if (address.ends_with('/'))
        address.remove_suffix(1);

    WebAddress result;
    const auto colon = address.find(':');
    result.host = std::string(address.substr(0, colon));
    if (result.host.empty() || result.host.find_first_of("/?#@ \t\r\n") != std::string::npos)
        return std::nullopt;
    if (colon != std::string_view::npos) {
        const auto digits = address.substr(colon + 1);
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), result.port);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
            result.port < 1 || result.port > 65535)
            return std::nullopt;
    }
    return result;
}

} // namespace kolvane
