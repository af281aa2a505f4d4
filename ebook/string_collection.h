// A small growable list of byte strings kept in one character pool.
#pragma once

#include "core/lib/no_copy.h"

class EbookStringCollection : NoCopy {
 public:
  EbookStringCollection() = default;
  ~EbookStringCollection() { Cls(); }

  // Appends a copy of s: 0, or -1 for null or no memory.
  int Add(const char* s);
  // Index of the first string equal to s regardless of ASCII case, or -1.
  int Find(const char* s) const;
  // Frees everything; the list is empty afterwards.
  void Cls();
  int GetCount() const { return m_Count; }
  // The string at index, or null when out of range.
  const char* GetAt(int index) const;

 private:
  char* m_Pool = nullptr;
  int m_PoolCapacity = 0;
  int m_PoolUsed = 0;
  int* m_Offsets = nullptr;
  int m_Count = 0;
  int m_OffsetCapacity = 0;
};
