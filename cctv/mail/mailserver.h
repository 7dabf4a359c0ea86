// What the mail-server field may say: a bare host name (the plain port-25 dialogue), or where
// and how a provider takes mail: "host:port", "user@host:port", "smtp://host[:port]" (STARTTLS)
// and "smtps://host[:port]" (TLS from the first byte).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "mail/mailmessage.h"

namespace tavo::cctv {

inline constexpr int kStartTlsPort = 587;
inline constexpr int kTlsPort = 465;

struct MailServer {
  std::string host;
  int port = 0;
  MailSecurity security = MailSecurity::kPlain;
  std::string user;  // empty: the sender address logs in
};

// Reads the field's text (already trimmed). A bare host (no scheme, port or "@") is the plain
// dialogue at `plainPort`, its text taken as it is. A port without a scheme picks the way: 25
// plain, 465 TLS, any other STARTTLS. None for an empty text, a malformed port, a host with
// characters no host name has, or a user name with the plain way (a login never goes in clear).
std::optional<MailServer> ParseMailServer(std::string_view text, int plainPort);

// The account whose password a login uses, and under which the secret store keeps it.
struct MailAccount {
  std::string user;
  std::string host;
  int port = 0;
  bool operator==(const MailAccount&) const = default;
};

// "user@host:port", for the password dialog and the store's label.
std::string AccountLabel(const MailAccount& account);

}  // namespace tavo::cctv
