// Interactive mode: PC keys stand for the device's keys and the world's
// controls. The map is printed at start and documented in the README.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "sim/simulator.h"

namespace sim {
namespace {

const char c_Help[] =
    "keys:  arrows = up/down/left/right   Enter = play   Backspace = back\n"
    "       m = menu   i = info   b = bookmark   n = music   r = radio   e = record\n"
    "       + = volume up   - = volume down   p = power click   P = power hold (3 s)\n"
    "world: U = USB to a computer   C = USB charger   X = USB out   0-7 = battery state\n"
    "       h = headphones in/out   s = micro SD card in/out   K = kill the player\n"
    "       t = clock +1 minute   T = clock +1 hour   ? = this help   q = quit\n"
    "       [ ] = turn the player 15 degrees left/right   f = face up/down\n";

class RawTerminal {
 public:
  RawTerminal() {
    ok_ = tcgetattr(0, &saved_) == 0;
    if (!ok_) return;
    struct termios raw = saved_;
    // Ctrl-C arrives as a byte, so leaving always restores the terminal.
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    tcsetattr(0, TCSANOW, &raw);
  }
  ~RawTerminal() {
    if (ok_) tcsetattr(0, TCSANOW, &saved_);
  }
  bool ok() const { return ok_; }

 private:
  struct termios saved_;
  bool ok_ = false;
};

int ReadByte(int timeoutMs) {
  struct pollfd p = {0, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return -1;
  unsigned char c;
  return read(0, &c, 1) == 1 ? c : -2;
}

}  // namespace

int RunInteractive(Simulator& s) {
  if (!isatty(0)) {
    fprintf(stderr, "dtbsim: interactive mode needs a terminal (or give --script FILE|-)\n");
    return -1;
  }
  RawTerminal term;
  if (!term.ok()) return -1;
  s.Print(c_Help);
  bool headphones = false, card = false, faceDown = false;
  int heading = 0;
  auto attitude = [&] { return "compass " + std::to_string(heading) + " 0 " + (faceDown ? "180" : "0"); };
  for (;;) {
    int c = ReadByte(200);
    if (c == -1) continue;
    if (c == -2 || c == 'q' || c == 3 || c == 4) break;
    std::string cmd;
    switch (c) {
      case 27: {
        int b = ReadByte(50), d = ReadByte(50);
        if (b == '[' && d == 'A') cmd = "key up";
        if (b == '[' && d == 'B') cmd = "key down";
        if (b == '[' && d == 'C') cmd = "key right";
        if (b == '[' && d == 'D') cmd = "key left";
        break;
      }
      case '\r': case '\n': cmd = "key play"; break;
      case 127: case 8: cmd = "key back"; break;
      case 'm': cmd = "key menu"; break;
      case 'i': cmd = "key info"; break;
      case 'b': cmd = "key bookmark"; break;
      case 'n': cmd = "key music"; break;
      case 'r': cmd = "key radio"; break;
      case 'e': cmd = "key record"; break;
      case '+': case '=': cmd = "key volup"; break;
      case '-': cmd = "key voldown"; break;
      case 'p': cmd = "power click"; break;
      case 'P': cmd = "power hold 3"; break;
      case 'U': cmd = "usb in"; break;
      case 'C': cmd = "usb charger"; break;
      case 'X': cmd = "usb out"; break;
      case 'h': headphones = !headphones; cmd = headphones ? "headphones in" : "headphones out"; break;
      case 's': card = !card; cmd = card ? "sd in" : "sd out"; break;
      case 't': cmd = "clock +60"; break;
      case 'T': cmd = "clock +3600"; break;
      case 'K': cmd = "kill"; break;
      case '[': heading = (heading + 345) % 360; cmd = attitude(); break;
      case ']': heading = (heading + 15) % 360; cmd = attitude(); break;
      case 'f': faceDown = !faceDown; cmd = attitude(); break;
      case '?': s.Print(c_Help); break;
      default:
        if (c >= '0' && c <= '7') cmd = std::string("battery ") + static_cast<char>(c);
        break;
    }
    if (!cmd.empty()) s.Command(cmd);
  }
  return 0;
}

}  // namespace sim
