// SPDX-License-Identifier: MIT

#pragma once

// The information screens (each one Information message box) and the splash window shown at
// start-up. Main routine's thread; every screen blocks until the user has closed it.
namespace velmor::app {

void models();
void examplefile();
void help();
void mechanism();
void about();

// Shows the splash window for `milliseconds` (ended early when the user closes it), then
// closes it and makes `main_window` current again.
void splash(int main_window, int milliseconds);

}  // namespace velmor::app
