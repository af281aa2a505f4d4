// Installing a checked payload so that a power cut at any moment leaves a
// device that starts: the archive is unpacked into a staging folder on the
// root file system, the folder is switched to "ready" in one rename, and
// only then is each file renamed over its old one. A cut before the switch
// leaves the old files; after it, the next start finishes the move.
// Loop thread (or the supervisor's only thread).
#pragma once

// 0 when every member of the gzip'd tar payload is a regular file or a
// folder in a place an upgrade may write (home, etc, lib, usr, bin, sbin,
// opt); -1 unreadable, -3 malformed, -6 a member outside those places, a
// link, a device or a name leading out.
int CheckUpgradeArchive(const char* payloadPath);

// Unpacks and moves the payload into place. 0, or negative with the old
// files kept (the archive refused, unpacking failed).
int InstallUpgradePayload(const char* payloadPath);

// Finishes a move that a power cut interrupted; 1 when it did, 0 when
// nothing was pending. Call at start before anything runs from /home.
int FinishInterruptedUpgrade();

// Device paths of the staging folders (tests).
constexpr const char* kUpgradeStaging = "/upgrade.new";
constexpr const char* kUpgradeReady = "/upgrade.ready";
