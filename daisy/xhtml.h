// A text document of a book (XHTML, HTML or DTBook) cut into text pieces, with
// the range of pieces that each element id covers. SMIL text references become
// such ranges, which the player speaks piece by piece.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/lib/no_copy.h"
#include "daisy/string_array.h"
#include "daisy/xml_push.h"

namespace libDaisy {

class Xhtml : private XmlSink, NoCopy {
 public:
  Xhtml();
  virtual ~Xhtml();

  // Reads the document with the XML parser. 0; -1 null path; -2 out of memory
  // or more than 100 nested elements with ids; -3 unreadable or not
  // well-formed. What was read before an error stays usable.
  virtual int Open(const char* path);
  // The same with libxml2's HTML parser (never fails on bad markup).
  virtual int OpenHtml(const char* path);
  virtual void Close();
  // Id number index: its text, first piece and the piece after its last; -1 out of range.
  virtual int GetIdInfo(int index, const char** id, int* firstPiece, int* endPiece) const;
  virtual int GetTotalIds() const { return m_Ids ? m_Ids->GetCnt() : 0; }
  virtual int GetTotalTexts() const { return m_Texts ? m_Texts->GetCnt() : 0; }
  // Piece index; -1 out of range.
  virtual int GetText(int index, const char** text) const;
  // Whether piece `index` lies in a page number, a note, a note reference
  // or an annotation (pagenum, note, noteref, annotation, annoref, and the
  // page spans of DAISY 2.02 text); false out of range.
  bool IsQuietText(int index) const;
  virtual void PrintInfo() const;

  // The ids the book's SMIL files point at (kept across opens; the text
  // they view must outlive the opens). Inline markup (em, a, span...) then
  // cuts a piece only where it carries one of them; without the list,
  // wherever it carries an id.
  void SetReferencedIds(std::vector<std::string_view> ids);

  int Open(const char* path, const XmlReadOptions& options);
  int OpenMemory(const char* data, size_t size, const XmlReadOptions& options);
  // Id number matching id ignoring case: the first at or after from, else the
  // first before it; -1 when none. An exact match wins over case variants.
  int FindId(const char* id, int from) const;
  const XmlParseInfo& GetParseInfo() const { return m_ParseInfo; }
  void Dump(std::string& out) const;

  static constexpr int kMaxOpenIds = 100;

  // The page breaks the document marks itself (epub:type "pagebreak"), in
  // order: the piece the page starts at and its label (the title, else the
  // element's text).
  struct PageBreak {
    int piece;
    std::string label;
  };
  const std::vector<PageBreak>& PageBreaks() const { return m_PageBreaks; }

 private:
  void OnStartElement(const char* name, const XmlAttrs& attrs) override;
  void OnEndElement(const char* name) override;
  void OnCharacters(const char* text, int length) override;
  bool WantsStop() const override { return m_Error != 0; }
  int Begin(size_t fileSize);
  int Finish(int parseResult);
  void FlushText();
  int GrowRanges();
  void Fail(int code) {
    if (m_Error == 0) m_Error = code;
  }

  int m_Error = 0;
  int m_Depth = 0;
  std::unique_ptr<StringArray> m_Texts;
  std::unique_ptr<StringArray> m_Ids;
  int* m_First = nullptr;
  int* m_End = nullptr;
  int m_RangeCap = 0;
  int m_RangeStep = 256;
  struct OpenId {
    int depth;
    int id;
  };
  OpenId m_Open[kMaxOpenIds];
  int m_UnClosedIdCnt = 0;
  std::string m_Pending;  // character data since the last tag
  // Case-folded hashes of the referenced ids beside them, in hash order.
  std::vector<std::pair<uint32_t, std::string_view>> m_Referenced;
  bool IsReferenced(std::string_view id) const;
  bool m_HasReferenced = false;
  std::vector<char> m_Cuts;  // per open element: it starts and ends a piece
  int m_QuietDepth = -1;     // inside a page number or note from this depth
  std::vector<char> m_Quiet;  // per piece
  XmlParseInfo m_ParseInfo;
  std::vector<PageBreak> m_PageBreaks;
  int m_PageLabelDepth = -1;  // inside a page break whose text is its label
};

}  // namespace libDaisy
