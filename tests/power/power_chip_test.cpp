// The power chip and the battery level, against the host board's
// register-level model of the chip and its ADC.
#include <memory>

#include <gtest/gtest.h>

#include "platform/host/host_board.h"
#include "power/battery.h"
#include "power/tps65217.h"
#include "tests/support/test_support.h"

namespace {

class PowerChip : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(board::CreateHostLayout(dir.path()), 0);
    auto b = board::MakeHostBoard(dir.path());
    ASSERT_TRUE(b);
    host = b.get();
    board::Install(std::move(b));
    BatteryAdc_Close();
    ASSERT_EQ(BatteryAdc_Open(), 0);
  }
  void TearDown() override {
    BatteryAdc_Close();
    board::Install(nullptr);
  }
  const board::HostState& state() { return host->host_state(); }
  std::string Pmic() { return dtbtest::ReadFile(state().File(board::state::kPmic)); }
  void Adc(int counts) { state().SetInt(board::state::kBatteryAdc, counts); }

  dtbtest::TempDir dir;
  board::HostBoard* host = nullptr;
};

TEST_F(PowerChip, StartUpRegisters) {
  Tps65217_Init();
  Tps65217_SetMux(1);
  std::string p = Pmic();
  EXPECT_NE(p.find("0x05=0xB0"), std::string::npos) << p;
  EXPECT_NE(p.find("0x09=0x01"), std::string::npos) << p;
}

TEST_F(PowerChip, InputCurrentLimitKeepsTheOtherBits) {
  struct {
    int mA;
    const char* reg;
  } cases[] = {{1300, "0x01=0x3E"}, {900, "0x01=0x3F"}, {500, "0x01=0x3D"}};  // reset value 0x3D
  for (const auto& c : cases) {
    Tps65217_SetMax_mA(c.mA);
    EXPECT_NE(Pmic().find(c.reg), std::string::npos) << c.mA << " mA: " << Pmic();
  }
}

TEST_F(PowerChip, StatusFlagsFollowButtonUsbAndCharger) {
  unsigned char irq = 0xFF;
  state().Set(board::state::kPowerButton, "1");
  state().Bump(board::state::kPowerButtonChanges);
  Tps65217_UpdateState(&irq);
  EXPECT_TRUE(irq & 0x04) << "push-button change";
  EXPECT_TRUE(IsPowerKeyDown());
  EXPECT_FALSE(IsUsbIn());

  state().Set(board::state::kPowerButton, "0");
  state().Set(board::state::kUsb, "charger");
  state().SetInt(board::state::kBattery, BAT_CHARGED);
  Tps65217_UpdateState(&irq);
  EXPECT_FALSE(irq & 0x04) << "no button change since the last read";
  EXPECT_FALSE(IsPowerKeyDown());
  EXPECT_TRUE(IsUsbIn());
  EXPECT_TRUE(IsChargingFinish());
}

TEST_F(PowerChip, BatteryStatesFromCharger) {
  state().Set(board::state::kUsb, "computer");
  state().SetInt(board::state::kBattery, BAT_CHARGING);
  EXPECT_EQ(GetBatState(true), BAT_CHARGING);
  state().SetInt(board::state::kBattery, BAT_CHARGED);
  EXPECT_EQ(GetBatState(false), BAT_CHARGED);
  EXPECT_EQ(g_BatAdc_Filtered, 4096);

  // Unplugged at 2350 counts: one refill brings the level to 75 %, not lower.
  state().Set(board::state::kUsb, "none");
  Adc(2350);
  EXPECT_EQ(GetBatState(true), BAT_75);
  EXPECT_EQ(g_BatAdc_Filtered, 2358);
}

TEST_F(PowerChip, FilterHasADeadBandOfEightCounts) {
  Adc(2300);
  EXPECT_EQ(GetBatAdc(true), 2300);
  Adc(2305);
  EXPECT_EQ(GetBatAdc(true), 2300);
  EXPECT_EQ(GetBatState(true), BAT_50);
  Adc(2320);
  EXPECT_EQ(GetBatAdc(true), 2312);
  EXPECT_EQ(GetBatState(true), BAT_50);
  Adc(2340);
  EXPECT_EQ(GetBatState(true), BAT_75);
  EXPECT_EQ(g_BatAdc_Filtered, 2332);
}

TEST_F(PowerChip, OneNewSampleAMinuteMovesTheAverageAnEighth) {
  Adc(2300);
  GetBatAdc(true);
  Adc(2380);
  GetBatAdc(false);
  EXPECT_EQ(g_BatAdc_Test, 2310);
}

TEST_F(PowerChip, StateThresholds) {
  struct {
    int counts, state;
  } cases[] = {{2374, BAT_FULL}, {2373, BAT_75}, {2325, BAT_75}, {2324, BAT_50}, {2277, BAT_50},
               {2276, BAT_25},  {2167, BAT_25}, {2166, BAT_LOW}, {2119, BAT_LOW}, {2118, BAT_EMPTY}};
  for (const auto& c : cases) {
    BatteryAdc_Close();
    BatteryAdc_Open();
    Adc(c.counts);
    EXPECT_EQ(GetBatState(true), c.state) << c.counts;
  }
}

TEST_F(PowerChip, MissingAdcSinksToEmpty) {
  BatteryAdc_Close();
  EXPECT_EQ(GetBatState(true), BAT_EMPTY);
}

}  // namespace
