// Version and device information: a text spoken line by line, each line
// after the previous one has been said; the arrows walk the lines.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/statvfs.h>

#include "core/base/activity.h"
#include "core/base/diag.h"
#include "platform/board.h"
#include "settings/settings_menu.h"
#include "settings/settings_menus.h"
#include "speech/tts.h"
#include "speech/ux_language.h"
#include "supervisor/packet/upgrade_packet.h"

int Megabytes(unsigned long long blocks, unsigned long long blockSize) {
  unsigned long long mb = blocks / 1024 * blockSize / 1024 + blocks % 1024 * blockSize / (1024 * 1024);
  return mb > 0x7fffffffULL ? 0x7fffffff : static_cast<int>(mb);
}

namespace {

constexpr const char* kFirmwareVersion = "V2.01";
// The release this firmware states.
constexpr int kReleaseYear = 2018, kReleaseMonth = 1, kReleaseDay = 11;
constexpr int kReleaseHour = 13, kReleaseMinute = 52, kReleaseSecond = 48;

bool ReadSnb(const char* path, std::vector<unsigned char>* out) {
  FILE* f = path ? BFopen(path, "rb") : nullptr;
  if (!f) return false;
  out->assign(kSnbSize + 1, 0);
  size_t n = fread(out->data(), 1, out->size(), f);
  fclose(f);
  out->resize(n);
  return CheckSnbRecord(out->data(), out->size());
}

// Megabytes of a mounted disk: total and available, 0 when not mounted.
void DiskMegabytes(const char* disk, int* total, int* remaining) {
  *total = *remaining = 0;
  if (IsMountDir(disk) != 1) return;
  struct statvfs sv;
  if (statvfs(board::Path(disk).c_str(), &sv) != 0) {
    DiagPrintf("statfs fail %s %d", disk, __LINE__);
    return;
  }
  // The counts are in fragments; a 512-byte block size must not round to 0.
  unsigned long long unit = sv.f_frsize ? sv.f_frsize : sv.f_bsize;
  *total = Megabytes(sv.f_blocks, unit);
  *remaining = Megabytes(sv.f_bavail, unit);
}

class LinesMenu final : public SettingsMenu {
 public:
  explicit LinesMenu(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
      size_t nl = text.find('\n', start);
      if (nl == std::string::npos) nl = text.size();
      if (nl > start) lines_.push_back(text.substr(start, nl - start));
      start = nl + 1;
    }
    if (lines_.empty()) lines_.push_back("");
    m_ItemCount = static_cast<int>(lines_.size());
  }
  int Show() override {
    next_ = m_CurIndex + 1;
    Say(lines_[m_CurIndex]);
    return 0;
  }
  int OnTick() override {
    // One line after the other, each once the previous has been said.
    if (next_ > 0 && next_ < m_ItemCount && SysTts_CheckRunning() <= 0) {
      m_CurIndex = next_;
      Show();
    }
    return 0;
  }
  int KeyOK() override { return WND_CLOSE; }

 private:
  std::vector<std::string> lines_;
  int next_ = 0;
};

}  // namespace

std::string VersionInformationText(const char* snbPath) {
  iUxLanguage* ux = g_pUxLanguage;
  if (!ux) return "";
  char buf[512];
  std::string text;
  std::vector<unsigned char> rec;
  bool valid = ReadSnb(snbPath, &rec) || ReadSnb("/home/q7snb.bin", &rec);
  if (valid) {
    const unsigned char* sn = rec.data() + 136;
    snprintf(buf, sizeof buf, ": %c %c %c %c %c %c %c\n", sn[0], sn[1], sn[2], sn[3], sn[4], sn[5], sn[6]);
    text += PhraseText(UxPhrase::SN) + buf;
  }
  ux->GetString_String(UxTextFormat::Version, kFirmwareVersion, buf, sizeof buf);
  text += buf;
  ux->GetReleasedDateString(kReleaseYear, kReleaseMonth, kReleaseDay, buf, sizeof buf);
  text += buf;
  ux->GetReleasedTimeString(kReleaseHour, kReleaseMinute, kReleaseSecond, buf, sizeof buf);
  text += buf;
  if (valid) {
    const char* free = reinterpret_cast<const char*>(rec.data() + 208);
    if (strnlen(free, kSnbSize - 208) > 1) text += std::string(free, strnlen(free, kSnbSize - 208)) + "\n";
    // The record keeps the year less 2000; the user hears the whole year.
    ux->GetDeliveryDateString(2000 + rec[200], rec[201], rec[202], buf, sizeof buf);
    text += buf;
  }
  return text;
}

std::string DeviceInformationText() {
  int ti, ri, tc, rc;
  DiskMegabytes("/mnt/emmc", &ti, &ri);
  DiskMegabytes("/mnt/microsd", &tc, &rc);
  char buf[512] = "";
  if (g_pUxLanguage) g_pUxLanguage->GetDeviceCapacityString(ti, ri, tc, rc, buf, sizeof buf);
  return buf;
}

iWindow* NewVersionInformationMenu() { return new LinesMenu(VersionInformationText("/mnt/settings/q7snb.bin")); }
iWindow* NewDeviceInformationMenu() { return new LinesMenu(DeviceInformationText()); }
