#include "registrykey.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "registrystore.h"

namespace tavo {

// A held key is the store file plus the key's path below the root, resolved again by every
// operation: each operation opens its own connection, so a key stays valid while other processes
// write, and a store replaced under a held key is noticed instead of written to a stale inode.
struct RegistryKey::Handle {
  std::string file;
  std::vector<std::string> path;
};

namespace {

using namespace registry;  // the store's layer serves this file alone

std::string Absolute(const std::string& file) {
  if (file.empty()) return file;
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(file, error);
  return error ? file : path.string();
}

std::vector<std::uint8_t> TextBytes(const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

}  // namespace

RegistryRoot LocalMachine() {
  const char* file = std::getenv("TAVO_REGISTRY");
  if (file && *file) return {file};
  std::string config;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') {
    config = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      const passwd* user = getpwuid(getuid());
      home = user ? user->pw_dir : nullptr;
    }
    if (!home || !*home) return {};
    config = std::string(home) + "/.config";
  }
  return {config + "/tavo/registry.sqlite"};
}

RegistryKey::RegistryKey(RegistryRoot root)
    : key_(std::make_unique<Handle>(Handle{Absolute(root.file), {}})) {}

RegistryKey::~RegistryKey() { Close(); }

bool RegistryKey::Record(std::int32_t status, std::uint32_t type, std::uint32_t size) {
  lastStatus = status;
  lastType = type;
  lastSize = size;
  return status == kStatusSuccess;
}

namespace {

// Opens (or creates) `path` with full access; the store's pages are checked on the way.
std::int32_t OpenKey(const std::string& file, const std::vector<std::string>& path, bool create) {
  Store store;
  std::int32_t status = store.Begin(file, create ? Mode::kCreate : Mode::kRead, true);
  if (status == kStatusSuccess) status = store.QuickCheck();
  std::int64_t id = kRootId;
  if (status == kStatusSuccess) {
    status = create ? store.CreatePath(path, id) : store.FindKey(path, id);
  }
  if (status == kStatusSuccess) status = store.Commit();
  return status;
}

}  // namespace

bool RegistryKey::OpenSubKey(const std::string& path) {
  if (!key_) return Record(kStatusInvalidHandle, kTypeNone, 0);
  std::vector<std::string> full = key_->path;
  std::int32_t status = AppendPath(path, full);
  if (status == kStatusSuccess) status = OpenKey(key_->file, full, false);
  if (status == kStatusSuccess) key_->path = std::move(full);
  return Record(status, kTypeNone, 0);
}

bool RegistryKey::Open(const RegistryRoot& root, const std::string& path) {
  keyPath = path;
  Handle handle{Absolute(root.file), {}};
  std::int32_t status = AppendPath(path, handle.path);
  if (status == kStatusSuccess) status = OpenKey(handle.file, handle.path, false);
  if (status == kStatusSuccess) key_ = std::make_unique<Handle>(std::move(handle));
  return Record(status, kTypeNone, 0);
}

bool RegistryKey::CreateKey(const RegistryRoot& root, const std::string& path) {
  Handle handle{Absolute(root.file), {}};
  std::int32_t status = AppendPath(path, handle.path);
  if (status == kStatusSuccess) status = OpenKey(handle.file, handle.path, true);
  if (status == kStatusSuccess) key_ = std::make_unique<Handle>(std::move(handle));
  return Record(status, kTypeNone, 0);
}

void RegistryKey::Close() { key_.reset(); }

namespace {

// One transaction on the held key at `path`: `step(store, id)` runs once the key is found, and
// the transaction commits only when every step succeeded (the store rolls back otherwise).
template <typename Step>
std::int32_t InHeldKey(const std::string& file, const std::vector<std::string>& path, Mode mode,
                       Step step) {
  Store store;
  std::int32_t status = store.Begin(file, mode, mode != Mode::kRead);
  std::int64_t id = kRootId;
  if (status == kStatusSuccess) status = store.FindHeldKey(path, id);
  if (status == kStatusSuccess) status = step(store, id);
  if (status == kStatusSuccess) status = store.Commit();
  return status;
}

// The values in one transaction: all of them or none.
std::int32_t WriteAll(const std::string& file, const std::vector<std::string>& path,
                      const std::vector<RegistryKey::ValueInfo>& values) {
  return InHeldKey(file, path, Mode::kWrite, [&](Store& store, std::int64_t id) {
    std::int32_t status = kStatusSuccess;
    for (auto value = values.begin(); status == kStatusSuccess && value != values.end(); ++value)
      status = store.SetValue(id, value->name, value->type, value->data);
    return status;
  });
}

std::int32_t ReadValue(const std::string& file, const std::vector<std::string>& path,
                       const std::string& name, std::uint32_t limit, std::uint32_t& type,
                       std::uint32_t& size, std::vector<std::uint8_t>& data) {
  return InHeldKey(file, path, Mode::kRead, [&](Store& store, std::int64_t id) {
    return store.QueryValue(id, name, limit, type, size, data);
  });
}

}  // namespace

RegistryKey::ValueInfo RegistryKey::NumberValue(const std::string& name, std::uint32_t value) {
  return {name,
          kTypeNumber,
          {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
           static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}};
}

RegistryKey::ValueInfo RegistryKey::TextValue(const std::string& name, const std::string& text) {
  return {name, kTypeText, TextBytes(text)};
}

bool RegistryKey::WriteNumber(const std::string& name, std::uint32_t value) {
  if (!key_) return Record(kStatusInvalidHandle, kTypeNumber, kNumberBytes);
  return Record(WriteAll(key_->file, key_->path, {NumberValue(name, value)}), kTypeNumber,
                kNumberBytes);
}

bool RegistryKey::WriteValues(const std::vector<ValueInfo>& values) {
  if (!key_) return Record(kStatusInvalidHandle, kTypeNone, 0);
  for (const ValueInfo& value : values) {
    if (value.data.size() > static_cast<std::size_t>(kMaxValueBytes)) {
      return Record(kStatusInvalidData, kTypeNone, 0);
    }
  }
  return Record(WriteAll(key_->file, key_->path, values), kTypeNone, 0);
}

bool RegistryKey::WriteString(const std::string& name, const std::string& text) {
  std::uint32_t size = static_cast<std::uint32_t>(
      std::min<std::size_t>(text.size() + 1, std::numeric_limits<std::uint32_t>::max()));
  if (!key_) return Record(kStatusInvalidHandle, kTypeText, size);
  if (text.size() >= static_cast<std::size_t>(kMaxValueBytes)) {
    return Record(kStatusInvalidData, kTypeText, size);
  }
  return Record(WriteAll(key_->file, key_->path, {TextValue(name, text)}), kTypeText, size);
}

bool RegistryKey::ReadNumber(const std::string& name, std::uint32_t& out) {
  if (!key_) return Record(kStatusInvalidHandle, kTypeNone, 0);
  std::uint32_t type = kTypeNone, size = 0;
  std::vector<std::uint8_t> data;
  std::int32_t status = ReadValue(key_->file, key_->path, name, kNumberBytes, type, size, data);
  // A shorter value would leave bytes of the result undefined: refuse it.
  if (status == kStatusSuccess && data.size() < kNumberBytes) status = kStatusInvalidData;
  if (status == kStatusSuccess) {
    out = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
          static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
  }
  return Record(status, type, size);
}

bool RegistryKey::ReadString(const std::string& name, std::string& out) {
  if (!key_) return Record(kStatusInvalidHandle, kTypeNone, 0);
  std::uint32_t type = kTypeNone, size = 0;
  std::vector<std::uint8_t> data;
  std::int32_t status = ReadValue(key_->file, key_->path, name, kTextBufferBytes, type, size, data);
  if (status == kStatusSuccess) {
    // Stops at the first NUL, or at the end of data stored without one.
    std::size_t length = 0;
    while (length < data.size() && data[length] != 0) ++length;
    out.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length));
  }
  return Record(status, type, size);
}

bool RegistryKey::EnumerateSubKeys(std::vector<std::string>& names) {
  if (!key_) return Record(kStatusInvalidHandle, kTypeNone, 0);
  std::vector<std::string> found;
  const std::int32_t status =
      InHeldKey(key_->file, key_->path, Mode::kRead,
                [&](Store& store, std::int64_t id) { return store.SubKeys(id, found); });
  if (status == kStatusSuccess) names = std::move(found);
  return Record(status, kTypeNone, 0);
}

bool RegistryKey::EnumerateValues(std::vector<ValueInfo>& values) {
  if (!key_) return Record(kStatusInvalidHandle, kTypeNone, 0);
  std::vector<ValueInfo> found;
  const std::int32_t status =
      InHeldKey(key_->file, key_->path, Mode::kRead,
                [&](Store& store, std::int64_t id) { return store.Values(id, found); });
  if (status == kStatusSuccess) values = std::move(found);
  return Record(status, kTypeNone, 0);
}

bool RegistryKey::DeleteValue(const std::string& name) {
  if (!key_) return Record(kStatusInvalidHandle, kTypeNone, 0);
  return Record(
      InHeldKey(key_->file, key_->path, Mode::kWrite,
                [&](Store& store, std::int64_t id) { return store.RemoveValue(id, name); }),
      kTypeNone, 0);
}

}  // namespace tavo
