// The host board's shell: runs the device's shell commands inside the
// device root without ever handing them to a real shell. It parses POSIX
// quoting itself (single and double quotes, backslash) and never expands
// parameters or runs command substitutions: a command in which the device's
// shell would expand "$name", "${...}", "$(...)", backticks or a leading
// "~" is refused, so an unquoted file name can never run anything here and
// the fault shows in tests. Unquoted "*", "?" and "[...]" match file names
// as on the device. Supported: "cmd; cmd", "&&", "||", newlines, comments,
// and redirections "> file", ">> file", "2> file", "2>&1".
#pragma once

#include <string>
#include <vector>

namespace board {

class HostBoard;

struct ShellWord {
  std::string text;     // the word with quotes removed
  std::string pattern;  // fnmatch pattern (quoted specials escaped) when glob
  bool glob = false;    // an unquoted *, ? or [ appears
};

struct ShellRedirect {
  int fd = 1;          // 1 or 2
  bool append = false;
  int dup_to = -1;     // "N>&M": M; otherwise -1 and target is used
  ShellWord target;
};

struct ShellCommand {
  enum Join { kSeq, kAnd, kOr };
  Join join = kSeq;  // how it follows the previous command
  std::vector<ShellWord> words;
  std::vector<ShellRedirect> redirects;
};

// Splits a command text into commands. 0, or -1 with the reason in *error
// (unsupported operator, would-be expansion, unterminated quote).
int ParseShell(const std::string& text, std::vector<ShellCommand>* out, std::string* error);

class HostShell {
 public:
  explicit HostShell(HostBoard* board) : board_(board) {}
  // Runs a command text; returns the status system() would (exit << 8).
  int Run(const std::string& text);

  struct Io {
    std::string out;
    std::string err;
  };

 private:
  int RunText(const std::string& text, int depth, bool log);
  int Exec(const std::vector<std::string>& argv, Io& io, int depth);
  std::vector<std::string> Expand(const ShellWord& w);
  // Root path of a device path for a command; "" and an error message in io
  // when the disk holding it is gone.
  std::string Map(const std::string& devicePath, Io& io, const std::string& cmd);
  int WriteRedirect(const ShellRedirect& r, const std::string& data, Io& io);

  int CmdMount(const std::vector<std::string>& a, Io& io);
  int CmdUmount(const std::vector<std::string>& a, Io& io);
  int CmdMkfs(const std::vector<std::string>& a, Io& io);
  int CmdInsmod(const std::vector<std::string>& a, Io& io);
  int CmdRmmod(const std::vector<std::string>& a, Io& io);
  int CmdHwclock(const std::vector<std::string>& a, Io& io);
  int CmdDate(const std::vector<std::string>& a, Io& io);
  int CmdCp(const std::vector<std::string>& a, Io& io);
  int CmdMv(const std::vector<std::string>& a, Io& io);
  int CmdRm(const std::vector<std::string>& a, Io& io);
  int CmdMkdir(const std::vector<std::string>& a, Io& io);
  int CmdRmdir(const std::vector<std::string>& a, Io& io);
  int CmdTar(const std::vector<std::string>& a, Io& io);
  int CmdEcho(const std::vector<std::string>& a, Io& io);
  int CmdChmod(const std::vector<std::string>& a, Io& io);
  int CmdScript(const std::string& path, Io& io, int depth);
  int CmdProgram(const std::string& realPath, const std::vector<std::string>& a, Io& io);

  HostBoard* board_;
  std::string last_redirect_path_;
};

// Extracts a (gzip-compressed when gz) tar archive: regular files and
// folders only; member names are device paths below destDir and can never
// leave it. `map` turns a device path into a root path ("" = refuse).
// Returns 0 or -1 with a message in *error.
int ExtractTar(const std::string& archive, bool gz, const std::string& destDir,
               std::string (*map)(void* ctx, const std::string& devicePath), void* ctx,
               bool verbose, std::string* listing, std::string* error);

}  // namespace board
