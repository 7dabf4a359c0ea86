// A one-way signal that stops a mail on the wire: an eventfd that every wait of the dialogue polls
// beside its socket, so that raising it ends the wait at once instead of at its deadline.
#pragma once

#include <poll.h>
#include <sys/eventfd.h>

#include <cstdint>

#include "filehandle.h"

namespace tavo::cctv {

class CancelSignal {
 public:
  CancelSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  CancelSignal(const CancelSignal&) = delete;
  CancelSignal& operator=(const CancelSignal&) = delete;

  // Raised for good: the counter is never read back, so the descriptor stays readable.
  void Raise() {
    const std::uint64_t one = 1;
    // Only a full counter could refuse the write, and that one is raised already.
    if (::write(fd_.get(), &one, sizeof one) < 0) return;
  }

  bool raised() const { return Raised(fd_.get()); }

  // The descriptor to poll for reading; -1 when eventfd failed (nothing can then be cancelled,
  // and every wait still ends at its deadline).
  int fd() const { return fd_.get(); }

  // True when `fd` (a CancelSignal's descriptor, or -1 for none) has been raised.
  static bool Raised(int fd) {
    if (fd < 0) return false;
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, 0) > 0;
  }

 private:
  UniqueFd fd_;
};

}  // namespace tavo::cctv
