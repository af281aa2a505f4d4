// The TPS65217 power-management chip on I2C bus "/dev/i2c-1", address 0x24:
// power button, USB power, charger state, input current limit and the
// battery-voltage multiplexer. Every access opens the bus, does one combined
// transfer and closes it; errors are printed and the operation goes on.
// Loop thread only.
#pragma once

// Flags refreshed by every status read.
extern bool g_bPowerKeyDown;  // push button held
extern bool g_bUsbIsIn;  // USB power present
extern bool g_bChargingFinish;  // charger reports termination

// Charger configuration 2 = 0xB0. 0.
int Tps65217_Init();
// USB input current limit: 500 or 1300 mA, anything else the highest step. 0.
int Tps65217_SetMax_mA(int mA);
// Multiplexer selection (1 = battery voltage to the ADC). 0.
int Tps65217_SetMux(int selection);
// Reads (and stores through `interrupt` when not null) the interrupt
// register, clearing its mask bits when any is set, then the status flags. 0.
int Tps65217_UpdateState(unsigned char* interrupt);
bool IsPowerKeyDown();
bool IsUsbIn();
bool IsChargingFinish();
