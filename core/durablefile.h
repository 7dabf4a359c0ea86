// Files that reach the disk whole and under a name nobody else holds, and private folders made
// durable as they are created.
//
// A new file is written beside its final name as "<name>.xxxxxx" (six of [a-z0-5]), its data
// synced, then renamed into place. A new name is only as durable as its data: after a power cut a
// rename that replaced nothing can stand while the data never arrived, leaving an empty file
// under the final name, so the data goes to the disk before the rename. While it is written the
// temporary file is locked, which is how a sweep tells a writer's file in flight from one left by
// a writer that died.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "filehandle.h"

namespace tavo {

// What the last step of a write does with a file already under the final name.
enum class Existing {
  kRefuse,   // keeps it; the write reports kNameTaken
  kReplace,  // replaces it atomically (a copy the user chose to overwrite)
};

enum class WriteResult {
  kWritten,
  kNameTaken,  // Existing::kRefuse and the name is held; nothing was left behind
  kFailed,     // nothing was written or left behind; the reason went to stderr
};

struct WriteOptions {
  Existing existing = Existing::kRefuse;
  // Mode the file is created with, before the umask: private by default; 0666 for a copy that
  // should follow the user's umask like any file they save.
  mode_t mode = 0600;
};

// A copy the user saves: it replaces the file they agreed to overwrite and follows their umask
// like any file they save.
inline constexpr WriteOptions kUserCopy{Existing::kReplace, 0666};

// The system calls behind a durable write, a private folder and a sweep. Results are 0 (or a
// descriptor, or a byte count) on success and minus errno on failure. The system's set is
// SystemFileCalls(); tests hand in their own to watch the order or inject failures.
class FileCalls {
 public:
  virtual ~FileCalls() = default;
  // Creates a new file (never an existing one: -EEXIST) and locks it against sweeps.
  virtual int CreateLocked(const std::string& path, mode_t mode) = 0;
  virtual ssize_t Write(int fd, const void* data, std::size_t size) = 0;
  virtual int DataSync(int fd) = 0;
  virtual int Close(int fd) = 0;
  // Renames, failing with -EEXIST when `to` exists; -EINVAL or -ENOSYS where the file system or
  // kernel cannot refuse atomically.
  virtual int RenameNoReplace(const std::string& from, const std::string& to) = 0;
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  virtual int Link(const std::string& from, const std::string& to) = 0;
  virtual int Unlink(const std::string& path) = 0;
  virtual int MakeFolder(const std::string& path, mode_t mode) = 0;
  // Makes the folder's entries (a file renamed or a folder created in it) durable.
  virtual int SyncFolder(const std::string& path) = 0;
};

// The real system calls. Stateless and shared.
FileCalls& SystemFileCalls();

// A fresh temporary name beside `path`: "<path>." and six characters of [a-z0-5].
std::string TemporaryName(const std::string& path);

// True for exactly the names TemporaryName gives a picture: "<anything>.jpg." and six characters
// of [a-z0-5].
bool IsLeftoverName(std::string_view name);

// Writes `size` bytes under `path`: created with options.mode, written, synced, renamed into
// place. Readers see the old state or the whole new file, never a part, and a crash after a
// kWritten result leaves the whole file or (with the name not yet durable) none.
WriteResult WriteFileDurably(FileCalls& calls, const std::string& path, const void* data,
                             std::size_t size, const WriteOptions& options = {});

// Creates `path` as a folder with mode 0700 (before the umask) unless something is there, and
// syncs its parent after creating it, so the folder survives a power cut. A folder already there
// is left as its owner has it. True when `path` is a folder afterwards.
bool MakePrivateFolder(FileCalls& calls, const std::string& path);

// An exclusive lock on a folder, for writers that choose names in it by turns (two recorders in
// one run folder). Waits at most `wait` for another holder; without the lock (`held()` false,
// the folder gone, or the wait over) the caller goes on as if alone. Released when it goes.
class FolderLock {
 public:
  FolderLock(const std::string& folder, std::chrono::milliseconds wait);
  bool held() const { return fd_.valid(); }

 private:
  UniqueFd fd_;
};

// Removes the temporary pictures (IsLeftoverName) that writers which died left in `folder`: regular
// files of this user with no access for group or others. A file a live writer still holds is
// kept. Returns how many were removed.
int SweepLeftovers(const std::string& folder);
// The same for one entry `name` of `folder`, for a caller that lists the folder anyway. True when
// it was such a leftover and is gone.
bool RemoveLeftover(const std::string& folder, const std::string& name);

}  // namespace tavo
