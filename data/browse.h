/*
** browse.h: the table browser over the rows of a query.
**
** The query command shows the rows it found in the browser: fifteen lines a
** page in a fixed-width view ("pv_table_small", "pv_table_med" or
** "pv_table_large" by the width of a row's line), scrolled across the
** columns, with a choice of the columns shown, a selection of rows and
** actions on the selected rows or on all of them: delete, modify in the row
** editor, replace one column's value in every row, and plot. Rows failing
** the query's post-filter are never shown, counted, deleted or replaced.
** The browser keeps its page, header and selection in the row-entry state
** (core/row_state.h).
**
**     int rc = pv_table_dialog(stmt, cursor, row, query);   // 5100 or -5001
**     if (browse_row_is_selected(n)) ... plot row n ...
*/
#ifndef PV_DATA_BROWSE_H
#define PV_DATA_BROWSE_H

#include <cstdint>
#include <string>

#include "core/tbl_column.h"
#include "platform/include/dcl_host.h"

struct qry_rec;

/* What the browser asks of the query and plot layer above it, which fills
** this table when the module starts (plot_serve_browser). Left empty, every
** row counts and nothing is plotted.
**
**     g_browse_output = {my_filter, nullptr, nullptr, nullptr, nullptr, nullptr};
*/
struct browse_output {
    /* The query's post-filter: non-zero when the row counts. */
    int (*row_counts)(qry_rec *query, sql_col_rec *row);
    /* The plot options dialog over the browsed rows; it sets the type. */
    int (*plot_opts_dialog)(ads_hdlg dialog, void *cursor, sql_col_rec *row, qry_rec *query);
    /* The chosen plot output type; below 0 while none is chosen. */
    int (*plot_type)(void);
    /* Prepares the browsed row's memo columns for plotting. */
    int (*plot_bind_memo_columns)(sql_col_rec *row, void *cursor);
    /* The plot loop over the browsed rows. */
    long (*plot_records)(ads_hdlg dialog, int pass);
    /* Sets the plotting idle. */
    void (*plot_reset)(void);
};
extern browse_output g_browse_output;

/* The post-filter of g_browse_output, or 1 when none is set. */
int browse_row_counts(qry_rec *query, sql_col_rec *row);
/* The chosen plot type of g_browse_output, or -1 when none is set. */
int browse_plot_type(void);
/* Sets the plotting idle through g_browse_output, when it can plot. */
void browse_plot_reset(void);

/* Visible characters of the three browser dialogs. */
#define BROWSE_VISIBLE_SMALL 23
#define BROWSE_VISIBLE_MED   40
#define BROWSE_VISIBLE_LARGE 55
/* Bits of one word of the selection bitmap. */
#define BROWSE_WORD_BITS 32
/* The slider's range: 0 .. BROWSE_SLIDER_MAX, read in thousandths. */
#define BROWSE_SLIDER_MAX 1000
/* Paging directions of browse_load_page. */
#define BROWSE_FORWARD  0
#define BROWSE_BACKWARD 1

/* The browser over a query's open cursor (with its statement), the
** query's row and the query whose post-filter decides which rows count
** (null: every row). 5100 when the dialog ended with a status below 2
** (closed, or ended to plot); -5001 otherwise or when the dialog cannot be
** loaded; -2 for a null cursor or
** row; -1 when the header cannot be built. The dialog's status is also
** left in dlg_result of the row-entry state. */
int pv_table_dialog(void *stmt, void *cursor, sql_col_rec *row, qry_rec *query);
/* Non-zero when cursor row n (from 0) is selected in the browser. */
int browse_row_is_selected(long n);

/* ---- Pieces the browser is made of (browse.cpp) ---- */

/* The dialog shown for a line width, with its visible characters. */
const char *browse_dialog_for_width(int line_width, int *visible);
/* The new horizontal offset after the slider moved to value (thousandths)
** with the offset at current, for a header shown_width wide in a window of
** visible characters: 0 when everything fits; a move smaller than a tenth
** of the range is ignored unless it reaches either end. */
int browse_scroll_offset(int shown_width, int visible, int slider, int current);
/* The word and bit mask of cursor row n in the selection bitmap. */
void browse_bit_of(long n, int32_t *word, uint32_t *mask);
/* Marks (on non-zero) or unmarks cursor row n; rows outside the bitmap are
** passed over. */
void browse_mark_row(long n, int on);
/* Clears the whole selection bitmap. */
void browse_clear_selection(void);
/* Builds the header and line width of a row into the browse state (its
** shown columns; every column when none is shown). 0; -9101 when memory
** runs out; -2 for a null row. */
int browse_build_header(sql_col_rec *row);
/* The line of a row's current texts: each column's text at its display
** width, padded to display width + 1. */
void browse_row_text(sql_col_rec *row, char *line);
/* The shown part of page line index, clipped to the visible window; a
** single blank when that is empty. */
std::string browse_format_line(ads_hdlg dialog, int index);
/* Frees the lines of the page. */
void browse_free_lines(void);
/* Loads a page from the cursor, forward from cursor row `from` into slots
** 0..14 or backward from row `from` down into slots 14..0, passing over
** rows the post-filter rejects. The lines loaded; -9101 when memory runs
** out; the failure's code when a row cannot be read (no page is left). */
int browse_load_page(void *cursor, sql_col_rec *row, int direction, long from);
/* "Table %s cannot be read: %s": the browsed row's table and why the
** failure's code says. */
std::string browse_unread_text(const sql_col_rec *row, int code);
/* Shows a failure of browse_load_page once: -9101 by its text, a row
** that cannot be read naming the table and what failed. */
void browse_report_load(const sql_col_rec *row, int code);
/* Shows the page: title, lines and the selection. */
void browse_show_page(ads_hdlg dialog);
/* Pages by a tile key ("top", "bot", "next", "prev"). */
void browse_page(ads_hdlg dialog, const char *key);
/* Shows the page's selected rows in "sqlrow". */
void browse_show_selection(ads_hdlg dialog);
/* Reads "sqlrow" into the bitmap: listed page rows marked, others not. */
void browse_read_selection(ads_hdlg dialog);
/* Cursor row of page slot index; -1 for an empty slot. */
long browse_page_row(int index);
/* Re-opens the cursor after rows changed and counts its rows again into
** g_row_count (g_cur_row before the first). 0; the failure's code when the
** rows cannot be counted: that is said once, naming the table (unless
** report is 0: the action that changed the rows said its own failure),
** and the browser (dialog, when given) ends, for no count is shown as no
** rows. */
int browse_recount(ads_hdlg dialog, int report = 1);
/* Re-opens the cursor after rows changed, counts the rows again and loads
** the page from the former first row with the post-filter applied; the
** code of browse_recount when the rows cannot be counted (the browser
** ended), else 0. A failure is said as browse_recount says it. */
int browse_reload(ads_hdlg dialog, int report = 1);
/* A column as the lists show it: "TABLE.COLUMN", or its name alone when
** it has no table. */
std::string browse_col_label(const sql_col_rec *column);
/* 1 when every column comes from one named table and the project's
** environment is not named "ODBC". */
int browse_one_table(sql_col_rec *row);

/* ---- Actions (browse_actions.cpp, browse_modall.cpp) ---- */

void pv_table_delete_cb(ads_callback_packet *cpkt);
void pv_table_delall_cb(ads_callback_packet *cpkt);
void pv_table_modify_cb(ads_callback_packet *cpkt);
void pv_table_plot_cb(ads_callback_packet *cpkt);
void pv_dlg_modall_dialog(ads_callback_packet *cpkt);

#endif
