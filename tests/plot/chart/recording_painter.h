// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "plot/chart/painter.h"

namespace velmor::plot {

// Draws nothing and records every call. Every character is 8 pixels wide, the font 16 high.
// Wide lines and polygons are recorded as drawn by the Painter's own defaults (one-pixel lines,
// filled rows), so what a chart draws reaches the record in the primitive calls.
class RecordingPainter : public Painter {
 public:
  static constexpr int kFont = 16;
  enum class Kind { kLine, kFill, kText, kRotatedText, kClip };
  struct Op {
    Kind kind;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // line ends, or x, y, w, h of a rectangle or text
    std::string text;
    Rgb line_colour;  // in force when the call was made
    Rgb fill_colour;
  };
  RecordingPainter(int width, int height) : width_(width), height_(height) {}
  void DrawLine(float x1, float y1, float x2, float y2) override {
    add(Kind::kLine, x1, y1, x2, y2);
  }
  void FillRect(int x, int y, int w, int h) override { add(Kind::kFill, x, y, w, h); }
  void InvertRect(int, int, int, int) override {}
  void SetClipRect(int x, int y, int w, int h) override { add(Kind::kClip, x, y, w, h); }
  bool SupportsVerticalText() const override { return true; }
  int GetWidth() const override { return width_; }
  int GetHeight() const override { return height_; }
  void SetLineColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) override { line_ = {r, g, b}; }
  void SetFillColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) override { fill_ = {r, g, b}; }
  int CalculateTextDrawSize(const std::string& text) override { return 8 * int(text.size()); }
  int GetFontHeight() override { return kFont; }
  void DrawText(int x, int y, const std::string& text) override {
    add(Kind::kText, x, y, 0, 0, text);
  }
  void DrawRotatedText(int x, int y, float, const std::string& text) override {
    add(Kind::kRotatedText, x, y, 0, 0, text);
  }
  void SetStyle(const TextStyle&) override {}

  const Op* FindText(const std::string& text) const {
    for (const Op& op : ops) {
      if ((op.kind == Kind::kText || op.kind == Kind::kRotatedText) && op.text == text) return &op;
    }
    return nullptr;
  }

  std::vector<Op> ops;

 private:
  void add(Kind k, float a, float b, float c, float d, std::string text = {}) {
    ops.push_back({k, a, b, c, d, std::move(text), line_, fill_});
  }
  int width_, height_;
  Rgb line_ = kBlack;
  Rgb fill_ = kBlack;
};

}  // namespace velmor::plot
