// A small mail library: a message record filled field by field, and SendMail, which delivers it
// to one SMTP server over one connection, composing the MIME message as it goes.
//
// Every operation returns 0 on success and -1 on failure; nothing here talks to the user.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavo::cctv {

// Used as the delimiter of every multipart message.
inline constexpr std::string_view MimeBoundary = "----=_NextPart_000_0073_01BF33C0.95C2EB20";

// Base64 lines are broken after this many characters; file chunks of 228 bytes give four full
// lines.
inline constexpr int kBase64LineLength = 76;
inline constexpr std::size_t kAttachmentChunk = 228;

struct MailAttachment {
  std::string path;
  std::string contentType;
};

// How the mail reaches the server: our own clear-text dialogue, or through TLS, negotiated with
// STARTTLS or from the first byte.
enum class MailSecurity { kPlain, kStartTls, kTls };

// A field that holds no text is empty (std::nullopt); each text field can be set once.
struct MailMessage {
  std::optional<std::string> server;
  std::int32_t port = 0;
  std::optional<std::string> subject;
  std::optional<std::string> from;
  std::optional<std::string> to;
  std::optional<std::string> bodyType;
  std::optional<std::string> body;
  std::int32_t attachmentCount = 0;
  std::vector<MailAttachment> attachments;  // in the order added
  // Beyond the plain dialogue: the secure ways, and the user name a login uses when a password
  // is known for it (never used over clear text).
  MailSecurity security = MailSecurity::kPlain;
  std::string login;
};

// Bounds on every wait of the dialogue; an expired wait fails the send.
struct SmtpTimeouts {
  std::chrono::milliseconds connect{5000};  // the name lookup and the connection
  std::chrono::milliseconds send{5000};
  std::chrono::milliseconds reply{10000};
  // The reply to the final dot: a server may check the whole message, and scan its attachment,
  // before it answers. Nothing waits on the mail worker, so it may take its time.
  std::chrono::milliseconds dataReply{180'000};
  // The whole dialogue, from the name lookup to the reply to QUIT.
  std::chrono::milliseconds whole{300'000};
};

// A new, empty record.
std::unique_ptr<MailMessage> CreateMailMessage();

// Each returns 0, or -1 when the record or text is null, the text is empty, the field already
// holds a text, or (all but SetBody) the text holds a CR or LF, which could smuggle SMTP commands
// or mail headers.
int SetServer(MailMessage* message, const char* text);
int SetSubject(MailMessage* message, const char* text);
int SetSender(MailMessage* message, const char* text);
int SetRecipient(MailMessage* message, const char* text);
int SetBodyType(MailMessage* message, const char* text);
int SetBody(MailMessage* message, const char* text);

// 0, or -1 for a null record or a negative port.
int SetPort(MailMessage* message, std::int32_t port);

// Appends an attachment. -1 when the record, path or type is null or empty, or either text holds
// a CR or LF.
int AddAttachment(MailMessage* message, const char* path, const char* contentType);

// The n-th (1-based) attachment's path or content type; null when n is out of range.
const char* GetAttachmentPath(const MailMessage* message, int n);
const char* GetAttachmentType(const MailMessage* message, int n);

// Releases every text and attachment; the record itself stays the caller's. -1 for null.
int FreeMailMessage(MailMessage* message);

// The part of `path` after its last backslash, then after its last slash.
std::string BaseName(std::string_view path);

// Encodes one group of 1 to 3 bytes as 4 characters, padded with "=".
void EncodeBase64(const std::uint8_t* group, std::size_t length, char out[4]);

// Appends `bytes` in base64, "\r\n" after every 76 characters; the line count starts at 0 on
// every call and a partial last line gets no line end.
void AppendBase64(std::string& out, std::span<const std::uint8_t> bytes);

// Receives the bytes of the message. Returns false to abandon the message.
using MailSink = std::function<bool(std::string_view)>;

// Composes the message content that follows DATA, up to but without the final ".\r\n": the From,
// To and Subject lines and the plain or multipart MIME body. A non-ASCII subject goes out as
// UTF-8 encoded words and a non-ASCII body names its charset. Returns 0, or -1 when an attachment
// cannot be read or the sink gives up.
int ComposeMailContent(const MailMessage& message, const MailSink& sink);

// Gathers one server's replies for the user to read (the mail test): the first line of each.
using ReplyLog = std::vector<std::string>;

// Delivers the message. 0 when the server accepted it and answered QUIT with 221; -1 otherwise,
// and at once without a connection when the server is unset or the port is not in 1..65535.
// Also -1, with the connection closed at once, when a wait expires or `cancelFd` (a
// CancelSignal's descriptor; -1 for none) is raised. A message meant for a secure way is refused
// (-1) rather than sent in clear. `replies`, when given, receives the first line of each reply.
int SendMail(const MailMessage* message, const SmtpTimeouts& timeouts = {}, int cancelFd = -1,
             ReplyLog* replies = nullptr);

}  // namespace tavo::cctv
