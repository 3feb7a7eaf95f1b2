// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

namespace velmor::util {

// The length in bytes of the well-formed UTF-8 sequence that starts at `pos` (1 for ASCII), or 0
// when the bytes there are not one: a stray continuation byte, a truncated sequence, an overlong
// form, a surrogate or a value beyond U+10FFFF.
std::size_t utf8_sequence_length(std::string_view s, std::size_t pos);

}  // namespace velmor::util
