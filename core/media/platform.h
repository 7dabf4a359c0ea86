// The media platform the capture graph is written against: devices, filters with pins, a graph
// that connects and renders them, format negotiation, a converter search, a grabber with a
// buffer callback, renderer placement, run/stop and picture properties. One implementation sits
// on GStreamer, another is an in-process simulation for tests.
//
// Objects are reference counted (std::shared_ptr); dropping the last reference releases them.
// Results carry the codes the graph logic branches on; nothing throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QObject;

namespace tavo::media {

enum class Status {
  Ok,                // S_OK
  False,             // S_FALSE: succeeded, but "no" or "nothing"
  InvalidMediaType,  // VFW_E_INVALIDMEDIATYPE: the pin cannot carry that type
  EnumOutOfSync,     // VFW_E_ENUM_OUT_OF_SYNC: the enumerated set changed underneath
  Fail,              // any other failure
};

inline bool Succeeded(Status status) { return status == Status::Ok || status == Status::False; }

// Major types and subtypes are names. RGB24 is 3 bytes per pixel in B,G,R order.
inline constexpr const char* kMajorTypeVideo = "Video";
inline constexpr const char* kSubtypeRGB24 = "RGB24";

// One fixed media type: a major type, a subtype and the picture header of a video format block.
struct MediaType {
  std::string majorType;
  std::string subtype;
  std::int32_t width = 0;
  std::int32_t height = 0;  // positive: rows bottom-up
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t sizeImage = 0;

  bool operator==(const MediaType&) const = default;
};

enum class DeviceCategory { VideoInput };
enum class PinDirection { Input, Output };
enum class PinCategory { Capture };
enum class FilterId { SampleGrabber };

// Picture properties, numbered as the video processing amplifier numbers them.
inline constexpr int kPropertyBrightness = 0;
inline constexpr int kPropertyContrast = 1;
inline constexpr int kPropertyHue = 2;
inline constexpr int kPropertySaturation = 3;
inline constexpr int kPropertySharpness = 4;
inline constexpr int kPropertyGamma = 5;
inline constexpr long kPropertyFlagsAuto = 1;
inline constexpr long kPropertyFlagsManual = 2;

struct PropertyRange {
  long minimum = 0;
  long maximum = 0;
  long step = 0;
  long defaultValue = 0;
  long capsFlags = 0;
};

// Child-window style of the renderer: WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS.
inline constexpr std::uint32_t kVideoWindowChildStyle = 0x46000000;

class Pin {
 public:
  virtual ~Pin() = default;
  virtual PinDirection QueryDirection() const = 0;
  // Ok when the pin can carry `type`, InvalidMediaType when it cannot; other codes on failure.
  virtual Status QueryAccept(const MediaType& type) = 0;
  // Replaces `types` with the types the pin offers, preferred first.
  virtual Status EnumMediaTypes(std::vector<MediaType>& types) = 0;
};

// The format a capture output delivers.
class StreamConfig {
 public:
  virtual ~StreamConfig() = default;
  virtual Status GetFormat(MediaType& type) = 0;
  virtual Status SetFormat(const MediaType& type) = 0;
};

class ProcAmp {
 public:
  virtual ~ProcAmp() = default;
  // Ok with the range of `property`; another code when the device lacks the property.
  virtual Status GetRange(int property, PropertyRange& range) = 0;
  virtual Status Set(int property, long value, long flags) = 0;
};

// The view of one sample handed to the grabber callback: `rows` rows of `rowBytes` bytes, each
// `stride` bytes after the one before. Only valid during the callback.
struct SampleView {
  const std::uint8_t* data = nullptr;
  std::size_t rowBytes = 0;
  std::size_t rows = 0;
  std::size_t stride = 0;
  bool topDown = false;  // the first row in memory is the top of the picture

  std::size_t Length() const { return rowBytes * rows; }
};

// Receives every sample passing a grabber, on the graph's streaming thread.
class FrameCallback {
 public:
  virtual ~FrameCallback() = default;
  // Whether the next sample is wanted at all; lets the platform skip mapping unwanted ones.
  virtual bool Wanted() const { return true; }
  virtual Status BufferCB(double sampleTime, const SampleView& sample) = 0;
};

class SampleGrabber {
 public:
  virtual ~SampleGrabber() = default;
  virtual Status SetBufferSamples(bool buffer) = 0;
  virtual Status SetOneShot(bool oneShot) = 0;
  // `callback` (not owned) must outlive the grabber's streaming; `which` 1 selects BufferCB.
  virtual Status SetCallback(FrameCallback* callback, int which) = 0;
};

class Filter {
 public:
  virtual ~Filter() = default;
  // Replaces `pins` with the filter's pins in order. The pins live as long as the filter.
  virtual Status EnumPins(std::vector<std::shared_ptr<Pin>>& pins) = 0;
  // None when the filter has no picture properties.
  virtual std::shared_ptr<ProcAmp> QueryProcAmp() = 0;
  // None when the filter is not a grabber.
  virtual std::shared_ptr<SampleGrabber> QuerySampleGrabber() = 0;
};

class FilterEnum {
 public:
  virtual ~FilterEnum() = default;
  // Ok with the next filter (which may be none), False at the end, EnumOutOfSync when the graph
  // changed since the last Reset.
  virtual Status Next(std::shared_ptr<Filter>& filter) = 0;
  virtual Status Reset() = 0;
};

class Moniker {
 public:
  virtual ~Moniker() = default;
  virtual Status ReadFriendlyName(std::string& name) = 0;
  virtual Status BindToFilter(std::shared_ptr<Filter>& filter) = 0;
  // The device file behind a camera ("/dev/video0"): Ok with it, or False with an empty path when
  // there is none (the virtual camera, a converter, a camera reached otherwise).
  virtual Status ReadDevicePath(std::string& path) {
    path.clear();
    return Status::False;
  }
};

class MonikerEnum {
 public:
  virtual ~MonikerEnum() = default;
  // Ok with a moniker; False at the end.
  virtual Status Next(std::shared_ptr<Moniker>& moniker) = 0;
  virtual Status Skip(std::size_t count) = 0;
  virtual Status Reset() = 0;
};

// A moniker enumeration over a list held in memory; the platforms list their devices and filter
// categories this way.
class MonikerList : public MonikerEnum {
 public:
  explicit MonikerList(std::vector<std::shared_ptr<Moniker>> monikers)
      : monikers_(std::move(monikers)) {}
  Status Next(std::shared_ptr<Moniker>& moniker) override {
    if (next_ >= monikers_.size()) return Status::False;
    moniker = monikers_[next_++];
    return Status::Ok;
  }
  Status Skip(std::size_t count) override {
    if (count > monikers_.size() - next_) {
      next_ = monikers_.size();
      return Status::False;
    }
    next_ += count;
    return Status::Ok;
  }
  Status Reset() override {
    next_ = 0;
    return Status::Ok;
  }

 private:
  std::vector<std::shared_ptr<Moniker>> monikers_;
  std::size_t next_ = 0;
};

class DeviceEnumerator {
 public:
  virtual ~DeviceEnumerator() = default;
  // Ok with an enumeration; False with none when the category is empty.
  virtual Status CreateClassEnumerator(DeviceCategory category,
                                       std::unique_ptr<MonikerEnum>& monikers) = 0;
};

struct TypePair {
  std::string majorType;
  std::string subtype;
};

struct FilterQuery {
  bool exactMatch = true;
  std::uint32_t minimumMerit = 0;
  bool inputNeeded = true;
  TypePair input;
  bool render = false;
  bool outputNeeded = true;
  TypePair output;
};

// Merit one above "do not use": the least a converter must offer to be picked.
inline constexpr std::uint32_t kMeritDoNotUse = 0x200000;

class FilterMapper {
 public:
  virtual ~FilterMapper() = default;
  // Ok with an enumeration (possibly empty) of the registered filters matching `query`.
  virtual Status EnumMatchingFilters(const FilterQuery& query,
                                     std::unique_ptr<MonikerEnum>& filters) = 0;
};

class MediaControl {
 public:
  virtual ~MediaControl() = default;
  virtual Status Run() = 0;
  virtual Status Stop() = 0;
};

// Placement of the renderer's picture inside a window of the program.
class VideoWindow {
 public:
  virtual ~VideoWindow() = default;
  virtual Status PutOwner(QObject* owner) = 0;
  virtual Status PutWindowStyle(std::uint32_t style) = 0;
  virtual Status PutLeft(std::int32_t left) = 0;
  virtual Status PutTop(std::int32_t top) = 0;
  virtual Status PutWidth(std::int32_t width) = 0;
  virtual Status PutHeight(std::int32_t height) = 0;
  virtual Status PutMessageDrain(QObject* drain) = 0;
};

// Graph events. A camera that fails or vanishes while running stops the graph, and `target`
// receives a posted QEvent of type `eventType`.
class MediaEvent {
 public:
  virtual ~MediaEvent() = default;
  virtual Status SetNotifyTarget(QObject* target, int eventType) = 0;
};

class Graph {
 public:
  virtual ~Graph() = default;
  virtual Status AddFilter(const std::shared_ptr<Filter>& filter, const std::string& name) = 0;
  virtual Status RemoveFilter(const std::shared_ptr<Filter>& filter) = 0;
  // Ok with the filter, or a failure code and none.
  virtual Status FindFilterByName(const std::string& name, std::shared_ptr<Filter>& filter) = 0;
  virtual Status EnumFilters(std::unique_ptr<FilterEnum>& filters) = 0;
  // Intelligent connect: the platform may insert filters between the pins.
  virtual Status Connect(Pin& output, Pin& input) = 0;
  // Completes the graph downstream of `output` with the default renderer, "Video Renderer".
  virtual Status Render(Pin& output) = 0;
  virtual std::shared_ptr<MediaControl> QueryMediaControl() = 0;
  virtual std::shared_ptr<VideoWindow> QueryVideoWindow() = 0;
  virtual std::shared_ptr<MediaEvent> QueryMediaEvent() = 0;
};

class CaptureGraphBuilder {
 public:
  virtual ~CaptureGraphBuilder() = default;
  virtual Status SetFiltergraph(const std::shared_ptr<Graph>& graph) = 0;
  // Ok with the stream configuration of `filter`'s capture output; a failure code and none when
  // the filter has none.
  virtual Status FindInterface(PinCategory category, Filter& filter,
                               std::shared_ptr<StreamConfig>& config) = 0;
};

// Where the renderer's frames are painted; made by the user-interface library.
class VideoSurface {
 public:
  virtual ~VideoSurface() = default;
  // Streaming thread: one frame, B,G,R rows top-down, `stride` bytes apart. The surface copies
  // what it keeps before returning.
  virtual void Present(const std::uint8_t* data, int width, int height, int stride) = 0;
  // User-interface thread: the picture's place inside the owner.
  virtual void SetGeometry(int left, int top, int width, int height) = 0;
};

class VideoSurfaceFactory {
 public:
  virtual ~VideoSurfaceFactory() = default;
  // A surface inside `owner`; none when `owner` cannot hold one.
  virtual std::unique_ptr<VideoSurface> Create(QObject* owner) = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;
  virtual Status CreateDeviceEnumerator(std::shared_ptr<DeviceEnumerator>& enumerator) = 0;
  virtual Status CreateFilterGraph(std::shared_ptr<Graph>& graph) = 0;
  virtual Status CreateCaptureGraphBuilder(std::shared_ptr<CaptureGraphBuilder>& builder) = 0;
  virtual Status CreateFilterMapper(std::shared_ptr<FilterMapper>& mapper) = 0;
  virtual Status CreateFilter(FilterId id, std::shared_ptr<Filter>& filter) = 0;
};

}  // namespace tavo::media
