/*
** out_text.cpp: printf-style appending to a growable string for the output
** writers and the qualified values of delimited text (see out_text.h).
*/
#include "output/out_text.h"

#include <cstdarg>
#include <cstdio>

void out_appendf(std::string& out, const char* fmt, ...) {
  char small[256];
  va_list ap;
  va_start(ap, fmt);
  va_list again;
  va_copy(again, ap);
  int n = std::vsnprintf(small, sizeof small, fmt, ap);
  va_end(ap);
  if (n >= 0 && (std::size_t)n < sizeof small) {
    out.append(small, (std::size_t)n);
  } else if (n >= 0) {
    std::string big((std::size_t)n + 1, '\0');
    std::vsnprintf(big.data(), big.size(), fmt, again);
    out.append(big.data(), (std::size_t)n);
  }
  va_end(again);
}

void out_append_qualified(std::string& out, const std::string& value, char qualifier) {
  if (!qualifier) {
    out += value;
    return;
  }
  out += qualifier;
  if (qualifier == ' ') {
    out += value;
  } else {
    for (char ch : value) {
      out += ch;
      if (ch == qualifier) out += ch;
    }
  }
  out += qualifier;
}
