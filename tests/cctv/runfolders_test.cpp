#include "runfolders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mail_test_folder.h"
#include "recordingstore.h"

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

TEST(RunStampKey, ReadsEveryLanguagesStampAndNothingElse) {
  for (const std::array<int, 6>& key :
       {std::array{2003, 1, 17, 14, 5, 9}, std::array{2009, 12, 31, 23, 59, 58}}) {
    std::tm t{};
    t.tm_year = key[0] - 1900, t.tm_mon = key[1] - 1, t.tm_mday = key[2];
    t.tm_hour = key[3], t.tm_min = key[4], t.tm_sec = key[5];
    for (const char* language : {"Korean", "Japanese", "English"}) {
      EXPECT_EQ(RunStampKey(MakeTimeStamp(t, language)), key) << language;
    }
  }
  for (const char* name : {"", "EmailSendJpg", "14h05m09s_01-17-03x", "14h05m09s-01-17-03",
                           "14h0am09s_01-17-03", "14h05m09s_13-17-03", "24h05m09s_01-17-03",
                           "03-01-00_14h05m09s", "030117-14분05시09초", "030117-14h05m09s"}) {
    EXPECT_FALSE(RunStampKey(name).has_value()) << name;
  }
}

void MakeRuns(const fs::path& root, const Names& names) {
  for (const std::string& name : names) {
    fs::create_directories(root / name / "EmailSendJpg");
    std::ofstream(root / name / "x_000001.jpg") << "jpeg";
    std::ofstream(root / name / "EmailSendJpg" / "Email16to1_00001.jpg") << "jpeg";
  }
}

TEST(ListRunFolders, RecordingOrderAcrossMidnightThenOtherFoldersByName) {
  testing::MailTestFolder folder;
  const fs::path root = folder.path() / "CCTV_Image";
  // By name, the English run of 00:05 on the 18th would come before the one of 23:55 the day
  // before.
  MakeRuns(root, {"00h05m00s_01-18-03", "Notes", "23h55m00s_01-17-03", "030117-12시00분00초",
                  "03-01-18_00h01m00s", "Archive"});
  std::ofstream(root / "readme.txt") << "a file, not a run";
  EXPECT_EQ(ListRunFolders(root.string() + "/"),
            (Names{"030117-12시00분00초", "23h55m00s_01-17-03", "03-01-18_00h01m00s",
                   "00h05m00s_01-18-03", "Archive", "Notes"}));
  EXPECT_EQ(ListRunFolders((root / "Notes/EmailSendJpg/").string()), Names{});
  EXPECT_FALSE(ListRunFolders((root / "missing/").string()).has_value());
  EXPECT_FALSE(ListRunFolders((root / "readme.txt").string()).has_value());
}

// Deletes for real, and records what it was asked.
class DeletingShell final : public Shell {
 public:
  int Open(const std::string&) override { return kShellFailed; }
  int Start(const std::string&, const std::string&) override { return kShellFailed; }
  bool DeleteTree(const std::string& folder) override {
    deleted.push_back(folder);
    std::error_code ec;
    return fs::remove_all(folder, ec) > 0 && !ec;
  }
  Names deleted;
};

class PanelModelTest : public ::testing::Test {
 protected:
  PanelModelTest() : root((folder.path() / "CCTV_Image").string() + "/") { MakeRuns(root, runs); }
  FolderPanelModel Model(Shell& shell) {
    return FolderPanelModel(root, shell, [this](const std::string& name) {
      shown.push_back(name);
      if (onShow) onShow(name);
    });
  }

  testing::MailTestFolder folder;
  std::string root;
  const Names runs = {"14h00m00s_01-17-03", "15h00m00s_01-17-03", "16h00m00s_01-17-03"};
  Names shown;
  std::function<void(const std::string&)> onShow;
};

TEST_F(PanelModelTest, FillListsTheRunsUnselectedAndASelectionOpensOne) {
  RecordingShell shell;
  FolderPanelModel model = Model(shell);
  model.Select(0);  // nothing to select before the first fill
  model.Fill();
  EXPECT_EQ(model.items(), runs);
  EXPECT_EQ(model.selectedIndex(), -1);
  model.Select(3);
  EXPECT_TRUE(shown.empty());
  model.Select(1);
  EXPECT_EQ(model.selectedFolder(), runs[1]);
  EXPECT_EQ(shown, Names{runs[1]});
  // A refill opens nothing; the chosen run stays chosen, and marked, while it is listed.
  model.Fill();
  EXPECT_EQ(model.selectedIndex(), 1);
  EXPECT_EQ(model.selectedFolder(), runs[1]);
  EXPECT_EQ(shown, Names{runs[1]});
  fs::rename(root + runs[1], root + "elsewhere");
  model.Fill();
  EXPECT_EQ(model.selectedIndex(), -1);
  EXPECT_EQ(model.selectedFolder(), "");
  fs::rename(root + "elsewhere", root + runs[1]);
  model.Fill();
  EXPECT_EQ(model.selectedFolder(), "");

  // The viewer may find the run gone and refill the list while it opens it.
  onShow = [&](const std::string& name) {
    fs::remove_all(root + name);
    model.Fill();
  };
  model.Select(0);
  EXPECT_EQ(model.items(), (Names{runs[1], runs[2]}));
  onShow = nullptr;
  fs::remove_all(root);  // an unreadable store shows the placeholder
  model.Fill();
  EXPECT_EQ(shown, (Names{runs[1], runs[0], ""}));
}

TEST_F(PanelModelTest, DeleteRemovesTheChosenRunWithItsMailFolderThenOpensTheFirst) {
  DeletingShell shell;
  FolderPanelModel model = Model(shell);
  model.Fill();
  // Nothing chosen: nothing deleted, the first run is chosen.
  EXPECT_EQ(model.DeleteSelected(), RunDeleteResult::kNothingChosen);
  EXPECT_TRUE(shell.deleted.empty());
  EXPECT_EQ(model.selectedIndex(), 0);
  EXPECT_EQ(shown, Names{runs[0]});

  model.Select(1);
  EXPECT_EQ(model.DeleteSelected(), RunDeleteResult::kDeleted);
  EXPECT_EQ(shell.deleted, Names{root + runs[1]});
  EXPECT_FALSE(fs::exists(root + runs[1]));
  EXPECT_TRUE(fs::exists(root + runs[0] + "/x_000001.jpg"));
  EXPECT_EQ(model.items(), (Names{runs[0], runs[2]}));
  EXPECT_EQ(model.selectedIndex(), 0);
  EXPECT_EQ(shown.back(), runs[0]);

  EXPECT_EQ(model.DeleteSelected(), RunDeleteResult::kDeleted);
  EXPECT_EQ(model.DeleteSelected(), RunDeleteResult::kDeleted);
  EXPECT_TRUE(model.items().empty());
  EXPECT_EQ(model.selectedFolder(), "");
  EXPECT_EQ(shown.back(), "");
  EXPECT_TRUE(fs::is_empty(root));
}

TEST_F(PanelModelTest, AFailedDeleteKeepsTheRunAndTheList) {
  RecordingShell shell;
  shell.deleteResult = false;  // e.g. a file in use
  FolderPanelModel model = Model(shell);
  model.Fill();
  model.Select(2);
  EXPECT_EQ(model.DeleteSelected(), RunDeleteResult::kFailed);
  EXPECT_EQ(shell.deleted, Names{root + runs[2]});
  EXPECT_EQ(model.items(), runs);
  EXPECT_EQ(model.selectedFolder(), runs[0]);  // as after every press
}

TEST(IsDeletableRunFolder, OnlyPlainNamesWithinThePathLimits) {
  const std::string root = "/home/tavo/CCTV_Image/";
  EXPECT_TRUE(IsDeletableRunFolder(root, "14h00m00s_01-17-03"));
  for (const std::string& name : {std::string(""), std::string("."), std::string(".."),
                                  std::string("../x"), std::string("a\0b", 3)}) {
    EXPECT_FALSE(IsDeletableRunFolder(root, name)) << name;
  }
  EXPECT_FALSE(IsDeletableRunFolder("/" + std::string(kMaxPathBytes - 10, 'd') + "/", "run"));
}

TEST(PanelSlide, OpensInTwentySevenStepsToTheEdgeAndClosesBehindItWithOneReport) {
  PanelSlide slide;
  EXPECT_EQ(slide.Tick(500, 40).action, PanelSlide::Action::kIdle);
  for (bool closing : {false, true}) {
    slide.Start();
    EXPECT_EQ(slide.closing(), closing);
    std::vector<int> xs;
    int closed = 0;
    for (PanelSlide::Step step = slide.Tick(500, 40); step.action != PanelSlide::Action::kIdle;
         step = slide.Tick(500, 40)) {
      EXPECT_EQ(step.last, !slide.running());
      if (step.action == PanelSlide::Action::kClosed) {
        ++closed;
      } else {
        xs.push_back(step.x);
        EXPECT_EQ(step.y, 40);
      }
    }
    ASSERT_EQ(xs.size(), closing ? 26u : 27u);
    for (int n = 1; n <= 26; ++n) EXPECT_EQ(xs[n - 1], closing ? 500 - 6 * n : 335 + 6 * n);
    EXPECT_EQ(closed, closing ? 1 : 0);
    EXPECT_EQ(xs.back(), closing ? 500 - 156 : 500);
  }
  // A start midway turns back from the edge.
  slide.Start();
  slide.Tick(500, 40);
  slide.Start();
  EXPECT_EQ(slide.Tick(600, 90).x, 594);
}

}  // namespace
}  // namespace tavo::cctv
