#pragma once

#include <unistd.h>

#include <utility>

namespace tw::posix {

// An open file descriptor, closed when it goes.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) FileDescriptor old(std::exchange(fd_, other.release()));
    return *this;
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Hands the descriptor to a new owner.
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

}  // namespace tw::posix
