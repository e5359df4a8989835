/*
** ddh_dialog.cpp: the dialog pv_dhole (a table of tile keys and
** callbacks): the row's station, base-number and collar columns are found
** first, then the user picks the azimuth, dip and length columns of the
** survey segments and may edit the "DRILLHOLE" symbol setup.
*/
#include "output/diagrams/ddh_plot.h"

#include <cstdio>
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "draw/map_params.h"
#include "output/diagrams/diagram_road.h"

namespace {

constexpr const char *kDialogName = "pv_dhole";
constexpr const char *kNoMap = "No map coordinates present.\nUse DU-ZOREZ to setup map.";
constexpr const char *kNoStation = "No drill hole station numbers present. Cannot plot.";
constexpr const char *kNoUnique = "No drill hole unique numbers present. Cannot plot.";
constexpr const char *kNoLocation = "No drill hole locations present. Cannot plot.";

/* The column lists and their state slots. */
struct column_tile {
    const char *key;                 /* list tile */
    sql_col_rec *ddh_state::*slot;   /* the state's column */
};
const column_tile k_columns[] = {
    {"ddh_str", &ddh_state::strike},
    {"ddh_dip", &ddh_state::dip},
    {"ddh_len", &ddh_state::length},
};

/* Finds the station and base-number columns of the row's STATION table.
** 0; -1 after the message naming what is missing. */
int find_station(sql_col_rec *row)
{
    for (sql_col_rec *c = row; c; c = c->next) {
        const tbl_rec *t = tbl_find_by_name(g_ddh.project->tables, c->table, nullptr);
        if (!t || t->table_type != TBL_DEF_STATION) continue;
        const sql_col_rec *s = t->keys[TBL_KEY_STATION], *u = t->keys[TBL_KEY_BASENUMBER];
        g_ddh.station = s ? sql_col_find(row, s->name, t->name, nullptr) : nullptr;
        g_ddh.unique = u ? sql_col_find(row, u->name, t->name, nullptr) : nullptr;
        break;
    }
    if (!g_ddh.station) return msg_alert(ERR_TITLE, kNoStation), -1;
    if (!g_ddh.unique) return msg_alert(ERR_TITLE, kNoUnique), -1;
    return 0;
}

/* Finds the collar columns: the first point column whose setup's X and Y
** are both in the row. 0; -1 after the message. */
int find_location(sql_col_rec *row)
{
    if (diagram_row_point(row, 0, &g_ddh.x, &g_ddh.y, &g_ddh.projection) == 0) return 0;
    msg_alert(ERR_TITLE, kNoLocation);
    return -1;
}

/* The first failure of the chosen columns as the error text; null when
** none. */
const char *accept_error(void)
{
    const ddh_state &s = g_ddh;
    if (!s.strike) return "ERROR:  No strike specified";
    if (!s.dip) return "ERROR:  No dip specified";
    if (!s.length) return "ERROR:  No length specified";
    if (s.strike->sql_type == SQL_TYPE_CHAR) return "ERROR:  Trend is non-numeric";
    if (s.dip->sql_type == SQL_TYPE_CHAR) return "ERROR:  Plunge is non-numeric";
    if (s.length->sql_type == SQL_TYPE_CHAR) return "ERROR:  Length is non-numeric";
    if (s.strike == s.dip) return "ERROR:  Trend and dip cannot be identical";
    if (s.strike == s.length) return "ERROR:  Trend and length cannot be identical";
    if (s.dip == s.length) return "ERROR:  Plunge and length cannot be identical";
    return nullptr;
}

/* "symbol": the project's "DRILLHOLE" setup, else a new default. */
void symbol_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt))
        diagram_symbol_dialog(g_ddh.project, DDH_SETUP_NAME, [] { return diagram_new_setup(ddh_default_symbol); });
}

/* "accept": takes the chosen columns and the normalised setup; closes
** with OK when the columns pass, else shows the first failure. */
void accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    for (const auto &c : k_columns) {
        int n = tile_get_int(cpkt->dialog, c.key);
        g_ddh.*c.slot = n >= 0 ? sql_col_nth(g_ddh.row, n) : nullptr;
    }
    const sym_rec *setup = sym_find(g_ddh.project->symbols, DDH_SETUP_NAME);
    int rc = g_ddh.symbol ? (setup ? sym_copy(g_ddh.symbol, setup) : ddh_default_symbol(g_ddh.symbol)) : -1;
    if (rc != 0) {
        err_report(ERR_NO_MEMORY, kDialogName);
        return;
    }
    ddh_normalise_symbol(g_ddh.symbol);
    ddh_placement_from_symbol(g_ddh.symbol, &g_ddh.placement);
    diagram_accept_end(cpkt->dialog, accept_error());
}

/* "cancel": forgets everything and closes. */
void cancel_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ddh_reset_all();
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

}  // namespace

/* Runs the dialog; see ddh_plot.h. */
int pv_dhole_dialog(sql_col_rec *row)
{
    if (!row) return -2;
    if (!g_map_params.projection) {
        msg_alert(ERR_TITLE, kNoMap);
        return -1;
    }
    ddh_reset_all();
    g_ddh.project = pjct_find_by_session(row->connection);
    if (!g_ddh.project) return -1;
    if (find_station(row) != 0 || find_location(row) != 0) {
        ddh_reset_all();
        return -1;
    }
    g_ddh.row = row;
    ads_hdlg dlg = diagram_dialog_open(kDialogName);
    if (!dlg) {
        ddh_reset_all();
        return -1;
    }
    const char *keys[] = {k_columns[0].key, k_columns[1].key, k_columns[2].key};
    diagram_fill_columns(dlg, keys, (int)(sizeof keys / sizeof keys[0]), g_ddh.project, row);
    static const dlg_tile k_tiles[] = {{"symbol", symbol_cb}, {"accept", accept_cb}, {"cancel", cancel_cb}};
    if (diagram_dialog_start(dlg, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0])) != 1) {
        ddh_reset_all();
        return -1;
    }
    return 0;
}
