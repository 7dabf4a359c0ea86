#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "fake_smtp_server.h"
#include "filehandle.h"
#include "mail/cancelsignal.h"
#include "mail/mailmessage.h"
#include "mail/smtpconnection.h"
#include "mail_test_folder.h"
#include "mail_test_message.h"

namespace tavo::cctv {
namespace {

using testing::AlertLikeMessage;
using testing::FakeSmtpServer;
using testing::UnusedLoopbackPort;
using namespace std::chrono_literals;

// Short bounds: a failing wait must end the test quickly, a passing one is immediate anyway.
const SmtpTimeouts kQuick{1000ms, 1000ms, 1000ms};

std::string Content(const MailMessage& message) {
  std::string bytes;
  ComposeMailContent(message, [&](std::string_view piece) {
    bytes.append(piece);
    return true;
  });
  return bytes;
}

TEST(SmtpDialogue, ServerReceivesTheExactDialogue) {
  testing::MailTestFolder folder;
  const auto path = folder.Write("Email16to1_00001.jpg", testing::CountingBytes(5000));
  FakeSmtpServer server({});
  const auto message = AlertLikeMessage(server.port(), path);
  ASSERT_EQ(SendMail(message.get(), kQuick), 0);
  EXPECT_EQ(server.Received(),
            "HELO Pelvane\r\n"
            "MAIL FROM: cam@example.test\r\n"
            "RCPT TO: me@example.test\r\n"
            "DATA\r\n" +
                Content(*message) +
                ".\r\n"
                "QUIT\r\n");
  // Sending leaves the message as it was, so it can go out again.
  FakeSmtpServer again({});
  message->port = again.port();
  EXPECT_EQ(SendMail(message.get(), kQuick), 0);
}

TEST(SmtpDialogue, ReplyLinesInEveryShape) {
  struct Case {
    const char* name;
    FakeSmtpServer::Script script;
    int result;
  };
  FakeSmtpServer::Script lfOnly;
  lfOnly.greeting = "220 ready\n";
  lfOnly.helo = "250 OK\n";
  lfOnly.mail = "250 OK\n";
  lfOnly.rcpt = "250 OK\n";
  lfOnly.data = "354 go\n";
  lfOnly.dot = "250 OK\n";
  lfOnly.quit = "221 bye\n";
  FakeSmtpServer::Script multiLine;
  // Unless each reply is read to its last line, "220 ready" would be taken as the answer to HELO
  // and everything after would be off by one.
  multiLine.greeting = "220-fake.test welcome\r\n220-no spam please\r\n220 ready\r\n";
  multiLine.helo = "250-fake.test\r\n250-SIZE 1000\r\n250 HELP\r\n";
  FakeSmtpServer::Script shortCode;
  shortCode.helo = "25\r\n";
  FakeSmtpServer::Script wrongContinuation;
  wrongContinuation.greeting = "220-fake.test\r\n554 go away\r\n";
  FakeSmtpServer::Script endless;
  for (int i = 0; i < kMaxReplyLines + 5; ++i) endless.greeting += "220-more\r\n";
  FakeSmtpServer::Script longLine;
  longLine.greeting = "220 " + std::string(kMaxReplyLine + 10, 'x') + "\r\n";
  FakeSmtpServer::Script barCode;
  barCode.greeting = "220 ready\r\n";
  barCode.helo = "2501\r\n";  // only the three digits count

  const Case cases[] = {
      {"LF-only line ends", lfOnly, 0},
      {"multi-line greeting and HELO reply", multiLine, 0},
      {"a line of 25 alone", shortCode, -1},
      {"continuation under another code", wrongContinuation, -1},
      {"a reply that never ends", endless, -1},
      {"a line longer than any reply", longLine, -1},
      {"digits run on after the code", barCode, 0},
  };
  for (const Case& c : cases) {
    FakeSmtpServer server(c.script);
    EXPECT_EQ(SendMail(AlertLikeMessage(server.port()).get(), kQuick), c.result) << c.name;
  }
}

TEST(SmtpDialogue, RefusedRecipientStopsBeforeData) {
  FakeSmtpServer::Script script;
  script.rcpt = "550 no such user\r\n";
  FakeSmtpServer server(script);
  EXPECT_EQ(SendMail(AlertLikeMessage(server.port()).get(), kQuick), -1);
  const std::string received = server.Received();
  EXPECT_NE(received.find("RCPT TO: me@example.test\r\n"), std::string::npos);
  EXPECT_EQ(received.find("DATA"), std::string::npos);
  EXPECT_EQ(received.find("QUIT"), std::string::npos);
}

TEST(SmtpDialogue, QuitMustBeAnsweredWith221) {
  FakeSmtpServer::Script script;
  script.quit = "250 whatever\r\n";
  FakeSmtpServer server(script);
  EXPECT_EQ(SendMail(AlertLikeMessage(server.port()).get(), kQuick), -1);
  EXPECT_NE(server.Received().find(".\r\nQUIT\r\n"), std::string::npos);
}

TEST(SmtpDialogue, SilenceFailsWithinTheBound) {
  // A server that accepts and never speaks, and one that takes the message but never confirms
  // it: neither may hang the caller, and the unconfirmed message is no success.
  FakeSmtpServer::Script mute;
  mute.greeting.clear();
  FakeSmtpServer::Script noConfirmation;
  noConfirmation.dot.clear();
  for (const auto& script : {mute, noConfirmation}) {
    FakeSmtpServer server(script);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendMail(AlertLikeMessage(server.port()).get(), {1000ms, 1000ms, 200ms, 200ms}), -1);
    // Generous: only a wait that ignored its bound could take this long.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  }
}

TEST(SmtpDialogue, TheFinalDotMayTakeLongerButTheDialogueHasOneDeadline) {
  // A server that scans the message before it confirms it: longer than any other reply may take.
  FakeSmtpServer::Script scanning;
  scanning.dotPause = 800ms;
  FakeSmtpServer scanner(scanning);
  EXPECT_EQ(SendMail(AlertLikeMessage(scanner.port()).get(), {1000ms, 1000ms, 300ms, 3000ms}), 0);

  // Every reply within its own bound, but all of them together beyond the whole dialogue's.
  FakeSmtpServer::Script dripping;
  dripping.pause = 100ms;
  FakeSmtpServer dripper(dripping);
  EXPECT_EQ(
      SendMail(AlertLikeMessage(dripper.port()).get(), {1000ms, 1000ms, 1000ms, 1000ms, 350ms}),
      -1);
  EXPECT_EQ(dripper.Received().find("QUIT"), std::string::npos);
}

TEST(SmtpDialogue, ACancelEndsTheDialogueAtOnce) {
  FakeSmtpServer::Script mute;
  mute.greeting.clear();
  FakeSmtpServer server(mute);
  CancelSignal cancel;
  std::thread canceller([&] {
    while (!server.Connected()) std::this_thread::sleep_for(1ms);
    cancel.Raise();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SendMail(AlertLikeMessage(server.port()).get(), {60s, 60s, 60s, 60s, 60s}, cancel.fd()),
            -1);
  canceller.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);  // a hang guard only
}

TEST(SmtpDialogue, NoServerOrUnreadableAttachmentFails) {
  EXPECT_EQ(SendMail(AlertLikeMessage(UnusedLoopbackPort()).get(), kQuick), -1);

  // The attachment vanished: the dialogue stops inside DATA without the final dot, so the
  // server discards the cut message.
  FakeSmtpServer server({});
  EXPECT_EQ(
      SendMail(AlertLikeMessage(server.port(), "/nonexistent/Email16to1_00001.jpg").get(), kQuick),
      -1);
  const std::string received = server.Received();
  EXPECT_NE(received.find("DATA\r\n"), std::string::npos);
  EXPECT_EQ(received.find("\r\n.\r\n"), std::string::npos);
  EXPECT_EQ(received.find("QUIT"), std::string::npos);
}

}  // namespace
}  // namespace tavo::cctv
