#include "runtime_fixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <ctime>

#include "browser/file_browser.h"
#include "core/app/mainloop.h"
#include "core/ui/system_settings.h"
#include "power/battery.h"
#include "power/tps65217.h"
#include "core/ui/keypad_idle.h"

namespace coretest {

void RuntimeTest::SetUp() {
  WindowTest::SetUp();
  WireSubsystems();
  dir = std::make_unique<dtbtest::TempDir>();
  ASSERT_EQ(board::CreateHostLayout(dir->path()), 0);
  auto b = board::MakeHostBoard(dir->path());
  ASSERT_TRUE(b);
  host = b.get();
  board::Install(std::move(b));

  g_LastKeyCode = -1;
  g_LastKeyLeftTime = -1;
  g_KeyContinueTimes = 0;
  g_PowerKeyShiftFunLeftTime = -1;
  g_PowerKeyDownTimes = 0;
  g_UsbInTimes = 0;
  g_250msTimes = 0;
  g_LastMinute = -1;
  g_CharingFinished = false;
  g_BatLowShutDownLeftTime = -1;
  g_ShutDownMode = -1;
  g_AutoShutDownTime = static_cast<unsigned int>(-1);
  g_UsbState = 0;
  g_bPowerKeyDown = g_bUsbIsIn = g_bChargingFinish = false;
  g_SystemSettings = SystemSettings();
  BatteryAdc_Close();
  ASSERT_EQ(BatteryAdc_Open(), 0);
  ResetIdleShutDownTime();

  ASSERT_EQ(OpenSimulateKeyPipe(false), 0);
  fcntl(g_SimulateKeyPipe[0], F_SETFL, O_NONBLOCK);
  Drain();
  root = Push("root");
}

void RuntimeTest::TearDown() {
  WindowTest::TearDown();
  BatteryAdc_Close();
  board::Install(nullptr);
  host = nullptr;
  dir.reset();
}

Records RuntimeTest::Drain() {
  Records out;
  int32_t rec[2];
  while (read(g_SimulateKeyPipe[0], rec, sizeof rec) == sizeof rec) out.push_back({rec[0], rec[1]});
  return out;
}

void RuntimeTest::Tick(int n) {
  for (int i = 0; i < n; ++i) TimeOutFun_250ms(nullptr);
}

void RuntimeTest::ToNextSecond() {
  g_250msTimes = 3;
}

void RuntimeTest::PowerButton(bool down) {
  host->host_state().Set(board::state::kPowerButton, down ? "1" : "0");
  host->host_state().Bump(board::state::kPowerButtonChanges);
  HandleInputEvent(1, KEY_PMIC_IRQ, 1);
}

void RuntimeTest::Usb(const char* kind) {
  host->host_state().Set(board::state::kUsb, kind);
  host->host_state().Bump(board::state::kUsbChanges);
  HandleInputEvent(1, KEY_PMIC_IRQ, 1);
}

void RuntimeTest::Battery(int state) { host->host_state().SetInt(board::state::kBattery, state); }

void RuntimeTest::SetLocalTime(int hour, int minute) {
  time_t pc = time(nullptr);
  struct tm lt;
  localtime_r(&pc, &lt);
  lt.tm_hour = hour;
  lt.tm_min = minute;
  lt.tm_sec = 10;
  lt.tm_isdst = -1;
  host->SetClockOffset(static_cast<long>(mktime(&lt) - pc));
}

}  // namespace coretest
