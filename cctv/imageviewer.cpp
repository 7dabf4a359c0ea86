#include "imageviewer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "cctvcontroller.h"
#include "durablefile.h"
#include "jpegfile.h"
#include "recordingstore.h"

namespace tavo::cctv {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kImageSuffix = ".jpg";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The file's last-write time in local time; nothing when it cannot be read.
std::optional<std::tm> WrittenAt(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  std::tm local{};
  if (::localtime_r(&info.st_mtime, &local) == nullptr) return std::nullopt;
  return local;
}

std::string Format(const char* format, const std::tm& time) {
  char text[128];
  const std::size_t n = std::strftime(text, sizeof text, format, &time);
  return std::string(text, n);
}

// The track position of image `current` of `total`: the thumb centre, 45 at the first image and
// 287 at the last, held inside the track.
int TrackPosition(int current, int total) {
  const double x = std::trunc(static_cast<double>(kTrackSpan) / (total - 1) * (current - 1));
  return std::clamp(static_cast<int>(x) + kTrackMin, kTrackMin, kTrackMax);
}

}  // namespace

int ImageNumberOf(std::string_view path) {
  if (path.size() < 10) return 0;
  const std::string_view digits = path.substr(path.size() - 10, 6);
  int n = 0;
  for (char c : digits) {
    if (!IsDigit(c)) return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

bool IsRecordedImageName(std::string_view name) {
  if (name.size() < 10 || !name.ends_with(kImageSuffix)) return false;
  return std::all_of(name.end() - 10, name.end() - 4, IsDigit);
}

Captions CaptionsFor(const std::tm& local, std::string_view uiLanguage) {
  if (uiLanguage == "Korean") {
    return {Format("%y년 %m월 %d일", local), Format("%H시 %M분 %S초", local)};
  }
  if (uiLanguage == "Japanese") {
    return {Format("%y - %m - %d", local), Format("%Hh %Mm %Ss", local)};
  }
  return {Format("%m-%d-%y", local), Format("%H:%M:%S", local)};
}

std::optional<ViewerFrame> LoadViewerImage(MessageBoxes& boxes, const std::string& path) {
  if (path.empty()) return std::nullopt;
  JpegFile jpeg(boxes);
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  // A picture of another size is refused by its header: a folder of huge planted files costs
  // no decoding.
  std::unique_ptr<std::uint8_t[]> rgb =
      jpeg.JpegToRgb(path, width, height, JpegFile::PictureSize{kFrameWidth, kFrameHeight});
  if (!rgb || width != kFrameWidth || height != kFrameHeight) return std::nullopt;
  JpegFile::SwapRedBlue(rgb.get(), width, height);
  JpegFile::FlipRows(rgb.get(), width * 3, height);
  return ViewerFrame(rgb.get(), rgb.get() + kFrameBytes);
}

void ImageViewer::StepBoxes::Show(const std::string& text, MessageIcon icon,
                                  const std::string& title) {
  if (shown_++ > 0) return;
  ++viewer_.boxesOpen_;
  viewer_.boxes_.Show(text, icon, title);
  --viewer_.boxesOpen_;
}

ImageViewer::ImageViewer(ViewerView& view, MessageBoxes& boxes, const StringTable& strings,
                         RecordingStore& store, SaveFileDialog* saveDialog)
    : view_(view),
      boxes_(boxes),
      strings_(strings),
      store_(store),
      saveDialog_(saveDialog),
      uiLanguage_(strings.UiLanguage()) {}

void ImageViewer::Show(int message) {
  ++boxesOpen_;
  ShowString(boxes_, strings_, message);
  --boxesOpen_;
}

std::string ImageViewer::CounterText() const {
  return std::to_string(counter_.first) + " / " + std::to_string(counter_.second);
}

std::string ImageViewer::SpeedText() const { return std::to_string(speedLevel_); }

std::optional<ViewerFrame> ImageViewer::Load(int number, std::string* path) {
  if (number <= 0) return std::nullopt;
  std::string file = store_.FindImageByCounter(viewFolder_, number);
  if (file.empty() || unreadable_.contains(file)) return std::nullopt;
  std::optional<ViewerFrame> frame = LoadViewerImage(jpegBoxes_, file);
  if (!frame) {
    unreadable_.insert(std::move(file));
  } else if (path != nullptr) {
    *path = std::move(file);
  }
  return frame;
}

void ImageViewer::ShowLarge(const ViewerFrame& frame, int number, const std::string& path) {
  if (!view_.RenderLarge(frame.data())) Show(kMsgRenderFailed);
  largeNumber_ = number;
  const std::optional<std::tm> written = WrittenAt(path);
  captions_ = written ? CaptionsFor(*written, uiLanguage_) : Captions{};
}

void ImageViewer::ShowPlaceholderLarge() {
  if (!view_.RenderLarge(nullptr)) Show(kMsgRenderFailed);
  largeNumber_ = 0;
  captions_ = {};
}

void ImageViewer::DrawThumb(int slot, const std::uint8_t* frame, int number) {
  if (!view_.RenderThumb(slot, frame)) Show(kMsgRenderFailed);
  slots_[static_cast<std::size_t>(slot)] = number;
}

void ImageViewer::FillPlaceholders(int slot) {
  for (; slot < kThumbSlots; ++slot) DrawThumb(slot, nullptr, 0);
}

void ImageViewer::SetTrack(int x) { thumbX_ = std::clamp(x, kTrackMin, kTrackMax); }

void ImageViewer::SetThumbFromPosition(int minimumTotal) {
  thumbX_ = imageTotal_ < minimumTotal ? kTrackMin : TrackPosition(currentNumber_, imageTotal_);
}

void ImageViewer::ShowFolder(const std::string& name) {
  jpegBoxes_.NewStep();
  unreadable_.clear();
  firstNumber_ = 0;
  imageTotal_ = 0;
  viewFolder_ = store_.imageRoot() + name;

  // The run's images in recording order, by number (name order is not recording order across
  // midnight with English stamps). Only the recorder's image files count.
  struct Entry {
    int number;
    std::string name;
  };
  std::vector<Entry> images;
  std::vector<std::string> files;
  std::error_code error;
  bool listed = PathWithinLimits(viewFolder_);
  if (listed) {
    // Composites whose writer died before naming them are nobody's (a live writer's are kept);
    // the run's own pictures of that kind go as the listing meets them.
    SweepLeftovers(viewFolder_ + std::string(kMailFolderName));
    const fs::file_time_type modified = fs::last_write_time(viewFolder_, error);
    const fs::file_time_type listedAt = fs::file_time_type::clock::now();
    fs::directory_iterator it(viewFolder_, error);
    listed = !error;
    for (; listed && it != fs::directory_iterator(); it.increment(error)) {
      std::error_code typeError;
      if (it->is_directory(typeError)) continue;
      std::string file = it->path().filename().string();
      if (IsLeftoverName(file)) {
        RemoveLeftover(viewFolder_, file);
        continue;  // never counted, swept or not
      }
      files.push_back(std::move(file));
      if (IsRecordedImageName(files.back())) {
        images.push_back({ImageNumberOf(files.back()), files.back()});
      }
    }
    if (error) listed = false;
    // The steps that follow look images up by number: they use this listing rather than
    // reading a long run's folder a second time.
    if (listed) store_.AdoptListing(viewFolder_, modified, listedAt, files);
  }
  int drawn = 0;
  if (!listed) {
    // The folder went away (deleted behind our back, say): the list is rebuilt. The image root
    // itself ("" shows the placeholder) never asks, or an absent root would ask forever.
    if (!name.empty()) view_.RefillFolders();
  } else {
    std::sort(images.begin(), images.end(), [](const Entry& a, const Entry& b) {
      return a.number != b.number ? a.number < b.number : a.name < b.name;
    });
    imageTotal_ = static_cast<int>(images.size());
    bool reported = false;
    // Only the pictures the strip shows are decoded, however long the run.
    for (const Entry& entry : images) {
      const std::string path = viewFolder_ + "/" + entry.name;
      std::optional<ViewerFrame> frame = LoadViewerImage(jpegBoxes_, path);
      if (!frame) {
        if (!reported) Show(kMsgViewerReadFailed);
        reported = true;
        unreadable_.insert(path);
        continue;
      }
      if (drawn == 0) {
        firstNumber_ = currentNumber_ = shownNumber_ = entry.number;
        counter_ = {entry.number, imageTotal_};
        ShowLarge(*frame, entry.number, path);
      }
      DrawThumb(drawn, frame->data(), entry.number);
      if (++drawn == kThumbSlots) break;
    }
  }
  if (drawn == 0) {
    ShowPlaceholderLarge();
    currentNumber_ = shownNumber_ = 0;
    counter_ = {0, 0};
  }
  FillPlaceholders(drawn);
  thumbX_ = kTrackMin;
  view_.ViewerChanged();
}

void ImageViewer::FillFrom(int i, bool inclusive) {
  int slot = 0;
  if (inclusive) --i;
  while (i < imageTotal_ && slot < kThumbSlots) {
    ++i;
    std::string path;
    std::optional<ViewerFrame> frame = Load(i, &path);
    if (!frame) continue;
    if (slot == 0) {
      currentNumber_ = shownNumber_ = i;
      ShowLarge(*frame, i, path);
    }
    DrawThumb(slot++, frame->data(), i);
  }
  FillPlaceholders(slot);
}

void ImageViewer::Advance() {
  int i = currentNumber_;
  // At the end the last image is shown again.
  if (i == imageTotal_) --i;
  FillFrom(i, false);
  counter_ = {currentNumber_, imageTotal_};
}

bool ImageViewer::Retreat() {
  for (int i = currentNumber_; firstNumber_ < i; --i) {
    if (Load(i - 1)) {
      currentNumber_ = i - 2;
      Advance();
      return true;
    }
  }
  return false;
}

void ImageViewer::ShowFrom() {
  jpegBoxes_.NewStep();
  Advance();
  view_.ViewerChanged();
}

void ImageViewer::StepBack() {
  jpegBoxes_.NewStep();
  if (Retreat()) view_.ViewerChanged();
}

void ImageViewer::Next() {
  jpegBoxes_.NewStep();
  Advance();
  SetThumbFromPosition(2);
  view_.ViewerChanged();
}

void ImageViewer::Previous() {
  jpegBoxes_.NewStep();
  Retreat();
  SetThumbFromPosition(2);
  view_.ViewerChanged();
}

void ImageViewer::TrackPress(int x) { TrackMove(x); }

void ImageViewer::TrackMove(int x) {
  SetTrack(x);
  if (imageTotal_ > kThumbSlots) {
    JumpToThumb();
  } else {
    view_.ViewerChanged();
  }
}

void ImageViewer::TrackRelease(int x) {
  SetTrack(x);
  JumpToThumb();
}

void ImageViewer::JumpToThumb() {
  jpegBoxes_.NewStep();
  const double fraction = static_cast<double>(thumbX_ - kTrackMin) / kTrackSpan;
  const int i = static_cast<int>(std::trunc(fraction * imageTotal_ + 0.5));
  currentNumber_ = i;
  FillFrom(i, true);
  counter_ = {currentNumber_, imageTotal_};
  view_.ViewerChanged();
}

void ImageViewer::PressThumb(int slot) {
  if (slot < 0 || slot >= kThumbSlots || imageTotal_ <= slot) return;
  ShowImageAt(currentNumber_ + slot);
}

void ImageViewer::ShowImageAt(int n) {
  jpegBoxes_.NewStep();
  for (int i = std::max(n, 1); i <= imageTotal_; ++i) {
    std::string path;
    std::optional<ViewerFrame> frame = Load(i, &path);
    if (!frame) continue;
    ShowLarge(*frame, i, path);
    // The number of the picture actually shown, so that a double-click saves what is seen.
    shownNumber_ = i;
    counter_ = {i, imageTotal_};
    view_.ViewerChanged();
    return;
  }
}

void ImageViewer::ToggleSlideshow() {
  if (slideshowOn_) {
    StopSlideshow();
    return;
  }
  currentNumber_ = 0;
  thumbX_ = kTrackMin;
  view_.SetTimer(kSlideshowTimer, slidePeriod_);
  slideshowOn_ = true;
  view_.ViewerChanged();
}

void ImageViewer::StopSlideshow() {
  view_.KillTimer(kSlideshowTimer);
  if (!slideshowOn_) return;
  slideshowOn_ = false;
  view_.ViewerChanged();
}

void ImageViewer::SlideshowTick() {
  jpegBoxes_.NewStep();
  if (!slideshowOn_ || boxesOpen_ > 0) return;
  if (currentNumber_ >= imageTotal_) {
    StopSlideshow();
    return;
  }
  const int before = currentNumber_;
  Advance();
  SetThumbFromPosition(5);
  // Nothing readable lies ahead: the show is over rather than ticking in place for ever.
  if (currentNumber_ <= before) {
    StopSlideshow();
  } else {
    view_.ViewerChanged();
  }
}

void ImageViewer::Faster() {
  if (slidePeriod_ > 0) {
    slidePeriod_ -= kSlidePeriodStep;
    ++speedLevel_;
  }
  if (slideshowOn_) view_.SetTimer(kSlideshowTimer, slidePeriod_);
  view_.ViewerChanged();
}

void ImageViewer::Slower() {
  if (slidePeriod_ < kSlowestSlidePeriod) {
    slidePeriod_ += kSlidePeriodStep;
    --speedLevel_;
  }
  if (slideshowOn_) view_.SetTimer(kSlideshowTimer, slidePeriod_);
  view_.ViewerChanged();
}

void ImageViewer::SaveShownImage() {
  jpegBoxes_.NewStep();
  std::optional<ViewerFrame> frame = Load(shownNumber_);
  if (!frame) {
    Show(kMsgNothingToSave);
    return;
  }
  const std::string folder = store_.programFolder() + kSaveFolderName;
  std::error_code error;
  fs::create_directory(folder, error);
  ++saveCounter_;
  SaveFileRequest request;
  request.defaultName = folder + kSaveFolderName + std::to_string(saveCounter_) + ".jpg";
  request.filter = kSaveFilter;
  request.defaultExtension = "*.jpg";
  request.promptOverwrite = true;
  std::string path;
  ++boxesOpen_;
  const bool confirmed = saveDialog_ != nullptr && saveDialog_->Ask(request, path);
  --boxesOpen_;
  if (!confirmed) {
    --saveCounter_;
    return;
  }
  // The dialog has asked before overwriting, so the copy replaces what is there.
  if (!store_.SaveMotionFrame(*frame, path, kUserCopy)) {
    Show(kMsgSaveFailed);
    --saveCounter_;
  }
}

}  // namespace tavo::cctv
