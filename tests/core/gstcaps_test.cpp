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
      // No subtype: raw video, the format left open.
      {{kMajorTypeVideo, "", 320, 240, 0}, "video/x-raw, width=(int)320, height=(int)240"},
      {{kMajorTypeVideo, "MJPG", 1280, 0, 24}, "image/jpeg, width=(int)1280"},
      {{kMajorTypeVideo, "NOPE", 320, 240, 24}, "(none)"},
      {{"Audio", "PCM", 0, 0, 16}, "(none)"},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(MediaTypeToCaps(c.type)), c.caps) << c.type.subtype;
}

TEST_F(GstCapsTest, CapsBecomeOneMediaTypePerStructureAndFormat) {
  const CapsPtr caps = Parse(
      "video/x-raw,format={YUY2,BGR},width=640,height=480; image/jpeg,width=320,height=240; "
      "video/x-raw,format=I420,width=[1,100]; audio/x-raw,rate=8000; video/x-raw,width=8,height=6");
  const std::vector<MediaType> expected = {
      {kMajorTypeVideo, "YUY2", 640, 480, 16, 0, 614400},
      {kMajorTypeVideo, kSubtypeRGB24, 640, 480, 24, 0, 921600},
      {kMajorTypeVideo, "MJPG", 320, 240, 24, 0, 0},
      {kMajorTypeVideo, "I420", 0, 0, 12, 0, 0},  // a range is no size
      {"audio/x-raw", "", 0, 0, 0, 0, 0},
      {kMajorTypeVideo, "", 8, 6, 0, 0, 0},  // any format
  };
  EXPECT_EQ(CapsToMediaTypes(caps.get()), expected);
  EXPECT_TRUE(CapsToMediaTypes(nullptr).empty());
  EXPECT_TRUE(CapsToMediaTypes(CapsPtr(gst_caps_new_any()).get()).empty());
}

TEST_F(GstCapsTest, ATypeSurvivesTheRoundTrip) {
  const MediaType rgb{kMajorTypeVideo, kSubtypeRGB24, 321, 240, 24, 0, 321 * 240 * 3};
  EXPECT_EQ(CapsToMediaTypes(MediaTypeToCaps(rgb).get()), std::vector<MediaType>{rgb});
  const MediaType anyRaw{kMajorTypeVideo, "", 320, 240, 0, 0, 0};
  EXPECT_EQ(CapsToMediaTypes(MediaTypeToCaps(anyRaw).get()), std::vector<MediaType>{anyRaw});
}

// ---- a camera's formats ----

// What jpegdec puts out for a camera's Motion-JPEG.
constexpr const char* kDecoded =
    "video/x-raw,format=I420,width=[1,2147483647],height=[1,2147483647],"
    "framerate=[0/1,2147483647/1]";

class CameraFormatTest : public GstCapsTest {
 protected:
  static bool Offers(const CapsPtr& caps, const char* type) {
    return caps != nullptr && gst_caps_can_intersect(caps.get(), Parse(type).get());
  }
  // The choice for `wanted`, written "source -> output" ("-decode->" when it decodes), or
  // "(none)".
  static std::string Choice(const char* device, const char* wanted,
                            const char* decoded = kDecoded) {
    const CameraFormat format = ChooseCameraFormat(
        Parse(device).get(), decoded ? Parse(decoded).get() : nullptr, Parse(wanted).get());
    if (format.source == nullptr) return "(none)";
    return Text(format.source) + (format.decode ? " -decode-> " : " -> ") + Text(format.output);
  }
  // "name, format=(string)F, width=(int)W, height=(int)H", the format left out when empty.
  static std::string Fixed(const char* name, const char* format, int width, int height) {
    return std::string(name) + (*format ? std::string(", format=(string)") + format : "") +
           ", width=(int)" + std::to_string(width) + ", height=(int)" + std::to_string(height);
  }
  static std::string Raw(const char* format, int width, int height) {
    const std::string raw = Fixed("video/x-raw", format, width, height);
    return raw + " -> " + raw;
  }
  static std::string Decoded(int width, int height) {
    return Fixed("image/jpeg", "", width, height) + " -decode-> " +
           Fixed("video/x-raw", "I420", width, height);
  }
};

// The graph asks a camera for RGB24 at the size it wants, and when refused for raw video in any
// format at that size (the "any" rows), then puts a converter behind it.
TEST_F(CameraFormatTest, EachWantedTypeComesFromTheBestFormatTheCameraHasAtThatSize) {
  constexpr const char* kRawOnly =
      "video/x-raw,format=YUY2,width=640,height=480,framerate={30/1,15/1}; "
      "video/x-raw,format=YUY2,width=320,height=240,framerate=30/1";
  constexpr const char* kJpegOnly =
      "image/jpeg,width=640,height=480,framerate=30/1; image/jpeg,width=320,height=240";
  constexpr const char* kBothAtOneSize =
      "video/x-raw,format=YUY2,width=320,height=240; image/jpeg,width=320,height=240";
  // The usual webcam: raw video at the largest size, the smaller ones as Motion-JPEG only.
  constexpr const char* kJpegElsewhere =
      "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1; "
      "image/jpeg,width=640,height=480,framerate=30/1; "
      "image/jpeg,width=320,height=240,framerate={30/1,15/1}";
  constexpr const char* kRawFormatsBySize =
      "video/x-raw,format=YUY2,width=640,height=480; video/x-raw,format=NV12,width=320,height=240";
  constexpr const char* kRanges =
      "video/x-raw,format=YUY2,width=[160,320],height=[120,240],framerate=[1/1,30/1]; "
      "image/jpeg,width=[160,1280],height=[120,720],framerate=[1/1,30/1]";
  constexpr const char* kLists =
      "video/x-raw,format={NV12,YUY2},width=640,height=480,framerate={30/1,5/1}; "
      "image/jpeg,width={320,160},height={240,120},framerate={30/1,5/1}";
  constexpr const char* kRgb24At320 = "video/x-raw,format=BGR,width=320,height=240";
  constexpr const char* kAnyAt320 = "video/x-raw,width=320,height=240";
  constexpr const char* kAnyAt640 = "video/x-raw,width=640,height=480";
  constexpr const char* kAnyAt160 = "video/x-raw,width=160,height=120";

  struct Case {
    const char* device;
    const char* wanted;
    std::string choice;
  };
  const Case cases[] = {
      // Raw only: the camera's own format; RGB24 is the converter's to make.
      {kRawOnly, kRgb24At320, "(none)"},
      {kRawOnly, kAnyAt320, Raw("YUY2", 320, 240)},
      {kRawOnly, kAnyAt160, "(none)"},
      // Motion-JPEG only: decoded to what the decoder gives, nothing else.
      {kJpegOnly, kRgb24At320, "(none)"},
      {kJpegOnly, kAnyAt320, Decoded(320, 240)},
      {kJpegOnly, "video/x-raw,format=I420,width=640,height=480", Decoded(640, 480)},
      {kJpegOnly, "video/x-raw,format=YUY2,width=320,height=240", "(none)"},
      {kJpegOnly, kAnyAt160, "(none)"},
      // Asked for as such, Motion-JPEG is left to a converter.
      {kJpegOnly, "image/jpeg,width=320,height=240",
       Fixed("image/jpeg", "", 320, 240) + " -> " + Fixed("image/jpeg", "", 320, 240)},
      // Both at one size: raw, which costs no decoding.
      {kBothAtOneSize, kAnyAt320, Raw("YUY2", 320, 240)},
      {kBothAtOneSize, "video/x-raw,format=I420,width=320,height=240", "(none)"},
      // Motion-JPEG only at the size asked for: decoded there, raw where the camera has raw.
      {kJpegElsewhere, kAnyAt320, Decoded(320, 240)},
      {kJpegElsewhere, kAnyAt640, Raw("YUY2", 640, 480)},
      {kJpegElsewhere, kRgb24At320, "(none)"},
      // A raw format that has the size, though not the camera's first.
      {kRawFormatsBySize, kAnyAt320, Raw("NV12", 320, 240)},
      {kRawFormatsBySize, kAnyAt640, Raw("YUY2", 640, 480)},
      // Ranges of sizes: raw inside its range, decoded beyond it, nothing beyond both.
      {kRanges, kAnyAt320, Raw("YUY2", 320, 240)},
      {kRanges, "video/x-raw,width=200,height=150", Raw("YUY2", 200, 150)},
      {kRanges, kAnyAt640, Decoded(640, 480)},
      {kRanges, "video/x-raw,width=1281,height=720", "(none)"},
      // Lists of formats, sizes and frame rates: the first format; the rate is the source's.
      {kLists, kAnyAt640, Raw("NV12", 640, 480)},
      {kLists, kAnyAt320, Decoded(320, 240)},
      {kLists, kAnyAt160, Decoded(160, 120)},
      {kLists, "video/x-raw,width=320,height=120", Decoded(320, 120)},  // lists cross
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Choice(c.device, c.wanted), c.choice) << c.device << " / " << c.wanted;
  }
}

TEST_F(CameraFormatTest, WithoutADecoderMotionJpegStaysMotionJpeg) {
  constexpr const char* kJpegOnly = "image/jpeg,width=320,height=240";
  EXPECT_EQ(Choice(kJpegOnly, "video/x-raw,width=320,height=240", nullptr), "(none)");
  EXPECT_EQ(Choice(kJpegOnly, "image/jpeg,width=320,height=240", nullptr),
            "image/jpeg, width=(int)320, height=(int)240 -> image/jpeg, width=(int)320, "
            "height=(int)240");
  const CapsPtr device = Parse(kJpegOnly);
  const CapsPtr output = CameraOutputCaps(device.get(), nullptr);
  EXPECT_TRUE(gst_caps_is_equal(output.get(), device.get())) << Text(output);
}

TEST_F(CameraFormatTest, OutputOffersRawFirstThenDecodedSizesThenTheMotionJpeg) {
  const CapsPtr device = Parse(
      "image/jpeg,width=320,height=240,framerate={30/1,15/1}; "
      "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1; "
      "image/jpeg,width=640,height=480,framerate=30/1; audio/x-raw");
  const CapsPtr output = CameraOutputCaps(device.get(), Parse(kDecoded).get());
  ASSERT_NE(output, nullptr);
  std::vector<std::string> names;
  for (guint i = 0; i < gst_caps_get_size(output.get()); ++i) {
    const GstStructure* structure = gst_caps_get_structure(output.get(), i);
    names.push_back(
        gst_structure_get_name(structure) +
        std::string(gst_structure_has_field(structure, "format") &&
                            G_VALUE_HOLDS_STRING(gst_structure_get_value(structure, "format"))
                        ? "/" + std::string(gst_structure_get_string(structure, "format"))
                        : ""));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"video/x-raw/YUY2", "video/x-raw/I420", "image/jpeg",
                                             "image/jpeg", "audio/x-raw"}));
  // Decoded where only Motion-JPEG has the size, at its frame rates.
  EXPECT_TRUE(Offers(output, "video/x-raw,format=I420,width=320,height=240,framerate=15/1"));
  EXPECT_FALSE(Offers(output, "video/x-raw,format=I420,width=320,height=240,framerate=25/1"));
  // Not where raw video has it, nor in a format the decoder does not give.
  EXPECT_FALSE(Offers(output, "video/x-raw,format=I420,width=640,height=480"));
  EXPECT_FALSE(Offers(output, "video/x-raw,format=BGR,width=320,height=240"));
  EXPECT_TRUE(Offers(output, "image/jpeg,width=640,height=480"));

  EXPECT_EQ(CameraOutputCaps(nullptr, Parse(kDecoded).get()), nullptr);
  EXPECT_TRUE(gst_caps_is_any(CameraOutputCaps(CapsPtr(gst_caps_new_any()).get(), nullptr).get()));
  EXPECT_EQ(Choice("image/jpeg,width=320,height=240", "(none)"), "(none)");  // wanted: bad caps
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
