#include "speech/engine_pool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "speech/engine_worker.h"

extern char** environ;

namespace ttsengine {
namespace {

// How long a worker may take to start its synthesiser (a loaded machine).
constexpr int kReadyTimeoutMs = 20000;
// Socket buffer: about two seconds of audio may wait ahead of the reader.
constexpr int kSocketBuffer = 64 * 1024;

std::string SelfExe() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "";
  buf[n] = '\0';
  return buf;
}

void Reap(pid_t pid) {
  if (pid <= 0) return;
  // The worker leaves on the closed socket; give it a moment, then end it.
  for (int i = 0; i < 100; ++i) {
    pid_t r = waitpid(pid, nullptr, WNOHANG);
    if (r == pid || (r < 0 && errno == ECHILD)) return;
    usleep(2000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

}  // namespace

bool RecvHeader(int fd, ttsproto::Header* h, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  for (;;) {
    int r = poll(&p, 1, timeoutMs);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    break;
  }
  return ttsproto::RecvAll(fd, h, sizeof *h) && h->length <= ttsproto::kMaxPayload;
}

Pool::Pool() : exe_(SelfExe()) {}

Pool::~Pool() {
  for (auto& w : workers_) {
    if (w->fd >= 0) close(w->fd);
  }
  for (auto& w : workers_) Reap(w->pid);
}

bool Pool::Spawn(Worker* w, std::string* error) {
  if (exe_.empty()) {
    *error = "cannot find the program to start a speech worker";
    return false;
  }
  int sv[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) {
    *error = std::string("socketpair: ") + strerror(errno);
    return false;
  }
  int size = kSocketBuffer;
  setsockopt(sv[1], SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
  setsockopt(sv[0], SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  // A descriptor above 3 so that dup2 onto 3 always clears close-on-exec.
  int child = fcntl(sv[1], F_DUPFD_CLOEXEC, 10);
  close(sv[1]);
  if (child < 0) {
    close(sv[0]);
    *error = "cannot duplicate the worker socket";
    return false;
  }

  std::vector<std::string> env;
  std::string prefix = std::string(TtsWorkerVariable()) + "=";
  for (char** e = environ; e && *e; ++e) {
    if (strncmp(*e, prefix.c_str(), prefix.size()) != 0) env.emplace_back(*e);
  }
  env.push_back(prefix + "3");
  std::vector<char*> envp;
  for (auto& s : env) envp.push_back(const_cast<char*>(s.c_str()));
  envp.push_back(nullptr);
  char arg0[] = "dtb-tts-worker";
  // The device's programs tried on a PC under a user-mode emulator cannot
  // start another ARM program by themselves: the emulator is named here and
  // starts the worker.
  const char* wrapper = getenv("DTB_EXEC_WRAPPER");
  std::vector<char*> argv;
  if (wrapper && *wrapper) argv.push_back(const_cast<char*>(wrapper));
  argv.push_back(argv.empty() ? arg0 : const_cast<char*>(exe_.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, child, 3);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGCHLD);
  sigaddset(&defaults, SIGTERM);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  int rc = wrapper && *wrapper ? posix_spawnp(&pid, wrapper, &fa, &attr, argv.data(), envp.data())
                               : posix_spawn(&pid, exe_.c_str(), &fa, &attr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&fa);
  posix_spawnattr_destroy(&attr);
  close(child);
  if (rc != 0) {
    close(sv[0]);
    *error = std::string("cannot start a speech worker: ") + strerror(rc);
    return false;
  }
  w->pid = pid;
  w->fd = sv[0];
  w->ready = false;
  w->voice.clear();
  return true;
}

bool Pool::WaitReady(Worker* w, std::string* error) {
  if (w->ready) return true;
  ttsproto::Header h;
  if (!RecvHeader(w->fd, &h, kReadyTimeoutMs) || h.type != ttsproto::kReady ||
      h.length < sizeof(int32_t)) {
    *error = "speech worker did not start";
    return false;
  }
  int32_t status = -1;
  std::string text(h.length - sizeof status, '\0');
  if (!ttsproto::RecvAll(w->fd, &status, sizeof status) ||
      (!text.empty() && !ttsproto::RecvAll(w->fd, &text[0], text.size()))) {
    *error = "speech worker did not start";
    return false;
  }
  if (status != 0) {
    *error = text.empty() ? "speech worker failed" : text;
    return false;
  }
  w->ready = true;
  return true;
}

bool Pool::Prestart(int count, std::string* error) {
  std::lock_guard<std::mutex> lock(mu_);
  int started = 0;
  for (int i = 0; i < count; ++i) {
    auto w = std::make_unique<Worker>();
    if (!Spawn(w.get(), error)) break;
    workers_.push_back(std::move(w));
    ++started;
  }
  return started > 0;
}

// A closed far end means the worker has gone; so does anything to read from
// an idle, ready worker (before it is ready, its ready message may wait).
bool Pool::Gone(Worker* w) {
  pollfd p{w->fd, static_cast<short>(POLLIN | POLLRDHUP), 0};
  if (poll(&p, 1, 0) <= 0) return false;
  if (p.revents & (POLLHUP | POLLRDHUP | POLLERR)) return true;
  return w->ready;
}

Worker* Pool::Acquire(Worker* preferred, const std::string& voice, std::string* error) {
  // A worker that died before it was ever used shows only when its ready
  // message fails to come; then the next one (or a new one) is tried. Every
  // existing worker may have died at once, so try past all of them; a fresh
  // one that cannot start ends the search.
  for (int attempt = 0; attempt < 16; ++attempt) {
    bool fresh = false;
    Worker* w = Pick(attempt == 0 ? preferred : nullptr, voice, &fresh, error);
    if (!w) return nullptr;
    if (WaitReady(w, error)) return w;
    Retire(w);
    if (fresh) return nullptr;  // a new worker cannot start: no use trying again
  }
  return nullptr;
}

Worker* Pool::Pick(Worker* preferred, const std::string& voice, bool* fresh, std::string* error) {
  Worker* w = nullptr;
  std::vector<pid_t> dead;
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (auto& x : workers_) {
      if (!x->busy && x->fd >= 0 && Gone(x.get())) {
        close(x->fd);
        x->fd = -1;
        x->ready = false;
        x->voice.clear();
        dead.push_back(x->pid);
        x->pid = -1;
      }
    }
    auto idle = [](Worker* x) { return x && !x->busy && x->fd >= 0; };
    if (idle(preferred)) w = preferred;
    for (auto& x : workers_) {
      if (!w && idle(x.get()) && x->ready && x->voice == voice) w = x.get();
    }
    for (auto& x : workers_) {
      if (!w && idle(x.get()) && x->ready) w = x.get();
    }
    for (auto& x : workers_) {
      if (!w && idle(x.get())) w = x.get();
    }
    if (!w) {
      // Reuse a retired slot so that pointers held by voices stay valid.
      for (auto& x : workers_) {
        if (!w && x->fd < 0 && !x->busy) w = x.get();
      }
      if (!w) {
        workers_.push_back(std::make_unique<Worker>());
        w = workers_.back().get();
      }
      *fresh = true;
      if (!Spawn(w, error)) w = nullptr;
    }
    if (w) w->busy = true;
  }
  for (pid_t pid : dead) Reap(pid);
  return w;
}

void Pool::Release(Worker* w, const std::string& voice) {
  std::lock_guard<std::mutex> lock(mu_);
  w->voice = voice;
  w->busy = false;
}

void Pool::Retire(Worker* w) {
  pid_t pid;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (w->fd >= 0) close(w->fd);
    w->fd = -1;
    w->ready = false;
    w->voice.clear();
    pid = w->pid;
    w->pid = -1;
  }
  if (pid > 0) kill(pid, SIGKILL);
  Reap(pid);
  std::lock_guard<std::mutex> lock(mu_);
  w->busy = false;
}

}  // namespace ttsengine
