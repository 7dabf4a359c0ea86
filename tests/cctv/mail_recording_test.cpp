// Recording goes on while an alert mail is out: a silent server, a slow one and a refusing one,
// with frames arriving all the while through the controller on the simulated platform.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>

#include "cctv_fixture.h"
#include "fake_smtp_server.h"
#include "filehandle.h"
#include "mail/mailstrings.h"
#include "mail_results.h"

namespace tavo::cctv {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tavo::testing::FakeSmtpServer;
using tavo::testing::PumpUntil;
using ::testing::ElementsAre;

class MailWhileRecordingTest : public ::testing::Test {
 protected:
  // Surveillance on with alerts on, mailing to 127.0.0.1:`port`.
  CctvController& Arm(int port, SmtpTimeouts bounds) {
    rig.transport = SmtpMailTransport(bounds);
    rig.smtpPort = port;
    CctvController& c = rig.Started();
    c.OnMailTextEdited(kEditSmtpServer, "127.0.0.1");
    c.OnMailTextEdited(kEditSender, "cam@example.test");
    c.OnMailTextEdited(kEditRecipient, "me@example.test");
    c.OnButton(kButtonSetup);
    c.OnButton(kButtonMailCheck);
    EXPECT_TRUE(c.mailAlertsOn());
    c.OnButton(kButtonStartStop);
    rig.Frame(level_);
    return c;
  }

  // Frames that each differ from the one before: every one is recorded.
  void Record(int images) {
    for (int i = 0; i < images; ++i) NextFrame(true);
  }

  void NextFrame(bool moved) {
    if (moved) level_ = level_ == 0 ? 200 : 0;
    rig.Frame(level_);
  }

  testing::CctvRig rig;
  std::uint8_t level_ = 0;
};

TEST_F(MailWhileRecordingTest, PicturesKeepBeingWrittenWhileTheServerIsSilentAndExitEndsTheMail) {
  FakeSmtpServer::Script silent;
  silent.greeting.clear();
  FakeSmtpServer server(silent);
  CctvController& c = Arm(server.port(), {30s, 30s, 30s, 30s, 60s});
  Record(16);
  ASSERT_TRUE(PumpUntil([&] { return server.Connected(); }));
  Record(32);  // the first mail waits for a greeting that never comes
  EXPECT_EQ(c.store().imageCounter(), 48);
  EXPECT_EQ(c.store().compositeCounter(), 3);
  EXPECT_EQ(c.mailer().outstanding(), 3);
  EXPECT_TRUE(rig.Messages().empty());
  EXPECT_TRUE(c.mailAlertsOn());

  // The window closes with the mail on the wire. The bound only guards against a hang.
  const auto start = Clock::now();
  rig.view.controller = nullptr;
  rig.controller->Shutdown();
  rig.controller.reset();
  EXPECT_LT(Clock::now() - start, 2s);
}

TEST_F(MailWhileRecordingTest, ASlowServerGetsItsMailWhilePicturesAreRecorded) {
  FakeSmtpServer::Script slow;
  slow.pause = 150ms;
  FakeSmtpServer server(slow);
  CctvController& c = Arm(server.port(), {5s, 5s, 5s, 5s, 30s});
  Record(16);
  int frames = 0;
  // Every tenth frame moves, so a few pictures are written while the mail is out.
  ASSERT_TRUE(PumpUntil([&] {
    NextFrame(++frames % 10 == 0);
    return c.mailer().delivered() == 1;
  }));
  EXPECT_GT(c.store().imageCounter(), 16);
  EXPECT_TRUE(rig.Messages().empty());
  EXPECT_TRUE(c.mailAlertsOn());
  EXPECT_THAT(server.Received(), ::testing::HasSubstr("\r\n.\r\nQUIT\r\n"));
}

TEST_F(MailWhileRecordingTest, AnAlertFailureSwitchesAlertsOffAndNeverOn) {
  CctvController& c = Arm(tavo::testing::UnusedLoopbackPort(), {2s, 2s, 2s, 2s, 10s});
  const std::string failed = rig.Text(kMsgMailFailed);

  // The user switches alerts off while the mail is out; its failure leaves them off.
  Record(16);
  c.OnButton(kButtonMailCheck);
  ASSERT_FALSE(c.mailAlertsOn());
  ASSERT_TRUE(PumpUntil([&] { return c.mailer().outstanding() == 0; }));
  EXPECT_FALSE(c.mailAlertsOn());
  EXPECT_THAT(rig.Messages(), ElementsAre(failed));

  // With alerts on, the failure switches them off and is told once; the next batch sends nothing.
  c.OnButton(kButtonMailCheck);
  ASSERT_TRUE(c.mailAlertsOn());
  Record(16);
  ASSERT_TRUE(PumpUntil([&] { return c.mailer().outstanding() == 0; }));
  EXPECT_FALSE(c.mailAlertsOn());
  EXPECT_THAT(rig.Messages(), ElementsAre(failed, failed));
  Record(16);
  EXPECT_EQ(c.mailer().outstanding(), 0);
  EXPECT_EQ(c.store().imageCounter(), 48);
  EXPECT_EQ(rig.Messages().size(), 2u);
}

}  // namespace
}  // namespace tavo::cctv
