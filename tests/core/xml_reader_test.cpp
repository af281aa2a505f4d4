// The XML reader: events independent of how the input is cut, documents that
// never reach other files, errors reported and survived; the writer's bytes.
#include "core/lib/xml/xml_reader.h"

#include <string>

#include "core/lib/xml/xml_document.h"
#include "tests/support/test_support.h"

namespace dtbtest {
namespace {

// Every event as text; runs of text joined, since they may come in pieces.
class Log : public xml::Handler {
 public:
  void OnStart(const char* name, xml::Attrs attrs) override {
    out += "<";
    out += name;
    for (int i = 0; attrs[i]; i += 2) out += std::string(" ") + attrs[i] + "=" + attrs[i + 1];
    out += ">";
  }
  void OnEnd(const char* name) override { out += std::string("</") + name + ">"; }
  void OnText(const char* text, int length) override { out.append(text, static_cast<size_t>(length)); }
  void OnError(const xml::Error& e) override {
    if (e.fatal) fatal++;
    if (first.empty()) first = e.message;
  }
  std::string out;
  std::string first;
  int fatal = 0;
};

const char kDoc[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!-- a list -->\n"
    "<list xmlns:dc=\"http://purl.org/dc/elements/1.1/\" n=\"2\">"
    "<item dc:title=\"Tom &amp; Jerry &#38; &lt;3\" path=\"/mnt/emmc/Zażółć.mp3\"/>"
    "<text>gęś &amp; <![CDATA[<raw>]]> &#x142;</text>"
    "</list>\n";

TEST(XmlReader, SameEventsWhereverTheInputIsCut) {
  Log whole;
  ASSERT_EQ(0, xml::ReadMemory(kDoc, sizeof kDoc - 1, whole, xml::Options(), 100000));
  EXPECT_EQ(
      "<list n=2><item dc:title=Tom & Jerry & <3 path=/mnt/emmc/Zażółć.mp3></item>"
      "<text>gęś & <raw> ł</text></list>",
      whole.out);
  for (size_t cut = 0; cut <= sizeof kDoc - 1; cut++) {
    Log split;
    xml::Reader reader(split);
    ASSERT_EQ(0, reader.Feed(kDoc, cut));
    ASSERT_EQ(0, reader.Feed(kDoc + cut, sizeof kDoc - 1 - cut));
    ASSERT_EQ(0, reader.Finish());
    EXPECT_EQ(whole.out, split.out) << "cut at " << cut;
  }
  Log bytes;
  ASSERT_EQ(0, xml::ReadMemory(kDoc, sizeof kDoc - 1, bytes, xml::Options(), 1));
  EXPECT_EQ(whole.out, bytes.out);
}

// A handler that looks attributes up in place, and wants no text.
class Lookups : public xml::Handler {
 public:
  void OnStartTag(const char* name, const xml::AttrView& attrs) override {
    for (const char* a : {"n", "dc:title", "title", "path", "x:path"}) {
      std::string_view v = attrs.Get(a);
      if (v.data()) out += std::string(name) + "." + a + "=" + std::string(v) + ";";
    }
  }
  void OnText(const char*, int) override { out += "text;"; }
  bool WantsText() const override { return false; }
  std::string out;
};

TEST(XmlReader, AttributesLookedUpInPlaceAreThoseOfTheList) {
  Lookups view;
  ASSERT_EQ(0, xml::ReadMemory(kDoc, sizeof kDoc - 1, view, xml::Options(), 7));
  EXPECT_EQ("list.n=2;item.dc:title=Tom & Jerry & <3;item.path=/mnt/emmc/Zażółć.mp3;", view.out);
}

TEST(XmlReader, EntitiesAreNeverSubstitutedNorLoaded) {
  Log internal;
  const char doc[] = "<!DOCTYPE x [<!ENTITY e \"boom\">]><x>&e;</x>";
  EXPECT_EQ(-3, xml::ReadMemory(doc, sizeof doc - 1, internal));
  EXPECT_EQ(std::string::npos, internal.out.find("boom"));
  EXPECT_GT(internal.fatal, 0);

  TempDir dir;
  WriteFile(dir / "secret.txt", "SECRET");
  std::string path = dir / "secret.txt";
  for (std::string ext : {"<!DOCTYPE x [<!ENTITY e SYSTEM \"file://" + path + "\">]><x>&e;<y a=\"&e;\"/></x>",
                          "<!DOCTYPE x [<!ENTITY % p SYSTEM \"" + path + "\"> %p;]><x/>",
                          "<!DOCTYPE x SYSTEM \"" + path + "\"><x>&e;</x>"}) {
    Log external;
    xml::ReadMemory(ext.data(), ext.size(), external);
    EXPECT_EQ(std::string::npos, external.out.find("SECRET")) << ext;
    EXPECT_EQ(std::string::npos, external.first.find("SECRET")) << ext;
  }

  // XHTML read without its DTD: HTML's character names only when asked for,
  // in text and in attributes alike.
  const char xhtml[] = "<p title=\"caf&eacute; &amp;eacute;\">a&nbsp;b &eacute;</p>";
  xml::Options names;
  names.htmlNames = true;
  Log html;
  EXPECT_EQ(0, xml::ReadMemory(xhtml, sizeof xhtml - 1, html, names));
  EXPECT_EQ("<p title=café &eacute;>a\xC2\xA0" "b é</p>", html.out);
  Log plain;
  EXPECT_EQ(-3, xml::ReadMemory(xhtml, sizeof xhtml - 1, plain));
}

TEST(XmlReader, MalformedInputIsReportedNotFatal) {
  Log broken;
  const char doc[] = "<list><item v=\"1\"/><<<</list><item v=\"2\"/>";
  EXPECT_EQ(-3, xml::ReadMemory(doc, sizeof doc - 1, broken));
  EXPECT_EQ("<list><item v=1></item>", broken.out);
  EXPECT_EQ(1, broken.fatal);
  EXPECT_FALSE(broken.first.empty());

  // Cut inside a tag: the half-read tag is not handed over.
  Log cut;
  const char part[] = "<list><item v=\"1\"/><item v=\"2";
  EXPECT_EQ(-3, xml::ReadMemory(part, sizeof part - 1, cut));
  EXPECT_EQ("<list><item v=1></item>", cut.out);

  Log empty;
  EXPECT_EQ(-3, xml::ReadMemory("", 0, empty));
  for (const char* junk : {"\xff\xfe\x00", "<", "<?xml", "<a b=\"&#0;\">", "]]>"}) {
    Log l;
    EXPECT_NE(0, xml::ReadMemory(junk, strlen(junk) + 1, l)) << junk;
  }

  // The HTML parser recovers from anything.
  const char tag[] = "<html><body><p>one<br>two</b></body>";
  xml::Options html;
  html.html = true;
  Log soup;
  EXPECT_EQ(0, xml::ReadMemory(tag, sizeof tag - 1, soup, html));
  EXPECT_NE(std::string::npos, soup.out.find("<p>one<br></br>two</p>"));
}

TEST(XmlDocument, WritesWhatReadsBack) {
  xml::Document doc("ebook");
  xml::Element e = doc.Root().Add("item");
  e.Set("name", "a<b & \"c\"\tł");
  e.Set("n", -5);
  doc.Root().Add("empty");
  std::string bytes;
  ASSERT_EQ(0, doc.Serialize(&bytes));
  EXPECT_EQ(
      "<?xml version=\"1.0\"?>\n<ebook><item name=\"a&lt;b &amp; &quot;c&quot;&#9;&#x142;\" "
      "n=\"-5\"/><empty/></ebook>\n",
      bytes);
  Log back;
  ASSERT_EQ(0, xml::ReadMemory(bytes.data(), bytes.size(), back));
  EXPECT_EQ("<ebook><item name=a<b & \"c\"\tł n=-5></item><empty></empty></ebook>", back.out);
}

}  // namespace
}  // namespace dtbtest
