// A fresh folder below the system's temporary folder, removed with everything in it at scope end.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tavo::testing {

class MailTestFolder {
 public:
  MailTestFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavo-mail-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~MailTestFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  MailTestFolder(const MailTestFolder&) = delete;
  MailTestFolder& operator=(const MailTestFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Writes `bytes` to `name` inside the folder and returns the file's full path.
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    const auto file = path_ / name;
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return file.string();
  }

 private:
  std::filesystem::path path_;
};

// Bytes that run through every value (step 7 modulo 256), so their base64 uses the whole alphabet.
inline std::vector<std::uint8_t> CountingBytes(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return bytes;
}

}  // namespace tavo::testing
