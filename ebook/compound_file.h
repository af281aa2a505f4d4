// An OLE compound file read from disk: header, sector allocation table (with
// its extension sectors), directory, mini stream. Every chain is walked at
// most once per sector of the file and may not visit a sector twice, so a
// damaged table can neither loop nor point outside the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/lib/fd/unique_fd.h"

namespace cfb {

class CompoundFile {
 public:
  // A stream's sectors in order, ready for reading at any offset.
  struct Stream {
    std::vector<uint32_t> sectors;
    bool mini = false;
    uint64_t size = 0;
  };

  // 0; -3 no memory; -4 the file cannot be opened or is not a readable
  // compound file (bad header, broken table or directory chain).
  int Open(const char* devicePath);
  void Close();
  // The directory entry of a stream of this name (any case), or -1.
  int Find(const char* name) const;
  // 0, or -4 when the entry is not a stream or its chain is broken. A size
  // beyond what the chain holds is cut to the chain.
  int OpenStream(int entry, Stream* s) const;
  // Up to n bytes at offset: bytes read (0 at the end), -4 on a read failure.
  int Read(const Stream& s, uint64_t offset, void* buf, size_t n) const;
  // The whole stream, when it is at most `max` bytes. 0, -3 or -4.
  int ReadAll(int entry, std::vector<unsigned char>* out, size_t max) const;

  uint32_t SectorSize() const { return m_SectorSize; }

 private:
  struct Entry {
    char16_t name[32];
    int nameLength;
    int type;
    uint32_t start;
    uint64_t size;
  };
  int ReadHeader(unsigned char* header);
  int ReadFat(const unsigned char* header);
  int ReadDirectory(const unsigned char* header);
  int ReadMini(const unsigned char* header);
  // The sectors of a chain in `table`, each below `limit`. 0 or -4.
  int Chain(uint32_t start, const std::vector<uint32_t>& table, uint32_t limit, std::vector<uint32_t>* out) const;
  bool ReadSector(uint32_t sector, void* buf) const;

  fd::UniqueFd m_Fd;
  uint64_t m_FileSize = 0;
  uint32_t m_SectorSize = 512;
  uint32_t m_SectorCount = 0;  // whole or partial sectors behind the header
  uint32_t m_MiniCutoff = 4096;
  std::vector<uint32_t> m_Fat;
  std::vector<uint32_t> m_MiniFat;
  std::vector<Entry> m_Entries;
  Stream m_MiniStream;
};

}  // namespace cfb
