// Text document reader on arbitrary bytes, as XML and as HTML; every id range
// must lie inside the pieces read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "daisy/xhtml.h"

namespace {

void Check(const libDaisy::Xhtml& doc) {
  for (int i = 0; i < doc.GetTotalIds(); i++) {
    const char* id;
    int first, end;
    if (doc.GetIdInfo(i, &id, &first, &end) != 0) __builtin_trap();
    if (first < 0 || end < first || end > doc.GetTotalTexts()) __builtin_trap();
    doc.FindId(id, i);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  libDaisy::Xhtml doc;
  libDaisy::XmlReadOptions options;
  doc.OpenMemory(text, size, options);
  Check(doc);
  options.html = true;
  doc.OpenMemory(text, size, options);
  Check(doc);
  std::string out;
  doc.Dump(out);
  return 0;
}
