// SPDX-License-Identifier: MIT

#include "plot/chart/chart_text.h"

namespace velmor::plot {

namespace {

// The text cut into UTF-8 code points (a stray continuation byte stays with its predecessor).
std::vector<std::string> code_points(const std::string& text) {
  std::vector<std::string> points;
  for (const char c : text) {
    const bool continuation = (static_cast<unsigned char>(c) & 0xC0) == 0x80;
    if (continuation && !points.empty()) {
      points.back() += c;
    } else {
      points.emplace_back(1, c);
    }
  }
  return points;
}

std::string join(const std::vector<std::string>& points) {
  std::string text;
  for (const std::string& p : points) text += p;
  return text;
}

}  // namespace

std::string ShortenLegendText(const std::string& text, int max_width, const TextWidth& width) {
  if (width(text) < max_width) return text;
  constexpr std::ptrdiff_t kDots = 3;  // the "..." in front
  std::vector<std::string> points = code_points(text);
  points.insert(points.begin(), {".", ".", "."});
  std::string shortened = join(points);
  while (width(shortened) >= max_width) {
    if (points.size() >= 9) {
      points.erase(points.begin() + kDots, points.begin() + kDots + 3);
    } else if (points.size() > 6) {
      points.erase(points.begin() + kDots,
                   points.begin() + kDots + static_cast<std::ptrdiff_t>(points.size() - 6));
    } else {
      return "...";
    }
    shortened = join(points);
  }
  return shortened;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += text[i];
    }
  }
  return lines;
}

}  // namespace velmor::plot
