// The one XML reader: libxml2's push parser (XML or its forgiving HTML
// parser) fed in chunks, its events handed over as plain strings. Documents
// are data, never a way to reach other files: declared entities are not
// substituted, no DTD or external entity is loaded, nothing goes to the network.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "core/lib/no_copy.h"

namespace xml {

// The attributes of a start tag: name, value, name, value, ..., null. Names
// are qualified as written ("dc:title"). Never null.
using Attrs = const char* const*;

// The value of `name`, or null.
const char* Attr(Attrs attrs, const char* name);

struct Error {
  int code = 0;        // libxml2's error number
  int line = 0;
  bool fatal = false;  // the document is not well-formed from here on
  bool warning = false;
  bool encoding = false;  // about the character encoding
  const char* message = "";  // one line
};

class Reader;

// The attributes of a start tag where the parser keeps them, for readers
// that look up a few by name on every tag of a large document: nothing is
// copied but a value holding a reference, which is decoded as in Attrs.
// Valid during the event only.
class AttrView {
 public:
  // The value of `name` (qualified as written), a null view when absent.
  std::string_view Get(const char* name) const;
  // Every attribute as Attrs.
  Attrs All() const;

 private:
  friend class Reader;
  const unsigned char* const* sax2_ = nullptr;  // libxml2's five pointers per attribute
  int count_ = 0;
  Attrs pairs_ = nullptr;  // or name, value pairs
  const void* reader_ = nullptr;
};

class Handler {
 public:
  virtual ~Handler() = default;
  virtual void OnStart(const char* name, Attrs attrs) { (void)name, (void)attrs; }
  // The same event; a handler that overrides this one gets no OnStart.
  virtual void OnStartTag(const char* name, const AttrView& attrs) { OnStart(name, attrs.All()); }
  virtual void OnEnd(const char* name) { (void)name; }
  // Character data; one run of text may come in several pieces.
  virtual void OnText(const char* text, int length) { (void)text, (void)length; }
  // Every error and warning, in order (the parser itself prints nothing).
  virtual void OnError(const Error& error) { (void)error; }
  // True once no more events are wanted; the parse then ends quietly.
  virtual bool WantsStop() const { return false; }
  // False for a handler that never looks at character data: the parser then
  // does not hand it over (asked once, when the reader is made).
  virtual bool WantsText() const { return true; }
};

struct Options {
  bool html = false;               // HTML parser: recovers from anything
  const char* encoding = nullptr;  // forced; the document's own declaration is ignored
  bool htmlNames = false;          // XML: HTML character names (&nbsp; &eacute;) as their characters
  const char* name = nullptr;      // for messages
};

// One parse. Bytes go in through Feed in pieces of any size; the events do
// not depend on where the pieces are cut.
class Reader : NoCopy {
 public:
  explicit Reader(Handler& handler, const Options& options = Options());
  ~Reader();

  // 0; -2 out of memory; -3 the document is not well-formed (XML; later
  // calls return -3 and deliver nothing).
  int Feed(const char* data, size_t size);
  // The end of the input. 0, -2 or -3 (also for an XML document that stops
  // before its root element is closed: no half-read tag is delivered).
  int Finish();
  // The handler asked to stop.
  bool Stopped() const;

 private:
  friend class AttrView;
  struct Impl;
  static AttrView View(Impl* impl, const unsigned char* const* sax2, int count, Attrs pairs);
  std::unique_ptr<Impl> impl_;
};

// A whole file at a device path, read in `chunk`-byte pieces. -1 null path;
// -3 unreadable, empty or not well-formed; -2 out of memory.
int ReadFile(const char* devicePath, Handler& handler, const Options& options = Options(),
             size_t chunk = 2048);
// The same over bytes in memory.
int ReadMemory(const char* data, size_t size, Handler& handler,
               const Options& options = Options(), size_t chunk = 2048);

// ---- encodings: reading a document whose bytes do not match its declaration ----

// True when the parser can read that encoding.
bool KnownEncoding(const char* name);
// The encoding a document's start declares (XML declaration or an HTML meta
// charset), "" when none.
std::string SniffDeclaredEncoding(const char* data, size_t size);
// A single-byte code page for bytes that are not UTF-8: "windows-1250" when
// they look like Polish text, else "windows-1252"; "UTF-8" when they are UTF-8.
const char* GuessEncoding(const char* data, size_t size);
// The encoding to read a file in after its bytes broke the one the parser
// assumed: the declared one when it is known and not UTF-8, else
// GuessEncoding over its first 64 KiB. "" when unreadable.
std::string RepairEncoding(const char* devicePath);

}  // namespace xml
