#include "mail/mailmessage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail_test_folder.h"
#include "mail_test_message.h"

namespace tavo::cctv {
namespace {

using testing::AlertLikeMessage;
using testing::CountingBytes;
using testing::MailTestFolder;

const std::string kBoundary(MimeBoundary);

std::string Compose(const MailMessage& message, int* result = nullptr) {
  std::string bytes;
  const int status = ComposeMailContent(message, [&](std::string_view piece) {
    bytes.append(piece);
    return true;
  });
  if (result != nullptr) *result = status;
  return bytes;
}

std::string Base64(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  AppendBase64(out, bytes);
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (auto end = text.find("\r\n"); end != text.npos; end = text.find("\r\n", start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  lines.push_back(text.substr(start));
  return lines;
}

using Setter = int (*)(MailMessage*, const char*);

TEST(MailMessage, TextSettersRefuseNullEmptySecondAndLineBreaks) {
  const std::vector<std::pair<Setter, std::optional<std::string> MailMessage::*>> setters = {
      {SetServer, &MailMessage::server},     {SetSubject, &MailMessage::subject},
      {SetSender, &MailMessage::from},       {SetRecipient, &MailMessage::to},
      {SetBodyType, &MailMessage::bodyType}, {SetBody, &MailMessage::body}};
  for (const auto& [set, field] : setters) {
    auto message = CreateMailMessage();
    EXPECT_EQ(set(nullptr, "x"), -1);
    EXPECT_EQ(set(message.get(), nullptr), -1);
    EXPECT_EQ(set(message.get(), ""), -1);
    const bool isBody = field == &MailMessage::body;
    // A line break would let a field smuggle further commands or headers; only the body, which
    // is encoded or dot-stuffed, may hold one.
    EXPECT_EQ(set(message.get(), "a\r\nRCPT TO: x@evil.test"), isBody ? 0 : -1);
    if (isBody) FreeMailMessage(message.get());
    EXPECT_EQ(set(message.get(), "evil\n"), isBody ? 0 : -1);
    if (isBody) FreeMailMessage(message.get());
    EXPECT_EQ(set(message.get(), "first"), 0);
    EXPECT_EQ(set(message.get(), "second"), -1);
    EXPECT_EQ(*((*message).*field), "first");
  }
}

TEST(MailMessage, PortAttachmentsAndFree) {
  auto message = CreateMailMessage();
  EXPECT_EQ(message->port, 0);
  EXPECT_EQ(SetPort(message.get(), -1), -1);
  EXPECT_EQ(SetPort(nullptr, 25), -1);
  EXPECT_EQ(SetPort(message.get(), 25), 0);
  EXPECT_EQ(message->port, 25);

  EXPECT_EQ(AddAttachment(nullptr, "a.jpg", "image/jpg"), -1);
  EXPECT_EQ(AddAttachment(message.get(), nullptr, "image/jpg"), -1);
  EXPECT_EQ(AddAttachment(message.get(), "a.jpg", nullptr), -1);
  EXPECT_EQ(AddAttachment(message.get(), "", "image/jpg"), -1);
  EXPECT_EQ(AddAttachment(message.get(), "a.jpg", ""), -1);
  EXPECT_EQ(AddAttachment(message.get(), "a\r\n.jpg", "image/jpg"), -1);
  EXPECT_EQ(AddAttachment(message.get(), "a.jpg", "image/jpg\r\nBcc: x"), -1);
  EXPECT_EQ(message->attachmentCount, 0);

  EXPECT_EQ(AddAttachment(message.get(), "a.jpg", "image/jpg"), 0);
  EXPECT_EQ(AddAttachment(message.get(), "b.png", "image/png"), 0);
  EXPECT_EQ(message->attachmentCount, 2);
  EXPECT_STREQ(GetAttachmentPath(message.get(), 1), "a.jpg");
  EXPECT_STREQ(GetAttachmentType(message.get(), 2), "image/png");
  EXPECT_EQ(GetAttachmentPath(message.get(), 3), nullptr);
  EXPECT_EQ(GetAttachmentType(message.get(), 0), nullptr);

  EXPECT_EQ(FreeMailMessage(nullptr), -1);
  SetSender(message.get(), "cam@example.test");
  EXPECT_EQ(FreeMailMessage(message.get()), 0);
  EXPECT_EQ(message->attachmentCount, 0);
  EXPECT_EQ(GetAttachmentPath(message.get(), 1), nullptr);
  EXPECT_EQ(SetSender(message.get(), "again@example.test"), 0);  // free empties every field
}

TEST(MailMessage, BaseNameCutsAtBothSeparators) {
  EXPECT_EQ(BaseName("C:\\mail\\b/c.jpg"), "c.jpg");
  EXPECT_EQ(BaseName("/home/u/CCTV_Image/run/EmailSendJpg/Email16to1_00001.jpg"),
            "Email16to1_00001.jpg");
  EXPECT_EQ(BaseName("a/b\\c.jpg"), "c.jpg");
  EXPECT_EQ(BaseName("plain.jpg"), "plain.jpg");
  EXPECT_EQ(BaseName("folder/"), "");
}

TEST(Base64, GroupsAndLineLayout) {
  EXPECT_EQ(Base64({'f'}), "Zg==");
  EXPECT_EQ(Base64({'f', 'o'}), "Zm8=");
  EXPECT_EQ(Base64({'f', 'o', 'o', 'b', 'a', 'r'}), "Zm9vYmFy");
  EXPECT_EQ(Base64({0xfb, 0xff, 0xbf}), "+/+/");
  EXPECT_EQ(Base64({}), "");

  // 14 bytes: one line of 20 characters ending in one "=", no line end of its own.
  EXPECT_EQ(Base64({'T', 'a', 'v', 'o', 'C', 'C', 'T', 'V', ' ', 'p', 'h', 'o', 't', 'o'}),
            "VGF2b0NDVFYgcGhvdG8=");

  // 57 bytes fill a line exactly and end it; the next byte starts a new line.
  const std::string full = Base64(CountingBytes(57));
  ASSERT_EQ(full.size(), 78u);
  EXPECT_EQ(full.substr(76), "\r\n");
  EXPECT_EQ(Base64(CountingBytes(58)).substr(76), "\r\nkg==");

  // The line count starts afresh on every call.
  std::string twice;
  AppendBase64(twice, CountingBytes(30));
  AppendBase64(twice, CountingBytes(30));
  EXPECT_EQ(twice.find("\r\n"), std::string::npos);
  EXPECT_EQ(twice.size(), 80u);
}

MailTestFolder& Folder() {
  static MailTestFolder folder;
  return folder;
}

TEST(MailContent, MultipartWithOneAttachmentByteForByte) {
  const auto bytes = CountingBytes(229);
  const std::string path = Folder().Write("Email16to1_00001.jpg", bytes);
  const auto message = AlertLikeMessage(25, path);
  int result = -1;
  const std::string content = Compose(*message, &result);
  ASSERT_EQ(result, 0);

  const std::string fileLines = Base64(bytes);  // four full lines and "xxxx" of the 229th byte
  const std::string expected =
      "From: cam@example.test\r\n"
      "To: me@example.test\r\n"
      "Subject: TavoCCTV 14h05m09s_01-17-03\r\n"
      "MIME-Version: 1.0\r\n"
      "Content-Type: multipart/mixed;\r\n"
      "\tboundary=\"" +
      kBoundary +
      "\"\r\n"
      "X-Mailer: Pelvane Mailer 1.10\r\n"
      "\r\n"
      "This is a multi-part message in MIME format.\r\n"
      "\r\n"
      "--" +
      kBoundary +
      "\r\n"
      "Content-Type: text/html;\r\n"
      "Content-Transfer-Encoding: base64\r\n"
      "\r\n"
      "VGF2b0NDVFYgcGhvdG8=\r\n"
      "\r\n"
      "--" +
      kBoundary +
      "\r\n"
      "Content-Type: image/jpg;\r\n"
      "\tname=\"Email16to1_00001.jpg\"\r\n"
      "Content-Transfer-Encoding: base64\r\n"
      "Content-Disposition: attachment;\r\n"
      "\tfilename=\"Email16to1_00001.jpg\"\r\n"
      "\r\n" +
      fileLines +
      "\r\n"
      "\r\n"
      "--" +
      kBoundary +
      "--\r\n"
      "\r\n";
  EXPECT_EQ(content, expected);

  // 229 bytes: four lines of 76, then a fifth of two characters and "==".
  const auto lines = Lines(fileLines);
  ASSERT_EQ(lines.size(), 5u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(lines[i].size(), 76u);
  EXPECT_EQ(lines[4].size(), 4u);
  EXPECT_EQ(lines[4].substr(2), "==");
}

TEST(MailContent, AttachmentLayoutRestartsAtEveryChunk) {
  // 228 bytes end exactly at a line break, so an extra empty line precedes the delimiter.
  const auto message = AlertLikeMessage(25, Folder().Write("even.jpg", CountingBytes(228)));
  const std::string content = Compose(*message);
  const auto start = content.find("filename=\"even.jpg\"\r\n\r\n") + 23;
  const auto lines = Lines(content.substr(start));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(lines[i].size(), 76u) << i;
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[5], "");
  EXPECT_EQ(lines[6], "--" + kBoundary + "--");

  // 500 bytes: two chunks of 228 (four lines each) and one of 44 (a line of 60 characters); a
  // running count would have joined the chunks into longer lines.
  const auto big = AlertLikeMessage(25, Folder().Write("chunks.jpg", CountingBytes(500)));
  const std::string bigContent = Compose(*big);
  const auto bigLines = Lines(bigContent.substr(bigContent.find("filename=\"chunks.jpg\"") + 25));
  std::vector<std::size_t> sizes;
  for (int i = 0; i < 9; ++i) sizes.push_back(bigLines[i].size());
  EXPECT_EQ(sizes, (std::vector<std::size_t>{76, 76, 76, 76, 76, 76, 76, 76, 60}));
}

TEST(MailContent, NoAttachmentsGiveAlternativeAndPlainIgnoresThem) {
  const auto alternative = AlertLikeMessage();
  const std::string content = Compose(*alternative);
  EXPECT_NE(content.find("Content-Type: multipart/alternative;\r\n"), std::string::npos);
  EXPECT_NE(content.find("VGF2b0NDVFYgcGhvdG8=\r\n\r\n--" + kBoundary + "--\r\n\r\n"),
            std::string::npos);

  auto plain = CreateMailMessage();
  SetSubject(plain.get(), "hello");
  SetBodyType(plain.get(), "text/plain");
  SetBody(plain.get(), "line one\r\n.hidden\nlast");
  AddAttachment(plain.get(), "/nonexistent/never-read.jpg", "image/jpg");
  int result = -1;
  EXPECT_EQ(Compose(*plain, &result),
            "From: \r\nTo: \r\nSubject: hello\r\n"
            "MIME-Version: 1.0\r\nContent-Type: text/plain;\r\nContent-Transfer-Encoding: 8bit\r\n"
            "\r\n"
            "line one\r\n..hidden\r\nlast\r\n\r\n");
  EXPECT_EQ(result, 0);
}

TEST(MailContent, NonAsciiSubjectAndBodyAreLabelled) {
  auto message = CreateMailMessage();
  SetSubject(message.get(), "TavoCCTV 030117-14시05분09초");
  SetBodyType(message.get(), "text/html");
  SetBody(message.get(), "TavoCCTV 사진 전송");
  const std::string content = Compose(*message);
  EXPECT_NE(content.find("Subject: =?UTF-8?B?VGF2b0NDVFYgMDMwMTE3LTE07IucMDXrtoQwOey0iA==?=\r\n"),
            std::string::npos);
  EXPECT_NE(content.find("Content-Type: text/html;\r\n\tcharset=\"UTF-8\"\r\n"
                         "Content-Transfer-Encoding: base64\r\n\r\n"
                         "VGF2b0NDVFYg7IKs7KeEIOyghOyGoQ==\r\n"),
            std::string::npos);

  // A long subject folds into several words of at most 75 characters, each whole UTF-8.
  std::string longSubject;
  for (int i = 0; i < 40; ++i) longSubject += "시";
  auto folded = CreateMailMessage();
  SetSubject(folded.get(), longSubject.c_str());
  const std::string foldedContent = Compose(*folded);
  const auto header = foldedContent.substr(0, foldedContent.find("\r\nMIME-Version"));
  const auto lines = Lines(header.substr(header.find("Subject: ")));
  ASSERT_EQ(lines.size(), 3u);  // 120 bytes in words of 45, 45 and 30 bytes
  EXPECT_EQ(lines[0],
            "Subject: =?UTF-8?B?" +
                Base64(std::vector<std::uint8_t>(longSubject.begin(), longSubject.begin() + 45)) +
                "?=");
  EXPECT_EQ(lines[2].size(), 1 + 10 + 40 + 2u);
}

TEST(MailContent, UnreadableAttachmentFailsTheMessage) {
  const auto message = AlertLikeMessage(25, "/nonexistent/Email16to1_00001.jpg");
  int result = 0;
  const std::string content = Compose(*message, &result);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(content.find("--" + kBoundary + "--"), std::string::npos);
}

TEST(SendMail, RefusesWithoutServerOrPortBeforeConnecting) {
  EXPECT_EQ(SendMail(nullptr), -1);
  auto message = AlertLikeMessage();
  message->server.reset();
  EXPECT_EQ(SendMail(message.get()), -1);
  for (const int port : {0, 65536}) {
    auto other = AlertLikeMessage();
    other->port = port;
    EXPECT_EQ(SendMail(other.get()), -1) << port;
  }
}

}  // namespace
}  // namespace tavo::cctv
