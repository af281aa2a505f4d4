// The narrated EPUB books scripts/make-narrated-epub.py makes from the
// corpus, generated once per test process into a temporary folder.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>

#include "tests/support/test_support.h"

namespace dtbtest {

// The folder holding narrated.epub and its damaged copies, or "" when the
// corpus, espeak-ng or ffmpeg is missing.
inline const std::string& NarratedBooks() {
  static std::unique_ptr<TempDir> dir;
  static std::string path;
  if (!dir) {
    dir.reset(new TempDir);
    std::string corpus = CorpusPath("txt");
    if (!corpus.empty()) {
      std::string cmd = "python3 " + std::string(DTB_SOURCE_DIR) + "/scripts/make-narrated-epub.py " +
                        std::string(DTB_CORPUS_DIR) + " " + dir->path() + " >/dev/null 2>&1";
      if (std::system(cmd.c_str()) == 0) path = dir->path();
    }
  }
  return path;
}

#define DTB_REQUIRE_NARRATED(var)                  \
  const std::string var = ::dtbtest::NarratedBooks(); \
  if (var.empty()) GTEST_SKIP() << "corpus, espeak-ng or ffmpeg absent"

}  // namespace dtbtest
