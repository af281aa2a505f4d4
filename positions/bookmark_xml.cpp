// "bookmark.xml": writing the store and re-adding every bookmark on load.
#include <cstdlib>
#include <cstring>

#include "core/base/atomic_file.h"
#include "core/base/diag.h"
#include "core/base/settings_file.h"
#include "positions/bookmark.h"
#include "positions/list_xml.h"

using positions::ListAttr;
using positions::ListIntAttr;
using positions::ListSetIntProp;
using positions::ListSetProp;

namespace {

const char* const c_BmFileTags[] = {"ebook", "music", "daisy", "audiobook"};
const char* const c_BmItemTags[] = {"ebook_item", "music_item", "daisy_item", "audiobook_item"};

void WriteEntry(xml::Element root, BmFileItem* entry) {
  int type = entry->Type();
  xml::Element file = root.Add(c_BmFileTags[type]);
  ListSetProp(file, "filename", entry->GetFullname());
  for (int i = 0; i < entry->GetCount(); i++) {
    xml::Element n = file.Add(c_BmItemTags[type]);
    switch (type) {
      case EM_BM_EBOOK: {
        const EbookBmItem* b = static_cast<EbookBmFileItem*>(entry)->GetAt(i);
        ListSetIntProp(n, "SPage", b->startPage);
        ListSetIntProp(n, "SPlace", b->startPlace);
        ListSetIntProp(n, "EPage", b->endPage);
        ListSetIntProp(n, "EPlace", b->endPlace);
        if (b->text[0]) ListSetProp(n, "Text", b->text);
        break;
      }
      case EM_BM_MUSIC: {
        const MusicBmItem* b = static_cast<MusicBmFileItem*>(entry)->GetAt(i);
        ListSetIntProp(n, "SMs", b->startMs);
        ListSetIntProp(n, "EMs", b->endMs);
        break;
      }
      case EM_BM_DAISY: {
        const DaisyBmItem* b = static_cast<DaisyBmFileItem*>(entry)->GetAt(i);
        ListSetIntProp(n, "SObject", b->startObject);
        ListSetIntProp(n, "SPlace", b->startPlace);
        ListSetIntProp(n, "FObject", b->endObject);
        ListSetIntProp(n, "FPlace", b->endPlace);
        ListSetIntProp(n, "SMs", b->startMs);
        ListSetIntProp(n, "FMs", b->endMs);
        ListSetProp(n, "SPageDes", b->startPageDes);
        ListSetProp(n, "FPageDes", b->endPageDes);
        break;
      }
      case EM_BM_AUDIOBOOK:
        ListSetProp(n, "parameters",
                    static_cast<AudioBookBmFileItem*>(entry)->GetAt(i)->parameters);
        break;
    }
  }
  if (type == EM_BM_DAISY) {
    const char* title = static_cast<DaisyBmFileItem*>(entry)->GetTitle();
    if (title[0]) ListSetProp(file, "Title", title);
  }
}

}  // namespace

xml::Document BookMark::BuildDocument() const {
  xml::Document doc("bookmarks");
  xml::Element root = doc.Root();
  // Least recently used first, so that re-adding on load restores the order.
  for (int i = m_Count - 1; i >= 0; i--) {
    BmFileItem* entry = m_Items[i];
    if (entry->GetCount() <= 0 || !entry->GetFullname() || !entry->GetFullname()[0]) continue;
    // XML cannot carry such a path back unchanged; writing it would at best
    // bookmark another name, at worst stop the whole file loading there.
    if (!positions::IsXmlSafeText(entry->GetFullname())) {
      DiagPrintf("bookmark of an unwritable path dropped: %s", entry->GetFullname());
      continue;
    }
    WriteEntry(root, entry);
  }
  return doc;
}

int BookMark::SaveToFile(const char* path) {
  if (!path) return -1;
  return SaveXmlAtomic(BuildDocument(), path);
}

void BookMark::XmlBegin() {
  XmlFinish();
  m_XmlDepth = 0;
  m_XmlRootOk = false;
  m_XmlType = -1;
  m_Loading = true;
}

void BookMark::XmlFinish() {
  if (m_XmlTempFilename) DiagPrintf("m_XmlTempFilename = %s\n", m_XmlTempFilename);
  free(m_XmlTempFilename);
  free(m_XmlTempTitle);
  m_XmlTempFilename = nullptr;
  m_XmlTempTitle = nullptr;
  m_XmlType = -1;
  m_Loading = false;
}

void BookMark::XmlStart(void* ctx, const char* xname, xml::Attrs attrs) {
  BookMark* self = static_cast<BookMark*>(ctx);
  const char* name = xname;
  int depth = self->m_XmlDepth++;
  if (depth == 0) {
    self->m_XmlRootOk = strcmp(name, "bookmarks") == 0;
    return;
  }
  if (!self->m_XmlRootOk) return;
  if (depth == 1) {
    free(self->m_XmlTempFilename);
    free(self->m_XmlTempTitle);
    self->m_XmlTempFilename = nullptr;
    self->m_XmlTempTitle = nullptr;
    self->m_XmlType = -1;
    const char* filename = ListAttr(attrs, "filename");
    if (!filename || !filename[0]) return;
    for (int t = 0; t < 4; t++) {
      if (strcmp(name, c_BmFileTags[t]) == 0) self->m_XmlType = t;
    }
    if (self->m_XmlType < 0) return;
    self->m_XmlTempFilename = strdup(filename);
    if (!self->m_XmlTempFilename) {
      self->m_XmlType = -1;
      return;
    }
    if (self->m_XmlType == EM_BM_DAISY) {
      // No title: the entry is named by its file, as when it was bookmarked.
      const char* title = ListAttr(attrs, "Title");
      self->m_XmlTempTitle = strdup(title ? title : "");
      if (!self->m_XmlTempTitle) self->m_XmlType = -1;
    }
    return;
  }
  if (depth != 2 || self->m_XmlType < 0 || strcmp(name, c_BmItemTags[self->m_XmlType]) != 0) return;
  const char* path = self->m_XmlTempFilename;
  auto text = [attrs](const char* attr) {
    const char* v = ListAttr(attrs, attr);
    return v ? v : "";
  };
  switch (self->m_XmlType) {
    case EM_BM_EBOOK:
      self->AddEbook(path, ListIntAttr(attrs, "SPage"), ListIntAttr(attrs, "SPlace"),
                     ListIntAttr(attrs, "EPage"), ListIntAttr(attrs, "EPlace"), text("Text"));
      break;
    case EM_BM_MUSIC:
      self->AddMusic(path, ListIntAttr(attrs, "SMs"), ListIntAttr(attrs, "EMs"));
      break;
    case EM_BM_DAISY:
      self->AddDaisy(path, ListIntAttr(attrs, "SObject"), ListIntAttr(attrs, "SPlace"),
                     ListIntAttr(attrs, "FObject"), ListIntAttr(attrs, "FPlace"),
                     self->m_XmlTempTitle, ListIntAttr(attrs, "SMs"), ListIntAttr(attrs, "FMs"),
                     text("SPageDes"), text("FPageDes"));
      break;
    case EM_BM_AUDIOBOOK:
      self->AddAudioBook(path, text("parameters"));
      break;
  }
}

void BookMark::XmlEnd(void* ctx, const char*) {
  BookMark* self = static_cast<BookMark*>(ctx);
  if (self->m_XmlDepth > 0) self->m_XmlDepth--;
  if (self->m_XmlDepth == 1) {
    // Leaving a file element: its kind and name are done with.
    free(self->m_XmlTempFilename);
    free(self->m_XmlTempTitle);
    self->m_XmlTempFilename = nullptr;
    self->m_XmlTempTitle = nullptr;
    self->m_XmlType = -1;
  }
}

int BookMark::LoadFromFile(const char* path) {
  if (!path) return -1;
  XmlBegin();
  int r = positions::LoadListFile(path, this, XmlStart, XmlEnd);
  XmlFinish();
  return r;
}

int BookMark::LoadFromMemory(const char* data, size_t size) {
  XmlBegin();
  int r = positions::LoadListBuffer(data, size, this, XmlStart, XmlEnd);
  XmlFinish();
  return r;
}

int LoadBookmarks() { return positions::LoadSettingsList(&g_bookmark, "/mnt/settings/bookmark.xml"); }

int SaveBookmarks() { return positions::SaveSettingsList(&g_bookmark, "/mnt/settings/bookmark.xml"); }
