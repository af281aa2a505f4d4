// Upgrade packets and device records for the tests: gzip'd tar payloads,
// the 99-byte script with the right length and check value, and records.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "supervisor/packet/upgrade_packet.h"
#include "tests/support/test_support.h"

namespace dtbtest {

struct TarMember {
  std::string name;
  std::string data;
  char type = '0';
};

inline std::string TarHeader(const std::string& name, unsigned long long size, char type = '0') {
  char h[512] = {};
  snprintf(h, 100, "%s", name.c_str());
  snprintf(h + 100, 8, "%07o", 0755);
  snprintf(h + 124, 12, "%011llo", size);
  snprintf(h + 136, 12, "%011o", 0u);
  h[156] = type;
  memcpy(h + 257, "ustar", 6);
  memset(h + 148, ' ', 8);
  unsigned sum = 0;
  for (unsigned char c : h) sum += c;
  snprintf(h + 148, 8, "%06o", sum);
  return std::string(h, 512);
}

inline std::string Tar(const std::vector<TarMember>& members) {
  std::string out;
  for (const TarMember& m : members) {
    out += TarHeader(m.name, m.data.size(), m.type);
    out += m.data;
    out.append((512 - m.data.size() % 512) % 512, '\0');
  }
  out.append(1024, '\0');
  return out;
}

inline std::string Gzip(const std::string& data) {
  uLongf len = compressBound(data.size()) + 64;
  std::string out(len, '\0');
  z_stream z = {};
  deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// A gzip'd tar of files of zero bytes, `sizes` each, made a block at a time:
// a packet of a few hundred KB that unpacks to hundreds of MB.
inline std::string GzipTarOfZeros(const std::vector<std::pair<std::string, unsigned long long>>& files) {
  std::string out;
  z_stream z = {};
  deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  std::vector<unsigned char> buf(1 << 16);
  auto feed = [&](const char* data, size_t n, int flush) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z.avail_in = static_cast<uInt>(n);
    do {
      z.next_out = buf.data();
      z.avail_out = static_cast<uInt>(buf.size());
      deflate(&z, flush);
      out.append(reinterpret_cast<char*>(buf.data()), buf.size() - z.avail_out);
    } while (z.avail_out == 0);
  };
  const std::string zeros(1 << 20, '\0');
  for (const auto& f : files) {
    std::string h = TarHeader(f.first, f.second);
    feed(h.data(), h.size(), Z_NO_FLUSH);
    for (unsigned long long left = (f.second + 511) / 512 * 512; left > 0;) {
      size_t n = static_cast<size_t>(std::min<unsigned long long>(left, zeros.size()));
      feed(zeros.data(), n, Z_NO_FLUSH);
      left -= n;
    }
  }
  feed(zeros.data(), 1024, Z_FINISH);
  deflateEnd(&z);
  return out;
}

inline uint32_t CheckValueOf(const std::string& payload, int version) {
  uint32_t x = 0;
  for (size_t off = 0; off < payload.size(); off += kUpgradeBlock) {
    size_t n = std::min(kUpgradeBlock, payload.size() - off);
    x ^= FoldUpgradeBlock(reinterpret_cast<const unsigned char*>(payload.data()) + off, n);
  }
  return UpgradeCheckValue(x, static_cast<uint32_t>(payload.size()), version);
}

// The script for `payload`; `length` overrides the length field when >= 0.
inline std::string ScriptFor(const std::string& payload, int version, long long length = -1) {
  char head[40];
  snprintf(head, sizeof head, "### q7_upgrade %02d %08X %08x", version,
           static_cast<unsigned>(length >= 0 ? length : static_cast<long long>(payload.size())),
           CheckValueOf(payload, version));
  return head + std::string(c_UpgradeScriptTail);
}

// Writes q7upgrade.sh and q7_upgrade into the real folder `dir`.
inline void WritePacket(const std::string& dir, const std::string& payload, int version = 4) {
  WriteFile(dir + "/q7upgrade.sh", ScriptFor(payload, version));
  WriteFile(dir + "/q7_upgrade", payload);
}

// Stores the CRC of a record's body (zlib's CRC-32, the standard one).
inline std::string SealSnb(std::string r) {
  uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(r.data()) + 8, static_cast<uInt>(r.size() - 8));
  memcpy(&r[4], &crc, 4);
  return r;
}

inline std::string SnbRecord() {
  std::string r(kSnbSize, '\0');
  auto put = [&](size_t off, const char* text) { memcpy(&r[off], text, strlen(text)); };
  put(8, "talking book player");
  put(136, "Q7A1234-extra");
  put(168, "rev B");
  const unsigned char date[] = {24, 6, 30, 23, 59, 59, 0, 1};
  memcpy(&r[200], date, sizeof date);
  put(208, "free text");
  uint32_t magic = kSnbMagic;
  memcpy(&r[0], &magic, 4);
  return SealSnb(r);
}

}  // namespace dtbtest
