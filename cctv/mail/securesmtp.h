// The secure ways to the mail server, on libcurl's SMTP support: STARTTLS or TLS from the first
// byte, the certificate and host name checked, a login only inside TLS. The message bytes after
// DATA are composed by ComposeMailContent, as for the plain dialogue.
#pragma once

#include <optional>
#include <string>

#include "mail/mailmessage.h"

namespace tavo::cctv {

struct SecureSmtpOptions {
  SmtpTimeouts timeouts;
  // Logs in as the message's `login` when set; no login otherwise.
  std::optional<std::string> password;
  // Certificates of the authorities to trust, in PEM; empty for the system's store. Tests pass
  // the authority they made; a certificate that does not check always fails the send.
  std::string caFile;
};

// Delivers `message` (security kStartTls or kTls) to its server and port. 0 when the server
// accepted it; -1 on any failure: no TLS offered, a certificate that does not check, a refused
// login or mail, an expired wait, or `cancelFd` (a CancelSignal's descriptor; -1 for none)
// raised. `replies`, when given, receives the server's reply lines and, on failure, libcurl's
// account of it; never what was sent (a login would be in it).
int SendMailSecure(const MailMessage& message, const SecureSmtpOptions& options, int cancelFd = -1,
                   ReplyLog* replies = nullptr);

}  // namespace tavo::cctv
