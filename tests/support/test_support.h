// Helpers shared by the tests: fixture and corpus paths, a scratch device root.
#pragma once

#include <string>

#include <gtest/gtest.h>

namespace dtbtest {

// Our own small fixtures under tests/data.
std::string DataPath(const std::string& rel);
// A file or folder of the shared corpus, or "" when the corpus is absent.
std::string CorpusPath(const std::string& rel);
// Skips the current test when the corpus (or that item) is missing.
#define DTB_REQUIRE_CORPUS(var, rel)                                   \
  std::string var = ::dtbtest::CorpusPath(rel);                        \
  if (var.empty()) GTEST_SKIP() << "corpus item absent: " << (rel)

// A fresh temporary folder, removed with its contents when the object dies.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace dtbtest
