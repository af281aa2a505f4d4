// The array both position stores keep: up to a fixed number of owned items,
// item 0 the most recently used.
#pragma once

#include <cstring>
#include <strings.h>

namespace positions {

template <typename T>
T* ItemAt(T* const* items, int count, int index) {
  return (index >= 0 && index < count) ? items[index] : nullptr;
}

template <typename T>
void MoveItemToFront(T** items, int count, int index) {
  if (index <= 0 || index >= count) return;
  T* it = items[index];
  memmove(&items[1], &items[0], sizeof(items[0]) * static_cast<size_t>(index));
  items[0] = it;
}

// Deletes the item and closes the gap.
template <typename T>
void RemoveItemAt(T** items, int* count, int index) {
  delete items[index];
  memmove(&items[index], &items[index + 1], sizeof(items[0]) * static_cast<size_t>(*count - index - 1));
  items[--*count] = nullptr;
}

// Takes ownership at the front; false (the caller keeps it) for null or a full array.
template <typename T>
bool PushItemFront(T** items, int* count, int max, T* item) {
  if (!item || *count >= max) return false;
  memmove(&items[1], &items[0], sizeof(items[0]) * static_cast<size_t>(*count));
  items[0] = item;
  ++*count;
  return true;
}

// The items `keep` accepts, in order, into `out`: their number, or -1 for a null `out`.
template <typename T, typename Keep>
int CollectItems(T* const* items, int count, T** out, Keep keep) {
  if (!out) return -1;
  int n = 0;
  for (int i = 0; i < count; i++) {
    if (keep(*items[i])) out[n++] = items[i];
  }
  return n;
}

// Index of the first item that `kindMatches` and whose path (from `pathOf`)
// is `path`, letter case ignored; -1 when none or for a null list or path.
template <typename T, typename Kind, typename PathOf>
int FindItem(T* const* list, int count, const char* path, Kind kindMatches, PathOf pathOf) {
  if (!list || !path) return -1;
  for (int i = 0; i < count; i++) {
    const T* it = list[i];
    if (!it || !pathOf(*it) || !kindMatches(*it)) continue;
    if (strcasecmp(pathOf(*it), path) == 0) return i;
  }
  return -1;
}

}  // namespace positions
