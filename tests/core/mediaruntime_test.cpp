#include "mediaruntime.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace tavo {
namespace {

TEST(MediaRuntime, CompleteRuntimeAnswersAboveTheThreshold) {
  EXPECT_EQ(GetDirectXVersion(), kMediaRuntimeComplete);
  EXPECT_GE(GetDirectXVersion(), kMediaRuntimeMinimum);
}

TEST(MediaRuntime, AnyMissingElementAnswersZero) {
  std::vector<std::string_view> elements(RequiredMediaElements().begin(),
                                         RequiredMediaElements().end());
  elements.push_back("tavo-no-such-element");
  EXPECT_EQ(GetDirectXVersion(elements), kMediaRuntimeMissing);
  // Names that are plugin features but no elements (a type finder) do not count either.
  EXPECT_EQ(GetDirectXVersion(std::vector<std::string_view>{"image/jpeg"}), kMediaRuntimeMissing);
}

TEST(MediaRuntime, ElementRemovedFromTheRegistryIsNoticed) {
  ASSERT_EQ(GetDirectXVersion(), kMediaRuntimeComplete);
  GstRegistry* registry = gst_registry_get();
  GstPluginFeature* feature = gst_registry_lookup_feature(registry, "videobalance");
  ASSERT_NE(feature, nullptr);
  gst_registry_remove_feature(registry, feature);
  EXPECT_EQ(GetDirectXVersion(), kMediaRuntimeMissing);
  gst_registry_add_feature(registry, feature);  // takes the reference back
  EXPECT_EQ(GetDirectXVersion(), kMediaRuntimeComplete);
}

}  // namespace
}  // namespace tavo
