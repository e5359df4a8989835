/*
** browse.cpp: the table browser: its dialog, pages, view and selection.
**
** The browser shows the rows of a query's open cursor fifteen lines a page.
** Each row's line holds every column's text at its display width and a
** blank; the header and the view show only the shown columns, from the
** horizontal offset on, as many characters as the dialog shows. Paging
** walks the cursor forward or backward and passes over rows the query's
** post-filter rejects, so every line on show is a row that counts. The
** selection is one bit per cursor row. The actions on rows live in
** browse_actions.cpp and browse_modall.cpp.
**
**     int rc = pv_table_dialog(stmt, cursor, row, query);
*/
#include "data/browse.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pv_config.h"
#include "core/pv_globals.h"
#include "core/row_state.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tile_util.h"

namespace {

/* Room of a short tile text (a number, an index list item). */
const int k_text_size = 32;
/* Widths below which the smaller dialogs are chosen. */
const int k_small_below = BROWSE_VISIBLE_SMALL + 1;
const int k_med_below = BROWSE_VISIBLE_MED + 1;
/* Parts of the range a slider move must reach to change the offset. */
const int k_scroll_steps = 10;
/* Thousandths of the slider. */
const double k_per_mille = 0.001;
/* The environment whose projects may not delete or replace from here. */
const char k_odbc[] = "ODBC";

/* The output types of the "plot" list, in order. */
const char *const k_plot_types[] = {"",
                                    "MAP",
                                    "Image or Sketch",
                                    "TABLE",
                                    "Text    .TXT",
                                    "ArcInfo .E00",
                                    "MapInfo .MIF",
                                    "Spans   .TBA",
                                    "Stereo Diagram",
                                    "Rose Diagram",
                                    "Chem Diagram",
                                    "Pie Diagram",
                                    "Drill Holes"};
const int k_plot_type_count = sizeof k_plot_types / sizeof k_plot_types[0];

/* Cursor row of each page slot, -1 for an empty slot. */
long s_page_rows[ROW_STATE_PAGE_LINES] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
/* First cursor row read for the page on show. */
long s_page_first = 0;

/* The four paging tiles. */
const char *const k_paging[] = {"top", "bot", "next", "prev"};

/* 1 when the row passes the browsed query's post-filter. */
int row_counts(sql_col_rec *row)
{
    return browse_row_counts(g_row_state.browse_query, row);
}

/* The shown width: the length of the header. */
int shown_width(void)
{
    return g_row_state.header ? (int)std::strlen(g_row_state.header) : 0;
}

/* ---- Callbacks of the browser's tiles ---- */

/* "accept": clears "error", frees the page and ends the dialog with 1. */
void pv_table_accept_cb(ads_callback_packet *cpkt)
{
    ads_set_tile(cpkt->dialog, "error", "");
    browse_free_lines();
    ads_done_dialog(cpkt->dialog, DLGOK);
}

/* "top", "bot", "next", "prev": pages by the picked tile's key. */
void pv_table_nav_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    char key[k_text_size] = "";
    ads_get_attr_string(cpkt->tile, "key", key, sizeof key);
    browse_page(cpkt->dialog, key);
}

/* "scroll": moves the view across the columns by the slider (picked,
** dragged or double-clicked); a move below a tenth of the range is ignored
** unless it reaches an end. */
void pv_table_scroll_cb(ads_callback_packet *cpkt)
{
    if (cpkt->reason != CBR_SELECT && cpkt->reason != CBR_DRAG && cpkt->reason != CBR_DOUBLE_CLICK) return;
    int value = cpkt->value ? std::atoi(cpkt->value) : 0;
    row_state_rec &s = g_row_state;
    if (shown_width() < 1 || shown_width() < s.visible) ads_set_tile(cpkt->dialog, "scroll", "0");
    int offset = browse_scroll_offset(shown_width(), s.visible, value, s.offset);
    if (offset == s.offset) return;
    s.offset = offset;
    browse_show_page(cpkt->dialog);
}

/* "column": the selected columns are shown, the others not (the view
** changes on "apply"). */
void pv_table_column_cb(ads_callback_packet *cpkt)
{
    int *picked = nullptr, count = 0;
    if (tile_get_int_list(cpkt->dialog, "column", &picked, &count) != RTNORM) return;
    int i = 0;
    for (sql_col_rec *c = g_row_state.browse_row; c; c = c->next, ++i) {
        int on = 0;
        for (int k = 0; k < count; ++k) on |= picked[k] == i;
        sql_col_set_shown(c, on ? 1 : 65534);
    }
    std::free(picked);
}

/* "apply": rebuilds the header for the shown columns, re-applies the
** slider and enables it only when the header is wider than the view. */
void pv_table_apply_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    row_state_rec &s = g_row_state;
    if (browse_build_header(s.browse_row) < 0) {
        err_report(ERR_NO_MEMORY, nullptr);
        return;
    }
    char value[k_text_size] = "0";
    ads_get_tile(cpkt->dialog, "scroll", value, sizeof value);
    s.offset = browse_scroll_offset(shown_width(), s.visible, std::atoi(value), s.offset);
    if (shown_width() <= s.visible) ads_set_tile(cpkt->dialog, "scroll", "0");
    tile_enable(cpkt->dialog, "scroll", shown_width() > s.visible);
    browse_show_page(cpkt->dialog);
}

/* "sqlrow": the listed page rows are marked, the page's others unmarked. */
void pv_table_sqlrow_cb(ads_callback_packet *cpkt)
{
    browse_read_selection(cpkt->dialog);
}

/* "clear": unmarks every row. */
void pv_table_clear_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    browse_clear_selection();
    ads_set_tile(cpkt->dialog, "sqlrow", "");
}

/* "plot_all": plot every row that counts. */
void pv_table_plot_all_cb(ads_callback_packet *)
{
    g_row_state.plot_selected = 0;
}

/* "plot_sel": plot only the selected rows. */
void pv_table_plot_sel_cb(ads_callback_packet *)
{
    g_row_state.plot_selected = 1;
}

/* The browser's tiles and callbacks ("plot" is registered only with a
** query). */
const dlg_tile k_tiles[] = {
    {"accept", pv_table_accept_cb},   {"top", pv_table_nav_cb},        {"bot", pv_table_nav_cb},
    {"next", pv_table_nav_cb},        {"prev", pv_table_nav_cb},       {"scroll", pv_table_scroll_cb},
    {"column", pv_table_column_cb},   {"apply", pv_table_apply_cb},    {"sqlrow", pv_table_sqlrow_cb},
    {"clear", pv_table_clear_cb},     {"delete", pv_table_delete_cb},  {"delall", pv_table_delall_cb},
    {"modify", pv_table_modify_cb},   {"modall", pv_dlg_modall_dialog}, {"plot_all", pv_table_plot_all_cb},
    {"plot_sel", pv_table_plot_sel_cb},
};
const int k_tile_count = sizeof k_tiles / sizeof k_tiles[0];

/* Fills "column" with the row's columns, the shown ones preselected. */
void fill_columns(ads_hdlg dialog, sql_col_rec *row)
{
    std::string picked;
    ads_start_list(dialog, "column", LIST_NEW, 0);
    int i = 0;
    for (sql_col_rec *c = row; c; c = c->next, ++i) {
        ads_add_list(browse_col_label(c).c_str());
        if (c->shown & 1u) picked += " " + std::to_string(i);
    }
    ads_end_list();
    ads_set_tile(dialog, "column", picked.c_str());
}

/* Every column of the row gets its table's input rule when it names a
** table and has none, so the row editor and the checks know its rule. */
void attach_rules(pjct_rec *p, sql_col_rec *row)
{
    if (!p) return;
    for (sql_col_rec *c = row; c; c = c->next)
        if (!c->attr && c->table[0]) c->attr = col_attr_find(p->col_attrs, c->name, c->table, nullptr);
}

/* Enables the paging tiles for the page on show. */
void enable_paging(ads_hdlg dialog, int loaded)
{
    tile_enable(dialog, "prev", 0);
    tile_enable(dialog, "next", s_page_first + g_row_state.rows_read < g_row_count);
    if (loaded < ROW_STATE_PAGE_LINES)
        for (const char *k : k_paging) tile_enable(dialog, k, 0);
}

/* Frees the browse buffers of the state. */
void free_browse_state(void)
{
    row_state_rec &s = g_row_state;
    browse_free_lines();
    std::free(s.header);
    s.header = nullptr;
    std::free(s.selection);
    s.selection = nullptr;
    s.selection_words = 0;
    s.browse_row = nullptr;
    s.browse_query = nullptr;
    s.browse_stmt = nullptr;
    s.browse_cursor = nullptr;
    /* Its project may be logged off before the next row editor opens. */
    s.cur_pjct = nullptr;
}

}  // namespace

browse_output g_browse_output = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

/* The post-filter, or every row; see the header. */
int browse_row_counts(qry_rec *query, sql_col_rec *row)
{
    return g_browse_output.row_counts ? g_browse_output.row_counts(query, row) : 1;
}

/* The chosen plot type, or none; see the header. */
int browse_plot_type(void)
{
    return g_browse_output.plot_type ? g_browse_output.plot_type() : -1;
}

/* Idle plotting; see the header. */
void browse_plot_reset(void)
{
    if (g_browse_output.plot_reset) g_browse_output.plot_reset();
}

/* The label of a column in the lists: "TABLE.COLUMN", or the name alone
** when the column has no table; see the header. */
std::string browse_col_label(const sql_col_rec *c)
{
    return c->table[0] ? std::string(c->table) + "." + c->name : std::string(c->name);
}

/* The dialog of a line width; see the header. */
const char *browse_dialog_for_width(int line_width, int *visible)
{
    int v = BROWSE_VISIBLE_LARGE;
    const char *name = "pv_table_large";
    if (line_width < k_small_below) v = BROWSE_VISIBLE_SMALL, name = "pv_table_small";
    else if (line_width < k_med_below) v = BROWSE_VISIBLE_MED, name = "pv_table_med";
    if (visible) *visible = v;
    return name;
}

/* The offset after a slider move; see the header. */
int browse_scroll_offset(int shown_width, int visible, int slider, int current)
{
    if (shown_width < 1 || shown_width < visible) return 0;
    int range = shown_width - visible;
    int step = range / k_scroll_steps;
    if (step < 1) step = 1;
    int value = (int)(range * slider * k_per_mille);
    if (current > range) current = range;
    if (value < step && value < current) return 0;
    if (value > range - step && value > current) return range;
    int change = value > current ? value - current : current - value;
    return change < step ? current : value;
}

/* The word and mask of a row; see the header. */
void browse_bit_of(long n, int32_t *word, uint32_t *mask)
{
    *word = (int32_t)(n / BROWSE_WORD_BITS);
    *mask = 0x80000000u >> (n % BROWSE_WORD_BITS);
}

/* Marks or unmarks a row; see the header. */
void browse_mark_row(long n, int on)
{
    row_state_rec &s = g_row_state;
    if (n < 0 || !s.selection) return;
    int32_t w;
    uint32_t m;
    browse_bit_of(n, &w, &m);
    if (w >= s.selection_words) return;
    if (on) s.selection[w] |= m;
    else s.selection[w] &= ~m;
}

/* Answers whether a row is selected; see the header. */
int browse_row_is_selected(long n)
{
    row_state_rec &s = g_row_state;
    if (n < 0 || !s.selection) return 0;
    int32_t w;
    uint32_t m;
    browse_bit_of(n, &w, &m);
    return w < s.selection_words && (s.selection[w] & m) != 0;
}

/* Clears the bitmap; see the header. */
void browse_clear_selection(void)
{
    row_state_rec &s = g_row_state;
    if (s.selection) std::memset(s.selection, 0, sizeof(uint32_t) * s.selection_words);
}

/* Builds header and line width; see the header. */
int browse_build_header(sql_col_rec *row)
{
    if (!row) return -2;
    row_state_rec &s = g_row_state;
    std::string header;
    int width = 0;
    for (sql_col_rec *c = row; c; c = c->next) {
        width += c->display_width + 1;
        if (!(c->shown & 1u)) continue;
        /* A name longer than its column is cut, so names stay over
        ** their columns. */
        std::string name = c->name;
        name.resize(c->display_width, ' ');
        name += ' ';
        header += name;
    }
    char *copy = (char *)std::malloc(header.size() + 1);
    if (!copy) return ERR_NO_MEMORY;
    std::memcpy(copy, header.c_str(), header.size() + 1);
    std::free(s.header);
    s.header = copy;
    s.line_width = width;
    return 0;
}

/* A row's line; see the header. */
void browse_row_text(sql_col_rec *row, char *line)
{
    char *at = line;
    for (sql_col_rec *c = row; c; c = c->next) {
        int w = c->display_width;
        int n = c->text ? (int)strnlen(c->text, w) : 0;
        std::memcpy(at, c->text ? c->text : "", n);
        std::memset(at + n, ' ', w + 1 - n);
        at += w + 1;
    }
    *at = '\0';
}

/* The shown, clipped part of a line; see the header. */
std::string browse_format_line(ads_hdlg, int index)
{
    row_state_rec &s = g_row_state;
    if (index < 0 || index >= ROW_STATE_PAGE_LINES || !s.page[index]) return " ";
    std::string shown;
    const char *line = s.page[index];
    int at = 0;
    for (sql_col_rec *c = s.browse_row; c; c = c->next) {
        int w = c->display_width + 1;
        if (c->shown & 1u) shown.append(line + at, w);
        at += w;
    }
    std::string out = s.offset < (int)shown.size() ? shown.substr(s.offset, s.visible) : std::string();
    return out.empty() ? " " : out;
}

/* Frees the page; see the header. */
void browse_free_lines(void)
{
    for (int i = 0; i < ROW_STATE_PAGE_LINES; ++i) {
        std::free(g_row_state.page[i]);
        g_row_state.page[i] = nullptr;
        s_page_rows[i] = -1;
    }
}

/* Cursor row of a slot; see the header. */
long browse_page_row(int index)
{
    return index >= 0 && index < ROW_STATE_PAGE_LINES && g_row_state.page[index] ? s_page_rows[index] : -1;
}

/* Loads a page; see the header. */
int browse_load_page(void *cursor, sql_col_rec *row, int direction, long from)
{
    row_state_rec &s = g_row_state;
    browse_free_lines();
    s.rows_read = 0;
    const int forward = direction == BROWSE_FORWARD;
    if (forward && from < 0) from = 0;
    if (!forward && from >= g_row_count) from = g_row_count - 1;
    s_page_first = from;
    if (from < 0 || from >= g_row_count) return 0;
    int loaded = 0, read = 0;
    int rc = sql_fetch(cursor, row, SQL_FETCH_ABSOLUTE, from, 1);
    while (rc == RTNORM && loaded < ROW_STATE_PAGE_LINES) {
        ++read;
        if (!forward) s_page_first = g_cur_row;
        if (row_counts(row)) {
            int slot = forward ? loaded : ROW_STATE_PAGE_LINES - 1 - loaded;
            char *line = (char *)std::malloc(s.line_width + 1);
            if (!line) {
                browse_free_lines();
                return ERR_NO_MEMORY;
            }
            browse_row_text(row, line);
            s.page[slot] = line;
            s_page_rows[slot] = g_cur_row;
            ++loaded;
            if (loaded == ROW_STATE_PAGE_LINES) break;
        }
        /* The count says where the rows end: no request to learn it. */
        if (forward ? g_cur_row >= g_row_count - 1 : g_cur_row <= 0) break;
        rc = sql_fetch(cursor, row, forward ? SQL_FETCH_NEXT : SQL_FETCH_PRIOR, SQL_FROM_CURRENT, 1);
    }
    if (rc != RTNORM && rc != RTERROR) {
        /* A row that cannot be read is no end of the rows. */
        browse_free_lines();
        return rc;
    }
    s.rows_read = read;
    if (!forward && loaded < ROW_STATE_PAGE_LINES) {
        /* Move the lines to the top of the page. */
        int gap = ROW_STATE_PAGE_LINES - loaded;
        for (int i = 0; i < loaded; ++i) {
            s.page[i] = s.page[i + gap], s_page_rows[i] = s_page_rows[i + gap];
            s.page[i + gap] = nullptr, s_page_rows[i + gap] = -1;
        }
    }
    return loaded;
}

/* The text of a row that cannot be read; see the header. */
std::string browse_unread_text(const sql_col_rec *row, int code)
{
    return std::string("Table ") + (row ? row->table : "") + " cannot be read: " + sql_failure_text(code);
}

/* Says a page's failure; see the header. */
void browse_report_load(const sql_col_rec *row, int code)
{
    if (code == ERR_NO_MEMORY) err_report(code, nullptr);
    else msg_alert(ERR_TITLE, "%s", browse_unread_text(row, code).c_str());
}

/* Shows the page; see the header. */
void browse_show_page(ads_hdlg dialog)
{
    row_state_rec &s = g_row_state;
    int range = shown_width() - s.visible;
    if (s.offset > range) s.offset = range;
    if (s.offset < 0) s.offset = 0;
    std::string title = s.offset < shown_width() ? std::string(s.header + s.offset).substr(0, s.visible) : "";
    ads_set_tile(dialog, "title", title.c_str());
    ads_start_list(dialog, "sqlrow", LIST_NEW, 0);
    for (int i = 0; i < ROW_STATE_PAGE_LINES && s.page[i]; ++i) ads_add_list(browse_format_line(dialog, i).c_str());
    ads_end_list();
    browse_show_selection(dialog);
}

/* Shows the selection; see the header. */
void browse_show_selection(ads_hdlg dialog)
{
    std::string value;
    char item[k_text_size];
    for (int i = 0; i < ROW_STATE_PAGE_LINES; ++i) {
        long n = browse_page_row(i);
        if (n < 0 || !browse_row_is_selected(n)) continue;
        std::snprintf(item, sizeof item, "%i ", i);
        value += item;
    }
    ads_set_tile(dialog, "sqlrow", value.c_str());
}

/* Reads the selection; see the header. */
void browse_read_selection(ads_hdlg dialog)
{
    int *picked = nullptr, count = 0;
    if (tile_get_int_list(dialog, "sqlrow", &picked, &count) != RTNORM) return;
    for (int i = 0; i < ROW_STATE_PAGE_LINES; ++i) {
        long n = browse_page_row(i);
        if (n < 0) continue;
        int on = 0;
        for (int k = 0; k < count; ++k) on |= picked[k] == i;
        browse_mark_row(n, on);
    }
    std::free(picked);
}

/* Pages by key; see the header. */
void browse_page(ads_hdlg dialog, const char *key)
{
    row_state_rec &s = g_row_state;
    ads_set_tile(dialog, "error", "Searching... ");
    ads_set_tile(dialog, "sqlrow", "");
    std::string k = key ? key : "";
    int loaded = 0;
    for (;;) {
        if (k == "next") {
            tile_enable(dialog, "prev", 1);
            long from = s_page_first + s.rows_read;
            if (from >= g_row_count || (loaded = browse_load_page(s.browse_cursor, s.browse_row, BROWSE_FORWARD, from)) == 0) {
                k = "bot";
                continue;
            }
        } else if (k == "prev") {
            tile_enable(dialog, "next", 1);
            if (s_page_first <= 0 ||
                (loaded = browse_load_page(s.browse_cursor, s.browse_row, BROWSE_BACKWARD, s_page_first - 1)) <
                    ROW_STATE_PAGE_LINES) {
                k = "top";
                continue;
            }
        } else if (k == "bot") {
            tile_enable(dialog, "prev", 1);
            tile_enable(dialog, "next", 0);
            loaded = browse_load_page(s.browse_cursor, s.browse_row, BROWSE_BACKWARD, g_row_count - 1);
            if (loaded < ROW_STATE_PAGE_LINES) {
                k = "top";
                continue;
            }
        } else if (k == "top") {
            tile_enable(dialog, "next", 1);
            tile_enable(dialog, "prev", 0);
            loaded = browse_load_page(s.browse_cursor, s.browse_row, BROWSE_FORWARD, 0);
        }
        break;
    }
    ads_set_tile(dialog, "error", "");
    if (loaded < 0) browse_report_load(s.browse_row, loaded);
    if (loaded > 0) browse_show_page(dialog);
    ads_mode_tile(dialog, "accept", MODE_SETFOCUS);
}

/* Counts the rows anew; see the header. */
int browse_recount(ads_hdlg dialog, int report)
{
    row_state_rec &s = g_row_state;
    int opened = sql_reopen_cursor(s.browse_cursor);
    long n = opened == RTNORM ? sql_count_rows(s.browse_cursor) : opened;
    g_cur_row = -1;
    if (n >= 0) {
        g_row_count = n;
        return 0;
    }
    g_row_count = 0;
    browse_free_lines();
    if (report) browse_report_load(s.browse_row, (int)n);
    if (dialog) ads_done_dialog(dialog, DLGCANCEL);
    return (int)n;
}

/* Re-opens the cursor and reloads the page; see the header. */
int browse_reload(ads_hdlg dialog, int report)
{
    row_state_rec &s = g_row_state;
    int counted = browse_recount(dialog, report);
    if (counted < 0) return counted;
    int words = (int)(g_row_count / BROWSE_WORD_BITS + 1);
    if (words > s.selection_words) {
        uint32_t *bits = (uint32_t *)std::calloc(words, sizeof(uint32_t));
        if (bits) {
            std::free(s.selection);
            s.selection = bits;
            s.selection_words = words;
        }
    }
    long from = s_page_first < g_row_count ? s_page_first : g_row_count - 1;
    int loaded = browse_load_page(s.browse_cursor, s.browse_row, BROWSE_FORWARD, from);
    if (loaded >= 0 && loaded < ROW_STATE_PAGE_LINES && from > 0) {
        loaded = browse_load_page(s.browse_cursor, s.browse_row, BROWSE_BACKWARD, g_row_count - 1);
        if (loaded < ROW_STATE_PAGE_LINES) loaded = browse_load_page(s.browse_cursor, s.browse_row, BROWSE_FORWARD, 0);
    }
    if (loaded < 0 && report) browse_report_load(s.browse_row, loaded);
    browse_show_page(dialog);
    tile_enable(dialog, "prev", s_page_first > 0);
    tile_enable(dialog, "next", s_page_first + s.rows_read < g_row_count);
    return 0;
}

/* Whether the row is one table's outside ODBC; see the header. */
int browse_one_table(sql_col_rec *row)
{
    if (!row || !row->table[0] || str_nonblank(row->table) != RTNORM) return 0;
    for (sql_col_rec *c = row; c; c = c->next)
        if (std::strcmp(c->table, row->table) != 0) return 0;
    pjct_rec *p = g_row_state.cur_pjct ? g_row_state.cur_pjct : pjct_find_by_session(row->connection);
    if (p && g_env_names && p->env_index >= 0 && p->env_index < g_env_count &&
        str_eq_nocase(g_env_names[p->env_index], k_odbc))
        return 0;
    return 1;
}

/* The browser; see the header. */
int pv_table_dialog(void *stmt, void *cursor, sql_col_rec *row, qry_rec *query)
{
    if (!cursor || !row) return -2;
    browse_plot_reset();
    browse_free_lines();
    row_state_rec &s = g_row_state;
    s.browse_stmt = stmt;
    s.browse_cursor = cursor;
    s.browse_row = row;
    s.browse_query = query;
    s.cur_pjct = pjct_find_by_session(row->connection);
    s.offset = 0;
    s.plot_selected = 0;
    attach_rules(s.cur_pjct, row);
    g_cur_row = -1;
    /* The rows the query counted; the first page is then one request.
    ** Rows that cannot be counted are no empty result: said, and no view. */
    long n = sql_cursor_rows(cursor);
    if (n < 0) {
        browse_report_load(row, (int)n);
        free_browse_state();
        s.dlg_result = DLGCANCEL;
        return (int)n;
    }
    g_row_count = n;
    std::free(s.selection);
    s.selection_words = (int)(g_row_count / BROWSE_WORD_BITS + 1);
    s.selection = (uint32_t *)std::calloc(s.selection_words, sizeof(uint32_t));
    int any_shown = 0;
    for (sql_col_rec *c = row; c; c = c->next) any_shown |= c->shown & 1u;
    if (!any_shown)
        for (sql_col_rec *c = row; c; c = c->next) sql_col_set_shown(c, 1);
    if (!s.selection || browse_build_header(row) < 0) {
        err_report(ERR_NO_MEMORY, nullptr);
        free_browse_state();
        return -1;
    }
    const char *name = browse_dialog_for_width(s.line_width, &s.visible);
    ads_hdlg d = nullptr;
    if (ads_new_dialog(name, g_dcl_id, nullptr, &d) != RTNORM || !d) {
        msg_alert(ERR_TITLE, "Cannot load dialog box: %s.", name);
        free_browse_state();
        s.dlg_result = DLGCANCEL;
        return RTERROR;
    }
    ads_set_tile(d, "error", "Searching... ");
    int loaded = browse_load_page(cursor, row, BROWSE_FORWARD, 0);
    ads_set_tile(d, "error", "");
    if (loaded < 0) browse_report_load(s.browse_row, loaded);
    else if (loaded == 0) err_report(-9204, nullptr);
    browse_show_page(d);
    fill_columns(d, row);
    dlg_fill_list(d, "plot", k_plot_types, k_plot_type_count);

    dlg_register(d, k_tiles, k_tile_count, nullptr);
    ads_set_tile(d, "plot_all", "1");
    tile_enable(d, "modify", 1);
    const int one = browse_one_table(row);
    for (const char *k : {"modall", "delete", "delall"}) tile_enable(d, k, one);
    if (query && g_browse_output.plot_opts_dialog) ads_action_tile(d, "plot", pv_table_plot_cb);
    else tile_enable(d, "plot", 0);
    tile_enable(d, "scroll", shown_width() > s.visible);
    enable_paging(d, loaded);
    ads_mode_tile(d, "accept", MODE_SETFOCUS);

    int status = DLGCANCEL;
    ads_start_dialog(d, &status);
    if (browse_plot_type() >= 0) {
        g_browse_output.plot_bind_memo_columns(row, cursor);
        g_browse_output.plot_records(0, 0);
        browse_plot_reset();
    }
    s.dlg_result = status;
    free_browse_state();
    return status < 2 ? RTNORM : RTERROR;
}
