#include "power/battery.h"

#include <fcntl.h>
#include <unistd.h>

#include "core/base/diag.h"
#include "platform/board.h"
#include "platform/board_ioctl.h"
#include "power/tps65217.h"

int g_BatteryFd = -1;
int g_BatAdc_Test = 0;
int g_BatAdc_Filtered = -1;

namespace {

constexpr int kWindow = 8;
constexpr int kDeadBand = 8;
int g_BatSamples[kWindow];
int g_BatNext = 0;  // the sample replaced next
int g_BatCount = 0;  // kWindow once primed

// One raw reading; -1 when the ADC cannot be read.
int ReadAdc() {
  int count = 0;
  if (g_BatteryFd < 0 || board::Ioctl(g_BatteryFd, ADC_READ_CH6, &count) < 0) {
    DiagPrintf("ioctl ADC_READ_CH6 failed");
    return -1;
  }
  return count;
}

}  // namespace

int BatteryAdc_Open() {
  if (g_BatteryFd >= 0) return 0;
  g_BatteryFd = BOpen("/dev/ti_adc", O_RDONLY);
  if (g_BatteryFd < 0) {
    DiagPrintf("open /dev/ti_adc failed");
    return -1;
  }
  return 0;
}

void BatteryAdc_Close() {
  if (g_BatteryFd >= 0) close(g_BatteryFd);
  g_BatteryFd = -1;
  g_BatCount = 0;
  g_BatNext = 0;
  g_BatAdc_Filtered = -1;
}

int GetBatAdc(bool refill) {
  if (refill || g_BatCount < kWindow) {
    for (int i = 0; i < kWindow; ++i) {
      int v = ReadAdc();
      if (v < 0 && i > 0) v = g_BatSamples[i - 1];
      g_BatSamples[i] = v;
    }
    g_BatCount = kWindow;
    g_BatNext = 0;
  } else {
    g_BatSamples[g_BatNext] = ReadAdc();
    g_BatNext = (g_BatNext + 1) % kWindow;
  }
  int sum = 0;
  for (int v : g_BatSamples) sum += v;
  int average = sum / kWindow;
  g_BatAdc_Test = average;
  // The first reading is taken as it is; afterwards the dead band keeps
  // the level from flickering between two states.
  if (g_BatAdc_Filtered < 0)
    g_BatAdc_Filtered = average;
  else if (average < g_BatAdc_Filtered - kDeadBand)
    g_BatAdc_Filtered = average + kDeadBand;
  else if (average > g_BatAdc_Filtered + kDeadBand)
    g_BatAdc_Filtered = average - kDeadBand;
  return g_BatAdc_Filtered;
}

int GetBatState(bool refill) {
  Tps65217_UpdateState(nullptr);
  if (IsUsbIn()) {
    if (!IsChargingFinish()) return BAT_CHARGING;
    g_BatAdc_Filtered = 4096;  // start from full once unplugged
    return BAT_CHARGED;
  }
  int v = GetBatAdc(refill);
  if (v > 2373) return BAT_FULL;
  if (v > 2324) return BAT_75;
  if (v > 2276) return BAT_50;
  if (v > 2166) return BAT_25;
  if (v > 2118) return BAT_LOW;
  return BAT_EMPTY;
}
