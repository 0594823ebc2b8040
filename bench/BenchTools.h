#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

// What every benchmark times and prints with.
namespace kolvane::bench {

inline double Seconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The place for work files when none is given: $TMPDIR, else /tmp.
inline std::filesystem::path TemporaryRoot() {
    const char* temporary = std::getenv("TMPDIR");
    return temporary && *temporary ? std::filesystem::path(temporary)
                                   : std::filesystem::path("/tmp");
}

inline std::string Quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

// Runs a shell command after writing out what earlier runs left in the cache, so that no run
// pays for the one before.
inline double TimeCommand(const std::string& command) {
    ::sync();
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0)
        std::printf("  warning: %s failed\n", command.c_str());
    return Seconds(std::chrono::steady_clock::now() - start);
}

} // namespace kolvane::bench
