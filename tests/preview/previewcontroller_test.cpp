// TavoPreview's controller on the simulated platform: start-up and the camera choice, the
// preview and its window, the stored picture settings, the dialogs and the camera button with
// the real grabber, help, the window commands, the shutdown order, and the single-instance lock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "capturegraph.h"
#include "instancelock.h"
#include "jpegfile.h"
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

// A view that logs what the controller asks of its window, with stand-in dialogs.
class FakeView final : public QObject, public PreviewView {
 public:
  explicit FakeView(const CaptureGraph& graph) : graph_(graph) {}

  QObject* FrameTarget() override { return this; }
  QObject* VideoOwner() override { return previewWindow ? &video : nullptr; }
  void Refresh() override {}
  void EndDialog(int result) override { ended = result; }
  void SetTopmost(bool on) override { topmost = on; }
  void Minimise() override { ++minimised; }
  void SetTimer(int, int) override {}
  void KillTimer(int) override {}
  bool HasPreviewWindow() const override { return previewWindow; }
  void CreatePreviewWindow() override {
    Log("create preview window");
    previewWindow = true;
  }
  void DestroyPreviewWindow() override {
    if (!previewWindow) return;
    Log("destroy preview window");
    previewWindow = false;
    videoShown = false;
  }
  void PlacePreviewWindow(int resolutionIndex) override {
    placedAt = resolutionIndex;
    Log("place preview window " + std::to_string(resolutionIndex));
  }
  void ShowVideoControl() override { videoShown = true; }
  bool CreateDialog(Satellite which) override {
    Log(std::string("create ") + Name(which));
    if (!dialogsAvailable) return false;
    dialogs[which] = true;
    return true;
  }
  void DestroyDialog(Satellite which) override {
    Log(std::string("destroy ") + Name(which));
    dialogs[which] = false;
  }
  void LayOutSatellites() override { ++layouts; }

  bool event(QEvent* e) override {
    if (controller != nullptr && static_cast<int>(e->type()) == WM_FRAME_READY) {
      controller->OnFrameReady();
      return true;
    }
    return QObject::event(e);
  }

  PreviewController* controller = nullptr;
  QObject video;
  bool previewWindow = false;
  bool videoShown = false;
  int placedAt = 0;
  int ended = 0;
  bool topmost = false;
  int minimised = 0;
  int layouts = 0;
  bool dialogsAvailable = true;
  std::map<Satellite, bool> dialogs;
  // Each call, with "(built)" when the graph was built at the time.
  std::vector<std::string> log;

 private:
  static const char* Name(Satellite which) {
    return which == Satellite::kSnapshot ? "snapshot dialog" : "config dialog";
  }
  void Log(const std::string& what) { log.push_back(what + (graph_.built() ? " (built)" : "")); }
  const CaptureGraph& graph_;
};

class PreviewRig {
 public:
  explicit PreviewRig(Language language = Language::English)
      : strings(PreviewStrings(), language), graph(platform, boxes, strings, 0), view(graph) {
    tavo::testing::EnsureApplication();
    platform.devices = {Camera(kPreferredCamera)};
  }
  ~PreviewRig() {
    if (controller) controller->Shutdown();
  }

  PreviewController& Make() {
    controller = std::make_unique<PreviewController>(
        view, PreviewServices{graph,
                              boxes,
                              strings,
                              shell,
                              saveDialog,
                              root,
                              folder.path().string(),
                              [this](int index) {
                                devicePathAsked.push_back(index);
                                return std::string();
                              },
                              {}});
    view.controller = controller.get();
    return *controller;
  }
  PreviewController& Started() {
    Make().Start(true, kMediaRuntimeComplete);
    return *controller;
  }

  // One frame of `width` x `height`, grey `level`, delivered to the bar if it was asked for.
  void Frame(int width, int height, std::uint8_t level = 90) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3, level);
    const auto row = static_cast<std::size_t>(width) * 3;
    platform.DeliverSample({pixels.data(), row, static_cast<std::size_t>(height), row, false});
    QCoreApplication::sendPostedEvents(&view);
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes.boxes) texts.push_back(box.text);
    return texts;
  }
  std::string Text(int id) const { return strings.Text(id); }
  std::string Snapshot(int n) const {
    return (folder.path() / "Temp" / ("SnapShot" + std::to_string(n) + ".jpg")).string();
  }
  bool StoredNumber(const char* name, std::uint32_t& value) const {
    RegistryKey key(root);
    return key.Open(root, kSettingsKey) && key.ReadNumber(name, value);
  }

  tavo::testing::ScratchFolder folder{fs::temp_directory_path() / "tavo-preview-XXXXXX"};
  RegistryRoot root{(folder.path() / "settings.sqlite").string()};
  media::SimulatedPlatform platform;
  RecordingMessageBoxes boxes;
  StringTable strings;
  CaptureGraph graph;
  RecordingShell shell;
  ScriptedSaveFileDialog saveDialog;
  FakeView view;
  std::vector<int> devicePathAsked;
  std::unique_ptr<PreviewController> controller;
};

std::pair<std::uint32_t, std::uint32_t> JpegSize(const std::string& path) {
  RecordingMessageBoxes boxes;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  JpegFile(boxes).ReadJpegSize(path, width, height);
  return {width, height};
}

TEST(PreviewStrings, EveryMessageOfTheProgramIsThereInEachLanguage) {
  const int ids[] = {101,  3000, 3001, 3002, 3003, 3004, 3005, 3007, 3008, 3010, 3017, 3018, 3019,
                     3021, 3068, 3072, 3074, 3076, 3079, 3080, 3081, 3082, 3083, 3084, 3085};
  for (Language language : {Language::Korean, Language::English, Language::Japanese}) {
    const StringTable table(PreviewStrings(), language);
    for (int id : ids) EXPECT_FALSE(table.Text(id).empty()) << id;
  }
  const StringTable english(PreviewStrings(), Language::English);
  EXPECT_EQ(english.Text(3001), "The program is already in process or, finishing");
  EXPECT_EQ(english.Text(3080),
            "The image to delete is not selected, or there's no \n or image to delete");
}

TEST(PreviewStartup, TakesTheLastCameraNamedTavoElseTheFirst) {
  struct Case {
    std::vector<std::string> names;
    int chosen;
  } cases[] = {
      {{"Other Cam", kPreferredCamera}, 1},
      {{kPreferredCamera, "Other Cam", kPreferredCamera}, 2},
      {{"First", "tavo usb pc camera"}, 0},  // the name must match exactly
  };
  for (const Case& c : cases) {
    PreviewRig rig;
    rig.platform.devices.clear();
    for (const std::string& name : c.names) rig.platform.devices.push_back(Camera(name));
    PreviewController& controller = rig.Started();
    EXPECT_EQ(controller.deviceIndex(), c.chosen) << c.names.size();
    EXPECT_EQ(controller.deviceName(), c.names[static_cast<std::size_t>(c.chosen)]);
    EXPECT_EQ(controller.deviceNames(), c.names);
    EXPECT_EQ(rig.graph.videoDeviceIndex(), c.chosen);
    EXPECT_TRUE(controller.previewBuilt());
    // The camera key is looked for on the camera in use.
    EXPECT_THAT(rig.devicePathAsked, ElementsAre(c.chosen));
  }
}

TEST(PreviewStartup, WithoutACameraTheProgramEnds) {
  PreviewRig rig;
  rig.platform.devices.clear();
  EXPECT_FALSE(rig.Make().Start(true, kMediaRuntimeComplete));
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgNoVideoDevice)));
  EXPECT_EQ(rig.view.ended, 1);
  EXPECT_FALSE(rig.view.previewWindow);
}

TEST(PreviewStartup, RunsThePreviewAt320x240InADockedWindow) {
  PreviewRig rig;
  PreviewController& controller = rig.Started();
  EXPECT_THAT(rig.Messages(), IsEmpty());
  EXPECT_TRUE(fs::is_directory(rig.folder.path() / "Temp"));
  EXPECT_EQ(controller.resolutionIndex(), kResolution320);
  EXPECT_EQ(rig.graph.runState(), 1);
  EXPECT_THAT(rig.view.log, ElementsAre("create preview window", "place preview window 2"));
  EXPECT_TRUE(rig.view.videoShown);
  ASSERT_TRUE(rig.platform.lastSetFormat.has_value());
  EXPECT_EQ(rig.platform.lastSetFormat->width, 320);
  EXPECT_EQ(rig.platform.lastSetFormat->height, 240);
  EXPECT_EQ(rig.view.ended, 0);
}

TEST(PreviewStartup, OldRuntimeMissingSkinsAndFailuresAreToldInOrder) {
  {
    // An old runtime ends the program, after the remaining steps.
    PreviewRig rig;
    EXPECT_FALSE(rig.Make().Start(false, kMediaRuntimeMinimum - 1));
    EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgImageLoad), rig.Text(kMsgInstallDirectX)));
    EXPECT_EQ(rig.view.ended, 1);
    EXPECT_TRUE(rig.graph.built());
  }
  {
    // A graph that cannot be built leaves the bar up without a picture.
    PreviewRig rig;
    rig.platform.FailAt(media::SimStep::Render);
    EXPECT_TRUE(rig.Make().Start(true, kMediaRuntimeComplete));
    EXPECT_EQ(rig.Messages().back(), rig.Text(kMsgPreviewFailed));
    EXPECT_FALSE(rig.view.videoShown);
    EXPECT_EQ(rig.view.ended, 0);
  }
  {
    PreviewRig rig;
    rig.platform.FailAt(media::SimStep::Run);
    EXPECT_TRUE(rig.Make().Start(true, kMediaRuntimeComplete));
    EXPECT_EQ(rig.Messages().back(), rig.Text(kMsgPreviewFailed));
    EXPECT_TRUE(rig.graph.built());  // the first press of the preview button stops it
    EXPECT_EQ(rig.graph.runState(), 0);
  }
}

TEST(PreviewSettings, TheFirstRunStoresTheCameraDefaultsAndLaterRunsApplyTheStoredValues) {
  PreviewRig rig;
  rig.Started();
  std::uint32_t bright = 0, saturation = 0, contrast = 0;
  ASSERT_TRUE(rig.StoredNumber("Bright", bright));
  ASSERT_TRUE(rig.StoredNumber("Saturation", saturation));
  ASSERT_TRUE(rig.StoredNumber("Contrast", contrast));
  EXPECT_EQ(static_cast<std::int32_t>(bright), 10);
  EXPECT_EQ(saturation, 80u);
  EXPECT_EQ(contrast, 100u);

  {
    RegistryKey key(rig.root);
    ASSERT_TRUE(key.Open(rig.root, kSettingsKey));
    key.WriteNumber("Bright", static_cast<std::uint32_t>(-20));
    key.WriteNumber("Saturation", 150);
    key.WriteNumber("Contrast", 60);
  }
  rig.controller->TogglePreview();  // stop
  rig.platform.propertyWrites.clear();
  rig.controller->TogglePreview();  // start: the stored values, brightness, saturation, contrast
  std::vector<std::pair<int, long>> writes;
  for (const auto& write : rig.platform.propertyWrites)
    writes.emplace_back(write.property, write.value);
  EXPECT_THAT(writes, ElementsAre(std::pair<int, long>(media::kPropertyBrightness, -20),
                                  std::pair<int, long>(media::kPropertySaturation, 150),
                                  std::pair<int, long>(media::kPropertyContrast, 60)));
  EXPECT_EQ(rig.controller->picture().FieldText(kFieldSaturation), "150");
  EXPECT_THAT(rig.Messages(), IsEmpty());
}

TEST(PreviewSettings, AKeyMissingAValueGetsTheDefaultsWithoutApplyingThem) {
  PreviewRig rig;
  {
    RegistryKey key(rig.root);
    ASSERT_TRUE(key.CreateKey(rig.root, kSettingsKey));
    ASSERT_TRUE(key.Open(rig.root, kSettingsKey));
    key.WriteNumber("Bright", 55);
  }
  rig.Started();
  std::uint32_t bright = 0, contrast = 0;
  EXPECT_TRUE(rig.StoredNumber("Bright", bright));
  EXPECT_TRUE(rig.StoredNumber("Contrast", contrast));
  EXPECT_EQ(bright, 10u);
  EXPECT_EQ(contrast, 100u);
  for (const auto& write : rig.platform.propertyWrites) EXPECT_NE(write.value, 55);
  EXPECT_EQ(rig.graph.runState(), 1);
}

TEST(PreviewSettings, ACameraWithoutPictureControlsIsToldOnceAndStoresNothing) {
  PreviewRig rig;
  rig.platform.devices = {Camera(kPreferredCamera, false)};
  rig.Started();
  EXPECT_EQ(rig.Messages().back(), rig.Text(kMsgNoVideoReset));
  EXPECT_EQ(rig.graph.runState(), 1);
  std::uint32_t bright = 0;
  EXPECT_FALSE(rig.StoredNumber("Bright", bright));
}

TEST(PreviewToggle, ThePreviewButtonStopsAndRestartsThePicture) {
  PreviewRig rig;
  PreviewController& controller = rig.Started();
  rig.view.log.clear();
  controller.OnButton(kButtonPreview);
  EXPECT_FALSE(controller.previewBuilt());
  EXPECT_FALSE(rig.view.previewWindow);
  controller.OnButton(kButtonPreview);
  EXPECT_TRUE(controller.previewBuilt());
  EXPECT_EQ(rig.graph.runState(), 1);
  EXPECT_TRUE(rig.view.videoShown);
  EXPECT_THAT(rig.view.log, ElementsAre("destroy preview window", "create preview window",
                                        "place preview window 2"));
  EXPECT_THAT(rig.Messages(), IsEmpty());
}

TEST(PreviewToggle, At640x480TheWideWindowAndFramesOfThatSize) {
  PreviewRig rig;
  PreviewController& controller = rig.Started();
  controller.ChooseResolution(0);
  EXPECT_EQ(controller.resolutionIndex(), kResolution640);
  EXPECT_EQ(rig.view.placedAt, kResolution640);
  EXPECT_EQ(rig.platform.lastSetFormat->width, 640);

  // The same resolution again changes nothing.
  rig.view.log.clear();
  controller.ChooseResolution(0);
  EXPECT_THAT(rig.view.log, IsEmpty());

  controller.OnButton(kButtonSnapshot);  // opens the dialog
  controller.OnCameraButton();           // a snapshot
  rig.Frame(640, 480);
  EXPECT_EQ(JpegSize(rig.Snapshot(1)), std::make_pair(640u, 480u));
}

TEST(PreviewCameraButton, APressOpensTheDialogAndTheNextTakesASnapshot) {
  PreviewRig rig;
  PreviewController& controller = rig.Started();
  rig.view.log.clear();
  controller.OnCameraButton();
  EXPECT_TRUE(controller.snapshotDialogOpen());
  EXPECT_THAT(rig.view.log, ElementsAre("create snapshot dialog (built)"));
  EXPECT_EQ(rig.view.layouts, 1);
  EXPECT_FALSE(fs::exists(rig.Snapshot(1)));

  controller.OnCameraButton();
  rig.Frame(320, 240, 200);
  ASSERT_TRUE(fs::exists(rig.Snapshot(1)));
  EXPECT_EQ(JpegSize(rig.Snapshot(1)), std::make_pair(320u, 240u));
  EXPECT_THAT(controller.store().numbers(), ElementsAre(1u));
  EXPECT_THAT(rig.Messages(), IsEmpty());
}

TEST(PreviewCameraButton, PressesWhileAFrameIsOnItsWayAreNotLostNorDoubled) {
  PreviewRig rig;
  PreviewController& controller = rig.Started();
  controller.OnCameraButton();  // the dialog
  // Two presses before the frame arrives: one frame.
  controller.OnCameraButton();
  controller.OnCameraButton();
  rig.Frame(320, 240);
  rig.Frame(320, 240);
  EXPECT_THAT(controller.store().numbers(), ElementsAre(1u));

  // A press after the frame was grabbed but before it was stored: stored, then one more.
  controller.OnCameraButton();
  std::vector<std::uint8_t> pixels(320 * 240 * 3, 50);
  rig.platform.DeliverSample({pixels.data(), 960, 240, 960, false});
  controller.OnCameraButton();
  QCoreApplication::sendPostedEvents(&rig.view);
  rig.Frame(320, 240);
  EXPECT_THAT(controller.store().numbers(), ElementsAre(1u, 2u, 3u));
  EXPECT_THAT(rig.Messages(), IsEmpty());
}

TEST(PreviewCameraButton, WithThePreviewOffTheSnapshotButtonStartsItAndOpensTheDialog) {
  PreviewRig rig;
  PreviewController& controller = rig.Started();
  controller.OnButton(kButtonPreview);
  ASSERT_FALSE(controller.previewBuilt());
  controller.OnButton(kButtonSnapshot);
  EXPECT_TRUE(controller.previewBuilt());
  EXPECT_TRUE(rig.view.previewWindow);
  EXPECT_TRUE(controller.snapshotDialogOpen());
  // The snapshot button again closes it.
  controller.OnButton(kButtonSnapshot);
  EXPECT_FALSE(controller.snapshotDialogOpen());
  EXPECT_FALSE(rig.view.dialogs[Satellite::kSnapshot]);
  EXPECT_EQ(rig.view.layouts, 2);
}

TEST(PreviewCameraButton, WithTheDialogOpenAndNoPreviewASnapshotFails) {
  PreviewRig rig;
  PreviewController& controller = rig.Started();
  controller.OnCameraButton();
  controller.OnButton(kButtonPreview);  // the preview stops, the dialog stays
  controller.OnCameraButton();
  // The closed graph has let its grabber go, so the graph itself says nothing more.
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgSnapshotFailure)));
}

TEST(PreviewCameraButton, ADialogThatCannotBeMadeStaysClosed) {
  PreviewRig rig;
  PreviewController& controller = rig.Started();
  rig.view.dialogsAvailable = false;
  controller.OnCameraButton();
  controller.OnButton(kButtonConfig);
  EXPECT_FALSE(controller.snapshotDialogOpen());
  EXPECT_FALSE(controller.configDialogOpen());
  EXPECT_EQ(rig.view.layouts, 0);
}

TEST(PreviewDialogs, TheConfigurationDialogOpensClosesAndClosesItself) {
  PreviewRig rig;
  PreviewController& controller = rig.Started();
  controller.OnButton(kButtonConfig);
  EXPECT_TRUE(controller.configDialogOpen());
  controller.OnButton(kButtonConfig);
  EXPECT_FALSE(controller.configDialogOpen());
  controller.OnButton(kButtonConfig);
  controller.OnConfigDialogClosed();
  EXPECT_FALSE(controller.configDialogOpen());
  EXPECT_FALSE(rig.view.dialogs[Satellite::kConfig]);
  controller.OnSnapshotDialogClosed();  // none open: nothing
  EXPECT_EQ(rig.view.layouts, 4);
}

TEST(PreviewCommands, HelpPageByLanguage) {
  EXPECT_EQ(HelpFile("/p", "Korean"), "/p/TavoPreviewHelp.html");
  EXPECT_EQ(HelpFile("/p", "Japanese"), "/p/TavoPreviewHelp_JPN.html");
  EXPECT_EQ(HelpFile("/p", "English"), "/p/TavoPreviewHelp_Eng.html");
  EXPECT_EQ(HelpFile("/p", "Chinese"), "/p/TavoPreviewHelp_Eng.html");
  EXPECT_EQ(HelpFile("", ""), "/TavoPreviewHelp_Eng.html");

  PreviewRig rig(Language::Japanese);
  PreviewController& controller = rig.Started();
  controller.OnButton(kButtonHelp);
  EXPECT_THAT(rig.shell.opened,
              ElementsAre(rig.folder.path().string() + "/TavoPreviewHelp_JPN.html"));
  rig.shell.openResult = kShellFileNotFound;
  controller.OpenHelp();
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgHelpMissing)));
}

TEST(PreviewCommands, PinMinimiseAndExit) {
  PreviewRig rig;
  PreviewController& controller = rig.Started();
  controller.OnButton(kButtonPin);
  EXPECT_TRUE(rig.view.topmost);
  EXPECT_FALSE(controller.notPinned());
  controller.OnButton(kButtonPin);
  EXPECT_FALSE(rig.view.topmost);
  EXPECT_TRUE(controller.notPinned());
  controller.OnButton(kButtonMinimise);
  EXPECT_EQ(rig.view.minimised, 1);
  controller.OnButton(kButtonExit);
  EXPECT_EQ(rig.view.ended, 1);
}

TEST(PreviewShutdown, DialogGraphWindowsThenTheSnapshotFiles) {
  PreviewRig rig;
  PreviewController& controller = rig.Started();
  controller.OnButton(kButtonConfig);
  controller.OnCameraButton();
  controller.OnCameraButton();
  rig.Frame(320, 240);
  ASSERT_TRUE(fs::exists(rig.Snapshot(1)));
  std::ofstream(rig.folder.path() / "Temp" / "keep.txt") << "not ours";
  rig.view.log.clear();
  controller.Shutdown();
  EXPECT_THAT(rig.view.log, ElementsAre("destroy snapshot dialog (built)", "destroy config dialog",
                                        "destroy preview window"));
  EXPECT_FALSE(fs::exists(rig.Snapshot(1)));
  EXPECT_TRUE(fs::exists(rig.folder.path() / "Temp" / "keep.txt"));
  EXPECT_FALSE(controller.cameraKey().listening());
  // A frame posted before the graph closed is dropped quietly; a second shutdown does nothing.
  controller.OnFrameReady();
  rig.view.log.clear();
  controller.Shutdown();
  EXPECT_THAT(rig.view.log, IsEmpty());
  EXPECT_THAT(rig.Messages(), IsEmpty());
}

TEST(PreviewShutdown, AControllerDestroyedWithoutShutdownStillClearsItsSnapshots) {
  PreviewRig rig;
  rig.Started().OnCameraButton();
  rig.controller->OnCameraButton();
  rig.Frame(320, 240);
  ASSERT_TRUE(fs::exists(rig.Snapshot(1)));
  rig.view.log.clear();
  rig.controller.reset();
  EXPECT_FALSE(fs::exists(rig.Snapshot(1)));
  EXPECT_FALSE(rig.graph.built());
  EXPECT_THAT(rig.view.log, IsEmpty());
}

TEST(PreviewInstanceLock, OneHolderAtATimeAndALeftFileBlocksNothing) {
  tavo::testing::ScratchFolder folder(fs::temp_directory_path() / "tavo-lock-XXXXXX");
  const std::string path = folder.File("TavoPreview 2.0.lock");
  // A file left behind by a killed process holds no lock.
  std::ofstream(path) << "";
  {
    InstanceLock first;
    EXPECT_EQ(first.Acquire(path), LockResult::kHeld);
    InstanceLock second;  // a second open file description: as another process would see it
    EXPECT_EQ(second.Acquire(path), LockResult::kTaken);
    EXPECT_FALSE(second.held());
  }
  InstanceLock again;
  EXPECT_EQ(again.Acquire(path), LockResult::kHeld);
  // A folder that does not exist: no lock, which must not keep the program from running.
  InstanceLock nowhere;
  EXPECT_EQ(nowhere.Acquire(folder.File("missing/lock")), LockResult::kNoLock);
  // Never through a symbolic link.
  fs::create_symlink(folder.File("elsewhere"), folder.File("link"));
  EXPECT_EQ(InstanceLock().Acquire(folder.File("link")), LockResult::kNoLock);
  EXPECT_FALSE(fs::exists(folder.File("elsewhere")));
}

}  // namespace
}  // namespace tavo::preview
