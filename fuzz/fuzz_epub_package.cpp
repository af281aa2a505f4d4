// The EPUB package and tables of contents over arbitrary bytes: every href
// they give stays inside the archive.
#include <cstdint>
#include <string>
#include <vector>

#include "ebook/epub.h"
#include "fuzz/ebook_fuzz_check.h"

namespace {

void CheckInside(const std::string& path) {
  fuzzcheck::Check(path.compare(0, 3, "../") != 0 && path.find("/../") == std::string::npos && path != ".." &&
                   (path.empty() || path[0] != '/'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string xml(reinterpret_cast<const char*>(data), size);
  std::vector<CEpub::ManifestItem> manifest;
  std::vector<std::string> spine;
  std::string toc;
  int version = 0;
  CEpub::ParsePackage("OEBPS/content.opf", xml, &manifest, &spine, &toc, &version);
  for (const CEpub::ManifestItem& m : manifest) CheckInside(m.href);
  for (bool nav : {false, true}) {
    std::vector<CEpub::TocEntry> entries;
    CEpub::ParseToc("OEBPS/toc.ncx", xml, nav, &entries);
    for (const CEpub::TocEntry& e : entries) {
      CheckInside(e.path);
      fuzzcheck::Check(e.level >= 1);
    }
  }
  CheckInside(CEpub::ResolveHref("a/b.opf", xml.substr(0, 512)));
  return 0;
}
