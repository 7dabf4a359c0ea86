// Owners for GStreamer and GLib handles: each holds one reference (or one allocation) and drops it
// when it goes, so no path out of a function has to remember what to release.
#pragma once

#include <gst/gst.h>

#include <memory>

namespace tavo::media {

struct GstObjectUnref {
  void operator()(gpointer object) const noexcept {
    if (object != nullptr) gst_object_unref(object);
  }
};
struct GstCapsUnref {
  void operator()(GstCaps* caps) const noexcept {
    if (caps != nullptr) gst_caps_unref(caps);
  }
};
struct GstSampleUnref {
  void operator()(GstSample* sample) const noexcept {
    if (sample != nullptr) gst_sample_unref(sample);
  }
};
struct GstMessageUnref {
  void operator()(GstMessage* message) const noexcept {
    if (message != nullptr) gst_message_unref(message);
  }
};
struct GstIteratorFree {
  void operator()(GstIterator* iterator) const noexcept {
    if (iterator != nullptr) gst_iterator_free(iterator);
  }
};
struct GstFeatureListFree {
  void operator()(GList* features) const noexcept { gst_plugin_feature_list_free(features); }
};
struct GListFree {
  void operator()(GList* list) const noexcept { g_list_free(list); }
};
struct GFreeDeleter {
  void operator()(gpointer memory) const noexcept { g_free(memory); }
};
struct GErrorFree {
  void operator()(GError* error) const noexcept {
    if (error != nullptr) g_error_free(error);
  }
};

template <typename T>
using GstPtr = std::unique_ptr<T, GstObjectUnref>;
using CapsPtr = std::unique_ptr<GstCaps, GstCapsUnref>;
using SamplePtr = std::unique_ptr<GstSample, GstSampleUnref>;
using MessagePtr = std::unique_ptr<GstMessage, GstMessageUnref>;
using IteratorPtr = std::unique_ptr<GstIterator, GstIteratorFree>;
// The cells of a list whose items someone else releases.
using ListPtr = std::unique_ptr<GList, GListFree>;
// A list of plugin features, each holding a reference (gst_registry_feature_filter and the like).
using FeatureListPtr = std::unique_ptr<GList, GstFeatureListFree>;
// A string GLib allocated for us (g_strescape, gst_device_get_display_name...).
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;
using ErrorPtr = std::unique_ptr<GError, GErrorFree>;

// Takes an extra reference on `object` (which may be null).
template <typename T>
GstPtr<T> Retain(T* object) {
  if (object != nullptr) gst_object_ref(object);
  return GstPtr<T>(object);
}

// Owns what a factory returned with a floating reference (gst_element_factory_make, gst_bin_new,
// gst_parse_launch...): sinks it, so the owner holds a real one. `object` may be null.
template <typename T>
GstPtr<T> AdoptFloating(T* object) {
  if (object != nullptr) gst_object_ref_sink(object);
  return GstPtr<T>(object);
}

// Hands `data` to `object` under `key`: the object deletes it when it goes or the key is set
// again. Returns the data, which lives as long as the object holds it.
template <typename T>
T* AttachData(gpointer object, const char* key, std::unique_ptr<T> data) {
  T* raw = data.release();
  g_object_set_data_full(G_OBJECT(object), key, raw,
                         [](gpointer attached) noexcept { delete static_cast<T*>(attached); });
  return raw;
}

// The data attached under `key` (borrowed), or none.
template <typename T>
T* AttachedData(gpointer object, const char* key) {
  return static_cast<T*>(g_object_get_data(G_OBJECT(object), key));
}

// A GValue that is unset when it goes, whatever it holds by then.
class ScopedValue {
 public:
  ScopedValue() = default;
  ~ScopedValue() {
    if (G_IS_VALUE(&value_)) g_value_unset(&value_);
  }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;

  GValue* get() { return &value_; }
  // Lets go of what the value holds (a reference, a copy) and keeps its type, ready to be filled
  // again.
  void Reset() {
    if (G_IS_VALUE(&value_)) g_value_reset(&value_);
  }

 private:
  GValue value_ = G_VALUE_INIT;
};

}  // namespace tavo::media
