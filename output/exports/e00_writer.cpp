/*
** e00_writer.cpp: the E00 writer's file, numbers and the geometry and
** description sections (EXP, ARC, CNT, LAB, PAL, TX6, TOL, SIN, LOG, PRJ,
** EOI). The INFO tables are in e00_info.cpp.
**
** Real numbers are written in exponent form, "% .7E" in single precision
** (14 columns) and with 14 (geometry) or 17 (INFO) digits after the point in
** double precision, always with a two-digit exponent whatever the C library
** prints. Integers are right-aligned in fields of ten.
*/
#include "output/exports/e00_internal.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>
#include <algorithm>

#include "coords/prj_name.h"
#include "output/exports/out_ellipsoid.h"
#include "output/exports/out_file.h"

namespace {

e00_writer_rec g_writer; /* the module's one writer */

/* Digits after the point of each number format. */
constexpr int k_digits_single = 7;
constexpr int k_digits_geo_double = 14;
constexpr int k_digits_info_double = 17;
/* Fields of a section terminator line. */
constexpr int k_terminator_fields = 7;
/* Index lines of the TOL section. */
constexpr int k_tol_lines = 10;
/* Longest piece of text on one TX6 line. */
constexpr int k_tx6_text_line = 80;

/* Most digits after the point the exponent form writes without printf. */
constexpr int k_digits_max = 100;
/* Width of the integer fields of the geometry records. */
constexpr int k_field_width = 10;

/* The digits of a format "% .<digits>E", or -1 for another format. */
int exponent_digits(const char* fmt) {
  if (std::strncmp(fmt, "% .", 3) != 0) return -1;
  char* end = nullptr;
  long digits = std::strtol(fmt + 3, &end, 10);
  if (end == fmt + 3 || std::strcmp(end, "E") != 0 || digits < 0 || digits > k_digits_max) return -1;
  return (int)digits;
}

/* Writes a finite value into out (of size bytes) as "% .<digits>E" writes
** it, without the cost of printf (the conversion gives the same correctly
** rounded digits), and its exponent at exactly two digits. Answers the
** length with *result 1, or 0 when the exponent needs three digits (it is
** written "99"); -1 for a text that does not fit. */
int exponent_text(char* out, std::size_t size, int digits, double value, int* result) {
  if (size < 2) return -1;
  char* at = out + 1;
  std::to_chars_result r = std::to_chars(at, out + size - 1, value, std::chars_format::scientific, digits);
  if (r.ec != std::errc()) return -1;
  if (*at != '-') *--at = ' ';
  /* The conversion gives the exponent two digits, or three. */
  char* e = r.ptr - 4;
  *result = 1;
  if (*e != 'e') {
    e = r.ptr - 5;
    e[2] = e[3] = '9';
    r.ptr = e + 4;
    *result = 0;
  }
  *e = 'E';
  *r.ptr = '\0';
  if (at != out) std::memmove(out, at, (std::size_t)(r.ptr - at) + 1);
  return (int)(r.ptr - at);
}

/* Appends integers right-aligned in fields of ten, as "%10ld" writes
** each. */
void append_fields(std::string& line, std::initializer_list<long> values) {
  for (long v : values) e00_append_int(line, v, k_field_width);
}

/* Clears the writer to its closed state. */
void reset_writer(e00_writer_rec& w) {
  w.file = nullptr;
  std::free(w.buffer);
  w.buffer = nullptr;
  w.precision = E00_PREC_SINGLE;
  w.cover.clear();
  w.geo_digits = 0;
  w.info_digits = 0;
  w.line.clear();
  w.record.clear();
  w.pal_entry = 0;
  w.pal_total = 0;
}

/* Answers 1 when c ends a directory part of a name. */
bool is_separator(char c) { return c == '\\' || c == '/' || c == ':'; }

/* The writer's geometry line buffer, emptied. */
std::string& line_buffer() {
  g_writer.line.clear();
  return g_writer.line;
}

/* Writes the geometry-format numbers of vals on one line. */
int put_numbers(const double* vals, int n) {
  std::string& line = line_buffer();
  for (int i = 0; i < n; ++i) e00_append_number(line, g_writer.geo_digits, vals[i]);
  return e00_put_line(line);
}

/* Writes a section line "%s  %d" with the precision. */
int put_section_line(const char* name) {
  std::string line;
  out_appendf(line, "%s  %d", name, g_writer.precision);
  return e00_put_line(line);
}

/* A line of n "%10d" fields: first, then zeros. */
std::string int_fields(int first, int n) {
  static const char k_zero_field[] = "         0"; /* "%10d" of 0 */
  std::string line;
  append_fields(line, {first});
  for (int i = 1; i < n; ++i) line += k_zero_field;
  return line;
}

/* Writes a DMS line of an angle and its "~" line. */
int put_dms_line(double deg) {
  double d = 0, m = 0, s = 0;
  e00_deg_to_dms(deg, &d, &m, &s);
  std::string line;
  if (d == 0.0 && std::signbit(d))
    line = " -0"; /* an angle between -1 and 0 keeps its sign */
  else
    out_appendf(line, "%3d", (int)d);
  out_appendf(line, "%3d%7.3f", (int)m, s);
  int rc = e00_put_line(line);
  return rc == E00_OK ? e00_put_line("~") : rc;
}

}  // namespace

e00_writer_rec& e00_state() { return g_writer; }
const e00_writer_rec& e00_writer_state() { return g_writer; }

int e00_put(const char* text, std::size_t n, bool end_line) {
  std::FILE* f = g_writer.file;
  if (!f) return E00_NOT_OPEN;
  /* The characters written, as fprintf would count them; negative on a failure. */
  bool put = fwrite_unlocked(text, 1, n, f) == n && (!end_line || fwrite_unlocked("\r\n", 1, 2, f) == 2);
  int rc = put ? (int)n + (end_line ? 2 : 0) : -1;
  if (rc > 0 && !ferror_unlocked(f)) return E00_OK;
  out_note_failure();
  out_temp_fclose(f, false);
  reset_writer(g_writer);
  return rc > 0 ? 0 : rc;
}

int e00_put_text(const std::string& text) { return e00_put(text.data(), text.size(), false); }
int e00_put_line(const std::string& text) { return e00_put(text.data(), text.size(), true); }

int e00_append_int(std::string& out, long value, int width) {
  char buf[24];
  std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value);
  int n = (int)(r.ptr - buf);
  if (n < width) out.append((std::size_t)(width - n), ' ');
  out.append(buf, (std::size_t)n);
  return n;
}

int e00_append_number(std::string& out, int digits, double value) {
  if (!std::isfinite(value)) return E00_NO_TEXT;
  char buf[k_digits_max + 16];
  int result = 1;
  int n = exponent_text(buf, sizeof buf, digits, value, &result);
  if (n < 0) return E00_NO_TEXT;
  out.append(buf, (std::size_t)n);
  return result;
}

int e00_append_decimal(std::string& out, int digits, const out_decimal& d) {
  out_decimal r = d;
  out_decimal_round(&r, (std::size_t)digits + 1);
  int exponent = r.digits.empty() ? 0 : r.point - 1;
  if (exponent > 99 || exponent < -99) return E00_NO_TEXT;
  r.digits.resize((std::size_t)digits + 1, '0');
  out += r.negative ? '-' : ' ';
  out += r.digits[0];
  out += '.';
  out.append(r.digits, 1, std::string::npos);
  out_appendf(out, "E%c%02d", exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
  return 1;
}

int e00_format_number(char* out, std::size_t size, const char* fmt, double value) {
  if (!out || size == 0 || !fmt || !std::isfinite(value)) return E00_NO_TEXT;
  char tmp[128];
  int places = exponent_digits(fmt), two_digits = 1;
  int n = places < 0 ? -1 : exponent_text(tmp, sizeof tmp, places, value, &two_digits);
  if (n > 0) {
    if ((std::size_t)n >= size) return E00_NO_TEXT;
    std::memcpy(out, tmp, (std::size_t)n + 1);
    return two_digits;
  }
  n = std::snprintf(tmp, sizeof tmp, fmt, value);
  if (n <= 0 || (std::size_t)n >= sizeof tmp) return E00_NO_TEXT;
  const char* e = std::strpbrk(tmp, "Ee");
  if (!e || (e[1] != '+' && e[1] != '-')) return E00_NO_TEXT;
  const char* digits = e + 2;
  while (*digits == '0' && digits[1] != '\0') ++digits;
  /* The exponent in two digits; one of more than two becomes 99. */
  std::size_t have = std::strlen(digits);
  int result = have > 2 ? 0 : 1;
  char exp[3] = {'9', '9', '\0'};
  if (have <= 2) {
    exp[0] = have == 2 ? digits[0] : '0';
    exp[1] = have ? digits[have - 1] : '0';
  }
  std::size_t head = (std::size_t)(e - tmp) + 2;
  if (head + 3 > size) return E00_NO_TEXT;
  std::memcpy(out, tmp, head);
  std::memcpy(out + head, exp, 3);
  return result;
}

int e00_deg_to_dms(double deg, double* d, double* m, double* s) { return deg_to_dms(deg, d, m, s); }

const e00_spheroid_row e00_spheroid_table[] = {
    {"AIRY", 6377563.396, 6356256.91},
    {"ATS77", 6378135.0, 6356750.305},
    {"AUSTRALIAN", 6378160.0, 6356774.719},
    {"BESSEL", 6377379.155, 6356078.96284},
    {"CLARKE1880", 6378249.145, 6356514.86955},
    {"CLARKE1866", 6378206.4, 6356583.8},
    {"NAD27", 6378206.4, 6356583.8},
    {"EVEREST", 6377276.3452, 6356075.4133},
    {"FISCHER1960", 6378166.0, 6356784.28},
    {"FISCHER1968", 6378150.0, 6356768.33},
    {"GRS80", 6378137.0, 6356752.31414},
    {"NAD83", 6378137.0, 6356752.31414},
    {"HELMERT1906", 6378200.0, 6356818.17},
    {"HOUGH", 6378270.0, 6356794.343479},
    {"INT1909", 6378388.0, 6356911.94613},
    {"KRASOVSKY", 6378245.0, 6356863.0188},
    {"MERCURY1960", 6378166.0, 6356784.283666},
    {"MODAIRY", 6377341.89, 6356036.143},
    {"MODEVEREST", 6377304.063, 6356103.039},
    {"MODIFIEDFISCHER1960", 6378155.0, 6356773.32},
    {"MERCURY1968", 6378150.0, 6356768.337303},
    {"INT1967", 6378157.5, 6356772.2},
    {"SOUTHAMERICAN1969", 6378160.0, 6356774.72},
    {"SEASIA", 6378155.0, 6356773.3205},
    {"SPHERE", 6370997.0, 6370997.0},
    {"WALBECK", 6376896.0, 6355834.8467},
    {"WGS66", 6378145.0, 6356759.769356},
    {"WGS72", 6378135.0, 6356750.519915},
    {"WGS84", 6378137.0, 6356752.31},
};
const int e00_spheroid_count = (int)(sizeof e00_spheroid_table / sizeof e00_spheroid_table[0]);

const char* e00_spheroid_name(double a_m, double b_m) {
  const e00_spheroid_row* row = out_find_axes(e00_spheroid_table, e00_spheroid_count, a_m, b_m);
  return row ? row->name : nullptr;
}

int e00_open(const char* name, std::size_t buffer_size, int precision) {
  if (g_writer.file) return E00_ALREADY_OPEN;
  if (!name) return E00_BAD_ARG;
  std::string path(name);
  /* The extension is cut at the first "." of the file's own name: a dotted
  ** directory never selects another file. */
  std::size_t own = 0;
  for (std::size_t i = 0; i < path.size(); ++i)
    if (is_separator(path[i])) own = i + 1;
  std::string base = path.substr(0, path.find('.', own));
  std::size_t cover_start = 0;
  for (std::size_t i = 0; i < base.size(); ++i)
    if (is_separator(base[i]) || (unsigned char)base[i] < 33) cover_start = i + 1;
  std::string cover = base.substr(cover_start, E00_COVER_MAX);

  std::FILE* f = out_temp_fopen((base + ".E00").c_str(), "wb");
  if (!f) return E00_CANNOT_CREATE;
  std::size_t size = buffer_size < E00_MIN_BUFFER ? E00_MIN_BUFFER : buffer_size;
  char* buf = static_cast<char*>(std::malloc(size));
  if (!buf || std::setvbuf(f, buf, _IOFBF, size) != 0) {
    out_temp_fclose(f, false);
    std::free(buf);
    return E00_NO_BUFFER;
  }
  reset_writer(g_writer);
  g_writer.file = f;
  g_writer.buffer = buf;
  g_writer.precision = (precision == E00_PREC_DOUBLE) ? E00_PREC_DOUBLE : E00_PREC_SINGLE;
  g_writer.cover = cover;
  bool dbl = g_writer.precision == E00_PREC_DOUBLE;
  g_writer.geo_digits = dbl ? k_digits_geo_double : k_digits_single;
  g_writer.info_digits = dbl ? k_digits_info_double : k_digits_single;
  return E00_OK;
}

/* Closes the file. Answers E00_OK, E00_NOT_OPEN, or 0 when the last of the
** buffered lines could not be written (the writer is reset either way). */
int e00_close() {
  if (!g_writer.file) return E00_NOT_OPEN;
  int bad = out_temp_fclose(g_writer.file, true) != 0;
  reset_writer(g_writer);
  return bad ? 0 : E00_OK;
}

int e00_flush() {
  if (!g_writer.file) return E00_NOT_OPEN;
  if (std::fflush(g_writer.file) == 0 && !std::ferror(g_writer.file)) return E00_OK;
  out_note_failure();
  out_temp_fclose(g_writer.file, false);
  reset_writer(g_writer);
  return 0;
}

int e00_discard() {
  if (!g_writer.file) return E00_NOT_OPEN;
  out_temp_fclose(g_writer.file, false);
  reset_writer(g_writer);
  return E00_OK;
}

int e00_write_exp() {
  if (!g_writer.file) return E00_NOT_OPEN;
  return e00_put_line("EXP  0 " + g_writer.cover);
}

int e00_write_section(const char* name) {
  if (!g_writer.file) return E00_NOT_OPEN;
  if (!name || !*name) return E00_BAD_ARG;
  return put_section_line(name);
}

int e00_write_arc_header() { return e00_write_section("ARC"); }
int e00_write_cnt_header() { return e00_write_section("CNT"); }
int e00_write_lab_header() { return e00_write_section("LAB"); }
int e00_write_pal_header() { return e00_write_section("PAL"); }
int e00_write_ifo() { return e00_write_section("IFO"); }

int e00_write_tx6_header() {
  int rc = e00_write_section("TX6");
  return rc == E00_OK ? e00_put_line("") : rc;
}

int e00_write_section_end() {
  if (!g_writer.file) return E00_NOT_OPEN;
  return e00_put_line(int_fields(-1, k_terminator_fields));
}

int e00_write_arc_end() { return e00_write_section_end(); }

int e00_write_arc_record(long cover_number, long cover_id, long from_node, long to_node,
                         long left_poly, long right_poly, int point_count) {
  if (!g_writer.file) return E00_NOT_OPEN;
  if (cover_number < 1 || cover_id < 1 || from_node < 0 || to_node < 0 || left_poly < 0 ||
      right_poly < 0 || point_count < 1)
    return E00_BAD_ARG;
  std::string& line = line_buffer();
  append_fields(line, {cover_number, cover_id, from_node,
                      to_node, left_poly, right_poly, point_count});
  return e00_put_line(line);
}

int e00_write_arc_points(const double* x, const double* y, int count) {
  if (!g_writer.file) return E00_NOT_OPEN;
  if (!x || !y || count < 1) return E00_BAD_ARG;
  int per_line = g_writer.precision == E00_PREC_DOUBLE ? 1 : 2;
  for (int i = 0; i < count; i += per_line) {
    double vals[4];
    int n = 0;
    for (int k = i; k < count && k < i + per_line; ++k) {
      vals[n++] = x[k];
      vals[n++] = y[k];
    }
    int rc = put_numbers(vals, n);
    if (rc != E00_OK) return rc;
  }
  return E00_OK;
}

int e00_write_lab_record(int box_flag, long label_id, long poly_id, double x, double y,
                         double box_x, double box_y) {
  if (!g_writer.file) return E00_NOT_OPEN;
  if ((box_flag != 0 && box_flag != 1) || label_id < 1 || poly_id < 0) return E00_BAD_ARG;
  std::string& line = line_buffer();
  append_fields(line, {label_id, poly_id});
  e00_append_number(line, g_writer.geo_digits, x);
  e00_append_number(line, g_writer.geo_digits, y);
  int rc = e00_put_line(line);
  if (rc != E00_OK) return rc;
  double box[4] = {x, y, x, y};
  if (box_flag == 1) {
    box[0] = box_x;
    box[1] = box_y;
    box[2] = 0.0;
    box[3] = 0.0;
  }
  if (g_writer.precision == E00_PREC_DOUBLE) {
    rc = put_numbers(box, 2);
    return rc == E00_OK ? put_numbers(box + 2, 2) : rc;
  }
  return put_numbers(box, 4);
}

int e00_write_lab_end() {
  if (!g_writer.file) return E00_NOT_OPEN;
  std::string line;
  append_fields(line, {-1, 0});
  e00_append_number(line, g_writer.geo_digits, 0.0);
  e00_append_number(line, g_writer.geo_digits, 0.0);
  return e00_put_line(line);
}

int e00_write_cnt_record(double x, double y, const long* labels, int count) {
  if (!g_writer.file) return E00_NOT_OPEN;
  if (count < 0 || (count > 0 && !labels)) return E00_BAD_ARG;
  for (int i = 0; i < count; ++i)
    if (labels[i] < 1) return E00_BAD_ARG;
  std::string line;
  append_fields(line, {count});
  e00_append_number(line, g_writer.geo_digits, x);
  e00_append_number(line, g_writer.geo_digits, y);
  int rc = e00_put_line(line);
  std::string list;
  for (int i = 0; i < count && rc == E00_OK; ++i) {
    append_fields(list, {labels[i]});
    if ((int)list.size() >= E00_LINE_WIDTH || i == count - 1) {
      rc = e00_put_line(list);
      list.clear();
    }
  }
  return rc;
}

int e00_write_pal_record(long arc_count, double xmin, double ymin, double xmax, double ymax) {
  if (!g_writer.file) return E00_NOT_OPEN;
  if (arc_count < 1) return E00_BAD_ARG;
  std::string line;
  append_fields(line, {arc_count});
  e00_append_number(line, g_writer.geo_digits, xmin);
  e00_append_number(line, g_writer.geo_digits, ymin);
  int rc;
  if (g_writer.precision == E00_PREC_DOUBLE) {
    rc = e00_put_line(line);
    line.clear();
    if (rc != E00_OK) return rc;
  }
  e00_append_number(line, g_writer.geo_digits, xmax);
  e00_append_number(line, g_writer.geo_digits, ymax);
  rc = e00_put_line(line);
  if (rc == E00_OK) {
    g_writer.pal_entry = 0;
    g_writer.pal_total = arc_count;
  }
  return rc;
}

int e00_write_pal_arc(long arc, long node, long polygon) {
  if (!g_writer.file) return E00_NOT_OPEN;
  if (node < 0 || polygon < 0) return E00_BAD_ARG;
  std::string entry;
  append_fields(entry, {arc, node, polygon});
  ++g_writer.pal_entry;
  if (g_writer.pal_entry % 2 == 0 || g_writer.pal_entry == g_writer.pal_total)
    return e00_put_line(entry);
  return e00_put_text(entry);
}

int e00_write_tx6_record(const char* text, double x, double y, double height, int level,
                         long text_number) {
  if (!g_writer.file) return E00_NOT_OPEN;
  if (!text || !*text || level < 1 || text_number < 1) return E00_BAD_ARG;
  int len = (int)std::strlen(text);
  std::string& line = line_buffer();
  append_fields(line, {text_number, level, 2, 0, 1, 0, len});
  int rc = e00_put_line(line);
  /* The six lines of symbol and offset fields, and the -100 line, the same
  ** in every record. */
  static const std::string k_fixed_lines[] = {
      int_fields(1, 7), int_fields(0, 7), int_fields(0, 6), int_fields(1, 7), int_fields(0, 7), int_fields(0, 6),
      [] {
        std::string t;
        e00_append_number(t, k_digits_single, -100.0);
        return t;
      }()};
  for (const std::string& fixed : k_fixed_lines)
    if (rc == E00_OK) rc = e00_put_line(fixed);
  double h[3] = {height, 0.0, 0.0};
  double p[2] = {x, y};
  if (rc == E00_OK) rc = put_numbers(h, 3);
  if (rc == E00_OK) rc = put_numbers(p, 2);
  if (rc == E00_OK) rc = put_numbers(p, 2);
  for (int at = 0; at < len && rc == E00_OK; at += k_tx6_text_line)
    rc = e00_put(text + at, (std::size_t)std::min(k_tx6_text_line, len - at), true);
  return rc;
}

int e00_write_tx6_end() {
  int rc = e00_write_section_end();
  return rc == E00_OK ? e00_put_line("JABBERWOCKY") : rc;
}

int e00_write_tol(double value) {
  if (!g_writer.file) return E00_NOT_OPEN;
  if (value == 0.0) return E00_BAD_ARG;
  value = std::fabs(value);
  int rc = put_section_line("TOL");
  for (int i = 1; i <= k_tol_lines && rc == E00_OK; ++i) {
    double v = 0.0;
    if (i == 1 || i >= 7) v = value * 0.0001;
    else if (i == 6) v = value * 0.001;
    std::string line;
    append_fields(line, {i, 2});
    e00_append_number(line, g_writer.geo_digits, v);
    rc = e00_put_line(line);
  }
  return rc == E00_OK ? e00_write_section_end() : rc;
}

int e00_write_sin() {
  if (!g_writer.file) return E00_NOT_OPEN;
  int rc = put_section_line("SIN");
  return rc == E00_OK ? e00_put_line("EOX") : rc;
}

int e00_write_log() {
  if (!g_writer.file) return E00_NOT_OPEN;
  int rc = put_section_line("LOG");
  return rc == E00_OK ? e00_put_line("EOL") : rc;
}

int e00_write_eoi() {
  if (!g_writer.file) return E00_NOT_OPEN;
  int rc = e00_put_line("EOI");
  return rc == E00_OK ? e00_put_line("EOS") : rc;
}

int e00_write_prj(int type, int unit, int zone, double a_m, double b_m, double origin_lon_deg,
                  double origin_lat_deg, double parallel1_deg, double parallel2_deg,
                  double false_easting, double false_northing, double scale_factor) {
  static const char* const k_projections[] = {"GEOGRAPHIC", "UTM", "TRANSVERSE", "LAMBERT"};
  static const char* const k_units[] = {"DD", "FEET", "METERS"};
  if (!g_writer.file) return E00_NOT_OPEN;
  if (type < E00_PRJ_GEOGRAPHIC || type > E00_PRJ_USER || type == E00_PRJ_DSTEREO) return 0;
  if (type == E00_PRJ_USER) return E00_OK;
  if (unit < E00_UNIT_DD || unit > E00_UNIT_METERS) return 0;
  if ((type == E00_PRJ_GEOGRAPHIC) != (unit == E00_UNIT_DD)) return 0;
  if (type == E00_PRJ_UTM && (zone < 1 || zone > 60)) return 0;
  if (!(origin_lon_deg >= -180.0 && origin_lon_deg <= 180.0)) return 0;
  if (!(origin_lat_deg >= -90.0 && origin_lat_deg <= 90.0)) return 0;
  if (!(parallel1_deg >= -90.0 && parallel1_deg <= 90.0)) return 0;
  if (!(parallel2_deg >= -90.0 && parallel2_deg <= 90.0)) return 0;
  const char* spheroid = e00_spheroid_name(a_m, b_m);
  if (!spheroid) return 0;

  std::vector<std::string> lines;
  auto keyword = [&lines](std::string text) {
    lines.push_back(std::move(text));
    lines.emplace_back("~");
  };
  keyword(std::string("Projection    ") + k_projections[type]);
  if (type == E00_PRJ_UTM) {
    std::string z;
    out_appendf(z, "Zone          %d", zone);
    keyword(z);
  }
  keyword("Zunits        NO");
  keyword(std::string("Units         ") + k_units[unit]);
  keyword(std::string("Spheroid      ") + spheroid);
  keyword("Xshift        0.0000000");
  keyword("Yshift        0.0000000");
  keyword("Parameters");
  std::string head;
  out_appendf(head, "PRJ  %d", g_writer.precision);
  int rc = e00_put_line(head);
  for (std::size_t i = 0; i < lines.size() && rc == E00_OK; ++i) rc = e00_put_line(lines[i]);
  auto metres = [](double v) {
    std::string t;
    out_appendf(t, "%.5lf", v);
    return t;
  };
  if (rc == E00_OK && type == E00_PRJ_LAMBERT) {
    double dms[4] = {parallel1_deg, parallel2_deg, origin_lon_deg, origin_lat_deg};
    for (int i = 0; i < 4 && rc == E00_OK; ++i) rc = put_dms_line(dms[i]);
  } else if (rc == E00_OK && type == E00_PRJ_TRANSVERSE) {
    rc = e00_put_line(metres(scale_factor));
    if (rc == E00_OK) rc = e00_put_line("~");
    if (rc == E00_OK) rc = put_dms_line(origin_lon_deg);
    if (rc == E00_OK) rc = put_dms_line(origin_lat_deg);
  }
  if (rc == E00_OK && (type == E00_PRJ_LAMBERT || type == E00_PRJ_TRANSVERSE)) {
    rc = e00_put_line(metres(false_easting));
    if (rc == E00_OK) rc = e00_put_line("~");
    if (rc == E00_OK) rc = e00_put_line(metres(false_northing));
    if (rc == E00_OK) rc = e00_put_line("~");
  }
  return rc == E00_OK ? e00_put_line("EOP") : rc;
}
