// Owners of a file descriptor and of a stdio stream: closed on every way out
// of a scope, so an early return cannot leak one.
#pragma once

#include <unistd.h>

#include <cstdio>

#include "core/lib/no_copy.h"

namespace fd {

class UniqueFd : NoCopy {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& o) noexcept : fd_(o.release()) {}
  UniqueFd& operator=(UniqueFd&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int release() {
    int f = fd_;
    fd_ = -1;
    return f;
  }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now and says whether the close worked (a write-back error shows
  // here). 0 or -1; -1 also when nothing was open.
  int Close() {
    if (fd_ < 0) return -1;
    return ::close(release()) == 0 ? 0 : -1;
  }

 private:
  int fd_ = -1;
};

class UniqueFile : NoCopy {
 public:
  UniqueFile() = default;
  explicit UniqueFile(FILE* f) : f_(f) {}
  ~UniqueFile() { reset(); }
  UniqueFile(UniqueFile&& o) noexcept : f_(o.release()) {}
  UniqueFile& operator=(UniqueFile&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }

  FILE* get() const { return f_; }
  explicit operator bool() const { return f_ != nullptr; }
  FILE* release() {
    FILE* f = f_;
    f_ = nullptr;
    return f;
  }
  void reset(FILE* f = nullptr) {
    if (f_) fclose(f_);
    f_ = f;
  }
  // fclose now: 0, or -1 when buffered data could not be written.
  int Close() {
    if (!f_) return -1;
    return fclose(release()) == 0 ? 0 : -1;
  }

 private:
  FILE* f_ = nullptr;
};

}  // namespace fd
