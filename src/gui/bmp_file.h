#pragma once

#include <optional>
#include <string>

#include "gui/pixel_buffer.h"

// Device-independent bitmap files in the published layout: a 14-byte file header, a 40-byte
// BITMAPINFOHEADER and bottom-up rows of 24-bit BGR pixels padded to four bytes.
namespace wintk::bmp {

// Writes the pixels; false (and no partial file left behind) when the file cannot be written
// completely or the buffer is empty.
bool write_bmp(const std::string& path, const PixelBuffer& image);

// Reads an uncompressed 24- or 32-bit file written in that layout (top-down rows accepted);
// nullopt for anything else.
std::optional<PixelBuffer> read_bmp(const std::string& path);

}  // namespace wintk::bmp
