// The picture controls with TavoPreview's ids, messages and key on the simulated platform: what
// the first run stores, the selection band, and the values kept in the right order.
#include "picturecontrols.h"

#include <gtest/gtest.h>

#include <QObject>
#include <filesystem>
#include <string>
#include <vector>

#include "capturegraph.h"
#include "mail_test_folder.h"
#include "media/simulatedplatform.h"
#include "sim_camera.h"
#include "test_application.h"

namespace tavo {
namespace {

constexpr const char* kPreviewKey = "Software\\Kolbrant\\TavoPreview_Info";
constexpr int kResetFailed = 3082;
constexpr int kFirstRunResetFailed = 3018;

// Only the two messages of the controls; the capture graph's own are empty texts here.
constexpr StringEntry kEntries[] = {
    {kResetFailed, "", "reset failed", ""},
    {kFirstRunResetFailed, "", "first-run reset failed", ""},
};

media::SimDevice Camera(bool properties = true) {
  const media::SimDevice device = testing::SimCamera("TAVO USB Pc Camera");
  return properties ? testing::WithPictureProperties(device, 49) : testing::WithoutProcAmp(device);
}

class PictureControlsTest : public ::testing::Test {
 protected:
  // Posted events need an application object.
  static void SetUpTestSuite() { testing::EnsureApplication(); }

  // TavoPreview's sliders 1007-1009 and labels 1011-1013.
  static PictureControlsSetup PreviewSetup() {
    return {{1007, 1011}, {1008, 1012}, {1009, 1013},
            kPreviewKey,  kResetFailed, kFirstRunResetFailed};
  }

  bool Build(bool properties = true) {
    platform.devices = {Camera(properties)};
    graph.EnumerateDevices();
    graph.SelectDevice(0);
    graph.SetCaptureFormat(media::kSubtypeRGB24, 320, 240, 24);
    const WindowRect rect{0, 0, 320, 240};
    graph.SetVideoWindow(&owner, &rect);
    graph.SetFrameTarget(&owner);
    return graph.Build() != 0;
  }

  std::uint32_t Stored(const std::string& name) {
    RegistryKey key(root);
    std::uint32_t value = 0xdeadbeef;
    EXPECT_TRUE(key.Open(root, kPreviewKey));
    EXPECT_TRUE(key.ReadNumber(name, value)) << name;
    return value;
  }
  bool Shown(const std::string& text) const {
    for (const auto& box : boxes.boxes) {
      if (box.text == text) return true;
    }
    return false;
  }

  testing::MailTestFolder folder;
  RegistryRoot root{(folder.path() / "settings.sqlite").string()};
  media::SimulatedPlatform platform;
  RecordingMessageBoxes boxes;
  StringTable strings{kEntries, Language::English};
  CaptureGraph graph{platform, boxes, strings, 0};
  QObject owner;
  PictureControls controls{graph, boxes, strings, PreviewSetup()};
};

TEST(SliderBand, FiftyEitherSideFromFiftyOnAndThreeBelow) {
  struct Case {
    int centre, start, end;
  } cases[] = {{100, 50, 150}, {50, 0, 100}, {49, 46, 52}, {0, -3, 3}, {-10, -13, -7}};
  for (const Case& c : cases) {
    const SliderModel model = BandedSlider(-100, 200, c.centre);
    EXPECT_EQ(model.position, c.centre);
    EXPECT_EQ(model.selectionStart, c.start) << c.centre;
    EXPECT_EQ(model.selectionEnd, c.end) << c.centre;
    EXPECT_EQ(model.minimum, -100);
    EXPECT_EQ(model.maximum, 200);
  }
}

TEST(DecimalOf, ReadsAsTheCLibraryDoesThroughATenByteBuffer) {
  EXPECT_EQ(DecimalOf("40"), 40);
  EXPECT_EQ(DecimalOf("-100"), -100);
  EXPECT_EQ(DecimalOf(""), 0);
  EXPECT_EQ(DecimalOf("12abc"), 12);
  EXPECT_EQ(DecimalOf("-294967296"), -29496729);  // only nine characters are read
}

TEST_F(PictureControlsTest, FirstRunStoresTheCameraDefaultsUnderTheProgramsKey) {
  ASSERT_TRUE(Build());
  ASSERT_TRUE(controls.ResetForFirstRun());
  ASSERT_TRUE(controls.StoreDefaults(root));
  EXPECT_EQ(Stored("Bright"), 10u);
  EXPECT_EQ(Stored("Saturation"), 49u);
  EXPECT_EQ(Stored("Contrast"), 100u);
  // The program's own sliders and labels show the defaults; the other program's ids are unknown.
  ASSERT_NE(controls.slider(1008), nullptr);
  EXPECT_EQ(controls.slider(1008)->position, 49);
  EXPECT_EQ(controls.slider(1008)->selectionStart, 46);  // below 50: three either side
  EXPECT_EQ(controls.slider(1009)->selectionEnd, 150);
  EXPECT_EQ(controls.FieldText(1011), "10");
  EXPECT_EQ(controls.FieldText(1013), "100");
  EXPECT_EQ(controls.slider(1004), nullptr);
  EXPECT_EQ(controls.FieldText(1009), "");
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PictureControlsTest, ACameraWithoutPictureControlStoresZerosOverEarlierRanges) {
  ASSERT_TRUE(Build());
  controls.Refresh();
  graph.Close();
  ASSERT_TRUE(Build(false));
  EXPECT_FALSE(controls.ResetForFirstRun());
  EXPECT_TRUE(Shown("first-run reset failed"));
  ASSERT_TRUE(controls.StoreDefaults(root));
  EXPECT_EQ(Stored("Bright"), 0u);
  EXPECT_EQ(Stored("Contrast"), 0u);
  // The sliders keep what the earlier camera gave them.
  EXPECT_EQ(controls.slider(1009)->position, 100);
}

TEST_F(PictureControlsTest, StoredValuesAreAppliedAndWrittenInBrightSaturationContrastOrder) {
  ASSERT_TRUE(Build());
  controls.Refresh();
  platform.propertyWrites.clear();
  controls.Apply({40, 150, 60});
  ASSERT_EQ(platform.propertyWrites.size(), 3u);
  EXPECT_EQ(platform.propertyWrites[0].property, media::kPropertyBrightness);
  EXPECT_EQ(platform.propertyWrites[1].property, media::kPropertySaturation);
  EXPECT_EQ(platform.propertyWrites[2].value, 60);
  EXPECT_EQ(platform.propertyWrites[2].property, media::kPropertyContrast);
  EXPECT_EQ(controls.FieldText(1012), "150");
  EXPECT_EQ(controls.slider(1009)->position, 60);

  // A slider move is held to its range, and what the fields show is what is stored.
  EXPECT_TRUE(controls.Move(1007, 500));
  EXPECT_EQ(controls.FieldText(1011), "100");
  EXPECT_EQ(platform.propertyWrites.back().value, 100);
  EXPECT_FALSE(controls.Move(1004, 5));
  ASSERT_TRUE(controls.StoreValues(root));
  EXPECT_EQ(Stored("Bright"), 100u);
  EXPECT_EQ(Stored("Saturation"), 150u);
  EXPECT_EQ(Stored("Contrast"), 60u);

  RegistryKey key(root);
  ASSERT_TRUE(key.Open(root, kPreviewKey));
  PictureValues read{};
  EXPECT_TRUE(PictureControls::ReadValues(key, read));
  EXPECT_EQ(read, (PictureValues{100, 150, 60}));
}

TEST_F(PictureControlsTest, FieldsThatNeverShowedAValueAreNotStored) {
  {
    RegistryKey key(root);
    ASSERT_TRUE(key.CreateKey(root, kPreviewKey));
    ASSERT_TRUE(key.WriteNumber("Bright", 70));
    ASSERT_TRUE(key.WriteNumber("Saturation", 71));
  }
  // No camera was read: the stored values stay rather than becoming 0.
  std::vector<RegistryKey::ValueInfo> batch;
  EXPECT_FALSE(controls.AddValues(batch));
  EXPECT_TRUE(batch.empty());
  ASSERT_TRUE(controls.StoreValues(root));
  EXPECT_EQ(Stored("Bright"), 70u);
  // Nor is an empty key made when there is none: it would only fail the next read.
  std::filesystem::remove(root.file);
  ASSERT_TRUE(controls.StoreValues(root));
  EXPECT_FALSE(std::filesystem::exists(root.file));
  {
    RegistryKey key(root);
    ASSERT_TRUE(key.CreateKey(root, kPreviewKey));
    ASSERT_TRUE(key.WriteNumber("Bright", 70));
  }

  // Once the camera took values, all three are stored.
  ASSERT_TRUE(Build());
  controls.Apply({40, 20, 60});
  EXPECT_TRUE(controls.AddValues(batch));
  EXPECT_EQ(batch.size(), 3u);
  ASSERT_TRUE(controls.StoreValues(root));
  EXPECT_EQ(Stored("Saturation"), 20u);
}

TEST_F(PictureControlsTest, SetUpPutsTheSlidersAtTheCurrentValuesAndReadBackValuesBecomeThem) {
  ASSERT_TRUE(Build());
  controls.SetUp();  // nothing current yet: the defaults
  EXPECT_EQ(controls.slider(1007)->position, 10);
  EXPECT_EQ(controls.FieldText(1012), "49");
  controls.Adopt({60, 120, 300});
  EXPECT_TRUE(platform.propertyWrites.empty());  // read back, not applied
  EXPECT_EQ(controls.slider(1007)->position, 10);
  controls.SetUp();
  EXPECT_EQ(controls.slider(1007)->position, 60);
  EXPECT_EQ(controls.slider(1007)->selectionStart, 10);
  EXPECT_EQ(controls.slider(1008)->selectionEnd, 170);
  // A value beyond the camera's range: the slider stands at its end, the label tells the value.
  EXPECT_EQ(controls.slider(1009)->position, 200);
  EXPECT_EQ(controls.slider(1009)->selectionStart, 150);
  EXPECT_EQ(controls.FieldText(1013), "300");
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PictureControlsTest, AReadStopsAtTheFirstMissingValue) {
  RegistryKey key(root);
  ASSERT_TRUE(key.CreateKey(root, kPreviewKey));
  ASSERT_TRUE(key.WriteNumber("Bright", 7));
  ASSERT_TRUE(key.WriteNumber("Contrast", 9));
  PictureValues read{1, 1, 1};
  EXPECT_FALSE(PictureControls::ReadValues(key, read));
  EXPECT_EQ(read, (PictureValues{7, 1, 1}));
}

TEST_F(PictureControlsTest, DisplayTypeButtonsResetAndTheLcdOneLowersGamma) {
  EXPECT_FALSE(controls.ResetDisplayType(true));  // no graph: nothing at all
  EXPECT_TRUE(platform.propertyWrites.empty());
  EXPECT_TRUE(boxes.boxes.empty());

  ASSERT_TRUE(Build());
  controls.Refresh();
  controls.Move(1008, 150);
  EXPECT_TRUE(controls.ResetDisplayType(false));
  EXPECT_EQ(controls.slider(1008)->position, 49);
  EXPECT_EQ(platform.propertyWrites.back().property, media::kPropertyGamma);
  EXPECT_EQ(platform.propertyWrites.back().value, 5);  // the CRT one leaves gamma at its default
  EXPECT_TRUE(controls.ResetDisplayType(true));
  EXPECT_EQ(platform.propertyWrites.back().property, media::kPropertyGamma);
  EXPECT_EQ(platform.propertyWrites.back().value, 4);
  EXPECT_TRUE(boxes.boxes.empty());

  graph.Close();
  ASSERT_TRUE(Build(false));
  EXPECT_FALSE(controls.ResetDisplayType(false));
  EXPECT_TRUE(Shown("reset failed"));
  EXPECT_EQ(controls.slider(1008)->position, 49);
}

}  // namespace
}  // namespace tavo
