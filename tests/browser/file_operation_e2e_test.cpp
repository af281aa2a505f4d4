// The file-management menu end to end: copies to the card, a cancelled and
// an interrupted copy, cut and paste on one disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

class FileOperationE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    DTB_REQUIRE_PLAYER();
    root_ = dir_ / "root";
    ASSERT_EQ(dtbtest::LayOutRoot(root_, "en"), 0);
    fs::create_directories(Emmc("Books/Sub"));
    dtbtest::WriteFile(Emmc("Books/a.txt"), "words");
    // Sparse: big enough to be cut off midway, cheap to lay out.
    dtbtest::WriteFile(Emmc("big.bin"), "");
    fs::resize_file(Emmc("big.bin"), kBig);
  }
  dtbtest::SimResult Run(const std::string& script) {
    dtbtest::SimRun run;
    run.root = root_;
    run.fresh = false;
    run.script = script;
    run.timeout_seconds = 150;
    return dtbtest::RunSim(run);
  }
  std::string Emmc(const std::string& rel) { return root_ + "/mnt/emmc/" + rel; }
  std::string Card(const std::string& rel) { return root_ + "/mnt/microsd/" + rel; }
  // Card in, then back on the internal memory's root with "Books" selected.
  static std::string CardInOnBooks() {
    return "expect Choose 20\nsd in\nexpect no files 10\nkey back\nexpect Choose\n"
           "key up\nexpect Internal memory\nkey play\nexpect Audio books\nkey down\nexpect Books\n";
  }
  static constexpr uintmax_t kBig = 1500u << 20;
  dtbtest::TempDir dir_;
  std::string root_;
};

TEST_F(FileOperationE2e, SendFolderToCardThenRefuseAFileTooBigAndCancelALargeCopy) {
  // Sparse, and larger than the card's free space.
  dtbtest::WriteFile(Emmc("huge.bin"), "");
  fs::resize_file(Emmc("huge.bin"), fs::space(root_).available + (1u << 30));
  dtbtest::SimResult r = Run(CardInOnBooks() +
                             "key menu\nexpect version information\n"
                             "key menu\nexpect file management, Delete folder.\n"
                             "key up\nexpect send to micro sd card\n"
                             "key play\nexpect Copying\nexpect Copy finished, 20\n"
                             // Books -> Audio books -> (wraps) huge.bin
                             "key up\nkey up\nexpect huge.bin\n"
                             "key menu\nkey menu\nexpect file management, delete\n"
                             "key up\nexpect send to micro sd card\nkey play\nexpect Disk full 20\n"
                             "key up\nexpect big.bin\n"
                             "key menu\nkey menu\nexpect file management, delete\n"
                             "key up\nexpect send to micro sd card\n"
                             "key play\nexpect Copying\nkey back\n"
                             "expect Cancel copying\nexpect Canceled, 30\nquit\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(dtbtest::ReadFile(Card("Books/a.txt")), "words");
  EXPECT_TRUE(fs::is_directory(Card("Books/Sub")));
  EXPECT_FALSE(fs::exists(Card("big.bin")));
  EXPECT_FALSE(fs::exists(Card("huge.bin")));
  for (auto& e : fs::directory_iterator(Card("")))
    EXPECT_EQ(e.path().filename().string().find(".partial"), std::string::npos) << e.path();
  EXPECT_EQ(fs::file_size(Emmc("big.bin")), kBig);
}

TEST_F(FileOperationE2e, CardPulledMidCopyLeavesTheSourceAndSaysSo) {
  dtbtest::SimResult r = Run(CardInOnBooks() +
                             "key up\nkey up\nexpect big.bin\n"
                             "key menu\nkey menu\nexpect file management\n"
                             "key up\nexpect send to micro sd card\n"
                             "key play\nexpect Copying\nsd out\n"
                             "expect Error while copying, no micro sd card 30\nquit\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(fs::file_size(Emmc("big.bin")), kBig);
  EXPECT_FALSE(fs::exists(Card("big.bin")));
}

TEST_F(FileOperationE2e, CutPasteRenamesAtOnceRefusesItsOwnSubfolderAndDeletes) {
  fs::create_directories(Emmc("Other"));
  dtbtest::SimResult r = Run(CardInOnBooks() +
                             // Cut Books, then try to paste it into Books/Sub.
                             "key menu\nkey menu\nexpect file management\n"
                             "key down\nexpect cut\nkey play\nexpect Cut file flag has been set\n"
                             "key play\nexpect Sub\nkey play\nexpect no files\n"
                             "key menu\nkey menu\nexpect file management, paste\n"
                             "key play\nexpect destination is the same as or in the source path\n"
                             "key back\nexpect no files\nkey back\nexpect Sub\nkey back\nexpect Books\n"
                             // Into Other: renamed on the same disk.
                             "key down\nkey down\nexpect Other\nkey play\nexpect no files\n"
                             "key menu\nkey menu\nexpect file management, paste\n"
                             "key play\nexpect Copy finished, Books 10\n"
                             // And deleted again, after the question.
                             "key menu\nkey menu\nexpect file management, Delete folder.\n"
                             "key play\nexpect Do you want to delete the folder?\nkey play\n"
                             "expect Folder deleted. 10\nquit\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(fs::exists(Emmc("Other/Books")));
  EXPECT_TRUE(fs::is_directory(Emmc("Other")));
  EXPECT_FALSE(fs::exists(Emmc("Books")));
}

// Books/Books cut (or copied) and pasted where Books is: replacing Books
// would take its own source with it, so it is refused like a paste into
// itself, before any question, and both stay whole.
TEST_F(FileOperationE2e, PasteOverTheFolderHoldingTheSourceIsRefused) {
  dtbtest::WriteFile(Emmc("Books/Books/inner.txt"), "inner");
  const std::string paste = "key back\nexpect Books\nkey menu\nkey menu\nexpect file management, paste\n"
                            "key play\nexpect destination is the same as or in the source path\n"
                            // Once more: had it asked, this would say yes.
                            "key play\nexpect destination is the same as or in the source path\n"
                            "key back\nexpect Books\nkey play\nexpect Books\n";
  dtbtest::SimResult r = Run("expect Choose 20\nkey play\nexpect Audio books\nkey down\nexpect Books\n"
                             "key play\nexpect Books\nkey menu\nkey menu\nexpect file management\n"
                             "key down\nexpect cut\nkey play\nexpect Cut file flag has been set\n" + paste +
                             "key menu\nkey menu\nexpect file management, paste\n"
                             "key up\nexpect copy\nkey play\nexpect Copy file flag has been set\n" + paste +
                             "quit\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output.find("File exists"), std::string::npos) << r.output;
  EXPECT_EQ(dtbtest::ReadFile(Emmc("Books/a.txt")), "words");
  EXPECT_TRUE(fs::is_directory(Emmc("Books/Sub")));
  EXPECT_EQ(dtbtest::ReadFile(Emmc("Books/Books/inner.txt")), "inner");
}

}  // namespace

namespace {

// The power goes in the middle of a copy to the card: the hidden partial
// stays behind. The next start clears it when the card is in; a card that
// is out at the start has it cleared once it is mounted again.
TEST_F(FileOperationE2e, PowerCutMidCopyLeavesNoPartialAfterStartOrMount) {
  const std::string toCard = "key up\nkey up\nexpect big.bin\nkey menu\nkey menu\nexpect file management\n"
                             "key up\nexpect send to micro sd card\nkey play\nexpect Copying\nwait 0.3\nkill\n";
  dtbtest::SimResult r = Run(CardInOnBooks() + toCard);
  EXPECT_EQ(r.status, 0) << r.output;
  ASSERT_TRUE(fs::exists(Card(".partial-big.bin"))) << r.output;
  r = Run("power click\nexpect Choose 20\nquit\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(fs::exists(Card(".partial-big.bin")));

  r = Run("power click\nexpect Choose 20\nkey play\nexpect Audio books\nkey down\nexpect Books\n" + toCard);
  EXPECT_EQ(r.status, 0) << r.output;
  ASSERT_TRUE(fs::exists(Card(".partial-big.bin"))) << r.output;
  r = Run("sd out\npower click\nexpect Choose 20\nwait 1\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(fs::exists(Card(".partial-big.bin")));
  r = Run("power click\nexpect Internal memory 20\nsd in\nexpect main folder 10\nquit\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(fs::exists(Card(".partial-big.bin")));
  EXPECT_EQ(fs::file_size(Emmc("big.bin")), kBig);
}

}  // namespace
