// Upgrade packets and device records come from whatever a computer copied
// to the disk; the checks must reject garbage without reading past it, and
// the archive check must never pass a member outside the firmware's places.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "supervisor/packet/upgrade_install.h"
#include "supervisor/packet/upgrade_packet.h"

namespace {

std::string TempPath(const char* name) { return "/tmp/fuzz_upgrade_" + std::to_string(getpid()) + name; }

void Write(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return;
  if (size) fwrite(data, 1, size, f);
  fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int version = 0;
  uint32_t length = 0, check = 0;
  if (CheckUpgradeScriptText(data, size, &version, &length, &check) == 0) {
    if (size != kUpgradeScriptSize || version <= 3 || memcmp(data, "### q7_upgrade ", 15) != 0)
      __builtin_trap();
  }
  // The first 99 bytes as the script, the rest as the payload.
  if (size >= kUpgradeScriptSize) {
    std::string script = TempPath(".sh"), payload = TempPath(".gz");
    Write(script, data, kUpgradeScriptSize);
    Write(payload, data + kUpgradeScriptSize, size - kUpgradeScriptSize);
    CheckUpgradePacket(script.c_str(), payload.c_str());
    CheckUpgradeArchive(payload.c_str());
    unlink(script.c_str());
    unlink(payload.c_str());
  }
  CheckSnbRecord(data, size);
  // Also as a record of the right size, so the field checks are reached.
  std::vector<uint8_t> record(kSnbSize, 0);
  memcpy(record.data(), data, size < kSnbSize ? size : kSnbSize);
  CheckSnbRecord(record.data(), record.size());
  return 0;
}
