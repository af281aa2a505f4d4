// M3U / M3U8 play lists: decoding of the list's text and the rules that turn
// each line into the full device path of an entry.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Longest entry path kept (the player's path buffer holds 9216 bytes).
constexpr size_t kMaxPlayListPath = 9215;

// The list's bytes as UTF-8: a UTF-8 mark is dropped, a UTF-16 LE/BE mark
// selects UTF-16, anything else is CP1250 unless it is already well-formed
// UTF-8 with non-ASCII bytes (an ".m3u8" list without a mark). "\" becomes "/".
std::string DecodePlayListText(const char* data, size_t len);

// The disk root of a folder: its prefix up to and including the third "/"
// ("/mnt/emmc/music/" -> "/mnt/emmc/"); the folder itself when shorter.
std::string PlayListDiskRoot(const std::string& folder);

// Splits decoded text into entries. `folder` is the list's folder with its
// trailing "/". Empty lines and "#" lines are skipped; "/x" and "C:/x" are
// taken from the disk root, anything else from the list's folder.
void ParsePlayListText(const std::string& text, const std::string& folder,
                       std::vector<std::string>* entries);

// Reads the list file at a device path into `entries` (in file order).
// 0; -1 without a path; -2 when the file cannot be opened or read.
int LoadM3uFile(const char* path, std::vector<std::string>* entries);
