// CMht: saved web pages ("mht", "mhtml"), MIME multipart files. The first
// HTML part is the document (a plain-text part when there is none), decoded
// from quoted-printable or base64 and from its charset, then read as HTML.
// Missing boundaries, missing headers and a truncated file read what is there.
#pragma once

#include <string>
#include <vector>

#include "ebook/html.h"

class CMht : public CHtml {
 public:
  // 0; -2 null path; -3 no memory; -4 cannot be opened or read; -6 no text
  // part, or not text.
  int Open(const char* path) override;

  struct mht_part {
    std::string type, subtype, charset, encoding, boundary;
    size_t body = 0, end = 0;  // the body's bytes in the file
  };
  // The part that holds the document, found in a whole file (nested
  // multiparts included); false when there is no text part.
  static bool FindDocument(const std::string& file, mht_part* part);
  // The body decoded from its transfer encoding.
  static std::string DecodeBody(const std::string& file, const mht_part& part);

 protected:
  void PushUnits(const unsigned short* units, int count, bool last) override;

 private:
  bool m_Plain = false;
  std::vector<unsigned short> m_Line;
};
