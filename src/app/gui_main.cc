// SPDX-License-Identifier: MIT

#include "app/gui_main.h"

#include "app/shell.h"
#include "gui/wintk.h"

namespace velmor::app {

int run_gui(int& argc, char** argv) {
  return wintk::run_application(argc, argv, [] {
    Shell shell;
    return shell.run();
  });
}

}  // namespace velmor::app
