// The secure ways to a mail server (STARTTLS, TLS from the first byte, a login) against a real
// aiosmtpd on loopback with a certificate made for the test; the mail-server field's forms; and
// where the password is kept.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "mail/alertmail.h"
#include "mail/mailserver.h"
#include "mail/mailstrings.h"
#include "mail/secretstore.h"
#include "mail/securesmtp.h"
#include "mail_test_folder.h"
#include "mail_test_message.h"
#include "smtp_sink.h"
#include "test_certificate.h"

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const SmtpTimeouts kBounds{3000ms, 3000ms, 5000ms, 5000ms, 20000ms};

// ---- The mail-server field ----

TEST(MailServerField, EachFormNamesItsWayPortAndUser) {
  struct Case {
    const char* text;
    const char* host;
    int port;
    MailSecurity security;
    const char* user;
  };
  const Case cases[] = {
      {"mail.example.test", "mail.example.test", 2525, MailSecurity::kPlain, ""},
      {"mail.example.test:25", "mail.example.test", 25, MailSecurity::kPlain, ""},
      {"mail.example.test:587", "mail.example.test", 587, MailSecurity::kStartTls, ""},
      {"mail.example.test:465", "mail.example.test", 465, MailSecurity::kTls, ""},
      {"mail.example.test:2587", "mail.example.test", 2587, MailSecurity::kStartTls, ""},
      {"smtp://mail.example.test", "mail.example.test", 587, MailSecurity::kStartTls, ""},
      {"SMTPS://mail.example.test/", "mail.example.test", 465, MailSecurity::kTls, ""},
      {"smtp://10.0.0.7:25", "10.0.0.7", 25, MailSecurity::kStartTls, ""},
      {"me@example.test@mail.example.test:587", "mail.example.test", 587, MailSecurity::kStartTls,
       "me@example.test"},
      {"smtps://box7@mail.example.test", "mail.example.test", 465, MailSecurity::kTls, "box7"},
  };
  for (const Case& c : cases) {
    const auto server = ParseMailServer(c.text, 2525);
    ASSERT_TRUE(server) << c.text;
    EXPECT_EQ(server->host, c.host) << c.text;
    EXPECT_EQ(server->port, c.port) << c.text;
    EXPECT_EQ(server->security, c.security) << c.text;
    EXPECT_EQ(server->user, c.user) << c.text;
  }
}

TEST(MailServerField, RefusesWhatCannotBeReachedOrWouldLogInInClear) {
  for (const char* text :
       {"", "mail.example.test:", "mail.example.test:0", "mail.example.test:65536",
        "mail.example.test:58x", "mail.example.test:587:1", "me@mail.example.test",
        "me@mail.example.test:25", "@mail.example.test:587", "smtp://", "smtps://:465",
        "smtp://mail.example.test/path", "smtp://mail.example.test?x=1", "smtp://ma il:587",
        "smtp://[::1]:587"}) {
    EXPECT_FALSE(ParseMailServer(text, 25)) << text;
  }
}

TEST(MailServerField, FillsTheAlertMailWithTheWayAndTheLogin) {
  const auto fill = [](const std::string& server, MailMessage& message) {
    return FillAlertMail(message,
                         {server, " cam@example.test ", "me@example.test", "TavoCCTV x",
                          "TavoCCTV photo", "/tmp/Email16to1_00001.jpg"},
                         25);
  };
  MailMessage plain;
  ASSERT_EQ(fill(" mail.example.test ", plain), 0);
  EXPECT_EQ(*plain.server, "mail.example.test");
  EXPECT_EQ(plain.port, 25);
  EXPECT_EQ(plain.security, MailSecurity::kPlain);
  EXPECT_EQ(plain.login, "");

  MailMessage secure;
  ASSERT_EQ(fill("smtp://mail.example.test", secure), 0);
  EXPECT_EQ(secure.port, 587);
  EXPECT_EQ(secure.security, MailSecurity::kStartTls);
  EXPECT_EQ(secure.login, "cam@example.test");  // the sender logs in unless a user is named

  MailMessage named;
  ASSERT_EQ(fill("box7@mail.example.test:465", named), 0);
  EXPECT_EQ(named.login, "box7");

  MailMessage refused;
  EXPECT_EQ(fill("box7@mail.example.test", refused), kMsgBadSmtpServer);
}

// ---- Where the password is kept ----

TEST(FileSecretStore, KeepsEachAccountsPasswordPrivatelyAndReplacesIt) {
  testing::MailTestFolder folder;
  const fs::path file = folder.path() / "config" / "tavo" / "mail-passwords";
  FileSecretStore store(file);
  const MailAccount gmail{"me@example.test", "smtp.example.test", 587};
  const MailAccount other{"me@example.test", "smtp.example.test", 465};
  const std::string awkward = "p w\n\t\xEC\x82\xAC #1";

  EXPECT_FALSE(store.Lookup(gmail));
  ASSERT_TRUE(store.Store(gmail, "first"));
  ASSERT_TRUE(store.Store(other, awkward));
  ASSERT_TRUE(store.Store(gmail, "second"));
  EXPECT_EQ(store.Lookup(gmail), "second");
  EXPECT_EQ(store.Lookup(other), awkward);
  EXPECT_FALSE(store.Lookup({"you@example.test", "smtp.example.test", 587}));

  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(file.parent_path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  // Readable by no other tool as text: the password is not in the file as typed.
  std::ifstream in(file);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(text.find("second"), std::string::npos);

  // A fresh store over the same file finds it: nothing lives only in memory.
  EXPECT_EQ(FileSecretStore(file).Lookup(gmail), "second");
}

TEST(FileSecretStore, ADamagedLineCostsOnlyItself) {
  testing::MailTestFolder folder;
  const fs::path file = folder.path() / "mail-passwords";
  FileSecretStore store(file);
  const MailAccount account{"u", "h", 587};
  ASSERT_TRUE(store.Store(account, "kept"));
  {
    std::ofstream out(file, std::ios::app);
    out << "zz not hex at all\n\x01\x02\n75 68 x 6b\n";
  }
  EXPECT_EQ(store.Lookup(account), "kept");
  ASSERT_TRUE(store.Store({"v", "h", 587}, "also"));
  EXPECT_EQ(store.Lookup(account), "kept");
}

TEST(DesktopSecretStore, WithoutASessionBusUsesTheFile) {
  testing::MailTestFolder folder;
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (KeyringSecretStore::SessionBusPresent() || bus != nullptr)
    GTEST_SKIP() << "a session bus runs here";
  DesktopSecretStore store(folder.path() / "mail-passwords");
  ASSERT_TRUE(store.Store({"u", "h", 465}, "pw"));
  EXPECT_EQ(FileSecretStore(folder.path() / "mail-passwords").Lookup({"u", "h", 465}), "pw");
  EXPECT_EQ(store.Lookup({"u", "h", 465}), "pw");
}

// ---- Against a real server ----

class MapSecrets final : public SecretStore {
 public:
  std::optional<std::string> Lookup(const MailAccount& account) override {
    ++lookups;
    for (const auto& [kept, password] : passwords)
      if (kept == account) return password;
    return std::nullopt;
  }
  bool Store(const MailAccount& account, const std::string& password) override {
    passwords.emplace_back(account, password);
    return true;
  }
  std::vector<std::pair<MailAccount, std::string>> passwords;
  int lookups = 0;
};

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class SecureDeliveryTest : public ::testing::Test {
 protected:
  void MakeCertificate(const std::string& names) {
    ASSERT_EQ(testing::MakeTestCertificate(names, cert, key), "");
  }

  void StartServer(std::vector<std::string> options) {
    fs::create_directories(inbox);
    sink = std::make_unique<testing::SmtpSink>(inbox, std::move(options));
    ASSERT_GT(sink->port(), 0) << "aiosmtpd did not start";
  }

  std::unique_ptr<MailMessage> Message(MailSecurity security, const std::string& attachment = {}) {
    auto message = testing::AlertLikeMessage(sink->port(), attachment);
    message->security = security;
    message->login = "cam@example.test";
    return message;
  }

  int Deliver(const MailMessage& message) {
    replies.clear();
    return DeliverMail(message, {kBounds, &secrets, cert.string()}, -1, &replies);
  }

  std::string Replies() const {
    std::string all;
    for (const auto& line : replies) all += line + "\n";
    return all;
  }

  testing::MailTestFolder folder;
  fs::path inbox = folder.path() / "inbox";
  fs::path cert = folder.path() / "cert.pem";
  fs::path key = folder.path() / "key.pem";
  std::unique_ptr<testing::SmtpSink> sink;
  MapSecrets secrets;
  ReplyLog replies;
};

const char* kLocalNames = "DNS:localhost,IP:127.0.0.1";

TEST_F(SecureDeliveryTest, StartTlsWithLoginDeliversTheSameBytesAsThePlainDialogue) {
  const fs::path picture = folder.path() / "Email16to1_00001.jpg";
  {
    const auto bytes = testing::CountingBytes(1000);
    std::ofstream(picture, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  }
  ASSERT_NO_FATAL_FAILURE(MakeCertificate(kLocalNames));
  ASSERT_NO_FATAL_FAILURE(StartServer(
      {"--starttls", cert.string(), key.string(), "--login", "cam@example.test", "right horse"}));
  secrets.passwords.push_back({{"cam@example.test", "127.0.0.1", sink->port()}, "right horse"});

  EXPECT_EQ(Deliver(*Message(MailSecurity::kStartTls, picture.string())), 0) << Replies();
  ASSERT_FALSE(sink->Message(1).empty());
  EXPECT_NE(sink->Envelope(1).find("auth cam@example.test"), std::string::npos);
  EXPECT_NE(Replies().find("250"), std::string::npos);

  // The plain way to a plain server stores the very same message.
  const fs::path plainInbox = folder.path() / "plain";
  fs::create_directories(plainInbox);
  testing::SmtpSink plain(plainInbox);
  ASSERT_GT(plain.port(), 0);
  auto message = Message(MailSecurity::kPlain, picture.string());
  message->port = plain.port();
  ASSERT_EQ(Deliver(*message), 0);
  EXPECT_EQ(ReadBytes(sink->Message(1)), ReadBytes(plain.Message(1)));
}

TEST_F(SecureDeliveryTest, APlainBodyLineThatBeginsWithADotArrivesAsWritten) {
  ASSERT_NO_FATAL_FAILURE(MakeCertificate(kLocalNames));
  ASSERT_NO_FATAL_FAILURE(StartServer({"--tls", cert.string(), key.string()}));
  testing::MailFields fields;
  fields.port = sink->port();
  fields.bodyType = "text/plain";
  fields.body = "line one\r\n.\r\n..two dots\r\nend";
  auto message = testing::BuildMailMessage(fields);
  message->security = MailSecurity::kTls;
  ASSERT_EQ(Deliver(*message), 0) << Replies();
  const std::string stored = ReadBytes(sink->Message(1));
  EXPECT_NE(stored.find("\r\n\r\nline one\r\n.\r\n..two dots\r\nend\r\n"), std::string::npos)
      << stored;
}

TEST_F(SecureDeliveryTest, TlsFromTheFirstByteWithLoginDelivers) {
  ASSERT_NO_FATAL_FAILURE(MakeCertificate(kLocalNames));
  ASSERT_NO_FATAL_FAILURE(
      StartServer({"--tls", cert.string(), key.string(), "--login", "cam@example.test", "pw"}));
  secrets.passwords.push_back({{"cam@example.test", "127.0.0.1", sink->port()}, "pw"});
  EXPECT_EQ(Deliver(*Message(MailSecurity::kTls)), 0) << Replies();
  EXPECT_NE(sink->Envelope(1).find("auth cam@example.test"), std::string::npos);
}

TEST_F(SecureDeliveryTest, AWrongOrMissingPasswordIsRefused) {
  ASSERT_NO_FATAL_FAILURE(MakeCertificate(kLocalNames));
  ASSERT_NO_FATAL_FAILURE(StartServer(
      {"--starttls", cert.string(), key.string(), "--login", "cam@example.test", "pw"}));
  EXPECT_EQ(Deliver(*Message(MailSecurity::kStartTls)), -1);  // none kept: no login
  secrets.passwords.push_back({{"cam@example.test", "127.0.0.1", sink->port()}, "wrong"});
  EXPECT_EQ(Deliver(*Message(MailSecurity::kStartTls)), -1);
  EXPECT_NE(Replies().find("535"), std::string::npos) << Replies();
  EXPECT_TRUE(sink->Message(1).empty());
}

TEST_F(SecureDeliveryTest, ACertificateForAnotherNameFailsTheSend) {
  ASSERT_NO_FATAL_FAILURE(MakeCertificate("DNS:other.example.test"));
  for (const char* way : {"--starttls", "--tls"}) {
    ASSERT_NO_FATAL_FAILURE(StartServer({way, cert.string(), key.string()}));
    const auto security =
        std::string(way) == "--tls" ? MailSecurity::kTls : MailSecurity::kStartTls;
    EXPECT_EQ(Deliver(*Message(security)), -1) << way;
    EXPECT_TRUE(sink->Message(1).empty()) << way;
  }
}

TEST_F(SecureDeliveryTest, AnUnknownAuthorityFailsTheSend) {
  ASSERT_NO_FATAL_FAILURE(MakeCertificate(kLocalNames));
  ASSERT_NO_FATAL_FAILURE(StartServer({"--tls", cert.string(), key.string()}));
  replies.clear();
  // The system's store, which does not know the test's certificate.
  EXPECT_EQ(DeliverMail(*Message(MailSecurity::kTls), {kBounds, &secrets, {}}, -1, &replies), -1);
  EXPECT_TRUE(sink->Message(1).empty());
}

TEST_F(SecureDeliveryTest, AServerWithoutStartTlsGetsNeitherLoginNorMail) {
  ASSERT_NO_FATAL_FAILURE(StartServer({}));
  secrets.passwords.push_back({{"cam@example.test", "127.0.0.1", sink->port()}, "pw"});
  EXPECT_EQ(Deliver(*Message(MailSecurity::kStartTls)), -1);
  EXPECT_TRUE(sink->Message(1).empty());
  // And the plain dialogue refuses a message meant for a secure way.
  EXPECT_EQ(SendMail(Message(MailSecurity::kStartTls).get(), kBounds), -1);
  EXPECT_TRUE(sink->Message(1).empty());
}

}  // namespace
}  // namespace tavo::cctv
