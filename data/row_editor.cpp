/*
** row_editor.cpp: the row editor, dialog "pv_edit_col".
**
** The editor shows one row in the row-entry tiles (row_tiles.cpp) under
** its project and table. On the rows of a query it walks the query's
** cursor with "next" and "prev"; picking another table in "edit_tbl"
** opens a nested editor on the rows of that table that share the row's
** key (the station of a sample, the legend of a unit). Editors open inside
** each other up to four deep; each saves the whole row-entry state when it
** opens and gives it back when it ends. A new row is entered with
** row_enter_new, a dictionary item's row edited with dix_edit_item.
**
**     void *stmt, *cursor; sql_col_rec *row;   // a query's first row
**     int rc = pv_edit_col_dialog(stmt, cursor, row, 0, 0, 0, 1);   // walks it
*/
#include "data/row_edit.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/dlg_state.h"
#include "core/err_text.h"
#include "core/img_show.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/row_state.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tile_util.h"
#include "data/browse.h"
#include "data/item_table.h"
#include "data/memo.h"

namespace {

/* The dialog and its own tiles. */
const char k_dialog[] = "pv_edit_col";
const char k_proj[] = "edit_proj";
const char k_tbl[] = "edit_tbl";
const char k_next[] = "next";
const char k_prev[] = "prev";
const char k_error[] = "error";
/* The blank entry of "edit_tbl": nine blanks. */
const char k_no_table[] = "         ";

/* Whether the map options were allowed to the editor of each depth, so
** that a walked row is shown as its editor was opened. */
int s_options[ROW_STATE_MAX_DEPTH + 1];

/* The registered table of a row whose columns all belong to one table;
** null for a row joined from several or an unregistered one. */
tbl_rec *row_table_of(pjct_rec *p, const sql_col_rec *row)
{
    if (!p || !row) return nullptr;
    for (const sql_col_rec *c = row->next; c; c = c->next)
        if (tbl_name_cmp(c->table, row->table) != 0) return nullptr;
    return tbl_find_by_name(p->tables, row->table, nullptr);
}

/* Walks the browse cursor one row on (forward) or back: at the end the
** row comes back, the button is disabled and the end is said; a row that
** cannot be read is said, naming the table and what failed. */
void row_walk(ads_callback_packet *cpkt, int forward)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    row_state_rec &s = g_row_state;
    ads_set_tile(d, k_error, "");
    if (!s.browse_cursor || !s.cur_row) return;
    const int mode = forward ? SQL_FETCH_NEXT : SQL_FETCH_PRIOR;
    const int back = forward ? SQL_FETCH_PRIOR : SQL_FETCH_NEXT;
    int rc = sql_fetch(s.browse_cursor, s.cur_row, mode, SQL_FROM_CURRENT, 1);
    const bool moved = rc == RTNORM;
    if (rc == RTERROR) rc = sql_fetch(s.browse_cursor, s.cur_row, back, SQL_FROM_CURRENT, 1);
    if (rc != RTNORM && rc != RTERROR) {
        msg_alert(ERR_TITLE, "%s", browse_unread_text(s.cur_row, rc).c_str());
        return;
    }
    row_note_shown(s.cur_row);
    if (!s.add_mode) row_fill_edit_list(d, s.cur_row, 0, s_options[s.edit_depth], 0);
    if (!moved) {
        ads_mode_tile(d, forward ? k_next : k_prev, MODE_DISABLE);
        ads_set_tile(d, k_error, forward ? "ERROR:  Last row reached" : "ERROR:  Top row reached");
    } else {
        ads_mode_tile(d, forward ? k_prev : k_next, MODE_ENABLE);
    }
}

/* The tables "edit_tbl" lists: the project's, in registry order. */
std::vector<tbl_rec *> row_tables(pjct_rec *p)
{
    std::vector<tbl_rec *> out;
    for (tbl_rec *t = p ? p->tables : nullptr; t; t = t->next) out.push_back(t);
    return out;
}

/* 1 when the outermost editor's row has a column of the table. */
int row_top_holds(const tbl_rec *t)
{
    for (const sql_col_rec *c = g_row_state.top_row; c; c = c->next)
        if (tbl_name_cmp(c->table, t->name) == 0) return 1;
    return 0;
}

/* Writes a line naming a table into "error". */
void row_say(ads_hdlg d, const char *format, const char *table)
{
    char line[ROW_VALUE_SIZE];
    snprintf(line, sizeof line, format, table);
    ads_set_tile(d, k_error, line);
}

/* Sets "edit_tbl" back to the row's own table (or the blank entry). */
void row_show_table(ads_hdlg d, pjct_rec *p)
{
    std::vector<tbl_rec *> tables = row_tables(p);
    int at = (int)tables.size();
    for (size_t i = 0; i < tables.size(); i++)
        if (tables[i] == g_row_state.cur_tbl) at = (int)i;
    dlg_set_index(d, k_tbl, at);
}

/* "edit_tbl": a nested editor on the rows of the picked table that share
** the row's key. */
void pv_edit_col_edit_tbl_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    pjct_rec *p = g_row_state.cur_pjct;
    std::vector<tbl_rec *> tables = row_tables(p);
    int n = tile_get_int(d, k_tbl);
    row_show_table(d, p);
    if (n < 0 || n >= (int)tables.size()) return;
    tbl_rec *target = tables[(size_t)n];
    if (target == g_row_state.cur_tbl) return;
    sql_col_rec *own = nullptr, *key = nullptr;
    if (row_top_holds(target) || row_find_link_column(g_row_state.cur_row, &own, target, &key) != 0) {
        row_say(d, "Cannot search for data in %s from current table.", target->name);
        return;
    }
    std::string value = own->text ? own->text : "";
    str_trim(value.data());
    value.resize(strlen(value.c_str()));
    if (value.empty()) return;
    std::string literal;
    if (own->sql_type == SQL_TYPE_CHAR) sql_quote(value.c_str(), literal);
    else literal = value;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int rc = sql_select_where(p->connection, target->name, key->name, literal.c_str(), nullptr, &stmt, &cursor, &row);
    if (rc < 0) row_say(d, "Cannot access table: %s", target->name);
    else if (rc == 0) row_say(d, "No matching rows found in table: %s", target->name);
    else pv_edit_col_dialog(stmt, cursor, row, 0, 0, g_row_state.image_ok, 1);
    sql_close_query(&stmt, &cursor, &row);
}

void pv_edit_col_next_cb(ads_callback_packet *cpkt) { row_walk(cpkt, 1); }
void pv_edit_col_prev_cb(ads_callback_packet *cpkt) { row_walk(cpkt, 0); }

/* Fills the editor's own tiles: its project, its table or the tables it
** may jump to, and the walking buttons. */
void row_editor_tiles(ads_hdlg d, pjct_rec *p, int walk)
{
    const char *name = p ? p->name : "";
    dlg_fill_list(d, k_proj, &name, 1);
    ads_mode_tile(d, k_proj, MODE_DISABLE);
    ads_mode_tile(d, k_prev, MODE_DISABLE);
    tbl_rec *own = g_row_state.cur_tbl;
    if (g_row_state.edit_depth >= ROW_STATE_MAX_DEPTH) {
        const char *text = own ? own->name : k_no_table;
        dlg_fill_list(d, k_tbl, &text, 1);
        dlg_set_index(d, k_tbl, 0);
        ads_mode_tile(d, k_tbl, MODE_DISABLE);
    } else {
        std::vector<const char *> names;
        for (tbl_rec *t : row_tables(p)) names.push_back(t->name);
        names.push_back(k_no_table);
        dlg_fill_list(d, k_tbl, names.data(), (int)names.size());
        row_show_table(d, p);
        ads_action_tile(d, k_tbl, pv_edit_col_edit_tbl_cb);
    }
    if (walk) {
        ads_mode_tile(d, k_next, MODE_ENABLE);
        ads_action_tile(d, k_next, pv_edit_col_next_cb);
        ads_action_tile(d, k_prev, pv_edit_col_prev_cb);
    } else {
        ads_mode_tile(d, k_next, MODE_DISABLE);
    }
}

/* After a row was inserted, the table's highest number follows it, so
** the next new row does not take the same number again. */
void row_note_number(void *connection, sql_col_rec *row, const char *table)
{
    tbl_rec *t = nullptr;
    sql_col_rec *key = row_number_column(connection, row, table, &t);
    if (!key) return;
    long number = atol(key->text);
    if (number > t->last_number && number <= INT32_MAX) t->last_number = (int32_t)number;
}

/* Writes a dictionary row back: only the columns the user changed, in one
** statement, while the row holds what was shown (row_write_shown; a
** dictionary need not be registered: its BASENUMBER is then its key).
** 5100, or the failure's code, said. */
int dix_write_row(sql_col_rec *row)
{
    std::string changed;
    return row_write_shown_keyed(row, DIX_COL_NUMBER, changed, 1);
}

}  // namespace

/* The row editor; see the header. */
int pv_edit_col_dialog(void *stmt, void *cursor, sql_col_rec *row, int add, int options, int image, int edit)
{
    if (!row || g_row_state.edit_depth >= ROW_STATE_MAX_DEPTH) return -2;
    pjct_rec *p = g_row_state.cur_pjct ? g_row_state.cur_pjct : pjct_find_by_session(row->connection);
    /* Dictionary and profile access follow the project; sides already
    ** on it keep their open query. */
    if (p && prf_tables()->dix.project != p) prf_edit_set_project(nullptr, p);
    const int depth = g_row_state.edit_depth;
    sql_col_rec *top = depth == 0 ? row : g_row_state.top_row;
    row_state_rec *saved = dlg_state_push();
    if (!saved) return ERR_NO_MEMORY;
    dlg_state_reset();
    row_state_rec &s = g_row_state;
    s.cur_pjct = p;
    s.image_ok = image;
    s.edit_mode = edit;
    s.browse_stmt = stmt;
    s.browse_cursor = cursor;
    s.edit_depth = depth + 1;
    s.top_row = top;
    s.cur_tbl = row_table_of(p, row);
    s_options[s.edit_depth] = options;
    const int walk = edit && stmt && cursor;
    /* A walked row is written by the editor itself: what it shows is
    ** noted so that only the user's changes are written. */
    if (walk) row_note_shown(row);
    int status = ROW_DLG_CANCEL, keep = 0, result = RTERROR;
    for (;;) {
        ads_hdlg d = nullptr;
        if (ads_new_dialog(k_dialog, g_dcl_id, nullptr, &d) != RTNORM || !d) {
            msg_alert(ERR_TITLE, "Cannot load dialog box: %s.", k_dialog);
            status = ROW_DLG_CANCEL;
            break;
        }
        row_editor_tiles(d, p, walk);
        row_fill_edit_list(d, row, add, options, keep);
        status = ROW_DLG_CANCEL;
        ads_start_dialog(d, &status);
        if (status != ROW_DLG_IMAGE) break;
        if (s.cur_col && s.cur_col->text) img_show(p, s.cur_col->text, 0);
        char answer[ADS_INPUT_MAX];
        ads_initget(0, "");
        ads_getkword("Press RETURN to continue...", answer);
        keep = 1;
    }
    if (status == ROW_DLG_ACCEPT) result = RTNORM;
    if (walk) row_forget_shown(row);
    dlg_state_pop(saved);
    g_row_state.dlg_result = status == ROW_DLG_ACCEPT ? ROW_DLG_ACCEPT : ROW_DLG_CANCEL;
    if (depth == 0) g_row_state.top_row = nullptr;
    return result;
}

/* Enters and inserts a new row; see the header. */
int row_enter_new(void *connection, sql_col_rec **row, const char *table, int add)
{
    if (!connection || !row || !table || str_nonblank(table) != RTNORM) return -2;
    sql_col_rec *built = nullptr;
    if (!*row) {
        int n = sql_describe_table(connection, table, &built, 1);
        if (n <= 0) return n < 0 ? n : -2;
        *row = built;
    }
    int rc = pv_edit_col_dialog(nullptr, nullptr, *row, add, 0, 0, 0);
    if (rc == RTNORM) {
        int ins = row_insert_new(connection, *row, table);
        if (ins != RTNORM) rc = ins < 0 ? ins : RTERROR;
        else row_note_number(connection, *row, table);
    }
    /* Lines held for a row that did not go in go with it. */
    memo_drop_held(*row);
    if (built) {
        sql_col_list_free(&built);
        *row = nullptr;
    }
    return rc;
}

/* Edits the dictionary row of an item; see the header. */
int dix_edit_item(const char *dictionary, const char *longname, char *shortname)
{
    if (!dictionary || str_nonblank(dictionary) != RTNORM || !longname || !shortname) return -2;
    shortname[0] = 0;
    void *conn = prf_tables()->dix.connection;
    if (!conn) return -2;
    std::string value;
    sql_quote(longname, value);
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = sql_select_where(conn, dictionary, DIX_COL_LONGNAME, value.c_str(), nullptr, &stmt, &cursor, &row);
    if (n <= 0) {
        if (n == 0) msg_alert(ERR_TITLE, "%s not in dictionary", longname);
        else dix_report_failure(n, dictionary, dictionary);
        sql_close_query(&stmt, &cursor, &row);
        return -1;
    }
    dix_lock_keys(row);
    row_note_shown(row);
    int rc = pv_edit_col_dialog(nullptr, nullptr, row, 0, 0, 0, 0);
    dix_unlock_longname(row);
    bool said = false;   /* a failed write says itself */
    if (rc == RTNORM) {
        int up = dix_write_row(row);
        said = up != RTNORM;
        if (up != RTNORM) rc = up < 0 ? up : RTERROR;
    } else if (rc == RTERROR) {
        rc = RTNORM;   /* cancelled: the row stays as it was */
    }
    row_forget_shown(row);
    if (rc != RTNORM) {
        if (!said) err_report(rc, dictionary);
        sql_close_query(&stmt, &cursor, &row);
        return -1;
    }
    sql_col_rec *s = sql_col_find(row, DIX_COL_SHORTNAME, nullptr, nullptr);
    std::string text = s && s->text ? s->text : "";
    str_trim(text.data());
    snprintf(shortname, ROW_SHORTNAME_SIZE, "%s", text.c_str());
    sql_close_query(&stmt, &cursor, &row);
    return 0;
}
