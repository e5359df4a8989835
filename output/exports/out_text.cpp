/*
** out_text.cpp: printf-style appending to a growable string for the output
** writers, the qualified values of delimited text and the unique column
** names of a file (see out_text.h).
*/
#include "output/exports/out_text.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

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

/* Largest exponent a number text may carry (past it no format of ours
** writes the number). */
constexpr long OUT_EXPONENT_MAX = 9999;

bool out_decimal_parse(const char* text, out_decimal* d) {
  if (!text || !d) return false;
  while (*text == ' ') ++text;
  *d = out_decimal{};
  d->negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  int whole = 0, seen = 0, zeros_whole = 0, zeros_fraction = 0;
  bool point = false;
  for (; *text; ++text) {
    if (*text == '.' && !point) {
      point = true;
      continue;
    }
    if (*text < '0' || *text > '9') break;
    ++seen;
    if (!point) ++whole;
    if (d->digits.empty() && *text == '0')
      ++(point ? zeros_fraction : zeros_whole);
    else
      d->digits += *text;
  }
  long exponent = 0;
  if (seen && (*text == 'e' || *text == 'E')) {
    char* end = nullptr;
    exponent = std::strtol(text + 1, &end, 10);
    if (end == text + 1 || exponent > OUT_EXPONENT_MAX || exponent < -OUT_EXPONENT_MAX) return false;
    text = end;
  }
  while (*text == ' ') ++text;
  if (*text || !seen) return false;
  while (!d->digits.empty() && d->digits.back() == '0') d->digits.pop_back();
  if (d->digits.empty()) d->negative = false;
  else d->point = (whole > zeros_whole ? whole - zeros_whole : -zeros_fraction) + (int)exponent;
  return true;
}

void out_decimal_round(out_decimal* d, std::size_t n) {
  if (!d || n == 0 || d->digits.size() <= n) return;
  bool up = d->digits[n] >= '5';
  d->digits.resize(n);
  if (up) {
    std::size_t i = n;
    while (i > 0 && d->digits[i - 1] == '9') d->digits[--i] = '0';
    if (i == 0) {
      d->digits.insert(d->digits.begin(), '1');
      d->digits.pop_back();
      ++d->point;
    } else {
      ++d->digits[i - 1];
    }
  }
  while (!d->digits.empty() && d->digits.back() == '0') d->digits.pop_back();
}

namespace {

/* The name in capitals, the form in which two names are compared. */
std::string name_key(const std::string& name) {
  std::string k = name;
  for (char& c : k) c = (char)std::toupper((unsigned char)c);
  return k;
}

/* True when names holds key (compared in capitals). */
bool name_taken(const std::vector<std::string>& names, const std::string& key) {
  for (const std::string& n : names)
    if (name_key(n) == key) return true;
  return false;
}

}  // namespace

void out_unique_names(std::vector<std::string>& names, std::size_t max_len,
                      std::vector<std::string>* renamed) {
  for (std::size_t i = 1; i < names.size(); ++i) {
    std::string key = name_key(names[i]);
    bool clash = false;
    for (std::size_t j = 0; j < i && !clash; ++j) clash = name_key(names[j]) == key;
    if (!clash) continue;
    std::string fresh;
    for (long n = 1; fresh.empty() || name_taken(names, name_key(fresh)); ++n) {
      std::string digits = std::to_string(n);
      std::string base = names[i];
      if (base.size() + 1 + digits.size() <= max_len) {
        fresh = base + "_" + digits;
      } else {
        base.resize(max_len > digits.size() ? max_len - digits.size() : 0);
        fresh = base + digits;
      }
    }
    if (renamed) renamed->push_back(names[i] + " as " + fresh);
    names[i] = fresh;
  }
}

std::string out_renamed_text(const std::vector<std::string>& renamed) {
  if (renamed.empty()) return std::string();
  std::string text = "\n\nColumns renamed: ";
  for (std::size_t i = 0; i < renamed.size(); ++i) text += (i ? ", " : "") + renamed[i];
  return text;
}
