// The reader window: creation, opening, the tick and closing.
#include "ebook/reader/ebook_player.h"

#include <strings.h>

#include <algorithm>
#include <new>

#include "core/base/diag.h"
#include "core/base/activity.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/system_settings.h"
#include "daisy/narrated_landing.h"
#include "daisy/narrated_package.h"
#include "ebook/ebook.h"
#include "ebook/reader/ebook_io.h"
#include "ebook/reader/ebook_music.h"
#include "ebook/reader/ebook_play_thread.h"
#include "ebook/reader/ebook_settings.h"
#include "ebook/sentence_rules.h"
#include "players/kit/player_common.h"
#include "positions/bookmark.h"
#include "positions/history.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {
// Ticks of opening after which the user hears that it takes a while.
constexpr int kOpeningPromptTicks = 6;
}  // namespace

const int g_EbpNavModeDesList[EB_NAV_MODES] = {UxPhrase::TenPercent, UxPhrase::OnePercent, UxPhrase::Page, UxPhrase::Paragraph, UxPhrase::Sentence, UxPhrase::Level1, UxPhrase::Level2, UxPhrase::Level3, UxPhrase::Level4,
                                               UxPhrase::Level5, UxPhrase::Level6, UxPhrase::Level7, UxPhrase::Level8, UxPhrase::Level9, UxPhrase::Word, UxPhrase::Letter, UxPhrase::Spell, UxPhrase::Bookmark};

int EbookNavModeList(int depth, int* modes) {
  int n = 0;
  modes[n++] = EB_NAV_TEN_PERCENT;
  modes[n++] = EB_NAV_ONE_PERCENT;
  if (depth >= 1 && depth <= 9) {
    for (int level = 1; level <= depth; ++level) modes[n++] = EB_NAV_LEVEL1 + level - 1;
  }
  for (int m : {EB_NAV_PAGE, EB_NAV_PARAGRAPH, EB_NAV_SENTENCE, EB_NAV_WORD, EB_NAV_LETTER, EB_NAV_SPELL,
                EB_NAV_BOOKMARK})
    modes[n++] = m;
  return n;
}

EbookPlayer::EbookPlayer() : m_Bm({UxPhrase::StartMarkHighlightBookmark, UxPhrase::EndMarkHighlightBookmark, UxPhrase::StopPlayingHighlightBookmark}, BookmarkHooks()), m_FindKeys(FindHooks()) {}

EbookPlayer::~EbookPlayer() { CloseDown(); }

int CreateEbookPlayer(const char* path, int page, int place, int end_page, int end_place) {
  if (!path) return -1;
  EbookPlayer* w = PushNewWindow<EbookPlayer>();
  if (!w) return -1;
  if (w->Open(path, page, place, end_page, end_place) != 0) DIAG("EbookPlayer::Open(%s) failed", path);
  return 0;
}

int EbookPlayer::Open(const char* path, int page, int place, int end_page, int end_place) {
  if (!path) return -1;
  m_Path = path;
  const size_t n = m_Path.size();
  m_bNarrated = n > 5 && strcasecmp(path + n - 5, ".epub") == 0 && libDaisy::IsNarratedEpub(path);
  m_bLanding = libDaisy::TakeNarratedLanding(m_Path, &m_Landing);
  if (EbookThreadStart() != 0) {
    m_bOpenFailed = true;
    SayPhrase(UxPhrase::CanNotOpenFile);
    return -1;
  }
  // A book some other window left open is closed first.
  if (EbookState() != EB_STATE_IDLE) CmdClose();
  EbookSetPlayMode(EB_PLAY_BOOK);
  m_ResumePage = page;
  m_ResumePlace = place;
  if (end_page < 0 || page < 0) {
    EbookSetRepeat(-1, -1, -1, -1);
  } else if (end_page < page || (end_page == page && end_place < place)) {
    EbookSetRepeat(end_page, end_place, page, place);
  } else {
    EbookSetRepeat(page, place, end_page, end_place);
  }
  CurEbookIo().SpeechInit(DataOutput, this);
  Tts_SetCodePage(TTS_CHANNEL_PLAYER, 1);
  ApplyVoice();
  ApplySpeed();
  Tts_SetPitch(TTS_CHANNEL_PLAYER, g_EbookSettings.pitch);
  Tts_SetEffect(TTS_CHANNEL_PLAYER, g_EbookSettings.effect);
  SetFallbackBookLanguage(g_SystemSettings.language);
  EbookSetQuietReading(g_EbookSettings.quiet_reading != 0);
  if (CmdOpen(path) != 0) {
    m_bOpenFailed = true;
    SayPhrase(UxPhrase::CanNotOpenFile);
    return 0;
  }
  m_bOpening = true;
  m_OpenTicks = 0;
  m_MusicVolume = g_EbookSettings.background_music_volume;
  if (m_MusicVolume > 0) OpenMusic();
  LoadBmPlace();
  return 0;
}

void EbookPlayer::LoadBmPlace() {
  m_BmPlaces.clear();
  int idx = g_bookmark.Find(EM_BM_EBOOK, m_Path.c_str());
  auto* item = idx >= 0 ? dynamic_cast<EbookBmFileItem*>(g_bookmark.GetAt(idx)) : nullptr;
  if (!item) return;
  for (int i = 0; i < item->GetCount() && i < BM_MAX_ITEMS; ++i) {
    if (EbookBmItem* bm = item->GetAt(i)) m_BmPlaces.emplace_back(bm->startPage, bm->startPlace);
  }
  std::sort(m_BmPlaces.begin(), m_BmPlaces.end());
}

void EbookPlayer::ApplyVoice() {
  int role = g_EbookSettings.role < 0 ? g_SystemSettings.tts_role : g_EbookSettings.role;
  if (role < 0 || role >= Tts_GetTotalRoles()) role = 0;
  Tts_SetRole(TTS_CHANNEL_PLAYER, role);
}

void EbookPlayer::ApplySpeed() { Tts_SetSpeed(TTS_CHANNEL_PLAYER, EbookSpeedToRate(g_EbookSettings.speed)); }

void EbookPlayer::OpenMusic() {
  BgMusic_SetVolume(m_MusicVolume);
  m_bMusicOn = BgMusic_Open(g_EbookSettings.background_music_file_select) == 0;
}

void EbookPlayer::CloseMusic() {
  m_bMusicOn = false;
  BgMusic_Close();
}

// --- Speaking and the play thread -------------------------------------------

void EbookPlayer::Say(const std::string& text) {
  if (!text.empty()) CurEbookIo().SysSay(text.c_str());
}

void EbookPlayer::SayPhrase(int id) {
  char buf[512];
  if (g_pUxLanguage && g_pUxLanguage->GetString(id, buf, sizeof buf) > 0) Say(buf);
}

void EbookPlayer::SayPageInfo() {
  int page = 0, pages = 0;
  std::string label;
  WithEbook([&](iCEbook* b) {
    if (!b) return;
    page = std::max(b->GetCurPage(), 0);
    pages = b->GetTotalPages();
    if (page >= pages || b->GetPageLabel(page, &label) != 0) label.clear();
  });
  // A page the document numbers itself ("iv" of the front matter) is spoken
  // as the document numbers it.
  if (label == std::to_string(page + 1)) label.clear();
  char buf[256];
  if (!g_pUxLanguage) return;
  int n = label.empty() ? g_pUxLanguage->GetEbookPageInfoString(page + 1, pages, buf, sizeof buf)
                        : g_pUxLanguage->GetEbookPageLabelInfoString(label.c_str(), pages, buf, sizeof buf);
  if (n > 0) Say(buf);
}

void EbookPlayer::Pause() { CmdPause(); }

void EbookPlayer::PauseForPrompt() {
  if (!m_bUserPaused) CmdPause();
  m_bPromptPending = true;
}

void EbookPlayer::Resume() {
  int st = EbookState();
  if (st == EB_STATE_PAUSED || st == EB_STATE_STOPPED || st == EB_STATE_FINISHED) CmdPlay();
}

// --- Tick ----------------------------------------------------------------------

int EbookPlayer::OnTick() {
  if (InMenu()) return 0;
  if (m_bOpenFailed) {
    if (CurEbookIo().SysSpeaking() > 0) return 0;
    CurEbookIo().WaitBufferFinished();
    return WND_CLOSE;
  }
  if (m_bOpening) return TickOpening();
  if (m_bPromptPending) {
    if (CurEbookIo().SysSpeaking() > 0) return 0;
    m_bPromptPending = false;
    if (!m_bUserPaused && EbookPlayMode() == EB_PLAY_BOOK) Resume();
  }
  if (m_bUserPaused || EbookPlayMode() != EB_PLAY_BOOK) return 0;
  DelaySleepTime(10);
  // A cut (crash, battery) then loses at most about a minute of reading.
  if (EbookState() == EB_STATE_READING && m_HistoryPacer.Due()) StoreHistory();
  if (EbookState() == EB_STATE_FINISHED) {
    m_bUserPaused = true;
    CmdStop();
    SayPhrase(UxPhrase::EndOfFile);
  } else if (EbookTakeSpeechFailure()) {
    m_bUserPaused = true;
    SayPhrase(UxPhrase::CantPlay);
  }
  return 0;
}

int EbookPlayer::TickOpening() {
  DelaySleepTime(10);
  ResetIdleShutDownTime();
  int st = EbookState();
  if (st == EB_STATE_OPENING) {
    if (++m_OpenTicks == kOpeningPromptTicks) {
      SayPhrase(UxPhrase::OpeningFilePleaseWait);
      m_bPromptPending = true;
    }
    return 0;
  }
  m_bOpening = false;
  if (st == EB_STATE_STOPPED) {
    NoteOpened(m_Path);
    FinishOpen();
    return 0;
  }
  DiagPrintf("can not open %s: %d", m_Path.c_str(), EbookErrorCode());
  m_bOpenFailed = true;
  CmdClose();
  CloseMusic();
  SysTts_Stop();
  SayPhrase(UxPhrase::CanNotOpenFile);
  return 0;
}

void EbookPlayer::FinishOpen() {
  int page = m_ResumePage, place = m_ResumePlace;
  if (page < 0 && g_SystemSettings.ebook_resume_play) {
    int idx = g_History.Find(EM_HISTORY_EBOOK, m_Path.c_str());
    HistoryItem* h = idx >= 0 ? g_History.GetAt(idx) : nullptr;
    if (h) {
      page = h->page;
      place = h->place;
    }
  }
  // -1: a long book still being read; its heading levels are asked for when
  // the user first turns to the navigation modes.
  WithEbook([&](iCEbook* b) {
    if (!b) return;
    // The place alone decides where a resumed book goes; the page is for
    // entries saved without one.
    if (page >= 0) {
      if (place > 0)
        b->SeekToPlace(place);
      else
        b->SeekToPage(page);
    }
    // A finished book reopens at its last sentence rather than at the end,
    // where it could only say "end of file". (A book still being read is
    // not at its end.)
    if (b->Settled() && b->GetTotalSentences() > 0 && b->GetCurPlace() >= b->GetUnicodeLength())
      b->SeekToSentence(b->GetTotalSentences() - 1);
    // Handed over by the DAISY player: where the narration was.
    if (m_bLanding) EbookLand(b, m_Landing);
  });
  m_ResumePage = m_ResumePlace = -1;
  m_bLanding = false;
  ApplyVoice();
  // The heading levels are asked for at the first change of the navigation
  // mode: a PDF's outline, or a book still being read, would keep the first
  // sentence waiting.
  SetNavModes(-1);
  m_NavModeIndex = 0;
  m_NavMode = m_NavModes[0];
  if (!m_bPromptPending && !m_bUserPaused) CmdPlay();
}

// --- Closing -------------------------------------------------------------------

void EbookPlayer::CloseDown() {
  if (m_bClosed) return;
  m_bClosed = true;
  if (m_Path.empty()) return;
  CmdStop();
  int st = EbookState();
  if (!m_bOpenFailed && !m_bOpening && st != EB_STATE_IDLE && st != EB_STATE_OPENING)
    StoreHistory();
  CmdClose();
  EbookSetPlayMode(EB_PLAY_BOOK);
  EbookSetRepeat(-1, -1, -1, -1);
  CloseMusic();
}

void EbookPlayer::SetNavModes(int depth) {
  m_LevelDepth = depth;
  int modes[EB_NAV_MODES];
  int n = EbookNavModeList(std::max(depth, 0), modes);
  m_NavModes.assign(modes, modes + n);
}

void EbookPlayer::StoreHistory() {
  int page = -1, place = -1;
  WithEbook([&](iCEbook* b) {
    if (!b) return;
    place = b->GetCurPlace();
    // The page of a book still being read would wait for all of it, and the
    // place alone says where to resume.
    page = b->Settled() || place <= 0 ? b->GetCurPage() : 0;
  });
  if (page >= 0) g_History.AddEbook(m_Path.c_str(), page, place, "");
}

int EbookPlayer::OnClose() {
  CloseDown();
  return 0;
}

int EbookPlayer::OnRefresh() {
  if (m_bInSettingsMenu) {
    ShowSettingsItem();
  } else if (m_bInBookmarkMenu) {
    m_Bm.Show();
  } else if (m_FindKeys.Entering()) {
    m_FindKeys.SayWord();
  } else if (!m_bOpening && !m_bOpenFailed) {
    PauseForPrompt();
    SayPageInfo();
  }
  return 0;
}
