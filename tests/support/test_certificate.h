// A self-signed certificate made at test time with the openssl tool, its own authority: a client
// given it as the trusted authority accepts a server that shows it for one of its names.
#pragma once

#include <filesystem>
#include <string>

#include "command_output.h"

namespace tavo::testing {

// Writes `cert` and `key` (PEM) for `names`, subjectAltName entries like
// "DNS:localhost,IP:127.0.0.1". Empty on success, else what openssl said.
inline std::string MakeTestCertificate(const std::string& names, const std::filesystem::path& cert,
                                       const std::filesystem::path& key) {
  // An EC key: made in milliseconds, where RSA would take a noticeable part of a second.
  const std::string output = CommandOutput(
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
      "-subj /CN=tavo-test -addext subjectAltName=" +
      names + " -keyout '" + key.string() + "' -out '" + cert.string() + "' 2>&1");
  return std::filesystem::exists(cert) ? std::string() : output + " (no certificate)";
}

}  // namespace tavo::testing
