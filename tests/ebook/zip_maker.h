// A ZIP archive of stored members written in memory, for packaged-book
// fixtures made by the tests themselves.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zipmaker {

inline void Le(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i));
}

// Members in order: name, bytes.
inline std::string Make(const std::vector<std::pair<std::string, std::string>>& members) {
  std::string out, dir;
  for (const auto& m : members) {
    uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(m.second.data()),
                                               static_cast<uInt>(m.second.size())));
    uint32_t size = static_cast<uint32_t>(m.second.size()), name = static_cast<uint32_t>(m.first.size());
    std::string common;
    Le(common, 20, 2), Le(common, 0, 2), Le(common, 0, 2), Le(common, 0, 4);  // version, flags, stored, time
    Le(common, crc, 4), Le(common, size, 4), Le(common, size, 4), Le(common, name, 2), Le(common, 0, 2);
    dir += "PK\x01\x02";
    Le(dir, 20, 2);
    dir += common;
    Le(dir, 0, 2), Le(dir, 0, 2), Le(dir, 0, 2), Le(dir, 0, 4), Le(dir, static_cast<uint32_t>(out.size()), 4);
    dir += m.first;
    out += "PK\x03\x04" + common + m.first + m.second;
  }
  std::string end = "PK\x05\x06";
  Le(end, 0, 4), Le(end, static_cast<uint32_t>(members.size()), 2), Le(end, static_cast<uint32_t>(members.size()), 2);
  Le(end, static_cast<uint32_t>(dir.size()), 4), Le(end, static_cast<uint32_t>(out.size()), 4), Le(end, 0, 2);
  return out + dir + end;
}

}  // namespace zipmaker
