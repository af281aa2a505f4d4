// Simulated chips on the host board's I2C buses. Each chip model lives in a
// file of its own here and is listed once in chip_table.cpp; the host board
// routes every I2C_RDWR request on a bus node to the chip at its address.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct i2c_msg;
struct i2c_rdwr_ioctl_data;

namespace board {

class HostState;

namespace chips {

class Chip {
 public:
  virtual ~Chip() = default;
  // The messages of one I2C_RDWR request, all addressed to this chip.
  // Returns n, or -1 with errno set (the chip refused the request).
  virtual int Transfer(struct i2c_msg* msgs, int n) = 0;
};

// A chip seen as a file of 8-bit registers behind an address pointer, as
// most of the board's chips are: a write message sets the pointer with its
// first byte and writes the bytes after it, a read message reads from the
// pointer; both advance the pointer. Writes that reach a register with no
// writable bit (status, identification, no such register) are refused
// whole, with a line on standard error: on the device they would be
// silently lost, which is a firmware fault worth seeing here.
class RegisterChip : public Chip {
 public:
  struct Register {
    uint8_t reset;     // power-on value
    uint8_t writable;  // bits a write changes; 0: read-only
  };
  RegisterChip(std::string name, std::vector<Register> map);

  int Transfer(struct i2c_msg* msgs, int n) override;

  uint8_t Stored(int reg) const { return Valid(reg) ? values_[reg] : 0; }
  bool Writable(int reg) const { return Valid(reg) && map_[reg].writable != 0; }

 protected:
  // What a read returns; live registers override it. Default: the stored value.
  virtual uint8_t Read(int reg) { return Stored(reg); }
  // Called once per write message after its registers were stored.
  virtual void Written() {}
  // "0xRR=0xVV" lines of the registers written since power-on.
  std::string WrittenLines() const;
  // What the chip itself changes (a soft reset, a mode it leaves).
  void Store(int reg, uint8_t v) {
    if (Valid(reg)) values_[reg] = v;
  }
  // Every register back to its power-on value.
  void ResetRegisters() {
    for (size_t r = 0; r < map_.size(); ++r) values_[r] = map_[r].reset;
  }

 private:
  bool Valid(int reg) const { return reg >= 0 && reg < static_cast<int>(map_.size()); }

  std::string name_;
  std::vector<Register> map_;
  std::vector<uint8_t> values_;
  std::vector<bool> written_;
  int pointer_ = 0;
};

// A chip of 16-bit registers, most significant byte first, behind an
// address pointer that advances by one register per word (the tuners). A
// write message sets the pointer with its first byte; Written(reg) follows
// every word written.
class WordChip : public Chip {
 public:
  explicit WordChip(int registers) : regs_(registers, 0) {}
  int Transfer(struct i2c_msg* msgs, int n) override;

 protected:
  virtual uint16_t ReadWord(int reg) { return Reg(reg); }
  virtual void Written(int reg) { (void)reg; }
  uint16_t Reg(int reg) const { return reg >= 0 && reg < static_cast<int>(regs_.size()) ? regs_[reg] : 0; }
  void SetReg(int reg, uint16_t v) {
    if (reg >= 0 && reg < static_cast<int>(regs_.size())) regs_[reg] = v;
  }

 private:
  std::vector<uint16_t> regs_;
  int pointer_ = 0;
};

// Stations on the air ("fm_stations"): strength at a frequency in kHz, 0
// where there is none.
int StationStrength(const HostState& state, int khz);

// Every chip of one host board, by bus node and address.
class ChipRegistry {
 public:
  // Replaces any chip at the same place.
  void Add(const std::string& bus, int address, std::unique_ptr<Chip> chip);
  Chip* Find(const std::string& bus, int address) const;
  // One I2C_RDWR request on a bus: what the ioctl returns (ENXIO when
  // nothing answers at the address).
  int Transfer(const std::string& bus, struct i2c_rdwr_ioctl_data* data);

 private:
  std::map<std::pair<std::string, int>, std::unique_ptr<Chip>> chips_;
};

// How the board builds one chip; the model reads its inputs from and
// writes its outputs to the state files.
using ChipFactory = std::unique_ptr<Chip> (*)(const HostState& state);

struct ChipEntry {
  const char* bus;
  int address;
  ChipFactory make;
};

// The chips every host board has (chip_table.cpp).
const std::vector<ChipEntry>& BoardChips();
// Adds a fresh instance of every chip in BoardChips() to the registry.
void AddBoardChips(ChipRegistry& registry, const HostState& state);

}  // namespace chips
}  // namespace board
