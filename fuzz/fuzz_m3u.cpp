// Play lists come from users' computers in any encoding and any state; the
// reader must turn every byte string into entries without reading past it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "players/m3u.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  std::string text = DecodePlayListText(bytes, size);
  std::vector<std::string> entries;
  ParsePlayListText(text, "/mnt/emmc/music/", &entries);
  for (const std::string& e : entries) {
    if (e.empty() || e.size() > kMaxPlayListPath) __builtin_trap();
    if (e.compare(0, 10, "/mnt/emmc/") != 0) __builtin_trap();
  }
  return 0;
}
