// The skin of TavoCCTV's main window: its 42 picture files in loading order, the painted buttons
// with their rectangles, the faces that show state, the places, colours and font of the child
// controls and the viewer's areas, and the tooltip areas. Plain tables, shared by the window and
// its tests.
#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QRect>
#include <array>
#include <cstdint>
#include <string>

namespace tavo::cctv {

inline constexpr int kSkinFileCount = 42;

// Indices into the skin pictures, in loading order.
enum SkinPicture : int {
  kBgNormal,
  kBgViewer,
  kViewerDown,
  kViewerFoc,
  kStartUp,
  kStartDown,
  kStartFoc,
  kTakePictureSign,
  kExitDown,
  kMinimiseDown,
  kHelpDown,
  kStopUp,
  kStopDown,
  kStopFoc,
  kConfigDown,
  kConfigFoc,
  kCrtDown,
  kLcdDown,
  kAdjustDown,
  kAdjustFoc,
  kPinOffUp,
  kPinOffDown,
  kPinOnUp,
  kPinOnDown,
  kCheckOn,
  kCheckOff,
  kSliderThumb,
  kSlideBg,
  kSlideFoc,
  kSlideDown,
  kSlideNor,
  kSlideStopFoc,
  kSlideStopDown,
  kSlideStopNor,
  kSpeedRowDown,
  kSpeedRowFoc,
  kSpeedHiDown,
  kSpeedHiFoc,
  kLeftDown,
  kLeftFoc,
  kRightDown,
  kRightFoc,
};
// No picture: a button without that face.
inline constexpr int kNoFace = -1;

// Window folder and file name of each picture, below the skin folder.
struct SkinFile {
  const char* folder;
  const char* file;
};
const std::array<SkinFile, kSkinFileCount>& SkinFiles();

struct SkinPictures {
  std::array<QImage, kSkinFileCount> images;
  int loaded = 0;  // pictures loaded before the first failure
  bool complete() const { return loaded == kSkinFileCount; }
  const QImage& operator[](int i) const { return images[static_cast<std::size_t>(i)]; }
  // Picture `i`, or a null picture when it was not loaded (or is kNoFace).
  const QImage& Face(int i) const;
};

// Loads the pictures of `uiLanguage` from `programFolder` in order, stopping at the first file
// that fails.
SkinPictures LoadSkinPictures(const std::string& programFolder, const std::string& uiLanguage);

// The painted buttons. The viewer row is tested only while the viewer is open, the panel row
// only while the configuration panel is open, the main row always.
enum class ButtonRow { kViewer, kPanel, kMain };
struct FaceButton {
  int id;  // the window's numbering (Button)
  ButtonRow row;
  QRect hitArea;        // inclusive; hover and press
  QRect releaseArea;    // inclusive; where a release runs the command
  QPoint facePosition;  // where the hover and pressed faces are drawn
  QRect repaintArea;    // inclusive; repainted when the normal face returns
  int hoverFace;        // a SkinPicture or kNoFace
  int pressedFace;
};
// In the order they are tested: viewer row, panel row, main row.
const std::array<FaceButton, 15>& FaceButtons();

// A face that shows a state of the window, painted at `at` over the background: picture [0]
// while the state is off, [1] while it is on. A button's hover and pressed faces switch with the
// same state.
struct StateFaces {
  int button;  // the painted button it belongs to; 0 for none
  QPoint at;
  std::array<int, 2> normal;
  std::array<int, 2> hover;
  std::array<int, 2> pressed;
};
extern const StateFaces kStartStopFaces;  // on: surveillance runs
extern const StateFaces kPinFaces;        // on: the window is not topmost
extern const StateFaces kMailCheckFaces;  // on: mail alerts are on; shown with the mail box
extern const StateFaces kSlideshowFaces;  // on: the slideshow plays; shown in the viewer

// Colours of the child controls.
inline constexpr QColor kFieldText(255, 255, 255);
inline constexpr QColor kFieldBack(42, 41, 41);
inline constexpr QColor kSliderBack(82, 82, 82);
inline constexpr QColor kBarColour(173, 1, 226);
inline constexpr QColor kSliderParts(148, 150, 148);  // thumb, selection and channel
// The ground of the thumbnail strip before any run is shown.
inline constexpr QColor kStripGround(14, 14, 14);
// The open camera list is wide enough for camera names.
inline constexpr int kCameraListDropWidth = 250;

// The font of the lists and the mail edits: the face of the language (Batang and Arial are not on
// a Linux desktop, and their stand-ins are taller), sized so that a whole line, descenders and the
// underscore included, fits the 15-pixel edits.
QFont ControlFont(const std::string& uiLanguage);
// The font of the number fields (the four values, the viewer's counter and speed): narrow digits,
// so that any value of four characters ("-100", "1000") fits a 20 x 12 field.
QFont NumberFont();
// Prompts and disabled text in the mail edits: light grey on the fields' dark ground.
inline constexpr QColor kPromptText(176, 178, 176);
// The text a mail edit shows for a first-run prompt (`string` 3087, 3088, 3089) in its language:
// the prompt itself, or a shorter wording where the prompt is wider than the field. The stored
// setting keeps the prompt.
QString PromptShown(int string, const std::string& uiLanguage, const QString& prompt);

// Places of the child controls, client pixels (QRect's left, top, width, height).
inline constexpr QPoint kVideoAt(6, 20);  // the live picture, 320 x 240
inline constexpr QRect kCameraListPlace(69, 355, 71, 18);
inline constexpr QRect kRateListPlace(69, 381, 71, 18);
// The capture rate list holds 1 to 9, each as its text shows it; 5 is chosen at first.
inline constexpr int kRateCount = 9;
inline constexpr int kRateFirstChoice = 4;
QString RateItemText(int rate);

// The activity bars that blink while surveillance runs.
inline constexpr int kBarCount = 5;
QRect BarPlace(int index);

// The picture sliders with their value fields, one row each.
struct SliderRow {
  int slider;
  int field;
  int y;
};
extern const std::array<SliderRow, 4> kSliderRows;
QRect SliderPlace(const SliderRow& row);
// The value field right of a slider; the Korean font sits a pixel further left and lower.
QRect ValueFieldPlace(const SliderRow& row, bool korean);

// The three mail edits.
struct EditRow {
  int id;
  QRect place;
  int prompt;  // the string it holds on a first run
};
extern const std::array<EditRow, 3> kMailEdits;
// The mail check box's area (inclusive), active while the mail box shows on the panel.
inline constexpr QRect kMailCheckArea(QPoint(70, 409), QPoint(85, 424));

// The picture-taking sign, shown for a moment at each saved picture.
inline constexpr QRect kPictureSignArea(QPoint(11, 263), QSize(16, 11));
inline constexpr int kPictureSignMs = 20;

// The viewer layout: the large picture, the strip of thumbnails, the position track and the two
// fields (inside their one-pixel frames); the areas are inclusive.
inline constexpr QPoint kLargeAt(6, 20);
inline constexpr QPoint kStripAt(6, 329);
inline constexpr QPoint kTrackAt(20, 395);
inline constexpr int kTrackThumbHalf = 25;  // the thumb is drawn centred on the position
inline constexpr QRect kTrackArea(QPoint(22, 385), QPoint(310, 407));
inline constexpr QRect kSaveArea(QPoint(7, 21), QPoint(325, 259));
inline constexpr QRect kCounterField = QRect(112, 410, 77, 13).adjusted(1, 0, -1, 0);
inline constexpr QRect kSpeedField = QRect(287, 410, 39, 13).adjusted(1, 0, -1, 0);
// The thumbnail slot a point lies in (x 7-85, 87-165, 167-245, 247-325; y 330-388), or -1.
int ThumbSlotAt(QPoint point);

// The tooltips: string number, area (inclusive pixel ranges) and when the tip is there.
enum class TipWhen { kAlways, kViewerOpen, kConfigOpen };
struct TooltipArea {
  int string;
  QRect area;
  TipWhen when = TipWhen::kAlways;
};
const std::array<TooltipArea, 10>& Tooltips();
// The viewer's tooltip over the large picture, registered while the viewer is open.
extern const TooltipArea kSaveTip;

// The window's title, its About box's text, and the strings of the About item and box.
inline constexpr const char* kWindowTitle = "TAVO CCTV 2.0";
inline constexpr const char* kAboutText = "TavoCCTV  1.1";
inline constexpr int kStringAboutItem = 101;
inline constexpr int kStringAboutTitle = 3092;
inline constexpr int kStringHelpTitle = 3034;  // the help tooltip names the help window

// The application icon, drawn rather than loaded, so that it is there even without skins.
QIcon CctvIcon();

// The picture that stands in for an empty thumbnail slot and for the large picture of an empty
// run: 320 x 240, uniform grey, the program's name written across it in darker letters.
const QImage& ViewerPlaceholder();
// A viewer frame (320 x 240, blue, green, red, rows bottom-up) as an upright picture; null when
// it cannot be made.
QImage ViewerFrameImage(const std::uint8_t* frame);

}  // namespace tavo::cctv
