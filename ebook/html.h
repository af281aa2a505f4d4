// CHtml: ordinary web pages ("htm", "html"). The encoding is taken from a
// byte-order mark, valid UTF-8, the charset the page declares, or the
// detector; CP1250 otherwise. The text goes through the tolerant tokenizer.
#pragma once

#include <memory>
#include <string>

#include "ebook/html_tokenizer.h"
#include "ebook/xhtml.h"

class CHtml : public CXhtml {
 public:
  // Bytes of a page, read in pieces: bytes read, 0 at the end, or -4.
  class Decoder {
   public:
    virtual ~Decoder() = default;
    virtual int Read(unsigned char* buf, int room) = 0;
  };

  CHtml();
  ~CHtml() override;
  // 0; -2 null path or an encoding that cannot be converted; -3 no memory;
  // -4 cannot be opened or read; -6 fewer than 5 bytes, or not text.
  int Open(const char* path) override;

  // The encoding of a page's bytes: "UTF-16LE", "UTF-16BE", "UTF-8" or a
  // code page iconv knows. *skip = the length of the byte-order mark.
  static std::string PickEncoding(const unsigned char* data, int size, bool whole, int* skip);
  // The length of the byte-order mark the bytes start with, 0 without one.
  static int MarkLength(const unsigned char* data, int size);

 protected:
  // Reads the first step of `in`'s bytes of `encoding` through the tokenizer
  // and leaves the rest to be read as reading reaches it. 0, -2 (the encoding
  // cannot be converted), -3, -4, or -6 when the start is not text.
  int OpenMarkup(std::unique_ptr<Decoder> in, const std::string& encoding);
  // Where decoded units go: the tokenizer, or (a plain-text part) lines.
  virtual void PushUnits(const unsigned short* units, int count, bool last);
  int ReadMore() override;
  void EndSteps() override;
  HtmlTokenizer m_Tokenizer;

 private:
  struct Stream;
  // Reads on about `budget` bytes: 1 while bytes are left, 0 at the end, or
  // a failure as OpenMarkup's.
  int ReadMarkup(size_t budget);
  std::unique_ptr<Stream> m_Stream;  // the bytes not read yet
};

// An XHTML file: read as XML; one that is not well-formed (an entity only
// its own DTD subset declares, a stray "&") is read again as HTML, as a
// browser would, rather than refused.
class CXhtmlFile : public CHtml {
 public:
  int Open(const char* path) override {
    const int r = CXhtml::Open(path);
    return r == -6 ? CHtml::Open(path) : r;
  }
};

// The encoding the plain-text detector names for bytes with no byte-order
// mark that are not UTF-8 and declare nothing: the one place where CHtml asks
// it. CP1250 when it is unsure between the Central European code pages.
std::string DetectTextEncoding(const unsigned char* data, int size);
