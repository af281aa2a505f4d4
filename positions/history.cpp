// The history store: one record per item, most recently used first.
#include "positions/history.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/ui/settings_area.h"
#include "platform/board.h"
#include "positions/item_list.h"

History g_History(kHistoryArea);

HistoryItem::~HistoryItem() { Cls(); }

void HistoryItem::Cls() {
  free(path);
  free(title);
  free(text);
  path = title = text = nullptr;
  kind = EM_HISTORY_ALL;
  page = place = ms = object = -1;
}

int HistoryItem::Begin(int newKind, const char* newPath, const char* newTitle,
                       const char* newText) {
  if (!newPath) {
    Cls();
    return -1;
  }
  // Copy before freeing: callers may pass this record's own texts.
  char* p = strdup(newPath);
  char* ti = strdup(newTitle ? newTitle : "");
  char* te = strdup(newText ? newText : "");
  Cls();
  if (!p || !ti || !te) {
    free(p);
    free(ti);
    free(te);
    return -2;
  }
  path = p;
  title = ti;
  text = te;
  kind = newKind;
  return 0;
}

int HistoryItem::SetForEbook(const char* p, int pg, int pl, const char* t) {
  int r = Begin(EM_HISTORY_EBOOK, p, nullptr, t);
  if (r == 0) {
    page = pg;
    place = pl;
  }
  return r;
}

int HistoryItem::SetForMusic(const char* p, int m) {
  int r = Begin(EM_HISTORY_MUSIC, p, nullptr, nullptr);
  if (r == 0) ms = m;
  return r;
}

int HistoryItem::SetForDaisy(const char* p, int obj, int pl, const char* ttl, int m,
                             const char* pageDescription) {
  int r = Begin(EM_HISTORY_DAISY, p, ttl, pageDescription);
  if (r == 0) {
    object = obj;
    place = pl;
    ms = m;
  }
  return r;
}

int HistoryItem::SetForAudioBook(const char* p, const char* parameters) {
  return Begin(EM_HISTORY_AUDIOBOOK, p, nullptr, parameters);
}

History::~History() {
  // No mark at program end: the settings areas may be gone by then.
  m_Area = SettingsKey(nullptr);
  Clean();
}

void History::Clean() {
  if (m_Count > 0) Changed();
  for (int i = 0; i < m_Count; i++) {
    delete m_Items[i];
    m_Items[i] = nullptr;
  }
  m_Count = 0;
}

void History::Changed() {
  if (m_Area.name && !m_Loading) MarkSettingsChanged(m_Area);
}

namespace {

bool SameText(const char* a, const char* b) { return strcmp(a ? a : "", b ? b : "") == 0; }

bool SameRecord(const HistoryItem& a, const HistoryItem& b) {
  return a.kind == b.kind && SameText(a.path, b.path) && SameText(a.title, b.title) &&
         SameText(a.text, b.text) && a.page == b.page && a.place == b.place && a.ms == b.ms &&
         a.object == b.object;
}

}  // namespace

int History::Find(int kind, const char* path) const {
  return Find(const_cast<HistoryItem**>(m_Items), m_Count, kind, path);
}

int History::Find(HistoryItem** list, int count, int kind, const char* path) {
  return positions::FindItem(
      list, count, path, [kind](const HistoryItem& it) { return kind >= EM_HISTORY_ALL || it.kind == kind; },
      [](const HistoryItem& it) { return it.path; });
}

HistoryItem* History::GetAt(int index) const { return positions::ItemAt(m_Items, m_Count, index); }

int History::GetBookmarkList(int kind, HistoryItem** out) const {
  return positions::CollectItems(m_Items, m_Count, out, [kind](const HistoryItem& it) {
    return kind > EM_HISTORY_AUDIOBOOK || it.kind == kind;
  });
}

int History::Add(HistoryItem* item) {
  if (!positions::PushItemFront(m_Items, &m_Count, HISTORY_MAX_ITEMS, item)) return -1;
  Changed();
  return 0;
}

void History::RemoveAt(int index) { positions::RemoveItemAt(m_Items, &m_Count, index); }

int History::Remove(HistoryItem* item) {
  if (!item) return -1;
  for (int i = 0; i < m_Count; i++) {
    if (m_Items[i] == item) {
      RemoveAt(i);
      Changed();
      return 0;
    }
  }
  return -1;
}

void History::MoveToFront(int index) { positions::MoveItemToFront(m_Items, m_Count, index); }

// Kind and path both decide: a record taken over from another kind would
// leave two records for one book and lose the other item's position.
template <class Set>
int History::Store(int kind, const char* path, Set set) {
  if (!path) return -1;
  int i = Find(kind, path);
  if (i >= 0) {
    // The same values again (a paused book) leave the file alone.
    if (i == 0) {
      HistoryItem probe;
      if (set(&probe) == 0 && SameRecord(probe, *m_Items[0])) return 0;
    }
    MoveToFront(i);
    Changed();
    return set(m_Items[0]);
  }
  // The new record is complete before anything is evicted for it.
  auto* item = new (std::nothrow) HistoryItem;
  if (!item) return -2;
  int r = set(item);
  if (r != 0) {
    delete item;
    return r;
  }
  int seen = 0;
  for (int k = 0; k < m_Count; k++) {
    if (m_Items[k]->kind == kind && ++seen == HISTORY_MAX_PER_TYPE) {
      RemoveAt(k);
      break;
    }
  }
  if (Add(item) != 0) {
    delete item;
    return -1;
  }
  return 0;
}

int History::AddEbook(const char* path, int page, int place, const char* text) {
  return Store(EM_HISTORY_EBOOK, path,
               [&](HistoryItem* it) { return it->SetForEbook(path, page, place, text); });
}

int History::AddMusic(const char* path, int ms) {
  return Store(EM_HISTORY_MUSIC, path,
               [&](HistoryItem* it) { return it->SetForMusic(path, ms); });
}

int History::AddDaisy(const char* path, int object, int place, const char* title, int ms,
                      const char* pageDescription) {
  return Store(EM_HISTORY_DAISY, path, [&](HistoryItem* it) {
    return it->SetForDaisy(path, object, place, title, ms, pageDescription);
  });
}

int History::AddAudioBook(const char* folder, const char* parameters) {
  return Store(EM_HISTORY_AUDIOBOOK, folder,
               [&](HistoryItem* it) { return it->SetForAudioBook(folder, parameters); });
}

bool HistoryPacer::Due(long long nowS) {
  if (m_Last < 0) {
    m_Last = nowS;
    return false;
  }
  if (nowS >= m_Last && nowS - m_Last < kSeconds) return false;
  m_Last = nowS;
  return true;
}

bool HistoryPacer::Due() { return Due(static_cast<long long>(BTime())); }

void HistoryPacer::Soon(long long nowS) { m_Last = nowS - (kSeconds - kAfterMoveSeconds); }

void HistoryPacer::Soon() { Soon(static_cast<long long>(BTime())); }
