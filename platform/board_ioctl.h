// Request codes of the board's own device drivers, shared by the firmware
// and the host board's models of those devices.
#pragma once

#include <sys/ioctl.h>

// "/dev/ti_adc": one battery-voltage reading (int, raw counts).
#define ADC_READ_CH6 _IOR('a', 6, int)

// "/dev/mic2det": level of one detection pin. Pin n is port n / 32,
// pin n % 32 (the board profile names the pins).
struct mic2det_pin {
  int port;
  int pin;
  int level;  // filled in by the driver
};
#define MIC2DET_GET_PIN _IOWR('d', 1, struct mic2det_pin)
// "/dev/mic2det": wake-up timer for the next standby, in seconds (int).
#define DTIME_STANDBY_SET _IOW('d', 2, int)

// "/dev/amp_en": speaker amplifier enable; argument two ints {1, on}.
#define AMP_EN_SET 0x40085D78UL
