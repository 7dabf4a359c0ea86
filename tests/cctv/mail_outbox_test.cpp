// The mail worker: one mail at a time in order, a bounded queue, results back as posted events,
// a failure that holds the queue, and an exit that cancels the mail on the wire.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "cctvstrings.h"
#include "fake_smtp_server.h"
#include "mail/alertmail.h"
#include "mail/mailoutbox.h"
#include "mail/mailstrings.h"
#include "mail/namelookup.h"
#include "mail_results.h"
#include "mail_test_message.h"

namespace tavo::cctv {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Holds every delivery until released or cancelled; remembers the subjects in the order the
// worker took them.
class HeldTransport final : public MailTransport {
 public:
  int Deliver(const MailMessage& message, const CancelSignal& cancel) override {
    std::unique_lock lock(mutex_);
    started_.push_back(message.subject.value_or(""));
    changed_.notify_all();
    while (!released_ && !cancel.raised()) changed_.wait_for(lock, 5ms);
    return cancel.raised() ? -1 : result_;
  }

  void Release(int result) {
    const std::lock_guard lock(mutex_);
    released_ = true;
    result_ = result;
    changed_.notify_all();
  }

  // Waits (bounded) until the worker has taken `n` mails.
  bool WaitStarted(std::size_t n) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, [&] { return started_.size() >= n; });
  }

  std::vector<std::string> started() {
    const std::lock_guard lock(mutex_);
    return started_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> started_;
  bool released_ = false;
  int result_ = 0;
};

MailMessage Mail(const std::string& subject, const std::string& attachment = "/x.jpg") {
  testing::MailFields fields;
  fields.subject = subject;
  fields.attachment = attachment;
  return std::move(*testing::BuildMailMessage(fields));
}

class MailOutboxTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::EnsureApplication(); }
  HeldTransport transport;
  std::vector<int> results;
};

TEST_F(MailOutboxTest, AFullQueueDropsTheOldestWaitingMailAndKeepsTheOrder) {
  MailOutbox outbox(transport, [&](int result) { results.push_back(result); });
  EXPECT_FALSE(outbox.Post(Mail("1")));
  ASSERT_TRUE(transport.WaitStarted(1));
  for (int n = 2; n <= 5; ++n) EXPECT_FALSE(outbox.Post(Mail(std::to_string(n)))) << n;
  // The mail on the wire stays; the oldest waiting one gives way to the newest.
  const auto dropped = outbox.Post(Mail("6"));
  ASSERT_TRUE(dropped);
  EXPECT_EQ(dropped->subject, "2");
  EXPECT_EQ(outbox.outstanding(), 5);

  transport.Release(0);
  ASSERT_TRUE(testing::PumpUntil([&] { return outbox.outstanding() == 0; }));
  EXPECT_EQ(transport.started(), (std::vector<std::string>{"1", "3", "4", "5", "6"}));
  EXPECT_EQ(results, (std::vector<int>{0, 0, 0, 0, 0}));
}

TEST_F(MailOutboxTest, AFailureHoldsTheQueueUntilItsResultIsHandled) {
  // The owner takes the waiting mails back: they never reach the server.
  {
    std::vector<MailMessage> taken;
    MailOutbox* self = nullptr;
    MailOutbox outbox(transport, [&](int result) {
      results.push_back(result);
      taken = self->TakeWaiting();
    });
    self = &outbox;
    outbox.Post(Mail("1"));
    ASSERT_TRUE(transport.WaitStarted(1));
    outbox.Post(Mail("2"));
    outbox.Post(Mail("3"));
    transport.Release(-1);
    ASSERT_TRUE(testing::PumpUntil([&] { return outbox.outstanding() == 0; }));
    EXPECT_EQ(results, std::vector<int>{-1});
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].subject, "2");
    EXPECT_EQ(transport.started(), std::vector<std::string>{"1"});
  }
  // Left waiting, they go once the result has been handled.
  HeldTransport failing;
  results.clear();
  MailOutbox outbox(failing, [&](int result) { results.push_back(result); });
  outbox.Post(Mail("1"));
  ASSERT_TRUE(failing.WaitStarted(1));
  outbox.Post(Mail("2"));
  failing.Release(-1);
  ASSERT_TRUE(testing::PumpUntil([&] { return outbox.outstanding() == 0; }));
  EXPECT_EQ(failing.started(), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(results, (std::vector<int>{-1, -1}));
}

TEST_F(MailOutboxTest, ExitCancelsTheMailOnTheWireAndReportsNothing) {
  const auto start = Clock::now();
  {
    MailOutbox outbox(transport, [&](int result) { results.push_back(result); });
    outbox.Post(Mail("1"));
    outbox.Post(Mail("2"));
    ASSERT_TRUE(transport.WaitStarted(1));
  }
  // Only a hang guard: the cancel ends the wait at once.
  EXPECT_LT(Clock::now() - start, 2s);
  testing::PumpUntil([] { return false; }, 50ms);
  EXPECT_TRUE(results.empty());
  EXPECT_EQ(transport.started(), std::vector<std::string>{"1"});
}

TEST_F(MailOutboxTest, ExitWhileASilentServerHoldsTheDialogueEndsAtOnce) {
  testing::FakeSmtpServer::Script silent;
  silent.greeting.clear();
  testing::FakeSmtpServer server(silent);
  SmtpMailTransport smtp({60s, 60s, 60s, 60s, 120s});
  Clock::time_point start;
  {
    MailOutbox outbox(smtp, [&](int result) { results.push_back(result); });
    outbox.Post(std::move(*testing::AlertLikeMessage(server.port())));
    ASSERT_TRUE(testing::PumpUntil([&] { return server.Connected(); }));
    start = Clock::now();
  }
  EXPECT_LT(Clock::now() - start, 2s);
  EXPECT_TRUE(results.empty());
}

TEST(NameLookup, NamesResolveWithinTheirBoundAndStopWhenCancelled) {
  in_addr address{};
  ASSERT_TRUE(LookUpIpv4("localhost", address, Clock::now() + 5s));
  EXPECT_EQ(ntohl(address.s_addr), INADDR_LOOPBACK);
  ASSERT_TRUE(LookUpIpv4("127.0.0.2", address, Clock::now()));  // no lookup for an address
  EXPECT_EQ(ntohl(address.s_addr), INADDR_LOOPBACK + 1);

  CancelSignal cancel;
  cancel.Raise();
  EXPECT_TRUE(cancel.raised());
  EXPECT_FALSE(LookUpIpv4("localhost", address, Clock::now() + 5s, cancel.fd()));
  EXPECT_FALSE(LookUpIpv4("", address, Clock::now() + 5s));
  // A name nobody has: refused, or given up at the bound, whatever the resolver does meanwhile.
  const auto start = Clock::now();
  EXPECT_FALSE(LookUpIpv4("no-such-host.invalid", address, start + 300ms));
  EXPECT_LT(Clock::now() - start, 2s);
}

// The alert mailer over a held worker: what happens to the mails behind a failed one.
struct Window final : AlertMailWindow {
  std::string MailEditText(int id) const override {
    return id == kEditSmtpServer ? "127.0.0.1" : "cam@example.test";
  }
  bool MailBoxShown() const override { return boxShown; }
  void SwitchMailAlertsOff() override {
    alertsOn = false;
    ++switchedOff;
  }
  bool boxShown = true;
  bool alertsOn = true;
  int switchedOff = 0;
};

class AlertMailerQueueTest : public MailOutboxTest {
 protected:
  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes.boxes) texts.push_back(box.text);
    return texts;
  }
  const StringTable strings{CctvStrings(), Language::English};
  RecordingMessageBoxes boxes;
  Window window;
};

TEST_F(AlertMailerQueueTest, AFailedMailIsReportedOnceAndTheMailsBehindItAreDropped) {
  AlertMailer mailer(window, transport, boxes, strings);
  ASSERT_TRUE(mailer.SendAlertMail("TavoCCTV 1", "/run/EmailSendJpg/Email16to1_00001.jpg"));
  ASSERT_TRUE(transport.WaitStarted(1));
  ASSERT_TRUE(mailer.SendAlertMail("TavoCCTV 2", "/run/EmailSendJpg/Email16to1_00002.jpg"));
  ASSERT_TRUE(mailer.SendAlertMail("TavoCCTV 3", "/run/EmailSendJpg/Email16to1_00003.jpg"));
  ::testing::internal::CaptureStderr();
  transport.Release(-1);
  ASSERT_TRUE(testing::PumpUntil([&] { return mailer.outstanding() == 0; }));
  const std::string report = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(Boxes(), std::vector<std::string>{strings.Text(kMsgMailFailed)});
  EXPECT_FALSE(window.alertsOn);
  EXPECT_EQ(window.switchedOff, 1);
  EXPECT_EQ(mailer.dropped(), 2);
  EXPECT_EQ(mailer.delivered(), 0);
  EXPECT_EQ(transport.started(), std::vector<std::string>{"TavoCCTV 1"});
  EXPECT_NE(report.find("Email16to1_00002.jpg"), std::string::npos);
  EXPECT_NE(report.find("Email16to1_00003.jpg"), std::string::npos);
}

TEST_F(AlertMailerQueueTest, InViewerModeEveryMailIsTriedAndEachFailureToldOnce) {
  window.boxShown = false;
  AlertMailer mailer(window, transport, boxes, strings);
  ASSERT_TRUE(mailer.SendAlertMail("TavoCCTV 1", "/x1.jpg"));
  ASSERT_TRUE(transport.WaitStarted(1));
  ASSERT_TRUE(mailer.SendAlertMail("TavoCCTV 2", "/x2.jpg"));
  transport.Release(-1);
  ASSERT_TRUE(testing::PumpUntil([&] { return mailer.outstanding() == 0; }));
  EXPECT_EQ(Boxes(), std::vector<std::string>(2, strings.Text(kMsgMailFailed)));
  EXPECT_TRUE(window.alertsOn);
  EXPECT_EQ(transport.started(), (std::vector<std::string>{"TavoCCTV 1", "TavoCCTV 2"}));
}

TEST_F(AlertMailerQueueTest, AQueueThatFillsReportsEachMailItDrops) {
  AlertMailer mailer(window, transport, boxes, strings);
  ASSERT_TRUE(mailer.SendAlertMail("TavoCCTV 0", "/m/Email16to1_00000.jpg"));
  ASSERT_TRUE(transport.WaitStarted(1));
  ::testing::internal::CaptureStderr();
  const int extra = 2;
  for (int n = 1; n <= static_cast<int>(MailOutbox::kWaitingLimit) + extra; ++n) {
    ASSERT_TRUE(mailer.SendAlertMail("TavoCCTV " + std::to_string(n),
                                     "/m/Email16to1_0000" + std::to_string(n) + ".jpg"));
  }
  const std::string report = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(mailer.dropped(), extra);
  EXPECT_NE(report.find("Email16to1_00001.jpg not sent"), std::string::npos) << report;
  EXPECT_NE(report.find("Email16to1_00002.jpg not sent"), std::string::npos) << report;
  EXPECT_EQ(report.find("Email16to1_00003.jpg"), std::string::npos) << report;
  transport.Release(0);
  ASSERT_TRUE(testing::PumpUntil([&] { return mailer.outstanding() == 0; }));
  EXPECT_EQ(mailer.delivered(), 1 + static_cast<int>(MailOutbox::kWaitingLimit));
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_TRUE(window.alertsOn);
}

}  // namespace
}  // namespace tavo::cctv
