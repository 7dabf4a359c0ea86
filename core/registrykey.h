// The settings store: a small hierarchical key/value store (keys separated by "\\", values of
// type text or number) kept in one SQLite file. RegistryKey wraps one open key at a time and
// records the outcome of its last operation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavo {

// Status codes recorded in `lastStatus`.
inline constexpr std::int32_t kStatusSuccess = 0;
inline constexpr std::int32_t kStatusNotFound = 2;       // missing key or value
inline constexpr std::int32_t kStatusAccessDenied = 5;   // the store cannot be written
inline constexpr std::int32_t kStatusMoreData = 234;     // value larger than the read buffer
inline constexpr std::int32_t kStatusBadStore = 1009;    // the store file is damaged or foreign

// Value types recorded in `lastType`.
inline constexpr std::uint32_t kTypeNone = 0;
inline constexpr std::uint32_t kTypeText = 1;    // REG_SZ
inline constexpr std::uint32_t kTypeNumber = 4;  // REG_DWORD

// A root of the store: the file that holds it.
struct RegistryRoot {
  std::string file;
};

// The machine-wide root: the file named by TAVO_REGISTRY, or else
// $XDG_CONFIG_HOME/tavo/registry.sqlite (~/.config when unset).
RegistryRoot LocalMachine();

class RegistryKey {
 public:
  explicit RegistryKey(RegistryRoot root);
  virtual ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Each returns true on success and records status, type and size (see the fields below).
  bool OpenSubKey(const std::string& path);  // below the key now held
  bool Open(const RegistryRoot& root, const std::string& path);
  bool CreateKey(const RegistryRoot& root, const std::string& path);
  void Close();  // records nothing
  bool WriteNumber(const std::string& name, std::uint32_t value);
  bool WriteString(const std::string& name, const std::string& text);
  bool ReadNumber(const std::string& name, std::uint32_t& out);  // out untouched on failure
  bool ReadString(const std::string& name, std::string& out);    // out untouched on failure

  // For the settings editor: enumerate and delete. Record status like the operations above.
  bool EnumerateSubKeys(std::vector<std::string>& names);
  struct ValueInfo {
    std::string name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };
  bool EnumerateValues(std::vector<ValueInfo>& values);
  bool DeleteValue(const std::string& name);

  std::int32_t lastStatus = kStatusSuccess;
  std::uint32_t lastType = kTypeNone;
  std::uint32_t lastSize = 0;
  std::string keyPath;

 private:
  struct Handle;
  std::unique_ptr<Handle> key_;
};

}  // namespace tavo
