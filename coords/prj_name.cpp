/*
** prj_name.cpp: name comparison and normalisation for the coordinate lists,
** the projection-type and unit tables, and the degrees-minutes-seconds
** helpers. Every lookup by name in dtm_list, prj_list and xfrm_list goes
** through prj_name_match; every sorted insert through prj_name_order.
*/
#include "coords/prj_name.h"

#include <cmath>
#include <cstring>

/* Type names in index order; PRJ_TYPE_NONE has none. */
static const char* const prj_type_names[] = {"GEOGRAPHIC", "UTM", "TM", "LAMBERT", "DSTEREO", "USER"};
static const int prj_type_count = 6;

/* Unit names in index order; PRJ_UNIT_NONE has none. */
static const char* const prj_unit_names[] = {"degrees", "feet", "meters", "survey feet"};
static const int prj_unit_count = 4;

/* Answers the character with a-z folded to A-Z; other codes unchanged. */
static unsigned prj_fold(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned>(c - 'a' + 'A') : c;
}

/* Answers 1 when two characters are the same name character: letters
** without regard to case, everything else exactly. */
static int prj_char_eq(unsigned char a, unsigned char b) { return prj_fold(a) == prj_fold(b); }

/* Answers 1 for a blank in the names' sense: code 32 or less, not the end. */
static int prj_is_blank(unsigned char c) { return c != 0 && c <= 32; }

/* Answers 1 when the names match (ends' blanks ignored, case of letters
** ignored); 0 otherwise or for a missing text. */
int prj_name_match(const char* a, const char* b) {
  if (!a || !b) return 0;
  auto pa = reinterpret_cast<const unsigned char*>(a);
  auto pb = reinterpret_cast<const unsigned char*>(b);
  while (prj_is_blank(*pa)) ++pa;
  while (prj_is_blank(*pb)) ++pb;
  while (*pa && *pb && prj_char_eq(*pa, *pb)) {
    ++pa;
    ++pb;
  }
  while (prj_is_blank(*pa)) ++pa;
  while (prj_is_blank(*pb)) ++pb;
  return *pa == 0 && *pb == 0;
}

/* Answers the place of new_name against old_name; blanks anywhere are
** skipped where the two disagree, so "wgs 84" duplicates "WGS84". */
prj_order prj_name_order(const char* new_name, const char* old_name) {
  auto pa = reinterpret_cast<const unsigned char*>(new_name ? new_name : "");
  auto pb = reinterpret_cast<const unsigned char*>(old_name ? old_name : "");
  for (;;) {
    while (*pa && *pb && prj_char_eq(*pa, *pb)) {
      ++pa;
      ++pb;
    }
    if (!prj_is_blank(*pa) && !prj_is_blank(*pb)) break;
    while (prj_is_blank(*pa)) ++pa;
    while (prj_is_blank(*pb)) ++pb;
  }
  unsigned ca = prj_fold(*pa), cb = prj_fold(*pb);
  if (ca == cb) return PRJ_ORDER_DUPLICATE;
  if (cb == 0) return PRJ_ORDER_AFTER;
  return cb > ca ? PRJ_ORDER_BEFORE : PRJ_ORDER_AFTER;
}

/* Answers the text with its leading and trailing blanks removed in place. */
char* prj_name_trim(char* text) {
  if (!text) return text;
  size_t len = std::strlen(text);
  while (len > 0 && static_cast<unsigned char>(text[len - 1]) <= 32) --len;
  text[len] = 0;
  size_t start = 0;
  while (start < len && static_cast<unsigned char>(text[start]) <= 32) ++start;
  if (start > 0) std::memmove(text, text + start, len - start + 1);
  return text;
}

/* Answers the name padded with blanks (or cut) to PRJ_NAME_MAX characters. */
char* prj_name_pad(char* name) {
  if (!name) return name;
  size_t len = strnlen(name, PRJ_NAME_MAX);
  for (size_t i = len; i < static_cast<size_t>(PRJ_NAME_MAX); ++i) name[i] = ' ';
  name[PRJ_NAME_MAX] = 0;
  return name;
}

/* Copies at most PRJ_NAME_MAX characters and terminates. */
void prj_name_copy(char* dst, const char* src) {
  if (!dst) return;
  size_t len = src ? strnlen(src, PRJ_NAME_MAX) : 0;
  if (len) std::memcpy(dst, src, len);
  dst[len] = 0;
}

/* Answers the index of the first of the count names that matches the text,
** or none when no name does or no text is given. */
static int prj_table_index(const char* text, const char* const* names, int count, int none) {
  if (!text) return none;
  for (int i = 0; i < count; ++i)
    if (prj_name_match(text, names[i])) return i;
  return none;
}

/* Answers the name of an index into a table of count names, else "". */
static const char* prj_table_name(int index, const char* const* names, int count) {
  return (index >= 0 && index < count) ? names[index] : "";
}

/* Answers the first type whose name matches, or PRJ_TYPE_NONE. */
int prj_type_index(const char* text) {
  return prj_table_index(text, prj_type_names, prj_type_count, PRJ_TYPE_NONE);
}

/* Answers the type name of an index 0..5, else "". */
const char* prj_type_name(int index) { return prj_table_name(index, prj_type_names, prj_type_count); }

/* Answers the first unit whose name matches, or PRJ_UNIT_NONE. */
int prj_unit_index(const char* text) {
  return prj_table_index(text, prj_unit_names, prj_unit_count, PRJ_UNIT_NONE);
}

/* Answers the unit name of an index 0..3, else "". */
const char* prj_unit_name(int index) { return prj_table_name(index, prj_unit_names, prj_unit_count); }

/* Answers the decimal degrees of a degrees-minutes-seconds triple; the sign
** is the sign bit of d, so that -0 degrees 30 minutes is -0.5. */
double dms_to_deg(double d, double m, double s) {
  double deg = std::fabs(d) + std::fabs(m) * 0.016666666666666666 + std::fabs(s) * 0.0002777777777777778;
  return std::signbit(d) ? -deg : deg;
}

/* Answers 1 with d, m, s filled; 0 when an output is missing. */
int deg_to_dms(double deg, double* d, double* m, double* s) {
  if (!d || !m || !s) return 0;
  double dd = std::trunc(deg);            /* keeps -0 for -1 < deg < 0 */
  if (dd == 0.0) dd = std::copysign(0.0, deg);
  double secs = std::fabs(deg - dd) * 3600.0;
  double mm = std::trunc(secs / 60.0);
  double ss = secs - 60.0 * mm;
  if (std::trunc(ss + 0.0005) == 60.0) {
    mm += 1.0;
    ss = 0.0;
  }
  if (std::trunc(mm) == 60.0) {
    dd += std::signbit(dd) ? -1.0 : 1.0;
    mm = 0.0;
  }
  *d = dd;
  *m = mm;
  *s = ss;
  return 1;
}
