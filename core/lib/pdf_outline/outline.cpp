#include "core/lib/pdf_outline/outline.h"

#include <poppler.h>

#include "platform/board.h"

namespace pdf {

namespace {

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
  PopplerDest* named = poppler_document_find_dest(doc, dest->named_dest);
  if (!named) return -1;
  int page = named->page_num - 1;
  poppler_dest_free(named);
  return page;
}

void WalkLevel(Walk& w, PopplerIndexIter* iter, int level) {
  do {
    // Entries that lead nowhere count too: a looping outline of them still ends.
    if (w.out->size() >= w.max || ++w.visited > 4 * w.max) return;
    PopplerAction* action = poppler_index_iter_get_action(iter);
    int page = PageOf(w.doc, action);
    if (page >= 0 && page < w.pages && action->any.title)
      w.out->push_back({action->any.title, level, page});
    if (action) poppler_action_free(action);
    if (level < w.maxDepth) {
      PopplerIndexIter* child = poppler_index_iter_get_child(iter);
      if (child) {
        WalkLevel(w, child, level + 1);
        poppler_index_iter_free(child);
      }
    }
  } while (poppler_index_iter_next(iter));
}

}  // namespace

int ReadOutline(const char* devicePath, std::vector<OutlineEntry>* out, size_t maxEntries, int maxDepth) {
  if (!devicePath || !out) return -1;
  std::string path = board::Path(devicePath);
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  if (!uri) return -1;
  PopplerDocument* doc = poppler_document_new_from_file(uri, nullptr, nullptr);
  g_free(uri);
  if (!doc) return -1;
  Walk w{doc, out, maxEntries, maxDepth, poppler_document_get_n_pages(doc), 0};
  if (PopplerIndexIter* iter = poppler_index_iter_new(doc)) {
    WalkLevel(w, iter, 1);
    poppler_index_iter_free(iter);
  }
  g_object_unref(doc);
  return 0;
}

}  // namespace pdf
