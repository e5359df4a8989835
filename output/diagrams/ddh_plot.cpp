/*
** ddh_plot.cpp: the drill-hole state and the stages that draw each hole
** as one POLYLINE: the collar octagon, the plan trace of the survey
** segments and the cross bar at its end, linked to the hole's station row
** in the polyline's extended data and in the editor's link store.
**
** A segment of length L dipping delta adds |L cos delta| to the trace. On
** a map with a projection the trace is laid out on the map's ellipsoid:
** from the collar's longitude and latitude each vertex is the point that
** distance away along the geodesic of the row's azimuth (from true north),
** carried into the map by its projection. On a map without one (USER) the
** trace runs in map coordinates, in the direction theta (the drawing angle
** of the azimuth), as ever. The first segments whose run
** stays within the collar's radius W/2 on the map draw nothing; once it
** reaches W/2 the octagon is drawn and every later row of the hole adds
** its vertex.
*/
#include "output/diagrams/ddh_plot.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "coords/geodesic.h"
#include "coords/prj_transform.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "draw/draw_util.h"
#include "draw/ent_make.h"
#include "draw/link.h"
#include "draw/link_ase.h"
#include "draw/map_params.h"
#include "output/diagrams/diagram_road.h"

ddh_state g_ddh;

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kEighth = kPi / 4;      /* between octagon vertices          */
constexpr int kOctagonVertices = 9;      /* the octagon closed on its first vertex */
constexpr double kNorthBase = 90.0;      /* azimuths: base 90 degrees ...      */
constexpr int kClockwise = 1;            /* ... measured clockwise             */
constexpr int kPlacementMode = 3;        /* the polyline's placement mode      */
constexpr int kLinked = 5100;            /* link_ase_create's success          */
constexpr int kNonBlank = 5100;          /* str_nonblank of a text             */

/* The collar's width W. */
double collar_width(void)
{
    return g_ddh.placement.size;
}

/* Forgets the current hole; the run too unless keep_run. */
void hole_reset(int keep_run)
{
    if (!keep_run) g_ddh.run = g_ddh.reach = g_ddh.failed = 0;
    g_ddh.hole[0] = '\0';
    g_ddh.number = 0;
    g_ddh.collar_drawn = 0;
    g_ddh.collar_known = 0;
    g_ddh.ground = 0;
    g_ddh.collar = g_ddh.previous = g_ddh.last = geo_point{0, 0, 0, 0};
    g_ddh.collar_geo = g_ddh.last_geo = geo_point{0, 0, 0, 0};
    link_clear(&g_ddh.placement.link);
}

/* A value of the row read as a number. */
double value_of(const sql_col_rec *c)
{
    return atof(c->text);
}

/* One survey segment: its azimuth, the drawing angle of that azimuth
** and its horizontal length. */
struct segment_rec {
    double azimuth;   /* degrees clockwise from north */
    double theta;     /* drawing angle, radians (a map without a projection) */
    double h;         /* horizontal length */
};

/* The row's segment. */
segment_rec segment(void)
{
    segment_rec s;
    s.azimuth = value_of(g_ddh.strike);
    s.theta = ang_user_to_drawing(s.azimuth, kNorthBase, kClockwise);
    s.h = std::fabs(value_of(g_ddh.length) * std::cos(ang_deg_to_rad(value_of(g_ddh.dip))));
    return s;
}

/* A point at distance d from p in direction t. */
geo_point toward(const geo_point &p, double d, double t)
{
    return geo_point{p.x + d * std::cos(t), p.y + d * std::sin(t), p.z, 0};
}

/* 1 when the map's system has a projection: a geographic or projected
** system on an ellipsoid, whose points have a place on the ground. */
int map_on_ground(void)
{
    const prj_rec *m = g_map_params.projection;
    return m && m->dtm && m->type >= PRJ_TYPE_GEOGRAPHIC && m->type < PRJ_TYPE_USER;
}

/* The geographic system of the map's ellipsoid, into *g. */
void ground_system(prj_rec *g)
{
    prj_init(g);
    snprintf(g->name, sizeof g->name, "GEOGRAPHIC");
    g->type = PRJ_TYPE_GEOGRAPHIC;
    g->units = PRJ_UNIT_DEGREES;
    g->dtm = g_map_params.projection->dtm;
}

/* A map point's longitude and latitude on the map's ellipsoid. 1; 0 when
** it cannot be converted. */
int map_to_ground(const geo_point &p, geo_point *geo)
{
    prj_rec g;
    ground_system(&g);
    return prj_transform_point(&p, g_map_params.projection, geo, &g);
}

/* A point of the ground in the map, its longitude kept next to the
** collar's on a geographic map. 1; 0 when it cannot be converted. */
int ground_to_map(const geo_point &geo, geo_point *p)
{
    prj_rec g;
    ground_system(&g);
    if (!prj_transform_point(&geo, &g, p, g_map_params.projection)) return 0;
    if (g_map_params.projection->type == PRJ_TYPE_GEOGRAPHIC)
        p->x = g_ddh.collar.x + geo_lon_reduce(p->x - g_ddh.collar.x);
    p->z = 0;
    p->w = 0;
    return 1;
}

/* The point at distance d along the segment from a vertex (map point p,
** on the ground at geo): into *at in map coordinates and *at_geo on the
** ground. 0; -1 when it cannot be placed. */
int trace_point(const geo_point &p, const geo_point &geo, double d, const segment_rec &s, geo_point *at,
                geo_point *at_geo)
{
    if (!g_ddh.ground) {
        *at = toward(p, d, s.theta);
        return 0;
    }
    geo_point next = {0, 0, 0, 0};
    if (!geo_direct(g_map_params.projection->dtm->a_m, g_map_params.projection->dtm->b_m, geo.x, geo.y, s.azimuth, d,
                    &next.x, &next.y))
        return -1;
    next.x = geo_lon_reduce(next.x);
    if (!ground_to_map(next, at)) return -1;
    *at_geo = next;
    return 0;
}

/* 1 when the row has its survey values: azimuth, dip and length neither
** null nor blank. */
int has_survey(void);

/* Adds a vertex (without link) to the open polyline; previous and last
** move on. 0; the maker's failure. */
int add_vertex(const geo_point &p)
{
    sym_place_rec v = g_ddh.placement;
    link_clear(&v.link);
    v.ins = p;
    int rc = ent_make_vertex(&v);
    if (rc == 0) {
        g_ddh.previous = g_ddh.last;
        g_ddh.last = p;
    }
    return rc;
}

/* 1 when the column's value is null or blank. */
int missing(const sql_col_rec *c)
{
    return c->null_ind == SQL_COL_NULL || str_nonblank(c->text) != kNonBlank;
}

int has_survey(void)
{
    return !missing(g_ddh.strike) && !missing(g_ddh.dip) && !missing(g_ddh.length);
}

/* Gives up an open polyline; answers rc. */
int abandon(int rc)
{
    ads_entmake(nullptr);
    return rc;
}

/* The current hole cannot be placed on the map: its open polyline is
** given up and the rest of its rows add nothing. Answers -1. */
int unplaceable(void)
{
    if (g_ddh.collar_drawn) abandon(-1);
    g_ddh.collar_drawn = 0;
    g_ddh.failed = 1;
    return -1;
}

}  // namespace

/* Forgets everything; see ddh_plot.h. */
void ddh_reset_all(void)
{
    g_ddh.strike = g_ddh.dip = g_ddh.length = nullptr;
    g_ddh.row = g_ddh.station = g_ddh.unique = g_ddh.x = g_ddh.y = nullptr;
    g_ddh.project = nullptr;
    g_ddh.projection = nullptr;
    if (!g_ddh.symbol) g_ddh.symbol = sym_new();
    if (g_ddh.symbol && ddh_default_symbol(g_ddh.symbol) != 0) {
        sym_free(g_ddh.symbol);
        g_ddh.symbol = nullptr;
    }
    ddh_placement_from_symbol(g_ddh.symbol, &g_ddh.placement);
    hole_reset(0);
    g_ddh.unplaced = 0;
    g_ddh.first_unplaced[0] = g_ddh.unplaced_why[0] = '\0';
}

/* The default setup; see ddh_plot.h. */
int ddh_default_symbol(sym_rec *setup)
{
    return diagram_default_setup(setup, DDH_SETUP_NAME, SYM_OWNER_COLUMN);
}

/* Normalises a setup; see ddh_plot.h. */
void ddh_normalise_symbol(sym_rec *setup)
{
    if (!setup) return;
    if (setup->colour < SYM_PLACE_COLOUR_NONE || setup->colour == 0) setup->colour = SYM_PLACE_COLOUR_NONE;
    if (!(setup->scale > 0)) setup->scale = 1.0f;
    if (setup->line_width < 0) setup->line_width = 0;
}

/* The polyline's placement; see ddh_plot.h. */
void ddh_placement_from_symbol(const sym_rec *setup, sym_place_rec *placement)
{
    sym_place_init(placement);
    if (setup) {
        placement->layer = setup->layer;
        placement->size = setup->scale;
        placement->line_width = setup->line_width;
        placement->colour = setup->colour;
    }
    placement->mode = kPlacementMode;
}

/* Checks the settings; see ddh_plot.h. */
int ddh_check(void)
{
    const ddh_state &s = g_ddh;
    if (!s.strike || !s.dip || !s.length || !s.station || !s.unique || !s.x || !s.y || !s.projection) return -1;
    for (const sql_col_rec *c : {s.strike, s.dip, s.length, s.unique, s.x, s.y})
        if (c->sql_type == SQL_TYPE_CHAR) return -1;
    if (s.strike == s.dip || s.strike == s.length || s.dip == s.length || s.x == s.y) return -1;
    if (s.unique == s.strike || s.unique == s.dip || s.unique == s.length) return -1;
    return 0;
}

/* Plots the row; see ddh_plot.h. */
int ddh_plot_row(void)
{
    if (ddh_check() != 0) return -2;
    if (!g_map_params.projection) return -1;
    for (const sql_col_rec *c : {g_ddh.station, g_ddh.unique, g_ddh.x, g_ddh.y})
        if (missing(c)) return -1;
    int same = ddh_same_hole();
    if (same < 0) return -1;
    if (same) {
        /* A row of the hole without survey values adds nothing. */
        if (has_survey()) ddh_extend();
        return -1;
    }
    int rc = ddh_finish();
    ddh_start();
    return rc;
}

/* Compares the row's station with the current hole; see ddh_plot.h. */
int ddh_same_hole(void)
{
    if (!g_ddh.station || missing(g_ddh.station)) return -1;
    if (!g_ddh.hole[0]) return 0;
    char text[DDH_HOLE_SIZE];
    snprintf(text, sizeof text, "%s", g_ddh.station->text);
    str_trim(text);
    if (g_ddh.station->sql_type == SQL_TYPE_CHAR) return str_eq_nocase(text, g_ddh.hole);
    return atof(text) == atof(g_ddh.hole);
}

/* Fills the link; see ddh_plot.h. */
void ddh_link(void)
{
    link_rec *l = &g_ddh.placement.link;
    link_clear(l);
    snprintf(l->project, sizeof l->project, "%s", g_ddh.project ? g_ddh.project->name : "");
    snprintf(l->table, sizeof l->table, "%s", g_ddh.unique ? g_ddh.unique->table : "");
    l->row_id = (int32_t)g_ddh.number;
    snprintf(l->key_column, sizeof l->key_column, "%s", g_ddh.unique ? g_ddh.unique->name : "");
    snprintf(l->key_value, sizeof l->key_value, "%s", g_ddh.hole);
}

/* Opens the polyline with the octagon; see ddh_plot.h. */
int ddh_collar(double start)
{
    int rc = ent_make_polyline(&g_ddh.placement);
    if (rc != 0) return rc;
    double r = collar_width() / 2;
    for (int k = 0; k < kOctagonVertices; k++) {
        rc = add_vertex(toward(g_ddh.collar, r, start + k * kEighth));
        if (rc != 0) return abandon(rc);
    }
    return 0;
}

/* Starts a hole; see ddh_plot.h. */
int ddh_start(void)
{
    double half = collar_width() / 2;
    if (g_ddh.collar_drawn || g_ddh.reach >= half || g_ddh.failed) return -1;
    hole_reset(1);
    snprintf(g_ddh.hole, sizeof g_ddh.hole, "%s", g_ddh.station->text);
    str_trim(g_ddh.hole);
    g_ddh.number = atol(g_ddh.unique->text);
    ddh_link();
    geo_point in = {value_of(g_ddh.x), value_of(g_ddh.y), 0, 0};
    if (!prj_transform_point(&in, g_ddh.projection, &g_ddh.collar, g_map_params.projection)) return unplaceable();
    g_ddh.collar.z = g_ddh.collar.w = 0;
    if (map_on_ground()) {
        if (!map_to_ground(g_ddh.collar, &g_ddh.collar_geo)) return unplaceable();
        g_ddh.ground = 1;
    }
    g_ddh.collar_known = 1;
    if (!has_survey()) return -1;
    segment_rec s = segment();
    geo_point first = g_ddh.collar, first_geo = g_ddh.collar_geo;
    if (trace_point(g_ddh.collar, g_ddh.collar_geo, g_ddh.run + s.h, s, &first, &first_geo) != 0) return unplaceable();
    g_ddh.run += s.h;
    double start = s.theta;
    if (g_ddh.ground) {
        g_ddh.reach = std::hypot(first.x - g_ddh.collar.x, first.y - g_ddh.collar.y);
        if (g_ddh.reach > 0) start = std::atan2(first.y - g_ddh.collar.y, first.x - g_ddh.collar.x);
    } else {
        g_ddh.reach = g_ddh.run;
    }
    if (g_ddh.reach < half) return -1;
    if (ddh_collar(start) != 0) return -1;
    g_ddh.collar_drawn = 1;
    g_ddh.last_geo = first_geo;
    if (g_ddh.reach > half && add_vertex(first) != 0) {
        g_ddh.collar_drawn = 0;
        return abandon(-1);
    }
    return 0;
}

/* Extends the hole; see ddh_plot.h. */
int ddh_extend(void)
{
    if (!g_ddh.collar_drawn) return ddh_start();
    segment_rec s = segment();
    geo_point at = g_ddh.last, at_geo = g_ddh.last_geo;
    if (trace_point(g_ddh.last, g_ddh.last_geo, s.h, s, &at, &at_geo) != 0) return unplaceable();
    if (add_vertex(at) != 0) return -1;
    g_ddh.last_geo = at_geo;
    g_ddh.run += s.h;
    return 0;
}

/* Ends the hole; see ddh_plot.h. */
int ddh_finish(void)
{
    if (g_ddh.failed) {
        if (g_ddh.unplaced++ == 0) {
            snprintf(g_ddh.first_unplaced, sizeof g_ddh.first_unplaced, "%s", g_ddh.hole);
            prj_unusable_text(g_ddh.projection, g_map_params.projection, g_ddh.unplaced_why, sizeof g_ddh.unplaced_why);
        }
        hole_reset(0);
        return -1;
    }
    if (!(g_ddh.run > 0) && !g_ddh.collar_known) {
        hole_reset(0);
        return -1;
    }
    int rc;
    if (!g_ddh.collar_drawn) {
        rc = ddh_collar(0);
    } else {
        double a = std::atan2(g_ddh.last.y - g_ddh.previous.y, g_ddh.last.x - g_ddh.previous.x) + kPi / 2;
        double quarter = collar_width() / 4;
        geo_point one = toward(g_ddh.last, quarter, a), other = toward(g_ddh.last, quarter, a + kPi);
        rc = add_vertex(one);
        if (rc == 0) rc = add_vertex(other);
        if (rc != 0) rc = abandon(rc);
    }
    if (rc == 0) rc = ent_make_seqend();
    if (rc != 0) {
        hole_reset(0);
        return -1;
    }
    ads_name e;
    if (!link_incomplete(&g_ddh.placement.link) && ads_entlast(e) == RTNORM &&
        link_ase_create(&g_ddh.placement.link, e) != kLinked) {
        ads_entdel(e);
        rc = -1;
    }
    hole_reset(0);
    return rc;
}

/* Ends the plot; see ddh_plot.h. */
int ddh_plot_end(void)
{
    int rc = ddh_finish();
    long unplaced = g_ddh.unplaced;
    char first[DDH_HOLE_SIZE], why[DDH_WHY_SIZE];
    snprintf(first, sizeof first, "%s", g_ddh.first_unplaced);
    snprintf(why, sizeof why, "%s", g_ddh.unplaced_why);
    ddh_reset_all();
    g_ddh.unplaced = unplaced;
    snprintf(g_ddh.first_unplaced, sizeof g_ddh.first_unplaced, "%s", first);
    snprintf(g_ddh.unplaced_why, sizeof g_ddh.unplaced_why, "%s", why);
    return rc;
}
