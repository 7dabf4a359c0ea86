// tavo-settings: reads and edits the Tavo settings store from the command line, the way a
// registry editor would. The installation uses it to write the launcher's values.
#include <strings.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "registrykey.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kMaxDepth = 512;

constexpr const char* kUsage =
    "Usage: tavo-settings list [KEY]\n"
    "       tavo-settings get KEY NAME\n"
    "       tavo-settings set KEY NAME --text VALUE | --number N\n"
    "       tavo-settings delete KEY NAME\n"
    "\n"
    "Reads and edits the Tavo settings store (TAVO_REGISTRY, or\n"
    "$XDG_CONFIG_HOME/tavo/registry.sqlite).\n"
    "KEY is a path like Software\\Kolbrant\\TavoPreview_Info; \"/\" also separates.\n"
    "Numbers are decimal, 0 to 4294967295. Names are not case-sensitive.\n"
    "Output is plain text: control characters and bytes that are not UTF-8 are\n"
    "shown as \\xNN (\\uNNNN for U+0080 to U+009F), a line feed as \\n and a\n"
    "backslash in a name or text as \\\\.\n"
    "\n"
    "Exit status: 0 done, 1 not found or failed, 2 usage error.\n";

// Length of the UTF-8 sequence at `text[at]` and its code point; 0 when the bytes there are no
// valid sequence (overlong forms and surrogates included).
std::size_t Utf8Sequence(std::string_view text, std::size_t at, std::uint32_t& code) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0Fu;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07u;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(i);
    if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return 0;
    code = code << 6 | (next & 0x3Fu);
  }
  return length;
}

// Everything the tool prints from the store or the command line goes through here: a crafted
// store must not send escape sequences to the terminal, and the output must read back
// unambiguously. Control characters (C0, DEL, C1) and bytes that are not UTF-8 are written as
// escapes, a backslash as two.
std::string Printable(std::string_view text) {
  std::string out;
  char code[8];
  for (std::size_t i = 0, step = 1; i < text.size(); i += step) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::uint32_t point = c;
    step = c < 0x80 ? 1 : Utf8Sequence(text, i, point);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (step == 0 || point < 0x20 || point == 0x7F) {
      step = 1;  // a control character, or a byte that starts no UTF-8 sequence
      std::snprintf(code, sizeof code, "\\x%02x", c);
      out += code;
    } else if (point >= 0x80 && point <= 0x9F) {
      std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(point));
      out += code;
    } else {
      out.append(text.substr(i, step));
    }
  }
  return out;
}

// A key path as printed: each component made printable, the separators kept single.
std::string PrintablePath(std::string_view path) {
  std::string out;
  for (std::size_t start = 0;;) {
    const std::size_t end = path.find('\\', start);
    out += Printable(path.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return out;
    out += '\\';
    start = end + 1;
  }
}

// `problem` is printable already.
int Usage(const std::string& problem) {
  std::fprintf(stderr, "tavo-settings: %s\n%s", problem.c_str(), kUsage);
  return kExitUsage;
}

// "/" for convenience, outer separators dropped; inner empty components stay and are refused.
bool NormaliseKey(std::string key, std::string& out) {
  for (char& c : key) {
    if (c == '/') c = '\\';
  }
  std::size_t first = key.find_first_not_of('\\');
  if (first == std::string::npos) {
    out.clear();
    return true;
  }
  out = key.substr(first, key.find_last_not_of('\\') - first + 1);
  return out.find("\\\\") == std::string::npos;
}

bool ParseNumber(const std::string& text, std::uint32_t& out) {
  if (text.empty() || text.size() > 10) return false;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > 0xFFFFFFFFu) return false;
  out = static_cast<std::uint32_t>(value);
  return true;
}

std::string Reason(std::int32_t status) {
  switch (status) {
    case tavo::kStatusNotFound:
      return "not found";
    case tavo::kStatusAccessDenied:
      return "access denied: the settings store cannot be written by this user";
    case tavo::kStatusBadStore:
      return "the settings store is damaged or is not a Tavo settings store (left untouched)";
    case tavo::kStatusBusy:
      return "the settings store is locked by another program";
    case tavo::kStatusBadPath:
      return "invalid key path";
    case tavo::kStatusKeyDeleted:
      return "the key was removed meanwhile";
    case tavo::kStatusInvalidData:
      return "value too large";
    default:
      return "error " + std::to_string(status);
  }
}

// `what` is printable already.
int Fail(const std::string& what, const tavo::RegistryKey& key) {
  std::fprintf(stderr, "tavo-settings: %s: %s\n", what.c_str(), Reason(key.lastStatus).c_str());
  return key.lastStatus == tavo::kStatusBadPath ? kExitUsage : kExitFailed;
}

std::string Quoted(const std::string& text) { return "\"" + Printable(text) + "\""; }
std::string QuotedPath(const std::string& path) { return "\"" + PrintablePath(path) + "\""; }

std::string Hex(const std::vector<std::uint8_t>& data) {
  std::string out;
  char byte[4];
  for (std::uint8_t b : data) {
    std::snprintf(byte, sizeof byte, "%s%02x", out.empty() ? "" : " ", b);
    out += byte;
  }
  return out;
}

std::string TextOf(const std::vector<std::uint8_t>& data) {
  std::string text;
  for (std::uint8_t b : data) {
    if (b == 0) break;
    text += static_cast<char>(b);
  }
  return text;
}

bool IsNumber(const tavo::RegistryKey::ValueInfo& value) {
  return value.type == tavo::kTypeNumber && value.data.size() == 4;
}

std::uint32_t NumberOf(const std::vector<std::uint8_t>& d) {
  return static_cast<std::uint32_t>(d[0]) | static_cast<std::uint32_t>(d[1]) << 8 |
         static_cast<std::uint32_t>(d[2]) << 16 | static_cast<std::uint32_t>(d[3]) << 24;
}

std::string Describe(const tavo::RegistryKey::ValueInfo& value) {
  if (IsNumber(value)) return "(number) = " + std::to_string(NumberOf(value.data));
  if (value.type == tavo::kTypeText) return "(text) = " + Printable(TextOf(value.data));
  return "(type " + std::to_string(value.type) + ", " + std::to_string(value.data.size()) +
         " bytes) = " + Hex(value.data);
}

// `shown` is `path` as printed.
int List(const tavo::RegistryRoot& root, const std::string& path, const std::string& shown,
         int depth) {
  tavo::RegistryKey key(root);
  std::vector<tavo::RegistryKey::ValueInfo> values;
  std::vector<std::string> children;
  if (!key.Open(root, path)) return Fail("key \"" + shown + "\"", key);
  if (!key.EnumerateValues(values) || !key.EnumerateSubKeys(children)) {
    return Fail("key \"" + shown + "\"", key);
  }
  if (!path.empty() || !values.empty()) std::printf("%s\n", path.empty() ? "\\" : shown.c_str());
  for (const auto& value : values) {
    std::string name = value.name.empty() ? "(default)" : Printable(value.name);
    std::printf("  %s %s\n", name.c_str(), Describe(value).c_str());
  }
  if (depth >= kMaxDepth) {
    std::fprintf(stderr, "tavo-settings: keys nested too deeply below \"%s\"\n", shown.c_str());
    return kExitFailed;
  }
  int result = kExitOk;
  for (const auto& child : children) {
    const std::string name = Printable(child);
    int status = List(root, path.empty() ? child : path + "\\" + child,
                      shown.empty() ? name : shown + "\\" + name, depth + 1);
    if (status != kExitOk) result = status;
  }
  return result;
}

int Get(const tavo::RegistryRoot& root, const std::string& path, const std::string& name) {
  tavo::RegistryKey key(root);
  std::vector<tavo::RegistryKey::ValueInfo> values;
  if (!key.Open(root, path)) return Fail("key " + QuotedPath(path), key);
  if (!key.EnumerateValues(values)) return Fail("key " + QuotedPath(path), key);
  // The store compares names without regard to ASCII case; so does this lookup.
  for (const auto& value : values) {
    if (strcasecmp(value.name.c_str(), name.c_str()) != 0 || value.name.size() != name.size()) {
      continue;
    }
    if (IsNumber(value)) {
      std::printf("%u\n", NumberOf(value.data));
    } else if (value.type == tavo::kTypeText) {
      std::printf("%s\n", Printable(TextOf(value.data)).c_str());
    } else {
      std::printf("%s\n", Hex(value.data).c_str());
    }
    return kExitOk;
  }
  std::fprintf(stderr, "tavo-settings: value %s in key %s: not found\n", Quoted(name).c_str(),
               QuotedPath(path).c_str());
  return kExitFailed;
}

int Set(const tavo::RegistryRoot& root, const std::string& path, const std::string& name,
        const std::string& kind, const std::string& text) {
  std::uint32_t number = 0;
  if (kind == "--number" && !ParseNumber(text, number)) {
    return Usage("not a number from 0 to 4294967295: " + Quoted(text));
  }
  tavo::RegistryKey key(root);
  if (!key.CreateKey(root, path)) return Fail("key " + QuotedPath(path), key);
  bool written = kind == "--number" ? key.WriteNumber(name, number) : key.WriteString(name, text);
  if (!written) return Fail("value " + Quoted(name), key);
  return kExitOk;
}

int Delete(const tavo::RegistryRoot& root, const std::string& path, const std::string& name) {
  tavo::RegistryKey key(root);
  if (!key.Open(root, path)) return Fail("key " + QuotedPath(path), key);
  if (!key.DeleteValue(name)) return Fail("value " + Quoted(name), key);
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // Only in front: later arguments are names and values, which may well look like options.
  for (std::size_t i = 0; i < args.size() && i < 2; ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      std::fputs(kUsage, stdout);
      return kExitOk;
    }
  }
  if (args.empty()) return Usage("no command given");
  const std::string& command = args[0];
  std::string path;
  if (args.size() > 1 && !NormaliseKey(args[1], path)) {
    return Usage("empty component in key path " + QuotedPath(args[1]));
  }
  tavo::RegistryRoot root = tavo::LocalMachine();
  if (root.file.empty()) {
    std::fprintf(stderr, "tavo-settings: no settings store: set TAVO_REGISTRY or HOME\n");
    return kExitFailed;
  }

  if (command == "list") {
    if (args.size() > 2) return Usage("list takes at most one KEY");
    return List(root, path, PrintablePath(path), 0);
  }
  if (command == "get") {
    if (args.size() != 3) return Usage("get takes KEY and NAME");
    return Get(root, path, args[2]);
  }
  if (command == "set") {
    if (args.size() != 5 || (args[3] != "--text" && args[3] != "--number")) {
      return Usage("set takes KEY NAME --text VALUE or KEY NAME --number N");
    }
    return Set(root, path, args[2], args[3], args[4]);
  }
  if (command == "delete") {
    if (args.size() != 3) return Usage("delete takes KEY and NAME");
    return Delete(root, path, args[2]);
  }
  return Usage("unknown command " + Quoted(command));
}
