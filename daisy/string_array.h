// Append-only lists of NUL-terminated strings packed in one growing byte pool.
// The DAISY readers keep every name, id and text in these, so a book of tens of
// thousands of elements costs a handful of allocations.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/lib/no_copy.h"

namespace libDaisy {

class CaseIndex;

class StringArray : NoCopy {
 public:
  // blockSize: the pool grows in multiples of it; step: offset array growth.
  explicit StringArray(int blockSize = 2048, int step = 100);
  virtual ~StringArray();

  // Forgets every string (keeps the memory and the index setting).
  virtual void Clean();
  // Appends text (length < 0: up to the NUL). 0, -1 for a null text, -2 out of memory.
  virtual int Add(const char* text, int length = -1);
  // Appends text to the last string (adds a string when the list is empty).
  virtual int AddTextToLastString(const char* text, int length = -1);
  // Drops the last string; -1 when the list is empty.
  virtual int RemoveLastOne();
  // Drops strings until count remain.
  void Truncate(int count);
  virtual int GetCnt() const { return m_Count; }
  // Index of the first exact / ASCII-case-insensitive match, else -1.
  virtual int Find(const char* text) const;
  virtual int CaseFind(const char* text, int length = -1) const;
  // Null outside 0 .. count - 1.
  virtual const char* Get(int index) const;
  // Length of string index (0 outside the list).
  int GetLength(int index) const;
  // A new list with the same strings; null when memory runs out.
  virtual StringArray* Copy() const;

  // Keeps a hash of the case-folded strings so that CaseFind and CaseFindNext
  // cost O(1) on lists of many thousand strings. 0, or -2 out of memory.
  // Strings are hashed when a search first needs them, all at once at the
  // list's size then (no rehash as it grows): a search is then not safe
  // beside another one on the same list until the list is searched once.
  int EnableCaseIndex();
  // With the index: the next index after `index` holding the same case-folded
  // string, or -1 (without the index, a linear search).
  int CaseFindNext(int index) const;
  // First index >= from whose string matches (ignoring case); when none, the
  // first match before from (wrap-around); -1 without any match.
  int CaseFindFrom(const char* text, int length, int from) const;

 private:
  int Reserve(size_t poolNeeded, int countNeeded);
  // Forgets the hashes when string `index` or a later one changes.
  void DropIndexFrom(int index);
  // Hashes the strings added since the last search.
  void SyncIndex() const;

  char* m_Pool = nullptr;
  size_t m_PoolSize = 0;
  size_t m_PoolUsed = 0;
  uint32_t* m_Offsets = nullptr;
  int m_OffsetCap = 0;
  int m_Count = 0;
  int m_BlockSize;
  int m_Step;
  mutable CaseIndex* m_Index = nullptr;
  mutable int m_Indexed = 0;  // strings 0 .. m_Indexed - 1 are hashed
};

}  // namespace libDaisy
