/*
** arc_units.h: the coverage options of the map-unit command and the
** commands that share its dialog: the project, the coverage directory and
** projection, the chosen columns ("TABLE.COLUMN"), the drawing placement,
** the open coverage with one plotted flag per polygon; their validation
** with its codes and texts; and the drawing of one map unit by number.
**
**   arc_opts_rec *o = arc_opts();  ...fill from the dialog...
**   if (arc_poly_validate(o) == 0 && arc_cover_open() == 0) { arc_plot_unit_number(2, &link, &place); arc_cover_close(); }
*/
#ifndef PV_OUTPUT_ARC_UNITS_H
#define PV_OUTPUT_ARC_UNITS_H

#include <string>
#include <vector>

#include "output/coverages/arc_cover.h"

struct pjct_rec;
struct prj_rec;
struct sql_col_rec;
struct link_rec;
struct sym_place_rec;

/* Room of the coverage directory (512 characters and the terminator). */
constexpr int ARC_COVERNAME_SIZE = 513;
/* Room of a chosen "TABLE.COLUMN" text. */
constexpr int ARC_COLUMN_SIZE = 128;
/* Polygon 1 of a polygon coverage: the universe, the outside of every unit. */
constexpr long ARC_UNIVERSE_POLYGON = 1;

/* Validation codes (0: valid). */
constexpr int ARC_ERR_PROJECT = -99;
constexpr int ARC_ERR_UNITNUM = -98;
constexpr int ARC_ERR_PROJECTION = -97;
constexpr int ARC_ERR_COVERAGE = -96;
constexpr int ARC_ERR_UNITNUM_NUMERIC = -95;
constexpr int ARC_ERR_ALEGEND = -94;
constexpr int ARC_ERR_ALEGEND_CHAR = -93;
constexpr int ARC_ERR_ALEGEND_DICT = -92;
constexpr int ARC_ERR_MLEGEND = -91;
constexpr int ARC_ERR_MLEGEND_CHAR = -90;
constexpr int ARC_ERR_MLEGEND_DICT = -89;
constexpr int ARC_ERR_ARCNUM_NUMERIC = -88;
constexpr int ARC_ERR_ARCS_TABLE = -87;
constexpr int ARC_ERR_ARCS_OR_TABLE = -86;
constexpr int ARC_ERR_ROCKTYPE = -85;
constexpr int ARC_ERR_ROCKTYPE_CHAR = -84;
constexpr int ARC_ERR_ROCKTYPE_DICT = -83;

/* The coverage options: one set for the module. */
struct arc_opts_rec {
  pjct_rec *project = nullptr;        /* chosen logged-on project; not owned          */
  sql_col_rec *row = nullptr;         /* a caller's row offered instead; not owned    */
  char covername[ARC_COVERNAME_SIZE] = ""; /* coverage directory                      */
  prj_rec *projection = nullptr;      /* the coverage's system; not owned             */
  char unitnum[ARC_COLUMN_SIZE] = ""; /* map unit number column, "TABLE.COLUMN"       */
  char alegend[ARC_COLUMN_SIZE] = ""; /* age legend column                            */
  char mlegend[ARC_COLUMN_SIZE] = ""; /* map legend column                            */
  char rocktype[ARC_COLUMN_SIZE] = "";/* rock type column                             */
  char arcnum[ARC_COLUMN_SIZE] = "";  /* arc number column                            */
  int arcs = 0;                       /* 1: plot the arcs                             */
  int table = 0;                      /* 1: fill the ARCS table                       */
  sym_place_rec *place = nullptr;     /* placement drawn with; owned (see reset)      */
  arc_cover_rec *cover = nullptr;     /* the open coverage; owned                     */
  std::vector<char> plotted;          /* one flag per polygon 0..count + 1            */
  prj_rec *map_projection = nullptr;  /* the map's system while plotting; not owned   */
  std::vector<std::string> left_out;  /* units not drawn while plotting, each "unit N: why" */
};

/* The module's options. */
arc_opts_rec *arc_opts();
/* Clears the options: closes the coverage, forgets every choice and puts a
** fresh default placement in place. */
void arc_opts_reset();
/* 1 when the project is logged on, the coverage named, the projection set
** and the unit column found in its table; 0 otherwise. */
int arc_opts_complete(const arc_opts_rec *o);
/* The column a "TABLE.COLUMN" text names: in the options' row when there is
** one, else in the project's registered table; its table through table_out
** (may be null). Null when blank or not found. */
sql_col_rec *arc_opts_column(const arc_opts_rec *o, const char *choice, struct tbl_rec **table_out);
/* 1 when the project is in the logged-on list; 0 otherwise (or null). */
int arc_project_logged_on(const pjct_rec *p);
/* 1 when the coverage directory holds "PAL" or "PAL.ADF" (any case); 0
** otherwise. */
int arc_cover_has_pal(const char *dir);
/* The input rule of a column: its own, else the project's rule of its
** table and name; null when it has none. */
struct col_attr_rec *arc_column_rule(const pjct_rec *p, const sql_col_rec *c);
/* Validates the options in order; 0 or the first code that applies. */
int arc_poly_validate(const arc_opts_rec *o);
/* The arc number column: chosen and found (-87), not CHAR (-88); 0. */
int arc_arcnum_validate(const arc_opts_rec *o);
/* The text of a validation code; "" for 0 or an unknown code. */
const char *arc_error_text(int code);
/* Opens the options' coverage: it must be a polygon coverage with at least
** one polygon; the plotted flags are cleared. 0; -1 otherwise (nothing open). */
int arc_cover_open();
/* Opens the options' coverage without checking the options: a polygon
** coverage with at least one polygon; the plotted flags are cleared. 0;
** -1 otherwise (nothing open). */
int arc_cover_attach_polygons(arc_opts_rec *o);
/* Why a coverage directory cannot be opened as a polygon coverage of at
** least min_polygons polygons (the universe counted): its full path with
** the system's reason when it cannot be reached, else the file at fault
** and what is wrong with it, or what the coverage lacks. */
std::string arc_cover_refusal(const char *dir, long min_polygons = 1);
/* Closes and frees the coverage and clears the options. 0. */
int arc_cover_close();
/* Draws map unit `unit` (a polygon number of the open coverage) once: a
** number outside 2 to the polygon count (polygon 1 is the universe, the
** outside of every unit), or a polygon already drawn, draws nothing. 1
** when drawn now, 0 when already drawn, -1 when out of range or the
** polygon cannot be drawn (with an open coverage the unit and why are
** then added to the options' left_out, once a unit). */
int arc_plot_unit_number(long unit, const link_rec *link, sym_place_rec *place);

/* The value of a numeric column read as a whole number (its text, perhaps
** with decimals of 0, leading and trailing blanks allowed). 1 with the
** number in out; 0 for a null column, a null value or any other text. */
int arc_column_long(const sql_col_rec *c, long *out);

/* Draws the map unit of a row of the unit table: the unit column's value
** is the polygon number; the placement is the options' own unless the
** row's placements hold one for the unit column; the link is the row's.
** 1 when drawn now, 0 when its polygon was drawn already, -1 when the row
** has no usable unit number or the polygon cannot be drawn. */
int arc_plot_unit_row(sql_col_rec *row);

#endif
