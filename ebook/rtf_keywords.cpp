#include "ebook/rtf_keywords.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rtf {

namespace {

// Sorted by name for the binary search. Formatting properties that change no
// spoken text are left out: unknown keywords are ignored.
const Keyword c_RgsymRtf[] = {
    {"ansicpg", kProperty, aAnsiCodePage},
    {"author", kDestination, 0},
    {"bin", kSpecial, aBin},
    {"bkmkend", kDestination, 0},
    {"bkmkstart", kDestination, 0},
    {"bullet", kCharacter, 0x2022},
    {"buptim", kDestination, 0},
    {"cell", kProperty, aCell},
    {"colorschememapping", kDestination, 0},
    {"colortbl", kDestination, 0},
    {"comment", kDestination, 0},
    {"cpg", kProperty, aFontCodePage},
    {"creatim", kDestination, 0},
    {"cs", kProperty, aOtherStyle},
    {"datastore", kDestination, 0},
    {"deff", kProperty, aDefaultFont},
    {"doccomm", kDestination, 0},
    {"ds", kProperty, aOtherStyle},
    {"emdash", kCharacter, 8212},
    {"emspace", kCharacter, 32},
    {"endash", kCharacter, 8211},
    {"enspace", kCharacter, 32},
    {"f", kProperty, aFont},
    {"fcharset", kProperty, aCharset},
    {"fldinst", kDestination, 0},
    {"fonttbl", kSpecial, aFontTable},
    {"footer", kDestination, 0},
    {"footerf", kDestination, 0},
    {"footerl", kDestination, 0},
    {"footerr", kDestination, 0},
    {"footnote", kDestination, 0},
    {"ftncn", kDestination, 0},
    {"ftnsep", kDestination, 0},
    {"ftnsepc", kDestination, 0},
    {"generator", kDestination, 0},
    {"header", kDestination, 0},
    {"headerf", kDestination, 0},
    {"headerl", kDestination, 0},
    {"headerr", kDestination, 0},
    {"info", kDestination, 0},
    {"keywords", kDestination, 0},
    {"latentstyles", kDestination, 0},
    {"ldblquote", kCharacter, 34},
    {"line", kProperty, aLine},
    {"listoverridetable", kDestination, 0},
    {"listtable", kDestination, 0},
    {"lquote", kCharacter, 8216},
    {"mac", kProperty, aMac},
    {"object", kDestination, 0},
    {"operator", kDestination, 0},
    {"outlinelevel", kProperty, aOutlineLevel},
    {"page", kProperty, aParagraph},
    {"par", kProperty, aParagraph},
    {"pard", kProperty, aParagraphDefault},
    {"pc", kProperty, aPc},
    {"pca", kProperty, aPca},
    {"pict", kDestination, 0},
    {"plain", kProperty, aPlain},
    {"printim", kDestination, 0},
    {"private1", kDestination, 0},
    {"rdblquote", kCharacter, 34},
    {"revtim", kDestination, 0},
    {"row", kProperty, aParagraph},
    {"rquote", kCharacter, 8217},
    {"rsidtbl", kDestination, 0},
    {"rxe", kDestination, 0},
    {"s", kProperty, aStyle},
    {"sect", kProperty, aParagraph},
    {"stylesheet", kSpecial, aStyleSheet},
    {"subject", kDestination, 0},
    {"tab", kCharacter, 9},
    {"tc", kDestination, 0},
    {"themedata", kDestination, 0},
    {"title", kDestination, 0},
    {"ts", kProperty, aOtherStyle},
    {"txe", kDestination, 0},
    {"u", kProperty, aUnicode},
    {"uc", kProperty, aUnicodeSkip},
    {"ud", kProperty, aUnicodeText},
    {"upr", kProperty, aUnicodePair},
    {"xe", kDestination, 0},
    {"xmlnstbl", kDestination, 0},
};

struct CodePage {
  int number;
  const char* name;
};

const CodePage c_RtfAnsicpgTables[] = {
    {437, "437"},       {708, "ASMO-708"}, {709, "ASMO_449"}, {819, "ISO-8859-1"}, {850, "850"},
    {852, "852"},       {860, "860"},      {862, "862"},      {863, "863"},        {864, "864"},
    {865, "865"},       {866, "866"},      {874, "874"},      {932, "CP932"},      {936, "GBK"},
    {949, "CP949"},     {950, "CP950"},    {1361, "CP1361"},  {10000, "MACINTOSH"},
};

}  // namespace

const Keyword* FindKeyword(const char* name) {
  size_t lo = 0, hi = sizeof c_RgsymRtf / sizeof c_RgsymRtf[0];
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    int c = strcmp(name, c_RgsymRtf[mid].name);
    if (c == 0) return &c_RgsymRtf[mid];
    if (c < 0)
      hi = mid;
    else
      lo = mid + 1;
  }
  return nullptr;
}

const char* CodePageName(int codePage, char* buffer, int size) {
  if (codePage <= 0) return nullptr;
  for (const CodePage& c : c_RtfAnsicpgTables)
    if (c.number == codePage) return c.name;
  if (codePage >= 1250 && codePage <= 1258) {
    snprintf(buffer, static_cast<size_t>(size), "WINDOWS-%d", codePage);
    return buffer;
  }
  snprintf(buffer, static_cast<size_t>(size), "CP%d", codePage);
  return buffer;
}

int CharsetCodePage(int charset) {
  switch (charset) {
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 0;
  }
}

}  // namespace rtf
