// Which camera a program uses: the TAVO camera when one is attached, else the first; and the
// camera list of the program's panel, with the camera in use selected.
#pragma once

#include <string>
#include <vector>

#include "capturegraph.h"
#include "messageboxes.h"
#include "stringtable.h"

namespace tavo {

inline constexpr const char* kPreferredCamera = "TAVO USB Pc Camera";

class CameraChoice {
 public:
  // `graph`, `boxes` and `strings` must outlive the choice. `msgNoVideoDevice` is shown when no
  // camera is attached.
  CameraChoice(CaptureGraph& graph, MessageBoxes& boxes, const StringTable& strings,
               int msgNoVideoDevice);

  // Lists the video input devices and selects the camera: the last one named exactly
  // kPreferredCamera, else device 0. False (after msgNoVideoDevice, the list unchanged) when
  // there is none.
  bool Choose();

  // The user picked list entry `index`. False when it is outside the list, or it is already the
  // camera of the built graph. Otherwise it becomes the camera in use, a built graph is closed,
  // and true: the caller opens the camera again.
  bool Pick(int index);

  // Lists the devices again and looks for the camera in use by its name: at its old place when
  // the name there still matches, else the last device of that name (as Choose picks). Whenever
  // anything is listed the list becomes the new one, with the camera selected, or nothing (-1)
  // while it is missing. False when it is not listed. Shows nothing.
  bool FindAgain();

  int deviceIndex() const { return deviceIndex_; }
  const std::string& cameraName() const { return cameraName_; }
  const std::vector<std::string>& names() const { return names_; }
  // The list entry shown selected: the camera in use; -1 before the first choice and while a
  // camera looked for again is missing.
  int selection() const { return selection_; }

 private:
  CaptureGraph& graph_;
  MessageBoxes& boxes_;
  const StringTable& strings_;
  int msgNoVideoDevice_;
  int deviceIndex_ = -1;
  std::string cameraName_;
  std::vector<std::string> names_;
  int selection_ = -1;
};

}  // namespace tavo
