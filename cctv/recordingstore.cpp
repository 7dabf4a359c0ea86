#include "recordingstore.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "motiondetector.h"

namespace tavo::cctv {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCompositePrefix = "Email16to1_";
constexpr std::size_t kRowBytes = std::size_t{kFrameWidth} * 3;
// Numbers beyond this in a folder are not ours and must not push the counters near overflow.
constexpr long long kLargestNumberTaken = 99'999'999;

// The number that ends "<anything>_<digits>.jpg" (with `prefix` before the digits), or -1.
long long TrailingNumber(std::string_view name, std::string_view prefix) {
  constexpr std::string_view jpg = ".jpg";
  if (!name.ends_with(jpg)) return -1;
  name.remove_suffix(jpg.size());
  const std::size_t underscore = name.rfind('_');
  if (underscore == std::string_view::npos || name.size() - underscore - 1 < 5) return -1;
  if (!prefix.empty() && name.substr(0, underscore + 1) != prefix) return -1;
  long long value = 0;
  for (char c : name.substr(underscore + 1)) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
    if (value > kLargestNumberTaken) return -1;
  }
  return value;
}

// Highest number of the images (or, with the composite prefix, the composites) in `folder`.
int HighestNumberIn(const std::string& folder, std::string_view prefix) {
  long long highest = 0;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec))
    highest = std::max(highest, TrailingNumber(it->path().filename().string(), prefix));
  return static_cast<int>(highest);
}

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

// Longest wait for another recorder's turn in a shared run folder (its encode and sync) before
// going on without it; the names are still never taken over.
constexpr std::chrono::milliseconds kTurnWait{500};

// Tries at further numbers when another recorder holds the name; each try encodes the frame again.
constexpr int kNameAttempts = 8;

// Copies one frame row of `from` to `to` (separate rows), exchanging bytes 0 and 2 of each pixel.
void CopyRowSwappedPortable(std::uint8_t* to, const std::uint8_t* from) {
  for (std::size_t i = 0; i < kRowBytes; i += 3) {
    to[i] = from[i + 2];
    to[i + 1] = from[i + 1];
    to[i + 2] = from[i];
  }
}

#if defined(__x86_64__) && defined(__GNUC__)
// Five pixels per 16-byte step; the 16th byte of each store is rewritten by the next step, and the
// last five pixels go the portable way so no load passes the end of the row.
__attribute__((target("ssse3"))) void CopyRowSwappedSsse3(std::uint8_t* to,
                                                          const std::uint8_t* from) {
  const __m128i swap = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  std::size_t i = 0;
  for (; i + 30 <= kRowBytes; i += 15) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_shuffle_epi8(v, swap));
  }
  for (; i < kRowBytes; i += 3) {
    to[i] = from[i + 2];
    to[i + 1] = from[i + 1];
    to[i + 2] = from[i];
  }
}
#endif

}  // namespace

RowCopy SwappedRowCopy() {
#if defined(__x86_64__) && defined(__GNUC__)
  static_assert(kRowBytes % 15 == 0);
  return __builtin_cpu_supports("ssse3") ? &CopyRowSwappedSsse3 : &CopyRowSwappedPortable;
#else
  return &CopyRowSwappedPortable;
#endif
}

LocalClock SystemLocalClock() {
  return []() -> std::optional<std::tm> {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == std::time_t(-1) || !localtime_r(&now, &local)) return std::nullopt;
    return local;
  };
}

std::string MakeTimeStamp(const std::tm& time, std::string_view uiLanguage) {
  const char* format = uiLanguage == "Korean"     ? "%y%m%d-%H시%M분%S초"
                       : uiLanguage == "Japanese" ? "%y-%m-%d_%Hh%Mm%Ss"
                                                  : "%Hh%Mm%Ss_%m-%d-%y";
  std::array<char, 128> text{};
  const std::size_t length = std::strftime(text.data(), text.size(), format, &time);
  return std::string(text.data(), length);
}

std::string ProgramFolderFrom(std::string_view directory) {
  while (!directory.empty() && directory.back() == '/') directory.remove_suffix(1);
  return std::string(directory);
}

bool CurrentProgramFolder(std::string& folder) {
  std::error_code ec;
  const fs::path current = fs::current_path(ec);
  if (ec) return false;
  folder = ProgramFolderFrom(current.string());
  return true;
}

bool PathWithinLimits(std::string_view path) {
  if (path.size() > kMaxPathBytes || path.find('\0') != std::string_view::npos) return false;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (end - start > kMaxNameBytes) return false;
    start = end + 1;
  }
  return true;
}

RecordingStore::RecordingStore(std::string programFolder, std::string uiLanguage, LocalClock clock,
                               JpegWriter writeJpeg, FileCalls& files)
    : programFolder_(ProgramFolderFrom(programFolder)),
      imageRoot_(ImageRootOf(programFolder_)),
      uiLanguage_(std::move(uiLanguage)),
      clock_(std::move(clock)),
      writeJpeg_(std::move(writeJpeg)),
      files_(files) {}

void RecordingStore::SetAlertHook(std::function<bool()> mailAlertsOn,
                                  std::function<void(const AlertBatch&)> sendAlert) {
  mailAlertsOn_ = std::move(mailAlertsOn);
  sendAlert_ = std::move(sendAlert);
}

void RecordingStore::SetPictureSign(std::function<void()> showSign) {
  showSign_ = std::move(showSign);
}

std::string RecordingStore::MakeTimeStamp() const {
  if (!clock_) return {};
  const std::optional<std::tm> now = clock_();
  return now ? cctv::MakeTimeStamp(*now, uiLanguage_) : std::string();
}

std::string RecordingStore::ImagePath(std::string_view stamp, int n) const {
  char number[16];
  std::snprintf(number, sizeof number, "_%06d.jpg", n);
  std::string path = runFolder_;
  path.append("/").append(stamp).append(number);
  return path;
}

std::string RecordingStore::CompositePath(int n) const {
  char number[16];
  std::snprintf(number, sizeof number, "%05d.jpg", n);
  std::string path = mailFolder_;
  path.append("/").append(kCompositePrefix).append(number);
  return path;
}

void RecordingStore::CloseRun() {
  if (!runOpen_ || imageCounter_ > 0) return;
  runOpen_ = false;
  // Anything else found there (put by hand, or left by an earlier program) keeps the run.
  std::error_code error;
  if (!fs::is_empty(mailFolder_, error) || error) return;
  int entries = 0;
  for (fs::directory_iterator it(runFolder_, error); !error && it != fs::directory_iterator();
       it.increment(error)) {
    if (++entries > 1 || it->path().filename() != fs::path(mailFolder_).filename()) return;
  }
  if (error || entries != 1) return;
  fs::remove(mailFolder_, error);
  fs::remove(runFolder_, error);
}

bool RecordingStore::OpenRunFolder() {
  CloseRun();
  ++runSerial_;
  runOpen_ = false;
  imageCounter_ = batchCounter_ = compositeCounter_ = 0;
  const std::string stamp = MakeTimeStamp();
  runFolder_ = imageRoot_ + stamp;
  mailFolder_ = runFolder_ + std::string(kMailFolderName);
  if (stamp.empty()) return false;
  // The longest image name a run can take must fit as well as the folders.
  if (!PathWithinLimits(mailFolder_) || !PathWithinLimits(ImagePath(stamp, 99'999'999)))
    return false;

  const bool reused = IsDirectory(runFolder_);
  // imageRoot_ ends in "/", which mkdir takes, but the parent to sync is the program folder.
  const std::string root = imageRoot_.substr(0, imageRoot_.size() - 1);
  if (!reused && !IsDirectory(root)) MakePrivateFolder(files_, root);
  if (!MakePrivateFolder(files_, runFolder_) || !MakePrivateFolder(files_, mailFolder_)) {
    // A run folder made just now without its mail folder would stay behind as an empty run.
    std::error_code error;
    if (!reused) fs::remove(runFolder_, error);
    return false;
  }
  if (reused) {
    SweepLeftovers(runFolder_);
    SweepLeftovers(mailFolder_);
    imageCounter_ = HighestNumberIn(runFolder_, {});
    compositeCounter_ = HighestNumberIn(mailFolder_, kCompositePrefix);
  }
  NoteRunFolderTime();
  runOpen_ = true;
  return true;
}

void RecordingStore::NoteRunFolderTime() {
  std::error_code error;
  runFolderTime_ = fs::last_write_time(runFolder_, error);
}

int RecordingStore::NextNumber() {
  std::error_code error;
  const fs::file_time_type now = fs::last_write_time(runFolder_, error);
  if (error || now == runFolderTime_) return imageCounter_ + 1;
  return std::max(imageCounter_, HighestNumberIn(runFolder_, {})) + 1;
}

void RecordingStore::TurnFrame(std::span<std::uint8_t> frame) {
  // Rows bottom-up to top-down and blue-green-red to red-green-blue, in one pass over the frame.
  std::array<std::uint8_t, kRowBytes> scratch;
  const RowCopy copySwapped = SwappedRowCopy();
  for (int k = 0; k < kFrameHeight / 2; ++k) {
    std::uint8_t* top = frame.data() + std::size_t(k) * kRowBytes;
    std::uint8_t* bottom = frame.data() + std::size_t(kFrameHeight - 1 - k) * kRowBytes;
    std::memcpy(scratch.data(), top, kRowBytes);
    copySwapped(top, bottom);
    copySwapped(bottom, scratch.data());
  }
}

bool RecordingStore::SaveMotionFrame(std::span<std::uint8_t> frame, const std::string& path,
                                     const WriteOptions& options) {
  if (frame.size() != kFrameBytes || !PathWithinLimits(path) || !writeJpeg_) return false;
  TurnFrame(frame);
  return writeJpeg_(path, kImageQuality, frame.data(), kFrameWidth, kFrameHeight, options) ==
         WriteResult::kWritten;
}

RecordResult RecordingStore::WriteTurnedFrame(std::span<const std::uint8_t> frame,
                                              std::string_view stamp, int& number,
                                              std::string& path) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    path = ImagePath(stamp, number);
    if (!PathWithinLimits(path)) return RecordResult::kPathTooLong;
    switch (writeJpeg_(path, kImageQuality, frame.data(), kFrameWidth, kFrameHeight, {})) {
      case WriteResult::kWritten:
        return RecordResult::kRecorded;
      case WriteResult::kFailed:
        return RecordResult::kWriteFailed;
      case WriteResult::kNameTaken:
        // Another recorder shares this folder: go on after the highest number there now.
        number = std::max(number, HighestNumberIn(runFolder_, {})) + 1;
        break;
    }
  }
  return RecordResult::kWriteFailed;
}

RecordResult RecordingStore::WriteMotionFrame(std::span<std::uint8_t> frame,
                                              WrittenImage& written) {
  if (!runOpen_) return RecordResult::kNoRun;
  if (frame.size() != kFrameBytes) return RecordResult::kBadFrame;
  // The run's last image is written but its alert still runs (this frame came beneath one of its
  // boxes): the rollover it owes happens here, so no run takes more than its last image.
  RecordResult result = RecordResult::kRecorded;
  if (imageCounter_ > kRolloverAfter) {
    if (!OpenRunFolder()) return RecordResult::kNewRunFailed;
    result = RecordResult::kRecordedNewRun;
  }
  // Recorders sharing the run folder take turns at choosing a number and writing it, so they
  // neither race for one name nor miss each other's pictures.
  const FolderLock turn(runFolder_, kTurnWait);
  int number = NextNumber();
  std::string stamp = MakeTimeStamp();
  std::string path = ImagePath(stamp, number);
  if (!PathWithinLimits(path)) return RecordResult::kPathTooLong;
  if (!writeJpeg_) return RecordResult::kWriteFailed;
  TurnFrame(frame);
  const RecordResult wrote = WriteTurnedFrame(frame, stamp, number, path);
  if (wrote != RecordResult::kRecorded) return wrote;
  NoteRunFolderTime();

  // Counted only once written, so a failed image leaves no gap in the numbers.
  imageCounter_ = number;
  index_.Added(runFolder_, path.substr(runFolder_.size() + 1));
  written.number = number;
  written.run = runSerial_;
  written.batch.reset();
  if (++batchCounter_ >= kImagesPerBatch) {
    batchCounter_ = 0;
    // Taken now: frames recorded beneath a box of the alert move the counters and may even
    // open the next run before the alert is done.
    std::string subject = "TavoCCTV " + stamp;
    written.batch = AlertBatch{number - (kImagesPerBatch - 1),
                               number,
                               std::move(stamp),
                               std::move(subject),
                               runFolder_,
                               mailFolder_};
  }
  return result;
}

RecordResult RecordingStore::FinishRecording(const WrittenImage& written) {
  if (written.batch && mailAlertsOn_ && sendAlert_ && mailAlertsOn_()) sendAlert_(*written.batch);
  if (showSign_) showSign_();
  // A run that was left meanwhile (rolled over beneath a box, or a new start) stays as it is.
  if (written.number > kRolloverAfter && written.run == runSerial_ && runOpen_) {
    return OpenRunFolder() ? RecordResult::kRecordedNewRun : RecordResult::kNewRunFailed;
  }
  return RecordResult::kRecorded;
}

RecordResult RecordingStore::RecordMotionFrame(std::span<std::uint8_t> frame) {
  WrittenImage written;
  const RecordResult result = WriteMotionFrame(frame, written);
  if (!RecordingGoesOn(result)) return result;
  const RecordResult finished = FinishRecording(written);
  return finished == RecordResult::kRecorded ? result : finished;
}

std::string RecordingStore::FindImageByCounter(const std::string& folder, int n) {
  return index_.Find(folder, n);
}

}  // namespace tavo::cctv
