#include "core/base/diag.h"

#include <cstdio>

void DiagPrintf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  fputs("\033[30;41m", stderr);
  vfprintf(stderr, fmt, ap);
  fputs("\033[0m\n", stderr);
  va_end(ap);
}

static void SetColor(FILE* f, char a, char b) { fprintf(f, "\033[3%c;4%cm", a, b); }

void StdoutSetColor(char a, char b) { SetColor(stdout, a, b); }
void StderrSetColor(char a, char b) { SetColor(stderr, a, b); }
void StdoutSetToDefault() { fputs("\033[0m\n", stdout); }
void StderrSetToDefault() { fputs("\033[0m\n", stderr); }
