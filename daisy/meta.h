// Name and content pairs of a book's metadata ("dc:title", "ncc:totalTime", ...).
#pragma once

#include <cstdio>
#include <string>

#include "core/lib/no_copy.h"
#include "daisy/string_array.h"

namespace libDaisy {

class Meta : NoCopy {
 public:
  Meta() = default;
  virtual ~Meta() = default;

  // Appends a pair (lengths < 0: up to the NUL). 0, -1 for a null text, -2 out of memory.
  virtual int Add(const char* name, const char* content, int nameLength = -1,
                  int contentLength = -1);
  virtual int GetCnt() const { return m_Names.GetCnt(); }
  // 0 and the pair, or -1 outside the list.
  virtual int Get(int index, const char** name, const char** content) const;
  // Content of the first pair with exactly that name, else null.
  virtual const char* Get(const char* name) const;
  // A new list with the same pairs; null when memory runs out.
  virtual Meta* Copy() const;
  // Writes the pairs to standard output.
  virtual void PrintInfo() const;

  // Content of the first pair whose name matches ignoring case, else null.
  const char* CaseGet(const char* name) const;
  void Clean();
  void Dump(std::string& out) const;

 private:
  StringArray m_Names;
  StringArray m_Contents;
};

}  // namespace libDaisy
