#pragma once

namespace kolvane {

// The maker's home page: scheme "http" and a host, nothing else. Chosen at build time.
inline constexpr const char* HomePageAddress = KOLVANE_HOME_PAGE;

} // namespace kolvane
