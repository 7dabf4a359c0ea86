// The one description of every skin file: which folders, which files, their sizes, and where each
// button sits on the background that shows it. Drawing and checking both read from here.
#pragma once

#include <QRect>

#include <vector>

namespace skingen {

enum class Lang { Korean, English, Japanese };

struct Language {
  Lang lang;
  const char* folder;  // skin folder below the program folder
};
const std::vector<Language>& Languages();

// A text in the three interface languages (UTF-8).
struct Tr {
  const char* ko = nullptr;
  const char* en = nullptr;
  const char* ja = nullptr;
  const char* In(Lang lang) const {
    return lang == Lang::Korean ? ko : lang == Lang::Japanese ? ja : en;
  }
  bool Empty() const { return en == nullptr; }
};

enum class FaceState { Normal, Hover, Pressed };

// How a control is drawn; the glyph and label pick what stands on it.
enum class Look { Tiny, Round, RoundLarge, Tab, Square, Pill, Arrow, CheckBox, Track, Thumb, Sign };

enum class Glyph {
  None,
  Close,
  Minimise,
  Help,
  PinOff,
  PinOn,
  Record,
  Stop,
  Play,
  Gallery,
  Gear,
  Camera,
  Check,
  Prev,
  Next,
  Plus,
  Minus,
  Save,
  Trash,
  Cancel,
  Mail,
  Folder,
  Photo
};

// The static look of a whole background around its buttons.
enum class Decor {
  CctvMain,
  CctvViewer,
  FolderPanel,
  PreviewBar,
  PreviewWindow,
  PreviewWindow640,
  ConfigDialog,
  SnapshotDialog,
  SnapViewer,
  SnapViewer640
};

// One control on a background. variant 0 and 1 are the two states of a two-state button (start or
// stop, pin off or on, check box off or on, play or stop).
struct Placement {
  const char* key;
  QRect rect;
  Look look;
  Glyph glyph[2] = {Glyph::None, Glyph::None};
  Tr label[2] = {};
  bool inBackground = true;  // false: the window paints it itself (slider thumb)
};

struct Surface {
  const char* folder;  // window folder, e.g. "Bg"
  const char* file;
  QSize size;
  Decor decor;
  std::vector<Placement> controls;
};

// A face file: one control of a surface drawn in one state and variant, cut to its rectangle.
struct FaceFile {
  const char* folder;
  const char* file;
  const char* surface;  // background file whose look lies behind the face
  const char* control;  // Placement key on that surface
  FaceState state;
  int variant;
};

const std::vector<Surface>& Surfaces();
const std::vector<FaceFile>& FaceFiles();

const Surface* FindSurface(const char* file);
const Placement* FindPlacement(const Surface& surface, const char* key);

}  // namespace skingen
