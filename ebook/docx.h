// CDocx: Word documents ("docx"). The content types name the main document,
// the styles and the numbering; outline levels (of the paragraph or inherited
// through its style) give headings, list numbers are spoken, tables are read
// row by row, and Word's last layout gives the pages (or the model cuts them
// when the document carries none). Footnotes and endnotes follow the text,
// numbered as their marks in it; marks and notes are quiet ranges.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ebook/ebook.h"

class DocxBody;

class CDocx : public CEbook {
 public:
  // 0; -2 null path; -3 no memory; -4 cannot be opened; -6 not a Word
  // document (an encrypted one is not a ZIP archive), or a part unreadable.
  int Open(const char* path) override;

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

 private:
  friend class DocxBody;
};
