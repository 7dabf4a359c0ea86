#include "mail/secretstore.h"

#include <fcntl.h>
#include <libsecret/secret.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "filehandle.h"

namespace tavo::cctv {

namespace {

std::string Hex(std::string_view text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() * 2);
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
  }
  return out;
}

std::optional<std::string> Unhex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = digit(hex[i]);
    const int low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
  }
  return out;
}

struct FileEntry {
  MailAccount account;
  std::string password;
};

// Lines that do not read are skipped: a damaged line costs its own password, not the others.
std::vector<FileEntry> ReadEntries(const std::filesystem::path& file) {
  std::vector<FileEntry> entries;
  std::ifstream in(file, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string user, host, password;
    int port = 0;
    if (!(fields >> user >> host >> port >> password)) continue;
    auto u = Unhex(user), h = Unhex(host), p = Unhex(password);
    if (!u || !h || !p) continue;
    entries.push_back({{*u, *h, port}, *p});
  }
  return entries;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(fd, bytes.data(), bytes.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

const SecretSchema& MailSchema() {
  static const SecretSchema schema = [] {
    SecretSchema s{};
    s.name = "org.tavo.TavoCCTV.MailPassword";
    s.flags = SECRET_SCHEMA_NONE;
    s.attributes[0] = {"user", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[1] = {"server", SECRET_SCHEMA_ATTRIBUTE_STRING};
    s.attributes[2] = {"port", SECRET_SCHEMA_ATTRIBUTE_INTEGER};
    return s;
  }();
  return schema;
}

}  // namespace

std::optional<std::string> FileSecretStore::Lookup(const MailAccount& account) {
  const std::lock_guard lock(mutex_);
  for (const FileEntry& entry : ReadEntries(file_))
    if (entry.account == account) return entry.password;
  return std::nullopt;
}

bool FileSecretStore::Store(const MailAccount& account, const std::string& password) {
  const std::lock_guard lock(mutex_);
  std::error_code error;
  const auto folder = file_.parent_path();
  if (!folder.empty() && !std::filesystem::exists(folder, error)) {
    std::filesystem::create_directories(folder, error);
    if (error) return false;
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
  }
  std::string text;
  for (const FileEntry& entry : ReadEntries(file_)) {
    if (entry.account == account) continue;
    text += Hex(entry.account.user) + " " + Hex(entry.account.host) + " " +
            std::to_string(entry.account.port) + " " + Hex(entry.password) + "\n";
  }
  text += Hex(account.user) + " " + Hex(account.host) + " " + std::to_string(account.port) + " " +
          Hex(password) + "\n";

  // Made 0600 from the start, never widened: there is no moment in which others could read it.
  const std::string temporary = file_.string() + ".new";
  ::unlink(temporary.c_str());
  UniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!fd.valid()) return false;
  const bool written = WriteAll(fd.get(), text) && ::fsync(fd.get()) == 0;
  fd.reset();
  if (!written || ::rename(temporary.c_str(), file_.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool KeyringSecretStore::SessionBusPresent() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address != nullptr && *address != '\0') return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') return false;
  std::error_code error;
  return std::filesystem::is_socket(std::filesystem::path(runtime) / "bus", error);
}

std::optional<std::string> KeyringSecretStore::Lookup(const MailAccount& account) {
  GError* error = nullptr;
  gchar* password =
      secret_password_lookup_sync(&MailSchema(), nullptr, &error, "user", account.user.c_str(),
                                  "server", account.host.c_str(), "port", account.port, nullptr);
  if (error != nullptr) g_error_free(error);
  if (password == nullptr) return std::nullopt;
  std::string result(password);
  secret_password_free(password);  // wipes the copy libsecret held
  return result;
}

bool KeyringSecretStore::Store(const MailAccount& account, const std::string& password) {
  GError* error = nullptr;
  const std::string label = "TavoCCTV mail " + AccountLabel(account);
  const gboolean stored = secret_password_store_sync(
      &MailSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(), nullptr, &error,
      "user", account.user.c_str(), "server", account.host.c_str(), "port", account.port, nullptr);
  if (error != nullptr) {
    // Why, for whoever reads the standard error stream; the password itself is never in it.
    std::fprintf(stderr, "tavo: the desktop keyring did not keep the mail password: %s\n",
                 error->message);
    g_error_free(error);
  }
  return stored != FALSE;
}

std::optional<std::string> DesktopSecretStore::Lookup(const MailAccount& account) {
  if (KeyringSecretStore::SessionBusPresent()) {
    if (auto password = keyring_.Lookup(account)) return password;
  }
  return file_.Lookup(account);
}

bool DesktopSecretStore::Store(const MailAccount& account, const std::string& password) {
  if (KeyringSecretStore::SessionBusPresent() && keyring_.Store(account, password)) return true;
  return file_.Store(account, password);
}

std::filesystem::path DefaultSecretFile() {
  const char* registry = std::getenv("TAVO_REGISTRY");
  if (registry != nullptr && *registry != '\0')
    return std::filesystem::path(registry).parent_path() / "mail-passwords";
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::filesystem::path folder;
  if (config != nullptr && *config != '\0') {
    folder = config;
  } else {
    const char* home = std::getenv("HOME");
    folder = std::filesystem::path(home != nullptr ? home : ".") / ".config";
  }
  return folder / "tavo" / "mail-passwords";
}

}  // namespace tavo::cctv
