#include "core/base/settings_file.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/base/activity.h"
#include "core/base/atomic_file.h"
#include "core/base/diag.h"
#include "core/lib/fd/unique_fd.h"
#include "platform/board.h"

int CheckSettingsMounted() {
  if (IsMountDir(SETTINGS_DIR) == 1) return 0;
  DiagPrintf("%s umount", SETTINGS_DIR);
  return -1;
}

namespace {

class ElementCalls final : public xml::Handler {
 public:
  ElementCalls(SettingsElementFn fn, void* ctx) : fn_(fn), ctx_(ctx) {}
  void OnStart(const char* name, xml::Attrs attrs) override { fn_(ctx_, name, attrs); }

 private:
  SettingsElementFn fn_;
  void* ctx_;
};

}  // namespace

int LoadSettingsXml(const char* devicePath, SettingsElementFn onElement, void* ctx) {
  if (!devicePath || !onElement) return -1;
  fd::UniqueFile f(BFopen(devicePath, "rb"));
  if (!f) {
    DiagPrintf("can not open %s", devicePath);
    return -1;
  }
  char buf[4096];
  size_t len = fread(buf, 1, sizeof buf, f.get());
  if (len < 11 || len >= sizeof buf) return -1;
  ElementCalls calls(onElement, ctx);
  xml::ReadMemory(buf, len, calls);
  return 0;
}

int SaveSettingsXml(const char* devicePath, const xml::Document& doc) {
  if (!devicePath) return -1;
  return SaveXmlAtomic(doc, devicePath);
}

int SaveSettingsXml(const char* devicePath, const char* root, const char* element,
                    const std::vector<std::pair<std::string, std::string>>& attrs) {
  if (!devicePath || !root || !element) return -1;
  xml::Document doc(root);
  xml::Element e = doc.Root().Add(element);
  for (const auto& a : attrs) e.Set(a.first.c_str(), a.second.c_str());
  return SaveXmlAtomic(doc, devicePath);
}

bool ParseIntAttr(const char* text, int* out) {
  if (!text || !out) return false;
  errno = 0;
  char* end = nullptr;
  long v = strtol(text, &end, 10);
  if (end == text || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
  *out = static_cast<int>(v);
  return true;
}

int LoadSettingsFile(const char* path, void* buffer, int size) {
  if (!path || !buffer || size <= 0) return -1;
  if (CheckSettingsMounted() != 0) return -1;
  fd::UniqueFile f(BFopen(path, "rb"));
  if (!f) {
    DiagPrintf("can not open %s", path);
    return -1;
  }
  return (int)fread(buffer, 1, (size_t)size, f.get());
}

int SaveSettingsFile(const char* path, const void* buffer, int size) {
  if (!path || !buffer || size <= 0) return -1;
  if (CheckSettingsMounted() != 0) return -1;
  if (WriteFileAtomic(path, buffer, (size_t)size) != 0) {
    DiagPrintf("can not open %s", path);
    return -1;
  }
  return size;
}

int DestroyFile(const char* path) {
  if (!path) return -1;
  fd::UniqueFile f(BFopen(path, "r+b"));
  if (!f) return -1;
  if (fseeko(f.get(), 0, SEEK_END) != 0) return -1;
  long long length = ftello(f.get());
  if (length < 0) return -1;
  rewind(f.get());
  // Zeros in pieces, so that a large packet needs no large buffer.
  static const size_t kPiece = 65536;
  std::vector<char> zeros(kPiece, 0);
  long long left = length;
  bool ok = true;
  while (left > 0 && ok) {
    size_t n = left < (long long)kPiece ? (size_t)left : kPiece;
    ok = fwrite(zeros.data(), 1, n, f.get()) == n;
    left -= (long long)n;
  }
  ok = fflush(f.get()) == 0 && ok;
  if (ok) fsync(fileno(f.get()));
  ok = f.Close() == 0 && ok;
  if (!ok) return -1;
  printf("destroy OK! file lenth=%d\n", (int)length);
  return 0;
}
