#pragma once

#include <string>
#include <vector>

#include "plot/chart/painter.h"

namespace velmor::plot::testing {

// A painter that draws nothing and remembers every call. Text metrics are fixed: every
// character is 8 pixels wide ("12345" is 40) and the font is 16 pixels high.
class RecordingPainter : public Painter {
 public:
  enum class Kind { kLine, kFill, kText, kRotatedText, kClip };
  struct Op {
    Kind kind;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // line ends, or x, y, w, h of a rectangle or text
    std::string text;
    Rgb line_colour;  // the colour in force when the call was made
    Rgb fill_colour;
  };

  static constexpr int kCharWidth = 8;
  static constexpr int kFontHeight = 16;

  RecordingPainter(int width, int height) : width_(width), height_(height) {}

  void DrawLine(float x1, float y1, float x2, float y2) override {
    ops.push_back({Kind::kLine, x1, y1, x2, y2, {}, line_, fill_});
  }
  void FillRect(int x, int y, int w, int h) override {
    ops.push_back({Kind::kFill, float(x), float(y), float(w), float(h), {}, line_, fill_});
  }
  void InvertRect(int, int, int, int) override {}
  void SetClipRect(int x, int y, int w, int h) override {
    ops.push_back({Kind::kClip, float(x), float(y), float(w), float(h), {}, line_, fill_});
  }
  bool SupportsVerticalText() const override { return true; }
  int GetWidth() const override { return width_; }
  int GetHeight() const override { return height_; }
  void SetLineColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) override { line_ = {r, g, b}; }
  void SetFillColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) override { fill_ = {r, g, b}; }
  int CalculateTextDrawSize(const std::string& text) override {
    return kCharWidth * static_cast<int>(text.size());
  }
  int GetFontHeight() override { return kFontHeight; }
  void DrawText(int x, int y, const std::string& text) override {
    ops.push_back({Kind::kText, float(x), float(y), 0, 0, text, line_, fill_});
  }
  void DrawRotatedText(int x, int y, float angle, const std::string& text) override {
    ops.push_back({Kind::kRotatedText, float(x), float(y), angle, 0, text, line_, fill_});
  }
  void SetStyle(const TextStyle&) override {}

  std::vector<Op> Find(Kind kind) const {
    std::vector<Op> found;
    for (const Op& op : ops) {
      if (op.kind == kind) found.push_back(op);
    }
    return found;
  }
  const Op* FindText(const std::string& text) const {
    for (const Op& op : ops) {
      if ((op.kind == Kind::kText || op.kind == Kind::kRotatedText) && op.text == text) return &op;
    }
    return nullptr;
  }

  std::vector<Op> ops;

 private:
  int width_;
  int height_;
  Rgb line_ = kBlack;
  Rgb fill_ = kWhite;
};

}  // namespace velmor::plot::testing
