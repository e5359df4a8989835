/*
** plot_io.h: what the file outputs of the plot loop share: opening and
** closing a file with its stdio buffer, the row's coordinate column,
** coordinates converted and formatted into the row's texts, the
** delimited line of the text and SPANS outputs and the SPANS .TBA header.
**
**     FILE *f; char *buf;
**     if (plot_open_file("rocks.TXT", &f, &buf, PLOT_FILE_BUFFER) == 0) {
**         plot_write_line(f, row, index, count, PLOT_TYPE_TEXT, ',', '"');
**         plot_close_file(f, buf);
**     }
*/
#ifndef PV_OUTPUT_PLOT_IO_H
#define PV_OUTPUT_PLOT_IO_H

#include <cstddef>
#include <cstdio>

#include "coords/geo_point.h"
#include "core/tbl_column.h"

struct prj_rec;
struct pnt_rec;

/* Bytes of a plot file's stdio buffer (never below PLOT_FILE_BUFFER_MIN). */
#define PLOT_FILE_BUFFER     4096
#define PLOT_FILE_BUFFER_MIN 1024
/* Width and decimals of converted coordinates: projected, geographic. */
#define PLOT_COORD_WIDTH        12
#define PLOT_COORD_DECIMALS     3
#define PLOT_COORD_DECIMALS_GEO 6
/* Smallest text buffer of a column receiving a converted coordinate. */
#define PLOT_COORD_TEXT_SIZE 21
/* Line end of every plot file. */
#define PLOT_EOL "\r\n"

/* Opens path with mode "wb" and a stdio buffer of size bytes (at least
** PLOT_FILE_BUFFER_MIN). 0; -9102 when the file cannot be opened; -9101
** when the buffer cannot be had (the file is closed again); -2 for null
** arguments. */
int plot_open_file(const char *path, std::FILE **file, char **buffer, std::size_t size);
/* Flushes, closes and frees. 0; -9102 when the last lines could not be
** written; -2 without a file. */
int plot_close_file(std::FILE *file, char *buffer);

/* The row's first point column (rule flag 0x400 with its setup) whose
** setup's X and Y columns are both in the row, with the point read from
** the X, Y and (when defined) Z texts, all zero when X or Y is null, and
** the setup's coordinate system. Null (point zeroed) when there is none. */
sql_col_rec *plot_find_coord_column(sql_col_rec *row, geo_point *point, prj_rec **projection);
/* The setup's column of the row by name and table; null when absent. */
sql_col_rec *plot_row_column(sql_col_rec *row, const sql_col_rec *setup_column);

/* Converts the coordinates of the chosen point columns into the output
** projection and writes them into the X and Y texts with width 12 and 3
** decimals (6 when the output is GEOGRAPHIC). With swap, a GEOGRAPHIC
** output and the X column before the Y column, the X column receives the
** latitude and the Y column the longitude. No output projection converts
** nothing. 0; -1 when a point cannot be converted; -9101 without memory. */
int plot_number_format(sql_col_rec *row, prj_rec *out_prj, const int *index, int count, int swap);

/* Writes the delimited line of the chosen columns: CHAR values without
** their trailing blanks enclosed in the text delimiter (the delimiter
** doubled inside them), values separated by the column delimiter (0 for
** either means a blank), a null non-CHAR value as "0" for SPANS or under
** a blank column delimiter; "\r\n" after a line that holds anything. The
** number of values written; -1 when the write fails; -2 for null
** arguments. */
int plot_write_line(std::FILE *file, sql_col_rec *row, const int *index, int count, int type, char col_delim,
                    char txt_delim);

/* Writes the .TBA header: ID and TITLE (the file's base name), TABTYPE,
** FTYPE, DELIMITER (left out for a blank), RECSKIP, CHARSKIP, NRECORD
** (records), one declaration per chosen column and DATA; a column named
** like an earlier one is renamed (out_unique_names), the renaming kept
** in the plot state for the closing message. 0; a negative
** code of plot_col_out_type; -1 when the write fails; -2 for null
** arguments. */
int plot_write_tba_header(std::FILE *file, sql_col_rec *row, const char *file_name, const char *col_delim,
                          const int *index, int count, long records);

#endif
