// What tells the board revisions apart, in one record chosen once at
// start-up from what the board reports ("/dev/amp_en" present: the newer
// revision). Code asks the record (board::Profile().tuner, ...) and never
// the revision; a new difference is one more field here, filled in for
// each revision in board_profile.cpp.
#pragma once

namespace board {

// The FM chip; the radio maps it to its driver.
enum class FmChip { kRda5820, kAr1019 };

// The compass's magnetometer on "/dev/i2c-1": boards of either revision
// carry one or the other, so start-up probes it and fills the field in.
enum class Magnetometer { kNone, kHmc5883l, kQmc5883l };

// Detection pins behind "/dev/mic2det" (pin n is port n / 32, pin n % 32);
// each reads 1 when its plug is in.
struct DetectPins {
  int headphone;
  int mic_jack;
};

struct BoardProfile {
  int revision;  // 0 the older board, 1 the newer
  // The speaker amplifier is switched through "/dev/amp_en"; without it the
  // codec's own class-D amplifier drives the speaker.
  bool amplifier_node;
  FmChip tuner;
  bool fm_transmitter;   // the tuner can also transmit
  int first_fm_channel;  // the lowest channel the tuner reaches (100 kHz steps from 87.0 MHz)
  DetectPins pins;
  Magnetometer magnetometer;  // kNone until probed, and when none answers
};

// The record of revision 0 or 1; any other number gives revision 0's.
const BoardProfile& ProfileOfRevision(int revision);
// The revision the installed board reports. Any thread.
const BoardProfile& DetectProfile();

// The record in use: revision 0's until one is selected.
const BoardProfile& Profile();
// Start-up selects the detected record once, before any other thread
// starts; tests select the one they exercise. Returns the previous one.
const BoardProfile& SelectProfile(const BoardProfile& profile);

}  // namespace board
