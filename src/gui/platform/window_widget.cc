// SPDX-License-Identifier: MIT

#include "gui/platform/window_widget.h"

#include <QCloseEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

#include "gui/platform/gui_thread.h"
#include "gui/platform/program_end.h"
#include "gui/platform/screen_placement.h"
#include "gui/platform/window_registry.h"

namespace wintk::platform {

void grow_pages(WindowRecord& record, QSize client) {
  const std::lock_guard lock(record.draw_mutex);
  for (QImage& page : record.pages) {
    if (page.width() >= client.width() && page.height() >= client.height()) continue;
    QImage larger(page.size().expandedTo(client), page.format());
    if (larger.isNull()) continue;  // out of memory: drawing and reading stay clipped to the page
    larger.fill(QColor(record.state.bkcolour & 0xFF, (record.state.bkcolour >> 8) & 0xFF,
                       (record.state.bkcolour >> 16) & 0xFF));
    QPainter painter(&larger);
    painter.drawImage(0, 0, page);
    painter.end();
    page = std::move(larger);
  }
}

ClientArea::ClientArea(std::shared_ptr<WindowRecord> record, QWidget* parent)
    : QWidget(parent), record_(std::move(record)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ClientArea::paintEvent(QPaintEvent* event) {
  ++record_->paints;
  QPainter painter(this);
  const std::lock_guard lock(record_->draw_mutex);
  const QImage& page = record_->pages[static_cast<std::size_t>(record_->visual_page)];
  painter.drawImage(event->rect(), page, event->rect());
}

void ClientArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  grow_pages(*record_, size());
  record_->width = width();
  record_->height = height();
  if (record_->alive && record_->resize_callback) record_->resize_callback();
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
  // A caption-less window is moved by dragging it, as its frame would be.
  if (record_->title.empty() && event->button() == Qt::LeftButton && window()->windowHandle()) {
    window()->windowHandle()->startSystemMove();
  }
  QWidget::mousePressEvent(event);
}

WindowWidget::WindowWidget(std::shared_ptr<WindowRecord> record, int width, int height,
                           bool captioned)
    : QMainWindow(nullptr, captioned ? Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                                     : Qt::Window | Qt::FramelessWindowHint),
      record_(std::move(record)) {
  client_ = make_child<ClientArea>(record_, this);
  client_->setFixedSize(width, height);
  setCentralWidget(client_);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void WindowWidget::make_resizable() {
  const QSize client = client_->size();
  layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
  client_->setMinimumSize(1, 1);
  client_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  setMinimumSize(1, 1);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  // The maximise box is handed to the shown window as it is. setWindowFlag would hide the window
  // and show it again: under a window manager that unmap and map can cross the manager's own
  // handling of the first mapping, which then withdraws the window for good (it stays unmapped
  // while the program believes it shown), and the re-show pins it where it stood before the
  // manager placed it.
  overrideWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
  if (QWindow* handle = windowHandle()) handle->setFlags(windowFlags());
  resize(client.width(), client.height() + (menuWidget() ? menuWidget()->height() : 0));
}

void WindowWidget::destroy_by_program() {
  closing_by_program_ = true;
  hide();
  deleteLater();
}

void WindowWidget::closeEvent(QCloseEvent* event) {
  if (closing_by_program_) {
    event->accept();
    return;
  }
  // A window with an open dialog waits for the dialog, as a disabled owner would.
  for (const auto& other : all_windows()) {
    if (other->alive && other->owner == record_->id) {
      event->ignore();
      return;
    }
  }
  if (record_->system_close_callback && record_->system_close_callback() == 0) {
    event->ignore();
    return;
  }
  if (record_->close_ends_program) {
    event->ignore();  // the window is hidden, and goes with the process
    request_program_end();
    return;
  }
  if (record_->close_callback) record_->close_callback();
  if (const auto current = find_window(current_window_id())) current->idle.signal();
  record_->idle.signal();  // whoever waits on this very window
  // The slot stays until closewindow empties it; lookups treat the window as gone from now.
  record_->alive = false;
  closing_by_program_ = true;
  event->accept();
  deleteLater();
}

void WindowWidget::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  // The window was placed with an estimate of the frame; once the window manager has put its
  // real frame around it, the window is checked once more against the screen.
  if (framed_ || (windowFlags() & Qt::FramelessWindowHint) || !windowHandle() ||
      windowHandle()->frameMargins().isNull()) {
    return;
  }
  framed_ = true;
  keep_on_screen(*this);
}

void destroy_window_now(WindowRecord& record) {
  record.alive = false;
  record.idle.signal();  // a wait on this window must not outlive it
  if (record.widget) record.widget->destroy_by_program();
}

}  // namespace wintk::platform
