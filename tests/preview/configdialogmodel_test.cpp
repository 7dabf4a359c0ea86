// The configuration dialog's rules over TavoPreview's controller on the simulated platform: what
// opening it stores and shows, the sliders set up at the current values, a slider move stored
// alone, the resolution and camera lists, CRT and LCD, and a store that cannot be written.
#include "configdialogmodel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QObject>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "capturegraph.h"
#include "media/simulatedplatform.h"
#include "mediaruntime.h"
#include "previewcontroller.h"
#include "previewstrings.h"
#include "registrykey.h"
#include "savefiledialog.h"
#include "scratch_folder.h"
#include "shell.h"
#include "sim_camera.h"
#include "test_application.h"

namespace tavo::preview {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

media::SimDevice Camera(const std::string& name, bool properties = true) {
  const media::SimDevice device =
      tavo::testing::SimCamera(name, {{320, 240}, {640, 480}, {160, 120}});
  return properties ? tavo::testing::WithPictureProperties(device, 80)
                    : tavo::testing::WithoutProcAmp(device);
}

// A view that only logs the preview window's life; the dialog is the model itself.
class LoggingView final : public QObject, public PreviewView {
 public:
  QObject* FrameTarget() override { return this; }
  QObject* VideoOwner() override { return previewWindow ? &video : nullptr; }
  void Refresh() override {}
  void EndDialog(int) override {}
  void SetTopmost(bool) override {}
  void Minimise() override {}
  void SetTimer(int, int) override {}
  void KillTimer(int) override {}
  bool HasPreviewWindow() const override { return previewWindow; }
  void CreatePreviewWindow() override {
    log.push_back("create preview window");
    previewWindow = true;
  }
  void DestroyPreviewWindow() override {
    if (!previewWindow) return;
    log.push_back("destroy preview window");
    previewWindow = false;
  }
  void PlacePreviewWindow(int resolutionIndex) override {
    log.push_back("place preview window " + std::to_string(resolutionIndex));
  }
  void ShowVideoControl() override {}
  bool CreateDialog(Satellite) override { return true; }
  void DestroyDialog(Satellite) override {}
  void LayOutSatellites() override {}

  QObject video;
  bool previewWindow = false;
  std::vector<std::string> log;
};

class ConfigRig {
 public:
  ConfigRig() : strings(PreviewStrings(), Language::English), graph(platform, boxes, strings, 0) {
    tavo::testing::EnsureApplication();
    platform.devices = {Camera(kPreferredCamera)};
  }
  ~ConfigRig() {
    if (controller) controller->Shutdown();
  }

  // The program started; the dialog not yet open.
  PreviewController& Start() {
    controller = std::make_unique<PreviewController>(
        view, PreviewServices{
                  graph, boxes, strings, shell, saveDialog, root, folder.path().string(), {}, {}});
    controller->Start(true, kMediaRuntimeComplete);
    return *controller;
  }
  // The dialog opened over a started program; messages and writes so far forgotten.
  ConfigDialogModel& Open() {
    if (!controller) Start();
    model = std::make_unique<ConfigDialogModel>(*controller);
    boxes.boxes.clear();
    platform.propertyWrites.clear();
    model->Initialise();
    return *model;
  }

  bool Stored(const char* name, std::uint32_t& value) const {
    RegistryKey key(root);
    return key.Open(root, kSettingsKey) && key.ReadNumber(name, value);
  }
  std::int32_t Stored(const char* name) const {
    std::uint32_t value = 0xdeadbeef;
    EXPECT_TRUE(Stored(name, value)) << name;
    return static_cast<std::int32_t>(value);
  }
  void Store(std::initializer_list<std::pair<const char*, std::int32_t>> values) const {
    RegistryKey key(root);
    ASSERT_TRUE(key.CreateKey(root, kSettingsKey));
    ASSERT_TRUE(key.Open(root, kSettingsKey));
    for (const auto& [name, value] : values) {
      ASSERT_TRUE(key.WriteNumber(name, static_cast<std::uint32_t>(value)));
    }
  }
  // The store's file replaced by a folder: nothing can open or write it.
  void BreakStore() const {
    fs::remove(root.file);
    fs::create_directory(root.file);
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes.boxes) texts.push_back(box.text);
    return texts;
  }
  std::string Text(int id) const { return strings.Text(id); }
  // The last value written to `property` on the camera, or `none`.
  long LastWrite(int property, long none = -999) const {
    long value = none;
    for (const auto& write : platform.propertyWrites) {
      if (write.property == property) value = write.value;
    }
    return value;
  }

  tavo::testing::ScratchFolder folder{fs::temp_directory_path() / "tavo-config-XXXXXX"};
  RegistryRoot root{(folder.path() / "settings.sqlite").string()};
  media::SimulatedPlatform platform;
  RecordingMessageBoxes boxes;
  StringTable strings;
  CaptureGraph graph;
  RecordingShell shell;
  ScriptedSaveFileDialog saveDialog;
  LoggingView view;
  std::unique_ptr<PreviewController> controller;
  std::unique_ptr<ConfigDialogModel> model;
};

TEST(ConfigDialogLists, ResolutionItemsAndThePrefixSearchOfTheCameraList) {
  EXPECT_THAT(ResolutionItems(), ElementsAre(std::string("640 x 480"), std::string("320 x 240"),
                                             std::string("160 x 120")));
  const std::vector<std::string> items = {"Web Cam", "tavo usb pc camera 2", "TAVO USB Pc Camera"};
  EXPECT_EQ(FindItemWithPrefix(items, kPreferredCamera), 1);  // the first, any case
  EXPECT_EQ(FindItemWithPrefix(items, "web"), 0);
  EXPECT_EQ(FindItemWithPrefix(items, "Web Cam Pro"), -1);  // longer than the item
  EXPECT_EQ(FindItemWithPrefix({}, "x"), -1);
}

TEST(ConfigDialogOpen, TheFirstRunsDefaultsAreStoredAndShownAtTheirPlaces) {
  ConfigRig rig;
  ConfigDialogModel& model = rig.Open();
  // The first run stored the camera's three defaults, and the preview runs with them.
  EXPECT_EQ(rig.Stored("Bright"), 10);
  EXPECT_EQ(rig.Stored("Saturation"), 80);
  EXPECT_EQ(rig.Stored("Contrast"), 100);
  EXPECT_EQ(rig.graph.runState(), 1);
  EXPECT_EQ(model.resolutionSelection(), 1);  // 320 x 240
  EXPECT_EQ(model.cameraSelection(), 0);
  const SliderModel& bright = model.slider(kSliderBrightness);
  EXPECT_EQ(bright.minimum, -100);
  EXPECT_EQ(bright.maximum, 100);
  EXPECT_EQ(bright.position, 10);
  EXPECT_EQ(bright.selectionStart, 7);  // below 50: three either side
  EXPECT_EQ(model.slider(kSliderContrast).selectionEnd, 150);
  EXPECT_EQ(model.label(kFieldSaturation), "80");
  EXPECT_EQ(model.reloaded(), (PictureValues{10, 80, 100}));
  // Opening writes nothing to the camera and says nothing.
  EXPECT_THAT(rig.platform.propertyWrites, IsEmpty());
  EXPECT_THAT(rig.Messages(), IsEmpty());
}

TEST(ConfigDialogOpen, SlidersStandAtTheStoredValuesNotAtTheDefaults) {
  ConfigRig rig;
  rig.Store({{"Bright", -40}, {"Saturation", 150}, {"Contrast", 60}});
  ConfigDialogModel& model = rig.Open();
  EXPECT_EQ(model.slider(kSliderBrightness).position, -40);
  EXPECT_EQ(model.slider(kSliderBrightness).selectionStart, -43);
  EXPECT_EQ(model.slider(kSliderSaturation).position, 150);
  EXPECT_EQ(model.slider(kSliderSaturation).selectionStart, 100);  // 50 and more: fifty
  EXPECT_EQ(model.label(kFieldContrast), "60");
  EXPECT_EQ(rig.Stored("Contrast"), 60);
}

TEST(ConfigDialogOpen, AKeyWithBrightOnlyGetsTheDefaultsAndTheCameraKeepsItsPicture) {
  ConfigRig rig;
  rig.Store({{"Bright", 55}});
  ConfigDialogModel& model = rig.Open();
  EXPECT_EQ(rig.Stored("Bright"), 10);
  EXPECT_EQ(rig.Stored("Saturation"), 80);
  EXPECT_EQ(rig.LastWrite(media::kPropertyBrightness), -999);
  for (const auto& write : rig.platform.propertyWrites) EXPECT_NE(write.value, 55);
  EXPECT_EQ(model.label(kFieldBrightness), "10");
  EXPECT_THAT(rig.Messages(), IsEmpty());  // the key was whole again before the dialog read it
}

TEST(ConfigDialogOpen, WithoutAPreviewTheTavoCameraIsPickedByItsNamesBeginning) {
  ConfigRig rig;
  media::SimDevice tavo = Camera("tavo usb pc camera (2)");
  tavo.properties[media::kPropertyBrightness].defaultValue = -5;
  rig.platform.devices = {Camera("Web Cam"), tavo};
  PreviewController& controller = rig.Start();
  EXPECT_EQ(controller.deviceIndex(), 0);  // the start wants the exact name
  controller.TogglePreview();              // off
  ConfigDialogModel& model = rig.Open();
  EXPECT_EQ(model.cameraSelection(), 1);
  EXPECT_EQ(controller.deviceName(), "tavo usb pc camera (2)");
  EXPECT_FALSE(controller.previewBuilt());  // nothing starts
  EXPECT_THAT(rig.Messages(), IsEmpty());
  // The next start uses it: a first run stores its defaults.
  fs::remove(rig.root.file);
  controller.TogglePreview();
  EXPECT_EQ(rig.Stored("Bright"), -5);
}

TEST(ConfigDialogSliders, AMoveStoresItsValueAloneAndItSurvivesAResolutionChange) {
  ConfigRig rig;
  rig.Store({{"Bright", 20}, {"Saturation", 150}, {"Contrast", 60}});
  ConfigDialogModel& model = rig.Open();
  {
    // Another hand changes the other two meanwhile: the move must not write them back.
    RegistryKey key(rig.root);
    ASSERT_TRUE(key.Open(rig.root, kSettingsKey));
    key.WriteNumber("Saturation", 151);
  }
  model.MoveSlider(kSliderBrightness, 45);
  EXPECT_EQ(rig.LastWrite(media::kPropertyBrightness), 45);
  EXPECT_EQ(rig.Stored("Bright"), 45);
  EXPECT_EQ(rig.Stored("Saturation"), 151);
  EXPECT_EQ(model.label(kFieldBrightness), "45");
  EXPECT_EQ(model.slider(kSliderBrightness).selectionStart, 17);  // the band stays put

  model.ChooseResolution(2);  // 160 x 120
  EXPECT_EQ(rig.controller->resolutionIndex(), kResolution160);
  EXPECT_EQ(rig.Stored("Bright"), 45);
  EXPECT_EQ(rig.Stored("Saturation"), 151);
  EXPECT_EQ(rig.Stored("Contrast"), 60);
  EXPECT_EQ(rig.LastWrite(media::kPropertyBrightness), 45);  // applied at the new start
  EXPECT_EQ(model.slider(kSliderBrightness).position, 45);
  EXPECT_EQ(model.slider(kSliderBrightness).selectionStart, 42);  // set up anew
  EXPECT_THAT(rig.Messages(), IsEmpty());
}

TEST(ConfigDialogSliders, AStoreThatCannotBeWrittenIsSaidOnceARun) {
  ConfigRig rig;
  ConfigDialogModel& model = rig.Open();
  rig.BreakStore();
  model.MoveSlider(kSliderBrightness, 30);
  model.MoveSlider(kSliderBrightness, 31);
  model.Crt();
  // The camera still takes the values; the user hears once that they will not stick.
  EXPECT_EQ(rig.LastWrite(media::kPropertyBrightness), 10);
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgSettingsNotStored)));
  for (Language language : {Language::Korean, Language::Japanese}) {
    EXPECT_FALSE(StringTable(PreviewStrings(), language).Text(kMsgSettingsNotStored).empty());
  }
  // A second dialog of the same run says nothing more.
  rig.Open().MoveSlider(kSliderContrast, 40);
  EXPECT_THAT(rig.Messages(), IsEmpty());
}

TEST(ConfigDialogResolution, TheSameOneChangesNothingAnotherRebuildsGraphAndWindow) {
  ConfigRig rig;
  ConfigDialogModel& model = rig.Open();
  rig.view.log.clear();
  model.ChooseResolution(1);
  EXPECT_THAT(rig.view.log, IsEmpty());
  EXPECT_THAT(rig.platform.propertyWrites, IsEmpty());

  model.ChooseResolution(0);
  EXPECT_THAT(rig.view.log, ElementsAre("destroy preview window", "create preview window",
                                        "place preview window 1"));
  EXPECT_EQ(rig.platform.lastSetFormat->width, 640);
  EXPECT_EQ(rig.graph.runState(), 1);
  EXPECT_EQ(model.resolutionSelection(), 0);
  EXPECT_THAT(rig.Messages(), IsEmpty());

  // With the preview off, even the same resolution starts it.
  rig.controller->TogglePreview();
  model.ChooseResolution(0);
  EXPECT_TRUE(rig.controller->previewBuilt());
}

TEST(ConfigDialogCamera, AnotherCameraRebuildsThenResetsToItsDefaults) {
  ConfigRig rig;
  media::SimDevice second = Camera("Web Cam");
  second.properties[media::kPropertyBrightness].defaultValue = -5;
  rig.platform.devices = {Camera(kPreferredCamera), second};
  rig.Store({{"Bright", 20}, {"Saturation", 150}, {"Contrast", 60}});
  ConfigDialogModel& model = rig.Open();
  rig.view.log.clear();
  model.ChooseCamera(0);  // the one in use
  EXPECT_THAT(rig.view.log, IsEmpty());

  model.ChooseCamera(1);
  EXPECT_EQ(rig.controller->deviceIndex(), 1);
  EXPECT_EQ(rig.controller->deviceName(), "Web Cam");
  EXPECT_THAT(rig.view.log, ElementsAre("destroy preview window", "create preview window",
                                        "place preview window 2"));
  EXPECT_EQ(rig.LastWrite(media::kPropertyBrightness), -5);
  EXPECT_EQ(model.slider(kSliderBrightness).position, -5);
  EXPECT_EQ(rig.Stored("Bright"), -5);
  EXPECT_EQ(rig.Stored("Saturation"), 80);
  EXPECT_EQ(model.cameraSelection(), 1);
  model.ChooseCamera(7);  // outside the list
  EXPECT_EQ(rig.controller->deviceIndex(), 1);
  EXPECT_THAT(rig.Messages(), IsEmpty());
}

TEST(ConfigDialogDisplayType, LcdLeavesGammaOneBelowItsDefaultCrtAtIt) {
  ConfigRig rig;
  rig.Store({{"Bright", 20}, {"Saturation", 150}, {"Contrast", 60}});
  ConfigDialogModel& model = rig.Open();
  model.Lcd();
  EXPECT_EQ(rig.LastWrite(media::kPropertyGamma), 4);
  EXPECT_EQ(rig.LastWrite(media::kPropertySaturation), 80);
  EXPECT_EQ(rig.Stored("Saturation"), 80);
  EXPECT_EQ(model.slider(kSliderSaturation).position, 80);
  model.MoveSlider(kSliderContrast, 150);
  model.Crt();
  EXPECT_EQ(rig.LastWrite(media::kPropertyGamma), 5);
  EXPECT_EQ(rig.LastWrite(media::kPropertyContrast), 100);
  EXPECT_EQ(rig.Stored("Contrast"), 100);
  EXPECT_EQ(model.label(kFieldContrast), "100");
  EXPECT_THAT(rig.Messages(), IsEmpty());
}

TEST(ConfigDialogDisplayType, WithoutPictureControlsBothButtonsSay3082AndTheSlidersStay) {
  ConfigRig rig;
  rig.platform.devices = {Camera(kPreferredCamera), Camera("Plain Cam", false)};
  ConfigDialogModel& model = rig.Open();  // a camera with controls sets the sliders up
  const SliderModel before = model.slider(kSliderSaturation);
  model.ChooseCamera(1);  // its plain reset finds no controls either
  EXPECT_EQ(rig.Messages().back(), rig.Text(kMsgNoVideoFeature));
  rig.boxes.boxes.clear();
  model.Crt();
  model.Lcd();
  EXPECT_THAT(rig.Messages(),
              ElementsAre(rig.Text(kMsgNoVideoFeature), rig.Text(kMsgNoVideoFeature)));
  EXPECT_EQ(model.slider(kSliderSaturation).position, before.position);
  EXPECT_EQ(model.slider(kSliderSaturation).maximum, before.maximum);
  EXPECT_EQ(rig.Stored("Saturation"), 80);
  // A value this camera cannot take is neither shown nor stored.
  rig.boxes.boxes.clear();
  model.MoveSlider(kSliderSaturation, 150);
  EXPECT_EQ(rig.Stored("Saturation"), 80);
  EXPECT_EQ(model.label(kFieldSaturation), "80");
  EXPECT_THAT(rig.Messages(), IsEmpty());
}

TEST(ConfigDialogReload, AValueMissingOnReadBackIsToldAndAMissingKeyIsNot) {
  ConfigRig rig;
  rig.platform.devices = {Camera(kPreferredCamera, false)};
  rig.Start();
  // A camera without picture controls leaves no key and nothing to store: the store says
  // nothing. (Each of the three ranges the sliders ask for tells that the camera has none.)
  ConfigDialogModel& model = rig.Open();
  std::uint32_t value = 0;
  EXPECT_FALSE(rig.Stored("Bright", value));
  const std::string noInterface = rig.Text(kCaptureGraphMessageOffset + 3071);
  EXPECT_THAT(rig.Messages(), ElementsAre(noInterface, noInterface, noInterface));
  rig.boxes.boxes.clear();
  // A key that lacks a value fails the read-back.
  rig.Store({{"Bright", 1}, {"Contrast", 3}});
  model.SaveAndReload();
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgRegistryRead)));
}

}  // namespace
}  // namespace tavo::preview
