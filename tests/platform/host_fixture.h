// A host board on a fresh device root, installed as the current board.
#pragma once

#include <string>

#include "platform/board.h"
#include "platform/host/host_board.h"
#include "tests/support/test_support.h"

class HostBoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(board::CreateHostLayout(dir_.path()), 0);
    auto b = board::MakeHostBoard(dir_.path());
    ASSERT_TRUE(b);
    host_ = b.get();
    previous_ = board::Install(std::move(b));
  }
  void TearDown() override { board::Install(std::move(previous_)); }

  // Runs a command; returns its exit status.
  int Sh(const std::string& cmd) {
    int r = board::System(cmd);
    return r >> 8;
  }
  std::string Root(const std::string& rel) const { return host_->root() + "/" + rel; }
  bool Exists(const std::string& rootRel) const {
    struct stat st;
    return stat(Root(rootRel).c_str(), &st) == 0;
  }
  bool DevExists(const std::string& devicePath) const {
    struct stat st;
    return BStat(devicePath.c_str(), &st) == 0;
  }
  std::string Log() const { return dtbtest::ReadFile(Root("var/log/commands.log")); }

  dtbtest::TempDir dir_;
  board::HostBoard* host_ = nullptr;
  std::unique_ptr<board::Board> previous_;
};
