/*
** prj_project.cpp: pv_map (the map setup dialog), pv_project (the target
** system dialog) and prj_project_drawing, the walk that converts every
** entity of the drawing point by point.
**
** The walk keeps the open POLYLINE: its vertices are converted into kept
** lists and written only at its SEQEND, when every vertex converted, so a
** polyline moves whole or not at all and counts once.
*/
#include "map/prj_project.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "coords/prj_transform.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/str_util.h"
#include "core/tile_util.h"
#include "draw/draw_util.h"
#include "draw/map_params.h"
#include "map/crs_dialogs.h"

namespace {

/* Format of the scale, height and north angle fields. */
constexpr const char *MAP_FIELD_FORMAT = "%lf";
/* Group codes of the positions of an entity. */
constexpr int PRJ_GROUP_FIRST_POINT = 10;
constexpr int PRJ_GROUP_LAST_POINT = 13;
/* Group of the block name of an INSERT. */
constexpr int PRJ_GROUP_BLOCK = 2;
/* Room of the "other entities" part of the summary. */
constexpr int PRJ_SUMMARY_SIZE = 128;

/* ---- prj_project_drawing ------------------------------------------------ */

/* The two systems of a walk and its counts. */
struct prj_walk {
    prj_rec *from;                       /* the map's system */
    prj_rec *to;                         /* the target system */
    long projected;                      /* entities converted */
    long other;                          /* entities left as they were */
    ads_name polyline;                   /* the open POLYLINE; zero when none */
    int polyline_ok;                     /* 1 while each of its vertices converted */
    std::vector<struct resbuf *> vertices; /* its converted vertices, to write at SEQEND */
};

/* Converts one point from the map's system into the target. 1; 0 when it
** cannot be converted. */
int prj_walk_point(const prj_walk *w, ads_point pt)
{
    geo_point in = {pt[0], pt[1], pt[2], 0.0}, out;
    if (!prj_transform_point(&in, w->from, &out, w->to)) return 0;
    pt[0] = out.x;
    pt[1] = out.y;
    return 1;
}

/* Converts every position (groups 10 to 13) of an entity's list, each
** from the entity's own system to world, into the target and back. 1 when
** all converted; 0 at the first that did not (the list is then partly
** changed and must not be written). */
int prj_walk_positions(const prj_walk *w, const ads_name ename, struct resbuf *list)
{
    struct resbuf ent, world;
    ent.restype = RTENAME;
    ename_copy(ent.resval.rlname, ename);
    ent.rbnext = nullptr;
    world.restype = RTSHORT;
    world.resval.rint = ADS_TRANS_WCS;
    world.rbnext = nullptr;
    for (struct resbuf *rb = list; rb; rb = rb->rbnext) {
        if (rb->restype < PRJ_GROUP_FIRST_POINT || rb->restype > PRJ_GROUP_LAST_POINT) continue;
        ads_point pt;
        if (ads_trans(rb->resval.rpoint, &ent, &world, 0, pt) != RTNORM || !prj_walk_point(w, pt) ||
            ads_trans(pt, &world, &ent, 0, rb->resval.rpoint) != RTNORM)
            return 0;
    }
    return 1;
}

/* Converts the stored group 10 points of an LWPOLYLINE. 1 when all did. */
int prj_walk_lwpolyline(const prj_walk *w, struct resbuf *list)
{
    for (struct resbuf *rb = list; rb; rb = rb->rbnext)
        if (rb->restype == PRJ_GROUP_FIRST_POINT && !prj_walk_point(w, rb->resval.rpoint)) return 0;
    return 1;
}

/* Frees the kept vertices of the open polyline. */
void prj_walk_drop_vertices(prj_walk *w)
{
    for (struct resbuf *v : w->vertices) ads_relrb(v);
    w->vertices.clear();
}

/* SEQEND of the open polyline: its vertices are written when all of them
** converted and it counts as projected, else it stays and counts as other. */
void prj_walk_close_polyline(prj_walk *w)
{
    int ok = w->polyline_ok;
    for (struct resbuf *v : w->vertices)
        if (ok && ads_entmod(v) != RTNORM) ok = 0;
    if (ok) {
        ads_entupd(w->polyline);
        ++w->projected;
    } else {
        ++w->other;
    }
    prj_walk_drop_vertices(w);
    w->polyline[0] = w->polyline[1] = 0;
}

/* 1 when the entity is the reference of the map setup block. */
int prj_walk_is_setup_insert(struct resbuf *list)
{
    struct resbuf *name = rb_find(list, PRJ_GROUP_BLOCK);
    return g_map_params.block_name[0] && name && name->restype == PRJ_GROUP_BLOCK && name->resval.rstring &&
           str_eq_nocase(name->resval.rstring, g_map_params.block_name);
}

/* The type code of an entity's list (group 0); ENT_TYPE_UNKNOWN for none. */
int prj_walk_type(struct resbuf *list)
{
    struct resbuf *t = rb_find(list, 0);
    if (!t || !t->resval.rstring) return ENT_TYPE_UNKNOWN;
    int type = ent_type_of_name(t->resval.rstring);
    return type > 0 ? type : ENT_TYPE_UNKNOWN;
}

/* One entity of the walk; its list is read once and released here. */
void prj_walk_entity(prj_walk *w, const ads_name ename)
{
    struct resbuf *list = ads_entget(ename);
    int type = list ? prj_walk_type(list) : ENT_TYPE_UNKNOWN;
    int open = w->polyline[0] || w->polyline[1];
    switch (type) {
        case ENT_TYPE_BLOCK:
        case ENT_TYPE_ENDBLK:
        case ENT_TYPE_VIEWPORT:
        case ENT_TYPE_DIMENSION:
        case ENT_TYPE_UNKNOWN:
            /* Groups 10 to 13 of the unnamed types are not all positions. */
            if (open && !list) w->polyline_ok = 0;
            else ++w->other;
            ads_relrb(list);
            return;
        case ENT_TYPE_POLYLINE:
            if (open) prj_walk_close_polyline(w);
            ename_copy(w->polyline, ename);
            w->polyline_ok = 1;
            ads_relrb(list);
            return;
        case ENT_TYPE_SEQEND:
            if (open) prj_walk_close_polyline(w);
            ads_relrb(list);
            return;
        default:
            break;
    }
    if (type == ENT_TYPE_INSERT && prj_walk_is_setup_insert(list)) {
        ads_relrb(list);
        return;
    }
    if (type == ENT_TYPE_VERTEX && open) {
        if (w->polyline_ok && prj_walk_positions(w, ename, list)) {
            w->vertices.push_back(list);
            return;
        }
        w->polyline_ok = 0;
        ads_relrb(list);
        return;
    }
    int ok = type == ENT_TYPE_LWPOLYLINE ? prj_walk_lwpolyline(w, list) : prj_walk_positions(w, ename, list);
    if (ok && ads_entmod(list) == RTNORM) {
        ads_entupd(ename);
        ++w->projected;
    } else {
        ++w->other;
    }
    ads_relrb(list);
}

/* ---- pv_project ---------------------------------------------------------- */

/* The target chosen in pv_project. */
struct project_choice {
    prj_rec *to;   /* the chosen system; null none */
};

/* "accept" of pv_project: 1 with another system chosen, else 0. */
void project_accept(ads_callback_packet *cpkt)
{
    auto *ch = (project_choice *)cpkt->client_data;
    prj_rec *out = prj_dlg_chosen_system(cpkt->dialog, "proj_out");
    if (!g_map_params.projection) {
        msg_alert(ERR_TITLE, "Invalid map projection");
        ads_done_dialog(cpkt->dialog, DLGCANCEL);
        return;
    }
    if (!out) {
        msg_alert(ERR_TITLE, "Invalid new projection");
        ads_done_dialog(cpkt->dialog, DLGCANCEL);
        return;
    }
    if (out == g_map_params.projection) {
        ads_done_dialog(cpkt->dialog, DLGCANCEL);
        return;
    }
    ch->to = out;
    ads_done_dialog(cpkt->dialog, DLGOK);
}

/* "cancel" of both dialogs. */
void dialog_cancel(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

const dlg_tile k_project_tiles[] = {{"accept", project_accept}, {"cancel", dialog_cancel}};

/* ---- pv_map --------------------------------------------------------------- */

/* "accept" of pv_map: every field checked in order, then stored. */
void map_accept(ads_callback_packet *cpkt)
{
    ads_hdlg dlg = cpkt->dialog;
    prj_rec *prj = prj_dlg_chosen_system(dlg, "proj_in");
    if (!prj) return prj_dlg_error(dlg, "ERROR: Invalid projection");
    double scale = prj_dlg_tile_number(dlg, "proj_scale");
    if (!(scale > 0.0) || !std::isfinite(scale)) return prj_dlg_error(dlg, "ERROR: Invalid scale");
    double height = prj_dlg_tile_number(dlg, "proj_height");
    if (!(height > 0.0) || !std::isfinite(height)) return prj_dlg_error(dlg, "ERROR: Invalid height");
    double north = prj_dlg_tile_number(dlg, "proj_angbase");
    if (!std::isfinite(north)) return prj_dlg_error(dlg, "ERROR: Specify north angle");
    char clock[TILE_BUF_SIZE] = "";
    ads_get_tile(dlg, "proj_clock", clock, sizeof clock);
    str_upper(str_trim(clock));
    if (clock[0] != 'N' && clock[0] != 'Y') return prj_dlg_error(dlg, "ERROR: Specify Y or N for clockwise angles");
    map_params_set_projection(&g_map_params, prj);
    g_map_params.scale = scale;
    g_map_params.text_height = height;
    g_map_params.angle_base = north;
    g_map_params.angle_dir = clock[0] == 'N' ? 0 : 1;
    ads_done_dialog(dlg, DLGOK);
}

const dlg_tile k_map_tiles[] = {{"accept", map_accept}, {"cancel", dialog_cancel}};

}  // namespace

/* Converts the drawing into another system; see prj_project.h. */
int prj_project_drawing(prj_rec *to)
{
    if (!g_map_params.projection || !to) return -2;
    prj_walk w;
    w.from = g_map_params.projection;
    w.to = to;
    w.projected = w.other = 0;
    w.polyline[0] = w.polyline[1] = 0;
    w.polyline_ok = 0;
    ads_printf("\nEntities... 0");
    ads_name e = {0, 0}, next;
    while (ads_entnext(e, next) == RTNORM && (next[0] || next[1])) {
        ename_copy(e, next);
        prj_walk_entity(&w, e);
        ads_printf("\rEntities... %ld", w.projected);
    }
    /* A polyline the drawing leaves without SEQEND stays as it was. */
    if (w.polyline[0] || w.polyline[1]) {
        prj_walk_drop_vertices(&w);
        ++w.other;
    }
    map_params_set_projection(&g_map_params, to);
    char others[PRJ_SUMMARY_SIZE] = "";
    if (w.other) std::snprintf(others, sizeof others, "\nERROR: Unable to project %ld other entities.", w.other);
    msg_alert(PRJ_PROJECT_TITLE, "%ld entities projected.%s", w.projected, others);
    ads_printf("\n");
    return 0;
}

/* The pv_project command; see prj_project.h. */
int pv_project(struct resbuf *)
{
    if (!g_map_params.projection) {
        msg_alert(ERR_TITLE, "No map projection defined. Use DU-ZOREZ to define the map projection.");
        return RTERROR;
    }
    ads_hdlg dlg = prj_dlg_open_dialog("pv_project");
    if (!dlg) return RTERROR;
    prj_dlg_fill_systems(dlg, "proj_in");
    prj_dlg_fill_systems(dlg, "proj_out");
    prj_dlg_select_system(dlg, "proj_in", g_map_params.projection);
    ads_mode_tile(dlg, "proj_in", MODE_DISABLE);
    if (!prj_dlg_select_system(dlg, "proj_out", g_map_params.projection)) ads_mode_tile(dlg, "proj_out", MODE_DISABLE);
    project_choice ch = {nullptr};
    dlg_register(dlg, k_project_tiles, (int)(sizeof k_project_tiles / sizeof k_project_tiles[0]), &ch);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    if (status == DLGOK && ch.to) prj_project_drawing(ch.to);
    return RTNORM;
}

/* The pv_map command; see prj_project.h. */
int pv_map(struct resbuf *)
{
    ads_hdlg dlg = prj_dlg_open_dialog("pv_map");
    if (!dlg) return RTERROR;
    prj_dlg_fill_systems(dlg, "proj_in");
    prj_dlg_select_system(dlg, "proj_in", g_map_params.projection);
    prj_dlg_set_number(dlg, "proj_scale", MAP_FIELD_FORMAT, g_map_params.scale);
    prj_dlg_set_number(dlg, "proj_height", MAP_FIELD_FORMAT, g_map_params.text_height);
    prj_dlg_set_number(dlg, "proj_angbase", MAP_FIELD_FORMAT, g_map_params.angle_base);
    ads_set_tile(dlg, "proj_clock", g_map_params.angle_dir ? "Y" : "N");
    dlg_register(dlg, k_map_tiles, (int)(sizeof k_map_tiles / sizeof k_map_tiles[0]), nullptr);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    if (status == DLGOK && map_params_update(&g_map_params) == -2 && map_params_write(&g_map_params) == 0)
        map_params_insert(&g_map_params);
    return RTNORM;
}
