#include "tests/ebook/ebook_test_util.h"

#include <algorithm>

namespace ebooktest {

// Plain converters for well-formed test strings (the firmware's own decoder
// is what is under test, so it is not used here).
std::u16string U16(const std::string& utf8) {
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char b = static_cast<unsigned char>(utf8[i]);
    int follow = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
    char32_t cp = follow == 0 ? b : follow == 1 ? (b & 0x1F) : follow == 2 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k <= follow && i + k < utf8.size(); ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
    i += follow + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 | (cp >> 10));
      out += static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string U8(const std::u16string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size()) cp = 0x10000 + ((cp - 0xD800) << 10) + (s[++i] - 0xDC00);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::u16string Current(iCEbook& book) {
  unsigned short* text = nullptr;
  int length = -1;
  if (book.ReadCurSentence(&text, &length) != 0 || !text || length <= 0) return u"";
  return std::u16string(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(length));
}

std::vector<std::u16string> Sentences(iCEbook& book) {
  std::vector<std::u16string> out;
  for (int i = 0; i < book.GetTotalSentences(); ++i) {
    book.SeekToSentence(i);
    out.push_back(Current(book));
  }
  return out;
}

std::vector<int> SentenceStarts(iCEbook& book) {
  std::vector<int> out;
  for (int i = 0; i < book.GetTotalSentences(); ++i) {
    book.SeekToSentence(i);
    out.push_back(book.GetCurPlace());
  }
  return out;
}

std::vector<int> ParagraphStarts(iCEbook& book) {
  std::vector<int> out;
  for (int i = 1; i < book.GetTotalParagraphs(); ++i) {
    book.SeekToParagraph(i);
    out.push_back(book.GetCurPlace());
  }
  return out;
}

std::vector<int> PageStarts(iCEbook& book) {
  std::vector<int> out;
  for (int i = 0; i < book.GetTotalPages(); ++i) {
    book.SeekToPage(i);
    out.push_back(book.GetCurPlace());
  }
  return out;
}

std::string AllText(iCEbook& book) {
  std::u16string u(static_cast<size_t>(book.GetUnicodeLength()), u'\0');
  int n = u.empty() ? 0 : book.GetUnicode(reinterpret_cast<unsigned short*>(&u[0]), book.GetUnicodeLength());
  u.resize(static_cast<size_t>(std::max(n, 0)));
  return U8(u);
}

}  // namespace ebooktest
