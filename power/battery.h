// Battery level from the processor's ADC ("/dev/ti_adc") and the power
// chip's charger state, as the eight battery states of the system.
// Loop thread only.
#pragma once

enum BatState {
  BAT_EMPTY = 0,
  BAT_LOW = 1,
  BAT_25 = 2,
  BAT_50 = 3,
  BAT_75 = 4,
  BAT_FULL = 5,
  BAT_CHARGING = 6,
  BAT_CHARGED = 7,
};

extern int g_BatteryFd;  // -1 = closed
extern int g_BatAdc_Test;  // plain average of the sample window
extern int g_BatAdc_Filtered;  // the value used; -1 before the first reading

// Opens the ADC once. 0, or -1 with "open /dev/ti_adc failed".
int BatteryAdc_Open();
// Closes the ADC and forgets every sample (the next reading refills).
void BatteryAdc_Close();
// Filtered battery reading; `refill` takes a whole new window of 8 samples.
int GetBatAdc(bool refill);
// Reads the chip's status, then the battery state 0..7.
int GetBatState(bool refill);
