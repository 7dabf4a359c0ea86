// An in-process media platform for tests: scriptable cameras (formats, acceptance, stream
// configuration, picture properties), registered converters, and a failure that can be injected
// at any step. It records what the graph logic did: filters and names, connections, renderer
// placement, property writes. Samples are pushed into the grabber by the test.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform.h"

namespace tavo::media {

struct SimDevice {
  std::string name;
  // Its device file; empty for a camera without one.
  std::string path;
  bool nameReadable = true;
  bool bindable = true;
  // Formats of the capture output; the first is the one GetFormat answers.
  std::vector<MediaType> formats;
  bool hasStreamConfig = true;
  // When set, QueryAccept answers this for every type.
  std::optional<Status> acceptAnswer;
  bool hasProcAmp = true;
  std::map<int, PropertyRange> properties;
  // When set, the camera's picture properties are these, not `properties`: a test's own driver.
  std::shared_ptr<ProcAmp> procAmp;
};

struct SimConverter {
  std::string name;
  std::string inputSubtype;
  std::vector<std::string> outputSubtypes;
  std::uint32_t merit = 0x600000;
};

// The steps at which a failure can be injected.
enum class SimStep {
  CreateDeviceEnumerator,
  CreateClassEnumerator,
  SkipDevice,
  NextDevice,
  BindDevice,
  CreateFilterGraph,
  CreateCaptureGraphBuilder,
  QueryMediaControl,
  QueryVideoWindow,
  QueryMediaEvent,
  SetFiltergraph,
  AddCaptureFilter,
  AddConverter,
  AddGrabber,
  FindInterface,
  GetFormat,
  SetFormat,
  EnumMediaTypes,
  CreateFilterMapper,
  EnumMatchingFilters,
  BindConverter,
  Connect,
  CreateGrabber,
  QuerySampleGrabber,
  Render,
  Run,
  Stop,
  FindFilterByName,
  RemoveFilter,
  EnumFilters,
  ResetFilterEnum,
};

struct SimFilterState;

// What one simulated graph holds; shared by the graph and the objects queried from it.
struct SimGraphState {
  struct Connection {
    std::string from;
    std::string to;
  };
  std::vector<std::shared_ptr<SimFilterState>> filters;  // in the order added
  std::vector<Connection> connections;
  bool running = false;
  std::vector<std::string> windowCalls;  // "Owner", "Style 46000000", "Left 0", ...
  QObject* owner = nullptr;
  QObject* notifyTarget = nullptr;
  int notifyEvent = 0;

  std::vector<std::string> FilterNames() const;
};

struct PropertyWrite {
  int property;
  long value;
  long flags;
  bool operator==(const PropertyWrite&) const = default;
};

class SimulatedPlatform final : public Platform {
 public:
  SimulatedPlatform();
  ~SimulatedPlatform() override;

  // Scripting.
  std::vector<SimDevice> devices;
  std::vector<SimConverter> converters;
  void FailAt(SimStep step, Status code = Status::Fail) { failures_[step] = code; }
  void Heal() { failures_.clear(); }

  // Observation.
  std::vector<PropertyWrite> propertyWrites;
  std::shared_ptr<SimGraphState> LastGraph() const { return lastGraph_.lock(); }
  // Names of the filters in the last graph, in the order added.
  std::vector<std::string> FilterNames() const;
  // The type last set through a stream configuration.
  std::optional<MediaType> lastSetFormat;

  // Hands `sample` to the grabber of the last graph while it runs; false when nothing listens.
  bool DeliverSample(const SampleView& sample, double sampleTime = 0.0);
  // The camera vanishes: a running graph stops and its notify target gets the event.
  bool LoseCamera();

  // Platform.
  Status CreateDeviceEnumerator(std::shared_ptr<DeviceEnumerator>& enumerator) override;
  Status CreateFilterGraph(std::shared_ptr<Graph>& graph) override;
  Status CreateCaptureGraphBuilder(std::shared_ptr<CaptureGraphBuilder>& builder) override;
  Status CreateFilterMapper(std::shared_ptr<FilterMapper>& mapper) override;
  Status CreateFilter(FilterId id, std::shared_ptr<Filter>& filter) override;

  // Internal: the injected code for `step`, or none.
  std::optional<Status> Failure(SimStep step) const;

 private:
  std::map<SimStep, Status> failures_;
  std::weak_ptr<SimGraphState> lastGraph_;
};

}  // namespace tavo::media
