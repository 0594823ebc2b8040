#pragma once

#include <QFont>

namespace kolvane::ui {

// Tahoma at 11 pixels, falling back to a sans-serif face with Chinese glyphs where it is missing.
QFont TahomaFont();

// "新宋体" at 12 pixels, falling back to a Song-style face.
QFont NewSongFont();

} // namespace kolvane::ui
