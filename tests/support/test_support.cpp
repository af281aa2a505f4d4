#include "tests/support/test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace dtbtest {

std::string DataPath(const std::string& rel) { return std::string(DTB_TEST_DATA_DIR) + "/" + rel; }

std::string CorpusPath(const std::string& rel) {
  std::string p = std::string(DTB_CORPUS_DIR) + "/" + rel;
  struct stat st;
  return stat(p.c_str(), &st) == 0 ? p : std::string();
}

TempDir::TempDir() {
  const char* base = getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/dtbtest.XXXXXX";
  char* made = mkdtemp(tmpl.data());
  if (!made) abort();
  path_ = made;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace dtbtest
