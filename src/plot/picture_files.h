// SPDX-License-Identifier: MIT

#pragma once

// Charts as picture files: PNG (a raster image, as the plot window shows it), SVG and PDF
// (vector drawings of the same chart, one page), drawn by the chart engine through ImagePainter.
// Every file is written through util::AtomicFile. Needs a QGuiApplication (OffscreenGuiScope);
// pictures may be written on several threads at once.

#include <optional>
#include <string>
#include <string_view>

#include "plot/chart/chart.h"

namespace velmor::plot {

enum class PictureFormat { kPng, kSvg, kPdf };

// "png", "svg" or "pdf" (any case); std::nullopt for anything else.
std::optional<PictureFormat> picture_format_named(std::string_view name);

// The format a file name asks for by its extension (".png", ".svg", ".pdf", any case).
std::optional<PictureFormat> picture_format_of_file(std::string_view file_name);

// "png", "svg" or "pdf": the extension of the format's files.
const char* picture_extension(PictureFormat format);

// Writes the chart as a picture of width x height pixels (SVG and PDF: the same size, at 96
// pixels per inch). True when the chart was drawn completely and the whole file was written;
// the rules and messages are those of save_chart_png.
bool save_chart_picture(Chart& chart, int width, int height, PictureFormat format,
                        const std::string& path, std::string* error = nullptr);

}  // namespace velmor::plot
