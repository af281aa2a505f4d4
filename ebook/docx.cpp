// CDocx: the main document streamed from the archive into the text model.
#include "ebook/docx.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/lib/xml/xml_reader.h"
#include "core/lib/zip/archive.h"
#include "ebook/archive_xml.h"

namespace {

constexpr size_t c_MaxPart = 16 << 20;
// The document read per step behind the speech: a few milliseconds on the device.
constexpr size_t c_Step = 8 * 8192;

bool Is(const char* name, const char* qname) { return strcmp(name, qname) == 0; }

// Content that is not text of the page: drawings (their text boxes come
// again in the fallback), the fallback copies of new features, VML pictures.
bool IsSkipped(const char* name) { return Is(name, "w:drawing") || Is(name, "mc:Fallback") || Is(name, "w:pict"); }

bool IsTrue(const char* v) { return v && (Is(v, "1") || Is(v, "true") || Is(v, "on")); }

// The separators Word draws above the notes are notes of their own kind.
bool IsNoteText(const char* type) { return !type || Is(type, "normal"); }

}  // namespace

class DocxBody : public xml::Handler {
 public:
  DocxBody(CDocx& b, const std::map<std::string, CDocx::Style>& s,
           const std::map<std::string, std::vector<CDocx::NumLevel>>& a, const std::map<std::string, std::string>& n,
           const CDocx::NoteNumbers& notes)
      : m_B(b), m_Styles(s), m_Abstracts(a), m_Nums(n), m_NoteFormats(notes) {}

  void OnStart(const char* name, xml::Attrs attrs) override {
    if (m_Skip > 0 || IsSkipped(name)) {
      ++m_Skip;
      return;
    }
    if (Is(name, "w:t")) {
      m_InText = true;
    } else if (Is(name, "w:footnoteReference") || Is(name, "w:endnoteReference")) {
      NoteMark(name[2] == 'f', attrs);
    } else if (Is(name, "w:footnote") || Is(name, "w:endnote")) {
      StartNote(name[2] == 'f', attrs);
    } else if (Is(name, "w:footnoteRef") || Is(name, "w:endnoteRef")) {
      if (!m_NoteNumber.empty()) Quiet(m_NoteNumber + " ");
    } else if (Is(name, "w:p")) {
      if (++m_PDepth == 1) StartParagraph();
    } else if (m_PDepth == 0 && (Is(name, "w:tbl") || Is(name, "w:tr"))) {
      if (Is(name, "w:tbl")) ++m_Table;
      EndLine(true);
    } else if (Is(name, "w:lastRenderedPageBreak")) {
      PageBreak();
    } else if (Is(name, "w:tab")) {
      if (m_TextAdded) Text(" ", 1);
    } else if (Is(name, "w:noBreakHyphen")) {
      // Word writes the hyphen of "e-mail" or "555-1234" as an element.
      Text("-", 1);
    } else if (Is(name, "w:br") || Is(name, "w:cr")) {
      EndLine(false);
    } else if (m_PDepth == 1) {
      Properties(name, attrs);
    }
  }

  void OnEnd(const char* name) override {
    if (m_Skip > 0) {
      --m_Skip;
      return;
    }
    if (Is(name, "w:t")) {
      m_InText = false;
    } else if (Is(name, "w:footnote") || Is(name, "w:endnote")) {
      EndNote();
    } else if (Is(name, "w:p")) {
      if (m_PDepth-- == 1) EndLine(m_Table == 0);
    } else if (m_PDepth == 0 && Is(name, "w:tbl")) {
      if (m_Table > 0) --m_Table;
      EndLine(true);
    } else if (m_PDepth == 0 && Is(name, "w:tc")) {
      EndLine(false);
    }
  }

  void OnText(const char* text, int length) override {
    if (m_InText && m_Skip == 0) Text(text, length);
  }
  bool WantsStop() const override { return m_Error != 0; }

  // A part read only in part ends its open note and line.
  void EndPart() {
    EndNote();
    EndLine(true);
    m_Skip = m_PDepth = m_Table = 0;
    m_InText = false;
  }

  int m_Error = 0;
  int m_PageBreaks = 0;
  int m_NoteStart = -1;  // the place an open note began at

 private:
  // A note's mark in the text: Word numbers footnotes and endnotes each from
  // 1 in the order of their marks (a custom mark brings its own text).
  void NoteMark(bool foot, xml::Attrs attrs) {
    const char* id = xml::Attr(attrs, "w:id");
    if (!id || IsTrue(xml::Attr(attrs, "w:customMarkFollows"))) return;
    int& counter = foot ? m_Footnotes : m_Endnotes;
    const CDocx::NumLevel& f = foot ? m_NoteFormats.foot : m_NoteFormats.end;
    std::string number = CDocx::FormatNumber(f.start + counter++, f.format);
    if (number.empty()) return;
    (foot ? m_FootnoteNumbers : m_EndnoteNumbers)[id] = number;
    Quiet(number);
  }

  void StartNote(bool foot, xml::Attrs attrs) {
    EndNote();
    if (!IsNoteText(xml::Attr(attrs, "w:type"))) {
      m_Skip = 1;
      return;
    }
    const char* id = xml::Attr(attrs, "w:id");
    const std::map<std::string, std::string>& numbers = foot ? m_FootnoteNumbers : m_EndnoteNumbers;
    auto it = id ? numbers.find(id) : numbers.end();
    m_NoteNumber = it == numbers.end() ? "" : it->second;
    m_NoteStart = m_B.m_TextLength;
  }

  void EndNote() {
    if (m_NoteStart < 0) return;
    EndLine(true);
    if (m_B.m_TextLength > m_NoteStart) AddQuiet(m_NoteStart, m_B.m_TextLength);
    m_NoteStart = -1;
    m_NoteNumber.clear();
  }

  // Text that quieter reading passes over.
  void Quiet(const std::string& text) {
    BeginText();
    int start = m_B.m_TextLength;
    Text(text.c_str(), static_cast<int>(text.size()));
    if (m_NoteStart < 0) AddQuiet(start, m_B.m_TextLength);
  }

  void AddQuiet(int start, int end) {
    try {
      m_B.m_QuietRanges.emplace_back(start, end);
    } catch (const std::bad_alloc&) {
      Check(-3);
    }
  }

  void Check(int r) {
    if (r < 0 && m_Error == 0) m_Error = r;
  }

  void StartParagraph() {
    // Cell paragraphs are lines of their row's paragraph.
    EndLine(m_Table == 0);
    m_Level = 0;
    m_NumId.clear();
    m_Ilvl = 0;
  }

  void Properties(const char* name, xml::Attrs attrs) {
    const char* v = xml::Attr(attrs, "w:val");
    if (!v) return;
    if (Is(name, "w:pStyle")) {
      int l = CDocx::StyleLevel(m_Styles, v);
      if (l > 0) m_Level = l;
    } else if (Is(name, "w:outlineLvl")) {
      int l = atoi(v);
      if (l >= 0 && l < 9) m_Level = l + 1;
    } else if (Is(name, "w:ilvl")) {
      m_Ilvl = atoi(v);
    } else if (Is(name, "w:numId")) {
      m_NumId = v;
    }
  }

  void EndLine(bool paragraph) {
    if (m_TextAdded) Check(m_B.AddCharW(10));
    m_TextAdded = false;
    if (paragraph) m_NewParagraph = true;
  }

  void PageBreak() {
    int n = m_B.m_PageCount;
    if (n > 0 && m_B.m_PageStarts[n - 1] == m_B.m_TextLength) return;
    Check(m_B.AddPageFlag(0));
    ++m_PageBreaks;
  }

  // The paragraph's marks and list number, before its first text.
  void BeginText() {
    if (m_TextAdded) return;
    if (m_NewParagraph) {
      Check(m_B.AddParagraphFlag(0));
      if (m_Level > 0 && m_Table == 0) Check(m_B.AddHeadingFlag(m_Level, 0));
      m_NewParagraph = false;
    }
    std::string number = ListNumber();
    if (!number.empty()) Check(m_B.AddText(number.c_str(), static_cast<int>(number.size())));
    m_NumId.clear();
    m_TextAdded = true;
  }

  void Text(const char* text, int length) {
    BeginText();
    Check(m_B.AddText(text, length));
  }

  // The list number of the paragraph, counted per list definition, followed
  // by a space; "" for bullets and paragraphs outside lists.
  std::string ListNumber() {
    auto num = m_Nums.find(m_NumId);
    if (m_NumId.empty() || num == m_Nums.end()) return "";
    auto abs = m_Abstracts.find(num->second);
    if (abs == m_Abstracts.end() || m_Ilvl < 0 || m_Ilvl >= 9) return "";
    const std::vector<CDocx::NumLevel>& levels = abs->second;
    std::vector<int>& count = m_Counters[num->second];
    if (count.empty()) count.assign(9, -1);
    const CDocx::NumLevel& lvl = levels[static_cast<size_t>(m_Ilvl)];
    count[static_cast<size_t>(m_Ilvl)] = count[static_cast<size_t>(m_Ilvl)] < 0 ? lvl.start : count[static_cast<size_t>(m_Ilvl)] + 1;
    for (size_t k = static_cast<size_t>(m_Ilvl) + 1; k < 9; ++k) count[k] = -1;
    if (lvl.format == "bullet" || lvl.format == "none") return "";
    std::string out;
    for (size_t i = 0; i < lvl.text.size(); ++i) {
      int k = lvl.text[i] == '%' && i + 1 < lvl.text.size() ? lvl.text[i + 1] - '1' : -1;
      if (k < 0 || k > 8) {
        out += lvl.text[i];
        continue;
      }
      int n = count[static_cast<size_t>(k)] < 0 ? levels[static_cast<size_t>(k)].start : count[static_cast<size_t>(k)];
      out += CDocx::FormatNumber(n, lvl.legal ? "decimal" : levels[static_cast<size_t>(k)].format);
      ++i;
    }
    return out.empty() ? out : out + " ";
  }

  CDocx& m_B;
  const std::map<std::string, CDocx::Style>& m_Styles;
  const std::map<std::string, std::vector<CDocx::NumLevel>>& m_Abstracts;
  const std::map<std::string, std::string>& m_Nums;
  const CDocx::NoteNumbers& m_NoteFormats;
  std::map<std::string, std::vector<int>> m_Counters;
  std::map<std::string, std::string> m_FootnoteNumbers, m_EndnoteNumbers;
  int m_Footnotes = 0, m_Endnotes = 0;
  std::string m_NoteNumber;
  int m_Skip = 0, m_PDepth = 0, m_Table = 0, m_Level = 0, m_Ilvl = 0;
  std::string m_NumId;
  bool m_InText = false, m_TextAdded = false, m_NewParagraph = true;
};

CDocx::CDocx() = default;
CDocx::~CDocx() { EndSteps(); }

void CDocx::EndSteps() {
  m_Part.reset();
  m_Body.reset();
  m_Zip.Close();
  m_Styles.clear();
  m_Abstracts.clear();
  m_Nums.clear();
  m_Parts.clear();
  m_NextPart = 0;
}

int CDocx::SettledBefore() const {
  return m_Body && m_Body->m_NoteStart >= 0 ? m_Body->m_NoteStart : m_TextLength;
}

int CDocx::Feed(size_t budget) {
  for (;;) {
    if (!m_Part) {
      if (m_NextPart >= m_Parts.size()) return 0;
      m_Part.reset(new (std::nothrow) ArchiveXml(m_Zip, *m_Body));
      if (!m_Part) return -3;
      int r = m_Part->Start(m_Parts[m_NextPart++], xml::Options());
      if (r != 0) m_Part.reset();
      if (r == -3 || (r != 0 && m_NextPart == 1)) return r == -3 ? -3 : -6;
      if (r != 0) continue;
    }
    int r = m_Part->Feed(budget);
    if (m_Body->m_Error) return m_Body->m_Error;
    if (r == 1) return 1;
    m_Part.reset();
    // The notes only add to the reading: a damaged part gives what it holds.
    if (m_NextPart == 1 && r != 0) return r == -5 ? -6 : r;
    if (m_NextPart > 1) m_Body->EndPart();
    if (m_Body->m_Error) return m_Body->m_Error;
    return 1;
  }
}

int CDocx::Finish() {
  bool ownPages = m_Body && m_Body->m_PageBreaks > 0;
  EndSteps();
  if (!ownPages) {
    // No layout in the file: the model cuts the pages.
    free(m_PageStarts);
    m_PageStarts = nullptr;
    m_PageCount = m_PageCapacity = 0;
  }
  return FinishBuilding(!ownPages);
}

int CDocx::ReadMore() {
  int r = Feed(c_Step);
  if (r == 1) return 1;
  // A failure part way through closes the book with what was read: its
  // start is being read aloud already.
  return Finish();
}

int CDocx::Open(const char* path) {
  if (!path) return -2;
  Close();
  int r = m_Zip.Open(path);
  std::string xml;
  Parts parts;
  if (r == 0) r = m_Zip.ReadAll("[Content_Types].xml", &xml, c_MaxPart) == 0 ? ParseContentTypes(xml, &parts) : -6;
  // Styles and numbering only add to the reading; a damaged one is left out.
  std::string language;
  if (r == 0 && !parts.styles.empty() && m_Zip.ReadAll(parts.styles.c_str(), &xml, c_MaxPart) == 0)
    ParseStyles(xml, &m_Styles, &language);
  SetLanguage(language.c_str());
  if (r == 0 && !parts.numbering.empty() && m_Zip.ReadAll(parts.numbering.c_str(), &xml, c_MaxPart) == 0)
    ParseNumbering(xml, &m_Abstracts, &m_Nums);
  if (r == 0 && !parts.settings.empty() && m_Zip.ReadAll(parts.settings.c_str(), &xml, c_MaxPart) == 0)
    ParseSettings(xml, &m_NoteNumbers);
  xml.clear();
  xml.shrink_to_fit();
  if (r == 0) {
    m_Body.reset(new (std::nothrow) DocxBody(*this, m_Styles, m_Abstracts, m_Nums, m_NoteNumbers));
    if (!m_Body) r = -3;
  }
  if (r == 0) {
    m_Parts.push_back(parts.document);
    for (const std::string* notes : {&parts.footnotes, &parts.endnotes})
      if (!notes->empty()) m_Parts.push_back(*notes);
  }
  // Page 0 starts at place 0 whatever the first page break says.
  if (r == 0) r = AddPageFlag(0);
  // The document's first piece is read here and fails the opening as the
  // whole document would; the rest follows as reading reaches it.
  if (r == 0) r = Feed(c_Step);
  if (r == 1) r = ReadInSteps();
  else if (r == 0) r = Finish();
  if (r != 0) Close();
  return r;
}
