#include "programfolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "scratch_folder.h"

namespace tavo {
namespace {

namespace fs = std::filesystem;
using testing::ScratchFolder;

// An installed tree under a scratch prefix: bin/TavoCCTV, share/tavo/{Image_Eng,help page}.
class ProgramFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(root_.path().empty());
    fs::create_directories(root_.path() / "usr/bin");
    fs::create_directories(share() / "Image_Eng/Bg");
    std::ofstream(share() / "TavoPreviewHelp_Eng.html") << "help";
    std::ofstream(root_.path() / "usr/bin/TavoCCTV") << "program";
    fs::create_directories(root_.path() / "home/Pictures");
    fs::create_directories(root_.path() / "home/elsewhere");
    places_ = {(root_.path() / "usr/bin/TavoCCTV").string(),
               (root_.path() / "home/.local/share").string(),
               (root_.path() / "home/Pictures").string()};
  }
  fs::path share() const { return root_.path() / "usr/share/tavo"; }
  fs::path user() const { return root_.path() / "home/.local/share/tavo"; }

  ScratchFolder root_{"/tmp/tavo-programfolder-XXXXXX"};
  ProgramPlaces places_;
};

TEST_F(ProgramFolderTest, InstalledProgramStartedElsewhereGetsTheUserFolder) {
  const std::string elsewhere = (root_.path() / "home/elsewhere").string();
  ASSERT_EQ(ChooseProgramFolder(elsewhere, places_), user().string());
  EXPECT_EQ(fs::read_symlink(user() / "Image_Eng"), share() / "Image_Eng");
  EXPECT_TRUE(fs::is_regular_file(user() / "TavoPreviewHelp_Eng.html"));
  EXPECT_TRUE(fs::is_directory(user() / "Temp"));
  EXPECT_TRUE(fs::is_directory(user() / "CCTV_Image"));
  EXPECT_EQ((fs::status(user() / "CCTV_Image").permissions() & fs::perms::all),
            fs::perms::owner_all);
  EXPECT_EQ(fs::read_symlink(root_.path() / "home/Pictures/TavoCCTV"), user() / "CCTV_Image");
  // The next start finds it as it was left.
  EXPECT_EQ(ChooseProgramFolder(elsewhere, places_), user().string());
  // Started in the user folder itself (as the launcher does), it is kept.
  EXPECT_EQ(ChooseProgramFolder(user().string(), places_), user().string());
}

TEST_F(ProgramFolderTest, ProgramFolderOrBuildTreeKeepsTheWorkingFolder) {
  const fs::path staged = root_.path() / "build/program";
  fs::create_directories(staged / "Image_Eng");
  EXPECT_EQ(ChooseProgramFolder(staged.string(), places_), staged.string());
  // A program staged beside its skins is not installed, whatever the working folder.
  std::ofstream(staged / "TavoCCTV") << "program";
  places_.programFile = (staged / "TavoCCTV").string();
  const std::string elsewhere = (root_.path() / "home/elsewhere").string();
  EXPECT_EQ(ChooseProgramFolder(elsewhere, places_), elsewhere);
  EXPECT_FALSE(fs::exists(user()));
}

TEST_F(ProgramFolderTest, UserFilesAreNeverReplacedAndStaleLinksGo) {
  fs::create_directories(user());
  std::ofstream(user() / "TavoPreviewHelp_Eng.html") << "the user's own";
  fs::create_symlink("/nowhere", user() / "Image_Eng");
  fs::create_symlink(share() / "Gone.html", user() / "Gone.html");
  std::ofstream(root_.path() / "home/Pictures/TavoCCTV") << "a file of the user's";
  ASSERT_TRUE(PrepareUserProgramFolder(user().string(), share().string(), places_.picturesFolder));
  std::ifstream page(user() / "TavoPreviewHelp_Eng.html");
  std::string text;
  std::getline(page, text);
  EXPECT_EQ(text, "the user's own");
  EXPECT_EQ(fs::read_symlink(user() / "Image_Eng"), share() / "Image_Eng");
  EXPECT_FALSE(fs::exists(fs::symlink_status(user() / "Gone.html")));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(root_.path() / "home/Pictures/TavoCCTV")));
}

TEST_F(ProgramFolderTest, AFolderThatCannotBeMadeLeavesTheWorkingFolder) {
  std::ofstream(root_.path() / "home/.local") << "a file where the folder should be";
  const std::string elsewhere = (root_.path() / "home/elsewhere").string();
  EXPECT_EQ(ChooseProgramFolder(elsewhere, places_), elsewhere);
  places_.dataHome.clear();
  EXPECT_EQ(ChooseProgramFolder(elsewhere, places_), elsewhere);
}

}  // namespace
}  // namespace tavo
