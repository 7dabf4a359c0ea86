// The alert mail: the newest composite sent as the attachment of a short multipart mail to the
// recipient of the configuration panel, through the user's SMTP server.
#pragma once

#include <string>

#include "mail/mailmessage.h"
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
  // Switches alerts off: clears the check box and disables the three mail edit boxes.
  virtual void ToggleMailAlerts() = 0;
};

// Delivers one message; 0 when delivered, -1 otherwise.
class MailTransport {
 public:
  virtual ~MailTransport() = default;
  virtual int Deliver(const MailMessage& message) = 0;
};

// SendMail over a real connection, every wait bounded by `timeouts`.
class SmtpMailTransport final : public MailTransport {
 public:
  explicit SmtpMailTransport(SmtpTimeouts timeouts = {}) : timeouts_(timeouts) {}
  int Deliver(const MailMessage& message) override { return SendMail(&message, timeouts_); }

 private:
  SmtpTimeouts timeouts_;
};

// The body text of the alert mail for `uiLanguage` (string 3000): Korean for "Korean", English
// for anything else.
std::string AlertMailBody(const std::string& uiLanguage);

class AlertMailer {
 public:
  // Texts in the language of `strings`, whose string 3000 also picks the body text. `port` is
  // the SMTP port (25; tests point it elsewhere).
  AlertMailer(AlertMailWindow& window, MailTransport& transport, MessageBoxes& boxes,
              const StringTable& strings, int port = kSmtpPort);

  // Mails `compositePath` under `subject`. True when delivered. Otherwise false, after switching
  // alerts off (only while the check box is shown) and then showing the step's message: 3015 no
  // server, 3016 no sender, 3017 no recipient, 3018 no attachment, 3019 delivery failed.
  bool SendAlertMail(const std::string& subject, const std::string& compositePath);

 private:
  bool Fail(int messageId);

  AlertMailWindow& window_;
  MailTransport& transport_;
  MessageBoxes& boxes_;
  const StringTable& strings_;
  int port_;
};

}  // namespace tavo::cctv
