#include "daisy/string_array.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "daisy/text_util.h"

namespace libDaisy {

// Open-addressing hash of case-folded strings. Each slot heads a chain of the
// indexes that hold the same string, in ascending order.
class CaseIndex {
 public:
  ~CaseIndex() {
    free(m_Slots);
    free(m_Next);
  }

  void Clear() {
    if (m_Slots) memset(m_Slots, 0xff, sizeof(Slot) * m_Cap);
    m_Used = 0;
  }

  // Adds string `index` (indexes come in ascending order); 0 or -2.
  int Insert(const StringArray& list, int index) {
    if (index >= m_NextCap) {
      int cap = m_NextCap ? m_NextCap * 2 : 256;
      while (cap <= index) cap *= 2;
      int* next = static_cast<int*>(realloc(m_Next, sizeof(int) * cap));
      if (!next) return -2;
      m_Next = next;
      m_NextCap = cap;
    }
    if ((m_Used + 1) * 2 > m_Cap && Resize(list, index, m_Cap ? m_Cap * 2 : 512) != 0) return -2;
    Place(list, index);
    return 0;
  }

  // Room for strings up to `total` without growing, the table rebuilt from
  // strings 0 .. indexed - 1 when it must grow; 0 or -2.
  int Reserve(const StringArray& list, int indexed, int total) {
    if (total > m_NextCap) {
      int cap = m_NextCap ? m_NextCap : 256;
      while (cap < total) cap *= 2;
      int* next = static_cast<int*>(realloc(m_Next, sizeof(int) * cap));
      if (!next) return -2;
      m_Next = next;
      m_NextCap = cap;
    }
    uint32_t cap = m_Cap ? m_Cap : 512;
    while (static_cast<uint64_t>(total) * 2 + 2 > cap) cap *= 2;
    return cap > m_Cap ? Resize(list, indexed, cap) : 0;
  }

  int Find(const StringArray& list, const char* s, int len) const {
    if (!m_Slots) return -1;
    uint32_t h = CaseHash(s, len);
    for (uint32_t i = h & (m_Cap - 1);; i = (i + 1) & (m_Cap - 1)) {
      const Slot& slot = m_Slots[i];
      if (slot.first < 0) return -1;
      if (slot.hash == h && list.GetLength(slot.first) == len &&
          strncasecmp(list.Get(slot.first), s, len) == 0)
        return slot.first;
    }
  }

  int Next(int index) const { return index >= 0 && index < m_NextCap ? m_Next[index] : -1; }

 private:
  struct Slot {
    int first;
    int last;
    uint32_t hash;
  };

  // A table of cap slots holding strings 0 .. upto - 1.
  int Resize(const StringArray& list, int upto, uint32_t cap) {
    Slot* slots = static_cast<Slot*>(malloc(sizeof(Slot) * cap));
    if (!slots) return -2;
    free(m_Slots);
    m_Slots = slots;
    m_Cap = cap;
    Clear();
    for (int i = 0; i < upto; i++) Place(list, i);
    return 0;
  }

  void Place(const StringArray& list, int index) {
    m_Next[index] = -1;
    const char* s = list.Get(index);
    int len = list.GetLength(index);
    uint32_t h = CaseHash(s, len);
    for (uint32_t i = h & (m_Cap - 1);; i = (i + 1) & (m_Cap - 1)) {
      Slot& slot = m_Slots[i];
      if (slot.first < 0) {
        slot = {index, index, h};
        m_Used++;
        return;
      }
      if (slot.hash == h && list.GetLength(slot.first) == len &&
          strncasecmp(list.Get(slot.first), s, len) == 0) {
        m_Next[slot.last] = index;
        slot.last = index;
        return;
      }
    }
  }

  Slot* m_Slots = nullptr;
  uint32_t m_Cap = 0;
  uint32_t m_Used = 0;
  int* m_Next = nullptr;
  int m_NextCap = 0;
};

StringArray::StringArray(int blockSize, int step)
    : m_BlockSize(blockSize > 0 ? blockSize : 2048), m_Step(step > 0 ? step : 100) {}

StringArray::~StringArray() {
  free(m_Pool);
  free(m_Offsets);
  delete m_Index;
}

void StringArray::Clean() {
  m_PoolUsed = 0;
  m_Count = 0;
  DropIndexFrom(0);
}

void StringArray::DropIndexFrom(int index) {
  if (m_Index && m_Indexed > index) {
    m_Index->Clear();
    m_Indexed = 0;
  }
}

void StringArray::SyncIndex() const {
  if (!m_Index || m_Indexed >= m_Count) return;
  int rc = m_Index->Reserve(*this, m_Indexed, m_Count);
  for (; rc == 0 && m_Indexed < m_Count; m_Indexed++) rc = m_Index->Insert(*this, m_Indexed);
  if (rc != 0) {
    // Out of memory: slower linear searches, the same answers.
    delete m_Index;
    m_Index = nullptr;
    m_Indexed = 0;
  }
}

int StringArray::Reserve(size_t poolNeeded, int countNeeded) {
  if (poolNeeded > m_PoolSize) {
    // The pool grows to a multiple of the block; at least by half its size so
    // that a long list is not copied over and over.
    size_t block = static_cast<size_t>(m_BlockSize);
    size_t size = block * (poolNeeded / block + 1);
    size_t half = m_PoolSize + m_PoolSize / 2;
    if (size < half) size = block * (half / block + 1);
    if (size > UINT32_MAX) return -2;
    char* pool = static_cast<char*>(realloc(m_Pool, size));
    if (!pool) return -2;
    m_Pool = pool;
    m_PoolSize = size;
  }
  if (countNeeded > m_OffsetCap) {
    int cap = m_OffsetCap + m_Step;
    if (cap < countNeeded) cap = countNeeded;
    if (cap < m_OffsetCap + m_OffsetCap / 2) cap = m_OffsetCap + m_OffsetCap / 2;
    uint32_t* offsets = static_cast<uint32_t*>(realloc(m_Offsets, sizeof(uint32_t) * cap));
    if (!offsets) return -2;
    m_Offsets = offsets;
    m_OffsetCap = cap;
  }
  return 0;
}

int StringArray::Add(const char* text, int length) {
  if (!text) return -1;
  size_t len = length < 0 ? strlen(text) : static_cast<size_t>(length);
  if (Reserve(m_PoolUsed + len + 1, m_Count + 1) != 0) return -2;
  memcpy(m_Pool + m_PoolUsed, text, len);
  m_Pool[m_PoolUsed + len] = 0;
  m_Offsets[m_Count++] = static_cast<uint32_t>(m_PoolUsed);
  m_PoolUsed += len + 1;
  return 0;
}

int StringArray::AddTextToLastString(const char* text, int length) {
  if (!text) return -1;
  if (m_Count == 0) return Add(text, length);
  size_t len = length < 0 ? strlen(text) : static_cast<size_t>(length);
  if (len == 0) return 0;
  // The last string ends the pool: overwrite its NUL.
  if (Reserve(m_PoolUsed + len, m_Count) != 0) return -2;
  memcpy(m_Pool + m_PoolUsed - 1, text, len);
  m_PoolUsed += len;
  m_Pool[m_PoolUsed - 1] = 0;
  DropIndexFrom(m_Count - 1);
  return 0;
}

int StringArray::RemoveLastOne() {
  if (m_Count == 0) return -1;
  m_Count--;
  m_PoolUsed = m_Offsets[m_Count];
  DropIndexFrom(m_Count);
  return 0;
}

void StringArray::Truncate(int count) {
  if (count < 0) count = 0;
  if (count >= m_Count) return;
  m_Count = count;
  m_PoolUsed = count ? m_Offsets[count] : 0;
  DropIndexFrom(count);
}

int StringArray::Find(const char* text) const {
  if (!text) return -1;
  for (int i = 0; i < m_Count; i++)
    if (strcmp(m_Pool + m_Offsets[i], text) == 0) return i;
  return -1;
}

int StringArray::CaseFind(const char* text, int length) const {
  if (!text) return -1;
  int len = length < 0 ? static_cast<int>(strlen(text)) : length;
  SyncIndex();
  if (m_Index) return m_Index->Find(*this, text, len);
  for (int i = 0; i < m_Count; i++)
    if (GetLength(i) == len && strncasecmp(m_Pool + m_Offsets[i], text, len) == 0) return i;
  return -1;
}

int StringArray::CaseFindNext(int index) const {
  if (index < 0 || index >= m_Count) return -1;
  SyncIndex();
  if (m_Index) return m_Index->Next(index);
  const char* s = Get(index);
  for (int i = index + 1; i < m_Count; i++)
    if (strcasecmp(m_Pool + m_Offsets[i], s) == 0) return i;
  return -1;
}

int StringArray::CaseFindFrom(const char* text, int length, int from) const {
  int first = CaseFind(text, length);
  if (first < 0 || first >= from) return first;
  for (int i = CaseFindNext(first); i >= 0; i = CaseFindNext(i))
    if (i >= from) return i;
  return first;
}

const char* StringArray::Get(int index) const {
  if (index < 0 || index >= m_Count) return nullptr;
  return m_Pool + m_Offsets[index];
}

int StringArray::GetLength(int index) const {
  if (index < 0 || index >= m_Count) return 0;
  size_t end = index + 1 < m_Count ? m_Offsets[index + 1] : m_PoolUsed;
  return static_cast<int>(end - m_Offsets[index] - 1);
}

StringArray* StringArray::Copy() const {
  StringArray* copy = new (std::nothrow) StringArray(m_BlockSize, m_Step);
  if (!copy) return nullptr;
  if (copy->Reserve(m_PoolUsed, m_Count) != 0) {
    delete copy;
    return nullptr;
  }
  if (m_PoolUsed) memcpy(copy->m_Pool, m_Pool, m_PoolUsed);
  if (m_Count) memcpy(copy->m_Offsets, m_Offsets, sizeof(uint32_t) * m_Count);
  copy->m_PoolUsed = m_PoolUsed;
  copy->m_Count = m_Count;
  if (m_Index && copy->EnableCaseIndex() != 0) {
    delete copy;
    return nullptr;
  }
  return copy;
}

int StringArray::EnableCaseIndex() {
  if (m_Index) return 0;
  m_Index = new (std::nothrow) CaseIndex;
  m_Indexed = 0;
  return m_Index ? 0 : -2;
}

}  // namespace libDaisy
