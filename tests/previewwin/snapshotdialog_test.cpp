// The snapshot dialog and its viewer in the real control bar on the simulated camera, with the
// generated skins, headless: opening takes a snapshot, presses in their order, the slider, keys,
// the painted label, thumb and thumbnails, closing, docking, and the viewer's layouts and buttons.
#include "snapshotdialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
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
#include "skinbitmap.h"
#include "skinfolder.h"

namespace tavo::preview {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Snapshot n's colour: red and blue far apart, so a colour thumbnail is told from a grey one.
QColor ColourOf(int n) { return QColor(200, 40 + 10 * n, 30); }

class DialogRig : public tavo::testing::PreviewBarRig {
 public:
  explicit DialogRig(Language language = Language::English)
      : PreviewBarRig("tavo-snapdlg-XXXXXX", language) {}

  PreviewMainWindow& Start() {
    MakeBar();
    EXPECT_TRUE(started);
    bar->show();
    return *bar;
  }

  // The bar's snapshot button: the dialog opens and asks for a frame, which arrives as `colour`.
  SnapshotDialog& Open(QColor colour = ColourOf(1)) {
    if (bar == nullptr) Start();
    bar->controller().OnButton(kButtonSnapshot);
    SnapshotDialog* dialog = bar->snapshotDialog();
    EXPECT_NE(dialog, nullptr);
    Deliver(colour);
    return *dialog;
  }
  // The camera hands over its next frame, of one colour, in the size of the resolution in use.
  void Deliver(QColor colour) {
    const FrameSize size = FrameSizeOf(bar->controller().resolutionIndex());
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(size.width) * size.height * 3);
    for (std::size_t i = 0; i < bgr.size(); i += 3) {
      bgr[i] = static_cast<std::uint8_t>(colour.blue());
      bgr[i + 1] = static_cast<std::uint8_t>(colour.green());
      bgr[i + 2] = static_cast<std::uint8_t>(colour.red());
    }
    const std::size_t row = static_cast<std::size_t>(size.width) * 3;
    platform.DeliverSample({bgr.data(), row, static_cast<std::size_t>(size.height), row, false});
    QCoreApplication::sendPostedEvents();
  }
  void Snap(int count) {
    for (int i = 0; i < count; ++i) {
      ASSERT_TRUE(bar->controller().TakeSnapshot());
      Deliver(ColourOf(static_cast<int>(store().lastNumber()) + 1));
    }
  }
  SnapshotStore& store() { return bar->controller().store(); }

  QImage Skin(const char* file) const {
    QImage image;
    LoadSkinBitmap(SkinPath(folder.path().string(), "English", kSnapshotDialogFolder, file), image);
    return image.convertToFormat(QImage::Format_RGB32);
  }
};

void Press(QWidget& w, QPoint at, QEvent::Type type = QEvent::MouseButtonPress) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, w.mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(&w, &event);
}
void Click(QWidget& w, QPoint at) {
  Press(w, at);
  Press(w, at, QEvent::MouseButtonRelease);
}
void DoubleClick(QWidget& w, QPoint at) {
  Click(w, at);
  Press(w, at, QEvent::MouseButtonDblClick);
  Press(w, at, QEvent::MouseButtonRelease);
}

QImage Shot(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

bool IsGrey(QRgb p) { return qRed(p) == qGreen(p) && qGreen(p) == qBlue(p); }

TEST(SnapshotDialog, OpensUnderTheBarTakesASnapshotAndClosesThroughTheBar) {
  DialogRig rig;
  PreviewMainWindow& bar = rig.Start();
  rig.Open();
  SnapshotDialog* dialog = bar.snapshotDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->skinLoaded());
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->geometry(),
            QRect(bar.frameGeometry().bottomLeft() + QPoint(0, 1), QSize(332, 114)));
  EXPECT_EQ(bar.docking().state(Satellite::kSnapshot).dock, DockState::kUnderBar);
  EXPECT_THAT(rig.store().numbers(), ElementsAre(1));
  EXPECT_EQ(dialog->positionLabel()->text(), "1 / 1");
  EXPECT_FLOAT_EQ(dialog->model().thumbX(), 191.0f);
  EXPECT_THAT(rig.Messages(), IsEmpty());

  // Docked, it goes with the bar.
  bar.move(bar.pos() + QPoint(20, 30));
  EXPECT_EQ(dialog->pos(), bar.frameGeometry().bottomLeft() + QPoint(0, 1));

  // Close: the bar is told, deletes the dialog and counts it closed; the store stays.
  Click(*dialog, {322, 10});
  EXPECT_NE(bar.snapshotDialog(), nullptr);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(bar.snapshotDialog(), nullptr);
  EXPECT_FALSE(bar.controller().snapshotDialogOpen());
  EXPECT_FALSE(bar.docking().state(Satellite::kSnapshot).open);
  // Opening again shows the same snapshots and takes one more.
  SnapshotDialog& again = rig.Open(ColourOf(2));
  EXPECT_THAT(rig.store().numbers(), ElementsAre(1, 2));
  EXPECT_EQ(again.positionLabel()->text(), "2 / 2");
}

TEST(SnapshotDialog, AMissingSkinFileIsToldOnceAndTheDialogStillOpens) {
  DialogRig rig;
  fs::remove(rig.folder.path() / "Image_Eng" / "SnapShotDlg" / "but_del_foc.bmp");
  fs::remove(rig.folder.path() / "Image_Eng" / "SnapShotDlg" / "SliderThumb.bmp");
  SnapshotDialog& dialog = rig.Open();
  EXPECT_FALSE(dialog.skinLoaded());
  EXPECT_THAT(rig.Messages(), ElementsAre("Bitmap reading failure"));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_THAT(rig.store().numbers(), ElementsAre(1));
}

TEST(SnapshotDialog, PaintsTheLabelTheThumbAndTheSelectedThumbnailInColour) {
  DialogRig rig;
  SnapshotDialog& dialog = rig.Open();
  rig.Snap(2);
  rig.store().Select(2);
  QCoreApplication::processEvents();
  const QImage shot = Shot(dialog);

  // The label: white text on its dark ground, centred in 122,100 63 x 12.
  const QRect label(122, 100, 63, 12);
  int white = 0;
  int ground = 0;
  for (int y = label.top(); y <= label.bottom(); ++y) {
    for (int x = label.left(); x <= label.right(); ++x) {
      const QRgb p = shot.pixel(x, y);
      if (p == qRgb(42, 41, 41)) ++ground;
      if (qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200) ++white;
    }
  }
  EXPECT_EQ(dialog.positionLabel()->text(), "2 / 3");
  EXPECT_GT(white, 5);
  EXPECT_GT(ground, label.width() * label.height() / 2);
  EXPECT_EQ(shot.pixel(label.left(), label.top()), qRgb(42, 41, 41));
  EXPECT_EQ(shot.pixel(label.right(), label.bottom()), qRgb(42, 41, 41));

  // The thumb at its truncated left edge over the track.
  const QImage thumb = rig.Skin(kSliderThumbFile);
  const int left = ThumbLeft(dialog.model().thumbX());
  EXPECT_EQ(shot.copy(QRect(QPoint(left, 85), thumb.size())), thumb);

  // Three thumbnails: the second in colour, the others grey; the fourth the grey placeholder.
  const auto slot = [&](int k) { return shot.pixel(6 + 80 * k + 40, 20 + 30); };
  EXPECT_TRUE(IsGrey(slot(0)));
  EXPECT_FALSE(IsGrey(slot(1)));
  EXPECT_GT(qRed(slot(1)), qBlue(slot(1)) + 100);
  EXPECT_TRUE(IsGrey(slot(2)));
  EXPECT_EQ(shot.pixel(6 + 240 + 2, 20 + 2), qRgb(82, 82, 82));
}

TEST(SnapshotDialog, PressesHitTheSliderFirstThenButtonsThenThumbnails) {
  DialogRig rig;
  SnapshotDialog& dialog = rig.Open();
  rig.Snap(3);
  ASSERT_EQ(rig.store().selectedNumber(), 4u);
  // On the foot of the first thumbnail, within the slider's rows: the thumb moves, nothing is
  // selected.
  Click(dialog, {60, 75});
  EXPECT_EQ(rig.store().selectedNumber(), 4u);
  EXPECT_FLOAT_EQ(dialog.model().thumbX(), kThumbMin);
  // Higher up the thumbnail selects.
  Click(dialog, {60, 40});
  EXPECT_EQ(rig.store().selectedNumber(), 1u);
  EXPECT_EQ(dialog.positionLabel()->text(), "1 / 4");
  // The gap between two slots selects nothing.
  Click(dialog, {86, 40});
  EXPECT_EQ(rig.store().selectedNumber(), 1u);
  // Hover and pressed faces of a button.
  QTest::mouseMove(&dialog, {60, 105});
  EXPECT_EQ(dialog.buttons().ShownFace(kSnapTake), PaintedButtons::Face::Hover);
  QCoreApplication::processEvents();
  EXPECT_EQ(Shot(dialog).copy(QRect(49, 100, 69, 12)), rig.Skin("/but_snap_foc.bmp"));
  Press(dialog, {60, 105});
  EXPECT_EQ(dialog.buttons().ShownFace(kSnapTake), PaintedButtons::Face::Pressed);
  EXPECT_EQ(Shot(dialog).copy(QRect(49, 100, 69, 12)), rig.Skin("/but_snap_down.bmp"));
  Press(dialog, {60, 105}, QEvent::MouseButtonRelease);
  EXPECT_EQ(dialog.buttons().ShownFace(kSnapTake), PaintedButtons::Face::Normal);
  rig.Deliver(ColourOf(5));
  EXPECT_THAT(rig.store().numbers(), ElementsAre(1, 2, 3, 4, 5));
}

TEST(SnapshotDialog, NineSnapshotsDraggedToX166EndTheStripAtTheSeventh) {
  DialogRig rig;
  SnapshotDialog& dialog = rig.Open();
  rig.Snap(8);
  // Held down on the slider and moved: the strip follows at every step.
  Press(dialog, {250, 90});
  QMouseEvent move(QEvent::MouseMove, QPointF(166, 90), dialog.mapToGlobal(QPointF(166, 90)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&dialog, &move);
  EXPECT_EQ(rig.store().stripEnd(), 7u);
  EXPECT_FLOAT_EQ(dialog.model().thumbX(), 189.6f);
  Press(dialog, {166, 90}, QEvent::MouseButtonRelease);
  EXPECT_EQ(rig.store().stripEnd(), 7u);
  EXPECT_FLOAT_EQ(dialog.model().thumbX(), 189.6f);
  QCoreApplication::processEvents();
  EXPECT_EQ(Shot(dialog).copy(QRect(164, 85, 50, 12)), rig.Skin(kSliderThumbFile));
}

TEST(SnapshotDialog, TheRightArrowScrollsLikeTheRightButtonAndEscapeDoesNotClose) {
  DialogRig rig;
  SnapshotDialog& dialog = rig.Open();
  rig.Snap(7);
  for (const bool byKey : {false, true}) {
    SCOPED_TRACE(byKey);
    dialog.model().SetThumbX(0);
    Press(dialog, {150, 90}, QEvent::MouseButtonRelease);  // applied: the strip ends at the 4th
    ASSERT_EQ(rig.store().stripEnd(), 4u);
    if (byKey) {
      // The pointer over the strip does not keep the keys from the dialog.
      QTest::mouseMove(&dialog, {120, 40});
      QTest::keyClick(&dialog, Qt::Key_Right);
    } else {
      Click(dialog, {318, 90});
    }
    EXPECT_EQ(rig.store().stripEnd(), 5u);
    EXPECT_FLOAT_EQ(dialog.model().thumbX(), 45.0f + 241.0f / 4.0f);
  }
  QTest::keyClick(&dialog, Qt::Key_Left);
  EXPECT_EQ(rig.store().stripEnd(), 4u);
  for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
    QTest::keyClick(&dialog, key);
  }
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(rig.bar->snapshotDialog(), &dialog);
  EXPECT_TRUE(dialog.isVisible());
}

TEST(SnapshotDialog, WithNoSnapshotsClicksSelectNothingAndSaveAsksNothing) {
  DialogRig rig;
  SnapshotDialog& dialog = rig.Open();
  Click(dialog, {260, 105});  // Delete
  EXPECT_EQ(dialog.positionLabel()->text(), "0 / 0");
  EXPECT_THAT(rig.Messages(), IsEmpty());
  Click(dialog, {30, 40});
  DoubleClick(dialog, {30, 40});
  Click(dialog, {200, 105});  // Save
  EXPECT_THAT(rig.saveDialog.requests, IsEmpty());
  EXPECT_EQ(dialog.viewer(), nullptr);
  EXPECT_EQ(rig.store().selectedNumber(), 0u);
  // Delete with nothing left says so.
  Click(dialog, {260, 105});
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.strings.Text(kMsgDeleteNothing)));
}

TEST(SnapshotDialog, SnapWithoutAPreviewFailsAndStillScrollsRight) {
  DialogRig rig;
  SnapshotDialog& dialog = rig.Open();
  rig.Snap(1);
  rig.bar->controller().OnButton(kButtonPreview);  // the preview stops
  ASSERT_FALSE(rig.bar->controller().previewBuilt());
  dialog.model().SetThumbX(100);
  Click(dialog, {80, 105});
  // The capture graph's own word, if it has one, comes first.
  ASSERT_FALSE(rig.Messages().empty());
  EXPECT_EQ(rig.Messages().back(), rig.strings.Text(kMsgSnapshotFailure));
  EXPECT_FLOAT_EQ(dialog.model().thumbX(), kThumbMax);  // two snapshots: to the right end
}

TEST(SnapshotDialog, DocksUnderTheBarThePreviewWindowAndTheConfigurationDialog) {
  DialogRig rig;
  PreviewMainWindow& bar = rig.Start();
  SnapshotDialog& dialog = rig.Open();
  const QRect b = bar.frameGeometry();
  PreviewDocking& docking = bar.docking();
  // Far away: free.
  dialog.move(b.topLeft() + QPoint(500, 400));
  EXPECT_EQ(docking.state(Satellite::kSnapshot).dock, DockState::kFree);
  EXPECT_EQ(dialog.pos(), b.topLeft() + QPoint(500, 400));
  // Near the bar's foot: under the bar, its left pulled onto the bar's.
  dialog.move(b.left() + 10, b.bottom() + 1 + 12);
  EXPECT_EQ(docking.state(Satellite::kSnapshot).dock, DockState::kUnderBar);
  EXPECT_EQ(dialog.pos(), QPoint(b.left(), b.bottom() + 1));
  // A configuration dialog lies where the later test finds it: it wins over the bar.
  docking.Opened(Satellite::kConfig, QRect(b.left() + 5, b.bottom() + 1 - 115 + 10, 332, 115),
                 DockState::kFree);
  dialog.move(b.left() + 20, b.bottom() + 1 + 4);
  EXPECT_EQ(docking.state(Satellite::kSnapshot).dock, DockState::kUnderDialog);
  EXPECT_EQ(dialog.pos(), QPoint(b.left() + 20, b.bottom() + 1 + 10));
  docking.Closed(Satellite::kConfig);
  // Under the preview window once that one is free.
  PreviewWindow* preview = bar.previewWindow();
  ASSERT_NE(preview, nullptr);
  preview->move(b.topLeft() + QPoint(400, 300));
  ASSERT_EQ(docking.state(Satellite::kPreview).dock, DockState::kFree);
  const QRect p = preview->frameGeometry();
  dialog.move(p.left() - 7, p.bottom() + 1 - 3);
  EXPECT_EQ(docking.state(Satellite::kSnapshot).dock, DockState::kUnderPreview);
  EXPECT_EQ(dialog.pos(), QPoint(p.left(), p.bottom() + 1));
}

class ViewerTest : public ::testing::Test {
 protected:
  // The dialog open with one snapshot at the resolution `item` (0: 640 x 480, 1: 320 x 240,
  // 2: 160 x 120), and the viewer opened by a double click on it.
  SnapshotViewer& OpenViewer(int item) {
    rig.Start();
    rig.bar->controller().ChooseResolution(item);
    SnapshotDialog& dialog = rig.Open(ColourOf(3));
    DoubleClick(dialog, {30, 40});
    EXPECT_NE(dialog.viewer(), nullptr);
    return *dialog.viewer();
  }
  SnapshotDialog& dialog() { return *rig.bar->snapshotDialog(); }

  DialogRig rig;
};

TEST_F(ViewerTest, ASmallSnapshotIsCentredOnBlackInTheSmallLayout) {
  SnapshotViewer& viewer = OpenViewer(2);
  EXPECT_TRUE(viewer.isVisible());
  EXPECT_TRUE(viewer.skinLoaded());
  EXPECT_FALSE(viewer.large());
  EXPECT_EQ(viewer.size(), QSize(326, 268));
  EXPECT_EQ(viewer.pos(), QGuiApplication::primaryScreen()->availableGeometry().topLeft());
  EXPECT_EQ(viewer.saveButton()->geometry(), QRect(211, 246, 54, 15));
  EXPECT_EQ(viewer.cancelButton()->geometry(), QRect(265, 246, 54, 15));
  EXPECT_EQ(viewer.saveButton()->objectName(), "1018");
  EXPECT_EQ(viewer.cancelButton()->objectName(), "1006");
  const QImage shot = Shot(viewer);
  // The picture area from 3,3: black around a 160 x 120 picture at 80,60 of it.
  const auto near = [](QRgb p, QColor c) {
    return std::abs(qRed(p) - c.red()) < 8 && std::abs(qGreen(p) - c.green()) < 8 &&
           std::abs(qBlue(p) - c.blue()) < 8;
  };
  EXPECT_EQ(shot.pixel(3 + 79, 3 + 59), qRgb(0, 0, 0));
  EXPECT_EQ(shot.pixel(3 + 240, 3 + 180), qRgb(0, 0, 0));
  EXPECT_EQ(shot.pixel(3 + 5, 3 + 230), qRgb(0, 0, 0));
  EXPECT_TRUE(near(shot.pixel(3 + 80, 3 + 60), ColourOf(3)));
  EXPECT_TRUE(near(shot.pixel(3 + 239, 3 + 179), ColourOf(3)));
  // Drawn from the memory bitmap, with the face around it.
  QImage face;
  ASSERT_TRUE(
      LoadSkinBitmap(rig.folder.path().string() + "/Image_Eng/SnapViewer/SnapViewer_bg.bmp", face));
  EXPECT_EQ(shot.pixel(1, 1), face.pixel(1, 1));
}

TEST_F(ViewerTest, A640SnapshotTakesTheLargeLayoutAndCancelClosesIt) {
  SnapshotViewer& viewer = OpenViewer(0);
  EXPECT_TRUE(viewer.large());
  EXPECT_EQ(viewer.size(), QSize(646, 508));
  EXPECT_EQ(viewer.saveButton()->pos(), QPoint(531, 487));
  EXPECT_EQ(viewer.cancelButton()->pos(), QPoint(584, 487));
  const QImage shot = Shot(viewer);
  EXPECT_GT(qRed(shot.pixel(3 + 600, 3 + 400)), 180);
  QTest::mouseClick(viewer.cancelButton(), Qt::LeftButton);
  EXPECT_FALSE(viewer.isVisible());
  EXPECT_FALSE(viewer.ownsPixels());
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(dialog().viewer(), nullptr);
  EXPECT_TRUE(dialog().isVisible());
}

TEST_F(ViewerTest, ACancelledSaveLeavesItOpenAndAConfirmedOneSavesANewJpegAndCloses) {
  SnapshotViewer& viewer = OpenViewer(1);
  QTest::mouseClick(viewer.saveButton(), Qt::LeftButton);
  ASSERT_EQ(rig.saveDialog.requests.size(), 1u);
  EXPECT_EQ(rig.saveDialog.requests[0].defaultName, "SnapShot1.jpg");
  QCoreApplication::sendPostedEvents();
  ASSERT_EQ(dialog().viewer(), &viewer);
  EXPECT_TRUE(viewer.isVisible());
  EXPECT_TRUE(viewer.ownsPixels());

  const fs::path copy = rig.folder.path() / "copy.jpg";
  rig.saveDialog.answer = copy.string();
  QTest::mouseClick(viewer.saveButton(), Qt::LeftButton);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(dialog().viewer(), nullptr);
  EXPECT_THAT(rig.Messages(), IsEmpty());
  RecordingMessageBoxes quiet;
  JpegFile jpeg(quiet);
  std::uint32_t w = 0;
  std::uint32_t h = 0;
  const auto rgb = jpeg.JpegToRgb(copy.string(), w, h);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(w, 320u);
  EXPECT_EQ(h, 240u);
  EXPECT_NEAR(rgb[0], ColourOf(3).red(), 8);
  EXPECT_NEAR(rgb[2], ColourOf(3).blue(), 8);
}

TEST_F(ViewerTest, AFailedWriteIsToldAndTheViewerClosesAllTheSame) {
  SnapshotViewer& viewer = OpenViewer(1);
  rig.saveDialog.answer = (rig.folder.path() / "missing" / "copy.jpg").string();
  QTest::mouseClick(viewer.saveButton(), Qt::LeftButton);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(dialog().viewer(), nullptr);
  ASSERT_FALSE(rig.Messages().empty());
  EXPECT_EQ(rig.Messages().back(), rig.strings.Text(kMsgViewerSaveFailure));
}

TEST_F(ViewerTest, ADoubleClickOnAnEmptySlotOpensNothingAndClosingTheDialogTakesTheViewer) {
  rig.Start();
  SnapshotDialog& dialog = rig.Open();
  DoubleClick(dialog, {120, 40});  // slot 2 of one snapshot
  EXPECT_EQ(dialog.viewer(), nullptr);
  DoubleClick(dialog, {30, 40});
  ASSERT_NE(dialog.viewer(), nullptr);
  const QPointer<SnapshotViewer> viewer = dialog.viewer();
  Click(dialog, {322, 10});
  EXPECT_EQ(viewer, nullptr);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(rig.bar->snapshotDialog(), nullptr);
}

}  // namespace
}  // namespace tavo::preview
