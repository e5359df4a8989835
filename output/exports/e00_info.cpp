/*
** e00_info.cpp: the INFO part of an E00 file: table headers, item
** definitions, the fixed tables .BND and .TIC, the attribute tables .PAT
** and .AAT with their fixed leading items, and the records of all of them.
**
** A record is built as one text, item after item, and written in lines of
** 80 characters, the last line holding the rest. Item values come as texts:
** a null or blank text is a missing value; a float item is written from
** its text's own digits, so that an exact number's digits are not first
** rounded to a double's.
**
**   const char* names[] = {"ROCK"}; int types[] = {20}; int widths[] = {12};
**   e00_write_pat(names, types, widths, nullptr, 1, n);
**   e00_write_pat_record(0, 0, 1, 1, values, types, widths, 1);
*/
#include "output/exports/e00_internal.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

/* Storage width given to every fixed item before the precision rule. */
constexpr int k_fixed_width = 4;
/* Width of a binary integer item's value in a record. */
constexpr int k_binary_columns = 11;
/* Characters of a float item's output width before its decimals: a sign,
** a digit and the point. */
constexpr int k_float_lead = 3;
/* Column of the table name and the "XX" of an INFO header. */
constexpr int k_table_name_width = 32;

/* One item of a table being defined. */
struct info_item {
  std::string name; /* item name                       */
  int type;         /* INFO item type                  */
  int width;        /* storage width (after the rule)  */
  int decimals;     /* decimals it declares            */
};

/* Answers 1 for a text that holds nothing but blanks. */
bool is_blank(const char* v) {
  if (!v) return true;
  while (*v == ' ' || *v == '\t') ++v;
  return *v == '\0';
}

/* Parses a whole integer text; answers false for anything else. */
bool parse_long(const char* v, long* out) {
  errno = 0;
  char* end = nullptr;
  long n = std::strtol(v, &end, 10);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  if (errno != 0 || end == v || (end && *end)) return false;
  *out = n;
  return true;
}

/* Parses a whole real number text; answers false for anything else. */
bool parse_double(const char* v, double* out) {
  errno = 0;
  char* end = nullptr;
  double d = std::strtod(v, &end);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  if (errno != 0 || end == v || (end && *end)) return false;
  *out = d;
  return true;
}

/* Writes text in lines of 80 characters, the last line holding the rest. */
int put_in_lines(const std::string& text) {
  int rc = E00_OK;
  for (std::size_t at = 0; at < text.size() && rc == E00_OK; at += E00_LINE_WIDTH)
    rc = e00_put(text.data() + at, std::min(text.size() - at, (std::size_t)E00_LINE_WIDTH), true);
  return rc;
}

/* Appends the caller's item values to the record text. Answers E00_OK, or
** E00_BAD_ARG for a type outside 20..60, a width below 1 for a character
** item, or a value that is no number of its type or does not fit. */
int append_values(std::string& rec, const char* const* values, const int* types,
                  const int* widths, int count) {
  const int digits = e00_state().info_digits;
  for (int i = 0; i < count; ++i) {
    int type = types[i];
    int w = widths ? widths[i] : 0;
    const char* v = values ? values[i] : nullptr;
    bool missing = is_blank(v);
    if (type < E00_ITEM_CHAR || type > E00_ITEM_FLOAT) return E00_BAD_ARG;
    if (type == E00_ITEM_CHAR) {
      if (w < 1) return E00_BAD_ARG;
      /* The text cut or padded with blanks to the width, control
      ** characters blanked. */
      std::size_t n = missing ? 0 : std::strlen(v), at = rec.size();
      if (n > (std::size_t)w) n = (std::size_t)w;
      rec.append(missing ? "" : v, n);
      for (std::size_t k = at; k < rec.size(); ++k)
        if ((unsigned char)rec[k] < 32) rec[k] = ' ';
      rec.append((std::size_t)w - n, ' ');
    } else if (type == E00_ITEM_INTEXT) {
      if (w < 1) return E00_BAD_ARG;
      long n = 0;
      if (!missing && !parse_long(v, &n)) return E00_BAD_ARG;
      /* A number wider than its item would shift every later item. */
      if (e00_append_int(rec, n, w) > w) return E00_BAD_ARG;
    } else if (type == E00_ITEM_BINARY) {
      long n = 0;
      if (!missing && !parse_long(v, &n)) return E00_BAD_ARG;
      if (n < INT32_MIN || n > INT32_MAX) return E00_BAD_ARG;
      e00_append_int(rec, n, k_binary_columns);
    } else if (type == E00_ITEM_FLOAT) {
      /* A number is written from its own digits (an exact number's are
      ** more than a double keeps). */
      out_decimal number;
      if (!missing && out_decimal_parse(v, &number) && e00_append_decimal(rec, digits, number) == 1) continue;
      double d = 0.0;
      if (!missing && !parse_double(v, &d)) return E00_BAD_ARG;
      if (e00_append_number(rec, digits, d) == E00_NO_TEXT) return E00_BAD_ARG;
    } else {
      rec.append((std::size_t)(w > 0 ? w : 0), ' ');
    }
  }
  return E00_OK;
}

/* Writes an INFO table's header and item definitions: the fixed items,
** then the caller's. Everything is checked before the first line. */
int write_table(const char* suffix, const std::vector<info_item>& fixed,
                const char* const* names, const int* types, const int* widths,
                const int* decimals, int count, long record_count) {
  e00_writer_rec& w = e00_state();
  if (!w.file) return E00_NOT_OPEN;
  if (count < 0 || (count > 0 && (!names || !types || !widths))) return E00_BAD_ARG;
  std::vector<info_item> items = fixed;
  for (int i = 0; i < count; ++i) {
    if (!names[i]) return E00_BAD_ARG;
    int size = e00_item_size(types[i], widths[i]);
    if (size < 1) return E00_BAD_ARG;
    items.push_back({names[i], types[i], size,
                     decimals && decimals[i] >= 0 ? decimals[i] : e00_item_decimals(types[i])});
  }
  int length = 0;
  for (const info_item& it : items) length += it.width;
  std::string table = w.cover + suffix;
  int rc = e00_write_info_header(table.c_str(), (int)items.size(), length, record_count);
  int position = 1;
  for (std::size_t i = 0; i < items.size() && rc == E00_OK; ++i) {
    const info_item& it = items[i];
    rc = e00_write_item_def(it.name.c_str(), it.width, e00_item_out_width(it.type, it.width),
                            it.decimals, it.type, position * 10 + 4, (long)i + 1);
    position += it.width;
  }
  return rc;
}

/* The fixed float and integer items of the attribute tables. */
info_item float_item(const char* name) {
  return {name, E00_ITEM_FLOAT, e00_item_size(E00_ITEM_FLOAT, k_fixed_width),
          e00_item_decimals(E00_ITEM_FLOAT)};
}
info_item binary_item(const std::string& name) {
  return {name, E00_ITEM_BINARY, e00_item_size(E00_ITEM_BINARY, k_fixed_width), 0};
}

}  // namespace

int e00_item_size(int type, int width) {
  switch (type) {
    case E00_ITEM_CHAR:
    case E00_ITEM_INTEXT: return width;
    case E00_ITEM_BINARY: return 4;
    case E00_ITEM_FLOAT: return e00_state().precision == E00_PREC_DOUBLE ? 8 : 4;
    default: return 0;
  }
}

int e00_item_out_width(int type, int width) {
  switch (type) {
    case E00_ITEM_CHAR:
    case E00_ITEM_INTEXT: return width;
    case E00_ITEM_BINARY: return 5;
    case E00_ITEM_FLOAT: return e00_state().precision == E00_PREC_DOUBLE ? 18 : 12;
    default: return 0;
  }
}

int e00_item_decimals(int type) {
  if (type != E00_ITEM_FLOAT) return 0;
  return e00_state().precision == E00_PREC_DOUBLE ? 5 : 3;
}

int e00_write_info_header(const char* table, int item_count, int record_length, long record_count) {
  if (!e00_state().file) return E00_NOT_OPEN;
  if (!table || item_count < 1 || record_length < 1 || record_count < 1) return E00_BAD_ARG;
  std::string line;
  out_appendf(line, "%-*sXX%4d%4d%4d%10ld", k_table_name_width, table, item_count, item_count,
              record_length, record_count);
  return e00_put_line(line);
}

int e00_write_item_def(const char* name, int storage_width, int output_width, int decimals,
                       int type, int position_code, long index) {
  if (!e00_state().file) return E00_NOT_OPEN;
  if (!name || storage_width < 1 || output_width < 1 || decimals < 0 || type < E00_ITEM_CHAR ||
      type > E00_ITEM_FLOAT)
    return E00_BAD_ARG;
  /* A float item declares the decimals its values hold, as many as its
  ** output width shows after a sign, a digit and the point; the other
  ** types hold none. */
  if (type != E00_ITEM_FLOAT) decimals = 0;
  else if (decimals > output_width - k_float_lead) decimals = output_width - k_float_lead;
  int size = e00_item_size(type, storage_width);
  if (size == 0) return 0;
  std::string line;
  out_appendf(line, "%-16s%3d-1%5d-1 %3d", name, size, position_code, output_width);
  if (decimals < 1)
    out_appendf(line, "-1 %2d-1  -1  -1-1 %9s%10ld-", type, "", index);
  else
    out_appendf(line, "%2d %2d-1  -1  -1-1 %9s%10ld-", decimals, type, "", index);
  return e00_put_line(line);
}

int e00_write_bnd(double xmin, double ymin, double xmax, double ymax) {
  e00_writer_rec& w = e00_state();
  if (!w.file) return E00_NOT_OPEN;
  std::vector<info_item> items = {float_item("XMIN"), float_item("YMIN"), float_item("XMAX"),
                                  float_item("YMAX")};
  int rc = write_table(".BND", items, nullptr, nullptr, nullptr, nullptr, 0, 1);
  if (rc != E00_OK) return rc;
  std::string rec;
  for (double v : {xmin, ymin, xmax, ymax}) e00_append_number(rec, w.info_digits, v);
  return put_in_lines(rec);
}

int e00_write_tic(const double* x, const double* y, int count) {
  e00_writer_rec& w = e00_state();
  if (!w.file) return E00_NOT_OPEN;
  if (!x || !y || count < 1) return E00_BAD_ARG;
  std::vector<info_item> items = {binary_item("IDTIC"), float_item("XTIC"), float_item("YTIC")};
  int rc = write_table(".TIC", items, nullptr, nullptr, nullptr, nullptr, 0, count);
  for (int i = 0; i < count && rc == E00_OK; ++i) {
    std::string rec;
    e00_append_int(rec, i + 1, k_binary_columns);
    e00_append_number(rec, w.info_digits, x[i]);
    e00_append_number(rec, w.info_digits, y[i]);
    rc = put_in_lines(rec);
  }
  return rc;
}

int e00_write_pat(const char* const* names, const int* types, const int* widths,
                  const int* decimals, int item_count, long record_count) {
  e00_writer_rec& w = e00_state();
  if (!w.file) return E00_NOT_OPEN;
  if (item_count < 1) return E00_BAD_ARG;
  std::vector<info_item> items = {float_item("AREA"), float_item("PERIMETER"),
                                  binary_item(w.cover + "#"), binary_item(w.cover + "-ID")};
  return write_table(".PAT", items, names, types, widths, decimals, item_count, record_count);
}

int e00_write_aat(const char* const* names, const int* types, const int* widths,
                  const int* decimals, int item_count, long record_count) {
  e00_writer_rec& w = e00_state();
  if (!w.file) return E00_NOT_OPEN;
  if (item_count < 1) return E00_BAD_ARG;
  std::vector<info_item> items = {binary_item("FNODE#"), binary_item("TNODE#"),
                                  binary_item("LPOLY#"), binary_item("RPOLY#"),
                                  float_item("LENGTH"),  binary_item(w.cover + "#"),
                                  binary_item(w.cover + "-ID")};
  return write_table(".AAT", items, names, types, widths, decimals, item_count, record_count);
}

int e00_write_info_record(const char* const* values, const int* types, const int* widths,
                          int count) {
  e00_writer_rec& w = e00_state();
  if (!w.file) return E00_NOT_OPEN;
  if (count < 1 || !types) return E00_BAD_ARG;
  w.record.clear();
  int rc = append_values(w.record, values, types, widths, count);
  return rc == E00_OK ? put_in_lines(w.record) : rc;
}

int e00_write_pat_record(double area, double perimeter, long cover_number, long cover_id,
                         const char* const* values, const int* types, const int* widths,
                         int count) {
  e00_writer_rec& w = e00_state();
  if (!w.file) return E00_NOT_OPEN;
  if (count < 0 || (count > 0 && !types)) return E00_BAD_ARG;
  w.record.clear();
  e00_append_number(w.record, w.info_digits, area);
  e00_append_number(w.record, w.info_digits, perimeter);
  e00_append_int(w.record, cover_number, k_binary_columns);
  e00_append_int(w.record, cover_id, k_binary_columns);
  int rc = append_values(w.record, values, types, widths, count);
  return rc == E00_OK ? put_in_lines(w.record) : rc;
}

int e00_write_aat_record(long from_node, long to_node, long left_poly, long right_poly,
                         double length, long cover_number, long cover_id,
                         const char* const* values, const int* types, const int* widths,
                         int count) {
  e00_writer_rec& w = e00_state();
  if (!w.file) return E00_NOT_OPEN;
  if (count < 0 || (count > 0 && !types)) return E00_BAD_ARG;
  w.record.clear();
  for (long v : {from_node, to_node, left_poly, right_poly}) e00_append_int(w.record, v, k_binary_columns);
  e00_append_number(w.record, w.info_digits, length);
  e00_append_int(w.record, cover_number, k_binary_columns);
  e00_append_int(w.record, cover_id, k_binary_columns);
  int rc = append_values(w.record, values, types, widths, count);
  return rc == E00_OK ? put_in_lines(w.record) : rc;
}
