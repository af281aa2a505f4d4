// The choice of a source from a file extension.
#include <strings.h>

#include <new>

#include "core/base/diag.h"
#include "ebook/ebook.h"
#include "ebook/docx.h"
#include "ebook/epub.h"
#include "ebook/html.h"
#include "ebook/mht.h"
#include "ebook/mobi.h"
#include "ebook/pdf.h"
#include "ebook/rtf.h"
#include "ebook/txt.h"
#include "ebook/word_doc.h"
#include "ebook/xhtml.h"

namespace {

template <class Source>
iCEbook* New() {
  return new (std::nothrow) Source();
}

struct EbookFormat {
  const char* extension;
  // Null while the format's source is not part of the firmware: the reader
  // then reports the book as one it cannot open.
  iCEbook* (*create)();
};

const EbookFormat c_EbookFormats[] = {
    {"azw", New<CMobi>},      {"azw3", New<CMobi>},    {"mobi", New<CMobi>},  {"prc", New<CMobi>},
    {"doc", New<CWordDoc>},   {"docx", New<CDocx>},    {"ebk", New<CTxt>},    {"txt", New<CTxt>},
    {"epub", New<CEpub>},     {"htm", New<CHtml>},     {"html", New<CHtml>},  {"mht", New<CMht>},
    {"mhtml", New<CMht>},     {"pdf", New<CPdf>},      {"rtf", New<CRtf>},    {"xml", New<CXhtmlFile>},
    {"xhtml", New<CXhtmlFile>},
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
