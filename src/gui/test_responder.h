// SPDX-License-Identifier: MIT

#pragma once

// Test seam: a process-wide responder that answers message boxes, file dialogs and the print
// dialog in place of the user, so no test blocks on a modal dialog. While one is installed no
// real dialog is shown; the responder runs on the thread that asked for the dialog.

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace wintk {

enum class DialogKind { kMessage, kQuestion, kOpenFile, kSaveFile, kPrint };
enum class MessageIcon { kNone, kInformation, kWarning, kError };

struct DialogRequest {
  DialogKind kind = DialogKind::kMessage;
  std::string title;
  std::string text;  // message or question text (lines separated by CR+LF)
  MessageIcon icon = MessageIcon::kNone;
  int message_kind = 0;        // dlgmessage's kind
  int owner_window = -3;       // the owning window's id, -3 for an unowned dialog
  std::string filter;          // file dialogs: "name (pattern);;All Files (*.*)"
  std::string initial_folder;  // file dialogs
  std::string initial_name;    // file dialogs; print: the job name
};

struct DialogAnswer {
  bool accepted = false;  // a question: Yes
  std::string path;       // file dialogs: the chosen file; print: the PDF file to print into
};

using DialogResponder = std::function<DialogAnswer(const DialogRequest&)>;

// Installs (or with an empty function removes) the responder.
void set_dialog_responder(DialogResponder responder);
// Asks the installed responder; false when none is installed (then show the real dialog).
bool answer_with_responder(const DialogRequest& request, DialogAnswer& answer);

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
