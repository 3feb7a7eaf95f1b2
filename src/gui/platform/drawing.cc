// SPDX-License-Identifier: MIT
// Drawing and text primitives on the current window's active page. Any thread: pages and the
// drawing state are guarded by the window's draw lock; the repaint request is posted after the
// lock is released.
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "gui/platform/fonts.h"
#include "gui/platform/platform_api.h"
#include "gui/platform/repaint.h"
#include "gui/platform/window_registry.h"
#include "gui/text_util.h"

namespace wintk::platform {
namespace {

QColor to_qcolor(int colour) {
  return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

QBrush fill_brush(const DrawState& state) {
  // Fill patterns 2..11 name hatches and bitmaps; each is drawn with the nearest Qt hatch.
  static constexpr Qt::BrushStyle kHatches[] = {
      Qt::HorPattern,    Qt::BDiagPattern, Qt::BDiagPattern,     Qt::FDiagPattern,
      Qt::FDiagPattern,  Qt::CrossPattern, Qt::DiagCrossPattern, Qt::Dense5Pattern,
      Qt::Dense6Pattern, Qt::Dense4Pattern};
  if (state.fill_pattern == 0) return QBrush(to_qcolor(state.bkcolour));
  if (state.fill_pattern >= 2 && state.fill_pattern <= 11) {
    return QBrush(to_qcolor(state.fill_colour), kHatches[state.fill_pattern - 2]);
  }
  return QBrush(to_qcolor(state.fill_colour));
}

// Paints on the active page with the viewport applied. fn draws in viewport coordinates and
// returns the changed rectangle in them; that rectangle is repainted when refreshing is on and
// the active page is shown.
template <typename Fn>
void paint(Fn&& fn) {
  const auto window = current_window();
  if (!window) return;
  QRect changed;
  bool repaint = false;
  {
    const std::lock_guard lock(window->draw_mutex);
    DrawState& state = window->state;
    QPainter painter(&window->pages[static_cast<std::size_t>(window->active_page)]);
    const ViewSettings& view = state.viewport;
    painter.translate(view.left, view.top);
    if (view.clip) {
      painter.setClipRect(QRect(0, 0, view.right - view.left + 1, view.bottom - view.top + 1));
    }
    changed = fn(painter, state).translated(view.left, view.top);
    if (view.clip) {
      changed &= QRect(QPoint(view.left, view.top), QPoint(view.right, view.bottom));
    }
    repaint = window->refreshing && window->active_page == window->visual_page;
    if (!repaint) window->unshown |= changed;
  }
  if (repaint && !changed.isEmpty()) request_repaint(window, changed);
}

struct TextBlock {
  std::vector<QString> lines;
  int width = 0;
  int height = 0;
  int line_height = 0;
  int ascent = 0;
};

TextBlock measure(const QFont& font, const std::string& text) {
  const QFontMetrics metrics(font);
  TextBlock block;
  block.line_height = metrics.height();
  block.ascent = metrics.ascent();
  for (const auto& line : text::split_lines(text)) {
    block.lines.push_back(QString::fromStdString(line));
    block.width = std::max(block.width, metrics.horizontalAdvance(block.lines.back()));
  }
  block.height = block.line_height * static_cast<int>(block.lines.size());
  return block;
}

// Draws the block with its top-left corner at the painter's origin.
void draw_block(QPainter& painter, const TextBlock& block, const DrawState& state) {
  painter.setFont(state.qfont);
  painter.setPen(to_qcolor(state.colour));
  if (state.transparency == 0) {
    painter.fillRect(QRect(0, 0, block.width, block.height), to_qcolor(state.bkcolour));
  }
  for (std::size_t i = 0; i < block.lines.size(); ++i) {
    painter.drawText(0, static_cast<int>(i) * block.line_height + block.ascent, block.lines[i]);
  }
}

}  // namespace

void settextstyle(int font, int direction, int size) {
  const auto window = current_window();
  if (!window) return;
  const std::lock_guard lock(window->draw_mutex);
  DrawState& state = window->state;
  state.font = font == kThemeFont ? 7 : font;
  if (direction != kThemeFont) state.direction = direction == 1 ? 1 : 0;
  state.qfont = make_font(font, size);
  state.size = font == kThemeFont ? QFontInfo(state.qfont).pixelSize() : size;
}

int textwidth(const std::string& text) {
  const auto window = current_window();
  if (!window) return -1;
  const std::lock_guard lock(window->draw_mutex);
  return measure(window->state.qfont, text).width;
}

int textheight(const std::string& text) {
  const auto window = current_window();
  if (!window) return -1;
  const std::lock_guard lock(window->draw_mutex);
  return measure(window->state.qfont, text).height;
}

void outtext(const std::string& text) {
  paint([&](QPainter& painter, DrawState& state) {
    const TextBlock block = measure(state.qfont, text);
    const bool vertical = state.direction == 1;
    // On the page a vertical block is turned: its width runs down the screen.
    const int across = vertical ? block.height : block.width;
    const int down = vertical ? block.width : block.height;
    int x = state.cp_x;
    int y = state.cp_y;
    if (state.hjustify == 1) x -= across / 2;
    if (state.hjustify == 2) x -= across;
    if (state.vjustify == 1) y -= down / 2;
    if (state.vjustify == 0) y -= down;
    painter.save();
    if (vertical) {
      // Reading upward: the block's left edge lies along the bottom of its screen rectangle.
      painter.translate(x, y + down);
      painter.rotate(-90);
    } else {
      painter.translate(x, y);
    }
    draw_block(painter, block, state);
    painter.restore();
    if (vertical) {
      state.cp_y = y;
    } else {
      state.cp_x = x + block.width;
    }
    return QRect(x, y, across, down);
  });
}

bool copy_page(int left, int top, int right, int bottom, bool active_page, PixelBuffer& out) {
  const auto window = current_window();
  if (!window) return false;
  const int width = window->width;
  const int height = window->height;
  if (right < 0) right = width - 1;
  if (bottom < 0) bottom = height - 1;
  const std::lock_guard lock(window->draw_mutex);
  const QImage& page = window->pages[static_cast<std::size_t>(active_page ? window->active_page
                                                                          : window->visual_page)];
  // The page covers the client area (it grows with the window); the clip to the page only
  // guards the rows read below.
  const QRect wanted = QRect(QPoint(left, top), QPoint(right, bottom)).normalized() &
                       QRect(0, 0, width, height) & page.rect();
  if (wanted.isEmpty()) return false;
  out.width = wanted.width();
  out.height = wanted.height();
  out.pixels.assign(static_cast<std::size_t>(out.width) * out.height, 0);
  for (int y = 0; y < out.height; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(page.constScanLine(wanted.top() + y));
    for (int x = 0; x < out.width; ++x) {
      const QRgb pixel = row[wanted.left() + x];
      out.pixels[static_cast<std::size_t>(y) * out.width + x] =
          static_cast<std::uint32_t>(qRed(pixel) | (qGreen(pixel) << 8) | (qBlue(pixel) << 16));
    }
  }
  return true;
}

}  // namespace wintk::platform

namespace wintk {

using namespace platform;

int creatergb(int red, int green, int blue) {
  return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
}
int getredvalue(int colour) {
  return colour & 0xFF;
}
int getgreenvalue(int colour) {
  return (colour >> 8) & 0xFF;
}
int getbluevalue(int colour) {
  return (colour >> 16) & 0xFF;
}

namespace {

// fn(state) under the draw lock; without a current window nothing, or a value-initialised result.
template <typename Fn>
auto with_state(Fn&& fn) {
  using Result = decltype(fn(std::declval<DrawState&>()));
  const auto window = current_window();
  if (!window) return Result();
  const std::lock_guard lock(window->draw_mutex);
  return fn(window->state);
}

}  // namespace

void setcolor(int colour) {
  with_state([&](DrawState& state) { state.colour = colour & 0xFFFFFF; });
}
int getcolor() {
  return with_state([](DrawState& state) { return state.colour; });
}
void setbkcolor(int colour) {
  with_state([&](DrawState& state) { state.bkcolour = colour & 0xFFFFFF; });
}
int getbkcolor() {
  return with_state([](DrawState& state) { return state.bkcolour; });
}

void setfillstyle(int pattern, int colour) {
  with_state([&](DrawState& state) {
    if (pattern < 0 || pattern > 12) {
      state.graph_result = kGraphErrorFill;
      return;
    }
    state.fill_pattern = pattern;
    state.fill_colour = colour & 0xFFFFFF;
  });
}

int graphresult() {
  return with_state([](DrawState& state) { return std::exchange(state.graph_result, 0); });
}

// Only solid lines are drawn; the style and pattern are accepted and ignored.
void setlinestyle(int style, int pattern, int thickness) {
  with_state([&](DrawState& state) { state.line_thickness = std::max(thickness, 1); });
}

void line(int x1, int y1, int x2, int y2) {
  paint([&](QPainter& painter, DrawState& state) {
    painter.setPen(QPen(to_qcolor(state.colour), state.line_thickness));
    painter.drawLine(x1, y1, x2, y2);
    const int grow = state.line_thickness / 2;
    // The end points' box, one more pixel to the right and below, widened by the pen.
    return QRect(QPoint(std::min(x1, x2), std::min(y1, y2)),
                 QPoint(std::max(x1, x2) + 1, std::max(y1, y2) + 1))
        .adjusted(-grow, -grow, grow, grow);
  });
}

void bar(int left, int top, int right, int bottom) {
  paint([&](QPainter& painter, DrawState& state) {
    const QRect rect = QRect(QPoint(left, top), QPoint(right, bottom)).normalized();
    painter.fillRect(rect, fill_brush(state));
    return rect;
  });
}

void clearviewport() {
  paint([&](QPainter& painter, DrawState& state) {
    const ViewSettings& view = state.viewport;
    const QRect rect(0, 0, view.right - view.left + 1, view.bottom - view.top + 1);
    painter.fillRect(rect, to_qcolor(state.bkcolour));
    state.cp_x = 0;
    state.cp_y = 0;
    return rect;
  });
}

void moveto(int x, int y) {
  with_state([&](DrawState& state) {
    state.cp_x = x;
    state.cp_y = y;
  });
}
int getx() {
  return with_state([](DrawState& state) { return state.cp_x; });
}
int gety() {
  return with_state([](DrawState& state) { return state.cp_y; });
}

void setviewport(int left, int top, int right, int bottom, bool clip) {
  with_state([&](DrawState& state) { state.viewport = {left, top, right, bottom, clip}; });
}

void resetviewport() {
  const auto window = current_window();
  if (!window) return;
  const std::lock_guard lock(window->draw_mutex);
  window->state.viewport = {0, 0, window->width, window->height, false};
}

ViewSettings getviewsettings() {
  return with_state([](DrawState& state) { return state.viewport; });
}

void setmatchthemetextstyle() {
  platform::settextstyle(kThemeFont, kThemeFont, 0);
}

void settextjustify(int horizontal, int vertical) {
  with_state([&](DrawState& state) {
    state.hjustify = std::clamp(horizontal, 0, 2);
    state.vjustify = std::clamp(vertical, 0, 2);
  });
}

void settexttransparency(int transparency) {
  with_state([&](DrawState& state) { state.transparency = transparency == 1 ? 1 : 0; });
}

PixelBuffer getpagepixels(int left, int top, int right, int bottom, bool active_page) {
  PixelBuffer pixels;
  copy_page(left, top, right, bottom, active_page, pixels);
  return pixels;
}

}  // namespace wintk
