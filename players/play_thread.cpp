#include "players/play_thread.h"

#include <cstdio>

#include "core/base/diag.h"
#include "core/base/no_destructor.h"
#include "players/audiobook_settings.h"
#include "players/music_settings.h"

namespace {
constexpr int kReadBytes = 4096;
constexpr unsigned kLatencyUs = 500000;
constexpr int kRewindStepMs = 5000;
constexpr double kFastTempo = 700.0;  // eight times
}  // namespace

PlayThread::PlayThread(Flavour flavour, std::function<PlayEffects()> effects)
    : flavour_(flavour), effects_(std::move(effects)) {}

PlayThread::~PlayThread() {
  if (!worker_.joinable()) return;
  {
    Lock lock(ch_.Mutex());
    ch_.Post(lock, kCmdQuit);
  }
  worker_.join();
}

int PlayThread::Start(PlayBackend* backend) {
  if (worker_.joinable()) return 0;
  if (!backend) return -1;
  backend_ = backend;
  try {
    worker_ = std::thread(&PlayThread::Run, this);
  } catch (...) {
    DiagPrintf("pthread_create fail");
    return -1;
  }
  return 0;
}

int PlayThread::SendLocked(Lock& lock, int cmd, int fast) {
  fastMode_ = fast;
  ch_.Send(lock, cmd);
  return 0;
}

int PlayThread::CmdOpen(const std::string& path) {
  Lock lock(ch_.Mutex());
  if (!worker_.joinable() || ch_.StateLocked() != PLAY_STATE_IDLE) return -1;
  fileName_ = path;
  errorCode_ = 0;
  curMs_ = 0;
  totalMs_ = 0;
  return SendLocked(lock, PLAY_CMD_OPEN, FAST_NONE);
}

int PlayThread::CmdPlay(int fastMode) {
  Lock lock(ch_.Mutex());
  const int state = ch_.StateLocked();
  if (state == PLAY_STATE_PLAYING) return 0;
  if (state != PLAY_STATE_PAUSED && state != PLAY_STATE_ENDED) return -1;
  SendLocked(lock, PLAY_CMD_PLAY, fastMode);
  return errorCode_;
}

int PlayThread::CmdPause() {
  Lock lock(ch_.Mutex());
  if (ch_.StateLocked() != PLAY_STATE_PLAYING) return -1;
  return SendLocked(lock, PLAY_CMD_PAUSE, FAST_NONE);
}

int PlayThread::CmdStop() {
  Lock lock(ch_.Mutex());
  if (ch_.StateLocked() == PLAY_STATE_IDLE) return 0;
  return SendLocked(lock, PLAY_CMD_STOP, FAST_NONE);
}

int PlayThread::State() { return ch_.State(); }

int PlayThread::ErrorCode() {
  std::lock_guard<std::mutex> lock(ch_.Mutex());
  return errorCode_;
}

int PlayThread::Seek(int ms, int direction) {
  if (!backend_) return -1;
  int r = backend_->Seek(ms, direction);
  int cur = backend_->CurMs();
  if (cur >= 0) curMs_ = cur;
  return r;
}

void PlayThread::SetRepeat(int startMs, int endMs) {
  std::lock_guard<std::mutex> lock(ch_.Mutex());
  repeatStart_ = startMs;
  repeatEnd_ = endMs;
}

int PlayThread::RepeatStart() {
  std::lock_guard<std::mutex> lock(ch_.Mutex());
  return repeatStart_;
}

int PlayThread::RepeatEnd() {
  std::lock_guard<std::mutex> lock(ch_.Mutex());
  return repeatEnd_;
}

bool PlayThread::WaitForPlay(Lock& lock) {
  for (;;) {
    const int cmd = ch_.Wait(lock);
    if (cmd == PLAY_CMD_PLAY) return true;
    if (cmd == PLAY_CMD_STOP || cmd == kCmdQuit) return false;
    ch_.Take(lock);
  }
}

void PlayThread::Run() {
  for (;;) {
    // 1. Wait for a file to open; anything else is acknowledged and dropped.
    std::string path;
    {
      Lock lock(ch_.Mutex());
      ch_.SetState(lock, PLAY_STATE_IDLE);
      for (;;) {
        const int cmd = ch_.Wait(lock);
        if (cmd == kCmdQuit) return;
        if (cmd == PLAY_CMD_OPEN) break;
        ch_.Take(lock);
      }
      ch_.SetState(lock, PLAY_STATE_OPENING);
      path = fileName_;
      ch_.Take(lock);
    }
    int rate = 0, channels = 0, total = 0;
    int r = backend_->Open(path.c_str(), &rate, &channels, &total);
    if (r < 0) {
      DiagPrintf("ff_audio_open_file(%s) fail = %d", path.c_str(), r);
      std::lock_guard<std::mutex> lock(ch_.Mutex());
      errorCode_ = -3;
      continue;
    }
    SetFormat(rate, channels);
    totalMs_ = total;
    curMs_ = 0;
    {
      Lock lock(ch_.Mutex());
      ch_.SetState(lock, PLAY_STATE_PAUSED);
    }

    // 2. Play, stop, repeat.
    for (;;) {
      int fast;
      {
        Lock lock(ch_.Mutex());
        if (!WaitForPlay(lock)) break;
        ch_.SetState(lock, PLAY_STATE_PLAYING);
        fast = fastMode_;
        loopStart_ = repeatStart_;
        loopEnd_ = repeatEnd_;
        ch_.Take(lock);
      }
      // Another audio stream chosen while paused may have another format.
      if (backend_->Format(&rate, &channels) == 0 && (rate != rate_ || (channels == 1 ? 1 : 2) != channels_))
        SetFormat(rate, channels);
      backend_->CardInit(static_cast<unsigned>(channels_), static_cast<unsigned>(outRate_),
                         kLatencyUs);
      LoopEnd why = fast == FAST_REWIND ? Rewind() : PlayLoop(fast);
      if (why == kQuit) break;
    }
    // Stop (or quit): close the file, then acknowledge.
    backend_->Close();
    Lock lock(ch_.Mutex());
    ch_.SetState(lock, PLAY_STATE_IDLE);
    if (ch_.Peek() == kCmdQuit) return;
    ch_.Take(lock);
  }
}

void PlayThread::SetFormat(int rate, int channels) {
  channels = channels == 1 ? 1 : 2;
  halve_ = rate > 96000;
  outRate_ = halve_ ? rate / 2 : rate;
  rate_ = rate;
  channels_ = channels;
  tempo_.SetFormat(outRate_, channels);
}

int PlayThread::Output(short* pcm, int frames) {
  const int ch = channels_;
  if (halve_) {
    int kept = 0;
    for (int i = 0; i < frames; i += 2, ++kept) {
      for (int c = 0; c < ch; ++c) pcm[kept * ch + c] = pcm[i * ch + c];
    }
    frames = kept;
  }
  if (frames <= 0) return 0;
  if (useTempo_) {
    return tempo_.Process(pcm, frames, [this](short* out, int n) {
      return backend_->PutSamples(out, n) < 0 ? -1 : 0;
    });
  }
  if (useEq_) eq_.Process(pcm, frames * ch * 2);
  return backend_->PutSamples(pcm, frames);
}

void PlayThread::FinishEnded() {
  if (useTempo_) {
    tempo_.Flush([this](short* out, int n) { return backend_->PutSamples(out, n) < 0 ? -1 : 0; });
  }
  backend_->Flush();
  backend_->WaitBufferFinished();
  Lock lock(ch_.Mutex());
  ch_.SetState(lock, PLAY_STATE_ENDED);
}

bool PlayThread::CheckCommand(LoopEnd* why) {
  Lock lock(ch_.Mutex());
  switch (ch_.Peek()) {
    case PLAY_CMD_NONE:
      return false;
    case PLAY_CMD_PAUSE:
      lock.unlock();
      tempo_.Clear();
      backend_->Flush();
      backend_->WaitBufferFinished();
      lock.lock();
      ch_.SetState(lock, PLAY_STATE_PAUSED);
      ch_.Take(lock);
      *why = kPaused;
      return true;
    case PLAY_CMD_STOP:
      lock.unlock();
      tempo_.Clear();
      backend_->Flush();
      *why = kStopped;
      return true;
    case kCmdQuit:
      *why = kQuit;
      return true;
    default:
      ch_.Take(lock);
      return false;
  }
}

PlayThread::LoopEnd PlayThread::PlayLoop(int fast) {
  const PlayEffects fx = effects_ ? effects_() : PlayEffects();
  const int ch = channels_;
  if (fast == FAST_FORWARD) {
    tempo_.SetTempoChange(kFastTempo);
    tempo_.SetPitchSemiTones(0);
    useTempo_ = true;
    useEq_ = false;
  } else {
    tempo_.SetTempoChange(SpeedStepToTempoChange(fx.speed));
    tempo_.SetPitchSemiTones(fx.pitch);
    // Speed or pitch changes go through SoundTouch and leave the equalizer out.
    useTempo_ = fx.speed != 0 || fx.pitch != 0;
    useEq_ = !useTempo_ && flavour_ == kMusic && fx.equalizer != 0 &&
             eq_.Init(outRate_, static_cast<unsigned>(ch), fx.equalizer) == 0;
  }
  const bool abRepeat = flavour_ == kMusic && fast == FAST_NONE && loopEnd_ >= loopStart_ &&
                        loopStart_ >= 0;
  const bool stopPoint = flavour_ == kBook && loopEnd_ >= 0;
  for (;;) {
    int cur = 0;
    int n = backend_->Read(block_, kReadBytes, &cur);
    if (n > 0) curMs_ = cur;
    if (n <= 0) {
      if (n == 0) curMs_ = totalMs_.load();
      FinishEnded();
      return kEnded;
    }
    const int frames = n / (2 * ch);
    if (Output(block_, frames) < 0) {
      DIAG("sound card write failed");
    }
    LoopEnd why;
    if (CheckCommand(&why)) return why;
    if (stopPoint && curMs_ >= loopEnd_) {
      FinishEnded();
      return kEnded;
    }
    if (abRepeat && curMs_ >= loopEnd_) {
      tempo_.Clear();
      Seek(loopStart_, -1);
    }
  }
}

PlayThread::LoopEnd PlayThread::Rewind() {
  tempo_.SetTempoChange(kFastTempo);
  tempo_.SetPitchSemiTones(0);
  useTempo_ = true;
  useEq_ = false;
  const int ch = channels_;
  const int secondBytes = rate_ * ch * 2;
  for (;;) {
    Seek(curMs_ - kRewindStepMs, -1);
    int left = secondBytes;
    while (left > 0) {
      int cur = 0;
      int want = left < kReadBytes ? left - left % (2 * ch) : kReadBytes;
      if (want <= 0) break;
      int n = backend_->Read(block_, want, &cur);
      if (n <= 0) {
        FinishEnded();
        return kEnded;
      }
      curMs_ = cur;
      left -= n;
      Output(block_, n / (2 * ch));
      LoopEnd why;
      if (CheckCommand(&why)) return why;
    }
  }
}

namespace {

PlayEffects MusicEffects() {
  return {g_AudioSettings.speed, g_AudioSettings.pitch, g_AudioSettings.equalizer};
}

PlayEffects BookEffects() { return {g_AudioBookSettings.speed, g_AudioBookSettings.pitch, 0}; }

}  // namespace

PlayThread& MusicPlayThread() {
  // Lives for the process: the thread is never ended.
  static NoDestructor<PlayThread> t(PlayThread::kMusic, MusicEffects);
  return *t;
}

PlayThread& AudioBookPlayThread() {
  static NoDestructor<PlayThread> t(PlayThread::kBook, BookEffects);
  return *t;
}
