// The long-lived play thread of the music and audio book players: one file
// at a time through the decoder, speed, pitch and equalizer to the sound
// card. The window drives it through the play-thread commands.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "players/kit/equalizer.h"
#include "players/kit/play_backend.h"
#include "players/kit/play_thread_base.h"
#include "players/kit/speed_pitch.h"

enum PlayState {
  PLAY_STATE_IDLE = PLAY_THREAD_IDLE,  // no file
  PLAY_STATE_OPENING = PLAY_THREAD_OPENING,
  PLAY_STATE_PLAYING = PLAY_THREAD_PLAYING,
  PLAY_STATE_PAUSED = PLAY_THREAD_PAUSED,  // file open, not playing
  PLAY_STATE_ENDED = PLAY_THREAD_ENDED,    // file open, end reached
};

enum FastMode { FAST_REWIND = -1, FAST_NONE = 0, FAST_FORWARD = 1 };

// Speed, pitch and equalizer preset as the thread applies them at each play.
struct PlayEffects {
  int speed = 0;
  int pitch = 0;
  int equalizer = 0;
};

class PlayThread final : public PlayThreadBase {
 public:
  enum Flavour {
    kMusic,  // equalizer, fast modes, the repeat markers loop (A-B repeat)
    kBook,   // the repeat end is a stop point that ends the file
  };

  PlayThread(Flavour flavour, std::function<PlayEffects()> effects);
  // Ends the thread (tests; the firmware's threads live for the process).
  ~PlayThread();

  // Main thread. Sends the open command when the thread is idle and waits
  // until it is taken; -1 when a file is open or the thread is not running.
  int CmdOpen(const std::string& path);
  // Plays from states 3 and 5; 0 at once when already playing, -1 in other
  // states; else the error code (0).
  int CmdPlay(int fastMode = FAST_NONE);
  // Pauses a playing thread and waits until the sound has drained. 0 when
  // paused; -1 when it was not playing.
  int CmdPause() { return Pause(); }
  // Closes the file from any state; returns with the thread idle.
  int CmdStop() { return Close(); }
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

 private:
  int OpenItem() override;
  int OpenedState() const override { return PLAY_STATE_PAUSED; }
  PlayEnd PlayItem(Lock& lock) override;
  void CloseItem() override { backend_->Close(); }
  PlayEnd PlayLoop(int fast);
  PlayEnd Rewind();
  // Writes one block of decoded PCM through the chosen effects.
  // Rate and channels of the decoded stream, and the chain behind it.
  void SetFormat(int rate, int channels);
  int Output(short* pcm, int frames);
  // Reacts to a command after a block; returns true to leave the loop.
  bool CheckCommand(PlayEnd* why);
  PlayEnd FinishEnded();

  const Flavour flavour_;
  std::function<PlayEffects()> effects_;
  // Guarded by the channel's mutex.
  int fastMode_ = FAST_NONE;
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
