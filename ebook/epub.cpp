// CEpub: opening the archive, the container, encryption, and the spine read
// document by document.
#include "ebook/epub.h"

#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "core/base/diag.h"
#include "core/lib/xml/xml_reader.h"
#include "ebook/archive_xml.h"
#include "ebook/html_entities.h"

namespace {

constexpr size_t c_MaxPart = 8 << 20;  // a package part read whole
constexpr int c_Chunk = 8192;
// Markup read per step behind the speech: a few milliseconds on the device.
constexpr size_t c_Step = 8 * 8192;

bool SameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

// Member names compare regardless of ASCII case, as the archive looks them up.
std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool IsXhtml(const std::string& type) {
  return SameName(type, "application/xhtml+xml") || SameName(type, "text/html") ||
         SameName(type, "application/x-dtbook+xml") || SameName(type, "text/x-oeb1-document");
}

bool IsReadable(const std::string& type) { return IsXhtml(type) || SameName(type, "image/svg+xml"); }

bool IsKnownEntity(const std::string& name) {
  int lo = 0, hi = c_HtmlEntityCount - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int cmp = strcmp(c_HtmlEntities[mid].name, name.c_str());
    if (cmp == 0) return true;
    if (cmp < 0) lo = mid + 1;
    else hi = mid - 1;
  }
  return false;
}

// A document that is not well-formed XML goes to the forgiving HTML parser,
// which knows neither a DOCTYPE's internal subset nor the entities it
// declares: it would read the subset's end and every undeclared reference
// aloud. The subset is dropped, and so is a reference to an entity HTML does
// not name (none is ever resolved: a declaration may point at any file).
class DoctypeFilter : public ArchiveXml::Filter {
 public:
  void Pass(const char* in, size_t size, std::string* out) override {
    for (size_t i = 0; i < size; ++i) Byte(in[i], out);
  }

 private:
  void Byte(char c, std::string* out) {
    if (m_Mode == c_Subset) {
      if (m_Quote) m_Quote = c == m_Quote ? 0 : m_Quote;
      else if (c == '"' || c == '\'') m_Quote = c;
      else if (c == ']') m_Mode = c_Doctype;
      return;
    }
    if (m_Mode == c_Doctype) {
      if (c == '[') m_Mode = c_Subset;
      else out->push_back(c);
      if (c == '>') m_Mode = c_Text;
      return;
    }
    if (!m_Ref.empty()) {
      Reference(c, out);
      return;
    }
    if (c == '&') {
      m_Ref.assign(1, c);
      return;
    }
    out->push_back(c);
    static const char c_Doctype_[] = "<!doctype";
    m_Matched = (c | 0x20) == c_Doctype_[m_Matched] || c == c_Doctype_[m_Matched] ? m_Matched + 1 : c == '<';
    if (m_Matched == sizeof c_Doctype_ - 1) m_Mode = c_Doctype, m_Matched = 0;
  }
  void Reference(char c, std::string* out) {
    bool nameChar = isalnum(static_cast<unsigned char>(c)) || (c == '#' && m_Ref.size() == 1);
    if (nameChar && m_Ref.size() < 40) {
      m_Ref.push_back(c);
      return;
    }
    if (c == ';' && m_Ref.size() > 1 && (m_Ref[1] == '#' || IsKnownEntity(m_Ref.substr(1) + ";")))
      out->append(m_Ref).push_back(c);
    else if (c != ';')
      out->append(m_Ref), out->push_back(c);
    m_Ref.clear();
    if (c == '&') m_Ref.assign(1, c), out->pop_back();
  }
  enum { c_Text, c_Doctype, c_Subset } m_Mode = c_Text;
  size_t m_Matched = 0;
  char m_Quote = 0;
  std::string m_Ref;  // an "&name" not ended yet
};

std::string Trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n"), e = s.find_last_not_of(" \t\r\n");
  return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// The package path: the first rootfile of the package's media type.
class ContainerHandler : public xml::Handler {
 public:
  void OnStart(const char* name, xml::Attrs attrs) override {
    const char* local = strrchr(name, ':') ? strrchr(name, ':') + 1 : name;
    const char* type = xml::Attr(attrs, "media-type");
    const char* path = xml::Attr(attrs, "full-path");
    if (m_Path.empty() && strcmp(local, "rootfile") == 0 && type && path && *path &&
        strcasecmp(type, "application/oebps-package+xml") == 0)
      m_Path = path;
  }
  std::string m_Path;
};

// Members encrypted by a method other than font obfuscation: content that
// cannot be read.
class EncryptionHandler : public xml::Handler {
 public:
  void OnStart(const char* name, xml::Attrs attrs) override {
    const char* local = strrchr(name, ':') ? strrchr(name, ':') + 1 : name;
    if (strcmp(local, "EncryptionMethod") == 0) {
      const char* a = xml::Attr(attrs, "Algorithm");
      m_Font = a && (strstr(a, "idpf.org/2008/embedding") || strstr(a, "ns.adobe.com/pdf/enc#RC"));
    } else if (strcmp(local, "CipherReference") == 0 && !m_Font) {
      const char* uri = xml::Attr(attrs, "URI");
      if (uri) m_Members.push_back(CEpub::ResolveHref("", uri));
    } else if (strcmp(local, "EncryptedData") == 0) {
      m_Font = false;
    }
  }
  std::vector<std::string> m_Members;
  bool m_Font = false;
};

}  // namespace

int CEpub::CheckEncryption() {
  m_Encrypted.clear();
  if (!m_Zip.Has("META-INF/encryption.xml")) return 0;
  std::string xml;
  if (m_Zip.ReadAll("META-INF/encryption.xml", &xml, c_MaxPart) != 0) return -6;
  EncryptionHandler h;
  if (xml::ReadMemory(xml.data(), xml.size(), h, xml::Options(), c_Chunk) != 0) return -6;
  for (const std::string& m : h.m_Members) m_Encrypted.insert(Lower(m));
  return 0;
}

void CEpub::ReadSpine(const std::vector<std::string>& idrefs) {
  std::unordered_map<std::string, size_t> byId;
  for (size_t i = 0; i < m_Manifest.size(); ++i) byId.emplace(m_Manifest[i].id, i);
  for (const std::string& idref : idrefs) {
    auto it = byId.find(idref);
    if (it == byId.end()) continue;
    // An item the reader cannot show gives way to its fallback; a chain that
    // loops ends after as many steps as there are items.
    const ManifestItem* m = &m_Manifest[it->second];
    for (size_t hops = 0; m && !IsReadable(m->mediaType) && hops < m_Manifest.size(); ++hops) {
      auto f = m->fallback.empty() ? byId.end() : byId.find(m->fallback);
      m = f == byId.end() ? nullptr : &m_Manifest[f->second];
    }
    if (!m || !IsReadable(m->mediaType)) {
      DiagPrintf("spine item %s has nothing to read, passed over", idref.c_str());
      continue;
    }
    Kind kind = SameName(m->mediaType, "application/x-dtbook+xml") ? c_Dtbook
                : IsXhtml(m->mediaType)                           ? c_Xhtml
                                                                  : c_Svg;
    m_Docs.push_back({m->href, kind});
  }
}

int CEpub::ReadPackage(const std::string& path) {
  std::string xml;
  if (m_Zip.ReadAll(path.c_str(), &xml, c_MaxPart) != 0 &&
      m_Zip.ReadAll(GetHrefString(path).c_str(), &xml, c_MaxPart) != 0)
    return -6;
  std::string tocId;
  int version = 0;
  std::vector<std::string> spine;
  std::string language;
  if (ParsePackage(path, xml, &m_Manifest, &spine, &tocId, &version, &language) != 0) return -6;
  SetLanguage(Trimmed(language).c_str());
  ReadSpine(spine);
  // The EPUB 3 navigation document first, the NCX when there is none.
  const ManifestItem* nav = nullptr;
  const ManifestItem* ncx = nullptr;
  for (const ManifestItem& m : m_Manifest) {
    std::string props = " " + m.properties + " ";
    if (!nav && props.find(" nav ") != std::string::npos) nav = &m;
    if (!ncx && (m.id == tocId || SameName(m.mediaType, "application/x-dtbncx+xml"))) ncx = &m;
  }
  for (const ManifestItem* t : {nav, ncx}) {
    if (!t || !m_Toc.empty()) continue;
    std::string doc;
    // A table of contents that cannot be read leaves the headings to the text.
    if (m_Zip.ReadAll(t->href.c_str(), &doc, c_MaxPart) == 0) ParseToc(t->href, doc, t == nav, &m_Toc);
  }
  m_TocByPath.resize(m_Toc.size());
  for (size_t i = 0; i < m_Toc.size(); ++i) m_TocByPath[i] = i;
  std::stable_sort(m_TocByPath.begin(), m_TocByPath.end(), [this](size_t a, size_t b) {
    return strcasecmp(m_Toc[a].path.c_str(), m_Toc[b].path.c_str()) < 0;
  });
  m_Manifest.clear();
  return 0;
}

void CEpub::SvgHandler::OnStart(const char* name, xml::Attrs) {
  const char* local = ebookmarkup::LocalName(name);
  if (m_Inside > 0 || strcmp(local, "title") == 0 || strcmp(local, "desc") == 0 || strcmp(local, "text") == 0)
    ++m_Inside;
}

void CEpub::SvgHandler::OnEnd(const char*) {
  if (m_Inside > 0 && --m_Inside == 0) m_Book.EndBlock();
}

void CEpub::SvgHandler::OnText(const char* text, int length) {
  if (m_Inside > 0) m_Book.XmlCbCharacters(text, length);
}

int CEpub::StartDocument(size_t index, bool html) {
  const Document& doc = m_Docs[index];
  EndBlock();
  m_Before = Snapshot();
  m_Html = html;
  m_Doc.reset();
  m_Ids.clear();
  auto toc = std::lower_bound(m_TocByPath.begin(), m_TocByPath.end(), doc.path, [this](size_t i, const std::string& p) {
    return strcasecmp(m_Toc[i].path.c_str(), p.c_str()) < 0;
  });
  for (; toc != m_TocByPath.end() && SameName(m_Toc[*toc].path, doc.path); ++toc) {
    const TocEntry& t = m_Toc[*toc];
    if (t.fragment.empty()) PendHeading(t.level);
    else if (!m_Ids.count(t.fragment)) m_Ids[t.fragment] = t.level;
  }
  bool ownHeadings = doc.kind == c_Dtbook || m_Toc.empty();
  m_HeadingIds = ownHeadings ? nullptr : &m_Ids;
  m_HeadingsFromTags = ownHeadings;
  m_Svg.m_Inside = 0;
  m_Doc.reset(new (std::nothrow) ArchiveXml(m_Zip, doc.kind == c_Svg ? static_cast<xml::Handler&>(m_Svg) : m_Handler));
  if (!m_Doc) return -3;
  xml::Options o;
  o.htmlNames = true;
  o.html = html;
  o.name = doc.path.c_str();
  int r = m_Doc->Start(doc.path, o);
  if (r == 0 && html) {
    m_Filter.reset(new (std::nothrow) DoctypeFilter);
    if (!m_Filter) r = -3;
    m_Doc->SetFilter(m_Filter.get());
  }
  if (r != 0) m_Doc.reset();
  return r;
}

int CEpub::EndDocument(int r) {
  m_Doc.reset();
  m_Filter.reset();
  m_HeadingIds = nullptr;
  const std::string& path = m_Docs[m_Next - 1].path;
  if (GetError()) return GetError();
  if (r == 0) return 0;
  Rewind(m_Before);
  // Content that is not well-formed is read again with the forgiving parser.
  if (r == -5 && !m_Html) {
    DiagPrintf("%s is not well-formed, read as HTML", path.c_str());
    return 1;
  }
  DiagPrintf("%s cannot be read (%d), passed over", path.c_str(), r);
  return r == -3 ? -3 : 2;
}

int CEpub::Feed(size_t budget) {
  for (;;) {
    if (!m_Doc) {
      if (m_Next >= m_Docs.size()) return 0;
      int r = StartDocument(m_Next++, false);
      if (r == -3) return -3;
      if (r != 0) {
        DiagPrintf("%s cannot be opened, passed over", m_Docs[m_Next - 1].path.c_str());
        Rewind(m_Before);
        continue;
      }
    }
    int r = m_Doc->Feed(budget);
    if (r == 1) return 1;
    r = EndDocument(r);
    if (r < 0) return r;
    if (r != 1) {
      if (r == 0) ++m_Read;
      return 1;
    }
    if ((r = StartDocument(m_Next - 1, true)) == -3) return -3;
    if (r != 0) Rewind(m_Before);
  }
}

int CEpub::SettledBefore() const {
  int settled = CXhtml::SettledBefore();
  return m_Doc ? std::min(settled, m_Before.text - 1) : settled;
}

int CEpub::ReadMore() {
  return EndOfStep(Feed(c_Step));
}

void CEpub::EndSteps() {
  m_Doc.reset();
  m_Filter.reset();
  m_Zip.Close();
  m_Manifest.clear();
  std::vector<Document>().swap(m_Docs);
  std::vector<TocEntry>().swap(m_Toc);
  std::vector<size_t>().swap(m_TocByPath);
  m_Encrypted.clear();
  m_HeadingIds = nullptr;
  m_Next = m_Read = 0;
}

CEpub::~CEpub() { EndSteps(); }

int CEpub::Open(const char* path) {
  if (!path) return -2;
  Close();
  int r = m_Zip.Open(path);
  std::string s;
  if (r == 0 && m_Zip.Has("mimetype") &&
      (m_Zip.ReadAll("mimetype", &s, 256) != 0 || Trimmed(s) != "application/epub+zip"))
    r = -6;
  if (r == 0) r = m_Zip.ReadAll("META-INF/container.xml", &s, c_MaxPart) == 0 ? 0 : -6;
  ContainerHandler container;
  if (r == 0 && (xml::ReadMemory(s.data(), s.size(), container, xml::Options(), c_Chunk) != 0 || container.m_Path.empty()))
    r = -6;
  if (r == 0) r = CheckEncryption();
  if (r == 0) r = ReadPackage(ResolveHref("", container.m_Path));
  // Protected content makes the book one the reader cannot give whole.
  for (size_t i = 0; r == 0 && i < m_Docs.size(); ++i)
    if (m_Encrypted.count(Lower(m_Docs[i].path))) r = -6;
  // The first document that can be read is read here, whole; the rest
  // follows as reading reaches it.
  int f = 1;
  while (r == 0 && f == 1 && m_Read == 0) f = Feed(SIZE_MAX);
  if (r == 0 && f < 0) r = f;
  // A spine with nothing to read is not a book the reader can open.
  if (r == 0 && m_Read == 0) r = -6;
  return EndOpen(r != 0 ? r : f == 1 && m_Next < m_Docs.size() ? 1 : 0);
}
