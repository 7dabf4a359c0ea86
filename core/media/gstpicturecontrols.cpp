// Picture properties of a camera: a V4L2 camera's straight from its driver, the virtual camera's
// from its colour balance.
#include <gst/video/colorbalance.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>

#include "gstinternal.h"
#include "v4l2controls.h"

namespace tavo::media {

namespace {

// Element data: the camera's property defaults, and the ranges it shows where they differ from
// its channels'.
constexpr const char* kDefaultsKey = "tavo-defaults";
constexpr const char* kShownRangesKey = "tavo-shown-ranges";

struct ShownRanges {
  std::map<int, ShownPictureRange> ranges;
};

// A value mapped linearly from one range onto another, rounded to the nearest.
long Rescale(long value, long fromMin, long fromMax, long toMin, long toMax) {
  if (fromMax == fromMin) return toMin;
  const long long span = static_cast<long long>(toMax - toMin) * (value - fromMin);
  const long long width = fromMax - fromMin;
  const long long half = width / 2;
  return toMin + static_cast<long>((span >= 0 ? span + half : span - half) / width);
}

int PropertyOfChannel(const char* label) {
  std::string name = label != nullptr ? label : "";
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  static const std::pair<const char*, int> kNames[] = {
      {"brightness", kPropertyBrightness}, {"contrast", kPropertyContrast},
      {"saturation", kPropertySaturation}, {"hue", kPropertyHue},
      {"sharpness", kPropertySharpness},   {"gamma", kPropertyGamma}};
  for (const auto& [word, property] : kNames) {
    if (name.find(word) != std::string::npos) return property;
  }
  return -1;
}

// The defaults of a camera without a driver of its own (the virtual camera): the values it had
// when it was bound, which are a freshly made element's own.
struct PropertyDefaults {
  std::map<int, long> values;
};

GstColorBalanceChannel* FindChannel(GstColorBalance* balance, int property) {
  for (const GList* item = gst_color_balance_list_channels(balance); item; item = item->next) {
    auto* channel = static_cast<GstColorBalanceChannel*>(item->data);
    if (PropertyOfChannel(channel->label) == property) return channel;
  }
  return nullptr;
}

// Whether `source` is a V4L2 camera's source (v4l2src): it tells its device descriptor.
bool IsV4l2Source(GstElement* source) {
  return source != nullptr &&
         g_object_class_find_property(G_OBJECT_GET_CLASS(source), "device-fd") != nullptr;
}

// The device of a V4L2 source: the descriptor it holds open while it is at least ready, else
// its device file.
V4l2Device DeviceOfSource(GstPtr<GstElement> source) {
  gchar* path = nullptr;
  g_object_get(source.get(), "device", &path, nullptr);
  const GCharPtr ownedPath(path);
  std::shared_ptr<GstElement> held(source.release(), GstObjectUnref{});
  return {[held] {
            int fd = -1;
            g_object_get(held.get(), "device-fd", &fd, nullptr);
            return fd;
          },
          ownedPath != nullptr ? ownedPath.get() : ""};
}

class ColorBalanceProcAmp final : public ProcAmp {
 public:
  ColorBalanceProcAmp(GstPtr<GstElement> camera, GstPtr<GstElement> balance)
      : camera_(std::move(camera)), balance_(std::move(balance)) {}

  Status GetRange(int property, PropertyRange& range) override {
    if (GstColorBalanceChannel* channel = FindChannel(Balance(), property)) {
      const ShownPictureRange shown = Shown(property, channel);
      range.minimum = shown.minimum;
      range.maximum = shown.maximum;
      range.step = 1;
      range.defaultValue = Rescale(Default(property, channel), channel->min_value,
                                   channel->max_value, shown.minimum, shown.maximum);
      range.capsFlags = kPropertyFlagsManual;
      return Status::Ok;
    }
    return Status::Fail;
  }

  Status Set(int property, long value, long /*flags*/) override {
    GstColorBalanceChannel* channel = FindChannel(Balance(), property);
    // A value outside the channel's range is refused rather than brought within it.
    if (channel == nullptr) return Status::Fail;
    const ShownPictureRange shown = Shown(property, channel);
    if (value < shown.minimum || value > shown.maximum) return Status::Fail;
    gst_color_balance_set_value(Balance(), channel,
                                static_cast<gint>(Rescale(value, shown.minimum, shown.maximum,
                                                          channel->min_value, channel->max_value)));
    return Status::Ok;
  }

 private:
  GstColorBalance* Balance() const { return GST_COLOR_BALANCE(balance_.get()); }
  ShownPictureRange Shown(int property, GstColorBalanceChannel* channel) const {
    if (auto* shown = AttachedData<ShownRanges>(camera_.get(), kShownRangesKey)) {
      auto found = shown->ranges.find(property);
      if (found != shown->ranges.end() && found->second.maximum > found->second.minimum) {
        return found->second;
      }
    }
    return {property, channel->min_value, channel->max_value};
  }
  long Default(int property, GstColorBalanceChannel* channel) {
    if (auto* defaults = AttachedData<PropertyDefaults>(camera_.get(), kDefaultsKey)) {
      auto found = defaults->values.find(property);
      if (found != defaults->values.end()) return found->second;
    }
    return (channel->min_value + channel->max_value) / 2;
  }

  GstPtr<GstElement> camera_;
  GstPtr<GstElement> balance_;
};

}  // namespace

void RecordPictureDefaults(GstElement* camera) {
  if (!GST_IS_BIN(camera)) return;
  // A V4L2 camera's defaults are its driver's: what it was left at by its last user is no default.
  GstPtr<GstElement> source(gst_bin_get_by_name(GST_BIN(camera), kSourceName));
  if (IsV4l2Source(source.get())) return;
  GstPtr<GstElement> balance(gst_bin_get_by_interface(GST_BIN(camera), GST_TYPE_COLOR_BALANCE));
  auto defaults = std::make_unique<PropertyDefaults>();
  if (balance != nullptr) {
    GstColorBalance* colorBalance = GST_COLOR_BALANCE(balance.get());
    for (const GList* item = gst_color_balance_list_channels(colorBalance); item;
         item = item->next) {
      auto* channel = static_cast<GstColorBalanceChannel*>(item->data);
      const int property = PropertyOfChannel(channel->label);
      if (property >= 0) {
        defaults->values[property] = gst_color_balance_get_value(colorBalance, channel);
      }
    }
  }
  AttachData(camera, kDefaultsKey, std::move(defaults));
}

void SetShownPictureRanges(GstElement* camera, std::initializer_list<ShownPictureRange> ranges) {
  auto shown = std::make_unique<ShownRanges>();
  for (const ShownPictureRange& range : ranges) shown->ranges[range.property] = range;
  AttachData(camera, kShownRangesKey, std::move(shown));
}

std::shared_ptr<ProcAmp> MakePictureControls(GstElement* camera) {
  return MakePictureControls(camera, SystemV4l2Driver());
}

std::shared_ptr<ProcAmp> MakePictureControls(GstElement* camera, V4l2Driver& driver) {
  if (!GST_IS_BIN(camera)) return nullptr;
  GstPtr<GstElement> source(gst_bin_get_by_name(GST_BIN(camera), kSourceName));
  if (IsV4l2Source(source.get())) return MakeV4l2ProcAmp(driver, DeviceOfSource(std::move(source)));
  GstPtr<GstElement> balance(gst_bin_get_by_interface(GST_BIN(camera), GST_TYPE_COLOR_BALANCE));
  if (balance == nullptr) return nullptr;
  return std::make_shared<ColorBalanceProcAmp>(Retain(camera), std::move(balance));
}

}  // namespace tavo::media
