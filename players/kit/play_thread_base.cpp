#include "players/kit/play_thread_base.h"

#include "core/base/diag.h"

int PlayThreadBase::StartWorker() {
  if (worker_.joinable()) return 0;
  try {
    worker_ = std::thread(&PlayThreadBase::Run, this);
  } catch (...) {
    DiagPrintf("the play thread cannot be created");
    return -1;
  }
  return 0;
}

int PlayThreadBase::Start(PlayBackend* backend) {
  if (Started()) return 0;
  if (!backend) return -1;
  backend_ = backend;
  return StartWorker();
}

void PlayThreadBase::EndWorker() {
  if (!worker_.joinable()) return;
  {
    Lock lock(ch_.Mutex());
    ch_.Post(lock, static_cast<int>(PlayCommand::kQuit));
  }
  worker_.join();
}

int PlayThreadBase::Send(Lock& lock, PlayCommand cmd) {
  ch_.Send(lock, static_cast<int>(cmd));
  return errorCode_;
}

int PlayThreadBase::SendOpen(const std::function<void()>& store) {
  Lock lock(ch_.Mutex());
  if (!worker_.joinable() || StateLocked() != PLAY_THREAD_IDLE) return -1;
  store();
  errorCode_ = 0;
  Send(lock, PlayCommand::kOpen);
  return 0;
}

int PlayThreadBase::Play(const std::function<void()>& setUp) {
  Lock lock(ch_.Mutex());
  const int state = StateLocked();
  if (state == PLAY_THREAD_PLAYING) return 0;
  if (state != PLAY_THREAD_PAUSED && state != PLAY_THREAD_STOPPED && state != PLAY_THREAD_ENDED)
    return -1;
  if (setUp) setUp();
  return Send(lock, PlayCommand::kPlay);
}

int PlayThreadBase::Pause() {
  Lock lock(ch_.Mutex());
  const int state = StateLocked();
  if (state == PLAY_THREAD_PAUSED) return 0;
  if (state != PLAY_THREAD_PLAYING) return -1;
  return Send(lock, PlayCommand::kPause);
}

int PlayThreadBase::Stop() {
  Lock lock(ch_.Mutex());
  const int state = StateLocked();
  if (state == PLAY_THREAD_STOPPED) return 0;
  if (state != PLAY_THREAD_PLAYING && state != PLAY_THREAD_PAUSED && state != PLAY_THREAD_ENDED)
    return -1;
  return Send(lock, PlayCommand::kStop);
}

int PlayThreadBase::Close() {
  Lock lock(ch_.Mutex());
  if (!worker_.joinable()) return 0;  // nothing can be open
  if (StateLocked() == PLAY_THREAD_OPENING) CancelOpen();
  ch_.WaitUntil(lock, [this] { return StateLocked() != PLAY_THREAD_OPENING; });
  if (StateLocked() == PLAY_THREAD_IDLE) return 0;
  Send(lock, PlayCommand::kClose);
  ch_.WaitUntil(lock, [this] { return StateLocked() == PLAY_THREAD_IDLE; });
  return 0;
}

int PlayThreadBase::ErrorCode() {
  std::lock_guard<std::mutex> lock(ch_.Mutex());
  return errorCode_;
}

void PlayThreadBase::Run() {
  Lock lock(ch_.Mutex());
  for (;;) {
    // Nothing open: only an open (or the end) means anything.
    SetState(lock, PLAY_THREAD_IDLE);
    PlayCommand cmd;
    while ((cmd = Wait(lock)) != PlayCommand::kOpen && cmd != PlayCommand::kQuit) Take(lock);
    if (cmd == PlayCommand::kQuit) return;
    SetState(lock, PLAY_THREAD_OPENING);
    Take(lock);
    lock.unlock();
    const int r = OpenItem();
    lock.lock();
    if (r != 0) {
      errorCode_ = r;
      continue;
    }
    SetState(lock, OpenedState());
    ServeOpen(lock);
    lock.unlock();
    CloseItem();
    lock.lock();
    SetState(lock, PLAY_THREAD_IDLE);
    if (Pending() == PlayCommand::kQuit) return;
    Take(lock);
  }
}

void PlayThreadBase::ServeOpen(Lock& lock) {
  for (;;) {
    switch (Wait(lock)) {
      case PlayCommand::kClose:
      case PlayCommand::kQuit:
        return;
      case PlayCommand::kPlay: {
        SetState(lock, PLAY_THREAD_PLAYING);
        errorCode_ = 0;
        Take(lock);
        const PlayEnd end = PlayItem(lock);
        if (end == kQuit) return;
        if (end == kEnded) SetState(lock, PLAY_THREAD_ENDED);
        break;
      }
      case PlayCommand::kStop:
        SetState(lock, PLAY_THREAD_STOPPED);
        Take(lock);
        break;
      case PlayCommand::kPause:
        // Taken between two pieces of work: paused with nothing half played.
        if (StateLocked() == PLAY_THREAD_PLAYING) SetState(lock, PLAY_THREAD_PAUSED);
        Take(lock);
        break;
      default:
        Take(lock);
        break;
    }
  }
}

bool PlayThreadBase::PauseInPlace(Lock& lock) {
  SetState(lock, PLAY_THREAD_PAUSED);
  Take(lock);
  for (;;) {
    switch (Wait(lock)) {
      case PlayCommand::kPlay:
        SetState(lock, PLAY_THREAD_PLAYING);
        Take(lock);
        return true;
      case PlayCommand::kStop:
        SetState(lock, PLAY_THREAD_STOPPED);
        Take(lock);
        return false;
      case PlayCommand::kClose:
        SetState(lock, PLAY_THREAD_STOPPED);
        return false;
      case PlayCommand::kQuit:
        return false;
      default:
        Take(lock);
        break;
    }
  }
}

bool PlayThreadBase::TakeBetweenBlocks(PlayEnd* why, const BlockHooks& hooks) {
  Lock lock(ch_.Mutex());
  switch (Pending()) {
    case PlayCommand::kNone:
      return false;
    case PlayCommand::kPause:
      lock.unlock();
      hooks.drain();
      lock.lock();
      if (!hooks.inPlace) {
        SetState(lock, PLAY_THREAD_PAUSED);
        Take(lock);
        *why = kHeld;
        return true;
      }
      if (PauseInPlace(lock)) {
        lock.unlock();
        if (hooks.resumed) hooks.resumed();
        return false;
      }
      *why = Pending() == PlayCommand::kQuit ? kQuit : kHeld;
      return true;
    case PlayCommand::kStop:
    case PlayCommand::kClose:
      lock.unlock();
      hooks.cut();
      *why = kHeld;
      return true;
    case PlayCommand::kQuit:
      *why = kQuit;
      return true;
    default:
      Take(lock);
      return false;
  }
}

int PlayThreadBase::TakeInSpeech(const std::function<void()>& drain,
                                 const std::function<void()>& resumed) {
  Lock lock(ch_.Mutex());
  switch (Pending()) {
    case PlayCommand::kNone:
      return 0;
    case PlayCommand::kPause:
      if (drain) {
        lock.unlock();
        drain();
        lock.lock();
      }
      if (!PauseInPlace(lock)) return 1;
      lock.unlock();
      if (resumed) resumed();
      return 0;
    case PlayCommand::kStop:
      SetState(lock, PLAY_THREAD_STOPPED);
      Take(lock);
      return 1;
    case PlayCommand::kPlay:
      // Reading goes on: the state must say so, or later pauses are refused.
      SetState(lock, PLAY_THREAD_PLAYING);
      Take(lock);
      return 0;
    default:
      return 1;  // left for the thread
  }
}
