#include "platform/board_profile.h"

#include <unistd.h>

#include "platform/board.h"

namespace board {
namespace {

// The older board: the codec's amplifier and an RDA5820 that also transmits.
constexpr BoardProfile kRevision0 = {
    /*revision=*/0, /*amplifier_node=*/false, FmChip::kRda5820, /*fm_transmitter=*/true,
    /*first_fm_channel=*/0, /*pins=*/{/*headphone=*/59, /*mic_jack=*/5}, Magnetometer::kNone};
// The newer board: an amplifier behind "/dev/amp_en" and a receive-only
// AR1019 that cannot tune below 87.5 MHz.
constexpr BoardProfile kRevision1 = {
    /*revision=*/1, /*amplifier_node=*/true, FmChip::kAr1019, /*fm_transmitter=*/false,
    /*first_fm_channel=*/5, /*pins=*/{/*headphone=*/59, /*mic_jack=*/5}, Magnetometer::kNone};

const BoardProfile* g_Profile = &kRevision0;

}  // namespace

const BoardProfile& ProfileOfRevision(int revision) { return revision == 1 ? kRevision1 : kRevision0; }

const BoardProfile& DetectProfile() { return ProfileOfRevision(BAccess("/dev/amp_en", F_OK) == 0 ? 1 : 0); }

const BoardProfile& Profile() { return *g_Profile; }

const BoardProfile& SelectProfile(const BoardProfile& profile) {
  const BoardProfile& previous = *g_Profile;
  g_Profile = &profile;
  return previous;
}

}  // namespace board
