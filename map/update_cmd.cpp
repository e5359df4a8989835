/*
** update_cmd.cpp: the pv_update command, which brings drawn symbols in
** line with their rows after the rows were edited elsewhere.
**
** For each selected symbol its row is fetched by BASENUMBER (the rows of
** a thousand symbols ahead in one statement per table), the row's
** placements are built again and matched to the entities drawn around
** the symbol, every placement is moved to the row's point converted into
** the map's coordinate system, and the group is redrawn. Objects attached
** to the row (linked by BASENUMBER) get the row's link again.
*/
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "coords/prj_transform.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/pnt.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "draw/draw_util.h"
#include "draw/link_ase.h"
#include "draw/link_rows.h"
#include "draw/map_params.h"
#include "map/link_cmd.h"
#include "map/map_edit_cmd.h"
#include "map/row_place.h"
#include "map/sym_draw.h"

namespace {

/* Title of the closing alert. */
const char k_title[] = "PETRIVEX";
/* The refusal without a map projection. */
const char k_no_projection[] = "No map projection defined.\nUse Map Setup unded DU-ZOREZ to initialize map.";

/* The entities of one row group: the user's selection loses them when the
** update ends. */
void drop_group(ads_name group, const ads_name ename, ads_name ss)
{
    long n = 0;
    if (!ename_isnull(group)) ads_sslength(group, &n);
    ads_name e;
    for (long i = 0; i < n; ++i)
        if (ads_ssname(group, i, e) == RTNORM) ads_ssdel(e, ss);
    ads_ssdel(ename, ss);
}

/* Moves every record to its row's point; texts are made horizontal. */
void place_records(pjct_rec *p, sql_col_rec *row, sym_place_rec *sym, int ns, sym_place_rec *txt, int nt,
                   char *messages)
{
    for (int i = 0; i < ns; ++i) update_record_position(p, row, &sym[i], messages);
    for (int i = 0; i < nt; ++i) {
        update_record_position(p, row, &txt[i], messages);
        txt[i].angle = ang_drawing_to_user(0.0, txt[i].angle_base, txt[i].angle_dir);
    }
}

/* Builds the row's placements, matches the drawn group to them, moves
** and redraws them. 0; -9101; -9205. */
int redraw_row(pjct_rec *p, sql_col_rec *row, ads_name group, char *messages)
{
    sym_place_rec *sym = nullptr, *txt = nullptr;
    int ns = 0, nt = 0;
    int rc = row_alloc_placements(row, &sym, &ns, &txt, &nt);
    if (rc == 0 && row_build_placements(row, sym, &ns, txt, &nt, ROW_PLACE_ALL) != 0) rc = ERR_UPDATE_FAILED;
    if (rc == 0) {
        link_ss_to_placements(group, sym, ns, txt, nt, 0);
        relink_attached(group, row);
        place_records(p, row, sym, ns, txt, nt, messages);
        if (sym_place_redraw(sym, ns, txt, nt) != 0) rc = ERR_UPDATE_FAILED;
    }
    free(sym);
    free(txt);
    return rc == ERR_NO_MEMORY || rc == 0 ? rc : ERR_UPDATE_FAILED;
}

/* Whether an entity of the selection is a symbol pv-update redraws; its
** link goes to link. */
bool updatable(const ads_name e, link_rec *link)
{
    if (link_xdata_get(link, e) != 0 || link->row_id < 1) return false;
    tbl_rec *t = nullptr;
    if (link_find_table(link, nullptr, &t) != 0) return false;
    if (str_eq_nocase(link->key_column, link_id_column_name(t))) return false;
    int type = ent_type_code(e);
    return type == ENT_TYPE_INSERT || type == ENT_TYPE_SHAPE || type == ENT_TYPE_TEXT;
}

/* The rows the walk of pv_update fetched ahead; null outside it. */
link_rows_rec *s_update_rows = nullptr;

/* The read that stopped the current pv-update, 0 while none. */
int s_update_failed = 0;

/* One entity of the walk: 0 when it was updated (and left the set); a row
** that cannot be read stops the walk, said once. */
int update_one(const ads_name e, ads_name ss)
{
    link_rec link;
    if (!updatable(e, &link)) return -1;
    int rc = update_entity(e, &link, ss, s_update_rows);
    if (link_read_failed(rc)) {
        s_update_failed = link_read_report(&link, rc);
        return SS_WALK_STOP;
    }
    return rc == 0 ? 0 : -1;
}

}  // namespace

int relink_attached(ads_name group, sql_col_rec *row)
{
    link_rec by_id;
    sql_col_rec *id = link_row_id_column(row);
    if (!group || !row) return -2;
    if (!id || link_from_row(&by_id, row, id) != 0) return -1;
    long n = 0;
    ads_sslength(group, &n);
    ads_name e;
    for (long i = 0; i < n; ++i) {
        if (ads_ssname(group, i, e) != RTNORM || !link_keyed_by_id(e)) continue;
        struct resbuf *list = link_entget(e);
        if (!list) continue;
        link_rec copy;
        link_copy(&copy, &by_id);
        link_entity_write(list, &copy);
        ads_relrb(list);
    }
    return 0;
}

int row_read_point(geo_point *out, const pnt_rec *setup, sql_col_rec *row)
{
    return row_get_point(out, setup, row);
}

int update_note_transform_failure(const char *column, const prj_rec *from, const prj_rec *to, char *messages)
{
    if (!messages) return -2;
    return xform_error_line(from, to, column ? column : "", messages);
}

int update_record_position(pjct_rec *project, sql_col_rec *row, sym_place_rec *record, char *messages)
{
    if (!project || !row || !record || !messages) return -2;
    sql_col_rec *c = record->source_col;
    if (!c || ename_isnull(record->ename)) return -2;
    pnt_rec *setup = pnt_find(project->points, c->name, c->table);
    if (!setup && c->attr && (c->attr->flags & COL_ATTR_POINT)) setup = c->attr->point;
    if (!setup) return -1;
    geo_point in, out;
    if (row_read_point(&in, setup, row) != 0 || (in.x == 0.0 && in.y == 0.0 && in.z == 0.0)) return -1;
    prj_rec *map = g_map_params.projection;
    ads_point world, local;
    struct resbuf from = {}, to = {};
    from.restype = RTSHORT;
    from.resval.rint = ADS_TRANS_WCS;
    to.restype = RTENAME;
    ename_copy(to.resval.rlname, record->ename);
    bool ok = prj_transform_point(&in, setup->projection, &out, map) != 0;
    if (ok) {
        world[0] = out.x, world[1] = out.y, world[2] = out.z;
        ok = ads_trans(world, &from, &to, 0, local) == RTNORM;
    }
    if (!ok) {
        update_note_transform_failure(c->name, setup->projection, map, messages);
        return 0;
    }
    record->ins = {local[0], local[1], local[2], 0.0};
    return 0;
}

int update_entity(const ads_name ename, const link_rec *link, ads_name ss, link_rows_rec *rows)
{
    pjct_rec *p = nullptr;
    tbl_rec *t = nullptr;
    if (!link || link_find_table(link, &p, &t) != 0 || !sql_col_find(t->columns, link->key_column, nullptr, nullptr))
        return err_report(LINK_ERR_NOTHING_PICKED, nullptr);
    std::vector<char> messages;
    try {
        messages.assign(UPDATE_MSG_SIZE, '\0');
    } catch (...) {
        err_report(ERR_NO_MEMORY, nullptr);
        return ERR_NO_MEMORY;
    }
    link_rows_rec *own = rows ? nullptr : link_rows_new();
    if (!rows && !own) {
        err_report(ERR_NO_MEMORY, nullptr);
        return ERR_NO_MEMORY;
    }
    /* The first row of the id that passes link_check_row, owned by the rows. */
    sql_col_rec *row = nullptr;
    int rc = link_rows_find(rows ? rows : own, link, &row);
    /* A row that cannot be read is said once by the walk, which stops. */
    if (link_read_failed(rc)) {
        link_rows_free(&own);
        return rc;
    }
    if (rc != 0) rc = LINK_ERR_ROW;
    ads_name group = {0, 0};
    if (rc == 0) {
        struct resbuf *list = link_entget(ename);
        if (!list || link_ss_same_row(list, LINK_SAME_ROW, group) <= 0) rc = LINK_ERR_NOTHING_PICKED;
        if (list) ads_relrb(list);
    }
    if (rc == 0) rc = redraw_row(p, row, group, messages.data());
    link_rows_free(&own);
    if (rc == 0) drop_group(group, ename, ss);
    if (!ename_isnull(group)) ss_free(group);
    if (messages[0]) msg_alert(ERR_TITLE, "%s", messages.data());
    if (rc) err_report(rc, nullptr);
    return rc;
}

int pv_update(struct resbuf *)
{
    if (!g_map_params.projection) {
        msg_alert(ERR_TITLE, "%s", k_no_projection);
        return RTNORM;
    }
    ads_name ss = {0, 0};
    int got = ads_ssget(nullptr, nullptr, nullptr, nullptr, ss);
    if (got == RTCAN) return -1;
    if (got != RTNORM) return RTNORM;
    s_update_rows = link_rows_new();
    if (!s_update_rows) {
        ss_free(ss);
        err_report(ERR_NO_MEMORY, nullptr);
        return RTNORM;
    }
    ads_printf("\n");
    s_update_failed = 0;
    long updated = ss_walk_rows(ss, "Updating...", update_one, s_update_rows);
    link_rows_free(&s_update_rows);
    ads_printf("\rUpdated...  %ld\n", updated);
    ss_free(ss);
    if (!s_update_failed) msg_alert(k_title, "Updated... %ld entities", updated);
    return RTNORM;
}
