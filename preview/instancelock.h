// One TavoPreview at a time: a lock file held with flock for the life of the process. The kernel
// lets go of the lock with the process, so a program that was killed never blocks the next start.
#pragma once

#include <string>

#include "filehandle.h"

namespace tavo::preview {

enum class LockResult {
  kHeld,    // this process is the one instance now
  kTaken,   // another process holds the lock: it runs, or is still finishing
  kNoLock,  // the lock file could not be opened; nothing is held
};

class InstanceLock {
 public:
  // Takes the lock on `path`, creating the file (0600, never through a symbolic link). Held until
  // the object goes.
  LockResult Acquire(const std::string& path);
  bool held() const { return fd_.valid(); }

 private:
  UniqueFd fd_;
};

}  // namespace tavo::preview
