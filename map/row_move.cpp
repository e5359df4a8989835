/*
** row_move.cpp: the pv_move command, which drags the symbols of a row, a
** group, a table or a station to a new place and writes their new
** positions back into the rows' coordinate columns.
**
** The picked symbol's insertion point is the base of the drag; the
** translation is the picked point minus that base. The moved entities are
** grouped by row; each row whose table has a point column is fetched, its
** placements matched with the moved entities and its points read back.
** Only when every row converted are the rows updated; a row that still
** cannot be updated gives the rows already updated their former texts
** back, and on any message the whole set goes back to where it was, so
** that table and map never disagree.
*/
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "draw/draw_util.h"
#include "draw/map_params.h"
#include "map/row_cmd.h"
#include "map/row_place.h"
#include "map/sym_draw.h"

namespace {

/* The prompts and the dialog. */
const char k_move_prompt[] = "\nSelect object to move: ";
const char k_drag_prompt[] = "\nPick new location:";
const char k_ssget_dialog[] = "pv_ssget";
/* Code of a dialog that cannot be loaded. */
constexpr int MOVE_ERR_DIALOG = -5001;
/* Group code of an entity's insertion point. */
constexpr int MOVE_GROUP_INSERT = 10;
/* Group code of an entity's name in its list. */
constexpr int MOVE_GROUP_NAME = -1;
/* Size of the homogeneous transform and the column of its translation. */
constexpr int MOVE_DIM = 4;
constexpr int MOVE_TRANSLATION = 3;

/* The base point of the current drag. */
ads_point g_move_base = {0.0, 0.0, 0.0};

/* The scope toggles in the order they are tested, with their scopes. */
struct scope_tile {
    const char *key; /* toggle key */
    int scope;       /* the scope it stands for */
};
const scope_tile k_scopes[] = {
    {"ss_station", MOVE_SCOPE_STATION},
    {"ss_table", MOVE_SCOPE_TABLE},
    {"ss_row", MOVE_SCOPE_ROW},
    {"ss_group", MOVE_SCOPE_GROUP},
};

/* One row of the move: its first entity, its entities and the texts of
** its columns before and after the read back. */
struct move_row {
    std::vector<std::array<long, 2>> names; /* the row's moved entities */
    link_rec link;                          /* the first entity's link */
    std::vector<std::string> before;        /* column texts as fetched */
    std::vector<std::string> after;         /* column texts read back */
    bool updated = false;                   /* the row holds `after` */
};

/* The texts of a row's columns. */
std::vector<std::string> row_texts(const sql_col_rec *row)
{
    std::vector<std::string> out;
    for (const sql_col_rec *c = row; c; c = c->next) out.emplace_back(c->text ? c->text : "");
    return out;
}

/* Fetches the row again, gives its columns the texts and updates it.
** 0 when the table took it; else the failure's code (RTERROR for a text
** the column refuses). */
int move_write_row(const move_row &r, const std::vector<std::string> &texts)
{
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int rc = link_row_fetch(&r.link, &cursor, &stmt, &row);
    if (rc != 0) return rc;
    size_t i = 0;
    for (sql_col_rec *c = row; c && i < texts.size(); c = c->next, ++i) {
        if (sql_text_to_value(c, texts[i].c_str()) != RTNORM || sql_value_to_text(c, nullptr) != RTNORM) rc = RTERROR;
    }
    if (rc == 0) {
        int up = sql_update_row(row, 0);
        if (up != RTNORM) rc = up;
    }
    sql_close_query(&stmt, &cursor, &row);
    return rc;
}

/* Reads the row's new points from its moved entities. True when the row
** converted without a message (a row without a point column converts). */
bool move_read_back(move_row &r, char *messages)
{
    if (link_has_point_column(&r.link) != 0) return true;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int fetched = link_row_fetch(&r.link, &cursor, &stmt, &row);
    if (fetched != 0) {
        std::string line = "\nCould not find a moved row";
        if (sql_driver_lost(fetched)) line = line + ": " + sql_last_failure()->text;
        row_msg_append(messages, line.c_str());
        return false;
    }
    r.before = row_texts(row);
    sym_place_rec *sym = nullptr, *txt = nullptr;
    int ns = 0, nt = 0;
    int rc = row_alloc_placements(row, &sym, &ns, &txt, &nt);
    if (rc == 0 && ns > 0) rc = row_build_placements(row, sym, &ns, txt, &nt, ROW_PLACE_ALL);
    if (rc == 0) {
        ads_name group = {0, 0};
        for (const auto &k : r.names) {
            ads_name e = {k[0], k[1]};
            ads_ssadd(e, ename_isnull(group) ? nullptr : group, group);
        }
        if (!ename_isnull(group)) {
            link_ss_to_placements(group, sym, ns, txt, nt, 0);
            ss_free(group);
        }
        place_points_from_symbols(sym, ns, messages, row);
        place_points_from_symbols(txt, nt, messages, row);
        place_points_from_map(sym, ns, messages, row);
        place_points_from_map(txt, nt, messages, row);
        r.after = row_texts(row);
    }
    free(sym);
    free(txt);
    sql_close_query(&stmt, &cursor, &row);
    return rc == 0 && !messages[0];
}

/* Writes every row that has a point column, giving the rows already
** written their former texts back when one fails. True when all went. */
bool move_update_rows(std::vector<move_row> &rows, char *messages)
{
    for (move_row &r : rows) {
        if (r.after.empty()) continue;
        int rc = move_write_row(r, r.after);
        if (rc == 0) {
            r.updated = true;
            continue;
        }
        std::string line = std::string("Could not update table ") + r.link.table;
        if (sql_driver_lost(rc)) line = line + ": " + sql_last_failure()->text;
        row_msg_append(messages, line.c_str());
        for (move_row &done : rows)
            if (done.updated) done.updated = move_write_row(done, done.before) != 0;
        return false;
    }
    return true;
}

/* The moved set grouped by row. */
std::vector<move_row> move_rows(ads_name ss, const int *groups, long count)
{
    std::vector<move_row> rows;
    for (long i = 0; i < count; ++i) {
        const int index = groups[i] < 0 ? -groups[i] : groups[i];
        if (i == 0 || groups[i] < 0) rows.emplace_back();
        ads_name e;
        if (ads_ssname(ss, index, e) != RTNORM) continue;
        move_row &r = rows.back();
        if (r.names.empty()) link_xdata_get(&r.link, e);
        r.names.push_back({e[0], e[1]});
    }
    return rows;
}

/* Moves the set by the translation, or back by its negation. */
void move_set(ads_name ss, const ads_point to, int sign)
{
    ads_point t = {g_move_base[0] + sign * (to[0] - g_move_base[0]), g_move_base[1] + sign * (to[1] - g_move_base[1]),
                   g_move_base[2] + sign * (to[2] - g_move_base[2])};
    ads_matrix m;
    move_drag_xform(t, m);
    ads_xformss(ss, m);
}

/* The moving after the scope is known. */
void move_scope(struct resbuf *list, int scope, char *messages)
{
    ads_name ss = {0, 0};
    int *groups = nullptr;
    if (link_ss_same_row(list, scope, ss) <= 0 || link_ss_group_rows(&groups, ss) != 0) {
        err_report(LINK_ERR_NOTHING_PICKED, nullptr);
        free(groups);
        if (!ename_isnull(ss)) ss_free(ss);
        return;
    }
    ads_point to;
    if (ads_draggen(ss, k_drag_prompt, 0, move_drag_xform, to) == RTNORM) {
        move_set(ss, to, 1);
        long count = 0;
        ads_sslength(ss, &count);
        std::vector<move_row> rows = move_rows(ss, groups, count);
        bool ok = true;
        for (move_row &r : rows)
            if (!(ok = move_read_back(r, messages))) break;
        if (ok) move_update_rows(rows, messages);
        if (messages[0]) {
            msg_alert(ERR_TITLE, "%s", messages);
            move_set(ss, to, -1);
        }
    }
    free(groups);
    ss_free(ss);
}

}  // namespace

void xform_identity(ads_matrix m)
{
    for (int i = 0; i < MOVE_DIM; ++i)
        for (int j = 0; j < MOVE_DIM; ++j) m[i][j] = i == j ? 1.0 : 0.0;
}

void move_set_base(const ads_point base)
{
    for (int i = 0; i < 3; ++i) g_move_base[i] = base[i];
}

int move_drag_xform(ads_point point, ads_matrix m)
{
    xform_identity(m);
    for (int i = 0; i < 3; ++i) m[i][MOVE_TRANSLATION] = point[i] - g_move_base[i];
    return RTNORM;
}

void pv_ssget_accept_cb(ads_callback_packet *cpkt)
{
    if (!cpkt) return;
    int chosen = MOVE_SCOPE_NONE;
    for (const scope_tile &s : k_scopes) {
        char value[TILE_STR_LIMIT + 1] = "";
        if (ads_get_tile(cpkt->dialog, s.key, value, sizeof value) != RTNORM) {
            if (&s == &k_scopes[3]) {
                ads_done_dialog(cpkt->dialog, MOVE_SCOPE_NONE);
                return;
            }
            continue;
        }
        if (chosen == MOVE_SCOPE_NONE && value[0] == '1') chosen = s.scope;
    }
    ads_done_dialog(cpkt->dialog, chosen);
}

void pv_ssget_cancel_cb(ads_callback_packet *cpkt)
{
    if (cpkt) ads_done_dialog(cpkt->dialog, MOVE_SCOPE_NONE);
}

int pv_ssget_dialog(void)
{
    ads_hdlg d = nullptr;
    if (ads_new_dialog(k_ssget_dialog, g_dcl_id, nullptr, &d) != RTNORM || !d) {
        err_report(ERR_LOAD_DIALOG, k_ssget_dialog);
        return MOVE_ERR_DIALOG;
    }
    const dlg_tile tiles[] = {{"accept", pv_ssget_accept_cb}, {"cancel", pv_ssget_cancel_cb}};
    dlg_register(d, tiles, 2, nullptr);
    int status = MOVE_SCOPE_NONE;
    ads_start_dialog(d, &status);
    return status;
}

int pv_move(struct resbuf *)
{
    char *messages = (char *)calloc(ROW_MSG_SIZE, 1);
    if (!messages) return err_report(ERR_NO_MEMORY, nullptr), ERR_NO_MEMORY;
    struct resbuf *list = nullptr;
    link_rec link;
    int rc = link_pick(k_move_prompt, &list, &link);
    if (rc != 0) err_report(rc, nullptr);
    const struct resbuf *own = rc == 0 ? rb_find(list, MOVE_GROUP_NAME) : nullptr;
    if (own && link_keyed_by_id(own->resval.rlname)) rc = -1;
    const struct resbuf *ins = rc == 0 ? rb_find(list, MOVE_GROUP_INSERT) : nullptr;
    if (rc == 0 && !ins) err_report(LINK_ERR_NOT_LINKED, nullptr);
    if (rc == 0 && ins) {
        move_set_base(ins->resval.rpoint);
        int scope = pv_ssget_dialog();
        if (scope == MOVE_SCOPE_STATION || scope == MOVE_SCOPE_TABLE || scope == MOVE_SCOPE_ROW ||
            scope == MOVE_SCOPE_GROUP)
            move_scope(list, scope, messages);
        else if (scope != MOVE_SCOPE_NONE && scope != MOVE_ERR_DIALOG)
            err_report(LINK_ERR_NOT_LINKED, nullptr);
    }
    if (list) ads_relrb(list);
    free(messages);
    return RTNORM;
}
