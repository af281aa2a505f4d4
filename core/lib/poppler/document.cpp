#include "core/lib/poppler/document.h"

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page.h>
#include <unistd.h>

#include <memory>

#include "platform/board.h"

namespace pdf {

namespace {

poppler::document* Of(void* p) { return static_cast<poppler::document*>(p); }

// Damaged files make poppler complain on every page; the reader says what
// matters to the user itself.
void Quiet(const std::string&, void*) {}

}  // namespace

int Document::Open(const char* devicePath) {
  Close();
  if (!devicePath) return -1;
  std::string path = board::Path(devicePath);
  if (access(path.c_str(), R_OK) != 0) return -4;
  static bool quiet = (poppler::set_debug_error_function(Quiet, nullptr), true);
  (void)quiet;
  std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path));
  if (!doc) return -6;
  if (doc->is_locked()) return -7;
  int pages = doc->pages();
  if (pages <= 0) return -6;
  m_Doc = doc.release();
  m_Pages = pages;
  return 0;
}

void Document::Close() {
  delete Of(m_Doc);
  m_Doc = nullptr;
  m_Pages = 0;
}

int Document::PageText(int index, std::vector<unsigned short>* out) const {
  out->clear();
  if (!m_Doc || index < 0 || index >= m_Pages) return -1;
  std::unique_ptr<poppler::page> page(Of(m_Doc)->create_page(index));
  if (!page) return 0;  // a damaged page reads as an empty one
  poppler::ustring text = page->text(poppler::rectf(), poppler::page::non_raw_non_physical_layout);
  out->assign(text.begin(), text.end());
  return 0;
}

int Document::PageLabel(int index, std::string* utf8) const {
  utf8->clear();
  if (!m_Doc || index < 0 || index >= m_Pages) return -1;
  std::unique_ptr<poppler::page> page(Of(m_Doc)->create_page(index));
  if (page) {
    poppler::byte_array bytes = page->label().to_utf8();
    utf8->assign(bytes.begin(), bytes.end());
  }
  if (utf8->empty()) *utf8 = std::to_string(index + 1);
  return 0;
}

}  // namespace pdf
