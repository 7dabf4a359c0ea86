// Runs Python's aiosmtpd (tests/support/smtp_sink.py, Debian's system interpreter) as a real SMTP
// server on a free loopback port for the life of the object; accepted messages land in a folder.
// Also runs mail_inspect.py, which reads a stored message with Python's email package.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "command_output.h"
#include "filehandle.h"

#ifndef TAVO_SYSTEM_PYTHON
#define TAVO_SYSTEM_PYTHON "/usr/bin/python3"
#endif

namespace tavo::testing {

// The build names the folder; __FILE__ is relative when a compiler cache maps source paths.
#ifndef TAVO_TEST_SUPPORT_DIR
#define TAVO_TEST_SUPPORT_DIR ""
#endif

inline std::filesystem::path SupportFolder() {
  const std::filesystem::path named(TAVO_TEST_SUPPORT_DIR);
  return named.empty() ? std::filesystem::path(__FILE__).parent_path() : named;
}

class SmtpSink {
 public:
  // Starts the server storing into `folder`; port() is 0 when it did not come up within 10 s.
  // `options` go to smtp_sink.py: "--starttls" or "--tls" with certificate and key files, then
  // "--login" with a user and password.
  explicit SmtpSink(const std::filesystem::path& folder, std::vector<std::string> options = {})
      : folder_(folder) {
    int input[2];
    int output[2];
    if (::pipe2(input, O_CLOEXEC) != 0) return;
    UniqueFd serverReads(input[0]);
    UniqueFd toServer(input[1]);
    if (::pipe2(output, O_CLOEXEC) != 0) return;
    UniqueFd fromServer(output[0]);
    UniqueFd serverWrites(output[1]);
    const std::string script = (SupportFolder() / "smtp_sink.py").string();
    const std::string target = folder.string();
    std::vector<char*> argv{const_cast<char*>(TAVO_SYSTEM_PYTHON),
                            const_cast<char*>(script.c_str()), const_cast<char*>(target.c_str())};
    for (std::string& option : options) argv.push_back(option.data());
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      // Close-on-exec drops every other end in the child; no destructor runs here.
      ::dup2(serverReads.get(), 0);
      ::dup2(serverWrites.get(), 1);
      ::execv(TAVO_SYSTEM_PYTHON, argv.data());
      ::_exit(127);
    }
    // Only the server may hold these, or its end of input and our end of its output never come.
    serverReads.reset();
    serverWrites.reset();
    toServer_ = std::move(toServer);
    fromServer_ = std::move(fromServer);
    std::string line;
    for (int waited = 0; waited < 10000 && line.find('\n') == std::string::npos;) {
      pollfd entry{fromServer_.get(), POLLIN, 0};
      if (::poll(&entry, 1, 100) <= 0) {
        waited += 100;
        continue;
      }
      char buffer[64];
      const ssize_t count = ::read(fromServer_.get(), buffer, sizeof buffer);
      if (count <= 0) break;
      line.append(buffer, static_cast<std::size_t>(count));
    }
    port_ = std::atoi(line.c_str());
  }

  ~SmtpSink() {
    toServer_.reset();  // end of input stops the server
    if (pid_ > 0) {
      int status = 0;
      for (int waited = 0; waited < 3000; waited += 20) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
          pid_ = -1;
          break;
        }
        ::usleep(20 * 1000);
      }
      if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
      }
    }
    fromServer_.reset();
  }

  SmtpSink(const SmtpSink&) = delete;
  SmtpSink& operator=(const SmtpSink&) = delete;

  int port() const { return port_; }

  // The lines of the n-th message's envelope: sender, recipients, and "auth USER" after a login.
  std::string Envelope(int n) const {
    std::ifstream in(folder_ / ("message" + std::to_string(n) + ".envelope"));
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // The n-th stored message (1-based), or an empty path.
  std::filesystem::path Message(int n) const {
    const auto path = folder_ / ("message" + std::to_string(n) + ".eml");
    return std::filesystem::exists(path) ? path : std::filesystem::path();
  }

 private:
  std::filesystem::path folder_;
  pid_t pid_ = -1;
  UniqueFd toServer_;
  UniqueFd fromServer_;
  int port_ = 0;
};

// What Python's email package reads from `message`: "from", "to", "subject", "parts",
// "part1_text", "part2_filename", "part2_same_bytes" (compared with `attachment`), ...
inline std::map<std::string, std::string> InspectMail(const std::filesystem::path& message,
                                                      const std::string& attachment = {}) {
  std::string command = std::string(TAVO_SYSTEM_PYTHON) + " '" +
                        (SupportFolder() / "mail_inspect.py").string() + "' '" + message.string() +
                        "'";
  if (!attachment.empty()) command += " '" + attachment + "'";
  std::map<std::string, std::string> fields;
  std::istringstream lines(CommandOutput(command));
  for (std::string text; std::getline(lines, text);) {
    const auto tab = text.find('\t');
    if (tab != std::string::npos) fields[text.substr(0, tab)] = text.substr(tab + 1);
  }
  return fields;
}

}  // namespace tavo::testing
