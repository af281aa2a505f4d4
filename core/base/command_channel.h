// The mailbox between a window (or any caller) and a worker thread: one
// command word and one state word under the worker's mutex. A sender sets a
// command and sleeps until the worker has taken it; the worker sleeps until
// a command arrives, or looks for one between two blocks of work. Nothing
// polls: every change of either word wakes whoever waits on it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class CommandChannel {
 public:
  static constexpr int kNone = 0;
  using Lock = std::unique_lock<std::mutex>;

  explicit CommandChannel(int state = 0) : state_(state) {}
  CommandChannel(const CommandChannel&) = delete;
  CommandChannel& operator=(const CommandChannel&) = delete;

  // Guards both words and whatever else the owner keeps beside them.
  std::mutex& Mutex() { return mutex_; }

  // --- Sender (lock held) ---
  // Sets the command, wakes the worker and waits until it has been taken.
  // A later command that replaces it unanswered counts as taking it.
  void Send(Lock& lock, int cmd) {
    Post(lock, cmd);
    const unsigned long sent = posted_;
    fromWorker_.wait(lock, [&] { return taken_ >= sent; });
  }
  // Sets the command without waiting (quit requests from destructors).
  void Post(Lock&, int cmd) {
    cmd_ = cmd;
    ++posted_;
    toWorker_.notify_all();
  }
  // Waits until pred() holds; the worker wakes this on every change.
  template <class Pred>
  void WaitUntil(Lock& lock, Pred pred) {
    fromWorker_.wait(lock, pred);
  }

  // --- Worker (lock held) ---
  int Peek() const { return cmd_; }
  // Marks the pending command as taken and wakes its sender.
  void Take(Lock&) {
    cmd_ = kNone;
    taken_ = posted_;
    fromWorker_.notify_all();
  }
  // Sleeps until a command is pending and returns it, not taken.
  int Wait(Lock& lock) {
    toWorker_.wait(lock, [this] { return cmd_ != kNone; });
    return cmd_;
  }
  // The same, for at most `timeout`; kNone when none came.
  template <class Rep, class Period>
  int WaitFor(Lock& lock, std::chrono::duration<Rep, Period> timeout) {
    toWorker_.wait_for(lock, timeout, [this] { return cmd_ != kNone; });
    return cmd_;
  }

  // --- The state word ---
  int StateLocked() const { return state_; }
  void SetState(Lock&, int s) {
    state_ = s;
    fromWorker_.notify_all();
  }
  // Wakes WaitUntil callers after a change of the owner's own fields.
  void Notify() { fromWorker_.notify_all(); }
  int State() {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable toWorker_;
  std::condition_variable fromWorker_;
  int cmd_ = kNone;
  int state_;
  unsigned long posted_ = 0;
  unsigned long taken_ = 0;
};
