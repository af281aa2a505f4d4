// The narrated EPUB readers on arbitrary bytes: the bytes as a media overlay
// (SMIL 3 with epub:textref, appended twice as a book would), as a package
// and as a navigation document. Every name they keep stays inside the archive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "daisy/narrated_package.h"
#include "daisy/overlay.h"

namespace {
void CheckInside(const libDaisy::StringArray& names) {
  for (int i = 0; i < names.GetCnt(); ++i) {
    const std::string n = std::string("/") + names.Get(i) + "/";
    if (n == "//" || n[1] == '/' || n.find("/../") != std::string::npos) abort();
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  libDaisy::OverlayReader overlay;
  overlay.Read(text, size, "OEBPS/smil/a.smil");
  overlay.Read(text, size, "b.smil");
  std::string out;
  overlay.Dump(out);
  CheckInside(overlay.TextNames());
  CheckInside(overlay.AudioNames());
  for (int i = 0; i < overlay.Count(); ++i)
    if (overlay.Element(i).depth > libDaisy::OverlayReader::kMaxDepth) abort();

  libDaisy::NarratedPackage package;
  package.path = "OEBPS/package.opf";
  libDaisy::ReadPackage(std::string(text, size), &package);
  package.IsNarrated();
  std::vector<libDaisy::NavEntry> toc, pages;
  libDaisy::ReadNavigation(std::string(text, size), "OEBPS/nav.xhtml", &toc, &pages);
  return 0;
}
