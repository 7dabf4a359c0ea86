// The controller of TavoCCTV's main window: start-up, the buttons' commands and the window's
// modes. It joins the pieces that do the work: the camera choice, the surveillance loop (with the
// motion test, the recording step and mail alerts), the picture controls and the stored settings.
// It owns no window; it drives one through CctvView, so it runs in tests.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "camerachoice.h"
#include "capturegraph.h"
#include "cctvsettings.h"
#include "imageviewer.h"
#include "mail/alertmail.h"
#include "mail/composite.h"
#include "mail/mailalerts.h"
#include "mail/secretstore.h"
#include "motiondetector.h"
#include "picturecontrols.h"
#include "programview.h"
#include "recordingstore.h"
#include "registrykey.h"
#include "shell.h"
#include "stringtable.h"
#include "surveillanceloop.h"

namespace tavo::cctv {

// Window geometry, client pixels.
inline constexpr int kWindowWidth = 332;
inline constexpr int kHeightNormal = 323;
inline constexpr int kHeightPanel = 528;
inline constexpr int kHeightViewer = 424;

// Timer identifiers besides the surveillance loop's.
inline constexpr int kSlideshowTimer = 3;
// Looks for a lost camera again while it is missing.
inline constexpr int kCameraRetryTimer = 4;
inline constexpr int kCameraRetryPeriod = 3000;

// Child controls of the configuration panel.
inline constexpr int kListCaptureRate = 1000;
inline constexpr int kListCamera = 10002;
inline constexpr int kSliderSensitivity = 1002;
inline constexpr int kFieldSensitivity = 1003;
inline constexpr int kSliderBrightness = 1004;
inline constexpr int kSliderSaturation = 1005;
inline constexpr int kSliderContrast = 1006;
inline constexpr int kFieldBrightness = 1009;
inline constexpr int kFieldSaturation = 1010;
inline constexpr int kFieldContrast = 1011;

// Painted buttons, in the window's numbering. The two display-type buttons share number 6 for
// hovering; the second one is told apart as kButtonLcd.
enum Button : int {
  kButtonPrevious = 1,
  kButtonNext = 2,
  kButtonSlideshow = 3,
  kButtonFaster = 4,
  kButtonSlower = 5,
  kButtonCrt = 6,
  kButtonApply = 7,
  kButtonViewer = 8,
  kButtonStartStop = 9,
  kButtonSetup = 10,
  kButtonPin = 11,
  kButtonMinimise = 12,
  kButtonExit = 13,
  kButtonHelp = 14,
  kButtonLcd = 15,
  kButtonMailCheck = 16,
};

// Message numbers of TavoCCTV's string table used by the controller.
inline constexpr int kMsgImageLoad = 3002;
inline constexpr int kMsgPreviewFailed = 3008;
inline constexpr int kMsgNoVideoDevice = 3009;
inline constexpr int kMsgNoVideoFeature = 3010;
inline constexpr int kMsgHelpMissing = 3011;
inline constexpr int kMsgUnknownTimer = 3012;
inline constexpr int kMsgNoVideoReset = 3024;
inline constexpr int kMsgPreviewStart = 3026;
inline constexpr int kMsgCannotSave = 3090;
inline constexpr int kMsgCameraLost = 3091;
inline constexpr int kMsgDeleteFailed = 3093;

using tavo::kPreferredCamera;
using tavo::SliderModel;

// The help page of a language (string 3000): Korean, Japanese, or English for anything else.
std::string HelpFile(const std::string& programFolder, const std::string& uiLanguage);

// What the controller needs of its window: what every program's main window offers, the
// viewer's and the surveillance loop's needs, and TavoCCTV's own. Refresh also re-reads the
// panel's models.
class CctvView : public ProgramView, public ViewerView, public SurveillanceView {
 public:
  // The client height; left and top stay.
  virtual void SetClientHeight(int height) = 0;
  virtual void ShowPictureSign() = 0;
  // The run-folder panel: filled and slid out when the viewer opens; slid shut when it closes,
  // after which the window calls OnViewerClosed.
  virtual void OpenFolderPanel() = 0;
  virtual void CloseFolderPanel() = 0;
  // Shows a help page that the desktop would not open, in a window of the program's own. False
  // when it cannot.
  virtual bool ShowHelpPage(const std::string& /*file*/) { return false; }
};

// Everything the controller is given.
struct CctvServices {
  CaptureGraph& graph;
  MessageBoxes& boxes;
  const StringTable& strings;
  Shell& shell;
  MailTransport& transport;
  RegistryRoot settingsRoot;
  std::string programFolder;
  LocalClock clock;
  JpegWriter writeJpeg;
  int smtpPort = kSmtpPort;
  // Asks where the viewer saves a copy; without one, saving is refused.
  SaveFileDialog* saveDialog = nullptr;
  // Where the mail password is kept, and who asks for it when apply stores a server that needs a
  // login; without both, no password is asked for.
  SecretStore* secrets = nullptr;
  PasswordPrompt* passwordPrompt = nullptr;
};

class CctvController final : public AlertMailWindow {
 public:
  CctvController(CctvView& view, CctvServices services);
  ~CctvController() override;
  CctvController(const CctvController&) = delete;
  CctvController& operator=(const CctvController&) = delete;

  // Start-up after the skins were loaded (`skinsLoaded` false shows message 3002): the media
  // runtime check, ChooseCamera and OpenCamera. False when the program is to end.
  bool Start(bool skinsLoaded, std::uint32_t mediaRuntimeVersion);
  // Closes the camera; the window is going.
  void Shutdown();

  bool ChooseCamera();
  bool OpenCamera();
  void StartSurveillance();
  void StopSurveillance();
  void ToggleConfigPanel();
  void ToggleViewerMode();
  // The folder panel has slid shut: the normal layout and the camera come back.
  void OnViewerClosed();
  void ToggleAlwaysOnTop();
  void OpenHelp();
  void LoadSettings();
  void SaveSettings();
  void RefreshPictureSliders();

  // Events from the window.
  void OnTimer(int id);
  void OnFrameReady();
  // The camera failed while running: told once; surveillance that was on is held, and the camera
  // is looked for again at every tick of kCameraRetryTimer until it runs again.
  void OnCameraLost();
  void OnButton(int id);
  void OnCaptureRateSelected(int index);
  void OnCameraSelected(int index);
  void OnSlider(int id, int position);
  void OnMailTextEdited(int id, const std::string& text);

  // AlertMailWindow.
  std::string MailEditText(int id) const override;
  bool MailBoxShown() const override { return mailBoxShown_; }
  void SwitchMailAlertsOff() override;
  // The check box: alerts on or off.
  void ToggleMailAlerts();

  // State for the window and tests.
  bool surveillanceOn() const { return loop_.on(); }
  // The camera was lost and has not run since.
  bool cameraLost() const { return cameraLost_; }
  bool configOpen() const { return configOpen_; }
  bool viewerOpen() const { return viewerOpen_; }
  bool viewerLayout() const { return viewerLayout_; }
  bool reopenConfig() const { return reopenConfig_; }
  ImageViewer& viewer() { return viewer_; }
  const ImageViewer& viewer() const { return viewer_; }
  bool mailAlertsOn() const { return mailAlertsOn_; }
  const AlertMailer& mailer() const { return mailer_; }
  bool pinOff() const { return pinOff_; }
  int captureRate() const { return loop_.captureRate(); }
  int deviceIndex() const { return cameras_.deviceIndex(); }
  const std::string& cameraName() const { return cameras_.cameraName(); }
  const std::vector<std::string>& cameraList() const { return cameras_.names(); }
  int cameraSelection() const { return cameras_.selection(); }
  int clientHeight() const { return clientHeight_; }
  const SliderModel& slider(int id) const;
  std::string FieldText(int id) const;
  const MotionDetector& motion() const { return *motion_; }
  const RecordingStore& store() const { return store_; }
  const std::string& uiLanguage() const { return uiLanguage_; }

 private:
  void Show(int message);
  // After apply: the stored server takes a login and no password is kept for its account yet.
  void AskMailPassword();
  void SetField(int id, int value);
  void ApplySensitivityPosition(int position);
  // Sensitivity back to 128, as every refresh of the picture sliders leaves it.
  void ResetSensitivity();
  void ResetDisplayType(bool lcd);
  // Surveillance cannot go on: stop it, then tell the user.
  void Halt(int message);
  // The camera's graph set up and built; Build's result.
  int BuildGraph();
  // True when the camera's graph is built and running.
  bool CameraRuns() const;
  // Opens the lost camera again, found by its name, without a box: true when it runs.
  bool ReopenLostCamera();
  // The camera runs again: the search ends and held surveillance goes on in a new run.
  void OnCameraBack();
  // Surveillance is to start while no camera runs: one more try (quiet for a lost camera). False
  // once the user was told why it cannot start.
  bool OpenCameraForStart();

  CctvView& view_;
  CctvServices services_;
  std::string uiLanguage_;
  std::unique_ptr<MotionDetector> motion_;
  RecordingStore store_;
  CompositeBuilder composites_;
  AlertMailer mailer_;
  MailAlerts alerts_;
  ImageViewer viewer_;
  CameraChoice cameras_;
  PictureControls picture_;
  CctvSettings settings_;
  SurveillanceLoop loop_;

  bool configOpen_ = false;
  bool viewerOpen_ = false;
  bool viewerLayout_ = false;
  bool reopenConfig_ = false;
  bool mailAlertsOn_ = false;
  bool mailBoxShown_ = true;
  bool pinOff_ = true;
  bool cameraLost_ = false;
  // Surveillance was on when the camera was lost: it goes on once the camera is back.
  bool resumeOnReturn_ = false;
  // The camera-lost box is open: a further loss beneath it adds no second one.
  bool lostBoxOpen_ = false;
  int clientHeight_ = kHeightNormal;
  SliderModel sensitivity_{0, kSliderMax, kInitialSensitivity, 0, 0};
  // The panel's other fields: the sensitivity value and the three mail texts.
  std::map<int, std::string> fields_;
};

}  // namespace tavo::cctv
