// "/mnt/settings/poweroff.path": the folder and entry the browser was on at
// power-off, so that the next start-up begins there.
#include <cstdio>
#include <cstring>
#include <string>

#include "browser/file_browser.h"
#include "core/base/atomic_file.h"
#include "core/base/activity.h"
#include "platform/board.h"

namespace {

constexpr const char* kPoweroffPath = "/mnt/settings/poweroff.path";
constexpr size_t kMaxText = 9216;

// The disk choice, with the entry of that disk selected.
int DiskChoice(const char* entry, int fallbackIndex) {
  if (g_DirInfo.LoadDir("/mnt") != 0) return -1;
  int i = g_DirInfo.Find(entry);
  g_DirInfo.SetCurSel(i >= 0 ? i : fallbackIndex);
  return 0;
}

}  // namespace

int SavePoweroffPath() {
  if (!g_file_browser) return -1;
  if (IsMountDir("/mnt/settings") != 1) return -1;
  std::string text = g_DirInfo.GetPath();
  if (text.empty()) {
    BUnlink(kPoweroffPath);  // nowhere to come back to
    return 0;
  }
  text += '/';
  if (const char* name = g_DirInfo.GetCurSelName()) text += name;
  // The old text is replaced in one rename, so a failed write leaves it.
  return WriteFileAtomic(kPoweroffPath, text.data(), text.size()) == 0 ? 0 : -1;
}

int GoToPoweroffPath() {
  FILE* f = BFopen(kPoweroffPath, "rb");
  if (!f) return -1;
  std::string text(kMaxText + 1, '\0');
  size_t n = fread(&text[0], 1, text.size(), f);
  fclose(f);
  if (n < 4 || n > kMaxText) return -1;
  text.resize(n);
  // Only the text up to a stray terminator counts.
  text.resize(strlen(text.c_str()));
  if (text.compare(0, 5, "/mnt/") != 0) return -1;
  static const struct {
    const char* root;
    const char* entry;
    int index;
  } c_Disks[] = {{"/mnt/emmc", "emmc", 0}, {"/mnt/microsd", "microsd", 1}};
  for (const auto& d : c_Disks) {
    size_t len = strlen(d.root);
    if (text.compare(0, len, d.root) != 0) continue;
    if (text.size() == len || text[len] != '/' || IsMountDir(d.root) != 1)
      return DiskChoice(d.entry, d.index);
    break;
  }
  size_t slash = text.rfind('/');
  std::string folder = text.substr(0, slash), entry = text.substr(slash + 1);
  if (g_DirInfo.LoadDir(folder.c_str()) != 0 && g_DirInfo.LoadDir("/mnt") != 0) return -1;
  int i = g_DirInfo.Find(entry.c_str());
  g_DirInfo.SetCurSel(i >= 0 ? i : 0);
  return 0;
}
