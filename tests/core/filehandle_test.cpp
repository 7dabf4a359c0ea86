#include "filehandle.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace tavo {
namespace {

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

// Both ends of a fresh pipe, owned.
std::pair<UniqueFd, UniqueFd> Pipe() {
  int ends[2] = {-1, -1};
  EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
  return {UniqueFd(ends[0]), UniqueFd(ends[1])};
}

TEST(UniqueFd, ClosesOnceWhereverTheDescriptorEndsUp) {
  auto [in, out] = Pipe();
  const int readEnd = in.get();
  const int writeEnd = out.get();
  {
    UniqueFd moved(std::move(in));
    EXPECT_FALSE(in.valid());
    EXPECT_EQ(moved.get(), readEnd);
    UniqueFd assigned;
    assigned = std::move(moved);
    EXPECT_TRUE(IsOpen(readEnd));
  }  // only `assigned` held it
  EXPECT_FALSE(IsOpen(readEnd));

  // Reset closes the old descriptor; release hands it out unclosed.
  out.reset();
  EXPECT_FALSE(IsOpen(writeEnd));
  auto [in2, out2] = Pipe();
  const int kept = in2.release();
  EXPECT_FALSE(in2.valid());
  EXPECT_TRUE(IsOpen(kept));
  EXPECT_EQ(::close(kept), 0);
}

TEST(UniqueFd, CloseReportsItsResultAndLeavesNothingHeld) {
  auto [in, out] = Pipe();
  EXPECT_TRUE(out.Close());
  EXPECT_FALSE(out.valid());
  EXPECT_FALSE(out.Close());  // nothing left to close
  UniqueFd none;
  EXPECT_FALSE(none.Close());
}

TEST(FilePtr, NullWhenTheFileCannotBeOpened) {
  EXPECT_EQ(OpenFile("/nonexistent-folder/file", "rb"), nullptr);
  const FilePtr file = OpenFile("/dev/null", "rb");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(std::fgetc(file.get()), EOF);
}

}  // namespace
}  // namespace tavo
