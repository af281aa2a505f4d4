// The reader's play thread: it owns the open book and reads it aloud
// sentence by sentence through player speech. The window drives it through
// the play-thread commands and watches its state word; a command is taken by
// the thread or by the sample callback. Created on first use and kept for
// the life of the process.
#pragma once

#include <functional>

#include "players/kit/play_thread_base.h"

class iCEbook;

// The reader's names of the play-thread states.
constexpr int EB_STATE_IDLE = PLAY_THREAD_IDLE;        // no book
constexpr int EB_STATE_OPENING = PLAY_THREAD_OPENING;
constexpr int EB_STATE_READING = PLAY_THREAD_PLAYING;
constexpr int EB_STATE_PAUSED = PLAY_THREAD_PAUSED;
constexpr int EB_STATE_STOPPED = PLAY_THREAD_STOPPED;  // book open, not reading
constexpr int EB_STATE_FINISHED = PLAY_THREAD_ENDED;   // the end of the book was reached

enum EbookPlayMode {
  EB_PLAY_BOOK = 0,    // read the book
  EB_PLAY_WORD = 1,    // speak the word buffer once
  EB_PLAY_LETTER = 2,  // the same, letter by letter
  EB_PLAY_SPELL = 3,   // each character, then the whole word
};

// Longest text of the word buffer (UTF-16 units) and of a book path.
constexpr int c_EbookWordBufUnits = 1024;
constexpr int c_EbookMaxPath = 9217;

// Starts the thread once. 0, or -1 when it cannot be created.
int EbookThreadStart();
// The thread, through the play-thread interface the commands below use.
PlayThreadBase& EbookThread();

// Loop thread. Each sets its command, waits until it is taken and returns
// the result of the last open (0, -1 no extension, -2 no source for it,
// -3 the source failed), or -1 when the state does not allow the command.
// Open: 0 once the thread took it (the state then tells how it went); -1
// with a book open, no thread or a path too long.
int CmdOpen(const char* path);
// Play: at once 0 while reading; from paused, stopped or finished.
int CmdPlay();
// Stop: 0 when stopped; from reading, paused or finished.
int CmdStop();
// Pause: 0 when paused; from reading.
int CmdPause();
// Close the book: stops first; 0 when no book is open.
int CmdClose();

int EbookState();
int EbookErrorCode();
// True once after the play thread gave up on sentences the speech engine
// refused to speak (reading then stopped).
bool EbookTakeSpeechFailure();

// Runs fn with the open book (null when none) under the thread's mutex, so
// that the thread does not touch the book meanwhile. fn must not send
// commands.
void WithEbook(const std::function<void(iCEbook*)>& fn);

// What the thread speaks next (taken at the next play).
void EbookSetPlayMode(int mode);
int EbookPlayMode();
// Copies at most c_EbookWordBufUnits units into the word buffer.
void EbookSetWordBuf(const unsigned short* text, int count);

// Quieter reading: notes and annotations of the book are passed over while
// reading on. Landing: the user moved to the place, and its sentence is read
// whole once.
void EbookSetQuietReading(bool on);
void EbookSetLanding();

// The repeated range: reading past its end goes back to its start. All -1
// clears it.
void EbookSetRepeat(int startPage, int startPlace, int endPage, int endPlace);
bool EbookHasRepeat();

// The text the spell mode speaks for a word: each character and a space,
// one more space, then the word.
int EbookSpellText(const unsigned short* word, int count, unsigned short* out, int room);
