// The package side of narrated EPUB books: the container's root file, the
// package's metadata, manifest and spine, and the navigation document's
// table of contents and page list. Every href is resolved to a member name
// inside the archive; one that leaves it is dropped and counted.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "daisy/xml_push.h"

namespace libDaisy {

class NarratedArchive;

struct PackageItem {
  std::string id;
  std::string member;   // resolved href; empty when it left the archive
  std::string type;     // media-type
  std::string overlay;  // id of its media overlay item, or empty
  bool nav = false;     // properties holds "nav"
};

struct NarratedPackage {
  std::string path;  // the package file's member name
  std::string title;
  std::string creator;
  std::string duration;  // media:duration of the whole book
  std::vector<PackageItem> items;
  std::vector<int> spine;  // item indexes in reading order
  int refused = 0;         // hrefs that left the archive
  std::unordered_map<std::string, int> ids;  // item id -> index

  int Find(std::string_view id) const;
  bool IsNarrated() const;
};

struct NavEntry {
  std::string label;
  std::string target;  // member#fragment
  int level = 1;       // 1 for the outermost list
};

// The first rootfile's full-path of META-INF/container.xml. False when none.
bool ReadRootfile(const std::string& xml, std::string* path);
// 0, or -3 when the package is not well-formed XML.
int ReadPackage(const std::string& xml, NarratedPackage* out);
// The "toc" and "page-list" navigation lists of the navigation document
// (member name `path`). 0, or -3 not well-formed (what was read is kept).
int ReadNavigation(const std::string& xml, const std::string& path, std::vector<NavEntry>* toc,
                   std::vector<NavEntry>* pages);
// Reads the container and the package. 0, -6 no container or package, -3
// package not well-formed.
int OpenPackage(NarratedArchive& archive, NarratedPackage* out);
// Whether the file is an EPUB whose package gives some spine item a media
// overlay (the browser then opens it in the DAISY player).
bool IsNarratedEpub(const char* devicePath);

// True when a whitespace-separated attribute value holds `token`.
bool HasToken(std::string_view list, std::string_view token);
// The part after the prefix of a qualified name.
const char* LocalName(const char* name);

}  // namespace libDaisy
