// SPDX-License-Identifier: MIT

#include "app/info_screens.h"

#include <algorithm>
#include <string>
#include <vector>

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
  const int first_width = screen_width / 4;
  const int first_height = static_cast<int>(0.5 * screen_height);
  // A caption gives the window its close box; closing it wakes the wait below through the
  // window's idle event instead of ending the program. It is shown once its text is drawn.
  const int window = wintk::initwindow(first_width, first_height, "Velmor-TARN", screen_width / 4,
                                       screen_height / 4, false, false, -1, false);
  if (window < 0) return;
  wintk::setbkcolor(wintk::creatergb(242, 245, 250));
  wintk::setcolor(wintk::creatergb(0, 0, 0));
  wintk::settextstyle(7, 0, wintk::scaledpi(14));
  wintk::settextjustify(0, 2);
  // As wide as the longest line with a line's height of room on each side, and tall enough for
  // every line, but never smaller than the first size.
  const std::vector<std::string> lines = splash_lines();
  const int line_height = wintk::textheight("Xg") + 2;
  int widest = 0;
  for (const std::string& line : lines) widest = std::max(widest, wintk::textwidth(line));
  const int width = std::min(std::max(first_width, widest + 2 * line_height), screen_width);
  const int height = std::min(
      std::max(first_height, line_height * (static_cast<int>(lines.size()) + 2)), screen_height);
  wintk::setclientsize(width, height);
  wintk::resetviewport();
  wintk::clearviewport();
  int y = line_height;
  for (const std::string& line : lines) {
    if (!line.empty()) wintk::outtextxy((width - wintk::textwidth(line)) / 2, y, line);
    y += line_height;
  }
  wintk::showwindow(window);
  wintk::startidle(milliseconds);
  wintk::setcurrentwindow(main_window);
  wintk::closewindow(window);
}

}  // namespace velmor::app
