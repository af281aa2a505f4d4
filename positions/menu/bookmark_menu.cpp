#include "positions/menu/bookmark_menu.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>

#include "browser/browser_folder.h"
#include "browser/openers.h"
#include "core/base/diag.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/settings_area.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "players/kit/bookmark_mode.h"
#include "positions/bookmark.h"
#include "positions/history.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

int g_BookmarkFunSelectSub = 0;
int g_BookmarkIndex = 0;

namespace {

const int c_bm_type_list[5] = {EM_BM_ALL, EM_BM_EBOOK, EM_BM_MUSIC, EM_BM_DAISY, EM_BM_AUDIOBOOK};
constexpr size_t kMaxPath = 8190;

// "cur_time=" and the like in an audio book's parameter text; -1 when absent.
int ParamValue(const char* params, const char* key) {
  const char* p = params ? strstr(params, key) : nullptr;
  if (!p) return -1;
  char* end = nullptr;
  long v = strtol(p + strlen(key), &end, 10);
  return end == p + strlen(key) || v < 0 ? -1 : static_cast<int>(v);
}

std::string NameOf(const char* path) {
  const char* slash = path ? strrchr(path, '/') : nullptr;
  return slash ? slash + 1 : "";
}

std::string FolderOf(const char* path) {
  const char* slash = strrchr(path, '/');
  return slash ? std::string(path, slash - path) : std::string();
}

bool Exists(const char* path) {
  struct stat st;
  return path && BStat(path, &st) == 0;
}

class BookMarkMenu final : public iWindow {
 public:
  BookMarkMenu() {
    list_ = g_BookmarkFunSelectSub >= 0 && g_BookmarkFunSelectSub < 5 ? g_BookmarkFunSelectSub : 0;
    Reload();
    file_ = g_BookmarkIndex >= 0 && g_BookmarkIndex < count_ ? g_BookmarkIndex : 0;
  }
  ~BookMarkMenu() override {
    if (mode_ == 0) {
      g_BookmarkFunSelectSub = list_;
      g_BookmarkIndex = file_;
    }
  }

  int OnKeyDown(int code) override;
  int OnKeyPress(int code) override;
  int OnRefresh() override {
    if (delete_menu_) return SayDeleteChoice(), 0;
    Show(true);
    return 0;
  }

 private:
  void Reload() {
    int kind = c_bm_type_list[list_];
    count_ = mode_ == 0 ? g_bookmark.GetBookmarkList(kind, bm_) : g_History.GetBookmarkList(kind, hist_);
    if (count_ < 0) count_ = 0;
    if (file_ >= count_) file_ = count_ > 0 ? count_ - 1 : 0;
    // An emptied list holds no entry to be inside of.
    if (count_ == 0) bm_index_ = -1;
  }
  void Show(bool title);
  std::string EntryText();
  std::string BookmarkText(BmFileItem* e, int i);
  std::string HistoryText(HistoryItem* h);
  void SwitchMode();
  void ChangeList(int step);
  int Play();
  int PlayBookmark(BmFileItem* e, int i);
  int PlayHistory(HistoryItem* h);
  int OpenPlayer(int kind, const char* path, const char* params, const int pos[4]);
  int AskMissing(int question, int done, int canceled);
  int DeleteKey(int code);
  int ConfirmDelete();
  void SayDeleteChoice() {
    SysTts_Play(PhraseText(mode_ == 0 ? (delete_all_ ? UxPhrase::DeleteAllBookmarks : UxPhrase::DeleteBookmark) : (delete_all_ ? UxPhrase::DeleteAllHistory : UxPhrase::DeleteHistory)).c_str(), -1);
  }

  int mode_ = 0;
  int list_ = 0;
  int file_ = 0;
  int bm_index_ = -1;
  BmFileItem* bm_[BM_MAX_FILE_ITEMS] = {};
  HistoryItem* hist_[HISTORY_MAX_ITEMS] = {};
  int count_ = 0;
  bool delete_menu_ = false;
  bool delete_all_ = false;
};

void BookMarkMenu::Show(bool title) {
  std::string text;
  if (title) text = PhraseText((mode_ == 0 ? UxPhrase::AllBookmarksList : UxPhrase::History) + list_) + ", ";
  if (count_ == 0) text += PhraseText(mode_ == 0 ? UxPhrase::NoBookmarks : UxPhrase::NoHistory);
  else text += EntryText();
  SysTts_Play(text.c_str(), -1);
}

std::string BookMarkMenu::EntryText() {
  char buf[1024] = "";
  iUxLanguage* ux = g_pUxLanguage;
  if (!ux) return "";
  if (mode_ == 1) return HistoryText(hist_[file_]);
  BmFileItem* e = bm_[file_];
  if (bm_index_ < 0) {
    ux->GetBookmarkCntInfoString(e->GetName(), e->GetCount(), buf, sizeof buf);
    return buf;
  }
  ux->GetBookmarkIndexInfoString(e->GetName(), bm_index_ + 1, buf, sizeof buf);
  return std::string(buf) + BookmarkText(e, bm_index_);  // the lead ends in ", "
}

std::string BookMarkMenu::BookmarkText(BmFileItem* e, int i) {
  char buf[1024] = "";
  iUxLanguage* ux = g_pUxLanguage;
  switch (e->Type()) {
    case EM_BM_EBOOK: {
      EbookBmItem* b = static_cast<EbookBmFileItem*>(e)->GetAt(i);
      if (b) ux->GetBookmarkInfo_Ebook(b->startPage + 1, b->endPage >= 0 ? b->endPage + 1 : -1, b->text, buf, sizeof buf);
      break;
    }
    case EM_BM_MUSIC: {
      MusicBmItem* b = static_cast<MusicBmFileItem*>(e)->GetAt(i);
      if (b) ux->GetBookmarkInfo_Audio(b->startMs / 1000, b->endMs >= 0 ? b->endMs / 1000 : -1, buf, sizeof buf);
      break;
    }
    case EM_BM_DAISY: {
      DaisyBmItem* b = static_cast<DaisyBmFileItem*>(e)->GetAt(i);
      if (!b) break;
      if (b->endObject < 0) {
        if (b->startMs >= 0) ux->GetBookmarkInfo_Audio(b->startMs / 1000, -1, buf, sizeof buf);
        else if (b->startPageDes[0]) ux->GetBookmarkInfo_DaisyPage(b->startPageDes, nullptr, buf, sizeof buf);
      } else if (b->startMs >= 0 && b->endMs >= 0) {
        ux->GetBookmarkInfo_Audio(b->startMs / 1000, b->endMs / 1000, buf, sizeof buf);
      } else if (b->startPageDes[0] && b->endPageDes[0]) {
        ux->GetBookmarkInfo_DaisyPage(b->startPageDes, b->endPageDes, buf, sizeof buf);
      } else {
        ux->GetBookmarkInfo_DaisyPage(nullptr, nullptr, buf, sizeof buf);
      }
      break;
    }
    default: {
      AudioBookBmItem* b = static_cast<AudioBookBmFileItem*>(e)->GetAt(i);
      int cur = b ? ParamValue(b->parameters, "cur_time=") : -1;
      if (cur < 0) return PhraseText(UxPhrase::WrongBookmark);
      ux->GetAudioBookmarkInfoString(i + 1, false, cur, ParamValue(b->parameters, "end_time="), buf, sizeof buf);
    }
  }
  return buf;
}

std::string BookMarkMenu::HistoryText(HistoryItem* h) {
  char buf[1024] = "";
  iUxLanguage* ux = g_pUxLanguage;
  std::string name = h ? NameOf(h->path) : "";
  if (name.empty()) return PhraseText(UxPhrase::WrongHistory);
  switch (h->kind) {
    case EM_HISTORY_EBOOK: ux->GetHistoryInfo_Ebook(name.c_str(), h->page + 1, h->text, buf, sizeof buf); break;
    case EM_HISTORY_MUSIC: ux->GetHistoryInfo_Audio(name.c_str(), h->ms / 1000, buf, sizeof buf); break;
    case EM_HISTORY_DAISY:
      if (h->title && h->title[0]) name = h->title;
      if (h->ms >= 0) ux->GetHistoryInfo_Audio(name.c_str(), h->ms / 1000, buf, sizeof buf);
      else if (h->text && h->text[0]) ux->GetHistoryInfo_DaisyPage(name.c_str(), h->text, buf, sizeof buf);
      else return name;
      break;
    default: {
      int cur = ParamValue(h->text, "cur_time=");
      if (cur < 0) return PhraseText(UxPhrase::WrongBookmark);
      ux->GetHistoryInfo_Audio(name.c_str(), cur, buf, sizeof buf);
    }
  }
  return buf;
}

void BookMarkMenu::SwitchMode() {
  if (mode_ == 0) {
    g_BookmarkFunSelectSub = list_;
    g_BookmarkIndex = file_;
  }
  mode_ = 1 - mode_;
  list_ = 0;
  bm_index_ = -1;
  file_ = 0;
  Reload();
  if (mode_ == 0 && g_BookmarkFunSelectSub == 0 && g_BookmarkIndex < count_) file_ = g_BookmarkIndex;
  Show(true);
}

void BookMarkMenu::ChangeList(int step) {
  list_ = BookmarkMode::Wrap(list_, step, 5);
  file_ = 0;
  Reload();
  if (mode_ == 0 && list_ == g_BookmarkFunSelectSub && g_BookmarkIndex < count_) file_ = g_BookmarkIndex;
  Show(true);
}

int BookMarkMenu::OnKeyDown(int code) {
  bool mine = code == KEY_UP || code == KEY_DOWN || code == KEY_LEFT || code == KEY_RIGHT ||
              code == KEY_BOOKMARK || code == KEY_MENU || code == KEY_BACK || code == KEY_PLAY;
  if (!mine) return OnDefaultKeyDown(code);
  SysTts_Stop();
  if (g_bKeyBoardLocked) return SysTts_Beep(8), 0;
  if (delete_menu_) return DeleteKey(code);
  switch (code) {
    case KEY_BOOKMARK: SwitchMode(); return 0;
    case KEY_MENU:
      delete_menu_ = true;
      delete_all_ = false;
      SayDeleteChoice();
      return 0;
    case KEY_BACK:
      if (bm_index_ < 0) return WND_CLOSE;
      bm_index_ = -1;
      Show(false);
      return 0;
    case KEY_PLAY: return Play();
    default: return 0;  // arrows move in OnKeyPress
  }
}

int BookMarkMenu::OnKeyPress(int code) {
  if (g_bKeyBoardLocked) return 0;
  if (delete_menu_ || (code != KEY_UP && code != KEY_DOWN && code != KEY_LEFT && code != KEY_RIGHT))
    return OnDefaultKeyPress(code);
  int step = code == KEY_DOWN || code == KEY_RIGHT ? 1 : -1;
  if (bm_index_ >= 0) {
    bm_index_ = BookmarkMode::Wrap(bm_index_, step, bm_[file_]->GetCount());
    Show(false);
  } else if (code == KEY_LEFT || code == KEY_RIGHT) {
    ChangeList(step);
  } else {
    file_ = BookmarkMode::Wrap(file_, step, count_);
    Show(false);
  }
  return 0;
}

int BookMarkMenu::Play() {
  if (count_ == 0) return Show(false), 0;
  if (mode_ == 1) return PlayHistory(hist_[file_]);
  BmFileItem* e = bm_[file_];
  if (!e || !e->GetFullname()) return DIAG("item = NULL"), 0;
  if (strlen(e->GetFullname()) > kMaxPath) return DIAG("fullname len = %zu", strlen(e->GetFullname())), Show(false), 0;
  if (bm_index_ >= 0) return PlayBookmark(e, bm_index_);
  if (!Exists(e->GetFullname())) {
    int r = AskMissing(UxPhrase::FileDoesntExistDeleteBookmark, UxPhrase::BookmarkDeleted, UxPhrase::Canceled);
    if (r == KEY_PLAY) g_bookmark.RemoveBookmark(e, -1);
    if (r != WND_STOP) {
      Reload();
      Show(false);
    }
    return 0;
  }
  if (e->GetCount() > 0) bm_index_ = e->GetCount() - 1;
  Show(false);
  return 0;
}

// Asks; queues the outcome. The answer, or WND_STOP when this window is gone.
int BookMarkMenu::AskMissing(int question, int done, int canceled) {
  int r = MessageBox(PhraseText(question).c_str(), 1);
  if (r == WND_STOP) {
    delete this;
    return WND_STOP;
  }
  SysTts_Add(PhraseText(r == KEY_PLAY ? done : canceled).c_str());
  return r;
}

int BookMarkMenu::OpenPlayer(int kind, const char* path, const char* params, const int pos[4]) {
  std::string folder = kind == EM_BM_AUDIOBOOK ? std::string(path) : FolderOf(path);
  std::string name = NameOf(path);
  // Closing the player lands on the file (the audio book's folder) in the
  // browser.
  BrowserShowFolder(FolderOf(path), name);
  static const FileOpener openers[4] = {OPEN_EBOOK, OPEN_MUSIC, OPEN_DAISY, OPEN_AUDIOBOOK};
  int r = kind == EM_BM_AUDIOBOOK ? OpenWith(OPEN_AUDIOBOOK, folder.c_str(), params)
                                  : OpenAt(openers[kind], folder.c_str(), name.c_str(), pos);
  if (r != 0) {
    SysTts_Play(PhraseText(UxPhrase::FileNotSupported).c_str(), -1);
    return 0;
  }
  return WND_CLOSE;
}

int BookMarkMenu::PlayBookmark(BmFileItem* e, int i) {
  int pos[4] = {-1, -1, -1, -1};
  const char* params = nullptr;
  switch (e->Type()) {
    case EM_BM_EBOOK: {
      EbookBmItem* b = static_cast<EbookBmFileItem*>(e)->GetAt(i);
      if (b) pos[0] = b->startPage, pos[1] = b->startPlace, pos[2] = b->endPage, pos[3] = b->endPlace;
      break;
    }
    case EM_BM_MUSIC: {
      MusicBmItem* b = static_cast<MusicBmFileItem*>(e)->GetAt(i);
      if (b) pos[0] = b->startMs, pos[2] = b->endMs;
      break;
    }
    case EM_BM_DAISY: {
      DaisyBmItem* b = static_cast<DaisyBmFileItem*>(e)->GetAt(i);
      if (b) pos[0] = b->startObject, pos[1] = b->startPlace, pos[2] = b->endObject, pos[3] = b->endPlace;
      break;
    }
    default: {
      AudioBookBmItem* b = static_cast<AudioBookBmFileItem*>(e)->GetAt(i);
      params = b ? b->parameters : nullptr;
    }
  }
  return OpenPlayer(e->Type(), e->GetFullname(), params, pos);
}

int BookMarkMenu::PlayHistory(HistoryItem* h) {
  if (!h || !h->path) return DIAG("fullname = NULL"), 0;
  if (!Exists(h->path)) {
    fprintf(stderr, "%s not exit\n", h->path);
    int r = AskMissing(UxPhrase::FileDoesntExistDeleteHistory, UxPhrase::HistoryDeleted, UxPhrase::Canceled2);
    if (r == KEY_PLAY) g_History.Remove(h);
    if (r != WND_STOP) {
      Reload();
      Show(false);
    }
    return 0;
  }
  int pos[4] = {-1, -1, -1, -1};
  if (h->kind == EM_HISTORY_EBOOK) pos[0] = h->page, pos[1] = h->place;
  if (h->kind == EM_HISTORY_MUSIC) pos[0] = h->ms;
  if (h->kind == EM_HISTORY_DAISY) pos[0] = h->object, pos[1] = h->place;
  return OpenPlayer(h->kind, h->path, h->text, pos);
}

int BookMarkMenu::DeleteKey(int code) {
  switch (code) {
    case KEY_BACK:
    case KEY_MENU:
      delete_menu_ = false;
      Show(true);
      return 0;
    case KEY_BOOKMARK:
      delete_menu_ = false;
      SwitchMode();
      return 0;
    case KEY_PLAY:
      return ConfirmDelete();
    default:
      delete_all_ = !delete_all_;
      SayDeleteChoice();
      return 0;
  }
}

int BookMarkMenu::ConfirmDelete() {
  if (count_ == 0) {
    delete_menu_ = false;
    Show(true);
    return 0;
  }
  int base = mode_ == 0 ? (delete_all_ ? UxPhrase::DeleteAllBookmarks2 : UxPhrase::DeleteBookmark2) : (delete_all_ ? UxPhrase::DeleteAllHistory2 : UxPhrase::DeleteHistory2);
  int r = MessageBox(PhraseText(base).c_str(), 1);
  if (r == WND_STOP) {
    delete this;
    return 0;
  }
  if (r == KEY_PLAY) {
    if (mode_ == 1) {
      if (delete_all_) g_History.Clean();
      else g_History.Remove(hist_[file_]);
      MarkSettingsChanged(kHistoryArea);
    } else if (delete_all_) {
      g_bookmark.Clean();
      bm_index_ = -1;
      file_ = 0;
      MarkSettingsChanged(kBookmarkArea);
    } else {
      BmFileItem* e = bm_[file_];
      if (bm_index_ < 0) {
        g_bookmark.RemoveBookmark(e, -1);  // the whole entry: `e` is freed
      } else {
        g_bookmark.RemoveBookmark(e, bm_index_);
        if (e->GetCount() == 0) {
          g_bookmark.RemoveBookmark(e, -1);
          bm_index_ = -1;
        } else if (bm_index_ >= e->GetCount()) {
          bm_index_ = e->GetCount() - 1;
        }
      }
    }
    Reload();
  }
  // "bookmark deleted, " ... or "canceled, "
  int done = mode_ == 0 ? (delete_all_ ? UxPhrase::BookmarksDeleted : UxPhrase::BookmarkDeleted) : (delete_all_ ? UxPhrase::HistoryDeleted2 : UxPhrase::HistoryDeleted);
  int canceled = mode_ == 0 ? (delete_all_ ? UxPhrase::Canceled3 : UxPhrase::Canceled) : (delete_all_ ? UxPhrase::Canceled4 : UxPhrase::Canceled2);
  SysTts_Add(PhraseText(r == KEY_PLAY ? done : canceled).c_str());
  delete_menu_ = false;
  Show(false);
  return 0;
}

}  // namespace

int CreateBookMarkMenu() {
  iWindow* w = new BookMarkMenu();
  if (AddWindow(w) != 0) {
    delete w;
    return -1;
  }
  return 0;
}
