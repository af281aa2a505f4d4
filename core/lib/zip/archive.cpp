#include "core/lib/zip/archive.h"

#include <minizip/ioapi.h>
#include <minizip/unzip.h>

#include "platform/board.h"

namespace zip {

namespace {

// Archives are opened through the board like every other device file.
voidpf OpenThroughBoard(voidpf, const void* name, int) {
  return BFopen(static_cast<const char*>(name), "rb");
}

}  // namespace

int Archive::Open(const char* devicePath) {
  Close();
  if (!devicePath) return -1;
  FILE* probe = BFopen(devicePath, "rb");
  if (!probe) return -4;
  fclose(probe);
  zlib_filefunc64_def io;
  fill_fopen64_filefunc(&io);
  io.zopen64_file = OpenThroughBoard;
  m_Zip = unzOpen2_64(devicePath, &io);
  return m_Zip ? 0 : -6;
}

void Archive::Close() {
  CloseMember();
  if (m_Zip) unzClose(m_Zip);
  m_Zip = nullptr;
}

bool Archive::Has(const char* name) {
  return m_Zip && name && *name && unzLocateFile(m_Zip, name, 2) == UNZ_OK;
}

int Archive::OpenMember(const char* name) {
  CloseMember();
  if (!Has(name)) return -6;
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
