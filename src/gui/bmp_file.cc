// SPDX-License-Identifier: MIT

#include "gui/bmp_file.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "util/atomic_file.h"

namespace wintk::bmp {
namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;

void put_u16(std::vector<unsigned char>& out, unsigned value) {
  out.push_back(static_cast<unsigned char>(value & 0xFF));
  out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void put_u32(std::vector<unsigned char>& out, std::uint32_t value) {
  put_u16(out, value & 0xFFFF);
  put_u16(out, value >> 16);
}

std::uint32_t get_u32(const std::vector<unsigned char>& in, std::size_t at) {
  return in[at] | (in[at + 1] << 8) | (in[at + 2] << 16) |
         (static_cast<std::uint32_t>(in[at + 3]) << 24);
}

unsigned get_u16(const std::vector<unsigned char>& in, std::size_t at) {
  return in[at] | (in[at + 1] << 8);
}

}  // namespace

bool write_bmp(const std::string& path, const PixelBuffer& image, std::string* error) {
  if (image.empty()) {
    if (error != nullptr) *error = kMsgNoPicture + path;
    return false;
  }
  const std::uint32_t row_bytes = (static_cast<std::uint32_t>(image.width) * 3 + 3) & ~3u;
  const std::uint32_t pixel_bytes = row_bytes * static_cast<std::uint32_t>(image.height);
  std::vector<unsigned char> out;
  out.reserve(kFileHeaderSize + kInfoHeaderSize + pixel_bytes);
  // BITMAPFILEHEADER
  out.push_back('B');
  out.push_back('M');
  put_u32(out, kFileHeaderSize + kInfoHeaderSize + pixel_bytes);
  put_u32(out, 0);  // two reserved words
  put_u32(out, kFileHeaderSize + kInfoHeaderSize);
  // BITMAPINFOHEADER
  put_u32(out, kInfoHeaderSize);
  put_u32(out, static_cast<std::uint32_t>(image.width));
  put_u32(out, static_cast<std::uint32_t>(image.height));  // positive: bottom-up rows
  put_u16(out, 1);                                         // planes
  put_u16(out, 24);                                        // bits per pixel
  put_u32(out, 0);                                         // BI_RGB, uncompressed
  put_u32(out, pixel_bytes);
  put_u32(out, 3780);  // 96 dpi in pixels per metre
  put_u32(out, 3780);
  put_u32(out, 0);  // no palette
  put_u32(out, 0);
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t colour = image.at(x, y);
      out.push_back(static_cast<unsigned char>((colour >> 16) & 0xFF));  // blue
      out.push_back(static_cast<unsigned char>((colour >> 8) & 0xFF));   // green
      out.push_back(static_cast<unsigned char>(colour & 0xFF));          // red
    }
    for (std::uint32_t pad = static_cast<std::uint32_t>(image.width) * 3; pad < row_bytes; ++pad) {
      out.push_back(0);
    }
  }
  return velmor::util::write_file_atomically(
      path, std::string_view(reinterpret_cast<const char*>(out.data()), out.size()), error);
}

std::optional<PixelBuffer> read_bmp(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  const std::vector<unsigned char> in{std::istreambuf_iterator<char>(file),
                                      std::istreambuf_iterator<char>()};
  if (in.size() < kFileHeaderSize + kInfoHeaderSize || in[0] != 'B' || in[1] != 'M') {
    return std::nullopt;
  }
  const std::uint32_t offset = get_u32(in, 10);
  const auto width = static_cast<std::int32_t>(get_u32(in, 18));
  const auto raw_height = static_cast<std::int32_t>(get_u32(in, 22));
  const unsigned bits = get_u16(in, 28);
  const std::uint32_t compression = get_u32(in, 30);
  const bool bottom_up = raw_height > 0;
  const std::int32_t height = bottom_up ? raw_height : -raw_height;
  if (width <= 0 || height <= 0 || (bits != 24 && bits != 32) ||
      (compression != 0 && compression != 3)) {
    return std::nullopt;
  }
  const std::size_t bytes_per_pixel = bits / 8;
  const std::size_t row_bytes =
      (static_cast<std::size_t>(width) * bytes_per_pixel + 3) & ~std::size_t{3};
  if (offset + row_bytes * static_cast<std::size_t>(height) > in.size()) return std::nullopt;
  PixelBuffer image{width, height,
                    std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
  for (int y = 0; y < height; ++y) {
    const std::size_t row =
        offset + row_bytes * static_cast<std::size_t>(bottom_up ? height - 1 - y : y);
    for (int x = 0; x < width; ++x) {
      const std::size_t p = row + static_cast<std::size_t>(x) * bytes_per_pixel;
      image.pixels[static_cast<std::size_t>(y) * width + x] =
          in[p + 2] | (in[p + 1] << 8) | (static_cast<std::uint32_t>(in[p]) << 16);
    }
  }
  return image;
}

}  // namespace wintk::bmp
