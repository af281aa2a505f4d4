// Quoting: what the firmware puts into a command must come out as one
// literal word, both in the host shell and in the device's real shell.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/board.h"
#include "platform/host/host_shell.h"
#include "tests/platform/host_fixture.h"

namespace {

const std::vector<std::string> c_NastyNames = {
    "plain.mp3",
    "two words.mp3",
    "it's.txt",
    "'''",
    "say \"hi\"",
    "$HOME",
    "$(touch pwned)",
    "`touch pwned`",
    "${IFS}x",
    "a;touch pwned",
    "a && touch pwned",
    "a | cat",
    "back\\slash",
    "line\nbreak",
    "tab\there",
    "*",
    "[abc]?",
    "~user",
    "#not a comment",
    "-rf",
    "ąćęłńóśźż Żółw.txt",
    "",
};

TEST(ShellQuote, EveryNameParsesBackAsOneLiteralWord) {
  for (const std::string& name : c_NastyNames) {
    std::vector<board::ShellCommand> cmds;
    std::string error;
    ASSERT_EQ(board::ParseShell("cp " + board::ShellQuote(name) + " /x", &cmds, &error), 0)
        << name << ": " << error;
    ASSERT_EQ(cmds.size(), 1u) << name;
    ASSERT_EQ(cmds[0].words.size(), 3u) << name;
    EXPECT_EQ(cmds[0].words[1].text, name);
    EXPECT_FALSE(cmds[0].words[1].glob) << name;
  }
}

TEST(ShellQuote, TheDeviceShellKeepsEveryNameLiteral) {
  dtbtest::TempDir dir;
  for (const std::string& name : c_NastyNames) {
    // Run in a scratch folder so a quoting fault would leave "pwned" behind.
    std::string cmd = "cd " + board::ShellQuote(dir.path()) + " && printf %s " + board::ShellQuote(name);
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_TRUE(p);
    std::string out;
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    EXPECT_EQ(pclose(p), 0) << name;
    EXPECT_EQ(out, name);
  }
  struct stat st;
  EXPECT_NE(stat((dir.path() + "/pwned").c_str(), &st), 0);
}

TEST(ShellParse, SplitsCommandsAndRedirections) {
  std::vector<board::ShellCommand> c;
  std::string e;
  ASSERT_EQ(board::ParseShell("mkdir -p /a; echo 1 > /sys/x && sync || false\n# note\nrm -rf /a 2>/dev/null",
                              &c, &e),
            0)
      << e;
  ASSERT_EQ(c.size(), 5u);
  EXPECT_EQ(c[1].words.size(), 2u);
  ASSERT_EQ(c[1].redirects.size(), 1u);
  EXPECT_EQ(c[1].redirects[0].fd, 1);
  EXPECT_EQ(c[1].redirects[0].target.text, "/sys/x");
  EXPECT_EQ(c[2].join, board::ShellCommand::kAnd);
  EXPECT_EQ(c[3].join, board::ShellCommand::kOr);
  ASSERT_EQ(c[4].redirects.size(), 1u);
  EXPECT_EQ(c[4].redirects[0].fd, 2);

  // The date command of the time menu: escaped quotes and a trailing newline.
  ASSERT_EQ(board::ParseShell("date \"2024-5-3 7:5\"\n", &c, &e), 0);
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].words[1].text, "2024-5-3 7:5");
  // "echo   > file" writes a blank line.
  ASSERT_EQ(board::ParseShell("echo   > /sys/f", &c, &e), 0);
  EXPECT_EQ(c[0].words.size(), 1u);
  // Double-quoted text keeps glob characters literal; bare ones are patterns.
  ASSERT_EQ(board::ParseShell("rm \"/a/*\" /b/*.mp3", &c, &e), 0);
  EXPECT_FALSE(c[0].words[1].glob);
  EXPECT_TRUE(c[0].words[2].glob);
}

TEST(ShellParse, RefusesWhatTheDeviceShellWouldExpandOrRun) {
  for (const char* bad : {"rm $HOME", "rm \"$HOME\"", "rm $(echo x)", "rm \"`id`\"", "rm `id`", "rm ${X}",
                          "cat ~/x", "ls | sh", "sleep 1 &", "cat < /etc/x", "(rm x)", "echo 'open",
                          "echo \"open", "rm x &&", "&& rm x", "echo >", "echo 3> /x"}) {
    std::vector<board::ShellCommand> c;
    std::string e;
    EXPECT_EQ(board::ParseShell(bad, &c, &e), -1) << bad;
    EXPECT_FALSE(e.empty()) << bad;
  }
  // A lone "$" is literal for the device's shell too.
  std::vector<board::ShellCommand> c;
  std::string e;
  ASSERT_EQ(board::ParseShell("echo 5$ \"$\" a$", &c, &e), 0);
  EXPECT_EQ(c[0].words[1].text, "5$");
  EXPECT_EQ(c[0].words[2].text, "$");
}

TEST_F(HostBoardTest, UnquotedOrDoubleQuotedNamesNeverRunAnything) {
  ASSERT_EQ(Sh("mkdir /mnt/emmc/Music"), 0);
  const std::string evil = "/mnt/emmc/Music/$(touch pwned)`touch pwned2`.mp3";
  dtbtest::WriteFile(board::Path(evil), "x");
  // Correctly quoted: copied under its own name.
  EXPECT_EQ(Sh("cp " + board::ShellQuote(evil) + " /mnt/emmc/copy.mp3"), 0);
  EXPECT_EQ(dtbtest::ReadFile(board::Path("/mnt/emmc/copy.mp3")), "x");
  // Double quotes do not protect "$(...)" on the device: refused here.
  EXPECT_EQ(Sh("cp \"" + evil + "\" /mnt/emmc/copy2.mp3"), 2);
  EXPECT_FALSE(DevExists("/mnt/emmc/copy2.mp3"));
  EXPECT_NE(Log().find("refused"), std::string::npos);
  // Nothing ran, anywhere in the root or the working folder.
  for (const char* p : {"pwned", "pwned2"}) {
    EXPECT_FALSE(Exists(p));
    struct stat st;
    EXPECT_NE(stat(p, &st), 0);
  }
}

}  // namespace
