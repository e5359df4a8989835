/*
** mif_writer.cpp: the MapInfo .MIF/.MID pair: opening, the header with its
** coordinate system and columns, the graphic objects (point, polyline,
** region, text, none) and the .MID value lines.
**
** Every .MID value is as long as it is, with no blanks padding it to its
** column (a reader takes a padded number for a malformed one); a missing
** value or a blank number is an empty field. Character values go into
** .MID lines as they are unless a reader could take them apart: with the
** blank delimiter every value is trimmed and character values are quoted;
** with any delimiter a character value that holds the delimiter, a double
** quote, a tab or a line break is quoted, inner quotes doubled (readers
** take a quoted line break as part of the value). A float value is
** written with 15 significant digits, an exact number's of more as its
** digits.
*/
#include "output/exports/mif_writer.h"
#include "output/exports/out_ellipsoid.h"
#include "output/exports/out_file.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "output/exports/out_text.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

mif_writer_rec g_mif; /* the module's one pair of files */

/* Type names of the header's columns, by type code 1..7. */
const char* const k_col_type_names[] = {nullptr, "char", "integer", "smallint", "decimal",
                                        "float", "date", "logical"};
/* MapInfo projection numbers by projection type (DSTEREO and USER none). */
const int k_projection_numbers[] = {1, 8, 8, 3, 0, 0};
/* Unit names by unit index. */
const char* const k_unit_names[] = {"", "ft", "m"};
/* Character set of the .MID values, named after the DELIMITER line: the
** editor's code page, Windows-1252. */
constexpr const char* k_charset_line = "CHARSET \"WindowsLatin1\"";
/* Colours written as they are; any other is written as 6. */
const unsigned long k_colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x00FFFF, 0xFF00FF, 0xFFFF00, 0};
constexpr unsigned long k_other_colour = 6;
/* Widths of integer and smallint values in a .MID line. */
constexpr int k_integer_width = 11;
constexpr int k_smallint_width = 6;
/* Significant digits of a float value in a .MID line. */
constexpr int k_float_digits = 15;

/* Writes text and CR LF to f. MIF_OK or MIF_WRITE_FAILED. */
int put_line(std::FILE* f, const std::string& text) {
  if (std::fputs(text.c_str(), f) >= 0 && std::fputs("\r\n", f) >= 0 && !std::ferror(f)) return MIF_OK;
  out_note_failure();
  return MIF_WRITE_FAILED;
}

/* Writes every line to f; stops at the first failure. */
int put_lines(std::FILE* f, const std::vector<std::string>& lines) {
  int rc = MIF_OK;
  for (std::size_t i = 0; i < lines.size() && rc == MIF_OK; ++i) rc = put_line(f, lines[i]);
  return rc;
}

/* Answers the colour as written: one of the accepted ones, else 6. */
unsigned long colour_of(unsigned long c) {
  for (unsigned long k : k_colours)
    if (k == c) return c;
  return k_other_colour;
}

/* Answers text between double quotes with inner quotes doubled. */
std::string quoted(const std::string& text) {
  std::string q = "\"";
  for (char c : text) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

/* Answers text without blanks at both ends. */
std::string trimmed(const std::string& text) {
  std::size_t b = text.find_first_not_of(' ');
  if (b == std::string::npos) return std::string();
  std::size_t e = text.find_last_not_of(' ');
  return text.substr(b, e - b + 1);
}

/* Answers the .MID delimiter: the given text or a blank when empty; null
** when it is longer than the writer allows. */
const char* delimiter_of(const char* d) {
  if (!d || !*d) return " ";
  return std::strlen(d) > (std::size_t)MIF_DELIMITER_MAX ? nullptr : d;
}

/* Appends the pen line of a polyline or region when its style is valid. */
void add_pen(std::vector<std::string>& lines, int width, int pattern, unsigned long colour) {
  if (width < 0 || width > 7 || pattern < 1 || pattern > 77) return;
  std::string t;
  out_appendf(t, "PEN (%d,%d,%lu)", width, pattern, colour_of(colour));
  lines.push_back(t);
}

/* Appends "X Y" with the decimals the header's system needs. */
void add_xy(std::string& t, double x, double y) {
  sql_append_fixed(t, x, g_mif.coord_decimals);
  t += ' ';
  sql_append_fixed(t, y, g_mif.coord_decimals);
}

/* Appends v as "%.<digits>g" writes it, without the cost of printf: the
** conversion gives the same correctly rounded digits. */
void add_general(std::string& t, double v, int digits) {
  char buf[64];
  std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
  if (std::isfinite(v) && r.ec == std::errc())
    t.append(buf, r.ptr);
  else
    out_appendf(t, "%.*g", digits, v);
}

/* Appends one "X Y" line per point. */
void add_points(std::vector<std::string>& lines, const double* x, const double* y, int count) {
  for (int i = 0; i < count; ++i) {
    std::string t;
    add_xy(t, x[i], y[i]);
    lines.push_back(t);
  }
}

/* Closes one file, in place when whole and removed otherwise, and frees
** its buffer; answers false when it failed. */
bool close_one(std::FILE*& f, char*& buffer, bool whole = true) {
  bool ok = true;
  if (f) ok = out_temp_fclose(f, whole) == 0;
  f = nullptr;
  std::free(buffer);
  buffer = nullptr;
  return ok;
}

}  // namespace

const mif_datum_row mif_datum_table[] = {
    {"AIRY", 79, 6377563.396, 6356256.91},
    {"AUSTRALIAN", 12, 6378160.0, 6356774.719},
    {"BESSEL", 109, 6377379.155, 6356078.96284},
    {"CLARKE1880", 19, 6378249.145, 6356514.86955},
    {"CLARKE1866", 66, 6378206.4, 6356583.8},
    {"NAD27", 66, 6378206.4, 6356583.8},
    {"EVEREST", 41, 6377276.3452, 6356075.4133},
    {"FISCHER1960", 0, 6378166.0, 6356784.28},
    {"FISCHER1968", 0, 6378150.0, 6356768.33},
    {"GRS80", 74, 6378137.0, 6356752.31414},
    {"NAD83", 74, 6378137.0, 6356752.31414},
    {"HELMERT1906", 76, 6378200.0, 6356818.17},
    {"HOUGH", 100, 6378270.0, 6356794.343479},
    {"INT1909", 0, 6378388.0, 6356911.94613},
    {"KRASOVSKY", 2, 6378245.0, 6356863.0188},
    {"MERCURY1960", 0, 6378166.0, 6356784.283666},
    {"MODAIRY", 42, 6377341.89, 6356036.143},
    {"MODEVEREST", 47, 6377304.063, 6356103.039},
    {"MODIFIEDFISCHER1960", 93, 6378155.0, 6356773.32},
    {"MERCURY1968", 0, 6378150.0, 6356768.337303},
    {"INT1967", 110, 6378157.5, 6356772.2},
    {"SOUTHAMERICAN1969", 0, 6378160.0, 6356774.72},
    {"SEASIA", 0, 6378155.0, 6356773.3205},
    {"SPHERE", 0, 6370997.0, 6370997.0},
    {"WALBECK", 0, 6376896.0, 6355834.8467},
    {"WGS66", 102, 6378145.0, 6356759.769356},
    {"WGS72", 103, 6378135.0, 6356750.519915},
    {"WGS84", 104, 6378137.0, 6356752.31},
};
const int mif_datum_count = (int)(sizeof mif_datum_table / sizeof mif_datum_table[0]);

const mif_writer_rec& mif_writer_state() { return g_mif; }

long mif_datum_number(double a_m, double b_m) {
  const mif_datum_row* row = out_find_axes(mif_datum_table, mif_datum_count, a_m, b_m);
  return row ? row->datum : 0;
}

int mif_text_blank(const char* text) {
  if (!text) return 1;
  for (const unsigned char* p = (const unsigned char*)text; *p; ++p)
    if (*p >= 33 && *p <= 125) return 0;
  return 1;
}

int mif_open_file(const char* name, const char* ext, std::size_t buffer_size, std::FILE** file,
                  char** buffer) {
  if (!name || !ext || !file || !buffer) return MIF_BAD_ARG;
  std::string path(name);
  /* The directory stays as given; only the file's own name is cleaned and
  ** cut at its first ".". */
  std::size_t own = path.find_last_of("/\\");
  own = (own == std::string::npos) ? 0 : own + 1;
  std::string dir = path.substr(0, own);
  std::string base;
  for (std::size_t i = own; i < path.size() && path[i] != '.'; ++i) {
    unsigned char c = (unsigned char)path[i];
    if (c >= 33 && c <= 125) base += (char)c;
  }
  std::size_t size = buffer_size < MIF_MIN_BUFFER ? MIF_MIN_BUFFER : buffer_size;
  char* buf = static_cast<char*>(std::malloc(size));
  if (!buf) {
    mif_discard();
    return MIF_NO_MEMORY;
  }
  std::FILE* f = out_temp_fopen((dir + base + ext).c_str(), "wb");
  if (!f) {
    std::free(buf);
    return MIF_CANNOT_OPEN;
  }
  std::setvbuf(f, buf, _IOFBF, size);
  close_one(*file, *buffer);
  *file = f;
  *buffer = buf;
  return MIF_OK;
}

int mif_open(const char* name, std::size_t buffer_size) {
  g_mif.coord_decimals = 6;
  return mif_open_file(name, ".MIF", buffer_size, &g_mif.mif, &g_mif.mif_buffer);
}

int mid_open(const char* name, std::size_t buffer_size) {
  return mif_open_file(name, ".MID", buffer_size, &g_mif.mid, &g_mif.mid_buffer);
}

int mif_close() {
  /* A pair is whole only when both files are: when one cannot be written
  ** out, neither is put in place. */
  bool ok = !g_mif.mif || (std::fflush(g_mif.mif) == 0 && !std::ferror(g_mif.mif));
  ok = (!g_mif.mid || (std::fflush(g_mif.mid) == 0 && !std::ferror(g_mif.mid))) && ok;
  if (!ok) out_note_failure();
  ok = close_one(g_mif.mif, g_mif.mif_buffer, ok) && ok;
  ok = close_one(g_mif.mid, g_mif.mid_buffer, ok) && ok;
  return ok ? MIF_OK : MIF_WRITE_FAILED;
}

int mif_discard() {
  close_one(g_mif.mif, g_mif.mif_buffer, false);
  close_one(g_mif.mid, g_mif.mid_buffer, false);
  return MIF_OK;
}

int mif_write_header(int version, const char* delimiter, const int* unique_cols, int unique_count,
                     const int* index_cols, int index_count, const char* const* names,
                     const int* types, const int* widths, const int* decimals, int col_count,
                     int prj_type, int unit, double origin_lon_deg, double origin_lat_deg,
                     double parallel1_deg, double parallel2_deg, double scale_factor,
                     double false_easting, double false_northing, double a_m, double b_m,
                     double xmin, double ymin, double xmax, double ymax) {
  if (version != 1 && version != 2) return MIF_BAD_ARG;
  if (!names || !types || !widths || col_count < 1) return MIF_BAD_ARG;
  if (!g_mif.mif) return MIF_BAD_ARG;
  if (prj_type < MIF_PRJ_GEOGRAPHIC || prj_type > MIF_PRJ_USER || prj_type == MIF_PRJ_DSTEREO)
    return MIF_BAD_ARG;
  if (unit < MIF_UNIT_NONE || unit > MIF_UNIT_METERS) return MIF_BAD_ARG;
  if ((unit == MIF_UNIT_NONE) != (prj_type == MIF_PRJ_GEOGRAPHIC)) return MIF_BAD_ARG;
  g_mif.coord_decimals = prj_type == MIF_PRJ_GEOGRAPHIC ? 9 : 6;
  if (!(origin_lon_deg >= -180.0 && origin_lon_deg <= 180.0)) return 0;
  if (!(origin_lat_deg >= -90.0 && origin_lat_deg <= 90.0)) return 0;
  if (!(parallel1_deg >= -90.0 && parallel1_deg <= 90.0)) return 0;
  if (!(parallel2_deg >= -90.0 && parallel2_deg <= 90.0)) return 0;
  long datum = mif_datum_number(a_m, b_m);
  if (prj_type != MIF_PRJ_USER && datum <= 0) return MIF_BAD_ARG;

  std::vector<std::string> lines;
  std::string t;
  out_appendf(t, "VERSION %d", version);
  lines.push_back(t);
  lines.push_back("DELIMITER " + quoted(delimiter && *delimiter ? delimiter : " "));
  lines.push_back(k_charset_line);
  auto key_line = [&lines](const char* word, const int* cols, int n) {
    if (!cols || n < 1) return;
    std::string k = word;
    for (int i = 0; i < n; ++i) out_appendf(k, i ? ",%d" : "%d", cols[i]);
    lines.push_back(k);
  };
  key_line("UNIQUE ", unique_cols, unique_count);
  key_line("INDEX ", index_cols, index_count);
  lines.push_back(prj_type == MIF_PRJ_USER ? "COORDSYS NONEARTH" : "COORDSYS EARTH");
  t.clear();
  int number = k_projection_numbers[prj_type];
  switch (prj_type) {
    case MIF_PRJ_GEOGRAPHIC: out_appendf(t, "PROJECTION %d,%ld", number, datum); break;
    case MIF_PRJ_UTM:
    case MIF_PRJ_TM:
      out_appendf(t, "PROJECTION %d,%ld,\"%s\",%lf,%lf,%lf,%lf,%lf", number, datum,
                  k_unit_names[unit], origin_lon_deg, origin_lat_deg, scale_factor, false_easting,
                  false_northing);
      break;
    case MIF_PRJ_LAMBERT:
      /* A conformal conic carries no scale factor in a coordinate system
      ** line: origin, the two parallels, false easting and northing. */
      out_appendf(t, "PROJECTION %d,%ld,\"%s\",%lf,%lf,%lf,%lf,%lf,%lf", number, datum,
                  k_unit_names[unit], origin_lon_deg, origin_lat_deg, parallel1_deg,
                  parallel2_deg, false_easting, false_northing);
      break;
    default:
      out_appendf(t, "UNITS \"%s\"", k_unit_names[unit]);
      lines.push_back(t);
      t.clear();
      out_appendf(t, "BOUNDS (%lf,%lf) (%lf,%lf)", xmin, ymin, xmax, ymax);
      break;
  }
  lines.push_back(t);
  t.clear();
  out_appendf(t, "COLUMNS %d", col_count);
  lines.push_back(t);
  for (int i = 0; i < col_count; ++i) {
    int type = types[i];
    if (!names[i] || type < MIF_COL_CHAR || type > MIF_COL_LOGICAL) return MIF_BAD_ARG;
    t.clear();
    out_appendf(t, "  %s %s", names[i], k_col_type_names[type]);
    if (type == MIF_COL_CHAR) {
      if (widths[i] < 1) return MIF_BAD_ARG;
      out_appendf(t, "(%d)", widths[i]);
    } else if (type == MIF_COL_DECIMAL) {
      int dec = decimals ? decimals[i] : 0;
      if (dec < 0 || dec + 1 >= widths[i]) return MIF_BAD_ARG;
      out_appendf(t, "(%d,%d)", widths[i], dec);
    }
    lines.push_back(t);
  }
  lines.push_back("DATA ");
  return put_lines(g_mif.mif, lines);
}

int mid_value_format(const char* const* values, const int* types, const int* widths,
                     const int* decimals, int count, const char* delimiter,
                     const unsigned char* exact) {
  if (!g_mif.mid) return MIF_NOT_OPEN;
  if (!values || !types || !widths || count < 1) return MIF_BAD_ARG;
  const char* delim = delimiter_of(delimiter);
  if (!delim) return MIF_BAD_ARG;
  bool blank = std::strcmp(delim, " ") == 0;
  /* An empty field: nothing between two delimiters, or a quoted nothing
  ** where blanks delimit. */
  const std::string none = blank ? "\"\"" : "";
  std::string line;
  for (int i = 0; i < count; ++i) {
    if (i) line += delim;
    int type = types[i];
    int w = widths[i] > 0 ? widths[i] : 0;
    if (!values[i]) {
      line += none;
      continue;
    }
    if (type == MIF_COL_DECIMAL || type == MIF_COL_FLOAT) {
      if (trimmed(values[i]).empty()) {
        line += none;
        continue;
      }
      /* An exact number of more digits than a double keeps goes as its
      ** own digits. */
      out_decimal digits;
      if (type == MIF_COL_FLOAT && exact && exact[i] && out_decimal_parse(values[i], &digits) &&
          digits.digits.size() > OUT_DOUBLE_DIGITS) {
        line += trimmed(values[i]);
        continue;
      }
      errno = 0;
      char* end = nullptr;
      double d = std::strtod(values[i], &end);
      while (end && *end == ' ') ++end;
      if (errno != 0 || end == values[i] || (end && *end)) return MIF_BAD_ARG;
      if (type == MIF_COL_DECIMAL)
        sql_append_fixed(line, d, decimals ? decimals[i] : 0);
      else
        add_general(line, d, k_float_digits);
      continue;
    }
    int cut = type == MIF_COL_INTEGER ? k_integer_width
              : type == MIF_COL_SMALLINT ? k_smallint_width : w;
    std::string v(values[i], strnlen(values[i], (std::size_t)cut));
    if (type == MIF_COL_CHAR) {
      std::string text = blank ? trimmed(v) : str_trim_right(v.c_str());
      bool quote = blank || text.find_first_of("\"\r\n\t") != std::string::npos ||
                   text.find(delim) != std::string::npos;
      line += quote ? quoted(text) : text;
    } else {
      std::string number = trimmed(v);
      line += number.empty() ? none : number;
    }
  }
  return put_line(g_mif.mid, line);
}

int mid_write_empty_row(int col_count, const char* delimiter) {
  if (!g_mif.mid) return MIF_NOT_OPEN;
  if (col_count < 1) return MIF_BAD_ARG;
  const char* delim = delimiter_of(delimiter);
  if (!delim) return MIF_BAD_ARG;
  std::string line;
  for (int i = 1; i < col_count; ++i) line += delim;
  return put_line(g_mif.mid, line);
}

int mif_write_point(double x, double y, int shape, unsigned long colour, int size) {
  if (!g_mif.mif) return MIF_NOT_OPEN;
  std::vector<std::string> lines(1);
  lines[0] = "POINT ";
  add_xy(lines[0], x, y);
  if (shape >= 32 && shape <= 255) {
    std::string t;
    out_appendf(t, "SYMBOL (%d,%lu,%d)", shape, colour_of(colour), size < 1 ? 1 : size);
    lines.push_back(t);
  }
  return put_lines(g_mif.mif, lines);
}

int mif_write_pline(const double* x, const double* y, int count, int pen_width, int pen_pattern,
                    unsigned long pen_colour, int smooth) {
  if (!g_mif.mif) return MIF_NOT_OPEN;
  if (!x || !y || count < 1) return MIF_BAD_ARG;
  std::vector<std::string> lines(1);
  out_appendf(lines[0], "PLINE %d", count);
  add_points(lines, x, y, count);
  add_pen(lines, pen_width, pen_pattern, pen_colour);
  if (smooth) lines.push_back("SMOOTH");
  return put_lines(g_mif.mif, lines);
}

int mif_write_region(const double* x, const double* y, int count, int pen_width, int pen_pattern,
                     unsigned long pen_colour, int brush_pattern, unsigned long brush_fore,
                     unsigned long brush_back, double centre_x, double centre_y) {
  if (!g_mif.mif) return MIF_NOT_OPEN;
  if (!x || !y || count < 1) return MIF_BAD_ARG;
  std::vector<std::string> lines = {"REGION 1", ""};
  out_appendf(lines[1], "%d", count);
  add_points(lines, x, y, count);
  add_pen(lines, pen_width, pen_pattern, pen_colour);
  if (brush_pattern >= 1 && brush_pattern <= 71) {
    std::string t;
    out_appendf(t, "BRUSH (%d,%lu,%lu)", brush_pattern, colour_of(brush_fore),
                colour_of(brush_back));
    lines.push_back(t);
  }
  if (centre_x != 0.0 || centre_y != 0.0) {
    std::string t;
    t = "CENTER ";
    add_xy(t, centre_x, centre_y);
    lines.push_back(t);
  }
  return put_lines(g_mif.mif, lines);
}

int mif_write_text(const char* text, double x1, double y1, double x2, double y2, double angle_deg,
                   const char* font) {
  if (!g_mif.mif) return MIF_NOT_OPEN;
  if (mif_text_blank(text) || x2 < x1 || y2 < y1) return MIF_BAD_ARG;
  std::vector<std::string> lines = {"TEXT " + quoted(text), ""};
  add_xy(lines[1], x1, y1);
  lines[1] += ' ';
  add_xy(lines[1], x2, y2);
  if (angle_deg != 0.0) {
    std::string t;
    t = "ANGLE ";
    sql_append_fixed(t, angle_deg, 3);
    lines.push_back(t);
  }
  if (!mif_text_blank(font)) lines.push_back("FONT (" + quoted(font) + ",0,0,0)");
  return put_lines(g_mif.mif, lines);
}

int mif_write_none() {
  if (!g_mif.mif) return MIF_NOT_OPEN;
  return put_line(g_mif.mif, "NONE");
}
