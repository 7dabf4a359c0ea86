#include "mail/mailmessage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "filehandle.h"
#include "mail/smtpconnection.h"

namespace tavo::cctv {

namespace {

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Content is handed to the sink in pieces of about this size, so a large attachment never sits
// whole in memory and the socket still sees few, large sends.
constexpr std::size_t kFlushSize = 16 * 1024;

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != text.npos; }

bool HasNonAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

int SetText(MailMessage* message, std::optional<std::string> MailMessage::*field, const char* text,
            bool lineBreaksAllowed) {
  if (message == nullptr || text == nullptr || *text == '\0') return -1;
  if ((message->*field).has_value()) return -1;
  if (!lineBreaksAllowed && HasLineBreak(text)) return -1;
  message->*field = std::string(text);
  return 0;
}

// Length of the UTF-8 sequence that starts with `lead`; a stray byte counts alone.
std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF7) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

// An ASCII subject goes out as it is. Anything else becomes RFC 2047 encoded words of at most 75
// characters (45 bytes of text each), never splitting a character, folded onto further lines.
std::string EncodeSubject(std::string_view subject) {
  if (!HasNonAscii(subject)) return std::string(subject);
  constexpr std::size_t kWordBytes = 45;
  std::string result;
  std::size_t start = 0;
  while (start < subject.size()) {
    std::size_t end = start;
    while (end < subject.size()) {
      const std::size_t length = std::min(
          Utf8SequenceLength(static_cast<unsigned char>(subject[end])), subject.size() - end);
      if (end + length - start > kWordBytes) break;
      end += length;
    }
    if (!result.empty()) result += "\r\n ";
    result += "=?UTF-8?B?";
    AppendBase64(result,
                 {reinterpret_cast<const std::uint8_t*>(subject.data()) + start, end - start});
    result += "?=";
    start = end;
  }
  return result;
}

// The plain body goes out as 8-bit text inside DATA: every line end becomes CR LF, and a line
// that begins with "." gets a second one, so that no body line can end the message early.
void AppendDataText(std::string& out, std::string_view text) {
  bool lineStart = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
      lineStart = true;
      continue;
    }
    if (lineStart && c == '.') out += '.';
    out += c;
    lineStart = false;
  }
}

// Collects composed text and hands it on to the sink in large pieces.
class ContentWriter {
 public:
  explicit ContentWriter(const MailSink& sink) : sink_(sink) {}

  std::string& buffer() { return buffer_; }

  bool MaybeFlush() { return buffer_.size() < kFlushSize || Flush(); }

  bool Flush() {
    if (buffer_.empty()) return true;
    const bool ok = sink_(buffer_);
    buffer_.clear();
    return ok;
  }

 private:
  const MailSink& sink_;
  std::string buffer_;
};

std::string ContentTypeLines(std::string_view type, bool nonAscii) {
  std::string lines = "Content-Type: " + std::string(type) + ";\r\n";
  if (nonAscii) lines += "\tcharset=\"UTF-8\"\r\n";
  return lines;
}

void SendPlainBody(const MailMessage& message, ContentWriter& writer) {
  const std::string_view body = message.body ? std::string_view(*message.body) : "";
  std::string& out = writer.buffer();
  out += "MIME-Version: 1.0\r\n";
  out += ContentTypeLines("text/plain", HasNonAscii(body));
  out += "Content-Transfer-Encoding: 8bit\r\n\r\n";
  AppendDataText(out, body);
  out += "\r\n\r\n";
}

int SendAttachments(const MailMessage& message, ContentWriter& writer) {
  for (const MailAttachment& attachment : message.attachments) {
    const std::string name = BaseName(attachment.path);
    std::string& out = writer.buffer();
    out += "--";
    out += MimeBoundary;
    out += "\r\nContent-Type: " + attachment.contentType + ";\r\n\tname=\"" + name +
           "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n"
           "\tfilename=\"" +
           name + "\"\r\n\r\n";

    const FilePtr file = OpenFile(attachment.path.c_str(), "rb");
    if (!file) return -1;
    std::uint8_t chunk[kAttachmentChunk];
    for (;;) {
      // fread fills the chunk unless the file ends, so every chunk but the last is whole and
      // gives exactly four full lines.
      const std::size_t count = std::fread(chunk, 1, sizeof chunk, file.get());
      if (count == 0) break;
      AppendBase64(writer.buffer(), {chunk, count});
      if (!writer.MaybeFlush()) return -1;
    }
    // A read error would otherwise pass for the end of the file and send a truncated picture.
    if (std::ferror(file.get())) return -1;
    writer.buffer() += "\r\n\r\n";
  }
  return 0;
}

int SendMultipartBody(const MailMessage& message, ContentWriter& writer) {
  const std::string_view body = message.body ? std::string_view(*message.body) : "";
  std::string& out = writer.buffer();
  out += "MIME-Version: 1.0\r\nContent-Type: ";
  out += message.attachmentCount > 0 ? "multipart/mixed" : "multipart/alternative";
  out += ";\r\n\tboundary=\"";
  out += MimeBoundary;
  out +=
      "\"\r\nX-Mailer: Pelvane Mailer 1.10\r\n\r\nThis is a multi-part message in MIME "
      "format.\r\n\r\n";
  out += "--";
  out += MimeBoundary;
  out += "\r\n";
  out += ContentTypeLines(message.bodyType.value_or(""), HasNonAscii(body));
  out += "Content-Transfer-Encoding: base64\r\n\r\n";
  AppendBase64(out, {reinterpret_cast<const std::uint8_t*>(body.data()), body.size()});
  out += "\r\n\r\n";
  if (SendAttachments(message, writer) != 0) return -1;
  writer.buffer() += "--";
  writer.buffer() += MimeBoundary;
  writer.buffer() += "--\r\n\r\n";
  return 0;
}

}  // namespace

std::unique_ptr<MailMessage> CreateMailMessage() { return std::make_unique<MailMessage>(); }

int SetServer(MailMessage* m, const char* text) {
  return SetText(m, &MailMessage::server, text, false);
}
int SetSubject(MailMessage* m, const char* text) {
  return SetText(m, &MailMessage::subject, text, false);
}
int SetSender(MailMessage* m, const char* text) {
  return SetText(m, &MailMessage::from, text, false);
}
int SetRecipient(MailMessage* m, const char* text) {
  return SetText(m, &MailMessage::to, text, false);
}
int SetBodyType(MailMessage* m, const char* text) {
  return SetText(m, &MailMessage::bodyType, text, false);
}
int SetBody(MailMessage* m, const char* text) { return SetText(m, &MailMessage::body, text, true); }

int SetPort(MailMessage* message, std::int32_t port) {
  if (message == nullptr || port < 0) return -1;
  message->port = port;
  return 0;
}

int AddAttachment(MailMessage* message, const char* path, const char* contentType) {
  if (message == nullptr || path == nullptr || contentType == nullptr) return -1;
  if (*path == '\0' || *contentType == '\0') return -1;
  if (HasLineBreak(path) || HasLineBreak(contentType)) return -1;
  message->attachments.push_back({path, contentType});
  ++message->attachmentCount;
  return 0;
}

const char* GetAttachmentPath(const MailMessage* message, int n) {
  if (message == nullptr || n < 1 || n > message->attachmentCount) return nullptr;
  return message->attachments[static_cast<std::size_t>(n - 1)].path.c_str();
}

const char* GetAttachmentType(const MailMessage* message, int n) {
  if (message == nullptr || n < 1 || n > message->attachmentCount) return nullptr;
  return message->attachments[static_cast<std::size_t>(n - 1)].contentType.c_str();
}

int FreeMailMessage(MailMessage* message) {
  if (message == nullptr) return -1;
  *message = MailMessage{};
  return 0;
}

std::string BaseName(std::string_view path) {
  if (const auto slash = path.rfind('\\'); slash != path.npos) path.remove_prefix(slash + 1);
  if (const auto slash = path.rfind('/'); slash != path.npos) path.remove_prefix(slash + 1);
  return std::string(path);
}

void EncodeBase64(const std::uint8_t* group, std::size_t length, char out[4]) {
  const std::uint32_t b0 = group[0];
  const std::uint32_t b1 = length > 1 ? group[1] : 0;
  const std::uint32_t b2 = length > 2 ? group[2] : 0;
  const std::uint32_t bits = (b0 << 16) | (b1 << 8) | b2;
  out[0] = kBase64Alphabet[(bits >> 18) & 63];
  out[1] = kBase64Alphabet[(bits >> 12) & 63];
  out[2] = length > 1 ? kBase64Alphabet[(bits >> 6) & 63] : '=';
  out[3] = length > 2 ? kBase64Alphabet[bits & 63] : '=';
}

void AppendBase64(std::string& out, std::span<const std::uint8_t> bytes) {
  out.reserve(out.size() + bytes.size() / 3 * 4 + bytes.size() / 57 * 2 + 8);
  int lineLength = 0;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    char group[4];
    EncodeBase64(bytes.data() + i, std::min<std::size_t>(3, bytes.size() - i), group);
    out.append(group, 4);
    lineLength += 4;
    if (lineLength == kBase64LineLength) {
      out += "\r\n";
      lineLength = 0;
    }
  }
}

int ComposeMailContent(const MailMessage& message, const MailSink& sink) {
  ContentWriter writer(sink);
  std::string& out = writer.buffer();
  out += "From: " + message.from.value_or("") + "\r\n";
  out += "To: " + message.to.value_or("") + "\r\n";
  out += "Subject: " + EncodeSubject(message.subject.value_or("")) + "\r\n";
  if (message.bodyType && *message.bodyType == "text/plain") {
    SendPlainBody(message, writer);
  } else if (SendMultipartBody(message, writer) != 0) {
    return -1;
  }
  return writer.Flush() ? 0 : -1;
}

int SendMail(const MailMessage* message, const SmtpTimeouts& timeouts, int cancelFd,
             ReplyLog* replies) {
  if (message == nullptr || !message->server || message->port <= 0 || message->port > 65535)
    return -1;
  if (message->security != MailSecurity::kPlain) return -1;

  SmtpConnection connection;  // closed on every way out
  connection.SetDeadline(std::chrono::steady_clock::now() + timeouts.whole);
  connection.SetCancel(cancelFd);
  if (connection.OpenConnection(*message->server, message->port, timeouts.connect) != 0) return -1;

  const auto send = [&](std::string_view bytes) {
    return connection.SendBytes(bytes, timeouts.send) == static_cast<long>(bytes.size());
  };
  const auto reply = [&](std::string_view expected, std::chrono::milliseconds timeout) {
    std::string first;
    const bool ok = connection.ReadReply(expected, timeout, &first);
    if (replies != nullptr && !first.empty()) replies->push_back(first);
    return ok;
  };
  const auto command = [&](const std::string& line, std::string_view expected) {
    return send(line) && reply(expected, timeouts.reply);
  };

  if (!reply("220", timeouts.reply)) return -1;
  if (!command("HELO Pelvane\r\n", "250")) return -1;
  if (!command("MAIL FROM: " + message->from.value_or("") + "\r\n", "250")) return -1;
  if (!command("RCPT TO: " + message->to.value_or("") + "\r\n", "250")) return -1;
  if (!command("DATA\r\n", "354")) return -1;
  // Without the final dot the server discards what it received, so a failure in here never
  // delivers a cut message.
  if (ComposeMailContent(*message, send) != 0) return -1;
  if (!send(".\r\n") || !reply("250", timeouts.dataReply)) return -1;
  if (!command("QUIT\r\n", "221")) return -1;
  return 0;
}

}  // namespace tavo::cctv
