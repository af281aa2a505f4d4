// The long-lived play thread of the music and audio book players. The window
// drives it through its command channel and watches the channel's state word;
// every command is acknowledged by the thread taking it.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "core/base/command_channel.h"
#include "players/kit/equalizer.h"
#include "players/kit/play_backend.h"
#include "players/kit/speed_pitch.h"

enum PlayState {
  PLAY_STATE_IDLE = 0,     // no file
  PLAY_STATE_OPENING = 1,  // opening
  PLAY_STATE_PLAYING = 2,
  PLAY_STATE_PAUSED = 3,   // file open, not playing
  PLAY_STATE_ENDED = 5,    // file open, end reached
};

enum PlayCmd {
  PLAY_CMD_NONE = 0,
  PLAY_CMD_OPEN = 1,
  PLAY_CMD_STOP = 2,  // close the file
  PLAY_CMD_PLAY = 3,
  PLAY_CMD_PAUSE = 4,
};

enum FastMode { FAST_REWIND = -1, FAST_NONE = 0, FAST_FORWARD = 1 };

// Speed, pitch and equalizer preset as the thread applies them at each play.
struct PlayEffects {
  int speed = 0;
  int pitch = 0;
  int equalizer = 0;
};

class PlayThread {
 public:
  enum Flavour {
    kMusic,  // equalizer, fast modes, the repeat markers loop (A-B repeat)
    kBook,   // the repeat end is a stop point that ends the file
  };

  PlayThread(Flavour flavour, std::function<PlayEffects()> effects);
  // Ends the thread (tests; the firmware's threads live for the process).
  ~PlayThread();
  PlayThread(const PlayThread&) = delete;
  PlayThread& operator=(const PlayThread&) = delete;

  // Starts the thread on first use. 0, or -1 when it cannot be started.
  int Start(PlayBackend* backend);
  bool Started() const { return worker_.joinable(); }

  // Main thread. Sends the open command when the thread is idle and waits
  // until it is taken; -1 when a file is open or the thread is not running.
  int CmdOpen(const std::string& path);
  // Plays from states 3 and 5; 0 at once when already playing, -1 in other
  // states; else the error code (0).
  int CmdPlay(int fastMode = FAST_NONE);
  // Pauses a playing thread and waits until the sound has drained. 0; -1
  // when it was not playing.
  int CmdPause();
  // Closes the file from any state but idle; returns with the thread idle.
  int CmdStop();

  int State();
  int ErrorCode();
  int CurMs() const { return curMs_.load(); }
  int TotalMs() const { return totalMs_.load(); }
  int Channels() const { return channels_.load(); }
  int Rate() const { return rate_.load(); }

  // Seek issued by the window while the thread is not playing; updates the
  // current time. The backend's result.
  int Seek(int ms, int direction);

  // Music: the A-B repeat (active when end >= start >= 0). Book: only the
  // end is used, as a stop point. -1 clears. Taken at the next play.
  void SetRepeat(int startMs, int endMs);
  int RepeatStart();
  int RepeatEnd();

  PlayBackend* Backend() const { return backend_; }

 private:
  enum LoopEnd { kEnded, kPaused, kStopped, kQuit };
  static constexpr int kCmdQuit = 99;

  void Run();
  using Lock = CommandChannel::Lock;
  int SendLocked(Lock& lock, int cmd, int fast);
  // Waits for play (true), or stop or quit (false); other commands are
  // taken and dropped.
  bool WaitForPlay(Lock& lock);
  LoopEnd PlayLoop(int fast);
  LoopEnd Rewind();
  // Writes one block of decoded PCM through the chosen effects.
  // Rate and channels of the decoded stream, and the chain behind it.
  void SetFormat(int rate, int channels);
  int Output(short* pcm, int frames);
  // Reacts to a command after a block; returns true to leave the loop.
  bool CheckCommand(LoopEnd* why);
  void FinishEnded();

  const Flavour flavour_;
  std::function<PlayEffects()> effects_;
  PlayBackend* backend_ = nullptr;
  std::thread worker_;

  CommandChannel ch_{PLAY_STATE_IDLE};  // its mutex guards the fields below
  int fastMode_ = FAST_NONE;
  int errorCode_ = 0;
  std::string fileName_;
  int repeatStart_ = -1;
  int repeatEnd_ = -1;

  std::atomic<int> curMs_{0};
  std::atomic<int> totalMs_{0};
  std::atomic<int> channels_{2};
  std::atomic<int> rate_{44100};

  // Thread-private while playing.
  bool halve_ = false;
  int outRate_ = 44100;
  bool useTempo_ = false;
  bool useEq_ = false;
  int loopStart_ = -1, loopEnd_ = -1;
  SpeedPitch tempo_;
  Equalizer eq_;
  short block_[2048];  // one 4096-byte decode block
};

// The music player's and the audio book player's threads (created on first use).
PlayThread& MusicPlayThread();
PlayThread& AudioBookPlayThread();
