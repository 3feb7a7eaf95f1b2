// SPDX-License-Identifier: MIT

#include "gui/pictures/offscreen_gui.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <clocale>
#include <cstdlib>
#include <string>

namespace velmor::plot {

namespace {

// Qt wants a private runtime folder and warns on stderr when none is named; the batch mode's
// stderr is for the user's messages, so name the one Qt would fall back to.
void ensure_runtime_dir() {
  if (std::getenv("XDG_RUNTIME_DIR") != nullptr) return;
  const std::string dir = "/tmp/runtime-" + std::to_string(::getuid());
  ::mkdir(dir.c_str(), 0700);
  struct stat info {};
  if (::stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
      (info.st_mode & 0777) == 0700) {
    ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 0);
  }
}

}  // namespace

OffscreenGuiScope::OffscreenGuiScope() {
  if (QCoreApplication::instance() == nullptr) {
    ensure_runtime_dir();
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    // Qt takes the locale from the environment; numbers in files are read and written with a
    // '.' whatever the user's country.
    std::setlocale(LC_NUMERIC, "C");
  }
  ok_ = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

OffscreenGuiScope::~OffscreenGuiScope() = default;

}  // namespace velmor::plot
