#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "registrykey.h"

namespace tavo {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exit = -1;
  std::string out, err;
};

std::string Slurp(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SettingsToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/tavo-settings-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    dir = folder;
    store = dir + "/registry.sqlite";
  }
  void TearDown() override { fs::remove_all(dir); }

  // Runs the real program on the test's store and collects its output.
  Outcome Tool(const std::vector<std::string>& args) {
    std::string outFile = dir + "/out", errFile = dir + "/err";
    pid_t pid = fork();
    if (pid == 0) {
      setenv("TAVO_REGISTRY", store.c_str(), 1);
      int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(out, 1);
      dup2(err, 2);
      std::vector<char*> argv{const_cast<char*>(TAVO_SETTINGS_PROGRAM)};
      for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(outFile), Slurp(errFile)};
  }

  std::string dir, store;
};

constexpr const char* kKey = "Software\\Kolbrant\\TavoPreview_Info";

TEST_F(SettingsToolTest, SetGetListDeleteRoundTrip) {
  EXPECT_EQ(Tool({"list"}).exit, 0) << "an empty machine lists nothing";
  EXPECT_EQ(Tool({"set", kKey, "TavoPath", "--text", "/opt/tavo/TavoPreview"}).exit, 0);
  EXPECT_EQ(
      Tool({"set", "Software/Kolbrant/TavoPreview_Info", "TavoPathParam", "--text", "-x"}).exit, 0);
  EXPECT_EQ(Tool({"set", kKey, "Bright", "--number", "4294967295"}).exit, 0);

  Outcome get = Tool({"get", kKey, "tavopath"});
  EXPECT_EQ(get.exit, 0) << get.err;
  EXPECT_EQ(get.out, "/opt/tavo/TavoPreview\n");
  EXPECT_EQ(Tool({"get", "/Software/Kolbrant/TavoPreview_Info/", "Bright"}).out, "4294967295\n");

  // The programs read what the tool wrote.
  RegistryRoot root{store};
  RegistryKey key(root);
  ASSERT_TRUE(key.Open(root, kKey));
  std::string text;
  ASSERT_TRUE(key.ReadString("TavoPathParam", text));
  EXPECT_EQ(text, "-x");

  Outcome list = Tool({"list"});
  EXPECT_EQ(list.exit, 0);
  EXPECT_EQ(list.out,
            "Software\n"
            "Software\\Kolbrant\n"
            "Software\\Kolbrant\\TavoPreview_Info\n"
            "  Bright (number) = 4294967295\n"
            "  TavoPath (text) = /opt/tavo/TavoPreview\n"
            "  TavoPathParam (text) = -x\n");
  EXPECT_EQ(Tool({"list", "Software\\Kolbrant\\TavoPreview_Info"}).out,
            list.out.substr(list.out.find(kKey)));

  EXPECT_EQ(Tool({"delete", kKey, "TavoPathParam"}).exit, 0);
  Outcome missing = Tool({"get", kKey, "TavoPathParam"});
  EXPECT_EQ(missing.exit, 1);
  EXPECT_NE(missing.err.find("not found"), std::string::npos) << missing.err;
  EXPECT_EQ(Tool({"delete", kKey, "TavoPathParam"}).exit, 1);
  EXPECT_EQ(Tool({"get", "Software\\Nobody", "X"}).exit, 1);
  EXPECT_EQ(Tool({"list", "Software\\Nobody"}).exit, 1);
}

TEST_F(SettingsToolTest, UsageErrorsAndBadNumbers) {
  Outcome help = Tool({"--help"});
  EXPECT_EQ(help.exit, 0);
  EXPECT_NE(help.out.find("Usage"), std::string::npos);
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"frobnicate"},
                                             {"get", kKey},
                                             {"set", kKey, "Bright", "5"},
                                             {"set", kKey, "Bright", "--float", "5"},
                                             {"delete", kKey},
                                             {"list", "A", "B"},
                                             {"get", "Software\\\\Kolbrant", "X"}}) {
    Outcome run = Tool(args);
    EXPECT_EQ(run.exit, 2) << testing::PrintToString(args);
    EXPECT_FALSE(run.err.empty());
  }
  for (const char* bad : {"", "-1", "+5", "12a", " 7", "0x10", "4294967296", "99999999999"}) {
    Outcome run = Tool({"set", kKey, "Bright", "--number", bad});
    EXPECT_EQ(run.exit, 2) << bad;
  }
  EXPECT_FALSE(fs::exists(store)) << "rejected commands must not create the store";
}

// A store written by someone else: whatever its keys, names and texts hold, the tool's output is
// plain text that reads back unambiguously.
TEST_F(SettingsToolTest, CraftedStoreIsPrintedAsPlainText) {
  const std::string key = "Software\\\x1b]0;owned\x07\\Tavo";
  RegistryRoot root{store};
  RegistryKey writer(root);
  ASSERT_TRUE(writer.CreateKey(root, key));
  struct Case {
    const char* name;
    std::string text;
    const char* shown;
  };
  const Case cases[] = {
      {"a", "\x1b[2J\x1b[31mred", "\\x1b[2J\\x1b[31mred"},
      {"b", "tab\tcr\rdel\x7f", "tab\\x09cr\\x0ddel\\x7f"},
      {"c", "line\nnext", "line\\nnext"},
      {"d", "C:\\tavo\\x41", "C:\\\\tavo\\\\x41"},
      {"e",
       "csi\xc2\x9b"
       "31m nel\xc2\x85",
       "csi\\u009b31m nel\\u0085"},
      {"f",
       "raw\x9b"
       "31m",
       "raw\\x9b31m"},
      {"g", "\xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80 \xe2\x82",
       "\\xc0\\xaf \\xed\\xa0\\x80 "
       "\\xf4\\x90\\x80\\x80 \\xe2\\x82"},
      {"h", "\xc2\xa0\xed\x9f\xbf \xea\xb0\x80\xf0\x9f\x93\xb7",
       "\xc2\xa0\xed\x9f\xbf \xea\xb0\x80"
       "\xf0\x9f\x93\xb7"},
      {"i\x1b[m", "x", nullptr},
  };
  for (const Case& c : cases) ASSERT_TRUE(writer.WriteString(c.name, c.text)) << c.name;

  const std::string shownKey = "Software\\\\x1b]0;owned\\x07\\Tavo";
  std::string want = "Software\nSoftware\\\\x1b]0;owned\\x07\n" + shownKey + "\n";
  for (const Case& c : cases) {
    if (c.shown != nullptr) want += std::string("  ") + c.name + " (text) = " + c.shown + "\n";
  }
  want += "  i\\x1b[m (text) = x\n";
  Outcome list = Tool({"list"});
  EXPECT_EQ(list.exit, 0) << list.err;
  EXPECT_EQ(list.out, want);

  Outcome get = Tool({"get", key, "a"});
  EXPECT_EQ(get.out, std::string(cases[0].shown) + "\n");
  // Error messages carry the names they were given, escaped too.
  Outcome missing = Tool({"get", key, "\x1b[8m"});
  EXPECT_EQ(missing.exit, 1);
  EXPECT_EQ(missing.err,
            "tavo-settings: value \"\\x1b[8m\" in key \"" + shownKey + "\": not found\n");
  for (const Outcome& run : {list, get, missing}) {
    EXPECT_EQ((run.out + run.err).find('\x1b'), std::string::npos);
    EXPECT_EQ((run.out + run.err).find("\xc2\x9b"), std::string::npos);
  }
}

TEST_F(SettingsToolTest, DamagedStoreIsReportedAndKept) {
  std::ofstream(store, std::ios::binary) << std::string(3000, 'x');
  Outcome run = Tool({"set", kKey, "Bright", "--number", "1"});
  EXPECT_EQ(run.exit, 1);
  EXPECT_NE(run.err.find("damaged"), std::string::npos) << run.err;
  EXPECT_EQ(Slurp(store), std::string(3000, 'x'));
}

}  // namespace
}  // namespace tavo
