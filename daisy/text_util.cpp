#include "daisy/text_util.h"

#include <dirent.h>
#include <strings.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "core/base/path_text.h"
#include "platform/board.h"

namespace libDaisy {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

bool CaseEqual(std::string_view a, const char* b) {
  if (!b || !a.data()) return false;
  size_t n = strlen(b);
  return n == a.size() && strncasecmp(a.data(), b, n) == 0;
}

bool Equal(std::string_view a, const char* b) {
  if (!b || !a.data()) return false;
  size_t n = strlen(b);
  return n == a.size() && memcmp(a.data(), b, n) == 0;
}

std::string CollapseSpace(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool space = false;
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
      space = !out.empty();
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += ch;
  }
  return out;
}

std::string JoinPath(const std::string& folder, std::string_view name, size_t maxLength) {
  if (folder.size() + name.size() >= maxLength) return std::string();
  std::string out;
  out.reserve(folder.size() + name.size());
  out += folder;
  out.append(name.data(), name.size());
  return out;
}

std::string ResolveFile(const std::string& folder, std::string_view name, size_t maxLength) {
  std::string path = JoinPath(folder, name, maxLength);
  if (path.empty() || BAccess(path.c_str(), F_OK) == 0) return path;
  // Look for the same name in another case, in the folder the name points into.
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  DIR* d = BOpendir(dir.c_str());
  if (!d) return path;
  std::string found;
  while (struct dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, base.c_str()) == 0) {
      found = path.substr(0, path.size() - base.size()) + e->d_name;
      break;
    }
  }
  closedir(d);
  return found.empty() ? path : found;
}

namespace {

// A link that is already a name inside the folder: no escape, no scheme, no
// empty, "." or ".." part.
bool IsPlainLink(std::string_view link) {
  const char* p = link.data();
  const char* end = p + link.size();
  if (p == end) return false;
  for (;;) {
    // One part: not empty, not "." or "..".
    const char* part = p;
    while (p < end && *p != '/') {
      if (*p == '%' || *p == ':' || *p == '\0') return false;
      ++p;
    }
    const size_t n = static_cast<size_t>(p - part);
    if (n == 0 || (part[0] == '.' && (n == 1 || (n == 2 && part[1] == '.')))) return false;
    if (p == end) return true;
    ++p;
  }
}

}  // namespace

bool LinkName(std::string_view link, std::string* scratch, std::string_view* name) {
  if (IsPlainLink(link)) {
    *name = link;
    return true;
  }
  const bool ok = NormalizeLink(link, scratch);
  *name = *scratch;
  return ok;
}

bool NormalizeLink(std::string_view link, std::string* out) {
  if (IsPlainLink(link)) {
    out->assign(link.data(), link.size());
    return true;
  }
  out->clear();
  const std::string decoded = PercentDecoded(link);
  if (decoded.empty()) return true;
  if (decoded[0] == '/' || decoded.find(':') != std::string::npos) return false;
  std::vector<std::string> parts;
  for (std::string& part : PathParts(decoded)) {
    if (part == "..") {
      if (parts.empty()) return false;
      parts.pop_back();
      continue;
    }
    if (part.find('\0') != std::string::npos) return false;
    parts.push_back(std::move(part));
  }
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) *out += '/';
    *out += parts[i];
  }
  return true;
}

std::string FolderOf(const char* path) {
  if (!path) return std::string();
  const char* slash = strrchr(path, '/');
  return slash ? std::string(path, slash + 1 - path) : std::string();
}

void CopyUtf8(char* buffer, int size, const char* src) {
  if (!buffer || size <= 0) return;
  buffer[0] = 0;
  if (!src) return;
  size_t n = strlen(src);
  if (n >= static_cast<size_t>(size)) {
    n = static_cast<size_t>(size) - 1;
    // Step back over continuation bytes so no character is cut in half.
    while (n > 0 && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80) n--;
  }
  memcpy(buffer, src, n);
  buffer[n] = 0;
}

}  // namespace libDaisy
