/*
** tblsetup_columns.cpp: the column definition dialog "pv_colsetup" and the
** column move dialog "pv_colmove" of the table setup.
**
** Both act on one column node of the setup tree. The definition dialog
** sets type, length and decimals under the rules of the project's
** database; the move dialog puts a column before another (dBASE tables,
** whose column order is part of the file).
**
**     pv_colsetup_dialog(column, table, project);   // 5100 after the dialog
**     if (pv_colmove_dialog(column, table) == 0) ... // moved
*/
#include "data/tblsetup.h"

#include <cstdio>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/pv_config.h"
#include "core/pv_globals.h"
#include "core/str_util.h"
#include "core/tile_util.h"

namespace {

/* Dialog names and tile keys. */
const char k_colsetup[] = "pv_colsetup";
const char k_colmove[] = "pv_colmove";
const char k_type[] = "col_type";
const char k_len[] = "col_len";
const char k_dec[] = "col_dec";
const char k_error[] = "error";
/* Environment whose driver takes no NUMERIC or DEC column. */
const char k_odbc[] = "ODBC";

/* Answers of tblsetup_column_check for its two kinds of refusal. */
constexpr int TS_REFUSE_TYPE = -1;
constexpr int TS_REFUSE_SIZE = -2;

/* What a running dialog works on. */
struct ts_col_dialog {
    tblsetup_column_node *column;   /* the column node */
    tblsetup_table_node *table;     /* its table node */
    pjct_rec *project;              /* the project (definition dialog) */
};

/* 1 when the column exists in the registered table and the project can
** change no column (neither dBASE nor server). */
int ts_fixed_column(const ts_col_dialog *d)
{
    if (d->project->flags & (PJCT_ENV_DB3 | PJCT_ENV_SERVER)) return 0;
    tbl_rec *row = tbl_find_by_name(d->project->tables, d->table->name, nullptr);
    return row && tbl_column_find(row->columns, d->column->name, nullptr, nullptr) != nullptr;
}

/* Enables the definition's fields by the chosen type. */
void ts_col_avail(ads_hdlg dlg, const ts_col_dialog *d)
{
    if (ts_fixed_column(d)) {
        for (const char *key : {k_type, k_len, k_dec}) ads_mode_tile(dlg, key, MODE_DISABLE);
        ads_set_tile(dlg, k_error, "");
        return;
    }
    ads_mode_tile(dlg, k_type, MODE_ENABLE);
    switch (tile_get_int(dlg, k_type)) {
    case TS_TYPE_CHAR:
    case TS_TYPE_FLOAT:
        ads_set_tile(dlg, k_dec, "0");
        ads_mode_tile(dlg, k_dec, MODE_DISABLE);
        ads_mode_tile(dlg, k_len, MODE_ENABLE);
        break;
    case TS_TYPE_NUMERIC:
    case TS_TYPE_DEC:
        ads_mode_tile(dlg, k_len, MODE_ENABLE);
        ads_mode_tile(dlg, k_dec, MODE_ENABLE);
        break;
    case TS_TYPE_INT:
    case TS_TYPE_SMALLINT:
    case TS_TYPE_REAL:
    case TS_TYPE_DOUBLE:
        ads_set_tile(dlg, k_len, "0");
        ads_set_tile(dlg, k_dec, "0");
        ads_mode_tile(dlg, k_len, MODE_DISABLE);
        break;
    default:
        ads_set_tile(dlg, k_type, "");
        ads_set_tile(dlg, k_len, "0");
        ads_set_tile(dlg, k_dec, "0");
        ads_mode_tile(dlg, k_len, MODE_DISABLE);
        break;
    }
    ads_set_tile(dlg, k_error, "");
    ads_mode_tile(dlg, k_type, MODE_SETFOCUS);
}

/* "col_type", "col_len", "col_dec": the fields follow the type. */
void ts_cb_col_field(ads_callback_packet *cpkt)
{
    ts_col_avail(cpkt->dialog, (const ts_col_dialog *)cpkt->client_data);
}

/* "accept" of the definition: checked, then stored in the node. */
void ts_cb_col_accept(ads_callback_packet *cpkt)
{
    ads_hdlg dlg = cpkt->dialog;
    ts_col_dialog *d = (ts_col_dialog *)cpkt->client_data;
    int type = tile_get_int(dlg, k_type), length = tile_get_int(dlg, k_len), decimals = tile_get_int(dlg, k_dec);
    if (type >= TS_TYPE_INT && type != TS_TYPE_FLOAT) length = decimals = 0;
    char message[TILE_BUF_SIZE];
    int rc = tblsetup_column_check(d->project, type, length, decimals, message, sizeof message);
    if (rc != 0) {
        ads_set_tile(dlg, k_error, message);
        if (rc == TS_REFUSE_TYPE) {
            ads_set_tile(dlg, k_type, "");
            ads_mode_tile(dlg, k_type, MODE_SETFOCUS);
        }
        return;
    }
    d->column->type = type;
    d->column->length = (uint16_t)length;
    d->column->decimals = (int16_t)decimals;
    ads_done_dialog(dlg, DLGOK);
}

/* "cancel" of either dialog. */
void ts_cb_col_cancel(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* "accept" of the move: the chosen entry is the column the moved one goes
** before. */
void ts_cb_move_accept(ads_callback_packet *cpkt)
{
    ads_hdlg dlg = cpkt->dialog;
    ts_col_dialog *d = (ts_col_dialog *)cpkt->client_data;
    int n = tile_get_int(dlg, "col_name");
    tblsetup_column_node *target = tblsetup_column_nth(d->table->columns, n);
    if (!target) return;
    if (target == d->column) {
        ads_set_tile(dlg, k_error, "Invalid column selected");
        return;
    }
    tblsetup_column_move_before(d->table, d->column, target);
    ads_done_dialog(dlg, DLGOK);
}

const dlg_tile k_colsetup_tiles[] = {
    {k_type, ts_cb_col_field}, {k_len, ts_cb_col_field}, {k_dec, ts_cb_col_field},
    {"accept", ts_cb_col_accept}, {"cancel", ts_cb_col_cancel},
};
const dlg_tile k_colmove_tiles[] = {{"accept", ts_cb_move_accept}, {"cancel", ts_cb_col_cancel}};

/* 1 when the project's environment is the one named "ODBC". */
int ts_is_odbc(const pjct_rec *p)
{
    return p->env_index >= 0 && p->env_index < g_env_count && g_env_names && g_env_names[p->env_index] &&
           str_eq_nocase(g_env_names[p->env_index], k_odbc);
}

}  // namespace

/* Checks a column definition for a project, in order: a type, the types
** a dBASE or "ODBC" project takes, decimals and length. Answers 0 when it
** is accepted; -1 for a refused type, -2 for a refused size, the text in
** message. */
int tblsetup_column_check(const pjct_rec *project, int type, int length, int decimals, char *message, int size)
{
    const char *text = nullptr;
    int number = type == TS_TYPE_NUMERIC || type == TS_TYPE_DEC;
    int limit = 0;
    if (type < TS_TYPE_CHAR || type > TS_TYPE_DOUBLE) text = "Invalid column type";
    else if (project && (project->flags & PJCT_ENV_DB3) && type != TS_TYPE_CHAR && type != TS_TYPE_NUMERIC)
        text = "Column type must be NUMERIC or CHAR";
    else if (project && number && ts_is_odbc(project))
        text = "Type must be: CHAR, INT, SMALLINT, REAL, FLOAT, opr DOUBLE";
    if (text) {
        std::snprintf(message, (size_t)size, "%s", text);
        return TS_REFUSE_TYPE;
    }
    if (number && decimals < 0) text = "ERROR: Invalid decimals";
    else if ((number || type == TS_TYPE_FLOAT) && length < 1) text = "ERROR: Invalid length";
    /* A blank or unreadable CHAR length would wrap into a huge width. */
    else if (type == TS_TYPE_CHAR && length < 0) text = "ERROR: Invalid length";
    else if (type == TS_TYPE_CHAR && length > TS_CHAR_MAX) limit = TS_CHAR_MAX;
    else if ((number || type == TS_TYPE_FLOAT) && length > TS_NUMBER_MAX) limit = TS_NUMBER_MAX;
    else if ((number || type == TS_TYPE_FLOAT) && decimals >= 1 && decimals + TS_DECIMAL_ROOM > length)
        text = "ERROR: Decimals too large";
    if (limit) {
        std::snprintf(message, (size_t)size, "ERROR: Length greater than %d", limit);
        return TS_REFUSE_SIZE;
    }
    if (text) {
        std::snprintf(message, (size_t)size, "%s", text);
        return TS_REFUSE_SIZE;
    }
    if (size > 0) message[0] = '\0';
    return 0;
}

/* Runs "pv_colsetup" on a column node. Answers 5100 after the dialog (the
** node changed on accept only); -2 for a blank name, a type outside 0..7,
** or a missing table node or project; -5001 when the dialog cannot be
** loaded (reported). */
int pv_colsetup_dialog(tblsetup_column_node *column, tblsetup_table_node *table, pjct_rec *project)
{
    if (!column || !column->name || str_nonblank(column->name) != RTNORM || !table || !table->name || !project)
        return -2;
    if (column->type < TS_TYPE_CHAR || column->type > TS_TYPE_DOUBLE) return -2;
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(k_colsetup, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, k_colsetup);
        return RTERROR;
    }
    tblsetup_state *s = tblsetup_state_get();
    s->column = column;
    s->table = table;
    s->project = project;
    ts_col_dialog d = {column, table, project};
    dlg_register(dlg, k_colsetup_tiles, (int)(sizeof k_colsetup_tiles / sizeof k_colsetup_tiles[0]), &d);
    std::vector<const char *> names;
    for (int t = TS_TYPE_CHAR; t <= TS_TYPE_DOUBLE; t++) names.push_back(tblsetup_type_name(t));
    dlg_fill_list(dlg, k_type, names.data(), (int)names.size());
    ads_set_tile(dlg, "col_tblname", table->name);
    ads_set_tile(dlg, "col_colname", column->name);
    dlg_set_index(dlg, k_type, column->type);
    dlg_set_index(dlg, k_len, column->length);
    dlg_set_index(dlg, k_dec, column->decimals);
    ts_col_avail(dlg, &d);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    s->column = nullptr;
    s->table = nullptr;
    s->project = nullptr;
    return RTNORM;
}

/* Runs "pv_colmove" on a column node. Answers 0 when the column was moved;
** -1 when cancelled or the dialog cannot be loaded (reported); -2 for a
** blank column or table name. */
int pv_colmove_dialog(tblsetup_column_node *column, tblsetup_table_node *table)
{
    if (!column || !table || !column->name || !table->name || str_nonblank(column->name) != RTNORM ||
        str_nonblank(table->name) != RTNORM)
        return -2;
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(k_colmove, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, k_colmove);
        return -1;
    }
    ts_col_dialog d = {column, table, nullptr};
    dlg_register(dlg, k_colmove_tiles, (int)(sizeof k_colmove_tiles / sizeof k_colmove_tiles[0]), &d);
    ads_set_tile(dlg, "col_colname", column->name);
    std::vector<const char *> names;
    for (tblsetup_column_node *c = table->columns; c; c = c->next) names.push_back(c->name);
    dlg_fill_list(dlg, "col_name", names.data(), (int)names.size());
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    return status == DLGOK ? 0 : -1;
}
