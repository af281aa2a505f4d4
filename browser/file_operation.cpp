// The file-management window: five items walked with the arrows, play acts.
#include "browser/file_operation.h"

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <string>

#include "browser/dir_info.h"
#include "browser/file_copy.h"
#include "core/base/activity.h"
#include "core/base/keys.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

enum { kDelete, kCut, kCopy, kPaste, kSend, kItems };

void Queue(int id, const char* tail = "") { SysTts_Add((PhraseText(id) + tail).c_str()); }

const char* NameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
}

class FileOperation final : public iWindow {
 public:
  FileOperation() : m_Item(g_FileOperationFlag ? kPaste : kDelete) {}
  ~FileOperation() override {
    if (m_Busy) CancelFileOperation();
  }

  int OnKeyDown(int code) override;
  int OnKeyPress(int code) override;
  int OnTick() override;
  // Closed from outside (a mode key, the card pulled): the copy stops, and
  // the user hears why once the root speaks.
  int OnClose() override {
    if (!m_Busy) return 0;
    CancelFileOperation();
    m_Busy = false;
    g_FileOperationFlag = 0;
    bool cardGone = BAccess("/dev/mmcblk1", F_OK) != 0;
    if (cardGone && (m_Dest.rfind("/mnt/microsd/", 0) == 0 || g_FileOperationFilename.rfind("/mnt/microsd/", 0) == 0)) {
      Queue(UxPhrase::ErrorWhileCopying, ", ");
      Queue(UxPhrase::NoMicroSdCard, ", ");
    } else {
      Queue(UxPhrase::Canceled5);
    }
    g_FileOperationFilename.clear();
    return 0;
  }
  int OnRefresh() override {
    if (m_Busy) return SysTts_SynchFmtStr(UxPhrase::Copying);
    Show(true);
    return 0;
  }

 private:
  void Show(bool title);
  int BusyKey(int code);
  int Act();
  int Delete();
  int Paste();
  int Send();
  int Start(const std::string& dest, bool move);
  int Ask(int phrase);
  int Finish(int result);
  void ReloadSelecting(const char* name);

  int m_Item;
  bool m_Busy = false;
  bool m_Move = false;
  std::string m_Dest;
};

void FileOperation::Show(bool title) {
  std::string text = title ? PhraseText(UxPhrase::FileManagement) : "";
  switch (m_Item) {
    case kDelete: text += PhraseText(g_DirInfo.GetTotal() > 0 && g_DirInfo.IsCurSelDir() ? UxPhrase::DeleteFolder : UxPhrase::Delete); break;
    case kCut: text += PhraseText(UxPhrase::Cut); break;
    case kCopy: text += PhraseText(UxPhrase::Copy); break;
    case kPaste: text += PhraseText(UxPhrase::Paste); break;
    default: text += PhraseText(strncmp(g_DirInfo.GetPath(), "/mnt/emmc", 9) == 0 ? UxPhrase::SendToMicroSdCard : UxPhrase::SendToInternalMemory); break;
  }
  SysTts_Play(text.c_str(), -1);
}

int FileOperation::OnKeyDown(int code) {
  if (m_Busy) return BusyKey(code);
  if (g_bKeyBoardLocked) return OnDefaultKeyDown(code);
  switch (code) {
    case KEY_UP: case KEY_DOWN: case KEY_LEFT: case KEY_RIGHT:
    case KEY_VOL_UP: case KEY_VOL_DOWN:
      SysTts_Stop();
      return 0;
    case KEY_MENU: case KEY_BACK:
      SysTts_Stop();
      return WND_CLOSE;
    case KEY_PLAY:
      SysTts_Stop();
      return Act();
    default:
      return OnDefaultKeyDown(code);
  }
}

int FileOperation::OnKeyPress(int code) {
  if (m_Busy || g_bKeyBoardLocked) return OnDefaultKeyPress(code);
  if (code == KEY_UP || code == KEY_LEFT) {
    m_Item = (m_Item + kItems - 1) % kItems;
  } else if (code == KEY_DOWN || code == KEY_RIGHT) {
    m_Item = (m_Item + 1) % kItems;
  } else {
    return OnDefaultKeyPress(code);
  }
  Show(false);
  return 0;
}

int FileOperation::BusyKey(int code) {
  switch (code) {
    case KEY_BACK:
    case EV_AUTO_SHUTDOWN:
    case EV_IDLE_SHUTDOWN:
      SysTts_Stop();
      SysTts_SynchFmtStr(UxPhrase::CancelCopying);
      SysTts_WaitFinish();
      CancelFileOperation();
      m_Busy = false;
      g_FileOperationFlag = 0;
      ReloadSelecting(NameOf(m_Dest));
      Queue(UxPhrase::Canceled5);
      return code == KEY_BACK ? WND_CLOSE : WND_CLOSE_PASS_DOWN;
    case EV_SD_MOUNTED:
    case EV_SD_REMOVED:
      // The root follows the card; the worker finds out for itself.
      return WND_PASS_DOWN;
    case KEY_VOL_UP:
    case KEY_VOL_DOWN:
      return 0;
    default:
      return OnRefresh();
  }
}

int FileOperation::OnTick() {
  if (!m_Busy || FileOperationRunning()) return 0;
  m_Busy = false;
  return Finish(FileOperationResult());
}

int FileOperation::Finish(int result) {
  g_FileOperationFlag = 0;
  g_FileOperationFilename.clear();
  ReloadSelecting(NameOf(m_Dest));
  if (result == FOP_DONE) {
    Queue(UxPhrase::CopyFinished);
  } else if (result == FOP_DISK_FULL) {
    Queue(UxPhrase::DiskFull, ", ");
  } else if (result == FOP_CANCELED) {
    Queue(UxPhrase::Canceled5);
  } else {
    Queue(UxPhrase::ErrorWhileCopying, ", ");
    // A card pulled under the copy: say why; the source is untouched.
    if (result == FOP_DISK_GONE) Queue(UxPhrase::NoMicroSdCard, ", ");
  }
  return WND_CLOSE;
}

void FileOperation::ReloadSelecting(const char* name) {
  if (g_DirInfo.LoadDir(nullptr) != 0) return;
  int i = g_DirInfo.Find(name);
  if (i >= 0) g_DirInfo.SetCurSel(i);
}

int FileOperation::Act() {
  const char* name = g_DirInfo.GetCurSelName();
  if (!DiskOfPath((std::string(g_DirInfo.GetPath()) + "/x").c_str())) {
    SysTts_SynchFmtStr(UxPhrase::Error);
    return 0;
  }
  if (m_Item == kPaste) return Paste();
  if (!name) {
    SysTts_SynchFmtStr(UxPhrase::NoFiles2);
    return 0;
  }
  if (m_Item == kDelete) return Delete();
  if (m_Item == kSend) return Send();
  g_FileOperationFlag = m_Item == kCut ? 1 : 2;
  g_FileOperationFilename = std::string(g_DirInfo.GetPath()) + "/" + name;
  Queue(m_Item == kCut ? UxPhrase::CutFileFlagHasBeenSet : UxPhrase::CopyFileFlagHasBeenSet);
  return WND_CLOSE;
}

// The yes/no question; -1 when the box was closed from outside and this
// window is gone.
int FileOperation::Ask(int phrase) {
  int r = MessageBox(PhraseText(phrase).c_str(), 1);
  if (r == WND_STOP) {
    delete this;
    return -1;
  }
  return r;
}

int FileOperation::Delete() {
  bool folder = g_DirInfo.IsCurSelDir();
  std::string path = std::string(g_DirInfo.GetPath()) + "/" + g_DirInfo.GetCurSelName();
  int answer = Ask(folder ? UxPhrase::DoYouWantToDeleteThe2 : UxPhrase::DeleteTheFile);
  if (answer < 0) return 0;
  if (answer != KEY_PLAY) {
    Queue(UxPhrase::Canceled6);
    return WND_CLOSE;
  }
  SysTts_SynchFmtStr(UxPhrase::Deleting);
  SysTts_WaitFinish();
  int r = force_remove_file(path.c_str());
  sync();
  g_DirInfo.LoadDir(nullptr);
  if (r != 0) Queue(UxPhrase::Error, ", ");
  else Queue(folder ? UxPhrase::FolderDeleted : UxPhrase::FileDeleted, folder ? " " : "");
  if (r == 0 && g_FileOperationFlag && IsSameOrInside(path.c_str(), g_FileOperationFilename.c_str()))
    g_FileOperationFlag = 0;
  return WND_CLOSE;
}

int FileOperation::Paste() {
  if (g_FileOperationFlag != 1 && g_FileOperationFlag != 2) {
    SysTts_SynchFmtStr(UxPhrase::Error);
    return 0;
  }
  struct stat st;
  const std::string& src = g_FileOperationFilename;
  if (src.find('/') == std::string::npos || BStat(src.c_str(), &st) != 0) {
    Queue(UxPhrase::ErrorWhileCopying, ", ");
    return WND_CLOSE;
  }
  std::string dest = std::string(g_DirInfo.GetPath()) + "/" + NameOf(src);
  // Into itself, or over a folder that holds it: replacing would remove it.
  if (OverlapsSource(src.c_str(), dest.c_str())) {
    SysTts_SynchFmtStr(UxPhrase::DestinationIsTheSameAsOr);
    return 0;
  }
  return Start(dest, g_FileOperationFlag == 1);
}

int FileOperation::Send() {
  if (BAccess("/dev/mmcblk1", F_OK) != 0) {
    Queue(UxPhrase::NoMicroSdCard, ", ");
    return WND_CLOSE;
  }
  if (IsMountDir("/mnt/emmc") != 1 || IsMountDir("/mnt/microsd") != 1) {
    Queue(UxPhrase::DiskNotFormatted, ", ");
    return WND_CLOSE;
  }
  const char* name = g_DirInfo.GetCurSelName();
  bool fromEmmc = strncmp(g_DirInfo.GetPath(), "/mnt/emmc", 9) == 0;
  g_FileOperationFlag = 2;
  g_FileOperationFilename = std::string(g_DirInfo.GetPath()) + "/" + name;
  return Start(std::string(fromEmmc ? "/mnt/microsd/" : "/mnt/emmc/") + name, false);
}

int FileOperation::Start(const std::string& dest, bool move) {
  struct stat st;
  if (BStat(dest.c_str(), &st) == 0) {
    int answer = Ask(UxPhrase::FileExistsReplaceIt);
    if (answer < 0) return 0;
    if (answer != KEY_PLAY) {
      Queue(UxPhrase::Canceled5);
      return WND_CLOSE;
    }
  }
  m_Dest = dest;
  m_Move = move;
  if ((move ? MoveThread(dest) : CopyThread(dest)) != 0) {
    Queue(UxPhrase::ErrorWhileCopying, ", ");
    return WND_CLOSE;
  }
  m_Busy = true;
  SysTts_SynchFmtStr(UxPhrase::Copying);
  return 0;
}

}  // namespace

int CreateFileOperationMenu() {
  iWindow* w = new FileOperation();
  if (AddWindow(w) != 0) {
    delete w;
    return -1;
  }
  return 0;
}
