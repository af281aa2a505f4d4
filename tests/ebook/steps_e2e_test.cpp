// A large book read in steps, end to end: a heading move made while the book
// is still being read lands where the book read whole says, and power-off
// in the middle of the reading stores the place and ends the player.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "ebook/rtf.h"
#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

TEST(StepsReaderE2e, AHeadingMoveAnswersWhileTheBookIsStillBeingRead) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  const std::string root = dir / "root";
  ASSERT_EQ(dtbtest::LayOutRoot(root, "en"), 0);
  // 10 MB: some 160 steps, far more than the sentences read here.
  std::string rtf = "{\\rtf1\\ansi{\\stylesheet{\\s1 heading 1;}}\n";
  for (int c = 1; rtf.size() < 10u << 20; ++c) {
    rtf += "\\pard\\s1 Chapter " + std::to_string(c) + " begins\\par\n";
    for (int p = 0; p < 40; ++p)
      rtf += "\\pard Paragraph " + std::to_string(p) + " of chapter " + std::to_string(c) +
             " is one sentence long enough to take a moment to read aloud.\\par\n";
  }
  const std::string path = root + "/mnt/emmc/Books/big.rtf";
  dtbtest::WriteFile(path, rtf + "}");
  std::string script =
      "expect Internal memory 20\n"
      "key play\nexpect main folder 10\n"
      "key down\nexpect Books\n"
      "key play\nexpect big.rtf\n"
      "key play\nexpect Chapter 1 begins 30\n"
      "key play\nexpect pause\n"
      "key down\nkey down\nexpect level 1\n"
      "key right\nexpect Chapter 2 begins 20\n"
      "key right\nexpect Chapter 3 begins 20\n"
      "power hold 3\nexpect shutting down 10\nwait 3\n";
  dtbtest::SimResult r = dtbtest::RunScript(root, script);
  ASSERT_EQ(r.status, 0) << r.output;

  // The place stored is in the third chapter, and the page is the one of a
  // book not read to its end yet (the count of pages would have read it all).
  CRtf whole;
  ASSERT_EQ(0, whole.Open(path.c_str()));
  whole.SeekToHeading(2);
  const int third = whole.GetCurPlace();
  whole.SeekToHeading(3);
  const int fourth = whole.GetCurPlace();
  const std::string history = dtbtest::ReadFile(root + "/mnt/settings/history.xml");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(history, m, std::regex("big\\.rtf\"[^>]*page=\"(-?\\d+)\"[^>]*place=\"(\\d+)\"")))
      << history;
  EXPECT_EQ("0", m[1].str()) << history;
  EXPECT_GE(std::stoi(m[2].str()), third);
  EXPECT_LT(std::stoi(m[2].str()), fourth);
}

}  // namespace
