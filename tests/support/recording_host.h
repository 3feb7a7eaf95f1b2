// SPDX-License-Identifier: MIT

#pragma once

#include <string>
#include <vector>

#include "engine/core/host.h"

namespace velmor::testing {

// A host for tests: remembers every call and never blocks.
class RecordingHost : public Host {
 public:
  struct Message {
    int kind;
    std::string text;
  };

  void dlgmessage(int kind, std::string_view text) override {
    messages.push_back({kind, std::string(text)});
  }
  void setwindowtitle(std::string_view title) override { titles.emplace_back(title); }
  void show_fit(const RunState&) override { ++fits_shown; }
  void startidle(int milliseconds) override { idle_ms += milliseconds; }

  std::vector<Message> messages;
  std::vector<std::string> titles;
  int fits_shown = 0;
  long idle_ms = 0;
};

}  // namespace velmor::testing
