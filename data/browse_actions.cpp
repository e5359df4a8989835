/*
** browse_actions.cpp: the table browser's actions on rows: deleting the
** selected rows or all of them with their memo lines, editing the selected
** rows in the row editor, and plotting. Every action walks the cursor and
** acts only on rows the query's post-filter lets through. Rows are deleted
** from the last to the first, so a cursor that sees its table change never
** moves a row under the walk.
*/
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/row_state.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tile_util.h"
#include "data/browse.h"
#include "data/memo.h"
#include "data/row_edit.h"

namespace {

/* Room of a message line. */
const int k_line_size = 96;

/* Fetches cursor row n into the browsed row: 1 when it is there and
** passes the post-filter, 0 when it does not, or the code of a read that
** failed (with why naming the table and what failed). */
int fetch_counting(long n, std::string &why)
{
    row_state_rec &s = g_row_state;
    int rc = sql_fetch(s.browse_cursor, s.browse_row, SQL_FETCH_ABSOLUTE, n, 1);
    if (rc == RTNORM) return browse_row_counts(s.browse_query, s.browse_row) ? 1 : 0;
    int failed = rc == RTERROR ? sql_fetch_failed(s.browse_cursor) : rc;
    if (failed >= 0) return 0;
    why = browse_unread_text(s.browse_row, failed);
    return failed;
}

/* Deletes the rows the walk offers, from the last cursor row to the
** first, until a read or a delete fails; the rows deleted. A failure is
** said once, naming the table and what failed, with the rows deleted
** before it (at least those: a driver that ended may have deleted the
** row it failed on); a row deleted whose memo lines could not follow
** still counts. A row goes only while it holds what the query showed: one
** another user changed since stays, named. *failed tells whether a
** failure was said. */
long delete_rows(bool selected_only, bool *failed)
{
    long deleted = 0;
    int rc = RTNORM;
    std::string why, kept;
    for (long n = g_row_count - 1; n >= 0; --n) {
        if (selected_only && !browse_row_is_selected(n)) continue;
        int got = fetch_counting(n, why);
        if (got < 0) break;
        if (got == 0) continue;
        int gone = 0;
        sql_col_rec *row = g_row_state.browse_row;
        sql_col_rec *key = sql_row_key_column(row, row);
        /* Only while it holds what the query showed: a row another user
        ** changed since stays, named. */
        std::vector<std::string> shown;
        for (const sql_col_rec *c = row; c; c = c->next) shown.emplace_back(c->text ? c->text : "");
        rc = key ? memo_delete_with_row(row, key, why, &gone, &shown) : -2;
        if (!key) why = std::string("Table ") + (row ? row->table : "") + " has no unique number column";
        if (gone) ++deleted;
        if (rc == ERR_ROW_CHANGED) {
            kept += (kept.empty() ? "" : ", ") + std::string(row->table) + " row " + str_trim_right(key->text);
            why.clear();
            rc = RTNORM;
            continue;
        }
        if (rc != RTNORM) break;
    }
    *failed = !why.empty();
    if (*failed && deleted == 0)
        msg_alert(ERR_TITLE, "%s", why.c_str());
    else if (*failed)
        msg_alert(ERR_TITLE, "%s\nDeleted %s%ld rows before it.", why.c_str(), sql_driver_lost(rc) ? "at least " : "",
                  deleted);
    if (!kept.empty())
        msg_alert(ERR_TITLE, "These rows were changed by another user since they were shown and stay: %s.",
                  kept.c_str());
    return deleted;
}

/* Writes a count message into "error" and shows it under an empty title. */
void tell(ads_hdlg dialog, const char *format, long count)
{
    char text[k_line_size];
    std::snprintf(text, sizeof text, format, count);
    ads_set_tile(dialog, "error", "");
    msg_alert("", "%s", text);
}

}  // namespace

/* "delete": deletes the selected rows after one question. */
void pv_table_delete_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    browse_read_selection(d);
    if (msg_yes_no("Deleted rows cannot be recovered. Delete rows ?") != RTNORM) return;
    ads_set_tile(d, "error", "Deleting...");
    bool failed = false;
    long deleted = delete_rows(true, &failed);
    browse_clear_selection();
    ads_set_tile(d, "sqlrow", "");
    /* Rows that cannot be counted again end the browser, the rows
    ** deleted told all the same; after a failure said, nothing more. */
    if (deleted > 0) browse_reload(d, !failed);
    if (!failed)
        tell(d, "Deleted %li rows.", deleted);
    else
        ads_set_tile(d, "error", "");
}

/* "delall": deletes every row that counts after one question. */
void pv_table_delall_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    if (msg_yes_no("Deleted rows cannot be recovered. Delete all?") != RTNORM) return;
    ads_set_tile(d, "error", "Deleting...  ");
    bool failed = false;
    long deleted = delete_rows(false, &failed);
    if (browse_recount(d, !failed) < 0) {
        if (!failed) tell(d, "Deleted %ld rows.", deleted);
        return;
    }
    browse_clear_selection();
    if (g_row_count > 0) {
        browse_page(d, "top");
    } else {
        browse_free_lines();
        ads_start_list(d, "sqlrow", LIST_NEW, 0);
        ads_end_list();
        ads_set_tile(d, "sqlrow", "");
        for (const char *k : {"top", "bot", "next", "prev"}) ads_mode_tile(d, k, MODE_DISABLE);
    }
    if (!failed)
        tell(d, "Deleted %ld rows.", deleted);
    else
        ads_set_tile(d, "error", "");
}

/* "modify": edits each selected row in the row editor and writes it on
** accept; over a join only the first selected row. */
void pv_table_modify_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    browse_read_selection(d);
    row_state_rec &s = g_row_state;
    sql_col_rec *row = s.browse_row;
    const int one = browse_one_table(row);
    long modified = 0;
    std::string why;
    for (long n = 0; n < g_row_count; ++n) {
        if (!browse_row_is_selected(n)) continue;
        int got = fetch_counting(n, why);
        if (got < 0) {
            msg_alert(ERR_TITLE, "%s", why.c_str());
            break;
        }
        if (got == 0) continue;
        /* Only the columns the user changed are written, each while it
        ** holds what was shown. */
        std::string changed;
        row_note_shown(row);
        if (pv_edit_col_dialog(nullptr, nullptr, row, 0, 0, 0, 0) == RTNORM &&
            row_write_shown(row, changed, 1) == RTNORM)
            ++modified;
        row_forget_shown(row);
        if (!one) break;
    }
    browse_clear_selection();
    ads_set_tile(d, "sqlrow", "");
    if (modified > 0) {
        browse_reload(d);
        tell(d, "Modified %li rows.", modified);
    } else {
        browse_show_page(d);
    }
}

/* "plot": the plot options over the browsed rows; with an output chosen
** the browser closes and plots, else it goes back to the top. */
void pv_table_plot_cb(ads_callback_packet *cpkt)
{
    row_state_rec &s = g_row_state;
    g_browse_output.plot_opts_dialog(cpkt->dialog, s.browse_cursor, s.browse_row, s.browse_query);
    if (browse_plot_type() >= 0) {
        browse_free_lines();
        ads_done_dialog(cpkt->dialog, DLGOK);
        return;
    }
    char keep[TILE_STR_LIMIT + 1] = "";
    ads_get_tile(cpkt->dialog, "error", keep, sizeof keep);
    browse_page(cpkt->dialog, "top");
    ads_set_tile(cpkt->dialog, "error", keep);
    browse_plot_reset();
}
