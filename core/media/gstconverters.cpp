// The converter search of the GStreamer platform: element factories that turn one video format
// into another, found in the registry by rank and caps.
#include <cstring>

#include "gstcaps.h"
#include "gstinternal.h"

namespace tavo::media {

namespace {

struct ConverterFilter {
  unsigned minimumRank;
};

gboolean IsConverter(GstPluginFeature* feature, gpointer data) noexcept {
  if (!GST_IS_ELEMENT_FACTORY(feature)) return FALSE;
  if (gst_plugin_feature_get_rank(feature) < static_cast<ConverterFilter*>(data)->minimumRank) {
    return FALSE;
  }
  // Scalers and mixers take the same caps but cannot change the format: only colour-space
  // converters count, and decoders (a camera that sends JPEG needs one to reach RGB24).
  const char* klass =
      gst_element_factory_get_metadata(GST_ELEMENT_FACTORY(feature), GST_ELEMENT_METADATA_KLASS);
  return klass != nullptr && (std::strstr(klass, "Colorspace") || std::strstr(klass, "Decoder"));
}

gint ByRank(gconstpointer a, gconstpointer b) noexcept {
  return static_cast<gint>(gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(a))) -
         static_cast<gint>(gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(b)));
}

class FactoryMoniker final : public Moniker {
 public:
  explicit FactoryMoniker(GstPtr<GstElementFactory> factory) : factory_(std::move(factory)) {}
  Status ReadFriendlyName(std::string& name) override {
    name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory_.get()));
    return Status::Ok;
  }
  Status BindToFilter(std::shared_ptr<Filter>& filter) override {
    GstPtr<GstElement> element = AdoptFloating(gst_element_factory_create(factory_.get(), nullptr));
    if (element == nullptr) return Status::Fail;
    filter = MakeFilter(std::move(element));
    return Status::Ok;
  }

 private:
  GstPtr<GstElementFactory> factory_;
};

class GstFilterMapper final : public FilterMapper {
 public:
  Status EnumMatchingFilters(const FilterQuery& query,
                             std::unique_ptr<MonikerEnum>& filters) override {
    filters.reset();
    const CapsPtr input = MediaTypeToCaps({query.input.majorType, query.input.subtype});
    const CapsPtr output = MediaTypeToCaps({query.output.majorType, query.output.subtype});
    std::vector<std::shared_ptr<Moniker>> list;
    if (input != nullptr && output != nullptr) {
      ConverterFilter filter{MeritToRank(query.minimumMerit)};
      const FeatureListPtr features(
          gst_registry_feature_filter(gst_registry_get(), IsConverter, FALSE, &filter));
      const FeatureListPtr sinks(
          gst_element_factory_list_filter(features.get(), input.get(), GST_PAD_SINK, FALSE));
      // Lowest rank first: the graph keeps the last one it binds.
      const FeatureListPtr both(g_list_sort(
          gst_element_factory_list_filter(sinks.get(), output.get(), GST_PAD_SRC, FALSE), ByRank));
      for (GList* item = both.get(); item != nullptr; item = item->next) {
        list.push_back(
            std::make_shared<FactoryMoniker>(Retain(static_cast<GstElementFactory*>(item->data))));
      }
    }
    filters = std::make_unique<MonikerList>(std::move(list));
    return Status::Ok;
  }
};

}  // namespace

std::shared_ptr<FilterMapper> MakeFilterMapper() { return std::make_shared<GstFilterMapper>(); }

}  // namespace tavo::media
