// SPDX-License-Identifier: MIT

#pragma once

#include <string>
#include <vector>

#include "engine/core/fit_observer.h"

namespace velmor::testing {

// A host for tests: remembers every event of a fit and never blocks.
class RecordingHost : public FitObserver {
 public:
  struct Message {
    int kind;
    std::string text;
  };

  void message(int kind, std::string_view text) override {
    messages.push_back({kind, std::string(text)});
    events.push_back(std::string(message_title(kind)) + ": " + std::string(text));
  }
  void progress(const FitProgress& progress) override {
    events.push_back("progress " + std::to_string(progress.model) + " pass " +
                     std::to_string(progress.pass));
  }
  void model_fitted(const FittedData& fitted) override {
    ++fits_shown;
    events.push_back("fitted " + std::to_string(fitted.imdlno) + " " + fitted.strmdl + " rows " +
                     std::to_string(fitted.data.nRows) +
                     (fitted.fitted_params ? " with parameters" : " without parameters"));
  }

  std::vector<Message> messages;
  int fits_shown = 0;
  // Every event in order: "progress <model> pass <pass>", "fitted <model> <name> rows <n> with
  // parameters" (or "without parameters" after a failed fit), "<Title>: <text>" for a message.
  std::vector<std::string> events;
};

}  // namespace velmor::testing
