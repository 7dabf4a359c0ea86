#include "skinfolder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "bmpbuilder.h"

namespace tavo {
namespace {

TEST(ProgramFolder, RootBecomesEmptySoJoinsKeepOneSeparator) {
  EXPECT_EQ(ProgramFolderFromDirectory("/"), "");
  EXPECT_EQ(ProgramFolderFromDirectory("/opt/tavo"), "/opt/tavo");
  EXPECT_EQ(ProgramFolderFromDirectory("/opt/tavo/"), "/opt/tavo");
  EXPECT_EQ(SkinPath(ProgramFolderFromDirectory("/"), "Korean", "/Bg", "/viewer_bg.bmp"),
            "/Image/Bg/viewer_bg.bmp");
}

TEST(ProgramFolder, PreviewTakesItsFirstArgumentTheCctvTheWorkingDirectory) {
  test::TempFolder folder;
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  const std::string cwd = std::filesystem::current_path().string();

  EXPECT_EQ(CurrentProgramFolder(), cwd);
  const char* none[] = {"TavoPreview"};
  EXPECT_EQ(PreviewProgramFolder(1, none), cwd);
  const char* given[] = {"TavoPreview", "/srv/tavo", "ignored"};
  EXPECT_EQ(PreviewProgramFolder(3, given), "/srv/tavo");
  const char* root[] = {"TavoPreview", "/"};
  EXPECT_EQ(PreviewProgramFolder(2, root), "");

  std::filesystem::current_path("/");
  EXPECT_EQ(CurrentProgramFolder(), "");
  std::filesystem::current_path(previous);
}

TEST(SkinFolder, OnlyKoreanAndJapaneseHaveTheirOwnSkins) {
  EXPECT_EQ(SkinFolder("Korean"), "/Image");
  EXPECT_EQ(SkinFolder("Japanese"), "/Image_Jpn");
  for (const char* other : {"English", "Chinese", "", "korean", "Korean "}) {
    EXPECT_EQ(SkinFolder(other), "/Image_Eng") << other;
  }
  // The snapshot viewer has no Korean skin.
  EXPECT_EQ(SnapshotViewerSkinFolder("Korean"), "/Image_Eng");
  EXPECT_EQ(SnapshotViewerSkinFolder("Japanese"), "/Image_Jpn");
  EXPECT_EQ(SnapshotViewerSkinFolder("English"), "/Image_Eng");
  EXPECT_EQ(SkinPath("/p", "Japanese", "/Bg", "/TavoCCTV_bg.bmp"),
            "/p/Image_Jpn/Bg/TavoCCTV_bg.bmp");
}

TEST(SkinFolder, FilesAreFoundWhateverTheCaseOfTheirNames) {
  test::TempFolder folder;
  const auto file = folder.path() / "Image_Eng" / "JgpViewer" / "Slide_but_Stop_down.bmp";
  test::WriteFile(file, {1, 2, 3});
  const std::string base = folder.path().string();

  EXPECT_EQ(ResolveCaseFolded(file.string()), file.string());
  EXPECT_EQ(ResolveCaseFolded(base + "/Image_Eng/JgpViewer/Slide_but_Stop_Down.bmp"),
            file.string());
  EXPECT_EQ(ResolveCaseFolded(base + "/IMAGE_ENG/jgpviewer/SLIDE_BUT_STOP_DOWN.BMP"),
            file.string());
  const std::string missing = base + "/Image_Eng/JgpViewer/Nothing.bmp";
  EXPECT_EQ(ResolveCaseFolded(missing), missing);
  const std::string underAFile = file.string() + "/x.bmp";
  EXPECT_EQ(ResolveCaseFolded(underAFile), underAFile);
}

}  // namespace
}  // namespace tavo
