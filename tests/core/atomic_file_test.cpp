#include "core/base/atomic_file.h"
#include "core/lib/xml/xml_document.h"

#include <sys/stat.h>

#include "tests/support/test_support.h"

namespace {

using dtbtest::ReadFile;
using dtbtest::TempDir;
using dtbtest::WriteFile;

TEST(AtomicFile, ReplacesContentAndLeavesNoTemporary) {
  TempDir dir;
  WriteFile(dir / "a.xml", "old");
  ASSERT_EQ(0, WriteFileAtomic((dir / "a.xml").c_str(), "new content", 11));
  EXPECT_EQ("new content", ReadFile(dir / "a.xml"));
  struct stat st;
  EXPECT_NE(0, stat((dir / "a.xml.tmp").c_str(), &st));
}

TEST(AtomicFile, FailedWriteKeepsTheOldFileWhole) {
  TempDir dir;
  WriteFile(dir / "keep.xml", "<ebook>precious</ebook>");
  // The temporary name is taken by a folder, so the write cannot even start;
  // a full disk fails the same way, before the rename.
  ASSERT_EQ(0, mkdir((dir / "keep.xml.tmp").c_str(), 0755));
  EXPECT_EQ(-1, WriteFileAtomic((dir / "keep.xml").c_str(), "x", 1));
  EXPECT_EQ("<ebook>precious</ebook>", ReadFile(dir / "keep.xml"));
}

TEST(AtomicFile, FullDiskKeepsTheOldFileWhole) {
  // /dev/full fails every write with ENOSPC; point the temporary there.
  TempDir dir;
  WriteFile(dir / "s.xml", "old settings");
  struct stat st;
  if (stat("/dev/full", &st) != 0) GTEST_SKIP() << "/dev/full absent";
  ASSERT_EQ(0, symlink("/dev/full", (dir / "s.xml.tmp").c_str()));
  EXPECT_EQ(-1, WriteFileAtomic((dir / "s.xml").c_str(), "new settings", 12));
  EXPECT_EQ("old settings", ReadFile(dir / "s.xml"));
}

TEST(AtomicFile, SavesXmlDocument) {
  TempDir dir;
  xml::Document doc("ebook");
  doc.Root().Add("system_setting").Set("volume", 10);
  ASSERT_EQ(0, SaveXmlAtomic(doc, (dir / "system.config.xml").c_str()));
  std::string text = ReadFile(dir / "system.config.xml");
  EXPECT_NE(std::string::npos, text.find("<?xml version=\"1.0\"?>"));
  EXPECT_NE(std::string::npos, text.find("<system_setting volume=\"10\"/>"));
}

}  // namespace
