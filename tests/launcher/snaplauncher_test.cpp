#include "snaplauncher.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <thread>

#include "filehandle.h"
#include "instancelock.h"
#include "scratch_folder.h"

namespace tavo::launcher {
namespace {

using testing::ScratchFolder;

// A TavoPreview stand-in on the press socket: answers every press, or (hung) accepts nothing.
class FakePreview {
 public:
  FakePreview(const std::string& path, bool answers) : answers_(answers) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    fd_.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    EXPECT_EQ(::bind(fd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(fd_.get(), 8), 0);
    if (answers_) thread_ = std::thread([this] { Serve(); });
  }
  ~FakePreview() {
    stop_ = true;
    ::shutdown(fd_.get(), SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
  }
  int presses() const { return presses_; }

 private:
  void Serve() {
    while (!stop_) {
      const UniqueFd peer(::accept(fd_.get(), nullptr, nullptr));
      if (!peer.valid()) return;
      char byte = 0;
      if (::recv(peer.get(), &byte, 1, 0) == 1) {
        ++presses_;
        ::send(peer.get(), "A", 1, MSG_NOSIGNAL);
      }
    }
  }

  bool answers_;
  UniqueFd fd_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> presses_{0};
};

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.path().empty());
    services_.socketPath = folder_.File("TavoPreview 2.0");
    services_.instanceLockPath = services_.socketPath + ".lock";
    services_.launchLockPath = services_.socketPath + ".launch";
    services_.boundMs = 400;
    services_.pollMs = 10;
  }

  void WriteSettings(const std::string& program, const std::string& folder) {
    RegistryKey key(settings_);
    ASSERT_TRUE(key.CreateKey(settings_, kSettingsKey));
    if (!program.empty()) {
      ASSERT_TRUE(key.WriteString(kValueProgram, program));
    }
    if (!folder.empty()) {
      ASSERT_TRUE(key.WriteString(kValueFolder, folder));
    }
  }

  ScratchFolder folder_{"/tmp/tavo-launcher-XXXXXX"};
  RegistryRoot settings_{folder_.File("settings.sqlite")};
  RecordingShell shell_;
  RecordingMessageBoxes boxes_;
  LauncherServices services_{settings_, shell_, boxes_, "", "", ""};
};

TEST_F(LauncherTest, RunningPreviewGetsThePressAndNothingStarts) {
  WriteSettings("/usr/bin/TavoPreview", "/tmp");
  FakePreview preview(services_.socketPath, true);
  EXPECT_EQ(RunLauncher(services_), LaunchResult::kPressed);
  EXPECT_EQ(preview.presses(), 1);
  EXPECT_TRUE(shell_.started.empty());
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(LauncherTest, HungPreviewEndsTheLauncherWithoutAStart) {
  WriteSettings("/usr/bin/TavoPreview", "/tmp");
  FakePreview preview(services_.socketPath, false);
  EXPECT_EQ(RunLauncher(services_), LaunchResult::kUnanswered);
  EXPECT_TRUE(shell_.started.empty());
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(LauncherTest, SettingsDecideTheStartAndItsMessages) {
  {
    SCOPED_TRACE("no key: the install message, nothing started");
    EXPECT_EQ(RunLauncher(services_), LaunchResult::kNotInstalled);
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].text, kMsgNotInstalled);
    EXPECT_TRUE(shell_.started.empty());
  }
  boxes_.boxes.clear();
  {
    SCOPED_TRACE("key without TavoPath: silence");
    WriteSettings("", "/tmp");
    EXPECT_EQ(RunLauncher(services_), LaunchResult::kNoValues);
    EXPECT_TRUE(boxes_.boxes.empty());
    EXPECT_TRUE(shell_.started.empty());
  }
  {
    SCOPED_TRACE("a TavoPath of 200 characters cannot be read: silence");
    WriteSettings(std::string(200, 'p'), "/tmp");
    EXPECT_EQ(RunLauncher(services_), LaunchResult::kNoValues);
    EXPECT_TRUE(boxes_.boxes.empty());
    EXPECT_TRUE(shell_.started.empty());
  }
  {
    SCOPED_TRACE("the shell refuses: File not found. once");
    WriteSettings("/nowhere/TavoPreview", "/tmp");
    shell_.startResult = kShellFileNotFound;
    EXPECT_EQ(RunLauncher(services_), LaunchResult::kFileNotFound);
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].text, kMsgFileNotFound);
    ASSERT_EQ(shell_.started.size(), 1u);
    EXPECT_EQ(shell_.started[0].program, "/nowhere/TavoPreview");
    EXPECT_EQ(shell_.started[0].folder, "/tmp");
  }
  boxes_.boxes.clear();
  shell_.started.clear();
  {
    SCOPED_TRACE("started in its folder; nobody listens within the bound, still no box");
    WriteSettings("/usr/bin/TavoPreview", "/home/me/.local/share/tavo");
    shell_.startResult = kShellSucceeded;
    EXPECT_EQ(RunLauncher(services_), LaunchResult::kStarted);
    EXPECT_TRUE(boxes_.boxes.empty());
    ASSERT_EQ(shell_.started.size(), 1u);
    EXPECT_EQ(shell_.started[0].folder, "/home/me/.local/share/tavo");
  }
}

// Another launcher is starting TavoPreview: this one waits for it and presses, starting nothing.
TEST_F(LauncherTest, LauncherBehindTheLaunchLockPressesTheNewPreview) {
  WriteSettings("/usr/bin/TavoPreview", "/tmp");
  services_.boundMs = 5000;
  const UniqueFd other(
      ::open(services_.launchLockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  ASSERT_EQ(::flock(other.get(), LOCK_EX), 0);
  auto run = std::async(std::launch::async, [this] { return RunLauncher(services_); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  FakePreview preview(services_.socketPath, true);
  ::flock(other.get(), LOCK_UN);
  EXPECT_EQ(run.get(), LaunchResult::kPressed);
  EXPECT_EQ(preview.presses(), 1);
  EXPECT_TRUE(shell_.started.empty());
}

// A TavoPreview started elsewhere holds its instance lock but does not listen yet.
TEST_F(LauncherTest, StartingPreviewIsWaitedForNotStartedAgain) {
  WriteSettings("/usr/bin/TavoPreview", "/tmp");
  preview::InstanceLock lock;
  ASSERT_EQ(lock.Acquire(services_.instanceLockPath), preview::LockResult::kHeld);
  {
    SCOPED_TRACE("it never listens: the launcher ends after its bound");
    EXPECT_EQ(RunLauncher(services_), LaunchResult::kUnanswered);
    EXPECT_TRUE(shell_.started.empty());
  }
  {
    SCOPED_TRACE("it listens a little later: the press reaches it");
    services_.boundMs = 5000;
    auto run = std::async(std::launch::async, [this] { return RunLauncher(services_); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    FakePreview preview(services_.socketPath, true);
    EXPECT_EQ(run.get(), LaunchResult::kPressed);
    EXPECT_TRUE(shell_.started.empty());
    EXPECT_TRUE(boxes_.boxes.empty());
  }
}

TEST(LauncherBound, TextOutsideTheRangeGivesTheDefault) {
  EXPECT_EQ(BoundFromText(nullptr), kDefaultBoundMs);
  EXPECT_EQ(BoundFromText("3000"), 3000);
  for (const char* bad : {"", "0", "-5", "3s", "99999999999", "600001"}) {
    EXPECT_EQ(BoundFromText(bad), kDefaultBoundMs) << bad;
  }
}

}  // namespace
}  // namespace tavo::launcher
