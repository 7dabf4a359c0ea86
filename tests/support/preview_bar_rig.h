// TavoPreview's control bar for window tests: the simulated camera, a program folder of its own
// (Temp is made there) with copies of the staged skins, and a settings store inside it.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "camerachoice.h"
#include "capturegraph.h"
#include "media/simulatedplatform.h"
#include "mediaruntime.h"
#include "messageboxes.h"
#include "previewmainwindow.h"
#include "previewstrings.h"
#include "registrykey.h"
#include "savefiledialog.h"
#include "scratch_folder.h"
#include "shell.h"
#include "sim_camera.h"
#include "stringtable.h"

namespace tavo::testing {

class PreviewBarRig {
 public:
  // `pattern` names the scratch folder below the temporary folder, e.g. "tavo-bar-XXXXXX".
  explicit PreviewBarRig(const char* pattern, Language language = Language::English)
      : folder(std::filesystem::temp_directory_path() / pattern),
        root{(folder.path() / "settings.sqlite").string()},
        strings(preview::PreviewStrings(), language),
        graph(platform, boxes, strings, 0) {
    for (const char* skins : {"Image", "Image_Eng", "Image_Jpn"}) {
      std::filesystem::copy(std::filesystem::path(TAVO_PROGRAM_DIR) / skins, folder.path() / skins,
                            std::filesystem::copy_options::recursive);
    }
    platform.devices = {WithPictureProperties(
        SimCamera(kPreferredCamera, {{320, 240}, {640, 480}, {160, 120}}), 80)};
  }
  ~PreviewBarRig() { bar.reset(); }
  PreviewBarRig(const PreviewBarRig&) = delete;
  PreviewBarRig& operator=(const PreviewBarRig&) = delete;

  // The bar made and started; `started` tells how the start went.
  preview::PreviewMainWindow& MakeBar(std::uint32_t runtime = kMediaRuntimeComplete) {
    bar = std::make_unique<preview::PreviewMainWindow>(preview::PreviewServices{
        graph, boxes, strings, shell, saveDialog, root, folder.path().string(), {}, {}});
    started = bar->Start(runtime);
    return *bar;
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes.boxes) texts.push_back(box.text);
    return texts;
  }

  ScratchFolder folder;
  RegistryRoot root;
  media::SimulatedPlatform platform;
  RecordingMessageBoxes boxes;
  StringTable strings;
  CaptureGraph graph;
  RecordingShell shell;
  ScriptedSaveFileDialog saveDialog;
  std::unique_ptr<preview::PreviewMainWindow> bar;
  bool started = false;
};

// What `window` shows in `area`, for comparing with a face.
inline QImage Region(QWidget& window, QRect area) {
  return window.grab(area).toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace tavo::testing
