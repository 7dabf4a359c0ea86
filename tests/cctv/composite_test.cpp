#include "mail/composite.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "cctvstrings.h"
#include "filehandle.h"
#include "imageindex.h"
#include "jpegfile.h"
#include "mail/mailstrings.h"
#include "mail_test_folder.h"

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;
using Rgb = std::array<std::uint8_t, 3>;

// A distinct flat colour per image number, far enough apart to survive JPEG.
Rgb ColourOf(int n) {
  return {static_cast<std::uint8_t>(40 + (n * 53) % 180), static_cast<std::uint8_t>(200 - n * 6),
          static_cast<std::uint8_t>((n % 4) * 60 + 10)};
}

Rgb PixelAt(const std::uint8_t* rgb, std::uint32_t width, std::uint32_t x, std::uint32_t y) {
  const std::uint8_t* p = rgb + (std::size_t{y} * width + x) * 3;
  return {p[0], p[1], p[2]};
}

bool Near(const Rgb& a, const Rgb& b, int tolerance = 10) {
  for (int i = 0; i < 3; ++i)
    if (std::abs(int{a[i]} - int{b[i]}) > tolerance) return false;
  return true;
}

class CompositeTest : public ::testing::Test {
 protected:
  CompositeTest()
      : strings(all, Language::English),
        builder(boxes, strings,
                [this](const std::string& folder, int n) { return index.Find(folder, n); }) {
    fs::create_directories(mailFolder);
  }

  // Image n of the run: flat ColourOf(n), with a red 16 x 16 block at the top left.
  void WriteImage(int n, std::uint32_t width = kSourceWidth, std::uint32_t height = kSourceHeight) {
    std::vector<std::uint8_t> rgb(std::size_t{width} * height * 3);
    for (std::uint32_t y = 0; y < height; ++y)
      for (std::uint32_t x = 0; x < width; ++x) {
        const Rgb c = (x < 16 && y < 16) ? Rgb{255, 0, 0} : ColourOf(n);
        std::copy(c.begin(), c.end(), rgb.begin() + (std::size_t{y} * width + x) * 3);
      }
    char name[64];
    std::snprintf(name, sizeof name, "/14h05m09s_01-17-03_%06d.jpg", n);
    ASSERT_TRUE(JpegFile(boxes).RgbToJpeg(runFolder + name, 75, rgb.data(), width, height));
  }

  std::unique_ptr<std::uint8_t[]> Decode(const std::string& path) {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    auto rgb = JpegFile(boxes).JpegToRgb(path, width, height);
    EXPECT_EQ(width, kCompositeWidth);
    EXPECT_EQ(height, kCompositeHeight);
    return rgb;
  }

  void ExpectBatch(const std::string& path, int first) {
    const auto rgb = Decode(path);
    ASSERT_TRUE(rgb);
    for (int t = 0; t < kCompositeTiles; ++t) {
      const std::uint32_t left = (t % 4) * 160;
      const std::uint32_t top = (t / 4) * 120;
      EXPECT_TRUE(
          Near(PixelAt(rgb.get(), kCompositeWidth, left + 80, top + 60), ColourOf(first + t)))
          << "tile " << t;
      EXPECT_TRUE(Near(PixelAt(rgb.get(), kCompositeWidth, left + 2, top + 2), Rgb{255, 0, 0}, 40))
          << "tile " << t;
    }
  }

  void ExpectRefused(int imageCounter);

  testing::MailTestFolder folder;
  std::string runFolder = folder.path().string();
  std::string mailFolder = runFolder + "/EmailSendJpg";
  RecordingMessageBoxes boxes;
  std::span<const StringEntry> all = CctvStrings();
  StringTable strings;
  ImageIndex index;
  CompositeBuilder builder;
  int compositeCounter = 0;
  std::string compositePath;
};

TEST_F(CompositeTest, BatchesOneToSixteenAndSeventeenToThirtyTwo) {
  for (int n = 1; n <= 32; ++n) WriteImage(n);

  ASSERT_TRUE(builder.BuildComposite(runFolder, mailFolder, 16, compositeCounter, compositePath));
  EXPECT_EQ(compositeCounter, 1);
  EXPECT_EQ(compositePath, mailFolder + "/Email16to1_00001.jpg");
  ExpectBatch(compositePath, 1);

  ASSERT_TRUE(builder.BuildComposite(runFolder, mailFolder, 32, compositeCounter, compositePath));
  EXPECT_EQ(compositeCounter, 2);
  EXPECT_EQ(compositePath, mailFolder + "/Email16to1_00002.jpg");
  ExpectBatch(compositePath, 17);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CompositeTest, AHeldNumberIsPassedOverAndTheCompositeIsPrivate) {
  for (int n = 1; n <= 16; ++n) WriteImage(n);
  // Another recorder in the same run has written composite 1 already.
  std::ofstream(mailFolder + "/Email16to1_00001.jpg") << "theirs";
  const mode_t oldMask = ::umask(022);
  ASSERT_TRUE(builder.BuildComposite(runFolder, mailFolder, 16, compositeCounter, compositePath));
  ::umask(oldMask);
  EXPECT_EQ(compositeCounter, 2);
  EXPECT_EQ(compositePath, mailFolder + "/Email16to1_00002.jpg");
  ExpectBatch(compositePath, 1);
  std::ifstream theirs(mailFolder + "/Email16to1_00001.jpg");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(theirs), {}), "theirs");
  EXPECT_EQ(fs::status(compositePath).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(boxes.boxes.empty());
}

// Every unreadable batch: 3014 shown, nothing written, the counter and path left alone.
void CompositeTest::ExpectRefused(int imageCounter) {
  boxes.boxes.clear();
  compositePath = "unchanged";
  EXPECT_FALSE(
      builder.BuildComposite(runFolder, mailFolder, imageCounter, compositeCounter, compositePath));
  EXPECT_EQ(compositeCounter, 0);
  EXPECT_EQ(compositePath, "unchanged");
  EXPECT_TRUE(fs::is_empty(mailFolder));
  ASSERT_FALSE(boxes.boxes.empty());
  EXPECT_EQ(boxes.boxes.back().text, "It is failed to read the images to transfer");
}

TEST_F(CompositeTest, FewerThanSixteenImagesShow3014AndWriteNothing) {
  for (int n = 1; n <= 16; ++n) WriteImage(n);
  ExpectRefused(15);
}

TEST_F(CompositeTest, AMissingImageShows3014AndWritesNothing) {
  for (int n = 1; n <= 16; ++n) WriteImage(n);
  fs::remove(index.Find(runFolder, 7));
  ExpectRefused(16);
}

TEST_F(CompositeTest, AnImageOfAnotherSizeShows3014AndWritesNothing) {
  // Taken as unreadable, never read outside its buffer.
  for (int n = 1; n <= 16; ++n)
    if (n != 7) WriteImage(n);
  WriteImage(7, 160, 120);
  ExpectRefused(16);
}

TEST_F(CompositeTest, AnImageThatIsNoJpegShowsTheCodecsBoxThen3014) {
  for (int n = 1; n <= 16; ++n)
    if (n != 7) WriteImage(n);
  {
    const FilePtr junk = OpenFile((runFolder + "/14h05m09s_01-17-03_000007.jpg").c_str(), "wb");
    std::fputs("not a picture", junk.get());
  }
  ExpectRefused(16);
  EXPECT_EQ(boxes.boxes.size(), 2u);
}

TEST_F(CompositeTest, AMailFolderThatCannotTakeTheFileShows3014) {
  for (int n = 1; n <= 16; ++n) WriteImage(n);
  fs::remove_all(mailFolder);
  EXPECT_FALSE(builder.BuildComposite(runFolder, mailFolder, 16, compositeCounter, compositePath));
  EXPECT_EQ(compositeCounter, 0);
  EXPECT_EQ(boxes.boxes.back().text, "It is failed to read the images to transfer");
}

TEST(PlaceTile, TakesEvenPixelsOfEvenRowsIntoItsTile) {
  // Source: red at every even column of every even row, green everywhere else.
  std::vector<std::uint8_t> source(std::size_t{kSourceWidth} * kSourceHeight * 3);
  for (std::uint32_t y = 0; y < kSourceHeight; ++y)
    for (std::uint32_t x = 0; x < kSourceWidth; ++x) {
      std::uint8_t* p = &source[(std::size_t{y} * kSourceWidth + x) * 3];
      const bool even = x % 2 == 0 && y % 2 == 0;
      p[0] = even ? 255 : 0;
      p[1] = even ? 0 : 255;
      p[2] = static_cast<std::uint8_t>(even ? x / 2 : 0);  // which column landed where
    }
  std::vector<std::uint8_t> composite(std::size_t{kCompositeWidth} * kCompositeHeight * 3, 7);
  PlaceTile(source.data(), 6, composite.data());  // column 2, row 1

  const std::size_t origin = 1 * 230400 + 2 * 480;
  EXPECT_EQ(composite[origin], 255);
  EXPECT_EQ(composite[origin + 1], 0);
  for (std::uint32_t y = 0; y < 120; ++y)
    for (std::uint32_t x = 0; x < 160; ++x) {
      const std::size_t at = origin + y * 1920 + x * 3;
      ASSERT_EQ(Rgb({composite[at], composite[at + 1], composite[at + 2]}),
                Rgb({255, 0, static_cast<std::uint8_t>(x)}))
          << x << "," << y;
    }
  // Nothing outside the tile was touched.
  std::size_t touched = 0;
  for (const std::uint8_t byte : composite) touched += byte != 7;
  EXPECT_LE(touched, std::size_t{160} * 120 * 3);
  EXPECT_EQ(composite[origin - 1], 7);
  EXPECT_EQ(composite[origin + 480], 7);
  EXPECT_EQ(composite[origin + 120 * 1920], 7);
}

}  // namespace
}  // namespace tavo::cctv
