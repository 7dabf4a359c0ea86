// TavoCCTV's image store: where runs and images lie, how they are named and numbered, and the
// recording step that writes one motion frame.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "durablefile.h"
#include "imageindex.h"
#include "messageboxes.h"

namespace tavo::cctv {

inline constexpr int kImagesPerBatch = 16;
// Image 10001 is the last of a run; after it a new run begins.
inline constexpr int kRolloverAfter = 10000;
inline constexpr int kImageQuality = 75;
// Longest path and longest single name the file systems take, in bytes.
inline constexpr std::size_t kMaxPathBytes = 4095;
inline constexpr std::size_t kMaxNameBytes = 255;

inline constexpr std::string_view kImageFolderName = "/CCTV_Image/";
inline constexpr std::string_view kMailFolderName = "/EmailSendJpg";

// The image store of a program folder: programFolder + "/CCTV_Image/", where the runs lie.
inline std::string ImageRootOf(const std::string& programFolder) {
  return programFolder + std::string(kImageFolderName);
}

// Local calendar time now, or nothing when the time cannot be converted.
using LocalClock = std::function<std::optional<std::tm>()>;
// The system clock in local time.
LocalClock SystemLocalClock();

// Writes an RGB buffer as a JPEG file, whole or not at all, as `options` say (by default a new
// private file that never replaces another: kNameTaken when the name is held).
using JpegWriter = std::function<WriteResult(const std::string& path, int quality,
                                             const std::uint8_t* rgb, std::uint32_t width,
                                             std::uint32_t height, const WriteOptions& options)>;
// WriteJpeg of JpegFile, its boxes going to `boxes` and its file calls to `files` (both must
// outlive the writer).
JpegWriter JpegFileWriter(MessageBoxes& boxes, FileCalls& files = SystemFileCalls());

// `time` in the stamp format of `uiLanguage` (string 3000): "Korean" 030117-14시05분09초,
// "Japanese" 03-01-17_14h05m09s, anything else 14h05m09s_01-17-03. Empty if formatting fails.
std::string MakeTimeStamp(const std::tm& time, std::string_view uiLanguage);

// Copies one camera-frame row (blue, green, red) into a separate row as red, green, blue: the one
// conversion the encoder's input needs.
using RowCopy = void (*)(std::uint8_t* to, const std::uint8_t* from);
// The fastest such copy this processor offers.
RowCopy SwappedRowCopy();

// The program folder for a working directory: without a trailing "/", so "/" becomes "" and
// every join adds exactly one separator.
std::string ProgramFolderFrom(std::string_view directory);
// The program folder of the current working directory; false when it cannot be read.
bool CurrentProgramFolder(std::string& folder);

// True when `path` fits the file-system limits: at most kMaxPathBytes, no name longer than
// kMaxNameBytes, no NUL byte.
bool PathWithinLimits(std::string_view path);

// What the alert of a completed batch needs: images firstImage .. lastImage of runFolder.
struct AlertBatch {
  int firstImage;
  int lastImage;
  std::string stamp;    // time stamp of the batch's last image
  std::string subject;  // "TavoCCTV " + stamp
  std::string runFolder;
  std::string mailFolder;
};

enum class RecordResult {
  kRecorded,        // the image is written
  kRecordedNewRun,  // the image is written; the run was full and a new run folder is open
  kNoRun,           // no run folder is open; nothing written
  kBadFrame,        // the frame is not 320 x 240 x 3 bytes; nothing written
  kPathTooLong,     // the image path exceeds the file-system limits; nothing written
  kWriteFailed,     // the file could not be written (disk full, folder gone, read-only, or
                    // every name tried was taken by another recorder in the same folder)
  kNewRunFailed,    // the image is written, but the next run folder could not be opened (or a
                    // full run could not be left before writing; nothing written then)
};

// True for the results after which recording can go on.
constexpr bool RecordingGoesOn(RecordResult r) {
  return r == RecordResult::kRecorded || r == RecordResult::kRecordedNewRun;
}

class RecordingStore {
 public:
  // `programFolder` as from ProgramFolderFrom; `uiLanguage` the text of string 3000. Folders are
  // made through `files`, which must outlive the store.
  RecordingStore(std::string programFolder, std::string uiLanguage, LocalClock clock,
                 JpegWriter writeJpeg, FileCalls& files = SystemFileCalls());

  // Called with every completed batch of 16 images while `mailAlertsOn` answers true.
  void SetAlertHook(std::function<bool()> mailAlertsOn,
                    std::function<void(const AlertBatch&)> sendAlert);
  // Called after every image written, to show the picture-taking sign.
  void SetPictureSign(std::function<void()> showSign);

  // The current local time as a stamp of the store's language; empty if the clock fails.
  std::string MakeTimeStamp() const;

  // Starts a run: runFolder is imageRoot + the start's stamp, with its mail folder, both created
  // private (0700) and durable; folders already there keep their modes. A folder that already
  // exists (a second start within one second, or a clock set back) is used again: the temporary
  // files of writers that died are swept from it, and its numbering goes on after its highest
  // image and composite. False, with no run open, when the stamp is empty, the paths exceed the
  // limits or the folders cannot be created. The run open until then is closed first (see
  // CloseRun).
  bool OpenRunFolder();

  // Ends the run. One that never took a picture (a start that failed before the first one, or
  // was stopped at once) is removed with its empty mail folder, so it does not clutter the
  // viewer's list, and no run is open after it. A run with pictures stays open: a frame asked for
  // just before a stop may still join it.
  void CloseRun();

  // One image written by WriteMotionFrame, for FinishRecording.
  struct WrittenImage {
    int number = 0;
    std::uint64_t run = 0;            // the run it joined (every OpenRunFolder starts another)
    std::optional<AlertBatch> batch;  // the batch it completed, if it did
  };

  // The recording step for one motion frame (blue, green, red, rows bottom-up; altered in place):
  // numbers it, writes it into the run folder (a new private file; when another recorder shares
  // the folder and holds the name, or has written there since, the next free number is taken),
  // completes a batch (alert hook), shows the sign, and after image 10001 opens the next run. On
  // failure nothing is written and every counter keeps its value, so the numbers stay without gaps.
  // WriteMotionFrame then FinishRecording.
  RecordResult RecordMotionFrame(std::span<std::uint8_t> frame);
  // The part of the recording step that reads the frame: numbers it and writes it. A run whose
  // last image is written but whose alert still runs (this frame came beneath one of its boxes)
  // is rolled over first: kRecordedNewRun, or kNewRunFailed with nothing written. Otherwise
  // kRecorded, or a failure with nothing written and the counters unchanged.
  RecordResult WriteMotionFrame(std::span<std::uint8_t> frame, WrittenImage& written);
  // The rest, which needs no frame and may open message boxes beneath which further frames are
  // recorded: the alert hook for a completed batch, the sign, and after the run's last image the
  // next run, unless that run was left meanwhile. kRecorded, kRecordedNewRun or kNewRunFailed.
  RecordResult FinishRecording(const WrittenImage& written);

  // Turns the frame's rows top-down and its pixels red, green, blue in place, then writes it at
  // quality 75 as a 320 x 240 JPEG as `options` say (kUserCopy for a copy the user saves). False
  // when the frame has the wrong size, the path exceeds the limits (frame untouched), the name is
  // taken (by default) or the write fails (no file left behind).
  bool SaveMotionFrame(std::span<std::uint8_t> frame, const std::string& path,
                       const WriteOptions& options = {});

  // Full path of image `n` of `folder` (the first entry matching "*%05d.jpg"), or empty.
  std::string FindImageByCounter(const std::string& folder, int n);

  // The file names of `folder` as just listed by the caller (see ImageIndex::Adopt), so that
  // the next lookups there need no listing of their own.
  void AdoptListing(const std::string& folder, std::filesystem::file_time_type modified,
                    std::filesystem::file_time_type listedAt,
                    const std::vector<std::string>& names) {
    index_.Adopt(folder, modified, listedAt, names);
  }

  // "runFolder/<stamp>_%06d.jpg".
  std::string ImagePath(std::string_view stamp, int n) const;
  // "mailFolder/Email16to1_%05d.jpg".
  std::string CompositePath(int n) const;
  // The composite numbered compositeCounter() + 1 was written; it becomes the newest.
  void CompositeWritten() { ++compositeCounter_; }

  const std::string& programFolder() const { return programFolder_; }
  const std::string& imageRoot() const { return imageRoot_; }
  const std::string& runFolder() const { return runFolder_; }
  const std::string& mailFolder() const { return mailFolder_; }
  int imageCounter() const { return imageCounter_; }
  int batchCounter() const { return batchCounter_; }
  int compositeCounter() const { return compositeCounter_; }
  bool runOpen() const { return runOpen_; }

 private:
  // The turn and swap of SaveMotionFrame, in place.
  static void TurnFrame(std::span<std::uint8_t> frame);
  // Writes the turned frame as image `number` (or, when that name is taken, the next free one);
  // `number` and `path` end as the ones written.
  RecordResult WriteTurnedFrame(std::span<const std::uint8_t> frame, std::string_view stamp,
                                int& number, std::string& path);
  // The number the next image takes: after ours, and after another recorder's when one has
  // written into the run folder since our last image.
  int NextNumber();
  void NoteRunFolderTime();

  std::string programFolder_;
  std::string imageRoot_;
  std::string uiLanguage_;
  std::string runFolder_;
  std::string mailFolder_;
  int imageCounter_ = 0;
  int batchCounter_ = 0;
  int compositeCounter_ = 0;
  std::uint64_t runSerial_ = 0;
  // The run folder's modification time after our last change there: when it moved on, another
  // recorder shares the folder and its numbers are skipped.
  std::filesystem::file_time_type runFolderTime_{};
  bool runOpen_ = false;
  LocalClock clock_;
  JpegWriter writeJpeg_;
  FileCalls& files_;
  std::function<bool()> mailAlertsOn_;
  std::function<void(const AlertBatch&)> sendAlert_;
  std::function<void()> showSign_;
  ImageIndex index_;
};

}  // namespace tavo::cctv
