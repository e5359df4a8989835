/*
** scale_cmd.cpp: the pv_scale command, which resizes drawn texts and
** symbols to an absolute size or by a factor, in place or about the point
** of their station.
**
** Sizes are kept in group 40 of a TEXT, SHAPE, ATTDEF or ATTRIB and in
** groups 41, 42 and 43 (X, Y and Z scale) of an INSERT. With the station
** option an entity's link gives its key value, the row of that value in
** the chosen point table gives the station's X and Y, converted into the
** map's system, and each related entity of the selection is scaled about
** that point:  p' = station + (p - station) * r.
**
** An absolute symbol size goes to the INSERTs of a symbol library's blocks
** (drawn at unit size) only: a diagram drawn at its real size keeps its
** scale, and takes only a relative factor. The reference of the map setup
** block is never scaled. The station list names each point setup by its
** table and X column ("STATN.EASTING").
*/
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "coords/prj_transform.h"
#include "shapes/shape_store.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/pnt.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "draw/draw_util.h"
#include "draw/link_rows.h"
#include "draw/map_params.h"
#include "map/link_cmd.h"
#include "map/map_edit_cmd.h"

scale_options g_scale_options = {0, 0, 0, 0, 0, 0.0, 0.0, nullptr};

namespace {

/* The dialog and its tiles. */
const char k_dialog[] = "pv_scale";
const char k_text[] = "scl_text";
const char k_symbol[] = "scl_symbol";
const char k_station[] = "scl_station";
const char k_absolute[] = "scl_absolute";
const char k_relative[] = "scl_relative";
const char k_height[] = "scl_height";
const char k_scale[] = "scl_scale";
const char k_point[] = "scl_point";
const char k_error[] = "error";
/* Format of the sizes shown. */
const char k_size_format[] = "%.3lf";
/* Room of a size written with it. */
constexpr int SCALE_NUMBER_SIZE = 64;
/* Title of the closing alert. */
const char k_title[] = "PETRIVEX";
/* Ending statuses of the dialog. */
constexpr int SCALE_DLG_CANCEL = 0;
constexpr int SCALE_DLG_ACCEPT = 1;
/* Group codes read and written. */
constexpr int SCALE_GROUP_TYPE = 0;
constexpr int SCALE_GROUP_NAME = 2;
constexpr int SCALE_GROUP_POINT = 10;
constexpr int SCALE_GROUP_SIZE = 40;
constexpr int SCALE_GROUP_X_SCALE = 41;
constexpr int SCALE_GROUP_Y_SCALE = 42;
constexpr int SCALE_GROUP_Z_SCALE = 43;

/* The point setups of every logged-on project, in project order. */
std::vector<pnt_rec *> all_point_setups()
{
    std::vector<pnt_rec *> out;
    for (int i = 0; pjct_rec *p = pjct_nth(i); ++i)
        for (pnt_rec *s = p->points; s; s = s->next) out.push_back(s);
    return out;
}

/* 1 when the options scale an entity of this type. */
bool applies(const scale_options *o, int type)
{
    if (type == ENT_TYPE_TEXT || type == ENT_TYPE_ATTDEF || type == ENT_TYPE_ATTRIB) return o->text != 0;
    if (type == ENT_TYPE_SHAPE || type == ENT_TYPE_INSERT) return o->symbol != 0;
    return false;
}

/* 1 when an INSERT's block is the block of a shape of a loaded symbol
** library, drawn at unit size. */
bool scale_is_symbol_block(struct resbuf *list)
{
    struct resbuf *name = rb_find(list, SCALE_GROUP_NAME);
    return name && name->resval.rstring && shape_find_any(name->resval.rstring);
}

/* A point setup as the station list names it: its table and X column. */
std::string point_setup_name(const pnt_rec *s)
{
    std::string name = s->table ? s->table->name : "";
    if (s->x_col) name += (name.empty() ? "" : ".") + std::string(s->x_col->name);
    return name;
}

/* Writes a size into a tile. */
void set_size_tile(ads_hdlg dlg, const char *key, double value)
{
    char text[SCALE_NUMBER_SIZE];
    std::snprintf(text, sizeof text, k_size_format, value);
    ads_set_tile(dlg, key, text);
}

/* Reads every tile into the options. */
void read_tiles(ads_hdlg dlg, scale_options *o)
{
    o->text = tile_get_int(dlg, k_text) == 1;
    o->symbol = tile_get_int(dlg, k_symbol) == 1;
    o->station = tile_get_int(dlg, k_station) == 1 && g_map_params.projection;
    o->absolute = tile_get_int(dlg, k_absolute) == 1;
    o->relative = tile_get_int(dlg, k_relative) == 1;
    char buf[TILE_BUF_SIZE];
    o->text_size = tile_get_str(dlg, k_height, buf) == RTNORM ? atof(buf) : 0.0;
    o->symbol_size = tile_get_str(dlg, k_scale, buf) == RTNORM ? atof(buf) : 0.0;
    std::vector<pnt_rec *> setups = all_point_setups();
    int at = tile_get_int(dlg, k_point);
    o->point = at >= 0 && at < (int)setups.size() ? setups[at] : nullptr;
}

/* Shows the options and enables the tiles they allow. */
void fill(ads_hdlg dlg, const scale_options *o)
{
    ads_set_tile(dlg, k_text, o->text ? "1" : "0");
    ads_set_tile(dlg, k_symbol, o->symbol ? "1" : "0");
    ads_set_tile(dlg, k_station, o->station ? "1" : "0");
    ads_set_tile(dlg, k_absolute, o->absolute ? "1" : "0");
    ads_set_tile(dlg, k_relative, o->relative ? "1" : "0");
    set_size_tile(dlg, k_height, o->text_size);
    set_size_tile(dlg, k_scale, o->symbol_size);
    for (const char *key : {k_text, k_symbol, k_station, k_absolute, k_relative}) ads_mode_tile(dlg, key, MODE_ENABLE);
    if (!g_map_params.projection) ads_mode_tile(dlg, k_station, MODE_DISABLE);
    ads_mode_tile(dlg, k_height, o->text ? MODE_ENABLE : MODE_DISABLE);
    ads_mode_tile(dlg, k_scale, o->symbol ? MODE_ENABLE : MODE_DISABLE);
    ads_mode_tile(dlg, k_point, o->station ? MODE_ENABLE : MODE_DISABLE);
}

/* A change of the text, symbol or station toggle: the tiles are read and
** shown again. */
void cb_option(ads_callback_packet *cpkt)
{
    read_tiles(cpkt->dialog, &g_scale_options);
    fill(cpkt->dialog, &g_scale_options);
}

/* "accept": the first failing check is shown and the dialog stays. */
void cb_accept(ads_callback_packet *cpkt)
{
    read_tiles(cpkt->dialog, &g_scale_options);
    const char *error = scale_options_error(&g_scale_options);
    if (error) ads_set_tile(cpkt->dialog, k_error, error);
    else ads_done_dialog(cpkt->dialog, SCALE_DLG_ACCEPT);
}

/* "cancel": the options are reset and the dialog closes. */
void cb_cancel(ads_callback_packet *cpkt)
{
    scale_options_reset(&g_scale_options);
    ads_done_dialog(cpkt->dialog, SCALE_DLG_CANCEL);
}

/* The dialog's tiles and callbacks. */
const dlg_tile k_tiles[] = {{k_text, cb_option},     {k_symbol, cb_option},  {k_station, cb_option},
                            {"accept", cb_accept},   {"cancel", cb_cancel}};

/* Scales one related entity about the station when it is in the user's
** selection; it leaves the selection when it was scaled. */
void scale_related(const ads_name e, const geo_point *station, ads_name ss)
{
    if (ads_ssmemb(e, ss) != RTNORM) return;
    if (scale_one(e, station) == 0) ads_ssdel(e, ss);
}

}  // namespace

void scale_options_reset(scale_options *o)
{
    if (o) *o = {0, 0, 0, 0, 0, 0.0, 0.0, nullptr};
}

const char *scale_options_error(const scale_options *o)
{
    if (!o->absolute && !o->relative) return "ERROR:  Choose absolute or relative scaling";
    if (!o->text && !o->symbol) return "ERROR:  Choose text or symbols for scaling";
    if (o->text && !(o->text_size > 0.0)) return "ERROR:  Invalid text size";
    if (o->symbol && !(o->symbol_size > 0.0)) return "ERROR:  Invalid symbol size";
    if (o->station && !o->point) return "ERROR:  No station location chosen";
    return nullptr;
}

int scale_one(const ads_name ename, const geo_point *base)
{
    const scale_options *o = &g_scale_options;
    if (ename_isnull(ename) || !base) return -1;
    struct resbuf *list = ads_entget(ename);
    if (!list) return -1;
    struct resbuf *type = rb_find(list, SCALE_GROUP_TYPE);
    int code = type && type->resval.rstring ? ent_type_of_name(type->resval.rstring) : ENT_TYPE_UNKNOWN;
    bool insert = code == ENT_TYPE_INSERT;
    struct resbuf *at = rb_find(list, SCALE_GROUP_POINT);
    struct resbuf *size = rb_find(list, insert ? SCALE_GROUP_X_SCALE : SCALE_GROUP_SIZE);
    if (!applies(o, code) || !at || !size) {
        ads_relrb(list);
        return -1;
    }
    bool text = !insert && code != ENT_TYPE_SHAPE;
    double option = text ? o->text_size : o->symbol_size;
    double current = size->resval.rreal;
    /* Absolute sizes divide by the current one: a size of 0 or below has
    ** no ratio and is left alone. */
    if (!(option > 0.0) || (o->absolute && !(current > 0.0))) {
        ads_relrb(list);
        return -2;
    }
    /* The map setup block is never scaled; a diagram drawn at its real
    ** size (a block of no symbol library: a pie, net, rose or chemistry
    ** diagram) takes a factor but no absolute symbol size. */
    if (insert && (map_params_is_reference(ename) || (o->absolute && !scale_is_symbol_block(list)))) {
        ads_relrb(list);
        return -1;
    }
    double r = o->absolute ? option / current : option;
    if (base->x != 0.0 || base->y != 0.0 || base->z != 0.0) {
        at->resval.rpoint[0] = base->x + (at->resval.rpoint[0] - base->x) * r;
        at->resval.rpoint[1] = base->y + (at->resval.rpoint[1] - base->y) * r;
    }
    /* An INSERT's three scales follow: all set to the size, or each
    ** multiplied by the factor. */
    for (int g : {SCALE_GROUP_X_SCALE, SCALE_GROUP_Y_SCALE, SCALE_GROUP_Z_SCALE}) {
        struct resbuf *s = insert ? rb_find(list, g) : (g == SCALE_GROUP_X_SCALE ? size : nullptr);
        if (s) s->resval.rreal = o->absolute ? option : s->resval.rreal * option;
    }
    int rc = ads_entmod(list) == RTNORM ? 0 : -1;
    ads_relrb(list);
    return rc;
}

int scale_station_point(const link_rec *link, const pnt_rec *setup, geo_point *out, prj_rec *map)
{
    if (!link || !setup || !out || !setup->table || !setup->x_col || !setup->y_col) return -2;
    *out = {0.0, 0.0, 0.0, 0.0};
    if (str_nonblank(link->key_value) != RTNORM) return LINK_ERR_KEY_VALUE;
    int rc = link_validate(link);
    if (rc) return rc;
    pjct_rec *p = nullptr;
    tbl_rec *t = nullptr;
    link_find_table(link, &p, &t);
    /* The column the link's table holds for the point table's type must
    ** be the link table's own key. */
    const tbl_rec *pt = setup->table;
    int slot = link_own_key_slot(pt->table_type);
    const char *name = slot < 0 ? nullptr
                                : (t->keys[slot] ? t->keys[slot]->name : link_own_key_name(pt->table_type));
    sql_col_rec *own = tbl_key_column(t, t->columns);
    if (!name || !own || !sql_col_find(t->columns, name, nullptr, nullptr) || !str_eq_nocase(own->name, name))
        return LINK_ERR_KEY_VALUE;
    sql_col_rec *column = sql_col_find(pt->columns, name, nullptr, nullptr);
    pjct_rec *owner = nullptr;
    for (int i = 0; pjct_rec *q = pjct_nth(i); ++i)
        for (pnt_rec *s = q->points; s; s = s->next)
            if (s == setup) owner = q;
    if (!column || !owner) return -1;
    std::string literal;
    if (link_key_literal(column, link->key_value, literal) != 0) return -1;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = sql_select_where(owner->connection, pt->name, column->name, literal.c_str(), nullptr, &stmt, &cursor,
                             &row);
    /* A point table that cannot be read is no station without a point. */
    if (link_read_failed(n)) {
        sql_close_query(&stmt, &cursor, &row);
        return n;
    }
    sql_col_rec *x = n > 0 ? sql_col_find(row, setup->x_col->name, nullptr, nullptr) : nullptr;
    sql_col_rec *y = n > 0 ? sql_col_find(row, setup->y_col->name, nullptr, nullptr) : nullptr;
    geo_point in = {x && x->text ? atof(x->text) : 0.0, y && y->text ? atof(y->text) : 0.0, 0.0, 0.0};
    sql_close_query(&stmt, &cursor, &row);
    if (!x || !y) return -1;
    if (!prj_transform_point(&in, setup->projection, out, map)) {
        *out = {0.0, 0.0, 0.0, 0.0};
        return -1;
    }
    return 0;
}

namespace {

/* The read that stopped the current scaling, 0 while none, and the point
** table it could not read. */
int s_scale_failed = 0;
link_rec s_scale_table;

/* Keeps a failed read of the point table for the closing message. */
void scale_read_failed(int rc, const pnt_rec *setup)
{
    s_scale_failed = rc;
    link_clear(&s_scale_table);
    std::snprintf(s_scale_table.table, sizeof s_scale_table.table, "%s", setup->table->name);
    for (int i = 0; pjct_rec *q = pjct_nth(i); ++i)
        for (pnt_rec *p = q->points; p; p = p->next)
            if (p == setup) std::snprintf(s_scale_table.project, sizeof s_scale_table.project, "%s", q->name);
}

}  // namespace

int scale_entity(const ads_name ename, ads_name ss)
{
    const scale_options *o = &g_scale_options;
    if (ename_isnull(ename) || !ss) return -1;
    if (!o->station) {
        const geo_point none = {0.0, 0.0, 0.0, 0.0};
        if (scale_one(ename, &none) != 0) return -1;
        ads_ssdel(ename, ss);
        return 0;
    }
    if (!g_map_params.projection || !applies(o, ent_type_code(ename))) return -1;
    struct resbuf *list = link_entget(ename);
    link_rec link;
    geo_point station;
    ads_name group = {0, 0};
    int found = list && link_xdata_parse(&link, list) == 0
                    ? scale_station_point(&link, o->point, &station, g_map_params.projection)
                    : -1;
    /* A station point that cannot be read stops the walk, said once. */
    if (link_read_failed(found)) {
        scale_read_failed(found, o->point);
        ads_relrb(list);
        return SS_WALK_STOP;
    }
    if (found != 0 || link_ss_same_row(list, SCALE_STATION_LEVEL, group) <= 0) {
        if (list) ads_relrb(list);
        return -1;
    }
    ads_relrb(list);
    long n = 0;
    ads_sslength(group, &n);
    ads_name e;
    for (long i = 0; i < n; ++i)
        if (ads_ssname(group, i, e) == RTNORM && !ename_equal(e, ename)) scale_related(e, &station, ss);
    ss_free(group);
    int rc = scale_one(ename, &station);
    if (rc == 0) ads_ssdel(ename, ss);
    return rc == 0 ? 0 : -1;
}

int scale_selection(void)
{
    if (scale_options_error(&g_scale_options)) return -1;
    ads_name ss = {0, 0};
    if (ads_ssget(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM) return -1;
    ads_printf("\n");
    s_scale_failed = 0;
    long scaled = ss_walk(ss, "Scaling...", scale_entity);
    ads_printf("\rScaled...  %ld\n", scaled);
    ss_free(ss);
    if (s_scale_failed) return link_read_report(&s_scale_table, s_scale_failed);
    msg_alert(k_title, "Scaled... %ld entities", scaled);
    return 0;
}

int pv_scale(struct resbuf *)
{
    scale_options_reset(&g_scale_options);
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(k_dialog, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, k_dialog);
        return ERR_LOAD_DIALOG;
    }
    scale_options *o = &g_scale_options;
    o->absolute = 1;
    o->text_size = g_map_params.text_height;
    o->symbol_size = g_map_params.scale;
    std::vector<pnt_rec *> setups = all_point_setups();
    std::vector<std::string> shown;
    for (pnt_rec *s : setups) shown.push_back(point_setup_name(s));
    std::vector<const char *> names;
    for (const std::string &n : shown) names.push_back(n.c_str());
    dlg_fill_list(dlg, k_point, names.data(), (int)names.size());
    dlg_register(dlg, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0]), nullptr);
    fill(dlg, o);
    int status = SCALE_DLG_CANCEL;
    ads_start_dialog(dlg, &status);
    if (status == SCALE_DLG_ACCEPT) scale_selection();
    scale_options_reset(&g_scale_options);
    return RTNORM;
}
