// SPDX-License-Identifier: MIT

#pragma once

// The picture formats a chart can be written in: PNG (a raster image, as the plot window shows
// it), SVG and PDF (vector drawings of the same chart, one page). The writers themselves draw
// with Qt and live in gui/pictures; this is what the batch mode and the plot windows need to
// name and choose a format.

#include <optional>
#include <string_view>

namespace velmor::plot {

enum class PictureFormat { kPng, kSvg, kPdf };

// "png", "svg" or "pdf" (any case); std::nullopt for anything else.
std::optional<PictureFormat> picture_format_named(std::string_view name);

// The format a file name asks for by its extension (".png", ".svg", ".pdf", any case).
std::optional<PictureFormat> picture_format_of_file(std::string_view file_name);

// "png", "svg" or "pdf": the extension of the format's files.
const char* picture_extension(PictureFormat format);

}  // namespace velmor::plot
