#include "players/m3u.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "core/base/diag.h"
#include "platform/board.h"
#include "players/text_convert.h"

namespace {

// Lists are text; anything bigger than this is not a play list.
constexpr long kMaxPlayListBytes = 8L << 20;

bool HasNonAscii(const char* data, size_t len) {
  for (size_t i = 0; i < len; ++i) {
    if (static_cast<unsigned char>(data[i]) >= 0x80) return true;
  }
  return false;
}

}  // namespace

std::string DecodePlayListText(const char* data, size_t len) {
  std::string text;
  const unsigned char* u = reinterpret_cast<const unsigned char*>(data);
  if (len >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) {
    text.assign(data + 3, len - 3);
  } else if (len >= 2 && u[0] == 0xFF && u[1] == 0xFE) {
    ConvertToUtf8("UTF-16LE", data + 2, len - 2, &text);
  } else if (len >= 2 && u[0] == 0xFE && u[1] == 0xFF) {
    ConvertToUtf8("UTF-16BE", data + 2, len - 2, &text);
  } else if (HasNonAscii(data, len) && IsValidUtf8(data, len)) {
    text.assign(data, len);
  } else if (ConvertToUtf8("CP1250", data, len, &text) != 0) {
    text.clear();
  }
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

std::string PlayListDiskRoot(const std::string& folder) {
  size_t pos = 0;
  for (int n = 0; n < 3; ++n) {
    pos = folder.find('/', pos);
    if (pos == std::string::npos) return folder;
    ++pos;
  }
  return folder.substr(0, pos);
}

void ParsePlayListText(const std::string& text, const std::string& folder,
                       std::vector<std::string>* entries) {
  const std::string root = PlayListDiskRoot(folder);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    // FAT keeps no trailing blanks in names; editors leave them behind.
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line.find('\0') != std::string::npos) continue;
    std::string path;
    if (line[0] == '/') {
      path = root + line.substr(1);
    } else if (line.size() >= 3 && line[1] == ':' && line[2] == '/') {
      path = root + line.substr(3);
    } else {
      path = folder + line;
    }
    if (path.size() > kMaxPlayListPath) {
      DIAG("play list entry too long (%zu bytes), skipped", path.size());
      continue;
    }
    entries->push_back(std::move(path));
  }
}

int LoadM3uFile(const char* path, std::vector<std::string>* entries) {
  if (!path || !entries) return -1;
  entries->clear();
  std::unique_ptr<FILE, int (*)(FILE*)> f(BFopen(path, "rb"), fclose);
  if (!f) {
    DiagPrintf("can not open %s", path);
    return -2;
  }
  std::string bytes;
  char buf[8192];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f.get())) > 0) {
    bytes.append(buf, n);
    if (static_cast<long>(bytes.size()) > kMaxPlayListBytes) {
      DIAG("play list %s too large", path);
      return -2;
    }
  }
  if (ferror(f.get())) return -2;
  std::string full(path);
  std::string folder = full.substr(0, full.find_last_of('/') + 1);
  ParsePlayListText(DecodePlayListText(bytes.data(), bytes.size()), folder, entries);
  return 0;
}
