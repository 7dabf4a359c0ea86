// Delivery to a real SMTP server (Python's aiosmtpd on loopback), read back with Python's email
// package as a recipient's mail program would read it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "cctvstrings.h"
#include "imageindex.h"
#include "jpegfile.h"
#include "mail/alertmail.h"
#include "mail/composite.h"
#include "mail/mailstrings.h"
#include "mail_results.h"
#include "mail_test_folder.h"
#include "mail_test_message.h"
#include "smtp_sink.h"

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const SmtpTimeouts kBounds{2000ms, 2000ms, 3000ms};

struct LoopbackWindow final : AlertMailWindow {
  std::string MailEditText(int id) const override {
    if (id == kEditSmtpServer) return " 127.0.0.1 ";
    return id == kEditSender ? "cam@example.test" : "me@example.test";
  }
  bool MailBoxShown() const override { return true; }
  void SwitchMailAlertsOff() override { ++toggles; }
  int toggles = 0;
};

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class MailDeliveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::EnsureApplication();
    fs::create_directories(inbox);
    sink = std::make_unique<testing::SmtpSink>(inbox);
    ASSERT_GT(sink->port(), 0) << "aiosmtpd did not start";
  }

  testing::MailTestFolder folder;
  fs::path inbox = folder.path() / "inbox";
  std::unique_ptr<testing::SmtpSink> sink;
};

TEST_F(MailDeliveryTest, KoreanAlertWithItsCompositeArrivesIntact) {
  // Sixteen recorded images and their composite, as the recording step leaves them.
  RecordingMessageBoxes boxes;
  const std::string runFolder = (folder.path() / "run").string();
  const std::string mailFolder = runFolder + "/EmailSendJpg";
  fs::create_directories(mailFolder);
  std::vector<std::uint8_t> rgb(320 * 240 * 3);
  for (int n = 1; n <= 16; ++n) {
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * n);
    char name[64];
    std::snprintf(name, sizeof name, "/030117-14시05분%02d초_%06d.jpg", n, n);
    ASSERT_TRUE(JpegFile(boxes).RgbToJpeg(runFolder + name, 75, rgb.data(), 320, 240));
  }
  std::span<const StringEntry> all = CctvStrings();
  const StringTable korean(all, Language::Korean);
  ImageIndex index;
  CompositeBuilder builder(boxes, korean,
                           [&](const std::string& f, int n) { return index.Find(f, n); });
  int compositeCounter = 0;
  std::string compositePath;
  ASSERT_TRUE(builder.BuildComposite(runFolder, mailFolder, 16, compositeCounter, compositePath));

  LoopbackWindow window;
  SmtpMailTransport transport(kBounds);
  AlertMailer mailer(window, transport, boxes, korean, sink->port());
  ASSERT_TRUE(mailer.SendAlertMail("TavoCCTV 030117-14시05분16초", compositePath));
  ASSERT_TRUE(testing::PumpUntil([&] { return mailer.outstanding() == 0; }));
  EXPECT_EQ(mailer.delivered(), 1);
  EXPECT_EQ(window.toggles, 0);
  EXPECT_TRUE(boxes.boxes.empty());

  ASSERT_FALSE(sink->Message(1).empty());
  EXPECT_EQ(ReadText(inbox / "message1.envelope"), "cam@example.test\nme@example.test\n");
  auto mail = testing::InspectMail(sink->Message(1), compositePath);
  EXPECT_EQ(mail["from"], "cam@example.test");
  EXPECT_EQ(mail["to"], "me@example.test");
  EXPECT_EQ(mail["subject"], "TavoCCTV 030117-14시05분16초");
  EXPECT_EQ(mail["content_type"], "multipart/mixed");
  EXPECT_EQ(mail["defects"], "0");
  EXPECT_EQ(mail["parts"], "2");
  EXPECT_EQ(mail["part1_type"], "text/html");
  EXPECT_EQ(mail["part1_encoding"], "base64");
  EXPECT_EQ(mail["part1_text"], "TavoCCTV 사진 전송");
  EXPECT_EQ(mail["part2_type"], "image/jpg");
  EXPECT_EQ(mail["part2_name"], "Email16to1_00001.jpg");
  EXPECT_EQ(mail["part2_filename"], "Email16to1_00001.jpg");
  EXPECT_EQ(mail["part2_disposition"], "attachment");
  EXPECT_EQ(mail["part2_same_bytes"], "yes");
  EXPECT_EQ(mail["part2_size"], std::to_string(fs::file_size(compositePath)));
}

TEST_F(MailDeliveryTest, PlainBodyKeepsItsDotLinesAndMessagesGoOneByOne) {
  // A lone "." line would end the message early unless it is doubled on the wire.
  testing::MailFields plain;
  plain.port = sink->port();
  plain.subject = "plain";
  plain.bodyType = "text/plain";
  plain.body = "first\r\n.\r\n.second\nlast";
  auto message = testing::BuildMailMessage(plain);
  ASSERT_EQ(SendMail(message.get(), kBounds), 0);
  ASSERT_EQ(SendMail(message.get(), kBounds), 0);

  for (const int n : {1, 2}) {
    ASSERT_FALSE(sink->Message(n).empty()) << n;
    auto mail = testing::InspectMail(sink->Message(n));
    EXPECT_EQ(mail["subject"], "plain");
    EXPECT_EQ(mail["content_type"], "text/plain");
    EXPECT_EQ(mail["part1_encoding"], "8bit");
    EXPECT_EQ(mail["part1_text"], "first\\n.\\n.second\\nlast\\n\\n");
  }
}

}  // namespace
}  // namespace tavo::cctv
