#include "previewcontroller.h"

#include <filesystem>
#include <system_error>

#include "framegrabber.h"
#include "mediaruntime.h"
#include "previewstrings.h"

namespace tavo::preview {

namespace {

PictureControlsSetup PreviewPictureControls() {
  return {{kSliderBrightness, kFieldBrightness},
          {kSliderSaturation, kFieldSaturation},
          {kSliderContrast, kFieldContrast},
          kSettingsKey,
          kMsgNoVideoFeature,
          kMsgNoVideoReset};
}

// The Temp folder, made when nothing of that name exists; a failure is not told (snapshots then
// cannot be written, and each one says so).
std::string MakeTemporaryFolder(const std::string& programFolder) {
  const std::string folder = programFolder + "/Temp";
  std::error_code error;
  if (!std::filesystem::exists(std::filesystem::symlink_status(folder, error))) {
    std::filesystem::create_directory(folder, error);
  }
  return folder;
}

}  // namespace

std::string HelpFile(const std::string& programFolder, const std::string& uiLanguage) {
  if (uiLanguage == "Korean") return programFolder + "/TavoPreviewHelp.html";
  if (uiLanguage == "Japanese") return programFolder + "/TavoPreviewHelp_JPN.html";
  return programFolder + "/TavoPreviewHelp_Eng.html";
}

PreviewController::PreviewController(PreviewView& view, PreviewServices services)
    : view_(view),
      services_(std::move(services)),
      uiLanguage_(services_.strings.UiLanguage()),
      temporaryFolder_(MakeTemporaryFolder(services_.programFolder)),
      cameras_(services_.graph, services_.boxes, services_.strings, kMsgNoVideoDevice),
      picture_(services_.graph, services_.boxes, services_.strings, PreviewPictureControls()),
      store_(temporaryFolder_, services_.boxes, services_.strings, services_.saveDialog),
      cameraKey_([this] { OnCameraButton(); }) {
  store_.SetResolutionIndex(resolutionIndex_);
}

PreviewController::~PreviewController() {
  // Without a Shutdown (the window went another way) the view may be half gone: only what the
  // controller holds itself is stopped, and the snapshot files go all the same.
  if (shutDown_) return;
  if (services_.graph.built()) services_.graph.Close();
  store_.ClearTemporaryFolder();
  cameraKey_.Release();
}

void PreviewController::Show(int message) {
  ShowString(services_.boxes, services_.strings, message);
}

bool PreviewController::Start(bool skinsLoaded, std::uint32_t mediaRuntimeVersion) {
  bool goOn = true;
  if (!skinsLoaded) Show(kMsgImageLoad);
  if (mediaRuntimeVersion < kMediaRuntimeMinimum) {
    Show(kMsgInstallDirectX);
    view_.EndDialog(1);
    goOn = false;
  }
  if (!cameras_.Choose()) {
    view_.EndDialog(1);
    view_.Refresh();
    return false;
  }
  StartPreview();
  view_.Refresh();
  return goOn;
}

bool PreviewController::StartPreview() {
  CaptureGraph& graph = services_.graph;
  graph.SelectDevice(cameras_.deviceIndex());
  const FrameSize size = FrameSizeOf(resolutionIndex_);
  graph.SetCaptureFormat(media::kSubtypeRGB24, size.width, size.height, 24);
  if (!view_.HasPreviewWindow()) view_.CreatePreviewWindow();
  view_.PlacePreviewWindow(resolutionIndex_);
  const WindowRect rect{0, 0, size.width, size.height};
  graph.SetVideoWindow(view_.VideoOwner(), &rect);
  graph.SetFrameTarget(view_.FrameTarget());
  // The frames that arrive from now on have this size.
  store_.SetResolutionIndex(resolutionIndex_);
  if (graph.Build() == 0) {
    Show(kMsgPreviewFailed);
    view_.Refresh();
    return false;
  }
  const bool runs = ApplyStoredSettingsAndRun();
  ListenToCameraKey();
  view_.ShowVideoControl();
  view_.Refresh();
  return runs;
}

bool PreviewController::ApplyStoredSettingsAndRun() {
  CaptureGraph& graph = services_.graph;
  const RegistryRoot& root = services_.settingsRoot;
  RegistryKey key(root);
  bool opened = key.OpenSubKey(kSettingsKey);
  if (!opened) {
    // The first run: the camera's defaults become the stored settings. A camera without picture
    // properties stores nothing, so the next start tries again.
    if (picture_.ResetForFirstRun()) {
      picture_.StoreDefaults(root);
      opened = true;
    }
  }
  if (opened && key.Open(root, kSettingsKey)) {
    PictureValues values{};
    // The ranges first: a stored value is applied within the range of this camera.
    picture_.Refresh();
    if (PictureControls::ReadValues(key, values)) {
      picture_.Apply(values);
    } else {
      // A value is missing: the camera's defaults are stored over the key, not applied.
      picture_.StoreDefaults(root);
    }
  }
  key.Close();
  if (graph.Run() != media::Status::Ok) {
    Show(kMsgPreviewFailed);
    return false;
  }
  return true;
}

void PreviewController::ListenToCameraKey() {
  cameraKey_.Release();
  if (!services_.devicePath) return;
  const std::string video = services_.devicePath(cameras_.deviceIndex());
  if (video.empty()) return;
  const std::string keys = FindCameraKeyDevice(video, services_.deviceTree);
  if (!keys.empty()) cameraKey_.Listen(keys);
}

void PreviewController::TogglePreview() {
  if (services_.graph.built()) {
    services_.graph.Close();
    view_.DestroyPreviewWindow();
  } else {
    if (!view_.HasPreviewWindow()) view_.CreatePreviewWindow();
    StartPreview();
  }
  view_.Refresh();
}

void PreviewController::ToggleSnapshotDialog() {
  if (snapshotOpen_) {
    CloseSnapshotDialog();
    return;
  }
  if (!services_.graph.built()) TogglePreview();
  if (!services_.graph.built() || snapshotOpen_) return;
  if (!view_.CreateDialog(Satellite::kSnapshot)) return;
  snapshotOpen_ = true;
  view_.LayOutSatellites();
  view_.Refresh();
}

void PreviewController::ToggleConfigDialog() {
  if (configOpen_) {
    CloseConfigDialog();
    return;
  }
  if (!view_.CreateDialog(Satellite::kConfig)) return;
  configOpen_ = true;
  view_.LayOutSatellites();
  view_.Refresh();
}

void PreviewController::CloseSnapshotDialog() {
  view_.DestroyDialog(Satellite::kSnapshot);
  snapshotOpen_ = false;
  view_.LayOutSatellites();
  view_.Refresh();
}

void PreviewController::CloseConfigDialog() {
  view_.DestroyDialog(Satellite::kConfig);
  configOpen_ = false;
  view_.LayOutSatellites();
  view_.Refresh();
}

void PreviewController::OnSnapshotDialogClosed() {
  if (snapshotOpen_) CloseSnapshotDialog();
}

void PreviewController::OnConfigDialogClosed() {
  if (configOpen_) CloseConfigDialog();
}

void PreviewController::OnCameraButton() {
  if (shutDown_) return;
  if (!snapshotOpen_) {
    ToggleSnapshotDialog();
    return;
  }
  if (!TakeSnapshot()) Show(kMsgSnapshotFailure);
}

bool PreviewController::TakeSnapshot() {
  CaptureGraph& graph = services_.graph;
  if (const FrameGrabber* grabber = graph.frameGrabber(); grabber != nullptr && graph.built()) {
    if (grabber->requested()) return true;
    if (grabber->delivered()) {
      snapshotAfterStore_ = true;
      return true;
    }
  }
  return graph.RequestFrame();
}

void PreviewController::OnFrameReady() {
  CaptureGraph& graph = services_.graph;
  FrameGrabber* grabber = graph.frameGrabber();
  // A frame posted before the graph closed finds no grabber, or one that delivered nothing.
  if (grabber == nullptr || !grabber->delivered()) return;
  const std::size_t bytes = grabber->frameLength();
  const std::uint8_t* frame = graph.GetFrameBuffer();
  if (frame != nullptr) store_.StoreGrabbedFrame(frame, bytes);
  if (snapshotAfterStore_) {
    snapshotAfterStore_ = false;
    if (!graph.RequestFrame()) Show(kMsgSnapshotFailure);
  }
}

bool PreviewController::ChooseResolution(int item) {
  const int index = item + 1;
  if (index < kResolution640 || index > kResolution160) return false;
  CaptureGraph& graph = services_.graph;
  if (graph.built() && resolutionIndex_ == index) return false;
  if (graph.built()) graph.Close();
  view_.DestroyPreviewWindow();
  resolutionIndex_ = index;
  StartPreview();
  return true;
}

bool PreviewController::ChooseCamera(int item) {
  // Pick closes the built graph of another camera.
  if (!cameras_.Pick(item)) return false;
  view_.DestroyPreviewWindow();
  StartPreview();
  return true;
}

void PreviewController::SelectListedCamera(int item) {
  if (!services_.graph.built()) cameras_.Pick(item);
}

void PreviewController::TellSettingsNotStored() {
  if (toldSettingsNotStored_) return;
  toldSettingsNotStored_ = true;
  Show(kMsgSettingsNotStored);
}

void PreviewController::OnButton(int id) {
  switch (id) {
    case kButtonSnapshot:
      ToggleSnapshotDialog();
      break;
    case kButtonPreview:
      TogglePreview();
      break;
    case kButtonConfig:
      ToggleConfigDialog();
      break;
    case kButtonHelp:
      OpenHelp();
      break;
    case kButtonPin:
      ToggleAlwaysOnTop();
      break;
    case kButtonMinimise:
      view_.Minimise();
      break;
    case kButtonExit:
      view_.EndDialog(1);
      break;
    default:
      break;
  }
  view_.Refresh();
}

void PreviewController::OpenHelp() {
  if (services_.shell.Open(HelpFile(services_.programFolder, uiLanguage_)) <= 32) {
    Show(kMsgHelpMissing);
  }
}

void PreviewController::ToggleAlwaysOnTop() {
  view_.SetTopmost(notPinned_);
  notPinned_ = !notPinned_;
  view_.Refresh();
}

void PreviewController::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  // The snapshot dialog first (its viewer with it), then the graph, so that no frame arrives in a
  // window that is going; the snapshot files last, once nothing writes them.
  if (snapshotOpen_) {
    view_.DestroyDialog(Satellite::kSnapshot);
    snapshotOpen_ = false;
  }
  if (services_.graph.built()) services_.graph.Close();
  if (configOpen_) {
    view_.DestroyDialog(Satellite::kConfig);
    configOpen_ = false;
  }
  view_.DestroyPreviewWindow();
  store_.ClearTemporaryFolder();
  cameraKey_.Release();
}

}  // namespace tavo::preview
