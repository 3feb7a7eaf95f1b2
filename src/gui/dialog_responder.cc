// SPDX-License-Identifier: MIT

#include "gui/dialog_responder.h"

#include <memory>
#include <mutex>
#include <utility>

namespace wintk {
namespace {

// The installed responder. Held behind its own mutex because dialogs may be asked for from any
// thread; the responder itself is called outside the lock so that it may take its time.
struct ResponderSlot {
  std::mutex mutex;
  std::shared_ptr<DialogResponder> responder;
};

ResponderSlot& slot() {
  static ResponderSlot instance;
  return instance;
}

}  // namespace

void set_dialog_responder(DialogResponder responder) {
  auto& s = slot();
  const std::lock_guard lock(s.mutex);
  s.responder = responder ? std::make_shared<DialogResponder>(std::move(responder)) : nullptr;
}

bool answer_with_responder(const DialogRequest& request, DialogAnswer& answer) {
  std::shared_ptr<DialogResponder> responder;
  {
    auto& s = slot();
    const std::lock_guard lock(s.mutex);
    responder = s.responder;
  }
  if (!responder) return false;
  answer = (*responder)(request);
  return true;
}

}  // namespace wintk
