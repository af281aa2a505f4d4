// CEpub: EPUB 2 and 3 books. The container names the package; the package's
// spine gives the reading order; its table of contents (the EPUB 3 navigation
// document, else the NCX) gives the headings, with levels by nesting depth.
// Each content document is streamed from the archive to the XHTML rules; DTBook
// documents give their own levels and page numbers, SVG documents their
// titles, descriptions and text. A spine item of another type is read through
// its manifest fallback. The first document is read at opening, the others a
// step at a time behind the speech.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/lib/zip/archive.h"
#include "ebook/archive_xml.h"
#include "ebook/xhtml.h"

class CEpub : public CXhtml {
 public:
  CEpub() { m_ReadAlt = true; }
  ~CEpub() override;
  // 0; -2 null path; -3 no memory; -4 cannot be opened; -6 not an EPUB, a
  // required part missing or unreadable, no spine document readable, or
  // encrypted content. A spine document that cannot be read is passed over.
  int Open(const char* path) override;

  struct ManifestItem {
    std::string href;  // resolved: a path inside the archive
    std::string id;
    std::string mediaType;
    std::string properties;
    std::string fallback;  // the id of the item to read instead
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

 protected:
  int ReadMore() override;
  void EndSteps() override;
  // A document being read may yet be dropped or read again from its start.
  int SettledBefore() const override;

 private:
  enum Kind { c_Xhtml, c_Dtbook, c_Svg };
  struct Document {
    std::string path;
    Kind kind;
  };
  // The text of an SVG content document: its title, desc and text elements.
  class SvgHandler : public xml::Handler {
   public:
    explicit SvgHandler(CEpub& book) : m_Book(book) {}
    void OnStart(const char* name, xml::Attrs attrs) override;
    void OnEnd(const char* name) override;
    void OnText(const char* text, int length) override;
    bool WantsStop() const override { return m_Book.GetError() != 0; }
    int m_Inside = 0;

   private:
    CEpub& m_Book;
  };

  int ReadPackage(const std::string& path);
  // The spine's items in reading order, fallbacks followed.
  void ReadSpine(const std::vector<std::string>& idrefs);
  int CheckEncryption();
  // Opens spine document `index` for reading (again, as HTML, when `html`):
  // 0; -6 it cannot be read; -3.
  int StartDocument(size_t index, bool html);
  // After the document's last piece gave `r`: 0 read, 1 to be read again as
  // HTML, 2 passed over, or -3.
  int EndDocument(int r);
  // Reads up to `budget` more bytes: 1 after a document or a step ended, 0
  // at the end of the spine, or -3.
  int Feed(size_t budget);

  zip::Archive m_Zip;
  std::vector<ManifestItem> m_Manifest;
  std::vector<Document> m_Docs;
  std::vector<TocEntry> m_Toc;
  // Table of contents entries in the order of their documents' names (any
  // case), each document's in their own order.
  std::vector<size_t> m_TocByPath;
  std::unordered_set<std::string> m_Encrypted;  // lower case
  // The document being read.
  size_t m_Next = 0;       // the next one to open
  size_t m_Read = 0;       // documents read so far
  std::unique_ptr<ArchiveXml> m_Doc;
  std::unique_ptr<ArchiveXml::Filter> m_Filter;
  XhtmlHandler m_Handler{*this};
  SvgHandler m_Svg{*this};
  std::map<std::string, int> m_Ids;
  Mark m_Before{};  // the text and tables before it
  bool m_Html = false;
};
