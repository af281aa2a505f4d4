// An owner of what is freed by hand (a C library's handle: a file, a stream,
// a parser, a document; or a pool from malloc) must never be copied: a copy
// would free it twice. Deriving from NoCopy says so once; an owner that can
// hand its resource on declares its own moves.
#pragma once

class NoCopy {
 protected:
  NoCopy() = default;
  ~NoCopy() = default;

 public:
  NoCopy(const NoCopy&) = delete;
  NoCopy& operator=(const NoCopy&) = delete;
};
