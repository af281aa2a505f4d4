// Writes small PDF files of our own: pages of ASCII lines in a standard font,
// optionally "locked" by an encryption dictionary whose user password is not
// empty. Used by the tests, the fuzzer's seeds and the bench.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace pdfmaker {

// One page is a list of lines; an empty list is a page without text.
using Page = std::vector<std::string>;

inline std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

inline std::string Make(const std::vector<Page>& pages, bool locked = false) {
  std::vector<std::string> objects;  // object i + 1
  size_t n = pages.size();
  std::string kids;
  for (size_t i = 0; i < n; ++i) kids += std::to_string(4 + 2 * i) + " 0 R ";
  objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(n) + " >>");
  objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  for (size_t i = 0; i < n; ++i) {
    std::string content = "BT /F1 12 Tf 72 740 Td 14 TL\n";
    for (const std::string& line : pages[i]) content += "(" + Escape(line) + ") Tj T*\n";
    content += "ET";
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >> "
                      "/Contents " + std::to_string(5 + 2 * i) + " 0 R >>");
    objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
  }
  if (locked)
    objects.push_back("<< /Filter /Standard /V 1 /R 2 /P -4 /O <" + std::string(64, '1') + "> /U <" +
                      std::string(64, '2') + "> >>");
  std::string out = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(out.size());
    out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  size_t xref = out.size();
  out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  char line[32];
  for (size_t off : offsets) {
    snprintf(line, sizeof line, "%010zu 00000 n \n", off);
    out += line;
  }
  out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R";
  if (locked) out += " /Encrypt " + std::to_string(objects.size()) + " 0 R /ID [<0123456789abcdef> <0123456789abcdef>]";
  out += " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return out;
}

}  // namespace pdfmaker
