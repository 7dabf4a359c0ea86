// The server's replies are untrusted: feed arbitrary bytes to the reply reader as a server would
// send them, then close, and read replies until the reader gives up.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "filehandle.h"
#include "mail/smtpconnection.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int sockets[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, sockets) != 0) return 0;
  tavo::UniqueFd server(sockets[1]);
  // More than the socket buffer holds would block the writer; the reader's limits are far below.
  const std::size_t sent = size < 64 * 1024 ? size : 64 * 1024;
  std::size_t done = 0;
  while (done < sent) {
    const ssize_t n = ::write(server.get(), data + done, sent - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  server.reset();  // the reader sees the close after the bytes

  tavo::cctv::SmtpConnection connection;
  connection.AdoptSocket(sockets[0]);
  std::string first;
  for (int reply = 0; reply < 200; ++reply) {
    if (!connection.ReadReply("250", std::chrono::milliseconds(20), &first)) break;
  }
  return 0;
}
