// SPDX-License-Identifier: MIT

#pragma once

#include <optional>
#include <string>

#include "gui/pixel_buffer.h"

// Device-independent bitmap files in the published layout: a 14-byte file header, a 40-byte
// BITMAPINFOHEADER and bottom-up rows of 24-bit BGR pixels padded to four bytes.
namespace wintk::bmp {

// Followed by the file name: the picture to be saved has no pixels.
inline constexpr const char* kMsgNoPicture = "There is no picture to save in ";

// Writes the pixels through velmor::util::AtomicFile: the file is replaced only once complete,
// and a link, folder or read-only file of that name is refused and left as it is. False when
// the file cannot be written completely or the buffer is empty; `error` (when given) then
// receives the message for the user, naming the file, and nothing of this call is left behind.
bool write_bmp(const std::string& path, const PixelBuffer& image, std::string* error = nullptr);

// Reads an uncompressed 24- or 32-bit file written in that layout (top-down rows accepted);
// nullopt for anything else.
std::optional<PixelBuffer> read_bmp(const std::string& path);

}  // namespace wintk::bmp
