/*
** plot_drivers.h: the output stages of the plot loop for a new table,
** ArcInfo E00 label points with their .PAT table and MapInfo MIF/MID
** objects, and the codes the work arrays describe columns with. Each
** stage works on the plot state (output/plot/plot_state.h): its options, its
** row and its work arrays.
**
**     e00_plot_begin(name);  each row: plot_fill_null_values(row); e00_plot_label_row(sym, &pt);
**     e00_plot_points_end(&box, prj);
**     e00_plot_pat_header(); each row: e00_plot_pat_row(&pt); e00_plot_ifo(&box);
*/
#ifndef PV_OUTPUT_PLOT_DRIVERS_H
#define PV_OUTPUT_PLOT_DRIVERS_H

#include <string>

#include "coords/geo_point.h"
#include "core/tbl_column.h"

struct prj_rec;
struct sym_place_rec;

/* ---- TABLE (plot_table.cpp) ---- */

/* Creates the new table named by the file name in the project of the
** row's session from the chosen columns and describes it. 0; -1 when it
** cannot be defined, created or described, said once naming the table and
** why (a name that is a reserved word or an existing table's is refused;
** a table made but not described is dropped again); -2 without chosen
** columns. */
int table_plot_begin(void);
/* Copies the row's texts into the new table's columns and inserts it. 0;
** the insert's code when it fails (the plot then stops and the table
** goes). */
int table_plot_row(void);
/* Frees the new table's column list, keeping the table whole (the
** options dialog frees the options after the plot). 0; -1 when the table
** could not be kept (said). */
int table_plot_end(void);
/* In place of table_plot_end after the rows stopped short: drops the new
** table and frees its column list. 0. */
int table_plot_discard(void);
/* The new table's name: the file name's base, trimmed. */
std::string table_plot_name(void);

/* ---- E00 (plot_e00.cpp) ---- */

/* Stdio buffer of the E00 file: a write to the file every 64 KB. */
#define PLOT_E00_BUFFER 65536

/* INFO item type by value type: 1 short 30, 2 long 50, 3 float and 4
** double 60, 5 string 20; -1 for another. */
int e00_item_type_code(int value_type);
/* The decimals an INFO item declares for a column: a fixed-point column's
** (NUMERIC, DEC, INT, SMALLINT) own, so a reader shows the digits it holds;
** -1 (the writer's default) for a floating-point or character column. */
int e00_item_decimals_of(const sql_col_rec *column);
/* Gives every null or blank column a value: an empty text for string
** columns, else "0" converted into the value. 0; -2 for a null row. */
int plot_fill_null_values(sql_col_rec *row);
/* Opens the E00 file in double precision, so that coordinates and floating
** items keep every digit a double holds, and writes EXP. 0; negative on
** failure (the file closed, the work arrays freed). */
int e00_plot_begin(const char *file_name);
/* One label point numbered by the label counter (the LAB header before
** the first): the symbol placement's
** point and box (size, angle) when given, else the point. 0; negative on
** failure (file closed, arrays freed). */
int e00_plot_label_row(const sym_place_rec *symbol, const geo_point *point);
/* LAB end, TOL from the box, SIN, LOG and PRJ, and the pass written out;
** the file stays open for the second pass. 0; negative on failure (the
** file closed). */
int e00_plot_points_end(const geo_box *box, prj_rec *out_prj);
/* Writes PRJ of the output projection. 0; negative on failure. */
int e00_plot_prj(prj_rec *out_prj);
/* Fills the work arrays and writes IFO and the .PAT definitions into the
** file the first pass left open; the label counter restarts. 0; negative
** on failure (the file closed); -1 when the first pass wrote no label. */
int e00_plot_pat_header(void);
/* One .PAT record numbered like its label. 0; negative on failure. */
int e00_plot_pat_row(const geo_point *point);
/* BND, TIC, EOI and EOS; closes the file and frees the work arrays. 0;
** negative on failure. */
int e00_plot_ifo(const geo_box *box);

/* ---- MapInfo (plot_mif.cpp) ---- */

/* Stdio buffer of the .MIF and .MID files. */
#define PLOT_MIF_BUFFER 1024
/* Version written in the header. */
#define PLOT_MIF_VERSION 1

/* MapInfo column type by SQL type: CHAR 1; NUMERIC 5 with decimals or a
** length of 10 or more, 3 below length 5, else 2; DEC, FLOAT, REAL,
** DOUBLE 5; INT 2; SMALLINT 3; -1 for another. */
int mif_col_type(int sql_type, int length, int decimals);
/* Opens the pair, fills the work arrays, chooses the unique and index
** columns and writes the header. 0; negative on failure (-9102 when a
** file cannot be opened). */
int mif_plot_begin(void);
/* Writes the .MID line of values (texts, null for none) of the work
** arrays' columns, an exact number's (NUMERIC, DEC) with its digits. The
** writer's result. */
int mif_plot_values(const char *const *values, const char *delimiter);
/* One object for the row and its .MID line. 0; negative on failure. */
int mif_plot_row(const sym_place_rec *symbol, const geo_point *point, prj_rec *row_prj, prj_rec *out_prj);
/* Closes both files and frees the work arrays. 0; negative when the last
** lines could not be written. */
int mif_plot_end(void);
/* A text object of the placement's name at point, sized and turned. 0;
** negative on failure. */
int mif_plot_text(const sym_place_rec *symbol, const geo_point *point, double size);
/* The placement's shape as a polyline walked about point in the row's
** system, every vertex converted into the output projection. 0; -1 when
** the shape cannot be walked or converted (nothing written); negative
** when a write fails. */
int mif_plot_entity(const sym_place_rec *symbol, const geo_point *point, double size, prj_rec *row_prj,
                    prj_rec *out_prj);

#endif
