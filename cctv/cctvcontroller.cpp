#include "cctvcontroller.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cctvstrings.h"
#include "mediaruntime.h"

namespace tavo::cctv {

namespace {

PictureControlsSetup CctvPictureControls() {
  return {{kSliderBrightness, kFieldBrightness},
          {kSliderSaturation, kFieldSaturation},
          {kSliderContrast, kFieldContrast},
          kSettingsKey,
          kMsgNoVideoFeature,
          kMsgNoVideoReset};
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
      viewer_(view_, services_.boxes, services_.strings, store_, services_.saveDialog),
      cameras_(services_.graph, services_.boxes, services_.strings, kMsgNoVideoDevice),
      picture_(services_.graph, services_.boxes, services_.strings, CctvPictureControls()),
      settings_(services_.settingsRoot, picture_, services_.boxes, services_.strings),
      loop_(view_, services_.graph, store_, *motion_) {
  alerts_.Connect([this] { return mailAlertsOn_; });
  store_.SetPictureSign([this] { view_.ShowPictureSign(); });
  fields_[kFieldSensitivity] = std::to_string(kInitialSensitivity);
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
  view_.KillTimer(kCameraRetryTimer);
  if (services_.graph.built()) services_.graph.Close();
}

bool CctvController::ChooseCamera() { return cameras_.Choose(); }

int CctvController::BuildGraph() {
  CaptureGraph& graph = services_.graph;
  graph.SelectDevice(cameras_.deviceIndex());
  graph.SetCaptureFormat(media::kSubtypeRGB24, kFrameWidth, kFrameHeight, 24);
  const WindowRect rect{0, 0, kFrameWidth, kFrameHeight};
  graph.SetVideoWindow(view_.VideoOwner(), &rect);
  graph.SetFrameTarget(view_.FrameTarget());
  return graph.Build();
}

bool CctvController::CameraRuns() const {
  return services_.graph.built() && services_.graph.runState() == 1;
}

bool CctvController::OpenCamera() {
  if (BuildGraph() != 0) {
    LoadSettings();
    if (CameraRuns()) OnCameraBack();
  } else {
    Show(kMsgPreviewFailed);
  }
  view_.Refresh();
  return true;
}

bool CctvController::ReopenLostCamera() {
  CaptureGraph& graph = services_.graph;
  // The user was told of the loss once; the attempts to get the camera back stay silent.
  graph.SetQuiet(true);
  if (graph.built()) graph.Close();
  const bool runs = cameras_.FindAgain() && BuildGraph() != 0 && graph.Run() == media::Status::Ok;
  // A failed attempt leaves no half-built graph for the next one to trip over.
  if (!runs) graph.Close();
  graph.SetQuiet(false);
  if (runs) {
    // A camera that was away starts from its own defaults: it gets the values the sliders show.
    picture_.ApplyShown();
    OnCameraBack();
  }
  view_.Refresh();
  return runs;
}

void CctvController::OnCameraBack() {
  if (!cameraLost_) return;
  cameraLost_ = false;
  view_.KillTimer(kCameraRetryTimer);
  if (!resumeOnReturn_) return;
  resumeOnReturn_ = false;
  // The pictures before and after the gap go into runs of their own.
  loop_.SwitchOn();
  if (!loop_.OpenRun()) Halt(kMsgCannotSave);
}

bool CctvController::OpenCameraForStart() {
  if (cameraLost_) {
    if (ReopenLostCamera()) return true;
    Show(kMsgCameraLost);
    return false;
  }
  // Built but not running (its Run failed): it is built afresh.
  if (services_.graph.built()) services_.graph.Close();
  OpenCamera();  // a failure is told there (message 3008 or 3026)
  return CameraRuns();
}

void CctvController::StartSurveillance() {
  // The user's start replaces a start held for the camera's return.
  resumeOnReturn_ = false;
  // Without a running camera nothing would be recorded: say so once rather than blink on. From
  // the viewer the camera only comes back once the viewer has closed (OnViewerClosed).
  if (!viewerOpen_ && !CameraRuns() && !OpenCameraForStart()) return;
  loop_.SwitchOn();
  // From the viewer: it closes, and the panel opens once it has (the camera comes back then).
  if (viewerOpen_) {
    reopenConfig_ = true;
    ToggleViewerMode();
  }
  if (!loop_.OpenRun()) {
    Halt(kMsgCannotSave);
    return;
  }
  view_.Refresh();
}

void CctvController::StopSurveillance() {
  resumeOnReturn_ = false;
  loop_.Stop();
  store_.CloseRun();
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
    // Surveillance held for a lost camera ends here, as running surveillance does.
    resumeOnReturn_ = false;
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
  if (!services_.graph.built()) {
    if (cameraLost_) {
      ReopenLostCamera();
    } else {
      OpenCamera();
    }
  }
  if (loop_.on() && !CameraRuns()) {
    // Started from the viewer, but no camera runs to record from; OpenCamera has told its own
    // failure.
    StopSurveillance();
    if (cameraLost_) Show(kMsgCameraLost);
  }
  view_.Refresh();
}

void CctvController::ToggleAlwaysOnTop() {
  view_.SetTopmost(pinOff_);
  pinOff_ = !pinOff_;
  view_.Refresh();
}

void CctvController::OpenHelp() {
  const std::string file = HelpFile(services_.programFolder, uiLanguage_);
  if (services_.shell.Open(file) > 32) return;
  // A desktop without a handler for HTML (no browser) refuses a page that is there: show it in
  // our own window. Only a page that is really missing is reported as missing.
  std::error_code error;
  if (std::filesystem::is_regular_file(file, error) && view_.ShowHelpPage(file)) return;
  Show(kMsgHelpMissing);
}

void CctvController::OnTimer(int id) {
  switch (id) {
    case kFrameTimer:
      loop_.FrameTick();
      break;
    case kBlinkTimer:
      loop_.BlinkTick();
      break;
    case kSlideshowTimer:
      viewer_.SlideshowTick();
      break;
    case kCameraRetryTimer:
      // In the viewer the camera is closed on purpose; it is looked for when the viewer closes.
      if (!cameraLost_) {
        view_.KillTimer(kCameraRetryTimer);
      } else if (!viewerOpen_) {
        ReopenLostCamera();
      }
      break;
    default:
      Show(kMsgUnknownTimer);
      break;
  }
}

void CctvController::OnFrameReady() {
  if (!loop_.OnFrameReady()) Halt(kMsgCannotSave);
}

void CctvController::OnCameraLost() {
  // Surveillance is held, not ended: its timers stop (the bars with them) until the camera runs
  // again. Closing the stopped graph lets it be built afresh then.
  if (loop_.on()) resumeOnReturn_ = true;
  loop_.Stop();
  if (services_.graph.built()) services_.graph.Close();
  cameraLost_ = true;
  view_.SetTimer(kCameraRetryTimer, kCameraRetryPeriod);
  view_.Refresh();
  // The box keeps the timers running: the camera may come back, and go again, beneath it.
  if (!lostBoxOpen_) {
    lostBoxOpen_ = true;
    Show(kMsgCameraLost);
    lostBoxOpen_ = false;
  }
  view_.Refresh();
}

void CctvController::OnButton(int id) {
  switch (id) {
    case kButtonViewer:
      if (loop_.on()) StopSurveillance();
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
      if (loop_.on()) {
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
  loop_.SetCaptureRate(index + 1);
}

void CctvController::OnCameraSelected(int index) {
  if (!cameras_.Pick(index)) return;
  OpenCamera();
  // The new camera does not run: surveillance stops rather than blink on over nothing (the
  // failure has been told).
  if (loop_.on() && !CameraRuns()) StopSurveillance();
}

void CctvController::OnSlider(int id, int position) {
  if (id == kSliderSensitivity) {
    ApplySensitivityPosition(std::clamp(position, sensitivity_.minimum, sensitivity_.maximum));
    return;
  }
  picture_.Move(id, position);
}

void CctvController::ApplySensitivityPosition(int position) {
  motion_->SetSensitivity(position);
  sensitivity_.position = motion_->sliderPosition();
  SetField(kFieldSensitivity, motion_->sliderPosition());
}

void CctvController::ResetSensitivity() {
  motion_->ResetSensitivity();
  sensitivity_.position = kInitialSensitivity;
  SetField(kFieldSensitivity, kInitialSensitivity);
}

void CctvController::OnMailTextEdited(int id, const std::string& text) {
  // Longer texts are refused by the edits already; one that got past them would fail every load.
  if (text.size() > kMaxStoredTextBytes) return;
  if (id == kEditSender || id == kEditRecipient || id == kEditSmtpServer) fields_[id] = text;
}

std::string CctvController::MailEditText(int id) const { return FieldText(id); }

std::string CctvController::FieldText(int id) const {
  auto it = fields_.find(id);
  return it == fields_.end() ? picture_.FieldText(id) : it->second;
}

const SliderModel& CctvController::slider(int id) const {
  static const SliderModel kNone{};
  if (id == kSliderSensitivity) return sensitivity_;
  const SliderModel* model = picture_.slider(id);
  return model == nullptr ? kNone : *model;
}

void CctvController::SetField(int id, int value) { fields_[id] = std::to_string(value); }

void CctvController::ToggleMailAlerts() {
  mailAlertsOn_ = !mailAlertsOn_;
  view_.Refresh();
}

void CctvController::SwitchMailAlertsOff() {
  mailAlertsOn_ = false;
  view_.Refresh();
}

void CctvController::ResetDisplayType(bool lcd) {
  if (picture_.ResetDisplayType(lcd)) ResetSensitivity();
}

void CctvController::RefreshPictureSliders() {
  picture_.Refresh();
  ResetSensitivity();
}

void CctvController::LoadSettings() {
  const std::optional<StoredCctvSettings> stored = settings_.Load([this] {
    if (picture_.ResetForFirstRun()) ResetSensitivity();
    // The slider position is what "Sensitive" holds (as apply stores it).
    return motion_->sliderPosition();
  });
  if (stored) {
    fields_[kEditSender] = stored->sender;
    fields_[kEditRecipient] = stored->recipient;
    fields_[kEditSmtpServer] = stored->server;
    RefreshPictureSliders();
    picture_.Apply(stored->picture);
    // The stored sensitivity survives a start: it is the slider position.
    ApplySensitivityPosition(
        static_cast<int>(std::min<std::uint32_t>(stored->sensitive, kSliderMax)));
  }
  if (services_.graph.Run() != media::Status::Ok) Show(kMsgPreviewStart);
  view_.Refresh();
}

void CctvController::SaveSettings() {
  // A mail text is stored only once it was loaded or typed: an empty edit after a failed start or
  // load would wipe the stored address.
  const auto held = [this](int id) {
    const auto it = fields_.find(id);
    return it == fields_.end() ? std::nullopt : std::optional(it->second);
  };
  if (!settings_.Save(held(kEditSender), held(kEditRecipient), held(kEditSmtpServer),
                      FieldText(kFieldSensitivity))) {
    Show(kMsgSettingsNotStored);
    return;
  }
  AskMailPassword();
}

void CctvController::AskMailPassword() {
  if (services_.secrets == nullptr || services_.passwordPrompt == nullptr) return;
  std::string text = MailEditText(kEditSmtpServer);
  text.erase(0, text.find_first_not_of(" \t\r\n\v\f"));
  text.erase(text.find_last_not_of(" \t\r\n\v\f") + 1);
  const auto server = ParseMailServer(text, services_.smtpPort);
  if (!server || server->security == MailSecurity::kPlain) return;
  const MailAccount account = LoginAccount(*server, MailEditText(kEditSender));
  if (account.user.empty() || services_.secrets->Lookup(account)) return;
  const auto password = services_.passwordPrompt->AskPassword(account);
  if (!password || password->empty()) return;
  // Told without the password, and only on the standard error stream: there is no box for it.
  if (!services_.secrets->Store(account, *password))
    std::fprintf(stderr, "TavoCCTV: the mail password for %s could not be kept\n",
                 AccountLabel(account).c_str());
}

}  // namespace tavo::cctv
