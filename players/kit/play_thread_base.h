// The play thread every player runs: one worker that owns what is open (a
// file, a DAISY book, an e-book) and plays it, driven through a command
// channel. The window sends a typed command and waits until the worker has
// taken it; it watches the state word for the rest. The loop, the command
// checks and the pause are written here once; each player supplies how its
// item opens, plays and closes.
#pragma once

#include <functional>
#include <mutex>
#include <thread>

#include "core/base/command_channel.h"
#include "players/kit/play_backend.h"

// What the players read from the decoder at a time, the latency of their
// stream, and the rate of player speech.
constexpr int kPlayBlockBytes = 4096;
constexpr unsigned kPlayLatencyUs = 500000;
constexpr unsigned kPlaySpeechRate = 16000;

enum class PlayCommand { kNone = 0, kOpen = 1, kClose = 2, kPlay = 3, kPause = 4, kStop = 5, kQuit = 99 };

// The state word, as every player reports it.
enum PlayThreadState {
  PLAY_THREAD_IDLE = 0,     // nothing open
  PLAY_THREAD_OPENING = 1,
  PLAY_THREAD_PLAYING = 2,
  PLAY_THREAD_PAUSED = 3,   // open, held in the middle of playing
  PLAY_THREAD_STOPPED = 4,  // open, not playing
  PLAY_THREAD_ENDED = 5,    // played to the end
};

class PlayThreadBase {
 public:
  PlayThreadBase(const PlayThreadBase&) = delete;
  PlayThreadBase& operator=(const PlayThreadBase&) = delete;

  // Starts the worker on first use, over the decoder and sound it plays
  // through. 0, or -1 without one or when it cannot be started.
  int Start(PlayBackend* backend);
  bool Started() const { return worker_.joinable(); }
  PlayBackend* Backend() const { return backend_; }

  // Main thread. Each sends its command and waits until the worker took it;
  // -1 when the state does not allow it.
  // From paused, stopped or ended (0 at once when playing); the error code.
  int Play(const std::function<void()>& setUp = {});
  // From playing (0 at once when paused); returns once the worker paused.
  int Pause();
  // From playing, paused or ended (0 at once when stopped).
  int Stop();
  // Closes what is open from any state; an open in progress is cut short
  // where the player can, or finishes first. Returns with the worker idle; 0.
  int Close();

  int State() { return ch_.State(); }
  int ErrorCode();

 protected:
  using Lock = CommandChannel::Lock;
  // Why the play hook returned.
  enum PlayEnd {
    kEnded,    // played to the end: the state becomes ended
    kHeld,     // paused or stopped: the state says which
    kQuit,     // the worker is being ended
  };

  PlayThreadBase() = default;
  ~PlayThreadBase() = default;

  // Starts the worker once (players with a seam of their own). 0, or -1
  // when it cannot be started.
  int StartWorker();
  // Ends the worker; the derived destructor calls it before its members go.
  void EndWorker();

  // Sends the open from idle after `store` (lock held) took the arguments;
  // -1 when something is open or the worker is not running.
  int SendOpen(const std::function<void()>& store);

  // The player's own work. OpenItem and CloseItem run unlocked; 0 opened,
  // else the error code. PlayItem runs with the lock held (it may release
  // it) and returns with it held, once it has ended, paused, stopped, or
  // left a command for the loop.
  virtual int OpenItem() = 0;
  virtual int OpenedState() const { return PLAY_THREAD_STOPPED; }
  virtual PlayEnd PlayItem(Lock& lock) = 0;
  virtual void CloseItem() = 0;
  // A close arrived while the item opens (lock held): the player may cut
  // the open short.
  virtual void CancelOpen() {}

  // Lock held, a pause pending: paused and taken, then waits. Play: playing
  // again, taken, true. Stop: stopped, taken, false. Close or quit: left for
  // the loop (stopped for a close), false.
  bool PauseInPlace(Lock& lock);
  // Between two blocks of work (unlocked): what the pending command asks of
  // the loop; true to leave it (*why). A pause drains the sound, then holds
  // in place when `inPlace` (`resumed` runs when play comes) or leaves the
  // loop paused. A stop or close cuts the sound short and is left for the
  // loop.
  struct BlockHooks {
    bool inPlace;
    std::function<void()> drain, cut, resumed;
  };
  bool TakeBetweenBlocks(PlayEnd* why, const BlockHooks& hooks);
  // The sample callback's share: reads the command after a block of speech.
  // 0 goes on, 1 cancels the speech. A pause drains first (unlocked), then
  // waits in place and calls `resumed` (unlocked) when play comes.
  int TakeInSpeech(const std::function<void()>& drain, const std::function<void()>& resumed);

  PlayCommand Pending() const { return static_cast<PlayCommand>(ch_.Peek()); }
  void Take(Lock& lock) { ch_.Take(lock); }
  void SetState(Lock& lock, int state) { ch_.SetState(lock, state); }
  int StateLocked() const { return ch_.StateLocked(); }

  PlayBackend* backend_ = nullptr;
  CommandChannel ch_{PLAY_THREAD_IDLE};  // its mutex guards the players' shared fields
  int errorCode_ = 0;

 private:
  void Run();
  // With something open: serves commands until a close or quit is pending.
  void ServeOpen(Lock& lock);
  PlayCommand Wait(Lock& lock) { return static_cast<PlayCommand>(ch_.Wait(lock)); }
  int Send(Lock& lock, PlayCommand cmd);

  std::thread worker_;
};
