// The reader's play thread, its commands and the sample callback of player
// speech. The thread opens the book, reads a sentence under the mutex, speaks
// it with the mutex released and moves on; the callback mixes the music,
// writes the samples and takes the stop and pause commands in the middle of a
// sentence (a pause waits inside the callback).
#include "ebook/reader/ebook_play_thread.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "core/base/diag.h"
#include "core/base/no_destructor.h"
#include "ebook/ebook.h"
#include "ebook/reader/ebook_io.h"
#include "ebook/reader/ebook_music.h"
#include "ebook/reader/ebook_player.h"
#include "players/kit/play_thread_base.h"

namespace {

// Speech the engine refuses this many times in a row stops the reading, so
// that a missing engine does not race through the book.
constexpr int kMaxSpeechFailures = 3;
// Matches system speech, so that the stream is kept when the two alternate.
constexpr unsigned kVoiceLatencyUs = 400000;

class EbookPlayThread final : public PlayThreadBase {
 public:
  using PlayThreadBase::Lock;
  std::mutex& Mutex() { return ch_.Mutex(); }
  int Start() { return StartWorker(); }
  int Open(const std::function<void()>& store) { return SendOpen(store); }
  // The sample callback's command check: a pause waits inside it.
  int TakeInSpeech() { return PlayThreadBase::TakeInSpeech({}, {}); }

 private:
  int OpenItem() override;
  PlayEnd PlayItem(Lock& lk) override;
  void CloseItem() override;
  void CancelOpen() override;
  PlayEnd ReadBook(Lock& lk);
  PlayEnd SpeakWord(Lock& lk);
};

// Never destroyed: its worker runs until the process ends. Its mutex guards
// everything below.
EbookPlayThread& T() {
  static NoDestructor<EbookPlayThread> t;
  return *t;
}

using Lock = EbookPlayThread::Lock;

iCEbook* g_iebook = nullptr;
int g_PlayMode = EB_PLAY_BOOK;
std::string& Filename() {
  static NoDestructor<std::string> name;
  return *name;
}
unsigned short g_WordBuf[c_EbookWordBufUnits];
int g_WordBufLen = 0;
int g_RepeatStartPage = -1, g_RepeatStartPlace = -1, g_RepeatEndPage = -1, g_RepeatEndPlace = -1;
bool g_SpeechFailed = false;
bool g_CancelOpen = false;  // a close came while the book opened

// Thread-private: the sentence being spoken (a copy: the book's own buffer
// may change while the window looks at the book).
std::vector<unsigned short>& Sentence() {
  static NoDestructor<std::vector<unsigned short>> sentence;
  return *sentence;
}

const char* ExtensionOf(const std::string& path) {
  const char* base = strrchr(path.c_str(), '/');
  base = base ? base + 1 : path.c_str();
  const char* dot = strrchr(base, '.');
  return dot && dot[1] ? dot + 1 : nullptr;
}

// The book whose Open runs unlocked, so that a close can cancel it.
iCEbook* g_OpeningBook = nullptr;

}  // namespace

void EbookPlayThread::CancelOpen() {
  g_CancelOpen = true;
  if (g_OpeningBook) g_OpeningBook->CancelOpen();
}

// Opens the book named in Filename(): 0, -1 no extension, -2 no source for
// it, -3 the source failed.
int EbookPlayThread::OpenItem() {
  Lock lk(Mutex());
  const std::string path = Filename();
  const char* ext = ExtensionOf(path);
  if (!ext) return -1;
  iCEbook* book = GetEbookClass(strcasecmp(ext, "ebk") == 0 ? "txt" : ext);
  if (!book) return -2;
  g_OpeningBook = book;
  if (g_CancelOpen) book->CancelOpen();
  lk.unlock();
  int r = book->Open(path.c_str());
  lk.lock();
  g_OpeningBook = nullptr;
  if (r != 0) {
    DiagPrintf("g_iebook->Open(%s) fail = %d", path.c_str(), r);
    book->Close();
    delete book;
    return -3;
  }
  book->SeekToPage(0);
  g_iebook = book;
  return 0;
}

void EbookPlayThread::CloseItem() {
  iCEbook* book;
  {
    Lock lk(Mutex());
    book = g_iebook;
    g_iebook = nullptr;
  }
  book->Close();
  delete book;
}

namespace {

void FlushAndDrain(Lock& lk) {
  lk.unlock();
  CurEbookIo().Flush();
  CurEbookIo().WaitBufferFinished();
  lk.lock();
}

bool g_QuietReading = false;  // guarded by the channel's mutex, like the rest
bool g_Landing = false;

// The sentence without the notes and annotations that fall into it (it
// starts at `place`); false when nothing of it is left to say.
bool DropQuiet(iCEbook* book, int place, std::vector<unsigned short>* text) {
  const int end = place + static_cast<int>(text->size());
  int qs = 0, qe = 0;
  if (book->QuietRangeAfter(place, &qs, &qe) != 0 || qs >= end) return true;
  std::vector<unsigned short> kept;
  int at = place;
  while (at < end) {
    if (qs >= end || qe <= at) {
      kept.insert(kept.end(), text->begin() + (at - place), text->end());
      break;
    }
    if (qs > at) kept.insert(kept.end(), text->begin() + (at - place), text->begin() + (qs - place));
    at = std::max(at, qe);
    if (book->QuietRangeAfter(at, &qs, &qe) != 0) qs = qe = end;
  }
  text->swap(kept);
  for (unsigned short c : *text)
    if (c > ' ') return true;
  return false;
}

// Past the end of the repeated range: back to its start.
void CheckRepeat() {
  if (g_RepeatEndPage < 0 || g_RepeatStartPage < 0) return;
  int page = g_iebook->GetCurPage();
  int place = g_iebook->GetCurPlace();
  if (page > g_RepeatEndPage || (page == g_RepeatEndPage && place > g_RepeatEndPlace)) {
    if (g_RepeatStartPlace > 0)
      g_iebook->SeekToPlace(g_RepeatStartPlace);
    else
      g_iebook->SeekToPage(g_RepeatStartPage);
  }
}

}  // namespace

// Reads the book aloud from the current place until the end, a command or
// a stop. Returns with the lock held; the state is 2 with a command waiting,
// 3 or 4; or the end.
EbookPlayThread::PlayEnd EbookPlayThread::ReadBook(Lock& lk) {
  int failures = 0;
  for (;;) {
    if (Pending() != PlayCommand::kNone || StateLocked() != EB_STATE_READING) return kHeld;
    unsigned short* text = nullptr;
    int length = 0;
    int r = g_iebook->ReadCurSentence(&text, &length);
    if (r != 0 || !text || length <= 0) {
      FlushAndDrain(lk);
      return StateLocked() == EB_STATE_READING ? kEnded : kHeld;
    }
    Sentence().assign(text, text + length);
    const bool landing = g_Landing;
    g_Landing = false;
    if (g_QuietReading && !landing && !DropQuiet(g_iebook, g_iebook->GetCurPlace(), &Sentence())) {
      g_iebook->SeekToNextSentence();
      CheckRepeat();
      continue;
    }
    length = static_cast<int>(Sentence().size());
    lk.unlock();
    CurEbookIo().Init(1, kPlaySpeechRate, kVoiceLatencyUs);
    int spoken = CurEbookIo().Speak(Sentence().data(), length);
    lk.lock();
    if (StateLocked() == EB_STATE_STOPPED) return kHeld;  // a stop arrived
    // Cancelled so that the thread can take a command: the sentence is
    // read again from its start when reading resumes.
    if (spoken == -2 && Pending() != PlayCommand::kNone) return kHeld;
    if (spoken == -1) {
      if (++failures >= kMaxSpeechFailures) {
        g_SpeechFailed = true;
        SetState(lk, EB_STATE_STOPPED);
        return kHeld;
      }
    } else {
      failures = 0;
    }
    g_iebook->SeekToNextSentence();
    g_iebook->ReadAhead();
    CheckRepeat();
  }
}

// Speaks the word buffer once in the current play mode; the state is 4
// afterwards unless a command waits.
EbookPlayThread::PlayEnd EbookPlayThread::SpeakWord(Lock& lk) {
  std::vector<unsigned short> text;
  if (g_PlayMode == EB_PLAY_SPELL) {
    text.resize(static_cast<size_t>(g_WordBufLen) * 2 + 1 + g_WordBufLen);
    int n = EbookSpellText(g_WordBuf, g_WordBufLen, text.data(), static_cast<int>(text.size()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  } else {
    text.assign(g_WordBuf, g_WordBuf + g_WordBufLen);
  }
  const int mode = g_PlayMode;
  lk.unlock();
  if (!text.empty()) {
    CurEbookIo().Init(1, kPlaySpeechRate, kVoiceLatencyUs);
    if (mode == EB_PLAY_LETTER) CurEbookIo().SetReadWordMode(1);
    CurEbookIo().Speak(text.data(), static_cast<int>(text.size()));
    if (mode == EB_PLAY_LETTER) CurEbookIo().SetReadWordMode(0);
  }
  lk.lock();
  if (StateLocked() != EB_STATE_STOPPED) {
    lk.unlock();
    CurEbookIo().SpeechFlush();
    CurEbookIo().Flush();
    CurEbookIo().WaitBufferFinished();
    lk.lock();
  }
  if (StateLocked() == EB_STATE_READING && Pending() == PlayCommand::kNone) SetState(lk, EB_STATE_STOPPED);
  return kHeld;
}

EbookPlayThread::PlayEnd EbookPlayThread::PlayItem(Lock& lk) {
  return g_PlayMode == EB_PLAY_BOOK ? ReadBook(lk) : SpeakWord(lk);
}

int EbookThreadStart() { return T().Start(); }

PlayThreadBase& EbookThread() { return T(); }

int CmdOpen(const char* path) {
  if (!path || strlen(path) >= c_EbookMaxPath) return -1;
  return T().Open([&] {
    Filename() = path;
    g_CancelOpen = false;
  });
}

int CmdPlay() { return T().Play(); }
int CmdStop() { return T().Stop(); }
int CmdPause() { return T().Pause(); }

// A book being opened gives up its scan, then is closed.
int CmdClose() { return T().Close(); }

int EbookState() { return T().State(); }
int EbookErrorCode() { return T().ErrorCode(); }

bool EbookTakeSpeechFailure() {
  std::lock_guard<std::mutex> l(T().Mutex());
  bool f = g_SpeechFailed;
  g_SpeechFailed = false;
  return f;
}

void WithEbook(const std::function<void(iCEbook*)>& fn) {
  std::lock_guard<std::mutex> l(T().Mutex());
  fn(g_iebook);
}

void EbookSetPlayMode(int mode) {
  std::lock_guard<std::mutex> l(T().Mutex());
  g_PlayMode = mode;
}

int EbookPlayMode() {
  std::lock_guard<std::mutex> l(T().Mutex());
  return g_PlayMode;
}

void EbookSetWordBuf(const unsigned short* text, int count) {
  std::lock_guard<std::mutex> l(T().Mutex());
  if (!text || count < 0) count = 0;
  if (count > c_EbookWordBufUnits) count = c_EbookWordBufUnits;
  if (count > 0) memcpy(g_WordBuf, text, sizeof(unsigned short) * static_cast<size_t>(count));
  g_WordBufLen = count;
}

void EbookSetRepeat(int startPage, int startPlace, int endPage, int endPlace) {
  std::lock_guard<std::mutex> l(T().Mutex());
  g_RepeatStartPage = startPage;
  g_RepeatStartPlace = startPlace;
  g_RepeatEndPage = endPage;
  g_RepeatEndPlace = endPlace;
}

bool EbookHasRepeat() {
  std::lock_guard<std::mutex> l(T().Mutex());
  return g_RepeatStartPage >= 0 && g_RepeatEndPage >= 0;
}

int EbookSpellText(const unsigned short* word, int count, unsigned short* out, int room) {
  if (!word || !out || count <= 0) return 0;
  int n = 0;
  for (int i = 0; i < count && n + 2 <= room; ++i) {
    out[n++] = word[i];
    out[n++] = ' ';
  }
  if (n < room) out[n++] = ' ';
  for (int i = 0; i < count && n < room; ++i) out[n++] = word[i];
  return n;
}

int EbookPlayer::DataOutput(short* samples, int count, void*) {
  if (!samples) return -1;
  if (count <= 0) return 0;
  EbookIo& io = CurEbookIo();
  bool mix;
  {
    std::lock_guard<std::mutex> l(T().Mutex());
    mix = g_PlayMode == EB_PLAY_BOOK;
  }
  if (mix && BgMusic_IsOn()) {
    // Mixed in a copy: the silence of player speech is a shared block.
    short block[2048];
    for (int done = 0; done < count;) {
      int n = std::min(count - done, static_cast<int>(sizeof block / sizeof block[0]));
      memcpy(block, samples + done, sizeof(short) * static_cast<size_t>(n));
      BgMusic_Mix(block, n);
      if (io.PutSamples(block, n) < 0) DiagPrintf("sound card lost %d frames of speech", n);
      done += n;
    }
  } else {
    if (io.PutSamples(samples, count) < 0) DiagPrintf("sound card lost %d frames of speech", count);
  }
  return T().TakeInSpeech();
}

void EbookSetQuietReading(bool on) {
  std::lock_guard<std::mutex> l(T().Mutex());
  g_QuietReading = on;
}

void EbookSetLanding() {
  std::lock_guard<std::mutex> l(T().Mutex());
  g_Landing = true;
}
