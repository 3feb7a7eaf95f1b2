// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <utility>

#include "engine/core/fit_observer.h"

namespace velmor {

// A host that passes everything on to another, each message's text after a prefix: the runs of
// a data file's groups say which group they speak of ("Group rep1: "). Used on the thread that
// runs the fit, as the host it wraps.
class PrefixedHost : public FitObserver {
 public:
  PrefixedHost(FitObserver& inner, std::string prefix)
      : inner_(inner), prefix_(std::move(prefix)) {}

  void message(int kind, std::string_view text) override {
    inner_.message(kind, prefix_ + std::string(text));
  }
  void progress(const FitProgress& progress) override { inner_.progress(progress); }
  void model_fitted(const FittedData& fitted) override { inner_.model_fitted(fitted); }
  std::ostream& console_log() override { return inner_.console_log(); }

 private:
  FitObserver& inner_;
  std::string prefix_;
};

// "Group rep1: ", or nothing for data fitted whole.
inline std::string group_prefix(const std::string& group) {
  return group.empty() ? std::string() : "Group " + group + ": ";
}

}  // namespace velmor
