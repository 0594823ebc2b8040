#pragma once

// The Windows headers, without the parts that clash with standard names (min, max) or slow every
// build down.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
