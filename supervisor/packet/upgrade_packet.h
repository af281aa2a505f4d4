// The upgrade packet and the device-information record: the formats that
// the player and the supervisor both check, with the same rules. Checking
// never changes a file. Any thread.
#pragma once

#include <cstddef>
#include <cstdint>

// Where a computer leaves an upgrade on the internal memory.
constexpr const char* kUpgradeScript = "/mnt/emmc/q7upgrade.sh";
constexpr const char* kUpgradePayload = "/mnt/emmc/q7_upgrade";
constexpr const char* kSnbUpgradeFile = "/mnt/emmc/q7snb.bin";

constexpr size_t kUpgradeScriptSize = 99;
constexpr size_t kUpgradeBlock = 8192;
constexpr size_t kSnbSize = 16384;
constexpr uint32_t kSnbMagic = 0x005AA5FF;

// 0 valid; -1 script unopenable; -2 script length or text wrong; -3 version
// 3 or lower; -4 payload unopenable; -5 payload length or check value wrong.
int CheckUpgradePacket(const char* scriptPath, const char* payloadPath);
// True when the file holds a valid device-information record.
bool CheckSnbFile(const char* path);
// The same rules over bytes in memory.
int CheckUpgradeScriptText(const unsigned char* text, size_t length, int* version,
                           uint32_t* payloadLength, uint32_t* checkValue);
bool CheckSnbRecord(const unsigned char* data, size_t length);

// Exclusive-or of the little-endian words of one block, zero-padded to
// kUpgradeBlock (n <= kUpgradeBlock).
uint32_t FoldUpgradeBlock(const unsigned char* block, size_t n);
// The check value of a payload whose folded blocks gave `x`.
uint32_t UpgradeCheckValue(uint32_t x, uint32_t length, int version);
// The fixed text after the script's header line.
extern const char c_UpgradeScriptTail[];
