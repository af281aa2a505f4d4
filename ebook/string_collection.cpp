#include "ebook/string_collection.h"

#include <strings.h>

#include <climits>
#include <cstdlib>
#include <cstring>

int EbookStringCollection::Add(const char* s) {
  if (!s) return -1;
  size_t len = strlen(s);
  if (len > static_cast<size_t>(INT_MAX / 2) - static_cast<size_t>(m_PoolUsed)) return -1;
  if (m_Count >= m_OffsetCapacity) {
    void* p = realloc(m_Offsets, sizeof(int) * (static_cast<size_t>(m_OffsetCapacity) + 128));
    if (!p) return -1;
    m_Offsets = static_cast<int*>(p);
    m_OffsetCapacity += 128;
  }
  int need = m_PoolUsed + static_cast<int>(len) + 1;
  if (need > m_PoolCapacity) {
    int cap = (need / 4096 + 1) * 4096;
    void* p = realloc(m_Pool, static_cast<size_t>(cap));
    if (!p) return -1;
    m_Pool = static_cast<char*>(p);
    m_PoolCapacity = cap;
  }
  memcpy(m_Pool + m_PoolUsed, s, len + 1);
  m_Offsets[m_Count++] = m_PoolUsed;
  m_PoolUsed = need;
  return 0;
}

int EbookStringCollection::Find(const char* s) const {
  if (!s) return -1;
  for (int i = 0; i < m_Count; ++i)
    if (strcasecmp(m_Pool + m_Offsets[i], s) == 0) return i;
  return -1;
}

const char* EbookStringCollection::GetAt(int index) const {
  return (index >= 0 && index < m_Count) ? m_Pool + m_Offsets[index] : nullptr;
}

void EbookStringCollection::Cls() {
  free(m_Pool);
  free(m_Offsets);
  m_Pool = nullptr;
  m_Offsets = nullptr;
  m_PoolCapacity = m_PoolUsed = m_Count = m_OffsetCapacity = 0;
}
