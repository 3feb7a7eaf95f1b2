// SPDX-License-Identifier: MIT

#pragma once

#include <QFont>

namespace wintk::platform {

inline constexpr int kThemeFont = -999;  // setmatchthemetextstyle

// The font of settextstyle's font number with the size as its cell height in pixels:
// 0 any family bold, 1 sans-serif, 2 serif, 3 script, 4 sans-serif bold, 5 serif bold,
// 6 fixed pitch, 7 the GUI font at that size, 8 a symbol font. Other numbers give font 0.
// kThemeFont gives the GUI font at its own size. Any thread (needs the QApplication).
QFont make_font(int font, int size);

}  // namespace wintk::platform
