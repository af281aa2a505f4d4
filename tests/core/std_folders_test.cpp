// The per-language standard folders on each disk.
#include <sys/stat.h>

#include "browser/file_browser.h"
#include "runtime_fixture.h"
#include "speech/ux_language.h"

namespace coretest {
namespace {

class StdFolders : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    saved_ = g_pUxLanguage;
    savedIndex_ = g_CurLanguage;
  }
  void TearDown() override {
    g_pUxLanguage = saved_;
    g_CurLanguage = savedIndex_;
    RuntimeTest::TearDown();
  }
  void Language(int index) {
    g_pUxLanguage = GetUxLanguage(index);
    g_CurLanguage = index;
  }
  bool IsDir(const std::string& devicePath) {
    struct stat st;
    return BStat(devicePath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

 private:
  iUxLanguage* saved_ = nullptr;
  int savedIndex_ = 0;
};

TEST_F(StdFolders, CreatedInTheCurrentLanguageOnEachMountedDisk) {
  Language(UX_LANGUAGE_ENGLISH);
  ASSERT_EQ(CreateDaisyDir(), 0);
  EXPECT_TRUE(IsDir("/mnt/emmc/Daisy"));
  EXPECT_TRUE(IsDir("/mnt/emmc/Record"));
  EXPECT_TRUE(IsDir("/mnt/emmc/Audio books"));
}

TEST_F(StdFolders, LanguageChangeRenamesAndKeepsTheContents) {
  Language(UX_LANGUAGE_ENGLISH);
  ASSERT_EQ(CreateDaisyDir(), 0);
  dtbtest::WriteFile(board::Path("/mnt/emmc/Record/Record20310517_1.wav"), "RIFF");

  Language(UX_LANGUAGE_POLISH);
  ASSERT_EQ(CreateDaisyDir(), 0);
  EXPECT_FALSE(IsDir("/mnt/emmc/Record"));
  EXPECT_FALSE(IsDir("/mnt/emmc/Audio books"));
  EXPECT_TRUE(IsDir("/mnt/emmc/nagrywanie"));
  EXPECT_TRUE(IsDir("/mnt/emmc/Książki audio"));
  EXPECT_EQ(dtbtest::ReadFile(board::Path("/mnt/emmc/nagrywanie/Record20310517_1.wav")), "RIFF");
}

TEST_F(StdFolders, ExistingTargetIsLeftAlone) {
  Language(UX_LANGUAGE_POLISH);
  ASSERT_EQ(BMkdir("/mnt/emmc/nagrywanie", 0755), 0);
  ASSERT_EQ(BMkdir("/mnt/emmc/Record", 0755), 0);
  EXPECT_EQ(ChangeDirname("/mnt/emmc/", 1), 0);
  EXPECT_TRUE(IsDir("/mnt/emmc/Record")) << "nothing is moved over an existing folder";
  EXPECT_FALSE(IsDir("/mnt/emmc/Nagrania")) << "the recordings stay in the folder devices have";
}

TEST_F(StdFolders, UnmountedCardIsSkipped) {
  Language(UX_LANGUAGE_ENGLISH);
  board::System("umount /mnt/microsd");
  ASSERT_EQ(CreateDaisyDir(), 0);
  EXPECT_FALSE(IsDir("/mnt/microsd/Record"));
}

}  // namespace
}  // namespace coretest
