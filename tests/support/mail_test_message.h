// A mail record filled through the library's own setters, as a program fills it. The defaults
// are the alert mail TavoCCTV sends, addressed to a server on this machine.
#pragma once

#include <memory>
#include <string>

#include "mail/mailmessage.h"

namespace tavo::testing {

struct MailFields {
  std::string server = "127.0.0.1";
  int port = 25;
  std::string subject = "TavoCCTV 14h05m09s_01-17-03";
  std::string from = "cam@example.test";
  std::string to = "me@example.test";
  std::string bodyType = "text/html";
  std::string body = "TavoCCTV photo";
  std::string attachment;  // a JPEG file's path; none when empty
};

// The record for `fields`; a text a setter refuses leaves its field empty.
inline std::unique_ptr<cctv::MailMessage> BuildMailMessage(const MailFields& fields) {
  auto message = cctv::CreateMailMessage();
  cctv::SetServer(message.get(), fields.server.c_str());
  cctv::SetPort(message.get(), fields.port);
  cctv::SetSubject(message.get(), fields.subject.c_str());
  cctv::SetSender(message.get(), fields.from.c_str());
  cctv::SetRecipient(message.get(), fields.to.c_str());
  cctv::SetBodyType(message.get(), fields.bodyType.c_str());
  cctv::SetBody(message.get(), fields.body.c_str());
  if (!fields.attachment.empty())
    cctv::AddAttachment(message.get(), fields.attachment.c_str(), "image/jpg");
  return message;
}

// The alert mail to the server at `port`, with `attachment` when it is not empty.
inline std::unique_ptr<cctv::MailMessage> AlertLikeMessage(int port = 25,
                                                           const std::string& attachment = {}) {
  MailFields fields;
  fields.port = port;
  fields.attachment = attachment;
  return BuildMailMessage(fields);
}

}  // namespace tavo::testing
