// Feeds arbitrary bytes to the settings store as its file and walks whatever keys it finds.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "filehandle.h"
#include "registrykey.h"

namespace {

const std::string& StoreFile() {
  static const std::string file = [] {
    char folder[] = "/tmp/tavo-registry-fuzz-XXXXXX";
    if (!mkdtemp(folder)) std::abort();
    return std::string(folder) + "/registry.sqlite";
  }();
  return file;
}

void Walk(const tavo::RegistryRoot& root, const std::string& path, int depth, int& budget) {
  tavo::RegistryKey key(root);
  if (--budget < 0 || !key.Open(root, path)) return;
  std::vector<tavo::RegistryKey::ValueInfo> values;
  if (key.EnumerateValues(values)) {
    for (const auto& value : values) {
      std::uint32_t number = 0;
      std::string text;
      key.ReadNumber(value.name, number);
      key.ReadString(value.name, text);
    }
  }
  std::vector<std::string> names;
  if (depth < 4 && key.EnumerateSubKeys(names)) {
    for (const auto& name : names)
      Walk(root, path.empty() ? name : path + "\\" + name, depth + 1, budget);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& file = StoreFile();
  // Leftovers of the previous input would be replayed onto this one.
  for (const char* suffix : {"-journal", "-wal", "-shm"}) std::remove((file + suffix).c_str());
  {
    const tavo::FilePtr out = tavo::OpenFile(file.c_str(), "wb");
    if (!out) return 0;
    std::fwrite(data, 1, size, out.get());
  }

  tavo::RegistryRoot root{file};
  tavo::RegistryKey key(root);
  std::uint32_t number = 0;
  std::string text;
  if (key.OpenSubKey("Software\\Kolbrant")) key.OpenSubKey("TavoPreview_Info");
  key.ReadNumber("Bright", number);
  key.ReadString("TavoPath", text);
  key.Open(root, "Software\\Kolbrant\\TavoCCTV_Info");
  key.ReadString("Smtp", text);

  int budget = 64;
  Walk(root, "", 0, budget);
  return 0;
}
