// The alert mail: the newest composite sent as the attachment of a short multipart mail to the
// recipient of the configuration panel, through the user's SMTP server. The mail is filled on the
// user-interface thread; the dialogue with the server runs on a worker (MailOutbox).
#pragma once

#include <string>

#include "mail/mailmessage.h"
#include "mail/mailoutbox.h"
#include "mail/secretstore.h"
#include "messageboxes.h"
#include "stringtable.h"

namespace tavo::cctv {

inline constexpr int kSmtpPort = 25;

// The configuration panel's mail edit boxes.
inline constexpr int kEditSmtpServer = 1012;
inline constexpr int kEditSender = 1013;
inline constexpr int kEditRecipient = 1015;

// What the alert mail needs of the main window.
class AlertMailWindow {
 public:
  virtual ~AlertMailWindow() = default;
  // The text of mail edit box `id` (kEditSmtpServer, kEditSender, kEditRecipient).
  virtual std::string MailEditText(int id) const = 0;
  // True while the alert check box is drawn (not in viewer mode).
  virtual bool MailBoxShown() const = 0;
  // Switches alerts off, whatever they were: clears the check box and disables the three mail
  // edit boxes. A failure that comes back after the user switched alerts off leaves them off.
  virtual void SwitchMailAlertsOff() = 0;
};

// How mails leave: every wait bounded by `timeouts`; the password of a secure way looked up in
// `secrets` (none: no login); `caFile` names the authorities to trust instead of the system's
// (tests only).
struct MailDeliveryOptions {
  SmtpTimeouts timeouts;
  SecretStore* secrets = nullptr;
  std::string caFile;
};

// Delivers `message` the way it names: the plain dialogue (SendMail) or a secure way
// (SendMailSecure, logged in when a password is kept for its account). 0 when delivered, -1
// otherwise; `replies` as for those two.
int DeliverMail(const MailMessage& message, const MailDeliveryOptions& options, int cancelFd = -1,
                ReplyLog* replies = nullptr);

class SmtpMailTransport final : public MailTransport {
 public:
  explicit SmtpMailTransport(SmtpTimeouts timeouts = {}, SecretStore* secrets = nullptr,
                             std::string caFile = {})
      : options_{timeouts, secrets, std::move(caFile)} {}
  int Deliver(const MailMessage& message, const CancelSignal& cancel) override {
    return DeliverMail(message, options_, cancel.fd());
  }

 private:
  MailDeliveryOptions options_;
};

// What an alert mail is made of: the three mail texts as typed (they are trimmed here), the
// subject, the body text and the composite.
struct AlertMailFields {
  std::string server;
  std::string sender;
  std::string recipient;
  std::string subject;
  std::string body;
  std::string compositePath;
};

// Fills the empty `message` with `fields`; a bare server name goes to `plainPort`. 0 when filled;
// otherwise the message number of the refused step (3015 server, 3016 sender, 3017 recipient,
// 3018 attachment), or -1 for a refusal that has none.
int FillAlertMail(MailMessage& message, const AlertMailFields& fields, int plainPort);

// The account a login of `server` uses: its own user name, or else the sender address.
MailAccount LoginAccount(const MailServer& server, const std::string& sender);

// The body text of the alert mail for `uiLanguage` (string 3000): Korean for "Korean", English
// for anything else.
std::string AlertMailBody(const std::string& uiLanguage);

class AlertMailer {
 public:
  // Texts in the language of `strings`, whose string 3000 also picks the body text. `port` is
  // the SMTP port (25; tests point it elsewhere). `transport` delivers on the mailer's worker
  // thread; the mailer must be made on the user-interface thread, whose event loop brings the
  // results back.
  AlertMailer(AlertMailWindow& window, MailTransport& transport, MessageBoxes& boxes,
              const StringTable& strings, int port = kSmtpPort);

  // Fills the mail of `compositePath` under `subject` from the window's mail edits and hands it
  // to the worker. True when it is on its way. False at once when the library refuses a field,
  // after switching alerts off (only while the check box is shown) and then showing the step's
  // message: 3015 no server, 3016 no sender, 3017 no recipient, 3018 no attachment. A delivery
  // that fails takes the same steps with 3019 when its result comes back; with alerts switched
  // off then, the mails still waiting are dropped.
  bool SendAlertMail(const std::string& subject, const std::string& compositePath);

  // Mails on their way whose result has not come back yet.
  int outstanding() const { return outbox_.outstanding(); }
  // Mails delivered, and mails dropped unsent (each one reported on the standard error stream),
  // since the mailer was made.
  int delivered() const { return delivered_; }
  int dropped() const { return dropped_; }

 private:
  void OnDelivered(int result);
  void Drop(const MailMessage& message, const char* why);
  bool Fail(int messageId);

  AlertMailWindow& window_;
  MessageBoxes& boxes_;
  const StringTable& strings_;
  int port_;
  int delivered_ = 0;
  int dropped_ = 0;
  MailOutbox outbox_;  // last: its worker is stopped before anything above goes
};

}  // namespace tavo::cctv
