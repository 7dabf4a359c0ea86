// Apply and the mail password: asked once for a server that takes a login, kept in the secret
// store under the account that logs in, never in the settings store.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "cctv_fixture.h"
#include "registrykey.h"

namespace tavo::cctv {
namespace {

using testing::CctvRig;

class KeptSecrets final : public SecretStore {
 public:
  std::optional<std::string> Lookup(const MailAccount& account) override {
    for (const auto& [kept, password] : kept_)
      if (kept == account) return password;
    return std::nullopt;
  }
  bool Store(const MailAccount& account, const std::string& password) override {
    kept_.emplace_back(account, password);
    return true;
  }
  const std::vector<std::pair<MailAccount, std::string>>& kept() const { return kept_; }

 private:
  std::vector<std::pair<MailAccount, std::string>> kept_;
};

class AnsweringPrompt final : public PasswordPrompt {
 public:
  std::optional<std::string> AskPassword(const MailAccount& account) override {
    asked.push_back(account);
    return answer;
  }
  std::optional<std::string> answer = "s3cret horse";
  std::vector<MailAccount> asked;
};

class MailPasswordTest : public ::testing::Test {
 protected:
  CctvController& Apply(const std::string& server, const std::string& sender) {
    CctvController& c = rig.controller ? *rig.controller : rig.Started();
    c.OnMailTextEdited(kEditSmtpServer, server);
    c.OnMailTextEdited(kEditSender, sender);
    if (!c.configOpen()) c.OnButton(kButtonSetup);
    c.OnButton(kButtonApply);
    return c;
  }

  KeptSecrets secrets;
  AnsweringPrompt prompt;
  CctvRig rig;
  void SetUp() override {
    rig.secrets = &secrets;
    rig.passwordPrompt = &prompt;
  }
};

TEST_F(MailPasswordTest, ASecureServerIsAskedForOnceAndKeptUnderTheSendersAccount) {
  Apply(" smtp://smtp.example.test ", "cam@example.test");
  ASSERT_EQ(prompt.asked.size(), 1u);
  const MailAccount account{"cam@example.test", "smtp.example.test", 587};
  EXPECT_EQ(prompt.asked[0], account);
  ASSERT_EQ(secrets.kept().size(), 1u);
  EXPECT_EQ(secrets.kept()[0].first, account);
  EXPECT_EQ(secrets.kept()[0].second, "s3cret horse");

  Apply(" smtp://smtp.example.test ", "cam@example.test");
  EXPECT_EQ(prompt.asked.size(), 1u);  // known now: not asked again

  // Another account on the same server is asked for; a named user logs in instead of the sender.
  Apply("box7@smtp.example.test:465", "cam@example.test");
  ASSERT_EQ(prompt.asked.size(), 2u);
  EXPECT_EQ(prompt.asked[1], (MailAccount{"box7", "smtp.example.test", 465}));

  // The settings store holds the field as typed, and no password anywhere.
  RegistryRoot root{(rig.folder.path() / "settings.sqlite").string()};
  RegistryKey key(root);
  ASSERT_TRUE(key.Open(root, kSettingsKey));
  std::string stored;
  ASSERT_TRUE(key.ReadString("Smtp", stored));
  EXPECT_EQ(stored, "box7@smtp.example.test:465");
  std::ifstream in(rig.folder.path() / "settings.sqlite", std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(bytes.find("s3cret"), std::string::npos);
}

TEST_F(MailPasswordTest, ThePlainWayAndAnUnreadableFieldAskNothing) {
  for (const char* server : {"mail.example.test", "mail.example.test:25", "smtp://", ""}) {
    Apply(server, "cam@example.test");
  }
  EXPECT_TRUE(prompt.asked.empty());
  EXPECT_TRUE(secrets.kept().empty());
}

TEST_F(MailPasswordTest, ACancelledDialogKeepsNothingAndAsksAgainAtTheNextApply) {
  prompt.answer = std::nullopt;
  Apply("smtps://smtp.example.test", "cam@example.test");
  EXPECT_TRUE(secrets.kept().empty());
  prompt.answer = "";
  Apply("smtps://smtp.example.test", "cam@example.test");
  EXPECT_TRUE(secrets.kept().empty());
  EXPECT_EQ(prompt.asked.size(), 2u);
}

}  // namespace
}  // namespace tavo::cctv
