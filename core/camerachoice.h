// Which camera a program uses: the TAVO camera when one is attached, else the first; and the
// camera list of the program's panel, with the entry the list shows selected.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "capturegraph.h"
#include "messageboxes.h"
#include "stringtable.h"

namespace tavo {

inline constexpr const char* kPreferredCamera = "TAVO USB Pc Camera";

// The drop-down list's own search: the first entry after `start` whose name begins with `prefix`
// (ASCII case ignored), wrapping round to the start itself. -1 when none does.
int FindPrefixed(const std::vector<std::string>& names, std::string_view prefix, int start = 0);

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

  int deviceIndex() const { return deviceIndex_; }
  const std::string& cameraName() const { return cameraName_; }
  const std::vector<std::string>& names() const { return names_; }
  // The list entry shown selected; -1 before the first choice.
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
