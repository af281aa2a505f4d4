// Small text helpers shared by the DAISY readers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace libDaisy {

// FNV-1a over the ASCII-lower-cased bytes.
inline uint32_t CaseHash(const char* s, int len) {
  uint32_t h = 2166136261u;
  for (int i = 0; i < len; i++) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    h = (h ^ c) * 16777619u;
  }
  return h;
}

// ASCII case-insensitive equality of a view and a C string.
bool CaseEqual(std::string_view a, const char* b);
// Exact equality of a view and a C string.
bool Equal(std::string_view a, const char* b);
// An ASCII-lower-cased copy.
std::string Lower(std::string_view s);

// Characters cut from the end of a text piece: 1 to 10, 13 and the blank.
inline bool IsTrimSpace(unsigned char c) { return (c >= 1 && c <= 10) || c == 13 || c == ' '; }

// Trims both ends and folds every run of white space into one blank, so that
// titles and labels broken over lines in the file are spoken as one phrase.
std::string CollapseSpace(std::string_view text);

// "folder/" + name, or "" when the result would reach maxLength characters.
std::string JoinPath(const std::string& folder, std::string_view name, size_t maxLength);

// folder + name; when no such file exists, the folder's entry whose name
// matches ignoring case (books made on one system, copied to another), else
// folder + name. "" when the result would reach maxLength characters.
std::string ResolveFile(const std::string& folder, std::string_view name, size_t maxLength);

// A link as the book wrote it, made a name relative to the book's folder:
// percent escapes decoded, "." and ".." folded. False (and *out empty) for
// a link that leaves the folder: above it, absolute, or with a scheme.
bool NormalizeLink(std::string_view link, std::string* out);
// The same without a copy for a link that is a plain name already (nearly
// every link): *name views `link` itself, else NormalizeLink's result in
// *scratch.
bool LinkName(std::string_view link, std::string* scratch, std::string_view* name);

// The folder part of a path: up to and including its last '/', or "".
std::string FolderOf(const char* path);

// Copies src into buffer (size > 0), cut at a UTF-8 character boundary.
void CopyUtf8(char* buffer, int size, const char* src);

}  // namespace libDaisy
