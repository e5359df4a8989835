/*
** row_add.cpp: the pv_add command, which adds rows to a registered table
** and draws each new row on the map as symbols linked to it, and the
** carrying of an added row's key values into the entry rows of the other
** tables.
**
** The user picks the project and table in "pv_add_tbl", types the row in
** the row-entry tiles and accepts; the row is placed (its symbols with the
** texts around them, then the loose texts; a point still at 0,0 is placed
** by hand), its drawn positions and angles are read back into the row,
** missing points are asked for, and the row is inserted. A row that
** cannot be drawn or inserted leaves nothing behind: its entities are
** removed, the memo lines held for it go (none was stored: a row's lines
** are stored only after it, by row_insert_new) and the typed values stay
** for another try. After
** a STATION row, every table's entry row holds its STATION and TRAVERSE
** and no longer any SEGMENT, ROCK, SAMPLE or ANALYSIS of an older station.
*/
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/dlg_state.h"
#include "core/err_text.h"
#include "core/img_show.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/row_state.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "data/item_table.h"
#include "data/memo.h"
#include "data/row_edit.h"
#include "draw/map_params.h"
#include "map/link_cmd.h"
#include "map/row_cmd.h"
#include "map/row_place.h"
#include "map/sym_draw.h"

namespace {

/* The dialog and its own tiles. */
const char k_dialog[] = "pv_add_tbl";
const char k_project[] = "project";
const char k_tables[] = "tables";
const char k_error[] = "error";
/* Codes of a project or table index that names nothing. */
constexpr int ADD_ERR_PROJECT = -9401;
constexpr int ADD_ERR_TABLE = -9402;
/* Code of a dialog that cannot be loaded. */
constexpr int ADD_ERR_DIALOG = -5001;

/* The logged-on projects in list order. */
std::vector<pjct_rec *> add_projects()
{
    std::vector<pjct_rec *> out;
    for (int i = 0; pjct_nth(i); ++i) out.push_back(pjct_nth(i));
    return out;
}

/* Index of an entry in a list; -1 when absent. */
template <typename T>
int add_index_of(const std::vector<T *> &list, const T *item)
{
    for (size_t i = 0; i < list.size(); ++i)
        if (item && list[i] == item) return (int)i;
    return -1;
}

/* The project's tables in registry order. */
std::vector<tbl_rec *> add_tables(pjct_rec *p)
{
    std::vector<tbl_rec *> out;
    for (tbl_rec *t = p ? p->tables : nullptr; t; t = t->next) out.push_back(t);
    return out;
}

/* Sets a list tile to an index, or to "" for -1. */
void add_select(ads_hdlg d, const char *key, int index)
{
    if (index < 0) ads_set_tile(d, key, "");
    else dlg_set_index(d, key, index);
}

/* Fills "tables" with the project's table names and one empty entry. */
void add_fill_tables(ads_hdlg d, pjct_rec *p)
{
    std::vector<const char *> names;
    for (tbl_rec *t : add_tables(p)) names.push_back(t->name);
    names.push_back("");
    dlg_fill_list(d, k_tables, names.data(), (int)names.size());
}

/* Releases the browse statement and cursor of the state. */
void add_release_browse()
{
    sql_col_rec *none = nullptr;
    sql_close_query(&g_row_state.browse_stmt, &g_row_state.browse_cursor, &none);
}

/* Points dictionary and profile access at the project unless they are. */
void add_point_profiles(ads_hdlg d, pjct_rec *p)
{
    if (p && prf_tables()->dix.project != p) prf_edit_set_project(d, p);
}

/* Enables or disables the tiles that need a row. */
void add_row_tiles(ads_hdlg d, bool have_row)
{
    const int mode = have_row ? MODE_ENABLE : MODE_DISABLE;
    ads_mode_tile(d, "plot", mode);
    ads_mode_tile(d, "attach", mode);
}

}  // namespace

/* "project": another logged-on project becomes current with no table. */
void pv_add_tbl_project_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    row_state_rec &s = g_row_state;
    int n = tile_get_int(d, k_project);
    if (n == -1) return;
    std::vector<pjct_rec *> projects = add_projects();
    if (n < 0 || n >= (int)projects.size()) {
        err_report(ADD_ERR_PROJECT, nullptr);
        add_select(d, k_project, add_index_of(projects, s.cur_pjct));
        return;
    }
    add_release_browse();
    s.cur_row = s.cur_col = nullptr;
    s.cur_tbl = nullptr;
    s.cur_pjct = projects[(size_t)n];
    add_point_profiles(d, s.cur_pjct);
    add_fill_tables(d, s.cur_pjct);
    dlg_set_index(d, k_tables, (int)add_tables(s.cur_pjct).size());
    for (const char *list : {"sqlrow", "column", "edit_list"}) dlg_fill_list(d, list, nullptr, 0);
    for (const char *tile : {"edit_name", "edit_col", k_error}) ads_set_tile(d, tile, "");
    add_row_tiles(d, false);
    ads_mode_tile(d, "accept", MODE_DISABLE);
}

/* "tables": the picked table's entry row is shown for a new row. */
void pv_add_tbl_tables_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    row_state_rec &s = g_row_state;
    std::vector<tbl_rec *> tables = add_tables(s.cur_pjct);
    int n = tile_get_int(d, k_tables);
    if (n < 0 || n >= (int)tables.size()) {
        err_report(ADD_ERR_TABLE, nullptr);
        add_select(d, k_tables, add_index_of(tables, s.cur_tbl));
        return;
    }
    tbl_rec *t = tables[(size_t)n];
    if (t == s.cur_tbl) return;
    s.cur_tbl = t;
    s.cur_row = s.cur_col = t->columns;
    add_release_browse();
    ads_set_tile(d, k_error, "");
    if (!t->columns) return;
    row_fill_edit_list(d, t->columns, 1, 1, 0);
    ads_mode_tile(d, "plot", MODE_ENABLE);
}

/* "cancel": the values typed for the row that was not added are taken
** back and the memo lines held for it go; none was ever stored, so none
** shows as the memo of the next row given its number. */
void pv_add_tbl_cancel_cb(ads_callback_packet *cpkt) { pv_edit_col_cancel_cb(cpkt); }

/* "plot": the map's plot switch follows the toggle. */
void pv_add_tbl_plot_cb(ads_callback_packet *cpkt) { pv_edit_col_plot_cb(cpkt); }

/* "image": the typed name becomes the column's value and the dialog ends
** with 5 so that the image is shown; the typed values are kept. */
void pv_add_tbl_image_cb(ads_callback_packet *cpkt) { pv_edit_col_image_cb(cpkt); }

namespace {

/* The callbacks of "pv_add_tbl" beside the row-entry tiles'. */
const dlg_tile k_add_tiles[] = {
    {k_project, pv_add_tbl_project_cb}, {k_tables, pv_add_tbl_tables_cb}, {"cancel", pv_add_tbl_cancel_cb},
    {"plot", pv_add_tbl_plot_cb},       {"image", pv_add_tbl_image_cb},
};

/* Fills "project" and, when the state has no logged-on project, falls
** back to the newest project with its first table. */
void add_fill_projects(ads_hdlg d)
{
    row_state_rec &s = g_row_state;
    std::vector<pjct_rec *> projects = add_projects();
    std::vector<const char *> names;
    for (pjct_rec *p : projects) names.push_back(p->name);
    dlg_fill_list(d, k_project, names.data(), (int)names.size());
    int at = add_index_of(projects, s.cur_pjct);
    if (at >= 0) {
        dlg_set_index(d, k_project, at);
        return;
    }
    if (projects.empty()) {
        s.cur_pjct = nullptr;
        s.cur_tbl = nullptr;
        ads_set_tile(d, k_project, "");
        return;
    }
    pjct_rec *p = projects[0];
    s.cur_pjct = p;
    s.cur_tbl = p->tables;
    s.cur_row = s.cur_col = p->tables ? p->tables->columns : nullptr;
    dlg_set_index(d, k_project, 0);
    if (!s.cur_tbl || !s.cur_row) {
        s.cur_pjct = nullptr;
        s.cur_tbl = nullptr;
        s.cur_row = s.cur_col = nullptr;
    }
}

}  // namespace

/* The dialog "pv_add_tbl" once; see row_cmd.h. */
int pv_add_tbl_dialog(void)
{
    ads_hdlg d = nullptr;
    if (ads_new_dialog(k_dialog, g_dcl_id, nullptr, &d) != RTNORM || !d) {
        msg_alert(ERR_TITLE, "Cannot load dialog box: %s.", k_dialog);
        return ADD_ERR_DIALOG;
    }
    row_state_rec &s = g_row_state;
    add_fill_projects(d);
    add_point_profiles(d, s.cur_pjct);
    const bool have_row = s.cur_pjct && s.cur_tbl && s.cur_row;
    if (have_row) {
        add_fill_tables(d, s.cur_pjct);
        add_select(d, k_tables, add_index_of(add_tables(s.cur_pjct), s.cur_tbl));
        row_fill_edit_list(d, s.cur_row, 1, 1, s.dlg_result == ROW_DLG_IMAGE);
    }
    dlg_register(d, k_add_tiles, (int)(sizeof k_add_tiles / sizeof k_add_tiles[0]), nullptr);
    ads_set_tile(d, "plot", g_map_params.plot ? "1" : "0");
    ads_set_tile(d, "attach", g_map_params.attach ? "1" : "0");
    add_row_tiles(d, have_row);
    if (!s.cur_tbl) ads_mode_tile(d, "accept", MODE_DISABLE);

    int status = ROW_DLG_CANCEL;
    ads_start_dialog(d, &status);
    if (status == ROW_DLG_IMAGE && s.cur_col && s.cur_col->text &&
        img_show(s.cur_pjct, s.cur_col->text, 0) == RTNORM) {
        char answer[ADS_INPUT_MAX];
        ads_initget(0, "");
        ads_getkword("Press RETURN to continue...", answer);
        ads_redraw(nullptr, 0);
    }
    return status;
}

/* The pv-add command; see row_cmd.h. */
int pv_add(struct resbuf *)
{
    row_state_rec *saved = dlg_state_push();
    if (!saved) return ERR_NO_MEMORY;
    dlg_state_reset();
    g_row_state.image_ok = 1;
    int result = ROW_DLG_CANCEL;
    do {
        result = pv_add_tbl_dialog();
        g_row_state.dlg_result = result;
        if (result == ROW_DLG_ACCEPT) row_add(g_row_state.cur_row);
    } while (result == ROW_DLG_ACCEPT || result == ROW_DLG_IMAGE);
    dlg_state_pop(saved);
    return RTNORM;
}

namespace {

/* The name a placement is announced by: its column's. */
const char *add_slot_column(const sym_place_rec *slot)
{
    if (str_nonblank(slot->link.key_column) == RTNORM) return slot->link.key_column;
    return slot->source_col ? slot->source_col->name : "";
}

/* Draws one group (an anchor with its texts, or a loose text alone),
** placed by hand when its point is still 0,0. The drawing's result. */
int add_draw(sym_place_rec *anchor, sym_place_rec *texts, int text_count, const sym_place_rec *decides)
{
    sym_place_rec *own = anchor ? anchor : texts;
    own->offset.x = own->offset.y = 0.0;
    const int interactive = decides->ins.x == 0.0 && decides->ins.y == 0.0;
    if (interactive) ads_printf("\nPlace %s on map\n", add_slot_column(decides));
    return sym_place_draw(anchor, texts, anchor ? 1 : 0, text_count, interactive);
}

/* Draws the anchors with their groups, then the loose texts. 0; the
** first failing drawing's result (nothing of the row left drawn). */
int add_draw_row(sym_place_rec *sym, int ns, sym_place_rec *txt, int nt)
{
    std::vector<char> taken((size_t)nt, 0);
    for (int i = 0; i < ns; ++i) {
        int start = 0;
        while (start < nt && (taken[(size_t)start] || txt[start].owner != i)) ++start;
        int run = 0;
        while (start + run < nt && !taken[(size_t)(start + run)] && txt[start + run].owner == i) {
            taken[(size_t)(start + run)] = 1;
            txt[start + run].owner = 0;
            ++run;
        }
        int rc = add_draw(&sym[i], run ? &txt[start] : nullptr, run, &sym[i]);
        if (rc < 0) {
            sym_place_erase(sym, txt, ns, nt);
            return rc;
        }
    }
    for (int k = 0; k < nt; ++k) {
        if (taken[(size_t)k]) continue;
        int rc = add_draw(nullptr, &txt[k], 1, &txt[k]);
        if (rc < 0) {
            sym_place_erase(sym, txt, ns, nt);
            return rc;
        }
    }
    return 0;
}

}  // namespace

/* Adds one row; see row_cmd.h. */
int row_add(sql_col_rec *row)
{
    if (!row) return -2;
    char *messages = (char *)calloc(ROW_MSG_SIZE, 1);
    if (!messages) return ERR_NO_MEMORY;
    sym_place_rec *sym = nullptr, *txt = nullptr;
    int ns = 0, nt = 0;
    int rc = row_alloc_placements(row, &sym, &ns, &txt, &nt);
    if (rc == 0 && ns > 0) rc = row_build_placements(row, sym, &ns, txt, &nt, ROW_PLACE_PLOTTED);
    if (rc < 0) {
        free(sym);
        free(txt);
        free(messages);
        return rc;
    }
    place_points_to_map(sym, ns, row);
    place_points_to_map(txt, nt, row);

    const bool plot = g_map_params.plot == 1;
    bool failed = plot && add_draw_row(sym, ns, txt, nt) < 0;
    if (!failed && plot) {
        place_points_from_symbols(sym, ns, messages, row);
        place_points_from_symbols(txt, nt, messages, row);
        place_points_from_map(sym, ns, messages, row);
        place_points_from_map(txt, nt, messages, row);
        place_store_angles(sym, ns, row);
    }
    if (!failed) row_ask_points(row, messages);
    if (messages[0]) msg_alert(ERR_TITLE, "%s", messages);
    if (!failed) {
        int ins = row_insert_new(row->connection, row, row->table);
        if (ins == RTNORM) {
            sql_row_from_text(row);
            row_carry_keys(row);
        } else {
            sym_place_erase(sym, txt, ns, nt);
            if (!sql_report_lost(ins))
                msg_alert(ERR_TITLE, "Could not add this row to table %s: %s", row->table,
                          row_refused_text(row->table, ins).c_str());
            failed = true;
        }
    }
    /* "Plot on map" with no column to plot is said, lest the user look
    ** for symbols that were never drawn. */
    if (!failed && plot && ns == 0 && nt == 0)
        ads_printf("\nThe row is added to %s, but nothing is drawn: no column of %s has the input rule \"Plot\".\n",
                   row->table, row->table);
    if (!failed && g_map_params.attach == 1) link_attach_loop(row);
    if (failed) {
        memo_drop_held(row);
        sql_row_to_text(row);
    }
    free(sym);
    free(txt);
    free(messages);
    return 0;
}
