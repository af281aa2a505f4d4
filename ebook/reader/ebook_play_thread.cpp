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
#include <thread>
#include <vector>

#include "core/base/command_channel.h"
#include "core/base/diag.h"
#include "core/base/no_destructor.h"
#include "ebook/ebook.h"
#include "ebook/reader/ebook_io.h"
#include "ebook/reader/ebook_music.h"
#include "ebook/reader/ebook_player.h"

namespace {

// Speech the engine refuses this many times in a row stops the reading, so
// that a missing engine does not race through the book.
constexpr int kMaxSpeechFailures = 3;
constexpr unsigned kVoiceRate = 16000;

using Lock = CommandChannel::Lock;

// Never destroyed: the detached thread waits on it until the process ends.
// Its mutex guards everything below.
CommandChannel& Ch() {
  static NoDestructor<CommandChannel> ch(EB_STATE_IDLE);
  return *ch;
}

int g_error_code = 0;
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
bool g_ThreadStarted = false;

// Thread-private: the sentence being spoken (a copy: the book's own buffer
// may change while the window looks at the book).
std::vector<unsigned short>& Sentence() {
  static NoDestructor<std::vector<unsigned short>> sentence;
  return *sentence;
}

void Take(Lock& lk) { Ch().Take(lk); }
void SetState(Lock& lk, int state) { Ch().SetState(lk, state); }
int State(const Lock&) { return Ch().StateLocked(); }
int Cmd(const Lock&) { return Ch().Peek(); }

// Sends a command and waits until it is taken.
int Send(Lock& lk, int cmd) {
  Ch().Send(lk, cmd);
  return g_error_code;
}

const char* ExtensionOf(const std::string& path) {
  const char* base = strrchr(path.c_str(), '/');
  base = base ? base + 1 : path.c_str();
  const char* dot = strrchr(base, '.');
  return dot && dot[1] ? dot + 1 : nullptr;
}

// The book whose Open runs unlocked, so that a close can cancel it.
iCEbook* g_OpeningBook = nullptr;

// Opens the book named in Filename(); leaves the state at 4 or 0.
void OpenBook(Lock& lk) {
  const std::string path = Filename();
  const char* ext = ExtensionOf(path);
  if (!ext) {
    g_error_code = -1;
    SetState(lk, EB_STATE_IDLE);
    return;
  }
  iCEbook* book = GetEbookClass(strcasecmp(ext, "ebk") == 0 ? "txt" : ext);
  if (!book) {
    g_error_code = -2;
    SetState(lk, EB_STATE_IDLE);
    return;
  }
  g_OpeningBook = book;
  lk.unlock();
  int r = book->Open(path.c_str());
  lk.lock();
  g_OpeningBook = nullptr;
  if (r != 0) {
    DiagPrintf("g_iebook->Open(%s) fail = %d", path.c_str(), r);
    book->Close();
    delete book;
    g_error_code = -3;
    SetState(lk, EB_STATE_IDLE);
    return;
  }
  book->SeekToPage(0);
  g_iebook = book;
  g_error_code = 0;
  SetState(lk, EB_STATE_STOPPED);
}

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

// Reads the book aloud from the current place until the end, a command or
// a stop. Returns with the lock held; the state is 2 with a command waiting,
// or 3, 4 or 5.
void ReadBook(Lock& lk) {
  int failures = 0;
  for (;;) {
    if (Cmd(lk) != EB_CMD_NONE || State(lk) != EB_STATE_READING) return;
    unsigned short* text = nullptr;
    int length = 0;
    int r = g_iebook->ReadCurSentence(&text, &length);
    if (r != 0 || !text || length <= 0) {
      FlushAndDrain(lk);
      if (State(lk) == EB_STATE_READING) SetState(lk, EB_STATE_FINISHED);
      return;
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
    CurEbookIo().CardInit(1, kVoiceRate);
    int spoken = CurEbookIo().Speak(Sentence().data(), length);
    lk.lock();
    if (State(lk) == EB_STATE_STOPPED) return;  // a stop arrived
    // Cancelled so that the thread can take a command: the sentence is
    // read again from its start when reading resumes.
    if (spoken == -2 && Cmd(lk) != EB_CMD_NONE) return;
    if (spoken == -1) {
      if (++failures >= kMaxSpeechFailures) {
        g_SpeechFailed = true;
        SetState(lk, EB_STATE_STOPPED);
        return;
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
void SpeakWord(Lock& lk) {
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
    CurEbookIo().CardInit(1, kVoiceRate);
    if (mode == EB_PLAY_LETTER) CurEbookIo().SetReadWordMode(1);
    CurEbookIo().Speak(text.data(), static_cast<int>(text.size()));
    if (mode == EB_PLAY_LETTER) CurEbookIo().SetReadWordMode(0);
  }
  lk.lock();
  if (State(lk) != EB_STATE_STOPPED) {
    lk.unlock();
    CurEbookIo().SpeechFlush();
    CurEbookIo().Flush();
    CurEbookIo().WaitBufferFinished();
    lk.lock();
  }
  if (State(lk) == EB_STATE_READING && Cmd(lk) == EB_CMD_NONE) SetState(lk, EB_STATE_STOPPED);
}

// With a book open: takes commands until the book is closed.
void BookLoop(Lock& lk) {
  for (;;) {
    const int cmd = Ch().Wait(lk);
    Take(lk);
    switch (cmd) {
      case EB_CMD_CLOSE:
        g_iebook->Close();
        delete g_iebook;
        g_iebook = nullptr;
        SetState(lk, EB_STATE_IDLE);
        return;
      case EB_CMD_STOP:
        SetState(lk, EB_STATE_STOPPED);
        break;
      case EB_CMD_PAUSE:
        // Taken between sentences: paused with nothing half spoken.
        if (State(lk) == EB_STATE_READING) SetState(lk, EB_STATE_PAUSED);
        break;
      case EB_CMD_PLAY:
        SetState(lk, EB_STATE_READING);
        if (g_PlayMode == EB_PLAY_BOOK)
          ReadBook(lk);
        else
          SpeakWord(lk);
        break;
      default:
        break;  // an open while a book is open is refused by CmdOpen
    }
  }
}

void ThreadMain() {
  Lock lk(Ch().Mutex());
  for (;;) {
    // Nothing but an open means anything without a book.
    while (Ch().Wait(lk) != EB_CMD_OPEN) Take(lk);
    SetState(lk, EB_STATE_OPENING);
    Take(lk);
    OpenBook(lk);
    if (g_iebook) BookLoop(lk);
  }
}

}  // namespace

int EbookThreadStart() {
  std::lock_guard<std::mutex> l(Ch().Mutex());
  if (g_ThreadStarted) return 0;
  try {
    std::thread(ThreadMain).detach();
  } catch (...) {
    DIAG("the e-book play thread cannot be created");
    return -1;
  }
  g_ThreadStarted = true;
  return 0;
}

int CmdOpen(const char* path) {
  if (!path) return -1;
  Lock lk(Ch().Mutex());
  if (!g_ThreadStarted || State(lk) != EB_STATE_IDLE || strlen(path) >= c_EbookMaxPath) return -1;
  Filename() = path;
  g_error_code = 0;
  Send(lk, EB_CMD_OPEN);
  return 0;
}

int CmdPlay() {
  Lock lk(Ch().Mutex());
  switch (State(lk)) {
    case EB_STATE_READING:
      return 0;
    case EB_STATE_PAUSED:
    case EB_STATE_STOPPED:
    case EB_STATE_FINISHED:
      return Send(lk, EB_CMD_PLAY);
    default:
      return -1;
  }
}

int CmdStop() {
  Lock lk(Ch().Mutex());
  switch (State(lk)) {
    case EB_STATE_STOPPED:
      return 0;
    case EB_STATE_READING:
    case EB_STATE_PAUSED:
    case EB_STATE_FINISHED:
      return Send(lk, EB_CMD_STOP);
    default:
      return -1;
  }
}

int CmdPause() {
  Lock lk(Ch().Mutex());
  switch (State(lk)) {
    case EB_STATE_PAUSED:
      return 0;
    case EB_STATE_READING:
      return Send(lk, EB_CMD_PAUSE);
    default:
      return -1;
  }
}

int CmdClose() {
  {
    // A book being opened gives up its scan, then is closed.
    Lock lk(Ch().Mutex());
    if (g_OpeningBook) g_OpeningBook->CancelOpen();
    Ch().WaitUntil(lk, [&] { return State(lk) != EB_STATE_OPENING; });
  }
  CmdStop();
  Lock lk(Ch().Mutex());
  if (State(lk) == EB_STATE_IDLE) return 0;
  return Send(lk, EB_CMD_CLOSE);
}

int EbookState() { return Ch().State(); }

int EbookErrorCode() {
  std::lock_guard<std::mutex> l(Ch().Mutex());
  return g_error_code;
}

bool EbookTakeSpeechFailure() {
  std::lock_guard<std::mutex> l(Ch().Mutex());
  bool f = g_SpeechFailed;
  g_SpeechFailed = false;
  return f;
}

void WithEbook(const std::function<void(iCEbook*)>& fn) {
  std::lock_guard<std::mutex> l(Ch().Mutex());
  fn(g_iebook);
}

void EbookSetPlayMode(int mode) {
  std::lock_guard<std::mutex> l(Ch().Mutex());
  g_PlayMode = mode;
}

int EbookPlayMode() {
  std::lock_guard<std::mutex> l(Ch().Mutex());
  return g_PlayMode;
}

void EbookSetWordBuf(const unsigned short* text, int count) {
  std::lock_guard<std::mutex> l(Ch().Mutex());
  if (!text || count < 0) count = 0;
  if (count > c_EbookWordBufUnits) count = c_EbookWordBufUnits;
  if (count > 0) memcpy(g_WordBuf, text, sizeof(unsigned short) * static_cast<size_t>(count));
  g_WordBufLen = count;
}

void EbookSetRepeat(int startPage, int startPlace, int endPage, int endPlace) {
  std::lock_guard<std::mutex> l(Ch().Mutex());
  g_RepeatStartPage = startPage;
  g_RepeatStartPlace = startPlace;
  g_RepeatEndPage = endPage;
  g_RepeatEndPlace = endPlace;
}

bool EbookHasRepeat() {
  std::lock_guard<std::mutex> l(Ch().Mutex());
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
    std::lock_guard<std::mutex> l(Ch().Mutex());
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

  Lock lk(Ch().Mutex());
  switch (Cmd(lk)) {
    case EB_CMD_NONE:
      return 0;
    case EB_CMD_STOP:
      SetState(lk, EB_STATE_STOPPED);
      Take(lk);
      return 1;
    case EB_CMD_PAUSE:
      SetState(lk, EB_STATE_PAUSED);
      Take(lk);
      switch (Ch().Wait(lk)) {
        case EB_CMD_PLAY:
          SetState(lk, EB_STATE_READING);
          Take(lk);
          return 0;
        case EB_CMD_STOP:
          SetState(lk, EB_STATE_STOPPED);
          Take(lk);
          return 1;
        default:
          return 1;  // left for the thread
      }
    default:
      return 1;  // left for the thread
  }
}

void EbookSetQuietReading(bool on) {
  std::lock_guard<std::mutex> l(Ch().Mutex());
  g_QuietReading = on;
}

void EbookSetLanding() {
  std::lock_guard<std::mutex> l(Ch().Mutex());
  g_Landing = true;
}
