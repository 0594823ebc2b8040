#include "platform/TextEncoding.h"

#include <climits>
#include <windows.h>

namespace kolvane::platform {
namespace {

// The ANSI code page; where the system itself runs on UTF-8 it takes UTF-8's rules, since
// WideCharToMultiByte refuses the best-fit and default-character arguments for it.
UINT LegacyCodePage() {
    return ::GetACP() == CP_UTF8 ? CP_UTF8 : CP_ACP;
}

std::optional<std::wstring> ToWide(UINT codePage, std::string_view text) {
    if (text.empty())
        return std::wstring();
    if (text.size() > INT_MAX)
        return std::nullopt;
    const int size = static_cast<int>(text.size());
    const int length =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(),
                              length) != length)
        return std::nullopt;
    return wide;
}

std::optional<std::string> FromWide(UINT codePage, const std::wstring& wide) {
    if (wide.empty())
        return std::string();
    if (wide.size() > INT_MAX)
        return std::nullopt;
    const int size = static_cast<int>(wide.size());
    const bool utf8 = codePage == CP_UTF8;
    // A character without an exact counterpart would otherwise come out as '?' or a look-alike.
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int length = ::WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0,
                                             nullptr, usedDefaultOut);
    if (length <= 0 || usedDefault)
        return std::nullopt;
    std::string text(static_cast<std::size_t>(length), '\0');
    if (::WideCharToMultiByte(codePage, flags, wide.data(), size, text.data(), length, nullptr,
                              usedDefaultOut) != length ||
        usedDefault)
        return std::nullopt;
    return text;
}

std::optional<std::string> Convert(UINT from, UINT to, std::string_view text) {
    const std::optional<std::wstring> wide = ToWide(from, text);
    if (!wide)
        return std::nullopt;
    return FromWide(to, *wide);
}

} // namespace

bool SystemTextIsUtf8() {
    return ::GetACP() == CP_UTF8;
}

std::optional<std::string> LegacyToUtf8(std::string_view legacy) {
    return Convert(LegacyCodePage(), CP_UTF8, legacy);
}

std::optional<std::string> Utf8ToLegacy(std::string_view utf8) {
    return Convert(CP_UTF8, LegacyCodePage(), utf8);
}

} // namespace kolvane::platform
