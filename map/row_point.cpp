/*
** row_point.cpp: a row's coordinates and the map.
**
** A point setup names the X, Y and Z columns of a row and the coordinate
** system they are stored in. Before a row is drawn its points go into the
** map's system (place_points_to_map); after drawing, or after its
** entities were moved, the positions drawn come back into the row in the
** setup's system, each number written in its column's format; points a
** new row lacks are picked by the user (row_ask_points).
*/
#include "map/row_place.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "coords/prj_list.h"
#include "coords/prj_transform.h"
#include "core/col_attr.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "draw/draw_util.h"
#include "draw/map_params.h"
#include "platform/include/ads_host.h"

namespace {

/* Room of a number printed before its column formats it. */
constexpr int ROW_NUMBER_SIZE = 40;
/* Result of the host's calls on success. */
constexpr int ROW_HOST_OK = RTNORM;
/* Group code of an entity's first point. */
constexpr int ROW_GROUP_FIRST_POINT = 10;
/* The prompt of a missing point. */
constexpr const char *ROW_PICK_PROMPT = "\nSelect point for %s\n";
/* Room of the prompt: the text and a column name. */
constexpr int ROW_PROMPT_SIZE = 64;
/* The system variable that marks picked points, and its value meanwhile. */
constexpr const char *ROW_BLIPMODE = "BLIPMODE";
constexpr double ROW_BLIPS_ON = 1.0;

/* The point setup of an X column of a row; null for any other column. */
pnt_rec *x_setup(const sql_col_rec *c)
{
    return col_point_axis(c) == 0 ? c->attr->point : nullptr;
}

/* The row's column of a setup's column record; null when absent. */
sql_col_rec *row_column(sql_col_rec *row, const sql_col_rec *of)
{
    return of ? sql_col_find(row, of->name, of->table, nullptr) : nullptr;
}

/* Writes a number into a column's value and text in its own format.
** 0; -1 when the column refuses it. */
int put_number(sql_col_rec *c, double v)
{
    char number[ROW_NUMBER_SIZE];
    snprintf(number, sizeof number, "%.17g", v);
    if (sql_text_to_value(c, number) != ROW_HOST_OK) return -1;
    return sql_value_to_text(c, nullptr) == ROW_HOST_OK ? 0 : -1;
}

/* The world position of a drawn slot's entity: its first point from the
** entity's own system (the slot's point when the entity cannot be read).
** 1; 0 when the editor cannot convert it. */
int entity_world_point(const sym_place_rec *slot, geo_point *out)
{
    ads_point at = {slot->ins.x, slot->ins.y, slot->ins.z}, world;
    struct resbuf *list = ads_entget(slot->ename);
    struct resbuf *first = list ? rb_find(list, ROW_GROUP_FIRST_POINT) : nullptr;
    if (first) {
        at[0] = first->resval.rpoint[0], at[1] = first->resval.rpoint[1], at[2] = first->resval.rpoint[2];
    }
    if (list) ads_relrb(list);
    struct resbuf from = {}, to = {};
    from.restype = RTENAME;
    ename_copy(from.resval.rlname, slot->ename);
    to.restype = RTSHORT;
    to.resval.rint = ADS_TRANS_WCS;
    if (ads_trans(at, &from, &to, 0, world) != ROW_HOST_OK) return 0;
    *out = {world[0], world[1], world[2], 0.0};
    return 1;
}

/* Reads a drawn slot's position back into the row through the setup of
** column c. 1 written; 0 when the conversion failed (its line appended). */
int slot_back_to_row(const sym_place_rec *slot, pnt_rec *s, const sql_col_rec *c, char *messages, sql_col_rec *row)
{
    prj_rec *map = g_map_params.projection;
    geo_point world, out, held;
    if (!entity_world_point(slot, &world) || !prj_transform_point(&world, map, &out, s->projection)) {
        xform_error_line(map, s->projection, c->name, messages);
        return 0;
    }
    /* An entity in the plan gives no elevation: the row keeps its own. */
    if (world.z == 0.0 && row_get_point(&held, s, row) == 0) out.z = held.z;
    row_put_point(&out, s, row);
    return 1;
}

/* The converted map point of a setup for the row into a slot; nothing
** when the row's X and Y are 0 or the conversion fails. */
void setup_point_to_slot(sym_place_rec *slot, const pnt_rec *s, sql_col_rec *row, prj_rec *map)
{
    geo_point in, out;
    if (row_get_point(&in, s, row) != 0 || (in.x == 0.0 && in.y == 0.0)) return;
    if (!prj_transform_point(&in, s->projection, &out, map)) return;
    slot->ins.x = out.x, slot->ins.y = out.y;
    if (in.z != 0.0) slot->ins.z = in.z;
}

}  // namespace

int col_point_axis(const sql_col_rec *c)
{
    if (!c || !c->attr || !(c->attr->flags & COL_ATTR_POINT) || !c->attr->point) return -1;
    const pnt_rec *s = c->attr->point;
    const sql_col_rec *axes[3] = {s->x_col, s->y_col, s->z_col};
    for (int i = 0; i < 3; i++)
        if (axes[i] && str_eq_nocase(axes[i]->name, c->name) && str_eq_nocase(axes[i]->table, c->table)) return i;
    return -1;
}

int row_get_point(geo_point *out, const pnt_rec *s, sql_col_rec *row)
{
    if (!out || !s || !row || !s->x_col || !s->y_col) return -2;
    sql_col_rec *x = row_column(row, s->x_col), *y = row_column(row, s->y_col), *z = row_column(row, s->z_col);
    if (!x || !y || (s->z_col && !z)) return -1;
    *out = {atof(x->text ? x->text : ""), atof(y->text ? y->text : ""), z && z->text ? atof(z->text) : 0.0, 0.0};
    return 0;
}

int row_put_point(const geo_point *point, const pnt_rec *s, sql_col_rec *row)
{
    if (!point || !s || !row || !s->x_col || !s->y_col) return -2;
    sql_col_rec *x = row_column(row, s->x_col), *y = row_column(row, s->y_col), *z = row_column(row, s->z_col);
    if (!x || !y || (s->z_col && !z)) return -1;
    int rc = put_number(x, point->x);
    if (put_number(y, point->y) != 0) rc = -1;
    /* A blank Z stays blank while the point has no elevation. */
    bool blank_z = z && str_nonblank(z->text) != ROW_HOST_OK && point->z == 0.0;
    if (z && !blank_z && put_number(z, point->z) != 0) rc = -1;
    return rc;
}

int place_points_to_map(sym_place_rec *slots, int count, sql_col_rec *row)
{
    prj_rec *map = g_map_params.projection;
    if (!slots || count < 0 || !row || !map) return -2;
    for (int i = 0; i < count; i++)
        if (const pnt_rec *s = x_setup(slots[i].own_col)) setup_point_to_slot(&slots[i], s, row, map);
    for (sql_col_rec *c = row; c; c = c->next) {
        const pnt_rec *s = x_setup(c);
        if (!s || !s->sym_col) continue;
        for (int i = 0; i < count; i++)
            if (slots[i].own_col && str_eq_nocase(slots[i].own_col->name, s->sym_col->name))
                setup_point_to_slot(&slots[i], s, row, map);
    }
    return 0;
}

int place_points_from_symbols(sym_place_rec *slots, int count, char *messages, sql_col_rec *row)
{
    if (!slots || count < 0 || !messages || !row || !g_map_params.projection) return -2;
    for (sql_col_rec *c = row; c; c = c->next) {
        pnt_rec *s = x_setup(c);
        if (!s || !s->sym_col) continue;
        for (int i = 0; i < count; i++) {
            const sym_place_rec *slot = &slots[i];
            if (!slot->own_col || ename_isnull(slot->ename) || !str_eq_nocase(slot->own_col->name, s->sym_col->name))
                continue;
            slot_back_to_row(slot, s, c, messages, row);
            break;
        }
    }
    return 0;
}

int place_points_from_map(sym_place_rec *slots, int count, char *messages, sql_col_rec *row)
{
    if (!slots || count < 0 || !messages || !row || !g_map_params.projection) return -2;
    for (int i = 0; i < count; i++) {
        sym_place_rec *slot = &slots[i];
        pnt_rec *s = x_setup(slot->own_col);
        if (!s || ename_isnull(slot->ename)) continue;
        if (!slot_back_to_row(slot, s, slot->own_col, messages, row)) {
            ads_entdel(slot->ename);
            ename_clear(slot->ename);
        }
    }
    return 0;
}

int place_store_angles(sym_place_rec *anchors, int count, sql_col_rec *row)
{
    if (!anchors || count < 0 || !row) return -2;
    for (int i = 0; i < count; i++)
        if (anchors[i].angle_col) put_number(anchors[i].angle_col, anchors[i].angle);
    return 0;
}

int row_ask_points(sql_col_rec *row, char *messages)
{
    if (!row || !messages) return -2;
    prj_rec *map = g_map_params.projection;
    double blips = sysvar_get_number(ROW_BLIPMODE);
    sysvar_set_number(ROW_BLIPMODE, ROW_BLIPS_ON);
    int rc = 0;
    bool picked = false;
    geo_point last = {};
    prj_rec *last_system = nullptr;
    for (sql_col_rec *c = row; c; c = c->next) {
        pnt_rec *s = x_setup(c);
        geo_point stored, out;
        if (!s || row_get_point(&stored, s, row) != 0) continue;
        if (picked) {
            if (!prj_transform_point(&last, last_system, &out, s->projection)) {
                rc = -1;
                xform_error_line(last_system, s->projection, c->name, messages);
                continue;
            }
            if (out.z == 0.0) out.z = stored.z;
            row_put_point(&out, s, row);
            continue;
        }
        if (stored.x != 0.0 || stored.y != 0.0) continue;
        char prompt[ROW_PROMPT_SIZE];
        snprintf(prompt, sizeof prompt, ROW_PICK_PROMPT, c->name);
        ads_point at, world = {0.0, 0.0, 0.0};
        if (ads_getpoint(nullptr, prompt, at) != ROW_HOST_OK) continue;
        struct resbuf from = {}, to = {};
        from.restype = to.restype = RTSHORT;
        from.resval.rint = ADS_TRANS_UCS;
        to.resval.rint = ADS_TRANS_WCS;
        bool world_ok = ads_trans(at, &from, &to, 0, world) == ROW_HOST_OK;
        geo_point in = {world[0], world[1], world[2], 0.0};
        if (!world_ok || !prj_transform_point(&in, map, &out, s->projection)) {
            rc = -1;
            xform_error_line(map, s->projection, c->name, messages);
            continue;
        }
        if (stored.z != 0.0 || world[2] == 0.0) out.z = stored.z;
        row_put_point(&out, s, row);
        picked = true;
        last = out;
        last_system = s->projection;
    }
    if (blips >= 0.0) sysvar_set_number(ROW_BLIPMODE, blips);
    return rc;
}
