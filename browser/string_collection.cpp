#include "browser/string_collection.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <utility>

#include "browser/logical_strcmp.h"

namespace {

constexpr size_t kTextStep = 4096;
constexpr int kOffsetStep = 128;

// Hoare partition around the middle element. The scans are bounded, so a
// comparison that contradicts itself costs order, never memory safety; the
// smaller side recurses, the larger loops, so the stack stays shallow.
void QuickSort(const char** a, int lo, int hi, int (*cmp)(const char*, const char*)) {
  while (lo < hi) {
    const char* pivot = a[lo + (hi - lo) / 2];
    int i = lo, j = hi;
    while (i <= j) {
      while (i <= hi && cmp(a[i], pivot) < 0) i++;
      while (j >= lo && cmp(pivot, a[j]) < 0) j--;
      if (i <= j) {
        std::swap(a[i], a[j]);
        i++;
        j--;
      }
    }
    // Only a comparison that is not even reflexive leaves a side as large
    // as the range; shrink it anyway so the loop ends.
    if (j >= hi) j = hi - 1;
    if (i <= lo) i = lo + 1;
    if (j - lo < hi - i) {
      QuickSort(a, lo, j, cmp);
      lo = i;
    } else {
      QuickSort(a, i, hi, cmp);
      hi = j;
    }
  }
}

int CaseCmp(const char* a, const char* b) { return strcasecmp(a, b); }
int ByteCmp(const char* a, const char* b) { return strcmp(a, b); }

}  // namespace

void StrSort(const char** list, int count, int (*compare)(const char*, const char*)) {
  if (!list || !compare || count < 2) return;
  QuickSort(list, 0, count - 1, compare);
}

void sort_string(const char** list, int count) { StrSort(list, count, ByteCmp); }
void sort_case_string(const char** list, int count) { StrSort(list, count, CaseCmp); }

StringCollection::~StringCollection() { Cls(); }

void StringCollection::Cls() {
  free(m_Text);
  free(m_Offsets);
  m_Text = nullptr;
  m_Offsets = nullptr;
  m_TextCapacity = m_TextUsed = 0;
  m_OffsetCapacity = m_Count = 0;
}

int StringCollection::Add(const char* text) {
  if (!text) return -1;
  size_t len = strlen(text) + 1;
  if (m_TextUsed + len > UINT32_MAX) return -1;
  if (m_TextUsed + len > m_TextCapacity) {
    // Whole 4 KiB steps, at least doubling, so a big folder reallocates
    // only a few times.
    size_t want = m_TextUsed + len;
    if (want < m_TextCapacity * 2) want = m_TextCapacity * 2;
    want = (want + kTextStep - 1) / kTextStep * kTextStep;
    char* grown = static_cast<char*>(realloc(m_Text, want));
    if (!grown) return -1;
    m_Text = grown;
    m_TextCapacity = want;
  }
  if (m_Count >= m_OffsetCapacity) {
    int want = m_OffsetCapacity < kOffsetStep ? kOffsetStep : m_OffsetCapacity * 2;
    auto* grown =
        static_cast<uint32_t*>(realloc(m_Offsets, sizeof(uint32_t) * static_cast<size_t>(want)));
    if (!grown) return -1;
    m_Offsets = grown;
    m_OffsetCapacity = want;
  }
  memcpy(m_Text + m_TextUsed, text, len);
  m_Offsets[m_Count++] = static_cast<uint32_t>(m_TextUsed);
  m_TextUsed += len;
  return 0;
}

const char* StringCollection::Get(int index) const {
  return (index >= 0 && index < m_Count) ? m_Text + m_Offsets[index] : nullptr;
}

int StringCollection::Find(const char* text) const {
  if (!text) return -1;
  for (int i = 0; i < m_Count; i++) {
    if (strcasecmp(m_Text + m_Offsets[i], text) == 0) return i;
  }
  return -1;
}

void StringCollection::Sort(int mode) {
  int (*cmp)(const char*, const char*) = nullptr;
  if (mode == kSortLogical && LoadChnCharIndex() != 0) mode = kSortCase;
  switch (mode) {
    case kSortByte: cmp = ByteCmp; break;
    case kSortCase: cmp = CaseCmp; break;
    case kSortLogical: cmp = LogicalStrCmp; break;
    default: return;
  }
  m_SortMode = mode;
  if (m_Count < 2) return;
  auto** list =
      static_cast<const char**>(malloc(sizeof(const char*) * static_cast<size_t>(m_Count)));
  if (!list) return;  // the listing stays in folder order
  for (int i = 0; i < m_Count; i++) list[i] = m_Text + m_Offsets[i];
  StrSort(list, m_Count, cmp);
  for (int i = 0; i < m_Count; i++) m_Offsets[i] = static_cast<uint32_t>(list[i] - m_Text);
  free(list);
}
