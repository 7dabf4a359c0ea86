// The controller of TavoPreview's control bar: start-up, the camera choice, the live preview and
// its preview window, the snapshot and configuration dialogs, the camera button, help and the
// window commands, and the order of the shutdown. It owns no window; it drives one through
// PreviewView, so it runs in tests.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "camerabutton.h"
#include "camerachoice.h"
#include "capturegraph.h"
#include "picturecontrols.h"
#include "previewdocking.h"
#include "programview.h"
#include "registrykey.h"
#include "savefiledialog.h"
#include "shell.h"
#include "snapshotstore.h"
#include "stringtable.h"

namespace tavo::preview {

// The control bar's title: snaplauncher finds the program by it, and the single-instance lock and
// the press socket are named after it.
inline constexpr const char* kWindowTitle = "TavoPreview 2.0";
inline constexpr const char* kSettingsKey = "Software\\Kolbrant\\TavoPreview_Info";

// Painted buttons of the bar, in its numbering (also the hovered-button numbers).
enum Button : int {
  kButtonSnapshot = 1,
  kButtonPreview = 2,
  kButtonConfig = 3,
  kButtonHelp = 4,
  kButtonPin = 5,
  kButtonMinimise = 6,
  kButtonExit = 7,
};

// Resolution indices: 1 = 640 x 480, 2 = 320 x 240 (every run starts there), 3 = 160 x 120.
inline constexpr int kResolution640 = 1;
inline constexpr int kResolution320 = 2;
inline constexpr int kResolution160 = 3;

// The configuration dialog's picture sliders and their value fields.
inline constexpr int kSliderBrightness = 1007;
inline constexpr int kSliderSaturation = 1008;
inline constexpr int kSliderContrast = 1009;
inline constexpr int kFieldBrightness = 1011;
inline constexpr int kFieldSaturation = 1012;
inline constexpr int kFieldContrast = 1013;

// Message numbers of TavoPreview's string table used here (3019 is the store's).
inline constexpr int kMsgAlreadyRunning = 3001;
inline constexpr int kMsgImageLoad = 3007;
inline constexpr int kMsgNoVideoDevice = 3010;
inline constexpr int kMsgPreviewFailed = 3017;
inline constexpr int kMsgNoVideoReset = 3018;
inline constexpr int kMsgNoVideoFeature = 3082;
inline constexpr int kMsgRegistryRead = 3084;
inline constexpr int kMsgHelpMissing = 3085;
inline constexpr int kMsgSettingsNotStored = 3096;
inline constexpr int kStringAboutItem = 101;

// Qt event types, numbered as the window messages they stand for (WM_USER is 1024).
inline constexpr int WM_SNAPSHOT_DIALOG_CLOSED = 1924;  // the snapshot dialog closed itself
inline constexpr int WM_CONFIG_DIALOG_CLOSED = 1925;    // the configuration dialog closed itself
inline constexpr int WM_CAMERA_BUTTON = 2038;           // the camera's button was pressed

// The help page of a language (string 3000): Korean, Japanese, or English for anything else.
std::string HelpFile(const std::string& programFolder, const std::string& uiLanguage);

// What the controller needs of its window besides what every main window offers: the preview
// window (dialog 129) and the two satellite dialogs. VideoOwner is the preview window's video
// control (none without a preview window).
class PreviewView : public ProgramView {
 public:
  virtual bool HasPreviewWindow() const = 0;
  // Creates the preview window, docked above the bar, hidden until its video control shows.
  virtual void CreatePreviewWindow() = 0;
  // Closes and deletes it; nothing without one.
  virtual void DestroyPreviewWindow() = 0;
  // Sizes the preview window and places its video control for `resolutionIndex`.
  virtual void PlacePreviewWindow(int resolutionIndex) = 0;
  virtual void ShowVideoControl() = 0;
  // The snapshot dialog or the configuration dialog: created and shown; false when none could be
  // made. Destroy deletes it (nothing when there is none).
  virtual bool CreateDialog(Satellite which) = 0;
  virtual void DestroyDialog(Satellite which) = 0;
  // The satellites shown and laid out again from their docking states.
  virtual void LayOutSatellites() = 0;
};

// Everything the controller is given.
struct PreviewServices {
  CaptureGraph& graph;
  MessageBoxes& boxes;
  const StringTable& strings;
  Shell& shell;
  SaveFileDialog& saveDialog;
  RegistryRoot settingsRoot;
  std::string programFolder;
  // The video device file ("/dev/video0") of camera `index` of the graph's list; empty when it has
  // none (the virtual camera). Without it the camera's own key is not listened to.
  std::function<std::string(int index)> devicePath;
  // Where the camera key's input device is looked for.
  DeviceTree deviceTree;
};

class PreviewController {
 public:
  // The program's state at its start: the Temp folder made if nothing of that name exists, the
  // snapshot store empty, 320 x 240, nothing pinned, both dialogs closed.
  PreviewController(PreviewView& view, PreviewServices services);
  ~PreviewController();
  PreviewController(const PreviewController&) = delete;
  PreviewController& operator=(const PreviewController&) = delete;

  // Start-up once the bar's skin was loaded (`skinsLoaded` false shows 3007): the media runtime
  // check (3008), the camera choice (3010 when there is none) and the preview. False when the
  // program is to end (the view was told to end too).
  bool Start(bool skinsLoaded, std::uint32_t mediaRuntimeVersion);
  // The window is going: snapshot dialog, graph closed, configuration dialog and preview window,
  // the snapshot files, the camera key. Once; later calls do nothing. The window calls it while it
  // still stands; a controller destroyed without it closes the graph and deletes the snapshot files
  // without touching the view.
  void Shutdown();

  // The preview at the current resolution: device, format, preview window and its geometry,
  // build (3017), the stored picture settings, run (3017), the camera key. True when it runs.
  bool StartPreview();
  // The preview button: stops a built graph and deletes the preview window, or starts it.
  void TogglePreview();
  // The snapshot button: closes the open dialog, or opens it (starting the preview first).
  void ToggleSnapshotDialog();
  void ToggleConfigDialog();
  // The dialogs closed themselves.
  void OnSnapshotDialogClosed();
  void OnConfigDialogClosed();
  // The camera's button, from the press socket or the camera key: opens the snapshot dialog, or,
  // while it is open, takes a snapshot (3019 when that cannot be).
  void OnCameraButton();
  // Asks for the next frame as a snapshot. A frame already asked for is not asked for twice; one
  // delivered but not yet stored is followed by another request once it is. False (after the
  // graph's 3068) when no preview runs.
  bool TakeSnapshot();
  // WM_FRAME_READY: the grabbed frame goes into the snapshot store, dialog or not.
  void OnFrameReady();
  // Another resolution from the configuration dialog (list item 0, 1 or 2): the graph and the
  // preview window made again at it. The one already running changes nothing. True when the
  // preview was started again (whether it runs or not).
  bool ChooseResolution(int item);
  // Another camera from the configuration dialog's list (item `item`): the graph and the preview
  // window made again with it. The camera of the built graph, or an item outside the list,
  // changes nothing. True when the preview was started again.
  bool ChooseCamera(int item);
  // Without a built graph, the camera the configuration dialog shows selected becomes the one the
  // next start uses; nothing else happens.
  void SelectListedCamera(int item);
  // A picture setting could not be written to the store: said once a run, so that a user whose
  // settings never stick hears it without a box at every slider step.
  void TellSettingsNotStored();

  void Show(int message);

  void OnButton(int id);
  void OpenHelp();
  void ToggleAlwaysOnTop();

  // State for the window, the dialogs and tests.
  const std::string& uiLanguage() const { return uiLanguage_; }
  const std::string& programFolder() const { return services_.programFolder; }
  const std::string& temporaryFolder() const { return temporaryFolder_; }
  bool previewBuilt() const { return services_.graph.built(); }
  bool snapshotDialogOpen() const { return snapshotOpen_; }
  bool configDialogOpen() const { return configOpen_; }
  bool notPinned() const { return notPinned_; }
  int resolutionIndex() const { return resolutionIndex_; }
  int deviceIndex() const { return cameras_.deviceIndex(); }
  const std::string& deviceName() const { return cameras_.cameraName(); }
  const std::vector<std::string>& deviceNames() const { return cameras_.names(); }
  SnapshotStore& store() { return store_; }
  const SnapshotStore& store() const { return store_; }
  PictureControls& picture() { return picture_; }
  const PictureControls& picture() const { return picture_; }
  const RegistryRoot& settingsRoot() const { return services_.settingsRoot; }
  const CameraKey& cameraKey() const { return cameraKey_; }
  bool shutDown() const { return shutDown_; }

 private:
  // The stored picture settings loaded and applied (the first run stores the camera's
  // defaults), then Run. False when the graph does not run.
  bool ApplyStoredSettingsAndRun();
  void ListenToCameraKey();
  void CloseSnapshotDialog();
  void CloseConfigDialog();

  PreviewView& view_;
  PreviewServices services_;
  std::string uiLanguage_;
  std::string temporaryFolder_;
  CameraChoice cameras_;
  PictureControls picture_;
  SnapshotStore store_;
  CameraKey cameraKey_;

  int resolutionIndex_ = kResolution320;
  bool snapshotOpen_ = false;
  bool configOpen_ = false;
  bool notPinned_ = true;
  // A snapshot was asked for while the last frame was still on its way to the store: one more
  // frame is requested once that one is stored, so no press is lost.
  bool snapshotAfterStore_ = false;
  bool shutDown_ = false;
  bool toldSettingsNotStored_ = false;
};

}  // namespace tavo::preview
