/*
** arc_dialog.cpp: the dialog pv_arcpoly (a table of tile keys and
** callbacks over the module's coverage options), the command pv_arcpoly
** and the plot of the selected entities' map units.
*/
#include "output/coverages/arc_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "data/sym_setup_dialog.h"
#include "draw/map_params.h"
#include "output/coverages/arc_make.h"
#include "output/coverages/arc_units.h"
#include "output/diagrams/diagram_road.h"

namespace {

constexpr int kResultDone = 5100;                 /* a command's result                    */
constexpr int kDirectoryMax = 255;                /* characters kept of a picked directory */
constexpr int kFiledFlags = 18;                   /* no "type it" button, start directory  */
constexpr const char *kDialogName = "pv_arcpoly";
constexpr const char *kArcDialogName = "pv_arc";
constexpr const char *kOverwrite = "ARCS table exists. Overwrite ?";
constexpr const char *kDoneTitle = "PETRIVEX";
constexpr const char *kCoverTitle = "PETRIVEX: Select ArcInfo Coverage";
constexpr const char *kNoMapProjection = "No Map Projection defined.\nUse Map Setup to assign a projection to the map.";

/* The column lists and where each choice is kept in the options. */
struct column_tile {
    const char *key;                               /* list tile                 */
    char (arc_opts_rec::*choice)[ARC_COLUMN_SIZE]; /* "TABLE.COLUMN" kept there */
};
const column_tile k_columns[] = {
    {"unitnum", &arc_opts_rec::unitnum}, {"alegend", &arc_opts_rec::alegend},
    {"mlegend", &arc_opts_rec::mlegend}, {"rocktype", &arc_opts_rec::rocktype},
    {"arcnum", &arc_opts_rec::arcnum},
};
/* The tiles that hold a value and are cleared without a project. */
const char *const k_valued[] = {"covername", "projection", "unitnum", "alegend", "mlegend",
                                "rocktype", "arcnum", "arcs", "table", "error"};
/* The tiles enabled only with a project ("cancel" always is; so is the
** project list, else no project could ever be chosen). */
const char *const k_enabled[] = {"cover", "covername", "projection", "unitnum", "alegend", "mlegend",
                                 "rocktype", "arcnum", "arcs", "table", "accept"};

/* The row the dialog was given; null from the command. */
sql_col_rec *s_row = nullptr;
/* The dialog now running: pv_arc lacks the column lists. */
arc_dialog_kind s_kind = ARC_DIALOG_UNITS;

/* True when the running dialog has the tile: pv_arc lacks the column
** lists. */
bool kind_has(const char *key)
{
    if (s_kind != ARC_DIALOG_ARCS) return true;
    for (const column_tile &c : k_columns)
        if (std::strcmp(c.key, key) == 0) return false;
    return true;
}

void accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    pv_arcpoly_read_tiles(cpkt->dialog);
    int code = arc_poly_validate(arc_opts());
    /* the legend checker reads the arcs through the arc number column */
    if (code == 0 && s_kind == ARC_DIALOG_LEGEND) code = arc_arcnum_validate(arc_opts());
    if (code != 0)
        arc_show_error(cpkt->dialog, code);
    else
        ads_done_dialog(cpkt->dialog, DLGOK);
}

void cancel_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    arc_opts_reset();
    s_row = nullptr;
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

void project_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    int n = tile_get_int(cpkt->dialog, "project");
    if (pjct_nth(n) != arc_opts()->project) pv_arcpoly_fill_tiles(cpkt->dialog, n);
}

/* Any of the four column lists: the choice is read at once. */
void column_cb(ads_callback_packet *cpkt)
{
    pv_arcpoly_read_tiles(cpkt->dialog);
    pv_arcpoly_tile_modes(cpkt->dialog);
}

void symbol_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    pv_arcpoly_read_tiles(cpkt->dialog);
    arc_opts_rec *o = arc_opts();
    if (s_kind == ARC_DIALOG_LEGEND) {
        arc_arcs_symbol_dialog(o->project);
        return;
    }
    col_attr_rec *rule = arc_column_rule(o->project, arc_opts_column(o, o->unitnum, nullptr));
    if (!rule) {
        arc_show_error(cpkt->dialog, ARC_ERR_UNITNUM);
        return;
    }
    pv_symsetup_dialog(o->project, rule, nullptr);
}

void cover_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    arc_opts_rec *o = arc_opts();
    const char *dir = o->project ? pjct_dir(o->project->name) : nullptr;
    struct resbuf rb;
    std::memset(&rb, 0, sizeof rb);
    if (ads_getfiled(kCoverTitle, dir ? dir : "", "", kFiledFlags, &rb) != RTNORM || rb.restype != RTSTR) return;
    std::string picked = rb.resval.rstring ? rb.resval.rstring : "";
    std::free(rb.resval.rstring);
    std::size_t cut = picked.find_last_of("\\/");
    picked = cut == std::string::npos ? std::string() : picked.substr(0, cut + 1);
    if (picked.size() > (std::size_t)kDirectoryMax) picked.resize(kDirectoryMax);
    ads_set_tile(cpkt->dialog, "covername", picked.c_str());
    ads_set_tile(cpkt->dialog, "error", "");
}

/* Plots the map unit of one linked row: 0 when a unit was drawn now. */
int plot_row(sql_col_rec *row) { return arc_plot_unit_row(row) == 1 ? 0 : -1; }

}  // namespace

/* The command handler; see arc_dialog.h. */
int pv_arcpoly(struct resbuf *)
{
    if (pv_arcpoly_dialog(nullptr, nullptr) == 0) arc_plot_units();
    return kResultDone;
}

/* Shows a validation text; see arc_dialog.h. */
void arc_show_error(ads_hdlg dlg, int code) { ads_set_tile(dlg, "error", arc_error_text(code)); }

/* Fills the tiles; see arc_dialog.h. */
void pv_arcpoly_fill_tiles(ads_hdlg dlg, int n)
{
    arc_opts_reset();
    arc_opts_rec *o = arc_opts();
    o->project = pjct_nth(n);
    o->row = s_row;
    std::vector<const char *> names;
    for (prj_rec *p = prj_list_head(); p; p = p->next) names.push_back(p->name);
    dlg_fill_list(dlg, "projection", names.data(), (int)names.size());
    if (s_kind != ARC_DIALOG_ARCS) {
        const char *keys[std::size(k_columns)];
        for (std::size_t i = 0; i < std::size(k_columns); ++i) keys[i] = k_columns[i].key;
        diagram_fill_columns(dlg, keys, (int)std::size(keys), o->project, s_row);
    }
    for (const char *key : k_valued)
        if (kind_has(key)) ads_set_tile(dlg, key, "");
    if (o->project)
        dlg_set_index(dlg, "project", n);
    else
        ads_set_tile(dlg, "project", "");
    pv_arcpoly_tile_modes(dlg);
}

/* Sets the tile modes; see arc_dialog.h. */
void pv_arcpoly_tile_modes(ads_hdlg dlg)
{
    const arc_opts_rec *o = arc_opts();
    bool has = o->project != nullptr;
    for (const char *key : k_enabled)
        if (kind_has(key)) ads_mode_tile(dlg, key, has ? MODE_ENABLE : MODE_DISABLE);
    if (!has)
        for (const char *key : k_valued)
            if (kind_has(key)) ads_set_tile(dlg, key, "");
    bool symbol = o->unitnum[0] != '\0' || o->arcs || o->table;
    ads_mode_tile(dlg, "symbol", symbol ? MODE_ENABLE : MODE_DISABLE);
    ads_mode_tile(dlg, "cancel", MODE_ENABLE);
}

/* Reads the tiles; see arc_dialog.h. */
void pv_arcpoly_read_tiles(ads_hdlg dlg)
{
    arc_opts_rec *o = arc_opts();
    pjct_rec *chosen = pjct_nth(tile_get_int(dlg, "project"));
    if (chosen) o->project = chosen;
    char text[ARC_COVERNAME_SIZE] = "";
    ads_get_tile(dlg, "covername", text, sizeof text);
    char word[ARC_COVERNAME_SIZE] = "";
    std::sscanf(text, "%512s", word);
    std::snprintf(o->covername, sizeof o->covername, "%s", word);
    o->projection = prj_at(tile_get_int(dlg, "projection"));
    for (const column_tile &c : k_columns) {
        if (!kind_has(c.key)) continue;
        sql_col_rec *col = diagram_column_nth(o->project, o->row, tile_get_int(dlg, c.key));
        if (col)
            std::snprintf(o->*c.choice, ARC_COLUMN_SIZE, "%s.%s", col->table, col->name);
        else
            (o->*c.choice)[0] = '\0';
    }
    o->arcs = tile_get_toggle(dlg, "arcs");
    o->table = tile_get_toggle(dlg, "table");
}

/* Runs one of the coverage dialogs; see arc_dialog.h. */
int arc_dialog_open(arc_dialog_kind kind, pjct_rec *project, sql_col_rec *row)
{
    if (!g_map_params.projection) {
        msg_alert(ERR_TITLE, "%s", kNoMapProjection);
        return -1;
    }
    arc_opts_reset();
    s_row = row;
    s_kind = kind;
    static const dlg_tile k_tiles[] = {
        {"accept", accept_cb}, {"cancel", cancel_cb}, {"project", project_cb}, {"unitnum", column_cb},
        {"alegend", column_cb}, {"mlegend", column_cb}, {"rocktype", column_cb}, {"symbol", symbol_cb},
        {"cover", cover_cb}};
    static const dlg_tile k_arc_tiles[] = {
        {"accept", pv_arc_accept_cb}, {"cancel", cancel_cb}, {"project", project_cb}, {"arcs", pv_arc_toggle_cb},
        {"table", pv_arc_toggle_cb}, {"symbol", pv_arc_symbol_cb}, {"cover", cover_cb}};
    int status = kind == ARC_DIALOG_ARCS
                     ? diagram_dialog_run(kArcDialogName, "project", project, pv_arcpoly_fill_tiles, k_arc_tiles,
                                          (int)std::size(k_arc_tiles))
                     : diagram_dialog_run(kDialogName, "project", project, pv_arcpoly_fill_tiles, k_tiles,
                                          (int)std::size(k_tiles));
    s_row = nullptr;
    s_kind = ARC_DIALOG_UNITS;
    return status == 1 ? 0 : -1;
}

/* Runs the map-unit dialog; see arc_dialog.h. */
int pv_arcpoly_dialog(pjct_rec *project, sql_col_rec *row) { return arc_dialog_open(ARC_DIALOG_UNITS, project, row); }

/* Runs the arc dialog; see arc_dialog.h. */
int pv_arc_dialog(pjct_rec *project, sql_col_rec *row) { return arc_dialog_open(ARC_DIALOG_ARCS, project, row); }

/* "accept" of pv_arc; see arc_dialog.h. */
void pv_arc_accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    pv_arcpoly_read_tiles(cpkt->dialog);
    arc_opts_rec *o = arc_opts();
    int code = arc_make_validate(o);
    if (code != 0) {
        arc_show_error(cpkt->dialog, code);
        return;
    }
    if (tbl_find_by_name(o->project->tables, ARC_ARCS_TABLE, nullptr) && msg_yes_no(kOverwrite) != RTNORM) return;
    ads_done_dialog(cpkt->dialog, DLGOK);
}

/* "arcs" and "table" of pv_arc; see arc_dialog.h. */
void pv_arc_toggle_cb(ads_callback_packet *cpkt)
{
    pv_arcpoly_read_tiles(cpkt->dialog);
    pv_arcpoly_tile_modes(cpkt->dialog);
}

/* "symbol" of pv_arc; see arc_dialog.h. */
void pv_arc_symbol_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    pv_arcpoly_read_tiles(cpkt->dialog);
    arc_opts_rec *o = arc_opts();
    if (o->arcs || o->table) arc_arcs_symbol_dialog(o->project);
}

/* Plots the selected entities' map units; see arc_dialog.h. */
long arc_plot_units(void)
{
    arc_opts_rec *o = arc_opts();
    tbl_rec *table = nullptr;
    if (!arc_opts_complete(o) || !arc_opts_column(o, o->unitnum, &table) || !table) return -1;
    ads_name ss;
    if (ads_ssget(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM) return -1;
    if (arc_cover_open() != 0) {
        ads_ssfree(ss);
        msg_alert(ERR_TITLE, "Could not open cover %s: %s", o->covername, arc_cover_refusal(o->covername).c_str());
        return -1;
    }
    o->map_projection = g_map_params.projection;
    pjct_rec *project = o->project;
    long count = 0, length = 0;
    std::string failure;
    const diagram_mark mark = diagram_mark_drawing();
    ads_sslength(ss, &length);
    for (long i = 0; i < length && failure.empty(); ++i) {
        ads_printf("\rPlotting... %ld", count);
        ads_name e;
        if (ads_ssname(ss, i, e) == RTNORM && diagram_linked_row(project, table, e, plot_row, &failure) > 0) count++;
    }
    ads_printf("\rPlotted ...  %ld\n", count);
    ads_ssfree(ss);
    if (!failure.empty()) {
        /* The units are drawn all or none. */
        diagram_erase_after(mark);
        arc_cover_close();
        msg_alert(ERR_TITLE, "Nothing was plotted: %s", failure.c_str());
        return -1;
    }
    std::string message = "Plotted... " + std::to_string(count) + " map units";
    if (!o->left_out.empty()) message += "\n\nNot drawn:";
    for (const std::string &line : o->left_out) message += "\n" + line;
    arc_cover_close();
    msg_alert(kDoneTitle, "%s", message.c_str());
    return count;
}
