// The per-file bookmark lists: at most 32 each, oldest first.
#include <cstdlib>
#include <cstring>

#include "positions/bookmark.h"
#include "positions/list_xml.h"

namespace {

// Frees what one record owns; records without heap text need nothing.
void FreeRecord(EbookBmItem& r) { free(r.text); }
void FreeRecord(AudioBookBmItem& r) { free(r.parameters); }
void FreeRecord(MusicBmItem&) {}
void FreeRecord(DaisyBmItem&) {}

template <class T>
int RemoveRecord(T* items, int& count, int index) {
  if (index < 0 || index >= count) return -1;
  FreeRecord(items[index]);
  memmove(&items[index], &items[index + 1], sizeof(T) * static_cast<size_t>(count - index - 1));
  count--;
  memset(&items[count], 0, sizeof(T));
  return 0;
}

// Appends a prepared record, dropping the oldest when the list is full;
// returns the new record's index.
template <class T>
int AppendRecord(T* items, int& count, const T& rec) {
  if (count >= BM_MAX_ITEMS) RemoveRecord(items, count, 0);
  items[count] = rec;
  return count++;
}

template <class T>
T* RecordAt(T* items, int count, int index) {
  return (index >= 0 && index < count) ? &items[index] : nullptr;
}

template <class T>
void FreeAll(T* items, int count) {
  for (int i = 0; i < count; i++) FreeRecord(items[i]);
}

}  // namespace

BmFileItem::~BmFileItem() { free(m_Fullname); }

int BmFileItem::SetFullname(const char* path) {
  if (!path) return -1;
  char* copy = strdup(path);
  if (!copy) return -2;
  free(m_Fullname);
  m_Fullname = copy;
  if (!m_NameIsTitle) {
    const char* slash = strrchr(m_Fullname, '/');
    m_Name = slash ? slash + 1 : m_Fullname;
  }
  return 0;
}

EbookBmFileItem::~EbookBmFileItem() { FreeAll(m_Items, m_Count); }
int EbookBmFileItem::RemoveItem(int index) { return RemoveRecord(m_Items, m_Count, index); }
EbookBmItem* EbookBmFileItem::GetAt(int index) { return RecordAt(m_Items, m_Count, index); }

int EbookBmFileItem::Add(int startPage, int startPlace, int endPage, int endPlace,
                         const char* text) {
  if (!text) return -1;
  EbookBmItem rec{startPage, startPlace, endPage, endPlace, strdup(text)};
  if (!rec.text) return -2;
  return AppendRecord(m_Items, m_Count, rec);
}

int MusicBmFileItem::RemoveItem(int index) { return RemoveRecord(m_Items, m_Count, index); }
MusicBmItem* MusicBmFileItem::GetAt(int index) { return RecordAt(m_Items, m_Count, index); }

int MusicBmFileItem::Add(int startMs, int endMs) {
  MusicBmItem rec{startMs, endMs};
  return AppendRecord(m_Items, m_Count, rec);
}

DaisyBmFileItem::~DaisyBmFileItem() {
  FreeAll(m_Items, m_Count);
  free(m_Title);
}
int DaisyBmFileItem::RemoveItem(int index) { return RemoveRecord(m_Items, m_Count, index); }
DaisyBmItem* DaisyBmFileItem::GetAt(int index) { return RecordAt(m_Items, m_Count, index); }

int DaisyBmFileItem::Add(int startObject, int startPlace, int endObject, int endPlace,
                         int startMs, int endMs, const char* startPageDes,
                         const char* endPageDes) {
  DaisyBmItem rec{};
  rec.startObject = startObject;
  rec.startPlace = startPlace;
  rec.endObject = endObject;
  rec.endPlace = endPlace;
  rec.startMs = startMs;
  rec.endMs = endMs;
  // Cut on a character boundary: half a character would make the saved
  // file unreadable from that point on.
  positions::CopyUtf8Cut(rec.startPageDes, startPageDes, BM_PAGE_DES_LEN);
  positions::CopyUtf8Cut(rec.endPageDes, endPageDes, BM_PAGE_DES_LEN);
  return AppendRecord(m_Items, m_Count, rec);
}

int DaisyBmFileItem::SetTitle(const char* title) {
  if (!title) return -1;
  char* copy = strdup(title);
  if (!copy) return -2;
  free(m_Title);
  m_Title = copy;
  // A book without a title keeps its file name as the name the menu speaks.
  m_NameIsTitle = m_Title[0] != '\0';
  if (m_NameIsTitle) {
    m_Name = m_Title;
  } else if (m_Fullname) {
    const char* slash = strrchr(m_Fullname, '/');
    m_Name = slash ? slash + 1 : m_Fullname;
  } else {
    m_Name = nullptr;
  }
  return 0;
}

AudioBookBmFileItem::~AudioBookBmFileItem() { FreeAll(m_Items, m_Count); }
int AudioBookBmFileItem::RemoveItem(int index) { return RemoveRecord(m_Items, m_Count, index); }
AudioBookBmItem* AudioBookBmFileItem::GetAt(int index) {
  return RecordAt(m_Items, m_Count, index);
}

int AudioBookBmFileItem::Add(const char* parameters) {
  if (!parameters) return -1;
  AudioBookBmItem rec{strdup(parameters)};
  if (!rec.parameters) return -2;
  return AppendRecord(m_Items, m_Count, rec);
}
