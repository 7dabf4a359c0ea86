// The controller of TavoCCTV's main window: start-up, the camera, surveillance (frame and blink
// timers, motion test, recording step, mail alerts), the buttons' commands and the configuration
// panel's settings. It owns no window; it drives one through CctvView, so it runs in tests.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "capturegraph.h"
#include "imageviewer.h"
#include "mail/alertmail.h"
#include "mail/composite.h"
#include "mail/mailalerts.h"
#include "motiondetector.h"
#include "recordingstore.h"
#include "registrykey.h"
#include "shell.h"
#include "stringtable.h"

class QObject;

namespace tavo::cctv {

// Window geometry, client pixels.
inline constexpr int kWindowWidth = 332;
inline constexpr int kHeightNormal = 323;
inline constexpr int kHeightPanel = 528;
inline constexpr int kHeightViewer = 424;

// Timer identifiers.
inline constexpr int kFrameTimer = 0;
inline constexpr int kBlinkTimer = 1;
inline constexpr int kSlideshowTimer = 3;
inline constexpr int kBlinkPeriod = 500;

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
inline constexpr int kMsgRegistryRead = 3025;
inline constexpr int kMsgPreviewStart = 3026;
inline constexpr int kMsgFirstSender = 3087;
inline constexpr int kMsgFirstRecipient = 3088;
inline constexpr int kMsgFirstServer = 3089;
inline constexpr int kMsgCannotSave = 3090;
inline constexpr int kMsgCameraLost = 3091;
inline constexpr int kMsgDeleteFailed = 3093;

inline constexpr const char* kPreferredCamera = "TAVO USB Pc Camera";
inline constexpr const char* kSettingsKey = "Software\\Kolbrant\\TavoCCTV_Info";

// 900 / rate milliseconds: 900, 450, 300, 225, 180, 150, 128, 112, 100 for rates 1 to 9.
constexpr int FrameTimerPeriod(int captureRate) { return 900 / captureRate; }

// The help page of a language (string 3000): Korean, Japanese, or English for anything else.
std::string HelpFile(const std::string& programFolder, const std::string& uiLanguage);

// What the controller needs of its window (the viewer's needs included).
class CctvView : public ViewerView {
 public:
  // Where WM_FRAME_READY and WM_CAMERA_LOST are posted, and the control that shows the video.
  virtual QObject* FrameTarget() = 0;
  virtual QObject* VideoOwner() = 0;
  // `phase` true shows bars 1, 3, 5 and hides 2, 4; false the reverse.
  virtual void ShowBars(bool phase) = 0;
  virtual void HideBars() = 0;
  // The client height; left and top stay.
  virtual void SetClientHeight(int height) = 0;
  virtual void SetTopmost(bool topmost) = 0;
  virtual void Minimise() = 0;
  virtual void EndDialog(int result) = 0;
  virtual void ShowPictureSign() = 0;
  // The run-folder panel: filled and slid out when the viewer opens; slid shut when it closes,
  // after which the window calls OnViewerClosed.
  virtual void OpenFolderPanel() = 0;
  virtual void CloseFolderPanel() = 0;
  // The controller's state or panel model changed: repaint faces, re-read the panel.
  virtual void Refresh() = 0;
};

// One slider of the panel as the window should show it.
struct SliderModel {
  int minimum = 0;
  int maximum = 100;
  int position = 0;
  int selectionStart = 0;
  int selectionEnd = 0;
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
  void OnCameraLost();
  void OnButton(int id);
  void OnCaptureRateSelected(int index);
  void OnCameraSelected(int index);
  void OnSlider(int id, int position);
  void OnMailTextEdited(int id, const std::string& text);

  // AlertMailWindow.
  std::string MailEditText(int id) const override;
  bool MailBoxShown() const override { return mailBoxShown_; }
  void ToggleMailAlerts() override;

  // State for the window and tests.
  bool surveillanceOn() const { return surveillanceOn_; }
  bool configOpen() const { return configOpen_; }
  bool viewerOpen() const { return viewerOpen_; }
  bool viewerLayout() const { return viewerLayout_; }
  bool reopenConfig() const { return reopenConfig_; }
  ImageViewer& viewer() { return viewer_; }
  const ImageViewer& viewer() const { return viewer_; }
  bool mailAlertsOn() const { return mailAlertsOn_; }
  bool pinOff() const { return pinOff_; }
  int captureRate() const { return captureRate_; }
  int deviceIndex() const { return deviceIndex_; }
  const std::string& cameraName() const { return cameraName_; }
  const std::vector<std::string>& cameraList() const { return cameraList_; }
  int cameraSelection() const { return cameraSelection_; }
  int clientHeight() const { return clientHeight_; }
  const SliderModel& slider(int id) const;
  std::string FieldText(int id) const;
  const MotionDetector& motion() const { return *motion_; }
  const RecordingStore& store() const { return store_; }
  const std::string& uiLanguage() const { return uiLanguage_; }

 private:
  void Show(int message);
  void SetField(int id, int value);
  void ApplySensitivityPosition(int position);
  void ResetDisplayType(bool lcd);
  void FrameTick();
  // Surveillance cannot go on: stop it, then tell the user.
  void Halt(int message);

  CctvView& view_;
  CctvServices services_;
  std::string uiLanguage_;
  std::unique_ptr<MotionDetector> motion_;
  RecordingStore store_;
  CompositeBuilder composites_;
  AlertMailer mailer_;
  MailAlerts alerts_;
  ImageViewer viewer_;

  bool surveillanceOn_ = false;
  bool configOpen_ = false;
  bool viewerOpen_ = false;
  bool viewerLayout_ = false;
  bool reopenConfig_ = false;
  bool mailAlertsOn_ = false;
  bool mailBoxShown_ = true;
  bool pinOff_ = true;
  bool blinkPhase_ = true;
  // Set while a frame is being judged and written: no new frame is requested meanwhile, so the
  // grabber's buffer and the frame copy are never refilled under the recording step (a message
  // box inside it keeps the timers running).
  bool inFrame_ = false;
  int captureRate_ = 5;
  int deviceIndex_ = -1;
  int clientHeight_ = kHeightNormal;
  std::string cameraName_;
  std::vector<std::string> cameraList_;
  int cameraSelection_ = -1;
  std::map<int, SliderModel> sliders_;
  std::map<int, std::string> fields_;
  std::array<media::PropertyRange, 3> ranges_{};  // brightness, contrast, saturation
  std::vector<std::uint8_t> frame_;
};

}  // namespace tavo::cctv
