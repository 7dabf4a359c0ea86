// A fresh folder below the system's temporary folder, removed with everything in it at scope end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "scratch_folder.h"

namespace tavo::testing {

class MailTestFolder : public ScratchFolder {
 public:
  MailTestFolder() : ScratchFolder(std::filesystem::temp_directory_path() / "tavo-mail-XXXXXX") {}
};

// Bytes that run through every value (step 7 modulo 256), so their base64 uses the whole alphabet.
inline std::vector<std::uint8_t> CountingBytes(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return bytes;
}

}  // namespace tavo::testing
