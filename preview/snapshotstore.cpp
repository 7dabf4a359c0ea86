#include "snapshotstore.h"

#include <unistd.h>

#include <QColor>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <limits>
#include <unordered_map>
#include <utility>

#include "durablefile.h"
#include "jpegfile.h"

namespace tavo::preview {
namespace {

constexpr char kFilePrefix[] = "SnapShot";
constexpr int kSlots = 4;
constexpr int kSlotPitch = 80;
// The strip's ground shows in the one-pixel gaps between the slots.
constexpr QRgb kStripGround = qRgb(128, 128, 128);
constexpr QRgb kPlaceholderGround = qRgb(82, 82, 82);

// Snapshots are the program's own passing files: private, and one left by an earlier run that
// ended without clearing its folder is overwritten as its number comes round again.
constexpr WriteOptions kSnapshotWrite{Existing::kReplace, 0600};

struct Thumbnail {
  QImage colour;  // RGB888, kThumbWidth x kThumbHeight; null when the file did not decode
  QImage grey;    // Grayscale8, the same size
  std::uint64_t lastUse = 0;
};

bool IsSnapshotFileName(const std::string& name) {
  // SnapShot*.*: the prefix, then a dot somewhere after it.
  return name.rfind(kFilePrefix, 0) == 0 &&
         name.find('.', sizeof kFilePrefix - 1) != std::string::npos;
}

// Rows turned over and red and blue exchanged, into a new packed buffer: a grabbed frame (BGR,
// bottom-up) as the codec takes it (RGB, top-down), and back. The source is left as it was.
std::vector<std::uint8_t> Turned(const std::uint8_t* pixels, std::size_t stride, int width,
                                 int height) {
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  std::vector<std::uint8_t> out(rowBytes * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* from = pixels + stride * static_cast<std::size_t>(height - 1 - y);
    std::uint8_t* to = out.data() + rowBytes * static_cast<std::size_t>(y);
    for (std::size_t i = 0; i < rowBytes; i += 3) {
      to[i] = from[i + 2];
      to[i + 1] = from[i + 1];
      to[i + 2] = from[i];
    }
  }
  return out;
}

// The placeholder as an image, top-down: the dark ground with a camera drawn in lighter greys,
// sized by the picture so that every resolution shows the same sign.
QImage PlaceholderImage(int resolutionIndex) {
  const FrameSize size = FrameSizeOf(resolutionIndex);
  QImage image(size.width, size.height, QImage::Format_RGB888);
  if (image.isNull()) return image;
  image.fill(kPlaceholderGround);
  const double w = size.width;
  const double h = size.height;
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  const QRectF body(w * 0.30, h * 0.36, w * 0.40, h * 0.36);
  painter.setBrush(QColor(128, 128, 128));
  painter.drawRect(QRectF(w * 0.36, h * 0.29, w * 0.10, h * 0.09));  // the viewfinder
  painter.drawRoundedRect(body, w * 0.03, w * 0.03);
  const QPointF centre = body.center();
  painter.setBrush(QColor(170, 170, 170));
  painter.drawEllipse(centre, h * 0.13, h * 0.13);
  painter.setBrush(QColor(60, 60, 60));
  painter.drawEllipse(centre, h * 0.08, h * 0.08);
  painter.setBrush(QColor(190, 190, 190));
  painter.drawEllipse(QPointF(body.right() - w * 0.05, body.top() + h * 0.06), h * 0.02, h * 0.02);
  return image;
}

// Grey as the codec's helper makes it, truncated: 0.299 R + 0.587 G + 0.114 B.
QImage GreyOf(const QImage& colour) {
  QImage grey(colour.size(), QImage::Format_Grayscale8);
  if (grey.isNull()) return grey;
  for (int y = 0; y < colour.height(); ++y) {
    const std::uint8_t* from = colour.constScanLine(y);
    std::uint8_t* to = grey.scanLine(y);
    for (int x = 0; x < colour.width(); ++x, from += 3)
      to[x] = static_cast<std::uint8_t>(0.299 * from[0] + 0.587 * from[1] + 0.114 * from[2]);
  }
  return grey;
}

// A frame of a size that is a whole multiple of 80 x 60 (every frame size is) reduced to 80 x 60
// by block means: what the codec's DCT scaling gives for the frame's file, without the file's
// Huffman decode, which costs about half a full decode at any scale. `rgb` is packed, top-down.
QImage ReducedFrame(const std::uint8_t* rgb, int width, int height) {
  constexpr int kW = kSlotPitch;
  constexpr int kH = kThumbHeight;
  if (width % kW != 0 || height % kH != 0 || width / kW != height / kH) return {};
  const int block = width / kW;
  QImage reduced(kW, kH, QImage::Format_RGB888);
  if (reduced.isNull()) return reduced;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  std::vector<std::uint32_t> sums(static_cast<std::size_t>(kW) * 3);
  for (int y = 0; y < kH; ++y) {
    std::fill(sums.begin(), sums.end(), 0);
    for (int r = 0; r < block; ++r) {
      const std::uint8_t* p = rgb + rowBytes * static_cast<std::size_t>(y * block + r);
      for (std::uint32_t* sum = sums.data(); sum != sums.data() + sums.size(); sum += 3) {
        for (int k = 0; k < block; ++k, p += 3) {
          sum[0] += p[0];
          sum[1] += p[1];
          sum[2] += p[2];
        }
      }
    }
    const auto area = static_cast<std::uint32_t>(block * block);
    std::uint8_t* to = reduced.scanLine(y);
    for (std::size_t i = 0; i < sums.size(); ++i)
      to[i] = static_cast<std::uint8_t>((sums[i] + area / 2) / area);
  }
  return reduced;
}

// `picture` (RGB888) stretched into a thumbnail slot; null when memory ran short.
QImage FitToSlot(const QImage& picture) {
  if (picture.isNull()) return {};
  QImage fitted = picture.size() == QSize(kThumbWidth, kThumbHeight)
                      ? picture.copy()
                      : picture.scaled(kThumbWidth, kThumbHeight, Qt::IgnoreAspectRatio,
                                       Qt::SmoothTransformation);
  return fitted.isNull() ? fitted : fitted.convertToFormat(QImage::Format_RGB888);
}

}  // namespace

struct SnapshotStore::State {
  State(std::string folder, MessageBoxes& boxes, const StringTable& strings,
        SaveFileDialog& saveDialog)
      : folder(std::move(folder)), boxes(boxes), strings(strings), saveDialog(saveDialog) {}

  const std::string folder;
  MessageBoxes& boxes;
  const StringTable& strings;
  SaveFileDialog& saveDialog;

  int resolutionIndex = 2;
  std::uint32_t lastNumber = 0;
  std::vector<std::uint32_t> numbers;
  std::uint32_t selectedNumber = 0;
  std::uint32_t stripEnd = 0;
  std::function<void()> changed;

  QImage strip;
  bool stripCurrent = false;
  std::unordered_map<std::uint32_t, Thumbnail> thumbnails;
  std::uint64_t useClock = 0;
  // Per resolution index; made when first shown.
  std::array<QImage, 4> placeholderThumbnails;

  bool Listed(std::uint32_t number) const {
    return number != 0 && std::binary_search(numbers.begin(), numbers.end(), number);
  }

  void Show(int id) { ShowString(boxes, strings, id); }

  // Everything the dialog shows follows a change: the strip is drawn the next time it is asked
  // for, so frames stored while no dialog is open cost no drawing.
  void Changed() {
    stripCurrent = false;
    if (changed) changed();
  }

  const Thumbnail* ThumbnailOf(std::uint32_t number, const std::string& path);
  const Thumbnail* Keep(std::uint32_t number, Thumbnail made);
  const QImage* PlaceholderThumbnail();
  void DrawSlot(int slot, const QImage& thumbnail);
  void DrawStrip();
};

// The thumbnail of `number`, decoded from its file only the first time. A file that does not
// decode is remembered as such (null images) so the strip does not try it at every step. Null
// when a thumbnail could not be made for lack of memory.
const Thumbnail* SnapshotStore::State::ThumbnailOf(std::uint32_t number, const std::string& path) {
  if (auto it = thumbnails.find(number); it != thumbnails.end()) {
    it->second.lastUse = ++useClock;
    return &it->second;
  }
  Thumbnail made;
  // The strip is drawn while the dialog paints: a damaged file shows as the placeholder, not as a
  // box in the middle of a paint.
  RecordingMessageBoxes quiet;
  JpegFile jpeg(quiet);
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  const auto rgb = jpeg.JpegToRgbScaled(path, kThumbWidth, kThumbHeight, width, height);
  if (rgb) {
    const QImage decoded(rgb.get(), static_cast<int>(width), static_cast<int>(height),
                         static_cast<qsizetype>(width) * 3, QImage::Format_RGB888);
    made.colour = FitToSlot(decoded);
    made.grey = GreyOf(made.colour);
    if (made.colour.isNull() || made.grey.isNull()) return nullptr;
  }
  return Keep(number, std::move(made));
}

const Thumbnail* SnapshotStore::State::Keep(std::uint32_t number, Thumbnail made) {
  if (thumbnails.size() >= kMaxCachedThumbnails && !thumbnails.contains(number)) {
    const auto oldest = std::min_element(
        thumbnails.begin(), thumbnails.end(),
        [](const auto& a, const auto& b) { return a.second.lastUse < b.second.lastUse; });
    thumbnails.erase(oldest);
  }
  made.lastUse = ++useClock;
  return &thumbnails.insert_or_assign(number, std::move(made)).first->second;
}

const QImage* SnapshotStore::State::PlaceholderThumbnail() {
  QImage& thumbnail = placeholderThumbnails[static_cast<std::size_t>(resolutionIndex)];
  if (thumbnail.isNull()) thumbnail = FitToSlot(PlaceholderImage(resolutionIndex));
  return thumbnail.isNull() ? nullptr : &thumbnail;
}

void SnapshotStore::State::DrawSlot(int slot, const QImage& thumbnail) {
  const bool grey = thumbnail.format() == QImage::Format_Grayscale8;
  for (int y = 0; y < kThumbHeight; ++y) {
    const std::uint8_t* from = thumbnail.constScanLine(y);
    auto* to = reinterpret_cast<QRgb*>(strip.scanLine(y)) + slot * kSlotPitch;
    for (int x = 0; x < kThumbWidth; ++x) {
      to[x] = grey ? qRgb(from[x], from[x], from[x])
                   : qRgb(from[3 * x], from[3 * x + 1], from[3 * x + 2]);
    }
  }
}

// The up-to-four snapshots ending at stripEnd: the three before it and itself once it stands
// fourth or later, else those from the first up to it.
void SnapshotStore::State::DrawStrip() {
  if (strip.isNull()) {
    strip = QImage(kStripWidth, kStripHeight, QImage::Format_RGB32);
    if (strip.isNull()) {
      Show(kMsgRenderFailure);
      return;
    }
    strip.fill(kStripGround);
  }
  stripCurrent = true;
  const auto end = std::lower_bound(numbers.begin(), numbers.end(), stripEnd);
  auto entry = end - numbers.begin() >= kSlots ? end - (kSlots - 1) : numbers.begin();
  int slot = 0;
  bool failed = false;
  for (; slot < kSlots && entry != numbers.end() && *entry <= stripEnd; ++slot, ++entry) {
    const Thumbnail* thumbnail =
        ThumbnailOf(*entry, folder + "/" + kFilePrefix + std::to_string(*entry) + ".jpg");
    const QImage* image = nullptr;
    if (thumbnail != nullptr && !thumbnail->colour.isNull()) {
      image = *entry == selectedNumber ? &thumbnail->colour : &thumbnail->grey;
    } else if (thumbnail != nullptr) {
      image = PlaceholderThumbnail();
    }
    if (image != nullptr) {
      DrawSlot(slot, *image);
    } else {
      failed = true;
    }
  }
  for (; slot < kSlots; ++slot) {
    const QImage* placeholder = PlaceholderThumbnail();
    if (placeholder != nullptr) {
      DrawSlot(slot, *placeholder);
    } else {
      failed = true;
    }
  }
  if (failed) {
    // Drawn again on the next ask, when memory may allow it.
    stripCurrent = false;
    Show(kMsgRenderFailure);
  }
}

FrameSize FrameSizeOf(int resolutionIndex) {
  switch (resolutionIndex) {
    case 1:
      return {640, 480};
    case 2:
      return {320, 240};
    case 3:
      return {160, 120};
    default:
      return {};
  }
}

SnapshotStore::SnapshotStore(std::string temporaryFolder, MessageBoxes& boxes,
                             const StringTable& strings, SaveFileDialog& saveDialog)
    : state_(std::make_unique<State>(std::move(temporaryFolder), boxes, strings, saveDialog)) {}

SnapshotStore::~SnapshotStore() = default;

void SnapshotStore::SetResolutionIndex(int index) {
  if (FrameSizeOf(index).width == 0 || index == state_->resolutionIndex) return;
  state_->resolutionIndex = index;
  state_->Changed();  // the placeholders change
}

int SnapshotStore::resolutionIndex() const { return state_->resolutionIndex; }

void SnapshotStore::SetChangedHook(std::function<void()> changed) {
  state_->changed = std::move(changed);
}

bool SnapshotStore::StoreGrabbedFrame(const std::uint8_t* frame, std::size_t bytes) {
  State& s = *state_;
  const FrameSize size = FrameSizeOf(s.resolutionIndex);
  const std::size_t frameBytes = static_cast<std::size_t>(size.width) * size.height * 3;
  // The number is taken only once its file is there: a snapshot that failed leaves no gap and no
  // entry without a file.
  if (frame == nullptr || bytes != frameBytes ||
      s.lastNumber == std::numeric_limits<std::uint32_t>::max()) {
    s.Show(kMsgSnapshotFailure);
    return false;
  }
  const std::uint32_t number = s.lastNumber + 1;
  const std::vector<std::uint8_t> rgb =
      Turned(frame, static_cast<std::size_t>(size.width) * 3, size.width, size.height);
  JpegFile jpeg(s.boxes);
  if (jpeg.WriteJpeg(
          PathOf(number), kSnapshotQuality, rgb.data(), static_cast<std::uint32_t>(size.width),
          static_cast<std::uint32_t>(size.height), kSnapshotWrite) != WriteResult::kWritten) {
    s.Show(kMsgSnapshotFailure);
    return false;
  }
  if (s.changed) {
    // A dialog shows the new snapshot at once: its thumbnail comes from the frame in hand rather
    // than from reading back and decoding the file just written.
    Thumbnail made;
    made.colour = FitToSlot(ReducedFrame(rgb.data(), size.width, size.height));
    made.grey = GreyOf(made.colour);
    if (!made.colour.isNull() && !made.grey.isNull()) s.Keep(number, std::move(made));
  }
  s.lastNumber = number;
  s.numbers.push_back(number);
  s.selectedNumber = s.stripEnd = number;
  s.Changed();
  return true;
}

bool SnapshotStore::DeleteSelected() {
  State& s = *state_;
  const std::uint32_t selected = s.selectedNumber;
  if (!s.Listed(selected) || ::unlink(PathOf(selected).c_str()) != 0) {
    s.Show(kMsgDeleteNothing);
    return false;
  }
  std::vector<std::uint32_t>& numbers = s.numbers;
  const auto at = std::lower_bound(numbers.begin(), numbers.end(), selected);
  const std::uint32_t end = s.stripEnd;
  const std::uint32_t newest = numbers.back();
  const std::uint32_t after = at + 1 != numbers.end() ? *(at + 1) : 0;
  if (numbers.size() == 1) {
    numbers.clear();
    s.selectedNumber = s.stripEnd = 0;
  } else if (newest == end) {
    // The strip ends at the newest: it stays there, the selection moves on or back.
    numbers.erase(at);
    s.selectedNumber = selected < end ? after : numbers.back();
    s.stripEnd = numbers.back();
  } else if (selected <= end) {
    // A snapshot within the strip: the strip takes in the next one and keeps four.
    s.stripEnd = *(std::upper_bound(numbers.begin(), numbers.end(), end));
    s.selectedNumber = after;
    numbers.erase(at);
  } else if (selected == newest) {
    numbers.erase(at);
    s.selectedNumber = numbers.back();
  } else {
    s.selectedNumber = after;
    numbers.erase(at);
  }
  s.thumbnails.erase(selected);
  s.Changed();
  return true;
}

bool SnapshotStore::SaveSelectedAs(const SnapshotPixels* image, bool fromViewer, bool* confirmed) {
  State& s = *state_;
  if (confirmed != nullptr) *confirmed = false;
  // Asking for a name only to say there was nothing to save would waste the user's time.
  if (image == nullptr && !s.Listed(s.selectedNumber)) {
    s.Show(kMsgNothingToSave);
    return false;
  }
  const SaveFileRequest request{
      .defaultName = kFilePrefix + std::to_string(s.selectedNumber) + ".jpg",
      .filter = kSaveFilter,
      .defaultExtension = "jpg",
      .promptOverwrite = true,
  };
  std::string path;
  if (!s.saveDialog.Ask(request, path)) return false;
  if (confirmed != nullptr) *confirmed = true;

  SnapshotPixels decoded;
  if (image == nullptr) {
    if (!DecodeSnapshot(s.selectedNumber, true, decoded)) {
      s.Show(kMsgNothingToSave);
      return false;
    }
    image = &decoded;
  }
  if (image->width <= 0 || image->height <= 0 ||
      image->bgr.size() != static_cast<std::size_t>(image->width) * image->height * 3) {
    s.Show(kMsgNothingToSave);
    return false;
  }
  // A new encoding of the pixels, never a copy of the temporary file: the user's copy is theirs,
  // in their mode, replacing only what they agreed to overwrite.
  const std::vector<std::uint8_t> rgb = Turned(
      image->bgr.data(), static_cast<std::size_t>(image->width) * 3, image->width, image->height);
  JpegFile jpeg(s.boxes);
  if (!jpeg.RgbToJpeg(path, kSnapshotQuality, rgb.data(), static_cast<std::uint32_t>(image->width),
                      static_cast<std::uint32_t>(image->height), kUserCopy)) {
    s.Show(fromViewer ? kMsgViewerSaveFailure : kMsgDialogSaveFailure);
    return false;
  }
  return true;
}

const QImage& SnapshotStore::Strip() {
  if (!state_->stripCurrent) state_->DrawStrip();
  return state_->strip;
}

bool SnapshotStore::DecodeSnapshot(std::uint32_t number, bool inColour, SnapshotPixels& out) const {
  const State& s = *state_;
  if (!s.Listed(number)) return false;
  JpegFile jpeg(s.boxes);
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  const auto rgb = jpeg.JpegToRgb(PathOf(number), width, height);
  if (!rgb) return false;
  if (inColour) {
    JpegFile::SwapRedBlue(rgb.get(), width, height);
  } else {
    JpegFile::MakeGray(rgb.get(), width, height);
  }
  JpegFile::FlipRows(rgb.get(), width * 3, height);
  out.bgr.assign(rgb.get(), rgb.get() + std::size_t{width} * height * 3);
  out.width = static_cast<int>(width);
  out.height = static_cast<int>(height);
  return true;
}

void SnapshotStore::Select(std::uint32_t number) {
  if (!state_->Listed(number) || number == state_->selectedNumber) return;
  state_->selectedNumber = number;
  state_->Changed();
}

void SnapshotStore::SetStripEnd(std::uint32_t number) {
  if (!state_->Listed(number) || number == state_->stripEnd) return;
  state_->stripEnd = number;
  state_->Changed();
}

void SnapshotStore::ClearTemporaryFolder() {
  State& s = *state_;
  namespace fs = std::filesystem;
  std::error_code error;
  for (fs::directory_iterator it(s.folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    // Regular files only, looked at without following links: a link or a folder of that name is
    // none of ours. unlink never removes a folder, should one take the file's place meanwhile.
    if (IsSnapshotFileName(name) && it->symlink_status(error).type() == fs::file_type::regular)
      ::unlink(it->path().c_str());
    error.clear();
  }
  s.numbers.clear();
  s.selectedNumber = s.stripEnd = 0;
  s.thumbnails.clear();
  s.Changed();
}

std::string SnapshotStore::PathOf(std::uint32_t number) const {
  return state_->folder + "/" + kFilePrefix + std::to_string(number) + ".jpg";
}

std::uint32_t SnapshotStore::lastNumber() const { return state_->lastNumber; }

std::uint32_t SnapshotStore::snapshotCount() const {
  return static_cast<std::uint32_t>(state_->numbers.size());
}

const std::vector<std::uint32_t>& SnapshotStore::numbers() const { return state_->numbers; }

std::uint32_t SnapshotStore::selectedNumber() const { return state_->selectedNumber; }

std::uint32_t SnapshotStore::stripEnd() const { return state_->stripEnd; }

std::size_t SnapshotStore::cacheBytes() const {
  std::size_t bytes = 0;
  for (const auto& [number, thumbnail] : state_->thumbnails)
    bytes +=
        static_cast<std::size_t>(thumbnail.colour.sizeInBytes() + thumbnail.grey.sizeInBytes());
  for (const QImage& placeholder : state_->placeholderThumbnails)
    bytes += static_cast<std::size_t>(placeholder.sizeInBytes());
  return bytes;
}

SnapshotPixels PlaceholderPicture(int resolutionIndex) {
  SnapshotPixels out;
  const QImage image = PlaceholderImage(resolutionIndex);
  if (image.isNull()) return out;
  out.bgr = Turned(image.constBits(), static_cast<std::size_t>(image.bytesPerLine()), image.width(),
                   image.height());
  out.width = image.width();
  out.height = image.height();
  return out;
}

}  // namespace tavo::preview
