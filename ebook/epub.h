// CEpub: EPUB 2 and 3 books. The container names the package; the package's
// spine gives the reading order; its table of contents (the EPUB 3 navigation
// document, else the NCX) gives the headings, with levels by nesting depth.
// Each content document is streamed from the archive to the XHTML rules; DTBook
// documents give their own levels and page numbers.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/lib/zip/archive.h"
#include "ebook/xhtml.h"

class CEpub : public CXhtml {
 public:
  CEpub() { m_ReadAlt = true; }
  // 0; -2 null path; -3 no memory; -4 cannot be opened; -6 not an EPUB, a
  // required part missing or unreadable, or encrypted content.
  int Open(const char* path) override;

  struct ManifestItem {
    std::string href;  // resolved: a path inside the archive
    std::string id;
    std::string mediaType;
    std::string properties;
  };
  struct TocEntry {
    std::string path;      // the document inside the archive
    std::string fragment;  // "" for the document itself
    int level;
  };

  // An href taken relative to the folder of `base` (a member path): percent
  // escapes decoded, "." and ".." resolved, never above the archive's root.
  // The fragment ("#id") is split off into *fragment when asked for.
  static std::string ResolveHref(const std::string& base, const std::string& href, std::string* fragment = nullptr);
  // "%" and two hex digits become that byte; the rest is kept as it is.
  static std::string GetHrefString(const std::string& href);

  // Parsers of the package parts over bytes in memory (also fed by the fuzzer).
  // The package: 0 or -6. *version is the package version.
  static int ParsePackage(const std::string& opfPath, const std::string& xml, std::vector<ManifestItem>* manifest,
                          std::vector<std::string>* spine, std::string* tocId, int* version,
                          std::string* language = nullptr);
  // The NCX or the navigation document's "toc" nav: entries in order.
  static int ParseToc(const std::string& tocPath, const std::string& xml, bool nav, std::vector<TocEntry>* toc);

 private:
  // Streams one member through an XML reader with the markup callbacks.
  // 0; -6 missing or damaged; -3.
  int ReadDocument(const std::string& path, bool dtbook);
  int ReadPackage(const std::string& path);
  int CheckEncryption();

  zip::Archive m_Zip;
  std::vector<ManifestItem> m_Manifest;
  std::vector<std::string> m_Spine;
  std::vector<TocEntry> m_Toc;
  std::vector<std::string> m_Encrypted;
};
