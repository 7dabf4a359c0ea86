#include "skinbitmap.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "bmpbuilder.h"

namespace tavo {
namespace {

using test::MakeBmp;
using test::Put32;

QImage Sentinel() {
  QImage image(3, 3, QImage::Format_RGB32);
  image.fill(Qt::magenta);
  return image;
}

bool Decodes(const std::vector<std::uint8_t>& file, QImage& out) {
  return DecodeSkinBitmap(file, out);
}

TEST(LoadSkinBitmap, ReadsAFileWithCaseFoldedNameAndBottomUpRows) {
  test::TempFolder folder;
  // 2 x 2, 24 bits: bottom row red, green; top row blue, white.
  std::vector<std::uint8_t> rows = {0,   0, 255, 0,   255, 0,   0, 0,  // bottom row, padded to 8
                                    255, 0, 0,   255, 255, 255, 0, 0};
  test::WriteFile(folder.path() / "Bg" / "viewer_bg.bmp", MakeBmp(2, 2, 24, rows));

  QImage image;
  ASSERT_TRUE(LoadSkinBitmap((folder.path() / "BG" / "Viewer_BG.bmp").string(), image));
  ASSERT_EQ(image.size(), QSize(2, 2));
  EXPECT_EQ(image.pixel(0, 1), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(1, 1), qRgb(0, 255, 0));
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(1, 0), qRgb(255, 255, 255));
}

TEST(LoadSkinBitmap, MissingShortOrForeignFilesFailAndLeaveTheBitmapAlone) {
  test::TempFolder folder;
  const auto path = folder.path() / "f.bmp";
  QImage image = Sentinel();
  EXPECT_FALSE(LoadSkinBitmap(path.string(), image));

  auto good = test::SolidBmp24(4, 4, 1, 2, 3);
  const std::vector<std::vector<std::uint8_t>> bad = {
      {},
      {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},                 // 13 bytes
      std::vector<std::uint8_t>(good.begin(), good.begin() + 14),  // header only
      std::vector<std::uint8_t>(good.begin(), good.end() - 1),     // one pixel byte short
  };
  for (const auto& bytes : bad) {
    test::WriteFile(path, bytes);
    EXPECT_FALSE(LoadSkinBitmap(path.string(), image)) << bytes.size();
  }
  good[0] = 'P';  // a complete file that is not "BM"
  test::WriteFile(path, good);
  EXPECT_FALSE(LoadSkinBitmap(path.string(), image));
  EXPECT_FALSE(LoadSkinBitmap(folder.path().string(), image));  // a folder
  EXPECT_EQ(image.size(), QSize(3, 3));
  EXPECT_EQ(image.pixel(0, 0), QColor(Qt::magenta).rgb());
}

TEST(DecodeSkinBitmap, PalettedAndBitFieldPixels) {
  QImage image;
  // 8 bits, 3 colours used: the pixels start after exactly three table entries.
  std::vector<std::uint8_t> rows8 = {0, 1, 2, 0};
  ASSERT_TRUE(Decodes(MakeBmp(3, 1, 8, rows8, 3), image));
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(1, 0), qRgb(128, 127, 127));
  EXPECT_EQ(image.pixel(2, 0), qRgb(0, 255, 255));

  // 1 bit: MSB first.
  std::vector<std::uint8_t> rows1 = {0b10100000, 0, 0, 0};
  ASSERT_TRUE(Decodes(MakeBmp(3, 1, 1, rows1), image));
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 255, 255));
  EXPECT_EQ(image.pixel(1, 0), qRgb(255, 0, 0));

  // 4 bits: high nibble first; an index past the table is black, not a read past it.
  std::vector<std::uint8_t> rows4 = {0x1f, 0, 0, 0};
  ASSERT_TRUE(Decodes(MakeBmp(2, 1, 4, rows4, 2), image));
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 255, 255));
  EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 0));

  // 16 bits with 5-6-5 bit fields after the header.
  std::vector<std::uint8_t> rows16 = {0x00, 0xf8, 0xe0, 0x07};
  ASSERT_TRUE(Decodes(MakeBmp(2, 1, 16, rows16, 0, 3, {0xf800, 0x07e0, 0x001f}), image));
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(1, 0), qRgb(0, 255, 0));

  // 16 bits without fields is 5-5-5; 32 bits without fields is B, G, R, unused.
  std::vector<std::uint8_t> rows555 = {0x1f, 0x00, 0, 0};
  ASSERT_TRUE(Decodes(MakeBmp(1, 1, 16, rows555), image));
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
  std::vector<std::uint8_t> rows32 = {10, 20, 30, 99};
  ASSERT_TRUE(Decodes(MakeBmp(1, 1, 32, rows32), image));
  EXPECT_EQ(image.pixel(0, 0), qRgb(30, 20, 10));
}

TEST(DecodeSkinBitmap, TopDownRowsAndLaterHeaderVersions) {
  QImage image;
  std::vector<std::uint8_t> rows = {0, 0, 255, 0, 255, 0, 0, 0};
  auto file = MakeBmp(1, 2, 24, rows);
  Put32(file, 22, static_cast<std::uint32_t>(-2));
  ASSERT_TRUE(Decodes(file, image));
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(0, 1), qRgb(0, 0, 255));

  // A 124-byte header: the pixels follow the whole header, not its first 40 bytes.
  auto v5 = MakeBmp(1, 1, 24, {1, 2, 3, 0});
  v5.insert(v5.begin() + 54, 84, 0);
  Put32(v5, 14, 124);
  ASSERT_TRUE(Decodes(v5, image));
  EXPECT_EQ(image.pixel(0, 0), qRgb(3, 2, 1));
}

// Header values that would read past the file, allocate absurdly or make no sense.
TEST(DecodeSkinBitmap, HostileHeadersFail) {
  QImage image = Sentinel();
  const auto good = test::SolidBmp24(4, 4, 9, 9, 9);
  ASSERT_TRUE(Decodes(good, image));
  image = Sentinel();

  struct Case {
    const char* name;
    std::size_t at;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"huge width", 18, 0x7fffffff},
      {"negative width", 18, static_cast<std::uint32_t>(-4)},
      {"zero height", 22, 0},
      {"most negative height", 22, 0x80000000},
      {"width x height past the limit", 18, 1u << 20},
      {"taller than the data", 22, 5},
      {"unknown bit count", 28, 7},
      {"zero bit count", 28, 0},
      {"RLE compression", 30, 1},
      {"bit fields at 24 bits", 30, 3},
      {"colour count past the file", 46, 0xffffffff},
      {"colours pushing pixels out", 46, 2},
  };
  for (const Case& c : cases) {
    auto file = good;
    if (c.at == 28) {
      test::Put16(file, c.at, static_cast<std::uint16_t>(c.value));
    } else {
      Put32(file, c.at, c.value);
    }
    EXPECT_FALSE(Decodes(file, image)) << c.name;
  }
  // 8 bits claiming the full 256-entry table in a file that holds fewer entries.
  const auto full8 = MakeBmp(1, 1, 8, {0, 0, 0, 0});
  EXPECT_FALSE(Decodes({full8.begin(), full8.begin() + 100}, image));
  EXPECT_EQ(image.size(), QSize(3, 3));
  // The header's size field and the file's pixel offset are not what the loader trusts.
  auto lying = good;
  Put32(lying, 10, 0xfffffff0);
  Put32(lying, 2, 7);
  EXPECT_TRUE(Decodes(lying, image));
  EXPECT_EQ(image.pixel(0, 0), qRgb(9, 9, 9));
}

}  // namespace
}  // namespace tavo
