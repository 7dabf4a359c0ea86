#include "registrykey.h"

#include <dirent.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace tavo {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPreviewKey = "Software\\Kolbrant\\TavoPreview_Info";

std::string ReadFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

int OpenDescriptors() {
  return static_cast<int>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

// Runs `body` in a child process and returns its exit code (or 128 + signal).
template <typename Body>
int InChild(Body body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class RegistryKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/tavo-registry-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    dir = folder;
    root = {dir + "/store/registry.sqlite"};
  }
  void TearDown() override { fs::remove_all(dir); }

  // A store holding the preview key with one number and one text.
  void MakeStore() {
    RegistryKey key(root);
    ASSERT_TRUE(key.CreateKey(root, kPreviewKey));
    ASSERT_TRUE(key.WriteNumber("Bright", 128));
    ASSERT_TRUE(key.WriteString("TavoPath", "/opt/tavo/TavoPreview"));
  }

  std::string dir;
  RegistryRoot root;
};

TEST_F(RegistryKeyTest, FirstRunCreatesTheKeyAndReadsBack) {
  RegistryKey key(root);
  EXPECT_FALSE(key.OpenSubKey(kPreviewKey));
  EXPECT_EQ(key.lastStatus, kStatusNotFound);
  EXPECT_FALSE(fs::exists(root.file)) << "a failed open must not create the store";

  ASSERT_TRUE(key.CreateKey(root, kPreviewKey));  // also makes the folder
  EXPECT_EQ(key.lastType, kTypeNone);
  ASSERT_TRUE(key.Open(root, kPreviewKey));
  EXPECT_EQ(key.keyPath, kPreviewKey);
  ASSERT_TRUE(key.WriteNumber("Bright", 0xFFFFFFFFu));
  EXPECT_EQ(key.lastType, kTypeNumber);
  EXPECT_EQ(key.lastSize, 4u);
  ASSERT_TRUE(key.WriteString("Smtp", "mail.example.org"));
  EXPECT_EQ(key.lastType, kTypeText);
  EXPECT_EQ(key.lastSize, 17u);
  key.Close();

  RegistryKey reader(root);
  ASSERT_TRUE(reader.Open(root, kPreviewKey));
  std::uint32_t number = 0;
  std::string text;
  ASSERT_TRUE(reader.ReadNumber("Bright", number));
  EXPECT_EQ(number, 0xFFFFFFFFu);
  EXPECT_EQ(reader.lastType, kTypeNumber);
  ASSERT_TRUE(reader.ReadString("Smtp", text));
  EXPECT_EQ(text, "mail.example.org");
  EXPECT_EQ(reader.lastSize, 17u);

  // OpenSubKey walks on from the key held; CreateKey made the intermediate keys.
  RegistryKey walker(root);
  ASSERT_TRUE(walker.OpenSubKey("Software"));
  ASSERT_TRUE(walker.OpenSubKey("Kolbrant\\TavoPreview_Info"));
  ASSERT_TRUE(walker.ReadNumber("Bright", number));
}

// Permission bits of `path`; -1 when it is not there.
int ModeOf(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

// Sets the umask for the scope of one test.
class Umask {
 public:
  explicit Umask(mode_t mask) : old_(umask(mask)) {}
  ~Umask() { umask(old_); }

 private:
  mode_t old_;
};

// The store holds mail addresses and servers: under the usual umask 022 it is still the user's
// alone, side files included; a folder the user chose is left as it is.
TEST_F(RegistryKeyTest, StoreIsPrivateToItsUser) {
  const Umask usual(022);
  const RegistryRoot nested{dir + "/made/deeper/registry.sqlite"};
  RegistryKey key(nested);
  ASSERT_TRUE(key.CreateKey(nested, kPreviewKey));
  ASSERT_TRUE(key.WriteNumber("Bright", 1));
  EXPECT_EQ(ModeOf(dir + "/made"), 0700);
  EXPECT_EQ(ModeOf(dir + "/made/deeper"), 0700);
  EXPECT_EQ(ModeOf(nested.file), 0600);

  // SQLite's side files take the store's mode: the rollback journal of a write, and the WAL and
  // shared-memory files of a store someone switched to WAL.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(nested.file.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "BEGIN IMMEDIATE; UPDATE registry_values SET data = x'07000000'",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  EXPECT_EQ(ModeOf(nested.file + "-journal"), 0600);
  ASSERT_EQ(sqlite3_exec(db,
                         "COMMIT; PRAGMA journal_mode = WAL; UPDATE registry_values SET "
                         "data = x'08000000'",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  EXPECT_EQ(ModeOf(nested.file + "-wal"), 0600);
  EXPECT_EQ(ModeOf(nested.file + "-shm"), 0600);
  // Our own connections write through the WAL too.
  ASSERT_TRUE(key.WriteNumber("Bright", 2));
  sqlite3_close(db);

  // A folder that was there is not changed; the store made in it is private all the same.
  const std::string chosen = dir + "/chosen";
  ASSERT_EQ(mkdir(chosen.c_str(), 0755), 0);
  const RegistryRoot inChosen{chosen + "/settings.sqlite"};
  RegistryKey other(inChosen);
  ASSERT_TRUE(other.CreateKey(inChosen, kPreviewKey));
  EXPECT_EQ(ModeOf(chosen), 0755);
  EXPECT_EQ(ModeOf(inChosen.file), 0600);
}

TEST_F(RegistryKeyTest, OpenStoresLoseGroupAndOtherAccessButForeignFilesAreLeftAlone) {
  MakeStore();
  struct Case {
    int before, after;
  };
  for (const Case c : {Case{0644, 0600}, Case{0666, 0600}, Case{0640, 0600}, Case{0604, 0600},
                       Case{0444, 0400}, Case{0600, 0600}}) {
    ASSERT_EQ(chmod(root.file.c_str(), static_cast<mode_t>(c.before)), 0);
    RegistryKey key(root);
    std::uint32_t bright = 0;
    const bool opened = key.Open(root, kPreviewKey) && key.ReadNumber("Bright", bright);
    // Root opens a store of any mode; other users cannot open a read-only one, which then stays
    // as it is.
    const bool opens = geteuid() == 0 || (c.before & 0200) != 0;
    EXPECT_EQ(opened, opens) << std::oct << c.before;
    EXPECT_EQ(ModeOf(root.file), opens ? c.after : c.before) << std::oct << c.before;
  }

  const std::string foreign = dir + "/foreign.sqlite";
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(foreign.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  ASSERT_EQ(chmod(foreign.c_str(), 0644), 0);
  RegistryKey key(RegistryRoot{foreign});
  EXPECT_FALSE(key.Open(RegistryRoot{foreign}, kPreviewKey));
  EXPECT_EQ(key.lastStatus, kStatusBadStore);
  EXPECT_EQ(ModeOf(foreign), 0644);
}

TEST_F(RegistryKeyTest, TextLimitsAndStoredSizes) {
  RegistryKey key(root);
  ASSERT_TRUE(key.CreateKey(root, kPreviewKey));
  ASSERT_TRUE(key.WriteString("Fits", std::string(199, 'a')));
  ASSERT_TRUE(key.WriteString("TooLong", std::string(200, 'b')));
  ASSERT_TRUE(key.WriteString("Empty", ""));
  EXPECT_EQ(key.lastSize, 1u);
  ASSERT_TRUE(key.WriteString("Nul", std::string("ab\0cd", 5)));

  std::string text = "unchanged";
  ASSERT_TRUE(key.ReadString("Fits", text));
  EXPECT_EQ(text, std::string(199, 'a'));
  EXPECT_EQ(key.lastSize, 200u);

  text = "unchanged";
  EXPECT_FALSE(key.ReadString("TooLong", text));
  EXPECT_EQ(key.lastStatus, kStatusMoreData);
  EXPECT_EQ(key.lastType, kTypeText);
  EXPECT_EQ(key.lastSize, 201u);
  EXPECT_EQ(text, "unchanged");

  ASSERT_TRUE(key.ReadString("Empty", text));
  EXPECT_EQ(text, "");
  EXPECT_EQ(key.lastSize, 1u);
  ASSERT_TRUE(key.ReadString("Nul", text));
  EXPECT_EQ(text, "ab");
  EXPECT_EQ(key.lastSize, 6u);

  // A number read as text has no NUL: the read stops at the end of the data.
  ASSERT_TRUE(key.WriteNumber("Number", 0x00434241));
  ASSERT_TRUE(key.ReadString("Number", text));
  EXPECT_EQ(text, "ABC");
  EXPECT_EQ(key.lastType, kTypeNumber);
}

TEST_F(RegistryKeyTest, NumberReadsCheckSizeNotType) {
  RegistryKey key(root);
  ASSERT_TRUE(key.CreateKey(root, kPreviewKey));
  std::uint32_t out = 77;
  EXPECT_FALSE(key.ReadNumber("Missing", out));
  EXPECT_EQ(key.lastStatus, kStatusNotFound);
  EXPECT_EQ(out, 77u);

  ASSERT_TRUE(key.WriteString("Long", "12345678"));
  EXPECT_FALSE(key.ReadNumber("Long", out));
  EXPECT_EQ(key.lastStatus, kStatusMoreData);
  EXPECT_EQ(key.lastType, kTypeText);
  EXPECT_EQ(key.lastSize, 9u);
  EXPECT_EQ(out, 77u);

  ASSERT_TRUE(key.WriteString("Short", "5"));  // 2 bytes: half a number is refused
  EXPECT_FALSE(key.ReadNumber("Short", out));
  EXPECT_EQ(key.lastStatus, kStatusInvalidData);
  EXPECT_EQ(key.lastSize, 2u);
  EXPECT_EQ(out, 77u);

  ASSERT_TRUE(key.WriteString("Four", "abc"));  // 4 bytes: read as they are
  ASSERT_TRUE(key.ReadNumber("Four", out));
  EXPECT_EQ(out, 0x00636261u);
  EXPECT_EQ(key.lastType, kTypeText);

  ASSERT_TRUE(key.WriteNumber("Bright", 0x12345678));
  std::vector<RegistryKey::ValueInfo> values;
  ASSERT_TRUE(key.EnumerateValues(values));
  auto bright = std::find_if(values.begin(), values.end(),
                             [](const auto& value) { return value.name == "Bright"; });
  ASSERT_NE(bright, values.end());
  EXPECT_EQ(bright->data, (std::vector<std::uint8_t>{0x78, 0x56, 0x34, 0x12}));
}

TEST_F(RegistryKeyTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  RegistryKey key(root);
  ASSERT_TRUE(key.CreateKey(root, kPreviewKey));
  ASSERT_TRUE(key.WriteNumber("Bright", 1));
  ASSERT_TRUE(key.CreateKey(root, "SOFTWARE\\kolbrant\\tavopreview_info"));
  ASSERT_TRUE(key.WriteNumber("BRIGHT", 2));
  std::uint32_t out = 0;
  ASSERT_TRUE(key.ReadNumber("bright", out));
  EXPECT_EQ(out, 2u);

  std::vector<RegistryKey::ValueInfo> values;
  ASSERT_TRUE(key.EnumerateValues(values));
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].name, "Bright");
  ASSERT_TRUE(key.Open(root, "software\\KOLBRANT"));
  std::vector<std::string> names;
  ASSERT_TRUE(key.EnumerateSubKeys(names));
  EXPECT_EQ(names, std::vector<std::string>{"TavoPreview_Info"});
}

TEST_F(RegistryKeyTest, MalformedPathsAreRefused) {
  MakeStore();
  RegistryKey key(root);
  for (const char* bad : {"\\Software", "Software\\", "Software\\\\Kolbrant"}) {
    EXPECT_FALSE(key.Open(root, bad)) << bad;
    EXPECT_EQ(key.lastStatus, kStatusBadPath) << bad;
  }
  EXPECT_FALSE(key.CreateKey(root, std::string(256, 'k')));
  EXPECT_EQ(key.lastStatus, kStatusBadPath);
}

TEST_F(RegistryKeyTest, FailedOpensKeepTheHeldKey) {
  MakeStore();
  RegistryKey key(root);
  ASSERT_TRUE(key.Open(root, kPreviewKey));
  EXPECT_FALSE(key.Open(root, "Software\\Other"));
  EXPECT_EQ(key.keyPath, "Software\\Other");  // set before the open, as callers expect
  EXPECT_FALSE(key.OpenSubKey("Missing"));
  std::uint32_t out = 0;
  ASSERT_TRUE(key.ReadNumber("Bright", out)) << "failed opens must keep the key held";
  ASSERT_TRUE(key.OpenSubKey(""));  // an empty path names the key itself
  ASSERT_TRUE(key.ReadNumber("Bright", out));
}

TEST_F(RegistryKeyTest, AClosedKeyRefusesUntilOpenedAgain) {
  MakeStore();
  RegistryKey key(root);
  ASSERT_TRUE(key.Open(root, kPreviewKey));
  std::uint32_t out = 0;
  key.lastStatus = 99;
  key.Close();
  key.Close();  // nothing held: nothing happens, nothing recorded
  EXPECT_EQ(key.lastStatus, 99);
  EXPECT_FALSE(key.ReadNumber("Bright", out));
  EXPECT_EQ(key.lastStatus, kStatusInvalidHandle);
  EXPECT_FALSE(key.WriteString("Smtp", "x"));
  EXPECT_EQ(key.lastStatus, kStatusInvalidHandle);
  EXPECT_EQ(key.lastSize, 2u);
  EXPECT_FALSE(key.OpenSubKey("Software"));
  EXPECT_TRUE(key.Open(root, kPreviewKey)) << "Open names its root and works after Close";
}

TEST_F(RegistryKeyTest, KeysKeepNothingOpenBetweenOperations) {
  MakeStore();
  std::uint32_t out = 0;
  // Keys, open or destroyed while held, keep nothing open between operations.
  int before = OpenDescriptors();
  for (int i = 0; i < 20; ++i) {
    RegistryKey held(root);
    ASSERT_TRUE(held.Open(root, kPreviewKey));
    ASSERT_TRUE(held.ReadNumber("Bright", out));
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(RegistryKeyTest, EnumerateAndDelete) {
  MakeStore();
  RegistryKey key(root);
  ASSERT_TRUE(key.CreateKey(root, "Software\\Kolbrant\\TavoCCTV_Info\\Deeper"));
  ASSERT_TRUE(key.Open(root, "Software\\Kolbrant"));
  std::vector<std::string> names{"stale"};
  ASSERT_TRUE(key.EnumerateSubKeys(names));
  EXPECT_EQ(names, (std::vector<std::string>{"TavoCCTV_Info", "TavoPreview_Info"}));

  ASSERT_TRUE(key.Open(root, kPreviewKey));
  std::vector<RegistryKey::ValueInfo> values;
  ASSERT_TRUE(key.EnumerateValues(values));
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[1].name, "TavoPath");
  EXPECT_EQ(values[1].type, kTypeText);
  EXPECT_EQ(values[1].data.size(), std::string("/opt/tavo/TavoPreview").size() + 1);

  ASSERT_TRUE(key.DeleteValue("tavopath"));
  EXPECT_FALSE(key.DeleteValue("TavoPath"));
  EXPECT_EQ(key.lastStatus, kStatusNotFound);
  ASSERT_TRUE(key.EnumerateValues(values));
  EXPECT_EQ(values.size(), 1u);
}

TEST_F(RegistryKeyTest, ABatchWritesWhatSingleWritesWouldOrNothing) {
  MakeStore();
  RegistryKey single(root);
  ASSERT_TRUE(single.CreateKey(root, "Software\\Single"));
  ASSERT_TRUE(single.WriteString("Smtp", "mail.example.org"));
  ASSERT_TRUE(single.WriteNumber("Bright", 0x01020304u));
  std::vector<RegistryKey::ValueInfo> expected;
  ASSERT_TRUE(single.EnumerateValues(expected));

  RegistryKey key(root);
  ASSERT_TRUE(key.Open(root, kPreviewKey));
  ASSERT_TRUE(key.WriteValues({RegistryKey::TextValue("Smtp", "mail.example.org"),
                               RegistryKey::NumberValue("bright", 0x01020304u)}));
  EXPECT_EQ(key.lastStatus, kStatusSuccess);
  std::vector<RegistryKey::ValueInfo> values;
  ASSERT_TRUE(key.EnumerateValues(values));
  ASSERT_EQ(values.size(), 3u);  // "Bright" replaced in its first spelling, "TavoPath" kept
  EXPECT_EQ(values[0].name, "Bright");
  EXPECT_EQ(values[0].data, expected[0].data);
  EXPECT_EQ(values[1].name, "Smtp");
  EXPECT_EQ(values[1].type, kTypeText);
  EXPECT_EQ(values[1].data, expected[1].data);

  // One value too big: none of the batch is written.
  EXPECT_FALSE(key.WriteValues({RegistryKey::NumberValue("Bright", 7),
                                RegistryKey::TextValue("Smtp", std::string(16 << 20, 'x'))}));
  EXPECT_EQ(key.lastStatus, kStatusInvalidData);
  std::uint32_t bright = 0;
  ASSERT_TRUE(key.ReadNumber("Bright", bright));
  EXPECT_EQ(bright, 0x01020304u);

  // A store that cannot be written takes nothing either.
  ASSERT_EQ(chmod(root.file.c_str(), 0444), 0);
  const bool asRoot = geteuid() == 0;
  if (!asRoot) {
    EXPECT_FALSE(key.WriteValues({RegistryKey::NumberValue("Bright", 8)}));
    EXPECT_EQ(key.lastStatus, kStatusAccessDenied);
  }
  ASSERT_EQ(chmod(root.file.c_str(), 0644), 0);
  ASSERT_TRUE(key.ReadNumber("Bright", bright));
  EXPECT_EQ(bright, 0x01020304u);

  key.Close();
  EXPECT_FALSE(key.WriteValues({}));
  EXPECT_EQ(key.lastStatus, kStatusInvalidHandle);
}

TEST_F(RegistryKeyTest, HeldKeySeesOtherWritersAndNoticesAReplacedStore) {
  MakeStore();
  RegistryKey held(root);
  ASSERT_TRUE(held.Open(root, kPreviewKey));
  {
    RegistryKey other(root);
    ASSERT_TRUE(other.Open(root, kPreviewKey));
    ASSERT_TRUE(other.WriteNumber("Bright", 5));
  }
  std::uint32_t out = 0;
  ASSERT_TRUE(held.ReadNumber("Bright", out));
  EXPECT_EQ(out, 5u);

  fs::remove(root.file);
  RegistryKey other(root);
  ASSERT_TRUE(other.CreateKey(root, "Software\\Else"));
  EXPECT_FALSE(held.WriteNumber("Bright", 6));
  EXPECT_EQ(held.lastStatus, kStatusKeyDeleted);
}

TEST_F(RegistryKeyTest, LocalMachineFollowsTheEnvironment) {
  auto saved = [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  };
  auto registry = saved("TAVO_REGISTRY"), xdg = saved("XDG_CONFIG_HOME"), home = saved("HOME");

  setenv("TAVO_REGISTRY", "/somewhere/store.sqlite", 1);
  EXPECT_EQ(LocalMachine().file, "/somewhere/store.sqlite");
  unsetenv("TAVO_REGISTRY");
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(LocalMachine().file, "/cfg/tavo/registry.sqlite");
  setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored, as XDG asks
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(LocalMachine().file, "/home/someone/.config/tavo/registry.sqlite");

  auto restore = [](const char* name, const std::optional<std::string>& value) {
    value ? setenv(name, value->c_str(), 1) : unsetenv(name);
  };
  restore("TAVO_REGISTRY", registry);
  restore("XDG_CONFIG_HOME", xdg);
  restore("HOME", home);
}

TEST_F(RegistryKeyTest, StoreThatCannotBeWrittenCannotBeOpenedEvenForReading) {
  MakeStore();
  // Root ignores file modes, so then the check runs as "nobody" in a child process.
  bool asRoot = getuid() == 0;
  ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
  ASSERT_EQ(chmod((dir + "/store").c_str(), asRoot ? 0755 : 0555), 0);
  ASSERT_EQ(chmod(root.file.c_str(), asRoot ? 0644 : 0444), 0);
  std::string before = ReadFile(root.file);
  int result = InChild([&] {
    if (asRoot && (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)) {
      return 77;
    }
    if (access(root.file.c_str(), W_OK) == 0) return 77;  // still writable: nothing to test
    RegistryKey key(root);
    if (key.Open(root, kPreviewKey) || key.lastStatus != kStatusAccessDenied) return 1;
    if (key.OpenSubKey(kPreviewKey) || key.lastStatus != kStatusAccessDenied) return 2;
    if (key.CreateKey(root, kPreviewKey) || key.lastStatus != kStatusAccessDenied) return 3;
    RegistryKey fresh(RegistryRoot{root.file + "-new"});  // cannot be created either
    if (fresh.CreateKey(RegistryRoot{root.file + "-new"}, "K") ||
        fresh.lastStatus != kStatusAccessDenied) {
      return 4;
    }
    return 0;
  });
  chmod((dir + "/store").c_str(), 0755);
  if (result == 77) GTEST_SKIP() << "cannot run as an account without write access";
  EXPECT_EQ(result, 0) << "failed step " << result;
  EXPECT_EQ(ReadFile(root.file), before);
}

TEST_F(RegistryKeyTest, DamagedOrForeignStoresFailWithoutBeingTouched) {
  MakeStore();
  std::string real = ReadFile(root.file);
  ASSERT_GT(real.size(), 4096u);

  std::mt19937 random(7);
  std::string noise(8192, '\0');
  for (char& c : noise) c = static_cast<char>(random());

  std::string foreign = dir + "/foreign.sqlite";
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(foreign.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE registry_keys(x); INSERT INTO registry_keys VALUES(1)",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  std::string newer = real;  // our id, a user_version from a later release
  newer[63] = 9;

  std::string corrupt = real;  // the header intact, the pages behind it overwritten
  for (std::size_t i = 4096; i < corrupt.size(); ++i) corrupt[i] = noise[i % noise.size()];

  struct Case {
    const char* name;
    std::string bytes;
  };
  for (const Case& c :
       {Case{"noise", noise}, Case{"truncated", real.substr(0, 2048)},
        Case{"truncated-page", real.substr(0, 4096 + 100)}, Case{"corrupt-pages", corrupt},
        Case{"foreign", ReadFile(foreign)}, Case{"newer", newer}}) {
    SCOPED_TRACE(c.name);
    WriteFile(root.file, c.bytes);
    RegistryKey key(root);
    EXPECT_FALSE(key.Open(root, kPreviewKey));
    EXPECT_EQ(key.lastStatus, kStatusBadStore);
    EXPECT_FALSE(key.CreateKey(root, kPreviewKey));
    EXPECT_EQ(key.lastStatus, kStatusBadStore);
    std::uint32_t out = 0;
    EXPECT_FALSE(key.ReadNumber("Bright", out));  // on the root, still held
    EXPECT_FALSE(key.WriteNumber("Bright", 1));
    EXPECT_EQ(key.lastStatus, kStatusBadStore);
    EXPECT_EQ(ReadFile(root.file), c.bytes);
  }

  // An empty file is a store not yet written: it reads as empty and can be created into.
  WriteFile(root.file, "");
  RegistryKey key(root);
  EXPECT_FALSE(key.Open(root, kPreviewKey));
  EXPECT_EQ(key.lastStatus, kStatusNotFound);
  EXPECT_TRUE(key.CreateKey(root, kPreviewKey));
}

TEST_F(RegistryKeyTest, KilledWriterLeavesOldOrNewValue) {
  MakeStore();
  const std::string first(150, 'a'), second(150, 'b');
  {
    RegistryKey key(root);
    ASSERT_TRUE(key.Open(root, kPreviewKey));
    ASSERT_TRUE(key.WriteString("Smtp", first));
  }
  std::mt19937 random(std::random_device{}());
  for (int round = 0; round < 4; ++round) {
    pid_t pid = fork();
    if (pid == 0) {
      RegistryKey key(root);
      if (!key.Open(root, kPreviewKey)) _exit(1);
      for (int i = 0;; ++i) {
        key.WriteString("Smtp", i % 2 ? first : second);
        key.WriteNumber("Bright", static_cast<std::uint32_t>(i));
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 80));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped on its own";

    RegistryKey key(root);
    ASSERT_TRUE(key.Open(root, kPreviewKey)) << key.lastStatus;
    std::string text;
    std::uint32_t number = 0;
    ASSERT_TRUE(key.ReadString("Smtp", text)) << key.lastStatus;
    EXPECT_TRUE(text == first || text == second) << text;
    ASSERT_TRUE(key.ReadNumber("Bright", number));
    ASSERT_TRUE(key.WriteNumber("Bright", number + 1)) << "a store that cannot be written again";
  }
}

TEST_F(RegistryKeyTest, TwoProcessesWriteAtOnce) {
  MakeStore();
  constexpr int kWrites = 15;
  auto writer = [&](const std::string& prefix) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    RegistryKey key(root);
    if (!key.Open(root, kPreviewKey)) _exit(key.lastStatus % 256);
    for (int i = 0; i < kWrites; ++i) {
      if (!key.WriteNumber(prefix + std::to_string(i), static_cast<std::uint32_t>(i))) _exit(2);
      if (!key.WriteNumber("Shared", static_cast<std::uint32_t>(i))) _exit(3);
    }
    _exit(0);
  };
  pid_t a = writer("A"), b = writer("B");
  for (pid_t pid : {a, b}) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  RegistryKey key(root);
  ASSERT_TRUE(key.Open(root, kPreviewKey));
  std::vector<RegistryKey::ValueInfo> values;
  ASSERT_TRUE(key.EnumerateValues(values));
  EXPECT_EQ(values.size(), 2u * kWrites + 3);  // Bright, TavoPath, Shared
}

}  // namespace
}  // namespace tavo
