// The per-language standard folders on each disk.
#include <sys/stat.h>

#include <string>

#include "browser/dir_info.h"
#include "browser/file_browser.h"
#include "core/base/activity.h"
#include "speech/ux_language.h"
#include "speech/tts.h"
#include "platform/board.h"

namespace {

constexpr size_t kMaxPath = 511;

bool Exists(const std::string& path) {
  struct stat st;
  return BStat(path.c_str(), &st) == 0;
}

// `directory` followed by phrase `id` of `lang`, or "" when it has no text.
std::string PhrasePath(const char* directory, iUxLanguage* lang, int id) {
  char name[256];
  if (!lang || lang->GetString(id, name, sizeof name) <= 0) return "";
  std::string path = std::string(directory) + name;
  if (path.size() > kMaxPath) path.resize(kMaxPath);
  return path;
}

}  // namespace

int ChangeDirname(const char* directory, int phraseId) {
  if (!directory) return -1;
  std::string target = PhrasePath(directory, g_pUxLanguage, phraseId);
  if (target.empty()) return -1;
  if (Exists(target)) return 0;
  int languages = Tts_GetTotalLanguages();
  for (int i = 0; i < languages; ++i) {
    if (i == g_CurLanguage) continue;
    std::string old = PhrasePath(directory, GetUxLanguage(i), phraseId);
    if (old.empty() || old == target || !Exists(old)) continue;
    return board::System("mv " + board::ShellQuote(old) + " " + board::ShellQuote(target)) == 0
               ? 0
               : -1;
  }
  return board::System("mkdir " + board::ShellQuote(target)) == 0 ? 0 : -1;
}

int CreateDaisyDir() {
  static const char* const kDisks[][2] = {{"/mnt/emmc", "/mnt/emmc/"},
                                          {"/mnt/microsd", "/mnt/microsd/"}};
  for (const auto& disk : kDisks) {
    if (IsMountDir(disk[0]) != 1) continue;
    std::string daisy = std::string(disk[1]) + "Daisy";
    if (!Exists(daisy)) board::System("mkdir " + daisy);
    ChangeDirname(disk[1], UxPhrase::Record);
    ChangeDirname(disk[1], UxPhrase::AudioBooks);
  }
  board::System("sync");
  g_DirInfo.LoadDir(nullptr);
  return 0;
}
