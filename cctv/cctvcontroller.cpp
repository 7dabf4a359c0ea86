#include "cctvcontroller.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "cctvstrings.h"
#include "mediaruntime.h"

namespace tavo::cctv {

namespace {

struct PictureProperty {
  int property;
  int slider;
  int field;
  int range;  // index into the controller's range records
};
// The order in which the refresh queries them.
constexpr PictureProperty kRefreshOrder[] = {
    {media::kPropertyBrightness, kSliderBrightness, kFieldBrightness, 0},
    {media::kPropertyContrast, kSliderContrast, kFieldContrast, 1},
    {media::kPropertySaturation, kSliderSaturation, kFieldSaturation, 2},
};
// The order in which they are stored, loaded and applied.
constexpr PictureProperty kStoreOrder[] = {
    {media::kPropertyBrightness, kSliderBrightness, kFieldBrightness, 0},
    {media::kPropertySaturation, kSliderSaturation, kFieldSaturation, 2},
    {media::kPropertyContrast, kSliderContrast, kFieldContrast, 1},
};
constexpr const char* kValueNames[] = {"Bright", "Saturation", "Contrast"};

// The C library's decimal conversion of a short field text, as the panel always stored it.
std::int32_t DecimalOf(const std::string& text) {
  char buffer[10] = {};
  std::strncpy(buffer, text.c_str(), sizeof buffer - 1);
  return static_cast<std::int32_t>(std::atoi(buffer));
}

}  // namespace

std::string HelpFile(const std::string& programFolder, const std::string& uiLanguage) {
  if (uiLanguage == "Korean") return programFolder + "/TAVOCCTVHELP.html";
  if (uiLanguage == "Japanese") return programFolder + "/TAVOCCTVHELP_JPN.html";
  return programFolder + "/TAVOCCTVHELP_ENG.html";
}

CctvController::CctvController(CctvView& view, CctvServices services)
    : view_(view),
      services_(std::move(services)),
      uiLanguage_(services_.strings.UiLanguage()),
      motion_(std::make_unique<MotionDetector>()),
      store_(services_.programFolder, uiLanguage_, services_.clock, services_.writeJpeg),
      composites_(services_.boxes, services_.strings,
                  [this](const std::string& folder, int n) {
                    return store_.FindImageByCounter(folder, n);
                  }),
      mailer_(*this, services_.transport, services_.boxes, services_.strings, services_.smtpPort),
      alerts_(store_, composites_, mailer_),
      viewer_(view_, services_.boxes, services_.strings, store_, services_.saveDialog) {
  alerts_.Connect([this] { return mailAlertsOn_; });
  store_.SetPictureSign([this] { view_.ShowPictureSign(); });
  for (int id : {kSliderBrightness, kSliderSaturation, kSliderContrast}) sliders_[id] = {};
  sliders_[kSliderSensitivity] = {0, kSliderMax, kInitialSensitivity, 0, 0};
  fields_[kFieldSensitivity] = std::to_string(kInitialSensitivity);
  frame_.resize(kFrameBytes);
}

CctvController::~CctvController() = default;

void CctvController::Show(int message) { ShowString(services_.boxes, services_.strings, message); }

bool CctvController::Start(bool skinsLoaded, std::uint32_t mediaRuntimeVersion) {
  bool goOn = true;
  if (!skinsLoaded) Show(kMsgImageLoad);
  if (mediaRuntimeVersion < kMediaRuntimeMinimum) {
    Show(kMsgInstallDirectX);
    view_.EndDialog(1);
    goOn = false;
  }
  if (ChooseCamera()) {
    OpenCamera();
  } else {
    view_.EndDialog(1);
    goOn = false;
  }
  view_.Refresh();
  return goOn;
}

void CctvController::Shutdown() {
  StopSurveillance();
  if (services_.graph.built()) services_.graph.Close();
}

bool CctvController::ChooseCamera() {
  CaptureGraph& graph = services_.graph;
  const int n = graph.EnumerateDevices(media::DeviceCategory::VideoInput);
  if (n == 0) {
    Show(kMsgNoVideoDevice);
    return false;
  }
  cameraList_.clear();
  bool matched = false;
  for (int i = 0; i < n; ++i) {
    const std::string name = graph.GetDeviceName(i).value_or(std::string());
    if (name == kPreferredCamera) {
      cameraName_ = name;
      graph.SelectDevice(i);
      deviceIndex_ = i;
      matched = true;
    }
    cameraList_.push_back(name);
  }
  if (matched) {
    // The list selects the first entry after entry 0 whose name starts with the preferred name
    // (case-insensitive), wrapping round to entry 0.
    auto prefixed = [](const std::string& name) {
      const std::string want = kPreferredCamera;
      if (name.size() < want.size()) return false;
      return std::equal(want.begin(), want.end(), name.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
      });
    };
    for (int k = 1; k <= n; ++k) {
      const int i = k % n;
      if (prefixed(cameraList_[static_cast<std::size_t>(i)])) {
        cameraSelection_ = i;
        break;
      }
    }
    return true;
  }
  cameraName_ = cameraList_.front();
  graph.SelectDevice(0);
  deviceIndex_ = 0;
  cameraSelection_ = 0;
  return true;
}

bool CctvController::OpenCamera() {
  CaptureGraph& graph = services_.graph;
  graph.SelectDevice(deviceIndex_);
  graph.SetCaptureFormat(media::kSubtypeRGB24, kFrameWidth, kFrameHeight, 24);
  const WindowRect rect{0, 0, kFrameWidth, kFrameHeight};
  graph.SetVideoWindow(view_.VideoOwner(), &rect);
  graph.SetFrameTarget(view_.FrameTarget());
  if (graph.Build() != 0) {
    LoadSettings();
  } else {
    Show(kMsgPreviewFailed);
  }
  view_.Refresh();
  return true;
}

void CctvController::StartSurveillance() {
  surveillanceOn_ = true;
  // From the viewer: it closes, and the panel opens once it has (the camera comes back then).
  if (viewerOpen_) {
    reopenConfig_ = true;
    ToggleViewerMode();
  }
  if (!store_.OpenRunFolder()) {
    Halt(kMsgCannotSave);
    return;
  }
  motion_->ResetReference();
  view_.SetTimer(kFrameTimer, FrameTimerPeriod(captureRate_));
  view_.SetTimer(kBlinkTimer, kBlinkPeriod);
  view_.Refresh();
}

void CctvController::StopSurveillance() {
  surveillanceOn_ = false;
  view_.KillTimer(kFrameTimer);
  view_.KillTimer(kBlinkTimer);
  view_.HideBars();
  view_.Refresh();
}

void CctvController::Halt(int message) {
  StopSurveillance();
  Show(message);
}

void CctvController::ToggleConfigPanel() {
  if (viewerOpen_) {
    ToggleViewerMode();
    reopenConfig_ = true;
    return;
  }
  configOpen_ = !configOpen_;
  clientHeight_ = configOpen_ ? kHeightPanel : kHeightNormal;
  view_.SetClientHeight(clientHeight_);
  view_.Refresh();
}

void CctvController::ToggleViewerMode() {
  if (configOpen_) ToggleConfigPanel();
  if (services_.graph.built()) services_.graph.Close();
  viewerOpen_ = !viewerOpen_;
  viewerLayout_ = true;
  if (!viewerOpen_) {
    viewer_.StopSlideshow();
    view_.CloseFolderPanel();
  } else {
    mailBoxShown_ = false;
    clientHeight_ = kHeightViewer;
    view_.SetClientHeight(clientHeight_);
    view_.OpenFolderPanel();
  }
  view_.Refresh();
}

void CctvController::OnViewerClosed() {
  // A late report (the viewer was opened again while the panel slid shut) changes nothing.
  if (viewerOpen_) return;
  mailBoxShown_ = true;
  viewerLayout_ = false;
  viewer_.StopSlideshow();
  if (reopenConfig_) {
    configOpen_ = !configOpen_;
    reopenConfig_ = false;
  }
  clientHeight_ = configOpen_ ? kHeightPanel : kHeightNormal;
  view_.SetClientHeight(clientHeight_);
  if (!services_.graph.built()) OpenCamera();
  view_.Refresh();
}

void CctvController::ToggleAlwaysOnTop() {
  view_.SetTopmost(pinOff_);
  pinOff_ = !pinOff_;
  view_.Refresh();
}

void CctvController::OpenHelp() {
  if (services_.shell.Open(HelpFile(services_.programFolder, uiLanguage_)) <= 32) {
    Show(kMsgHelpMissing);
  }
}

void CctvController::OnTimer(int id) {
  switch (id) {
    case kFrameTimer:
      FrameTick();
      break;
    case kBlinkTimer:
      view_.ShowBars(blinkPhase_);
      blinkPhase_ = !blinkPhase_;
      break;
    case kSlideshowTimer:
      viewer_.SlideshowTick();
      break;
    default:
      Show(kMsgUnknownTimer);
      break;
  }
}

void CctvController::FrameTick() {
  // Without a built graph the request could only report "Streaming is not working" at every
  // tick; the timer is held instead until the camera runs again. No request either while a frame
  // is still being written.
  if (inFrame_ || !services_.graph.built()) return;
  services_.graph.RequestFrame();
}

void CctvController::OnFrameReady() {
  CaptureGraph& graph = services_.graph;
  const FrameGrabber* grabber = graph.frameGrabber();
  if (inFrame_ || grabber == nullptr || grabber->frameLength() != kFrameBytes) return;
  const std::uint8_t* buffer = graph.GetFrameBuffer();
  if (buffer == nullptr) return;
  // A frame asked for just before a stop is still judged, and may join the run just stopped.
  if (!store_.runOpen()) return;
  std::memcpy(frame_.data(), buffer, kFrameBytes);
  if (!MotionDetector::IsMotion(motion_->CountChangedPixels(frame_))) return;
  inFrame_ = true;
  const RecordResult result = store_.RecordMotionFrame(frame_);
  inFrame_ = false;
  if (result == RecordResult::kRecordedNewRun) {
    // The run was full and the next one is open: the timers start over with it.
    if (surveillanceOn_) {
      view_.KillTimer(kFrameTimer);
      view_.KillTimer(kBlinkTimer);
      view_.SetTimer(kFrameTimer, FrameTimerPeriod(captureRate_));
      view_.SetTimer(kBlinkTimer, kBlinkPeriod);
    }
  } else if (!RecordingGoesOn(result) && surveillanceOn_) {
    Halt(kMsgCannotSave);
  }
}

void CctvController::OnCameraLost() {
  // The graph has stopped; closing it lets a later camera choice build a fresh one.
  StopSurveillance();
  if (services_.graph.built()) services_.graph.Close();
  Show(kMsgCameraLost);
  view_.Refresh();
}

void CctvController::OnButton(int id) {
  switch (id) {
    case kButtonViewer:
      if (surveillanceOn_) StopSurveillance();
      ToggleViewerMode();
      break;
    case kButtonPrevious:
      if (viewerOpen_) viewer_.Previous();
      break;
    case kButtonNext:
      if (viewerOpen_) viewer_.Next();
      break;
    case kButtonSlideshow:
      if (viewerOpen_) viewer_.ToggleSlideshow();
      break;
    case kButtonFaster:
      if (viewerOpen_) viewer_.Faster();
      break;
    case kButtonSlower:
      if (viewerOpen_) viewer_.Slower();
      break;
    case kButtonStartStop:
      if (surveillanceOn_) {
        StopSurveillance();
      } else {
        StartSurveillance();
      }
      break;
    case kButtonSetup:
      ToggleConfigPanel();
      break;
    case kButtonPin:
      ToggleAlwaysOnTop();
      break;
    case kButtonHelp:
      OpenHelp();
      break;
    case kButtonMinimise:
      view_.Minimise();
      break;
    case kButtonExit:
      view_.EndDialog(1);
      break;
    case kButtonCrt:
      if (configOpen_) ResetDisplayType(false);
      break;
    case kButtonLcd:
      if (configOpen_) ResetDisplayType(true);
      break;
    case kButtonApply:
      if (configOpen_) SaveSettings();
      break;
    case kButtonMailCheck:
      if (configOpen_ && mailBoxShown_) ToggleMailAlerts();
      break;
    default:
      break;
  }
  view_.Refresh();
}

void CctvController::OnCaptureRateSelected(int index) {
  if (index < 0 || index > 8) return;
  captureRate_ = index + 1;
  if (surveillanceOn_) {
    view_.KillTimer(kFrameTimer);
    view_.SetTimer(kFrameTimer, FrameTimerPeriod(captureRate_));
  }
}

void CctvController::OnCameraSelected(int index) {
  if (index < 0 || index >= static_cast<int>(cameraList_.size())) return;
  CaptureGraph& graph = services_.graph;
  if (graph.built()) {
    if (index == deviceIndex_) return;
    deviceIndex_ = index;
    graph.Close();
  } else {
    deviceIndex_ = index;
  }
  cameraSelection_ = index;
  cameraName_ = cameraList_[static_cast<std::size_t>(index)];
  OpenCamera();
}

void CctvController::OnSlider(int id, int position) {
  auto it = sliders_.find(id);
  if (it == sliders_.end()) return;
  SliderModel& model = it->second;
  position = std::clamp(position, model.minimum, model.maximum);
  model.position = position;
  switch (id) {
    case kSliderBrightness:
      services_.graph.SetVideoProperty(media::kPropertyBrightness, position);
      SetField(kFieldBrightness, position);
      break;
    case kSliderSaturation:
      services_.graph.SetVideoProperty(media::kPropertySaturation, position);
      SetField(kFieldSaturation, position);
      break;
    case kSliderContrast:
      services_.graph.SetVideoProperty(media::kPropertyContrast, position);
      SetField(kFieldContrast, position);
      break;
    case kSliderSensitivity:
      ApplySensitivityPosition(position);
      break;
    default:
      break;
  }
}

void CctvController::ApplySensitivityPosition(int position) {
  motion_->SetSensitivity(position);
  sliders_[kSliderSensitivity].position = motion_->sliderPosition();
  SetField(kFieldSensitivity, motion_->sliderPosition());
}

void CctvController::OnMailTextEdited(int id, const std::string& text) {
  if (id == kEditSender || id == kEditRecipient || id == kEditSmtpServer) fields_[id] = text;
}

std::string CctvController::MailEditText(int id) const { return FieldText(id); }

std::string CctvController::FieldText(int id) const {
  auto it = fields_.find(id);
  return it == fields_.end() ? std::string() : it->second;
}

const SliderModel& CctvController::slider(int id) const {
  static const SliderModel kNone{};
  auto it = sliders_.find(id);
  return it == sliders_.end() ? kNone : it->second;
}

void CctvController::SetField(int id, int value) { fields_[id] = std::to_string(value); }

void CctvController::ToggleMailAlerts() {
  mailAlertsOn_ = !mailAlertsOn_;
  view_.Refresh();
}

void CctvController::ResetDisplayType(bool lcd) {
  CaptureGraph& graph = services_.graph;
  if (!graph.built()) return;
  if (graph.ResetVideoProperties()) {
    RefreshPictureSliders();
  } else {
    Show(kMsgNoVideoFeature);
  }
  if (lcd) graph.StepGammaDown();
}

void CctvController::RefreshPictureSliders() {
  for (const PictureProperty& p : kRefreshOrder) {
    media::PropertyRange& range = ranges_[static_cast<std::size_t>(p.range)];
    range = {};
    if (!services_.graph.GetVideoPropertyRange(p.property, range)) continue;
    SliderModel& model = sliders_[p.slider];
    const int def = static_cast<int>(range.defaultValue);
    const int half = def >= 50 ? 50 : 3;
    model = {static_cast<int>(range.minimum), static_cast<int>(range.maximum), def, def - half,
             def + half};
    SetField(p.field, def);
  }
  motion_->ResetSensitivity();
  sliders_[kSliderSensitivity].position = kInitialSensitivity;
  SetField(kFieldSensitivity, kInitialSensitivity);
}

void CctvController::LoadSettings() {
  CaptureGraph& graph = services_.graph;
  const StringTable& strings = services_.strings;
  const std::string texts[3] = {strings.Text(kMsgFirstSender), strings.Text(kMsgFirstRecipient),
                                strings.Text(kMsgFirstServer)};
  RegistryKey key(services_.settingsRoot);
  if (!key.OpenSubKey(kSettingsKey)) {
    // First run. Without picture-property control the range records stay zero, so the key is
    // still complete and later loads do not fail on a missing value.
    ranges_ = {};
    if (graph.ResetVideoProperties()) {
      RefreshPictureSliders();
    } else {
      Show(kMsgNoVideoReset);
    }
    if (key.CreateKey(services_.settingsRoot, kSettingsKey) &&
        key.Open(services_.settingsRoot, kSettingsKey)) {
      key.WriteString("FromMailAdd", texts[0]);
      key.WriteString("ToMailAdd", texts[1]);
      key.WriteString("Smtp", texts[2]);
      for (int i = 0; i < 3; ++i) {
        key.WriteNumber(kValueNames[i],
                        static_cast<std::uint32_t>(static_cast<std::int32_t>(
                            ranges_[static_cast<std::size_t>(kStoreOrder[i].range)].defaultValue)));
      }
      // The slider position is what "Sensitive" holds (as apply stores it).
      key.WriteNumber("Sensitive", static_cast<std::uint32_t>(motion_->sliderPosition()));
      key.Close();
    }
  }
  if (key.Open(services_.settingsRoot, kSettingsKey)) {
    std::string read[3];
    std::uint32_t numbers[4] = {};
    bool ok = key.ReadString("FromMailAdd", read[0]) && key.ReadString("ToMailAdd", read[1]) &&
              key.ReadString("Smtp", read[2]);
    for (int i = 0; ok && i < 3; ++i) ok = key.ReadNumber(kValueNames[i], numbers[i]);
    ok = ok && key.ReadNumber("Sensitive", numbers[3]);
    if (!ok) {
      Show(kMsgRegistryRead);
    } else {
      fields_[kEditSender] = read[0];
      fields_[kEditRecipient] = read[1];
      fields_[kEditSmtpServer] = read[2];
      RefreshPictureSliders();
      for (int i = 0; i < 3; ++i) {
        const PictureProperty& p = kStoreOrder[i];
        const int value = static_cast<std::int32_t>(numbers[i]);
        if (graph.SetVideoProperty(p.property, value)) {
          SetField(p.field, value);
          SliderModel& model = sliders_[p.slider];
          model.position = std::clamp(value, model.minimum, model.maximum);
        }
      }
      // The stored sensitivity survives a start: it is the slider position.
      const int position = static_cast<int>(std::min<std::uint32_t>(numbers[3], kSliderMax));
      ApplySensitivityPosition(position);
    }
    key.Close();
  }
  if (graph.Run() != media::Status::Ok) Show(kMsgPreviewStart);
  view_.Refresh();
}

void CctvController::SaveSettings() {
  RegistryKey key(services_.settingsRoot);
  if (!key.OpenSubKey(kSettingsKey)) key.CreateKey(services_.settingsRoot, kSettingsKey);
  key.Open(services_.settingsRoot, kSettingsKey);
  key.WriteString("FromMailAdd", FieldText(kEditSender));
  key.WriteString("ToMailAdd", FieldText(kEditRecipient));
  key.WriteString("Smtp", FieldText(kEditSmtpServer));
  key.WriteNumber("Bright", static_cast<std::uint32_t>(DecimalOf(FieldText(kFieldBrightness))));
  key.WriteNumber("Saturation", static_cast<std::uint32_t>(DecimalOf(FieldText(kFieldSaturation))));
  key.WriteNumber("Contrast", static_cast<std::uint32_t>(DecimalOf(FieldText(kFieldContrast))));
  key.WriteNumber("Sensitive", static_cast<std::uint32_t>(DecimalOf(FieldText(kFieldSensitivity))));
  key.Close();
}

}  // namespace tavo::cctv
