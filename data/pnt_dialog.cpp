/*
** pnt_dialog.cpp: the point setup dialog "pv_pntsetup".
**
** The dialog works on one registered table of one project. "pnt_list"
** shows the table's setups (X, Y, Z column, coordinate system, symbol
** column); the popups "pnt_xcol", "pnt_ycol", "pnt_zcol" and "pnt_symbol"
** list the table's columns and end with a line of four blanks meaning none;
** "pnt_proj" lists the coordinate systems. "insert" adds the form as a new
** setup, "modify" changes the selected one in place (moving the links of
** the input rules from its old columns to its new ones), "delete" removes
** it.
*/
#include "data/pnt_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"

namespace {

/* Tile keys of the dialog. */
const char k_dialog[] = "pv_pntsetup";
const char k_list[] = "pnt_list";
const char k_tblname[] = "pnt_tblname";
const char k_xcol[] = "pnt_xcol";
const char k_ycol[] = "pnt_ycol";
const char k_zcol[] = "pnt_zcol";
const char k_symbol[] = "pnt_symbol";
const char k_proj[] = "pnt_proj";
const char k_error[] = "error";

/* The last line of each column list: no column. */
const char k_no_column[] = "    ";
/* Format of one line of the setup list. */
const char k_line_format[] = "%-10.10s\t%-10.10s\t%-10.10s\t%-27.27s\t%-10.10s";
/* Room for one line of the setup list. */
constexpr int PNT_LINE_SIZE = 96;

/* What the open dialog works on; both null outside the dialog. */
struct pnt_dialog_state {
    pjct_rec *project;   /* the project whose setups are edited; not owned */
    tbl_rec *table;      /* the registered table; not owned */
};
pnt_dialog_state g_state = {nullptr, nullptr};

/* The name of the table a setup belongs to, "" when it has none. */
const char *pnt_table_name(const pnt_rec *p)
{
    if (p->table) return p->table->name;
    return p->x_col ? p->x_col->table : "";
}

/* 1 when the setup belongs to the dialog's table. */
int pnt_of_table(const pnt_rec *p, const tbl_rec *table)
{
    return str_eq_nocase(pnt_table_name(p), table->name);
}

/* Fills the form's lists and shows it blank: the table's name, each column
** list with the table's columns and the blank line (chosen), the
** coordinate systems. */
void pnt_form_fill(ads_hdlg dlg, const tbl_rec *table)
{
    ads_set_tile(dlg, k_tblname, table->name);
    std::vector<const char *> names;
    for (const sql_col_rec *c = table->columns; c; c = c->next) names.push_back(c->name);
    names.push_back(k_no_column);
    const int blank = (int)names.size() - 1;
    for (const char *key : {k_xcol, k_ycol, k_zcol, k_symbol}) {
        dlg_fill_list(dlg, key, names.data(), (int)names.size());
        dlg_set_index(dlg, key, blank);
    }
    std::vector<const char *> systems;
    for (const prj_rec *p = prj_list_head(); p; p = p->next) systems.push_back(p->name);
    dlg_fill_list(dlg, k_proj, systems.data(), (int)systems.size());
    ads_set_tile(dlg, k_error, "");
}

/* Lists the table's setups in list order and selects the line of the
** given setup (none: no line is selected). */
void pnt_list_show(ads_hdlg dlg, const pjct_rec *project, const tbl_rec *table, const pnt_rec *selected)
{
    std::vector<std::string> lines;
    int chosen = -1;
    for (const pnt_rec *p = project->points; p; p = p->next) {
        if (!pnt_of_table(p, table)) continue;
        char line[PNT_LINE_SIZE];
        std::snprintf(line, sizeof line, k_line_format, p->x_col ? p->x_col->name : "",
                      p->y_col ? p->y_col->name : "", p->z_col ? p->z_col->name : "",
                      p->projection ? p->projection->name : "", p->sym_col ? p->sym_col->name : "");
        if (p == selected) chosen = (int)lines.size();
        lines.push_back(line);
    }
    std::vector<const char *> texts;
    for (const std::string &l : lines) texts.push_back(l.c_str());
    dlg_fill_list(dlg, k_list, texts.data(), (int)texts.size());
    if (chosen >= 0)
        dlg_set_index(dlg, k_list, chosen);
    else
        ads_set_tile(dlg, k_list, "");
    ads_set_tile(dlg, k_error, "");
}

/* The column at the chosen line of a column list and that line's index;
** null (index as chosen, -1 when none) for the blank line or no choice. */
sql_col_rec *pnt_form_column(ads_hdlg dlg, const char *key, tbl_rec *table, int32_t *index)
{
    int i = tile_get_int(dlg, key);
    sql_col_rec *c = sql_col_nth(table->columns, i);
    if (index) *index = c ? i : -1;
    return c;
}

/* A new setup read from the form; null when memory is short. */
pnt_rec *pnt_from_form(ads_hdlg dlg, tbl_rec *table)
{
    pnt_rec *s = pnt_new();
    if (!s) return nullptr;
    s->table = table;
    s->x_col = pnt_form_column(dlg, k_xcol, table, &s->x_index);
    s->y_col = pnt_form_column(dlg, k_ycol, table, &s->y_index);
    s->z_col = pnt_form_column(dlg, k_zcol, table, &s->z_index);
    s->sym_col = pnt_form_column(dlg, k_symbol, table, nullptr);
    s->projection = prj_at(tile_get_int(dlg, k_proj));
    ads_set_tile(dlg, k_error, "");
    return s;
}

/* Sets a column list to an index, or to its blank line when the index is
** not one of the table's columns. */
void pnt_show_column(ads_hdlg dlg, const char *key, const tbl_rec *table, int index)
{
    int count = 0;
    for (const sql_col_rec *c = table->columns; c; c = c->next) ++count;
    dlg_set_index(dlg, key, index >= 0 && index < count ? index : count);
}

/* Shows a setup in the form; null shows the blank form. */
void pnt_form_show(ads_hdlg dlg, const tbl_rec *table, const pnt_rec *p)
{
    pnt_show_column(dlg, k_xcol, table, p ? p->x_index : -1);
    pnt_show_column(dlg, k_ycol, table, p ? p->y_index : -1);
    pnt_show_column(dlg, k_zcol, table, p ? p->z_index : -1);
    int sym = -1;
    if (p && p->sym_col) tbl_column_find(table->columns, p->sym_col->name, nullptr, &sym);
    pnt_show_column(dlg, k_symbol, table, sym);
    int proj = -1;
    if (p && p->projection && prj_index_of(p->projection, &proj))
        dlg_set_index(dlg, k_proj, proj);
    else
        ads_set_tile(dlg, k_proj, "");
}

/* The setup of the selected line of the list, counting only the setups
** of the dialog's table; null when no line is selected. */
pnt_rec *pnt_selected(ads_hdlg dlg, const pjct_rec *project, const tbl_rec *table)
{
    int line = tile_get_int(dlg, k_list);
    if (line < 0) return nullptr;
    for (pnt_rec *p = project->points; p; p = p->next)
        if (pnt_of_table(p, table) && line-- == 0) return p;
    return nullptr;
}

/* 1 when the dialog's callbacks may act: the tile was picked and the
** dialog has its project and table. */
int pnt_cb_ready(const ads_callback_packet *cpkt)
{
    return cb_acts(cpkt) && g_state.project && g_state.table;
}

/* pnt_list: the selected line's setup shown in the form (none: blank). */
void pnt_list_cb(ads_callback_packet *cpkt)
{
    if (!pnt_cb_ready(cpkt)) return;
    pnt_form_show(cpkt->dialog, g_state.table, pnt_selected(cpkt->dialog, g_state.project, g_state.table));
    ads_set_tile(cpkt->dialog, k_error, "");
}

/* new: the form refilled blank. */
void pnt_new_cb(ads_callback_packet *cpkt)
{
    if (!pnt_cb_ready(cpkt)) return;
    pnt_form_fill(cpkt->dialog, g_state.table);
}

/* Reads the form into a new setup and checks it; null (fault shown, the
** setup freed) when it is not sound or memory is short. */
pnt_rec *pnt_checked_form(ads_hdlg dlg)
{
    pnt_rec *s = pnt_from_form(dlg, g_state.table);
    if (!s) return nullptr;
    if (pnt_validate(dlg, s) != 0) {
        std::free(s);
        return nullptr;
    }
    return s;
}

/* The message of a setup whose columns another setup uses. */
const char k_used[] = "ERROR: X,Y or Z column already used";

/* insert: the form checked and added as a new setup, selected in the
** list; a fault or a column conflict is shown and nothing is added. */
void pnt_insert_cb(ads_callback_packet *cpkt)
{
    if (!pnt_cb_ready(cpkt)) return;
    pnt_rec *s = pnt_checked_form(cpkt->dialog);
    if (!s) return;
    if (pnt_columns_used(g_state.project, s, s)) {
        ads_set_tile(cpkt->dialog, k_error, k_used);
        std::free(s);
        return;
    }
    pnt_attach(g_state.project, s);
    pnt_list_show(cpkt->dialog, g_state.project, g_state.table, s);
}

/* Changes the selected setup in place. The rules of its old columns are
** untied before the columns change and those of the new columns tied
** after, so no rule keeps pointing at a setup that no longer uses it. */
void pnt_modify_cb(ads_callback_packet *cpkt)
{
    if (!pnt_cb_ready(cpkt)) return;
    pnt_rec *sel = pnt_selected(cpkt->dialog, g_state.project, g_state.table);
    if (!sel) return;
    pnt_rec *s = pnt_checked_form(cpkt->dialog);
    if (!s) return;
    if (pnt_columns_used(g_state.project, s, sel)) {
        ads_set_tile(cpkt->dialog, k_error, k_used);
        std::free(s);
        return;
    }
    pnt_untie_rules(sel);
    sel->x_col = s->x_col;
    sel->y_col = s->y_col;
    sel->z_col = s->z_col;
    sel->sym_col = s->sym_col;
    sel->projection = s->projection;
    sel->table = s->table;
    pnt_tie_rules(g_state.project, sel);
    std::free(s);
    g_state.project->flags |= PJCT_CHG_POINTS;
    pnt_list_show(cpkt->dialog, g_state.project, g_state.table, sel);
}

/* delete: the selected setup detached (its rules untied) and freed. */
void pnt_delete_cb(ads_callback_packet *cpkt)
{
    if (!pnt_cb_ready(cpkt)) return;
    pnt_rec *sel = pnt_selected(cpkt->dialog, g_state.project, g_state.table);
    if (!sel) return;
    pnt_detach(g_state.project, sel);
    pnt_form_fill(cpkt->dialog, g_state.table);
    pnt_list_show(cpkt->dialog, g_state.project, g_state.table, nullptr);
}

/* exit: ends the dialog. */
void pnt_exit_cb(ads_callback_packet *cpkt)
{
    if (!pnt_cb_ready(cpkt)) return;
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* One row of the checks: the fault and its message. */
struct pnt_check {
    bool (*fault)(const pnt_rec *s);   /* true when the setup has the fault */
    const char *message;               /* the text shown */
};

/* true when a column is given and holds characters. */
bool is_char(const sql_col_rec *c) { return c && c->sql_type == SQL_TYPE_CHAR; }

/* The checks in the order they are made. */
const pnt_check k_checks[] = {
    {[](const pnt_rec *s) { return !s->table; }, "No table specified"},
    {[](const pnt_rec *s) { return !s->x_col; }, "No X column specified"},
    {[](const pnt_rec *s) { return is_char(s->x_col); }, "X column must be numeric"},
    {[](const pnt_rec *s) { return !s->y_col; }, "No Y column specified"},
    {[](const pnt_rec *s) { return is_char(s->y_col); }, "Y column must be numeric"},
    {[](const pnt_rec *s) { return is_char(s->z_col); }, "Z column must be numeric"},
    {[](const pnt_rec *s) { return s->x_col == s->y_col; }, "X and Y columns identical"},
    {[](const pnt_rec *s) { return s->z_col && s->x_col == s->z_col; }, "X and Z columns identical"},
    {[](const pnt_rec *s) { return s->z_col && s->y_col == s->z_col; }, "Y and Z columns identical"},
    {[](const pnt_rec *s) { return !s->projection; }, "No projection specified"},
};

}  // namespace

/* Checks a setup; see the header. */
int pnt_validate(ads_hdlg dialog, const pnt_rec *setup)
{
    if (!setup) return -1;
    for (const pnt_check &c : k_checks) {
        if (!c.fault(setup)) continue;
        if (dialog) ads_set_tile(dialog, k_error, c.message);
        return -1;
    }
    return 0;
}

/* Finds a column conflict with the other setups; see the header. */
int pnt_columns_used(const pjct_rec *project, const pnt_rec *candidate, const pnt_rec *excluded)
{
    if (!project || !candidate) return 0;
    const pnt_rec *c = candidate;
    for (const pnt_rec *p = project->points; p; p = p->next) {
        if (p == candidate || p == excluded) continue;
        if (c->x_col && (c->x_col == p->x_col || c->x_col == p->y_col || c->x_col == p->z_col)) return 1;
        if (c->y_col && (c->y_col == p->x_col || c->y_col == p->y_col || c->y_col == p->z_col)) return 1;
        if (c->z_col && (c->z_col == p->x_col || c->z_col == p->y_col || c->z_col == p->z_col)) return 1;
    }
    return 0;
}

/* Runs the dialog; see the header. */
int pv_pntsetup_dialog(pjct_rec *project, const char *table)
{
    if (!project || !table || str_nonblank(table) != RTNORM) return -2;
    tbl_rec *t = tbl_find_by_name(project->tables, table, nullptr);
    if (!t) return -1;
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(k_dialog, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        msg_alert(ERR_TITLE, "Cannot load dialog box: %s.", k_dialog);
        return -1;
    }
    g_state = {project, t};
    static const dlg_tile k_tiles[] = {
        {k_list, pnt_list_cb},     {"new", pnt_new_cb},       {"insert", pnt_insert_cb},
        {"modify", pnt_modify_cb}, {"delete", pnt_delete_cb}, {"exit", pnt_exit_cb},
    };
    dlg_register(dlg, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0]), nullptr);
    pnt_form_fill(dlg, t);
    pnt_list_show(dlg, project, t, nullptr);
    pnt_form_show(dlg, t, nullptr);
    int status = 0;
    ads_start_dialog(dlg, &status);
    g_state = {nullptr, nullptr};
    return 0;
}
