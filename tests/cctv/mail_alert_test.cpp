#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "cctvstrings.h"
#include "mail/alertmail.h"
#include "mail/mailstrings.h"
#include "mail_results.h"

namespace tavo::cctv {
namespace {

// The main window as the alert mail sees it; every event lands in one log, so order shows.
struct FakeWindow final : AlertMailWindow {
  std::string MailEditText(int id) const override { return edits.at(id); }
  bool MailBoxShown() const override { return boxShown; }
  void SwitchMailAlertsOff() override {
    alertsOn = false;
    log->push_back("toggle");
  }
  std::map<int, std::string> edits = {{kEditSmtpServer, "  smtp.example.test \t"},
                                      {kEditSender, "cam@example.test"},
                                      {kEditRecipient, " me@example.test"}};
  bool boxShown = true;
  bool alertsOn = true;
  std::vector<std::string>* log;
};

// Called on the mailer's worker; read by the test once the result has come back.
struct FakeTransport final : MailTransport {
  int Deliver(const MailMessage& message, const CancelSignal&) override {
    delivered.push_back(message);
    return result;
  }
  std::vector<MailMessage> delivered;
  int result = 0;
};

struct LoggingBoxes final : MessageBoxes {
  void Show(const std::string& text, MessageIcon, const std::string&) override {
    log->push_back(text);
  }
  std::vector<std::string>* log;
};

class AlertMailTest : public ::testing::Test {
 protected:
  AlertMailTest() {
    testing::EnsureApplication();
    window.log = &log;
    boxes.log = &log;
  }

  // True when the mail was delivered: handed over, and its result come back as a success.
  bool Send(Language language, const std::string& composite = "/run/EmailSendJpg/x.jpg") {
    const StringTable strings(all, language);
    AlertMailer mailer(window, transport, boxes, strings);
    const bool onItsWay = mailer.SendAlertMail("TavoCCTV 14h05m09s_01-17-03", composite);
    EXPECT_TRUE(testing::PumpUntil([&] { return mailer.outstanding() == 0; }));
    return onItsWay && mailer.delivered() == 1;
  }

  std::span<const StringEntry> all = CctvStrings();
  std::vector<std::string> log;
  FakeWindow window;
  FakeTransport transport;
  LoggingBoxes boxes;
};

TEST_F(AlertMailTest, FillsTheMessageFromTheWindow) {
  ASSERT_TRUE(Send(Language::English));
  ASSERT_EQ(transport.delivered.size(), 1u);
  const MailMessage& m = transport.delivered[0];
  EXPECT_EQ(m.server, "smtp.example.test");  // blanks around the name are dropped
  EXPECT_EQ(m.port, 25);
  EXPECT_EQ(m.subject, "TavoCCTV 14h05m09s_01-17-03");
  EXPECT_EQ(m.from, "cam@example.test");
  EXPECT_EQ(m.to, "me@example.test");
  EXPECT_EQ(m.bodyType, "text/html");
  EXPECT_EQ(m.body, "TavoCCTV photo");
  ASSERT_EQ(m.attachmentCount, 1);
  EXPECT_EQ(m.attachments[0].path, "/run/EmailSendJpg/x.jpg");
  EXPECT_EQ(m.attachments[0].contentType, "image/jpg");
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(window.alertsOn);

  ASSERT_TRUE(Send(Language::Japanese));
  EXPECT_EQ(transport.delivered[1].body, "TavoCCTV photo");
  ASSERT_TRUE(Send(Language::Korean));
  EXPECT_EQ(transport.delivered[2].body, "TavoCCTV 사진 전송");
}

TEST_F(AlertMailTest, EachFailureSwitchesAlertsOffThenTellsWhy) {
  struct Case {
    const char* name;
    int edit;
    std::string text;
    std::string composite;
    int transportResult;
    std::string message;
  };
  const Case cases[] = {
      {"blank server", kEditSmtpServer, " \t ", "/x.jpg", 0, "Input the SMTP correctly"},
      {"blank sender", kEditSender, "", "/x.jpg", 0,
       "Input the e-mail address of sending party correctly"},
      {"blank recipient", kEditRecipient, "  ", "/x.jpg", 0,
       "Input the e-mail address of receiving party correctly"},
      {"sender smuggling a command", kEditSender, "a@b\r\nRCPT TO: x@evil.test", "/x.jpg", 0,
       "Input the e-mail address of sending party correctly"},
      {"no composite", kEditSender, "cam@example.test", "", 0,
       "There's no attached file to transmit"},
      {"delivery failed", kEditSender, "cam@example.test", "/x.jpg", -1,
       "The e-mail transmission is failed. Check the mail ID and address again"},
  };
  for (const Case& c : cases) {
    FakeWindow fresh;
    window = fresh;
    window.log = &log;
    window.edits[c.edit] = c.text;
    transport.result = c.transportResult;
    log.clear();
    EXPECT_FALSE(Send(Language::English, c.composite)) << c.name;
    EXPECT_EQ(log, (std::vector<std::string>{"toggle", c.message})) << c.name;
    EXPECT_FALSE(window.alertsOn) << c.name;
  }

  // In viewer mode the check box is not drawn: alerts stay on, the message still comes.
  window.boxShown = false;
  window.alertsOn = true;
  log.clear();
  EXPECT_FALSE(Send(Language::Korean));
  EXPECT_EQ(log, (std::vector<std::string>{"E_mail 전송에 실패 하였습니다. 메일 계정 및 주소를 "
                                           "다시 확인하세요."}));
  EXPECT_TRUE(window.alertsOn);
}

TEST_F(AlertMailTest, RefusedSubjectFailsWithoutAMessage) {
  const StringTable strings(all, Language::English);
  AlertMailer mailer(window, transport, boxes, strings);
  EXPECT_FALSE(mailer.SendAlertMail("TavoCCTV \r\nBcc: x@evil.test", "/x.jpg"));
  EXPECT_EQ(log, std::vector<std::string>{"toggle"});
  EXPECT_TRUE(transport.delivered.empty());
}

}  // namespace
}  // namespace tavo::cctv
