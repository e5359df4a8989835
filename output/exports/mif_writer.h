/*
** mif_writer.h: the MapInfo interchange writer. A .MIF file holds the
** header (version, delimiter, key columns, coordinate system, columns) and
** one graphic object per record; the .MID file beside it holds one line of
** attribute values per object, in the same order. One pair is open at a
** time, for the module.
**
**   mif_open("maps/geo", 4096); mid_open("maps/geo", 4096);
**   mif_write_header(...); mif_write_point(...); mid_value_format(...);
**   mif_close();
**
** Results: MIF_OK (1); MIF_BAD_ARG (-7); MIF_CANNOT_OPEN (-8); MIF_NO_MEMORY
** (-9); MIF_NOT_OPEN (-10) when the file to be written is not open;
** MIF_WRITE_FAILED (-6); 0 from the header for an angle out of range.
** Lines end with CR LF; reals are written with "%lf", coordinates after a
** geographic header with nine decimals.
*/
#ifndef PV_OUTPUT_MIF_WRITER_H
#define PV_OUTPUT_MIF_WRITER_H

#include <cstddef>
#include <cstdio>

constexpr int MIF_OK = 1;
constexpr int MIF_WRITE_FAILED = -6;
constexpr int MIF_BAD_ARG = -7;
constexpr int MIF_CANNOT_OPEN = -8;
constexpr int MIF_NO_MEMORY = -9;
constexpr int MIF_NOT_OPEN = -10;

/* Smallest stdio buffer of either file, in bytes. */
constexpr std::size_t MIF_MIN_BUFFER = 1024;
/* Longest .MID delimiter, in characters. */
constexpr int MIF_DELIMITER_MAX = 15;

/* Column types of the header and the .MID values. */
constexpr int MIF_COL_CHAR = 1;
constexpr int MIF_COL_INTEGER = 2;
constexpr int MIF_COL_SMALLINT = 3;
constexpr int MIF_COL_DECIMAL = 4;
constexpr int MIF_COL_FLOAT = 5;
constexpr int MIF_COL_DATE = 6;
constexpr int MIF_COL_LOGICAL = 7;

/* Projection types of the map (the map's type indexes). */
constexpr int MIF_PRJ_GEOGRAPHIC = 0;
constexpr int MIF_PRJ_UTM = 1;
constexpr int MIF_PRJ_TM = 2;
constexpr int MIF_PRJ_LAMBERT = 3;
constexpr int MIF_PRJ_DSTEREO = 4; /* refused     */
constexpr int MIF_PRJ_USER = 5;    /* non-earth   */

/* Units: 0 none (geographic), 1 feet, 2 metres. */
constexpr int MIF_UNIT_NONE = 0;
constexpr int MIF_UNIT_FEET = 1;
constexpr int MIF_UNIT_METERS = 2;

/* The writer's pair of files. */
struct mif_writer_rec {
  std::FILE* mif = nullptr;  /* the .MIF file, null when closed */
  char* mif_buffer = nullptr; /* its stdio buffer (owned)       */
  std::FILE* mid = nullptr;  /* the .MID file, null when closed */
  char* mid_buffer = nullptr; /* its stdio buffer (owned)       */
  int coord_decimals = 6;     /* decimals of coordinates: 9 in degrees, so a
                              ** geographic point keeps a tenth of a millimetre */
};

/* One row of the datum table. */
struct mif_datum_row {
  const char* name; /* ellipsoid name                     */
  long datum;       /* MapInfo datum number, 0: none      */
  double a_m;       /* semi-major axis, metres            */
  double b_m;       /* semi-minor axis, metres            */
};
extern const mif_datum_row mif_datum_table[];
extern const int mif_datum_count;


/* The writer's state, for tests. */
const mif_writer_rec& mif_writer_state();

/* Answers the datum number of the first row whose axes equal a and b, else
** of the first row whose two axes both lie within a centimetre; 0 when no
** row matches or the matching ellipsoid has no datum. */
long mif_datum_number(double a_m, double b_m);

/* Answers 1 when text holds no character between 33 and 125. */
int mif_text_blank(const char* text);

/* Opens the file named name up to the first "." of its own name, with the
** characters outside 33..125 left out of the own name, and extension ext
** (".MIF" or ".MID"); *file and *buffer receive the file and its buffer.
** MIF_OK, MIF_BAD_ARG, MIF_NO_MEMORY (both files closed), MIF_CANNOT_OPEN. */
int mif_open_file(const char* name, const char* ext, std::size_t buffer_size, std::FILE** file,
                  char** buffer);
int mif_open(const char* name, std::size_t buffer_size);
int mid_open(const char* name, std::size_t buffer_size);

/* Flushes and closes both files, written under temporary names beside
** them (out_file.h), and puts them in place. MIF_OK, or MIF_WRITE_FAILED
** when the last buffered lines could not be written (the files are closed
** either way, and neither is put in place). */
int mif_close();
/* Closes both files and removes them, for an export or plot that failed:
** earlier files of those names stay as they were. MIF_OK. */
int mif_discard();

/* The header of the .MIF file. */
int mif_write_header(int version, const char* delimiter, const int* unique_cols, int unique_count,
                     const int* index_cols, int index_count, const char* const* names,
                     const int* types, const int* widths, const int* decimals, int col_count,
                     int prj_type, int unit, double origin_lon_deg, double origin_lat_deg,
                     double parallel1_deg, double parallel2_deg, double scale_factor,
                     double false_easting, double false_northing, double a_m, double b_m,
                     double xmin, double ymin, double xmax, double ymax);

/* One .MID line of values (texts; null is missing), or of no values.
** Each value is written without padding: a missing value or a blank
** number as an empty field; a char value without its trailing blanks,
** quoted when it holds a quote, a tab, a line break or the delimiter; a
** float value of a column exact marks (an exact number's, null for none)
** that holds more digits than a double keeps, as its digits. */
int mid_value_format(const char* const* values, const int* types, const int* widths,
                     const int* decimals, int count, const char* delimiter,
                     const unsigned char* exact = nullptr);
int mid_write_empty_row(int col_count, const char* delimiter);

/* Graphic objects of the .MIF file. */
int mif_write_point(double x, double y, int shape, unsigned long colour, int size);
int mif_write_pline(const double* x, const double* y, int count, int pen_width, int pen_pattern,
                    unsigned long pen_colour, int smooth);
int mif_write_region(const double* x, const double* y, int count, int pen_width, int pen_pattern,
                     unsigned long pen_colour, int brush_pattern, unsigned long brush_fore,
                     unsigned long brush_back, double centre_x, double centre_y);
int mif_write_text(const char* text, double x1, double y1, double x2, double y2, double angle_deg,
                   const char* font);
int mif_write_none();

#endif /* PV_OUTPUT_MIF_WRITER_H */
