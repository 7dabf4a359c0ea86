#include "mail/mailserver.h"

#include <algorithm>
#include <cctype>

namespace tavo::cctv {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char lower, char c) {
           return std::tolower(static_cast<unsigned char>(c)) == lower;
         });
}

// The host goes into a URL: only what a host name or IPv4 address is made of, so that nothing can
// add a path, a query or a second authority.
bool IsHostName(std::string_view host) {
  if (host.empty() || host.size() > 253) return false;
  return std::all_of(host.begin(), host.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
  });
}

bool HasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::optional<int> ParsePort(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  int port = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > 65535) return std::nullopt;
  return port;
}

}  // namespace

std::optional<MailServer> ParseMailServer(std::string_view text, int plainPort) {
  if (text.empty()) return std::nullopt;
  std::optional<MailSecurity> scheme;
  if (StartsWithNoCase(text, "smtps://")) {
    scheme = MailSecurity::kTls;
    text.remove_prefix(8);
  } else if (StartsWithNoCase(text, "smtp://")) {
    scheme = MailSecurity::kStartTls;
    text.remove_prefix(7);
  }
  if (!scheme && text.find_first_of(":@") == text.npos) {
    // The field as it always was: the name goes to the plain dialogue unchanged.
    return MailServer{std::string(text), plainPort, MailSecurity::kPlain, {}};
  }
  if (scheme && !text.empty() && text.back() == '/') text.remove_suffix(1);

  MailServer server;
  // A user name may itself be an address: the host follows the last "@".
  if (const auto at = text.rfind('@'); at != text.npos) {
    server.user = std::string(text.substr(0, at));
    if (server.user.empty() || HasControl(server.user)) return std::nullopt;
    text.remove_prefix(at + 1);
  }
  std::optional<int> port;
  if (const auto colon = text.find(':'); colon != text.npos) {
    port = ParsePort(text.substr(colon + 1));
    if (!port) return std::nullopt;
    text = text.substr(0, colon);
  }
  if (!IsHostName(text)) return std::nullopt;
  server.host = std::string(text);

  if (scheme) {
    server.security = *scheme;
    server.port = port.value_or(*scheme == MailSecurity::kTls ? kTlsPort : kStartTlsPort);
  } else if (!port) {
    server.security = MailSecurity::kPlain;
    server.port = plainPort;
  } else {
    server.port = *port;
    server.security = *port == 25         ? MailSecurity::kPlain
                      : *port == kTlsPort ? MailSecurity::kTls
                                          : MailSecurity::kStartTls;
  }
  if (server.security == MailSecurity::kPlain && !server.user.empty()) return std::nullopt;
  return server;
}

std::string AccountLabel(const MailAccount& account) {
  return account.user + "@" + account.host + ":" + std::to_string(account.port);
}

}  // namespace tavo::cctv
