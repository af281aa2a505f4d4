// The outline (bookmarks) of a PDF with the page each entry leads to. The C++
// interface of the PDF library gives outline titles without their targets, so
// the outline is read through its GLib interface, which resolves explicit and
// named destinations to pages; it is loaded on the first call.
#pragma once

#include <string>
#include <vector>

namespace pdf {

struct OutlineEntry {
  std::string title;  // UTF-8
  int level;          // 1 for a top entry, 2 for its children, ...
  int page;           // 0-based
};

// Appends the entries of the document at a device path in outline order;
// entries that lead nowhere inside the document are left out. At most
// `maxEntries` entries and `maxDepth` levels are read, so a damaged or looping
// outline cannot run away. 0 (also for a document without an outline); -1 the
// file cannot be opened as a PDF (or needs a password).
int ReadOutline(const char* devicePath, std::vector<OutlineEntry>* out, size_t maxEntries = 4096,
                int maxDepth = 16);

}  // namespace pdf
