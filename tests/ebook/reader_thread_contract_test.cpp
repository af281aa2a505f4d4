// The reader's thread under the play-thread contract, on the scripted voice.
#include "tests/ebook/reader_fixture.h"
#include "tests/players/play_thread_contract.h"

namespace {

struct EbookDriver {
  FakeEbookIo io;
  dtbtest::TempDir dir;
  std::string shortBook, longBook;
  int missingError = -3;  // the source failed
  int openedState = EB_STATE_STOPPED;

  EbookDriver() {
    WireSubsystems();
    io.Reset();
    io.keep = true;
    SetEbookIo(&io);
    EXPECT_EQ(EbookThreadStart(), 0);
    io.SpeechInit(EbookPlayer::DataOutput, nullptr);
    EbookSetPlayMode(EB_PLAY_BOOK);
    EbookSetRepeat(-1, -1, -1, -1);
    shortBook = dir.path() + "/short.txt";
    dtbtest::WriteFile(shortBook, "One sentence here. And another one.\n");
    std::string text;
    for (int i = 1; i <= 100; ++i) text += "This is sentence number " + std::to_string(i) + ".\n";
    longBook = dir.path() + "/long.txt";
    dtbtest::WriteFile(longBook, text);
  }
  ~EbookDriver() { SetEbookIo(nullptr); }
  bool Ready() { return true; }
  PlayThreadBase& Thread() { return EbookThread(); }
  int OpenShort() {
    io.paceMs = 0;
    return CmdOpen(shortBook.c_str());
  }
  int OpenLong() {
    io.paceMs = 20;
    io.blocks = 10;
    return CmdOpen(longBook.c_str());
  }
  int OpenMissing() { return CmdOpen((dir.path() + "/none.txt").c_str()); }
  size_t Written() { return io.Samples().size(); }
};

using EbookThreadType = ::testing::Types<EbookDriver>;
INSTANTIATE_TYPED_TEST_SUITE_P(EbookThread, PlayThreadContract, EbookThreadType);

}  // namespace
