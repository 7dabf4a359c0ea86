// TavoPreview: the live camera picture, snapshots and the camera's picture settings. Runs from its
// program folder (the first argument, or the working directory), where the skins and help pages
// lie and the Temp folder of snapshots is kept. One instance at a time. Installed and started
// without an argument from elsewhere, it runs from the user's own program folder (programfolder.h).
#include <QApplication>

#include "camerabutton.h"
#include "capturegraph.h"
#include "instancelock.h"
#include "media/gstplatform.h"
#include "mediaruntime.h"
#include "previewmainwindow.h"
#include "previewstrings.h"
#include "programfolder.h"
#include "qtservices.h"
#include "skinfolder.h"
#include "skinlook.h"
#include "videorenderer.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  using namespace tavo;
  using namespace tavo::preview;
  const StringTable strings(PreviewStrings(), LanguageFromEnvironment());
  // Qt's own dialogs (message box buttons, the file dialog) in the program's language.
  LoadQtTranslations(app, strings.UiLanguage());
  QtMessageBoxes boxes("TavoPreview");

  // The lock sits beside the press socket. One that cannot be made at all does not stop the
  // program: without a runtime folder it would never start.
  InstanceLock lock;
  if (lock.Acquire(PressSocketPath(kWindowTitle) + ".lock") == LockResult::kTaken) {
    ShowString(boxes, strings, kMsgAlreadyRunning);
    return 1;
  }

  // A folder given on the command line is taken as it is.
  const std::string programFolder =
      argc >= 2 ? PreviewProgramFolder(argc, argv) : ProgramFolderAtStart(CurrentProgramFolder());
  QtShell shell;
  QtSaveFileDialog saveDialog;
  ui::VideoRendererFactory surfaces;
  media::GstPlatform platform(&surfaces);
  CaptureGraph graph(platform, boxes, strings, kCaptureGraphMessageOffset);

  const std::uint32_t runtime = GetDirectXVersion();
  int status = 1;
  {
    PreviewMainWindow window(
        PreviewServices{graph,
                        boxes,
                        strings,
                        shell,
                        saveDialog,
                        LocalMachine(),
                        programFolder,
                        [&graph](int index) { return graph.DevicePath(index); },
                        {}});
    boxes.SetParent(&window);
    saveDialog.SetParent(&window);
    PressSocket presses([&window] { window.controller().OnCameraButton(); });
    if (window.Start(runtime)) {
      presses.Listen(PressSocketPath(kWindowTitle));
      window.show();
      status = app.exec();
    }
    presses.Close();
    boxes.SetParent(nullptr);
    saveDialog.SetParent(nullptr);
  }
  return status;
}
