// The bookmark store: entries per file, most recently used first, with the
// limits of 32 bookmarks per file, 100 files per kind and 400 in all.
#include "positions/bookmark.h"

#include <strings.h>

#include <cstring>
#include <new>

#include "core/ui/settings_area.h"
#include "positions/item_list.h"

BookMark g_bookmark(kBookmarkArea);

BookMark::~BookMark() {
  // No mark at program end: the settings areas may be gone by then.
  m_Area = SettingsKey(nullptr);
  Clean();
  XmlFinish();
}

int BookMark::Changed(int result) {
  if (result >= 0 && m_Area.name && !m_Loading) MarkSettingsChanged(m_Area);
  return result;
}

void BookMark::Clean() {
  if (m_Count > 0) Changed(0);
  for (int i = 0; i < m_Count; i++) {
    delete m_Items[i];
    m_Items[i] = nullptr;
  }
  m_Count = 0;
}

// Kind and path both decide, for every kind: an entry of another kind holds
// other records, and handing it out as this kind would corrupt memory.
int BookMark::FindExact(int kind, const char* path) const {
  if (!path) return -1;
  for (int i = 0; i < m_Count; i++) {
    const BmFileItem* it = m_Items[i];
    if (it->Type() == kind && it->GetFullname() && strcasecmp(it->GetFullname(), path) == 0)
      return i;
  }
  return -1;
}

int BookMark::Find(int kind, const char* path) const {
  return Find(const_cast<BmFileItem**>(m_Items), m_Count, kind, path);
}

int BookMark::Find(BmFileItem** list, int count, int kind, const char* path) {
  return positions::FindItem(
      list, count, path, [kind](const BmFileItem& it) { return kind >= EM_BM_ALL || it.Type() == kind; },
      [](const BmFileItem& it) { return it.GetFullname(); });
}

BmFileItem* BookMark::GetAt(int index) const { return positions::ItemAt(m_Items, m_Count, index); }

int BookMark::GetBookmarkList(int kind, BmFileItem** out) const {
  return positions::CollectItems(m_Items, m_Count, out,
                                 [kind](const BmFileItem& it) { return kind >= EM_BM_ALL || it.Type() == kind; });
}

void BookMark::MoveToFront(int index) { positions::MoveItemToFront(m_Items, m_Count, index); }

void BookMark::RemoveAt(int index) { positions::RemoveItemAt(m_Items, &m_Count, index); }

int BookMark::RemoveBookmark(BmFileItem* entry, int index) {
  if (!entry) return -1;
  for (int i = 0; i < m_Count; i++) {
    if (m_Items[i] != entry) continue;
    if (index >= 0) return Changed(entry->RemoveItem(index));
    RemoveAt(i);
    return Changed(0);
  }
  return -1;
}

int BookMark::AddFileItem(BmFileItem* item) {
  if (!positions::PushItemFront(m_Items, &m_Count, BM_MAX_FILE_ITEMS, item)) return -1;
  return Changed(0);
}

// With 100 entries of this kind the 100th of them (in list order) goes.
void BookMark::EvictForNew(int kind) {
  int seen = 0;
  for (int i = 0; i < m_Count; i++) {
    if (m_Items[i]->Type() != kind) continue;
    if (++seen == BM_MAX_FILES_PER_TYPE) {
      RemoveAt(i);
      return;
    }
  }
}

int BookMark::PrepareNew(BmFileItem* item, const char* path) {
  if (!item) return -2;
  int r = item->SetFullname(path);
  if (r != 0) delete item;
  return r;
}

// The new entry already holds its first bookmark, so nothing is evicted for
// an entry that then fails to come into being.
int BookMark::InsertNew(BmFileItem* item) {
  EvictForNew(item->Type());
  if (AddFileItem(item) != 0) {
    delete item;
    return -1;
  }
  return 0;
}

int BookMark::AddEbook(const char* path, int startPage, int startPlace, int endPage,
                       int endPlace, const char* text) {
  if (!path || !text) return -1;
  int i = FindExact(EM_BM_EBOOK, path);
  if (i >= 0) {
    MoveToFront(i);
    auto* entry = static_cast<EbookBmFileItem*>(m_Items[0]);
    return Changed(entry->Add(startPage, startPlace, endPage, endPlace, text));
  }
  auto* item = new (std::nothrow) EbookBmFileItem;
  int r = PrepareNew(item, path);
  if (r != 0) return r;
  int index = item->Add(startPage, startPlace, endPage, endPlace, text);
  if (index < 0) {
    delete item;
    return index;
  }
  r = InsertNew(item);
  return r < 0 ? r : index;
}

int BookMark::AddMusic(const char* path, int startMs, int endMs) {
  if (!path) return -1;
  int i = FindExact(EM_BM_MUSIC, path);
  if (i >= 0) {
    MoveToFront(i);
    return Changed(static_cast<MusicBmFileItem*>(m_Items[0])->Add(startMs, endMs));
  }
  auto* item = new (std::nothrow) MusicBmFileItem;
  int r = PrepareNew(item, path);
  if (r != 0) return r;
  int index = item->Add(startMs, endMs);
  r = InsertNew(item);
  return r < 0 ? r : index;
}

int BookMark::AddDaisy(const char* path, int startObject, int startPlace, int endObject,
                       int endPlace, const char* title, int startMs, int endMs,
                       const char* startPageDes, const char* endPageDes) {
  if (!path || !title) return -1;
  int i = FindExact(EM_BM_DAISY, path);
  if (i >= 0) {
    MoveToFront(i);
    auto* entry = static_cast<DaisyBmFileItem*>(m_Items[0]);
    return Changed(entry->Add(startObject, startPlace, endObject, endPlace, startMs, endMs,
                              startPageDes, endPageDes));
  }
  auto* item = new (std::nothrow) DaisyBmFileItem;
  int r = PrepareNew(item, path);
  if (r != 0) return r;
  r = item->SetTitle(title);
  if (r != 0) {
    delete item;
    return r;
  }
  int index = item->Add(startObject, startPlace, endObject, endPlace, startMs, endMs,
                        startPageDes, endPageDes);
  r = InsertNew(item);
  return r < 0 ? r : index;
}

int BookMark::AddDaisy(const char* path, int startObject, int startPlace, const char* title,
                       int startMs, const char* startPageDes) {
  return AddDaisy(path, startObject, startPlace, -1, -1, title, startMs, -1, startPageDes,
                  nullptr);
}

int BookMark::AddAudioBook(const char* folder, const char* parameters) {
  if (!folder || !parameters) return -1;
  int i = FindExact(EM_BM_AUDIOBOOK, folder);
  if (i >= 0) {
    MoveToFront(i);
    return Changed(static_cast<AudioBookBmFileItem*>(m_Items[0])->Add(parameters));
  }
  auto* item = new (std::nothrow) AudioBookBmFileItem;
  int r = PrepareNew(item, folder);
  if (r != 0) return r;
  int index = item->Add(parameters);
  if (index < 0) {
    delete item;
    return index;
  }
  r = InsertNew(item);
  return r < 0 ? r : index;
}
