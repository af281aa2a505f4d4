// Opening a narrated EPUB: the package's spine gives the documents in
// reading order, each one's media overlay its objects (one par with its text
// and audio clip per phrase), the navigation document the headings and
// pages (without a page list, the documents' own page breaks). A document without an overlay, or with one that cannot be read,
// becomes text objects that player speech reads, cut where a heading or a
// page begins so that moving there lands on it.
#include <algorithm>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "daisy/daisy.h"
#include "daisy/narrated_archive.h"
#include "daisy/narrated_package.h"
#include "daisy/overlay.h"
#include "daisy/text_util.h"
#include "daisy/xhtml.h"

namespace libDaisy {

namespace {
constexpr size_t kMaxOverlayBytes = 16u << 20;
constexpr size_t kMaxTextBytes = 16u << 20;
constexpr size_t kMaxNavBytes = 4u << 20;
constexpr int kTextDepth = 3;  // the depth of body's children, as in the overlays

// The head's title is no text of the book: it is emptied before reading.
void DropHead(std::string* xml) {
  size_t from = 0;
  for (;;) {
    size_t open = xml->find("<head", from);
    if (open == std::string::npos || open + 5 >= xml->size()) return;
    char next = (*xml)[open + 5];
    from = open + 5;
    if (next != '>' && !IsTrimSpace(static_cast<unsigned char>(next))) continue;
    size_t body = xml->find('>', open);
    size_t close = xml->find("</head>", open);
    if (body != std::string::npos && close != std::string::npos && body < close)
      xml->erase(body + 1, close - body - 1);
    return;
  }
}

}  // namespace

class EpubBuilder {
 public:
  EpubBuilder(Daisy& book, NarratedArchive& archive) : b(book), m_Archive(archive) {}
  int Build();

 private:
  struct SpineDoc {
    int doc = -1;                   // text document index
    int begin = 0, end = 0;         // its overlay's elements
    bool overlayBroken = false;     // read in part: the rest of the text follows
    int firstObject = -1;
  };

  int ReadMetadata();
  int ReadOverlays();
  int AddDocument(const std::string& member);
  int ReadDocuments();
  void CollectTargets(const std::vector<NavEntry>& list);
  int BuildObjects();
  int AddOverlayObjects(const SpineDoc& s);
  _DaisyObject Convert(const _DaisyObject& el, std::vector<int>& hint) const;
  bool TakeOverlays();
  int AddTextObjects(int doc, int from);
  int Push(const _DaisyObject& o, bool quiet);
  int TargetPiece(const std::string& target, int* doc);
  int Locate(const std::string& target, const char* what);
  int LocatePiece(int doc, int piece) const;
  void CollectPageBreaks();
  int AddPlaces(const std::vector<NavEntry>& toc, const std::vector<NavEntry>& pages);

  Daisy& b;
  NarratedArchive& m_Archive;
  NarratedPackage m_Package;
  OverlayReader m_Overlays;
  std::vector<SpineDoc> m_Spine;
  std::unordered_map<std::string, int> m_DocIndex;   // lower-cased member -> document
  std::vector<std::string> m_DocMembers;
  std::vector<std::vector<std::string_view>> m_Referenced;  // ids per document, while reading them
  std::vector<std::vector<int>> m_Cuts;               // pieces where text objects start
  std::vector<std::vector<int>> m_TextObjects;        // text objects per document, in order
  std::vector<int> m_DocSpine;                        // spine position of a document, -1
  std::vector<int> m_OverlayDoc;                      // overlay text name -> document
  std::vector<NavEntry> m_Toc, m_Pages;
  struct BreakPlace {
    int doc, piece;
    std::string label;
  };
  std::vector<BreakPlace> m_Breaks;  // pages from the documents when the navigation has none
};

int EpubBuilder::AddDocument(const std::string& member) {
  auto found = m_DocIndex.emplace(Lower(member), static_cast<int>(m_DocMembers.size()));
  if (!found.second) return found.first->second;
  m_DocMembers.push_back(member);
  m_Referenced.emplace_back();
  m_Cuts.emplace_back();
  m_TextObjects.emplace_back();
  m_DocSpine.push_back(-1);
  return found.first->second;
}

int EpubBuilder::ReadMetadata() {
  if (!m_Package.title.empty()) {
    b.m_Title = CollapseSpace(m_Package.title);
    b.m_HasTitle = true;
  }
  b.m_Meta.reset(new Meta);
  const std::pair<const char*, const std::string*> pairs[] = {
      {"dc:title", &m_Package.title},
      {"dc:creator", &m_Package.creator},
      {"media:duration", &m_Package.duration}};
  for (const auto& p : pairs)
    if (!p.second->empty() && b.m_Meta->Add(p.first, p.second->c_str()) != 0) return -2;
  if (m_Package.refused > 0)
    b.Warn(-1, m_Package.path, std::to_string(m_Package.refused) + " manifest links lead outside the book");
  int nav = -1;
  for (size_t i = 0; i < m_Package.items.size() && nav < 0; ++i)
    if (m_Package.items[i].nav && !m_Package.items[i].member.empty()) nav = static_cast<int>(i);
  if (nav < 0) return 0;
  const std::string& member = m_Package.items[static_cast<size_t>(nav)].member;
  std::string xml;
  if (m_Archive.ReadAll(member, &xml, kMaxNavBytes) != 0) {
    b.Warn(-1, member, "navigation document missing");
    return 0;
  }
  if (ReadNavigation(xml, member, &m_Toc, &m_Pages) != 0)
    b.Warn(-3, member, "navigation document not well-formed, read as HTML");
  return 0;
}

int EpubBuilder::ReadOverlays() {
  std::unordered_map<std::string, std::pair<int, int>> seen;  // overlay member -> elements
  std::string xml;
  for (int item : m_Package.spine) {
    const PackageItem& it = m_Package.items[static_cast<size_t>(item)];
    if (it.member.empty()) continue;
    SpineDoc s;
    s.doc = AddDocument(it.member);
    if (m_DocSpine[static_cast<size_t>(s.doc)] >= 0) continue;  // named twice: read once
    m_DocSpine[static_cast<size_t>(s.doc)] = static_cast<int>(m_Spine.size());
    s.begin = s.end = m_Overlays.Count();
    int o = m_Package.Find(it.overlay);
    const PackageItem* ov = o >= 0 ? &m_Package.items[static_cast<size_t>(o)] : nullptr;
    if (ov && ov->member.empty()) {
      b.Warn(-1, it.overlay, "media overlay outside the book; read as text");
      s.overlayBroken = true;
    } else if (ov && seen.count(Lower(ov->member))) {
      b.Warn(-3, ov->member, "media overlay named twice; read as text the second time");
      s.overlayBroken = true;
    } else if (ov) {
      seen[Lower(ov->member)] = {s.begin, s.begin};
      int rc = m_Archive.ReadAll(ov->member, &xml, kMaxOverlayBytes);
      if (rc == 0) rc = m_Overlays.Read(xml.data(), xml.size(), ov->member);
      if (rc == -2) return -2;
      s.end = m_Overlays.Count();
      for (const std::string& link : m_Overlays.Refused())
        b.Warn(-1, link, "link in " + ov->member + " leads outside the book");
      m_Overlays.Refused().clear();
      if (rc != 0) {
        s.overlayBroken = true;
        b.Warn(-3, ov->member, "media overlay " + std::string(s.end > s.begin ? "read in part" : "unreadable") +
                                   "; the rest is read as text");
      }
    }
    m_Spine.push_back(s);
  }
  return 0;
}

int EpubBuilder::ReadDocuments() {
  std::vector<int> overlayDoc;  // overlay text name -> document
  const StringArray& names = m_Overlays.TextNames();
  for (int i = 0; i < names.GetCnt(); ++i) overlayDoc.push_back(AddDocument(names.Get(i)));
  for (int e = 0; e < m_Overlays.Count(); ++e) {
    const OverlayElement& el = m_Overlays.Element(e);
    if (el.kind == kObjectText && el.start >= 0)
      m_Referenced[static_cast<size_t>(overlayDoc[static_cast<size_t>(el.file)])].emplace_back(
          m_Overlays.Fragment(el.start));
  }
  for (const std::vector<NavEntry>* list : {&m_Toc, &m_Pages})
    for (const NavEntry& n : *list) {
      size_t hash = n.target.find('#');
      auto it = m_DocIndex.find(Lower(n.target.substr(0, hash)));
      if (it != m_DocIndex.end() && hash != std::string::npos)
        m_Referenced[static_cast<size_t>(it->second)].push_back(std::string_view(n.target).substr(hash + 1));
    }
  std::string data;
  for (size_t d = 0; d < m_DocMembers.size(); ++d) {
    b.m_Xhtmls.emplace_back(new Xhtml);
    if (b.m_XhtmlNames.Add(m_DocMembers[d].c_str()) != 0) return -2;
    Xhtml& doc = *b.m_Xhtmls.back();
    doc.SetReferencedIds(std::move(m_Referenced[d]));
    if (m_Archive.ReadAll(m_DocMembers[d], &data, kMaxTextBytes) != 0) {
      b.Warn(-1, m_DocMembers[d], "text document missing");
      continue;
    }
    DropHead(&data);
    int rc = doc.OpenMemory(data.data(), data.size(), XmlReadOptions());
    if (rc == -3) {
      XmlReadOptions html;
      html.html = true;
      rc = doc.OpenMemory(data.data(), data.size(), html);
      b.Warn(-3, m_DocMembers[d], "text document not well-formed, read as HTML");
    }
    // Only the parse needed the ids.
    doc.SetReferencedIds(std::vector<std::string_view>());
    if (rc == -2) return -2;
  }
  // The overlays' text elements now name documents by index.
  m_OverlayDoc.swap(overlayDoc);
  return 0;
}

int EpubBuilder::Push(const _DaisyObject& o, bool quiet) {
  b.m_Objects.push_back(o);
  b.m_QuietObjects.push_back(quiet ? 1 : 0);
  if (o.kind == kObjectText && o.file >= 0)
    m_TextObjects[static_cast<size_t>(o.file)].push_back(static_cast<int>(b.m_Objects.size()) - 1);
  return 0;
}

// An overlay element as an object of the book: texts get their document
// and the range of pieces their id covers.
_DaisyObject EpubBuilder::Convert(const _DaisyObject& el, std::vector<int>& hint) const {
  _DaisyObject o{el.kind, el.depth, -1, -1, -1};
  if (el.kind == kObjectAudio) return el;
  if (el.kind != kObjectText) return o;
  o.file = m_OverlayDoc[static_cast<size_t>(el.file)];
  const Xhtml* doc = b.m_Xhtmls[static_cast<size_t>(o.file)].get();
  const char* fragment = m_Overlays.Fragment(el.start);
  int& from = hint[static_cast<size_t>(o.file)];
  int id = fragment ? doc->FindId(fragment, from) : -1;
  const char* name;
  if (!fragment) {
    o.start = 0;
    o.end = doc->GetTotalTexts();
  } else if (id >= 0 && doc->GetIdInfo(id, &name, &o.start, &o.end) == 0) {
    from = id;
  } else {
    o.start = o.end = -1;
  }
  return o;
}

int EpubBuilder::AddOverlayObjects(const SpineDoc& s) {
  std::vector<int> hint(m_DocMembers.size(), 0);
  for (int e = s.begin; e < s.end; ++e) Push(Convert(m_Overlays.Element(e), hint), m_Overlays.Quiet(e));
  return 0;
}

// A book narrated throughout takes the overlay's list over as its objects,
// converted in place: a 20-hour book does not hold two copies.
bool EpubBuilder::TakeOverlays() {
  for (const SpineDoc& s : m_Spine)
    if (s.end <= s.begin || s.overlayBroken) return false;
  b.m_Objects.swap(m_Overlays.Elements());
  b.m_QuietObjects.swap(m_Overlays.QuietFlags());
  std::vector<int> hint(m_DocMembers.size(), 0);
  for (SpineDoc& s : m_Spine) {
    s.firstObject = s.begin;
    std::fill(hint.begin(), hint.end(), 0);
    for (int e = s.begin; e < s.end; ++e) {
      _DaisyObject& o = b.m_Objects[static_cast<size_t>(e)];
      o = Convert(o, hint);
      if (o.kind == kObjectText && o.file >= 0) m_TextObjects[static_cast<size_t>(o.file)].push_back(e);
    }
  }
  return true;
}

int EpubBuilder::AddTextObjects(int doc, int from) {
  const int total = b.m_Xhtmls[static_cast<size_t>(doc)]->GetTotalTexts();
  std::vector<int>& cuts = m_Cuts[static_cast<size_t>(doc)];
  std::sort(cuts.begin(), cuts.end());
  int begin = from;
  for (int c : cuts) {
    if (c <= begin || c >= total) continue;
    Push({kObjectText, kTextDepth, doc, begin, c}, false);
    begin = c;
  }
  if (begin < total) Push({kObjectText, kTextDepth, doc, begin, total}, false);
  return 0;
}

// The piece a "member#fragment" target names, and its document; -1 when the
// document or the id is unknown.
int EpubBuilder::TargetPiece(const std::string& target, int* doc) {
  size_t hash = target.find('#');
  auto it = m_DocIndex.find(Lower(target.substr(0, hash)));
  *doc = it == m_DocIndex.end() ? -1 : it->second;
  if (*doc < 0 || hash == std::string::npos) return *doc < 0 ? -1 : 0;
  const Xhtml* x = b.m_Xhtmls[static_cast<size_t>(*doc)].get();
  int id = x->FindId(target.c_str() + hash + 1, 0);
  const char* name;
  int first, after;
  if (id < 0 || x->GetIdInfo(id, &name, &first, &after) != 0) return -1;
  return first;
}

void EpubBuilder::CollectPageBreaks() {
  if (!m_Pages.empty()) return;
  for (const SpineDoc& s : m_Spine)
    for (const Xhtml::PageBreak& p : b.m_Xhtmls[static_cast<size_t>(s.doc)]->PageBreaks())
      m_Breaks.push_back({s.doc, p.piece, p.label});
}

int EpubBuilder::BuildObjects() {
  if (TakeOverlays()) return 0;
  // Text read without an overlay is cut where headings and pages begin.
  for (const std::vector<NavEntry>* list : {&m_Toc, &m_Pages})
    for (const NavEntry& n : *list) {
      int doc;
      int piece = TargetPiece(n.target, &doc);
      if (piece > 0) m_Cuts[static_cast<size_t>(doc)].push_back(piece);
    }
  for (const BreakPlace& p : m_Breaks)
    if (p.piece > 0) m_Cuts[static_cast<size_t>(p.doc)].push_back(p.piece);
  size_t count = static_cast<size_t>(m_Overlays.Count());
  for (const SpineDoc& s : m_Spine) count += m_Cuts[static_cast<size_t>(s.doc)].size() + 1;
  b.m_Objects.reserve(count);
  b.m_QuietObjects.reserve(count);
  for (SpineDoc& s : m_Spine) {
    s.firstObject = static_cast<int>(b.m_Objects.size());
    AddOverlayObjects(s);
    if (s.end > s.begin && !s.overlayBroken) continue;
    int from = 0;
    for (int t : m_TextObjects[static_cast<size_t>(s.doc)]) from = std::max(from, b.m_Objects[t].end);
    AddTextObjects(s.doc, from);
  }
  return 0;
}

// The first par whose text is, or follows, the target; a target past its
// document's last text goes to the next document that has objects.
int EpubBuilder::Locate(const std::string& target, const char* what) {
  int doc;
  int piece = TargetPiece(target, &doc);
  if (doc < 0 || m_DocSpine[static_cast<size_t>(doc)] < 0) {
    b.Warn(-3, target.substr(0, 200), std::string(what) + ": not in the book's reading order");
    return -1;
  }
  if (piece < 0) {
    b.Warn(-3, target.substr(0, 200), std::string(what) + ": no such id");
    return -1;
  }
  return LocatePiece(doc, piece);
}

int EpubBuilder::LocatePiece(int doc, int piece) const {
  for (int t : m_TextObjects[static_cast<size_t>(doc)]) {
    const _DaisyObject& o = b.m_Objects[static_cast<size_t>(t)];
    if (o.start < 0 || o.end <= piece) continue;
    const _DaisyObject* up = t > 0 ? &b.m_Objects[static_cast<size_t>(t) - 1] : nullptr;
    return up && up->kind == kObjectPar && up->depth == o.depth - 1 ? t - 1 : t;
  }
  const int objects = static_cast<int>(b.m_Objects.size());
  for (size_t s = static_cast<size_t>(m_DocSpine[static_cast<size_t>(doc)]) + 1; s < m_Spine.size(); ++s)
    if (m_Spine[s].firstObject < objects) return m_Spine[s].firstObject;
  return objects - 1;
}

int EpubBuilder::AddPlaces(const std::vector<NavEntry>& toc, const std::vector<NavEntry>& pages) {
  for (const NavEntry& n : toc) {
    b.m_HeadingElements.push_back(Locate(n.target, "table of contents entry"));
    b.m_HeadingLevels.push_back(n.level > 6 ? 6 : n.level);
    if (b.m_HeadingTexts.Add(n.label.c_str()) != 0) return -2;
  }
  for (const NavEntry& n : pages) {
    b.m_PageElements.push_back(Locate(n.target, "page target"));
    if (b.m_PageLabels.Add(n.label.c_str()) != 0) return -2;
  }
  for (const BreakPlace& p : m_Breaks) {
    b.m_PageElements.push_back(LocatePiece(p.doc, p.piece));
    if (b.m_PageLabels.Add(p.label.c_str()) != 0) return -2;
  }
  return 0;
}

int EpubBuilder::Build() {
  int rc = OpenPackage(m_Archive, &m_Package);
  if (rc != 0) return -3;
  if ((rc = ReadMetadata()) != 0) return rc;
  if ((rc = ReadOverlays()) != 0) return rc;
  m_Overlays.Compact();
  if (m_Spine.empty()) return -3;
  if ((rc = ReadDocuments()) != 0) return rc;
  CollectPageBreaks();
  if ((rc = BuildObjects()) != 0) return rc;
  if (b.m_Objects.empty()) return -3;
  b.m_AudioNames.reset(m_Overlays.AudioNames().Copy());
  if (!b.m_AudioNames) return -2;
  m_Overlays.Release();
  if ((rc = AddPlaces(m_Toc, m_Pages)) != 0) return rc;
  for (int i = 0; i < b.m_AudioNames->GetCnt(); i++)
    if (!m_Archive.Has(b.m_AudioNames->Get(i)))
      b.Warn(-1, b.m_AudioNames->Get(i), "audio file missing; its phrases are read as text");
  return 0;
}

int Daisy::OpenEpub(const char* path) {
  m_Type = kDaisyEpub;
  m_Folder = FolderOf(path);
  m_Archive = path;
  NarratedArchive archive;
  if (archive.Open(path) != 0) return -3;
  EpubBuilder build(*this, archive);
  return build.Build();
}

}  // namespace libDaisy
