// The archive side of narrated EPUB books: members read whole (package,
// navigation, overlays, text) or streamed to the decoder (audio), and links
// resolved inside the archive only. The one place the DAISY library touches
// the ZIP reader.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "core/lib/no_copy.h"

namespace zip {
class Archive;
}

namespace libDaisy {

// `link` as written in member `base`, made a member name: percent escapes
// decoded, "." and ".." folded against base's folder. False for a link that
// leaves the archive (above its root, absolute, or with a scheme).
bool ResolveMember(std::string_view base, std::string_view link, std::string* out);

class NarratedArchive : NoCopy {
 public:
  NarratedArchive();
  ~NarratedArchive();
  // 0, or negative when the file is not a readable ZIP archive.
  int Open(const char* devicePath);
  bool Has(const std::string& member);
  // 0, or -6 for a member that is missing, damaged or larger than max.
  int ReadAll(const std::string& member, std::string* out, size_t max);

 private:
  std::unique_ptr<zip::Archive> m_Zip;
};

// One member streamed for the decoder through its own archive handle:
// reading goes forward; a seek forward skips, a seek back starts the member
// again, so nothing is ever unpacked to the card. The size is known once the
// end has been read.
class MemberStream : NoCopy {
 public:
  MemberStream();
  ~MemberStream();
  // 0, or negative when the archive or the member cannot be read.
  int Open(const char* archivePath, const std::string& member);
  void Close();
  // The decoder's callbacks (opaque = this): bytes read, 0 at the end,
  // negative on damaged data; lseek-like seek, negative when impossible.
  static int Read(void* opaque, unsigned char* buf, int size);
  static long long Seek(void* opaque, long long offset, int whence);

 private:
  int Restart();
  int Skip(long long bytes);

  std::unique_ptr<zip::Archive> m_Zip;
  std::string m_Member;
  long long m_Pos = 0;
  long long m_Size = -1;
};

}  // namespace libDaisy
