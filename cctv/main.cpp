// TavoCCTV: the motion-triggered surveillance recorder. Runs from its program folder (the working
// directory), where the skins and help pages lie and the CCTV_Image runs are written. Installed and
// started from the desktop, it runs from the user's own program folder (programfolder.h).
#include <QApplication>

#include "capturegraph.h"
#include "cctvmainwindow.h"
#include "cctvstrings.h"
#include "mail/secretstore.h"
#include "media/gstplatform.h"
#include "mediaruntime.h"
#include "passworddialog.h"
#include "programfolder.h"
#include "qtservices.h"
#include "skinfolder.h"
#include "skinlook.h"
#include "videorenderer.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  using namespace tavo;
  const StringTable strings(cctv::CctvStrings(), LanguageFromEnvironment());
  // Qt's own dialogs (message box buttons, the save dialog) speak the program's language.
  LoadQtTranslations(app, strings.UiLanguage());
  QtMessageBoxes boxes("TavoCCTV");
  QtShell shell;
  ui::VideoRendererFactory surfaces;
  media::GstPlatform platform(&surfaces);
  CaptureGraph graph(platform, boxes, strings, cctv::kCaptureGraphMessageOffset);
  // The mail password: the desktop keyring, or a private file where none runs.
  cctv::DesktopSecretStore secrets(cctv::DefaultSecretFile());
  cctv::QtPasswordPrompt passwordPrompt(strings.language());
  cctv::SmtpMailTransport transport({}, &secrets);
  QtSaveFileDialog saveDialog;

  const std::uint32_t runtime = GetDirectXVersion();
  int status = 1;
  {
    cctv::CctvMainWindow window(cctv::CctvServices{
        graph, boxes, strings, shell, transport, LocalMachine(),
        ProgramFolderAtStart(CurrentProgramFolder()), cctv::SystemLocalClock(),
        cctv::JpegFileWriter(boxes), cctv::kSmtpPort, &saveDialog, &secrets, &passwordPrompt});
    boxes.SetParent(&window);
    saveDialog.SetParent(&window);
    passwordPrompt.SetParent(&window);
    if (window.Start(runtime)) {
      window.show();
      status = app.exec();
    }
    boxes.SetParent(nullptr);
    saveDialog.SetParent(nullptr);
    passwordPrompt.SetParent(nullptr);
  }
  return status;
}
