#include "core/base/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "core/base/diag.h"
#include "core/lib/fd/unique_fd.h"
#include "core/lib/xml/xml_document.h"
#include "platform/board.h"

int WriteFileAtomic(const char* devicePath, const void* data, size_t size) {
  if (!devicePath || (!data && size)) return -1;
  const std::string final = board::Path(devicePath);
  const std::string temp = final + ".tmp";
  fd::UniqueFd fd(open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
  if (!fd) {
    DiagPrintf("can not open %s", temp.c_str());
    return -1;
  }
  const char* p = static_cast<const char*>(data);
  size_t left = size;
  while (left > 0) {
    ssize_t n = write(fd.get(), p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      DiagPrintf("write %s failed: %s", temp.c_str(), strerror(errno));
      fd.reset();
      unlink(temp.c_str());
      return -1;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (fsync(fd.get()) != 0 || fd.Close() != 0) {
    DiagPrintf("flush %s failed: %s", temp.c_str(), strerror(errno));
    unlink(temp.c_str());
    return -1;
  }
  if (rename(temp.c_str(), final.c_str()) != 0) {
    DiagPrintf("rename %s failed: %s", final.c_str(), strerror(errno));
    unlink(temp.c_str());
    return -1;
  }
  // Make the rename itself durable.
  std::string dir = final.substr(0, final.find_last_of('/') + 1);
  fd::UniqueFd dfd(open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY));
  if (dfd) fsync(dfd.get());
  return 0;
}

int SaveXmlAtomic(const xml::Document& doc, const char* devicePath) {
  if (!devicePath) return -1;
  std::string bytes;
  int r = doc.Serialize(&bytes);
  if (r != 0) {
    DiagPrintf("%s not saved: document incomplete", devicePath);
    return r;
  }
  return WriteFileAtomic(devicePath, bytes.data(), bytes.size());
}
