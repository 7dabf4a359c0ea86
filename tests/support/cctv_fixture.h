// A TavoCCTV controller on the simulated media platform, with recording message boxes and shell,
// a settings store and an image folder of its own; frames are pushed through the real grabber.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "capturegraph.h"
#include "cctvcontroller.h"
#include "cctvstrings.h"
#include "mail_test_folder.h"
#include "media/simulatedplatform.h"
#include "mediaruntime.h"
#include "sim_camera.h"
#include "test_application.h"

namespace tavo::cctv::testing {

inline media::SimDevice Camera(const std::string& name, bool properties = true) {
  const media::SimDevice device = tavo::testing::SimCamera(name, {{640, 480}, {320, 240}});
  return properties ? tavo::testing::WithPictureProperties(device, 80)
                    : tavo::testing::WithoutProcAmp(device);
}

// A view that records what the controller asks of its window.
class FakeView final : public QObject, public CctvView {
 public:
  QObject* FrameTarget() override { return this; }
  QObject* VideoOwner() override { return this; }
  void SetTimer(int id, int milliseconds) override {
    timers[id] = milliseconds;
    ++timerSets;
  }
  void KillTimer(int id) override { timers.erase(id); }
  void ShowBars(bool phase) override { bars = phase ? "10101" : "01010"; }
  void HideBars() override { bars = "00000"; }
  void SetClientHeight(int h) override { height = h; }
  void SetTopmost(bool on) override { topmost = on; }
  void Minimise() override { ++minimised; }
  void EndDialog(int result) override { ended = result; }
  void ShowPictureSign() override { ++signs; }
  void Refresh() override {}
  void OpenFolderPanel() override { ++panelOpened; }
  void CloseFolderPanel() override { ++panelClosed; }
  bool RenderLarge(const std::uint8_t*) override {
    ++largeRenders;
    return renderOk;
  }
  bool RenderThumb(int, const std::uint8_t*) override {
    ++thumbRenders;
    return renderOk;
  }
  void RefillFolders() override { ++refills; }
  void ViewerChanged() override {}
  bool event(QEvent* e) override {
    if (controller == nullptr) return QObject::event(e);
    if (static_cast<int>(e->type()) == WM_FRAME_READY) {
      controller->OnFrameReady();
      return true;
    }
    if (static_cast<int>(e->type()) == WM_CAMERA_LOST) {
      controller->OnCameraLost();
      return true;
    }
    return QObject::event(e);
  }

  CctvController* controller = nullptr;
  std::map<int, int> timers;
  int timerSets = 0;
  std::string bars = "00000";
  int height = kHeightNormal;
  bool topmost = false;
  int minimised = 0;
  int ended = 0;
  int signs = 0;
  int panelOpened = 0;
  int panelClosed = 0;
  int largeRenders = 0;
  int thumbRenders = 0;
  int refills = 0;
  bool renderOk = true;
};

class CctvRig {
 public:
  explicit CctvRig(Language language = Language::English)
      : strings(CctvStrings(), language),
        graph(platform, boxes, strings, kCaptureGraphMessageOffset) {
    tavo::testing::EnsureApplication();
    platform.devices = {Camera(kPreferredCamera)};
  }
  ~CctvRig() {
    if (controller) controller->Shutdown();
  }

  // Makes the controller; `writer` replaces the JPEG writer when given.
  CctvController& Make(JpegWriter writer = {}) {
    controller.reset();
    view.controller = nullptr;
    CctvServices services{graph,
                          boxes,
                          strings,
                          shell,
                          transport,
                          RegistryRoot{(folder.path() / "settings.sqlite").string()},
                          folder.path().string(),
                          clock,
                          writer ? writer : JpegFileWriter(boxes),
                          smtpPort};
    services.secrets = secrets;
    services.passwordPrompt = passwordPrompt;
    controller = std::make_unique<CctvController>(view, std::move(services));
    view.controller = controller.get();
    return *controller;
  }
  CctvController& Started() {
    Make();
    controller->Start(true, kMediaRuntimeComplete);
    return *controller;
  }

  // One frame tick and one frame of grey level `level` delivered to the window.
  void Frame(std::uint8_t level) {
    controller->OnTimer(kFrameTimer);
    std::vector<std::uint8_t> pixels(kFrameBytes, level);
    platform.DeliverSample({pixels.data(), kFrameWidth * 3, kFrameHeight, kFrameWidth * 3, false});
    QCoreApplication::sendPostedEvents(&view);
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes.boxes) texts.push_back(box.text);
    return texts;
  }
  std::string Text(int id) const { return strings.Text(id); }

  tavo::testing::MailTestFolder folder;
  media::SimulatedPlatform platform;
  RecordingMessageBoxes boxes;
  StringTable strings;
  CaptureGraph graph;
  RecordingShell shell;
  SmtpMailTransport transport{SmtpTimeouts{std::chrono::milliseconds(2000),
                                           std::chrono::milliseconds(2000),
                                           std::chrono::milliseconds(3000)}};
  int smtpPort = kSmtpPort;
  SecretStore* secrets = nullptr;
  PasswordPrompt* passwordPrompt = nullptr;
  // Run folders are named after this clock's second.
  LocalClock clock = SystemLocalClock();
  FakeView view;
  std::unique_ptr<CctvController> controller;
};

}  // namespace tavo::cctv::testing
