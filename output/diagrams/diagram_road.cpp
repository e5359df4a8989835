/*
** diagram_road.cpp: from the objects the user selects to the rows a
** diagram plots: only linked INSERT or SHAPE entities with a row id of 1
** or more that name the chosen project and table (any case) count.
*/
#include "output/diagrams/diagram_road.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>
#include <strings.h>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/pnt.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/sym_setup.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "data/sym_setup_dialog.h"
#include "draw/draw_util.h"
#include "draw/link.h"

namespace {

constexpr int kTypeInsert = 11;              /* ent_type_code of an INSERT */
constexpr int kTypeShape = 8;                /* ent_type_code of a SHAPE   */
constexpr int kIdTextSize = 32;              /* room of a row id as text    */
constexpr const char *kDoneTitle = "PETRIVEX";
constexpr int kYes = 5100;                   /* msg_yes_no's yes              */

/* Reads the tile into buffer (DIAGRAM_TITLE_READ_SIZE bytes), trimmed;
** answers its length. */
size_t read_trimmed(ads_hdlg dlg, const char *key, char *buffer)
{
    buffer[0] = '\0';
    ads_get_tile(dlg, key, buffer, DIAGRAM_TITLE_READ_SIZE);
    str_trim(buffer);
    return strlen(buffer);
}

/* Reads and hands over the row of one selected entity; 1 when used, -1
** when it cannot be read (failure says why). A row already used (drawn
** twice, say by pv-add and again from the browser) is passed over, so
** each row counts once. */
int road_entity(const diagram_road *road, const ads_name e, std::set<long> &used_rows, std::string &failure)
{
    int type = ent_type_code(e);
    if (type != kTypeInsert && type != kTypeShape) return 0;
    link_rec link;
    if (link_xdata_get(&link, e) != 0 || used_rows.count((long)link.row_id)) return 0;
    int used = diagram_linked_row(road->project, road->table, e, road->row, &failure);
    if (used > 0) used_rows.insert((long)link.row_id);
    return used;
}

}  // namespace

/* Hands over the linked row of an entity; see diagram_road.h. */
int diagram_linked_row(pjct_rec *project, tbl_rec *table, const ads_name e, int (*use)(sql_col_rec *row),
                       std::string *failure)
{
    link_rec link;
    if (!project || !table || !use) return 0;
    if (link_xdata_get(&link, e) != 0 || link.row_id < 1) return 0;
    if (strcasecmp(link.project, project->name) != 0 || strcasecmp(link.table, table->name) != 0) return 0;
    const sql_col_rec *key = table->keys[TBL_KEY_BASENUMBER];
    if (!key) return 0;
    char id[kIdTextSize];
    snprintf(id, sizeof id, "%ld", (long)link.row_id);
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int used = 0;
    const int n = sql_select_where(project->connection, table->name, key->name, id, nullptr, &stmt, &cursor, &row);
    if (n > 0) used = use(row) == 0;
    sql_close_query(&stmt, &cursor, &row);
    /* A row that is not there is passed over; one that cannot be read
    ** (-2 is a table or key no statement can name) is no such row. */
    if (n < 0 && n != -2) {
        if (failure)
            *failure = std::string("row ") + id + " of table " + table->name + " cannot be read: " +
                       sql_failure_text(n);
        return -1;
    }
    return used;
}

/* Marks the drawing's end; see diagram_road.h. */
diagram_mark diagram_mark_drawing(void)
{
    diagram_mark m{};
    m.marked = ads_entlast(m.last) == RTNORM;
    return m;
}

/* Erases what was drawn after the mark; see diagram_road.h. */
void diagram_erase_after(const diagram_mark &mark)
{
    std::vector<std::array<long, 2>> drawn;
    ads_name e, next;
    for (int more = ads_entnext(mark.marked ? mark.last : nullptr, e) == RTNORM; more;
         more = ads_entnext(e, next) == RTNORM, ename_copy(e, next))
        drawn.push_back({e[0], e[1]});
    for (const std::array<long, 2> &d : drawn) {
        const ads_name name = {d[0], d[1]};
        ads_entdel(name);
    }
}

/* Runs the road; see diagram_road.h. */
long diagram_plot_selected(const diagram_road *road)
{
    if (!road || !road->project || !road->table || !road->begin || !road->row || !road->end) return -2;
    ads_name ss;
    if (ads_ssget(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM) return -1;
    if (road->begin() != 0) {
        ads_ssfree(ss);
        msg_alert(ERR_TITLE, "Could not perform plot");
        return -1;
    }
    long count = 0, length = 0;
    std::set<long> used_rows;
    std::string failure;
    ads_sslength(ss, &length);
    for (long i = 0; i < length && failure.empty(); ++i) {
        ads_printf("\rCalculating... %ld", count);
        ads_name e;
        if (ads_ssname(ss, i, e) == RTNORM && road_entity(road, e, used_rows, failure) > 0) count++;
    }
    ads_printf("\rCalculated...  %ld\n", count);
    ads_ssfree(ss);
    if (!failure.empty()) {
        if (road->discard) road->discard();
        msg_alert(ERR_TITLE, "Nothing was plotted: %s", failure.c_str());
        return -1;
    }
    if (road->end() != 0) {
        msg_alert(ERR_TITLE, "Could not plot entities");
        return -1;
    }
    msg_alert(kDoneTitle, "Plotted... %ld entities", count);
    return count;
}

/* Answers the n-th offered column; see diagram_road.h. */
sql_col_rec *diagram_column_nth(pjct_rec *project, sql_col_rec *row, int n)
{
    if (n < 0) return nullptr;
    if (row) return sql_col_nth(row, n);
    return project ? pjct_nth_column(project, n) : nullptr;
}

/* Answers the index of an offered column; see diagram_road.h. */
int diagram_column_index(pjct_rec *project, sql_col_rec *row, const sql_col_rec *column)
{
    if (!column) return -1;
    for (int i = 0;; ++i) {
        sql_col_rec *c = diagram_column_nth(project, row, i);
        if (!c) return -1;
        if (c == column) return i;
    }
}

/* Fills the column lists; see diagram_road.h. */
void diagram_fill_columns(ads_hdlg dlg, const char *const *keys, int count, pjct_rec *project,
                          sql_col_rec *row)
{
    std::vector<std::string> texts;
    for (int i = 0;; ++i) {
        sql_col_rec *c = diagram_column_nth(project, row, i);
        if (!c) break;
        texts.push_back(std::string(c->table) + "." + c->name);
    }
    std::vector<const char *> ptrs;
    for (const auto &t : texts) ptrs.push_back(t.c_str());
    for (int k = 0; k < count; ++k) dlg_fill_list(dlg, keys[k], ptrs.data(), (int)ptrs.size());
}

/* Fills the project list; see diagram_road.h. */
int diagram_fill_projects(ads_hdlg dlg, const char *key, pjct_rec *project)
{
    std::vector<const char *> names;
    for (pjct_rec *p = g_pjct_list; p; p = p->next) names.push_back(p->name);
    dlg_fill_list(dlg, key, names.data(), (int)names.size());
    int index = -1;
    if (project && pjct_find(project->name, &index) && index >= 0) {
        dlg_set_index(dlg, key, index);
        ads_mode_tile(dlg, key, MODE_DISABLE);
        return index;
    }
    ads_set_tile(dlg, key, "");
    return -1;
}

/* Checks a diagram's title; see diagram_road.h. */
int diagram_check_title(ads_hdlg dlg, const char *key, const diagram_title_texts *texts, char *title_out,
                        size_t title_size)
{
    char buffer[DIAGRAM_TITLE_READ_SIZE];
    size_t length = read_trimmed(dlg, key, buffer);
    str_make_ident(buffer);
    const char *error = nullptr;
    if (length == 0)
        error = texts->blank;
    else if (length >= title_size)
        error = texts->too_long;
    else if (texts->invalid && !str_is_ident(buffer))
        error = texts->invalid;
    if (!error) {
        struct resbuf *found = ads_tblsearch("BLOCK", buffer, 0);
        if (found) {
            ads_relrb(found);
            if (msg_yes_no(texts->question) != kYes) error = texts->exists;
        }
    }
    if (error) {
        ads_set_tile(dlg, "error", error);
        return -1;
    }
    read_trimmed(dlg, key, buffer);
    snprintf(title_out, title_size, "%s", buffer);
    return 0;
}

/* Runs a diagram dialog; see diagram_road.h. */
int diagram_dialog_run(const char *name, const char *project_key, pjct_rec *project,
                       void (*fill)(ads_hdlg dlg, int index), const dlg_tile *tiles, int count)
{
    ads_hdlg dlg = diagram_dialog_open(name);
    if (!dlg) return -1;
    fill(dlg, diagram_fill_projects(dlg, project_key, project));
    return diagram_dialog_start(dlg, tiles, count);
}

/* Opens a dialog; see diagram_road.h. */
ads_hdlg diagram_dialog_open(const char *name)
{
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(name, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, name);
        return nullptr;
    }
    return dlg;
}

/* Runs an opened dialog; see diagram_road.h. */
int diagram_dialog_start(ads_hdlg dlg, const dlg_tile *tiles, int count)
{
    dlg_register(dlg, tiles, count, nullptr);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    return status == DLGOK ? 1 : 0;
}

/* Opens the symbol setup dialog; see diagram_road.h. */
void diagram_symbol_dialog(pjct_rec *project, const char *name, sym_rec *(*make_default)(void))
{
    if (!project) return;
    sym_rec *setup = sym_find(project->symbols, name);
    sym_rec *made = setup ? nullptr : make_default();
    if (!setup && !made) {
        err_report(ERR_NO_MEMORY, nullptr);
        return;
    }
    pv_symsetup_dialog(project, setup ? setup : made);
    sym_free(made);
}

/* Fills a diagram's default setup; see diagram_road.h. */
int diagram_default_setup(sym_rec *setup, const char *name, int owner_kind)
{
    if (!setup || !name) return -2;
    sym_rec fresh;
    sym_rec_init(&fresh);
    fresh.owner_kind = owner_kind;
    snprintf(fresh.layer, sizeof fresh.layer, "%s", name);
    fresh.colour = -1;
    fresh.scale = 1.0f;
    if (sym_copy(setup, &fresh) != 0 || sym_set_text(&setup->item_name, name) != 0) return ERR_NO_MEMORY;
    return 0;
}

/* A new filled setup; see diagram_road.h. */
sym_rec *diagram_new_setup(int (*fill)(sym_rec *setup))
{
    sym_rec *s = sym_new();
    if (s && fill(s) != 0) {
        sym_free(s);
        return nullptr;
    }
    return s;
}

/* The row's point columns; see diagram_road.h. */
int diagram_row_point(sql_col_rec *row, int need_projection, sql_col_rec **x, sql_col_rec **y,
                      struct prj_rec **projection)
{
    for (sql_col_rec *c = row; c; c = c->next) {
        const col_attr_rec *rule = c->attr;
        const pnt_rec *p = rule && (rule->flags & COL_ATTR_POINT) ? rule->point : nullptr;
        if (!p || !p->x_col || !p->y_col || (need_projection && !p->projection)) continue;
        sql_col_rec *px = sql_col_find(row, p->x_col->name, p->x_col->table, nullptr);
        sql_col_rec *py = sql_col_find(row, p->y_col->name, p->y_col->table, nullptr);
        if (!px || !py || px == py) continue;
        *x = px;
        *y = py;
        *projection = p->projection;
        return 0;
    }
    return -1;
}

/* Ends an accept; see diagram_road.h. */
void diagram_accept_end(ads_hdlg dlg, const char *error)
{
    if (!error) {
        ads_done_dialog(dlg, DLGOK);
        return;
    }
    if (*error) ads_set_tile(dlg, "error", error);
}
