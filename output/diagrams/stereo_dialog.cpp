/*
** stereo_dialog.cpp: the dialog pv_stereonet (a table of tile keys and
** callbacks over the stereonet state), the title check, and the command's
** road from the symbols the user selects to the placed net.
*/
#include "output/diagrams/stereo_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/sym_setup.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "data/sym_setup_dialog.h"
#include "draw/draw_util.h"
#include "draw/link.h"
#include "output/diagrams/diagram_road.h"
#include "output/diagrams/stereo_plot.h"

namespace {

constexpr int kResultDone = 5100;          /* a command's result           */
constexpr const char *kDialogName = "pv_stereonet";

/* The column lists and their state slots. */
struct column_tile {
    const char *key;                  /* list tile */
    sql_col_rec *stereo_state::*slot; /* the state's column */
};
const column_tile k_columns[] = {
    {"strike", &stereo_state::strike},
    {"dip", &stereo_state::dip},
    {"trend", &stereo_state::trend},
    {"plunge", &stereo_state::plunge},
};
/* The toggles and their flags. */
struct flag_tile {
    const char *key;          /* toggle tile */
    int stereo_state::*flag;  /* the state's flag */
};
const flag_tile k_flags[] = {
    {"planar", &stereo_state::planar},       {"linear", &stereo_state::linear},
    {"equal", &stereo_state::equal_area},    {"stereo", &stereo_state::stereographic},
    {"gcircle", &stereo_state::great_circle}, {"pole", &stereo_state::pole},
    {"dipdir", &stereo_state::dip_direction}, {"plungedir", &stereo_state::plunge_direction},
};

/* The dialog's own context: the row it was given. */
sql_col_rec *s_row = nullptr;

/* The n-th column offered. */
sql_col_rec *offered_column(int n) { return diagram_column_nth(g_stereo.project, s_row, n); }

/* Reads every toggle and column list into the state. */
void read_tiles(ads_hdlg dlg)
{
    char value[TILE_BUF_SIZE];
    for (const auto &f : k_flags) {
        value[0] = '\0';
        ads_get_tile(dlg, f.key, value, TILE_BUF_SIZE);
        g_stereo.*f.flag = strcmp(value, "1") == 0;
    }
    for (const auto &c : k_columns) g_stereo.*c.slot = offered_column(tile_get_int(dlg, c.key));
}

/* Enables and shows the tiles for the state. */
void set_modes(ads_hdlg dlg)
{
    int has = g_stereo.project != nullptr;
    if (!has) stereo_reset();
    for (const char *k : {"accept", "symbol", "planar", "linear", "equal", "stereo"})
        ads_mode_tile(dlg, k, has ? MODE_ENABLE : MODE_DISABLE);
    int planar = has && g_stereo.planar >= 1, linear = has && g_stereo.linear >= 1;
    if (!planar) g_stereo.great_circle = g_stereo.pole = g_stereo.dip_direction = 0;
    if (!planar) g_stereo.strike = g_stereo.dip = nullptr;
    if (!linear) g_stereo.plunge_direction = 0;
    if (!linear) g_stereo.trend = g_stereo.plunge = nullptr;
    for (const char *k : {"gcircle", "pole", "dipdir", "strike", "dip"})
        ads_mode_tile(dlg, k, planar ? MODE_ENABLE : MODE_DISABLE);
    for (const char *k : {"plungedir", "trend", "plunge"})
        ads_mode_tile(dlg, k, linear ? MODE_ENABLE : MODE_DISABLE);
    for (const auto &f : k_flags) ads_set_tile(dlg, f.key, g_stereo.*f.flag >= 1 ? "1" : "");
    for (const auto &c : k_columns) {
        int i = diagram_column_index(g_stereo.project, s_row, g_stereo.*c.slot);
        if (i < 0)
            ads_set_tile(dlg, c.key, "");
        else
            dlg_set_index(dlg, c.key, i);
    }
    ads_set_tile(dlg, "error", "");
}

/* Fills the column lists for the project at list index n. */
void fill(ads_hdlg dlg, int n)
{
    g_stereo.project = pjct_nth(n);
    const char *keys[] = {"strike", "dip", "trend", "plunge"};
    diagram_fill_columns(dlg, keys, 4, g_stereo.project, s_row);
    stereo_reset();
    set_modes(dlg);
}

/* The first failure of the settings as the error text; null when none. */
const char *accept_error(ads_hdlg dlg)
{
    const stereo_state &s = g_stereo;
    if (!s.project) return "ERROR: No project chosen";
    if (s.equal_area < 1 && s.stereographic < 1) return "ERROR: Choose Equal-Area or Stereographic projection";
    if (s.planar < 1 && s.linear < 1) return "ERROR: Choose Planar or Linear";
    if (stereo_check_title(dlg) != 0) return "";
    if (s.planar >= 1) {
        /* One net shows planes one way: neither, or both, is refused. */
        if ((s.pole < 1) == (s.great_circle < 1)) return "ERROR: Choose Pole-to-plane or Great-Circle";
        if (!s.strike) return "ERROR: No strike chosen";
        if (!s.dip) return "ERROR: No dip chosen";
        if (strcmp(s.strike->table, s.dip->table) != 0) return "ERROR: Strike and Dip must be in same table";
        if (s.strike->sql_type == SQL_TYPE_CHAR) return "ERROR: Strike is non-numeric";
        if (s.dip->sql_type == SQL_TYPE_CHAR) return "ERROR: Dip is non-numeric";
        if (s.strike == s.dip) return "ERROR: Strike cannot be same as Dip";
    } else {
        if (!s.trend) return "ERROR: No trend chosen";
        if (!s.plunge) return "ERROR: No plunge chosen";
        if (strcmp(s.trend->table, s.plunge->table) != 0) return "ERROR: Trend and Plunge must be in same table";
        if (s.trend->sql_type == SQL_TYPE_CHAR) return "ERROR: Trend is non-numeric";
        if (s.plunge->sql_type == SQL_TYPE_CHAR) return "ERROR: Plunge is non-numeric";
        if (s.trend == s.plunge) return "ERROR: Trend cannot be same as Plunge";
    }
    return nullptr;
}

void project_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    fill(cpkt->dialog, tile_get_int(cpkt->dialog, "project"));
}

/* A choice callback: reads the tiles, applies the choice, shows the modes. */
void choose(ads_callback_packet *cpkt, void (*change)(stereo_state &))
{
    if (!cb_acts(cpkt)) return;
    read_tiles(cpkt->dialog);
    change(g_stereo);
    set_modes(cpkt->dialog);
}

void planar_cb(ads_callback_packet *cpkt)
{
    choose(cpkt, [](stereo_state &s) { s.planar = 1, s.linear = 0, s.pole = 1, s.great_circle = 0; });
}

void linear_cb(ads_callback_packet *cpkt)
{
    choose(cpkt, [](stereo_state &s) { s.linear = 1, s.planar = 0; });
}

void equal_cb(ads_callback_packet *cpkt)
{
    choose(cpkt, [](stereo_state &s) { s.equal_area = 1, s.stereographic = 0; });
}

void stereo_cb(ads_callback_packet *cpkt)
{
    choose(cpkt, [](stereo_state &s) { s.stereographic = 1, s.equal_area = 0; });
}

void symbol_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) diagram_symbol_dialog(g_stereo.project, STEREO_SETUP_NAME, stereo_default_symbol);
}

void accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    read_tiles(cpkt->dialog);
    const char *error = accept_error(cpkt->dialog);
    diagram_accept_end(cpkt->dialog, error);
}

void cancel_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    stereo_reset();
    g_stereo.project = nullptr;
    s_row = nullptr;
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* The road's row stage: the row becomes the state's for one plot. */
int plot_row(sql_col_rec *row)
{
    g_stereo.row = row;
    int rc = stereo_plot_row();
    g_stereo.row = nullptr;
    return rc;
}

}  // namespace

/* The command handler; see stereo_dialog.h. */
int pv_stereo(struct resbuf *)
{
    pv_stereonet_dialog(nullptr, nullptr);
    return kResultDone;
}

/* Checks the title; see stereo_dialog.h. */
int stereo_check_title(ads_hdlg dlg)
{
    static const diagram_title_texts k_texts = {"ERROR: Stereonet must have a title", "ERROR: Stereonet title is too long",
        "ERROR: Invalid stereonet name", "Stereonet exists.  Redefine it?", "ERROR: Stereonet already exists"};
    return diagram_check_title(dlg, "netname", &k_texts, g_stereo.title, sizeof g_stereo.title);
}

/* Runs the dialog; see stereo_dialog.h. */
int pv_stereonet_dialog(pjct_rec *project, sql_col_rec *row)
{
    stereo_reset();
    s_row = row;
    static const dlg_tile k_tiles[] = {
        {"project", project_cb}, {"planar", planar_cb}, {"linear", linear_cb}, {"equal", equal_cb},
        {"stereo", stereo_cb},   {"symbol", symbol_cb}, {"accept", accept_cb}, {"cancel", cancel_cb},
    };
    int status = diagram_dialog_run(kDialogName, "project", project, fill, k_tiles,
                                    (int)(sizeof k_tiles / sizeof k_tiles[0]));
    if (status != 1) {
        s_row = nullptr;
        return -1;
    }
    g_stereo.row = s_row;
    s_row = nullptr;
    if (!project && !row) stereo_plot();
    return 0;
}

/* The command's plot; see stereo_dialog.h. */
void stereo_plot(void)
{
    if (stereo_check() != 0) return;
    const sql_col_rec *chosen = g_stereo.planar >= 1 ? g_stereo.strike : g_stereo.trend;
    diagram_road road = {g_stereo.project, tbl_find_by_name(g_stereo.project->tables, chosen->table, nullptr),
                         stereo_plot_begin, plot_row, stereo_plot_end, stereo_plot_discard};
    if (road.table) diagram_plot_selected(&road);
}
