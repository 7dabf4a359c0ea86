// The camera's picture controls as both programs show them: three sliders with value fields for
// brightness, saturation and contrast, their ranges read from the camera, the reset for a CRT or
// an LCD display, and the three values kept in the program's settings key. It owns no window:
// the window draws the slider models and field texts it is given.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "capturegraph.h"
#include "messageboxes.h"
#include "registrykey.h"
#include "stringtable.h"

namespace tavo {

// One slider as the window should show it.
struct SliderModel {
  int minimum = 0;
  int maximum = 100;
  int position = 0;
  int selectionStart = 0;
  int selectionEnd = 0;
};

// The ±50 band around `centre`, or ±3 for a centre below 50.
SliderModel BandedSlider(int minimum, int maximum, int centre);

// The C library's decimal conversion of a field text through a 10-byte buffer, as the settings
// have always been stored: at most nine characters are read; 0 for a text that is no number.
std::int32_t DecimalOf(const std::string& text);

// What tells one program's controls from the other's.
struct PictureControlIds {
  int slider;
  int field;
};
struct PictureControlsSetup {
  PictureControlIds brightness;
  PictureControlIds saturation;
  PictureControlIds contrast;
  // The program's settings key, holding "Bright", "Saturation" and "Contrast".
  std::string settingsKey;
  // Shown when a display-type button finds no picture-property control.
  int msgNoVideoFeature;
  // Shown when the first run finds no picture-property control.
  int msgNoVideoReset;
};

// The stored numbers in the order they are written and read: Bright, Saturation, Contrast.
using PictureValues = std::array<std::uint32_t, 3>;

class PictureControls {
 public:
  // `graph`, `boxes` and `strings` must outlive the controls.
  PictureControls(CaptureGraph& graph, MessageBoxes& boxes, const StringTable& strings,
                  PictureControlsSetup setup);

  // The model of slider `id`; null when it is not one of the three.
  const SliderModel* slider(int id) const;
  // The text of value field `id`; empty before it was first set or when it is not one of the
  // three.
  std::string FieldText(int id) const;

  // Reads the ranges of brightness, contrast and saturation, in that order. Each property that
  // answers gets its slider over minimum..maximum at its default, banded, and its default in the
  // field; one that does not keeps slider and field, and its range record stays zero.
  void Refresh();

  // Slider set-up at the current values: reads the ranges of brightness, contrast and saturation,
  // in that order. Each property that answers gets its slider over minimum..maximum at its
  // current value (what its field shows; the range default while it shows nothing), banded, and
  // that value in its field; one that does not keeps slider and field.
  void SetUp();

  // A display-type button. Nothing without a built graph. Resets the picture properties and
  // refreshes the sliders, or shows msgNoVideoFeature; for `lcd` then lowers gamma by one step.
  // True when the sliders were refreshed.
  bool ResetDisplayType(bool lcd);

  // The first run: the range records start from zero, then the picture properties are reset and
  // the sliders refreshed, or msgNoVideoReset is shown (the records stay zero). True when reset.
  bool ResetForFirstRun();

  // Slider `id` moved to `position` (held within its range): the property is set on the camera
  // and the field shows the position, even when the camera refused it. False when `id` is not one
  // of the three sliders.
  bool Move(int id, int position);

  // What became of a slider move that is kept in the settings key (MoveAndStore).
  enum class MoveResult {
    kNotASlider,  // `id` is not one of the three sliders
    kRefused,     // the camera did not take the value: field and store keep the old one
    kStored,      // the camera took it, the field shows it and the key holds it
    kNotStored,   // the camera took it and the field shows it, but the key could not be written
  };
  // Slider `id` moved to `position` (held within its range): the property is set on the camera
  // first; only when the camera takes it does the field show it and is that value alone written
  // into the settings key below `root` (opened, or created when missing).
  MoveResult MoveAndStore(int id, int position, const RegistryRoot& root);

  // Values read back from the settings key become the current ones: the fields show them; camera
  // and sliders are left alone.
  void Adopt(const PictureValues& values);

  // Sets every property whose field shows a value to its slider's position again, in store order
  // (a camera that was away comes back with its own defaults). Fields that never showed a value
  // leave their property alone.
  void ApplyShown();

  // Writes "Bright", "Saturation" and "Contrast" into the open `key`: the range defaults.
  // Results are not examined.
  void WriteDefaults(RegistryKey& key) const;
  // Adds "Bright", "Saturation" and "Contrast" with the fields' values to `batch`, in that order,
  // leaving out a field that never showed a value (no camera answered and nothing was loaded):
  // storing it would store 0, a black picture at the next start. False when one was left out.
  bool AddValues(std::vector<RegistryKey::ValueInfo>& batch) const;
  // Reads the three from the open `key`, stopping at the first failure: false then, with `out`
  // partly filled.
  static bool ReadValues(RegistryKey& key, PictureValues& out);
  // Sets brightness, saturation and contrast, in that order, each held within the range last
  // read from the camera (where one was read); each value the camera takes shows in its field and
  // moves its slider (held within the slider's range).
  void Apply(const PictureValues& values);

  // Creates the settings key below `root` and writes the range defaults into it; false when the
  // key could not be created and opened.
  bool StoreDefaults(const RegistryRoot& root) const;
  // Opens or creates the settings key and writes the fields' values that AddValues gives, in one
  // transaction; false when the key could not be opened or written. With no value to write the
  // key is neither created nor touched (true): an empty key would only fail the next reload.
  bool StoreValues(const RegistryRoot& root) const;

 private:
  struct Control {
    int property;
    PictureControlIds ids;
    media::PropertyRange range{};
    SliderModel model{};
    std::string field{};
  };
  Control* Find(int slider);
  const Control* FindField(int field) const;
  // The index of `control` in the store order, which is also the index of its value name.
  std::size_t IndexOf(const Control& control) const;
  void SetField(Control& control, int value);

  CaptureGraph& graph_;
  MessageBoxes& boxes_;
  const StringTable& strings_;
  PictureControlsSetup setup_;
  std::array<Control, 3> controls_;  // brightness, saturation, contrast: the store order
};

}  // namespace tavo
