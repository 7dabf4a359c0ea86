// Media types <-> caps, with GStreamer initialised but no element made.
#include "media/gstcaps.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tavo::media {
namespace {

class GstCapsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { gst_init(nullptr, nullptr); }

  static std::string Text(const CapsPtr& caps) {
    if (caps == nullptr) return "(none)";
    const GCharPtr text(gst_caps_to_string(caps.get()));
    return text.get();
  }
  static CapsPtr Parse(const char* text) { return CapsPtr(gst_caps_from_string(text)); }
};

TEST_F(GstCapsTest, MediaTypesBecomeCapsWithOnlyTheFieldsTheyFix) {
  struct Case {
    MediaType type;
    const char* caps;
  };
  const Case cases[] = {
      {{kMajorTypeVideo, kSubtypeRGB24, 320, 240, 24},
       "video/x-raw, format=(string)BGR, width=(int)320, height=(int)240"},
      // Bottom-up rows are no different picture.
      {{kMajorTypeVideo, "YUY2", 640, -480, 16},
       "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480"},
      {{kMajorTypeVideo, "I420", 0, 0, 12}, "video/x-raw, format=(string)I420"},
      {{kMajorTypeVideo, "MJPG", 1280, 0, 24}, "image/jpeg, width=(int)1280"},
      {{kMajorTypeVideo, "NOPE", 320, 240, 24}, "(none)"},
      {{"Audio", "PCM", 0, 0, 16}, "(none)"},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(MediaTypeToCaps(c.type)), c.caps) << c.type.subtype;
}

TEST_F(GstCapsTest, CapsBecomeOneMediaTypePerStructureAndFormat) {
  const CapsPtr caps = Parse(
      "video/x-raw,format={YUY2,BGR},width=640,height=480; image/jpeg,width=320,height=240; "
      "video/x-raw,format=I420,width=[1,100]; audio/x-raw,rate=8000");
  const std::vector<MediaType> expected = {
      {kMajorTypeVideo, "YUY2", 640, 480, 16, 0, 614400},
      {kMajorTypeVideo, kSubtypeRGB24, 640, 480, 24, 0, 921600},
      {kMajorTypeVideo, "MJPG", 320, 240, 24, 0, 0},
      {kMajorTypeVideo, "I420", 0, 0, 12, 0, 0},  // a range is no size
      {"audio/x-raw", "", 0, 0, 0, 0, 0},
  };
  EXPECT_EQ(CapsToMediaTypes(caps.get()), expected);
  EXPECT_TRUE(CapsToMediaTypes(nullptr).empty());
  EXPECT_TRUE(CapsToMediaTypes(CapsPtr(gst_caps_new_any()).get()).empty());
}

TEST_F(GstCapsTest, ATypeSurvivesTheRoundTrip) {
  const MediaType rgb{kMajorTypeVideo, kSubtypeRGB24, 321, 240, 24, 0, 321 * 240 * 3};
  EXPECT_EQ(CapsToMediaTypes(MediaTypeToCaps(rgb).get()), std::vector<MediaType>{rgb});
}

TEST_F(GstCapsTest, LongListsAreCut) {
  CapsPtr caps(gst_caps_new_empty());
  for (int width = 1; width <= 300; ++width) {
    gst_caps_append_structure(
        caps.get(), gst_structure_new("video/x-raw", "format", G_TYPE_STRING, "BGR", "width",
                                      G_TYPE_INT, width, nullptr));
  }
  const std::vector<MediaType> types = CapsToMediaTypes(caps.get());
  ASSERT_EQ(types.size(), kMaxMediaTypes);
  EXPECT_EQ(types.back().width, int(kMaxMediaTypes));
}

TEST_F(GstCapsTest, BitCountsOfPackedAndPlanarFormats) {
  const std::pair<const char*, int> cases[] = {
      {kSubtypeRGB24, 24}, {"MJPG", 24}, {"YUY2", 16}, {"BGRx", 32},
      {"I420", 12},        {"NV12", 12}, {"GRAY8", 8}, {"NOPE", 0},
  };
  for (const auto& [subtype, bits] : cases) EXPECT_EQ(BitCountOfSubtype(subtype), bits) << subtype;
}

TEST_F(GstCapsTest, MeritMapsOntoRanksRoundingUp) {
  EXPECT_EQ(MeritToRank(0), unsigned(GST_RANK_NONE));
  EXPECT_EQ(MeritToRank(kMeritDoNotUse), unsigned(GST_RANK_NONE));
  EXPECT_EQ(MeritToRank(kMeritDoNotUse + 1), 1u);
  EXPECT_EQ(MeritToRank(0x600000), 171u);  // "normal": two thirds of primary, rounded up
  EXPECT_EQ(MeritToRank(0x800000), unsigned(GST_RANK_PRIMARY));
}

}  // namespace
}  // namespace tavo::media
