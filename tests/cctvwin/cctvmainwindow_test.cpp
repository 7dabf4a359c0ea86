// TavoCCTV's main window on the simulated platform with the generated skins: the face, its
// painted buttons and state faces, the tooltips, the panel's controls and the commands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "cctv_fixture.h"
#include "cctvmainwindow.h"
#include "docking.h"
#include "folderpanel.h"
#include "jpegfile.h"
#include "skinfolder.h"
#include "skinlook.h"
#include "skinslider.h"

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;
using testing::CctvRig;
using ::testing::ElementsAre;

// A program folder holding copies of the staged skins, so files can be taken away.
fs::path CopySkins(const fs::path& to) {
  for (const char* folder : {"Image", "Image_Eng", "Image_Jpn"}) {
    fs::copy(fs::path(TAVO_PROGRAM_DIR) / folder, to / folder, fs::copy_options::recursive);
  }
  return to;
}

class WindowRig : public CctvRig {
 public:
  explicit WindowRig(Language language = Language::English) : CctvRig(language) {
    CopySkins(folder.path());
  }
  CctvMainWindow& Open(std::uint32_t runtime = kMediaRuntimeComplete) {
    window = std::make_unique<CctvMainWindow>(CctvServices{
        graph, boxes, strings, shell, transport,
        RegistryRoot{(folder.path() / "settings.sqlite").string()}, folder.path().string(),
        SystemLocalClock(), JpegFileWriter(boxes), smtpPort, &dialog});
    started = window->Start(runtime);
    return *window;
  }
  ~WindowRig() { window.reset(); }

  std::unique_ptr<CctvMainWindow> window;
  ScriptedSaveFileDialog dialog;
  bool started = false;
};

QImage Region(QWidget& window, QRect area) {
  return window.grab(area).toImage().convertToFormat(QImage::Format_RGB32);
}

bool Shows(QWidget& window, QPoint at, const QImage& face) {
  return Region(window, QRect(at, face.size())) == face.convertToFormat(QImage::Format_RGB32);
}

TEST(CctvFace, LoadsTheFortyTwoFilesOfEachLanguageInOrder) {
  for (const char* language : {"Korean", "English", "Japanese"}) {
    const SkinPictures skin = LoadSkinPictures(TAVO_PROGRAM_DIR, language);
    ASSERT_TRUE(skin.complete()) << language << " stopped after " << skin.loaded;
    EXPECT_EQ(skin[kBgNormal].size(), QSize(332, 528));
    EXPECT_EQ(skin[kBgViewer].size(), QSize(332, 424));
    EXPECT_EQ(skin[kTakePictureSign].size(), QSize(16, 11));
    EXPECT_EQ(skin[kStartUp].size(), QSize(36, 36));
    EXPECT_EQ(skin[kCheckOn].size(), QSize(15, 15));
  }
  EXPECT_EQ(SkinPath("/p", "Japanese", SkinFiles()[0].folder, SkinFiles()[0].file),
            "/p/Image_Jpn/Bg/TavoCCTV_bg.bmp");
  EXPECT_EQ(SkinPath("/p", "Klingon", SkinFiles()[0].folder, SkinFiles()[0].file),
            "/p/Image_Eng/Bg/TavoCCTV_bg.bmp");
}

TEST(CctvFace, AMissingFileStopsTheLoadWithOneMessageAndTheWindowStillOpens) {
  WindowRig rig;
  fs::remove(rig.folder.path() / "Image_Eng" / "MainButton" / "Help_but_Down.bmp");
  CctvMainWindow& window = rig.Open();
  EXPECT_TRUE(rig.started);
  EXPECT_EQ(window.skin().loaded, 10);
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgImageLoad)));
  EXPECT_FALSE(window.background().isNull());
  EXPECT_EQ(window.windowTitle(), "TAVO CCTV 2.0");
  EXPECT_EQ(window.size(), QSize(332, 323));
}

TEST(CctvFace, StartStopShowsTheFacesOfItsState) {
  WindowRig rig;
  CctvMainWindow& window = rig.Open();
  ASSERT_TRUE(rig.started);
  window.show();
  const SkinPictures& skin = window.skin();
  EXPECT_TRUE(Shows(window, {148, 269}, skin[kStartUp]));
  QTest::mouseMove(&window, QPoint(165, 285));
  EXPECT_EQ(window.buttons().ShownFace(kButtonStartStop), PaintedButtons::Face::Hover);
  EXPECT_TRUE(Shows(window, {148, 269}, skin[kStartFoc]));
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(165, 285));
  EXPECT_TRUE(window.controller().surveillanceOn());
  EXPECT_TRUE(window.timerActive(kFrameTimer));
  EXPECT_EQ(window.timerInterval(kFrameTimer), 180);
  EXPECT_EQ(window.timerInterval(kBlinkTimer), 500);
  QTest::mouseMove(&window, QPoint(165, 286));
  EXPECT_TRUE(Shows(window, {148, 269}, skin[kStopFoc]));
  QTest::mouseMove(&window, QPoint(60, 300));  // off every button: the state face returns
  EXPECT_TRUE(Shows(window, {148, 269}, skin[kStopUp]));
  // The blink timer alternates the five bars.
  window.controller().OnTimer(kBlinkTimer);
  EXPECT_TRUE(window.bar(0)->isVisible());
  EXPECT_FALSE(window.bar(1)->isVisible());
  window.controller().OnTimer(kBlinkTimer);
  EXPECT_FALSE(window.bar(0)->isVisible());
  EXPECT_TRUE(window.bar(1)->isVisible());
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(165, 285));
  EXPECT_FALSE(window.timerActive(kFrameTimer));
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(window.bar(i)->isVisible());
}

TEST(CctvFace, SmallButtonsShowNothingOnHoverAndTheirPressedFaceWithTheButtonHeld) {
  WindowRig rig;
  CctvMainWindow& window = rig.Open();
  window.show();
  const QImage before = Region(window, QRect(317, 266, 11, 11));
  QTest::mouseMove(&window, QPoint(320, 270));
  EXPECT_EQ(Region(window, QRect(317, 266, 11, 11)), before);
  QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(320, 270));
  EXPECT_TRUE(Shows(window, {317, 266}, window.skin()[kExitDown]));
  QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(60, 300));  // slid off: no exit
  EXPECT_FALSE(window.ended());
}

TEST(CctvFace, PinPanelAndExitFromTheButtons) {
  WindowRig rig;
  CctvMainWindow& window = rig.Open();
  window.show();
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(292, 271));
  EXPECT_TRUE(window.topmost());
  EXPECT_TRUE(Shows(window, {287, 266}, window.skin()[kPinOnUp]));
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(292, 271));
  EXPECT_FALSE(window.topmost());

  const QPoint place = window.pos();
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(215, 285));
  EXPECT_EQ(window.size(), QSize(332, 528));
  EXPECT_EQ(window.pos(), place);
  // The e-mail check box enables the three fields.
  EXPECT_FALSE(window.mailEdit(kEditSender)->isEnabled());
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(77, 416));
  EXPECT_TRUE(window.controller().mailAlertsOn());
  EXPECT_TRUE(window.mailEdit(kEditSender)->isEnabled());
  EXPECT_TRUE(Shows(window, {70, 409}, window.skin()[kCheckOn]));
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(77, 416));
  EXPECT_FALSE(window.mailEdit(kEditSmtpServer)->isEnabled());
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(215, 285));
  EXPECT_EQ(window.size(), QSize(332, 323));

  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(322, 271));
  EXPECT_TRUE(window.ended());
}

TEST(CctvFace, HelpTakesItsReleaseOnTheRowBelowItsHoverArea) {
  WindowRig rig;
  CctvMainWindow& window = rig.Open();
  window.show();
  QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(277, 270));
  QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(277, 277));
  EXPECT_EQ(rig.shell.opened.size(), 1u);
  QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(277, 270));
  QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(277, 278));
  EXPECT_EQ(rig.shell.opened.size(), 1u);
}

TEST(CctvFace, MailEditsRefuseTextsLongerThanTheStoreReadsBack) {
  WindowRig rig;
  CctvMainWindow& window = rig.Open();
  window.controller().ToggleMailAlerts();
  QLineEdit* edit = window.mailEdit(kEditSmtpServer);
  edit->clear();
  QTest::keyClicks(edit, QString(198, QLatin1Char('a')));
  // Bytes of UTF-8 count, not characters: a three-byte character no longer fits.
  QInputMethodEvent korean;
  korean.setCommitString(QStringLiteral("가"));
  QApplication::sendEvent(edit, &korean);
  EXPECT_EQ(edit->text().size(), 198);
  QTest::keyClicks(edit, "bc");
  EXPECT_EQ(edit->text().toUtf8().size(), 199);
  EXPECT_EQ(window.controller().MailEditText(kEditSmtpServer), std::string(198, 'a') + "b");
  // A short text takes characters of several bytes.
  edit->clear();
  QApplication::sendEvent(edit, &korean);
  EXPECT_EQ(window.controller().MailEditText(kEditSmtpServer), "가");
}

TEST(CctvFace, TheAboutBoxBelongsToTheWindowAndClosesWithEscape) {
  WindowRig rig;
  CctvMainWindow& window = rig.Open();
  window.show();
  QWidget* parent = nullptr;
  bool closedByEscape = false;
  QTimer::singleShot(0, &window, [&] {
    QWidget* about = QApplication::activeModalWidget();
    if (about == nullptr) return;
    parent = about->parentWidget();
    QTest::keyClick(about, Qt::Key_Escape);
    QTimer::singleShot(0, about, [&, about] {
      // Still open: Escape was swallowed; close it so the test ends.
      if (about->isVisible()) static_cast<QDialog*>(about)->reject();
    });
    closedByEscape = !about->isVisible();
  });
  window.ShowAbout();
  EXPECT_EQ(parent, &window);
  EXPECT_TRUE(closedByEscape);
  // The window itself still swallows Escape.
  QTest::keyClick(window.mailEdit(kEditSender), Qt::Key_Escape);
  EXPECT_TRUE(window.isVisible());
}

TEST(CctvFace, PanelControlsReachTheController) {
  WindowRig rig;
  rig.platform.devices = {testing::Camera("Desk Cam"), testing::Camera(kPreferredCamera)};
  CctvMainWindow& window = rig.Open();
  EXPECT_EQ(window.cameraList()->count(), 2);
  EXPECT_EQ(window.cameraList()->currentIndex(), 1);
  EXPECT_EQ(window.rateList()->itemText(0), "     1");
  EXPECT_EQ(window.rateList()->currentIndex(), 4);
  window.rateList()->activated(6);
  EXPECT_EQ(window.controller().captureRate(), 7);

  SkinSlider* sensitivity = window.slider(kSliderSensitivity);
  EXPECT_EQ(sensitivity->maximum(), 255);
  sensitivity->setValue(200);
  EXPECT_EQ(window.valueField(kFieldSensitivity)->text(), "200");
  EXPECT_EQ(window.controller().motion().motionThreshold(), 55);
  window.slider(kSliderBrightness)->setValue(-20);
  EXPECT_EQ(window.valueField(kFieldBrightness)->text(), "-20");
  EXPECT_EQ(rig.platform.propertyWrites.back().value, -20);
  EXPECT_EQ(window.slider(kSliderContrast)->thumbColour(), QColor(148, 150, 148));

  QTest::keyClicks(window.mailEdit(kEditRecipient), "x");
  // Disabled while alerts are off: nothing typed arrives.
  EXPECT_EQ(window.controller().MailEditText(kEditRecipient), rig.Text(kMsgFirstRecipient));
  window.controller().ToggleMailAlerts();
  window.mailEdit(kEditRecipient)->clear();
  QTest::keyClicks(window.mailEdit(kEditRecipient), "me@example.test");
  EXPECT_EQ(window.controller().MailEditText(kEditRecipient), "me@example.test");

  window.cameraList()->activated(0);
  EXPECT_EQ(window.controller().cameraName(), "Desk Cam");
  EXPECT_EQ(rig.graph.videoDeviceIndex(), 0);
}

TEST(CctvFace, TooltipsFontAndHelpFollowTheLanguage) {
  WindowRig korean(Language::Korean);
  CctvMainWindow& window = korean.Open();
  EXPECT_EQ(window.TooltipAt({160, 280}).toStdString(), "CCTV 시작/정지");
  EXPECT_EQ(window.TooltipAt({320, 270}).toStdString(), "종료");
  EXPECT_TRUE(window.TooltipAt({290, 490}).isEmpty());  // apply: only with the panel open
  window.controller().ToggleConfigPanel();
  EXPECT_EQ(window.TooltipAt({290, 490}).toStdString(), "적용");
  EXPECT_EQ(window.controlFont().family(), "NanumGothic");
  EXPECT_EQ(window.controlFont().pixelSize(), 11);
  window.show();
  QTest::keyClick(&window, Qt::Key_F1);
  EXPECT_THAT(korean.shell.opened,
              ElementsAre(korean.folder.path().string() + "/TAVOCCTVHELP.html"));

  WindowRig english;
  CctvMainWindow& other = english.Open();
  EXPECT_EQ(other.controlFont().family(), "Liberation Sans");
  EXPECT_EQ(other.controlFont().pixelSize(), 11);
  EXPECT_EQ(other.TooltipAt({292, 270}).toStdString(), "Always upward/Cancel");
}

TEST(CctvFace, HelpOpensInOurOwnWindowWhereTheDesktopCannotOpenIt) {
  WindowRig rig(Language::Japanese);
  CctvMainWindow& window = rig.Open();
  window.show();
  const fs::path page = rig.folder.path() / "TAVOCCTVHELP_JPN.html";
  {
    std::ofstream out(page);
    out << "<html><body><h1>TavoCCTV</h1><p>ヘルプ</p></body></html>";
  }
  rig.shell.openResult = 31;  // no handler for the page's type
  QTest::keyClick(&window, Qt::Key_F1);
  EXPECT_TRUE(rig.Messages().empty());
  auto* browser = window.findChild<QTextBrowser*>("helpBrowser");
  ASSERT_NE(browser, nullptr);
  EXPECT_NE(browser->toPlainText().indexOf(QString::fromUtf8("ヘルプ")), -1);
  EXPECT_EQ(browser->window()->windowTitle().toStdString(), rig.Text(kStringHelpTitle));
  // Wider than the window at the screen's left edge, it still stands whole on the screen.
  EXPECT_TRUE(window.screen()->availableGeometry().contains(browser->window()->geometry()));
  // Its close control works without a window manager.
  auto* close = browser->window()->findChild<QPushButton*>("skinClose");
  ASSERT_NE(close, nullptr);
  QPointer<QWidget> viewer = browser->window();
  close->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(viewer.isNull() || !viewer->isVisible());

  // A page that is really missing is still reported as missing.
  fs::remove(page);
  QTest::keyClick(&window, Qt::Key_F1);
  EXPECT_EQ(rig.Messages().size(), 1u);
  int shown = 0;
  for (auto* b : window.findChildren<QTextBrowser*>("helpBrowser")) shown += b->isVisible();
  EXPECT_EQ(shown, 0);
}

TEST(CctvFace, TheCameraListShowsItOpensAndTheWholeName) {
  WindowRig rig;
  rig.platform.devices = {testing::Camera("Tavo Virtual Camera of a long name")};
  CctvMainWindow& window = rig.Open();
  QComboBox* list = window.cameraList();
  EXPECT_EQ(list->toolTip().toStdString(), "Tavo Virtual Camera of a long name");
  EXPECT_GE(list->view()->minimumWidth(), kCameraListDropWidth);
  EXPECT_EQ(list->view()->textElideMode(), Qt::ElideNone);
  // The arrow: the right end of the field is drawn in the skin's edge colour.
  const QImage face = list->grab().toImage();
  bool arrow = false;
  for (int x = list->width() - SkinComboBox::kArrowWidth; x < list->width(); ++x) {
    for (int y = 0; y < list->height(); ++y) arrow = arrow || face.pixelColor(x, y) == look::kEdge;
  }
  EXPECT_TRUE(arrow);
  window.rateList()->grab();
  EXPECT_TRUE(window.rateList()->toolTip().isEmpty());  // "     5" fits
}

TEST(CctvFace, NoCameraEndsTheStartUp) {
  WindowRig rig(Language::Japanese);
  rig.platform.devices.clear();
  rig.Open();
  EXPECT_FALSE(rig.started);
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgNoVideoDevice)));
}

// A run of `count` pictures, picture n filled with red 20 n, green 100, blue 200.
void RecordRun(const fs::path& programFolder, const std::string& name, int count) {
  const fs::path run = programFolder / "CCTV_Image" / name;
  fs::create_directories(run / "EmailSendJpg");
  RecordingMessageBoxes boxes;
  std::vector<std::uint8_t> rgb(kFrameBytes);
  for (int n = 1; n <= count; ++n) {
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
      rgb[i] = static_cast<std::uint8_t>(20 * n);
      rgb[i + 1] = 100;
      rgb[i + 2] = 200;
    }
    char file[64];
    std::snprintf(file, sizeof file, "10h00m00s_01-17-03_%06d.jpg", n);
    ASSERT_TRUE(JpegFile(boxes).RgbToJpeg((run / file).string(), 95, rgb.data(), 320, 240));
  }
}

// Runs the panel's slide to its end, as its timer would.
void FinishSlide(FolderPanel& panel) {
  for (int i = 0; i < 40 && panel.sliding(); ++i) panel.SlideTickForTest();
  QCoreApplication::sendPostedEvents();
}

TEST(CctvViewerWindow, ThePanelComesBackBesideTheWindowWhenItIsRestored) {
  WindowRig rig;
  CctvMainWindow& window = rig.Open();
  window.show();
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(117, 285));  // viewer
  FolderPanel& panel = *window.folderPanel();
  FinishSlide(panel);
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(307, 271));  // minimise
  ASSERT_TRUE(window.isMinimized());
  // Moved while minimised (a window manager may place it anew): the panel stays put.
  const QPoint panelBefore = panel.pos();
  window.move(window.pos() + QPoint(40, 30));
  EXPECT_EQ(panel.pos(), panelBefore);
  // Restored, without a move: the panel is beside it again.
  window.showNormal();
  QCoreApplication::processEvents();
  EXPECT_EQ(panel.pos(), PlaceBeside(window.frameGeometry()));
  EXPECT_TRUE(panel.isVisible());
}

TEST(CctvViewerWindow, EntersAndLeavesTheViewerLayout) {
  WindowRig rig;
  RecordRun(rig.folder.path(), "10h00m00s_01-17-03", 10);
  CctvMainWindow& window = rig.Open();
  window.show();
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(117, 285));  // viewer
  EXPECT_EQ(window.size(), QSize(332, 424));
  EXPECT_FALSE(window.videoControl()->isVisible());
  EXPECT_FALSE(window.cameraList()->isVisible());
  EXPECT_TRUE(window.counterField()->isVisible());
  EXPECT_EQ(window.counterField()->text(), "0 / 0");
  EXPECT_EQ(window.speedField()->text(), "10");
  EXPECT_EQ(window.TooltipAt({100, 100}).toStdString(),
            "Double-click the Preview Screen to save the image.");
  FolderPanel& panel = *window.folderPanel();
  FinishSlide(panel);
  EXPECT_TRUE(panel.isVisible());
  EXPECT_EQ(panel.geometry().left(), window.geometry().right() + 1);
  window.move(100, 50);  // the panel follows the window
  EXPECT_EQ(panel.pos(), QPoint(100 + 332, 50));

  // Choosing the run shows picture 1 large and 1 to 4 in the strip, the track's thumb at 45.
  ASSERT_EQ(panel.tree()->topLevelItemCount(), 1);
  panel.tree()->setCurrentItem(panel.tree()->topLevelItem(0));
  EXPECT_EQ(window.counterField()->text(), "1 / 10");
  const QColor large = window.grab(QRect(166, 140, 1, 1)).toImage().pixelColor(0, 0);
  EXPECT_NEAR(large.red(), 20, 8);
  EXPECT_NEAR(large.blue(), 200, 8);
  const QColor slot3 = window.grab(QRect(6 + 240 + 40, 359, 1, 1)).toImage().pixelColor(0, 0);
  EXPECT_NEAR(slot3.red(), 80, 8);
  EXPECT_TRUE(Shows(window, {70, 395}, window.skin()[kSlideBg].copy(50, 0, 100, 12)));
  EXPECT_TRUE(Shows(window, {20, 395}, window.skin()[kSliderThumb]));

  // The track, a thumbnail, the next button and the slideshow by mouse.
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(166, 400));
  EXPECT_EQ(window.counterField()->text(), "5 / 10");
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(200, 360));  // slot 2: picture 7
  EXPECT_EQ(window.controller().viewer().shownNumber(), 7);
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(319, 401));
  EXPECT_EQ(window.counterField()->text(), "6 / 10");
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(255, 416));  // faster
  EXPECT_EQ(window.speedField()->text(), "11");
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(78, 416));
  EXPECT_TRUE(window.controller().viewer().slideshowOn());
  EXPECT_TRUE(window.timerActive(kSlideshowTimer));
  EXPECT_EQ(window.timerInterval(kSlideshowTimer), 200);
  EXPECT_TRUE(Shows(window, {49, 410}, window.skin()[kSlideStopNor]));

  // A double-click on the large picture asks where to save it.
  rig.dialog.answer = (rig.folder.path() / "copy.jpg").string();
  QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(100, 100));
  ASSERT_EQ(rig.dialog.requests.size(), 1u);
  EXPECT_EQ(rig.dialog.requests[0].defaultName,
            rig.folder.path().string() + "/SaveJpg/SaveJpg1.jpg");
  EXPECT_TRUE(fs::exists(rig.folder.path() / "copy.jpg"));

  // A run that cannot be deleted stays, and the user is told.
  rig.shell.deleteResult = false;
  QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(134, 311));
  EXPECT_THAT(rig.shell.deleted,
              ElementsAre(rig.folder.path().string() + "/CCTV_Image/10h00m00s_01-17-03"));
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgDeleteFailed)));
  EXPECT_EQ(panel.tree()->topLevelItemCount(), 1);
  rig.boxes.boxes.clear();

  // Leaving: the slideshow stops, the panel slides shut, then the live layout returns.
  QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(117, 285));
  EXPECT_FALSE(window.timerActive(kSlideshowTimer));
  EXPECT_EQ(window.size(), QSize(332, 424));
  FinishSlide(panel);
  EXPECT_FALSE(panel.isVisible());
  EXPECT_EQ(window.size(), QSize(332, 323));
  EXPECT_TRUE(window.videoControl()->isVisible());
  EXPECT_FALSE(window.counterField()->isVisible());
  EXPECT_TRUE(rig.graph.built());
  EXPECT_TRUE(rig.Messages().empty());
}

}  // namespace
}  // namespace tavo::cctv
