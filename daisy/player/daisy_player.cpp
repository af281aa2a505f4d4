// The DAISY player: creation, opening, the tick, playback control and closing.
#include "daisy/player/daisy_player.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "audio/soundcard.h"
#include "core/base/diag.h"
#include "core/base/activity.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/system_settings.h"
#include "daisy/daisy.h"
#include "daisy/narrated_landing.h"
#include "daisy/player/daisy_player_thread.h"
#include "daisy/player/daisy_settings.h"
#include "players/kit/player_common.h"
#include "positions/bookmark.h"
#include "positions/history.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

const DaisyNavModeInfo g_DaisyNavModes[DAISY_NAV_MODES] = {
    {0, UxPhrase::Level1},
    {1, UxPhrase::Level2},
    {2, UxPhrase::Level3},
    {3, UxPhrase::Level4},
    {4, UxPhrase::Level5},
    {5, UxPhrase::Level6},
    {DAISY_NAV_PAGE, UxPhrase::Page},
    {DAISY_NAV_PHRASE, UxPhrase::Phrase},
    {DAISY_NAV_TIME, UxPhrase::TimeJump},
    {DAISY_NAV_WORD, UxPhrase::Word},
    {DAISY_NAV_LETTER, UxPhrase::Letter},
    {DAISY_NAV_SPELL, UxPhrase::Spell},
    {DAISY_NAV_BOOKMARK, UxPhrase::Bookmark},
};

int g_DaisyMenuIndex = 0;
int g_DaisyBookmarkMenuIndex = 0;

namespace {
constexpr size_t kMaxFolder = 8191;
constexpr size_t kMaxFullName = 9216;
constexpr int kOpeningPhraseTicks = 6;
}  // namespace

DaisyPlayer::DaisyPlayer()
    : m_Thread(DaisyThread()), m_FindKeys(FindHooks()), m_Bm({UxPhrase::StartMarkHighlightBookmark, UxPhrase::EndMarkHighlightBookmark, UxPhrase::StopPlayingHighlightBookmark}, BookmarkHooks()) {}

DaisyPlayer::~DaisyPlayer() = default;

int CreateDaisyPlayer(const char* folder, const char* controlFile, int startObject, int startPlace,
                      int finalObject, int finalPlace) {
  if (!folder || !controlFile) return -1;
  if (DaisyThread().Start(&PlayersBackend()) != 0) return -1;
  PlayTts_Init(DaisyPlayThread::TtsDataOutput, nullptr);
  Tts_SetCodePage(TTS_CHANNEL_PLAYER, 0);
  DaisyPlayer* w = PushNewWindow<DaisyPlayer>();
  if (!w) return -1;
  if (w->Open(folder, controlFile, startObject, startPlace, finalObject, finalPlace) != 0)
    DIAG("DaisyPlayer::Open(%s, %s) failed", folder, controlFile);
  return 0;
}

int DaisyPlayer::Open(const char* folder, const char* controlFile, int startObject, int startPlace,
                      int finalObject, int finalPlace) {
  if (!folder || !controlFile || !*folder || !*controlFile || strlen(folder) > kMaxFolder) {
    m_bOpenFailed = true;
    PlayerSayPhrase(UxPhrase::CanNotOpen);
    return -1;
  }
  m_Folder = folder;
  while (m_Folder.size() > 1 && m_Folder.back() == '/') m_Folder.pop_back();
  m_FileName = controlFile;
  m_FullName = m_Folder + "/" + m_FileName;
  if (m_FullName.size() > kMaxFullName) {
    m_bOpenFailed = true;
    PlayerSayPhrase(UxPhrase::CanNotOpen);
    return -1;
  }
  m_DaisyType = libDaisy::GuessPlayerBookType(m_FullName.c_str());
  m_bLanding = libDaisy::TakeNarratedLanding(m_FullName, &m_Landing);
  m_Start = {startObject, startPlace < 0 ? 0 : startPlace};
  if (startObject >= 0 && finalObject >= 0) {
    m_RepeatStart = m_Start;
    m_RepeatFinal = {finalObject, finalPlace < 0 ? 0 : finalPlace};
    if (m_RepeatFinal < m_RepeatStart) std::swap(m_RepeatStart, m_RepeatFinal);
  } else {
    m_RepeatStart = m_RepeatFinal = {-1, -1};
  }
  ApplySpeechSettings();
  LoadBmPlaces();
  // Clips found unplayable while the book opens are announced too.
  m_FileFailuresSeen = m_Thread.FileFailures();
  m_bFileFailureSaid = false;
  // A book left open (a player that could not close) goes first.
  if (m_Thread.State() != DAISY_STATE_NONE) m_Thread.CmdClose();
  if (m_Thread.CmdOpen(m_FullName, m_DaisyType) != 0) {
    m_bOpenFailed = true;
    PlayerSayPhrase(UxPhrase::CanNotOpen);
    return -1;
  }
  m_bOpening = true;
  m_TickCount = 0;
  return 0;
}

void DaisyPlayer::ApplySpeechSettings() {
  Tts_SetSpeed(TTS_CHANNEL_PLAYER, DaisySpeedToRate(g_Speed));
  // Text books are read by player speech, which takes the pitch itself.
  Tts_SetPitch(TTS_CHANNEL_PLAYER, g_Pitch);
}

int DaisyPlayer::LoadBmPlaces() {
  m_BmPlaces.clear();
  int idx = g_bookmark.Find(EM_BM_DAISY, m_FullName.c_str());
  auto* item = idx >= 0 ? static_cast<DaisyBmFileItem*>(g_bookmark.GetAt(idx)) : nullptr;
  if (!item || item->Type() != EM_BM_DAISY) return 0;
  for (int i = 0; i < item->GetCount() && i < BM_MAX_ITEMS; ++i) {
    if (DaisyBmItem* bm = item->GetAt(i)) m_BmPlaces.push_back({bm->startObject, bm->startPlace});
  }
  std::sort(m_BmPlaces.begin(), m_BmPlaces.end());
  return static_cast<int>(m_BmPlaces.size());
}

bool DaisyPlayer::HasBook() const {
  if (m_bOpening || m_bOpenFailed) return false;
  int st = m_Thread.State();
  return st != DAISY_STATE_NONE && st != DAISY_STATE_OPENING;
}

int DaisyPlayer::CurMode() const {
  if (m_Modes.empty()) return DAISY_NAV_PHRASE;
  return m_Modes[static_cast<size_t>(m_ModeIndex) % m_Modes.size()];
}

void DaisyPlayer::BuildModes() {
  m_Modes.clear();
  const DaisyBookView& b = m_Thread.View();
  int deepest = DaisyDeepestLevel(b);
  if (deepest <= 6) {
    for (int l = 0; l < deepest; ++l) m_Modes.push_back(l);
  }
  bool pages = false;
  for (int p = 0; p < b.pages; ++p) pages = pages || b.pageObjects[p] >= 0;
  if (pages) m_Modes.push_back(DAISY_NAV_PAGE);
  m_Modes.push_back(DAISY_NAV_PHRASE);
  if (b.HasAudio()) m_Modes.push_back(DAISY_NAV_TIME);
  m_Modes.push_back(DAISY_NAV_BOOKMARK);
  m_ModeIndex = 0;
}

// --- Playback control --------------------------------------------------------

void DaisyPlayer::Pause() { m_Thread.CmdPause(); }

void DaisyPlayer::Stop() { m_Thread.CmdStop(); }

void DaisyPlayer::Play() {
  int st = m_Thread.State();
  if (st != DAISY_STATE_PAUSED && st != DAISY_STATE_STOPPED && st != DAISY_STATE_END) return;
  m_bEndSaid = false;
  m_Thread.CmdPlay();
}

void DaisyPlayer::PauseForSpeech() {
  if (!m_bPaused) Pause();
  m_bResumeAfterTts = true;
}

void DaisyPlayer::PlayFrom(DaisyPos pos) {
  Stop();
  m_Thread.SetPosition(pos);
  m_bPaused = false;
  if (SysTts_CheckRunning() > 0)
    m_bResumeAfterTts = true;
  else
    Play();
}

// --- Tick ----------------------------------------------------------------------

int DaisyPlayer::OnTick() {
  if (m_bOpenFailed) {
    // Closes once "can not open" has been heard.
    if (SysTts_CheckRunning() > 0) return 0;
    SoundCard_WaitBufferFinished();
    CloseDown();
    return WND_CLOSE;
  }
  if (m_bMenuMode || m_bBookmarkMode || m_FindKeys.Entering()) return 0;
  if (m_bOpening) {
    DelaySleepTime(10);
    ResetIdleShutDownTime();
    ++m_TickCount;
    int st = m_Thread.State();
    if (st == DAISY_STATE_OPENING) {
      if (m_TickCount >= kOpeningPhraseTicks && !m_bOpenPhraseSaid) {
        m_bOpenPhraseSaid = true;
        PlayerSayPhrase(UxPhrase::OpeningFilePleaseWait);
      }
      return 0;
    }
    m_bOpening = false;
    if (st == DAISY_STATE_STOPPED) {
      NoteOpened(m_Folder);
      return FinishOpen();
    }
    m_bOpenFailed = true;
    m_Thread.CmdClose();
    SysTts_Stop();
    PlayerSayPhrase(UxPhrase::CanNotOpen);
    return 0;
  }
  const int st = m_Thread.State();
  // Said once a book: a copy without its audio files would say it at every clip.
  const bool failures = m_Thread.FileFailures() != m_FileFailuresSeen && !m_bFileFailureSaid;
  m_FileFailuresSeen = m_Thread.FileFailures();
  if (failures) m_bFileFailureSaid = true;
  if (st == DAISY_STATE_END && !m_bPaused && !m_bEndSaid) {
    m_bEndSaid = true;
    m_bPaused = true;
    m_bResumeAfterTts = false;
    m_Thread.CmdStop();
    if (failures) {
      SysTts_Add(PhraseText(UxPhrase::CanNotOpenFile).c_str());
      SysTts_Add(", ");
    }
    PlayerSayPhrase(UxPhrase::EndOfFile);
    return 0;
  }
  if (failures) {
    PauseForSpeech();
    PlayerSayPhrase(UxPhrase::CanNotOpenFile);
    return 0;
  }
  if (m_bResumeAfterTts) {
    if (SysTts_CheckRunning() > 0) return 0;
    m_bResumeAfterTts = false;
    if (!m_bPaused) Play();
  }
  if (!m_bPaused) ResetIdleShutDownTime();
  // A cut (crash, battery) then loses at most about a minute of listening.
  if (st == DAISY_STATE_PLAYING && m_HistoryPacer.Due()) StoreHistory();
  return 0;
}

int DaisyPlayer::FinishOpen() {
  BuildModes();
  const DaisyBookView& b = m_Thread.View();
  DaisyPos pos{0, 0};
  if (m_Start.object >= 0) {
    pos = m_Start;
  } else if (g_SystemSettings.daisy_resume_play) {
    int idx = g_History.Find(EM_HISTORY_DAISY, m_FullName.c_str());
    HistoryItem* h = idx >= 0 ? g_History.GetAt(idx) : nullptr;
    if (h && h->object >= 0) pos = {h->object, h->place < 0 ? 0 : h->place};
  }
  // Handed over by the e-book reader: where it was reading.
  if (m_bLanding) pos = DaisyLandingPos(m_Thread.Book(), b, m_Landing);
  m_bLanding = false;
  // A place the book no longer has (it changed) starts it again. A finished
  // book reopens at its end, says so, and play there starts it again.
  if (pos.object < 0 || pos.object >= b.count) pos = {0, 0};
  m_Thread.SetPosition(pos);
  if (m_RepeatStart.object >= 0 && m_RepeatStart.object < b.count) {
    m_Thread.SetRepeat(m_RepeatStart, m_RepeatFinal);
    m_bHighlightPlaying = true;
  } else {
    m_Thread.ClearRepeat();
  }
  printf("daisy open %s: %d objects, start %d/%d\n", m_FullName.c_str(), b.count, pos.object,
         pos.place);
  if (m_Thread.FileFailures() != m_FileFailuresSeen) {
    // Files found missing while opening: said before the reading starts.
    m_FileFailuresSeen = m_Thread.FileFailures();
    m_bFileFailureSaid = true;
    PlayerSayPhrase(UxPhrase::CanNotOpenFile);
    m_bResumeAfterTts = true;
  } else if (SysTts_CheckRunning() > 0) {
    m_bResumeAfterTts = true;
  } else if (!m_bPaused) {
    Play();
  }
  return 0;
}

// --- Closing -------------------------------------------------------------------

void DaisyPlayer::StoreHistory() {
  DaisyPos pos = m_Thread.Position();
  bool hasPages = false;
  std::string page = PageLabelAt(pos.object, &hasPages);
  std::string title = Title();
  g_History.AddDaisy(m_FullName.c_str(), pos.object, pos.place, title.c_str(), ElapsedMs(),
                     hasPages ? page.c_str() : nullptr);
  printf("daisy history %s: %d/%d\n", m_FullName.c_str(), pos.object, pos.place);
}

void DaisyPlayer::CloseDown() {
  if (HasBook()) {
    m_Thread.CmdStop();
    StoreHistory();
  }
  m_Thread.CmdClose();
  m_bOpening = false;
  m_bResumeAfterTts = false;
}

int DaisyPlayer::OnClose() {
  CloseDown();
  return 0;
}

int DaisyPlayer::OnRefresh() {
  if (m_bMenuMode)
    ShowMenuItem();
  else if (m_bBookmarkMode)
    ShowBookmarkItem();
  else if (m_FindKeys.Entering())
    m_FindKeys.SayWord();
  else
    SysTts_Play("", 0);  // speaks what was composed for this moment, if anything
  return 0;
}
