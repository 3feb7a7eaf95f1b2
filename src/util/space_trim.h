// SPDX-License-Identifier: MIT

#pragma once

#include <string>
#include <string_view>

namespace velmor::util {

// The text without the spaces at either end (a model's name as the summary tables show it);
// empty when it holds only spaces.
inline std::string trim_spaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

}  // namespace velmor::util
