#pragma once

#include "platform/win32/WideText.h"

// The windows take the same UTF-16 as the platform's wide file calls.
namespace kolvane::winui {

using platform::win32::Utf8;
using platform::win32::Wide;

} // namespace kolvane::winui
