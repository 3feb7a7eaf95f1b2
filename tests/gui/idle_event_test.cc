#include "gui/idle_event.h"

#include <gtest/gtest.h>

#include <thread>

#include "gui/bmp_file.h"

namespace wintk {
namespace {

using std::chrono::milliseconds;

TEST(IdleEvent, PendingSignalReleasesTheNextWaitAndSignalsDoNotAccumulate) {
  IdleEvent event;
  EXPECT_FALSE(event.wait_for(milliseconds(3)));  // nothing pending: times out
  event.signal();
  event.signal();
  EXPECT_TRUE(event.wait_for(milliseconds(0)));
  EXPECT_FALSE(event.wait_for(milliseconds(3)));  // the second signal was not counted
}

TEST(IdleEvent, SignalFromAnotherThreadWakesAWait) {
  IdleEvent event;
  std::thread signaller([&] {
    std::this_thread::sleep_for(milliseconds(20));
    event.signal();
  });
  event.wait();  // would hang if the signal were lost
  signaller.join();
  EXPECT_FALSE(event.wait_for(milliseconds(1)));
}

TEST(BmpFile, HeaderFollowsThePublishedLayoutAndBadInputIsRefused) {
  const std::string path = ::testing::TempDir() + "wintk_header.bmp";
  PixelBuffer image{3, 2, {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0x000000, 0x123456}};
  ASSERT_TRUE(bmp::write_bmp(path, image));
  std::FILE* file = std::fopen(path.c_str(), "rb");
  unsigned char header[54 + 24 + 1] = {};
  const std::size_t size = std::fread(header, 1, sizeof header, file);
  std::fclose(file);
  const auto u32 = [&](int at) {
    return header[at] | header[at + 1] << 8 | header[at + 2] << 16 | header[at + 3] << 24;
  };
  EXPECT_EQ(size, 54u + 2 * 12);  // rows of 9 bytes padded to 12
  EXPECT_EQ(header[0], 'B');
  EXPECT_EQ(header[1], 'M');
  EXPECT_EQ(u32(2), 54 + 24);  // file size
  EXPECT_EQ(u32(10), 54);      // pixel offset
  EXPECT_EQ(u32(14), 40);      // BITMAPINFOHEADER
  EXPECT_EQ(u32(18), 3);
  EXPECT_EQ(u32(22), 2);
  EXPECT_EQ(header[28], 24);
  // Bottom-up rows of blue, green, red bytes: the file starts with the second row.
  EXPECT_EQ(header[54], 0xFF);       // white
  EXPECT_EQ(header[54 + 6], 0x12);   // 0x123456 is red 0x56, green 0x34, blue 0x12,
  EXPECT_EQ(header[54 + 8], 0x56);   // stored blue first
  EXPECT_EQ(header[54 + 12], 0x00);  // pure red (0x0000FF) is B, G, R = 00 00 FF
  EXPECT_EQ(header[54 + 12 + 2], 0xFF);

  const auto back = bmp::read_bmp(path);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->pixels, image.pixels);

  EXPECT_FALSE(bmp::write_bmp(path, PixelBuffer{}));
  EXPECT_FALSE(bmp::write_bmp("/nonexistent-folder/x.bmp", image));
  EXPECT_FALSE(bmp::read_bmp("/nonexistent-folder/x.bmp").has_value());
  std::remove(path.c_str());
}

}  // namespace
}  // namespace wintk
