#include "core/base/command_channel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

using Lock = CommandChannel::Lock;

// A worker that records each command, takes it and reports it as its state;
// 9 ends it.
struct Worker {
  CommandChannel ch;
  std::vector<int> seen;
  std::thread t{[this] {
    Lock lock(ch.Mutex());
    for (;;) {
      const int cmd = ch.Wait(lock);
      seen.push_back(cmd);
      ch.SetState(lock, cmd);
      if (cmd == 9) return;
      ch.Take(lock);
    }
  }};
  ~Worker() {
    {
      Lock lock(ch.Mutex());
      ch.Post(lock, 9);
    }
    t.join();
  }
};

TEST(CommandChannel, SendReturnsOnlyOnceTheWorkerTookTheCommand) {
  Worker w;
  for (int cmd = 1; cmd <= 5; ++cmd) {
    Lock lock(w.ch.Mutex());
    w.ch.Send(lock, cmd);
    // Taken and acted on before the sender goes on.
    EXPECT_EQ(w.ch.Peek(), CommandChannel::kNone);
    EXPECT_EQ(w.ch.StateLocked(), cmd);
  }
  Lock lock(w.ch.Mutex());
  EXPECT_EQ(w.seen, (std::vector<int>{1, 2, 3, 4, 5}));
}

// A command replaced before the worker saw it must not leave its sender
// waiting for ever.
TEST(CommandChannel, ConcurrentSendersAllReturn) {
  Worker w;
  std::vector<std::thread> senders;
  for (int cmd = 1; cmd <= 4; ++cmd) {
    senders.emplace_back([&w, cmd] {
      for (int i = 0; i < 200; ++i) {
        Lock lock(w.ch.Mutex());
        w.ch.Send(lock, cmd);
      }
    });
  }
  for (auto& s : senders) s.join();
  Lock lock(w.ch.Mutex());
  w.ch.WaitUntil(lock, [&] { return w.ch.StateLocked() != 0; });
  EXPECT_FALSE(w.seen.empty());
}

TEST(CommandChannel, TimedWaitEndsWithoutACommandAndAtOnceWithOne) {
  CommandChannel ch;
  Lock lock(ch.Mutex());
  EXPECT_EQ(ch.WaitFor(lock, std::chrono::milliseconds(5)), CommandChannel::kNone);
  ch.Post(lock, 4);
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(ch.WaitFor(lock, std::chrono::seconds(10)), 4);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
}

}  // namespace
