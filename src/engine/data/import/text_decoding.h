// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

// Instrument software writes its exports in UTF-8 or in the Windows code page (Latin-1: "T°
// 405", "Temp. [°C]"). The readers work on UTF-8.
namespace velmor {

// True if the bytes are well-formed UTF-8 (no overlong forms, surrogates or values beyond
// U+10FFFF).
bool is_utf8(std::string_view bytes);

// The line as UTF-8: unchanged when it is UTF-8 already, else read as Latin-1 (each byte its own
// character), so that a line of either encoding gives the same text.
std::string utf8_line(std::string_view line);

}  // namespace velmor
