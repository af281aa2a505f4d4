#include "daisy/narrated_package.h"

#include <strings.h>

#include <cstring>

#include "daisy/narrated_archive.h"
#include "daisy/text_util.h"

namespace libDaisy {
namespace {

constexpr size_t kMaxPackageBytes = 4u << 20;
constexpr size_t kMaxLabel = 1024;

bool Is(const char* name, const char* want) { return strcasecmp(LocalName(name), want) == 0; }

std::string Attr(const XmlAttrs& attrs, const char* name) {
  std::string_view v = attrs.Get(name);
  return v.data() ? std::string(v) : std::string();
}

// Collects the character data of one element at a time.
class TextGrab {
 public:
  void Start() {
    m_On = true;
    m_Text.clear();
  }
  void Add(const char* text, int length) {
    if (m_On && m_Text.size() < kMaxLabel) m_Text.append(text, static_cast<size_t>(length));
  }
  std::string Take() {
    m_On = false;
    return CollapseSpace(m_Text);
  }
  bool On() const { return m_On; }

 private:
  bool m_On = false;
  std::string m_Text;
};

class ContainerSink : public XmlSink {
 public:
  std::string path;
  void OnStartElement(const char* name, const XmlAttrs& attrs) override {
    if (path.empty() && Is(name, "rootfile")) path = Attr(attrs, "full-path");
  }
  void OnEndElement(const char*) override {}
  void OnCharacters(const char*, int) override {}
  bool WantsStop() const override { return !path.empty(); }
};

class PackageSink : public XmlSink {
 public:
  explicit PackageSink(NarratedPackage* p) : m_P(p) {}
  void OnStartElement(const char* name, const XmlAttrs& attrs) override {
    const char* local = LocalName(name);
    if (strcasecmp(local, "item") == 0) return AddItem(attrs);
    if (strcasecmp(local, "itemref") == 0) {
      int i = m_P->Find(attrs.Get("idref"));
      if (i >= 0) m_P->spine.push_back(i);
      return;
    }
    m_Field = nullptr;
    if (strcasecmp(name, "dc:title") == 0 && m_P->title.empty()) m_Field = &m_P->title;
    if (strcasecmp(name, "dc:creator") == 0 && m_P->creator.empty()) m_Field = &m_P->creator;
    // The book's own duration has no "refines"; the overlays' ones do.
    if (strcasecmp(local, "meta") == 0 && attrs.Get("property") == "media:duration" &&
        !attrs.Get("refines").data())
      m_Field = &m_P->duration;
    if (m_Field) m_Grab.Start();
  }
  void OnEndElement(const char*) override {
    if (m_Field && m_Grab.On()) *m_Field = m_Grab.Take();
    m_Field = nullptr;
  }
  void OnCharacters(const char* text, int length) override { m_Grab.Add(text, length); }
  bool WantsStop() const override { return false; }

 private:
  void AddItem(const XmlAttrs& attrs) {
    PackageItem item;
    item.id = Attr(attrs, "id");
    item.type = Attr(attrs, "media-type");
    item.overlay = Attr(attrs, "media-overlay");
    item.nav = HasToken(attrs.Get("properties"), "nav");
    std::string_view href = attrs.Get("href");
    if (href.data() && !ResolveMember(m_P->path, href, &item.member)) m_P->refused++;
    m_P->ids.emplace(item.id, static_cast<int>(m_P->items.size()));
    m_P->items.push_back(std::move(item));
  }

  NarratedPackage* m_P;
  std::string* m_Field = nullptr;
  TextGrab m_Grab;
};

class NavSink : public XmlSink {
 public:
  NavSink(const std::string& path, std::vector<NavEntry>* toc, std::vector<NavEntry>* pages)
      : m_Path(path), m_Toc(toc), m_Pages(pages) {}
  void OnStartElement(const char* name, const XmlAttrs& attrs) override {
    ++m_Depth;
    if (Is(name, "nav")) {
      std::string_view type = attrs.Get("epub:type");
      m_List = HasToken(type, "toc") ? m_Toc : HasToken(type, "page-list") ? m_Pages : nullptr;
      m_NavDepth = m_Depth;
      m_Ol = 0;
      return;
    }
    if (!m_List) return;
    if (Is(name, "ol")) ++m_Ol;
    if (Is(name, "a") && !m_Grab.On()) {
      std::string_view href = attrs.Get("href");
      m_Target.clear();
      if (href.data()) ResolveTarget(href);
      m_Grab.Start();
      m_ADepth = m_Depth;
    }
  }
  void OnEndElement(const char* name) override {
    if (m_List && m_Grab.On() && m_Depth == m_ADepth) {
      NavEntry e;
      e.label = m_Grab.Take();
      e.target = m_Target;
      e.level = m_Ol < 1 ? 1 : m_Ol;
      if (!e.target.empty()) m_List->push_back(std::move(e));
    }
    if (m_List && Is(name, "ol")) --m_Ol;
    if (m_Depth == m_NavDepth) m_List = nullptr;
    --m_Depth;
  }
  void OnCharacters(const char* text, int length) override { m_Grab.Add(text, length); }
  bool WantsStop() const override { return false; }

 private:
  void ResolveTarget(std::string_view href) {
    size_t hash = href.find('#');
    std::string_view file = href.substr(0, hash);
    std::string member;
    if (file.empty())
      member = m_Path;
    else if (!ResolveMember(m_Path, file, &member))
      return;
    m_Target = member;
    if (hash != std::string_view::npos) m_Target.append(href.substr(hash));
  }

  const std::string& m_Path;
  std::vector<NavEntry>* m_Toc;
  std::vector<NavEntry>* m_Pages;
  std::vector<NavEntry>* m_List = nullptr;
  int m_Depth = 0, m_NavDepth = -1, m_Ol = 0, m_ADepth = -1;
  std::string m_Target;
  TextGrab m_Grab;
};

int Parse(const std::string& xml, const char* name, XmlSink& sink) {
  return XmlPushParseMemory(xml.data(), xml.size(), name, sink, XmlReadOptions(), nullptr);
}

}  // namespace

const char* LocalName(const char* name) {
  const char* colon = strrchr(name, ':');
  return colon ? colon + 1 : name;
}

bool HasToken(std::string_view list, std::string_view token) {
  if (!list.data()) return false;
  size_t i = 0;
  while (i < list.size()) {
    while (i < list.size() && IsTrimSpace(static_cast<unsigned char>(list[i]))) ++i;
    size_t j = i;
    while (j < list.size() && !IsTrimSpace(static_cast<unsigned char>(list[j]))) ++j;
    if (j > i && list.substr(i, j - i) == token) return true;
    i = j;
  }
  return false;
}

int NarratedPackage::Find(std::string_view id) const {
  if (!id.data()) return -1;
  auto it = ids.find(std::string(id));
  return it == ids.end() ? -1 : it->second;
}

bool NarratedPackage::IsNarrated() const {
  for (int i : spine) {
    int o = Find(items[static_cast<size_t>(i)].overlay);
    if (o >= 0 && strcasestr(items[static_cast<size_t>(o)].type.c_str(), "smil")) return true;
  }
  return false;
}

bool ReadRootfile(const std::string& xml, std::string* path) {
  ContainerSink sink;
  Parse(xml, "container.xml", sink);
  std::string member;
  if (sink.path.empty() || !ResolveMember("", sink.path, &member)) return false;
  *path = member;
  return true;
}

int ReadPackage(const std::string& xml, NarratedPackage* out) {
  PackageSink sink(out);
  return Parse(xml, out->path.c_str(), sink) == 0 ? 0 : -3;
}

int ReadNavigation(const std::string& xml, const std::string& path, std::vector<NavEntry>* toc,
                   std::vector<NavEntry>* pages) {
  NavSink sink(path, toc, pages);
  XmlReadOptions options;
  if (Parse(xml, path.c_str(), sink) == 0) return 0;
  // A navigation document that is not well-formed is usually plain HTML.
  toc->clear();
  pages->clear();
  NavSink again(path, toc, pages);
  options.html = true;
  XmlPushParseMemory(xml.data(), xml.size(), path.c_str(), again, options, nullptr);
  return -3;
}

int OpenPackage(NarratedArchive& archive, NarratedPackage* out) {
  std::string xml;
  if (archive.ReadAll("META-INF/container.xml", &xml, kMaxPackageBytes) != 0) return -6;
  if (!ReadRootfile(xml, &out->path)) return -6;
  if (archive.ReadAll(out->path, &xml, kMaxPackageBytes) != 0) return -6;
  return ReadPackage(xml, out);
}

bool IsNarratedEpub(const char* devicePath) {
  NarratedArchive archive;
  if (!devicePath || archive.Open(devicePath) != 0) return false;
  NarratedPackage package;
  return OpenPackage(archive, &package) == 0 && package.IsNarrated();
}

}  // namespace libDaisy
