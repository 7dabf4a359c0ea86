#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "cctvstrings.h"
#include "mail/alertmail.h"
#include "mail/mailalerts.h"
#include "mail/mailstrings.h"
#include "mail_results.h"
#include "mail_test_folder.h"
#include "recordingstore.h"

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;

struct QuietWindow final : AlertMailWindow {
  std::string MailEditText(int id) const override {
    return id == kEditSmtpServer ? "smtp.example.test" : "cam@example.test";
  }
  bool MailBoxShown() const override { return true; }
  void SwitchMailAlertsOff() override {}
};

struct FakeTransport final : MailTransport {
  int Deliver(const MailMessage& message, const CancelSignal&) override {
    delivered.push_back(message);
    return 0;
  }
  std::vector<MailMessage> delivered;
};

// The recording step with alerts on: its 16th image becomes a composite that is mailed.
TEST(MailAlerts, SixteenthImageWithAlertsOnMailsTheComposite) {
  testing::EnsureApplication();
  testing::MailTestFolder folder;
  RecordingMessageBoxes jpegBoxes;
  std::tm fixed{};
  fixed.tm_year = 103;
  fixed.tm_mon = 0;
  fixed.tm_mday = 17;
  fixed.tm_hour = 14;
  RecordingStore store(
      folder.path().string(), "English", [fixed] { return fixed; }, JpegFileWriter(jpegBoxes));
  ASSERT_TRUE(store.OpenRunFolder());

  std::span<const StringEntry> all = CctvStrings();
  const StringTable strings(all, Language::English);
  QuietWindow window;
  FakeTransport transport;
  RecordingMessageBoxes boxes;
  CompositeBuilder builder(jpegBoxes, strings, [&store](const std::string& f, int n) {
    return store.FindImageByCounter(f, n);
  });
  AlertMailer mailer(window, transport, boxes, strings);
  MailAlerts alerts(store, builder, mailer);
  bool alertsOn = false;
  alerts.Connect([&] { return alertsOn; });

  std::vector<std::uint8_t> frame(320 * 240 * 3);
  const auto record = [&](int count) {
    for (int i = 0; i < count; ++i) {
      std::fill(frame.begin(), frame.end(), static_cast<std::uint8_t>(i * 9));
      ASSERT_TRUE(RecordingGoesOn(store.RecordMotionFrame(frame)));
    }
  };
  record(16);  // alerts off: the batch passes without a mail
  EXPECT_EQ(mailer.outstanding(), 0);
  EXPECT_TRUE(transport.delivered.empty());
  alertsOn = true;
  record(15);
  EXPECT_EQ(mailer.outstanding(), 0);
  EXPECT_TRUE(transport.delivered.empty());
  record(1);
  ASSERT_TRUE(testing::PumpUntil([&] { return mailer.outstanding() == 0; }));
  ASSERT_EQ(transport.delivered.size(), 1u);
  const std::string expected = store.mailFolder() + "/Email16to1_00001.jpg";
  EXPECT_EQ(transport.delivered[0].attachments.at(0).path, expected);
  EXPECT_EQ(store.CompositePath(1), expected);
  EXPECT_EQ(*transport.delivered[0].subject, "TavoCCTV 14h00m00s_01-17-03");
  EXPECT_TRUE(fs::exists(expected));
  EXPECT_EQ(store.compositeCounter(), 1);
  EXPECT_EQ(alerts.compositePath(), expected);
  EXPECT_TRUE(jpegBoxes.boxes.empty());
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
}  // namespace tavo::cctv
