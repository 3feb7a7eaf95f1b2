// SPDX-License-Identifier: MIT

#include "app/info_screens.h"

#include <atomic>
#include <memory>

#include "app/info_texts.h"
#include "engine/core/fit_observer.h"
#include "gui/wintk.h"

namespace velmor::app {

void models() {
  wintk::dlgmessage(kInformation, model_library_text());
}

void examplefile() {
  wintk::dlgmessage(kInformation, example_file_text());
}

void help() {
  wintk::dlgmessage(kInformation, help_text());
}

void mechanism() {
  wintk::dlgmessage(kInformation, mechanism_text());
}

void about() {
  wintk::dlgmessage(kInformation, about_text());
}

void splash(int main_window, int milliseconds) {
  const int screen_width = wintk::getmaxwidth();
  const int screen_height = wintk::getmaxheight();
  const int width = screen_width / 4;
  const int height = static_cast<int>(0.5 * screen_height);
  // A caption gives the window its close box; closing it wakes the wait below through the
  // window's idle event instead of ending the program.
  const int window = wintk::initwindow(width, height, "Velmor-TARN", screen_width / 4,
                                       screen_height / 4, false, false);
  if (window < 0) return;
  // Drawing on a window the user has just closed would end the program, so the close box is
  // refused until the text is drawn.
  const auto drawn = std::make_shared<std::atomic<bool>>(false);
  wintk::setwindowsystemclosecallback([drawn] { return drawn->load() ? 1 : 0; });
  wintk::setbkcolor(wintk::creatergb(242, 245, 250));
  wintk::clearviewport();
  wintk::setcolor(wintk::creatergb(0, 0, 0));
  wintk::settextstyle(7, 0, wintk::scaledpi(14));
  wintk::settextjustify(0, 2);
  const int line_height = wintk::textheight("Xg") + 2;
  int y = line_height;
  for (const std::string& line : splash_lines()) {
    if (!line.empty()) wintk::outtextxy((width - wintk::textwidth(line)) / 2, y, line);
    y += line_height;
  }
  *drawn = true;
  wintk::startidle(milliseconds);
  // The main window first: a close request still on its way to the splash then wakes the main
  // window instead of finding no current window.
  wintk::setcurrentwindow(main_window);
  wintk::closewindow(window);
}

}  // namespace velmor::app
