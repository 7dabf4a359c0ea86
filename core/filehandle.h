// Owners for POSIX file descriptors and C streams: each closes its handle exactly once, on every
// path out of the code that opened it.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <memory>

namespace tavo {

// One file descriptor, owned alone; -1 stands for none. Moving hands the descriptor over.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) noexcept : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  // The descriptor, still owned; -1 when there is none.
  int get() const noexcept { return fd_; }
  bool valid() const noexcept { return fd_ >= 0; }

  // Gives the descriptor up without closing it; -1 when there was none.
  int release() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

  // Closes the descriptor held (if any) and takes `fd` instead.
  void reset(int fd = -1) noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

  // Closes now and reports it, which for a written file is the last word on whether the data got
  // there. False when close fails or there was no descriptor; none is held afterwards either way.
  bool Close() noexcept {
    const int fd = release();
    return fd >= 0 && ::close(fd) == 0;
  }

 private:
  int fd_ = -1;
};

struct FileCloser {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

// A C stream closed with fclose when it goes. Null when fopen failed.
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// fopen owned: null when the file cannot be opened in `mode`.
inline FilePtr OpenFile(const char* path, const char* mode) {
  return FilePtr(std::fopen(path, mode));
}

}  // namespace tavo
