// SPDX-License-Identifier: MIT

#include "engine/core/fit_observer.h"

namespace velmor {

std::string_view message_title(int kind) {
  switch (kind) {
    case kInformation:
      return "Information";
    case kWarning:
      return "Warning";
    case kError:
      return "Error";
    default:
      return "Message";
  }
}

}  // namespace velmor
