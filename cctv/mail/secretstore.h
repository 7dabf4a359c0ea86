// Where the mail password lives: the desktop's secret store (Secret Service, through libsecret),
// or, where no secret service runs, a file that only the user can read. Never the settings store.
#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "mail/mailserver.h"

namespace tavo::cctv {

// Used from the user-interface thread (Store, at apply) and the mail worker (Lookup) at once.
class SecretStore {
 public:
  virtual ~SecretStore() = default;
  // The password kept for `account`, or none.
  virtual std::optional<std::string> Lookup(const MailAccount& account) = 0;
  // Keeps `password` for `account`, replacing one kept before. False when it could not be kept.
  virtual bool Store(const MailAccount& account, const std::string& password) = 0;
};

// Asks the user for the password of `account` (a small dialog). None when they declined.
class PasswordPrompt {
 public:
  virtual ~PasswordPrompt() = default;
  virtual std::optional<std::string> AskPassword(const MailAccount& account) = 0;
};

// One file, mode 0600 in a folder of mode 0700, replaced whole on every store so that a reader
// never sees half of it. Lines of hex-encoded user, host, the port and hex-encoded password.
class FileSecretStore final : public SecretStore {
 public:
  explicit FileSecretStore(std::filesystem::path file) : file_(std::move(file)) {}
  std::optional<std::string> Lookup(const MailAccount& account) override;
  bool Store(const MailAccount& account, const std::string& password) override;

 private:
  std::filesystem::path file_;
  std::mutex mutex_;
};

// The Secret Service through libsecret, under the schema "org.tavo.TavoCCTV.MailPassword".
class KeyringSecretStore final : public SecretStore {
 public:
  // True when a session bus is there to ask: without one, libsecret would try to start a bus of
  // its own.
  static bool SessionBusPresent();
  std::optional<std::string> Lookup(const MailAccount& account) override;
  bool Store(const MailAccount& account, const std::string& password) override;
};

// The keyring where a session bus runs and it answers; the file otherwise. A password kept in
// the file while the keyring was away is still found.
class DesktopSecretStore final : public SecretStore {
 public:
  explicit DesktopSecretStore(std::filesystem::path fallbackFile)
      : file_(std::move(fallbackFile)) {}
  std::optional<std::string> Lookup(const MailAccount& account) override;
  bool Store(const MailAccount& account, const std::string& password) override;

 private:
  KeyringSecretStore keyring_;
  FileSecretStore file_;
};

// The fallback file: "mail-passwords" beside the settings store (the folder of TAVO_REGISTRY when
// set, else $XDG_CONFIG_HOME/tavo, ~/.config/tavo when that is unset).
std::filesystem::path DefaultSecretFile();

}  // namespace tavo::cctv
