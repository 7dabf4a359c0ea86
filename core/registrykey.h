// The settings store: a small hierarchical key/value store (keys separated by "\\", values of
// type text or number) kept in one SQLite file. RegistryKey wraps one open key at a time and
// records the outcome of its last operation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavo {

// Status codes recorded in `lastStatus` (the platform's numbers for the same conditions).
inline constexpr std::int32_t kStatusSuccess = 0;
inline constexpr std::int32_t kStatusNotFound = 2;       // missing key, value or store
inline constexpr std::int32_t kStatusAccessDenied = 5;   // the store cannot be written
inline constexpr std::int32_t kStatusInvalidHandle = 6;  // no key held (after Close)
inline constexpr std::int32_t kStatusInvalidData = 13;   // see ReadNumber; value too big to store
inline constexpr std::int32_t kStatusBadPath = 161;      // empty or over-long path component
inline constexpr std::int32_t kStatusBusy = 170;         // locked by another process too long
inline constexpr std::int32_t kStatusMoreData = 234;     // value larger than the read buffer
inline constexpr std::int32_t kStatusBadStore = 1009;    // the store file is damaged or foreign
inline constexpr std::int32_t kStatusIoFailed = 1016;    // the store could not be read or written
inline constexpr std::int32_t kStatusKeyDeleted = 1018;  // the key held left the store meanwhile

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
  // Paths separate keys with "\\"; an empty path names the key itself, an empty component
  // fails with kStatusBadPath. Key and value names compare without regard to ASCII case.
  // A store that is not ours, or damaged, fails with kStatusBadStore and is never rewritten:
  // its owner may want to recover it. Opens and creates fail with kStatusAccessDenied when this
  // user could not write the store, also where the caller only reads.
  bool OpenSubKey(const std::string& path);  // below the key now held; kept on failure
  bool Open(const RegistryRoot& root, const std::string& path);       // sets keyPath first
  bool CreateKey(const RegistryRoot& root, const std::string& path);  // makes folder and store
  void Close();  // records nothing; later operations fail with kStatusInvalidHandle
  bool WriteNumber(const std::string& name, std::uint32_t value);
  bool WriteString(const std::string& name, const std::string& text);
  // Fails with kStatusMoreData above 4 stored bytes and kStatusInvalidData below 4; the type is
  // not checked. `out` is untouched on failure.
  bool ReadNumber(const std::string& name, std::uint32_t& out);
  // Fails with kStatusMoreData above 200 stored bytes; `out` gets the text up to its NUL, and is
  // untouched on failure.
  bool ReadString(const std::string& name, std::string& out);

  // For the settings editor: enumerate and delete. Record status like the operations above.
  bool EnumerateSubKeys(std::vector<std::string>& names);
  struct ValueInfo {
    std::string name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };
  bool EnumerateValues(std::vector<ValueInfo>& values);
  bool DeleteValue(const std::string& name);

  // Writes every value of `values` into the held key in one transaction: all of them or, on
  // failure, none (the store keeps what it held). The first failure's status is recorded, type and
  // size are not. A text above the store's size bound fails with kStatusInvalidData.
  bool WriteValues(const std::vector<ValueInfo>& values);
  // The stored form of a number or a text, for WriteValues.
  static ValueInfo NumberValue(const std::string& name, std::uint32_t value);
  static ValueInfo TextValue(const std::string& name, const std::string& text);

  std::int32_t lastStatus = kStatusSuccess;
  std::uint32_t lastType = kTypeNone;
  std::uint32_t lastSize = 0;
  std::string keyPath;

 private:
  bool Record(std::int32_t status, std::uint32_t type, std::uint32_t size);

  struct Handle;
  std::unique_ptr<Handle> key_;
};

}  // namespace tavo
