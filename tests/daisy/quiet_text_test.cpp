#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "daisy/xhtml.h"

namespace {

using libDaisy::Xhtml;
using libDaisy::XmlReadOptions;

// Every piece of a document, with whether quieter reading passes over it.
std::vector<std::pair<std::string, bool>> Pieces(const std::string& doc, const std::vector<std::string>& refs) {
  Xhtml x;
  x.SetReferencedIds({refs.begin(), refs.end()});
  EXPECT_EQ(0, x.OpenMemory(doc.data(), doc.size(), XmlReadOptions()));
  std::vector<std::pair<std::string, bool>> out;
  for (int i = 0; i < x.GetTotalTexts(); ++i) {
    const char* t = nullptr;
    x.GetText(i, &t);
    out.emplace_back(t, x.IsQuietText(i));
  }
  EXPECT_FALSE(x.IsQuietText(-1));
  EXPECT_FALSE(x.IsQuietText(x.GetTotalTexts()));
  return out;
}

TEST(QuietText, PageNumbersNotesAndAnnotationsAreMarkedTheirTextIsKept) {
  const std::string doc =
      "<dtbook><book><pagenum id=\"pg1\">278</pagenum>"
      "<p id=\"p1\">Text with a note<noteref id=\"r1\" idref=\"#n1\">1</noteref> and <em>more</em>.</p>"
      "<note id=\"n1\"><p id=\"p2\">The note itself.</p></note>"
      "<annotation id=\"a1\">An aside.</annotation>"
      "<p id=\"p3\">After<noteref idref=\"#n2\">2</noteref> an unreferenced mark.</p></book></dtbook>";
  using P = std::pair<std::string, bool>;
  const std::vector<P> want = {P("278", true),          P("Text with a note", false), P("1", true),
                               P("and more.", false),   P("The note itself.", true),  P("An aside.", true),
                               P("After2 an unreferenced mark.", false)};
  EXPECT_EQ(Pieces(doc, {"pg1", "p1", "r1", "n1", "p2", "a1", "p3"}), want);
}

TEST(QuietText, DaisyTwoPageSpansAreMarked) {
  const std::string doc =
      "<html><body><h1 id=\"h\">Title</h1><span class=\"page-normal\" id=\"page2\">2</span>"
      "<p id=\"t\">Words.</p></body></html>";
  using P = std::pair<std::string, bool>;
  EXPECT_EQ(Pieces(doc, {"h", "page2", "t"}), (std::vector<P>{P("Title", false), P("2", true), P("Words.", false)}));
}

}  // namespace
