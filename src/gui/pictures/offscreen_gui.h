// SPDX-License-Identifier: MIT

#pragma once

#include <memory>

class QGuiApplication;

namespace velmor::plot {

// Makes sure a QGuiApplication exists while it lives: when the process has no Qt application
// yet, it creates one on the offscreen platform (so no display is needed) and destroys it at the
// end of the scope; otherwise it does nothing. Create it on the main thread. A batch run that
// writes many pictures can hold one scope around all of them.
class OffscreenGuiScope {
 public:
  OffscreenGuiScope();
  ~OffscreenGuiScope();
  OffscreenGuiScope(const OffscreenGuiScope&) = delete;
  OffscreenGuiScope& operator=(const OffscreenGuiScope&) = delete;

  // False when the process already runs a non-GUI Qt application, under which nothing can be
  // drawn with fonts.
  bool ok() const { return ok_; }

 private:
  int argc_ = 3;
  char program_[16] = "velmor-tarn";
  char option_[16] = "-platform";
  char platform_[16] = "offscreen";
  char* argv_[4] = {program_, option_, platform_, nullptr};
  std::unique_ptr<QGuiApplication> app_;
  bool ok_ = false;
};

}  // namespace velmor::plot
