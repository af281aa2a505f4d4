// The iconv owner: Polish code-page text, damaged input, a refused pair.
#include "core/lib/iconv/converter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(IconvConverter, Windows1250PolishLetters) {
  conv::Converter cv("UTF-8", "WINDOWS-1250");
  ASSERT_TRUE(cv.IsOpen());
  const char cp1250[] = "\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF \xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF";
  std::string out;
  ASSERT_EQ(0, cv.Convert(cp1250, sizeof cp1250 - 1, &out));
  EXPECT_EQ("ĄĆĘŁŃÓŚŹŻ ąćęłńóśźż", out);

  // 0x98 means nothing in the code page: skipped, the rest kept.
  out.clear();
  ASSERT_EQ(0, cv.Convert("a\x98\xB3z", 4, &out));
  EXPECT_EQ("ałz", out);

  // UTF-16 goes two bytes at a time; a lone surrogate and an odd byte are dropped.
  conv::Converter wide("UTF-8", "UTF-16LE");
  out.clear();
  const char units[] = "\x42\x01\x00\xD8\x41\x00\x7A";
  ASSERT_EQ(0, wide.Convert(units, sizeof units - 1, &out, conv::UnitSize("UTF-16LE")));
  EXPECT_EQ("łA", out);

  conv::Converter none("UTF-8", "NO-SUCH-CODE");
  EXPECT_FALSE(none.IsOpen());
  EXPECT_EQ(-1, none.Convert("x", 1, &out));
  conv::Converter moved = std::move(cv);
  EXPECT_TRUE(moved.IsOpen());
  EXPECT_FALSE(cv.IsOpen());
}

}  // namespace
