#include <gtest/gtest.h>

#include "supervisor/packet/upgrade_install.h"
#include "supervisor/packet/upgrade_packet.h"
#include "tests/supervisor/packet_maker.h"
#include "tests/support/root_board.h"

namespace {

class PacketTest : public ::testing::Test {
 protected:
  dtbtest::TempDir dir;
  dtbtest::ScopedRootBoard board{dir.path()};
  std::string payload = dtbtest::Gzip(dtbtest::Tar({{"home/q7exe2", "#new player\n"}}));

  void SetUp() override { mkdir((dir.path() + "/mnt").c_str(), 0755); }
  std::string Real(const char* devicePath) { return dir.path() + devicePath; }
  int Check() { return CheckUpgradePacket("/mnt/q7upgrade.sh", "/mnt/q7_upgrade"); }
  void Write(const std::string& script, const std::string& data) {
    dtbtest::WriteFile(Real("/mnt/q7upgrade.sh"), script);
    dtbtest::WriteFile(Real("/mnt/q7_upgrade"), data);
  }
};

TEST_F(PacketTest, ScriptLengthAndTextAreCheckedBeforeThePayload) {
  std::string good = dtbtest::ScriptFor(payload, 4);
  ASSERT_EQ(good.size(), 99u);
  // No payload at all: a wrong script fails before the payload is opened.
  dtbtest::WriteFile(Real("/mnt/q7upgrade.sh"), good.substr(0, 98));
  EXPECT_EQ(Check(), -2);
  dtbtest::WriteFile(Real("/mnt/q7upgrade.sh"), good + "\n");
  EXPECT_EQ(Check(), -2);
  dtbtest::WriteFile(Real("/mnt/q7upgrade.sh"), good);
  EXPECT_EQ(Check(), -4);
  EXPECT_EQ(CheckUpgradePacket("/mnt/none.sh", "/mnt/q7_upgrade"), -1);

  struct {
    size_t offset;
    char c;
  } faults[] = {{0, '$'},  {15, 'x'}, {16, ' '}, {17, '0'}, {20, 'g'},
                {26, '1'}, {34, 'z'}, {60, 'X'}, {98, ' '}};
  for (auto& f : faults) {
    std::string bad = good;
    bad[f.offset] = f.c;
    dtbtest::WriteFile(Real("/mnt/q7upgrade.sh"), bad);
    EXPECT_EQ(Check(), -2) << "offset " << f.offset;
  }
}

TEST_F(PacketTest, VersionsAndCheckValue) {
  Write(dtbtest::ScriptFor(payload, 3), payload);
  EXPECT_EQ(Check(), -3);
  Write(dtbtest::ScriptFor(payload, 4), payload);
  EXPECT_EQ(Check(), 0);
  Write(dtbtest::ScriptFor(payload, 99), payload);
  EXPECT_EQ(Check(), 0);
  // The version is part of the check value; lower-case hex digits count too.
  std::string script = dtbtest::ScriptFor(payload, 5);
  script[16] = '6';
  Write(script, payload);
  EXPECT_EQ(Check(), -5);
  std::string flipped = payload;
  flipped[flipped.size() / 2] ^= 1;
  Write(dtbtest::ScriptFor(payload, 4), flipped);
  EXPECT_EQ(Check(), -5);
}

TEST_F(PacketTest, PayloadLengthMustMatchToTheByte) {
  std::string data(3 * kUpgradeBlock, 'a');
  for (size_t i = 0; i < data.size(); i++) data[i] = static_cast<char>(i * 7);
  Write(dtbtest::ScriptFor(data, 4), data);
  EXPECT_EQ(Check(), 0) << "an exact multiple of the block is read to its end";
  Write(dtbtest::ScriptFor(data, 4, static_cast<long long>(data.size()) - 1), data);
  EXPECT_EQ(Check(), -5) << "one byte too long";
  Write(dtbtest::ScriptFor(data, 4, static_cast<long long>(data.size()) + 1), data);
  EXPECT_EQ(Check(), -5) << "one byte short";
  std::string small = "x";
  Write(dtbtest::ScriptFor(small, 4), small);
  EXPECT_EQ(Check(), 0);
}

TEST_F(PacketTest, DeviceRecordFields) {
  std::string good = dtbtest::SnbRecord();
  auto check = [&](const std::string& bytes) {
    dtbtest::WriteFile(Real("/mnt/q7snb.bin"), bytes);
    return CheckSnbFile("/mnt/q7snb.bin");
  };
  EXPECT_TRUE(check(good));
  EXPECT_FALSE(check(good + "x"));
  EXPECT_FALSE(check(good.substr(0, kSnbSize - 1)));
  EXPECT_FALSE(CheckSnbFile("/mnt/absent.bin"));
  std::string unsealed = good;
  unsealed[300] = 'y';
  EXPECT_FALSE(check(unsealed)) << "body changed, CRC not";
  // Each field just out of its range (the record re-sealed each time).
  struct {
    size_t offset;
    int value;
  } faults[] = {{0, 0xFE}, {8, 0},    {136, 0},  {168, 0},  {200, 11}, {200, 31}, {201, 0}, {201, 13},
                {202, 0},  {202, 32}, {203, 24}, {204, 60}, {205, 60}, {206, 1},  {207, 0}};
  for (auto& f : faults) {
    std::string bad = good;
    bad[f.offset] = static_cast<char>(f.value);
    EXPECT_FALSE(check(dtbtest::SealSnb(bad))) << "offset " << f.offset << " = " << f.value;
  }
  // Texts filling their whole field leave no terminator.
  for (auto field : {std::pair<size_t, size_t>{8, 128}, {136, 32}, {168, 32}, {208, kSnbSize - 208}}) {
    std::string bad = good;
    memset(&bad[field.first], 'a', field.second);
    EXPECT_FALSE(check(dtbtest::SealSnb(bad))) << "field at " << field.first;
    bad[field.first + field.second - 1] = 0;
    EXPECT_TRUE(check(dtbtest::SealSnb(bad))) << "longest text at " << field.first;
  }
}

TEST_F(PacketTest, ArchiveWritesOnlyWhereAnUpgradeMay) {
  auto check = [&](const std::vector<dtbtest::TarMember>& m) {
    dtbtest::WriteFile(Real("/mnt/q7_upgrade"), dtbtest::Gzip(dtbtest::Tar(m)));
    return CheckUpgradeArchive("/mnt/q7_upgrade");
  };
  EXPECT_EQ(check({{"./", "", '5'}, {"home/", "", '5'}, {"./home/q7exe2", "x"}, {"/lib/m.ko", "y"}}), 0);
  EXPECT_EQ(check({{"mnt/settings/system.config.xml", "x"}}), -6);
  EXPECT_EQ(check({{"home/../mnt/emmc/x", "x"}}), -6);
  EXPECT_EQ(check({{"dev/input/event0", "x"}}), -6);
  EXPECT_EQ(check({{"home/link", "", '2'}}), -6) << "links could lead anywhere";
  EXPECT_EQ(check({{"home/hard", "", '1'}}), -6);
  // A long name given in an extended header is the one that counts.
  std::string pax = "30 path=mnt/settings/evil.bin\n";
  EXPECT_EQ(check({{"././@PaxHeader", pax, 'x'}, {"home/harmless", "x"}}), -6);
  EXPECT_EQ(check({{"././@LongLink", std::string("home/") + std::string(150, 'n') + '\0', 'L'}, {"x", "y"}}),
            0);
  dtbtest::WriteFile(Real("/mnt/q7_upgrade"), dtbtest::Gzip(dtbtest::Tar({{"home/a", "x"}})).substr(0, 30));
  EXPECT_EQ(CheckUpgradeArchive("/mnt/q7_upgrade"), -3);
}

TEST_F(PacketTest, ArchiveMustFitTheRootAndTheBound) {
  // 256 MB in a packet of a few hundred KB: refused from its header when the
  // root has less room, and so is a total that only adds up past it.
  std::string big = dtbtest::GzipTarOfZeros({{"home/big.bin", 256ull << 20}});
  ASSERT_LT(big.size(), 400u * 1024);
  dtbtest::WriteFile(Real("/mnt/q7_upgrade"), big);
  EXPECT_EQ(CheckUpgradeArchive("/mnt/q7_upgrade", 200ull << 20), -7);
  EXPECT_EQ(CheckUpgradeArchive("/mnt/q7_upgrade", 300ull << 20), 0);
  dtbtest::WriteFile(Real("/mnt/q7_upgrade"),
                     dtbtest::GzipTarOfZeros({{"home/a", 1 << 20}, {"home/b", 1 << 20}, {"home/c", 1 << 20}}));
  EXPECT_EQ(CheckUpgradeArchive("/mnt/q7_upgrade", 3u << 20), -7) << "each fits, all three do not";
  EXPECT_EQ(CheckUpgradeArchive("/mnt/q7_upgrade", 4u << 20), 0);
  // Past the fixed bound, however free the root: told by the header alone
  // (the member's data is not even there).
  dtbtest::WriteFile(Real("/mnt/q7_upgrade"), dtbtest::Gzip(dtbtest::TarHeader("home/huge", kMaxUpgradeBytes + 1)));
  EXPECT_EQ(CheckUpgradeArchive("/mnt/q7_upgrade"), -7);
}

}  // namespace
