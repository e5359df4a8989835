/*
** stereo_dialog.cpp: the dialog pv_stereonet (a table of tile keys and
** callbacks over the stereonet state), the title check, and the command's
** road from the symbols the user selects to the placed net.
*/
#include "output/stereo_dialog.h"

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
#include "core/tile_util.h"
#include "data/tbl.h"
#include "map/draw_util.h"
#include "map/link.h"
#include "map/sym_setup.h"
#include "map/sym_setup_dialog.h"
#include "output/stereo_plot.h"

namespace {

constexpr int kResultDone = 5100;          /* a command's result           */
constexpr int kTypeInsert = 11;            /* ent_type_code of an INSERT   */
constexpr int kTypeShape = 8;              /* ent_type_code of a SHAPE     */
constexpr size_t kTitleMax = STEREO_TITLE_SIZE; /* longest title kept      */
constexpr const char *kDialogName = "pv_stereonet";
constexpr const char *kDoneTitle = "PETRIVEX";

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

/* The n-th column offered: of the given row, else of the project's tables. */
sql_col_rec *offered_column(int n)
{
    if (n < 0) return nullptr;
    if (s_row) return sql_col_nth(s_row, n);
    return g_stereo.project ? pjct_nth_column(g_stereo.project, n) : nullptr;
}

/* Index of a column among those offered; -1 when none. */
int offered_index(const sql_col_rec *c)
{
    if (!c) return -1;
    for (int i = 0;; ++i) {
        sql_col_rec *o = offered_column(i);
        if (!o) return -1;
        if (o == c) return i;
    }
}

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
        int i = offered_index(g_stereo.*c.slot);
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
    std::vector<std::string> texts;
    for (int i = 0;; ++i) {
        sql_col_rec *c = offered_column(i);
        if (!c) break;
        texts.push_back(std::string(c->table) + "." + c->name);
    }
    std::vector<const char *> ptrs;
    for (const auto &t : texts) ptrs.push_back(t.c_str());
    for (const auto &c : k_columns) dlg_fill_list(dlg, c.key, ptrs.data(), (int)ptrs.size());
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
        if (s.pole < 1 && s.great_circle < 1) return "ERROR: Choose Pole-to-plane or Great-Circle";
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
    if (!cb_acts(cpkt) || !g_stereo.project) return;
    sym_rec *setup = sym_find(g_stereo.project->symbols, STEREO_SETUP_NAME);
    sym_rec *made = setup ? nullptr : stereo_default_symbol();
    if (!setup && !made) {
        err_report(ERR_NO_MEMORY, nullptr);
        return;
    }
    pv_symsetup_dialog(g_stereo.project, setup ? setup : made);
    sym_free(made);
}

void accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    read_tiles(cpkt->dialog);
    const char *error = accept_error(cpkt->dialog);
    if (error) {
        if (*error) ads_set_tile(cpkt->dialog, "error", error);
        return;
    }
    ads_done_dialog(cpkt->dialog, DLGOK);
}

void cancel_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    stereo_reset();
    g_stereo.project = nullptr;
    s_row = nullptr;
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* Reads the title tile into buffer, trimmed; its length. */
size_t read_title(ads_hdlg dlg, char *buffer)
{
    buffer[0] = '\0';
    ads_get_tile(dlg, "netname", buffer, STEREO_TITLE_READ_SIZE);
    str_trim(buffer);
    return strlen(buffer);
}

/* Handles one selected entity: plots its row when it qualifies. 1 when
** plotted, else 0. */
int plot_entity(const ads_name e, const tbl_rec *table)
{
    link_rec link;
    if (link_xdata_get(&link, e) != 0 || link.row_id < 1) return 0;
    int type = ent_type_code(e);
    if (type != kTypeInsert && type != kTypeShape) return 0;
    if (strcasecmp(link.project, g_stereo.project->name) != 0 || strcasecmp(link.table, table->name) != 0)
        return 0;
    char id[32];
    snprintf(id, sizeof id, "%ld", (long)link.row_id);
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    const sql_col_rec *key = table->keys[TBL_KEY_BASENUMBER];
    int plotted = 0;
    if (key && sql_select_where(g_stereo.project->connection, table->name, key->name, id, nullptr, &stmt, &cursor,
                                &row) > 0) {
        g_stereo.row = row;
        plotted = stereo_plot_row() == 0;
    }
    g_stereo.row = nullptr;
    sql_close_query(&stmt, &cursor, &row);
    return plotted;
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
    char buffer[STEREO_TITLE_READ_SIZE];
    size_t length = read_title(dlg, buffer);
    str_make_ident(buffer);
    const char *error = nullptr;
    if (length == 0)
        error = "ERROR: Stereonet must have a title";
    else if (length > kTitleMax)
        error = "ERROR: Stereonet title is too long";
    else if (!str_is_ident(buffer))
        error = "ERROR: Invalid stereonet name";
    if (!error) {
        struct resbuf *found = ads_tblsearch("BLOCK", buffer, 0);
        if (found) {
            ads_relrb(found);
            if (msg_yes_no("Stereonet exists.  Redefine it?") != kResultDone)
                error = "ERROR: Stereonet already exists";
        }
    }
    if (error) {
        ads_set_tile(dlg, "error", error);
        return -1;
    }
    read_title(dlg, buffer);
    snprintf(g_stereo.title, sizeof g_stereo.title, "%s", buffer);
    return 0;
}

/* Runs the dialog; see stereo_dialog.h. */
int pv_stereonet_dialog(pjct_rec *project, sql_col_rec *row)
{
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(kDialogName, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, kDialogName);
        return -1;
    }
    stereo_reset();
    s_row = row;
    std::vector<const char *> names;
    for (pjct_rec *p = g_pjct_list; p; p = p->next) names.push_back(p->name);
    dlg_fill_list(dlg, "project", names.data(), (int)names.size());
    int index = -1;
    if (project && pjct_find(project->name, &index) && index >= 0) {
        dlg_set_index(dlg, "project", index);
        ads_mode_tile(dlg, "project", MODE_DISABLE);
        fill(dlg, index);
    } else {
        ads_set_tile(dlg, "project", "");
        g_stereo.project = nullptr;
        set_modes(dlg);
    }
    static const dlg_tile k_tiles[] = {
        {"project", project_cb}, {"planar", planar_cb}, {"linear", linear_cb}, {"equal", equal_cb},
        {"stereo", stereo_cb},   {"symbol", symbol_cb}, {"accept", accept_cb}, {"cancel", cancel_cb},
    };
    dlg_register(dlg, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0]), nullptr);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    if (status != DLGOK) {
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
    tbl_rec *table = tbl_find_by_name(g_stereo.project->tables, chosen->table, nullptr);
    if (!table) return;
    ads_name ss;
    if (ads_ssget(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM) return;
    if (stereo_plot_begin() != 0) {
        ads_ssfree(ss);
        msg_alert(ERR_TITLE, "Could not perform plot");
        return;
    }
    long count = 0, length = 0;
    ads_sslength(ss, &length);
    for (long i = 0; i < length; ++i) {
        ads_printf("\rCalculating... %ld", count);
        ads_name e;
        if (ads_ssname(ss, i, e) == RTNORM) count += plot_entity(e, table);
    }
    ads_printf("\rCalculated...  %ld\n", count);
    ads_ssfree(ss);
    if (stereo_plot_end() != 0)
        msg_alert(ERR_TITLE, "Could not plot entities");
    else
        msg_alert(kDoneTitle, "Plotted... %ld entities", count);
}
