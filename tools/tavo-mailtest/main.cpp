// tavo-mailtest: sends one test alert with TavoCCTV's stored mail settings, the way an alert goes,
// and prints what the server answered, so that provider settings can be checked without waiting
// for motion.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "cctvsettings.h"
#include "cctvstrings.h"
#include "jpegfile.h"
#include "mail/alertmail.h"
#include "mail/mailserver.h"
#include "mail/secretstore.h"
#include "registrykey.h"

namespace {

using namespace tavo;

constexpr int kExitDelivered = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "Usage: tavo-mailtest [--ca FILE]\n"
    "\n"
    "Sends one test alert (a grey composite) with the sender, receiver and mail server\n"
    "that TavoCCTV stored at its last apply, and prints each reply of the server.\n"
    "The password of a server that takes a login is the one TavoCCTV asked for at apply,\n"
    "from the desktop keyring or from the private file beside the settings store.\n"
    "--ca FILE  also trust the certificate authorities in FILE (PEM), for a server with a\n"
    "           certificate of its own; certificates are always checked.\n"
    "\n"
    "Exit status: 0 delivered, 1 not delivered, 2 usage error.\n";

class StderrBoxes final : public MessageBoxes {
 public:
  void Show(const std::string& text, MessageIcon, const std::string&) override {
    std::fprintf(stderr, "tavo-mailtest: %s\n", text.c_str());
  }
};

const char* WayName(cctv::MailSecurity security) {
  switch (security) {
    case cctv::MailSecurity::kStartTls:
      return "STARTTLS";
    case cctv::MailSecurity::kTls:
      return "TLS";
    case cctv::MailSecurity::kPlain:
      break;
  }
  return "plain, no encryption";
}

// A scratch folder for the test composite, gone with the object.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavo-mailtest-XXXXXX");
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace

int main(int argc, char** argv) {
  std::string caFile;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--ca" && i + 1 < argc) {
      caFile = argv[++i];
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return kExitDelivered;
    } else {
      std::fputs(kUsage, stderr);
      return kExitUsage;
    }
  }

  const StringTable strings(cctv::CctvStrings(), LanguageFromEnvironment());
  const RegistryRoot root = LocalMachine();
  RegistryKey key(root);
  std::string sender, recipient, server;
  if (!key.Open(root, cctv::kSettingsKey) || !key.ReadString("FromMailAdd", sender) ||
      !key.ReadString("ToMailAdd", recipient) || !key.ReadString("Smtp", server)) {
    std::fprintf(stderr,
                 "tavo-mailtest: no mail settings are stored; fill in the mail fields in "
                 "TavoCCTV and press apply\n");
    return kExitFailed;
  }
  key.Close();

  ScratchFolder scratch;
  if (scratch.path().empty()) {
    std::fprintf(stderr, "tavo-mailtest: cannot make a temporary folder\n");
    return kExitFailed;
  }
  const std::string composite = (scratch.path() / "Email16to1_00000.jpg").string();
  {
    StderrBoxes boxes;
    std::vector<std::uint8_t> grey(640 * 480 * 3, 128);
    if (!JpegFile(boxes).RgbToJpeg(composite, 75, grey.data(), 640, 480)) return kExitFailed;
  }

  char stamp[64] = {};
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", localtime_r(&now, &local));
  auto message = cctv::CreateMailMessage();
  const int filled =
      cctv::FillAlertMail(*message,
                          {server, sender, recipient, std::string("TavoCCTV test ") + stamp,
                           cctv::AlertMailBody(strings.UiLanguage()), composite},
                          cctv::kSmtpPort);
  if (filled != 0) {
    std::fprintf(stderr, "tavo-mailtest: %s\n",
                 filled > 0 ? strings.Text(filled).c_str() : "the mail cannot be composed");
    return kExitFailed;
  }

  cctv::DesktopSecretStore secrets(cctv::DefaultSecretFile());
  std::printf("Mail server: %s port %d (%s)\n", message->server->c_str(), message->port,
              WayName(message->security));
  if (message->security != cctv::MailSecurity::kPlain) {
    const cctv::MailAccount account{message->login, *message->server, message->port};
    if (secrets.Lookup(account)) {
      std::printf("Login: %s\n", message->login.c_str());
    } else {
      std::printf("Login: none (no password is kept for %s; press apply in TavoCCTV to give it)\n",
                  cctv::AccountLabel(account).c_str());
    }
  }
  std::printf("From %s to %s\n", message->from->c_str(), message->to->c_str());
  std::fflush(stdout);

  cctv::ReplyLog replies;
  const int result = cctv::DeliverMail(*message, {{}, &secrets, caFile}, -1, &replies);
  for (const std::string& line : replies) std::printf("  %s\n", line.c_str());
  std::printf(result == 0 ? "Delivered.\n" : "Not delivered.\n");
  return result == 0 ? kExitDelivered : kExitFailed;
}
