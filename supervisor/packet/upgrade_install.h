// Installing a checked payload so that a power cut at any moment leaves a
// device that starts: the archive is unpacked into a staging folder on the
// root file system, the folder is switched to "ready" in one rename, and
// only then is each file renamed over its old one. A cut before the switch
// leaves the old files; after it, the next start finishes the move.
// Loop thread (or the supervisor's only thread).
#pragma once

// The most an upgrade may unpack to. The firmware's install tree (player,
// voices, resources) is under 40 MB and the largest upgrade seen, with
// libraries and kernel, unpacked to 230 MB: twice that still fits, while a
// packet that inflates past it is damaged or hostile.
constexpr unsigned long long kMaxUpgradeBytes = 512ull << 20;

// 0 when every member of the gzip'd tar payload is a regular file or a
// folder in a place an upgrade may write (home, etc, lib, usr, bin, sbin,
// opt) and everything fits; -1 unreadable, -3 malformed, -6 a member
// outside those places, a link, a device or a name leading out, -7 more
// than the root file system has free or than kMaxUpgradeBytes.
int CheckUpgradeArchive(const char* payloadPath);
// The same with `room` bytes to unpack into (tests).
int CheckUpgradeArchive(const char* payloadPath, unsigned long long room);

// Unpacks and moves the payload into place. 0, or negative with the old
// files kept (the archive refused, unpacking failed).
int InstallUpgradePayload(const char* payloadPath);

// Finishes a move that a power cut interrupted and removes what a cut
// during unpacking left; 1 when a move was finished, 0 when none was
// pending. Call at start before anything runs from /home.
int FinishInterruptedUpgrade();

// Device paths of the staging folders (tests).
constexpr const char* kUpgradeStaging = "/upgrade.new";
constexpr const char* kUpgradeReady = "/upgrade.ready";

