/*
** prj_project.cpp: pv_map (the map setup dialog), pv_project (the target
** system dialog) and prj_project_drawing, the walk that converts every
** entity of the drawing point by point.
**
** The walk keeps the open POLYLINE: its vertices are converted into kept
** lists and written only at its SEQEND, when every vertex converted, so a
** polyline moves whole or not at all and counts once. A size or angle is
** converted through the images of points near the entity's insertion
** point, so a circle of 1000 m stays 1000 m across in degrees too and a
** strike symbol's bearing turns with the grid's convergence.
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
/* Groups of the sizes and angles converted with the points. */
constexpr int PRJ_GROUP_SIZE = 40;      /* radius, text height, shape size */
constexpr int PRJ_GROUP_X_SCALE = 41;   /* an INSERT's scales */
constexpr int PRJ_GROUP_Y_SCALE = 42;
constexpr int PRJ_GROUP_Z_SCALE = 43;
constexpr int PRJ_GROUP_ANGLE = 50;     /* rotation, or an arc's start (radians) */
constexpr int PRJ_GROUP_END_ANGLE = 51; /* an arc's end (radians) */
/* One turn, radians. */
constexpr double PRJ_FULL_TURN = 2.0 * M_PI;
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

/* A point between an entity's own system and world coordinates (world
** to the entity's when to_entity is 1). 1; 0 when the editor cannot
** convert it. */
int prj_walk_trans(const ads_name ename, const ads_point pt, int to_entity, ads_point out)
{
    struct resbuf ent, world;
    ent.restype = RTENAME;
    ename_copy(ent.resval.rlname, ename);
    ent.rbnext = nullptr;
    world.restype = RTSHORT;
    world.resval.rint = ADS_TRANS_WCS;
    world.rbnext = nullptr;
    return ads_trans(pt, to_entity ? &world : &ent, to_entity ? &ent : &world, 0, out) == RTNORM;
}

/* Converts every position (groups 10 to 13) of an entity's list, each
** from the entity's own system to world, into the target and back. 1 when
** all converted; 0 at the first that did not (the list is then partly
** changed and must not be written). */
int prj_walk_positions(const prj_walk *w, const ads_name ename, struct resbuf *list)
{
    for (struct resbuf *rb = list; rb; rb = rb->rbnext) {
        if (rb->restype < PRJ_GROUP_FIRST_POINT || rb->restype > PRJ_GROUP_LAST_POINT) continue;
        ads_point pt;
        if (!prj_walk_trans(ename, rb->resval.rpoint, 0, pt) || !prj_walk_point(w, pt) ||
            !prj_walk_trans(ename, pt, 1, rb->resval.rpoint))
            return 0;
    }
    return 1;
}

/* Where a direction at a point lands: the image of the point at distance
** d from `at` in the drawing direction a (radians), as its offset from the
** image `moved` of `at` itself. 1; 0 when that point cannot be converted. */
int prj_walk_image(const prj_walk *w, const ads_point at, const ads_point moved, double d, double a, double *dx,
                   double *dy)
{
    ads_point q = {at[0] + d * std::cos(a), at[1] + d * std::sin(a), at[2]};
    if (!prj_walk_point(w, q)) return 0;
    *dx = q[0] - moved[0];
    *dy = q[1] - moved[1];
    return 1;
}

/* An angle moved into [0, 2 pi). */
double prj_walk_turn(double a)
{
    a = std::fmod(a, PRJ_FULL_TURN);
    return a < 0.0 ? a + PRJ_FULL_TURN : a;
}

/* The real of group `code` of a list; null when it has none. With `add`
** a missing group is appended with its default value `value` (null
** without memory). */
double *prj_walk_real(struct resbuf *list, int code, bool add = false, double value = 0.0)
{
    struct resbuf *rb = rb_find(list, code);
    if (!rb && add && (rb = ads_buildlist(code, value, 0)) != nullptr) {
        struct resbuf *tail = list;
        while (tail->rbnext) tail = tail->rbnext;
        tail->rbnext = rb;
    }
    return rb ? &rb->resval.rreal : nullptr;
}

/* Converts the sizes and angles of an entity by the conversion's scale
** and direction at its insertion point `at` (world, before the move), whose
** image is `moved`: a radius or size s by the images of the points s east
** and s north of it (below), a rotation by the direction of the image of
** the size's segment in that direction, an arc's ends by the directions of
** the images of its end points; an INSERT's three scales follow its X scale.
** 1; 0 when a size or angle cannot be converted (the list is then partly
** changed and must not be written). */
int prj_walk_sizes(const prj_walk *w, int type, const ads_point at, const ads_point moved, struct resbuf *list)
{
    bool insert = type == ENT_TYPE_INSERT;
    bool round = type == ENT_TYPE_CIRCLE || type == ENT_TYPE_ARC;
    if (!insert && !round && type != ENT_TYPE_TEXT && type != ENT_TYPE_SHAPE && type != ENT_TYPE_ATTDEF &&
        type != ENT_TYPE_ATTRIB)
        return 1;
    /* An INSERT's scales left out are 1. */
    double *size = insert ? prj_walk_real(list, PRJ_GROUP_X_SCALE, true, 1.0) : prj_walk_real(list, PRJ_GROUP_SIZE);
    if (insert && (!size || !prj_walk_real(list, PRJ_GROUP_Y_SCALE, true, 1.0) ||
                   !prj_walk_real(list, PRJ_GROUP_Z_SCALE, true, 1.0)))
        return 0;
    if (!size || *size == 0.0) return 1;
    /* A size becomes that of the same area: the root of the area of the
    ** images of the sides s east and s north of the point, so a size keeps
    ** its length through a system whose degrees of longitude and latitude
    ** differ, and comes back whole. */
    double s = std::fabs(*size), ex, ey, nx, ny;
    if (!prj_walk_image(w, at, moved, s, 0.0, &ex, &ey) || !prj_walk_image(w, at, moved, s, M_PI / 2.0, &nx, &ny))
        return 0;
    double converted = std::sqrt(std::fabs(ex * ny - ey * nx));
    if (!(converted > 0.0)) return 0;
    const int angles[] = {PRJ_GROUP_ANGLE, PRJ_GROUP_END_ANGLE};
    for (int i = 0; i < (type == ENT_TYPE_ARC ? 2 : 1); ++i) {
        /* A rotation left out is 0, whose direction turns too. */
        double *a = prj_walk_real(list, angles[i], !round);
        if (!a) {
            if (!round) return 0;
            continue;
        }
        double dx, dy;
        if (!prj_walk_image(w, at, moved, s, *a, &dx, &dy)) return 0;
        *a = round ? prj_walk_turn(std::atan2(dy, dx)) : std::atan2(dy, dx);
    }
    double ratio = converted / s;
    if (!insert) {
        *size *= ratio;
        return 1;
    }
    for (int g : {PRJ_GROUP_X_SCALE, PRJ_GROUP_Y_SCALE, PRJ_GROUP_Z_SCALE})
        if (double *k = prj_walk_real(list, g)) *k *= ratio;
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
    int ok;
    if (type == ENT_TYPE_LWPOLYLINE) {
        ok = prj_walk_lwpolyline(w, list);
    } else {
        /* The insertion point in world coordinates and its image, where the
        ** sizes are converted. */
        ads_point at = {0.0, 0.0, 0.0}, moved;
        struct resbuf *ins = rb_find(list, PRJ_GROUP_FIRST_POINT);
        ok = !ins || prj_walk_trans(ename, ins->resval.rpoint, 0, at);
        std::memcpy(moved, at, sizeof moved);
        ok = ok && (!ins || prj_walk_point(w, moved)) && prj_walk_positions(w, ename, list) &&
             (!ins || prj_walk_sizes(w, type, at, moved, list));
    }
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
    char unusable[PRJ_SUMMARY_SIZE + PRJ_NAME_MAX] = "ERROR: ";
    if (prj_unusable_text(prj, nullptr, unusable + std::strlen(unusable), sizeof unusable - std::strlen(unusable)))
        return prj_dlg_error(dlg, unusable);
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
    /* A system no point converts with is named, and nothing moves. */
    char unusable[PRJ_SUMMARY_SIZE + PRJ_NAME_MAX];
    if (prj_unusable_text(g_map_params.projection, to, unusable, sizeof unusable)) {
        msg_alert(ERR_TITLE, "%s Nothing was projected.", unusable);
        return -1;
    }
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
