// SPDX-License-Identifier: MIT

#pragma once

#include <ostream>

#include "engine/core/host.h"

namespace velmor {

// The host of the command line: every message becomes "Title: text" on the given stream (a CR LF
// in the text becomes a line break), titles and pictures are not shown, waits return at once.
class ConsoleHost : public Host {
 public:
  explicit ConsoleHost(std::ostream& out) : out_(out) {}

  void dlgmessage(int kind, std::string_view text) override;
  void setwindowtitle(std::string_view) override {}
  void show_fit(const RunState&) override {}
  void startidle(int) override {}
  // With the messages, in their order.
  std::ostream& console_log() override { return out_; }

 private:
  std::ostream& out_;
};

}  // namespace velmor
