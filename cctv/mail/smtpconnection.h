// The socket layer under SendMail: one IPv4 TCP connection whose every wait is bounded, by its
// own timeout, by one deadline for the whole dialogue, and by a cancel signal.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "filehandle.h"

namespace tavo::cctv {

// Longest reply line and most lines of one reply that are accepted; a longer or endless reply
// fails the dialogue instead of growing a buffer.
inline constexpr std::size_t kMaxReplyLine = 1000;
inline constexpr int kMaxReplyLines = 100;

class SmtpConnection {
 public:
  SmtpConnection() = default;
  SmtpConnection(const SmtpConnection&) = delete;
  SmtpConnection& operator=(const SmtpConnection&) = delete;

  // From now on every wait ends, failing, at `deadline` at the latest.
  void SetDeadline(std::chrono::steady_clock::time_point deadline) { deadline_ = deadline; }

  // From now on every wait ends, failing, as soon as `fd` (a CancelSignal's descriptor; -1 for
  // none) has been raised.
  void SetCancel(int fd) { cancelFd_ = fd; }

  // Resolves `host` (a dotted IPv4 address or a name) and connects to its first IPv4 address
  // within `timeout`, the name lookup included. 0, or -1 on any failure (the socket is then
  // closed).
  int OpenConnection(const std::string& host, int port, std::chrono::milliseconds timeout);

  // Sends all of `data` within `timeout`. The count sent, or -1 on error, timeout, or when there
  // is no connection or nothing to send.
  long SendBytes(std::string_view data, std::chrono::milliseconds timeout);

  // One receive of at most `size` bytes, waiting until `deadline`. The count (0 when the peer
  // closed), or -1 on error, timeout or a bad argument.
  long ReceiveBytes(char* buffer, std::size_t size, std::chrono::steady_clock::time_point deadline);

  // Reads one reply line: CRs are dropped, LF ends it. The length of `line`, or -1 when nothing
  // could be read before an error, timeout or close, or when the line exceeds kMaxReplyLine. A
  // close in mid-line gives what was read.
  int ReadReplyLine(std::string& line, std::chrono::steady_clock::time_point deadline);

  // Reads a whole reply, all lines of a "250-..." reply up to its last, within `timeout`. True
  // when it could be read and its first line begins with `expected` (three digits).
  bool ReadReply(std::string_view expected, std::chrono::milliseconds timeout,
                 std::string* firstLine = nullptr);

  // Takes over an already connected socket (any stream socket: tests and the fuzzer use a socket
  // pair); a socket held before is closed.
  void AdoptSocket(int fd) { fd_.reset(fd); }

  // Closes the socket if there is one.
  void CloseConnection();

  bool IsOpen() const { return fd_.valid(); }

 private:
  // Waits until the socket is ready for `events`. False at the deadline (the earlier of
  // `deadline` and the dialogue's), on a cancel or an error.
  bool WaitFor(short events, std::chrono::steady_clock::time_point deadline) const;

  UniqueFd fd_;
  std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::time_point::max();
  int cancelFd_ = -1;
};

}  // namespace tavo::cctv
