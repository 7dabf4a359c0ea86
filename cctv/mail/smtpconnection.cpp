#include "mail/smtpconnection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "mail/cancelsignal.h"
#include "mail/namelookup.h"

namespace tavo::cctv {

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, for poll(); 0 once it has passed.
int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, 1'000'000'000));
}

}  // namespace

bool SmtpConnection::WaitFor(short events, Clock::time_point deadline) const {
  deadline = std::min(deadline, deadline_);
  for (;;) {
    pollfd entries[2] = {{fd_.get(), events, 0}, {cancelFd_, POLLIN, 0}};
    const int ready = ::poll(entries, cancelFd_ >= 0 ? 2 : 1, MillisecondsLeft(deadline));
    if (ready > 0) return entries[1].revents == 0 && entries[0].revents != 0;
    if (ready == 0) return false;
    if (errno != EINTR) return false;
  }
}

int SmtpConnection::OpenConnection(const std::string& host, int port,
                                   std::chrono::milliseconds timeout) {
  CloseConnection();
  if (host.empty() || port <= 0 || port > 65535) return -1;
  const auto deadline = std::min(Clock::now() + timeout, deadline_);

  // Non-blocking from the start so that connect, send and receive can all be bounded by poll.
  fd_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd_.valid()) return -1;

  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<std::uint16_t>(port));
  if (!LookUpIpv4(host, peer.sin_addr, deadline, cancelFd_)) {
    CloseConnection();
    return -1;
  }
  if (::connect(fd_.get(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
    if (errno != EINPROGRESS || !WaitFor(POLLOUT, deadline)) {
      CloseConnection();
      return -1;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd_.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
      CloseConnection();
      return -1;
    }
  }
  return 0;
}

long SmtpConnection::SendBytes(std::string_view data, std::chrono::milliseconds timeout) {
  if (!fd_.valid() || data.empty()) return -1;
  const auto deadline = Clock::now() + timeout;
  std::size_t sent = 0;
  while (sent < data.size()) {
    // MSG_NOSIGNAL: a peer that hung up must fail the send, not kill the process.
    const ssize_t count =
        ::send(fd_.get(), data.data() + sent, data.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (count > 0) {
      sent += static_cast<std::size_t>(count);
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(POLLOUT, deadline))
      continue;
    return -1;
  }
  return static_cast<long>(sent);
}

long SmtpConnection::ReceiveBytes(char* buffer, std::size_t size, Clock::time_point deadline) {
  if (!fd_.valid() || buffer == nullptr || size == 0) return -1;
  for (;;) {
    const ssize_t count = ::recv(fd_.get(), buffer, size, MSG_DONTWAIT);
    if (count >= 0) return static_cast<long>(count);
    if (errno == EINTR) continue;
    if ((errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(POLLIN, deadline)) continue;
    return -1;
  }
}

int SmtpConnection::ReadReplyLine(std::string& line, Clock::time_point deadline) {
  line.clear();
  bool any = false;
  // One byte at a time, so that nothing after the line end is taken from the socket.
  for (;;) {
    char byte = 0;
    const long count = ReceiveBytes(&byte, 1, deadline);
    if (count <= 0) return any ? static_cast<int>(line.size()) : -1;
    any = true;
    if (byte == '\r') continue;
    if (byte == '\n') return static_cast<int>(line.size());
    if (line.size() >= kMaxReplyLine) return -1;
    line.push_back(byte);
  }
}

bool SmtpConnection::ReadReply(std::string_view expected, std::chrono::milliseconds timeout,
                               std::string* firstLine) {
  const auto deadline = Clock::now() + timeout;
  std::string line;
  for (int n = 0; n < kMaxReplyLines; ++n) {
    if (ReadReplyLine(line, deadline) < 0) return false;
    if (n == 0) {
      if (firstLine != nullptr) *firstLine = line;
      if (line.compare(0, 3, expected) != 0 || line.size() < 3) return false;
    } else if (line.compare(0, 3, expected) != 0) {
      return false;  // a continuation under another code is no reply we understand
    }
    // "250-" announces another line of the same reply; anything else is its last line.
    if (line.size() < 4 || line[3] != '-') return true;
  }
  return false;
}

void SmtpConnection::CloseConnection() { fd_.reset(); }

}  // namespace tavo::cctv
