#include "core/lib/gzip/gzip_reader.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

GzipReader::~GzipReader() { Close(); }

int GzipReader::Open(const std::string& path) {
  Close();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  gzFile f = gzdopen(fd, "rb");
  if (!f) {
    close(fd);
    return -1;
  }
  file_ = f;
  return 0;
}

long GzipReader::Read(void* buf, size_t n) {
  if (!file_) return -1;
  gzFile f = static_cast<gzFile>(file_);
  int r = gzread(f, buf, static_cast<unsigned>(n));
  if (r != 0) return r < 0 ? -1 : r;
  // A stream cut short ends "cleanly" too; zlib tells it apart here.
  int err = Z_OK;
  gzerror(f, &err);
  return err == Z_OK || err == Z_STREAM_END ? 0 : -1;
}

void GzipReader::Close() {
  if (file_) gzclose(static_cast<gzFile>(file_));
  file_ = nullptr;
}
