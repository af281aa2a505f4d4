// CEpub: hrefs inside the archive and the package parts (package, NCX,
// navigation document), parsed from memory.
#include <strings.h>

#include <cstring>

#include "core/base/path_text.h"
#include "core/lib/xml/xml_reader.h"
#include "ebook/epub.h"

namespace {

const char* Local(const char* name) {
  const char* colon = strrchr(name, ':');
  return colon ? colon + 1 : name;
}

bool Is(const char* name, const char* local) { return strcmp(Local(name), local) == 0; }

std::string AttrOr(xml::Attrs attrs, const char* name) {
  const char* v = xml::Attr(attrs, name);
  return v ? v : "";
}

// "epub:type" under any prefix.
bool TypeHas(xml::Attrs attrs, const char* word) {
  for (int i = 0; attrs && attrs[i]; i += 2) {
    if (strcmp(Local(attrs[i]), "type") != 0 || !strchr(attrs[i], ':')) continue;
    const char* v = attrs[i + 1];
    size_t n = strlen(word);
    for (const char* p = v; (p = strstr(p, word)); p += n)
      if ((p == v || p[-1] == ' ') && (p[n] == 0 || p[n] == ' ')) return true;
  }
  return false;
}

class PackageHandler : public xml::Handler {
 public:
  PackageHandler(const std::string& opf, std::vector<CEpub::ManifestItem>* m, std::vector<std::string>* s,
                 std::string* toc, int* version)
      : m_Opf(opf), m_Manifest(m), m_Spine(s), m_TocId(toc), m_Version(version) {}
  void OnStart(const char* name, xml::Attrs attrs) override {
    ++m_Depth;
    if (m_Depth == 1 && Is(name, "package")) {
      m_IsPackage = true;
      *m_Version = atoi(AttrOr(attrs, "version").c_str());
    } else if (m_Depth == 2) {
      m_Section = Local(name);
      if (m_Section == "spine") *m_TocId = AttrOr(attrs, "toc");
    } else if (m_Depth == 3 && m_Section == "manifest" && Is(name, "item")) {
      CEpub::ManifestItem item{AttrOr(attrs, "href"), AttrOr(attrs, "id"), AttrOr(attrs, "media-type"),
                               AttrOr(attrs, "properties"), AttrOr(attrs, "fallback")};
      if (item.href.empty() || item.id.empty() || item.mediaType.empty()) return;
      item.href = CEpub::ResolveHref(m_Opf, item.href);
      m_Manifest->push_back(item);
    } else if (m_Depth == 3 && m_Section == "metadata" && Is(name, "language") && m_Language.empty()) {
      m_InLanguage = true;
    } else if (m_Depth == 3 && m_Section == "spine" && Is(name, "itemref")) {
      std::string idref = AttrOr(attrs, "idref");
      if (!idref.empty()) m_Spine->push_back(idref);
    }
  }
  void OnEnd(const char*) override {
    if (m_Depth == 2) m_Section.clear();
    m_InLanguage = false;
    --m_Depth;
  }
  void OnText(const char* text, int length) override {
    if (m_InLanguage) m_Language.append(text, static_cast<size_t>(length));
  }
  bool m_IsPackage = false;
  std::string m_Language;  // the first dc:language

 private:
  std::string m_Opf;
  std::vector<CEpub::ManifestItem>* m_Manifest;
  std::vector<std::string>* m_Spine;
  std::string* m_TocId;
  int* m_Version;
  int m_Depth = 0;
  std::string m_Section;
  bool m_InLanguage = false;
};

// The NCX's navMap (level: navPoint depth) or the "toc" nav of a navigation
// document (level: list depth).
class TocHandler : public xml::Handler {
 public:
  TocHandler(const std::string& path, bool nav, std::vector<CEpub::TocEntry>* toc)
      : m_Path(path), m_Nav(nav), m_Toc(toc) {}
  void OnStart(const char* name, xml::Attrs attrs) override {
    ++m_Depth;
    if (m_Nav) {
      if (!m_InToc && Is(name, "nav") && TypeHas(attrs, "toc")) m_InToc = m_Depth;
      if (m_InToc && Is(name, "ol")) ++m_Level;
      if (m_InToc && Is(name, "a")) Add(xml::Attr(attrs, "href"), m_Level);
    } else {
      if (!m_InToc && Is(name, "navMap")) m_InToc = m_Depth;
      if (m_InToc && Is(name, "navPoint")) ++m_Level;
      if (m_InToc && Is(name, "content")) Add(xml::Attr(attrs, "src"), m_Level);
    }
  }
  void OnEnd(const char* name) override {
    if (m_InToc && (Is(name, m_Nav ? "ol" : "navPoint")) && m_Level > 0) --m_Level;
    if (m_InToc == m_Depth) m_InToc = 0;
    --m_Depth;
  }

 private:
  void Add(const char* href, int level) {
    if (!href || !*href || strstr(href, "://") || strncasecmp(href, "mailto:", 7) == 0) return;
    CEpub::TocEntry e;
    e.path = CEpub::ResolveHref(m_Path, href, &e.fragment);
    e.level = level < 1 ? 1 : level;
    if (!e.path.empty()) m_Toc->push_back(e);
  }
  std::string m_Path;
  bool m_Nav;
  std::vector<CEpub::TocEntry>* m_Toc;
  int m_Depth = 0, m_InToc = 0, m_Level = 0;
};

// No escapes, no root, no empty, "." or ".." segment.
bool IsPlainPath(const std::string& h) {
  if (h.find('%') != std::string::npos || h[0] == '/' || h.back() == '/') return false;
  for (size_t b = 0; b <= h.size();) {
    size_t e = h.find('/', b);
    if (e == std::string::npos) e = h.size();
    size_t n = e - b;
    if (n == 0 || (h[b] == '.' && (n == 1 || (n == 2 && h[b + 1] == '.')))) return false;
    b = e + 1;
  }
  return true;
}

}  // namespace

std::string CEpub::GetHrefString(const std::string& href) { return PercentDecoded(href, 8191); }

std::string CEpub::ResolveHref(const std::string& base, const std::string& href, std::string* fragment) {
  std::string h = href;
  size_t hash = h.find('#');
  if (fragment) *fragment = hash == std::string::npos ? "" : GetHrefString(h.substr(hash + 1));
  if (hash != std::string::npos) h.erase(hash);
  // The common href, a plain relative path, joins the base's folder as it is.
  if (!h.empty() && IsPlainPath(h) && (base.empty() || IsPlainPath(base))) return base.substr(0, base.rfind('/') + 1) + h;
  h = GetHrefString(h);
  std::string joined = !h.empty() && h[0] == '/' ? h : base.substr(0, base.rfind('/') + 1) + h;
  if (h.empty()) joined = base;  // "#id" alone: the same document
  std::vector<std::string> parts;
  for (std::string& seg : PathParts(joined)) {
    if (seg != "..")
      parts.push_back(std::move(seg));
    else if (!parts.empty())
      parts.pop_back();  // never above the root of the archive
  }
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
  return out;
}

int CEpub::ParsePackage(const std::string& opfPath, const std::string& xml, std::vector<ManifestItem>* manifest,
                        std::vector<std::string>* spine, std::string* tocId, int* version,
                        std::string* language) {
  *version = 0;
  PackageHandler h(opfPath, manifest, spine, tocId, version);
  int r = xml::ReadMemory(xml.data(), xml.size(), h, xml::Options(), 8192);
  if (r != 0 || !h.m_IsPackage || spine->empty()) return -6;
  if (language) *language = h.m_Language;
  return 0;
}

int CEpub::ParseToc(const std::string& tocPath, const std::string& xml, bool nav, std::vector<TocEntry>* toc) {
  TocHandler h(tocPath, nav, toc);
  xml::Options o;
  o.htmlNames = true;
  return xml::ReadMemory(xml.data(), xml.size(), h, o, 8192) == 0 ? 0 : -6;
}
