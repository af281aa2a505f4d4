// The note of copies in progress: each copy's hidden partial entry is noted
// in "/mnt/settings/copies.journal" before it is made and forgotten once it
// is gone, so that what a power cut (or a card pulled mid-copy) left behind
// is cleared later: at start-up and whenever the card is mounted. Only the
// partial entries noted here are ever removed.
#pragma once

#include <string>

// Copy worker: the partial (a device path) is about to be made; the copy is
// over, and its partial is gone, or may be left (its disk went away).
void NoteCopyStarted(const std::string& partial);
void NoteCopyEnded(const std::string& partial, bool mayBeLeft);

// Removes the noted partials left on `disk` ("/mnt/emmc" or "/mnt/microsd";
// null: every mounted disk) and forgets them; those of disks not mounted
// now wait for their next mount. The count removed.
int ClearCutOffCopies(const char* disk);
