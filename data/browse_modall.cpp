/*
** browse_modall.cpp: replacing one column's value in every browsed row
** ("pv_dlg_modall", opened by the browser's "modall" tile). The new value
** is either a value checked against the column's input rule or another
** column of the row, whose own value each row then takes. Only rows the
** query's post-filter lets through are changed, each by its table's
** unique number and only while its column holds the text the query showed,
** so that another user's change made since is never written over.
**
**     pick modall  ->  column NAME, edit_value SMPNO  ->  every row's NAME = its SMPNO
*/
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/row_state.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tile_util.h"
#include "data/browse.h"
#include "data/item_pick.h"
#include "data/row_edit.h"

namespace {

/* The dialog's name. */
const char k_dialog[] = "pv_dlg_modall";
/* Room of a progress line. */
const int k_line_size = 64;

/* What the replace dialog's callbacks share. */
struct modall_ctx {
    sql_col_rec *row;       /* the browsed row; not owned */
    int columns;            /* columns of the row; the entry after them is blank */
    long replaced;          /* rows changed by the last accept */
    bool failed;            /* the last accept stopped at a failure, said */
};

/* The chosen column; null for the blank entry or none. */
sql_col_rec *chosen_column(ads_hdlg dialog, const modall_ctx *ctx)
{
    int i = tile_get_int(dialog, "column");
    return i >= 0 && i < ctx->columns ? sql_col_nth(ctx->row, i) : nullptr;
}

/* The row's column a text names ("TABLE.COLUMN" or a plain name); null when
** the text is a value. */
sql_col_rec *named_column(sql_col_rec *row, const char *text)
{
    if (!text[0]) return nullptr;
    sql_col_rec *c = std::strchr(text, '.') ? sql_col_find_qualified(row, text, nullptr) : nullptr;
    return c ? c : sql_col_find(row, text, nullptr, nullptr);
}

/* Replaces the target in every row that counts with the value or with the
** row's own source text as the row holds it when written, each row only
** while its target still holds the text the query showed and its source
** the text written (a row another user changed there since keeps its
** value and is listed in kept; a row deleted since is passed over),
** stopping at a row that cannot be read or written (why then says which
** and what failed; at_least is set when the write's driver ended, so that
** the row may hold the value); the rows changed (a row already holding
** the value is not one). */
long replace_rows(ads_hdlg dialog, sql_col_rec *target, sql_col_rec *source, const char *value, std::string &why,
                  bool &at_least, std::string &kept)
{
    row_state_rec &s = g_row_state;
    sql_col_rec *row = s.browse_row;
    sql_col_rec *key = sql_row_key_column(target, row);
    char line[k_line_size];
    long count = 0;
    ads_set_tile(dialog, "error", "Replacing... 0");
    for (long n = 0; n < g_row_count; ++n) {
        int rc = sql_fetch(s.browse_cursor, row, SQL_FETCH_ABSOLUTE, n, 1);
        if (rc == RTERROR) break;
        if (rc != RTNORM) {
            why = browse_unread_text(row, rc);
            break;
        }
        if (!browse_row_counts(s.browse_query, row)) continue;
        std::string number = str_trim_right(key->text ? key->text : "");
        /* The row as it is stored now: its source text is what goes in. */
        void *stmt = nullptr, *cursor = nullptr;
        sql_col_rec *stored = nullptr;
        int found = sql_select_where(target->connection, target->table, key->name, number.c_str(), nullptr, &stmt,
                                     &cursor, &stored);
        sql_col_rec *now_target = found > 0 ? sql_col_find(stored, target->name, nullptr, nullptr) : nullptr;
        sql_col_rec *now_source = found > 0 && source ? sql_col_find(stored, source->name, nullptr, nullptr) : nullptr;
        if (found > 0 && (!now_target || (source && !now_source))) found = -2;
        std::vector<std::string> names = {target->name}, from = {target->text ? target->text : ""}, to = {value};
        if (now_source) {
            std::string text = now_source->text ? now_source->text : "";
            if ((int)text.size() > target->length) text.resize(target->length);
            to[0] = text;
            names.emplace_back(source->name);
            from.emplace_back(now_source->text ? now_source->text : "");
            to.emplace_back(from.back());
        }
        bool holds = found > 0 && sql_compared_text(now_target, now_target->text) ==
                                      sql_compared_text(now_target, to[0].c_str());
        rc = found < 0 ? found
             : found == 0 || holds
                 ? RTNORM
                 : sql_update_held(target->connection, target->table, key->name, std::atol(number.c_str()), stored,
                                   names, from, to);
        sql_close_query(&stmt, &cursor, &stored);
        if (rc == ERR_ROW_CHANGED) {
            kept += (kept.empty() ? "" : ", ") + std::string(row->table) + " row " + number;
            continue;
        }
        if (rc != RTNORM) {
            why = std::string("Table ") + row->table + " row " + number + (found < 0 ? " cannot be read: " :
                  " cannot be written: ") + sql_failure_text(rc);
            /* The write of a driver that ended may have gone through. */
            at_least = found >= 0 && sql_driver_lost(rc) != 0;
            break;
        }
        if (found == 0 || holds) continue;
        ++count;
        std::snprintf(line, sizeof line, "Replacing... %ld", count);
        ads_set_tile(dialog, "error", line);
    }
    return count;
}

/* "column": "list" is enabled only for a column whose rule has a loaded
** item tree; clears "error". */
void pv_dlg_modall_column_cb(ads_callback_packet *cpkt)
{
    modall_ctx *ctx = (modall_ctx *)cpkt->client_data;
    sql_col_rec *c = chosen_column(cpkt->dialog, ctx);
    const int tree = c && c->attr && (c->attr->flags & COL_ATTR_PROFILE) && c->attr->tree;
    ads_mode_tile(cpkt->dialog, "list", tree ? MODE_ENABLE : MODE_DISABLE);
    ads_set_tile(cpkt->dialog, "error", "");
}

/* "list": the profile picker on the text of "edit_value" for the chosen
** column's loaded tree; a changed level is kept in the rule. */
void pv_dlg_modall_list_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    modall_ctx *ctx = (modall_ctx *)cpkt->client_data;
    sql_col_rec *c = chosen_column(cpkt->dialog, ctx);
    col_attr_rec *r = c ? c->attr : nullptr;
    if (!r || !r->tree || str_nonblank(r->profile) != RTNORM || str_nonblank(r->dictionary) != RTNORM) return;
    pjct_rec *p = pjct_of_col_attr(r);
    if (!p) return;
    char text[ROW_VALUE_SIZE] = "";
    ads_get_tile(cpkt->dialog, "edit_value", text, sizeof text);
    int level = r->level;
    if (pv_select_profile_dialog(r->tree, text, sizeof text, (r->flags & COL_ATTR_MANY) != 0, r->delimiter, p,
                                 &level) != RTNORM)
        return;
    if (level != r->level) {
        r->level = (uint16_t)level;
        p->flags |= PJCT_CHG_COLUMNS;
    }
    ads_set_tile(cpkt->dialog, "edit_value", text);
}

/* "accept": checks the value or source column against the chosen column,
** asks once, replaces it in every row that counts and ends with 1; a
** refused value or column is named in "error" and the dialog stays. */
void pv_dlg_modall_accept_cb(ads_callback_packet *cpkt)
{
    modall_ctx *ctx = (modall_ctx *)cpkt->client_data;
    ads_hdlg d = cpkt->dialog;
    sql_col_rec *target = chosen_column(d, ctx);
    if (!target) {
        ads_set_tile(d, "error", err_text(-9106));
        return;
    }
    if (!sql_row_key_column(target, ctx->row)) {
        char line[TILE_BUF_SIZE];
        std::snprintf(line, sizeof line, "No unique number column in table %s.", target->table);
        ads_set_tile(d, "error", line);
        return;
    }
    char typed[TILE_BUF_SIZE] = "";
    tile_get_str(d, "edit_value", typed);
    str_trim(typed);
    sql_col_rec *source = named_column(ctx->row, typed);
    char value[ROW_VALUE_SIZE] = "";
    char line[TILE_BUF_SIZE];
    if (source) {
        const int to_text = target->sql_type == SQL_TYPE_CHAR, from_text = source->sql_type == SQL_TYPE_CHAR;
        if (to_text != from_text) {
            std::snprintf(line, sizeof line,
                          to_text ? "ERROR: Cannot copy numeric field %s to text field %s"
                                  : "ERROR: Cannot copy text field %s to numeric field %s",
                          source->name, target->name);
            ads_set_tile(d, "error", line);
            return;
        }
    } else {
        int rc = col_check_value(target, typed, value);
        if (rc < 0) {
            row_show_check_error(d, target, rc, typed);
            return;
        }
    }
    const char *shown = source ? source->name : value;
    std::snprintf(line, sizeof line, "Permanently replace all %s with %s ?", target->name, shown);
    if (msg_yes_no(line) != RTNORM) return;
    std::string why, kept;
    bool at_least = false;
    ctx->replaced = replace_rows(d, target, source, value, why, at_least, kept);
    ctx->failed = !why.empty();
    ads_set_tile(d, "error", "");
    if (!kept.empty()) kept = " Changed by another user since shown, these keep their values: " + kept + ".";
    if (!why.empty() && (ctx->replaced > 0 || at_least))
        msg_alert(ERR_TITLE, "%s\nReplaced %s with %s in %s%ld rows before it.%s", why.c_str(), target->name, shown,
                  at_least ? "at least " : "", ctx->replaced, kept.c_str());
    else if (!why.empty())
        msg_alert(ERR_TITLE, "%s%s", why.c_str(), kept.c_str());
    else if (!kept.empty())
        msg_alert(ERR_TITLE, "Replaced %s with %s in %ld rows.%s", target->name, shown, ctx->replaced, kept.c_str());
    else
        msg_alert("", "Replaced %s with %s in %ld rows.", target->name, shown, ctx->replaced);
    ads_done_dialog(d, DLGOK);
}

/* "cancel": ends without replacing. */
void pv_dlg_modall_cancel_cb(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* The replace dialog's tiles and callbacks. */
const dlg_tile k_tiles[] = {
    {"accept", pv_dlg_modall_accept_cb},
    {"cancel", pv_dlg_modall_cancel_cb},
    {"column", pv_dlg_modall_column_cb},
    {"list", pv_dlg_modall_list_cb},
};

}  // namespace

/* "modall": the replace dialog over the browsed row; after an accept the
** browser goes to the top. */
void pv_dlg_modall_dialog(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg browser = cpkt->dialog;
    modall_ctx ctx = {g_row_state.browse_row, 0, 0, false};
    ads_hdlg d = nullptr;
    if (ads_new_dialog(k_dialog, g_dcl_id, nullptr, &d) != RTNORM || !d) {
        msg_alert(ERR_TITLE, "Cannot load dialog box: %s.", k_dialog);
        return;
    }
    ads_start_list(d, "column", LIST_NEW, 0);
    for (sql_col_rec *c = ctx.row; c; c = c->next, ++ctx.columns) ads_add_list(browse_col_label(c).c_str());
    ads_add_list("");
    ads_end_list();
    dlg_set_index(d, "column", ctx.columns);
    ads_mode_tile(d, "list", MODE_DISABLE);
    dlg_register(d, k_tiles, sizeof k_tiles / sizeof k_tiles[0], &ctx);
    int status = DLGCANCEL;
    ads_start_dialog(d, &status);
    if (status != DLGOK) return;
    if ((ctx.replaced > 0 || ctx.failed) && browse_recount(browser, !ctx.failed) < 0) return;
    browse_page(browser, "top");
}
