// SPDX-License-Identifier: MIT

#pragma once

#include <QMainWindow>
#include <QWidget>
#include <memory>

#include "gui/platform/window_record.h"

// The native side of a toolkit window. All members run on the GUI thread.
namespace wintk::platform {

// The client area: shows the visual page and holds the controls.
class ClientArea : public QWidget {
 public:
  ClientArea(std::shared_ptr<WindowRecord> record, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  std::shared_ptr<WindowRecord> record_;
};

// The top-level window: an optional menu bar above the client area. Unless resizing was enabled
// its size follows the client area exactly, so adding the menu bar keeps the client size.
class WindowWidget : public QMainWindow {
 public:
  WindowWidget(std::shared_ptr<WindowRecord> record, int width, int height, bool captioned);

  ClientArea* client() const { return client_; }
  void make_resizable();
  // Destroys the window without asking anyone (closewindow).
  void destroy_by_program();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  std::shared_ptr<WindowRecord> record_;
  ClientArea* client_ = nullptr;  // owned by this window
  bool closing_by_program_ = false;
  bool framed_ = false;  // the window manager's frame has been seen
};

// Enlarges the pages that are smaller than the client area, keeping what they show; the new
// part takes the background colour. Pages start as large as the screen, but a window can be
// made larger than that. Any thread (takes the draw lock).
void grow_pages(WindowRecord& record, QSize client);

// Marks the window destroyed and destroys its widget. GUI thread.
void destroy_window_now(WindowRecord& record);

}  // namespace wintk::platform
