/*
** row_place.h: a row of a registered table turned into placements, and
** its coordinates carried between the row and the map.
**
** Each plotted column of a row becomes a placement (sym_place_rec): an
** anchor when the symbol setup that decides it is a symbol of a library,
** an attached text otherwise. Every property of the drawing (symbol,
** layer, angle, text position, font, colour, size, angle offset, offsets,
** fill and line width) is looked for on its own: in the column's symbol
** setup, along the association columns the setups name, and at last in the
** symbol setups of the items of the column's dictionary or profile. The
** coordinate functions convert a row's stored point into the map's
** coordinate system for drawing, read drawn positions back into the row,
** and ask for points a row is still missing. Conversion failures are
** collected as lines of one bounded message text.
**
**     sym_place_rec *sym, *txt; int ns, nt;
**     if (row_alloc_placements(row, &sym, &ns, &txt, &nt) == 0 &&
**         row_build_placements(row, sym, &ns, txt, &nt, ROW_PLACE_ALL) == 0)
**         place_points_to_map(sym, ns, row), place_points_to_map(txt, nt, row);
**     free(sym); free(txt);
*/
#ifndef PV_MAP_ROW_PLACE_H
#define PV_MAP_ROW_PLACE_H

#include "coords/geo_point.h"
#include "core/pnt.h"
#include "core/sym_setup.h"
#include "core/tbl_column.h"
#include "draw/sym_place.h"

struct item_node;
struct prj_rec;

/* Room of the collected-message text, terminator included. */
#define ROW_MSG_SIZE 8192

/* Modes of row_build_placements. */
#define ROW_PLACE_PLOTTED 0   /* only columns whose rule has the plot flag */
#define ROW_PLACE_ALL     1   /* every column but the table's BASENUMBER */

/* The eleven roles of a column's drawing, each a bit that is also the
** visited mark set in a symbol setup's flags while a column is resolved. */
#define ROW_ROLE_SYMBOL       0x10     /* symbol name (a text or a library symbol) */
#define ROW_ROLE_LAYER        0x20
#define ROW_ROLE_ANGLE        0x40
#define ROW_ROLE_POSITION     0x80     /* text position around the anchor */
#define ROW_ROLE_FONT         0x100    /* a text setup's font */
#define ROW_ROLE_COLOUR       0x200
#define ROW_ROLE_SCALE        0x400
#define ROW_ROLE_ANGLE_OFFSET 0x800
#define ROW_ROLE_OFFSETS      0x1000   /* X, Y, Z offsets; no association */
#define ROW_ROLE_FILL         0x2000   /* fill pattern or solid fill */
#define ROW_ROLE_LINE_WIDTH   0x4000
#define ROW_ROLE_FIRST        ROW_ROLE_SYMBOL
#define ROW_ROLE_COUNT        11
/* Every visited mark: cleared in each setup of the project after a column. */
#define ROW_ROLE_MARKS        0x7FF0

/* Index 0..10 of a role bit in the arrays below. */
int row_role_index(int role);

/* What was found for one column: the setup deciding each role (by
** row_role_index), the association columns of the column's own setup
** (by sym_assoc), the column whose value is shown and the column itself. */
struct row_roles {
    sym_rec *setup[ROW_ROLE_COUNT];          /* null when no setup gives the role; not owned */
    sql_col_rec *assoc[SYM_ASSOC_COUNT];     /* columns of the row, or null; not owned */
    sql_col_rec *shown;                      /* column whose value the placement shows */
    sql_col_rec *column;                     /* the column placed */
};

/* ---- Placements of a row (row_place.cpp) ---- */

/* Two arrays of one initialised slot per column of the row; both counts
** are the number of columns (0 and null arrays for a row without
** columns). The caller frees both with free(). 0; -9101 without memory;
** -2 for a null argument. */
int row_alloc_placements(sql_col_rec *row, sym_place_rec **first, int *first_count, sym_place_rec **second,
                         int *second_count);
/* Fills anchors (first) and attached texts (second) from the row's
** columns in the given mode, groups the texts behind their anchors with
** owner indexes and links every slot to the row. The counts come in as
** capacities and go out as the numbers filled. 0; -1 when no logged-on
** project owns the row's connection; -2 for null arguments. */
int row_build_placements(sql_col_rec *row, sym_place_rec *first, int *first_count, sym_place_rec *second,
                         int *second_count, int mode);
/* The symbol setup that gives the column's property `role` (one bit of
** ROW_ROLE_*), following association columns and at last the column's
** item tree; each setup visited keeps the role's mark until the marks are
** cleared (row_clear_marks). Null when none gives it or for a bad role. */
sym_rec *row_resolve_role(sql_col_rec *row, sql_col_rec *column, int role);
/* Clears the visited marks in every symbol setup of the project. */
void row_clear_marks(pjct_rec *project);
/* The item symbol record that gives `role` for the item named by the
** trimmed value, climbing to parents and following the records'
** associations; a value of several items joined by the delimiter (32 or
** above) gives the composed symbol for the symbol role. Null when none. */
sym_rec *item_resolve_role(const char *value, item_node *tree, int delimiter, int role);
/* The scratch text setup (flags SYM_TEXT) whose symbol joins, with the
** delimiter, the symbol names of the items of a joined value (an item
** without a text symbol gives its own name; unknown parts are left out).
** Null for a delimiter outside 32..126 or a blank result. */
sym_rec *item_compose_symbol(const char *value, item_node *tree, int delimiter);
/* 1 when the setup itself gives the property of the role, else 0. */
int sym_has_role(const sym_rec *setup, int role);
/* Fills one slot from what was found for its column. 0; -2 for a null
** slot or found. */
int place_fill(sym_place_rec *slot, const row_roles *found);
/* Fills each slot's link from the row for the slot's own column. 0; -2 for
** null slots or a count below 1. */
int place_link_all(sym_place_rec *slots, int count, sql_col_rec *row);

/* ---- Collected messages (row_place.cpp) ---- */

/* Appends a line to the collected text of ROW_MSG_SIZE bytes; a line that
** no longer fits whole is left out. 0 appended; -1 left out; -2 for a
** null argument. */
int row_msg_append(char *text, const char *line);
/* Appends "\nCould not transform <column> from <from> to <to>" (system
** names trimmed; "" for a missing system) to the collected text, and
** ". Coordinate system <name> cannot be used: <why>." when either system
** is one no point converts with (prj_unusable). 0. */
int xform_error_line(const prj_rec *from, const prj_rec *to, const char *column, char *text);

/* ---- Coordinates of a row (row_point.cpp) ---- */

/* 0, 1 or 2 when the column is the X, Y or Z column of its own point
** setup; -1 otherwise (also for a null column). */
int col_point_axis(const sql_col_rec *column);
/* Reads X, Y and Z of the setup from the row's texts (Z 0 without a Z
** column). 0; -1 when a column of the setup is missing from the row; -2
** for null arguments. */
int row_get_point(geo_point *out, const pnt_rec *setup, sql_col_rec *row);
/* Writes X, Y and Z into the row's columns, each value and text in the
** column's own format; a blank Z stays blank while the point has no
** elevation. 0; -1 when a column is missing or refuses the number; -2
** for null arguments. */
int row_put_point(const geo_point *point, const pnt_rec *setup, sql_col_rec *row);
/* Each slot of a point column (X of its setup) and each slot of a setup's
** symbol column gets the row's point converted into the map's system (a
** point whose X and Y are 0 is left). 0; -2 for bad arguments or when the
** map has no projection. */
int place_points_to_map(sym_place_rec *slots, int count, sql_col_rec *row);
/* For each point setup of the row with a symbol column, the drawn slot of
** that column gives the point written back into the row; a failed
** conversion appends its line. 0; -2 for bad arguments or no map
** projection. */
int place_points_from_symbols(sym_place_rec *slots, int count, char *messages, sql_col_rec *row);
/* Each drawn slot of a point column gives the point written back into the
** row; a failed conversion erases the slot's entity, appends its line and
** the walk goes on. 0; -2 for bad arguments or no map projection. */
int place_points_from_map(sym_place_rec *slots, int count, char *messages, sql_col_rec *row);
/* Each anchor with an angle column gets its angle written into that
** column in the column's format. 0; -2 for bad arguments. */
int place_store_angles(sym_place_rec *anchors, int count, sql_col_rec *row);
/* Asks for the points of the row's point setups whose X and Y are both 0
** ("\nSelect point for <column>\n"), BLIPMODE 1 meanwhile; a later setup
** reuses the point picked for an earlier one. 0; -1 when a conversion
** failed (its line appended); -2 for null arguments. */
int row_ask_points(sql_col_rec *row, char *messages);

#endif
