// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <utility>

#include "engine/core/host.h"

namespace velmor {

// A host that passes everything on to another, each message's text after a prefix: the runs of
// a data file's groups say which group they speak of ("Group rep1: "). Used on the thread that
// runs the fit, as the host it wraps.
class PrefixedHost : public Host {
 public:
  PrefixedHost(Host& inner, std::string prefix) : inner_(inner), prefix_(std::move(prefix)) {}

  void dlgmessage(int kind, std::string_view text) override {
    inner_.dlgmessage(kind, prefix_ + std::string(text));
  }
  void setwindowtitle(std::string_view title) override { inner_.setwindowtitle(title); }
  void show_fit(const RunState& state) override { inner_.show_fit(state); }
  void startidle(int milliseconds) override { inner_.startidle(milliseconds); }
  std::ostream& console_log() override { return inner_.console_log(); }

 private:
  Host& inner_;
  std::string prefix_;
};

// "Group rep1: ", or nothing for data fitted whole.
inline std::string group_prefix(const std::string& group) {
  return group.empty() ? std::string() : "Group " + group + ": ";
}

}  // namespace velmor
