// The choice of a source from a file extension.
#include <strings.h>

#include <new>

#include "core/base/diag.h"
#include "ebook/ebook.h"
#include "ebook/txt.h"

namespace {

iCEbook* NewTxt() { return new (std::nothrow) CTxt(); }

struct EbookFormat {
  const char* extension;
  // Null while the format's source is not part of the firmware: the reader
  // then reports the book as one it cannot open.
  iCEbook* (*create)();
};

const EbookFormat c_EbookFormats[] = {
    {"azw", nullptr},  {"azw3", nullptr}, {"mobi", nullptr}, {"prc", nullptr},   {"doc", nullptr},
    {"docx", nullptr}, {"ebk", NewTxt},   {"txt", NewTxt},   {"epub", nullptr},  {"htm", nullptr},
    {"html", nullptr}, {"mht", nullptr},  {"pdf", nullptr},  {"rtf", nullptr},   {"xml", nullptr},
    {"xhtml", nullptr},
};

const EbookFormat* FindFormat(const char* extension) {
  if (!extension) return nullptr;
  for (const EbookFormat& f : c_EbookFormats)
    if (strcasecmp(f.extension, extension) == 0) return &f;
  return nullptr;
}

}  // namespace

iCEbook* GetEbookClass(const char* extension) {
  const EbookFormat* f = FindFormat(extension);
  if (!f) return nullptr;
  if (!f->create) {
    DiagPrintf("e-book format \"%s\" is not supported", extension);
    return nullptr;
  }
  return f->create();
}

int CheckIsEbookFile_FromExtName(const char* extension) { return FindFormat(extension) ? 1 : 0; }
