/*
** plot_opts.cpp: the plot options dialog opened from the table browser.
** It checks that the browsed rows can go to the output type chosen in the
** browser's "plot" list, opens the diagram's own dialog or "pv_plot_opts",
** and either plots at once (table and file outputs, while the dialog is
** open) or leaves the plot state set for the browser to plot after it has
** closed (map, images, diagrams). Kept in its own file: test programs put
** their own dialog in its place.
*/
#include "output/plot/plot.h"

#include <cstring>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "core/err_text.h"
#include "core/img_show.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/row_state.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tile_util.h"
#include "data/sym_setup_dialog.h"
#include "draw/map_params.h"
#include "output/exports/e00_writer.h"
#include "output/exports/mif_writer.h"
#include "output/plot/plot_diagrams.h"
#include "output/plot/plot_io.h"
#include "output/plot/plot_memo.h"
#include "output/plot/plot_opts.h"
#include "output/plot/plot_state.h"
#include "output/diagrams/rose_dialog.h"
#include "output/diagrams/stereo_dialog.h"

namespace {

/* Highest type a caller may ask for. */
const int k_type_max = 17;
/* The dialog and the texts it is filled with. */
const char k_dialog[] = "pv_plot_opts";
const char k_blank_symbol[] = "   ";
const char k_blank_projection[] = "     ";
const char k_zero_size[] = "0.000";
const char k_quote[] = "\"";
/* Status the dialog ends with after a plot, and without one. */
const int k_plotted = 1;
const int k_not_plotted = 0;

/* Reads a tile's text ("" when blank). */
std::string tile_text(ads_hdlg d, const char *key)
{
    char buffer[TILE_BUF_SIZE] = "";
    tile_get_str(d, key, buffer);
    return buffer;
}

/* Refuses a plot before any dialog: the message under the error title, the
** browser's list cleared, the state reset. -1. */
int refuse(ads_hdlg browser, const std::string &message)
{
    msg_alert(ERR_TITLE, "%s", message.c_str());
    ads_set_tile(browser, "plot", "");
    plot_reset();
    return -1;
}

/* Shows a refusal in the "error" tile. */
void show_error(ads_hdlg d, const std::string &message)
{
    ads_set_tile(d, "error", message.c_str());
}

/* Fills the lists: output and symbol columns, projections. */
void fill_lists(ads_hdlg d)
{
    const plot_state_rec &s = g_plot_state;
    std::vector<std::string> columns;
    for (int position : plot_listed_columns(s.row)) {
        const sql_col_rec *c = sql_col_nth(s.row, position);
        columns.push_back(std::string(c->table) + "." + c->name);
    }
    std::vector<const char *> texts;
    for (const std::string &t : columns) texts.push_back(t.c_str());
    dlg_fill_list(d, "output", texts.data(), (int)texts.size());
    texts.push_back(k_blank_symbol);
    dlg_fill_list(d, "symbol", texts.data(), (int)texts.size());

    std::vector<std::string> names;
    for (int i = 0; prj_at(i); i++) {
        std::string n = prj_at(i)->name;
        names.push_back(str_trim(n.data()));
    }
    texts.clear();
    for (const std::string &n : names) texts.push_back(n.c_str());
    texts.push_back(k_blank_projection);
    dlg_fill_list(d, "projection", texts.data(), (int)texts.size());
    for (const char *key : {"output", "symbol", "projection"}) ads_set_tile(d, key, "");
}

/* Sets the tiles the type uses, and its proposed projection. */
void enable_for_type(ads_hdlg d, int type)
{
    for (const char *key : {"col_delim", "txt_delim", "filename", "scale", "height", "symbol", "projection"})
        tile_enable(d, key, 0);
    ads_set_tile(d, "scale", k_zero_size);
    ads_set_tile(d, "height", k_zero_size);
    prj_rec *proposed = nullptr;
    if (type == PLOT_TYPE_MAP) {
        proposed = g_map_params.projection;
        tile_enable(d, "scale", 1);
        tile_enable(d, "height", 1);
    } else {
        plot_find_coord_column(g_plot_state.row, nullptr, &proposed);
        tile_enable(d, "projection", 1);
        tile_enable(d, "filename", 1);
        if (type == PLOT_TYPE_TEXT || type == PLOT_TYPE_MIF || type == PLOT_TYPE_SPANS) tile_enable(d, "col_delim", 1);
        if (type == PLOT_TYPE_TEXT) tile_enable(d, "txt_delim", 1);
        if (type == PLOT_TYPE_E00 || type == PLOT_TYPE_MIF) tile_enable(d, "scale", 1), tile_enable(d, "symbol", 1);
        if (type == PLOT_TYPE_MIF) tile_enable(d, "height", 1);
        if (type == PLOT_TYPE_SPANS) ads_set_tile(d, "txt_delim", k_quote);
    }
    int index = -1;
    if (proposed && prj_index_of(proposed, &index)) dlg_set_index(d, "projection", index);
}

/* Reads the dialog's choices. */
plot_opts_input read_tiles(ads_hdlg d)
{
    plot_opts_input in;
    in.type = plot_type;
    int *selected = nullptr, count = 0;
    if (tile_get_int_list(d, "output", &selected, &count) == RTNORM && selected) {
        in.output.assign(selected, selected + count);
        std::free(selected);
    }
    in.file_name = tile_text(d, "filename");
    in.projection = tile_get_int(d, "projection");
    in.symbol = tile_get_int(d, "symbol");
    in.col_delim = tile_text(d, "col_delim");
    in.txt_delim = tile_text(d, "txt_delim");
    in.scale = tile_text(d, "scale");
    in.height = tile_text(d, "height");
    return in;
}

/* Runs the two passes of E00 or of MapInfo in a USER projection: the
** second only when the first plotted a row. The rows plotted; -1 when a
** pass stopped short (said). */
long two_passes(ads_hdlg d)
{
    long n = plot_records(d, PLOT_PASS_FIRST);
    if (n > 0) n = plot_records(d, PLOT_PASS_SECOND);
    else if (n == 0) msg_alert(ERR_TITLE, "No records plotted");
    /* Whatever ended the passes, no half-written file stays open or
    ** takes the place of an earlier one. */
    e00_discard();
    mif_discard();
    return n;
}

/* "plot": checks the options, then plots or ends the dialog for the map. */
void pv_plot_opts_accept_cb(ads_callback_packet *cpkt)
{
    ads_hdlg d = cpkt->dialog;
    std::string error;
    if (plot_opts_apply(read_tiles(d), error) < 0) {
        show_error(d, error);
        return;
    }
    show_error(d, "");
    const int type = plot_type;
    if (type == PLOT_TYPE_MAP) {
        ads_done_dialog(d, k_plotted);
        return;
    }
    long plotted = 0;
    if (type == PLOT_TYPE_E00) plotted = two_passes(d);
    else if (type == PLOT_TYPE_MIF && g_plot_state.out_prj && g_plot_state.out_prj->type == PRJ_TYPE_USER)
        plotted = two_passes(d);
    else plotted = plot_records(d, PLOT_PASS_SINGLE);
    plot_free_options();
    ads_done_dialog(d, plotted > 0 ? k_plotted : k_not_plotted);
}

/* "cancel": frees the options and ends the dialog. */
void pv_plot_opts_cancel_cb(ads_callback_packet *cpkt)
{
    plot_free_options();
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* "palette": the symbol setup of the one chosen output column. */
void pv_plot_opts_palette_cb(ads_callback_packet *cpkt)
{
    int *selected = nullptr, count = 0;
    tile_get_int_list(cpkt->dialog, "output", &selected, &count);
    const int entry = count == 1 && selected ? selected[0] : -1;
    std::free(selected);
    if (count < 1) {
        msg_alert(ERR_TITLE, "Column not selected");
        return;
    }
    if (count > 1) {
        msg_alert(ERR_TITLE, "More than one column selected");
        return;
    }
    const std::vector<int> positions = plot_listed_columns(g_plot_state.row);
    sql_col_rec *c = entry < (int)positions.size() ? sql_col_nth(g_plot_state.row, positions[entry]) : nullptr;
    pjct_rec *project = g_plot_state.project ? g_plot_state.project : g_row_state.cur_pjct;
    if (c && c->attr && project) pv_symsetup_dialog(project, c->attr, nullptr);
}

/* The tiles of "pv_plot_opts". */
const dlg_tile k_tiles[] = {{"plot", pv_plot_opts_accept_cb},
                            {"cancel", pv_plot_opts_cancel_cb},
                            {"palette", pv_plot_opts_palette_cb}};

/* Opens a diagram type's own dialog; plot_type is set when it answers 0
** or more. Its answer. */
int diagram_dialog(int type, sql_col_rec *row)
{
    pjct_rec *project = g_plot_state.project;
    int rc = -1;
    switch (type) {
    case PLOT_TYPE_IMAGE: rc = img_begin(row) == RTNORM ? 0 : -1; break;
    case PLOT_TYPE_STEREO: rc = pv_stereonet_dialog(project, row); break;
    case PLOT_TYPE_ROSE: rc = pv_rose_dialog(project, row); break;
    case PLOT_TYPE_CHEM: rc = chem_dialog_run(row); break;
    case PLOT_TYPE_PIE: rc = pv_piediagram_dialog(row); break;
    case PLOT_TYPE_DHOLE: rc = pv_dhole_dialog(row); break;
    default: break;
    }
    plot_type = rc >= 0 ? type : PLOT_TYPE_IDLE;
    return rc;
}

/* 1 for the types whose own dialog replaces "pv_plot_opts". */
int is_diagram(int type)
{
    return type == PLOT_TYPE_IMAGE || (type >= PLOT_TYPE_STEREO && type <= PLOT_TYPE_DHOLE);
}

} // namespace

/* The plot options dialog; see output/plot.h. */
int pv_plot_opts_dialog(ads_hdlg browser, void *cursor, sql_col_rec *row, qry_rec *query)
{
    if (!browser || !cursor || !row) return -2;
    const int type = tile_get_int(browser, "plot");
    /* The types past drill holes are not offered: no caller reaches them. */
    if (type < PLOT_TYPE_MAP || type > k_type_max || type > PLOT_TYPE_LOOP_LAST) {
        plot_reset();
        return -2;
    }
    if (type == PLOT_TYPE_DHOLE) {
        ads_set_tile(browser, "plot_all", "1");
        ads_set_tile(browser, "plot_sel", "0");
        g_row_state.plot_selected = 0;
    }
    if (type == PLOT_TYPE_IMAGE && !sql_col_find_flag(row, PLOT_RULE_IMAGE)) {
        msg_alert(ERR_TITLE, "No image column available to plot.");
        plot_reset();
        return RTERROR;
    }

    /* The layer names are collected after the reset, which would free them. */
    plot_reset();
    plot_collect_layer_names();
    plot_state_rec &s = g_plot_state;
    s.cursor = cursor;
    s.row = row;
    s.query = query;
    s.project = pjct_find_by_session(row->connection);
    plot_type = type;
    plot_size_memo_columns(0, row, cursor);
    plot_type = PLOT_TYPE_IDLE;

    if (type == PLOT_TYPE_MAP && !g_map_params.projection)
        return refuse(browser, "No projection assigned to map.\nUse the Map Setup option in DU-ZOREZ.");
    if ((type == PLOT_TYPE_MAP || type == PLOT_TYPE_E00 || type == PLOT_TYPE_MIF) &&
        !plot_find_coord_column(row, nullptr, nullptr))
        return refuse(browser, std::string("Cannot plot to ") + plot_type_label(type) + ": no coordinates present.");

    if (is_diagram(type)) return diagram_dialog(type, row);

    ads_hdlg d = nullptr;
    if (ads_new_dialog(k_dialog, g_dcl_id, nullptr, &d) != RTNORM || !d) {
        err_report(ERR_LOAD_DIALOG, k_dialog);
        plot_reset();
        return -1;
    }
    plot_type = type;
    ads_set_tile(d, "title", plot_type_label(type));
    fill_lists(d);
    enable_for_type(d, type);
    dlg_register(d, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0]), nullptr);
    int status = DLGCANCEL;
    ads_start_dialog(d, &status);
    ads_set_tile(browser, "plot", "");
    if (status == DLGCANCEL || type != PLOT_TYPE_MAP) plot_reset();
    return 0;
}
