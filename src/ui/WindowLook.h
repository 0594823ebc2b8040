#pragma once

#include <QColor>
#include <QFont>
#include <cstdint>

namespace kolvane::ui {

// The main window's font: Tahoma where installed, otherwise the system's sans-serif, with a CJK
// face behind either so the Chinese captions always have glyphs.
QFont WindowFont();

// Milliseconds since midnight of the current UTC time: the seed of the advertisement colour.
std::uint32_t MillisecondsSinceUtcMidnight();

// Three draws, each uniform over 0 to 254, for blue, green and red in that order.
QColor DrawAdvertColour(std::uint32_t seed);

} // namespace kolvane::ui
