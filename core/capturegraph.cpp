#include "capturegraph.h"

#include <utility>

namespace tavo {

using media::Status;

namespace {

// Passes of the format negotiation: camera, then a converter or two. A platform whose converters
// never reach RGB24 would otherwise add converters forever.
constexpr int kMaxNegotiationPasses = 4;
// Devices listed at most, and filter fetches in one teardown, so a misbehaving enumeration
// cannot hold the user-interface thread.
constexpr int kMaxDevices = 256;
constexpr int kMaxTeardownFetches = 4096;
// One above "do not use".
constexpr std::uint32_t kConverterMinimumMerit = media::kMeritDoNotUse + 1;

// Cuts `name` to `limit` bytes without splitting a UTF-8 character.
std::string CutName(std::string name, std::size_t limit) {
  if (name.size() <= limit) return name;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  name.resize(end);
  return name;
}

}  // namespace

std::shared_ptr<media::Pin> GetPin(media::Filter& filter, media::PinDirection direction, int n) {
  std::vector<std::shared_ptr<media::Pin>> pins;
  if (!media::Succeeded(filter.EnumPins(pins))) return nullptr;
  for (const auto& pin : pins) {
    if (pin == nullptr || pin->QueryDirection() != direction) continue;
    if (n-- == 0) return pin;
  }
  return nullptr;
}

CaptureGraph::CaptureGraph(media::Platform& platform, MessageBoxes& boxes,
                           const StringTable& strings, int messageOffset)
    : platform_(platform), boxes_(boxes), strings_(strings), messageOffset_(messageOffset) {}

CaptureGraph::~CaptureGraph() {
  if (graph_ != nullptr) ReleaseAll();
  // Whatever the release left, the graph goes before the grabber (member order).
}

void CaptureGraph::Show(int message) {
  if (quiet_) return;
  ShowString(boxes_, strings_, message + messageOffset_, MessageIcon::Error);
}

int CaptureGraph::EnumerateDevices(media::DeviceCategory category) {
  std::shared_ptr<media::DeviceEnumerator> enumerator;
  if (platform_.CreateDeviceEnumerator(enumerator) != Status::Ok || enumerator == nullptr) return 0;
  std::unique_ptr<media::MonikerEnum> monikers;
  if (enumerator->CreateClassEnumerator(category, monikers) != Status::Ok || monikers == nullptr) {
    return 0;
  }
  monikers->Reset();
  videoDeviceNames_.clear();
  videoDevicePaths_.clear();
  videoDeviceCount_ = 0;
  std::shared_ptr<media::Moniker> moniker;
  for (int fetched = 0; fetched < kMaxDevices && monikers->Next(moniker) == Status::Ok; ++fetched) {
    if (moniker == nullptr) continue;
    std::string name;
    if (moniker->ReadFriendlyName(name) != Status::Ok) continue;
    videoDeviceNames_.push_back(CutName(std::move(name), kMaxDeviceNameBytes));
    std::string path;
    if (moniker->ReadDevicePath(path) != Status::Ok) path.clear();
    videoDevicePaths_.push_back(std::move(path));
    ++videoDeviceCount_;
    moniker.reset();
  }
  return videoDeviceCount_;
}

std::optional<std::string> CaptureGraph::GetDeviceName(int index) {
  // The list is emptied by Close while the count stays; never read past the list itself.
  if (index < 0 || index >= videoDeviceCount_ ||
      static_cast<std::size_t>(index) >= videoDeviceNames_.size()) {
    Show(kMsgGetDeviceIndexTooBig);
    return std::nullopt;
  }
  return videoDeviceNames_[static_cast<std::size_t>(index)];
}

std::string CaptureGraph::DevicePath(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= videoDevicePaths_.size()) return {};
  return videoDevicePaths_[static_cast<std::size_t>(index)];
}

bool CaptureGraph::SelectDevice(int index) {
  if (index < 0 || index >= videoDeviceCount_) {
    Show(kMsgSelectDeviceIndexTooBig);
    return false;
  }
  videoDeviceIndex_ = index;
  return true;
}

bool CaptureGraph::SetCaptureFormat(const std::string& subtype, std::int32_t width,
                                    std::int32_t height, std::uint16_t bitCount) {
  wantedSubtype_ = subtype;
  wantedWidth_ = width;
  wantedHeight_ = height;
  wantedBitCount_ = bitCount;
  return true;
}

bool CaptureGraph::SetVideoWindow(QObject* window, const WindowRect* rect) {
  if (rect == nullptr) {
    Show(kMsgVideoWindowSize);
    return false;
  }
  videoOwner_ = window;
  videoRect_ = {rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top};
  return true;
}

bool CaptureGraph::SetFrameTarget(QObject* window) {
  if (!frameGrabberCreated_) {
    frameGrabber_ = std::make_unique<FrameGrabber>();
    frameGrabberCreated_ = true;
  }
  frameGrabber_->SetTarget(window);
  if (mediaEvent_ != nullptr) mediaEvent_->SetNotifyTarget(NotifyTarget(), WM_CAMERA_LOST);
  return true;
}

QObject* CaptureGraph::NotifyTarget() const {
  if (frameGrabber_ != nullptr && frameGrabber_->target() != nullptr)
    return frameGrabber_->target();
  return videoOwner_;
}

bool CaptureGraph::CreateGraphObjects() {
  graph_.reset();
  builder_.reset();
  videoWindow_.reset();
  mediaControl_.reset();
  mediaEvent_.reset();
  if (platform_.CreateFilterGraph(graph_) != Status::Ok || graph_ == nullptr) {
    graph_.reset();
    Show(kMsgCreateFilterGraph);
    return false;
  }
  if (platform_.CreateCaptureGraphBuilder(builder_) != Status::Ok || builder_ == nullptr) {
    builder_.reset();
    Show(kMsgCreateCaptureGraphBuilder);
    return false;
  }
  if ((mediaControl_ = graph_->QueryMediaControl()) == nullptr) {
    Show(kMsgMediaControl);
    return false;
  }
  if ((videoWindow_ = graph_->QueryVideoWindow()) == nullptr) {
    Show(kMsgVideoWindowLink);
    return false;
  }
  if ((mediaEvent_ = graph_->QueryMediaEvent()) == nullptr) {
    Show(kMsgMediaEventLink);
    return false;
  }
  return true;
}

std::shared_ptr<media::Filter> CaptureGraph::FindDevice(int index, media::DeviceCategory category) {
  std::shared_ptr<media::DeviceEnumerator> enumerator;
  if (platform_.CreateDeviceEnumerator(enumerator) != Status::Ok || enumerator == nullptr) {
    Show(kMsgCreateSystemEnumerator);
    return nullptr;
  }
  std::unique_ptr<media::MonikerEnum> monikers;
  const Status status = enumerator->CreateClassEnumerator(category, monikers);
  if (!media::Succeeded(status)) {
    Show(kMsgCreateClassEnumerator);
    return nullptr;
  }
  if (monikers == nullptr) {
    Show(kMsgNoCaptureDevice);
    return nullptr;
  }
  std::shared_ptr<media::Moniker> moniker;
  // No device chosen (-1) skips past every device.
  if (index < 0 || (index > 0 && monikers->Skip(static_cast<std::size_t>(index)) != Status::Ok) ||
      monikers->Next(moniker) != Status::Ok || moniker == nullptr) {
    Show(kMsgAccessCaptureDevice);
    return nullptr;
  }
  std::shared_ptr<media::Filter> filter;
  if (!media::Succeeded(moniker->BindToFilter(filter)) || filter == nullptr) {
    Show(kMsgBindMoniker);
    return nullptr;
  }
  return filter;
}

bool CaptureGraph::ApplyFormat(media::MediaType& type, const std::string& subtype,
                               std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                               media::Pin* pin) {
  if (type.majorType != media::kMajorTypeVideo) {
    Show(kMsgMediaTypeWrong);
    return false;
  }
  rgbFormatCount_ = 0;
  if (pin == nullptr) return false;
  std::vector<media::MediaType> offered;
  if (!media::Succeeded(pin->EnumMediaTypes(offered))) return false;
  for (const media::MediaType& each : offered) {
    if (each.subtype == media::kSubtypeRGB24) ++rgbFormatCount_;
  }
  if (!subtype.empty()) {
    type.subtype = subtype;
    type.bitCount = bitCount;
  }
  type.width = width;
  type.height = height;
  type.compression = 0;
  type.sizeImage =
      static_cast<std::uint32_t>(static_cast<std::int64_t>(type.bitCount) * width * height / 8);
  return true;
}

bool CaptureGraph::FindConverter(const media::TypePair& input, const media::TypePair& output,
                                 std::shared_ptr<media::Filter>& converter) {
  converter.reset();
  std::shared_ptr<media::FilterMapper> mapper;
  if (platform_.CreateFilterMapper(mapper) != Status::Ok || mapper == nullptr) return false;
  media::FilterQuery query;
  query.exactMatch = true;
  query.minimumMerit = kConverterMinimumMerit;
  query.inputNeeded = true;
  query.input = input;
  query.render = false;
  query.outputNeeded = true;
  query.output = output;
  std::unique_ptr<media::MonikerEnum> filters;
  if (!media::Succeeded(mapper->EnumMatchingFilters(query, filters)) || filters == nullptr) {
    return false;
  }
  std::shared_ptr<media::Moniker> moniker;
  for (int fetched = 0; fetched < kMaxDevices && filters->Next(moniker) == Status::Ok; ++fetched) {
    if (moniker == nullptr) continue;
    std::shared_ptr<media::Filter> filter;
    if (!media::Succeeded(moniker->BindToFilter(filter)) || filter == nullptr) {
      converter.reset();
      return false;
    }
    converter = std::move(filter);  // the last one bound wins
  }
  return true;
}

bool CaptureGraph::ConnectPins(media::Pin* output, media::Pin* input) {
  if (output == nullptr || input == nullptr) {
    Show(kMsgPinMissing);
    return false;
  }
  return graph_->Connect(*output, *input) == Status::Ok;
}

bool CaptureGraph::RenderAndShow(media::Pin* pin) {
  if (pin == nullptr || graph_->Render(*pin) != Status::Ok) return false;
  // Placement results are not examined: a picture in the wrong place is no reason to fail.
  videoWindow_->PutOwner(videoOwner_);
  videoWindow_->PutWindowStyle(media::kVideoWindowChildStyle);
  videoWindow_->PutLeft(videoRect_.left);
  videoWindow_->PutTop(videoRect_.top);
  videoWindow_->PutWidth(videoRect_.width);
  videoWindow_->PutHeight(videoRect_.height);
  videoWindow_->PutMessageDrain(videoOwner_);
  return true;
}

int CaptureGraph::Build() {
  if (built_) {
    Show(kMsgAlreadyWorking);
    return 0;
  }
  if (!CreateGraphObjects()) {
    Show(kMsgVideoInterfaces);
    return 0;
  }
  if (builder_->SetFiltergraph(graph_) != Status::Ok) {
    Show(kMsgSetFilterGraph);
    return 0;
  }
  source_.reset();
  source_ = FindDevice(videoDeviceIndex_, media::DeviceCategory::VideoInput);
  if (source_ == nullptr) return 0;
  if (!media::Succeeded(graph_->AddFilter(source_, kCaptureFilterName))) {
    Show(kMsgAddCaptureFilter);
    return 0;
  }

  // Format negotiation: ask each output in turn for RGB24 of the wanted size; where it refuses,
  // keep its own subtype at that size and put a converter behind it.
  std::shared_ptr<media::Filter> filter = source_;
  std::shared_ptr<media::Pin> pin = GetOutPin(*filter, 0);
  std::shared_ptr<media::StreamConfig> config;
  std::optional<media::MediaType> type;
  std::shared_ptr<media::Filter> converter;
  for (int pass = 0;; ++pass) {
    if (pass == kMaxNegotiationPasses) return 0;
    config.reset();
    if (builder_->FindInterface(media::PinCategory::Capture, *filter, config) != Status::Ok) {
      config.reset();
    }
    if (config != nullptr) {
      type.emplace();
      if (!media::Succeeded(config->GetFormat(*type))) return 0;
    } else if (!type) {
      return 0;
    }
    if (!ApplyFormat(*type, wantedSubtype_, wantedWidth_, wantedHeight_, wantedBitCount_,
                     pin.get())) {
      return 0;
    }
    const Status accepted = pin->QueryAccept(*type);
    if (accepted == Status::Ok) break;
    if (accepted != Status::InvalidMediaType) return 0;

    if (wantedSubtype_.empty()) {
      Show(kMsgResolutionNotSupported);
      return 0;
    }
    if (config == nullptr) return 0;
    type.emplace();
    if (!media::Succeeded(config->GetFormat(*type))) return 0;
    if (!ApplyFormat(*type, {}, wantedWidth_, wantedHeight_, wantedBitCount_, pin.get())) return 0;
    if (pin->QueryAccept(*type) == Status::InvalidMediaType) {
      Show(kMsgResolutionNotSupported);
      return 0;
    }
    if (config->SetFormat(*type) != Status::Ok) return 0;
    if (!FindConverter({media::kMajorTypeVideo, type->subtype},
                       {media::kMajorTypeVideo, wantedSubtype_}, converter)) {
      return 0;
    }
    if (converter == nullptr) {
      Show(kMsgNoConverter);
      return 0;
    }
    if (!media::Succeeded(graph_->AddFilter(converter, kConverterFilterName))) return 0;
    if (!ConnectPins(pin.get(), GetInPin(*converter, 0).get())) return 0;
    filter = converter;
    pin = GetOutPin(*converter, 0);
  }
  if (config != nullptr && config->SetFormat(*type) != Status::Ok) return 0;
  type.reset();
  config.reset();
  converter.reset();  // the graph keeps it

  built_ = true;

  std::shared_ptr<media::Filter> grabber;
  if (platform_.CreateFilter(media::FilterId::SampleGrabber, grabber) != Status::Ok ||
      grabber == nullptr) {
    return 0;
  }
  if (!media::Succeeded(graph_->AddFilter(grabber, kGrabberFilterName))) {
    Show(kMsgAddGrabber);
    return 0;
  }
  if (!ConnectPins(pin.get(), GetInPin(*grabber, 0).get())) return 0;
  std::shared_ptr<media::Pin> grabberOut = GetOutPin(*grabber, 0);
  std::shared_ptr<media::SampleGrabber> sampleGrabber = grabber->QuerySampleGrabber();
  if (sampleGrabber == nullptr) return 0;
  sampleGrabber->SetBufferSamples(false);
  sampleGrabber->SetOneShot(false);
  sampleGrabber->SetCallback(frameGrabber_.get(), 1);
  if (!RenderAndShow(grabberOut.get())) return 0;
  mediaEvent_->SetNotifyTarget(NotifyTarget(), WM_CAMERA_LOST);
  return rgbFormatCount_;
}

media::Status CaptureGraph::Run() {
  // Without graph objects there is nothing to run; say so rather than touch a missing control.
  const Status status = mediaControl_ != nullptr ? mediaControl_->Run() : Status::Fail;
  if (!media::Succeeded(status)) {
    Show(kMsgRunGraph);
    return status;
  }
  runState_ = 1;
  return Status::Ok;
}

bool CaptureGraph::RequestFrame() {
  if (frameGrabber_ == nullptr) return false;
  if (!built_) {
    Show(kMsgNotStreaming);
    return false;
  }
  return frameGrabber_->Request();
}

const std::uint8_t* CaptureGraph::GetFrameBuffer() {
  if (frameGrabber_ == nullptr) {
    Show(kMsgGrabberMissing);
    return nullptr;
  }
  frameGrabber_->Take();
  return frameGrabber_->buffer();
}

bool CaptureGraph::SetVideoProperty(int property, long value) {
  if (source_ == nullptr) return false;
  std::shared_ptr<media::ProcAmp> procAmp = source_->QueryProcAmp();
  if (procAmp == nullptr) return false;
  procAmp->Set(property, value, media::kPropertyFlagsManual);
  return true;
}

bool CaptureGraph::GetVideoPropertyRange(int property, media::PropertyRange& range) {
  if (source_ == nullptr) return false;
  std::shared_ptr<media::ProcAmp> procAmp = source_->QueryProcAmp();
  if (procAmp == nullptr) {
    Show(kMsgProcAmpMissing);
    return false;
  }
  return procAmp->GetRange(property, range) == Status::Ok;
}

bool CaptureGraph::SetProperties(const int* properties, int count, int offsetFromDefault) {
  if (source_ == nullptr) return true;
  std::shared_ptr<media::ProcAmp> procAmp = source_->QueryProcAmp();
  if (procAmp == nullptr) return false;
  for (int i = 0; i < count; ++i) {
    media::PropertyRange range;
    if (procAmp->GetRange(properties[i], range) != Status::Ok) continue;
    procAmp->Set(properties[i], range.defaultValue + offsetFromDefault,
                 media::kPropertyFlagsManual);
  }
  return true;
}

bool CaptureGraph::ResetVideoProperties() {
  static constexpr int kProperties[] = {media::kPropertyBrightness, media::kPropertyContrast,
                                        media::kPropertySaturation, media::kPropertyGamma};
  return SetProperties(kProperties, 4, 0);
}

bool CaptureGraph::StepGammaDown() {
  static constexpr int kProperties[] = {media::kPropertyGamma};
  return SetProperties(kProperties, 1, -1);
}

bool CaptureGraph::TearDown() {
  if (runState_ != 0) {
    if (mediaControl_ == nullptr || !media::Succeeded(mediaControl_->Stop())) {
      Show(kMsgStopFailed);
      return false;
    }
    runState_ = 0;
  }
  std::shared_ptr<media::Filter> renderer;
  if (graph_->FindFilterByName(kRendererFilterName, renderer) == Status::Ok && renderer) {
    if (graph_->RemoveFilter(renderer) != Status::Ok) return false;
    renderer.reset();
  }
  std::unique_ptr<media::FilterEnum> filters;
  if (!media::Succeeded(graph_->EnumFilters(filters)) || filters == nullptr) return false;
  Status lastReset = Status::Ok;
  std::shared_ptr<media::Filter> filter;
  for (int fetched = 0; fetched < kMaxTeardownFetches && filters->Next(filter) == Status::Ok;
       ++fetched) {
    if (filter == nullptr) continue;
    if (graph_->RemoveFilter(filter) != Status::Ok) return false;
    filter.reset();
    lastReset = filters->Reset();
  }
  if (lastReset == Status::EnumOutOfSync) return false;
  filters.reset();
  runState_ = 0;
  return true;
}

bool CaptureGraph::ReleaseAll() {
  if (graph_ == nullptr) return false;
  source_.reset();
  if (!TearDown()) return false;
  builder_.reset();
  graph_.reset();
  videoWindow_.reset();
  mediaControl_.reset();
  mediaEvent_.reset();
  frameGrabber_.reset();
  videoDeviceNames_.clear();
  return true;
}

bool CaptureGraph::Close() {
  if (!ReleaseAll()) {
    Show(kMsgCloseFailed);
    return false;
  }
  built_ = false;
  frameGrabberCreated_ = false;
  return true;
}

}  // namespace tavo
