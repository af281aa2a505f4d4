#include "ebook/compound_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <new>

#include "platform/board.h"

namespace cfb {

namespace {

constexpr uint32_t c_EndOfChain = 0xFFFFFFFE;
constexpr uint32_t c_FreeSector = 0xFFFFFFFF;
constexpr int c_HeaderFatEntries = 109;
constexpr int c_EntrySize = 128;
constexpr int c_TypeStream = 2;
constexpr int c_TypeRoot = 5;

uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

char16_t Fold(char16_t c) { return c >= 'a' && c <= 'z' ? static_cast<char16_t>(c - 32) : c; }

}  // namespace

void CompoundFile::Close() {
  m_Fd.reset();
  m_Fat.clear();
  m_MiniFat.clear();
  m_Entries.clear();
  m_MiniStream = Stream();
}

bool CompoundFile::ReadSector(uint32_t sector, void* buf) const {
  uint64_t off = (static_cast<uint64_t>(sector) + 1) * m_SectorSize;
  ssize_t n = pread(m_Fd.get(), buf, m_SectorSize, static_cast<off_t>(off));
  if (n < 0) return false;
  // The last sector of a file may be cut short.
  memset(static_cast<char*>(buf) + n, 0, m_SectorSize - static_cast<size_t>(n));
  return true;
}

int CompoundFile::Chain(uint32_t start, const std::vector<uint32_t>& table, uint32_t limit,
                        std::vector<uint32_t>* out) const {
  out->clear();
  std::vector<bool> seen(limit, false);
  for (uint32_t s = start; s != c_EndOfChain; s = table[s]) {
    if (s >= limit || s >= table.size() || seen[s]) return -4;
    seen[s] = true;
    out->push_back(s);
  }
  return 0;
}

int CompoundFile::ReadHeader(unsigned char* h) {
  static const unsigned char c_Signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  if (pread(m_Fd.get(), h, 512, 0) != 512 || memcmp(h, c_Signature, 8) != 0) return -4;
  uint16_t major = Le16(h + 0x1A), shift = Le16(h + 0x1E);
  if (Le16(h + 0x1C) != 0xFFFE || Le16(h + 0x20) != 6) return -4;
  if (!((major == 3 && shift == 9) || (major == 4 && shift == 12))) return -4;
  m_SectorSize = 1u << shift;
  if (m_FileSize <= m_SectorSize) return -4;
  uint64_t count = (m_FileSize - m_SectorSize + m_SectorSize - 1) / m_SectorSize;
  if (count >= 0xFFFFFFF0u) return -4;
  m_SectorCount = static_cast<uint32_t>(count);
  m_MiniCutoff = Le32(h + 0x38);
  return 0;
}

int CompoundFile::ReadFat(const unsigned char* h) {
  uint32_t fatSectors = Le32(h + 0x2C);
  if (fatSectors == 0 || fatSectors > m_SectorCount) return -4;
  std::vector<uint32_t> where;
  for (int i = 0; i < c_HeaderFatEntries && where.size() < fatSectors; ++i) where.push_back(Le32(h + 0x4C + i * 4));
  // Further table sectors are listed in a chain of extension sectors, each
  // ending with the next one's number.
  std::vector<unsigned char> buf(m_SectorSize);
  std::vector<bool> seen(m_SectorCount, false);
  uint32_t per = m_SectorSize / 4 - 1;
  for (uint32_t x = Le32(h + 0x44); where.size() < fatSectors; x = Le32(&buf[per * 4])) {
    if (x >= m_SectorCount || seen[x] || !ReadSector(x, buf.data())) return -4;
    seen[x] = true;
    for (uint32_t i = 0; i < per && where.size() < fatSectors; ++i) where.push_back(Le32(&buf[i * 4]));
  }
  m_Fat.resize(static_cast<size_t>(fatSectors) * (m_SectorSize / 4));
  for (uint32_t i = 0; i < fatSectors; ++i) {
    if (where[i] >= m_SectorCount || !ReadSector(where[i], buf.data())) return -4;
    for (uint32_t k = 0; k < m_SectorSize / 4; ++k) m_Fat[i * (m_SectorSize / 4) + k] = Le32(&buf[k * 4]);
  }
  return 0;
}

int CompoundFile::ReadDirectory(const unsigned char* h) {
  std::vector<uint32_t> chain;
  if (Chain(Le32(h + 0x30), m_Fat, m_SectorCount, &chain) != 0 || chain.empty()) return -4;
  std::vector<unsigned char> buf(m_SectorSize);
  for (uint32_t s : chain) {
    if (!ReadSector(s, buf.data())) return -4;
    for (uint32_t off = 0; off + c_EntrySize <= m_SectorSize; off += c_EntrySize) {
      const unsigned char* e = &buf[off];
      Entry en;
      en.nameLength = Le16(e + 0x40) / 2;
      if (en.nameLength > 32) en.nameLength = 0;
      for (int i = 0; i < 32; ++i) en.name[i] = static_cast<char16_t>(Le16(e + i * 2));
      en.type = e[0x42];
      en.start = Le32(e + 0x74);
      en.size = Le32(e + 0x78) | (m_SectorSize == 4096 ? static_cast<uint64_t>(Le32(e + 0x7C)) << 32 : 0);
      m_Entries.push_back(en);
    }
  }
  return m_Entries[0].type == c_TypeRoot ? 0 : -4;
}

int CompoundFile::ReadMini(const unsigned char* h) {
  const Entry& root = m_Entries[0];
  if (root.start == c_EndOfChain || root.size == 0) return 0;
  if (Chain(root.start, m_Fat, m_SectorCount, &m_MiniStream.sectors) != 0) return -4;
  m_MiniStream.size = std::min<uint64_t>(root.size, static_cast<uint64_t>(m_MiniStream.sectors.size()) * m_SectorSize);
  std::vector<uint32_t> chain;
  uint32_t first = Le32(h + 0x3C);
  if (first == c_EndOfChain || first == c_FreeSector) return 0;
  if (Chain(first, m_Fat, m_SectorCount, &chain) != 0) return -4;
  std::vector<unsigned char> buf(m_SectorSize);
  for (uint32_t s : chain) {
    if (!ReadSector(s, buf.data())) return -4;
    for (uint32_t k = 0; k < m_SectorSize / 4; ++k) m_MiniFat.push_back(Le32(&buf[k * 4]));
  }
  return 0;
}

int CompoundFile::Open(const char* devicePath) {
  Close();
  if (!devicePath) return -4;
  m_Fd.reset(BOpen(devicePath, O_RDONLY));
  struct stat st;
  if (!m_Fd || fstat(m_Fd.get(), &st) != 0) return Close(), -4;
  m_FileSize = static_cast<uint64_t>(st.st_size);
  unsigned char header[512];
  int r;
  try {
    r = ReadHeader(header);
    if (r == 0) r = ReadFat(header);
    if (r == 0) r = ReadDirectory(header);
    if (r == 0) r = ReadMini(header);
  } catch (const std::bad_alloc&) {
    r = -3;
  }
  if (r != 0) Close();
  return r;
}

int CompoundFile::Find(const char* name) const {
  size_t len = strlen(name);
  for (size_t i = 0; i < m_Entries.size(); ++i) {
    const Entry& e = m_Entries[i];
    if (e.type != c_TypeStream || static_cast<size_t>(e.nameLength) != len + 1) continue;
    size_t k = 0;
    while (k < len && Fold(e.name[k]) == Fold(static_cast<unsigned char>(name[k]))) ++k;
    if (k == len) return static_cast<int>(i);
  }
  return -1;
}

int CompoundFile::OpenStream(int entry, Stream* s) const {
  if (entry < 0 || static_cast<size_t>(entry) >= m_Entries.size()) return -4;
  const Entry& e = m_Entries[static_cast<size_t>(entry)];
  if (e.type != c_TypeStream) return -4;
  s->mini = e.size < m_MiniCutoff;
  s->size = e.size;
  if (e.size == 0) return s->sectors.clear(), 0;
  uint32_t miniCount = static_cast<uint32_t>(m_MiniStream.size / 64);
  int r = s->mini ? Chain(e.start, m_MiniFat, miniCount, &s->sectors) : Chain(e.start, m_Fat, m_SectorCount, &s->sectors);
  if (r != 0) return r;
  uint64_t room = static_cast<uint64_t>(s->sectors.size()) * (s->mini ? 64 : m_SectorSize);
  if (s->size > room) s->size = room;
  return 0;
}

int CompoundFile::Read(const Stream& s, uint64_t offset, void* buf, size_t n) const {
  if (offset >= s.size) return 0;
  if (n > s.size - offset) n = static_cast<size_t>(s.size - offset);
  uint32_t unit = s.mini ? 64 : m_SectorSize;
  size_t done = 0;
  while (done < n) {
    uint64_t at = offset + done;
    uint32_t sector = s.sectors[at / unit];
    uint32_t within = static_cast<uint32_t>(at % unit);
    size_t take = std::min<size_t>(n - done, unit - within);
    char* dst = static_cast<char*>(buf) + done;
    if (s.mini) {
      if (Read(m_MiniStream, static_cast<uint64_t>(sector) * 64 + within, dst, take) != static_cast<int>(take)) return -4;
    } else {
      uint64_t off = (static_cast<uint64_t>(sector) + 1) * m_SectorSize + within;
      ssize_t got = pread(m_Fd.get(), dst, take, static_cast<off_t>(off));
      if (got < 0) return -4;
      if (static_cast<size_t>(got) < take) memset(dst + got, 0, take - static_cast<size_t>(got));
    }
    done += take;
  }
  return static_cast<int>(done);
}

int CompoundFile::ReadAll(int entry, std::vector<unsigned char>* out, size_t max) const {
  Stream s;
  int r = OpenStream(entry, &s);
  if (r != 0) return r;
  if (s.size > max) return -4;
  try {
    out->resize(static_cast<size_t>(s.size));
  } catch (const std::bad_alloc&) {
    return -3;
  }
  return s.size == 0 || Read(s, 0, out->data(), out->size()) == static_cast<int>(s.size) ? 0 : -4;
}

}  // namespace cfb
