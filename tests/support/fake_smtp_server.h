// A scripted SMTP peer on 127.0.0.1 for what a real server will not do: wrong codes, bare LF line
// ends, cut lines, silence, slowness. It serves one connection on its own thread and records every
// byte it received.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <string>
#include <thread>

#include "filehandle.h"

namespace tavo::testing {

// A loopback port nobody listens on: bound, then closed again.
inline int UnusedLoopbackPort() {
  UniqueFd listener(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

class FakeSmtpServer {
 public:
  // The raw bytes sent for each step; an empty text sends nothing for that step.
  struct Script {
    std::string greeting = "220 fake.test ready\r\n";
    std::string helo = "250 fake.test\r\n";
    std::string mail = "250 sender ok\r\n";
    std::string rcpt = "250 recipient ok\r\n";
    std::string data = "354 end with <CRLF>.<CRLF>\r\n";
    std::string dot = "250 queued\r\n";
    std::string quit = "221 bye\r\n";
    // Waited before every reply: a slow server.
    std::chrono::milliseconds pause{0};
    // Waited as well before the reply to the final dot: a server that scans the message first.
    std::chrono::milliseconds dotPause{0};
  };

  explicit FakeSmtpServer(Script script) : script_(std::move(script)) {
    listener_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_.get(), 1);
    socklen_t length = sizeof address;
    ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }

  ~FakeSmtpServer() {
    Finish();
    listener_.reset();
  }

  FakeSmtpServer(const FakeSmtpServer&) = delete;
  FakeSmtpServer& operator=(const FakeSmtpServer&) = delete;

  int port() const { return port_; }

  // True once a client has connected.
  bool Connected() const { return connected_; }

  // Everything the client sent. Call once the client is done: waits for the serving thread.
  const std::string& Received() {
    Finish();
    return received_;
  }

 private:
  void Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

  // Waits for `fd` to become readable; gives up once stop_ is set and nothing is pending.
  bool WaitReadable(int fd) {
    for (int waited = 0; waited < 10000; waited += 20) {
      pollfd entry{fd, POLLIN, 0};
      if (::poll(&entry, 1, 20) > 0) return true;
      if (stop_) return false;
    }
    return false;
  }

  void Reply(int fd, const std::string& text,
             std::chrono::milliseconds extra = std::chrono::milliseconds(0)) {
    if (text.empty()) return;
    // In small steps, so that a test that is done need not wait for a long pause.
    for (auto waited = std::chrono::milliseconds(0); waited < script_.pause + extra && !stop_;
         waited += std::chrono::milliseconds(10))
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
  }

  void Serve() {
    if (!WaitReadable(listener_.get())) return;
    const UniqueFd connection(::accept(listener_.get(), nullptr, nullptr));
    if (!connection.valid()) return;
    connected_ = true;
    const int fd = connection.get();
    Reply(fd, script_.greeting);
    std::string pending;
    bool inData = false;
    bool done = false;
    while (!done && WaitReadable(fd)) {
      char buffer[4096];
      const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
      if (count <= 0) break;
      received_.append(buffer, static_cast<std::size_t>(count));
      pending.append(buffer, static_cast<std::size_t>(count));
      for (;;) {
        if (inData) {
          const auto end = pending.find("\r\n.\r\n");
          if (end == pending.npos) break;
          pending.erase(0, end + 5);
          inData = false;
          Reply(fd, script_.dot, script_.dotPause);
          continue;
        }
        const auto lineEnd = pending.find("\r\n");
        if (lineEnd == pending.npos) break;
        std::string verb = pending.substr(0, std::min<std::size_t>(4, lineEnd));
        for (char& c : verb) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        // DATA's terminator search starts at the CR LF that ends the DATA line itself.
        pending.erase(0, verb == "DATA" ? lineEnd : lineEnd + 2);
        if (verb == "HELO") Reply(fd, script_.helo);
        if (verb == "MAIL") Reply(fd, script_.mail);
        if (verb == "RCPT") Reply(fd, script_.rcpt);
        if (verb == "DATA") {
          Reply(fd, script_.data);
          inData = script_.data.rfind("354", 0) == 0;
          if (!inData) pending.erase(0, 2);
        }
        if (verb == "QUIT") {
          Reply(fd, script_.quit);
          done = true;
          break;
        }
      }
    }
  }

  Script script_;
  UniqueFd listener_;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> connected_{false};
  std::string received_;
  std::thread thread_;
};

}  // namespace tavo::testing
