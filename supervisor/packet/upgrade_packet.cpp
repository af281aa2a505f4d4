#include "supervisor/packet/upgrade_packet.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <vector>

#include "core/base/diag.h"
#include "core/base/util.h"
#include "core/lib/fd/unique_fd.h"
#include "platform/board.h"

const char c_UpgradeScriptTail[] = "\ntar -zxvf /mnt/emmc/q7_upgrade -C /\nrm -f /mnt/emmc/q7_upgrade\n";

namespace {

constexpr uint32_t kCrcPolynomial = 0xEDB88320u;
const char c_Head[] = "### q7_upgrade ";

uint32_t Le32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutLe32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; i++) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

bool Hex8(const unsigned char* p, uint32_t* out) {
  uint32_t v = 0;
  for (int i = 0; i < 8; i++) {
    if (!isxdigit(p[i])) return false;
    int c = tolower(p[i]);
    v = v << 4 | static_cast<uint32_t>(isdigit(c) ? c - '0' : c - 'a' + 10);
  }
  *out = v;
  return true;
}

// Length of a zero-terminated text in a field; the field size when unterminated.
size_t TextLength(const unsigned char* p, size_t field) {
  const void* z = memchr(p, 0, field);
  return z ? static_cast<size_t>(static_cast<const unsigned char*>(z) - p) : field;
}

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

}  // namespace

uint32_t FoldUpgradeBlock(const unsigned char* block, size_t n) {
  unsigned char word[4];
  uint32_t x = 0;
  for (size_t i = 0; i < n; i += 4) {
    memset(word, 0, sizeof word);
    memcpy(word, block + i, n - i < 4 ? n - i : 4);
    x ^= Le32(word);
  }
  return x;
}

uint32_t UpgradeCheckValue(uint32_t x, uint32_t length, int version) {
  unsigned char rec[9];
  PutLe32(rec, x);
  PutLe32(rec + 4, length);
  rec[8] = static_cast<unsigned char>(version);
  return calculate_crc32(rec, sizeof rec, kCrcPolynomial);
}

int CheckUpgradeScriptText(const unsigned char* t, size_t len, int* version, uint32_t* payloadLength,
                           uint32_t* checkValue) {
  if (len != kUpgradeScriptSize) {
    DIAG("len = %d, error", static_cast<int>(len));
    return -2;
  }
  const char* fault = nullptr;
  if (memcmp(t, c_Head, 15) != 0)
    fault = "head error";
  else if (!isdigit(t[15]) || !isdigit(t[16]))
    fault = "ver error";
  else if (t[17] != ' ')
    fault = "space error";
  else if (!Hex8(t + 18, payloadLength))
    fault = "filelength error";
  else if (t[26] != ' ')
    fault = "space error";
  else if (!Hex8(t + 27, checkValue))
    fault = "sumcheck error";
  else if (memcmp(t + 35, c_UpgradeScriptTail, 64) != 0)
    fault = "end error";
  if (fault) {
    DIAG("%s", fault);
    return -2;
  }
  *version = (t[15] - '0') * 10 + (t[16] - '0');
  if (*version <= 3) {
    DIAG("ver too old");
    return -3;
  }
  return 0;
}

int CheckUpgradePacket(const char* scriptPath, const char* payloadPath) {
  if (!scriptPath || !payloadPath) return -1;
  fd::UniqueFd script(BOpen(scriptPath, O_RDONLY));
  if (!script) {
    DIAG("can not open %s", scriptPath);
    return -1;
  }
  std::vector<unsigned char> buf(kUpgradeBlock);
  ssize_t len = read(script.get(), buf.data(), buf.size());
  int version = 0;
  uint32_t length = 0, check = 0;
  int r =
      CheckUpgradeScriptText(buf.data(), len < 0 ? 0 : static_cast<size_t>(len), &version, &length, &check);
  if (r != 0) return r;
  fd::UniqueFd payload(BOpen(payloadPath, O_RDONLY));
  if (!payload) {
    DIAG("can not open %s", payloadPath);
    return -4;
  }
  uint64_t total = 0;
  uint32_t x = 0;
  for (;;) {
    ssize_t n = 0, got;
    // A block is whatever fills 8192 bytes; short reads of a pipe or disk join up.
    while (n < static_cast<ssize_t>(kUpgradeBlock) &&
           (got = read(payload.get(), buf.data() + n, kUpgradeBlock - n)) > 0)
      n += got;
    total += static_cast<uint64_t>(n);
    if (total > length) {
      DIAG("file_length = %d, %d", static_cast<int>(total), static_cast<int>(length));
      return -5;
    }
    x ^= FoldUpgradeBlock(buf.data(), static_cast<size_t>(n));
    if (n < static_cast<ssize_t>(kUpgradeBlock)) break;
  }
  if (total != length) {
    DIAG("file_length = %d, %d", static_cast<int>(total), static_cast<int>(length));
    return -5;
  }
  uint32_t want = UpgradeCheckValue(x, length, version);
  if (want != check) {
    DIAG("check = %X, %X", want, check);
    return -5;
  }
  return 0;
}

bool CheckSnbRecord(const unsigned char* d, size_t len) {
  if (len != kSnbSize || Le32(d) != kSnbMagic) return false;
  if (!InRange(static_cast<int>(TextLength(d + 8, 128)), 1, 127)) return false;
  if (!InRange(static_cast<int>(TextLength(d + 136, 32)), 1, 31)) return false;
  if (!InRange(static_cast<int>(TextLength(d + 168, 32)), 1, 31)) return false;
  if (!InRange(d[200], 12, 30) || !InRange(d[201], 1, 12) || !InRange(d[202], 1, 31)) return false;
  if (d[203] > 23 || d[204] > 59 || d[205] > 59 || d[206] != 0 || d[207] != 1) return false;
  if (TextLength(d + 208, kSnbSize - 208) > kSnbSize - 209) return false;
  return calculate_crc32(d + 8, kSnbSize - 8, kCrcPolynomial) == Le32(d + 4);
}

bool CheckSnbFile(const char* path) {
  if (!path) return false;
  fd::UniqueFd f(BOpen(path, O_RDONLY));
  if (!f) return false;
  // One byte more than a record, to tell a longer file apart.
  std::vector<unsigned char> buf(kSnbSize + 1);
  size_t n = 0;
  ssize_t got;
  while (n < buf.size() && (got = read(f.get(), buf.data() + n, buf.size() - n)) > 0)
    n += static_cast<size_t>(got);
  return CheckSnbRecord(buf.data(), n);
}
