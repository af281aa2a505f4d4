// Where playback of every e-book, music file, DAISY book and audio book
// stopped: one record per item, most recently used first, at most 100 per
// kind and 400 in all, kept in "/mnt/settings/history.xml".
// Event-loop thread only.
#pragma once

#include <cstddef>

#include "core/lib/no_copy.h"
#include "core/lib/xml/xml_reader.h"
#include "core/lib/xml/xml_document.h"
#include "core/ui/settings_area.h"

// Kinds of history records; 4 selects every record where a list is asked for.
enum _EM_HISTORY_TYPE {
  EM_HISTORY_EBOOK = 0,
  EM_HISTORY_MUSIC = 1,
  EM_HISTORY_DAISY = 2,
  EM_HISTORY_AUDIOBOOK = 3,
  EM_HISTORY_ALL = 4,  // also the kind of an empty record
};

constexpr int HISTORY_MAX_ITEMS = 400;
constexpr int HISTORY_MAX_PER_TYPE = 100;

// One record. The fields are read directly; change them with the SetFor
// operations, which own the texts.
class HistoryItem : NoCopy {
 public:
  HistoryItem() = default;
  // Frees the texts.
  virtual ~HistoryItem();

  // Each frees the old contents, clears every field, copies the new ones and
  // sets the kind. Null texts are stored empty. 0, -1 for a null path, -2 out
  // of memory (the record is then left empty).
  int SetForEbook(const char* path, int page, int place, const char* text);
  int SetForMusic(const char* path, int ms);
  int SetForDaisy(const char* path, int object, int place, const char* title, int ms,
                  const char* pageDescription);
  int SetForAudioBook(const char* path, const char* parameters);
  // Empties the record (kind 4).
  void Cls();

  int kind = EM_HISTORY_ALL;
  char* path = nullptr;   // the file; for audio books the book folder
  char* title = nullptr;  // DAISY: the book title ("" when none)
  char* text = nullptr;   // e-book preview, DAISY page description, audio-book parameters
  int page = -1;          // e-book page
  int place = -1;         // e-book text position; DAISY place in the object
  int ms = -1;            // music position; DAISY elapsed time
  int object = -1;        // DAISY object index

 private:
  int Begin(int newKind, const char* newPath, const char* newTitle, const char* newText);
};

// The settings area of g_History: a change of a record marks it, and the
// file is written soon after (not only at power-off).
inline constexpr SettingsKey kHistoryArea{"history"};

class History : NoCopy {
 public:
  // `area`: the settings area each change marks; a null name marks nothing.
  explicit History(SettingsKey area = SettingsKey(nullptr)) : m_Area(area) {}
  ~History();

  // Each stores the position of one item in its record (found by path, letter
  // case ignored, and moved to the front; or created at the front). 0, -1 for a
  // null path or a full store, -2 out of memory.
  int AddEbook(const char* path, int page, int place, const char* text);
  int AddMusic(const char* path, int ms);
  int AddDaisy(const char* path, int object, int place, const char* title, int ms,
               const char* pageDescription);
  int AddAudioBook(const char* folder, const char* parameters);

  // Each Add above marks the area only when the record changed or moved to
  // the front: storing a paused position again writes nothing.

  // Index of the first record of that kind with that path (letter case
  // ignored); for kind 4 or above the path alone decides; -1 when absent.
  int Find(int kind, const char* path) const;
  static int Find(HistoryItem** list, int count, int kind, const char* path);
  HistoryItem* GetAt(int index) const;
  int GetCount() const { return m_Count; }
  // Records of kind 0-3 (every record for a kind above 3), most recent first,
  // into `out` (room for 400). Their number, or -1 for a null `out`.
  int GetBookmarkList(int kind, HistoryItem** out) const;
  // Inserts at the front, taking ownership; -1 (caller keeps it) when null or
  // 400 records exist.
  int Add(HistoryItem* item);
  // Deletes the record; -1 when it is not in the store.
  int Remove(HistoryItem* item);
  void Clean();

  // Re-adds every record of a "history.xml" file. 0; -1 missing or too short;
  // -3 damaged (everything before the damage is loaded).
  int LoadFromFile(const char* path);
  int LoadFromMemory(const char* data, size_t size);
  // Writes the store atomically (the old file survives any failure). 0 or -1.
  [[nodiscard]] int SaveToFile(const char* path);
  // The document SaveToFile writes.
  xml::Document BuildDocument() const;

 private:
  // The common part of the Add operations: `set` fills the record found
  // (moved to the front) or a new one (inserted at the front).
  template <class Set>
  int Store(int kind, const char* path, Set set);
  void MoveToFront(int index);
  void RemoveAt(int index);
  static void XmlStart(void* ctx, const char* name, xml::Attrs attrs);
  void Changed();

  SettingsKey m_Area{nullptr};
  bool m_Loading = false;
  HistoryItem* m_Items[HISTORY_MAX_ITEMS] = {};
  int m_Count = 0;
};

extern History g_History;

// Paces the storing of a playing item's position: at most once a minute of
// the device clock, so that a cut loses about a minute of listening while an
// hour of it writes "history.xml" about sixty times (and never while the
// position stands still: an unchanged record marks nothing).
class HistoryPacer {
 public:
  static constexpr long long kSeconds = 60;
  // True once kSeconds passed since the last true (or since the first
  // call); a clock set back counts as passed. `nowS` in seconds.
  bool Due(long long nowS);
  // The same on the device clock.
  bool Due();
  // The user moved: the place is due a few seconds after the last move, not
  // up to a minute later (a cut battery then keeps the move).
  static constexpr long long kAfterMoveSeconds = 5;
  void Soon(long long nowS);
  void Soon();

 private:
  long long m_Last = -1;
};

// g_History from and to "/mnt/settings/history.xml" (start-up, power-off).
// -1 with "/mnt/settings umount" when the settings partition is not mounted.
int LoadHistory();
[[nodiscard]] int SaveHistory();
