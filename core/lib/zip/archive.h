// The one ZIP archive reader (minizip): members looked up by name regardless
// of case and streamed in pieces, never unpacked whole. Encrypted members and
// compression methods other than stored and deflated are refused, so a
// protected or exotic archive ends in a result instead of noise.
#pragma once

#include <cstddef>
#include <string>

#include "core/lib/no_copy.h"

namespace zip {

class Archive : NoCopy {
 public:
  Archive() = default;
  ~Archive() { Close(); }

  // 0; -1 null path; -4 the file cannot be opened; -6 not a ZIP archive.
  int Open(const char* devicePath);
  void Close();
  // True when a member of that name (any case) exists.
  bool Has(const char* name);
  // Makes a member the one Read gives. 0; -6 missing, encrypted, of an
  // unknown compression method or unreadable.
  int OpenMember(const char* name);
  // The next bytes of the open member: count, 0 at its end, -6 when the data
  // is damaged (a checksum that does not match included).
  int Read(char* buf, int room);
  void CloseMember();
  // A whole member of at most `max` bytes. 0, -6 (missing, damaged or larger).
  int ReadAll(const char* name, std::string* out, size_t max);

 private:
  void* m_Zip = nullptr;
  bool m_MemberOpen = false;
};

}  // namespace zip
