/*
** diagram_road.h: the command road shared by the stereonet and the rose
** diagram: the user selects objects, every linked INSERT or SHAPE of the
** chosen project and table has its row read by base number and handed to
** the diagram, then the diagram is closed and placed.
**
**     diagram_road r = {project, table, stereo_plot_begin, plot_one_row, stereo_plot_end};
**     diagram_plot_selected(&r);
*/
#ifndef PV_OUTPUT_DIAGRAM_ROAD_H
#define PV_OUTPUT_DIAGRAM_ROAD_H

#include <cstddef>
#include <string>

#include "core/tile_util.h"
#include "platform/include/dcl_host.h"

struct pjct_rec;
struct sql_col_rec;
struct tbl_rec;
struct sym_rec;

/* A diagram's stages as the road calls them. */
struct diagram_road {
    pjct_rec *project;             /* chosen project; borrowed */
    tbl_rec *table;                /* its registered table whose rows are read; borrowed */
    int (*begin)(void);            /* before the first row: 0 or negative */
    int (*row)(sql_col_rec *row);  /* one row read: 0 when it was used */
    int (*end)(void);              /* after the last row: 0 or negative */
    void (*discard)(void);         /* in place of end when a row cannot be read; or null */
};

/* Runs the road. An empty selection ends it silently; a failing begin
** shows "Could not perform plot", a failing end "Could not plot entities"
** and a row that cannot be read "Nothing was plotted: " and the row's
** reason, the diagram discarded (each under the error title), else
** "Plotted... N entities" under "PETRIVEX". Answers the number of rows
** used; -1 when nothing was plotted for a failure or an empty selection;
** -2 for a missing argument. */
long diagram_plot_selected(const diagram_road *road);

/* Reads the row an entity is linked to (a row id of 1 or more, the given
** project and table in any case, the row read by the table's base number)
** and hands it to use. 1 when use answered 0; 0 otherwise (no such link or
** row); -1 when the row cannot be read (a damaged table, a driver that has
** ended), with failure (when given) saying which row of which table and
** why. */
int diagram_linked_row(pjct_rec *project, tbl_rec *table, const ads_name e, int (*use)(sql_col_rec *row),
                       std::string *failure = nullptr);

/* The drawing's last entity before a command draws: what the command
** drew follows it. */
struct diagram_mark {
    ads_name last;   /* the last entity */
    int marked;      /* 0 when the drawing had none */
};
/* Marks the drawing's end. */
diagram_mark diagram_mark_drawing(void);
/* Erases every entity drawn after the mark. */
void diagram_erase_after(const diagram_mark &mark);

/* ---- What the diagram dialogs share ---- */

/* The n-th column a diagram dialog offers: of the row when one is given,
** else of the project's registered tables; null when out of range. */
sql_col_rec *diagram_column_nth(pjct_rec *project, sql_col_rec *row, int n);
/* The index of a column among those offered; -1 when absent or null. */
int diagram_column_index(pjct_rec *project, sql_col_rec *row, const sql_col_rec *column);
/* Fills each list tile of keys with one "TABLE.COLUMN" entry per column
** offered. */
void diagram_fill_columns(ads_hdlg dlg, const char *const *keys, int count, pjct_rec *project,
                          sql_col_rec *row);
/* Fills the project list with the logged-on projects; with a project
** given selects it and disables the list, else leaves it blank. Answers
** the index of the given project; -1 when none. */
int diagram_fill_projects(ads_hdlg dlg, const char *key, pjct_rec *project);

/* The texts of a diagram's title check; invalid may be null. */
struct diagram_title_texts {
    const char *blank;     /* the title is blank */
    const char *too_long;  /* more than the title's room */
    const char *invalid;   /* not a block name after conversion; null: never */
    const char *question;  /* the block exists: redefine it? */
    const char *exists;    /* the answer was No */
};
/* Room of a title read from its tile: 514 characters and the terminator,
** so that a title longer than the 512 kept is seen and refused. */
#define DIAGRAM_TITLE_READ_SIZE 515

/* Checks the title tile `key` (trimmed; blank, longer than title_size - 1
** or, converted to a block name, not one are refused) and asks before
** redefining an existing block. 0 with the trimmed title in title_out;
** -1 after showing the reason in the error tile. */
int diagram_check_title(ads_hdlg dlg, const char *key, const diagram_title_texts *texts, char *title_out,
                        size_t title_size);

/* Opens the dialog `name` (error -9501 naming it when it cannot be),
** fills its project list (project_key, the given project fixed), calls
** fill with the project's index (-1 for none), registers the tiles and
** runs it. 1 after OK, 0 after cancel, -1 when it cannot be opened. */
int diagram_dialog_run(const char *name, const char *project_key, pjct_rec *project,
                       void (*fill)(ads_hdlg dlg, int index), const dlg_tile *tiles, int count);

/* Opens the dialog `name`; null after the error -9501 naming it when it
** cannot be opened. */
ads_hdlg diagram_dialog_open(const char *name);
/* Registers the tiles of an opened dialog and runs it. 1 after OK, 0
** after cancel. */
int diagram_dialog_start(ads_hdlg dlg, const dlg_tile *tiles, int count);

/* Opens the symbol setup dialog on the project's setup of that name, on
** a default record from make_default when the project has none. */
void diagram_symbol_dialog(pjct_rec *project, const char *name, sym_rec *(*make_default)(void));
/* Fills a setup with a diagram's default: item and layer `name`, the
** owner kind, no colour (-1), scale 1.0. 0; -9101 without memory; -2 for
** a null record or name. */
int diagram_default_setup(sym_rec *setup, const char *name, int owner_kind);
/* A new setup filled by `fill`, for the symbol dialog's default; null
** without memory. */
sym_rec *diagram_new_setup(int (*fill)(sym_rec *setup));
/* The row's point columns: the first column whose input rule is a point
** column with a point setup (with a coordinate system when
** need_projection) whose X and Y columns are both in the row and differ.
** 0 with x, y and the setup's system; -1 when none. */
int diagram_row_point(sql_col_rec *row, int need_projection, sql_col_rec **x, sql_col_rec **y,
                      struct prj_rec **projection);

/* Ends an accept: with an error text shows it ("" was shown already) and
** keeps the dialog open, else closes it with OK. */
void diagram_accept_end(ads_hdlg dlg, const char *error);

#endif /* PV_OUTPUT_DIAGRAM_ROAD_H */
