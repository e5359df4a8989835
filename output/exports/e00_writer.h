/*
** e00_writer.h: the ArcInfo export (E00) writer. One uncompressed E00 file
** holds one coverage: its geometry sections (ARC, CNT, LAB, PAL, TX6), its
** description sections (TOL, SIN, LOG, PRJ) and its INFO tables (.BND,
** .TIC, .PAT, .AAT). Each operation writes one section header, one record
** or one table into the one file the module has open; the plot loop and the
** export command call them in the order of the sections.
**
**   e00_open("maps/geology", 4096, E00_PREC_SINGLE);   -> maps/geology.E00
**   e00_write_exp(); e00_write_lab_header(); ... e00_write_eoi(); e00_close();
**
** Every operation answers E00_OK (1) on success, E00_BAD_ARG (-1) for a bad
** argument (nothing written, the file stays open), E00_NOT_OPEN (-5) when no
** file is open, and on a failed write the fprintf result (0 or negative)
** after the file has been closed and the writer reset. Lines end with CR LF.
*/
#ifndef PV_OUTPUT_E00_WRITER_H
#define PV_OUTPUT_E00_WRITER_H

#include <cstddef>
#include <cstdio>
#include <string>

/* Results of the writer's operations. */
constexpr int E00_OK = 1;              /* done                                   */
constexpr int E00_BAD_ARG = -1;        /* bad argument, nothing written          */
constexpr int E00_NO_BUFFER = -2;      /* the stdio buffer cannot be had or set  */
constexpr int E00_CANNOT_CREATE = -3;  /* the file cannot be created             */
constexpr int E00_ALREADY_OPEN = -4;   /* a file is open already                 */
constexpr int E00_NOT_OPEN = -5;       /* no file is open                        */
constexpr int E00_NO_TEXT = -6;        /* a number formatted to nothing          */

/* Precision codes of the sections' headers. */
constexpr int E00_PREC_SINGLE = 2; /* 7 digits after the point            */
constexpr int E00_PREC_DOUBLE = 3; /* 14 (geometry) or 17 (INFO) digits   */

/* Longest cover name, in characters. */
constexpr int E00_COVER_MAX = 13;
/* Smallest stdio buffer given to the file, in bytes. */
constexpr std::size_t E00_MIN_BUFFER = 1024;
/* Width of a written line of INFO records and CNT label lists. */
constexpr int E00_LINE_WIDTH = 80;

/* INFO item types. */
constexpr int E00_ITEM_CHAR = 20;   /* character, the given width                */
constexpr int E00_ITEM_INTEXT = 30; /* integer in character form, given width    */
constexpr int E00_ITEM_BINARY = 50; /* binary integer, 4 bytes                   */
constexpr int E00_ITEM_FLOAT = 60;  /* floating point, 4 (single) or 8 (double)  */

/* Projection type indexes of e00_write_prj (the map's type indexes). */
constexpr int E00_PRJ_GEOGRAPHIC = 0;
constexpr int E00_PRJ_UTM = 1;
constexpr int E00_PRJ_TRANSVERSE = 2;
constexpr int E00_PRJ_LAMBERT = 3;
constexpr int E00_PRJ_DSTEREO = 4; /* has no E00 form          */
constexpr int E00_PRJ_USER = 5;    /* written as nothing at all */

/* Unit indexes of e00_write_prj. */
constexpr int E00_UNIT_DD = 0;
constexpr int E00_UNIT_FEET = 1;
constexpr int E00_UNIT_METERS = 2;

/* The module's one writer. */
struct e00_writer_rec {
  std::FILE* file = nullptr;   /* the open file, null when none            */
  char* buffer = nullptr;      /* its stdio buffer (malloc'd, owned)        */
  int precision = E00_PREC_SINGLE; /* 2 single, 3 double                    */
  std::string cover;           /* cover name, at most 13 characters         */
  int geo_digits = 0;          /* digits after the point of ARC, LAB, CNT, PAL, TX6, TOL numbers */
  int info_digits = 0;         /* digits after the point of INFO values     */
  std::string line;            /* geometry line work buffer                 */
  std::string record;          /* INFO record work buffer                   */
  long pal_entry = 0;          /* PAL entries written of the current polygon */
  long pal_total = 0;          /* PAL entries the current polygon announced */
};

/* One row of the spheroid table. */
struct e00_spheroid_row {
  const char* name; /* keyword written on the Spheroid line */
  double a_m;       /* semi-major axis, metres              */
  double b_m;       /* semi-minor axis, metres              */
};

/* The writer's state, for tests and the plot stages. */
const e00_writer_rec& e00_writer_state();

/* Spheroid keywords by axes: the 29 rows in their order. */
extern const e00_spheroid_row e00_spheroid_table[];
extern const int e00_spheroid_count;


/* Answers the keyword of the first row whose axes equal a and b exactly,
** else of the first row whose two axes both lie within a centimetre of
** them; null when no row matches. */
const char* e00_spheroid_name(double a_m, double b_m);

/* Formats value with the printf format fmt into out (of size bytes) with
** its exponent at exactly two digits. Answers 1; 0 when the exponent needs
** three digits (it is written "99"); E00_NO_TEXT when nothing could be
** formatted (no room, not a finite number). */
int e00_format_number(char* out, std::size_t size, const char* fmt, double value);

/* Splits an angle into degrees (toward zero, -0 kept for -1 < angle < 0),
** minutes and seconds with the carries of a DMS line. Answers 1; 0 for a
** missing output. */
int e00_deg_to_dms(double deg, double* d, double* m, double* s);

/* Storage width, output width and decimals of an INFO item of a type and
** width in the current precision; 0 for an unknown type. */
int e00_item_size(int type, int width);
int e00_item_out_width(int type, int width);
int e00_item_decimals(int type);

/* Opening and closing. The file is written under a temporary name beside
** it (out_file.h): e00_close puts it in place; e00_discard, for an export
** or plot that failed, removes it and leaves an earlier file as it was
** (E00_OK, or E00_NOT_OPEN). A failed write discards the file too. */
int e00_open(const char* name, std::size_t buffer_size, int precision);
int e00_close();
int e00_discard();
/* Writes out the lines the file's buffer holds, so that a pass that could
** not be written fails at its end: E00_OK, E00_NOT_OPEN, or 0 after the
** file has been discarded and the writer reset. */
int e00_flush();

/* Section headers and ends. */
int e00_write_exp();
int e00_write_section(const char* name);
int e00_write_arc_header();
int e00_write_cnt_header();
int e00_write_lab_header();
int e00_write_pal_header();
int e00_write_ifo();
int e00_write_tx6_header();
int e00_write_section_end();
int e00_write_arc_end();

/* Geometry records. */
int e00_write_arc_record(long cover_number, long cover_id, long from_node, long to_node,
                         long left_poly, long right_poly, int point_count);
int e00_write_arc_points(const double* x, const double* y, int count);
int e00_write_lab_record(int box_flag, long label_id, long poly_id, double x, double y,
                         double box_x, double box_y);
int e00_write_lab_end();
int e00_write_cnt_record(double x, double y, const long* labels, int count);
int e00_write_pal_record(long arc_count, double xmin, double ymin, double xmax, double ymax);
int e00_write_pal_arc(long arc, long node, long polygon);
int e00_write_tx6_record(const char* text, double x, double y, double height, int level,
                         long text_number);
int e00_write_tx6_end();

/* Description sections. */
int e00_write_tol(double value);
int e00_write_sin();
int e00_write_log();
int e00_write_eoi();
int e00_write_prj(int type, int unit, int zone, double a_m, double b_m, double origin_lon_deg,
                  double origin_lat_deg, double parallel1_deg, double parallel2_deg,
                  double false_easting, double false_northing, double scale_factor);

/* INFO tables. Item values are texts (null or blank: missing). A float
** item declares the decimals given for it (the caller's columns' own; null
** decimals or a negative one: e00_item_decimals), as many as its output
** width can show; the
** fixed items declare e00_item_decimals; other types none. */
int e00_write_info_header(const char* table, int item_count, int record_length, long record_count);
int e00_write_item_def(const char* name, int storage_width, int output_width, int decimals,
                       int type, int position_code, long index);
int e00_write_bnd(double xmin, double ymin, double xmax, double ymax);
int e00_write_tic(const double* x, const double* y, int count);
int e00_write_pat(const char* const* names, const int* types, const int* widths,
                  const int* decimals, int item_count, long record_count);
int e00_write_aat(const char* const* names, const int* types, const int* widths,
                  const int* decimals, int item_count, long record_count);
int e00_write_info_record(const char* const* values, const int* types, const int* widths,
                          int count);
int e00_write_pat_record(double area, double perimeter, long cover_number, long cover_id,
                         const char* const* values, const int* types, const int* widths,
                         int count);
int e00_write_aat_record(long from_node, long to_node, long left_poly, long right_poly,
                         double length, long cover_number, long cover_id,
                         const char* const* values, const int* types, const int* widths,
                         int count);

#endif /* PV_OUTPUT_E00_WRITER_H */
