// The engine's synthesis workers: child processes, each with a synthesiser of
// its own, handed out one per running streamer (or voice check). Affinity
// keeps a voice on the worker that last spoke it, so its voice stays loaded.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "speech/engine_protocol.h"

namespace ttsengine {

struct Worker {
  pid_t pid = -1;
  int fd = -1;          // our end of the socket; -1 once retired
  bool ready = false;   // the worker reported a working synthesiser
  bool busy = false;    // owned by a streamer or a check
  std::string voice;    // voice it last spoke
};

class Pool {
 public:
  Pool();
  ~Pool();
  // Starts `count` workers without waiting for them. false if none started.
  bool Prestart(int count, std::string* error);
  // Takes an idle worker (the preferred one, one that spoke `voice`, any, or
  // a new one) and waits until it is ready. nullptr with *error on failure.
  Worker* Acquire(Worker* preferred, const std::string& voice, std::string* error);
  // Gives a worker back after its utterance ended cleanly.
  void Release(Worker* w, const std::string& voice);
  // Ends a worker that failed or cannot be brought back to a clean state.
  void Retire(Worker* w);

  uint32_t NextId() {
    std::lock_guard<std::mutex> lock(mu_);
    return ++lastId_;
  }

 private:
  bool Spawn(Worker* w, std::string* error);
  bool WaitReady(Worker* w, std::string* error);
  bool Gone(Worker* w);
  Worker* Pick(Worker* preferred, const std::string& voice, bool* fresh, std::string* error);

  std::mutex mu_;
  std::vector<std::unique_ptr<Worker>> workers_;
  std::string exe_;
  uint32_t lastId_ = 0;
};

// Reads one message header with a time limit; false on timeout, EOF or error.
bool RecvHeader(int fd, ttsproto::Header* h, int timeoutMs);

}  // namespace ttsengine
