// The main of a bench over one generated book: "--generate DIR" makes the
// book, "--open-once PATH" opens it once (for callgrind and time -v), and
// otherwise the Google Benchmark cases run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

inline int BookBenchMain(int argc, char** argv, void (*generate)(const std::string& dir),
                         int (*openOnce)(const char* path)) {
  if (argc == 3 && strcmp(argv[1], "--generate") == 0) {
    generate(argv[2]);
    return 0;
  }
  if (argc == 3 && strcmp(argv[1], "--open-once") == 0) return openOnce(argv[2]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
