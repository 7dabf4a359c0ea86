// TavoPreview's configuration dialog with the generated skins on the simulated platform: its
// skin files, controls and their places, the painted buttons, docking under the bar, the close
// button's message and the sliders and lists driving the camera and the store.
#include "configdialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QTest>
#include <filesystem>

#include "capturegraph.h"
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
#include "skinslider.h"

namespace tavo::preview {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DialogRig : public tavo::testing::PreviewBarRig {
 public:
  explicit DialogRig(Language language = Language::English)
      : PreviewBarRig("tavo-configdlg-XXXXXX", language) {}

  // The bar started and shown, the dialog opened by its button.
  ConfigDialog& Open() {
    MakeBar().show();
    bar->controller().OnButton(kButtonConfig);
    EXPECT_NE(bar->configDialog(), nullptr);
    return *bar->configDialog();
  }
  std::int32_t Stored(const char* name) const {
    RegistryKey key(root);
    std::uint32_t value = 0xdeadbeef;
    EXPECT_TRUE(key.Open(root, kSettingsKey) && key.ReadNumber(name, value)) << name;
    return static_cast<std::int32_t>(value);
  }
};

using tavo::testing::Region;

TEST(ConfigDialogFace, LoadsTheFourFilesOfEachLanguageInOrderAndAMissingOneStops) {
  for (const char* language : {"Korean", "English", "Japanese"}) {
    const ConfigPictures skin = LoadConfigPictures(TAVO_PROGRAM_DIR, language);
    ASSERT_TRUE(skin.complete()) << language << " stopped after " << skin.loaded;
    EXPECT_EQ(skin.Face(kConfigBg).size(), QSize(332, 115));
    EXPECT_EQ(skin.Face(kConfigExitDown).size(), QSize(11, 11));
    EXPECT_EQ(skin.Face(kConfigCrtDown).size(), QSize(41, 17));
    EXPECT_EQ(skin.Face(kConfigLcdDown).size(), QSize(41, 17));
  }
  EXPECT_EQ(SkinPath("/p", "Korean", kConfigSkinFolder, ConfigSkinFiles()[2]),
            "/p/Image/Config/CRT_Down.bmp");
  EXPECT_EQ(SkinPath("/p", "Japanese", kConfigSkinFolder, ConfigSkinFiles()[0]),
            "/p/Image_Jpn/Config/Config_bg.bmp");

  DialogRig rig;
  fs::remove(rig.folder.path() / "Image_Eng" / "Config" / "Exit_But_Down.bmp");
  ConfigDialog& dialog = rig.Open();
  EXPECT_EQ(dialog.skin().loaded, 1);
  EXPECT_TRUE(dialog.skin().Face(kConfigCrtDown).isNull());  // after the gap: not loaded
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_THAT(rig.Messages(), IsEmpty());
}

TEST(ConfigDialogFace, ControlsStandAtTheirPlacesKoreanLabelsOnePixelOff) {
  for (Language language : {Language::English, Language::Korean}) {
    DialogRig rig(language);
    ConfigDialog& dialog = rig.Open();
    EXPECT_EQ(dialog.size(), QSize(332, 115));
    EXPECT_EQ(dialog.cameraList()->geometry(), QRect(68, 49, 81, 20));
    EXPECT_EQ(dialog.resolutionList()->geometry(), QRect(68, 75, 81, 20));
    EXPECT_EQ(dialog.cameraList()->view()->minimumWidth(), 250);
    EXPECT_EQ(dialog.resolutionList()->view()->minimumWidth(), 60);
    ASSERT_EQ(dialog.resolutionList()->count(), 3);
    EXPECT_EQ(dialog.resolutionList()->itemText(2), "160 x 120");
    EXPECT_EQ(dialog.resolutionList()->currentIndex(), 1);
    EXPECT_EQ(dialog.cameraList()->currentText(), kPreferredCamera);
    const int ids[][2] = {{kSliderBrightness, kFieldBrightness},
                          {kSliderSaturation, kFieldSaturation},
                          {kSliderContrast, kFieldContrast}};
    const bool korean = language == Language::Korean;
    for (int row = 0; row < 3; ++row) {
      SkinSlider* slider = dialog.slider(ids[row][0]);
      QLabel* label = dialog.label(ids[row][1]);
      ASSERT_NE(slider, nullptr);
      ASSERT_NE(label, nullptr);
      EXPECT_EQ(slider->geometry(), QRect(195, 25 + 25 * row, 96, 20));
      EXPECT_EQ(slider->thumbColour(), QColor(148, 150, 148));
      EXPECT_EQ(slider->palette().color(QPalette::Window), QColor(82, 82, 82));
      EXPECT_EQ(label->geometry(),
                korean ? QRect(292, 29 + 25 * row, 21, 12) : QRect(293, 28 + 25 * row, 21, 12));
      EXPECT_TRUE(label->alignment() & Qt::AlignRight);
    }
    EXPECT_EQ(dialog.label(kFieldSaturation)->text(), "80");
    EXPECT_EQ(dialog.slider(kSliderSaturation)->value(), 80);
    EXPECT_EQ(dialog.slider(kSliderSaturation)->selectionStart(), 30);
  }
}

TEST(ConfigDialogFace, ButtonsShowTheirPressedFaceAndCloseAsksTheBar) {
  DialogRig rig;
  ConfigDialog& dialog = rig.Open();
  const QImage crt = dialog.skin().Face(kConfigCrtDown);
  QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(69, 28));
  EXPECT_EQ(Region(dialog, QRect(68, 27, 41, 17)), crt);
  QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(69, 28));
  EXPECT_NE(Region(dialog, QRect(68, 27, 41, 17)), crt);
  // Just outside: x 109 is between the two buttons.
  EXPECT_EQ(dialog.buttons().ButtonAt(QPoint(109, 30)), 0);
  EXPECT_EQ(dialog.buttons().ButtonAt(QPoint(149, 42)), kConfigLcd);
  EXPECT_EQ(dialog.buttons().ButtonAt(QPoint(327, 14)), kConfigClose);
  EXPECT_EQ(dialog.buttons().ButtonAt(QPoint(328, 14)), 0);

  // Enter and Escape do not close it.
  QTest::keyClick(&dialog, Qt::Key_Escape);
  QTest::keyClick(&dialog, Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible());

  QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(322, 10));
  QCoreApplication::sendPostedEvents(rig.bar.get());
  EXPECT_EQ(rig.bar->configDialog(), nullptr);
  EXPECT_FALSE(rig.bar->controller().configDialogOpen());
  EXPECT_THAT(rig.Messages(), IsEmpty());
}

TEST(ConfigDialogDocking, OpensUnderTheBarFollowsItAndSnapsWhenDragged) {
  DialogRig rig;
  ConfigDialog& dialog = rig.Open();
  PreviewMainWindow& bar = *rig.bar;
  EXPECT_EQ(dialog.pos(), QPoint(bar.x(), bar.frameGeometry().bottom() + 1));
  EXPECT_EQ(bar.docking().state(Satellite::kConfig).dock, DockState::kUnderBar);
  bar.move(bar.pos() + QPoint(40, 30));
  EXPECT_EQ(dialog.pos(), QPoint(bar.x(), bar.frameGeometry().bottom() + 1));

  // Dragged away it is free; brought within 15 pixels of the bar's bottom it docks again.
  dialog.move(dialog.pos() + QPoint(100, 200));
  EXPECT_EQ(bar.docking().state(Satellite::kConfig).dock, DockState::kFree);
  dialog.move(QPoint(bar.x() + 10, bar.frameGeometry().bottom() + 1 + 14));
  EXPECT_EQ(bar.docking().state(Satellite::kConfig).dock, DockState::kUnderBar);
  EXPECT_EQ(dialog.pos(), QPoint(bar.x(), bar.frameGeometry().bottom() + 1));
}

TEST(ConfigDialogControls, SliderAndListsDriveTheCameraAndTheStore) {
  DialogRig rig;
  ConfigDialog& dialog = rig.Open();
  dialog.slider(kSliderBrightness)->setValue(45);
  EXPECT_EQ(rig.platform.propertyWrites.back().value, 45);
  EXPECT_EQ(rig.Stored("Bright"), 45);
  EXPECT_EQ(dialog.label(kFieldBrightness)->text(), "45");

  dialog.resolutionList()->activated(0);
  PreviewWindow* preview = rig.bar->previewWindow();
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->size(), QSize(664, 516));
  EXPECT_EQ(dialog.resolutionList()->currentIndex(), 0);
  EXPECT_EQ(dialog.slider(kSliderBrightness)->value(), 45);
  EXPECT_EQ(rig.Stored("Bright"), 45);

  // LCD: the camera defaults back on the sliders, gamma a step below.
  QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(120, 35));
  EXPECT_EQ(dialog.slider(kSliderBrightness)->value(), 10);
  EXPECT_EQ(dialog.label(kFieldBrightness)->text(), "10");
  EXPECT_EQ(rig.platform.propertyWrites.back().property, media::kPropertyGamma);
  EXPECT_EQ(rig.platform.propertyWrites.back().value, 4);
  EXPECT_EQ(rig.Stored("Bright"), 10);
  EXPECT_THAT(rig.Messages(), IsEmpty());
}

}  // namespace
}  // namespace tavo::preview
