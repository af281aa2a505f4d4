#include "platform/host/chips/chip.h"

#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/host/host_board.h"

namespace board {
namespace chips {
namespace {

int Fail(int e) {
  errno = e;
  return -1;
}

}  // namespace

RegisterChip::RegisterChip(std::string name, std::vector<Register> map)
    : name_(std::move(name)), map_(std::move(map)), values_(map_.size()), written_(map_.size()) {
  for (size_t r = 0; r < map_.size(); ++r) values_[r] = map_[r].reset;
}

int RegisterChip::Transfer(struct i2c_msg* msgs, int n) {
  // Checked before anything happens: a refused request must not leave half
  // its writes behind, nor clear flags that its reads would have returned.
  for (int i = 0; i < n; ++i) {
    const struct i2c_msg& m = msgs[i];
    if (m.len > 0 && !m.buf) return Fail(EINVAL);
    if (m.flags & I2C_M_RD) continue;
    for (unsigned k = 1; k < m.len; ++k) {
      int reg = m.buf[0] + static_cast<int>(k) - 1;
      if (!Writable(reg)) {
        fprintf(stderr, "%s: write 0x%02X to read-only register 0x%02X refused\n", name_.c_str(),
                m.buf[k], reg);
        return Fail(EIO);
      }
    }
  }
  for (int i = 0; i < n; ++i) {
    struct i2c_msg& m = msgs[i];
    if (m.flags & I2C_M_RD) {
      for (unsigned k = 0; k < m.len; ++k) m.buf[k] = Valid(pointer_) ? Read(pointer_++) : 0;
    } else if (m.len >= 1) {
      pointer_ = m.buf[0];
      for (unsigned k = 1; k < m.len; ++k, ++pointer_) {
        uint8_t mask = map_[pointer_].writable;
        values_[pointer_] = static_cast<uint8_t>((values_[pointer_] & ~mask) | (m.buf[k] & mask));
        written_[pointer_] = true;
      }
      if (m.len > 1) Written();
    }
  }
  return n;
}

int WordChip::Transfer(struct i2c_msg* msgs, int n) {
  for (int i = 0; i < n; ++i)
    if (msgs[i].len > 0 && !msgs[i].buf) return Fail(EINVAL);
  for (int i = 0; i < n; ++i) {
    struct i2c_msg& m = msgs[i];
    if (m.flags & I2C_M_RD) {
      for (unsigned k = 0; k + 1 < m.len; k += 2, ++pointer_) {
        uint16_t v = ReadWord(pointer_);
        m.buf[k] = static_cast<uint8_t>(v >> 8);
        m.buf[k + 1] = static_cast<uint8_t>(v);
      }
    } else if (m.len >= 1) {
      pointer_ = m.buf[0];
      for (unsigned k = 1; k + 1 < m.len; k += 2, ++pointer_) {
        SetReg(pointer_, static_cast<uint16_t>(m.buf[k] << 8 | m.buf[k + 1]));
        Written(pointer_);
      }
    }
  }
  return n;
}

int StationStrength(const HostState& state, int khz) {
  std::string text = state.GetText(state::kFmStations);
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    long f = 0, strength = 0;
    if (sscanf(text.substr(at, end - at).c_str(), "%ld %ld", &f, &strength) == 2 && labs(f - khz) < 50)
      return static_cast<int>(strength);
    at = end + 1;
  }
  return 0;
}

std::string RegisterChip::WrittenLines() const {
  std::string out;
  for (size_t r = 0; r < map_.size(); ++r) {
    if (!written_[r]) continue;
    char line[32];
    snprintf(line, sizeof line, "0x%02X=0x%02X\n", static_cast<unsigned>(r), values_[r]);
    out += line;
  }
  return out;
}

void ChipRegistry::Add(const std::string& bus, int address, std::unique_ptr<Chip> chip) {
  chips_[{bus, address}] = std::move(chip);
}

Chip* ChipRegistry::Find(const std::string& bus, int address) const {
  auto it = chips_.find({bus, address});
  return it == chips_.end() ? nullptr : it->second.get();
}

int ChipRegistry::Transfer(const std::string& bus, struct i2c_rdwr_ioctl_data* data) {
  if (!data || !data->msgs || data->nmsgs == 0 || data->nmsgs > I2C_RDWR_IOCTL_MAX_MSGS)
    return Fail(EINVAL);
  int addr = data->msgs[0].addr;
  for (unsigned i = 1; i < data->nmsgs; ++i)
    if (data->msgs[i].addr != addr) return Fail(EINVAL);
  Chip* chip = Find(bus, addr);
  if (!chip) return Fail(ENXIO);  // nothing answers at that address
  return chip->Transfer(data->msgs, static_cast<int>(data->nmsgs));
}

void AddBoardChips(ChipRegistry& registry, const HostState& state) {
  for (const ChipEntry& e : BoardChips()) registry.Add(e.bus, e.address, e.make(state));
}

}  // namespace chips
}  // namespace board
