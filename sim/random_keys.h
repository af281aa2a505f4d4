// dtbrandom: the seeded random-key run. Keys, long presses and world events
// (cable, card, headphones, battery, clock, power) at random intervals, on a
// root holding books of every kind, while the invariants are checked: the
// player never crashes, every key is answered within 2 s (speech, a beep, or
// sound starting or stopping) unless the window documents its silence, no
// window is left that no key can leave, the settings files always parse and
// resident memory stays bounded, and no file the user put on the disks
// vanishes or changes but by the user's own delete, paste or replacement.
// Now and then it starts a long operation (a seek, a scan, a recording, a
// copy, a menu, a bookmark) and strikes it with the world: the power key,
// the timers, the card, the cable, a kill, the clock jumping to an alarm or
// a reminder. The same seed gives the same events.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

struct RandomOptions {
  std::string root;
  uint64_t seed = 1;
  long events = 1000;
  std::string corpus;     // books copied onto the root; "" or missing: the demo library
  std::string source;     // the project's folder (the demo library's script, the silences)
  std::string silences;   // documented silences; "" = <source>/sim/documented-silences.txt
  std::string player;     // "" = the build's
  long rss_growth_kb = 65536;  // allowed growth of resident memory over a run of one process
  double answer_seconds = 2;   // every key answered within this (sanitizer builds are slower)
  long cuts = 0;               // > 0: the power-cut harness, that many cuts, instead of the events
  int board_rev = -1;          // 0 or 1; -1: a revision drawn at every start of the player
  std::string replay;          // a dtbsim script run instead of the random events, with every check
  double long_ops = 0.01;      // share of events that start a long operation and then strike it
};

// With o.cuts, the power-cut harness instead: random use, then SIGKILL
// (most often just as a file is being written), then a new start on the
// same root; every settings and list file must parse and keep every entry
// that was on the disk when the power went, and the player must speak.
// Exit statuses: 0 passed, 1 an invariant broke, 2 usage, 77 nothing to run on.
int RunRandomKeys(const RandomOptions& o);

// Exported for the power-cut harness: lays a fresh root out with the books.
// 0, or 77 when neither the corpus nor the demo library can be had.
int PrepareBookRoot(const RandomOptions& o);

// What is wrong with one settings or list file ("" when it parses, or has
// the size of its fixed binary layout).
std::string SettingsFault(const std::string& name, const std::string& bytes);
// The first entry of a list file's old text that its new text lacks ("" when
// none is lost, or either does not parse). An element with a "filename" is
// known by its name and path, so a record whose place moved on is the same
// entry; any other element by all its attributes; each under its parent.
std::string LostEntry(const std::string& before, const std::string& after);
// Every settings or list file of the root that does not parse ("" = all do).
std::string UnparsableSettings(const std::string& root);

}  // namespace sim
