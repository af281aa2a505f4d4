// CDocx: Word documents ("docx"). The content types name the main document,
// the styles and the numbering; outline levels (of the paragraph or inherited
// through its style) give headings, list numbers are spoken, tables are read
// row by row, and Word's last layout gives the pages (or the model cuts them
// when the document carries none). Footnotes and endnotes follow the text,
// numbered as their marks in it; marks and notes are quiet ranges. The
// document's first piece is read at opening, the rest a step at a time behind
// the speech.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/lib/zip/archive.h"
#include "ebook/archive_xml.h"
#include "ebook/ebook.h"

class DocxBody;

class CDocx : public CEbook {
 public:
  // 0; -2 null path; -3 no memory; -4 cannot be opened; -6 not a Word
  // document (an encrypted one is not a ZIP archive), or a part unreadable.
  int Open(const char* path) override;
  CDocx();
  ~CDocx() override;

  struct Style {
    std::string basedOn;
    int level = -1;  // 1-9, -1 none of its own
  };
  struct NumLevel {
    int start = 1;
    std::string format = "decimal";
    std::string text;
    bool legal = false;
  };
  struct Parts {
    std::string document, styles, numbering, footnotes, endnotes, settings;
  };
  // Word's defaults: footnotes 1, 2, 3; endnotes i, ii, iii.
  struct NoteNumbers {
    NumLevel foot{1, "decimal", "", false};
    NumLevel end{1, "lowerRoman", "", false};
  };

  // Parsers of the parts over bytes in memory (also fed by the fuzzer). 0 or -6.
  static int ParseContentTypes(const std::string& xml, Parts* parts);
  // language: the document's default language ("pl-PL"), when asked for.
  static int ParseStyles(const std::string& xml, std::map<std::string, Style>* styles,
                         std::string* language = nullptr);
  static int ParseNumbering(const std::string& xml, std::map<std::string, std::vector<NumLevel>>* abstracts,
                            std::map<std::string, std::string>* nums);
  static int ParseSettings(const std::string& xml, NoteNumbers* numbers);
  // The heading level of a style, following its bases through at most ten
  // styles; 0 when none.
  static int StyleLevel(const std::map<std::string, Style>& styles, const std::string& id);
  // A number as a list format writes it ("decimal", "lowerLetter", ...).
  static std::string FormatNumber(int n, const std::string& format);

 protected:
  int ReadMore() override;
  void EndSteps() override;
  // An open note may yet become a quiet range.
  int SettledBefore() const override;

 private:
  friend class DocxBody;
  // Up to `budget` more bytes of the parts: 1 while some are left, 0 at the
  // end, or a failure (-6 the document unreadable, -3).
  int Feed(size_t budget);
  // The closing sequence, with Word's pages when the document has them.
  int Finish();

  zip::Archive m_Zip;
  std::map<std::string, Style> m_Styles;
  std::map<std::string, std::vector<NumLevel>> m_Abstracts;
  std::map<std::string, std::string> m_Nums;
  NoteNumbers m_NoteNumbers;
  std::unique_ptr<DocxBody> m_Body;
  std::unique_ptr<ArchiveXml> m_Part;   // the part being read
  std::vector<std::string> m_Parts;     // the document, then its notes
  size_t m_NextPart = 0;
};
