#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kolvane {

// An "http" address of scheme, host and optional port; the request path is always "/".
struct WebAddress {
    std::string host; // exactly as written in the address
    int port = 80;

    // The Host header's value: the host, with ":" and the port only when the port is not 80.
    std::string HostHeader() const;
};

// Splits "http://host", "http://host:port", optionally followed by a single "/". Returns nothing
// for any other text.
std::optional<WebAddress> SplitWebAddress(std::string_view address);

} // namespace kolvane
