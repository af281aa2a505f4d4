// "history.xml": one element per record, oldest first.
#include <cstring>

#include "core/base/atomic_file.h"
#include "core/base/diag.h"
#include "core/base/settings_file.h"
#include "positions/history.h"
#include "positions/list_xml.h"

using positions::ListAttr;
using positions::ListIntAttr;
using positions::ListSetIntProp;
using positions::ListSetProp;

namespace {
const char* const c_HistoryTags[] = {"ebook", "music", "daisy", "audiobook"};
}

xml::Document History::BuildDocument() const {
  xml::Document doc("history");
  xml::Element root = doc.Root();
  for (int i = m_Count - 1; i >= 0; i--) {
    const HistoryItem* it = m_Items[i];
    if (it->kind < EM_HISTORY_EBOOK || it->kind > EM_HISTORY_AUDIOBOOK || !it->path ||
        !it->path[0])
      continue;
    // A path XML cannot carry back unchanged is dropped rather than written
    // as another name or as bytes that stop the next load there.
    if (!positions::IsXmlSafeText(it->path)) {
      DiagPrintf("history of an unwritable path dropped: %s", it->path);
      continue;
    }
    xml::Element n = root.Add(c_HistoryTags[it->kind]);
    ListSetProp(n, "filename", it->path);
    switch (it->kind) {
      case EM_HISTORY_EBOOK:
        ListSetIntProp(n, "page", it->page);
        ListSetIntProp(n, "place", it->place);
        ListSetProp(n, "text", it->text);
        break;
      case EM_HISTORY_MUSIC:
        ListSetIntProp(n, "ms", it->ms);
        break;
      case EM_HISTORY_DAISY:
        ListSetIntProp(n, "object", it->object);
        ListSetIntProp(n, "place", it->place);
        ListSetProp(n, "title", it->title);
        ListSetIntProp(n, "ms", it->ms);
        ListSetProp(n, "page", it->text);
        break;
      case EM_HISTORY_AUDIOBOOK:
        ListSetProp(n, "parameters", it->text);
        break;
    }
  }
  return doc;
}

int History::SaveToFile(const char* path) {
  if (!path) return -1;
  return SaveXmlAtomic(BuildDocument(), path);
}

// Every record element, at any depth, with a non-empty "filename" is re-added;
// the file lists the oldest first, so the order of use comes back.
void History::XmlStart(void* ctx, const char* xname, xml::Attrs attrs) {
  History* self = static_cast<History*>(ctx);
  const char* name = xname;
  const char* path = ListAttr(attrs, "filename");
  if (!path || !path[0]) return;
  auto text = [attrs](const char* attr) {
    const char* v = ListAttr(attrs, attr);
    return v ? v : "";
  };
  if (strcmp(name, "ebook") == 0) {
    self->AddEbook(path, ListIntAttr(attrs, "page"), ListIntAttr(attrs, "place"), text("text"));
  } else if (strcmp(name, "music") == 0) {
    self->AddMusic(path, ListIntAttr(attrs, "ms"));
  } else if (strcmp(name, "daisy") == 0) {
    self->AddDaisy(path, ListIntAttr(attrs, "object"), ListIntAttr(attrs, "place"),
                   text("title"), ListIntAttr(attrs, "ms"), text("page"));
  } else if (strcmp(name, "audiobook") == 0) {
    self->AddAudioBook(path, text("parameters"));
  }
}

int History::LoadFromFile(const char* path) {
  if (!path) return -1;
  m_Loading = true;
  int r = positions::LoadListFile(path, this, XmlStart, nullptr);
  m_Loading = false;
  return r;
}

int History::LoadFromMemory(const char* data, size_t size) {
  m_Loading = true;
  int r = positions::LoadListBuffer(data, size, this, XmlStart, nullptr);
  m_Loading = false;
  return r;
}

int LoadHistory() { return positions::LoadSettingsList(&g_History, "/mnt/settings/history.xml"); }

int SaveHistory() { return positions::SaveSettingsList(&g_History, "/mnt/settings/history.xml"); }
