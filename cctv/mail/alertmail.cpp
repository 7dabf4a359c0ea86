#include "mail/alertmail.h"

#include <cstdio>

#include "mail/mailstrings.h"

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
  // Each step that the library refuses fails the mail; the message is released before the user
  // is told, as on every failure below.
  int messageId = kNoMessage;
  {
    auto message = CreateMailMessage();
    // The edit texts are taken whole, however long: nothing is cut.
    const std::string server = Trimmed(window_.MailEditText(kEditSmtpServer));
    const std::string sender = Trimmed(window_.MailEditText(kEditSender));
    const std::string recipient = Trimmed(window_.MailEditText(kEditRecipient));
    const std::string body = AlertMailBody(strings_.UiLanguage());
    if (SetServer(message.get(), server.c_str()) != 0) {
      messageId = kMsgBadSmtpServer;
    } else if (SetPort(message.get(), port_) != 0 ||
               SetSubject(message.get(), subject.c_str()) != 0) {
      messageId = kNoMessage;
    } else if (SetSender(message.get(), sender.c_str()) != 0) {
      messageId = kMsgBadSender;
    } else if (SetRecipient(message.get(), recipient.c_str()) != 0) {
      messageId = kMsgBadRecipient;
    } else if (SetBodyType(message.get(), "text/html") != 0 ||
               SetBody(message.get(), body.c_str()) != 0) {
      messageId = kNoMessage;
    } else if (AddAttachment(message.get(), compositePath.c_str(), "image/jpg") != 0) {
      messageId = kMsgNoAttachment;
    } else {
      // The worker owns the message from here and releases it once it has been sent.
      if (auto dropped = outbox_.Post(std::move(*message)))
        Drop(*dropped, "newer alerts took its place while the server was slow");
      return true;
    }
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
