// Register access of the FM chips, both 16-bit registers behind an 8-bit
// register number on "/dev/i2c-1". A failed transfer is printed with the
// chip's own message (a printf format taking the result) and the sequence
// goes on.
#pragma once

#include <cstdint>

constexpr const char kFmBus[] = "/dev/i2c-1";

struct FmI2cChip {
  uint16_t address;
  const char* write_failed;
  const char* read_failed;
};

// Writes `count` registers from `first` on in one message (high byte
// first). 0 or -1.
int FmWriteRegs(const FmI2cChip& chip, uint8_t first, const uint16_t* values, int count);
// Reads one register (0 when the transfer failed).
uint16_t FmReadReg(const FmI2cChip& chip, uint8_t reg);
