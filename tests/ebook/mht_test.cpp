// Saved web pages: nested multiparts, quoted-printable and base64, a charset
// of the part, a plain-text part with no closing boundary, and damaged copies.
#include <string>

#include "ebook/mht.h"
#include "tests/ebook/markup_dump.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::Dump;
using ebooktest::Peek;
using ebooktest::ReadText;

std::string Fixture(const std::string& name) { return dtbtest::DataPath("ebook/mht/" + name); }

TEST(Mht, PagesReadAsTheirDumps) {
  for (const char* name : {"page", "plain"}) {
    SCOPED_TRACE(name);
    Peek<CMht> b;
    ASSERT_EQ(0, b.Open(Fixture(std::string(name) + ".mht").c_str()));
    ebooktest::ExpectDump(b, Fixture(std::string(name) + ".dump"));
  }
}

TEST(Mht, DamagedFilesReadWhatIsThereOrAreRefused) {
  dtbtest::TempDir dir;
  std::string page = ReadText(Fixture("page.mht"));
  // Cut inside the HTML part: the words before the cut are read.
  dtbtest::WriteFile(dir / "cut.mht", page.substr(0, page.find("softly")));
  Peek<CMht> cut;
  ASSERT_EQ(0, cut.Open((dir / "cut.mht").c_str()));
  EXPECT_NE(std::string::npos, Dump(cut).find("A long quoted-printable line that is"));
  // No head at all: a page saved without its MIME wrapping.
  dtbtest::WriteFile(dir / "nohead.mht", "<html><body><p>Just a page.</p></body></html>");
  Peek<CMht> nohead;
  ASSERT_EQ(0, nohead.Open((dir / "nohead.mht").c_str()));
  EXPECT_NE(std::string::npos, Dump(nohead).find("Just a page."));
  // A multipart without its boundary parameter: the first delimiter gives it.
  dtbtest::WriteFile(dir / "noboundary.mht",
                     "Content-Type: multipart/related\r\n\r\n--xyz\r\nContent-Type: text/html\r\n\r\n<p>Found.</p>\r\n--xyz--\r\n");
  Peek<CMht> nob;
  ASSERT_EQ(0, nob.Open((dir / "noboundary.mht").c_str()));
  EXPECT_NE(std::string::npos, Dump(nob).find("Found."));
  struct Case {
    const char* name;
    std::string bytes;
  } refused[] = {
      {"images.mht", "Content-Type: multipart/related; boundary=q\r\n\r\n--q\r\nContent-Type: image/png\r\n\r\nxx\r\n--q--\r\n"},
      {"tiny.mht", "abc"},
      {"binary.mht", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20)},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.name);
    dtbtest::WriteFile(dir / c.name, c.bytes);
    CMht b;
    EXPECT_EQ(-6, b.Open((dir / c.name).c_str()));
  }
  CMht missing;
  EXPECT_EQ(-4, missing.Open((dir / "missing.mht").c_str()));
}

}  // namespace
