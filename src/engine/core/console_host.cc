// SPDX-License-Identifier: MIT

#include "engine/core/console_host.h"

#include <string>

namespace velmor {

void ConsoleHost::message(int kind, std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    line += text[i];
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  out_ << message_title(kind) << ": " << line << '\n';
  out_.flush();
}

}  // namespace velmor
