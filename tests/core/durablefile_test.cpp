#include "durablefile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "filehandle.h"
#include "logged_file_calls.h"
#include "test_folder.h"

namespace tavo {
namespace {

namespace fs = std::filesystem;

using testing::LoggedCalls;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Entries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

class DurableFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = testing::EmptyFolderForTest("durable_");
    oldMask = ::umask(022);
  }
  void TearDown() override {
    ::umask(oldMask);
    fs::remove_all(dir);
  }
  WriteResult Write(const std::string& text, const WriteOptions& options = {}) {
    return WriteFileDurably(calls, path, text.data(), text.size(), options);
  }

  fs::path dir;
  mode_t oldMask = 0;
  LoggedCalls calls;
  std::string path;
};

TEST_F(DurableFileTest, DataReachesTheDiskBeforeTheNameAndTheNameIsNeverTakenOver) {
  path = dir / "a.jpg";
  ASSERT_EQ(Write("first"), WriteResult::kWritten);
  EXPECT_EQ(calls.created.substr(0, path.size() + 1), path + ".");
  EXPECT_TRUE(IsLeftoverName(fs::path(calls.created).filename().string()));
  EXPECT_EQ(calls.log, (std::vector<std::string>{"create " + calls.created, "write", "datasync",
                                                 "rename-noreplace " + path, "close"}));
  EXPECT_EQ(ReadAll(path), "first");

  // The name is held: refused, the first file stays whole, nothing is left beside it, and no
  // failure is reported (the caller picks another name).
  calls.log.clear();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Write("second"), WriteResult::kNameTaken);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(calls.log.back(), "close");
  EXPECT_EQ(calls.log[calls.log.size() - 2], "unlink <temporary>");
  EXPECT_EQ(ReadAll(path), "first");
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"a.jpg"});

  // A copy the user agreed to overwrite replaces it.
  calls.log.clear();
  ASSERT_EQ(Write("third", kUserCopy), WriteResult::kWritten);
  EXPECT_EQ(calls.log[2], "datasync");
  EXPECT_EQ(calls.log[3], "rename " + path);
  EXPECT_EQ(ReadAll(path), "third");
}

TEST_F(DurableFileTest, WithoutAnAtomicRefusalALinkStandsInAndNeverReplaces) {
  path = dir / "b.jpg";
  calls.inject["rename-noreplace"] = -EINVAL;
  ASSERT_EQ(Write("one"), WriteResult::kWritten);
  EXPECT_EQ(calls.log, (std::vector<std::string>{"create " + calls.created, "write", "datasync",
                                                 "rename-noreplace " + path, "link " + path,
                                                 "unlink <temporary>", "close"}));
  calls.inject["rename-noreplace"] = -ENOSYS;
  EXPECT_EQ(Write("two"), WriteResult::kNameTaken);
  EXPECT_EQ(ReadAll(path), "one");
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"b.jpg"});
}

TEST_F(DurableFileTest, AFailedSyncOrRenameLeavesNothingAndSaysSo) {
  path = dir / "c.jpg";
  const std::pair<const char*, const char*> failures[] = {
      {"datasync", "can't write"}, {"rename-noreplace", "can't open"}, {"write", "can't write"}};
  for (const auto& [call, message] : failures) {
    SCOPED_TRACE(call);
    calls.inject = {{call, -EIO}};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Write("data"), WriteResult::kFailed);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), std::string(message) + " " + path + "\n");
    EXPECT_TRUE(Entries(dir).empty());
  }
  calls.inject = {{"create", -EACCES}};
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Write("data"), WriteResult::kFailed);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "can't open " + path + "\n");
}

TEST_F(DurableFileTest, PrivateByDefaultAndCopiesFollowTheUmask) {
  path = dir / "private.jpg";
  ASSERT_EQ(Write("x"), WriteResult::kWritten);
  EXPECT_EQ(ModeOf(path), 0600u);
  path = dir / "copy.jpg";
  ASSERT_EQ(Write("x", kUserCopy), WriteResult::kWritten);
  EXPECT_EQ(ModeOf(path), 0644u);
}

TEST_F(DurableFileTest, AFolderMadeIsPrivateAndItsParentSyncedAnExistingOneIsLeftAlone) {
  const std::string made = (dir / "made").string();
  ASSERT_TRUE(MakePrivateFolder(calls, made));
  EXPECT_EQ(calls.log, (std::vector<std::string>{"mkdir " + made, "syncdir " + dir.string()}));
  EXPECT_EQ(ModeOf(made), 0700u);

  const fs::path theirs = dir / "theirs";
  ASSERT_EQ(::mkdir(theirs.c_str(), 0755), 0);
  calls.log.clear();
  ASSERT_TRUE(MakePrivateFolder(calls, theirs.string()));
  EXPECT_EQ(calls.log, std::vector<std::string>{"mkdir " + theirs.string()});  // no sync
  EXPECT_EQ(ModeOf(theirs), 0755u);

  std::ofstream(dir / "file") << "x";
  EXPECT_FALSE(MakePrivateFolder(calls, (dir / "file").string()));
  EXPECT_FALSE(MakePrivateFolder(calls, (dir / "no" / "such").string()));
}

TEST(LeftoverNames, OnlyTheTemporaryShapeOfAPicture) {
  EXPECT_TRUE(IsLeftoverName("14h05m09s_01-17-03_000001.jpg.abz045"));
  EXPECT_TRUE(IsLeftoverName("Email16to1_00001.jpg.aaaaaa"));
  EXPECT_TRUE(IsLeftoverName(".jpg.012345"));
  for (const char* name :
       {"a.jpg", "a.jpg.", "a.jpg.abcde", "a.jpg.abcdefg", "a.jpg.abcde6", "a.jpg.ABCDEF",
        "a.jpg.abc-ef", "a.png.abcdef", "a.jpgabcdef", "a.jpeg.abcdef", "a.jpg.abcdef.jpg"}) {
    EXPECT_FALSE(IsLeftoverName(name)) << name;
  }
  // Every name the writer makes for a picture has that shape.
  for (int i = 0; i < 200; ++i) {
    const std::string name = TemporaryName("x_000001.jpg");
    ASSERT_TRUE(IsLeftoverName(name)) << name;
  }
}

// Calls that stop the writer for good between create and rename: they tell the parent over a
// pipe and wait to be killed.
class StopBeforeRename : public LoggedCalls {
 public:
  explicit StopBeforeRename(int ready) : ready_(ready) {}
  int RenameNoReplace(const std::string&, const std::string&) override {
    const char byte = 1;
    (void)!::write(ready_, &byte, 1);
    for (;;) ::pause();
  }

 private:
  int ready_;
};

TEST_F(DurableFileTest, AWriterKilledBeforeItsRenameLeavesAFileTheSweepRemoves) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  UniqueFd readEnd(pipeFds[0]);
  UniqueFd writeEnd(pipeFds[1]);
  path = dir / "shot_000001.jpg";
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    StopBeforeRename stopping(writeEnd.get());
    WriteFileDurably(stopping, path, "picture", 7);
    ::_exit(0);
  }
  pollfd ready{readEnd.get(), POLLIN, 0};
  const bool stopped = ::poll(&ready, 1, 10'000) == 1;
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(stopped) << "the writer never reached its rename";

  // Beside the dead writer's file: a live writer's (locked), and names that only look alike.
  const std::string live = (dir / "live_000002.jpg.abcdef").string();
  const UniqueFd liveFd(::open(live.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600));
  ASSERT_TRUE(liveFd.valid());
  ASSERT_EQ(::flock(liveFd.get(), LOCK_EX), 0);
  std::ofstream(dir / "notes.jpg.backup") << "x";  // the user's own (0644), though of that shape
  std::ofstream(dir / "notes.jpg.tmp") << "x";
  std::ofstream(dir / "other.jpg") << "x";
  fs::create_directory(dir / "folder.jpg.aaaaaa");
  fs::create_symlink(dir / "other.jpg", dir / "link.jpg.bbbbbb");

  const std::vector<std::string> before = Entries(dir);
  ASSERT_EQ(before.size(), 7u);
  std::string dead;
  for (const std::string& name : before)
    if (name.starts_with("shot_000001.jpg.")) dead = name;
  ASSERT_FALSE(dead.empty()) << "no temporary file was left";
  EXPECT_FALSE(fs::exists(path));

  // One by one, as a listing meets them: only the dead writer's would go.
  EXPECT_FALSE(RemoveLeftover(dir.string(), "other.jpg"));
  EXPECT_FALSE(RemoveLeftover(dir.string(), "live_000002.jpg.abcdef"));
  EXPECT_FALSE(RemoveLeftover(dir.string(), "link.jpg.bbbbbb"));
  EXPECT_EQ(Entries(dir), before);

  EXPECT_EQ(SweepLeftovers(dir.string()), 1);
  std::vector<std::string> after = before;
  after.erase(std::find(after.begin(), after.end(), dead));
  EXPECT_EQ(Entries(dir), after);
  EXPECT_EQ(SweepLeftovers((dir / "missing").string()), 0);
}

}  // namespace
}  // namespace tavo
