// snaplauncher: run once per press of the camera's snapshot button. Hands the press to the running
// TavoPreview, or starts TavoPreview; no window of its own and no event loop, except the message
// box it may have to show. TAVO_LAUNCHER_TIMEOUT_MS bounds its waits (30 s when unset).
#include <QApplication>
#include <cstdlib>
#include <memory>
#include <optional>

#include "camerabutton.h"
#include "previewcontroller.h"
#include "qtservices.h"
#include "snaplauncher.h"

namespace {

// Message boxes whose QApplication is made only when a box must show: a press handed on costs
// no connection to the display.
class LateMessageBoxes final : public tavo::MessageBoxes {
 public:
  LateMessageBoxes(int& argc, char** argv) : argc_(argc), argv_(argv) {}

  void Show(const std::string& text, tavo::MessageIcon icon, const std::string& title) override {
    if (!app_) app_.emplace(argc_, argv_);
    boxes_.Show(text, icon, title);
  }

 private:
  int& argc_;
  char** argv_;
  std::optional<QApplication> app_;
  tavo::QtMessageBoxes boxes_{"snaplauncher"};
};

}  // namespace

int main(int argc, char** argv) {
  using namespace tavo;
  LateMessageBoxes boxes(argc, argv);
  QtShell shell;
  const std::string socket = preview::PressSocketPath(preview::kWindowTitle);
  const bool haveSocket = !socket.empty();
  const launcher::LauncherServices services{
      LocalMachine(),
      shell,
      boxes,
      socket,
      haveSocket ? socket + ".lock" : std::string(),
      haveSocket ? socket + ".launch" : std::string(),
      launcher::BoundFromText(std::getenv("TAVO_LAUNCHER_TIMEOUT_MS"))};
  const launcher::LaunchResult result = launcher::RunLauncher(services);
  return result == launcher::LaunchResult::kPressed || result == launcher::LaunchResult::kStarted
             ? 0
             : 1;
}
