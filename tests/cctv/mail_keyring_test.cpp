// The mail password in a real Secret Service: a private session bus with gnome-keyring started
// for the test. Skipped where either program is missing.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "command_output.h"
#include "mail/secretstore.h"
#include "mail_test_folder.h"

namespace tavo::cctv {
namespace {

namespace fs = std::filesystem;

class KeyringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists("/usr/bin/dbus-daemon") || !fs::exists("/usr/bin/gnome-keyring-daemon"))
      GTEST_SKIP() << "dbus-daemon or gnome-keyring-daemon is not installed";
    fs::create_directories(folder.path() / "run");
    fs::permissions(folder.path() / "run", fs::perms::owner_all);
    std::istringstream started(
        testing::CommandOutput("dbus-daemon --session --fork --print-address=1 --print-pid=1"));
    std::string address;
    started >> address >> busPid_;
    ASSERT_FALSE(address.empty());
    ASSERT_GT(busPid_, 0);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    // An empty login keyring, unlocked with an empty password, in the test's own home; it ends
    // with the bus.
    const std::string env = "env HOME='" + folder.path().string() + "' XDG_RUNTIME_DIR='" +
                            (folder.path() / "run").string() + "' ";
    testing::CommandOutput("printf 'test' | " + env +
                           "gnome-keyring-daemon --unlock --components=secrets --daemonize "
                           ">/dev/null 2>&1");
    // The daemon comes back before it is on the bus with its login keyring. Asked too early, the
    // bus would start a second daemon, without that keyring; so first the bus itself is asked
    // whether the name has its owner, which starts nothing.
    const auto poll = [](const std::string& command, const std::string& sign) {
      for (int waited = 0; waited < 5000; waited += 50) {
        if (testing::CommandOutput(command).find(sign) != std::string::npos) return true;
        ::usleep(50 * 1000);
      }
      return false;
    };
    const bool owned = poll(
        "dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus "
        "org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null",
        "boolean true");
    const bool ready =
        owned && poll(
                     "dbus-send --session --print-reply --dest=org.freedesktop.secrets "
                     "/org/freedesktop/secrets org.freedesktop.DBus.Properties.Get "
                     "string:org.freedesktop.Secret.Service string:Collections 2>/dev/null",
                     "collection/login");
    if (!ready) GTEST_SKIP() << "gnome-keyring made no login keyring";
  }

  void TearDown() override {
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    if (busPid_ > 0) ::kill(busPid_, SIGTERM);
  }

  testing::MailTestFolder folder;
  pid_t busPid_ = -1;
};

TEST_F(KeyringTest, KeepsThePasswordInTheKeyringNotInTheFile) {
  ASSERT_TRUE(KeyringSecretStore::SessionBusPresent());
  const fs::path file = folder.path() / "mail-passwords";
  DesktopSecretStore store(file);
  const MailAccount account{"cam@example.test", "smtp.example.test", 587};
  ASSERT_TRUE(store.Store(account, "in the keyring"));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(KeyringSecretStore().Lookup(account), "in the keyring");
  EXPECT_EQ(store.Lookup(account), "in the keyring");
  EXPECT_FALSE(store.Lookup({"cam@example.test", "smtp.example.test", 465}));
  ASSERT_TRUE(store.Store(account, "replaced"));
  EXPECT_EQ(store.Lookup(account), "replaced");
}

}  // namespace
}  // namespace tavo::cctv
