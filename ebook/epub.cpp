// CEpub: opening the archive, the container, encryption, and the spine read
// document by document.
#include "ebook/epub.h"

#include <strings.h>

#include <cstring>

#include "core/base/diag.h"
#include "core/lib/xml/xml_reader.h"
#include "ebook/archive_xml.h"

namespace {

constexpr size_t c_MaxPart = 8 << 20;  // a package part read whole
constexpr int c_Chunk = 8192;

bool SameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

bool IsXhtml(const std::string& type) {
  return SameName(type, "application/xhtml+xml") || SameName(type, "text/html") ||
         SameName(type, "application/x-dtbook+xml") || SameName(type, "text/x-oeb1-document");
}

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
  m_Encrypted = h.m_Members;
  return 0;
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
  for (const std::string& idref : spine)
    for (const ManifestItem& m : m_Manifest)
      if (m.id == idref) m_Spine.push_back(m.href + "\n" + m.mediaType);
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
  return 0;
}

int CEpub::ReadDocument(const std::string& path, bool dtbook) {
  for (const std::string& e : m_Encrypted)
    if (SameName(e, path)) return -6;
  std::map<std::string, int> ids;
  for (const TocEntry& t : m_Toc) {
    if (!SameName(t.path, path)) continue;
    if (t.fragment.empty()) PendHeading(t.level);
    else if (!ids.count(t.fragment)) ids[t.fragment] = t.level;
  }
  m_HeadingIds = dtbook || m_Toc.empty() ? nullptr : &ids;
  m_HeadingsFromTags = dtbook || m_Toc.empty();
  Mark mark = Snapshot();
  // Content that is not well-formed is read again with the forgiving parser.
  for (bool html : {false, true}) {
    xml::Options o;
    o.htmlNames = true;
    o.html = html;
    XhtmlHandler h(*this);
    int r = ReadArchiveXml(m_Zip, path, h, o);
    m_HeadingIds = nullptr;
    if (GetError()) return GetError();
    if (r != -5) return r;
    DiagPrintf("%s is not well-formed, read as HTML", path.c_str());
    Rewind(mark);
    m_HeadingIds = dtbook || m_Toc.empty() ? nullptr : &ids;
  }
  return 0;
}

int CEpub::Open(const char* path) {
  if (!path) return -2;
  Close();
  m_Manifest.clear();
  m_Spine.clear();
  m_Toc.clear();
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
  int documents = 0;
  for (size_t i = 0; r == 0 && i < m_Spine.size(); ++i) {
    std::string doc = m_Spine[i].substr(0, m_Spine[i].find('\n'));
    std::string type = m_Spine[i].substr(m_Spine[i].find('\n') + 1);
    if (!IsXhtml(type)) continue;
    EndBlock();
    r = ReadDocument(doc, SameName(type, "application/x-dtbook+xml"));
    ++documents;
  }
  // A spine with nothing to read is not a book the reader can open.
  if (r == 0 && documents == 0) r = -6;
  m_Zip.Close();
  m_Manifest.clear();
  m_Toc.clear();
  if (r == 0) r = FinishParse();
  if (r != 0) Close();
  return r;
}
