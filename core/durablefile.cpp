#include "durablefile.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "filehandle.h"

namespace tavo {
namespace {

constexpr char kTemporaryAlphabet[] = "abcdefghijklmnopqrstuvwxyz012345";
constexpr std::size_t kTemporaryChars = 6;
constexpr std::string_view kLeftoverStem = ".jpg.";
// Tries at a fresh temporary name before giving up; a clash is one in a billion.
constexpr int kCreateAttempts = 100;

int Result(int r) { return r < 0 ? -errno : r; }

int RetryOnInterrupt(int (*call)(int), int fd) {
  int r;
  do r = call(fd);
  while (r < 0 && errno == EINTR);
  return Result(r);
}

class SystemCalls final : public FileCalls {
 public:
  int CreateLocked(const std::string& path, mode_t mode) override {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode));
    if (!fd.valid()) return -errno;
    struct stat info {};
    if (::flock(fd.get(), LOCK_EX) != 0 || ::fstat(fd.get(), &info) != 0) {
      const int error = errno;
      ::unlink(path.c_str());
      return -error;
    }
    // A sweep may have taken the name between the open and the lock: the file is then gone, and
    // a fresh name is the way on.
    if (info.st_nlink == 0) return -EEXIST;
    return fd.release();
  }
  ssize_t Write(int fd, const void* data, std::size_t size) override {
    const ssize_t put = ::write(fd, data, size);
    return put < 0 ? -errno : put;
  }
  int DataSync(int fd) override { return RetryOnInterrupt(::fdatasync, fd); }
  int Close(int fd) override { return Result(::close(fd)); }
  int RenameNoReplace(const std::string& from, const std::string& to) override {
#if defined(RENAME_NOREPLACE)
    return Result(::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE));
#elif defined(SYS_renameat2)
    constexpr unsigned kNoReplace = 1;
    return Result(static_cast<int>(
        ::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), kNoReplace)));
#else
    (void)from;
    (void)to;
    return -ENOSYS;
#endif
  }
  int Rename(const std::string& from, const std::string& to) override {
    return Result(::rename(from.c_str(), to.c_str()));
  }
  int Link(const std::string& from, const std::string& to) override {
    return Result(::link(from.c_str(), to.c_str()));
  }
  int Unlink(const std::string& path) override { return Result(::unlink(path.c_str())); }
  int MakeFolder(const std::string& path, mode_t mode) override {
    return Result(::mkdir(path.c_str(), mode));
  }
  int SyncFolder(const std::string& path) override {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) return -errno;
    return RetryOnInterrupt(::fsync, fd.get());
  }
};

// The folder holding `path` ("." for a bare name, "/" for a name in the root).
std::string ParentOf(const std::string& path) {
  std::string_view p = path;
  while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
  const std::size_t slash = p.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(p.substr(0, slash));
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Puts the written temporary file under `path` without replacing anything there.
int PlaceWithoutReplacing(FileCalls& calls, const std::string& temporary, const std::string& path) {
  const int renamed = calls.RenameNoReplace(temporary, path);
  if (renamed != -EINVAL && renamed != -ENOSYS) return renamed;
  // A file system that cannot refuse in a rename refuses in a link, which never replaces.
  const int linked = calls.Link(temporary, path);
  if (linked == 0) calls.Unlink(temporary);
  return linked;
}

// Removes `name` of the folder open as `folderFd` when it is a leftover of a dead writer.
bool RemoveLeftoverAt(int folderFd, const char* name) {
  const UniqueFd file(::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat opened {};
  // Only our own private files: a user's "holiday.jpg.backup" has the shape too, but not 0600.
  if (!file.valid() || ::fstat(file.get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
      opened.st_uid != ::geteuid() || (opened.st_mode & 077) != 0) {
    return false;
  }
  // A writer holds its lock until the file has its final name: busy means alive.
  if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) return false;
  // The name must still be the file just locked (not renamed away and taken anew).
  struct stat named {};
  if (::fstatat(folderFd, name, &named, AT_SYMLINK_NOFOLLOW) != 0 ||
      named.st_dev != opened.st_dev || named.st_ino != opened.st_ino) {
    return false;
  }
  return ::unlinkat(folderFd, name, 0) == 0;
}

}  // namespace

FileCalls& SystemFileCalls() {
  static SystemCalls calls;
  return calls;
}

std::string TemporaryName(const std::string& path) {
  std::uint64_t bits = 0;
  if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
    // No entropy yet (early boot): the clock and a counter still make clashes rare, and a clash
    // only costs another try.
    static std::atomic<std::uint64_t> counter{0};
    bits = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) *
               0x9E3779B97F4A7C15ull +
           counter.fetch_add(1);
  }
  std::string name = path + '.';
  for (std::size_t i = 0; i < kTemporaryChars; ++i, bits >>= 5)
    name += kTemporaryAlphabet[bits & 31];
  return name;
}

bool IsLeftoverName(std::string_view name) {
  if (name.size() < kLeftoverStem.size() + kTemporaryChars) return false;
  const std::string_view tail = name.substr(name.size() - kTemporaryChars);
  const std::string_view stem = name.substr(0, name.size() - kTemporaryChars);
  if (!stem.ends_with(kLeftoverStem)) return false;
  return std::all_of(tail.begin(), tail.end(),
                     [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '5'); });
}

WriteResult WriteFileDurably(FileCalls& calls, const std::string& path, const void* data,
                             std::size_t size, const WriteOptions& options) {
  std::string temporary;
  int fd = -EEXIST;
  for (int attempt = 0; attempt < kCreateAttempts && fd == -EEXIST; ++attempt) {
    temporary = TemporaryName(path);
    fd = calls.CreateLocked(temporary, options.mode);
  }
  if (fd < 0) {
    std::fprintf(stderr, "can't open %s\n", path.c_str());
    return WriteResult::kFailed;
  }
  // Whatever fails from here on takes the temporary file away again; the descriptor (and with it
  // the lock that keeps sweeps off) is held until the file has its final name.
  const auto abandon = [&](const char* what) {
    calls.Unlink(temporary);
    calls.Close(fd);
    if (what != nullptr) std::fprintf(stderr, "%s %s\n", what, path.c_str());
  };
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t put = calls.Write(fd, bytes + done, size - done);
    if (put == -EINTR) continue;
    if (put <= 0) break;  // ENOSPC, EFBIG, EIO...
    done += static_cast<std::size_t>(put);
  }
  // The sync also reports what a delayed write-back could not put on the disk.
  if (done < size || calls.DataSync(fd) != 0) {
    abandon("can't write");
    return WriteResult::kFailed;
  }
  const int placed = options.existing == Existing::kReplace
                         ? calls.Rename(temporary, path)
                         : PlaceWithoutReplacing(calls, temporary, path);
  if (placed == -EEXIST) {
    abandon(nullptr);
    return WriteResult::kNameTaken;
  }
  if (placed != 0) {
    abandon("can't open");
    return WriteResult::kFailed;
  }
  // The data is on the disk already; a late close error loses nothing.
  calls.Close(fd);
  return WriteResult::kWritten;
}

bool MakePrivateFolder(FileCalls& calls, const std::string& path) {
  if (calls.MakeFolder(path, 0700) == 0) {
    calls.SyncFolder(ParentOf(path));
    return true;
  }
  return IsFolder(path);
}

FolderLock::FolderLock(const std::string& folder, std::chrono::milliseconds wait) {
  UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.valid()) return;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
      fd_ = std::move(fd);
      return;
    }
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline)
      return;
    // The holder is busy for one encode and sync, a few milliseconds.
    const timespec pause{0, 1'000'000};
    ::nanosleep(&pause, nullptr);
  }
}

int SweepLeftovers(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (IsLeftoverName(entry->d_name) && RemoveLeftoverAt(::dirfd(dir), entry->d_name)) ++removed;
  }
  ::closedir(dir);
  return removed;
}

bool RemoveLeftover(const std::string& folder, const std::string& name) {
  if (!IsLeftoverName(name)) return false;
  const UniqueFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return folderFd.valid() && RemoveLeftoverAt(folderFd.get(), name.c_str());
}

}  // namespace tavo
