// TavoCCTV's viewer mode: browses the recorded runs one large picture and a strip of four
// thumbnails at a time, plays them as a slideshow and saves a copy of the picture shown. It owns
// no window: it decides what to show and hands the pictures to a ViewerView.
//
// Everything works on image numbers (the counter in each file name), so moving about a run of
// 10,001 images costs no more than in a run of 16: each step looks up and decodes only the few
// pictures it shows.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "messageboxes.h"
#include "savefiledialog.h"
#include "stringtable.h"
#include "timerhost.h"

namespace tavo::cctv {

class RecordingStore;

inline constexpr int kThumbSlots = 4;
// Thumbnails are the 320 x 240 pictures scaled into 79 x 60 slots, 80 pixels apart.
inline constexpr int kThumbWidth = 79;
inline constexpr int kThumbHeight = 60;
inline constexpr int kThumbPitch = 80;
// The position track's thumb centre runs from 45 to 287.
inline constexpr int kTrackMin = 45;
inline constexpr int kTrackMax = 287;
inline constexpr int kTrackSpan = kTrackMax - kTrackMin;
inline constexpr int kDefaultSlidePeriod = 250;
inline constexpr int kDefaultSpeedLevel = 10;
inline constexpr int kSlidePeriodStep = 50;
inline constexpr int kSlowestSlidePeriod = 700;

// Message numbers of the viewer.
inline constexpr int kMsgRenderFailed = 3020;
inline constexpr int kMsgViewerReadFailed = 3021;
inline constexpr int kMsgSaveFailed = 3022;
inline constexpr int kMsgNothingToSave = 3023;
inline constexpr int kTipSaveByDoubleClick = 3086;

inline constexpr const char* kSaveFolderName = "/SaveJpg";
inline constexpr const char* kSaveFilter = "Jpg file (*.jpg)|*.jpg|All file(*.*)|*.*|";

// The image number a path ends with: of its last 10 characters ("_000123.jpg" less the "_"),
// the first six read as a decimal number. 0 when the path is shorter or those are not digits.
int ImageNumberOf(std::string_view path);

// True for the names the recorder gives its images: ending in six digits and ".jpg".
bool IsRecordedImageName(std::string_view name);

// The date and time captions of a file written at `local`, in the format of `uiLanguage`.
struct Captions {
  std::string date;
  std::string time;
};
Captions CaptionsFor(const std::tm& local, std::string_view uiLanguage);

// A picture as the viewer holds it: 320 x 240, bytes blue, green, red, rows bottom-up (the
// layout of a camera frame), 230,400 bytes.
using ViewerFrame = std::vector<std::uint8_t>;

// Decodes `path` into a viewer frame. Nothing when the file does not decode or is not 320 x 240
// (a picture of another size is never read out of bounds). The JPEG layer's own boxes go to
// `boxes`.
std::optional<ViewerFrame> LoadViewerImage(MessageBoxes& boxes, const std::string& path);

// What the viewer needs of its window: the slideshow timer, and these.
class ViewerView : public virtual TimerHost {
 public:
  // Draws `frame` (a viewer frame) or, for null, the placeholder picture large, or scaled into
  // thumbnail slot `slot` (0 to 3). False when the picture could not be drawn.
  virtual bool RenderLarge(const std::uint8_t* frame) = 0;
  virtual bool RenderThumb(int slot, const std::uint8_t* frame) = 0;
  // The folder asked for could not be listed: the run-folder list is rebuilt.
  virtual void RefillFolders() = 0;
  // The counter, speed, captions, track or slideshow state changed: show them.
  virtual void ViewerChanged() = 0;
};

class ImageViewer {
 public:
  // `saveDialog` may be null: every save then counts as cancelled.
  ImageViewer(ViewerView& view, MessageBoxes& boxes, const StringTable& strings,
              RecordingStore& store, SaveFileDialog* saveDialog);

  // Opens run folder `name` of the image root at its first images ("" shows the placeholder).
  void ShowFolder(const std::string& name);
  // The next button: the strip from the image after the first slot's.
  void Next();
  // The previous button: one readable image back; nothing at the first image.
  void Previous();
  // The position track: a press or a move with the left button held at x, and the release.
  // Moves jump at once when the run holds more than four images; the release always jumps.
  void TrackPress(int x);
  void TrackMove(int x);
  void TrackRelease(int x);
  // A press on thumbnail slot `slot` (0 to 3).
  void PressThumb(int slot);
  // The play / stop button, the faster and the slower buttons.
  void ToggleSlideshow();
  void Faster();
  void Slower();
  // One tick of the slideshow timer.
  void SlideshowTick();
  // Stops a running slideshow (the viewer is closing).
  void StopSlideshow();
  // A double-click on the large picture: saves a copy of it through the save dialog.
  void SaveShownImage();

  // The steps the buttons are made of, open for tests.
  void ShowFrom();
  void StepBack();
  void JumpToThumb();
  void ShowImageAt(int n);

  const std::string& viewFolder() const { return viewFolder_; }
  int imageTotal() const { return imageTotal_; }
  int firstNumber() const { return firstNumber_; }
  int currentNumber() const { return currentNumber_; }
  int shownNumber() const { return shownNumber_; }
  int thumbX() const { return thumbX_; }
  int slidePeriod() const { return slidePeriod_; }
  int speedLevel() const { return speedLevel_; }
  bool slideshowOn() const { return slideshowOn_; }
  int saveCounter() const { return saveCounter_; }
  // Image number shown large and in each slot; 0 for the placeholder.
  int largeNumber() const { return largeNumber_; }
  const std::array<int, kThumbSlots>& slotNumbers() const { return slots_; }
  // "%d / %d", "%d" and the captions as the window shows them.
  std::string CounterText() const;
  std::string SpeedText() const;
  const Captions& captions() const { return captions_; }

 private:
  // The JPEG layer's boxes during one step: only the first passes, so a run full of damaged
  // files does not pile up boxes; and the viewer knows while one is open.
  class StepBoxes final : public MessageBoxes {
   public:
    explicit StepBoxes(ImageViewer& viewer) : viewer_(viewer) {}
    void Show(const std::string& text, MessageIcon icon, const std::string& title) override;
    void NewStep() { shown_ = 0; }

   private:
    ImageViewer& viewer_;
    int shown_ = 0;
  };
  // Draws `frame` of image `number` large and takes its captions from `path`.
  void ShowLarge(const ViewerFrame& frame, int number, const std::string& path);
  void ShowPlaceholderLarge();
  void DrawThumb(int slot, const std::uint8_t* frame, int number);
  // Fills slots from `slot` on with the placeholder.
  void FillPlaceholders(int slot);
  // ShowFrom and StepBack without telling the view, for the steps that move the track too and
  // then tell it once. Retreat is false when there was nothing to go back to.
  void Advance();
  bool Retreat();
  // ShowFrom's filling loop from image i + 1 (from i when `inclusive`).
  void FillFrom(int i, bool inclusive);
  void SetThumbFromPosition(int minimumTotal);
  void SetTrack(int x);
  std::optional<ViewerFrame> Load(int number, std::string* path = nullptr);
  void Show(int message);

  ViewerView& view_;
  MessageBoxes& boxes_;
  const StringTable& strings_;
  RecordingStore& store_;
  SaveFileDialog* saveDialog_;
  std::string uiLanguage_;

  std::string viewFolder_;
  int imageTotal_ = 0;
  int firstNumber_ = 0;
  int currentNumber_ = 0;
  int shownNumber_ = 0;
  int thumbX_ = kTrackMin;
  int slidePeriod_ = kDefaultSlidePeriod;
  int speedLevel_ = kDefaultSpeedLevel;
  bool slideshowOn_ = false;
  int saveCounter_ = 0;
  int largeNumber_ = 0;
  std::array<int, kThumbSlots> slots_{};
  std::pair<int, int> counter_{0, 0};  // number and total the counter shows
  Captions captions_;
  // Files of the open run that did not decode: each is told of once per opening of the run, not
  // again at every step while it stays in the strip, and is not decoded again meanwhile.
  std::set<std::string> unreadable_;
  // Depth of message boxes open: the slideshow does not step beneath one.
  int boxesOpen_ = 0;
  StepBoxes jpegBoxes_{*this};
};

}  // namespace tavo::cctv
