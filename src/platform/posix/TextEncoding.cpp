#include "platform/TextEncoding.h"

#include <cerrno>
#include <iconv.h>

namespace kolvane::platform {
namespace {

// Code page 936 as Windows has it (GBK with the euro sign at 0x80), so that a file carried over
// from a Chinese Windows system reads as it did there.
constexpr const char* kLegacyEncoding = "CP936";

class Converter {
public:
    Converter(const char* from, const char* to) : handle_(::iconv_open(to, from)) {}
    ~Converter() {
        if (valid())
            ::iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // The whole text or nothing: an invalid, incomplete or unconvertible sequence fails it, and
    // so does a character converted to a substitute (iconv counts those in its result).
    std::optional<std::string> Convert(std::string_view text) {
        std::string result;
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        while (inLeft > 0) {
            char buffer[4096];
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t done = ::iconv(handle_, &in, &inLeft, &out, &outLeft);
            result.append(buffer, static_cast<std::size_t>(out - buffer));
            if (done == static_cast<std::size_t>(-1) ? errno != E2BIG : done != 0)
                return std::nullopt;
        }
        return result;
    }

private:
    iconv_t handle_;
};

std::optional<std::string> Convert(const char* from, const char* to, std::string_view text) {
    Converter converter(from, to);
    if (!converter.valid())
        return std::nullopt;
    return converter.Convert(text);
}

} // namespace

bool SystemTextIsUtf8() {
    return true;
}

std::optional<std::string> LegacyToUtf8(std::string_view legacy) {
    return Convert(kLegacyEncoding, "UTF-8", legacy);
}

std::optional<std::string> Utf8ToLegacy(std::string_view utf8) {
    return Convert("UTF-8", kLegacyEncoding, utf8);
}

} // namespace kolvane::platform
