// tavo-mailtest against a real server: it sends with the stored settings and the kept password,
// and shows the server's replies, the refusal of a wrong password included.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cctvsettings.h"
#include "command_output.h"
#include "mail/secretstore.h"
#include "mail_test_folder.h"
#include "registrykey.h"
#include "smtp_sink.h"
#include "test_certificate.h"

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;

class MailTestProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(testing::MakeTestCertificate("IP:127.0.0.1", cert, key), "");
    fs::create_directories(inbox);
    sink = std::make_unique<testing::SmtpSink>(
        inbox, std::vector<std::string>{"--tls", cert.string(), key.string(), "--login",
                                        "cam@example.test", "pw"});
    ASSERT_GT(sink->port(), 0);
    const RegistryRoot root{registry.string()};
    RegistryKey settings(root);
    ASSERT_TRUE(settings.CreateKey(root, kSettingsKey));
    settings.WriteString("FromMailAdd", "cam@example.test");
    settings.WriteString("ToMailAdd", "me@example.test");
    settings.WriteString("Smtp", "smtps://127.0.0.1:" + std::to_string(sink->port()));
  }

  // The program's output and exit status; no session bus, so the password comes from the file
  // beside the settings store.
  std::string Run() {
    return testing::CommandOutput("env -u DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR='" +
                                  folder.path().string() + "' TAVO_REGISTRY='" + registry.string() +
                                  "' " + TAVO_MAILTEST_PROGRAM + " --ca '" + cert.string() +
                                  "' 2>&1; echo \"exit $?\"");
  }

  void KeepPassword(const std::string& password) {
    ASSERT_TRUE(FileSecretStore(folder.path() / "mail-passwords")
                    .Store({"cam@example.test", "127.0.0.1", sink->port()}, password));
  }

  testing::MailTestFolder folder;
  fs::path registry = folder.path() / "r.sqlite";
  fs::path inbox = folder.path() / "inbox";
  fs::path cert = folder.path() / "cert.pem";
  fs::path key = folder.path() / "key.pem";
  std::unique_ptr<testing::SmtpSink> sink;
};

TEST_F(MailTestProgram, SendsATestAlertAndShowsTheReplies) {
  ASSERT_NO_FATAL_FAILURE(KeepPassword("pw"));
  const std::string output = Run();
  EXPECT_NE(output.find("(TLS)"), std::string::npos) << output;
  EXPECT_NE(output.find("Login: cam@example.test"), std::string::npos) << output;
  EXPECT_NE(output.find("235"), std::string::npos) << output;  // the login accepted
  EXPECT_NE(output.find("Delivered.\nexit 0"), std::string::npos) << output;
  EXPECT_EQ(output.find("pw\n"), std::string::npos) << output;
  const auto mail = testing::InspectMail(sink->Message(1));
  EXPECT_EQ(mail.at("to"), "me@example.test");
  EXPECT_EQ(mail.at("part2_filename"), "Email16to1_00000.jpg");
}

TEST_F(MailTestProgram, AWrongPasswordShowsTheRefusal) {
  ASSERT_NO_FATAL_FAILURE(KeepPassword("not it"));
  const std::string output = Run();
  EXPECT_NE(output.find("535"), std::string::npos) << output;
  EXPECT_NE(output.find("Not delivered.\nexit 1"), std::string::npos) << output;
  EXPECT_EQ(output.find("not it"), std::string::npos) << output;
  EXPECT_TRUE(sink->Message(1).empty());
}

}  // namespace
}  // namespace tavo::cctv
