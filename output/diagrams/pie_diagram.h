/*
** pie_diagram.h: the pie diagram plotted for the rows of a query: the
** state its dialog pv_piediagram prepares, the dialog with its checks and
** the saved definitions it edits, and the drawing stages the record
** plotting loop runs for each row and after the last one.
**
** Each row becomes one anonymous block "*PIE_DIAGRAM" holding up to eight
** sectors, one per chosen column: an inside ring reaching inwards from
** the pie's circle and an outside ring reaching outwards from it; the
** block is inserted at the row's map position and linked to the row.
**
**     if (pv_piediagram_dialog(row) == 0) {   // OK: the state is set
**         ... for each fetched row: pie_plot_row(); ...
**         pie_plot_end();                    // clears the state
**     }
*/
#ifndef PV_OUTPUT_PIE_DIAGRAM_H
#define PV_OUTPUT_PIE_DIAGRAM_H

#include "core/pie_rec.h"
#include "core/pjct.h"
#include "core/sym_setup.h"
#include "core/tbl_column.h"
#include "draw/sym_place.h"
#include "platform/include/dcl_host.h"

struct prj_rec;

/* Room of the state's name and absent text: 255 characters and the
** terminator. */
#define PIE_TEXT_SIZE 256
/* The most columns of both rings together. */
#define PIE_MAX_COLUMNS 8
/* Name of the pie's symbol setup, its default layer and the block's name. */
#define PIE_SETUP_NAME "PIE_DIAGRAM"

/* The two rings. */
enum pie_ring_id { PIE_INSIDE = 0, PIE_OUTSIDE = 1, PIE_RINGS = 2 };

/* The settings of one ring. */
struct pie_ring_state {
    double length;        /* fixed sector length, block units ("pie_ins_len") */
    double width;         /* fixed sector width, degrees ("pie_ins_wid") */
    int length_prop;      /* 1: the length follows the value ("pie_ins_len_prp") */
    int width_prop;       /* 1: the width follows the value ("pie_ins_wid_prp") */
    int *columns;         /* chosen columns as indexes into the row; heap, owned; -1 missing */
    int count;            /* number of indexes */
};

/* The pie being set up or drawn. */
struct pie_state {
    int saved;                   /* index of the picked saved definition ("pie_saved"); -1 none */
    char name[PIE_TEXT_SIZE];    /* "pie_name", trimmed */
    double radius;               /* "pie_rad", block units */
    double maximum;              /* "pie_max_prp": the value of a whole pie; 0 the row's total */
    int circle;                  /* "pie_circle": 1 draws the circle */
    pie_ring_state ring[PIE_RINGS]; /* inside and outside */
    char absent[PIE_TEXT_SIZE];  /* "pie_neg": the value standing for a missing one, trimmed */
    sql_col_rec *row;            /* the plotted row; borrowed */
    pjct_rec *project;           /* the row's project; borrowed */
    sql_col_rec *x;              /* the row's X and Y columns; borrowed */
    sql_col_rec *y;
    sql_col_rec *key;            /* the row's base-number key column; borrowed; null none */
    prj_rec *projection;         /* the coordinate system of X and Y; borrowed */
    sym_rec *symbol;             /* the pie's symbol setup copy; owned */
    sym_place_rec placement;     /* inserts each pie block */
};

/* The one pie of the module. */
extern pie_state g_pie;

/* ---- State (pie_dialog.cpp) ---- */

/* Frees both index arrays, sets numbers, flags and counts to 0, the saved
** index to -1 and the circle to 1, empties name and absent text, and
** rebuilds the default symbol and the placement. Row, project, columns
** and projection stay. */
void pie_reset(void);
/* The reset, and the row, project, columns and projection forgotten. */
void pie_state_clear(void);
/* Fills a setup with the pie's default: item "PIE_DIAGRAM", owner kind 6,
** layer "PIE_DIAGRAM", no colour (-1), scale 1.0. 0; -9101 without
** memory; -2 for a null record. */
int pie_default_symbol(sym_rec *setup);
/* The placement that inserts a pie: the setup's layer, colour, size (its
** scale), angle, angle offset and line width, mode 1. */
void pie_placement_from_symbol(const sym_rec *setup, sym_place_rec *placement);
/* Prepares the state for a row: the full reset, then the map projection,
** the row's point columns, its project and key. 0; -1 after "No map
** coordinates present.\nUse DU-ZOREZ to setup map." or "No coordinates
** present. Cannot plot." under the error title, or when no logged-on
** project owns the row; -2 without a row. */
int pie_setup_from_row(sql_col_rec *row);

/* ---- Dialog (pie_dialog.cpp) ---- */

/* The dialog pv_piediagram over the row. 0 after OK (the state set for
** the plot); -1 after cancel, when the row cannot be set up or the dialog
** cannot be loaded (error -9501); -2 without a row. */
int pv_piediagram_dialog(sql_col_rec *row);
/* Shows the state in the tiles, then the modes. */
void pie_set_tiles(ads_hdlg dlg);
/* Clears the error tile and enables every tile; empties and disables each
** length or width whose proportional toggle is on, and the maximum when
** no toggle is on. */
void pie_mode_tiles(ads_hdlg dlg);
/* Reads the tiles into the state (the definition part reset first), with
** the symbol copied from the project's setups, then shows the modes. 0;
** -9101 without memory (the state then holds the default symbol). */
int pie_read_dialog(ads_hdlg dlg);
/* Checks the state; the first failure goes to the error tile. 0; -1 after
** a message; -2 without a row. */
int pie_check(ads_hdlg dlg);
/* A new definition built from the state, each chosen column of the row
** looked up in its registered table (columns not found are left out).
** Null without memory. */
pie_rec *pie_from_dialog(void);
/* Loads a definition into the state (its definition part reset first):
** its texts, numbers and flags, and each column's index in the row (-1
** when the row lacks it). */
void pie_to_dialog(const pie_rec *pie);
/* What accepting does after the checks passed: replaces, keeps or (after
** "Delete this pie diagram ?") deletes the picked saved definition, puts
** the new one at the head of the project's list and renames the symbol
** setup. 1; -9101 when the new definition could not be made (the saved
** one is kept). */
int pie_accept(void);

/* ---- Drawing (pie_plot.cpp) ---- */

/* Draws the state's row as an anonymous block and inserts it at the row's
** map position, linked to the row. The insertion's result; -1 when the
** block cannot be made or the position not converted (the block stays
** defined); -2 without project or row. */
int pie_plot_row(void);
/* Clears the state. 0. */
int pie_plot_end(void);
/* A polygon through the circle of radius R on the placement's layer, a
** vertex on every multiple of 45 degrees and steps of half the width w
** (radians) between them when that is below 22.5 degrees. 0; a maker's
** failure; -2 for no placement or R not above 0. */
int pie_draw_circle(const sym_place_rec *placement, double r, double w);
/* One sector of width w (radians) from angle a: outside (inside 0) from R
** to R + L, inside from R to R - L; L = 0 is taken as R. Filled with
** SOLIDs when the placement's fill is 1, always outlined. 0; a maker's
** failure; -2 for no placement, R not above 0 or L outside 0..R. */
int pie_draw_sector(const sym_place_rec *placement, double r, double l, double w, double a, int inside);
/* The same sector drawn in pieces of at most 45 degrees (one piece when w
** is at most 22.5 degrees); nothing for w not above 0. 0; the first
** piece's failure; -2 as pie_draw_sector. */
int pie_draw_sector_pieces(const sym_place_rec *placement, double r, double l, double w, double a, int inside);
/* The placement of the row whose text position is `slot` and whose source
** column (found in the row by name and table) has its row index among
** `indexes`; the first array is searched first. Null when none. */
sym_place_rec *pie_find_placement(int slot, sym_place_rec *first, int first_count, sym_place_rec *second,
                                  int second_count, const int *indexes, int count);

#endif /* PV_OUTPUT_PIE_DIAGRAM_H */
