// What TavoPreview's configuration dialog does, without its window: the camera and resolution
// lists, the three picture sliders with their labels, the CRT and LCD resets, and the way the
// picture settings are saved and read back. The dialog's widgets show what this holds and hand it
// the user's choices; the program-wide state (camera, resolution, current picture values) stays
// with the controller, so it outlives the dialog.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "picturecontrols.h"
#include "previewcontroller.h"

namespace tavo::preview {

// The resolution list's items; item i is resolution index i + 1.
const std::array<const char*, 3>& ResolutionItems();

// The first of `items` that begins with `prefix`, letters compared without regard to ASCII case,
// as a drop-down list searches itself; -1 for none.
int FindItemWithPrefix(const std::vector<std::string>& items, const std::string& prefix);

class ConfigDialogModel {
 public:
  // `controller` must outlive the model.
  explicit ConfigDialogModel(PreviewController& controller);

  // The dialog opens. Without a built graph the camera list's choice is the first camera whose
  // name begins with the TAVO camera's name (else the first), and it becomes the camera of the
  // next start. With a built graph the settings are saved and read back and the sliders set up
  // at the current values.
  void Initialise();

  int resolutionSelection() const;
  const std::vector<std::string>& cameraItems() const;
  // The camera list's selected item: the camera in use (-1 before any).
  int cameraSelection() const;
  // Slider `id` (1007-1009) and the text of label `id` (1011-1013) as the dialog shows them.
  const SliderModel& slider(int id) const;
  std::string label(int id) const;
  // The three values as last read back from the store.
  const PictureValues& reloaded() const { return reloaded_; }

  // List 1000's item `item` was chosen: another resolution rebuilds the preview, then the
  // settings are saved and read back and the sliders set up. The one in use changes nothing.
  void ChooseResolution(int item);
  // List 1001's item `item` was chosen: another camera rebuilds the preview, then the plain reset.
  void ChooseCamera(int item);
  // Slider `id` moved to `position`: the camera first; a value it takes shows in the label and is
  // stored alone. A store that cannot be written is said once a run.
  void MoveSlider(int id, int position);
  // The CRT button: the picture back to the camera's defaults (3082 when the camera has no
  // picture controls), then saved and read back.
  void Crt();
  // The LCD button: as CRT, then gamma one step below its default.
  void Lcd();

  // Writes the current values into the store (creating the key when missing), then reads the
  // three back; read back whole they become the current values, otherwise 3084. A key that cannot
  // be opened is not read and nothing is shown.
  void SaveAndReload();

 private:
  void PlainReset(bool lcd);

  PreviewController& controller_;
  PictureValues reloaded_{};
};

}  // namespace tavo::preview
