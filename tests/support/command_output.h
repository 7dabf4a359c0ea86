// Runs a shell command and keeps what it printed: for tests that ask a real tool about our files.
#pragma once

#include <stdio.h>

#include <array>
#include <cstddef>
#include <memory>
#include <string>

namespace tavo::testing {

// What `command` writes to its standard output, read to the end; empty when the shell could not
// be started.
inline std::string CommandOutput(const std::string& command) {
  struct PipeCloser {
    void operator()(FILE* pipe) const { ::pclose(pipe); }
  };
  std::string out;
  const std::unique_ptr<FILE, PipeCloser> pipe(::popen(command.c_str(), "r"));
  if (pipe == nullptr) return out;
  std::array<char, 4096> chunk;
  while (const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), pipe.get()))
    out.append(chunk.data(), n);
  return out;
}

}  // namespace tavo::testing
