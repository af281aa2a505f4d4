#include "ebook/mobi.h"

#include <cstdio>

#include "core/lib/mobi/book.h"

int CMobi::ReadHtml(const char* data, size_t size, const char* encoding) {
  EndBlock();
  xml::Options o;
  o.html = true;
  o.encoding = encoding;
  XhtmlHandler handler(*this);
  int r = xml::ReadMemory(data, size, handler, o, 8192);
  if (GetError()) return GetError();
  return r == -2 ? -3 : 0;
}

int CMobi::Open(const char* path) {
  if (!path) return -2;
  Close();
  mobi::Book book;
  int r = book.Open(path);
  if (r != 0) return r == -1 ? -2 : r == -7 ? -6 : r;
  Mark start = Snapshot();
  r = book.ForEachHtmlPart([this](const char* data, size_t size) { return ReadHtml(data, size, "UTF-8"); });
  if (r != 0 && r != -3) {
    fprintf(stderr, "ParseRawmlParts() failed, try ParseRawml()\n");
    Rewind(start);
    ResetParse();
    std::string raw;
    r = book.RawMarkup(&raw);
    if (r == 0) r = ReadHtml(raw.data(), raw.size(), book.RawEncoding());
  }
  book.Close();
  if (r == 0) r = FinishParse();
  if (r != 0) Close();
  return r;
}
