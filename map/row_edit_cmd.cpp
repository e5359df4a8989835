/*
** row_edit_cmd.cpp: the pv_edit command, which edits the row of a picked
** symbol and brings the row's drawing in line with the new values.
**
** The picked symbol's row is fetched by BASENUMBER and shown in the row
** editor. After an accept the row's placements are built again and
** matched with the entities drawn for the row: matched ones are moved to
** the row's points and redrawn, entities no placement wants any more are
** deleted (objects attached by the row's id keep existing and get the
** row's link again), placements without an entity may be placed by the
** user, positions are read back and the row is updated.
*/
#include <cstdlib>
#include <cstring>
#include <string>

#include "coords/geo_point.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "data/row_edit.h"
#include "draw/draw_util.h"
#include "draw/link_rows.h"
#include "draw/map_params.h"
#include "map/link_cmd.h"
#include "map/map_edit_cmd.h"
#include "map/row_cmd.h"
#include "map/row_place.h"
#include "map/sym_draw.h"

namespace {

/* The prompt of the pick. */
const char k_edit_prompt[] = "\nSelect object to edit: ";
/* The row editor's answer for an accepted row. */
constexpr int EDIT_ACCEPTED = RTNORM;
/* The row editor's options: add mode off, map options and image allowed,
** edit mode 0. */
constexpr int EDIT_ADD = 0, EDIT_OPTIONS = 1, EDIT_IMAGE = 1, EDIT_MODE = 0;

/* Entities still in the set after matching: attached objects (linked by
** the table's id column) get the row's link again; spare copies of what
** the group draws go; anything else linked to the row (a line or hatch the
** user drew) stays as it is. */
void edit_settle_leftovers(ads_name ss, sql_col_rec *row, sym_place_rec *sym, int ns)
{
    long n = 0;
    if (ename_isnull(ss) || ads_sslength(ss, &n) != RTNORM) return;
    ads_name e;
    for (long i = n - 1; i >= 0; --i) {
        link_rec link;
        if (ads_ssname(ss, i, e) != RTNORM || link_keyed_by_id(e)) continue;
        if (link_xdata_get(&link, e) != 0 || !sym_place_draws_type(ent_type_code(e), link.key_column, sym, ns))
            continue;
        ads_ssdel(e, ss);
        ads_entdel(e);
    }
    relink_attached(ss, row);
}

/* Moves every placement with an entity to its row's point; attached
** ones are set horizontal in the map's angle convention. */
void edit_place_drawn(pjct_rec *p, sql_col_rec *row, sym_place_rec *sym, int ns, sym_place_rec *txt, int nt,
                      char *messages)
{
    for (int i = 0; i < ns; ++i)
        if (!ename_isnull(sym[i].ename)) place_point_from_row(p, row, &sym[i], messages);
    for (int i = 0; i < nt; ++i) {
        if (ename_isnull(txt[i].ename)) continue;
        place_point_from_row(p, row, &txt[i], messages);
        txt[i].angle = geo_angle_to_user(0.0, g_map_params.angle_base, g_map_params.angle_dir);
    }
}

/* Whether a placement without entity is placed by the user. */
bool edit_wants_placing(const sym_place_rec *slot, bool keyed_by_id)
{
    if (keyed_by_id || !ename_isnull(slot->ename) || g_map_params.plot != 1) return false;
    const sql_col_rec *c = slot->own_col ? slot->own_col : slot->source_col;
    return c && c->attr && (c->attr->flags & COL_ATTR_PLOT);
}

/* Lets the user place one placement alone; a failed drawing erases it. */
void edit_place_one(sym_place_rec *anchor, sym_place_rec *text)
{
    sym_place_rec *own = anchor ? anchor : text;
    const sql_col_rec *c = own->own_col ? own->own_col : own->source_col;
    ads_printf("\nPlace %s on map\n", c ? c->name : "");
    if (text) text->owner = -1;
    int rc = anchor ? sym_place_draw(anchor, nullptr, 1, 0, 1) : sym_place_draw(nullptr, text, 0, 1, 1);
    if (rc < 0) sym_place_erase(anchor, text, anchor ? 1 : 0, text ? 1 : 0);
}

/* Steps after the row editor: placements, redraw, new symbols, read
** back, update. 0; -9101; -9205; -9805 when the row is gone; -9810 when
** another user changed a column the user changed too (said, and *said
** set to it); the update's code when its driver has ended. */
int edit_apply(pjct_rec *p, sql_col_rec *row, ads_name same, bool keyed_by_id, char *messages, int *said)
{
    sym_place_rec *sym = nullptr, *txt = nullptr;
    int ns = 0, nt = 0;
    int rc = row_alloc_placements(row, &sym, &ns, &txt, &nt);
    if (rc == 0 && ns > 0 && row_build_placements(row, sym, &ns, txt, &nt, ROW_PLACE_ALL) != 0)
        rc = ERR_UPDATE_FAILED;
    if (rc == 0) {
        if (!ename_isnull(same)) link_ss_to_placements(same, sym, ns, txt, nt, 1);
        edit_settle_leftovers(same, row, sym, ns);
        edit_place_drawn(p, row, sym, ns, txt, nt, messages);
        if (sym_place_redraw(sym, ns, txt, nt) != 0) rc = ERR_UPDATE_FAILED;
    }
    if (rc == 0) {
        for (int i = 0; i < ns; ++i)
            if (edit_wants_placing(&sym[i], keyed_by_id)) edit_place_one(&sym[i], nullptr);
        for (int i = 0; i < nt; ++i)
            if (edit_wants_placing(&txt[i], keyed_by_id)) edit_place_one(nullptr, &txt[i]);
        place_points_from_symbols(sym, ns, messages, row);
        place_points_from_symbols(txt, nt, messages, row);
        place_points_from_map(sym, ns, messages, row);
        place_points_from_map(txt, nt, messages, row);
        place_store_angles(sym, ns, row);
        row_ask_points(row, messages);
        if (g_map_params.attach == 1) link_attach_loop(row);
    }
    if (messages[0]) msg_alert(ERR_TITLE, "%s", messages);
    /* Only the columns changed are written, each while it holds what was
    ** shown: a change another user made since is never written over, and
    ** one made to the same column stops the write, said here with the
    ** columns. */
    if (rc == 0) {
        std::string changed;
        int up = row_write_shown(row, changed, 0);
        if (up == ERR_ROW_CHANGED) {
            err_report(up, row_changed_detail(row, changed).c_str());
            *said = up;
        }
        if (up != RTNORM) rc = up == ERR_ROW_GONE || up == ERR_ROW_CHANGED || sql_driver_lost(up) ? up
                                                                                               : ERR_UPDATE_FAILED;
    }
    free(sym);
    free(txt);
    return rc;
}

}  // namespace

int place_point_from_row(pjct_rec *project, sql_col_rec *row, sym_place_rec *placement, char *messages)
{
    if (!project || !row || !placement || !messages || ename_isnull(placement->ename)) return -2;
    return update_record_position(project, row, placement, messages);
}

int link_has_point_column(const link_rec *link)
{
    if (!link) return -2;
    tbl_rec *t = nullptr;
    if (link_find_table(link, nullptr, &t) != 0 || !t) return -1;
    for (const sql_col_rec *c = t->columns; c; c = c->next)
        if (c->attr && c->attr->point && (c->attr->flags & COL_ATTR_POINT)) return 0;
    return -1;
}

int pv_edit(struct resbuf *)
{
    char *messages = (char *)calloc(ROW_MSG_SIZE, 1);
    if (!messages) return err_report(ERR_NO_MEMORY, nullptr);
    struct resbuf *list = nullptr;
    link_rec link;
    int rc = link_pick(k_edit_prompt, &list, &link);
    if (rc != 0) {
        if (rc < LINK_ERR_NOTHING_PICKED) err_report(rc, nullptr);
        if (list) ads_relrb(list);
        free(messages);
        return rc;
    }
    pjct_rec *p = nullptr;
    tbl_rec *t = nullptr;
    if (link_find_table(&link, &p, &t) != 0 || !p || !t ||
        !sql_col_find(t->columns, link.key_column, nullptr, nullptr))
        rc = LINK_ERR_NOTHING_PICKED;
    const bool keyed_by_id = rc == 0 && str_eq_nocase(link.key_column, link_id_column_name(t));
    int said = 0;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    if (rc == 0) {
        int fetched = link_row_fetch(&link, &cursor, &stmt, &row);
        /* A row that cannot be read is no row that is not there: said here,
        ** naming the table, and not again below. */
        if (link_read_failed(fetched)) said = link_read_report(&link, fetched);
        if (fetched != 0) rc = link_read_failed(fetched) ? fetched : LINK_ERR_ROW;
    }
    ads_name same = {0, 0};
    if (rc == 0 && link_ss_same_row(list, LINK_SAME_ROW, same) <= 0) same[0] = same[1] = 0;
    /* What the editor shows is noted, so that only the user's changes
    ** are written. */
    if (rc == 0) row_note_shown(row);
    if (rc == 0 && pv_edit_col_dialog(nullptr, nullptr, row, EDIT_ADD, EDIT_OPTIONS, EDIT_IMAGE, EDIT_MODE) ==
                       EDIT_ACCEPTED)
        rc = edit_apply(p, row, same, keyed_by_id, messages, &said);
    row_forget_shown(row);
    if (!ename_isnull(same)) ss_free(same);
    if (stmt || cursor || row) sql_close_query(&stmt, &cursor, &row);
    if (list) ads_relrb(list);
    free(messages);
    if (rc != 0 && rc != said) err_report(rc, nullptr);
    return rc;
}
