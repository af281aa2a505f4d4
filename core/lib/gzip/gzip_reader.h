// Reading a gzip-compressed file as a plain byte stream (upgrade payloads).
// A file that is not compressed reads as it is.
#pragma once

#include <cstddef>
#include <string>

#include "core/lib/no_copy.h"

class GzipReader : NoCopy {
 public:
  GzipReader() = default;
  ~GzipReader();

  // Opens a real path (not a device path). 0 or -1.
  int Open(const std::string& path);
  // Up to n bytes; 0 at the end, -1 when the data is corrupt or unreadable.
  long Read(void* buf, size_t n);
  void Close();

 private:
  void* file_ = nullptr;
};
