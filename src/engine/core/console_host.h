// SPDX-License-Identifier: MIT

#pragma once

#include <ostream>

#include "engine/core/fit_observer.h"

namespace velmor {

// The host of the command line: every message becomes "Title: text" on the given stream (a CR LF
// in the text becomes a line break), progress and pictures are not shown.
class ConsoleHost : public FitObserver {
 public:
  explicit ConsoleHost(std::ostream& out) : out_(out) {}

  void message(int kind, std::string_view text) override;
  void progress(const FitProgress&) override {}
  void model_fitted(const FittedData&) override {}
  // With the messages, in their order.
  std::ostream& console_log() override { return out_; }

 private:
  std::ostream& out_;
};

}  // namespace velmor
