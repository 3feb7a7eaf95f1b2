// SPDX-License-Identifier: MIT

#pragma once

// The toolkit's dialog seam: a process-wide responder that answers message boxes, file dialogs
// and the print dialog in place of the user. While one is installed no real dialog is shown; the
// responder runs on the thread that asked for the dialog. The tests install one
// (RecordingResponder, test_responder.h) so that none blocks on a modal dialog.

#include <functional>
#include <string>

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
  std::string filter;          // file dialogs: "name (pattern);;All Files (*)"
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

}  // namespace wintk
