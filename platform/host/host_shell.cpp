#include "platform/host/host_shell.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/host/host_board.h"

namespace fs = std::filesystem;

namespace board {
namespace {

bool IsNameStart(char c) { return isalpha(static_cast<unsigned char>(c)) || c == '_'; }

// True when "$" followed by c would be expanded by the device's shell.
bool DollarExpands(char c) {
  return IsNameStart(c) || isdigit(static_cast<unsigned char>(c)) || c == '{' || c == '(' ||
         strchr("@*#?$!-", c) != nullptr;
}

class Parser {
 public:
  Parser(const std::string& t, std::vector<ShellCommand>* out) : t_(t), out_(out) {}

  int Parse(std::string* error) {
    cur_ = ShellCommand();
    size_t i = 0;
    while (i < t_.size()) {
      char c = t_[i];
      if (c == ' ' || c == '\t') {
        EndWord();
        ++i;
      } else if (c == '\n' || c == ';') {
        if (EndCommand(ShellCommand::kSeq) != 0) return Fail(error);
        ++i;
      } else if (c == '&') {
        if (i + 1 < t_.size() && t_[i + 1] == '&') {
          if (EndCommand(ShellCommand::kAnd, true) != 0) return Fail(error);
          i += 2;
        } else {
          err_ = "background jobs and \"&>\" are not supported";
          return Fail(error);
        }
      } else if (c == '|') {
        if (i + 1 < t_.size() && t_[i + 1] == '|') {
          if (EndCommand(ShellCommand::kOr, true) != 0) return Fail(error);
          i += 2;
        } else {
          err_ = "pipes are not supported";
          return Fail(error);
        }
      } else if (c == '<' || c == '(' || c == ')') {
        err_ = std::string("\"") + c + "\" is not supported";
        return Fail(error);
      } else if (c == '>') {
        if (StartRedirect(&i) != 0) return Fail(error);
      } else if (c == '#' && !in_word_) {
        while (i < t_.size() && t_[i] != '\n') ++i;
      } else if (c == '\'') {
        if (SingleQuoted(&i) != 0) return Fail(error);
      } else if (c == '"') {
        if (DoubleQuoted(&i) != 0) return Fail(error);
      } else if (c == '\\') {
        if (i + 1 < t_.size()) {
          if (t_[i + 1] != '\n') {
            AddQuoted(t_[i + 1]);
            in_word_ = true;
          }
          i += 2;
        } else {
          ++i;
        }
      } else if (c == '`' || (c == '$' && i + 1 < t_.size() && DollarExpands(t_[i + 1])) ||
                 (c == '~' && !in_word_)) {
        err_ = "the device's shell would expand this";
        return Fail(error);
      } else {
        if (c == '*' || c == '?' || c == '[') word_.glob = true;
        word_.text += c;
        word_.pattern += c;
        in_word_ = true;
        ++i;
      }
    }
    if (EndCommand(ShellCommand::kSeq) != 0) return Fail(error);
    if (pending_join_) {
      err_ = "command expected after \"&&\" or \"||\"";
      return Fail(error);
    }
    return 0;
  }

 private:
  // The quoted text from the quote at *i on, *i left past the closing quote.
  int SingleQuoted(size_t* i) {
    size_t end = t_.find('\'', *i + 1);
    if (end == std::string::npos) {
      err_ = "unterminated single quote";
      return -1;
    }
    for (size_t k = *i + 1; k < end; ++k) AddQuoted(t_[k]);
    in_word_ = true;
    *i = end + 1;
    return 0;
  }

  int DoubleQuoted(size_t* i) {
    in_word_ = true;
    for (size_t j = *i + 1; j < t_.size();) {
      char d = t_[j];
      if (d == '"') {
        *i = j + 1;
        return 0;
      }
      if (d == '\\' && j + 1 < t_.size() && strchr("$`\"\\\n", t_[j + 1])) {
        if (t_[j + 1] != '\n') AddQuoted(t_[j + 1]);
        j += 2;
        continue;
      }
      if (d == '`' || (d == '$' && j + 1 < t_.size() && DollarExpands(t_[j + 1]))) {
        err_ = "the device's shell would expand this";
        return -1;
      }
      AddQuoted(d);
      ++j;
    }
    err_ = "unterminated double quote";
    return -1;
  }

  int Fail(std::string* error) {
    if (error) *error = err_;
    return -1;
  }

  void AddQuoted(char c) {
    word_.text += c;
    if (strchr("*?[]\\", c)) word_.pattern += '\\';
    word_.pattern += c;
  }

  void EndWord() {
    if (!in_word_) return;
    if (redirect_pending_) {
      redir_.target = word_;
      cur_.redirects.push_back(redir_);
      redirect_pending_ = false;
    } else {
      cur_.words.push_back(word_);
    }
    word_ = ShellWord();
    in_word_ = false;
  }

  int EndCommand(ShellCommand::Join nextJoin, bool needCommand = false) {
    EndWord();
    if (redirect_pending_) {
      err_ = "redirection without a file";
      return -1;
    }
    if (!cur_.words.empty() || !cur_.redirects.empty()) {
      out_->push_back(cur_);
      pending_join_ = false;
    } else if (needCommand || pending_join_) {
      err_ = "command expected before \"&&\" or \"||\"";
      return -1;
    }
    cur_ = ShellCommand();
    cur_.join = nextJoin;
    if (needCommand) pending_join_ = true;
    return 0;
  }

  int StartRedirect(size_t* i) {
    ShellRedirect r;
    // "2>" : a word of digits right before the ">" names the descriptor.
    if (in_word_ && !word_.text.empty() && word_.text == word_.pattern &&
        std::all_of(word_.text.begin(), word_.text.end(), ::isdigit)) {
      r.fd = atoi(word_.text.c_str());
      word_ = ShellWord();
      in_word_ = false;
    } else {
      EndWord();
    }
    if (redirect_pending_) {
      err_ = "redirection without a file";
      return -1;
    }
    if (r.fd != 1 && r.fd != 2) {
      err_ = "only descriptors 1 and 2 can be redirected";
      return -1;
    }
    ++*i;
    if (*i < t_.size() && t_[*i] == '>') {
      r.append = true;
      ++*i;
    }
    if (*i < t_.size() && t_[*i] == '&') {
      ++*i;
      size_t start = *i;
      while (*i < t_.size() && isdigit(static_cast<unsigned char>(t_[*i]))) ++*i;
      if (start == *i) {
        err_ = "bad descriptor duplication";
        return -1;
      }
      r.dup_to = atoi(t_.substr(start, *i - start).c_str());
      if (r.dup_to != 1 && r.dup_to != 2) {
        err_ = "only descriptors 1 and 2 can be redirected";
        return -1;
      }
      cur_.redirects.push_back(r);
      return 0;
    }
    redir_ = r;
    redirect_pending_ = true;
    return 0;
  }

  const std::string& t_;
  std::vector<ShellCommand>* out_;
  ShellCommand cur_;
  ShellWord word_;
  bool in_word_ = false;
  bool redirect_pending_ = false;
  bool pending_join_ = false;
  ShellRedirect redir_;
  std::string err_;
};

std::string Basename(const std::string& p) {
  size_t s = p.rfind('/');
  return s == std::string::npos ? p : p.substr(s + 1);
}

}  // namespace

int ParseShell(const std::string& text, std::vector<ShellCommand>* out, std::string* error) {
  out->clear();
  Parser p(text, out);
  int r = p.Parse(error);
  if (r != 0) out->clear();
  return r;
}

int HostShell::Run(const std::string& text) { return RunText(text, 0, true) << 8; }

int HostShell::RunText(const std::string& text, int depth, bool log) {
  std::vector<ShellCommand> cmds;
  std::string error;
  if (ParseShell(text, &cmds, &error) != 0) {
    fprintf(stderr, "sh: refused: %s: %s\n", error.c_str(), text.c_str());
    board_->LogLine("rc=2", text);
    board_->LogLine("note", "refused: " + error);
    return 2;
  }
  int status = 0;
  for (const ShellCommand& c : cmds) {
    if (c.join == ShellCommand::kAnd && status != 0) continue;
    if (c.join == ShellCommand::kOr && status == 0) continue;
    std::vector<std::string> argv;
    for (const ShellWord& w : c.words) {
      std::vector<std::string> e = Expand(w);
      argv.insert(argv.end(), e.begin(), e.end());
    }
    Io io;
    status = argv.empty() ? 0 : Exec(argv, io, depth);
    // Redirections apply in order; "2>&1" sends errors where output goes.
    bool errToOut = false, outToErr = false;
    const ShellRedirect* outFile = nullptr;
    const ShellRedirect* errFile = nullptr;
    for (const ShellRedirect& r : c.redirects) {
      if (r.dup_to >= 0) {
        if (r.fd == 2 && r.dup_to == 1) {
          errToOut = true;
          errFile = outFile;
        }
        if (r.fd == 1 && r.dup_to == 2) {
          outToErr = true;
          outFile = errFile;
        }
      } else if (r.fd == 1) {
        outFile = &r;
        outToErr = false;
      } else {
        errFile = &r;
        errToOut = false;
      }
    }
    std::string outData = io.out, errData = io.err;
    if (errToOut && !errFile) outData += errData, errData.clear();
    if (outToErr && !outFile) errData += outData, outData.clear();
    Io redirectIo;
    std::string outPath;
    if (outFile) {
      if (WriteRedirect(*outFile, outData, redirectIo) != 0) status = 1;
      outPath = last_redirect_path_;
    } else {
      fwrite(outData.data(), 1, outData.size(), stdout);
    }
    if (errFile && errFile != outFile) {
      if (WriteRedirect(*errFile, errData, redirectIo) != 0) status = 1;
    } else if (!errFile) {
      fwrite(errData.data(), 1, errData.size(), stderr);
    }
    fwrite(redirectIo.err.data(), 1, redirectIo.err.size(), stderr);
    fflush(stdout);
    // Standby returns at once here; the wake-up timer it would sleep for is noted.
    if (outPath == "/sys/power/state") {
      std::string s = outData;
      while (!s.empty() && isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
      if (s == "standby" || s == "mem")
        board_->LogLine("note", "standby " + board_->host_state().Get(state::kStandbyTimer, "0"));
    }
  }
  if (log) board_->LogLine("rc=" + std::to_string(status), text);
  return status;
}

int HostShell::WriteRedirect(const ShellRedirect& r, const std::string& data, Io& io) {
  last_redirect_path_.clear();
  if (r.target.text == "/dev/null") return 0;
  std::vector<std::string> targets = Expand(r.target);
  if (targets.size() != 1) {
    io.err += "sh: " + r.target.text + ": ambiguous redirect\n";
    return 1;
  }
  std::string dev = targets[0][0] == '/' ? targets[0] : "/" + targets[0];
  dev = HostBoard::Normalize(dev);
  std::string path = Map(dev, io, "sh");
  if (path.empty()) return 1;
  // sysfs nodes exist on the device; here they appear when first written.
  if (dev.compare(0, 5, "/sys/") == 0) {
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
  }
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (r.append ? O_APPEND : O_TRUNC), 0644);
  if (fd < 0) {
    io.err += "sh: can't create " + dev + ": " + strerror(errno) + "\n";
    return 1;
  }
  ssize_t w = write(fd, data.data(), data.size());
  close(fd);
  last_redirect_path_ = dev;
  return w == static_cast<ssize_t>(data.size()) ? 0 : 1;
}

std::string HostShell::Map(const std::string& devicePath, Io& io, const std::string& cmd) {
  std::string dev = devicePath.empty() || devicePath[0] != '/' ? "/" + devicePath : devicePath;
  std::string p = board_->PathOrGone(dev);
  if (p.empty()) io.err += cmd + ": " + devicePath + ": Input/output error\n";
  return p;
}

std::vector<std::string> HostShell::Expand(const ShellWord& w) {
  if (!w.glob) return {w.text};
  // Match component by component, as the shell does, inside the root.
  std::string pat = w.pattern;
  bool absolute = !pat.empty() && pat[0] == '/';
  std::vector<std::string> comps;
  {
    std::string part;
    for (size_t i = 0; i <= pat.size(); ++i) {
      if (i == pat.size() || pat[i] == '/') {
        if (!part.empty()) comps.push_back(part);
        part.clear();
      } else {
        part += pat[i];
        if (pat[i] == '\\' && i + 1 < pat.size()) part += pat[++i];
      }
    }
  }
  auto unescape = [](const std::string& s) {
    std::string o;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '\\' && i + 1 < s.size()) ++i;
      o += s[i];
    }
    return o;
  };
  auto hasMeta = [](const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '\\') {
        ++i;
        continue;
      }
      if (s[i] == '*' || s[i] == '?' || s[i] == '[') return true;
    }
    return false;
  };
  std::vector<std::string> found = {absolute ? "" : "."};
  for (const std::string& comp : comps) {
    std::vector<std::string> next;
    for (const std::string& base : found) {
      std::string devDir = base.empty() ? "/" : (base == "." ? "/" : base);
      if (!hasMeta(comp)) {
        next.push_back((base == "." ? "" : base) + "/" + unescape(comp));
        continue;
      }
      std::string dir = board_->PathOrGone(devDir);
      if (dir.empty()) continue;
      DIR* d = opendir(dir.c_str());
      if (!d) continue;
      std::vector<std::string> names;
      while (struct dirent* e = readdir(d)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
        if (fnmatch(comp.c_str(), e->d_name, FNM_PERIOD) == 0) names.push_back(e->d_name);
      }
      closedir(d);
      std::sort(names.begin(), names.end());
      for (auto& n : names) next.push_back((base == "." ? "" : base) + "/" + n);
    }
    found.swap(next);
  }
  std::vector<std::string> out;
  for (auto& f : found) {
    struct stat st;
    std::string p = board_->PathOrGone(f.empty() ? "/" : f);
    if (!p.empty() && lstat(p.c_str(), &st) == 0) out.push_back(absolute ? f : f.substr(1));
  }
  if (out.empty()) return {w.text};  // no match: the word stays as written
  return out;
}

int HostShell::Exec(const std::vector<std::string>& argv, Io& io, int depth) {
  std::string name = Basename(argv[0]);
  if (name == "mount") return CmdMount(argv, io);
  if (name == "umount") return CmdUmount(argv, io);
  if (name == "mkfs.vfat" || name == "mkfs.fat" || name == "mkdosfs") return CmdMkfs(argv, io);
  if (name == "insmod") return CmdInsmod(argv, io);
  if (name == "rmmod") return CmdRmmod(argv, io);
  if (name == "hwclock") return CmdHwclock(argv, io);
  if (name == "date") return CmdDate(argv, io);
  if (name == "cp") return CmdCp(argv, io);
  if (name == "mv") return CmdMv(argv, io);
  if (name == "rm") return CmdRm(argv, io);
  if (name == "mkdir") return CmdMkdir(argv, io);
  if (name == "rmdir") return CmdRmdir(argv, io);
  if (name == "tar") return CmdTar(argv, io);
  if (name == "echo") return CmdEcho(argv, io);
  if (name == "chmod") return CmdChmod(argv, io);
  if (name == "sync" || name == "true" || name == ":") return 0;
  if (name == "false") return 1;
  if (name == "poweroff" || name == "halt") board_->PowerDown(false);
  if (name == "reboot") board_->PowerDown(true);
  if (name == "sh" || name == "bash") {
    if (argv.size() < 2) {
      io.err += "sh: an interactive shell is not available\n";
      return 2;
    }
    return CmdScript(argv[1], io, depth);
  }
  // A script named by its path runs as one.
  if (argv[0].find('/') != std::string::npos) {
    std::string p = board_->PathOrGone(argv[0]);
    struct stat st;
    if (!p.empty() && stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      std::ifstream in(p, std::ios::binary);
      char head[2] = {0, 0};
      in.read(head, 2);
      if (head[0] == '#') return CmdScript(argv[0], io, depth);
      if (st.st_mode & 0111) return CmdProgram(p, argv, io);
    }
  }
  io.err += "sh: " + argv[0] + ": not found\n";
  board_->LogLine("note", "unknown command: " + argv[0]);
  return 127;
}

// A program of the device (the supervisor starting the player) runs as a
// process of the PC on this board's root; its power-off or reboot takes
// this process down too, as the device's would.
int HostShell::CmdProgram(const std::string& realPath, const std::vector<std::string>& a, Io& io) {
  fflush(stdout);
  fflush(stderr);
  pid_t pid = fork();
  if (pid < 0) {
    io.err += "sh: " + a[0] + ": can't fork\n";
    return 126;
  }
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    setenv("DTB_BOARD", "host", 1);
    setenv("DTB_ROOT", board_->root().c_str(), 1);
    std::vector<char*> args;
    args.push_back(const_cast<char*>(realPath.c_str()));
    for (size_t i = 1; i < a.size(); ++i) args.push_back(const_cast<char*>(a[i].c_str()));
    args.push_back(nullptr);
    execv(realPath.c_str(), args.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status)) return 128 + WTERMSIG(status);
  int code = WEXITSTATUS(status);
  if (code == kExitPowerOff || code == kExitReboot) board_->PowerDown(code == kExitReboot);
  return code;
}

int HostShell::CmdScript(const std::string& path, Io& io, int depth) {
  if (depth >= 8) {
    io.err += "sh: scripts nested too deeply\n";
    return 2;
  }
  std::string p = Map(path, io, "sh");
  if (p.empty()) return 2;
  std::ifstream in(p, std::ios::binary);
  if (!in) {
    io.err += "sh: can't open " + path + "\n";
    return 2;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  return RunText(ss.str(), depth + 1, true);
}

}  // namespace board
