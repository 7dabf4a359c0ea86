#include "instancelock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace tavo::preview {

LockResult InstanceLock::Acquire(const std::string& path) {
  fd_.reset();
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!fd.valid()) return LockResult::kNoLock;
  int result;
  do {
    result = ::flock(fd.get(), LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) return errno == EWOULDBLOCK ? LockResult::kTaken : LockResult::kNoLock;
  fd_ = std::move(fd);
  return LockResult::kHeld;
}

}  // namespace tavo::preview
