/*
** row_state.h: the row-entry and browse state shared by the data-entry
** dialogs.
**
** The add command, the row editor, the edit command and the table browser
** work on one current project, table, entry row and column, and the browser
** keeps its page of lines, its header and its row selection in the same
** state. A command or dialog that opens another saves the whole state with
** dlg_state_push and gets it back with dlg_state_pop (core/dlg_state.h), so
** nested editors keep their own.
**
**     row_state_rec *saved = dlg_state_push();
**     if (!saved) return -9101;
**     dlg_state_reset();  ...  dlg_state_pop(saved);
*/
#ifndef PV_CORE_ROW_STATE_H
#define PV_CORE_ROW_STATE_H

#include <cstdint>

#include "core/pjct.h"
#include "core/tbl_column.h"

struct tbl_rec;
struct qry_rec;

/* Lines of one page of the table browser. */
#define ROW_STATE_PAGE_LINES 15
/* Row editors that may be open inside each other. */
#define ROW_STATE_MAX_DEPTH 4

/* Results of the row-entry dialog kept in dlg_result. */
#define ROW_DLG_CANCEL 0 /* cancelled */
#define ROW_DLG_ACCEPT 1 /* accepted */
#define ROW_DLG_IMAGE  5 /* ended to show the column's image */

/* The row-entry and browse state. The buffers (page lines, header,
** selection) are owned by the state that holds them; every other pointer
** points into lists that others own. */
struct row_state_rec {
    pjct_rec *cur_pjct;           /* current project; not owned */
    tbl_rec *cur_tbl;             /* current table; not owned */
    sql_col_rec *cur_row;         /* row being entered (a table's column list); not owned */
    sql_col_rec *cur_col;         /* column selected in the entry list; not owned */
    int32_t add_mode;             /* 1 while a new row is entered */
    int32_t edit_mode;            /* 1 while an existing row is edited */
    int32_t dlg_result;           /* ROW_DLG_CANCEL, ROW_DLG_ACCEPT or ROW_DLG_IMAGE */
    int32_t image_ok;             /* 1 allows the image tile of the row entry */
    void *browse_stmt;            /* statement of the rows walked or browsed; not owned */
    void *browse_cursor;          /* open cursor of that statement; not owned */
    int32_t edit_depth;           /* row editors open inside each other, 0..ROW_STATE_MAX_DEPTH */
    sql_col_rec *top_row;         /* row of the outermost editor while edit_depth > 0; not owned */

    /* The table browser. */
    sql_col_rec *browse_row;      /* the query's column list, one current row; not owned */
    qry_rec *browse_query;        /* query whose post-filter decides which rows count; not owned */
    long cur_row_no;              /* g_cur_row while the state is saved */
    long row_count;               /* g_row_count while the state is saved */
    int32_t rows_read;            /* cursor rows read for the page on show */
    char *page[ROW_STATE_PAGE_LINES]; /* one row's text per line; owned, or null */
    int32_t line_width;           /* sum of the columns' display widths + 1 */
    char *header;                 /* names of the shown columns; owned, or null */
    int32_t visible;              /* characters visible in the dialog: 23, 40 or 55 */
    int32_t offset;               /* first visible character (horizontal scroll) */
    uint32_t *selection;          /* one bit per cursor row, most significant first; owned */
    int32_t selection_words;      /* 32-bit words of `selection` */
    int32_t plot_selected;        /* 0 plot all rows, 1 only the selected rows */
};

/* The current state (defined here so that every subsystem sees one). */
inline row_state_rec g_row_state = {};
/* Current row number of the browse cursor, -1 before the first (kept by
** sql_fetch). */
inline long g_cur_row = -1;
/* Number of rows of the browse cursor (sql_count_rows). */
inline long g_row_count = 0;

#endif
