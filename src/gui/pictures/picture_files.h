// SPDX-License-Identifier: MIT

#pragma once

// Charts as picture files: PNG (a raster image, as the plot window shows it), SVG and PDF
// (vector drawings of the same chart, one page), drawn by the chart engine through ImagePainter.
// Every file is written through util::AtomicFile. Needs a QGuiApplication (OffscreenGuiScope);
// pictures may be written on several threads at once.

#include <string>

#include "plot/chart/chart.h"
#include "plot/picture_format.h"

namespace velmor::plot {

// Writes the chart as a picture of width x height pixels (SVG and PDF: the same size, at 96
// pixels per inch). True when the chart was drawn completely and the whole file was written;
// the rules and messages are those of save_chart_png.
bool save_chart_picture(Chart& chart, int width, int height, PictureFormat format,
                        const std::string& path, std::string* error = nullptr);

}  // namespace velmor::plot
