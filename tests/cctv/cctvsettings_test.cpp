// TavoCCTV's controller and the settings it keeps, on the simulated platform: the first run,
// apply and the next start, failed loads, and the display-type buttons.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cctv_fixture.h"
#include "registrykey.h"

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;
using testing::Camera;
using testing::CctvRig;
using ::testing::ElementsAre;

class CctvSettingsTest : public ::testing::Test {
 protected:
  RegistryRoot Root() const { return {(rig.folder.path() / "settings.sqlite").string()}; }
  std::uint32_t Number(const std::string& name) {
    RegistryKey key(Root());
    std::uint32_t value = 0xdeadbeef;
    EXPECT_TRUE(key.Open(Root(), kSettingsKey));
    EXPECT_TRUE(key.ReadNumber(name, value)) << name;
    return value;
  }
  std::string Text(const std::string& name) {
    RegistryKey key(Root());
    std::string value;
    EXPECT_TRUE(key.Open(Root(), kSettingsKey));
    EXPECT_TRUE(key.ReadString(name, value)) << name;
    return value;
  }
  CctvRig rig{Language::Korean};
};

TEST_F(CctvSettingsTest, FirstRunCreatesTheKeyWithPromptsAndCameraDefaults) {
  CctvController& c = rig.Started();
  EXPECT_EQ(Text("FromMailAdd"), rig.Text(kMsgFirstSender));
  EXPECT_EQ(Text("ToMailAdd"), rig.Text(kMsgFirstRecipient));
  EXPECT_EQ(Text("Smtp"), rig.Text(kMsgFirstServer));
  EXPECT_EQ(Number("Bright"), 10u);
  EXPECT_EQ(Number("Saturation"), 80u);
  EXPECT_EQ(Number("Contrast"), 100u);
  EXPECT_EQ(Number("Sensitive"), 128u);
  EXPECT_EQ(c.MailEditText(kEditSender), rig.Text(kMsgFirstSender));
  EXPECT_EQ(c.FieldText(kFieldContrast), "100");
  const SliderModel& contrast = c.slider(kSliderContrast);
  EXPECT_EQ(contrast.minimum, 0);
  EXPECT_EQ(contrast.maximum, 200);
  EXPECT_EQ(contrast.selectionStart, 50);                   // default 100: +-50
  EXPECT_EQ(c.slider(kSliderBrightness).selectionEnd, 13);  // default 10: +-3
  EXPECT_EQ(rig.graph.runState(), 1);
  EXPECT_TRUE(rig.Messages().empty());
}

TEST_F(CctvSettingsTest, ApplyStoresWhatTheNextStartRestores) {
  {
    CctvController& c = rig.Started();
    c.OnSlider(kSliderBrightness, 40);
    EXPECT_EQ(rig.platform.propertyWrites.back().value, 40);
    c.OnSlider(kSliderSensitivity, 200);
    EXPECT_EQ(c.motion().motionThreshold(), 55);
    c.OnMailTextEdited(kEditRecipient, "me@example.test");
    c.OnButton(kButtonSetup);
    c.OnButton(kButtonApply);
    EXPECT_EQ(Number("Bright"), 40u);
    EXPECT_EQ(Number("Sensitive"), 200u);  // the position, not the threshold
    EXPECT_EQ(Text("ToMailAdd"), "me@example.test");
    c.Shutdown();
  }
  rig.platform.propertyWrites.clear();
  CctvController& c = rig.Started();
  EXPECT_EQ(c.FieldText(kFieldBrightness), "40");
  EXPECT_EQ(c.slider(kSliderBrightness).position, 40);
  EXPECT_NE(
      std::find(rig.platform.propertyWrites.begin(), rig.platform.propertyWrites.end(),
                media::PropertyWrite{media::kPropertyBrightness, 40, media::kPropertyFlagsManual}),
      rig.platform.propertyWrites.end());
  // The stored sensitivity survives the start.
  EXPECT_EQ(c.slider(kSliderSensitivity).position, 200);
  EXPECT_EQ(c.FieldText(kFieldSensitivity), "200");
  EXPECT_EQ(c.motion().motionThreshold(), 55);
  EXPECT_EQ(c.MailEditText(kEditRecipient), "me@example.test");
}

TEST_F(CctvSettingsTest, AnOverlongTextFailsTheLoadAndKeepsTheSliders) {
  rig.Started().OnSlider(kSliderContrast, 150);
  {
    RegistryKey key(Root());
    ASSERT_TRUE(key.Open(Root(), kSettingsKey));
    ASSERT_TRUE(key.WriteString("FromMailAdd", std::string(250, 'a')));
  }
  // A camera change reloads the key.
  rig.platform.devices.push_back(Camera("Second"));
  CctvController& c = *rig.controller;
  c.ChooseCamera();
  rig.boxes.boxes.clear();
  c.OnCameraSelected(1);
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgRegistryRead)));
  EXPECT_EQ(c.slider(kSliderContrast).position, 150);
  EXPECT_EQ(rig.graph.runState(), 1);  // the graph still runs
}

TEST_F(CctvSettingsTest, ApplyAfterAFailedStartOrLoadKeepsWhatThePanelNeverHeld) {
  {
    CctvController& c = rig.Started();
    c.OnSlider(kSliderBrightness, 40);
    c.OnMailTextEdited(kEditSender, "me@example.test");
    c.OnButton(kButtonSetup);
    c.OnButton(kButtonApply);
    c.Shutdown();
  }
  // A start whose graph cannot be built loads nothing: apply stores only what was typed.
  rig.platform.FailAt(media::SimStep::Render);
  {
    CctvController& c = rig.Started();
    ASSERT_EQ(rig.Messages().back(), rig.Text(kMsgPreviewFailed));
    rig.boxes.boxes.clear();
    c.OnMailTextEdited(kEditRecipient, "you@example.test");
    c.OnButton(kButtonSetup);
    c.OnButton(kButtonApply);
    EXPECT_TRUE(rig.Messages().empty());
    c.Shutdown();
  }
  EXPECT_EQ(Text("FromMailAdd"), "me@example.test");
  EXPECT_EQ(Text("ToMailAdd"), "you@example.test");
  EXPECT_EQ(Text("Smtp"), rig.Text(kMsgFirstServer));
  EXPECT_EQ(Number("Bright"), 40u);
  EXPECT_EQ(Number("Saturation"), 80u);
  EXPECT_EQ(Number("Contrast"), 100u);

  // A load that fails (an overlong stored text) leaves the addresses unloaded as well.
  {
    RegistryKey key(Root());
    ASSERT_TRUE(key.Open(Root(), kSettingsKey));
    ASSERT_TRUE(key.WriteString("Smtp", std::string(250, 's')));
  }
  rig.platform.Heal();
  rig.boxes.boxes.clear();
  CctvController& c = rig.Started();
  ASSERT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgRegistryRead)));
  c.OnButton(kButtonSetup);
  c.OnButton(kButtonApply);
  EXPECT_EQ(Text("FromMailAdd"), "me@example.test");
  EXPECT_EQ(Number("Bright"), 40u);
}

TEST_F(CctvSettingsTest, ApplyTellsWhenTheStoreCannotBeWritten) {
  CctvController& c = rig.Started();
  rig.boxes.boxes.clear();
  // The store's file replaced by a folder: nothing can open it.
  fs::remove(Root().file);
  fs::create_directory(Root().file);
  c.OnButton(kButtonSetup);
  c.OnButton(kButtonApply);
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgSettingsNotStored)));
}

TEST_F(CctvSettingsTest, ApplyWithoutAKeyAndWithoutPictureValuesMakesNoKey) {
  rig.platform.FailAt(media::SimStep::Render);
  CctvController& c = rig.Started();
  rig.boxes.boxes.clear();
  c.OnMailTextEdited(kEditSender, "me@example.test");
  c.OnButton(kButtonSetup);
  c.OnButton(kButtonApply);
  // A key without "Bright" would fail every later load; the user hears it was not stored.
  EXPECT_THAT(rig.Messages(), ElementsAre(rig.Text(kMsgSettingsNotStored)));
  RegistryKey key(Root());
  EXPECT_FALSE(key.Open(Root(), kSettingsKey));
}

TEST_F(CctvSettingsTest, DisplayTypeButtonsResetThePictureAndTheSensitivity) {
  CctvController& c = rig.Started();
  c.OnButton(kButtonSetup);
  c.OnSlider(kSliderSaturation, 150);
  c.OnSlider(kSliderSensitivity, 30);
  rig.platform.propertyWrites.clear();
  c.OnButton(kButtonCrt);
  EXPECT_EQ(c.slider(kSliderSaturation).position, 80);
  EXPECT_EQ(c.slider(kSliderSensitivity).position, 128);
  EXPECT_EQ(c.motion().motionThreshold(), 128);
  EXPECT_EQ(c.FieldText(kFieldSensitivity), "128");
  c.OnButton(kButtonLcd);
  ASSERT_FALSE(rig.platform.propertyWrites.empty());
  EXPECT_EQ(rig.platform.propertyWrites.back().property, media::kPropertyGamma);
  EXPECT_EQ(rig.platform.propertyWrites.back().value, 4);
  EXPECT_TRUE(rig.Messages().empty());
}

TEST_F(CctvSettingsTest, ACameraWithoutPictureControlStillGetsACompleteKey) {
  rig.platform.devices = {Camera(kPreferredCamera, false)};
  rig.Started();
  ASSERT_FALSE(rig.Messages().empty());
  EXPECT_EQ(rig.Messages().front(), rig.Text(kMsgNoVideoReset));
  EXPECT_EQ(Number("Bright"), 0u);
  EXPECT_EQ(Number("Contrast"), 0u);
  EXPECT_EQ(Number("Sensitive"), 128u);
  // The next load reads the whole key: no registry message.
  rig.boxes.boxes.clear();
  rig.Started();
  for (const std::string& text : rig.Messages()) EXPECT_NE(text, rig.Text(kMsgRegistryRead));
}

TEST_F(CctvSettingsTest, DisplayTypeButtonsTellACameraWithoutPictureControl) {
  rig.platform.devices = {Camera(kPreferredCamera, false)};
  CctvController& again = rig.Started();
  rig.boxes.boxes.clear();
  again.OnButton(kButtonSetup);
  again.OnButton(kButtonCrt);
  EXPECT_EQ(rig.Messages().front(), rig.Text(kMsgNoVideoFeature));
}

}  // namespace
}  // namespace tavo::cctv
