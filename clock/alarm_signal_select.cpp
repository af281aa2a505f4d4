// Picking the alarm signal among the folders and audio files of the
// internal memory: folders first, each group in natural order.
#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

#include "audio/audio_files.h"
#include "browser/logical_strcmp.h"
#include "clock/alarm_speech.h"
#include "clock/alarms.h"
#include "core/base/activity.h"
#include "core/base/util.h"
#include "core/ui/key_describer.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

constexpr size_t kMaxSignalPath = 8192;

struct Entry {
  std::string name;
  bool folder;
};

std::vector<Entry> List(const std::string& dir) {
  std::vector<Entry> folders, files;
  DIR* d = BOpendir(dir.c_str());
  if (!d) return {};
  while (struct dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    if (e->d_type == DT_DIR)
      folders.push_back({e->d_name, true});
    else if (CheckIsAudioFile_FromExtName(GetExtName(e->d_name)))
      files.push_back({e->d_name, false});
  }
  closedir(d);
  auto order = [](const Entry& a, const Entry& b) {
    return LogicalStrCmp(a.name.c_str(), b.name.c_str()) < 0;
  };
  std::sort(folders.begin(), folders.end(), order);
  std::sort(files.begin(), files.end(), order);
  folders.insert(folders.end(), files.begin(), files.end());
  return folders;
}

class AlarmSignalSelectMenu final : public Menu {
 public:
  AlarmSignalSelectMenu(std::string* target, std::string dir) : target_(target), top_(dir) { Enter(dir); }

  int Show() override {
    std::string text = entries_.empty() ? PhraseText(UxPhrase::NoFiles)
                       : entries_[m_CurIndex].folder
                           ? entries_[m_CurIndex].name + ", " + PhraseText(UxPhrase::Folder)
                           : entries_[m_CurIndex].name;
    return SysTts_Play(text.c_str(), -1);
  }

  int OnClose() override {
    AlarmStop();
    return 0;
  }

  int OnKeyDown(int code) override {
    AlarmStop();
    if (code == KEY_MUSIC && !g_bKeyBoardLocked) {
      SysTts_Stop();
      if (entries_.empty())
        Show();  // "no files"
      else if (entries_[m_CurIndex].folder)
        SysTts_Beep(8);  // a folder has no sound of its own
      else
        AlarmStart(Path().c_str());
      return 0;
    }
    // Back climbs to the folder this one was entered from.
    if (code == KEY_BACK && !g_bKeyBoardLocked && dir_ != top_) {
      SysTts_Stop();
      std::string from = dir_.substr(dir_.rfind('/') + 1);
      Enter(dir_.substr(0, dir_.rfind('/')));
      for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].folder && entries_[i].name == from) m_CurIndex = static_cast<int>(i);
      return Show();
    }
    return Menu::OnKeyDown(code);
  }

  // An empty folder has nothing to move to: it says so again.
  int OnKeyPress(int code) override {
    if (entries_.empty() && !g_bKeyBoardLocked &&
        (code == KEY_UP || code == KEY_DOWN || code == KEY_LEFT || code == KEY_RIGHT))
      return Show();
    return Menu::OnKeyPress(code);
  }

  std::string DescribeKey(int code, int held) override {
    if (held < 0 && code == KEY_MUSIC) return PhraseText(UxPhrase::KeyPlaysTheFile);
    if (held < 0 && code == KEY_BACK && dir_ != top_)
      return PhraseText(UxPhrase::KeyGoesBackToTheFolder);
    if (held < 0 && code == KEY_PLAY)
      return PhraseText(UxPhrase::KeyOpensTheFolderOrTakes);
    return Menu::DescribeKey(code, held);
  }

  int KeyOK() override {
    if (entries_.empty()) return Show();
    if (entries_[m_CurIndex].folder) {
      Enter(Path());
      return Show();
    }
    if (Path().size() >= kMaxSignalPath) return Show();
    *target_ = Path();
    SysTts_Add((PhraseText(UxPhrase::SettingDone) + " ").c_str());  // "Setting done.", then the signal field
    return WND_CLOSE;
  }

 private:
  void Enter(const std::string& dir) {
    dir_ = dir;
    entries_ = List(dir);
    m_ItemCount = static_cast<int>(entries_.size());
    m_CurIndex = 0;
  }
  std::string Path() const { return dir_ + "/" + entries_[m_CurIndex].name; }

  std::string* target_;
  std::string top_;
  std::string dir_;
  std::vector<Entry> entries_;
};

}  // namespace

int CreateAlarmSignalSelectMenu(std::string* target) {
  const char* root = "/mnt/emmc";
  return OpenClockWindow(new AlarmSignalSelectMenu(target, IsMountDir(root) == 1 ? root : "/mnt"));
}
