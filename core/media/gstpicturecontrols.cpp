// Picture properties of a camera: its colour balance, and the V4L2 gamma control where the
// colour balance does not list gamma.
#include <gst/video/colorbalance.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <string>

#include "gstinternal.h"

namespace tavo::media {

namespace {

// Element data: the camera's property defaults.
constexpr const char* kDefaultsKey = "tavo-defaults";

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

// The defaults of a camera's properties: the values it had when it was bound.
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

// Gamma of a V4L2 camera where its colour balance does not list it.
bool V4l2Gamma(GstElement* source, v4l2_queryctrl* query, int* setValue) {
  if (source == nullptr ||
      g_object_class_find_property(G_OBJECT_GET_CLASS(source), "device-fd") == nullptr) {
    return false;
  }
  // The source's descriptor, borrowed: the source keeps it open and closes it.
  int fd = -1;
  g_object_get(source, "device-fd", &fd, nullptr);
  if (fd < 0) return false;
  std::memset(query, 0, sizeof *query);
  query->id = V4L2_CID_GAMMA;
  if (ioctl(fd, VIDIOC_QUERYCTRL, query) != 0 || (query->flags & V4L2_CTRL_FLAG_DISABLED)) {
    return false;
  }
  if (setValue != nullptr) {
    v4l2_control control{V4L2_CID_GAMMA, *setValue};
    return ioctl(fd, VIDIOC_S_CTRL, &control) == 0;
  }
  return true;
}

class ColorBalanceProcAmp final : public ProcAmp {
 public:
  ColorBalanceProcAmp(GstPtr<GstElement> camera, GstPtr<GstElement> balance,
                      GstPtr<GstElement> source)
      : camera_(std::move(camera)), balance_(std::move(balance)), source_(std::move(source)) {}

  Status GetRange(int property, PropertyRange& range) override {
    if (GstColorBalanceChannel* channel = FindChannel(Balance(), property)) {
      range.minimum = channel->min_value;
      range.maximum = channel->max_value;
      range.step = 1;
      range.defaultValue = Default(property, channel);
      range.capsFlags = kPropertyFlagsManual;
      return Status::Ok;
    }
    v4l2_queryctrl query;
    if (property == kPropertyGamma && V4l2Gamma(source_.get(), &query, nullptr)) {
      range = {query.minimum, query.maximum, std::max(1, query.step), query.default_value,
               kPropertyFlagsManual};
      return Status::Ok;
    }
    return Status::Fail;
  }

  Status Set(int property, long value, long /*flags*/) override {
    if (GstColorBalanceChannel* channel = FindChannel(Balance(), property)) {
      const long clamped = std::clamp<long>(value, channel->min_value, channel->max_value);
      gst_color_balance_set_value(Balance(), channel, static_cast<gint>(clamped));
      return Status::Ok;
    }
    v4l2_queryctrl query;
    int wanted = static_cast<int>(value);
    if (property == kPropertyGamma && V4l2Gamma(source_.get(), &query, &wanted)) return Status::Ok;
    return Status::Fail;
  }

 private:
  GstColorBalance* Balance() const { return GST_COLOR_BALANCE(balance_.get()); }
  long Default(int property, GstColorBalanceChannel* channel) {
    if (auto* defaults = AttachedData<PropertyDefaults>(camera_.get(), kDefaultsKey)) {
      auto found = defaults->values.find(property);
      if (found != defaults->values.end()) return found->second;
    }
    return (channel->min_value + channel->max_value) / 2;
  }

  GstPtr<GstElement> camera_;
  GstPtr<GstElement> balance_;
  GstPtr<GstElement> source_;
};

}  // namespace

void RecordPictureDefaults(GstElement* camera) {
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

std::shared_ptr<ProcAmp> MakePictureControls(GstElement* camera) {
  if (!GST_IS_BIN(camera)) return nullptr;
  GstPtr<GstElement> balance(gst_bin_get_by_interface(GST_BIN(camera), GST_TYPE_COLOR_BALANCE));
  if (balance == nullptr) return nullptr;
  GstPtr<GstElement> source(gst_bin_get_by_name(GST_BIN(camera), kSourceName));
  return std::make_shared<ColorBalanceProcAmp>(Retain(camera), std::move(balance),
                                               std::move(source));
}

}  // namespace tavo::media
