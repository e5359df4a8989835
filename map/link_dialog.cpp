/*
** link_dialog.cpp: linking an entity to a row by hand (the pv_link command
** and its dialog "pv_link") and attaching picked objects to a row.
**
** The dialog edits a working link that starts as the picked entity's
** link: project, table, key column, row id ("link_bas"), key value
** ("link_prm") and extra ("link_grp"). Two lists show the rows found for
** the row id and for the key value:
**     Query: BASENUMBER = 3
**     BASENUMBER  STN         NAME
**     3           3           Bonaparte
*/
#include <algorithm>
#include <cstdio>
#include <cstdlib>
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
#include "core/tbl.h"
#include "core/tile_util.h"
#include "draw/draw_util.h"
#include "draw/link_ase.h"
#include "draw/link_rows.h"
#include "map/link_cmd.h"

namespace {

/* The dialog and the status of its "link_mod" ending. */
const char k_dialog[] = "pv_link";
constexpr int LINK_DLG_ACCEPT = 1;
constexpr int LINK_DLG_CANCEL = 0;

/* Tile keys. */
const char k_prj[] = "link_prj";
const char k_tbl[] = "link_tbl";
const char k_col[] = "link_col";
const char k_bas[] = "link_bas";
const char k_prm[] = "link_prm";
const char k_grp[] = "link_grp";
const char k_bas_lst[] = "link_bas_lst";
const char k_prm_lst[] = "link_prm_lst";
const char k_error[] = "error";

/* Tiles of the row: disabled and emptied while no table is chosen. */
const char *const k_row_texts[] = {"link_col_tit", "link_basname", k_bas, "link_prmname", k_prm,
                                   "link_grpname", k_grp, "link_bas_tit", "link_prm_tit"};
const char *const k_row_lists[] = {k_col, k_bas_lst, k_prm_lst};
/* Tiles of the parameter column and of the GROUPING column. */
const char *const k_prm_tiles[] = {"link_prmname", k_prm, k_prm_lst, "link_prm_tit"};
const char *const k_grp_tiles[] = {k_grp, "link_grpname"};
/* Tiles that show the list title line. */
const char *const k_title_tiles[] = {"link_col_tit", "link_bas_tit", "link_prm_tit"};

/* Texts of the dialog and of the attach loop. */
const char k_none_found[] = "Query: None found";
const char k_attached_new[] = "SUCCESS: Object attached... continue linking ?";
const char k_attached_again[] = "SUCCESS: Object attached... link more objects ?";
const char k_attached_other[] = "ERROR: Object attached to %s.%s. Cannot link... continue ?";
const char k_attach_prompt[] = "\nSelect object to attach:";

/* Room of a number shown in a tile. */
constexpr int LINK_NUMBER_SIZE = 24;
/* Room of a question of the attach loop. */
constexpr int LINK_QUESTION_SIZE = 128;

/* What the dialog's callbacks share. */
struct link_dlg_state {
    const struct resbuf *list;   /* the picked entity's list; not owned */
    link_rec work;               /* the working link the dialog edits */
};

/* Number of items of an array. */
template <typename T, size_t N>
constexpr int count_of(T (&)[N])
{
    return (int)N;
}

/* The link's project and its position in the logged-on list; null and -1
** when it is not logged on. */
pjct_rec *chosen_project(const link_rec *l, int *index)
{
    *index = -1;
    for (int i = 0; pjct_rec *p = pjct_nth(i); ++i)
        if (str_nonblank(l->project) == RTNORM && str_eq_nocase(p->name, l->project)) {
            *index = i;
            return p;
        }
    return nullptr;
}

/* Sets a tile to an index, or empties it for a negative one. */
void set_index_or_empty(ads_hdlg dlg, const char *key, int index)
{
    if (index >= 0) dlg_set_index(dlg, key, index);
    else ads_set_tile(dlg, key, "");
}

/* Enables or disables a group of tiles. */
void mode_tiles(ads_hdlg dlg, const char *const *keys, int n, short mode)
{
    for (int i = 0; i < n; ++i) ads_mode_tile(dlg, keys[i], mode);
}

/* The columns of the list layout in order: BASENUMBER, the parameter
** column, GROUPING, the chosen column, then the table's other columns. */
std::vector<sql_col_rec *> layout_columns(const tbl_rec *t, const link_rec *l)
{
    std::vector<sql_col_rec *> order;
    auto add = [&order](sql_col_rec *c) {
        if (!c) return;
        for (sql_col_rec *o : order)
            if (str_eq_nocase(o->name, c->name)) return;
        order.push_back(c);
    };
    add(sql_col_find(t->columns, link_id_column_name(t), nullptr, nullptr));
    add(tbl_key_column(t, t->columns));
    add(t->keys[TBL_KEY_GROUPING]);
    add(sql_col_find(t->columns, l->key_column, nullptr, nullptr));
    for (sql_col_rec *c = t->columns; c; c = c->next) add(c);
    return order;
}

/* Appends a text cut or padded to a width. */
void append_field(std::string &line, const char *text, int width)
{
    std::string v = text ? text : "";
    str_trim(v.data());
    v.resize(std::strlen(v.c_str()));
    if ((int)v.size() > width) v.resize((size_t)width);
    line += v;
    line.append((size_t)(width - (int)v.size()), ' ');
}

/* A line of the layout: the column names (row null) or the row's values,
** as many columns as fit in the list width. False when the row lacks a
** column of the layout. */
bool layout_line(const std::vector<sql_col_rec *> &cols, sql_col_rec *row, std::string &line)
{
    line.clear();
    for (sql_col_rec *c : cols) {
        /* A column is as wide as its values or its name, whichever is wider. */
        int width = std::max(c->display_width, (int)std::strlen(c->name));
        int sep = line.empty() ? 0 : 1;
        if ((int)line.size() + sep + width > LINK_LIST_WIDTH) break;
        line.append((size_t)sep, ' ');
        const char *text = c->name;
        if (row) {
            sql_col_rec *v = sql_col_find(row, c->name, nullptr, nullptr);
            if (!v) return false;
            text = v->text;
        }
        append_field(line, text, width);
    }
    return true;
}

/* Fills a row list: its first line, then the matching row and the
** following rows that match too, else "Query: None found"; a table that
** cannot be read is not taken for one without the rows: the list says so
** and the failure's code is answered (else 0). */
int fill_rows(ads_hdlg dlg, const char *key, std::string first, const tbl_rec *t, link_dlg_state *st, bool by_id)
{
    if ((int)first.size() > LINK_LIST_WIDTH) first.resize(LINK_LIST_WIDTH);
    std::vector<std::string> lines = {first};
    void *cursor = nullptr, *stmt = nullptr;
    sql_col_rec *row = nullptr;
    long count = 0;
    int rc = by_id ? clean_fetch_by_row_id(st->list, &st->work, &cursor, &stmt, &row, &count)
                   : clean_fetch_by_key(st->list, &st->work, &cursor, &stmt, &row, &count);
    std::vector<sql_col_rec *> cols = layout_columns(t, &st->work);
    int mode = by_id ? CLEAN_BY_ROW_ID : CLEAN_BY_KEY;
    bool complete = rc == 0;
    int failed = link_read_failed(rc) ? rc : 0;
    while (complete) {
        std::string line;
        if (!layout_line(cols, row, line)) complete = false;
        else lines.push_back(line);
        bool more = false;
        int next = 0;
        while (complete && !more && (next = link_fetch_next(cursor, row)) > 0)
            more = clean_row_matches(st->list, &st->work, row, mode, count) == 0;
        if (next < 0) failed = next;
        if (!more) break;
    }
    sql_close_query(&stmt, &cursor, &row);
    if (!complete || failed) lines.resize(1);
    if (failed) lines.push_back(std::string("Query: table ") + t->name + " cannot be read");
    if (lines.size() == 1) lines.push_back(k_none_found);
    std::vector<const char *> texts;
    for (const std::string &l : lines) texts.push_back(l.c_str());
    dlg_fill_list(dlg, key, texts.data(), (int)texts.size());
    return failed;
}

/* Search: the rows by row id and by key value into the two lists. */
void search(ads_hdlg dlg, link_dlg_state *st)
{
    pjct_rec *p = pjct_find(st->work.project, nullptr);
    tbl_rec *t = p ? tbl_find_by_name(p->tables, st->work.table, nullptr) : nullptr;
    if (!t) return;
    ads_set_tile(dlg, k_error, "Searching...");
    std::string title;
    layout_line(layout_columns(t, &st->work), nullptr, title);
    for (const char *key : k_title_tiles) ads_set_tile(dlg, key, title.c_str());
    char first[LINK_LIST_WIDTH + LINK_VALUE_SIZE + SQL_COL_NAME_SIZE];
    std::snprintf(first, sizeof first, "Query: %s = %ld", link_id_column_name(t), (long)st->work.row_id);
    int failed = fill_rows(dlg, k_bas_lst, first, t, st, true);
    /* Why, taken before the next query: its failure would be the last. */
    std::string why = failed ? sql_failure_text(failed) : "";
    sql_col_rec *own = tbl_key_column(t, t->columns);
    std::snprintf(first, sizeof first, "Query: %s = %s", own ? own->name : "", st->work.key_value);
    int by_key = fill_rows(dlg, k_prm_lst, first, t, st, false);
    if (!failed && by_key) failed = by_key, why = sql_failure_text(by_key);
    /* What failed is said once, in the dialog's error line. */
    std::string said;
    if (failed)
        said = std::string("ERROR:  Table ") + t->name + " of project " + st->work.project + " cannot be read: " + why;
    /* The error line is one line: a server's words on several are joined. */
    for (char &c : said)
        if (c == '\n' || c == '\t' || c == '\r') c = ' ';
    ads_set_tile(dlg, k_error, said.c_str());
}

/* Fills the dialog from the working link: the table and column lists,
** which tiles can be used, the tiles' values, then a search. */
void fill(ads_hdlg dlg, link_dlg_state *st)
{
    link_rec *l = &st->work;
    int pi = -1, ti = -1, ci = -1;
    pjct_rec *p = chosen_project(l, &pi);
    tbl_rec *t = p ? tbl_find_by_name(p->tables, l->table, &ti) : nullptr;
    if (!t) ti = -1;
    if (t && !tbl_column_find(t->columns, l->key_column, nullptr, &ci)) ci = -1;

    std::vector<std::string> names;
    for (tbl_rec *r = p ? p->tables : nullptr; r; r = r->next) names.push_back(r->name);
    std::vector<const char *> texts;
    for (const std::string &n : names) texts.push_back(n.c_str());
    dlg_fill_list(dlg, k_tbl, texts.data(), (int)texts.size());
    names.clear();
    texts.clear();
    for (sql_col_rec *c = t ? t->columns : nullptr; c; c = c->next) names.push_back(std::string(t->name) + "." + c->name);
    for (const std::string &n : names) texts.push_back(n.c_str());
    dlg_fill_list(dlg, k_col, texts.data(), (int)texts.size());

    ads_mode_tile(dlg, k_tbl, p ? MODE_ENABLE : MODE_DISABLE);
    set_index_or_empty(dlg, k_prj, pi);
    set_index_or_empty(dlg, k_tbl, ti);
    if (!t) {
        mode_tiles(dlg, k_row_texts, count_of(k_row_texts), MODE_DISABLE);
        mode_tiles(dlg, k_row_lists, count_of(k_row_lists), MODE_DISABLE);
        for (const char *key : k_row_texts) ads_set_tile(dlg, key, "");
        for (const char *key : k_row_lists) dlg_fill_list(dlg, key, nullptr, 0);
        return;
    }
    sql_col_rec *own = tbl_key_column(t, t->columns);
    sql_col_rec *grouping = t->keys[TBL_KEY_GROUPING];
    mode_tiles(dlg, k_row_texts, count_of(k_row_texts), MODE_ENABLE);
    mode_tiles(dlg, k_row_lists, count_of(k_row_lists), MODE_ENABLE);
    if (!own) mode_tiles(dlg, k_prm_tiles, count_of(k_prm_tiles), MODE_DISABLE);
    if (!grouping) mode_tiles(dlg, k_grp_tiles, count_of(k_grp_tiles), MODE_DISABLE);
    set_index_or_empty(dlg, k_col, ci);
    char number[LINK_NUMBER_SIZE];
    std::snprintf(number, sizeof number, "%ld", (long)l->row_id);
    ads_set_tile(dlg, "link_basname", link_id_column_name(t));
    ads_set_tile(dlg, k_bas, number);
    ads_set_tile(dlg, "link_prmname", own ? own->name : "");
    ads_set_tile(dlg, k_prm, l->key_value);
    ads_set_tile(dlg, "link_grpname", grouping ? grouping->name : "");
    ads_set_tile(dlg, k_grp, l->extra);
    search(dlg, st);
}

/* Reads a text tile into a field of `size` bytes, trimmed. */
void read_text(ads_hdlg dlg, const char *key, char *field, int size)
{
    field[0] = '\0';
    if (ads_get_tile(dlg, key, field, size) != RTNORM) field[0] = '\0';
    str_trim(field);
}

/* Reads the tiles into the working link, which is cleared first. */
void read_tiles(ads_hdlg dlg, link_dlg_state *st)
{
    link_rec *l = &st->work;
    link_clear(l);
    int pi = tile_get_int(dlg, k_prj);
    pjct_rec *p = pi >= 0 ? pjct_nth(pi) : nullptr;
    if (!p) return;
    std::snprintf(l->project, sizeof l->project, "%s", p->name);
    int ti = tile_get_int(dlg, k_tbl);
    tbl_rec *t = ti >= 0 ? tbl_nth(p->tables, ti) : nullptr;
    if (t) std::snprintf(l->table, sizeof l->table, "%s", t->name);
    char number[TILE_BUF_SIZE];
    read_text(dlg, k_bas, number, sizeof number);
    l->row_id = (int32_t)atol(number);
    int ci = tile_get_int(dlg, k_col);
    sql_col_rec *c = t && ci >= 0 ? sql_col_nth(t->columns, ci) : nullptr;
    if (c) std::snprintf(l->key_column, sizeof l->key_column, "%s", c->name);
    read_text(dlg, k_prm, l->key_value, sizeof l->key_value);
    read_text(dlg, k_grp, l->extra, sizeof l->extra);
}

/* "link_prj": another project; its table and column are chosen anew. */
void cb_project(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    link_dlg_state *st = (link_dlg_state *)cpkt->client_data;
    std::string before = st->work.project;
    read_tiles(cpkt->dialog, st);
    if (!str_eq_nocase(before.c_str(), st->work.project)) st->work.table[0] = st->work.key_column[0] = '\0';
    fill(cpkt->dialog, st);
}

/* "link_tbl": another table; its column is chosen anew. */
void cb_table(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    link_dlg_state *st = (link_dlg_state *)cpkt->client_data;
    std::string before = st->work.table;
    read_tiles(cpkt->dialog, st);
    if (!str_eq_nocase(before.c_str(), st->work.table)) st->work.key_column[0] = '\0';
    fill(cpkt->dialog, st);
}

/* "link_qry": search again with what the tiles hold. */
void cb_query(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    link_dlg_state *st = (link_dlg_state *)cpkt->client_data;
    read_tiles(cpkt->dialog, st);
    search(cpkt->dialog, st);
}

/* "link_mod": the checks in order; the first failing one is shown in
** "error" and the dialog stays open. */
void cb_accept(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    link_dlg_state *st = (link_dlg_state *)cpkt->client_data;
    ads_hdlg dlg = cpkt->dialog;
    read_tiles(dlg, st);
    const link_rec *l = &st->work;
    pjct_rec *p = pjct_find(l->project, nullptr);
    tbl_rec *t = p ? tbl_find_by_name(p->tables, l->table, nullptr) : nullptr;
    char message[LINK_QUESTION_SIZE];
    long last = p && t ? tbl_last_row_number(t, p->connection) : 0;
    if (!p) {
        ads_set_tile(dlg, k_error, "ERROR:  No project selected");
    } else if (!t) {
        ads_set_tile(dlg, k_error, "ERROR:  No table selected");
    } else if (str_nonblank(l->key_column) != RTNORM) {
        ads_set_tile(dlg, k_error, "ERROR:  No column selected");
    } else if (last < 0) {
        /* No number is taken for one past the end of rows that cannot be read. */
        std::string said = std::string("ERROR:  Table ") + t->name + " of project " + p->name + " cannot be read";
        ads_set_tile(dlg, k_error, said.c_str());
    } else if (l->row_id < 0 || l->row_id > last) {
        std::snprintf(message, sizeof message, "ERROR:  Invalid %s", link_id_column_name(t));
        ads_set_tile(dlg, k_error, message);
    } else if (tbl_key_column(t, t->columns) && str_nonblank(l->key_value) != RTNORM) {
        std::snprintf(message, sizeof message, "ERROR:  Invalid %s", tbl_key_column(t, t->columns)->name);
        ads_set_tile(dlg, k_error, message);
    } else {
        ads_done_dialog(dlg, LINK_DLG_ACCEPT);
    }
}

/* "cancel": the dialog closes, nothing is linked. */
void cb_cancel(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, LINK_DLG_CANCEL);
}

/* The dialog's tiles and callbacks. */
const dlg_tile k_tiles[] = {{k_prj, cb_project}, {k_tbl, cb_table},   {"link_qry", cb_query},
                            {"link_mod", cb_accept}, {"cancel", cb_cancel}};

/* Runs the dialog on the state; its ending status, or -9501 when it cannot
** be loaded (reported). */
int run_dialog(link_dlg_state *st)
{
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(k_dialog, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, k_dialog);
        return ERR_LOAD_DIALOG;
    }
    std::vector<const char *> names;
    for (int i = 0; pjct_rec *p = pjct_nth(i); ++i) names.push_back(p->name);
    dlg_fill_list(dlg, k_prj, names.data(), (int)names.size());
    dlg_register(dlg, k_tiles, count_of(k_tiles), st);
    fill(dlg, st);
    int status = LINK_DLG_CANCEL;
    ads_start_dialog(dlg, &status);
    return status;
}

}  // namespace

int link_entity_write(struct resbuf *list, link_rec *link)
{
    struct resbuf *self = list ? rb_find(list, -1) : nullptr;
    if (!self || ename_isnull(self->resval.rlname) || !link) return -1;
    ads_name e;
    ename_copy(e, self->resval.rlname);
    if (link_xdata_put(link, list) != 0 || link_ase_create(link, e) != RTNORM || ads_entmod(list) != RTNORM)
        return -1;
    return 0;
}

/* What makes a picked entity's link unusable, from the code its reading
** gave and what it read: "row id -5", "project GEO2 is not logged on". */
static std::string link_fault(int rc, const link_rec *l)
{
    std::string project = l->project, table = l->table, column = l->key_column;
    switch (rc) {
    case LINK_ERR_PROJECT: return project.empty() ? "no project" : "project " + project + " is not logged on";
    case LINK_ERR_TABLE:
        return table.empty() ? "no table" : "table " + table + " is not registered in project " + project;
    case LINK_ERR_ROW: return "no row id";
    case LINK_ERR_COLUMN: return column.empty() ? "no column" : "table " + table + " has no column " + column;
    case LINK_ERR_KEY_VALUE: return "no key value";
    default: return l->row_id < 0 ? "row id " + std::to_string(l->row_id) : std::string(err_text(rc));
    }
}

int pv_link(struct resbuf *)
{
    link_dlg_state st;
    struct resbuf *list = nullptr;
    link_rec current;
    link_clear(&current);
    int rc = link_pick(nullptr, &list, &current);
    if (rc == LINK_ERR_NOTHING_PICKED || !list) {
        err_report(rc, nullptr);
        if (list) ads_relrb(list);
        return RTNORM;
    }
    /* An incomplete link is no link: the dialog opens with what of it could
    ** be read, for the user to mend. */
    if (rc == LINK_ERR_NOT_LINKED) link_clear(&current);
    else if (rc != 0)
        ads_printf("\nThe entity's link is incomplete (%s); it is shown as far as it can be read.\n",
                   link_fault(rc, &current).c_str());
    st.list = list;
    link_copy(&st.work, &current);
    if (run_dialog(&st) == LINK_DLG_ACCEPT && link_entity_write(list, &st.work) == 0)
        ads_printf("... Entity linked\n");
    ads_relrb(list);
    return RTNORM;
}

int link_attach_loop(sql_col_rec *row)
{
    link_rec link;
    sql_col_rec *id = link_row_id_column(row);
    if (!id || link_from_row(&link, row, id) != 0) return -1;
    int answer = RTNORM;
    while (answer == RTNORM) {
        struct resbuf *list = nullptr;
        link_rec picked;
        link_clear(&picked);
        int rc = link_pick(k_attach_prompt, &list, &picked);
        if (rc == LINK_ERR_NOTHING_PICKED || !list) break;
        pjct_rec *p = rc == 0 ? pjct_find(picked.project, nullptr) : nullptr;
        tbl_rec *t = p ? tbl_find_by_name(p->tables, picked.table, nullptr) : nullptr;
        if (rc == 0 && t && !str_eq_nocase(picked.key_column, link_id_column_name(t))) {
            char question[LINK_QUESTION_SIZE];
            std::snprintf(question, sizeof question, k_attached_other, picked.table, picked.key_column);
            answer = msg_yes_no(question);
        } else {
            link_rec next;
            link_copy(&next, &link);
            if (link_entity_write(list, &next) != 0) msg_alert(ERR_TITLE, "Cannot link object");
            else answer = msg_yes_no(rc == 0 ? k_attached_again : k_attached_new);
        }
        ads_relrb(list);
    }
    return 0;
}
