// SPDX-License-Identifier: MIT

#include "plot/picture_format.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace velmor::plot {
namespace {

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

}  // namespace

std::optional<PictureFormat> picture_format_named(std::string_view name) {
  const std::string n = lower(name);
  if (n == "png") return PictureFormat::kPng;
  if (n == "svg") return PictureFormat::kSvg;
  if (n == "pdf") return PictureFormat::kPdf;
  return std::nullopt;
}

std::optional<PictureFormat> picture_format_of_file(std::string_view file_name) {
  const std::size_t dot = file_name.rfind('.');
  const std::size_t slash = file_name.rfind('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
    return std::nullopt;
  }
  return picture_format_named(file_name.substr(dot + 1));
}

const char* picture_extension(PictureFormat format) {
  switch (format) {
    case PictureFormat::kSvg:
      return "svg";
    case PictureFormat::kPdf:
      return "pdf";
    case PictureFormat::kPng:
      break;
  }
  return "png";
}

}  // namespace velmor::plot
