// The note of copies in progress: each copy's hidden partial entry, and an
// entry set aside while a replacement takes its name, is noted in
// "/mnt/settings/copies.journal" before it is made and forgotten once it is
// gone, so that what a power cut (or a card pulled mid-copy) left behind is
// cleared later: at start-up and whenever the card is mounted. A partial is
// removed; an entry set aside goes back to its name when nothing took it,
// else it is removed. Only the entries noted here are ever touched.
#pragma once

#include <string>

// Copy worker: the partial or set-aside entry (a device path) is about to be
// made; it is gone again, or may be left (its disk went away).
void NoteCopyStarted(const std::string& partial);
void NoteCopyEnded(const std::string& partial, bool mayBeLeft);

// Clears the noted entries left on `disk` ("/mnt/emmc" or "/mnt/microsd";
// null: every mounted disk) and forgets them; those of disks not mounted
// now wait for their next mount. The count removed or put back.
int ClearCutOffCopies(const char* disk);
