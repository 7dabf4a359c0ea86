// The capture graph manager: lists the cameras, builds camera -> (converter) -> grabber ->
// renderer on a media platform, negotiates RGB24 of the wanted size, hands single frames over on
// request and reads and writes the camera's picture properties. Every call comes from the
// user-interface thread; failures are told through the program's message boxes and string table.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capturegraphstrings.h"
#include "framegrabber.h"
#include "media/platform.h"
#include "messageboxes.h"
#include "stringtable.h"

class QObject;

namespace tavo {

// Filter names in the graph.
inline constexpr const char* kCaptureFilterName = "Video Capture";
inline constexpr const char* kConverterFilterName = "KQR_Video Converter Device";
inline constexpr const char* kGrabberFilterName = "SampleGrabber";
inline constexpr const char* kRendererFilterName = "Video Renderer";

// A rectangle as the window system gives it.
struct WindowRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// Placement of the video inside its owner.
struct VideoRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// The n-th pin (from 0) of `filter` whose direction is `direction`, or none.
std::shared_ptr<media::Pin> GetPin(media::Filter& filter, media::PinDirection direction, int n);
inline std::shared_ptr<media::Pin> GetInPin(media::Filter& filter, int n) {
  return GetPin(filter, media::PinDirection::Input, n);
}
inline std::shared_ptr<media::Pin> GetOutPin(media::Filter& filter, int n) {
  return GetPin(filter, media::PinDirection::Output, n);
}

class CaptureGraph {
 public:
  // Longest friendly name kept, in bytes (a 256-byte buffer with its terminator).
  static constexpr std::size_t kMaxDeviceNameBytes = 255;

  // `platform`, `boxes` and `strings` must outlive the manager. `messageOffset` is added to every
  // message number (0 in TavoPreview, 14 in TavoCCTV).
  CaptureGraph(media::Platform& platform, MessageBoxes& boxes, const StringTable& strings,
               int messageOffset);
  ~CaptureGraph();
  CaptureGraph(const CaptureGraph&) = delete;
  CaptureGraph& operator=(const CaptureGraph&) = delete;

  // Lists the devices of `category`; the number listed, 0 on any failure (no message).
  int EnumerateDevices(media::DeviceCategory category = media::DeviceCategory::VideoInput);
  // The name at `index`; none (with a message) when the index is outside the list.
  std::optional<std::string> GetDeviceName(int index);
  // The device file of the camera at `index` ("/dev/video0"); empty, silently, when it has none
  // (the virtual camera) or the index is outside the last enumeration. Close keeps it.
  std::string DevicePath(int index) const;
  // Chooses the device for the next Build; false (with a message) for an index past the list.
  bool SelectDevice(int index);
  // The format Build negotiates; an empty subtype stands for none. Always true.
  bool SetCaptureFormat(const std::string& subtype, std::int32_t width, std::int32_t height,
                        std::uint16_t bitCount);
  // Where the renderer draws; false (with a message) when `rect` is none.
  bool SetVideoWindow(QObject* window, const WindowRect* rect);
  // Creates the grabber for this open/close cycle if needed and aims WM_FRAME_READY (and
  // WM_CAMERA_LOST) at `window`. True.
  bool SetFrameTarget(QObject* window);
  // Builds the graph; the RGB24 format count (non-zero) on success, 0 on failure.
  int Build();
  // Runs the graph: Ok, or the failure code (with a message).
  media::Status Run();
  // Asks for one frame; false when there is no grabber, (with a message) no built graph, or
  // (without) a delivered frame that has not been taken yet: the tick that comes while
  // WM_FRAME_READY is still queued must not have the buffer refilled under its reader.
  bool RequestFrame();
  // The grabbed frame; none (with a message) when there is no grabber. Takes the delivered
  // frame: read it before the next RequestFrame. A WM_FRAME_READY handler calls it also when it
  // drops the frame, or requests stay refused until Close.
  const std::uint8_t* GetFrameBuffer();
  // Sets a picture property by hand; false when there is no source or it has no properties.
  bool SetVideoProperty(int property, long value);
  // The range of a picture property; false when there is none (a message when the source has
  // no properties at all).
  bool GetVideoPropertyRange(int property, media::PropertyRange& range);
  // Brightness, contrast, saturation and gamma back to their defaults where ranged.
  bool ResetVideoProperties();
  // Gamma one step below its default, where the device has gamma.
  bool StepGammaDown();
  // Stops and releases the graph and the grabber; false (with a message) when that fails.
  bool Close();

  // While quiet, failures are not shown; every operation still returns its failure value. For the
  // attempts a program makes on its own, which nobody is waiting to hear about.
  void SetQuiet(bool quiet) { quiet_ = quiet; }

  bool built() const { return built_; }
  int runState() const { return runState_; }
  int videoDeviceIndex() const { return videoDeviceIndex_; }
  int videoDeviceCount() const { return videoDeviceCount_; }
  int rgbFormatCount() const { return rgbFormatCount_; }
  const FrameGrabber* frameGrabber() const { return frameGrabber_.get(); }
  FrameGrabber* frameGrabber() { return frameGrabber_.get(); }

 private:
  void Show(int message);
  bool CreateGraphObjects();
  std::shared_ptr<media::Filter> FindDevice(int index, media::DeviceCategory category);
  bool ApplyFormat(media::MediaType& type, const std::string& subtype, std::int32_t width,
                   std::int32_t height, std::uint16_t bitCount, media::Pin* pin);
  bool FindConverter(const media::TypePair& input, const media::TypePair& output,
                     std::shared_ptr<media::Filter>& converter);
  bool ConnectPins(media::Pin* output, media::Pin* input);
  bool RenderAndShow(media::Pin* pin);
  bool SetProperties(const int* properties, int count, int offsetFromDefault);
  bool TearDown();
  bool ReleaseAll();
  QObject* NotifyTarget() const;

  media::Platform& platform_;
  MessageBoxes& boxes_;
  const StringTable& strings_;
  int messageOffset_;
  bool quiet_ = false;

  // Declared first so that it is destroyed last: the graph objects below stop the streaming
  // thread when they go, and no callback may run on a freed grabber.
  std::unique_ptr<FrameGrabber> frameGrabber_;

  bool built_ = false;
  std::shared_ptr<media::Graph> graph_;
  std::shared_ptr<media::VideoWindow> videoWindow_;
  std::shared_ptr<media::MediaControl> mediaControl_;
  std::shared_ptr<media::MediaEvent> mediaEvent_;
  std::shared_ptr<media::CaptureGraphBuilder> builder_;
  std::shared_ptr<media::Filter> source_;
  bool frameGrabberCreated_ = false;
  QObject* videoOwner_ = nullptr;
  VideoRect videoRect_;
  int rgbFormatCount_ = 0;
  int videoDeviceIndex_ = -1;
  int videoDeviceCount_ = 0;
  std::vector<std::string> videoDeviceNames_;
  // Beside the names, index for index; unlike them not emptied by Close, so that a camera opened
  // again without a new enumeration still knows its file.
  std::vector<std::string> videoDevicePaths_;
  int runState_ = 0;
  std::string wantedSubtype_;
  std::int32_t wantedWidth_ = 0;
  std::int32_t wantedHeight_ = 0;
  std::uint16_t wantedBitCount_ = 0;
};

}  // namespace tavo
