#include "mail/alertmail.h"

#include <cstdio>

#include "mail/mailstrings.h"
#include "mail/securesmtp.h"

namespace tavo::cctv {

namespace {

constexpr int kNoMessage = 0;

std::string Trimmed(const std::string& text) {
  constexpr const char* kBlank = " \t\r\n\v\f";
  const auto first = text.find_first_not_of(kBlank);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlank) - first + 1);
}

}  // namespace

MailAccount LoginAccount(const MailServer& server, const std::string& sender) {
  return {server.user.empty() ? Trimmed(sender) : server.user, server.host, server.port};
}

int DeliverMail(const MailMessage& message, const MailDeliveryOptions& options, int cancelFd,
                ReplyLog* replies) {
  if (message.security == MailSecurity::kPlain)
    return SendMail(&message, options.timeouts, cancelFd, replies);
  SecureSmtpOptions secure{options.timeouts, std::nullopt, options.caFile};
  if (options.secrets != nullptr && message.server && !message.login.empty())
    secure.password = options.secrets->Lookup({message.login, *message.server, message.port});
  return SendMailSecure(message, secure, cancelFd, replies);
}

int FillAlertMail(MailMessage& message, const AlertMailFields& fields, int plainPort) {
  constexpr int kRefused = -1;
  // The edit texts are taken whole, however long: nothing is cut.
  const std::string sender = Trimmed(fields.sender);
  const std::string recipient = Trimmed(fields.recipient);
  const auto server = ParseMailServer(Trimmed(fields.server), plainPort);
  if (!server || SetServer(&message, server->host.c_str()) != 0) return kMsgBadSmtpServer;
  if (SetPort(&message, server->port) != 0 || SetSubject(&message, fields.subject.c_str()) != 0)
    return kRefused;
  if (SetSender(&message, sender.c_str()) != 0) return kMsgBadSender;
  if (SetRecipient(&message, recipient.c_str()) != 0) return kMsgBadRecipient;
  if (SetBodyType(&message, "text/html") != 0 || SetBody(&message, fields.body.c_str()) != 0)
    return kRefused;
  if (AddAttachment(&message, fields.compositePath.c_str(), "image/jpg") != 0)
    return kMsgNoAttachment;
  message.security = server->security;
  if (server->security != MailSecurity::kPlain) message.login = LoginAccount(*server, sender).user;
  return 0;
}

std::string AlertMailBody(const std::string& uiLanguage) {
  return uiLanguage == "Korean" ? "TavoCCTV 사진 전송" : "TavoCCTV photo";
}

AlertMailer::AlertMailer(AlertMailWindow& window, MailTransport& transport, MessageBoxes& boxes,
                         const StringTable& strings, int port)
    : window_(window),
      boxes_(boxes),
      strings_(strings),
      port_(port),
      outbox_(transport, [this](int result) { OnDelivered(result); }) {}

bool AlertMailer::SendAlertMail(const std::string& subject, const std::string& compositePath) {
  int messageId = kNoMessage;
  {
    auto message = CreateMailMessage();
    const int filled =
        FillAlertMail(*message,
                      {window_.MailEditText(kEditSmtpServer), window_.MailEditText(kEditSender),
                       window_.MailEditText(kEditRecipient), subject,
                       AlertMailBody(strings_.UiLanguage()), compositePath},
                      port_);
    if (filled == 0) {
      // The worker owns the message from here and releases it once it has been sent.
      if (auto dropped = outbox_.Post(std::move(*message)))
        Drop(*dropped, "newer alerts took its place while the server was slow");
      return true;
    }
    if (filled > 0) messageId = filled;
    // Released before the user is told, as on every failure below.
    FreeMailMessage(message.get());
  }
  return Fail(messageId);
}

void AlertMailer::OnDelivered(int result) {
  if (result == 0) {
    ++delivered_;
    return;
  }
  // With alerts going off, the mails behind this one (same server, same settings) are not tried
  // either: after a failure nothing more is sent until the user switches alerts on again. In
  // viewer mode alerts stay on, and so do they.
  if (window_.MailBoxShown()) {
    for (const MailMessage& waiting : outbox_.TakeWaiting())
      Drop(waiting, "alerts went off after a mail that could not be sent");
  }
  outbox_.Resume();
  Fail(kMsgMailFailed);
}

void AlertMailer::Drop(const MailMessage& message, const char* why) {
  ++dropped_;
  // No box: the recorder runs unattended, and a box per dropped mail would only pile up. The
  // composite stays in the run's mail folder.
  const char* attachment = GetAttachmentPath(&message, 1);
  std::fprintf(stderr, "TavoCCTV: alert mail of %s not sent: %s\n",
               attachment != nullptr ? attachment : "?", why);
}

bool AlertMailer::Fail(int messageId) {
  // Alerts go off before the box opens: timers keep running beneath it, and a batch completed
  // meanwhile must not try the same broken settings again. In viewer mode they stay on.
  if (window_.MailBoxShown()) window_.SwitchMailAlertsOff();
  if (messageId != kNoMessage) ShowString(boxes_, strings_, messageId);
  return false;
}

}  // namespace tavo::cctv
