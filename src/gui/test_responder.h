// SPDX-License-Identifier: MIT

#pragma once

// Test seam: a dialog responder (dialog_responder.h) that records every request and answers from
// a queue, so no test blocks on a modal dialog. Header only, for the tests.

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "gui/dialog_responder.h"

namespace wintk {

// Installs itself for its lifetime, records every request and answers from a queue: file and
// print dialogs and questions take the next queued answer (cancel, or No, when the queue is
// empty); message boxes are simply acknowledged.
class RecordingResponder {
 public:
  RecordingResponder() {
    set_dialog_responder([this](const DialogRequest& request) { return respond(request); });
  }
  ~RecordingResponder() { set_dialog_responder({}); }
  RecordingResponder(const RecordingResponder&) = delete;
  RecordingResponder& operator=(const RecordingResponder&) = delete;

  void queue_answer(DialogAnswer answer) {
    const std::lock_guard lock(mutex_);
    answers_.push_back(std::move(answer));
  }
  std::vector<DialogRequest> requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  DialogAnswer respond(const DialogRequest& request) {
    const std::lock_guard lock(mutex_);
    requests_.push_back(request);
    if (request.kind == DialogKind::kMessage) return {true, {}};
    if (answers_.empty()) return {false, {}};
    DialogAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  mutable std::mutex mutex_;
  std::vector<DialogRequest> requests_;
  std::deque<DialogAnswer> answers_;
};

}  // namespace wintk
