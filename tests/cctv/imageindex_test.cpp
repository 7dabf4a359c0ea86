#include "imageindex.h"
#include "test_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;

class ImageIndexTest : public ::testing::Test {
 protected:
  void SetUp() override { folder = tavo::testing::EmptyFolderForTest("imageindex_"); }
  void TearDown() override { fs::remove_all(folder); }

  void Touch(const std::string& name) { std::ofstream(folder / name) << "x"; }
  std::string Image(int n) {
    char name[64];
    std::snprintf(name, sizeof name, "14h05m09s_01-17-03_%06d.jpg", n);
    return name;
  }
  std::string Dir() const { return folder.string(); }

  fs::path folder;
  ImageIndex index;
};

TEST(ImageIndexNames, NumbersFollowTheFiveDigitPattern) {
  using V = std::vector<int>;
  EXPECT_EQ(ImageIndex::NumbersOf("a_000017.jpg"), V{17});
  EXPECT_EQ(ImageIndex::NumbersOf("a_010001.jpg"), V{10001});
  EXPECT_EQ(ImageIndex::NumbersOf("Email16to1_00003.jpg"), V{3});
  // "*00017.jpg" also matches a six-digit 100017, as the wildcard always did.
  EXPECT_EQ(ImageIndex::NumbersOf("a_100017.jpg"), (V{17, 100017}));
  EXPECT_EQ(ImageIndex::NumbersOf("a_0017.jpg"), V{});
  EXPECT_EQ(ImageIndex::NumbersOf("a_000017.JPG"), V{});
  EXPECT_EQ(ImageIndex::NumbersOf("a_000017.jpg.tmp"), V{});
  EXPECT_EQ(ImageIndex::NumbersOf(".jpg"), V{});
  EXPECT_EQ(ImageIndex::NumbersOf("99999999999999999999.jpg").size(), 5u);  // no overflow
}

TEST_F(ImageIndexTest, FindsExactlyTheNumberAskedFor) {
  for (int n : {1, 2, 16, 17, 117, 1017, 10001}) Touch(Image(n));
  fs::create_directory(folder / "EmailSendJpg");
  fs::create_directory(folder / "dir_000018.jpg");  // folders are no images

  EXPECT_EQ(index.Find(Dir(), 17), Dir() + "/" + Image(17));
  EXPECT_EQ(index.Find(Dir(), 1), Dir() + "/" + Image(1));
  EXPECT_EQ(index.Find(Dir(), 10001), Dir() + "/" + Image(10001));
  EXPECT_EQ(index.Find(Dir(), 18), "");
  EXPECT_EQ(index.Find(Dir(), 10002), "");  // above the newest image
  EXPECT_EQ(index.Find(Dir(), 0), "");
  EXPECT_EQ(index.Find(Dir(), -17), "");
  EXPECT_EQ(index.Find(Dir() + "/missing", 1), "");
  EXPECT_EQ(index.Find("", 1), "");
}

TEST_F(ImageIndexTest, FollowsFilesAddedAndRemovedAfterTheListing) {
  Touch(Image(1));
  ASSERT_NE(index.Find(Dir(), 1), "");
  EXPECT_EQ(index.Find(Dir(), 2), "");

  Touch(Image(2));
  EXPECT_EQ(index.Find(Dir(), 2), Dir() + "/" + Image(2));

  fs::remove(folder / Image(1));
  EXPECT_EQ(index.Find(Dir(), 1), "");

  // A change that leaves the folder's time where it was (a coarse clock) is still found on a miss.
  const auto before = fs::last_write_time(folder);
  Touch(Image(3));
  fs::last_write_time(folder, before);
  EXPECT_EQ(index.Find(Dir(), 3), Dir() + "/" + Image(3));
  // ... and a removed file is not handed out under the same circumstances.
  fs::remove(folder / Image(3));
  fs::last_write_time(folder, before);
  EXPECT_EQ(index.Find(Dir(), 3), "");
}

TEST_F(ImageIndexTest, AddedKeepsALoadedListingCurrent) {
  Touch(Image(1));
  ASSERT_NE(index.Find(Dir(), 1), "");
  Touch(Image(2));
  index.Added(Dir(), Image(2));
  EXPECT_EQ(index.Find(Dir(), 2), Dir() + "/" + Image(2));
  index.Added(Dir() + "/never-listed", Image(2));  // ignored
}

TEST_F(ImageIndexTest, AnAdoptedListingServesLookupsUntilTheFolderChanges) {
  Touch(Image(1));
  Touch(Image(2));
  const auto modified = fs::last_write_time(folder);
  // Image 2 left out: were the folder read again, it would be found.
  index.Adopt(Dir(), modified, modified + std::chrono::seconds(10), {Image(1), "notes.txt"});
  EXPECT_EQ(index.Find(Dir(), 1), Dir() + "/" + Image(1));
  EXPECT_EQ(index.Find(Dir(), 2), "");
  // A listing older than the folder is read again.
  index.Adopt(Dir(), modified - std::chrono::seconds(5), modified, {Image(1)});
  EXPECT_EQ(index.Find(Dir(), 2), Dir() + "/" + Image(2));
}

TEST_F(ImageIndexTest, ManyFoldersStayBounded) {
  for (int i = 0; i < 10; ++i) {
    const fs::path sub = folder / std::to_string(i);
    fs::create_directory(sub);
    std::ofstream(sub / Image(i + 1)) << "x";
    EXPECT_EQ(index.Find(sub.string(), i + 1), (sub / Image(i + 1)).string());
  }
  // The first folder's listing was dropped; it is read again on demand.
  EXPECT_EQ(index.Find((folder / "0").string(), 1), (folder / "0" / Image(1)).string());
}

}  // namespace
}  // namespace tavo::cctv
