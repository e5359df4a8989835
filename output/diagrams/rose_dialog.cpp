/*
** rose_dialog.cpp: the dialog pv_rose (a table of tile keys and callbacks
** over the rose state), its title check and the command's road.
*/
#include "output/diagrams/rose_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/str_util.h"
#include "core/sym_setup.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "data/sym_setup_dialog.h"
#include "output/diagrams/diagram_road.h"
#include "output/diagrams/rose_plot.h"

namespace {

constexpr int kResultDone = 5100;           /* a command's result           */
constexpr double kHalfRange = 180.0;        /* bidirectional range, degrees  */
constexpr double kFullRange = 360.0;        /* full circle, degrees          */
constexpr const char *kDialogName = "pv_rose";

/* The row the dialog was given; null from the command. */
sql_col_rec *s_row = nullptr;

/* Enables the tiles for the state and shows its values. */
void set_modes(ads_hdlg dlg)
{
    int has = g_rose.project != nullptr;
    for (const char *k : {"accept", "symbol", "rose_180", "rose_360", "rose_angle", "rose_interval", "rose_dip"})
        ads_mode_tile(dlg, k, has ? MODE_ENABLE : MODE_DISABLE);
    ads_set_tile(dlg, "rose_180", g_rose.range == kHalfRange ? "1" : "");
    ads_set_tile(dlg, "rose_360", g_rose.range == kFullRange ? "1" : "");
    ads_set_tile(dlg, "rose_dip", g_rose.dip == 1 ? "1" : "");
    char text[TILE_BUF_SIZE];
    snprintf(text, sizeof text, "%.6lf", g_rose.interval);
    ads_set_tile(dlg, "rose_interval", text);
    int i = diagram_column_index(g_rose.project, s_row, g_rose.angle);
    if (i < 0)
        ads_set_tile(dlg, "rose_angle", "");
    else
        dlg_set_index(dlg, "rose_angle", i);
    ads_set_tile(dlg, "error", "");
}

/* 1 when the toggle shows "1". */
int toggle_on(ads_hdlg dlg, const char *key)
{
    char value[TILE_BUF_SIZE] = "";
    ads_get_tile(dlg, key, value, TILE_BUF_SIZE);
    return strcmp(value, "1") == 0;
}

/* The first failure of the settings as the error text ("" when the title
** check showed its own); null when none. */
const char *accept_error(ads_hdlg dlg)
{
    if (!g_rose.project) return "ERROR: No project chosen";
    if (rose_check_title(dlg) != 0) return "";
    if (g_rose.range != kHalfRange && g_rose.range != kFullRange) return "ERROR: Choose 180 or 360 degrees";
    if (!g_rose.angle) return "ERROR: No angle chosen";
    if (g_rose.angle->sql_type == SQL_TYPE_CHAR) return "ERROR: Angle is non-numeric";
    if (g_rose.interval < ROSE_MIN_INTERVAL_DEG) return "ERROR: Minimum interval is 1.0";
    return nullptr;
}

void project_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) rose_fill(cpkt->dialog, tile_get_int(cpkt->dialog, "rose_project"));
}

void symbol_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) diagram_symbol_dialog(g_rose.project, ROSE_SETUP_NAME, rose_default_symbol);
}

void accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    rose_read_tiles(cpkt->dialog);
    const char *error = accept_error(cpkt->dialog);
    if (!error && g_rose.range < g_rose.interval) {
        char text[TILE_BUF_SIZE];
        snprintf(text, sizeof text, "ERROR: Interval exceeds %.0lf", g_rose.range);
        ads_set_tile(cpkt->dialog, "error", text);
        return;
    }
    diagram_accept_end(cpkt->dialog, error);
}

void cancel_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    rose_reset();
    g_rose.project = nullptr;
    s_row = nullptr;
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* The road's row stage: the row is counted. */
int bin_row(sql_col_rec *row)
{
    g_rose.row = row;
    int rc = rose_bin_row();
    g_rose.row = nullptr;
    return rc;
}

/* The road's closing stage. */
int plot_end(void) { return rose_plot() == 0 ? 0 : -1; }

}  // namespace

/* The command handler; see rose_dialog.h. */
int pv_rose(struct resbuf *)
{
    pv_rose_dialog(nullptr, nullptr);
    return kResultDone;
}

/* Fills the dialog for a project; see rose_dialog.h. */
void rose_fill(ads_hdlg dlg, int n)
{
    g_rose.project = pjct_nth(n);
    rose_reset();
    g_rose.range = kFullRange;
    const char *keys[] = {"rose_angle"};
    diagram_fill_columns(dlg, keys, 1, g_rose.project, s_row);
    if (!g_rose.project) rose_reset();
    set_modes(dlg);
}

/* Reads the tiles into the state; see rose_dialog.h. */
void rose_read_tiles(ads_hdlg dlg)
{
    g_rose.range = toggle_on(dlg, "rose_180") ? kHalfRange : toggle_on(dlg, "rose_360") ? kFullRange : 0;
    g_rose.dip = toggle_on(dlg, "rose_dip");
    char text[ROSE_INTERVAL_READ_SIZE] = "";
    ads_get_tile(dlg, "rose_interval", text, sizeof text);
    g_rose.interval = atof(text);
    g_rose.angle = diagram_column_nth(g_rose.project, s_row, tile_get_int(dlg, "rose_angle"));
    rose_apply_symbol();
}

/* Checks the title; see rose_dialog.h. */
int rose_check_title(ads_hdlg dlg)
{
    static const diagram_title_texts k_texts = {"ERROR: Diagram must have a title", "ERROR: Diagram title is too long", nullptr,
        "Rose diagram with that title exists.  Redefine It?", "ERROR: Diagram with that title exists"};
    return diagram_check_title(dlg, "rose_name", &k_texts, g_rose.title, sizeof g_rose.title);
}

/* Runs the dialog; see rose_dialog.h. */
int pv_rose_dialog(pjct_rec *project, sql_col_rec *row)
{
    rose_reset();
    s_row = row;
    static const dlg_tile k_tiles[] = {
        {"rose_project", project_cb}, {"symbol", symbol_cb}, {"accept", accept_cb}, {"cancel", cancel_cb}};
    int status = diagram_dialog_run(kDialogName, "rose_project", project, rose_fill, k_tiles,
                                    (int)(sizeof k_tiles / sizeof k_tiles[0]));
    if (status != 1) {
        s_row = nullptr;
        return -1;
    }
    g_rose.row = s_row;
    s_row = nullptr;
    if (!project && !row) rose_run();
    return 0;
}

/* The command's plot; see rose_dialog.h. */
void rose_run(void)
{
    if (rose_check() != 0) return;
    diagram_road road = {g_rose.project, tbl_find_by_name(g_rose.project->tables, g_rose.angle->table, nullptr),
                         rose_plot_begin, bin_row, plot_end, nullptr};
    if (road.table) diagram_plot_selected(&road);
}
