#include "core/lib/pdf_outline/outline.h"

#include <dlfcn.h>
#include <stdio.h>
#include <poppler.h>

#include "platform/board.h"

namespace pdf {

namespace {

// The GLib interface of the PDF library drags in the GObject type system,
// cairo, pixman and X11 (about 3 MB of resident pages in every process that
// links it), yet only an outline needs it: it is loaded when the first PDF is
// opened and kept for the life of the process (GObject types cannot be
// unloaded).
struct Api {
  bool ok = false;
  decltype(&poppler_document_new_from_file) documentNewFromFile;
  decltype(&poppler_document_get_n_pages) documentGetNPages;
  decltype(&poppler_document_find_dest) documentFindDest;
  decltype(&poppler_dest_free) destFree;
  decltype(&poppler_action_free) actionFree;
  decltype(&poppler_index_iter_new) iterNew;
  decltype(&poppler_index_iter_get_action) iterGetAction;
  decltype(&poppler_index_iter_get_child) iterGetChild;
  decltype(&poppler_index_iter_next) iterNext;
  decltype(&poppler_index_iter_free) iterFree;
  decltype(&g_object_unref) objectUnref;
};

template <typename F>
bool Bind(void* lib, const char* name, F* fn) {
  *fn = reinterpret_cast<F>(dlsym(lib, name));
  return *fn != nullptr;
}

Api LoadApi() {
  Api a;
  void* lib = dlopen(DTB_POPPLER_GLIB_SONAME, RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "pdf outline: %s\n", dlerror());
    return a;
  }
  a.ok = Bind(lib, "poppler_document_new_from_file", &a.documentNewFromFile) &&
         Bind(lib, "poppler_document_get_n_pages", &a.documentGetNPages) &&
         Bind(lib, "poppler_document_find_dest", &a.documentFindDest) &&
         Bind(lib, "poppler_dest_free", &a.destFree) && Bind(lib, "poppler_action_free", &a.actionFree) &&
         Bind(lib, "poppler_index_iter_new", &a.iterNew) &&
         Bind(lib, "poppler_index_iter_get_action", &a.iterGetAction) &&
         Bind(lib, "poppler_index_iter_get_child", &a.iterGetChild) &&
         Bind(lib, "poppler_index_iter_next", &a.iterNext) && Bind(lib, "poppler_index_iter_free", &a.iterFree) &&
         Bind(lib, "g_object_unref", &a.objectUnref);
  if (!a.ok) fprintf(stderr, "pdf outline: %s lacks a function\n", DTB_POPPLER_GLIB_SONAME);
  return a;
}

const Api& Poppler() {
  static const Api api = LoadApi();
  return api;
}

struct Walk {
  PopplerDocument* doc;
  std::vector<OutlineEntry>* out;
  size_t max;
  int maxDepth;
  int pages;
  size_t visited;
};

// 0-based page of an outline action, -1 when it leads elsewhere.
int PageOf(PopplerDocument* doc, const PopplerAction* action) {
  if (!action || action->type != POPPLER_ACTION_GOTO_DEST || !action->goto_dest.dest) return -1;
  const PopplerDest* dest = action->goto_dest.dest;
  if (dest->type != POPPLER_DEST_NAMED) return dest->page_num - 1;
  if (!dest->named_dest) return -1;
  PopplerDest* named = Poppler().documentFindDest(doc, dest->named_dest);
  if (!named) return -1;
  int page = named->page_num - 1;
  Poppler().destFree(named);
  return page;
}

void WalkLevel(Walk& w, PopplerIndexIter* iter, int level) {
  const Api& api = Poppler();
  do {
    // Entries that lead nowhere count too: a looping outline of them still ends.
    if (w.out->size() >= w.max || ++w.visited > 4 * w.max) return;
    PopplerAction* action = api.iterGetAction(iter);
    int page = PageOf(w.doc, action);
    if (page >= 0 && page < w.pages && action->any.title)
      w.out->push_back({action->any.title, level, page});
    if (action) api.actionFree(action);
    if (level < w.maxDepth) {
      PopplerIndexIter* child = api.iterGetChild(iter);
      if (child) {
        WalkLevel(w, child, level + 1);
        api.iterFree(child);
      }
    }
  } while (api.iterNext(iter));
}

}  // namespace

int ReadOutline(const char* devicePath, std::vector<OutlineEntry>* out, size_t maxEntries, int maxDepth) {
  if (!devicePath || !out) return -1;
  const Api& api = Poppler();
  // Without the library the document reads on, only without headings.
  if (!api.ok) return 0;
  std::string path = board::Path(devicePath);
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  if (!uri) return -1;
  PopplerDocument* doc = api.documentNewFromFile(uri, nullptr, nullptr);
  g_free(uri);
  if (!doc) return -1;
  Walk w{doc, out, maxEntries, maxDepth, api.documentGetNPages(doc), 0};
  if (PopplerIndexIter* iter = api.iterNew(doc)) {
    WalkLevel(w, iter, 1);
    api.iterFree(iter);
  }
  api.objectUnref(doc);
  return 0;
}

}  // namespace pdf
