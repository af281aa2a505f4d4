// The FM tuner the radio talks to, whichever chip the board carries. The
// drivers (radio/rda5820.cpp, radio/ar1019.cpp) reach their chip over the
// board's I2C transfer on "/dev/i2c-1"; a failed transfer is printed and the
// sequence goes on. Called from the loop thread or the seek thread, never
// both at once.
#pragma once

#include <functional>

#include "radio/fm_state.h"

class FmTuner {
 public:
  // Asked before each test of a seek or scan: true ends it there.
  using Cancelled = std::function<bool()>;

  virtual ~FmTuner() = default;
  // Powers the chip up for receiving, its own volume full. 0, or -1 when
  // the bus is missing.
  virtual int OpenReceive() = 0;
  // Powers it up for transmitting the line output. 0, or -1 on a
  // receive-only chip or without the bus.
  virtual int OpenTransmit() = 0;
  // Powers it down. 0, or -1 without the bus.
  virtual int Close() = 0;
  // Receives or transmits on the frequency in kHz. 0 or -1.
  virtual int Tune(int khz) = 0;
  // The next station from `channel` toward `direction` (+1 up, -1 down),
  // going on from the other end of the band; -1 when there is none or the
  // seek was cancelled.
  virtual int Seek(int channel, int direction, const Cancelled& cancelled) = 0;
  // Sets the preset flag of every station of the band (the flags already
  // set stay); what was found before a cancel stays too.
  virtual void Scan(unsigned char (&preset)[kFmChannels], const Cancelled& cancelled) = 0;
  // True when a seek tests one channel after the other and can take half a
  // minute: the radio then seeks beside the loop, and a key can end it.
  virtual bool SlowSeek() const = 0;
};

// The two chips: the RDA5820 receives and transmits, the AR1019 only receives.
FmTuner& Rda5820Tuner();
FmTuner& Ar1019Tuner();
// The tuner of the board in use, as its profile names it.
FmTuner& BoardTuner();
