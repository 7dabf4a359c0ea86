// A fresh folder, removed with everything in it at scope end.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tavo::testing {

class ScratchFolder {
 public:
  // Made from `pattern`, a path ending in XXXXXX as mkdtemp takes it. path() is empty when the
  // folder could not be made.
  explicit ScratchFolder(const std::filesystem::path& pattern) {
    std::string name = pattern.string();
    if (::mkdtemp(name.data()) != nullptr) path_ = name;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // The full path of `name` inside the folder.
  std::string File(const std::string& name) const { return (path_ / name).string(); }

  // Writes `bytes` to `name` inside the folder and returns the file's full path.
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    const std::string file = File(name);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return file;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace tavo::testing
