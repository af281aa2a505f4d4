#include "core/lib/zip/archive.h"

#include <minizip/ioapi.h>
#include <minizip/unzip.h>

#include <sys/types.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/board.h"

namespace zip {

namespace {

// Archives are opened through the board like every other device file, and
// read through a block of our own: minizip reads a directory entry a few bytes
// at a time, each a stdio call, which made indexing a book of thousands of
// members cost more than reading its first chapter.
struct Stream {
  FILE* file = nullptr;
  uint64_t pos = 0;        // where minizip stands
  uint64_t blockPos = 0;   // the file offset of block[0]
  size_t blockSize = 0;
  bool error = false;
  char block[65536];
};

voidpf OpenThroughBoard(voidpf, const void* name, int) {
  FILE* f = BFopen(static_cast<const char*>(name), "rb");
  if (!f) return nullptr;
  Stream* s = new (std::nothrow) Stream;
  if (!s) fclose(f);
  else s->file = f;
  return s;
}

uLong ReadBlock(voidpf, voidpf stream, void* buf, uLong size) {
  Stream* s = static_cast<Stream*>(stream);
  char* out = static_cast<char*>(buf);
  // Most reads are a few bytes of a directory entry inside the block.
  if (s->pos >= s->blockPos && s->pos - s->blockPos + size <= s->blockSize) {
    const char* from = s->block + (s->pos - s->blockPos);
    if (size == 1) *out = *from;
    else memcpy(out, from, size);
    s->pos += size;
    return size;
  }
  uLong done = 0;
  while (done < size) {
    if (s->pos >= s->blockPos && s->pos < s->blockPos + s->blockSize) {
      size_t at = static_cast<size_t>(s->pos - s->blockPos);
      size_t n = std::min<size_t>(size - done, s->blockSize - at);
      memcpy(out + done, s->block + at, n);
      done += static_cast<uLong>(n), s->pos += n;
      continue;
    }
    if (fseeko(s->file, static_cast<off_t>(s->pos), SEEK_SET) != 0) break;
    // Large reads (member data) go straight to the caller.
    if (size - done >= sizeof s->block) {
      size_t n = fread(out + done, 1, size - done, s->file);
      done += static_cast<uLong>(n), s->pos += n;
      if (n == 0) s->error = ferror(s->file) != 0;
      break;
    }
    s->blockPos = s->pos;
    s->blockSize = fread(s->block, 1, sizeof s->block, s->file);
    if (s->blockSize == 0) {
      s->error = ferror(s->file) != 0;
      break;
    }
  }
  return done;
}

ZPOS64_T Tell(voidpf, voidpf stream) { return static_cast<Stream*>(stream)->pos; }

long Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  Stream* s = static_cast<Stream*>(stream);
  if (origin == ZLIB_FILEFUNC_SEEK_SET) {
    s->pos = offset;
  } else if (origin == ZLIB_FILEFUNC_SEEK_CUR) {
    s->pos += offset;
  } else {
    if (fseeko(s->file, 0, SEEK_END) != 0) return -1;
    off_t end = ftello(s->file);
    if (end < 0) return -1;
    s->pos = static_cast<uint64_t>(end) + offset;
  }
  return 0;
}

int CloseStream(voidpf, voidpf stream) {
  Stream* s = static_cast<Stream*>(stream);
  int r = fclose(s->file);
  delete s;
  return r;
}

int StreamError(voidpf, voidpf stream) { return static_cast<Stream*>(stream)->error ? 1 : 0; }

// The case folding of minizip's own case-insensitive lookup: ASCII letters.
std::string Folded(const char* name) {
  std::string s(name);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

int Archive::BuildIndex() {
  unz_global_info64 global;
  if (unzGetGlobalInfo64(m_Zip, &global) != UNZ_OK) return -6;
  try {
    // The count is the archive's word: a damaged one must not reserve gigabytes.
    m_Index.reserve(static_cast<size_t>(global.number_entry < 65536 ? global.number_entry : 65536));
    m_Names.reserve(m_Index.capacity() * 24);
    // One header read per member: its name fits the buffer but for rare
    // long ones, read again.
    std::string name(512, '\0');
    for (int r = unzGoToFirstFile(m_Zip); r != UNZ_END_OF_LIST_OF_FILE; r = unzGoToNextFile(m_Zip)) {
      // A damaged entry ends the directory: the members before it still open.
      unz_file_info64 info;
      if (r != UNZ_OK || unzGetCurrentFileInfo64(m_Zip, &info, &name[0], static_cast<uLong>(name.size()), nullptr, 0,
                                                 nullptr, 0) != UNZ_OK)
        break;
      if (info.size_filename >= name.size()) {
        name.assign(static_cast<size_t>(info.size_filename) + 1, '\0');
        if (unzGetCurrentFileInfo64(m_Zip, nullptr, &name[0], static_cast<uLong>(name.size()), nullptr, 0, nullptr, 0) !=
            UNZ_OK)
          break;
      }
      unz64_file_pos pos;
      if (unzGetFilePos64(m_Zip, &pos) != UNZ_OK) break;
      std::string folded = Folded(name.c_str());
      if (folded.empty() || m_Names.size() + folded.size() > UINT32_MAX) continue;
      m_Index.push_back({pos.pos_in_zip_directory, pos.num_of_file, static_cast<uint32_t>(m_Names.size()),
                         static_cast<uint32_t>(folded.size())});
      m_Names += folded;
    }
    // The first of two members of one name is the one a lookup finds.
    std::stable_sort(m_Index.begin(), m_Index.end(),
                     [this](const Entry& a, const Entry& b) { return NameOf(a) < NameOf(b); });
    m_Names.shrink_to_fit();
  } catch (const std::bad_alloc&) {
    return -3;
  }
  return 0;
}

const Archive::Entry* Archive::Find(const char* name) const {
  if (!m_Zip || !name || !*name) return nullptr;
  std::string folded = Folded(name);
  auto it = std::lower_bound(m_Index.begin(), m_Index.end(), folded,
                             [this](const Entry& e, const std::string& n) { return NameOf(e) < n; });
  return it != m_Index.end() && NameOf(*it) == folded ? &*it : nullptr;
}

bool Archive::GoTo(const char* name) {
  const Entry* e = Find(name);
  if (!e) return false;
  unz64_file_pos pos{e->offset, e->number};
  return unzGoToFilePos64(m_Zip, &pos) == UNZ_OK;
}

int Archive::Open(const char* devicePath) {
  Close();
  if (!devicePath) return -1;
  FILE* probe = BFopen(devicePath, "rb");
  if (!probe) return -4;
  fclose(probe);
  zlib_filefunc64_def io{};
  io.zopen64_file = OpenThroughBoard;
  io.zread_file = ReadBlock;
  io.ztell64_file = Tell;
  io.zseek64_file = Seek;
  io.zclose_file = CloseStream;
  io.zerror_file = StreamError;
  m_Zip = unzOpen2_64(devicePath, &io);
  if (!m_Zip) return -6;
  int r = BuildIndex();
  if (r != 0) Close();
  return r;
}

void Archive::Close() {
  CloseMember();
  if (m_Zip) unzClose(m_Zip);
  m_Zip = nullptr;
  std::vector<Entry>().swap(m_Index);
  std::string().swap(m_Names);
}

bool Archive::Has(const char* name) {
  return Find(name) != nullptr;
}

int Archive::OpenMember(const char* name) {
  CloseMember();
  if (!GoTo(name)) return -6;
  unz_file_info64 info;
  if (unzGetCurrentFileInfo64(m_Zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return -6;
  if ((info.flag & 1) != 0) return -6;
  if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) return -6;
  if (unzOpenCurrentFile(m_Zip) != UNZ_OK) return -6;
  m_MemberOpen = true;
  return 0;
}

int Archive::Read(char* buf, int room) {
  if (!m_MemberOpen || !buf || room <= 0) return -6;
  int n = unzReadCurrentFile(m_Zip, buf, static_cast<unsigned>(room));
  return n < 0 ? -6 : n;
}

void Archive::CloseMember() {
  if (m_MemberOpen) unzCloseCurrentFile(m_Zip);
  m_MemberOpen = false;
}

int Archive::ReadAll(const char* name, std::string* out, size_t max) {
  out->clear();
  int r = OpenMember(name);
  char buf[8192];
  while (r == 0 && (r = Read(buf, sizeof buf)) > 0) {
    if (out->size() + static_cast<size_t>(r) > max) r = -6;
    else out->append(buf, static_cast<size_t>(r)), r = 0;
  }
  // The CRC is checked when a member is read to its end and closed.
  bool crcOk = m_MemberOpen && unzCloseCurrentFile(m_Zip) == UNZ_OK;
  m_MemberOpen = false;
  return r == 0 && crcOk ? 0 : -6;
}

}  // namespace zip
