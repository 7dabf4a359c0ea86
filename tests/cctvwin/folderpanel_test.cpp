// The folder panel with the generated skins, headless: its face in each language, the tree, the
// delete button, and the slide beside an owner window.
#include "folderpanel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "mail_test_folder.h"
#include "skinbitmap.h"
#include "skinfolder.h"

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;

const char* const kPanelFiles[] = {"/Bg/JpgViewer_bg.bmp", "/JgpViewer/Delete_Forder_Down.bmp",
                                   "/JgpViewer/Delete_Forder_Foc.bmp"};

// The main window's stand-in; counts the panel's report.
class Owner final : public QWidget {
 public:
  Owner() {
    setWindowFlag(Qt::FramelessWindowHint);  // as the main window
    setGeometry(100, 50, 332, 424);
  }
  bool event(QEvent* e) override {
    if (static_cast<int>(e->type()) != WM_VIEWER_CLOSED) return QWidget::event(e);
    ++closedReports;
    return true;
  }
  int closedReports = 0;
};

struct PanelRig {
  explicit PanelRig(const std::string& language = "English", bool skins = true)
      : language(language) {
    // Links to the staged skins; the folder's removal takes the links, not what they point to.
    for (const char* skin : {"Image", "Image_Eng", "Image_Jpn"}) {
      if (skins)
        fs::create_directory_symlink(fs::path(TAVO_PROGRAM_DIR) / skin, folder.path() / skin);
    }
    fs::create_directories(root());
  }
  FolderPanel& Open() {
    panel = std::make_unique<FolderPanel>(&owner, folder.path().string(), language, shell,
                                          [this](const std::string& name) {
                                            shown.push_back(name);
                                            if (onShow) onShow(name);
                                          });
    return *panel;
  }
  fs::path root() const { return folder.path() / "CCTV_Image"; }
  QImage Skin(const char* file) const {
    QImage image;
    LoadSkinBitmap(SkinPath(folder.path().string(), language, "", file), image);
    return image.convertToFormat(QImage::Format_RGB32);
  }

  testing::MailTestFolder folder;
  std::string language;
  Owner owner;
  RecordingShell shell;
  std::vector<std::string> shown;
  std::function<void(const std::string&)> onShow;  // the viewer's reaction
  std::unique_ptr<FolderPanel> panel;
};

QColor PixelAt(QWidget& widget, QPoint at) {
  return widget.grab(QRect(at, QSize(1, 1))).toImage().pixelColor(0, 0);
}

TEST(FolderPanel, BuildsItsFaceTreeAndCaptionsInEachLanguage) {
  for (const char* language : {"Korean", "English", "Japanese"}) {
    SCOPED_TRACE(language);
    PanelRig rig(language);
    FolderPanel& panel = rig.Open();
    EXPECT_EQ(panel.picturesLoaded(), 3);
    EXPECT_EQ(panel.size(), QSize(165, 415));
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::Tool));
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(rig.shown, std::vector<std::string>{""});

    const QColor treeBack = rig.Skin(kPanelFiles[0]).pixelColor(50, 310);
    EXPECT_EQ(panel.tree()->geometry(), QRect(6, 22, 152, 238));
    EXPECT_EQ(PixelAt(panel, {100, 250}), treeBack);
    EXPECT_EQ(panel.tree()->palette().color(QPalette::Text), QColor(Qt::white));
    EXPECT_EQ(panel.dateCaption()->geometry(), QRect(70, 364, 80, 14));
    EXPECT_EQ(panel.timeCaption()->geometry(), QRect(70, 379, 80, 14));
    EXPECT_EQ(panel.timeCaption()->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(PixelAt(panel, {148, 392}), QColor(82, 82, 82));
    EXPECT_EQ(panel.treeFont().family(), std::string(language) == "Korean"     ? "NanumGothic"
                                         : std::string(language) == "Japanese" ? "IPAPGothic"
                                                                               : "Liberation Sans");
  }
}

TEST(FolderPanel, WithoutItsPicturesThePanelStillBuilds) {
  PanelRig rig("English", false);
  FolderPanel& panel = rig.Open();
  EXPECT_EQ(panel.picturesLoaded(), 0);
  EXPECT_NE(panel.tree()->palette().color(QPalette::Base), QColor(42, 41, 41));
  EXPECT_EQ(PixelAt(panel, {2, 300}), QColor(42, 41, 41));  // a plain face, not garbage
}

TEST(FolderPanel, TheTreeShowsTheRunsAndItsSelectionOpensOne) {
  PanelRig rig;
  for (const char* run : {"00h05m00s_01-18-03", "23h55m00s_01-17-03", "03-01-18_00h01m00s"})
    fs::create_directory(rig.root() / run);
  FolderPanel& panel = rig.Open();
  panel.show();
  panel.FillFolderTree();
  QTreeWidget* tree = panel.tree();
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "23h55m00s_01-17-03");
  EXPECT_TRUE(tree->selectedItems().isEmpty());

  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                    tree->visualItemRect(tree->topLevelItem(1)).center());
  EXPECT_EQ(rig.shown.back(), "03-01-18_00h01m00s");
  // A click below the items leaves the chosen run marked, as the delete button acts on it.
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(60, 200));
  EXPECT_TRUE(tree->topLevelItem(1)->isSelected());
  EXPECT_EQ(rig.shown.size(), 2u);

  // The viewer finds a run gone and refills the tree from inside the selection.
  rig.onShow = [&](const std::string& name) {
    fs::remove_all(rig.root() / name);
    panel.FillFolderTree();
  };
  tree->setCurrentItem(tree->topLevelItem(2));
  QApplication::processEvents();
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_EQ(tree->topLevelItem(1)->text(0), "03-01-18_00h01m00s");
  EXPECT_TRUE(tree->selectedItems().isEmpty());
}

TEST(FolderPanel, TheDeleteButtonShowsItsFacesAndDeletesTheChosenRun) {
  PanelRig rig;
  for (const char* run : {"14h00m00s_01-17-03", "15h00m00s_01-17-03"})
    fs::create_directory(rig.root() / run);
  FolderPanel& panel = rig.Open();
  panel.show();
  panel.FillFolderTree();
  panel.tree()->setCurrentItem(panel.tree()->topLevelItem(1));

  const QRect face(116, 292, 36, 38);
  const QImage normal = panel.grab(face).toImage();
  QTest::mouseMove(&panel, QPoint(130, 310));
  EXPECT_EQ(panel.grab(face).toImage().convertToFormat(QImage::Format_RGB32),
            rig.Skin(kPanelFiles[2]));
  QTest::mousePress(&panel, Qt::LeftButton, {}, QPoint(130, 310));
  EXPECT_EQ(panel.grab(face).toImage().convertToFormat(QImage::Format_RGB32),
            rig.Skin(kPanelFiles[1]));
  EXPECT_TRUE(rig.shell.deleted.empty());
  QTest::mouseRelease(&panel, Qt::LeftButton, {}, QPoint(130, 310));
  EXPECT_EQ(rig.shell.deleted,
            std::vector<std::string>{rig.root().string() + "/15h00m00s_01-17-03"});
  ASSERT_EQ(panel.tree()->topLevelItemCount(), 1);
  EXPECT_TRUE(panel.tree()->topLevelItem(0)->isSelected());
  EXPECT_EQ(rig.shown.back(), "14h00m00s_01-17-03");
  QTest::mouseMove(&panel, QPoint(20, 300));
  EXPECT_EQ(panel.grab(face).toImage(), normal);
}

TEST(FolderPanel, DeleteActsOnlyOnARunMarkedInView) {
  PanelRig rig;
  for (int hour = 0; hour < 24; ++hour) {
    char name[32];
    std::snprintf(name, sizeof name, "%02dh00m00s_01-17-03", hour);
    fs::create_directory(rig.root() / name);
  }
  FolderPanel& panel = rig.Open();
  panel.FillFolderTree();
  QTreeWidget* tree = panel.tree();
  tree->setCurrentItem(tree->topLevelItem(0));
  ASSERT_EQ(panel.model().selectedIndex(), 0);
  const QPoint button(130, 310);

  // The panel not out: nothing is deleted.
  EXPECT_FALSE(panel.ChoiceShown());
  panel.show();
  ASSERT_TRUE(panel.ChoiceShown());

  // Scrolled out of view: the first press brings the run into view, the second deletes it.
  tree->scrollToBottom();
  QApplication::processEvents();
  EXPECT_FALSE(panel.ChoiceShown());
  QTest::mouseClick(&panel, Qt::LeftButton, {}, button);
  EXPECT_TRUE(rig.shell.deleted.empty());
  EXPECT_TRUE(panel.ChoiceShown());
  QTest::mouseClick(&panel, Qt::LeftButton, {}, button);
  EXPECT_EQ(rig.shell.deleted,
            std::vector<std::string>{rig.root().string() + "/00h00m00s_01-17-03"});

  // While the panel slides: nothing is deleted.
  rig.shell.deleted.clear();
  ASSERT_TRUE(panel.ChoiceShown());
  panel.StartSlide();
  QTest::mouseClick(&panel, Qt::LeftButton, {}, button);
  EXPECT_TRUE(rig.shell.deleted.empty());
}

TEST(FolderPanel, ARefillIsDrawnWithoutWaitingForAnExpose) {
  PanelRig rig;
  fs::create_directory(rig.root() / "10h00m00s_01-17-03");
  FolderPanel& panel = rig.Open();
  panel.show();
  panel.FillFolderTree();
  QApplication::processEvents();
  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      paints += e->type() == QEvent::Paint;
      return false;
    }
  } counter;
  panel.tree()->viewport()->installEventFilter(&counter);
  fs::create_directory(rig.root() / "11h00m00s_01-17-03");
  panel.FillFolderTree();
  QApplication::processEvents();
  EXPECT_GT(counter.paints, 0);
  EXPECT_EQ(panel.tree()->topLevelItemCount(), 2);
}

TEST(FolderPanel, SlidesOutOfTheOwnersEdgeFollowsItAndReportsItsClosingOnce) {
  PanelRig rig;
  rig.owner.show();
  FolderPanel& panel = rig.Open();
  panel.StartSlide();
  panel.SlideTickForTest();
  EXPECT_TRUE(panel.isVisible());
  EXPECT_EQ(panel.pos(), QPoint(432 - 159, 50));
  EXPECT_EQ(panel.mask().boundingRect(), QRect(159, 0, 6, 415));  // only what is past the edge
  ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.sliding(); }, 3000));
  EXPECT_EQ(panel.pos(), QPoint(432, 50));
  EXPECT_TRUE(panel.mask().isEmpty());

  rig.owner.move(200, 80);
  panel.Follow();
  EXPECT_EQ(panel.pos(), QPoint(532, 80));
  rig.owner.showMinimized();
  rig.owner.move(10, 10);
  panel.Follow();
  EXPECT_EQ(panel.pos(), QPoint(532, 80));
  rig.owner.showNormal();
  rig.owner.move(200, 80);

  panel.StartSlide();
  panel.SlideTickForTest();
  EXPECT_EQ(panel.pos(), QPoint(532 - 6, 80));
  panel.Follow();  // shutting: the slide has the panel
  EXPECT_EQ(panel.pos(), QPoint(532 - 6, 80));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.sliding(); }, 3000));
  EXPECT_FALSE(panel.isVisible());
  QTest::qWait(30);
  EXPECT_EQ(rig.owner.closedReports, 1);
}

}  // namespace
}  // namespace tavo::cctv
