// daisydump: prints what the DAISY library makes of a book or of one file.
//
//   daisydump [--objects] [--texts] BOOK/ncc.html|BOOK/package.opf
//   daisydump --title BOOK/ncc.html|BOOK/package.opf
//   daisydump --reader ncc|smil|smil3|opf|ncx|xhtml|html FILE
#include <cstdio>
#include <cstring>
#include <string>

#include "daisy/daisy.h"
#include "daisy/daisy_title.h"
#include "daisy/ncc.h"
#include "daisy/ncx.h"
#include "daisy/opf.h"
#include "daisy/smil.h"
#include "daisy/xhtml.h"

using namespace libDaisy;

namespace {

int Usage() {
  fprintf(stderr,
          "usage: daisydump [--objects] [--texts] CONTROL-FILE\n"
          "       daisydump --title CONTROL-FILE\n"
          "       daisydump --reader ncc|smil|smil3|opf|ncx|xhtml|html FILE\n");
  return 2;
}

template <class R>
int Report(R& reader, int rc) {
  std::string out;
  reader.Dump(out);
  printf("result %d\n%s", rc, out.c_str());
  const XmlParseInfo& info = reader.GetParseInfo();
  if (info.xmlError) printf("parser error %d line %d: %s\n", info.xmlError, info.line, info.message.c_str());
  return rc == 0 ? 0 : 1;
}

int RunReader(const char* kind, const char* path) {
  if (!strcmp(kind, "ncc")) {
    Ncc r;
    return Report(r, r.Open(path));
  }
  if (!strcmp(kind, "smil") || !strcmp(kind, "smil3")) {
    Smil r;
    return Report(r, r.Open(path, !strcmp(kind, "smil3"), true));
  }
  if (!strcmp(kind, "opf")) {
    Opf r;
    return Report(r, r.Open(path));
  }
  if (!strcmp(kind, "ncx")) {
    Ncx r;
    return Report(r, r.Open(path));
  }
  if (!strcmp(kind, "xhtml") || !strcmp(kind, "html")) {
    Xhtml r;
    return Report(r, !strcmp(kind, "html") ? r.OpenHtml(path) : r.Open(path));
  }
  return Usage();
}

int RunTitle(const char* path) {
  char buffer[512];
  int rc = GetTitle(path, buffer, sizeof buffer, 0);
  printf("GetTitle %d \"%s\"\n", rc, buffer);
  DaisyGetTitle t;
  rc = t.Open(path, 0);
  printf("DaisyGetTitle %d title \"%s\" audio %s %d %d\n", rc, t.GetText() ? t.GetText() : "",
         t.GetAudio() ? t.GetAudio() : "-", t.GetAudioStartMs(), t.GetAudioEndMs());
  return rc == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool objects = false, texts = false;
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; i++) {
    if (!strcmp(argv[i], "--objects")) {
      objects = true;
    } else if (!strcmp(argv[i], "--texts")) {
      texts = true;
    } else if (!strcmp(argv[i], "--title") && i + 1 < argc) {
      return RunTitle(argv[i + 1]);
    } else if (!strcmp(argv[i], "--reader") && i + 2 < argc) {
      return RunReader(argv[i + 1], argv[i + 2]);
    } else {
      return Usage();
    }
  }
  if (i + 1 != argc) return Usage();

  Daisy book;
  int rc = book.Open(argv[i], 0);
  printf("result %d\n", rc);
  if (rc != 0) return 1;
  std::string out;
  book.Dump(out, objects);
  fputs(out.c_str(), stdout);
  if (texts) {
    for (int d = 0; d < book.GetTotalXhmtls(); d++) {
      printf("text document %d %s\n", d, book.GetXhtmlFilename(d));
      for (int p = 0; p < book.GeXhmtltTotalTexts(d); p++) {
        const char* text;
        book.GetXhtmlText(d, p, &text);
        printf("  %d %s\n", p, text);
      }
    }
  }
  return 0;
}
