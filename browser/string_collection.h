// A growable list of names kept in one text buffer with an offset array, so
// that a folder of thousands of entries costs a handful of allocations.
#pragma once

#include <cstddef>
#include <cstdint>

// In-place quicksort of string pointers (middle element as pivot; not
// stable). Safe with any comparison, however inconsistent.
void StrSort(const char** list, int count, int (*compare)(const char*, const char*));
// StrSort with strcmp and with strcasecmp.
void sort_string(const char** list, int count);
void sort_case_string(const char** list, int count);

class StringCollection {
 public:
  // Sort modes.
  static constexpr int kSortNone = 0;
  static constexpr int kSortByte = 1;     // strcmp
  static constexpr int kSortCase = 2;     // strcasecmp
  static constexpr int kSortLogical = 3;  // LogicalStrCmp

  StringCollection() = default;
  ~StringCollection();
  StringCollection(const StringCollection&) = delete;
  StringCollection& operator=(const StringCollection&) = delete;

  // Appends a copy. 0, or -1 for null or when memory runs out.
  int Add(const char* text);
  // Text i, or null outside 0 … GetTotal() − 1.
  const char* Get(int index) const;
  // First index whose text equals `text` ignoring case, or -1.
  int Find(const char* text) const;
  int GetTotal() const { return m_Count; }
  // Frees everything.
  void Cls();
  // Sorts in the given mode and remembers it; other modes leave the order.
  // Logical order loads the collation table first and sorts without case
  // when it is not available.
  void Sort(int mode);
  int GetSortMode() const { return m_SortMode; }

 private:
  char* m_Text = nullptr;
  size_t m_TextCapacity = 0;
  size_t m_TextUsed = 0;
  uint32_t* m_Offsets = nullptr;
  int m_OffsetCapacity = 0;
  int m_Count = 0;
  int m_SortMode = kSortNone;
};
