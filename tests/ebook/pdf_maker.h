// Writes small PDF files of our own: pages of ASCII lines in a standard font,
// optionally with an outline and page labels, or "locked" by an encryption
// dictionary whose user password is not empty. Used by the tests, the
// fuzzer's seeds and the bench.
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

// An outline entry: its title, nesting level from 1, the 0-based page it
// leads to, and whether it leads there through a named destination.
struct Mark {
  std::string title;
  int level;
  int page;
  bool named = false;
};

struct Extras {
  bool locked = false;
  std::vector<Mark> outline;
  std::string pageLabels;  // the /Nums array's contents, e.g. "0 << /S /r >> 2 << /S /D >>"
};

namespace detail {

// Writes the entries of one level from `at` into objects (numbered from
// first + 1) and returns the object numbers of its items.
inline std::vector<size_t> Level(const std::vector<Mark>& marks, size_t& at, int level, size_t parent,
                                 std::vector<std::string>& objects, std::string& names) {
  std::vector<size_t> items;
  std::vector<std::string> bodies;
  while (at < marks.size() && marks[at].level >= level) {
    const Mark& m = marks[at++];
    objects.emplace_back();
    size_t self = objects.size();
    std::string body = "/Title (" + Escape(m.title) + ") /Parent " + std::to_string(parent) + " 0 R ";
    std::string dest = "[" + std::to_string(4 + 2 * m.page) + " 0 R /XYZ 0 792 0]";
    if (m.named) {
      std::string name = "mark" + std::to_string(self);
      names += "(" + name + ") " + dest + " ";
      body += "/Dest (" + name + ") ";
    } else {
      body += "/Dest " + dest + " ";
    }
    std::vector<size_t> kids = Level(marks, at, level + 1, self, objects, names);
    if (!kids.empty())
      body += "/First " + std::to_string(kids.front()) + " 0 R /Last " + std::to_string(kids.back()) +
              " 0 R /Count " + std::to_string(kids.size()) + " ";
    items.push_back(self);
    bodies.push_back(body);
  }
  for (size_t i = 0; i < items.size(); ++i) {
    std::string& body = bodies[i];
    if (i > 0) body += "/Prev " + std::to_string(items[i - 1]) + " 0 R ";
    if (i + 1 < items.size()) body += "/Next " + std::to_string(items[i + 1]) + " 0 R ";
    objects[items[i] - 1] = "<< " + body + ">>";
  }
  return items;
}

}  // namespace detail

inline std::string Make(const std::vector<Page>& pages, const Extras& extras) {
  std::vector<std::string> objects;  // object i + 1
  size_t n = pages.size();
  std::string kids;
  for (size_t i = 0; i < n; ++i) kids += std::to_string(4 + 2 * i) + " 0 R ";
  objects.push_back("");  // the catalog, written last
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
  std::string catalog = "<< /Type /Catalog /Pages 2 0 R ";
  if (!extras.outline.empty()) {
    objects.emplace_back();
    size_t root = objects.size(), at = 0;
    std::string names;
    std::vector<size_t> top = detail::Level(extras.outline, at, 1, root, objects, names);
    objects[root - 1] = "<< /Type /Outlines /First " + std::to_string(top.front()) + " 0 R /Last " +
                        std::to_string(top.back()) + " 0 R /Count " + std::to_string(top.size()) + " >>";
    catalog += "/Outlines " + std::to_string(root) + " 0 R ";
    if (!names.empty()) catalog += "/Names << /Dests << /Names [" + names + "] >> >> ";
  }
  if (!extras.pageLabels.empty()) catalog += "/PageLabels << /Nums [" + extras.pageLabels + "] >> ";
  objects[0] = catalog + ">>";
  if (extras.locked)
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
  if (extras.locked)
    out += " /Encrypt " + std::to_string(objects.size()) + " 0 R /ID [<0123456789abcdef> <0123456789abcdef>]";
  out += " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return out;
}

inline std::string Make(const std::vector<Page>& pages, bool locked = false) {
  Extras extras;
  extras.locked = locked;
  return Make(pages, extras);
}

}  // namespace pdfmaker
