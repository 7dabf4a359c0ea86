// TavoPreview's control bar on the simulated platform with the generated skins: the skin files,
// the hit rectangles of the large and small buttons, the faces of its states, the tooltips, keys,
// the preview window it owns and the events it takes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QTest>
#include <filesystem>

#include "capturegraph.h"
#include "jpegfile.h"
#include "media/simulatedplatform.h"
#include "mediaruntime.h"
#include "preview_bar_rig.h"
#include "previewmainwindow.h"
#include "previewstrings.h"
#include "savefiledialog.h"
#include "scratch_folder.h"
#include "shell.h"
#include "sim_camera.h"
#include "skinfolder.h"

namespace tavo::preview {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The bar alone, opened as the program opens it.
class BarRig : public tavo::testing::PreviewBarRig {
 public:
  explicit BarRig(Language language = Language::English)
      : PreviewBarRig("tavo-bar-XXXXXX", language) {}
  PreviewMainWindow& Open(std::uint32_t runtime = kMediaRuntimeComplete) {
    return MakeBar(runtime);
  }
};

using tavo::testing::Region;

bool Shows(QWidget& window, QPoint at, const QImage& face) {
  return !face.isNull() &&
         Region(window, QRect(at, face.size())) == face.convertToFormat(QImage::Format_RGB32);
}

TEST(PreviewBarFace, LoadsTheEighteenFilesOfEachLanguageInOrder) {
  for (const char* language : {"Korean", "English", "Japanese"}) {
    const BarPictures skin = LoadBarPictures(TAVO_PROGRAM_DIR, language);
    ASSERT_TRUE(skin.complete()) << language << " stopped after " << skin.loaded;
    EXPECT_EQ(skin.Face(kMainBg).size(), QSize(332, 63));
    EXPECT_EQ(skin.Face(kStopUp).size(), QSize(36, 36));
    EXPECT_EQ(skin.Face(kSnapshotFocus).size(), QSize(30, 30));
    EXPECT_EQ(skin.Face(kHelpDown).size(), QSize(11, 11));
  }
  EXPECT_EQ(SkinPath("/p", "Japanese", kBarSkinFolder, BarSkinFiles()[4]),
            "/p/Image_Jpn/Main/PrevidwPlay_Down.bmp");
  EXPECT_EQ(SkinPath("/p", "Chinese", kBarSkinFolder, BarSkinFiles()[0]),
            "/p/Image_Eng/Main/main_bg.bmp");
}

TEST(PreviewBarFace, AMissingFileStopsTheLoadWithOneMessageAndTheBarStillShows) {
  BarRig rig;
  fs::remove(rig.folder.path() / "Image_Eng" / "Main" / "Config_up.bmp");
  PreviewMainWindow& window = rig.Open();
  EXPECT_TRUE(rig.started);
  EXPECT_EQ(window.skin().loaded, kConfigUp);
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.strings.Text(kMsgImageLoad)));
  EXPECT_FALSE(window.background().isNull());
  EXPECT_EQ(window.windowTitle(), "TavoPreview 2.0");
  EXPECT_EQ(window.size(), QSize(332, 63));
}

TEST(PreviewBarFace, LargeButtonsLeaveOutTheirTopRowSmallOnesDoNot) {
  BarRig rig;
  PreviewMainWindow& window = rig.Open();
  const struct {
    QPoint point;
    int button;
  } cases[] = {
      {{105, 10}, 0},
      {{105, 11}, kButtonSnapshot},
      {{133, 40}, kButtonSnapshot},
      {{134, 40}, 0},
      {{133, 41}, 0},
      {{150, 10}, 0},
      {{150, 11}, kButtonPreview},
      {{180, 42}, kButtonPreview},
      {{181, 30}, 0},
      {{202, 10}, 0},
      {{230, 40}, kButtonConfig},
      {{272, 6}, kButtonHelp},
      {{282, 16}, kButtonHelp},
      {{282, 17}, 0},
      {{287, 6}, kButtonPin},
      {{298, 16}, kButtonPin},
      {{302, 6}, kButtonMinimise},
      {{313, 10}, 0},
      {{317, 6}, kButtonExit},
      {{327, 16}, kButtonExit},
      {{328, 16}, 0},
      {{60, 30}, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(window.buttons().ButtonAt(c.point), c.button) << c.point.x() << ", " << c.point.y();
  }
}

TEST(PreviewBarFace, ThePreviewAndPinButtonsShowTheirState) {
  BarRig rig;
  PreviewMainWindow& window = rig.Open();
  ASSERT_TRUE(rig.started);
  window.show();
  const BarPictures& skin = window.skin();
  EXPECT_TRUE(Shows(window, {148, 8}, skin.Face(kStopUp)));
  EXPECT_TRUE(Shows(window, {287, 6}, skin.Face(kPinOffUp)));
  QTest::mouseMove(&window, QPoint(165, 25));
  EXPECT_EQ(window.buttons().ShownFace(kButtonPreview), PaintedButtons::Face::Hover);
  EXPECT_TRUE(Shows(window, {148, 8}, skin.Face(kStopFocus)));
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(165, 25));  // stops the preview
  EXPECT_FALSE(window.controller().previewBuilt());
  EXPECT_EQ(window.previewWindow(), nullptr);
  QTest::mouseMove(&window, QPoint(165, 26));
  EXPECT_TRUE(Shows(window, {148, 8}, skin.Face(kPlayFocus)));
  QTest::mouseMove(&window, QPoint(60, 30));  // off every button: the rest face returns
  EXPECT_TRUE(Shows(window, {148, 8}, skin.Face(kPlayUp)));
  // The snapshot button's hover face; the small buttons have none.
  QTest::mouseMove(&window, QPoint(120, 25));
  EXPECT_TRUE(Shows(window, {103, 9}, skin.Face(kSnapshotFocus)));
  QTest::mouseMove(&window, QPoint(292, 10));
  EXPECT_EQ(window.buttons().ShownFace(kButtonPin), PaintedButtons::Face::Normal);
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(292, 10));
  EXPECT_TRUE(window.topmost());
  QTest::mouseMove(&window, QPoint(60, 30));
  EXPECT_TRUE(Shows(window, {287, 6}, skin.Face(kPinOnUp)));
}

TEST(PreviewBarFace, TooltipsCoverTheirRectangles) {
  BarRig rig(Language::Korean);
  PreviewMainWindow& window = rig.Open();
  EXPECT_EQ(window.TooltipAt({105, 11}).toStdString(), rig.strings.Text(3002));
  EXPECT_EQ(window.TooltipAt({132, 39}).toStdString(), rig.strings.Text(3002));
  EXPECT_TRUE(window.TooltipAt({133, 40}).isEmpty());
  EXPECT_EQ(window.TooltipAt({179, 41}).toStdString(), rig.strings.Text(3003));
  EXPECT_EQ(window.TooltipAt({202, 11}).toStdString(), rig.strings.Text(3004));
  EXPECT_EQ(window.TooltipAt({290, 8}).toStdString(), rig.strings.Text(3005));
  EXPECT_TRUE(window.TooltipAt({290, 12}).isEmpty());
  EXPECT_TRUE(window.TooltipAt({60, 30}).isEmpty());
  EXPECT_EQ(rig.strings.Text(3003), "미리보기/정지");
}

TEST(PreviewBar, EnterAndEscapeDoNotCloseItAndF1OpensHelp) {
  BarRig rig;
  PreviewMainWindow& window = rig.Open();
  window.show();
  for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    QTest::keyClick(&window, static_cast<Qt::Key>(key));
    EXPECT_TRUE(window.isVisible()) << key;
  }
  EXPECT_FALSE(window.ended());
  QTest::keyClick(&window, Qt::Key_F1);
  EXPECT_THAT(rig.shell.opened,
              ElementsAre(rig.folder.path().string() + "/TavoPreviewHelp_Eng.html"));
}

TEST(PreviewBar, OwnsThePreviewWindowItsVideoControlAndItsSizes) {
  BarRig rig;
  PreviewMainWindow& window = rig.Open();
  window.show();
  PreviewWindow* preview = window.previewWindow();
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(window.VideoOwner(), preview->videoControl());
  EXPECT_TRUE(preview->videoControl()->isVisible());
  EXPECT_EQ(preview->size(), QSize(332, 276));
  // Docked: its bottom on the bar's top.
  EXPECT_EQ(preview->frameGeometry().bottom() + 1, window.frameGeometry().top());
  EXPECT_EQ(preview->videoControl()->geometry(), QRect(6, 20, 320, 240));

  window.controller().ChooseResolution(0);
  preview = window.previewWindow();
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->size(), QSize(664, 516));
  EXPECT_EQ(preview->videoControl()->geometry(), QRect(12, 20, 640, 480));
  // The bar does not cover the picture.
  EXPECT_FALSE(window.frameGeometry().intersects(preview->frameGeometry()));
}

TEST(PreviewBar, PostedEventsReachTheController) {
  BarRig rig;
  PreviewMainWindow& window = rig.Open();
  QCoreApplication::postEvent(&window, new QEvent(static_cast<QEvent::Type>(WM_CAMERA_BUTTON)));
  QCoreApplication::sendPostedEvents(&window);
  EXPECT_TRUE(window.controller().snapshotDialogOpen());
  EXPECT_TRUE(window.dialogOpen(Satellite::kSnapshot));
  window.controller().OnButton(kButtonConfig);
  QCoreApplication::postEvent(&window,
                              new QEvent(static_cast<QEvent::Type>(WM_CONFIG_DIALOG_CLOSED)));
  QCoreApplication::postEvent(&window,
                              new QEvent(static_cast<QEvent::Type>(WM_SNAPSHOT_DIALOG_CLOSED)));
  QCoreApplication::sendPostedEvents(&window);
  EXPECT_FALSE(window.controller().configDialogOpen());
  EXPECT_FALSE(window.controller().snapshotDialogOpen());
  EXPECT_THAT(rig.Messages(), IsEmpty());
}

TEST(PreviewBar, TheExitButtonEndsTheProgramAndTakesTheSnapshotsAlong) {
  BarRig rig;
  PreviewMainWindow& window = rig.Open();
  window.show();
  window.controller().OnCameraButton();
  window.controller().OnCameraButton();
  std::vector<std::uint8_t> pixels(320 * 240 * 3, 120);
  rig.platform.DeliverSample({pixels.data(), 960, 240, 960, false});
  QCoreApplication::sendPostedEvents(&window);
  const fs::path snapshot = rig.folder.path() / "Temp" / "SnapShot1.jpg";
  ASSERT_TRUE(fs::exists(snapshot));
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(322, 10));
  EXPECT_TRUE(window.ended());
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(rig.graph.built());
  EXPECT_FALSE(fs::exists(snapshot));
}

TEST(PreviewBar, WithoutACameraItEnds) {
  BarRig rig;
  rig.platform.devices.clear();
  PreviewMainWindow& window = rig.Open();
  EXPECT_FALSE(rig.started);
  EXPECT_EQ(window.previewWindow(), nullptr);
}

}  // namespace
}  // namespace tavo::preview
