/*
** qry_dialog.cpp: the query command pv_query and its dialog "pv_condition"
** (a table of tile keys and callbacks over one file-level state), from
** choosing a project to running the built query (see qry_dialog.h).
**
** The dialog edits one list of condition rows: the SQL rows first, then
** the post-filter rows, kept in that order and bracketed after every edit
** (qry_edit.h). Running splits the list into the query's two lists, puts
** the SQL values in quotes, completes the output list with its key columns
** and builds the join list.
*/
#include "output/query/qry_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/geo_util.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pnt.h"
#include "core/pv_globals.h"
#include "core/qry_join.h"
#include "core/str_util.h"
#include "core/tile_util.h"
#include "data/item_pick.h"
#include "data/sym_pick.h"
#include "output/query/qry_edit.h"
#include "output/query/qry_sql.h"

namespace {

constexpr int kDone = 5100;            /* host result: done */
constexpr int kCancel = -5001;         /* host result: cancelled */
constexpr const char *kDialog = "pv_condition";
constexpr const char *kLoadFailed = "Cannot load dialog box: %s.";
constexpr const char *kBuild = "Build search condition";
constexpr const char *kNameUsed = "ERROR: Query name already used. Choose another.";
constexpr const char *kDeleteAsk = "Delete this query after execution ?";
constexpr const char *kSaveAsk = "Save changes to selected row ?";
constexpr const char *kRowFormat = "%4s%2s %s%s%s %7s %s  %1s";
constexpr const char *kNewQuery = "       ";   /* the last entry of "queries" */
constexpr int kRowTextSize = 512;               /* room of one shown row */
constexpr int kPickSize = TILE_BUF_SIZE;        /* room of a picked value */

/* The dialog's state, live while the command runs. */
struct cond_state {
    pjct_rec *project = nullptr;        /* current project */
    qry_rec *query = nullptr;           /* current query, or null */
    qry_cond_rec *list = nullptr;       /* the edited rows; the query's SQL list when it is current */
    qry_cond_rec *selected = nullptr;   /* the selected row */
    qry_cond_rec *first = nullptr;      /* the first row shown */
    qry_out_rec *outputs = nullptr;     /* output list being edited */
    sql_col_rec *column = nullptr;      /* column last chosen */
    geo_point *points = nullptr;        /* points last picked, or a row's */
    int point_count = 0;                /* their number */
    char name[QRY_NAME_SIZE] = "";      /* the query-name buffer */
    int changed = 0;                    /* the query setup changed */
    qry_cond_rec scratch{};             /* the row carried across a drawing pick */
    std::string output_sel;             /* the "output" selection across a pick */
    qry_rec *run = nullptr;             /* the query to run when the dialog ends with 1 */
};
cond_state s;

/* ---- Lists and ownership ---- */

/* 1 when a row of the list holds the points. */
int list_holds(const qry_cond_rec *list, const geo_point *points)
{
    for (const qry_cond_rec *c = list; c; c = c->next)
        if (c->points == points) return 1;
    return 0;
}

/* 1 when a row holds the points: a row of the edited list, or of the
** current or the run query's lists, which take the rows back when the
** dialog ends. */
int points_held(const geo_point *points)
{
    if (!points) return 0;
    if (list_holds(s.list, points)) return 1;
    for (const qry_rec *q : {s.query, s.run})
        if (q && (list_holds(q->conds, points) || list_holds(q->filters, points))) return 1;
    return 0;
}

/* 1 when the edited list is the current query's. */
int list_is_query(void)
{
    return s.query && s.list && s.query->conds == s.list;
}

/* Keeps the current query's SQL list pointing at the edited list. */
void list_changed(qry_cond_rec *old_head)
{
    if (s.query && s.query->conds == old_head) s.query->conds = s.list;
}

/* Takes the empty rows (no column, table or value, a blank operator) out
** of the edited list and frees them, the current query's list following. */
void drop_empty_rows(void)
{
    qry_cond_rec *old = s.list;
    for (qry_cond_rec *c = s.list; c;) {
        qry_cond_rec *next = c->next;
        if (!c->column && !c->table && str_nonblank(c->value) != kDone && qry_cond_op(c) <= QRY_OP_BLANK) {
            if (c->prev) c->prev->next = c->next;
            else s.list = c->next;
            if (c->next) c->next->prev = c->prev;
            if (s.points == c->points) s.points = nullptr;
            if (s.selected == c) s.selected = nullptr;
            if (s.first == c) s.first = nullptr;
            qry_cond_free(c);
        }
        c = next;
    }
    if (s.query && s.query->conds == old) s.query->conds = s.list;
}

/* Gives the edited list back to the current query it belongs to: split
** into its SQL and post-filter lists, the SQL values quoted again as they
** run (they were unquoted for editing), so that a query left for another
** one or closed is kept as it runs. */
void give_back_query(void)
{
    if (!list_is_query()) return;
    qry_rec *q = s.query;
    drop_empty_rows();
    qry_cond_split(s.list, &q->conds, &q->filters);
    if (qry_quote_values(q->conds) < 0) err_report(ERR_NO_MEMORY, "");
    s.list = nullptr;
}

/* Releases the state: the picked points unless a row holds them, the
** edited lists unless they are the current query's (given back to it).
** The current query itself stays where it is (in its project's list, or
** in s.run). */
void release(void)
{
    give_back_query();
    if (s.points && !points_held(s.points)) std::free(s.points);
    s.points = nullptr;
    s.point_count = 0;
    if (!list_is_query()) qry_cond_list_free(&s.list);
    s.list = s.selected = s.first = nullptr;
    if (!(s.query && s.outputs == s.query->outputs)) qry_out_list_free(&s.outputs);
    s.outputs = nullptr;
    std::free(s.scratch.value);
    std::free(s.scratch.points);
    qry_cond_init(&s.scratch);
    s.query = nullptr;
    s.column = nullptr;
    s.name[0] = '\0';
    s.changed = 0;
    s.output_sel.clear();
}

/* Resets the whole state (at the start and end of the command). */
void reset(void)
{
    release();
    s.project = nullptr;
    s.run = nullptr;
}

/* Gives the row the picked points: kept when it holds them, copied when
** another row does, else moved into it. 0; -9101 without memory. */
int take_points(qry_cond_rec *row)
{
    if (row->points == s.points) {
        row->point_count = s.point_count;
        return 0;
    }
    geo_point *pts = s.points;
    if (pts && points_held(pts)) {
        pts = (geo_point *)std::malloc(sizeof(geo_point) * (size_t)s.point_count);
        if (!pts) return ERR_NO_MEMORY;
        std::memcpy(pts, s.points, sizeof(geo_point) * (size_t)s.point_count);
    }
    std::free(row->points);
    row->points = pts;
    row->point_count = pts ? s.point_count : 0;
    s.points = pts;
    return 0;
}

/* A new blank row; null without memory (reported). */
qry_cond_rec *blank_row(void)
{
    qry_cond_rec *c = qry_cond_new();
    if (!c) err_report(ERR_NO_MEMORY, "");
    return c;
}

/* ---- Showing ---- */

/* The index of a row counted from the head; -1 when absent. */
int row_index(const qry_cond_rec *row)
{
    int i = 0;
    for (const qry_cond_rec *c = s.list; c; c = c->next, i++)
        if (c == row) return i;
    return -1;
}

/* Shows the 14 rows from the first shown, the selection and the paging. */
void show_rows(ads_hdlg dlg)
{
    if (row_index(s.first) < 0) s.first = s.list;
    ads_start_list(dlg, "condition", LIST_NEW, 0);
    int n = 0, sel = -1;
    const qry_cond_rec *c = s.first;
    for (; c && n < QRY_DLG_PAGE_ROWS; c = c->next, n++) {
        char text[kRowTextSize];
        qry_cond_row_text(c, text, sizeof text);
        ads_add_list(text);
        if (c == s.selected) sel = n;
    }
    ads_end_list();
    if (sel >= 0) dlg_set_index(dlg, "condition", sel);
    ads_mode_tile(dlg, "prev", s.first && s.first != s.list ? MODE_ENABLE : MODE_DISABLE);
    ads_mode_tile(dlg, "next", c ? MODE_ENABLE : MODE_DISABLE);
}

/* The point setup a column is the X or Y column of; null when none. */
const pnt_rec *point_of(const sql_col_rec *column)
{
    const col_attr_rec *r = column ? column->attr : nullptr;
    if (!r || !(r->flags & COL_ATTR_POINT) || !r->point) return nullptr;
    return column == r->point->x_col || column == r->point->y_col ? r->point : nullptr;
}

/* Enables the value tiles for a column and an operator; the column's item
** tree is loaded here when it is first needed. */
void value_modes(ads_hdlg dlg, const sql_col_rec *column, int op)
{
    const col_attr_rec *r = column ? column->attr : nullptr;
    int tree = qry_column_tree(column) != nullptr;
    const pnt_rec *pt = point_of(column);
    ads_mode_tile(dlg, "list", tree ? MODE_ENABLE : MODE_DISABLE);
    ads_mode_tile(dlg, "tree", tree ? MODE_ENABLE : MODE_DISABLE);
    ads_mode_tile(dlg, "symbols", tree && (r->flags & COL_ATTR_PROFILE) ? MODE_ENABLE : MODE_DISABLE);
    ads_mode_tile(dlg, "line", pt && op == QRY_OP_NEAR ? MODE_ENABLE : MODE_DISABLE);
    ads_mode_tile(dlg, "area", pt && (op == QRY_OP_INSIDE || op == QRY_OP_OUTSIDE) ? MODE_ENABLE : MODE_DISABLE);
}

/* Copies a row's connector, column, operator and value into the tiles. */
void show_row_tiles(ads_hdlg dlg, const qry_cond_rec *row)
{
    dlg_set_index(dlg, "connector", qry_cond_connector(row));
    int at = -1;
    if (row->column) pjct_find_column(s.project, row->column->table, row->column->name, &at);
    if (at >= 0) dlg_set_index(dlg, "column", at);
    else ads_set_tile(dlg, "column", "");
    int op = qry_cond_op(row);
    dlg_set_index(dlg, "operator", op < 0 || op >= QRY_OPERATOR_OFFERED ? 0 : op);
    ads_set_tile(dlg, "value", row->value ? row->value : "");
    value_modes(dlg, row->column, op);
}

/* Fills "queries" with the project's query names and the new-query entry,
** the current query selected. */
void show_queries(ads_hdlg dlg)
{
    ads_start_list(dlg, "queries", LIST_NEW, 0);
    int n = 0, at = -1;
    for (qry_rec *q = s.project ? s.project->queries : nullptr; q; q = q->next, n++) {
        ads_add_list(q->name);
        if (q == s.query) at = n;
    }
    ads_add_list(kNewQuery);
    ads_end_list();
    if (at >= 0) dlg_set_index(dlg, "queries", at);
}

/* Fills "column" and "output" with every registered column of the project. */
void show_columns(ads_hdlg dlg)
{
    for (const char *key : {"column", "output"}) {
        ads_start_list(dlg, key, LIST_NEW, 0);
        for (int i = 0; s.project; i++) {
            sql_col_rec *c = pjct_nth_column(s.project, i);
            if (!c) break;
            std::string text = std::string(c->table) + "." + c->name;
            ads_add_list(text.c_str());
        }
        ads_end_list();
    }
}

/* The "output" selection as text. */
std::string output_selection(ads_hdlg dlg)
{
    char buf[TILE_BUF_SIZE] = "";
    ads_get_tile(dlg, "output", buf, TILE_BUF_SIZE);
    return buf;
}

/* Adds column indexes to the "output" selection when not selected yet. */
void select_outputs(ads_hdlg dlg, const std::vector<int> &indexes)
{
    int *sel = nullptr, n = 0;
    std::set<int> have;
    if (tile_get_int_list(dlg, "output", &sel, &n) == kDone)
        for (int i = 0; i < n; i++) have.insert(sel[i]);
    std::free(sel);
    std::string text = output_selection(dlg);
    for (int i : indexes) {
        if (i < 0 || have.count(i)) continue;
        text += " " + std::to_string(i);
        have.insert(i);
    }
    ads_set_tile(dlg, "output", text.c_str());
}

/* Adds a row's column to the "output" selection; for a point column also
** its partner X or Y column, the smaller index first. */
void select_row_column(ads_hdlg dlg, const qry_cond_rec *row)
{
    if (!row->column) return;
    int at = -1, partner = -1;
    pjct_find_column(s.project, row->column->table, row->column->name, &at);
    const pnt_rec *pt = point_of(row->column);
    if (pt) {
        const sql_col_rec *other = row->column == pt->x_col ? pt->y_col : pt->x_col;
        if (other) pjct_find_column(s.project, other->table, other->name, &partner);
    }
    if (partner >= 0 && partner < at) select_outputs(dlg, {partner, at});
    else select_outputs(dlg, {at, partner});
}

/* Reorders, re-brackets and shows the list after an edit. */
void relist(ads_hdlg dlg)
{
    qry_cond_rec *old = s.list;
    int first_page = s.first == old;
    qry_cond_reorder(&s.list);
    qry_cond_bracket(s.list);
    list_changed(old);
    /* A row moved in front of the head stays in sight on the first page. */
    if (first_page) s.first = s.list;
    show_rows(dlg);
}

/* Marks the query setup changed when the current query has a name. */
void mark_named_changed(void)
{
    if (s.query && s.query->name[0] && s.project) s.project->flags |= PJCT_CHG_QUERIES;
}

/* ---- Choosing a project or a saved query ---- */

/* Starts an empty list of one blank row in the current project. */
void start_list(ads_hdlg dlg)
{
    s.list = s.selected = s.first = blank_row();
    show_rows(dlg);
    show_row_tiles(dlg, s.list ? s.list : &s.scratch);
}

/* Makes the project at list index n current; see the dialog's opening. */
void choose_project(ads_hdlg dlg, int n)
{
    pjct_rec *p = pjct_nth(n);
    if (p == s.project && p) return;
    release();
    s.project = p;
    show_columns(dlg);
    show_queries(dlg);
    ads_set_tile(dlg, "qname", "");
    ads_set_tile(dlg, "output", "");
    ads_mode_tile(dlg, "accept", p ? MODE_ENABLE : MODE_DISABLE);
    if (p) start_list(dlg);
    else show_rows(dlg);
    ads_set_tile(dlg, "error", p ? kBuild : "");
}

/* Makes a saved query current for editing: its SQL values unquoted, its
** post-filter rows appended to its SQL rows, its output list the
** dialog's. */
void choose_query(ads_hdlg dlg, qry_rec *q)
{
    release();
    s.query = q;
    if (qry_unquote_values(q->conds) < 0) err_report(ERR_NO_MEMORY, "");
    q->conds = qry_cond_concat(q->conds, q->filters);
    q->filters = nullptr;
    if (!q->conds) q->conds = blank_row();
    s.list = s.selected = s.first = q->conds;
    s.outputs = q->outputs;
    std::snprintf(s.name, sizeof s.name, "%s", q->name);
    ads_set_tile(dlg, "qname", s.name);
    show_queries(dlg);
    show_rows(dlg);
    if (s.selected) show_row_tiles(dlg, s.selected);
    std::string sel;
    int at = -1;
    for (qry_out_rec *o = q->outputs; o; o = o->next) {
        if (!(o->flags & QRY_OUT_SHOWN) || !o->column) continue;
        pjct_find_column(s.project, o->column->table, o->column->name, &at);
        if (at >= 0) sel += " " + std::to_string(at);
    }
    ads_set_tile(dlg, "output", sel.c_str());
    ads_set_tile(dlg, "error", kBuild);
}

/* ---- Reading the tiles ---- */

/* Reads connector, column and its table, operator and value (trimmed)
** into a row, with the picked points. */
void read_row(ads_hdlg dlg, qry_cond_rec *row)
{
    int conn = tile_get_int(dlg, "connector");
    row->connector = qry_connector_table[conn > 0 && conn < QRY_CONNECTOR_COUNT ? conn : QRY_CONN_NONE];
    int op = tile_get_int(dlg, "operator");
    row->op = qry_operator_table[op > 0 && op < QRY_OPERATOR_OFFERED ? op : QRY_OP_BLANK];
    int col = tile_get_int(dlg, "column");
    row->column = col >= 0 ? pjct_nth_column(s.project, col) : nullptr;
    row->table = qry_column_table(s.project, row->column);
    char value[TILE_BUF_SIZE] = "";
    tile_get_str(dlg, "value", value);
    str_trim(value);
    qry_cond_set_value(row, value[0] ? value : nullptr);
    row->points = s.points;
    row->point_count = s.points ? s.point_count : 0;
}

/* 1 when the selected row differs from the tiles. */
int row_differs(const qry_cond_rec *row, const qry_cond_rec *tiles)
{
    return row->connector != tiles->connector || row->column != tiles->column || row->table != tiles->table ||
           qry_cond_op(row) != qry_cond_op(tiles) || row->points != tiles->points ||
           row->point_count != tiles->point_count ||
           !str_eq_nocase(row->value ? row->value : "", tiles->value ? tiles->value : "");
}

/* ---- Row edits ---- */

/* "modify": the tiles checked and stored in the selected row. 0 when
** stored; -1 when invalid (the error shown). */
int modify(ads_hdlg dlg)
{
    if (!s.selected) return -1;
    qry_cond_rec row;
    qry_cond_init(&row);
    read_row(dlg, &row);
    int rc = qry_check_condition(dlg, &row, qry_cond_prev_complete(s.selected));
    if (rc != 0) {
        std::free(row.value);
        return -1;
    }
    qry_cond_rec *sel = s.selected;
    sel->connector = row.connector;
    sel->op = row.op;
    sel->column = row.column;
    sel->table = row.table;
    std::free(sel->value);
    sel->value = row.value;
    if (take_points(sel) < 0) err_report(ERR_NO_MEMORY, "");
    relist(dlg);
    if (!(qry_op_is_spatial(qry_cond_op(sel)) && qry_cond_on_point(sel)) && sel->points) {
        if (s.points == sel->points) {
            s.points = nullptr;
            s.point_count = 0;
        }
        std::free(sel->points);
        sel->points = nullptr;
        sel->point_count = 0;
    }
    select_row_column(dlg, sel);
    qry_build_output_list(dlg, &s.outputs, 0);
    show_rows(dlg);
    mark_named_changed();
    ads_set_tile(dlg, "error", kBuild);
    return 0;
}

/* Inserts a blank row before (up) or after the selected one and selects
** it, after offering to save the tiles into the selected row. */
void insert_row(ads_hdlg dlg, int up)
{
    if (!s.selected) return;
    qry_cond_rec row;
    qry_cond_init(&row);
    read_row(dlg, &row);
    std::string msg;
    if (row_differs(s.selected, &row) && qry_condition_error(&row, qry_cond_prev_complete(s.selected), &msg) == 0 &&
        msg_yes_no(kSaveAsk) == kDone)
        modify(dlg);
    std::free(row.value);
    qry_cond_rec *c = blank_row();
    if (!c) return;
    qry_cond_rec *at = s.selected, *old = s.list;
    if (up) {
        c->next = at;
        c->prev = at->prev;
        if (at->prev) at->prev->next = c;
        else s.list = c;
        at->prev = c;
        if (s.first == at) s.first = c;
    } else {
        c->prev = at;
        c->next = at->next;
        if (at->next) at->next->prev = c;
        at->next = c;
        int shown = row_index(c) - row_index(s.first);
        if (shown >= QRY_DLG_PAGE_ROWS && s.first) s.first = s.first->next;
    }
    list_changed(old);
    s.selected = c;
    show_rows(dlg);
    show_row_tiles(dlg, c);
}

/* ---- Callbacks ---- */

/* "cancel": the edited list goes back to the current query, the state is
** released and the dialog ends with 0. */
void cancel_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    release();
    ads_done_dialog(cpkt->dialog, QRY_DLG_CANCEL);
}

/* "project": the chosen project becomes current (a new, empty list). */
void project_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    choose_project(cpkt->dialog, tile_get_int(cpkt->dialog, "project"));
}

/* "queries": a saved query becomes current for editing; the last,
** seven-blank entry starts a new query in the current project. */
void queries_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !s.project) return;
    qry_rec *q = qry_nth(s.project->queries, tile_get_int(cpkt->dialog, "queries"));
    if (q == s.query && q) return;
    if (q) {
        choose_query(cpkt->dialog, q);
        return;
    }
    release();
    ads_set_tile(cpkt->dialog, "qname", "");
    ads_set_tile(cpkt->dialog, "output", "");
    start_list(cpkt->dialog);
    ads_set_tile(cpkt->dialog, "error", kBuild);
}

/* "qname", when edited: the trimmed name goes into the name buffer. */
void qname_cb(ads_callback_packet *cpkt)
{
    if (cpkt->reason != CBR_LOST_FOCUS) return;
    char buf[TILE_BUF_SIZE] = "";
    ads_get_tile(cpkt->dialog, "qname", buf, TILE_BUF_SIZE);
    std::snprintf(s.name, sizeof s.name, "%s", str_trim(buf));
}

/* "output": the output list is rebuilt from the selection, without keys. */
void output_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !s.project) return;
    qry_build_output_list(cpkt->dialog, &s.outputs, 0);
    if (s.query && s.query->name[0]) s.changed = 1;
}

/* "column" and "operator": the value tiles follow the chosen column and
** operator. */
void column_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !s.project) return;
    int col = tile_get_int(cpkt->dialog, "column");
    s.column = col >= 0 ? pjct_nth_column(s.project, col) : nullptr;
    value_modes(cpkt->dialog, s.column, tile_get_int(cpkt->dialog, "operator"));
}

/* "connector" and "value": the row in the tiles is being edited; the
** "error" tile shows the prompt again. */
void edit_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_set_tile(cpkt->dialog, "error", kBuild);
}

/* "modify": the tiles are checked and stored in the selected row. */
void modify_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !s.project) return;
    modify(cpkt->dialog);
}

/* "up": a blank row above the selected one. */
void up_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt) && s.project) insert_row(cpkt->dialog, 1);
}

/* "down": a blank row below the selected one. */
void down_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt) && s.project) insert_row(cpkt->dialog, 0);
}

/* "delete": the selected row goes; its successor (else its predecessor)
** is selected, a blank row starts an emptied list. */
void delete_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !s.selected) return;
    qry_cond_rec *gone = s.selected, *old = s.list;
    qry_cond_rec *next = gone->next ? gone->next : gone->prev;
    if (gone->prev) gone->prev->next = gone->next;
    else s.list = gone->next;
    if (gone->next) gone->next->prev = gone->prev;
    if (s.first == gone) s.first = gone->next ? gone->next : gone->prev;
    if (s.points == gone->points) {
        s.points = nullptr;
        s.point_count = 0;
    }
    list_changed(old);
    qry_cond_free(gone);
    if (!s.list) {
        s.list = s.first = next = blank_row();
        list_changed(nullptr);
    }
    s.selected = next;
    relist(cpkt->dialog);
    if (s.selected) show_row_tiles(cpkt->dialog, s.selected);
    mark_named_changed();
    ads_set_tile(cpkt->dialog, "error", kBuild);
}

/* "next": the page 14 rows on, when a row stands there. */
void next_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    qry_cond_rec *c = s.first;
    for (int i = 0; c && i < QRY_DLG_PAGE_ROWS; i++) c = c->next;
    if (c) s.first = c;
    show_rows(cpkt->dialog);
    if (!c) ads_mode_tile(cpkt->dialog, "next", MODE_DISABLE);
}

/* "prev": the page 14 rows back, or the first page. */
void prev_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    qry_cond_rec *c = s.first;
    for (int i = 0; c && c->prev && i < QRY_DLG_PAGE_ROWS; i++) c = c->prev;
    s.first = c ? c : s.list;
    show_rows(cpkt->dialog);
    if (s.first == s.list) ads_mode_tile(cpkt->dialog, "prev", MODE_DISABLE);
}

/* "condition": the row at that place of the page is selected and shown
** in the tiles, its points taken as the picked ones. */
void condition_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    int n = tile_get_int(cpkt->dialog, "condition");
    qry_cond_rec *c = s.first;
    for (int i = 0; c && i < n; i++) c = c->next;
    if (n < 0 || !c) return;
    s.selected = c;
    if (s.points && !points_held(s.points)) std::free(s.points);
    s.points = c->points;
    s.point_count = c->point_count;
    s.column = c->column;
    show_row_tiles(cpkt->dialog, c);
}

/* The rule of the chosen column, or null. */
col_attr_rec *chosen_rule(ads_hdlg dlg)
{
    int col = tile_get_int(dlg, "column");
    sql_col_rec *c = col >= 0 ? pjct_nth_column(s.project, col) : nullptr;
    return c ? c->attr : nullptr;
}

/* Writes a picker's choice into "value" and focuses it; after a picker's
** failure (which the picker has shown) nothing changes. */
void picked(ads_hdlg dlg, int rc, char *value)
{
    if (rc < 0) return;
    ads_set_tile(dlg, "value", str_trim(value));
    ads_mode_tile(dlg, "value", MODE_SETFOCUS);
}

/* "list": the profile chooser on the column's tree (the rule names both
** a dictionary and a profile); a changed level is kept in the rule and
** marks the column setup changed. */
void list_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !s.project) return;
    col_attr_rec *r = chosen_rule(cpkt->dialog);
    if (!r || !r->tree || str_nonblank(r->dictionary) != kDone || str_nonblank(r->profile) != kDone) return;
    char value[kPickSize] = "";
    tile_get_str(cpkt->dialog, "value", value);
    int level = r->level;
    int rc = pv_select_profile_dialog(r->tree, value, sizeof value, (r->flags & COL_ATTR_MANY) != 0, r->delimiter,
                                      s.project, &level);
    if (rc >= 0 && level != r->level) {
        r->level = (uint16_t)level;
        s.project->flags |= PJCT_CHG_COLUMNS;
    }
    picked(cpkt->dialog, rc, value);
}

/* "tree": the tree picker on the column's tree. */
void tree_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !s.project) return;
    col_attr_rec *r = chosen_rule(cpkt->dialog);
    if (!r || !r->tree) return;
    char value[kPickSize] = "";
    tile_get_str(cpkt->dialog, "value", value);
    picked(cpkt->dialog, pv_sel_tree_dialog(r, value, sizeof value), value);
}

/* "symbols": the symbol picker on the column's tree. */
void symbols_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !s.project) return;
    col_attr_rec *r = chosen_rule(cpkt->dialog);
    if (!r || !r->tree) return;
    char value[kPickSize] = "";
    tile_get_str(cpkt->dialog, "value", value);
    picked(cpkt->dialog, pv_sel_sym_dialog(r, value, sizeof value), value);
}

/* "line" and "area": the tiles go into the scratch row, the dialog ends
** to let the user draw. */
void end_for_pick(ads_callback_packet *cpkt, int status)
{
    if (!cb_acts(cpkt) || !s.project) return;
    std::free(s.scratch.value);
    s.scratch.value = nullptr;
    std::free(s.scratch.points);
    read_row(cpkt->dialog, &s.scratch);
    /* The drawing works on its own copy of the points shown so far. */
    s.scratch.points = nullptr;
    if (s.points && s.point_count > 0) {
        s.scratch.points = (geo_point *)std::malloc(sizeof(geo_point) * (size_t)s.point_count);
        if (s.scratch.points) std::memcpy(s.scratch.points, s.points, sizeof(geo_point) * (size_t)s.point_count);
    }
    s.scratch.point_count = s.scratch.points ? s.point_count : 0;
    s.output_sel = output_selection(cpkt->dialog);
    char buf[TILE_BUF_SIZE] = "";
    ads_get_tile(cpkt->dialog, "qname", buf, TILE_BUF_SIZE);
    std::snprintf(s.name, sizeof s.name, "%s", str_trim(buf));
    ads_done_dialog(cpkt->dialog, status);
}

/* "line": ends the dialog so that a line is drawn (status 5). */
void line_cb(ads_callback_packet *cpkt)
{
    end_for_pick(cpkt, QRY_DLG_LINE);
}

/* "area": ends the dialog so that an area is drawn (status 6). */
void area_cb(ads_callback_packet *cpkt)
{
    end_for_pick(cpkt, QRY_DLG_AREA);
}

/* Steps 2 to 4 of running: empty rows removed, the others checked in
** order, the list ordered and bracketed, the rows' columns selected for
** output. 1 when there are rows, 0 when none is left, -1 when a row is
** invalid (shown). */
int run_rows(ads_hdlg dlg)
{
    drop_empty_rows();
    s.selected = s.first = s.list;
    for (qry_cond_rec *c = s.list; c; c = c->next)
        if (qry_check_condition(dlg, c, qry_cond_prev_complete(c)) != 0) {
            s.selected = c;
            show_rows(dlg);
            show_row_tiles(dlg, c);
            return -1;
        }
    if (!s.list) return 0;
    relist(dlg);
    for (qry_cond_rec *c = s.list; c; c = c->next) select_row_column(dlg, c);
    return 1;
}

/* "query": the query is checked, kept under its name or not, split into
** its SQL and post-filter rows, completed with its key columns and joins,
** and the dialog ends with 1 to run it. */
void query_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !s.project) return;
    ads_hdlg dlg = cpkt->dialog;
    char name[TILE_BUF_SIZE] = "";
    ads_get_tile(dlg, "qname", name, TILE_BUF_SIZE);
    str_trim(name);
    name[QRY_NAME_SIZE - 1] = '\0';
    qry_rec *other = name[0] ? qry_find(s.project->queries, name, nullptr) : nullptr;
    if (other && other != s.query) {
        ads_set_tile(dlg, "error", kNameUsed);
        ads_mode_tile(dlg, "qname", MODE_SETFOCUS);
        return;
    }
    int rows = run_rows(dlg);
    if (rows < 0) return;
    int *sel = nullptr, nsel = 0;
    tile_get_int_list(dlg, "output", &sel, &nsel);
    std::free(sel);
    if (rows == 0 && nsel == 0) {
        release();
        ads_done_dialog(dlg, QRY_DLG_RUN);
        return;
    }
    qry_rec *q = s.query;
    if (!q) {
        q = qry_new();
        if (!q) {
            err_report(ERR_NO_MEMORY, "");
            release();
            ads_done_dialog(dlg, QRY_DLG_RUN);
            return;
        }
    } else if (name[0]) {
        if (!str_eq_nocase(name, q->name)) s.changed = 1;
        qry_list_unlink(&s.project->queries, q);
    } else if (qry_list_contains(s.project->queries, q) && msg_yes_no(kDeleteAsk) == kDone) {
        qry_list_unlink(&s.project->queries, q);
        q->name[0] = '\0';
        s.changed = 1;
    }
    if (name[0]) {
        std::snprintf(q->name, sizeof q->name, "%s", name);
        qry_list_insert(&s.project->queries, q);
        s.project->flags |= PJCT_CHG_QUERIES;
    }
    q->project = s.project;
    qry_cond_split(s.list, &q->conds, &q->filters);
    s.list = nullptr;
    if (s.outputs != q->outputs) qry_out_list_free(&s.outputs);
    qry_out_list_free(&q->outputs);
    s.outputs = nullptr;
    if (qry_build_output_list(dlg, &q->outputs, 1) == ERR_NO_MEMORY) err_report(ERR_NO_MEMORY, "");
    if (qry_quote_values(q->conds) < 0) err_report(ERR_NO_MEMORY, "");
    for (qry_cond_rec *c = q->filters; c; c = c->next)
        if (c->points && c->point_count > 0) geo_box_of_points(c->points, c->point_count, &c->box);
    qry_build_join_list(q);
    if (s.changed) s.project->flags |= PJCT_CHG_QUERIES;
    s.query = q;
    s.run = q;
    s.query = nullptr;
    release();
    ads_done_dialog(dlg, QRY_DLG_RUN);
}

const dlg_tile k_tiles[] = {
    {"cancel", cancel_cb},   {"query", query_cb},         {"project", project_cb}, {"queries", queries_cb},
    {"qname", qname_cb},     {"output", output_cb},       {"column", column_cb},   {"operator", column_cb},
    {"connector", edit_cb},  {"value", edit_cb},          {"modify", modify_cb},   {"up", up_cb},
    {"down", down_cb},       {"delete", delete_cb},       {"next", next_cb},       {"prev", prev_cb},
    {"condition", condition_cb}, {"list", list_cb},       {"tree", tree_cb},       {"symbols", symbols_cb},
    {"line", line_cb},       {"area", area_cb},
};

/* Fills the fixed lists of a new dialog. */
void fill_fixed(ads_hdlg dlg)
{
    ads_start_list(dlg, "project", LIST_NEW, 0);
    int n = 0;
    for (pjct_rec *p = g_pjct_list; p; p = p->next, n++) ads_add_list(p->name);
    ads_add_list("");
    ads_end_list();
    dlg_set_index(dlg, "project", n);
    dlg_fill_list(dlg, "connector", qry_connector_table, QRY_CONNECTOR_COUNT);
    dlg_fill_list(dlg, "operator", qry_operator_table, QRY_OPERATOR_OFFERED);
    dlg_fill_list(dlg, "condition", nullptr, 0);
    ads_mode_tile(dlg, "accept", MODE_DISABLE);
}

/* Shows the state again after a drawing pick. */
void restore(ads_hdlg dlg)
{
    int at = -1;
    for (int i = 0; pjct_nth(i); i++)
        if (pjct_nth(i) == s.project) at = i;
    if (at < 0) return;
    dlg_set_index(dlg, "project", at);
    show_columns(dlg);
    show_queries(dlg);
    ads_mode_tile(dlg, "accept", MODE_ENABLE);
    ads_set_tile(dlg, "qname", s.name);
    ads_set_tile(dlg, "output", s.output_sel.c_str());
    show_rows(dlg);
    show_row_tiles(dlg, &s.scratch);
    ads_set_tile(dlg, "error", kBuild);
}

}  // namespace

/* A condition row as shown; see the header. */
void qry_cond_row_text(const qry_cond_rec *c, char *out, int size)
{
    const char *blank = qry_bracket_table[QRY_BRACKET_NONE];
    std::snprintf(out, (size_t)size, kRowFormat, c->connector ? c->connector : blank,
                  c->open_bracket ? c->open_bracket : blank, c->table ? c->table->name : "", c->table ? "." : "",
                  c->column ? c->column->name : "", c->op ? c->op : blank, c->value ? c->value : "",
                  c->close_bracket ? c->close_bracket : blank);
}

/* Rebuilds an output list from the "output" selection; see the header. */
int qry_build_output_list(ads_hdlg dialog, qry_out_rec **head, int with_keys)
{
    if (!head || !s.project) return -2;
    int *sel = nullptr, n = 0;
    if (tile_get_int_list(dialog, "output", &sel, &n) != kDone) return -1;
    if (!(s.query && *head == s.query->outputs)) qry_out_list_free(head);
    *head = nullptr;
    qry_out_rec *list = nullptr;
    int rc = qry_output_list_build(s.project, sel, n, with_keys, &list);
    std::free(sel);
    if (rc == 0) *head = list;
    return rc == -2 ? -1 : rc;
}

/* Shows the dialog; see the header. */
int pv_condition_dialog(int first)
{
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(kDialog, g_dcl_id, nullptr, &dlg) != kDone || !dlg) {
        msg_alert(ERR_TITLE, kLoadFailed, kDialog);
        return kCancel;
    }
    fill_fixed(dlg);
    dlg_register(dlg, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0]), nullptr);
    if (first && g_pjct_list) {
        dlg_set_index(dlg, "project", 0);
        choose_project(dlg, 0);
    } else if (!first) {
        restore(dlg);
    }
    int status = QRY_DLG_CANCEL;
    ads_start_dialog(dlg, &status);
    return status;
}

/* The command; see the header. */
int pv_query(struct resbuf *)
{
    reset();
    int status = pv_condition_dialog(1);
    while (status == QRY_DLG_LINE || status == QRY_DLG_AREA) {
        int n = qry_pick_geometry(status == QRY_DLG_AREA, &s.scratch);
        if (n > 0 && s.scratch.points) {
            if (s.points && !points_held(s.points)) std::free(s.points);
            s.points = s.scratch.points;
            s.point_count = s.scratch.point_count;
        } else {
            std::free(s.scratch.points);
        }
        s.scratch.points = nullptr;
        s.scratch.point_count = 0;
        status = pv_condition_dialog(0);
    }
    qry_rec *q = s.run;
    if (status == QRY_DLG_RUN && q) qry_execute(q);
    if (q && (!q->project || !qry_list_contains(q->project->queries, q))) qry_free(q);
    reset();
    return kDone;
}
