#include "simulatedplatform.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <cstdio>

namespace tavo::media {

namespace {

enum class Kind { Camera, Converter, Grabber, Renderer };

}  // namespace

struct SimFilterState;

class SimPin final : public Pin {
 public:
  SimPin(SimFilterState* owner, PinDirection direction) : owner_(owner), direction_(direction) {}
  PinDirection QueryDirection() const override { return direction_; }
  Status QueryAccept(const MediaType& type) override;
  Status EnumMediaTypes(std::vector<MediaType>& types) override;

  SimFilterState* owner_;
  PinDirection direction_;
  SimPin* peer = nullptr;
  std::optional<MediaType> connectionType;  // on both ends of a connection
  std::optional<MediaType> acceptedType;    // the last type an output pin accepted
};

struct SimFilterState final : Filter, SampleGrabber {
  SimFilterState(SimulatedPlatform* platform, Kind kind) : platform(platform), kind(kind) {
    if (kind != Kind::Camera) pins.push_back(std::make_shared<SimPin>(this, PinDirection::Input));
    if (kind != Kind::Renderer)
      pins.push_back(std::make_shared<SimPin>(this, PinDirection::Output));
  }
  ~SimFilterState() override { Disconnect(); }

  Status EnumPins(std::vector<std::shared_ptr<Pin>>& out) override {
    // Each pin keeps its filter alive, as a pin reference does.
    out.clear();
    for (auto& pin : pins) out.push_back(std::shared_ptr<Pin>(self.lock(), pin.get()));
    return Status::Ok;
  }
  std::shared_ptr<ProcAmp> QueryProcAmp() override;
  std::shared_ptr<SampleGrabber> QuerySampleGrabber() override {
    if (kind != Kind::Grabber || platform->Failure(SimStep::QuerySampleGrabber)) return nullptr;
    return std::shared_ptr<SampleGrabber>(self.lock(), this);
  }
  Status SetBufferSamples(bool) override { return Status::Ok; }
  Status SetOneShot(bool) override { return Status::Ok; }
  Status SetCallback(FrameCallback* cb, int which) override {
    callback = which == 1 ? cb : nullptr;
    return Status::Ok;
  }

  void Disconnect() {
    for (auto& pin : pins) {
      if (pin->peer != nullptr) {
        pin->peer->peer = nullptr;
        pin->peer->connectionType.reset();
      }
      pin->peer = nullptr;
      pin->connectionType.reset();
    }
  }
  SimPin* Input() const {
    for (auto& pin : pins)
      if (pin->direction_ == PinDirection::Input) return pin.get();
    return nullptr;
  }

  SimulatedPlatform* platform;
  Kind kind;
  std::weak_ptr<SimFilterState> self;
  std::string name;
  std::vector<std::shared_ptr<SimPin>> pins;
  SimDevice device;                   // cameras
  MediaType currentFormat;            // cameras: what the capture output delivers
  SimConverter converter;             // converters
  FrameCallback* callback = nullptr;  // grabbers
  std::weak_ptr<SimGraphState> graph;
};

namespace {

std::shared_ptr<SimFilterState> MakeFilter(SimulatedPlatform* platform, Kind kind) {
  auto filter = std::make_shared<SimFilterState>(platform, kind);
  filter->self = filter;
  return filter;
}

bool SameFormat(const MediaType& a, const MediaType& b) {
  return a.subtype == b.subtype && a.width == b.width && a.height == b.height;
}

}  // namespace

Status SimPin::QueryAccept(const MediaType& type) {
  const SimFilterState& filter = *owner_;
  Status answer = Status::InvalidMediaType;
  if (type.majorType != kMajorTypeVideo) return answer;
  if (direction_ == PinDirection::Input) {
    if (filter.kind == Kind::Converter) {
      return type.subtype == filter.converter.inputSubtype ? Status::Ok : answer;
    }
    return Status::Ok;
  }
  switch (filter.kind) {
    case Kind::Camera:
      if (filter.device.acceptAnswer) return *filter.device.acceptAnswer;
      for (const MediaType& offered : filter.device.formats) {
        if (SameFormat(offered, type)) answer = Status::Ok;
      }
      break;
    case Kind::Converter: {
      const SimPin* input = filter.Input();
      const auto& outs = filter.converter.outputSubtypes;
      if (input != nullptr && input->connectionType &&
          std::find(outs.begin(), outs.end(), type.subtype) != outs.end() &&
          input->connectionType->width == type.width &&
          input->connectionType->height == type.height) {
        answer = Status::Ok;
      }
      break;
    }
    default:
      answer = Status::Ok;
  }
  if (answer == Status::Ok) acceptedType = type;
  return answer;
}

Status SimPin::EnumMediaTypes(std::vector<MediaType>& types) {
  if (auto code = owner_->platform->Failure(SimStep::EnumMediaTypes)) return *code;
  types.clear();
  const SimFilterState& filter = *owner_;
  if (direction_ == PinDirection::Input) return Status::Ok;
  if (filter.kind == Kind::Camera) {
    types = filter.device.formats;
  } else if (filter.kind == Kind::Converter) {
    const SimPin* input = filter.Input();
    if (input != nullptr && input->connectionType) {
      for (const std::string& subtype : filter.converter.outputSubtypes) {
        MediaType type = *input->connectionType;
        type.subtype = subtype;
        types.push_back(type);
      }
    }
  } else if (filter.kind == Kind::Grabber) {
    const SimPin* input = filter.Input();
    if (input != nullptr && input->connectionType) types.push_back(*input->connectionType);
  }
  return Status::Ok;
}

class SimProcAmp final : public ProcAmp {
 public:
  explicit SimProcAmp(std::shared_ptr<SimFilterState> filter) : filter_(std::move(filter)) {}
  Status GetRange(int property, PropertyRange& range) override {
    auto found = filter_->device.properties.find(property);
    if (found == filter_->device.properties.end()) return Status::Fail;
    range = found->second;
    return Status::Ok;
  }
  Status Set(int property, long value, long flags) override {
    filter_->platform->propertyWrites.push_back({property, value, flags});
    return filter_->device.properties.count(property) ? Status::Ok : Status::Fail;
  }

 private:
  std::shared_ptr<SimFilterState> filter_;
};

std::shared_ptr<ProcAmp> SimFilterState::QueryProcAmp() {
  if (kind != Kind::Camera || !device.hasProcAmp) return nullptr;
  if (device.procAmp != nullptr) return device.procAmp;
  return std::make_shared<SimProcAmp>(self.lock());
}

std::vector<std::string> SimGraphState::FilterNames() const {
  std::vector<std::string> names;
  for (const auto& filter : filters) names.push_back(filter->name);
  return names;
}

namespace {

class SimStreamConfig final : public StreamConfig {
 public:
  explicit SimStreamConfig(std::shared_ptr<SimFilterState> camera) : camera_(std::move(camera)) {}
  Status GetFormat(MediaType& type) override {
    if (auto code = camera_->platform->Failure(SimStep::GetFormat)) return *code;
    type = camera_->currentFormat;
    return Status::Ok;
  }
  Status SetFormat(const MediaType& type) override {
    if (auto code = camera_->platform->Failure(SimStep::SetFormat)) return *code;
    bool offered = false;
    for (const MediaType& each : camera_->device.formats) offered |= SameFormat(each, type);
    if (!offered && !camera_->device.acceptAnswer) return Status::InvalidMediaType;
    camera_->currentFormat = type;
    camera_->platform->lastSetFormat = type;
    return Status::Ok;
  }

 private:
  std::shared_ptr<SimFilterState> camera_;
};

// The list, with the device steps' failures injected (filter categories have none).
class SimMonikerEnum final : public MonikerList {
 public:
  SimMonikerEnum(SimulatedPlatform* platform, std::vector<std::shared_ptr<Moniker>> monikers,
                 bool devices)
      : MonikerList(std::move(monikers)), platform_(platform), devices_(devices) {}
  Status Next(std::shared_ptr<Moniker>& moniker) override {
    if (devices_) {
      if (auto code = platform_->Failure(SimStep::NextDevice)) return *code;
    }
    return MonikerList::Next(moniker);
  }
  Status Skip(std::size_t count) override {
    if (auto code = platform_->Failure(SimStep::SkipDevice)) return *code;
    return MonikerList::Skip(count);
  }

 private:
  SimulatedPlatform* platform_;
  bool devices_;
};

class SimDeviceMoniker final : public Moniker {
 public:
  SimDeviceMoniker(SimulatedPlatform* platform, SimDevice device)
      : platform_(platform), device_(std::move(device)) {}
  Status ReadFriendlyName(std::string& name) override {
    if (!device_.nameReadable) return Status::Fail;
    name = device_.name;
    return Status::Ok;
  }
  Status ReadDevicePath(std::string& path) override {
    path = device_.path;
    return path.empty() ? Status::False : Status::Ok;
  }
  Status BindToFilter(std::shared_ptr<Filter>& filter) override {
    if (auto code = platform_->Failure(SimStep::BindDevice)) return *code;
    if (!device_.bindable) return Status::Fail;
    auto camera = MakeFilter(platform_, Kind::Camera);
    camera->device = device_;
    if (!device_.formats.empty()) camera->currentFormat = device_.formats.front();
    filter = camera;
    return Status::Ok;
  }

 private:
  SimulatedPlatform* platform_;
  SimDevice device_;
};

class SimConverterMoniker final : public Moniker {
 public:
  SimConverterMoniker(SimulatedPlatform* platform, SimConverter converter)
      : platform_(platform), converter_(std::move(converter)) {}
  Status ReadFriendlyName(std::string& name) override {
    name = converter_.name;
    return Status::Ok;
  }
  Status BindToFilter(std::shared_ptr<Filter>& filter) override {
    if (auto code = platform_->Failure(SimStep::BindConverter)) return *code;
    auto converter = MakeFilter(platform_, Kind::Converter);
    converter->converter = converter_;
    filter = converter;
    return Status::Ok;
  }

 private:
  SimulatedPlatform* platform_;
  SimConverter converter_;
};

class SimDeviceEnumerator final : public DeviceEnumerator {
 public:
  explicit SimDeviceEnumerator(SimulatedPlatform* platform) : platform_(platform) {}
  Status CreateClassEnumerator(DeviceCategory, std::unique_ptr<MonikerEnum>& monikers) override {
    monikers.reset();
    if (auto code = platform_->Failure(SimStep::CreateClassEnumerator)) return *code;
    if (platform_->devices.empty()) return Status::False;
    std::vector<std::shared_ptr<Moniker>> list;
    for (const SimDevice& device : platform_->devices) {
      list.push_back(std::make_shared<SimDeviceMoniker>(platform_, device));
    }
    monikers = std::make_unique<SimMonikerEnum>(platform_, std::move(list), true);
    return Status::Ok;
  }

 private:
  SimulatedPlatform* platform_;
};

class SimFilterMapper final : public FilterMapper {
 public:
  explicit SimFilterMapper(SimulatedPlatform* platform) : platform_(platform) {}
  Status EnumMatchingFilters(const FilterQuery& query,
                             std::unique_ptr<MonikerEnum>& filters) override {
    filters.reset();
    if (auto code = platform_->Failure(SimStep::EnumMatchingFilters)) return *code;
    std::vector<std::shared_ptr<Moniker>> list;
    for (const SimConverter& converter : platform_->converters) {
      const auto& outs = converter.outputSubtypes;
      if (converter.merit < query.minimumMerit) continue;
      if (converter.inputSubtype != query.input.subtype) continue;
      if (std::find(outs.begin(), outs.end(), query.output.subtype) == outs.end()) continue;
      list.push_back(std::make_shared<SimConverterMoniker>(platform_, converter));
    }
    filters = std::make_unique<SimMonikerEnum>(platform_, std::move(list), false);
    return Status::Ok;
  }

 private:
  SimulatedPlatform* platform_;
};

class SimFilterEnum final : public FilterEnum {
 public:
  SimFilterEnum(SimulatedPlatform* platform, std::shared_ptr<SimGraphState> graph)
      : platform_(platform), graph_(std::move(graph)) {}
  Status Next(std::shared_ptr<Filter>& filter) override {
    if (next_ >= graph_->filters.size()) return Status::False;
    filter = graph_->filters[next_++];
    return Status::Ok;
  }
  Status Reset() override {
    next_ = 0;
    if (auto code = platform_->Failure(SimStep::ResetFilterEnum)) return *code;
    return Status::Ok;
  }

 private:
  SimulatedPlatform* platform_;
  std::shared_ptr<SimGraphState> graph_;
  std::size_t next_ = 0;
};

class SimControl final : public MediaControl, public VideoWindow, public MediaEvent {
 public:
  SimControl(SimulatedPlatform* platform, std::shared_ptr<SimGraphState> graph)
      : platform_(platform), graph_(std::move(graph)) {}
  Status Run() override {
    if (auto code = platform_->Failure(SimStep::Run)) return *code;
    graph_->running = true;
    return Status::Ok;
  }
  Status Stop() override {
    if (auto code = platform_->Failure(SimStep::Stop)) return *code;
    graph_->running = false;
    return Status::Ok;
  }
  Status PutOwner(QObject* owner) override {
    graph_->owner = owner;
    return Record("Owner");
  }
  Status PutWindowStyle(std::uint32_t style) override {
    char text[32];
    std::snprintf(text, sizeof text, "Style %08X", style);
    return Record(text);
  }
  Status PutLeft(std::int32_t v) override { return Record("Left " + std::to_string(v)); }
  Status PutTop(std::int32_t v) override { return Record("Top " + std::to_string(v)); }
  Status PutWidth(std::int32_t v) override { return Record("Width " + std::to_string(v)); }
  Status PutHeight(std::int32_t v) override { return Record("Height " + std::to_string(v)); }
  Status PutMessageDrain(QObject*) override { return Record("MessageDrain"); }
  Status SetNotifyTarget(QObject* target, int eventType) override {
    graph_->notifyTarget = target;
    graph_->notifyEvent = eventType;
    return Status::Ok;
  }

 private:
  Status Record(const std::string& call) {
    graph_->windowCalls.push_back(call);
    return Status::Ok;
  }
  SimulatedPlatform* platform_;
  std::shared_ptr<SimGraphState> graph_;
};

class SimGraph final : public Graph {
 public:
  SimGraph(SimulatedPlatform* platform) : platform_(platform), state_(new SimGraphState) {}
  ~SimGraph() override {
    state_->running = false;
    for (auto& filter : state_->filters) filter->Disconnect();
  }
  const std::shared_ptr<SimGraphState>& state() const { return state_; }

  Status AddFilter(const std::shared_ptr<Filter>& filter, const std::string& name) override {
    auto sim = std::dynamic_pointer_cast<SimFilterState>(filter);
    if (sim == nullptr) return Status::Fail;
    const SimStep step = sim->kind == Kind::Camera      ? SimStep::AddCaptureFilter
                         : sim->kind == Kind::Converter ? SimStep::AddConverter
                                                        : SimStep::AddGrabber;
    if (auto code = platform_->Failure(step)) return *code;
    sim->name = name;
    sim->graph = state_;
    state_->filters.push_back(sim);
    return Status::Ok;
  }
  Status RemoveFilter(const std::shared_ptr<Filter>& filter) override {
    if (auto code = platform_->Failure(SimStep::RemoveFilter)) return *code;
    auto& filters = state_->filters;
    auto found = std::find(filters.begin(), filters.end(), filter);
    if (found == filters.end()) return Status::Fail;
    (*found)->Disconnect();
    filters.erase(found);
    return Status::Ok;
  }
  Status FindFilterByName(const std::string& name, std::shared_ptr<Filter>& filter) override {
    filter.reset();
    if (auto code = platform_->Failure(SimStep::FindFilterByName)) return *code;
    for (auto& each : state_->filters) {
      if (each->name == name) {
        filter = each;
        return Status::Ok;
      }
    }
    return Status::Fail;
  }
  Status EnumFilters(std::unique_ptr<FilterEnum>& filters) override {
    if (auto code = platform_->Failure(SimStep::EnumFilters)) return *code;
    filters = std::make_unique<SimFilterEnum>(platform_, state_);
    return Status::Ok;
  }
  Status Connect(Pin& output, Pin& input) override {
    if (auto code = platform_->Failure(SimStep::Connect)) return *code;
    auto* out = dynamic_cast<SimPin*>(&output);
    auto* in = dynamic_cast<SimPin*>(&input);
    if (out == nullptr || in == nullptr || out->direction_ != PinDirection::Output ||
        in->direction_ != PinDirection::Input || out->peer != nullptr || in->peer != nullptr) {
      return Status::Fail;
    }
    // A camera sends its current format, a converter what its output last accepted, a grabber
    // what it receives.
    const SimFilterState& from = *out->owner_;
    const SimPin* fromInput = from.Input();
    std::optional<MediaType> type;
    if (from.kind == Kind::Camera) {
      type = from.currentFormat;
    } else if (from.kind == Kind::Converter && out->acceptedType) {
      type = out->acceptedType;
    } else if (fromInput != nullptr) {
      type = fromInput->connectionType;
    }
    if (!type || in->QueryAccept(*type) != Status::Ok) return Status::Fail;
    out->peer = in;
    in->peer = out;
    out->connectionType = in->connectionType = *type;
    state_->connections.push_back({out->owner_->name, in->owner_->name});
    return Status::Ok;
  }
  Status Render(Pin& output) override {
    if (auto code = platform_->Failure(SimStep::Render)) return *code;
    auto renderer = MakeFilter(platform_, Kind::Renderer);
    if (AddFilter(renderer, "Video Renderer") != Status::Ok) return Status::Fail;
    return Connect(output, *renderer->Input());
  }
  std::shared_ptr<MediaControl> QueryMediaControl() override {
    if (platform_->Failure(SimStep::QueryMediaControl)) return nullptr;
    return std::make_shared<SimControl>(platform_, state_);
  }
  std::shared_ptr<VideoWindow> QueryVideoWindow() override {
    if (platform_->Failure(SimStep::QueryVideoWindow)) return nullptr;
    return std::make_shared<SimControl>(platform_, state_);
  }
  std::shared_ptr<MediaEvent> QueryMediaEvent() override {
    if (platform_->Failure(SimStep::QueryMediaEvent)) return nullptr;
    return std::make_shared<SimControl>(platform_, state_);
  }

 private:
  SimulatedPlatform* platform_;
  std::shared_ptr<SimGraphState> state_;
};

class SimBuilder final : public CaptureGraphBuilder {
 public:
  explicit SimBuilder(SimulatedPlatform* platform) : platform_(platform) {}
  Status SetFiltergraph(const std::shared_ptr<Graph>& graph) override {
    if (auto code = platform_->Failure(SimStep::SetFiltergraph)) return *code;
    return graph != nullptr ? Status::Ok : Status::Fail;
  }
  Status FindInterface(PinCategory, Filter& filter,
                       std::shared_ptr<StreamConfig>& config) override {
    config.reset();
    if (auto code = platform_->Failure(SimStep::FindInterface)) return *code;
    auto* sim = dynamic_cast<SimFilterState*>(&filter);
    if (sim == nullptr || sim->kind != Kind::Camera || !sim->device.hasStreamConfig) {
      return Status::Fail;
    }
    config = std::make_shared<SimStreamConfig>(sim->self.lock());
    return Status::Ok;
  }

 private:
  SimulatedPlatform* platform_;
};

}  // namespace

SimulatedPlatform::SimulatedPlatform() = default;
SimulatedPlatform::~SimulatedPlatform() = default;

std::optional<Status> SimulatedPlatform::Failure(SimStep step) const {
  auto found = failures_.find(step);
  if (found == failures_.end()) return std::nullopt;
  return found->second;
}

std::vector<std::string> SimulatedPlatform::FilterNames() const {
  auto graph = LastGraph();
  return graph != nullptr ? graph->FilterNames() : std::vector<std::string>{};
}

bool SimulatedPlatform::DeliverSample(const SampleView& sample, double sampleTime) {
  auto graph = LastGraph();
  if (graph == nullptr || !graph->running) return false;
  for (auto& filter : graph->filters) {
    if (filter->kind == Kind::Grabber && filter->callback != nullptr) {
      filter->callback->BufferCB(sampleTime, sample);
      return true;
    }
  }
  return false;
}

bool SimulatedPlatform::LoseCamera() {
  auto graph = LastGraph();
  if (graph == nullptr || !graph->running) return false;
  graph->running = false;
  if (graph->notifyTarget != nullptr) {
    QCoreApplication::postEvent(graph->notifyTarget,
                                new QEvent(static_cast<QEvent::Type>(graph->notifyEvent)));
  }
  return true;
}

Status SimulatedPlatform::CreateDeviceEnumerator(std::shared_ptr<DeviceEnumerator>& enumerator) {
  if (auto code = Failure(SimStep::CreateDeviceEnumerator)) return *code;
  enumerator = std::make_shared<SimDeviceEnumerator>(this);
  return Status::Ok;
}

Status SimulatedPlatform::CreateFilterGraph(std::shared_ptr<Graph>& graph) {
  if (auto code = Failure(SimStep::CreateFilterGraph)) return *code;
  auto sim = std::make_shared<SimGraph>(this);
  lastGraph_ = sim->state();
  graph = sim;
  return Status::Ok;
}

Status SimulatedPlatform::CreateCaptureGraphBuilder(std::shared_ptr<CaptureGraphBuilder>& builder) {
  if (auto code = Failure(SimStep::CreateCaptureGraphBuilder)) return *code;
  builder = std::make_shared<SimBuilder>(this);
  return Status::Ok;
}

Status SimulatedPlatform::CreateFilterMapper(std::shared_ptr<FilterMapper>& mapper) {
  if (auto code = Failure(SimStep::CreateFilterMapper)) return *code;
  mapper = std::make_shared<SimFilterMapper>(this);
  return Status::Ok;
}

Status SimulatedPlatform::CreateFilter(FilterId id, std::shared_ptr<Filter>& filter) {
  if (auto code = Failure(SimStep::CreateGrabber)) return *code;
  if (id != FilterId::SampleGrabber) return Status::Fail;
  filter = MakeFilter(this, Kind::Grabber);
  return Status::Ok;
}

}  // namespace tavo::media
