#include "core/base/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include <libxml/xmlsave.h>

#include "core/base/diag.h"
#include "platform/board.h"

int WriteFileAtomic(const char* devicePath, const void* data, size_t size) {
  if (!devicePath || (!data && size)) return -1;
  const std::string final = board::Path(devicePath);
  const std::string temp = final + ".tmp";
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    DiagPrintf("can not open %s", temp.c_str());
    return -1;
  }
  const char* p = static_cast<const char*>(data);
  size_t left = size;
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      DiagPrintf("write %s failed: %s", temp.c_str(), strerror(errno));
      close(fd);
      unlink(temp.c_str());
      return -1;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (fsync(fd) != 0 || close(fd) != 0) {
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
  int dfd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return 0;
}

int SaveXmlDocAtomic(xmlDocPtr doc, const char* devicePath) {
  if (!doc || !devicePath) return -1;
  xmlChar* mem = nullptr;
  int len = 0;
  // The same bytes xmlSaveFile writes: declaration, default encoding.
  xmlDocDumpMemory(doc, &mem, &len);
  if (!mem || len <= 0) {
    if (mem) xmlFree(mem);
    return -1;
  }
  int r = WriteFileAtomic(devicePath, mem, static_cast<size_t>(len));
  xmlFree(mem);
  return r;
}
