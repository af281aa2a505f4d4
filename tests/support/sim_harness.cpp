#include "tests/support/sim_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

namespace dtbtest {

std::string DtbsimPath() { return std::string(DTB_BINARY_DIR) + "/sim/dtbsim"; }
std::string DtbplayerPath() { return std::string(DTB_BINARY_DIR) + "/core/dtbplayer"; }
bool HavePlayer() { return access(DtbplayerPath().c_str(), X_OK) == 0; }

int LayOutRoot(const std::string& root, const std::string& lang) {
  SimRun lay;
  lay.root = root;
  lay.lang = lang;
  lay.script = "quit\n";
  return RunSim(lay).status;
}

SimResult RunScript(const std::string& root, const std::string& script, int timeoutSeconds,
                    const std::string& audioOut) {
  SimRun run;
  run.root = root;
  run.fresh = false;
  run.audio_out = audioOut;
  run.script = script;
  run.timeout_seconds = timeoutSeconds;
  SimResult r = RunSim(run);
  if (getenv("DTB_SHOW_TRANSCRIPT")) printf("%s\n", r.output.c_str());
  return r;
}

SimResult RunSim(const SimRun& run) {
  SimResult result;
  std::string scriptPath = run.root + ".script";
  {
    std::ofstream s(scriptPath, std::ios::trunc);
    s << run.script;
    if (!run.script.empty() && run.script.back() != '\n') s << '\n';
  }
  std::vector<std::string> args = {DtbsimPath(), "--root", run.root, "--script", scriptPath};
  if (run.fresh) args.push_back("--fresh");
  if (!run.lang.empty()) args.insert(args.end(), {"--lang", run.lang});
  args.insert(args.end(), {"--audio-out", run.audio_out.empty() ? run.root + ".wav" : run.audio_out});
  if (!run.player.empty()) args.insert(args.end(), {"--player", run.player});
  args.insert(args.end(), run.extra.begin(), run.extra.end());

  int pipefd[2];
  if (pipe2(pipefd, O_CLOEXEC) != 0) return result;
  pid_t pid = fork();
  if (pid < 0) return result;
  if (pid == 0) {
    dup2(pipefd[1], 1);
    dup2(pipefd[1], 2);
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, 0);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipefd[1]);
  // dtbsim stretches its waits for an emulated player (DTB_SIM_SLOWDOWN): so does the run's end.
  const char* slow = getenv("DTB_SIM_SLOWDOWN");
  const double factor = slow && atof(slow) > 1 ? atof(slow) : 1;
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::milliseconds(static_cast<long long>(run.timeout_seconds * 1000 * factor));
  bool killed = false;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(pid, SIGKILL);
      killed = true;
      result.output += "\n[sim harness: killed after " + std::to_string(run.timeout_seconds) + " s]\n";
      break;
    }
    struct pollfd p = {pipefd[0], POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 500))) <= 0) continue;
    char buf[4096];
    ssize_t n = read(pipefd[0], buf, sizeof buf);
    if (n <= 0) break;
    result.output.append(buf, static_cast<size_t>(n));
  }
  close(pipefd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!killed && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  unlink(scriptPath.c_str());
  return result;
}

std::vector<std::string> Utterances(const std::string& output) {
  std::vector<std::string> out;
  std::istringstream in(output);
  for (std::string l; std::getline(in, l);)
    if (l.rfind("say: ", 0) == 0 || l.rfind("read: ", 0) == 0 || l.rfind("beep: ", 0) == 0) out.push_back(l);
  return out;
}

int SpokenSecondsLeftInBook(const std::string& output) {
  static const std::regex re(
      "about (?:(\\d+) hours? ?)?(?:(\\d+) minutes? ?)?(?:(\\d+) seconds?)? left in the book");
  std::smatch m;
  for (const std::string& u : Utterances(output)) {
    if (!std::regex_search(u, m, re)) continue;
    auto n = [&](int i) { return m[i].matched ? std::stoi(m[i]) : 0; };
    return n(1) * 3600 + n(2) * 60 + n(3);
  }
  return -1;
}

}  // namespace dtbtest
