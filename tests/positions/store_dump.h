// Canonical text of a whole store, so that tests compare stores in one line.
#pragma once

#include <string>

#include "positions/bookmark.h"
#include "positions/history.h"

namespace postest {

inline std::string Dump(const BookMark& bm) {
  std::string s;
  for (int i = 0; i < bm.GetCount(); i++) {
    BmFileItem* e = bm.GetAt(i);
    s += std::to_string(e->Type()) + "|" + e->GetFullname() + "|" + e->GetName() + "\n";
    for (int k = 0; k < e->GetCount(); k++) {
      char line[512];
      switch (e->Type()) {
        case EM_BM_EBOOK: {
          auto* b = static_cast<EbookBmFileItem*>(e)->GetAt(k);
          snprintf(line, sizeof line, " %d,%d,%d,%d,%s\n", b->startPage, b->startPlace,
                   b->endPage, b->endPlace, b->text);
          break;
        }
        case EM_BM_MUSIC: {
          auto* b = static_cast<MusicBmFileItem*>(e)->GetAt(k);
          snprintf(line, sizeof line, " %d,%d\n", b->startMs, b->endMs);
          break;
        }
        case EM_BM_DAISY: {
          auto* b = static_cast<DaisyBmFileItem*>(e)->GetAt(k);
          snprintf(line, sizeof line, " %d,%d,%d,%d,%d,%d,%s,%s\n", b->startObject,
                   b->startPlace, b->endObject, b->endPlace, b->startMs, b->endMs,
                   b->startPageDes, b->endPageDes);
          break;
        }
        default:
          snprintf(line, sizeof line, " %s\n",
                   static_cast<AudioBookBmFileItem*>(e)->GetAt(k)->parameters);
      }
      s += line;
    }
  }
  return s;
}

inline std::string Dump(const History& h) {
  std::string s;
  for (int i = 0; i < h.GetCount(); i++) {
    HistoryItem* r = h.GetAt(i);
    s += std::to_string(r->kind) + "|" + (r->path ? r->path : "(null)") + "|" +
         (r->title ? r->title : "") + "|" + (r->text ? r->text : "") + "|" +
         std::to_string(r->page) + "," + std::to_string(r->place) + "," +
         std::to_string(r->ms) + "," + std::to_string(r->object) + "\n";
  }
  return s;
}

}  // namespace postest
