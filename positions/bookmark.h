// Bookmarks of every kind of file the players open: single points and
// highlights (a start and an end mark), grouped per file or audio-book folder,
// most recently used first, kept in "/mnt/settings/bookmark.xml".
// Event-loop thread only.
#pragma once

#include <cstddef>

#include "core/lib/no_copy.h"
#include "core/lib/xml/xml_reader.h"
#include "core/lib/xml/xml_document.h"
#include "core/ui/settings_area.h"

// Kinds of bookmark entries; 4 selects every kind where a list is asked for.
enum _EM_BM_TYPE {
  EM_BM_EBOOK = 0,
  EM_BM_MUSIC = 1,
  EM_BM_DAISY = 2,
  EM_BM_AUDIOBOOK = 3,
  EM_BM_ALL = 4,
};

constexpr int BM_MAX_FILE_ITEMS = 400;     // entries in the whole store
constexpr int BM_MAX_FILES_PER_TYPE = 100; // entries of one kind
constexpr int BM_MAX_ITEMS = 32;           // bookmarks in one entry
constexpr int BM_PAGE_DES_LEN = 15;        // bytes of a DAISY page description

// One bookmark of each kind. An end of -1 marks a point bookmark.
struct EbookBmItem {
  int startPage, startPlace, endPage, endPlace;
  char* text;  // preview of the marked text; owned by the file item, never null
};
struct MusicBmItem {
  int startMs, endMs;
};
struct DaisyBmItem {
  int startObject, startPlace, endObject, endPlace;
  int startMs, endMs;
  char startPageDes[BM_PAGE_DES_LEN + 1];
  char endPageDes[BM_PAGE_DES_LEN + 1];
};
struct AudioBookBmItem {
  // "cur_time=%d, total_time=%d, cur_file=%d, cur_file_time=%d"[", end_time=..."]
  char* parameters;  // owned by the file item, never null
};

// The bookmarks of one file (or audio-book folder), oldest first, at most 32.
class BmFileItem : NoCopy {
 public:
  BmFileItem() = default;
  // Frees the path and, in the subclasses, every bookmark.
  virtual ~BmFileItem();
  // The kind number (_EM_BM_TYPE 0-3).
  virtual int Type() const = 0;
  // Removes bookmark `index`; 0, or -1 for an index outside the list.
  virtual int RemoveItem(int index) = 0;

  // Copies the path; the display name becomes its part after the last '/'.
  // 0, -1 for null, -2 out of memory (the old path stays).
  int SetFullname(const char* path);
  const char* GetFullname() const { return m_Fullname; }
  // What the bookmark menu speaks: the file name, or a DAISY book's title.
  const char* GetName() const { return m_Name ? m_Name : ""; }
  int GetCount() const { return m_Count; }

 protected:
  char* m_Fullname = nullptr;
  const char* m_Name = nullptr;
  bool m_NameIsTitle = false;
  int m_Count = 0;
};

class EbookBmFileItem final : public BmFileItem {
 public:
  ~EbookBmFileItem() override;
  int Type() const override { return EM_BM_EBOOK; }
  int RemoveItem(int index) override;
  EbookBmItem* GetAt(int index);
  // Appends a bookmark (dropping the oldest of 32); its index, -1 for null
  // text, -2 out of memory.
  int Add(int startPage, int startPlace, int endPage, int endPlace, const char* text);

 private:
  EbookBmItem m_Items[BM_MAX_ITEMS] = {};
};

class MusicBmFileItem final : public BmFileItem {
 public:
  int Type() const override { return EM_BM_MUSIC; }
  int RemoveItem(int index) override;
  MusicBmItem* GetAt(int index);
  int Add(int startMs, int endMs);

 private:
  MusicBmItem m_Items[BM_MAX_ITEMS] = {};
};

class DaisyBmFileItem final : public BmFileItem {
 public:
  ~DaisyBmFileItem() override;
  int Type() const override { return EM_BM_DAISY; }
  int RemoveItem(int index) override;
  DaisyBmItem* GetAt(int index);
  // Page descriptions may be null (stored empty) and are cut to 15 bytes.
  int Add(int startObject, int startPlace, int endObject, int endPlace, int startMs, int endMs,
          const char* startPageDes, const char* endPageDes);
  // Copies the book title and makes it the display name (an empty title
  // leaves the file name there). 0, -1 null, -2 out of memory.
  int SetTitle(const char* title);
  const char* GetTitle() const { return m_Title ? m_Title : ""; }

 private:
  DaisyBmItem m_Items[BM_MAX_ITEMS] = {};
  char* m_Title = nullptr;
};

class AudioBookBmFileItem final : public BmFileItem {
 public:
  ~AudioBookBmFileItem() override;
  int Type() const override { return EM_BM_AUDIOBOOK; }
  int RemoveItem(int index) override;
  AudioBookBmItem* GetAt(int index);
  int Add(const char* parameters);

 private:
  AudioBookBmItem m_Items[BM_MAX_ITEMS] = {};
};

// The settings area of g_bookmark: every change of it marks the area, and
// its file is written soon after (not only at power-off).
inline constexpr SettingsKey kBookmarkArea{"bookmarks"};

// The store: up to 400 file entries, entry 0 the most recently used.
class BookMark : NoCopy {
 public:
  // `area`: the settings area each change marks; a null name marks nothing.
  explicit BookMark(SettingsKey area = SettingsKey(nullptr)) : m_Area(area) {}
  ~BookMark();

  // Each adds one bookmark to the entry of that file (created or moved to the
  // front) and returns its index in the entry (0-31); -1 for a refused
  // argument or a full store, -2 out of memory.
  int AddEbook(const char* path, int startPage, int startPlace, int endPage, int endPlace,
               const char* text);
  int AddMusic(const char* path, int startMs, int endMs);
  int AddDaisy(const char* path, int startObject, int startPlace, int endObject, int endPlace,
               const char* title, int startMs, int endMs, const char* startPageDes,
               const char* endPageDes);
  int AddDaisy(const char* path, int startObject, int startPlace, const char* title, int startMs,
               const char* startPageDes);
  int AddAudioBook(const char* folder, const char* parameters);

  // Index of the entry of that kind for that path (letter case ignored);
  // for kind 4 or above any kind; -1 when absent.
  int Find(int kind, const char* path) const;
  // The same search within a list from GetBookmarkList.
  static int Find(BmFileItem** list, int count, int kind, const char* path);
  BmFileItem* GetAt(int index) const;
  int GetCount() const { return m_Count; }
  // Entries of one kind (every entry for 4 or above), most recent first, into
  // `out` (room for 400). Their number, or -1 for a null `out`.
  int GetBookmarkList(int kind, BmFileItem** out) const;
  // index >= 0: removes that bookmark of the entry; index < 0: deletes the
  // entry. 0, or -1 when the entry is not stored or the index is outside.
  int RemoveBookmark(BmFileItem* entry, int index);
  // Inserts an entry at the front, taking ownership; -1 (caller keeps it)
  // when it is null or 400 entries exist.
  int AddFileItem(BmFileItem* item);
  // Deletes every entry.
  void Clean();

  // Adds the bookmarks of a "bookmark.xml" file. 0; -1 missing or too short;
  // -3 damaged (everything before the damage is loaded).
  int LoadFromFile(const char* path);
  int LoadFromMemory(const char* data, size_t size);
  // Writes the store (atomically: the old file survives any failure). 0 or -1.
  [[nodiscard]] int SaveToFile(const char* path);
  // The document SaveToFile writes.
  xml::Document BuildDocument() const;

 private:
  int FindExact(int kind, const char* path) const;
  void MoveToFront(int index);
  void RemoveAt(int index);
  void EvictForNew(int kind);
  int InsertNew(BmFileItem* item);
  int PrepareNew(BmFileItem* item, const char* path);

  static void XmlStart(void* ctx, const char* name, xml::Attrs attrs);
  static void XmlEnd(void* ctx, const char* name);
  void XmlBegin();
  void XmlFinish();
  // Marks the area after a change; a load is no change of the file.
  int Changed(int result);

  SettingsKey m_Area{nullptr};
  bool m_Loading = false;
  BmFileItem* m_Items[BM_MAX_FILE_ITEMS] = {};
  int m_Count = 0;

  // Parser state while loading.
  int m_XmlDepth = 0;
  bool m_XmlRootOk = false;
  int m_XmlType = -1;
  char* m_XmlTempFilename = nullptr;
  char* m_XmlTempTitle = nullptr;
};

extern BookMark g_bookmark;

// g_bookmark from and to "/mnt/settings/bookmark.xml" (start-up, power-off).
// -1 with "/mnt/settings umount" when the settings partition is not mounted.
int LoadBookmarks();
[[nodiscard]] int SaveBookmarks();
