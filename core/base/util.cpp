#include "core/base/util.h"

#include <cstring>

const char* GetExtName(const char* name) {
  if (!name) return nullptr;
  const char* dot = strrchr(name, '.');
  return dot ? dot + 1 : nullptr;
}

char* GetExtName(char* name) { return const_cast<char*>(GetExtName(static_cast<const char*>(name))); }

const char* GetFilenameFromFullname(const char* path) {
  if (!path) return nullptr;
  const char* slash = strrchr(path, '/');
  if (!slash || slash[1] == 0) return nullptr;
  return slash + 1;
}

char* GetFilenameFromFullname(char* path) {
  return const_cast<char*>(GetFilenameFromFullname(static_cast<const char*>(path)));
}

void AppendUtf8(std::string* out, unsigned cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

int Utf8ToUtf16le(const char* source, int* consumed, uint16_t* destination, int capacity) {
  if (!source || !destination || capacity < 2) return -1;
  const auto* s = reinterpret_cast<const unsigned char*>(source);
  int units = 0;
  size_t i = 0;
  while (s[i] && units < capacity - 1) {
    unsigned b0 = s[i];
    // Sequence length from the lead byte; continuation bytes are taken as
    // they come, but never past the end of the text.
    int len = b0 < 0x80 ? 1 : b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : 4;
    int have = 1;
    while (have < len && s[i + have]) have++;
    if (have < len) break;  // cut off by the end of the text
    unsigned cp;
    if (len == 1) cp = b0;
    else if (len == 2) cp = (b0 & 0x1F) << 6 | (s[i + 1] & 0x3F);
    else if (len == 3) cp = (b0 & 0x0F) << 12 | (s[i + 1] & 0x3F) << 6 | (s[i + 2] & 0x3F);
    else cp = (b0 & 0x07) << 18 | (s[i + 1] & 0x3F) << 12 | (s[i + 2] & 0x3F) << 6 | (s[i + 3] & 0x3F);
    if (cp >= 0x10000) {
      // Outside the basic plane: a surrogate pair, or stop when it does not fit.
      if (units + 2 > capacity - 1) break;
      cp -= 0x10000;
      destination[units++] = static_cast<uint16_t>(0xD800 | (cp >> 10));
      destination[units++] = static_cast<uint16_t>(0xDC00 | (cp & 0x3FF));
    } else {
      destination[units++] = static_cast<uint16_t>(cp);
    }
    i += (size_t)len;
  }
  destination[units] = 0;
  if (consumed) *consumed = (int)i;
  return units;
}

uint32_t calculate_crc32(const void* data, size_t length, uint32_t polynomial) {
  if (!data || length == 0) return 0;
  const auto* p = static_cast<const unsigned char*>(data);
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < length; i++) {
    crc ^= p[i];
    for (int bit = 0; bit < 8; bit++) crc = (crc >> 1) ^ (polynomial & (0u - (crc & 1u)));
  }
  return ~crc;
}
