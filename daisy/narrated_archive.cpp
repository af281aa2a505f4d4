#include "daisy/narrated_archive.h"

#include <cstdio>

#include "core/lib/zip/archive.h"
#include "daisy/text_util.h"

namespace libDaisy {

bool ResolveMember(std::string_view base, std::string_view link, std::string* out) {
  out->clear();
  if (link.empty() || link.front() == '/') return false;
  size_t slash = base.rfind('/');
  std::string joined(slash == std::string_view::npos ? std::string_view() : base.substr(0, slash + 1));
  joined.append(link.data(), link.size());
  return NormalizeLink(joined, out) && !out->empty();
}

NarratedArchive::NarratedArchive() : m_Zip(new zip::Archive) {}
NarratedArchive::~NarratedArchive() = default;

int NarratedArchive::Open(const char* devicePath) { return m_Zip->Open(devicePath); }

bool NarratedArchive::Has(const std::string& member) { return m_Zip->Has(member.c_str()); }

int NarratedArchive::ReadAll(const std::string& member, std::string* out, size_t max) {
  return m_Zip->ReadAll(member.c_str(), out, max);
}

MemberStream::MemberStream() : m_Zip(new zip::Archive) {}
MemberStream::~MemberStream() = default;

int MemberStream::Open(const char* archivePath, const std::string& member) {
  Close();
  int rc = m_Zip->Open(archivePath);
  if (rc != 0) return rc;
  m_Member = member;
  m_Size = -1;
  return Restart();
}

void MemberStream::Close() {
  m_Zip->Close();
  m_Pos = 0;
}

int MemberStream::Restart() {
  m_Zip->CloseMember();
  m_Pos = 0;
  return m_Zip->OpenMember(m_Member.c_str());
}

int MemberStream::Skip(long long bytes) {
  char scratch[4096];
  while (bytes > 0) {
    int n = m_Zip->Read(scratch, bytes < static_cast<long long>(sizeof scratch)
                                         ? static_cast<int>(bytes)
                                         : static_cast<int>(sizeof scratch));
    if (n <= 0) {
      if (n == 0) m_Size = m_Pos;
      return n < 0 ? -1 : 0;
    }
    m_Pos += n;
    bytes -= n;
  }
  return 0;
}

int MemberStream::Read(void* opaque, unsigned char* buf, int size) {
  auto* s = static_cast<MemberStream*>(opaque);
  if (size <= 0) return 0;
  int n = s->m_Zip->Read(reinterpret_cast<char*>(buf), size);
  if (n > 0) s->m_Pos += n;
  if (n == 0) s->m_Size = s->m_Pos;
  return n;
}

long long MemberStream::Seek(void* opaque, long long offset, int whence) {
  auto* s = static_cast<MemberStream*>(opaque);
  long long target;
  if (whence == SEEK_SET) {
    target = offset;
  } else if (whence == SEEK_CUR) {
    target = s->m_Pos + offset;
  } else if (whence == SEEK_END) {
    // Unknown until the end was read once; the decoder does without it.
    if (s->m_Size < 0) return -1;
    target = s->m_Size + offset;
  } else {
    return -1;
  }
  if (target < 0) return -1;
  if (target < s->m_Pos && s->Restart() != 0) return -1;
  if (s->Skip(target - s->m_Pos) != 0) return -1;
  return s->m_Pos;
}

}  // namespace libDaisy
