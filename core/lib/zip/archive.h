// The one ZIP archive reader (minizip): members looked up by name regardless
// of case (ASCII letters) and streamed in pieces, never unpacked whole. The
// central directory is read once at opening into an index of names, so a
// member opens without walking the directory (a book of thousands of
// chapters would otherwise cost members squared). Encrypted members and
// compression methods other than stored and deflated are refused, so a
// protected or exotic archive ends in a result instead of noise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/lib/no_copy.h"

namespace zip {

class Archive : NoCopy {
 public:
  Archive() = default;
  ~Archive() { Close(); }

  // 0; -1 null path; -3 no memory; -4 the file cannot be opened; -6 not a ZIP
  // archive.
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
  // Where a member's header stands in the central directory, by its name
  // folded to lower case (m_Names from `name`, `length` bytes).
  struct Entry {
    uint64_t offset;
    uint64_t number;
    uint32_t name;
    uint32_t length;
  };
  std::string_view NameOf(const Entry& e) const { return std::string_view(m_Names).substr(e.name, e.length); }
  int BuildIndex();
  // Makes the member current; false when there is none of that name.
  bool GoTo(const char* name);
  const Entry* Find(const char* name) const;

  void* m_Zip = nullptr;
  bool m_MemberOpen = false;
  // Sorted by name, the first of two of one name first; the names in one
  // block, since a book may hold thousands.
  std::vector<Entry> m_Index;
  std::string m_Names;
};

}  // namespace zip
