// Checks the staged skin folders and help pages that the generator writes at build time: every
// file the windows load, at the size they expect, in a format the skin loader reads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The unit test binary lives in <build>/tests, the staged program folder in <build>/program.
fs::path ProgramFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe.parent_path().parent_path() / "program";
}

std::vector<unsigned char> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t U32(const std::vector<unsigned char>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t U16(const std::vector<unsigned char>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> bgr;  // rows top-down, 3 bytes a pixel, unpadded
  const unsigned char* At(int x, int y) const {
    return &bgr[(static_cast<size_t>(y) * width + x) * 3];
  }
};

// Parses an uncompressed 24-bit bottom-up BMP; describes the first defect found in *error.
bool ParseBmp24(const std::vector<unsigned char>& b, Bitmap* out, std::string* error) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return *error = "not a BM file", false;
  if (U32(b, 2) != b.size()) return *error = "file size field differs from the length", false;
  if (U32(b, 10) != 54 || U32(b, 14) != 40)
    return *error = "not a 40-byte info header at 54", false;
  const int32_t w = static_cast<int32_t>(U32(b, 18));
  const int32_t h = static_cast<int32_t>(U32(b, 22));
  if (w <= 0 || h <= 0) return *error = "not a positive bottom-up size", false;
  if (U16(b, 26) != 1 || U16(b, 28) != 24 || U32(b, 30) != 0)
    return *error = "not one plane of uncompressed 24-bit pixels", false;
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
  if (b.size() != 54 + stride * h) return *error = "pixel data length wrong for the size", false;
  out->width = w;
  out->height = h;
  out->bgr.resize(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    std::copy_n(&b[54 + stride * (h - 1 - y)], w * 3, &out->bgr[static_cast<size_t>(y) * w * 3]);
  return true;
}

const char* const kSkinFolders[] = {"Image", "Image_Eng", "Image_Jpn"};

struct Expected {
  const char* path;
  int width;
  int height;
};

// Written from the windows' skin tables: the names and sizes the windows load.
const Expected kExpected[] = {
    // Preview window backgrounds.
    {"Bg/viewer_bg.bmp", 332, 276},
    {"Bg/viewer_bg_640.bmp", 664, 516},
    // TavoCCTV main window: two backgrounds and its buttons.
    {"Bg/TavoCCTV_bg.bmp", 332, 528},
    {"Bg/ViewMain_bg.bmp", 332, 424},
    {"MainButton/JpgView_but_Down.bmp", 30, 30},
    {"MainButton/JpgView_but_Foc.bmp", 30, 30},
    {"MainButton/CctvStart_but_Up.bmp", 36, 36},
    {"MainButton/CctvStart_but_Down.bmp", 36, 36},
    {"MainButton/CctvStart_but_Foc.bmp", 36, 36},
    {"MainButton/CctvStop_but_Up.bmp", 36, 36},
    {"MainButton/CctvStop_but_Down.bmp", 36, 36},
    {"MainButton/CctvStop_but_Foc.bmp", 36, 36},
    {"MainButton/TakePicture_Sign.bmp", 16, 11},
    {"MainButton/Exit_But_Down.bmp", 11, 11},
    {"MainButton/Minimize_but_Down.bmp", 11, 11},
    {"MainButton/Help_but_Down.bmp", 11, 11},
    {"MainButton/Config_but_Down.bmp", 30, 30},
    {"MainButton/Config_but_Foc.bmp", 30, 30},
    {"MainButton/pin_off_Up.bmp", 11, 11},
    {"MainButton/pin_off_Down.bmp", 11, 11},
    {"MainButton/pin_on_Up.bmp", 11, 11},
    {"MainButton/pin_on_Down.bmp", 11, 11},
    {"ConfigImage/CRT_Down.bmp", 35, 16},
    {"ConfigImage/LCD_Down.bmp", 35, 16},
    {"ConfigImage/Adjust_Down.bmp", 31, 30},
    {"ConfigImage/Adjust_Foc.bmp", 31, 30},
    {"ConfigImage/Check_On.bmp", 15, 15},
    {"ConfigImage/Check_Off.bmp", 15, 15},
    // TavoCCTV viewer mode.
    {"JgpViewer/SliderThumb.bmp", 50, 12},
    {"JgpViewer/slide_bg.bmp", 292, 12},
    {"JgpViewer/Slide_but_Nor.bmp", 59, 12},
    {"JgpViewer/Slide_but_Foc.bmp", 59, 12},
    {"JgpViewer/Slide_but_Down.bmp", 59, 12},
    {"JgpViewer/Slide_but_Stop_Nor.bmp", 59, 12},
    {"JgpViewer/Slide_but_Stop_Foc.bmp", 59, 12},
    {"JgpViewer/Slide_but_Stop_down.bmp", 59, 12},
    {"JgpViewer/Speed_But_Hi_Down.bmp", 19, 12},
    {"JgpViewer/Speed_But_Hi_Foc.bmp", 19, 12},
    {"JgpViewer/Speed_But_Row_Down.bmp", 19, 12},
    {"JgpViewer/Speed_But_Row_Foc.bmp", 19, 12},
    {"JgpViewer/Left_but_Down.bmp", 14, 14},
    {"JgpViewer/Left_but_Foc.bmp", 14, 14},
    {"JgpViewer/Right_but_Down.bmp", 14, 14},
    {"JgpViewer/Right_but_Foc.bmp", 14, 14},
    // TavoCCTV run-folder panel.
    {"Bg/JpgViewer_bg.bmp", 165, 415},
    {"JgpViewer/Delete_Forder_Down.bmp", 36, 38},
    {"JgpViewer/Delete_Forder_Foc.bmp", 36, 38},
    // TavoPreview control bar.
    {"Main/main_bg.bmp", 332, 63},
    {"Main/Snapshot_up.bmp", 30, 30},
    {"Main/Snapshot_Focus.bmp", 30, 30},
    {"Main/Play_up.bmp", 36, 36},
    {"Main/PrevidwPlay_Down.bmp", 36, 36},
    {"Main/PreviewPlay_Focus.bmp", 36, 36},
    {"Main/PreviewStop_up.bmp", 36, 36},
    {"Main/PreviewStop_Down.bmp", 36, 36},
    {"Main/PreviewStop_Focus.bmp", 36, 36},
    {"Main/Config_up.bmp", 30, 30},
    {"Main/Config_Focus.bmp", 30, 30},
    {"Main/pin_off_Up.bmp", 11, 11},
    {"Main/pin_off_Down.bmp", 11, 11},
    {"Main/pin_on_Up.bmp", 11, 11},
    {"Main/pin_on_Down.bmp", 11, 11},
    {"Main/Minimize_but_Down.bmp", 11, 11},
    {"Main/Exit_But_Down.bmp", 11, 11},
    {"Main/Help_but_Down.bmp", 11, 11},
    // TavoPreview configuration dialog.
    {"Config/Config_bg.bmp", 332, 115},
    {"Config/Exit_But_Down.bmp", 11, 11},
    {"Config/CRT_Down.bmp", 41, 17},
    {"Config/LCD_Down.bmp", 41, 17},
    // TavoPreview snapshot dialog.
    {"SnapShotDlg/snapshot_bg.bmp", 332, 114},
    {"SnapShotDlg/slide_bg.bmp", 292, 12},
    {"SnapShotDlg/SliderThumb.bmp", 50, 12},
    {"SnapShotDlg/but_save_foc.bmp", 45, 12},
    {"SnapShotDlg/but_save_down.bmp", 45, 12},
    {"SnapShotDlg/but_del_foc.bmp", 45, 12},
    {"SnapShotDlg/but_del_down.bmp", 45, 12},
    {"SnapShotDlg/but_snap_foc.bmp", 69, 12},
    {"SnapShotDlg/but_snap_down.bmp", 69, 12},
    {"SnapShotDlg/Left_but_Foc.bmp", 14, 14},
    {"SnapShotDlg/Left_but_Down.bmp", 14, 14},
    {"SnapShotDlg/Right_but_Foc.bmp", 14, 14},
    {"SnapShotDlg/Right_but_Down.bmp", 14, 14},
    {"SnapShotDlg/Exit_But_Down.bmp", 11, 11},
    // TavoPreview snapshot viewer.
    {"SnapViewer/SnapViewer_bg.bmp", 326, 268},
    {"SnapViewer/SnapViewer_bg640.bmp", 646, 508},
    {"SnapViewer/save_up.bmp", 54, 15},
    {"SnapViewer/Cancel_up.bmp", 54, 15},
};

class SkinFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = ProgramFolder();
    ASSERT_TRUE(fs::is_directory(root_ / "Image"))
        << "no staged skins under " << root_ << " (build the 'skins' target)";
  }
  Bitmap Load(const std::string& folder, const std::string& path) {
    Bitmap bmp;
    std::string error;
    EXPECT_TRUE(ParseBmp24(ReadAll(root_ / folder / path), &bmp, &error))
        << folder << "/" << path << ": " << error;
    return bmp;
  }
  fs::path root_;
};

TEST_F(SkinFilesTest, EveryTabledFileIsA24BitBmpOfItsSizeInEveryLanguage) {
  for (const char* folder : kSkinFolders) {
    for (const Expected& e : kExpected) {
      SCOPED_TRACE(std::string(folder) + "/" + e.path);
      ASSERT_TRUE(fs::is_regular_file(root_ / folder / e.path));
      const Bitmap bmp = Load(folder, e.path);
      EXPECT_EQ(bmp.width, e.width);
      EXPECT_EQ(bmp.height, e.height);
    }
  }
}

TEST_F(SkinFilesTest, NoFileBeyondTheTablesAndEqualCounts) {
  for (const char* folder : kSkinFolders) {
    size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root_ / folder))
      if (entry.is_regular_file()) ++count;
    EXPECT_EQ(count, std::size(kExpected)) << folder;
  }
}

struct Region {
  const char* background;
  int x, y;
  const char* face;
  int columns = 0;  // columns to compare; 0: all
};

bool SameRegion(const Bitmap& bg, int x0, int y0, const Bitmap& face, int columns = 0) {
  if (x0 + face.width > bg.width || y0 + face.height > bg.height) return false;
  const int width = columns > 0 ? columns : face.width;
  for (int y = 0; y < face.height; ++y)
    for (int x = 0; x < width; ++x)
      if (!std::equal(face.At(x, y), face.At(x, y) + 3, bg.At(x0 + x, y0 + y))) return false;
  return true;
}

// The resting faces that windows paint over their background must match what the background
// already shows there, or the button jumps when the state face is drawn.
TEST_F(SkinFilesTest, RestingFacesMatchTheBackgroundAtTheirRectangles) {
  const Region kResting[] = {
      {"Bg/TavoCCTV_bg.bmp", 148, 269, "MainButton/CctvStart_but_Up.bmp"},
      {"Bg/ViewMain_bg.bmp", 148, 269, "MainButton/CctvStart_but_Up.bmp"},
      {"Bg/TavoCCTV_bg.bmp", 287, 266, "MainButton/pin_off_Up.bmp"},
      {"Bg/ViewMain_bg.bmp", 287, 266, "MainButton/pin_off_Up.bmp"},
      {"Bg/TavoCCTV_bg.bmp", 70, 409, "ConfigImage/Check_Off.bmp"},
      {"Bg/ViewMain_bg.bmp", 49, 410, "JgpViewer/Slide_but_Nor.bmp"},
      {"Bg/ViewMain_bg.bmp", 20, 395, "JgpViewer/slide_bg.bmp"},
      {"Main/main_bg.bmp", 148, 8, "Main/Play_up.bmp"},
      {"Main/main_bg.bmp", 287, 6, "Main/pin_off_Up.bmp"},
      {"SnapShotDlg/snapshot_bg.bmp", 20, 85, "SnapShotDlg/slide_bg.bmp"},
      {"SnapViewer/SnapViewer_bg.bmp", 211, 246, "SnapViewer/save_up.bmp"},
      {"SnapViewer/SnapViewer_bg.bmp", 265, 246, "SnapViewer/Cancel_up.bmp"},
      // In the large layout the Cancel button covers the last column of Save.
      {"SnapViewer/SnapViewer_bg640.bmp", 531, 487, "SnapViewer/save_up.bmp", 53},
      {"SnapViewer/SnapViewer_bg640.bmp", 584, 487, "SnapViewer/Cancel_up.bmp"},
  };
  for (const char* folder : kSkinFolders) {
    for (const Region& r : kResting) {
      SCOPED_TRACE(std::string(folder) + ": " + r.face + " on " + r.background);
      EXPECT_TRUE(
          SameRegion(Load(folder, r.background), r.x, r.y, Load(folder, r.face), r.columns));
    }
  }
}

// Hover and pressed faces must show a change where they are drawn, and round buttons must keep
// the background's corners so that only the button itself changes.
TEST_F(SkinFilesTest, HoverAndPressedFacesChangeOnlyTheButton) {
  struct Case {
    const char* background;
    int x, y;
    const char* face;
    bool round;
  };
  const Case kCases[] = {
      {"Bg/TavoCCTV_bg.bmp", 103, 269, "MainButton/JpgView_but_Foc.bmp", true},
      {"Bg/TavoCCTV_bg.bmp", 103, 269, "MainButton/JpgView_but_Down.bmp", true},
      {"Bg/TavoCCTV_bg.bmp", 148, 269, "MainButton/CctvStart_but_Foc.bmp", true},
      {"Bg/TavoCCTV_bg.bmp", 148, 269, "MainButton/CctvStop_but_Down.bmp", true},
      {"Bg/ViewMain_bg.bmp", 199, 269, "MainButton/Config_but_Foc.bmp", true},
      {"Bg/TavoCCTV_bg.bmp", 317, 266, "MainButton/Exit_But_Down.bmp", false},
      {"Bg/TavoCCTV_bg.bmp", 69, 333, "ConfigImage/CRT_Down.bmp", false},
      {"Bg/TavoCCTV_bg.bmp", 104, 333, "ConfigImage/LCD_Down.bmp", false},
      {"Bg/TavoCCTV_bg.bmp", 281, 478, "ConfigImage/Adjust_Down.bmp", false},
      {"Bg/TavoCCTV_bg.bmp", 70, 409, "ConfigImage/Check_On.bmp", false},
      {"Bg/TavoCCTV_bg.bmp", 11, 263, "MainButton/TakePicture_Sign.bmp", false},
      {"Bg/ViewMain_bg.bmp", 242, 410, "JgpViewer/Speed_But_Hi_Foc.bmp", false},
      {"Bg/ViewMain_bg.bmp", 264, 410, "JgpViewer/Speed_But_Row_Down.bmp", false},
      {"Bg/ViewMain_bg.bmp", 6, 394, "JgpViewer/Left_but_Down.bmp", false},
      {"Bg/ViewMain_bg.bmp", 312, 394, "JgpViewer/Right_but_Foc.bmp", false},
      {"Bg/ViewMain_bg.bmp", 49, 410, "JgpViewer/Slide_but_Stop_Nor.bmp", false},
      {"Bg/JpgViewer_bg.bmp", 116, 292, "JgpViewer/Delete_Forder_Foc.bmp", false},
      {"Main/main_bg.bmp", 103, 9, "Main/Snapshot_Focus.bmp", true},
      {"Main/main_bg.bmp", 103, 9, "Main/Snapshot_up.bmp", true},
      {"Main/main_bg.bmp", 148, 8, "Main/PreviewStop_up.bmp", true},
      {"Main/main_bg.bmp", 199, 9, "Main/Config_up.bmp", true},
      {"Main/main_bg.bmp", 272, 6, "Main/Help_but_Down.bmp", false},
      {"Config/Config_bg.bmp", 68, 27, "Config/CRT_Down.bmp", false},
      {"Config/Config_bg.bmp", 317, 4, "Config/Exit_But_Down.bmp", false},
      {"SnapShotDlg/snapshot_bg.bmp", 189, 100, "SnapShotDlg/but_save_down.bmp", false},
      {"SnapShotDlg/snapshot_bg.bmp", 49, 100, "SnapShotDlg/but_snap_foc.bmp", false},
  };
  for (const char* folder : kSkinFolders) {
    for (const Case& c : kCases) {
      SCOPED_TRACE(std::string(folder) + ": " + c.face + " on " + c.background);
      const Bitmap bg = Load(folder, c.background);
      const Bitmap face = Load(folder, c.face);
      ASSERT_LE(c.x + face.width, bg.width);
      ASSERT_LE(c.y + face.height, bg.height);
      EXPECT_FALSE(SameRegion(bg, c.x, c.y, face)) << "the face looks like the resting button";
      if (!c.round) continue;
      const int last = face.width - 1;
      for (auto [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}})
        EXPECT_TRUE(std::equal(face.At(x, y), face.At(x, y) + 3, bg.At(c.x + x, c.y + y)))
            << "corner " << x << "," << y;
    }
  }
}

// Labels are drawn in each folder's language, so the faces with words differ between folders.
TEST_F(SkinFilesTest, LabelledBackgroundsDifferBetweenLanguages) {
  for (const char* path : {"Bg/TavoCCTV_bg.bmp", "Config/Config_bg.bmp", "Main/main_bg.bmp",
                           "SnapViewer/save_up.bmp", "JgpViewer/Slide_but_Nor.bmp"}) {
    SCOPED_TRACE(path);
    const Bitmap ko = Load("Image", path);
    const Bitmap en = Load("Image_Eng", path);
    const Bitmap ja = Load("Image_Jpn", path);
    EXPECT_NE(ko.bgr, en.bgr);
    EXPECT_NE(en.bgr, ja.bgr);
    EXPECT_NE(ko.bgr, ja.bgr);
  }
}

// The folder tree of the run-folder panel takes its ground from this pixel: it must be the plain
// field colour, not part of a caption or an edge.
TEST_F(SkinFilesTest, FolderTreeGroundIsTheFieldColour) {
  for (const char* folder : kSkinFolders) {
    const Bitmap bg = Load(folder, "Bg/JpgViewer_bg.bmp");
    ASSERT_EQ(bg.width, 165);
    const unsigned char* px = bg.At(50, 310);
    EXPECT_EQ(px[2], 42) << folder;
    EXPECT_EQ(px[1], 41) << folder;
    EXPECT_EQ(px[0], 41) << folder;
  }
}

TEST(SkinHelpPages, EveryHelpPageIsThereInItsLanguage) {
  const fs::path root = ProgramFolder();
  struct Page {
    const char* name;
    const char* lang;
    const char* marker;  // a word the page must contain in its language
  };
  const Page kPages[] = {
      {"TAVOCCTVHELP.html", "ko", "감시"},
      {"TAVOCCTVHELP_ENG.html", "en", "surveillance"},
      {"TAVOCCTVHELP_JPN.html", "ja", "監視"},
      {"TavoPreviewHelp.html", "ko", "스냅샷"},
      {"TavoPreviewHelp_Eng.html", "en", "snapshot"},
      {"TavoPreviewHelp_JPN.html", "ja", "スナップショット"},
  };
  for (const Page& p : kPages) {
    SCOPED_TRACE(p.name);
    const std::vector<unsigned char> bytes = ReadAll(root / p.name);
    const std::string text(bytes.begin(), bytes.end());
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.find(std::string("<html lang=\"") + p.lang + "\""), std::string::npos);
    EXPECT_NE(text.find("charset=\"utf-8\""), std::string::npos);
    EXPECT_NE(text.find(p.marker), std::string::npos);
  }
}

}  // namespace
