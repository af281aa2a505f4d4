// The RTF keywords the reader acts on, and the code pages of RTF documents and
// fonts.
#pragma once

namespace rtf {

enum Kind : unsigned char {
  kProperty,     // changes the state; `value` names which
  kCharacter,    // emits the unit `value`
  kDestination,  // the group holds no text of the document
  kSpecial,      // `value` names the handling
};

// Properties and specials the reader needs.
enum Action : unsigned short {
  aNone,
  aUnicode,       // \u: one unit, then the fallback is skipped
  aUnicodeSkip,   // \uc: length of the fallback
  aAnsiCodePage,  // \ansicpg
  aMac,
  aPc,
  aPca,
  aFont,  // \f
  aDefaultFont,
  aCharset,  // \fcharset (font table)
  aFontCodePage,  // \cpg (font table)
  aPlain,
  aParagraphDefault,  // \pard
  aStyle,             // \s
  aOtherStyle,        // \cs, \ds, \ts: not a paragraph style
  aOutlineLevel,
  aParagraph,  // \par, \sect, \page, \row and the escaped line ends
  aLine,       // \line
  aCell,
  aBin,
  aStar,
  aHex,
  aFontTable,
  aStyleSheet,
  aUnicodePair,  // \upr: the 8-bit copy of a text given again in \ud
  aUnicodeText,  // \ud
  aSkipHyphen,   // \- optional hyphen
};

struct Keyword {
  const char* name;
  Kind kind;
  unsigned short value;
};

// The keyword, or null when the reader ignores it.
const Keyword* FindKeyword(const char* name);
// The iconv name of a Windows code page (null for 0, the bytes themselves).
const char* CodePageName(int codePage, char* buffer, int size);
// The code page of a font's character set; 0 when the set does not change
// the document's own code page.
int CharsetCodePage(int charset);

}  // namespace rtf
