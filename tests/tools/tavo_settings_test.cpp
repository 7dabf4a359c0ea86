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

TEST_F(SettingsToolTest, DamagedStoreIsReportedAndKept) {
  std::ofstream(store, std::ios::binary) << std::string(3000, 'x');
  Outcome run = Tool({"set", kKey, "Bright", "--number", "1"});
  EXPECT_EQ(run.exit, 1);
  EXPECT_NE(run.err.find("damaged"), std::string::npos) << run.err;
  EXPECT_EQ(Slurp(store), std::string(3000, 'x'));
}

}  // namespace
}  // namespace tavo
