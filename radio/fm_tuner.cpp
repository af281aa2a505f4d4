#include "radio/fm_tuner.h"

#include "platform/board_profile.h"

FmTuner& BoardTuner() {
  switch (board::Profile().tuner) {
    case board::FmChip::kAr1019: return Ar1019Tuner();
    case board::FmChip::kRda5820: break;
  }
  return Rda5820Tuner();
}
