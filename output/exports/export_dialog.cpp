/*
** export_dialog.cpp: the command pv_export and the dialog pv_export_opts
** (see export_dialog.h): a table of tile keys and callbacks over
** export_state() and the plot state's output type.
*/
#include "output/exports/export_dialog.h"

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
#include "core/pv_globals.h"
#include "core/str_util.h"
#include "core/tile_util.h"
#include "draw/map_params.h"
#include "output/diagrams/diagram_road.h"
#include "output/exports/export_columns.h"
#include "output/exports/export_run.h"
#include "output/exports/export_state.h"
#include "output/exports/out_text.h"
#include "output/plot/plot_col_type.h"
#include "output/plot/plot_drivers.h"
#include "output/plot/plot_state.h"

namespace {

constexpr int k_done = 5100;                     /* a command's result */
constexpr const char *k_dialog = "pv_export_opts";
/* The entry after the projects that chooses none: twelve blanks. */
constexpr const char *k_no_project = "            ";
/* The output types the dialog offers, in list order. */
constexpr int k_types[] = {PLOT_TYPE_TEXT, PLOT_TYPE_E00, PLOT_TYPE_MIF, PLOT_TYPE_SPANS};
constexpr int k_spans_entry = 3;                 /* the SPANS entry of "plotype" */
/* The SPANS entry's text while lines or polygons are chosen. */
constexpr const char *k_spans_vec_label = "Spans   .VEC";
/* The text of "col_delim" that means the tab character (any case). */
constexpr const char *k_tab_word = "tab";
/* A cleared scale or height tile. */
constexpr const char *k_zero_size = "0.000";
/* Host value types of the fixed columns by SQL type. */
constexpr int k_value_long = 2;
constexpr int k_value_double = 4;
constexpr int k_value_string = 5;

/* Messages of the "plot" checks. */
constexpr const char *k_err_no_file = "ERROR: No file name specified";
constexpr const char *k_err_dstereo = "ERROR: Projection cannot be Double Stereographic";
constexpr const char *k_err_cone_scale = "ERROR: Projection cannot be Lambert with a scale factor";
constexpr const char *k_err_degrees = "ERROR: Cannot use degrees in non-geographic projection";
constexpr const char *k_err_geographic = "ERROR: Projection must be GEOGRAPHIC";
constexpr const char *k_err_no_projection = "ERROR: No projection selected";

/* Room of the message naming a system that cannot be used. */
constexpr size_t k_unusable_size = 192;

/* The projections the dialog lists (non-blank names), in list order. */
std::vector<prj_rec *> s_projections;

/* Sets the modes of several tiles. */
void modes(ads_hdlg dlg, std::initializer_list<const char *> keys, short mode)
{
    for (const char *k : keys) ads_mode_tile(dlg, k, mode);
}

/* Clears and disables edit tiles (scale and height read "0.000" only at
** the reset). */
void clear_off(ads_hdlg dlg, std::initializer_list<const char *> keys)
{
    for (const char *k : keys) {
        ads_set_tile(dlg, k, "");
        ads_mode_tile(dlg, k, MODE_DISABLE);
    }
}

/* Fills "plotype" with the four labels, the SPANS entry as given, and
** keeps the chosen type selected. */
void fill_types(ads_hdlg dlg, const char *spans_label)
{
    const char *labels[std::size(k_types)];
    for (std::size_t i = 0; i < std::size(k_types); ++i) labels[i] = plot_type_label(k_types[i]);
    labels[k_spans_entry] = spans_label;
    dlg_fill_list(dlg, "plotype", labels, (int)std::size(labels));
    for (std::size_t i = 0; i < std::size(k_types); ++i)
        if (k_types[i] == plot_type) dlg_set_index(dlg, "plotype", (int)i);
}

/* The tile's text, empty when it is blank or cannot be read. */
std::string tile_text(ads_hdlg dlg, const char *key)
{
    char value[TILE_BUF_SIZE] = "";
    tile_get_str(dlg, key, value);
    return value;
}

/* Applies points: the kind and the tiles the output type allows. */
void apply_points(ads_hdlg dlg)
{
    export_state().kind = EXPORT_KIND_POINTS;
    modes(dlg, {"output", "txtdbf"}, MODE_ENABLE);
    switch (plot_type) {
    case PLOT_TYPE_TEXT:
        modes(dlg, {"col_delim", "txt_delim"}, MODE_ENABLE);
        clear_off(dlg, {"scale", "height"});
        break;
    case PLOT_TYPE_E00:
        modes(dlg, {"scale", "height"}, MODE_ENABLE);
        clear_off(dlg, {"col_delim", "txt_delim"});
        break;
    case PLOT_TYPE_MIF:
        modes(dlg, {"col_delim", "scale", "height"}, MODE_ENABLE);
        clear_off(dlg, {"txt_delim"});
        break;
    case PLOT_TYPE_SPANS:
        ads_set_tile(dlg, "txt_delim", "\"");
        ads_mode_tile(dlg, "txt_delim", MODE_DISABLE);
        ads_mode_tile(dlg, "col_delim", MODE_ENABLE);
        clear_off(dlg, {"scale", "height"});
        fill_types(dlg, plot_type_label(PLOT_TYPE_SPANS));
        break;
    default: break;
    }
}

/* Applies lines or polygons: the kind and the tiles of the output type. */
void apply_lines(ads_hdlg dlg, int kind)
{
    export_state().kind = kind;
    clear_off(dlg, {"height", "scale"});
    ads_set_tile(dlg, "txtdbf", "0");
    ads_mode_tile(dlg, "txtdbf", MODE_DISABLE);
    ads_mode_tile(dlg, "output", MODE_ENABLE);
    switch (plot_type) {
    case PLOT_TYPE_TEXT: modes(dlg, {"col_delim", "txt_delim"}, MODE_ENABLE); break;
    case PLOT_TYPE_E00: clear_off(dlg, {"col_delim", "txt_delim"}); break;
    case PLOT_TYPE_MIF:
        ads_mode_tile(dlg, "col_delim", MODE_ENABLE);
        clear_off(dlg, {"txt_delim"});
        break;
    case PLOT_TYPE_SPANS:
        clear_off(dlg, {"col_delim", "txt_delim"});
        ads_mode_tile(dlg, "output", MODE_DISABLE);
        fill_types(dlg, k_spans_vec_label);
        break;
    default: break;
    }
}

/* Applies the kind chosen so far again. */
void apply_kind(ads_hdlg dlg)
{
    int kind = export_state().kind;
    if (kind == EXPORT_KIND_POINTS)
        apply_points(dlg);
    else
        apply_lines(dlg, kind);
}

/* The checks of the export projection for the output type; null when it
** passes, else the message. */
const char *projection_error(const prj_rec *prj)
{
    switch (plot_type) {
    case PLOT_TYPE_E00:
    case PLOT_TYPE_MIF:
        if (!prj) return k_err_no_projection;
        if (prj->type == PRJ_TYPE_DSTEREO) return k_err_dstereo;
        if (prj->type != PRJ_TYPE_GEOGRAPHIC && prj->units == PRJ_UNIT_DEGREES) return k_err_degrees;
        /* The files' projection lines hold no scale factor for a cone. */
        if (prj->type == PRJ_TYPE_LAMBERT && prj->scale != 1.0) return k_err_cone_scale;
        break;
    case PLOT_TYPE_SPANS:
        if (!prj || prj->type != PRJ_TYPE_GEOGRAPHIC) return k_err_geographic;
        return nullptr;
    default:
        if (!prj) return k_err_no_projection;
        break;
    }
    /* A system no point converts with, the chosen one or the map's, is
    ** named with the reason. */
    static char unusable[k_unusable_size] = "ERROR: ";
    const size_t head = std::strlen("ERROR: ");
    if (!prj_unusable_text(prj, g_map_params.projection, unusable + head, sizeof unusable - head)) return nullptr;
    return unusable;
}

/* The type code, width and decimals of a column for the output type. */
void column_code(const sql_col_rec *c, export_column_rec &out)
{
    bool memo = c->attr && (c->attr->flags & COL_ATTR_MEMO);
    out.width = c->length;
    out.decimals = c->decimals;
    switch (plot_type) {
    case PLOT_TYPE_TEXT: out.type = c->sql_type; return;
    case PLOT_TYPE_SPANS: out.type = plot_col_out_type(c, PLOT_TYPE_SPANS, &out.width, &out.decimals); return;
    case PLOT_TYPE_E00:
        out.type = e00_item_type_code(c->value_type);
        out.decimals = e00_item_decimals_of(c);
        break;
    case PLOT_TYPE_MIF: out.type = mif_col_type(c->sql_type, c->length, c->decimals); break;
    default: break;
    }
    if (memo) out.width = EXPORT_MEMO_WIDTH;
}

/* Gives every column a name of its own within the file the output type
** writes: a chosen column named like a fixed one (NAME) or like another
** chosen one is renamed, within the format's name length. The text output
** writes no names. */
void unique_names(export_state_rec &s)
{
    s.renamed.clear();
    std::size_t max_len = plot_type == PLOT_TYPE_E00   ? OUT_E00_NAME_MAX
                          : plot_type == PLOT_TYPE_MIF ? OUT_MIF_NAME_MAX
                          : plot_type == PLOT_TYPE_SPANS ? OUT_SPANS_NAME_MAX
                                                         : 0;
    if (!max_len) return;
    std::vector<std::string> names;
    for (const export_column_rec &c : s.columns) names.push_back(c.name);
    out_unique_names(names, max_len, &s.renamed);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == s.columns[i].name) continue;
        s.columns[i].row_name = s.columns[i].name;
        s.columns[i].name = names[i];
    }
}

/* The fixed columns of the kind, then the chosen attribute columns. */
bool fill_columns(const std::vector<sql_col_rec *> &chosen)
{
    export_state_rec &s = export_state();
    int n = 0;
    const export_fixed_col *fixed = export_fixed_columns(s.kind, &n);
    try {
        s.columns.clear();
        s.columns.reserve((std::size_t)n + chosen.size());
        for (int i = 0; i < n; ++i) {
            sql_col_rec c{};
            std::snprintf(c.name, sizeof c.name, "%s", fixed[i].name);
            c.sql_type = fixed[i].sql_type;
            c.length = fixed[i].width;
            c.decimals = fixed[i].decimals;
            c.value_type = c.sql_type == SQL_TYPE_CHAR ? k_value_string
                           : c.decimals > 0             ? k_value_double
                                                        : k_value_long;
            export_column_rec out;
            out.name = fixed[i].name;
            out.value_type = c.value_type;
            column_code(&c, out);
            bool coord = !std::strcmp(c.name, "X") || !std::strcmp(c.name, "Y") ||
                         !std::strcmp(c.name, "XCENTER") || !std::strcmp(c.name, "YCENTER");
            if (plot_type == PLOT_TYPE_SPANS && coord) {
                out.type = SPANS_CODE_COORD;
                out.width = SPANS_COORD_WIDTH;
                out.decimals = SPANS_COORD_DECIMALS;
            }
            s.columns.push_back(out);
        }
        s.fixed_count = n;
        for (const sql_col_rec *c : chosen) {
            export_column_rec out;
            out.name = c->name;
            out.table = c->table;
            out.value_type = c->value_type;
            out.exact = c->sql_type == SQL_TYPE_NUMERIC || c->sql_type == SQL_TYPE_DEC;
            column_code(c, out);
            s.columns.push_back(out);
        }
        unique_names(s);
    } catch (const std::bad_alloc &) {
        s.columns.clear();
        s.fixed_count = 0;
        return false;
    }
    return true;
}

/* Ends the dialog with cancel. */
void cancel_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* The dialog's tiles and callbacks; "plot", "filename" and the kinds are
** registered again when the output type is chosen. */
const dlg_tile k_tiles[] = {
    {"project", pv_export_opts_project_cb},
    {"plotype", export_opts_tiles},
    {"cancel", cancel_cb},
};
const dlg_tile k_type_tiles[] = {
    {"point", pv_export_opts_point_cb},
    {"line", pv_export_opts_line_cb},
    {"polygon", pv_export_opts_line_cb},
    {"plot", pv_export_opts_plot_cb},
};

}  // namespace

void export_opts_reset(ads_hdlg dlg)
{
    export_state_reset();
    plot_type = PLOT_TYPE_IDLE;
    ads_mode_tile(dlg, "output", MODE_DISABLE);
    clear_off(dlg, {"col_delim", "txt_delim"});
    for (const char *k : {"scale", "height"}) {
        ads_set_tile(dlg, k, k_zero_size);
        ads_mode_tile(dlg, k, MODE_DISABLE);
    }
    modes(dlg, {"plot", "filename", "point", "line", "polygon"}, MODE_DISABLE);
    ads_set_tile(dlg, "txtdbf", "0");
    ads_mode_tile(dlg, "txtdbf", MODE_DISABLE);
    export_state().kind = EXPORT_KIND_POINTS;
}

void pv_export_opts_project_cb(ads_callback_packet *cpkt)
{
    ads_hdlg dlg = cpkt->dialog;
    pjct_rec *p = pjct_nth(tile_get_int(dlg, "project"));
    export_state().project = p;
    const char *keys[] = {"output"};
    diagram_fill_columns(dlg, keys, 1, p, nullptr);
    if (plot_type != PLOT_TYPE_IDLE) apply_kind(dlg);
}

void export_opts_tiles(ads_callback_packet *cpkt)
{
    ads_hdlg dlg = cpkt->dialog;
    int index = tile_get_int(dlg, "plotype");
    if (index < 0 || index >= (int)std::size(k_types)) return;
    plot_type = k_types[index];
    modes(dlg, {"filename", "point", "line", "polygon", "plot"}, MODE_ENABLE);
    dlg_register(dlg, k_type_tiles, (int)std::size(k_type_tiles), nullptr);
    apply_kind(dlg);
}

void pv_export_opts_point_cb(ads_callback_packet *cpkt)
{
    apply_points(cpkt->dialog);
}

void pv_export_opts_line_cb(ads_callback_packet *cpkt)
{
    ads_hdlg dlg = cpkt->dialog;
    apply_lines(dlg, tile_get_toggle(dlg, "line") ? EXPORT_KIND_LINES : EXPORT_KIND_POLYGONS);
}

void pv_export_opts_plot_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    export_state_rec &s = export_state();
    int *picked = nullptr, count = 0;
    std::vector<sql_col_rec *> chosen;
    if (tile_get_int_list(dlg, "output", &picked, &count) == RTNORM) {
        for (int i = 0; i < count; ++i) {
            sql_col_rec *c = diagram_column_nth(s.project, nullptr, picked[i]);
            if (c) chosen.push_back(c);
        }
        std::free(picked);
    }
    std::string name = export_file_name(tile_text(dlg, "filename").c_str(), plot_type_ext(plot_type));
    if (name.empty()) {
        ads_set_tile(dlg, "error", k_err_no_file);
        return;
    }
    int pi = tile_get_int(dlg, "projection");
    prj_rec *prj = pi >= 0 && pi < (int)s_projections.size() ? s_projections[(std::size_t)pi] : nullptr;
    if (const char *err = projection_error(prj)) {
        ads_set_tile(dlg, "error", err);
        return;
    }
    s.file_name = name;
    s.projection = prj;
    std::string col = tile_text(dlg, "col_delim");
    s.col_delim = str_eq_nocase(col.c_str(), k_tab_word) ? '\t' : col.empty() ? '\0' : col[0];
    std::string txt = tile_text(dlg, "txt_delim");
    s.txt_delim = txt.empty() ? '\0' : txt[0];
    s.height = std::atof(tile_text(dlg, "height").c_str());
    s.scale = std::atof(tile_text(dlg, "scale").c_str());
    s.text_as_attr = tile_get_toggle(dlg, "txtdbf");
    s.kind = tile_get_toggle(dlg, "line") ? EXPORT_KIND_LINES
             : tile_get_toggle(dlg, "polygon") ? EXPORT_KIND_POLYGONS
                                         : EXPORT_KIND_POINTS;
    if (plot_type == PLOT_TYPE_SPANS && s.kind != EXPORT_KIND_POINTS) chosen.clear();
    if (!fill_columns(chosen)) {
        err_report(ERR_NO_MEMORY, k_dialog);
        ads_done_dialog(dlg, DLGCANCEL);
        return;
    }
    ads_set_tile(dlg, "error", "");
    ads_done_dialog(dlg, DLGOK);
}

int pv_export(struct resbuf *)
{
    if (!g_map_params.projection) {
        msg_alert(ERR_TITLE, "%s", EXPORT_NO_MAP_PROJECTION);
        return k_done;
    }
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(k_dialog, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, k_dialog);
        return RTERROR;
    }
    std::vector<const char *> projects;
    for (pjct_rec *p = g_pjct_list; p; p = p->next) projects.push_back(p->name);
    bool any = !projects.empty();
    projects.push_back(k_no_project);
    dlg_fill_list(dlg, "project", projects.data(), (int)projects.size());
    plot_type = PLOT_TYPE_IDLE;
    fill_types(dlg, plot_type_label(PLOT_TYPE_SPANS));
    s_projections.clear();
    std::vector<const char *> names;
    int map_index = -1;
    for (prj_rec *p = prj_list_head(); p; p = p->next) {
        if (str_nonblank(p->name) != RTNORM) continue;
        if (p == g_map_params.projection) map_index = (int)s_projections.size();
        s_projections.push_back(p);
        names.push_back(p->name);
    }
    dlg_fill_list(dlg, "projection", names.data(), (int)names.size());
    if (map_index >= 0) dlg_set_index(dlg, "projection", map_index);
    export_opts_reset(dlg);
    dlg_register(dlg, k_tiles, (int)std::size(k_tiles), nullptr);
    if (any) {
        ads_callback_packet pkt{};
        pkt.dialog = dlg;
        pkt.reason = CBR_SELECT;
        ads_set_tile(dlg, "project", "0");
        pv_export_opts_project_cb(&pkt);
        ads_set_tile(dlg, "plotype", "0");
        export_opts_tiles(&pkt);
    }
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    if (status == DLGOK) export_run();
    export_state_reset();
    plot_type = PLOT_TYPE_IDLE;
    s_projections.clear();
    ads_printf("\n");
    return k_done;
}
