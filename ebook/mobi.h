// CMobi: Mobipocket books ("mobi", "prc", "azw", "azw3", KF8 included). The
// text's markup parts go, in order, through the forgiving HTML parser to the
// XHTML rules; when the parts cannot be rebuilt, the whole raw markup does.
#pragma once

#include <string>

#include "ebook/xhtml.h"

class CMobi : public CXhtml {
 public:
  // 0; -2 null path; -3 no memory; -4 cannot be opened; -6 not a Mobipocket
  // book, damaged, or protected by DRM.
  int Open(const char* path) override;

 private:
  // One markup part through the HTML parser, and each document that follows
  // its "</html>" (`trailing` counts those of the book). 0, -3, or a
  // callback's code.
  int ReadHtml(const char* data, size_t size, const char* encoding, int* trailing);
  void Reserve(size_t markupBytes);
};
