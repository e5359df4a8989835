/*
** shape_reader.cpp: the compiled shape file reader and the text source
** reader.
**
** Both read from a stdio stream into the shape index of one library through
** shape_index_add. Every definition goes through a working buffer of
** SHAPE_DEF_MAX bytes; every count, length and name is checked against the
** bytes actually present and against that buffer, so that any file, however
** damaged, ends in a shape library or in a precise error, never in a read or
** write outside a buffer.
*/
#include "shapes/shape_reader.h"

#include <cctype>
#include <cstdarg>
#include <cstring>
#include <vector>

#include "shapes/shape_store.h"

const unsigned char SHAPE_COMPILED_HEADER[SHAPE_HEADER_LEN] = {
    'A', 'u', 't', 'o', 'C', 'A', 'D', '-', '8', '6', ' ', 's', 'h', 'a', 'p', 'e',
    's', ' ', '1', '.', '0', 0x0D, 0x0A, 0x1A};

namespace {

constexpr int HEADER_END_BYTE = 0x1A;     /* last byte of the compiled header */
constexpr char BIG_FONT_MARK[] = "*BIGFONT";/* opening of a refused big font  */
constexpr int BIG_FONT_MARK_LEN = 8;
constexpr long TEXT_NUMBER_MAX = 0xFFFF;  /* largest shape number or count    */
constexpr long TEXT_ITEM_MAX = 255;       /* largest positive decimal item    */
constexpr long TEXT_NEG_ITEM_MAX = 128;   /* largest magnitude of a negative one */
constexpr int ERR_MAX = 200;              /* longest error text               */

/* Formats an error text into `err`; answers 0 for the reader's result. */
__attribute__((format(printf, 2, 3))) int fail(std::string &err, const char *fmt, ...) {
  char buf[ERR_MAX];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  err = buf;
  return 0;
}

/* Reads a 16-bit little-endian word; false at the end of the stream. */
bool read_u16(FILE *fp, uint16_t &v) {
  int lo = std::getc(fp);
  int hi = std::getc(fp);
  if (lo == EOF || hi == EOF) return false;
  v = static_cast<uint16_t>(lo | (hi << 8));
  return true;
}

/* One entry of the compiled index. */
struct index_pair {
  uint16_t number; /* shape number                                     */
  uint16_t length; /* bytes of name, its 0 and the definition          */
};

/* Reads the shapes of a compiled file whose header has been read. */
int read_compiled(FILE *fp, uint16_t slot, std::string &err) {
  uint16_t first, last, count;
  if (!read_u16(fp, first) || !read_u16(fp, last) || !read_u16(fp, count))
    return fail(err, "compiled file ends inside its header");
  if (count == 0) return fail(err, "compiled file holds no shapes");
  std::vector<index_pair> index(count);
  for (index_pair &p : index)
    if (!read_u16(fp, p.number) || !read_u16(fp, p.length))
      return fail(err, "compiled file ends inside its index of %u shapes",
                  static_cast<unsigned>(count));

  char name[SHAPE_DEF_MAX + 1];
  uint8_t def[SHAPE_DEF_MAX];
  int added = 0;
  for (const index_pair &p : index) {
    unsigned num = p.number;
    /* The name, up to its 0 byte, inside the shape's length and leaving at
    ** least one definition byte. */
    int n = 0;
    for (;;) {
      int c = std::getc(fp);
      if (c == EOF) return fail(err, "shape %u: file ends inside its name", num);
      if (c == 0) break;
      if (n + 2 > p.length)
        return fail(err, "shape %u: name runs past the shape's length of %u bytes",
                    num, static_cast<unsigned>(p.length));
      if (n >= SHAPE_DEF_MAX)
        return fail(err, "shape %u: name longer than %d characters", num, SHAPE_DEF_MAX);
      name[n++] = static_cast<char>(c);
    }
    name[n] = 0;
    int def_len = static_cast<int>(p.length) - n - 1;
    if (def_len <= 0) return fail(err, "shape %u: no definition bytes", num);
    if (def_len > SHAPE_DEF_MAX)
      return fail(err, "shape %u: definition of %d bytes exceeds %d", num, def_len,
                  SHAPE_DEF_MAX);
    if (std::fread(def, 1, def_len, fp) != static_cast<size_t>(def_len))
      return fail(err, "shape %u: file ends inside its definition", num);
    if (def[def_len - 1] != 0)
      return fail(err, "shape %u: definition does not end with 0", num);
    if (!shape_index_add(slot, p.number, name, def, static_cast<uint16_t>(def_len)))
      return fail(err, "shape %u: out of memory", num);
    added++;
  }
  return added;
}

/* A text source being read, with its line for error texts. */
struct text_src {
  FILE *fp;     /* the stream                         */
  int line = 1; /* line of the next character         */

  /* Takes the next character (EOF at the end), counting lines. */
  int get() {
    int c = std::getc(fp);
    if (c == '\n') line++;
    return c;
  }
  /* The next character without taking it (EOF at the end). */
  int peek() {
    int c = std::getc(fp);
    if (c != EOF) std::ungetc(c, fp);
    return c;
  }
  /* Skips blanks and tabs. */
  void skip_blanks() {
    for (int c = peek(); c == ' ' || c == '\t'; c = peek()) get();
  }
  /* Skips what may stand between items: blanks, line ends and brackets. */
  void skip_separators() {
    for (int c = peek(); c == ' ' || c == '\t' || c == '\r' || c == '\n' ||
                         c == '(' || c == ')';
         c = peek())
      get();
  }
};

/* Value of a hexadecimal digit, -1 for another character. */
int hex_value(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

/* Reads a shape number or count of a header, then its comma: hexadecimal
** when it begins with 0, else decimal. Answers false (with `err`) when it
** is missing, too large, or not followed by a comma. */
bool read_header_number(text_src &s, const char *what, long &v, std::string &err) {
  s.skip_blanks();
  int c = s.peek();
  if (!std::isdigit(c)) {
    fail(err, "line %d: %s expected", s.line, what);
    return false;
  }
  bool hex = c == '0';
  v = 0;
  for (c = s.peek(); hex ? hex_value(c) >= 0 : std::isdigit(c) != 0; c = s.peek()) {
    s.get();
    v = v * (hex ? 16 : 10) + (hex ? hex_value(c) : c - '0');
    if (v > TEXT_NUMBER_MAX) {
      fail(err, "line %d: %s larger than %ld", s.line, what, TEXT_NUMBER_MAX);
      return false;
    }
  }
  s.skip_blanks();
  if (s.get() != ',') {
    fail(err, "line %d: ',' expected after the %s", s.line, what);
    return false;
  }
  return true;
}

/* Reads one definition item into `b`: "0" with up to two hexadecimal
** digits, or a decimal number; a leading "-" makes it negative. */
bool read_item(text_src &s, unsigned shape, uint8_t &b, std::string &err) {
  bool neg = false;
  if (s.peek() == '-') {
    s.get();
    neg = true;
  }
  int c = s.peek();
  if (c == '0') {
    s.get();
    int v = 0, h = hex_value(s.peek());
    if (h >= 0) {
      s.get();
      v = h;
      h = hex_value(s.peek());
      if (h >= 0) {
        s.get();
        v = v * 16 + h;
      }
    }
    /* A negative hexadecimal item keeps its low seven bits and sets the
    ** high one (the clockwise bit of an octant byte). */
    b = static_cast<uint8_t>(neg ? (v & 0x7F) + 128 : v);
    return true;
  }
  if (!std::isdigit(c)) {
    fail(err, "line %d: shape %u: item expected", s.line, shape);
    return false;
  }
  long v = 0;
  for (c = s.peek(); std::isdigit(c); c = s.peek()) {
    s.get();
    v = v * 10 + (c - '0');
    if (v > TEXT_NEG_ITEM_MAX + TEXT_ITEM_MAX) break;
  }
  if (v > (neg ? TEXT_NEG_ITEM_MAX : TEXT_ITEM_MAX)) {
    fail(err, "line %d: shape %u: item %s%ld out of range", s.line, shape,
         neg ? "-" : "", v);
    return false;
  }
  /* A negative decimal item is the two's complement of its low seven bits. */
  b = static_cast<uint8_t>(neg ? -(v & 0x7F) : v);
  return true;
}

/* Reads one shape whose "*" has been read and adds it to `slot`. */
bool read_text_shape(text_src &s, uint16_t slot, std::string &err) {
  long number, count;
  if (!read_header_number(s, "shape number", number, err)) return false;
  if (!read_header_number(s, "item count", count, err)) return false;
  unsigned num = static_cast<unsigned>(number);

  /* The name ends at a blank, a line end or "*"; the rest of the header
  ** line is a remark. */
  s.skip_blanks();
  char name[SHAPE_NAME_MAX + 1];
  int n = 0;
  for (int c = s.peek(); c != EOF && c != ' ' && c != '\t' && c != '\r' && c != '\n' &&
                         c != '*';
       c = s.peek()) {
    if (n >= SHAPE_NAME_MAX) {
      fail(err, "line %d: shape %u: name longer than %d characters", s.line, num,
           SHAPE_NAME_MAX);
      return false;
    }
    name[n++] = static_cast<char>(s.get());
  }
  name[n] = 0;
  for (int c = s.peek(); c != EOF && c != '\n'; c = s.peek()) s.get();

  if (count == 0) {
    fail(err, "line %d: shape %u: no items", s.line, num);
    return false;
  }
  if (count > SHAPE_DEF_MAX) {
    fail(err, "line %d: shape %u: %ld items exceed %d", s.line, num, count, SHAPE_DEF_MAX);
    return false;
  }
  uint8_t def[SHAPE_DEF_MAX];
  for (long i = 0; i < count; i++) {
    s.skip_separators();
    if (i > 0) {
      int c = s.peek();
      if (c == '*' || c == EOF) {
        fail(err, "line %d: shape %u: %ld items where %ld were announced", s.line, num, i,
             count);
        return false;
      }
      if (s.get() != ',') {
        fail(err, "line %d: shape %u: ',' expected between items", s.line, num);
        return false;
      }
      s.skip_separators();
    }
    int c = s.peek();
    if (c == '*' || c == EOF) {
      fail(err, "line %d: shape %u: %ld items where %ld were announced", s.line, num, i,
           count);
      return false;
    }
    if (!read_item(s, num, def[i], err)) return false;
  }
  s.skip_separators();
  int c = s.peek();
  if (c == ',') {
    fail(err, "line %d: shape %u: more items than the %ld announced", s.line, num, count);
    return false;
  }
  if (c != '*' && c != EOF) {
    fail(err, "line %d: shape %u: unexpected text after its items", s.line, num);
    return false;
  }
  if (def[count - 1] != 0) {
    fail(err, "shape %u: definition does not end with 0", num);
    return false;
  }
  if (!shape_index_add(slot, static_cast<uint16_t>(number), name, def,
                       static_cast<uint16_t>(count))) {
    fail(err, "shape %u: out of memory", num);
    return false;
  }
  return true;
}

/* Reads every shape of a text source positioned at its start. */
int read_text(FILE *fp, uint16_t slot, std::string &err) {
  text_src s{fp};
  int added = 0;
  for (;;) {
    s.skip_separators();
    int c = s.get();
    if (c == EOF) break;
    if (c != '*') return fail(err, "line %d: '*' expected at the start of a shape", s.line);
    if (!read_text_shape(s, slot, err)) return 0;
    added++;
  }
  if (added == 0) return fail(err, "text source holds no shapes");
  return added;
}

}  // namespace

/* Tells the two forms apart and reads the shapes. Answers the count added,
** 0 with `err` set on failure. */
int shape_read_stream(FILE *fp, uint16_t slot, std::string &err) {
  unsigned char head[SHAPE_HEADER_LEN];
  int n = 0;
  while (n < SHAPE_HEADER_LEN) {
    int c = std::getc(fp);
    if (c == EOF) break;
    head[n++] = static_cast<unsigned char>(c);
    if (c == HEADER_END_BYTE) break;
  }
  if (n == SHAPE_HEADER_LEN && std::memcmp(head, SHAPE_COMPILED_HEADER, n) == 0)
    return read_compiled(fp, slot, err);

  std::rewind(fp);
  char mark[BIG_FONT_MARK_LEN];
  size_t got = std::fread(mark, 1, sizeof mark, fp);
  std::rewind(fp);
  if (got == 0 || mark[0] != '*')
    return fail(err, "neither a compiled shape file nor a shape source");
  if (got == sizeof mark && std::memcmp(mark, BIG_FONT_MARK, BIG_FONT_MARK_LEN) == 0)
    return fail(err, "big font sources are not read");
  return read_text(fp, slot, err);
}
