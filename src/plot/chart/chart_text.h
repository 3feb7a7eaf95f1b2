// SPDX-License-Identifier: MIT

#pragma once

#include <functional>
#include <string>
#include <vector>

namespace velmor::plot {

// Measures a text in pixels.
using TextWidth = std::function<int(const std::string&)>;

// A legend text that fits in `max_width` pixels. A text at least that wide gets "..." in front;
// then, while it is still too wide, three characters after the "..." are removed at a time while
// it has 9 or more characters, else all but six; a text that still does not fit ends as "...".
// Characters are UTF-8 code points, so no character is ever cut in half.
std::string ShortenLegendText(const std::string& text, int max_width, const TextWidth& width);

// The lines of a text broken at CR LF, LF or CR.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace velmor::plot
