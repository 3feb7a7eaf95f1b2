// SPDX-License-Identifier: MIT

#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmor::plot {

// A 24-bit colour, one byte per channel.
struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};

// Font and colour of a text element. The painters of this program draw every text in one font
// (sans-serif, 16 pixels), so the style is carried along but not applied by them.
struct TextStyle {
  int font_size = 10;
  std::string font_name;
  Rgb colour = kBlack;
};

// A rectangle in painter pixels: left, top, width, height; y grows downward.
struct Rect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  int right() const { return x + w; }
  int bottom() const { return y + h; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// A point in painter pixels.
struct PointF {
  float x = 0.0f;
  float y = 0.0f;
};

// The drawing surface of the chart engine. Coordinates are pixels relative to the painter's area
// (0, 0 at its top-left corner, y downward). The engine never draws any other way, so a chart can
// go to a window, a file or a recording test painter alike.
//
// Text anchors: DrawText(x, y, text) puts the start of the text at x and its bottom at y.
// DrawRotatedText draws the text reading upward; (x, y) is the same anchor seen in the rotated
// frame: the text starts at y (its lowest pixel row) and its bottom side lies along x (its
// rightmost column), so the text occupies [x - font height, x] x [y - text width, y].
class Painter {
 public:
  virtual ~Painter() = default;

  virtual void DrawLine(float x1, float y1, float x2, float y2) = 0;
  // Filled rectangle in the fill colour, covering [x, x + w) x [y, y + h).
  virtual void FillRect(int x, int y, int w, int h) = 0;
  virtual void InvertRect(int x, int y, int w, int h) = 0;
  // Later drawing is clipped to this rectangle; coordinates stay relative to the painter's area.
  virtual void SetClipRect(int x, int y, int w, int h) = 0;
  virtual bool SupportsVerticalText() const = 0;
  virtual int GetWidth() const = 0;
  virtual int GetHeight() const = 0;
  // The line colour is also the text colour.
  virtual void SetLineColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) = 0;
  virtual void SetFillColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) = 0;
  // Width of the text in pixels.
  virtual int CalculateTextDrawSize(const std::string& text) = 0;
  virtual int GetFontHeight() = 0;
  virtual void DrawText(int x, int y, const std::string& text) = 0;
  virtual void DrawRotatedText(int x, int y, float angle, const std::string& text) = 0;
  virtual void SetStyle(const TextStyle& style) = 0;

  // A line `width` pixels wide in the line colour. This default draws parallel one-pixel lines
  // side by side across the line's direction; painters whose device has wide pens draw one.
  virtual void DrawWideLine(float x1, float y1, float x2, float y2, float width);
  // The polygon through the points (closed from the last back to the first) filled in the fill
  // colour, by the even-odd rule. This default fills it row by row through FillRect, sampling
  // each pixel row at its centre; painters with a polygon fill of their own draw it directly.
  virtual void FillPolygon(const std::vector<PointF>& points);

  void SetLineColor(Rgb c) { SetLineColor(c.r, c.g, c.b); }
  void SetFillColor(Rgb c) { SetFillColor(c.r, c.g, c.b); }
};

}  // namespace velmor::plot
