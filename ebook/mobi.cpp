#include "ebook/mobi.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "core/lib/mobi/book.h"

namespace {

bool Blank(const char* p, const char* end) {
  for (; p < end; ++p)
    if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n' && *p != '\f') return false;
  return true;
}

// The end of the document that starts at `p`: behind its "</html>" when more
// than white space follows (a damaged KF8 book whose fragment was placed past
// its skeleton's end, or files run together), else `end`. The HTML parser
// reads nothing behind the root's end, so what follows is a document of its
// own. A "</html>" inside a comment does not end the document.
const char* DocumentEnd(const char* p, const char* end) {
  while ((p = static_cast<const char*>(memchr(p, '<', static_cast<size_t>(end - p)))) != nullptr) {
    size_t left = static_cast<size_t>(end - p);
    if (left >= 4 && memcmp(p, "<!--", 4) == 0) {
      p = static_cast<const char*>(memmem(p + 4, left - 4, "-->", 3));
      if (!p) return end;
      p += 3;
    } else if (left >= 6 && strncasecmp(p, "</html", 6) == 0) {
      const char* close = static_cast<const char*>(memchr(p, '>', left));
      if (!close) return end;
      return Blank(close + 1, end) ? end : close + 1;
    } else {
      ++p;
    }
  }
  return end;
}

// Each document behind an "</html>" costs a parser of its own (some 27,000
// instructions): a book made of nothing else would take minutes, so past
// this many the rest of a part is read as the parser reads it.
constexpr int c_MaxTrailingDocuments = 10000;

}  // namespace

int CMobi::ReadHtml(const char* data, size_t size, const char* encoding, int* trailing) {
  const char* end = data + size;
  for (const char* doc = data; doc < end;) {
    const char* docEnd = *trailing < c_MaxTrailingDocuments ? DocumentEnd(doc, end) : end;
    if (docEnd < end) ++*trailing;
    EndBlock();
    xml::Options o;
    o.html = true;
    o.encoding = encoding;
    XhtmlHandler handler(*this);
    int r = xml::ReadMemory(doc, static_cast<size_t>(docEnd - doc), handler, o, 8192);
    if (GetError()) return GetError();
    if (r == -2) return -3;
    doc = docEnd;
  }
  return 0;
}

void CMobi::Reserve(size_t markupBytes) {
  // Markup gives about one unit of text per byte at most. Room for them all
  // at once spares the copies of a growing text (room not written costs no
  // memory); without it the text simply grows.
  if (markupBytes > 0 && markupBytes < (1u << 28)) GrowText(static_cast<int>(markupBytes), 262144);
}

int CMobi::Open(const char* path) {
  if (!path) return -2;
  Close();
  mobi::Book book;
  int r = book.Open(path);
  if (r != 0) return r == -1 ? -2 : r == -7 ? -6 : r;
  r = book.Rebuild();
  int trailing = 0;
  if (r == 0) {
    Reserve(book.HtmlSize());
    r = book.ForEachHtmlPart(
        [&](const char* data, size_t size) { return ReadHtml(data, size, "UTF-8", &trailing); });
  } else if (r != -3) {
    fprintf(stderr, "ParseRawmlParts() failed, try ParseRawml()\n");
    std::string raw;
    r = book.RawMarkup(&raw);
    const char* encoding = book.RawEncoding();
    book.Close();
    Reserve(raw.size());
    if (r == 0) r = ReadHtml(raw.data(), raw.size(), encoding, &trailing);
  }
  book.Close();
  if (r == 0) r = FinishParse();
  if (r != 0) Close();
  return r;
}
