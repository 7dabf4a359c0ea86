// Owning pointers for GStreamer objects: each holds one reference and drops it when it goes.
#pragma once

#include <gst/gst.h>

#include <memory>

namespace tavo::media {

struct GstObjectUnref {
  void operator()(gpointer object) const {
    if (object != nullptr) gst_object_unref(object);
  }
};
struct GstCapsUnref {
  void operator()(GstCaps* caps) const {
    if (caps != nullptr) gst_caps_unref(caps);
  }
};
struct GstSampleUnref {
  void operator()(GstSample* sample) const {
    if (sample != nullptr) gst_sample_unref(sample);
  }
};
struct GstIteratorFree {
  void operator()(GstIterator* iterator) const {
    if (iterator != nullptr) gst_iterator_free(iterator);
  }
};

template <typename T>
using GstPtr = std::unique_ptr<T, GstObjectUnref>;
using CapsPtr = std::unique_ptr<GstCaps, GstCapsUnref>;
using SamplePtr = std::unique_ptr<GstSample, GstSampleUnref>;
using IteratorPtr = std::unique_ptr<GstIterator, GstIteratorFree>;

// Takes an extra reference on `object` (which may be null).
template <typename T>
GstPtr<T> Retain(T* object) {
  if (object != nullptr) gst_object_ref(object);
  return GstPtr<T>(object);
}

}  // namespace tavo::media
