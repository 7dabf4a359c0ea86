#include "mail/securesmtp.h"

#include <curl/curl.h>
#include <poll.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace tavo::cctv {

namespace {

struct CurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// libcurl's own start is not safe to race, so it happens once, whoever sends first.
bool StartCurl() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] { started = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  return started;
}

// libcurl doubles every dot that begins a line on its own; the composed content has done so
// already for the plain dialogue, so those dots are taken back here to go out once doubled.
std::string UnstuffDots(const std::string& content) {
  std::string out;
  out.reserve(content.size());
  bool lineStart = true;
  for (const char c : content) {
    if (lineStart && c == '.') {
      lineStart = false;
      continue;
    }
    out += c;
    lineStart = c == '\n';
  }
  return out;
}

struct Upload {
  std::string bytes;
  std::size_t sent = 0;
};

std::size_t ReadUpload(char* buffer, std::size_t size, std::size_t count, void* data) {
  auto* upload = static_cast<Upload*>(data);
  const std::size_t n = std::min(size * count, upload->bytes.size() - upload->sent);
  std::memcpy(buffer, upload->bytes.data() + upload->sent, n);
  upload->sent += n;
  return n;
}

int CancelRaised(void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const int fd = *static_cast<int*>(data);
  if (fd < 0) return 0;
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, 0) > 0 ? 1 : 0;  // non-zero aborts the transfer
}

// Keeps only what the server said; what we sent may hold the login.
int CollectReplies(CURL*, curl_infotype type, char* data, std::size_t size, void* log) {
  if (type != CURLINFO_HEADER_IN) return 0;
  std::string line(data, size);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  static_cast<ReplyLog*>(log)->push_back(line);
  return 0;
}

long Milliseconds(std::chrono::milliseconds duration) {
  return static_cast<long>(std::max<std::chrono::milliseconds::rep>(duration.count(), 1));
}

}  // namespace

int SendMailSecure(const MailMessage& message, const SecureSmtpOptions& options, int cancelFd,
                   ReplyLog* replies) {
  if (message.security == MailSecurity::kPlain || !message.server || message.port <= 0 ||
      message.port > 65535 || !StartCurl())
    return -1;

  Upload upload;
  if (ComposeMailContent(message, [&](std::string_view piece) {
        upload.bytes.append(piece);
        return true;
      }) != 0)
    return -1;
  upload.bytes = UnstuffDots(upload.bytes);

  const std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) return -1;
  CURL* const c = curl.get();
  const std::string url = std::string(message.security == MailSecurity::kTls ? "smtps" : "smtp") +
                          "://" + *message.server + ":" + std::to_string(message.port);
  const std::string from = "<" + message.from.value_or("") + ">";
  std::unique_ptr<curl_slist, CurlDeleter> recipients(
      curl_slist_append(nullptr, ("<" + message.to.value_or("") + ">").c_str()));
  if (!recipients) return -1;

  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  // TLS or nothing: with STARTTLS missing or failing the send fails, it never goes on in clear.
  curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
  if (!options.caFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, options.caFile.c_str());
  curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str());
  curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients.get());
  if (options.password && !message.login.empty()) {
    curl_easy_setopt(c, CURLOPT_USERNAME, message.login.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, options.password->c_str());
  }
  curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(c, CURLOPT_READFUNCTION, ReadUpload);
  curl_easy_setopt(c, CURLOPT_READDATA, &upload);
  curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload.bytes.size()));
  // Worker thread: no signals for time-outs (the resolver runs in its own thread instead).
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, Milliseconds(options.timeouts.connect));
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, Milliseconds(options.timeouts.whole));
  // One bound for every reply; the reply to the end of the data may take longest.
  const auto replyWait = std::max(options.timeouts.reply, options.timeouts.dataReply);
  curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                   static_cast<long>(std::max<long long>(
                       std::chrono::ceil<std::chrono::seconds>(replyWait).count(), 1)));
  int cancel = cancelFd;
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, CancelRaised);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &cancel);
  char error[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
  if (replies != nullptr) {
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, CollectReplies);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, replies);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
  }

  const CURLcode result = curl_easy_perform(c);
  if (result == CURLE_OK) return 0;
  if (replies != nullptr) replies->push_back(*error != '\0' ? error : curl_easy_strerror(result));
  return -1;
}

}  // namespace tavo::cctv
