/*
** stereo_plot.cpp: the stereonet's state, its settings check, its default
** symbol setup and the three drawing stages. Everything is drawn in block
** units on a net of radius 1, collected in one selection set and made into
** the block named by the title, which the user places with a circle. A
** plane's great circle is an ARC on the stereographic net and a POLYLINE
** through its points on the equal-area net.
*/
#include "output/diagrams/stereo_plot.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "shapes/shape_store.h"
#include "core/pjct.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/sym_setup.h"
#include "core/tbl.h"
#include "draw/draw_util.h"
#include "draw/ent_make.h"
#include "draw/link.h"
#include "draw/link_ase.h"
#include "draw/map_params.h"
#include "draw/shape_block.h"
#include "draw/sym_place.h"
#include "output/diagrams/stereo_geom.h"

stereo_state g_stereo;

namespace {

constexpr double kNetRadius = 1.0;          /* the net in block units          */
constexpr double kNorthY = 1.2;             /* "N" above the net               */
constexpr double kNorthHeight = 0.15;       /* height of "N"                   */
constexpr double kTickEnd = 1.1;            /* north tick from the rim to here */
constexpr double kCrossHalf = 0.1;          /* half length of the centre cross */
constexpr double kTitleX = 1.6;             /* title's distance right of the centre */
constexpr double kTitleHeight = 0.12;       /* height of the title             */
constexpr double kQuarterDeg = 90.0;        /* right angle, degrees            */
constexpr double kOutcropScale = 0.02;      /* default shape symbol's size     */
constexpr double kTextScale = 0.1;          /* default text symbol's size      */
constexpr double kShapeMinSize = 0.025;     /* shape size when the setup has none */
constexpr const char *kOutcropShape = "OUTCROP"; /* default shape symbol      */
constexpr const char *kTextSymbol = "x";    /* default text symbol             */
constexpr int kPlotRadiusOk = 0;            /* result of a computed point      */

/* The project's stereonet setup; null when none. */
sym_rec *stereo_setup(void)
{
    return g_stereo.project ? sym_find(g_stereo.project->symbols, STEREO_SETUP_NAME) : nullptr;
}

/* The layer of every stereonet entity. */
const char *stereo_layer(void)
{
    sym_rec *s = stereo_setup();
    return s && s->layer[0] ? s->layer : STEREO_SETUP_NAME;
}

/* Adds the drawing's last entity to the net's set; 0, else -1. */
int stereo_collect(void)
{
    return ss_add_last(g_stereo.selection) == RTNORM ? 0 : -1;
}

/* A text of the frame, collected. 0, else -1. */
int stereo_frame_text(const char *text, double x, double y, double size, double angle)
{
    sym_place_rec t;
    sym_place_init(&t);
    t.name = text;
    t.layer = stereo_layer();
    t.ins.x = x;
    t.ins.y = y;
    t.size = size;
    t.colour = 0;
    t.angle = angle;
    t.mode = SYM_MODE_TEXT;
    if (sym_place_text(&t) != 0) return -1;
    return stereo_collect();
}

/* A line of the frame, collected. 0, else -1. */
int stereo_frame_line(double x1, double y1, double x2, double y2)
{
    geo_point a = {x1, y1, 0, 0}, b = {x2, y2, 0, 0};
    if (ent_make_line(&a, &b, stereo_layer(), 0, nullptr) != 0) return -1;
    return stereo_collect();
}

/* Draws the frame; 0, else -1. */
int stereo_draw_frame(void)
{
    geo_point centre = {0, 0, 0, 0};
    if (ent_make_circle(&centre, kNetRadius, stereo_layer(), 0) != 0 || stereo_collect() != 0) return -1;
    if (stereo_frame_text("N", 0, kNorthY, kNorthHeight, 0) != 0) return -1;
    if (stereo_frame_line(0, kNetRadius, 0, kTickEnd) != 0) return -1;
    if (stereo_frame_line(0, -kCrossHalf, 0, kCrossHalf) != 0) return -1;
    if (stereo_frame_line(-kCrossHalf, 0, kCrossHalf, 0) != 0) return -1;
    double half = strlen(g_stereo.title) * SYM_PLACE_WIDTH_FACTOR * kTitleHeight / 2.0;
    double b = ang_deg_to_rad(g_map_params.angle_base);
    double x = kTitleX * std::cos(b) - half * std::sin(b);
    double y = -half * std::cos(b) - kTitleX * std::sin(b);
    return stereo_frame_text(g_stereo.title, x, y, kTitleHeight, kQuarterDeg - g_map_params.angle_base);
}

/* The number in the row's column matching `chosen`; 0 with *value set,
** -1 when missing, null or blank. */
int stereo_value(const sql_col_rec *chosen, double *value)
{
    sql_col_rec *c = sql_col_find(g_stereo.row, chosen->name, chosen->table, nullptr);
    if (!c || c->null_ind == SQL_COL_NULL || !c->text) return -1;
    const char *p = c->text;
    while (*p == ' ') ++p;
    if (!*p) return -1;
    char *end = nullptr;
    *value = strtod(p, &end);
    return end == p ? -1 : 0;
}

/* Moves a shape's insertion point so that the middle of the shape's
** extents, scaled and turned as the INSERT draws it, falls on the point;
** a shape without extents stays on its origin. */
void stereo_centre_shape(sym_place_rec *r)
{
    double min_x, min_y, max_x, max_y;
    if (!shape_extents_by_name(r->name, &min_x, &min_y, &max_x, &max_y)) return;
    double cx = (min_x + max_x) / 2.0 * r->size, cy = (min_y + max_y) / 2.0 * r->size;
    double turn = sym_place_drawing_angle(r) - M_PI / 2.0; /* the INSERT's rotation */
    r->ins.x -= cx * std::cos(turn) - cy * std::sin(turn);
    r->ins.y -= cx * std::sin(turn) + cy * std::cos(turn);
}

/* Places a pole or line point with the setup's symbol, centred on it; 0,
** else -1. */
int stereo_place_point(const geo_point *point, link_rec *link)
{
    sym_rec *s = stereo_setup();
    sym_rec *fallback = s ? nullptr : stereo_default_symbol();
    sym_rec *use = s ? s : fallback;
    if (!use) return -1;
    sym_place_rec r;
    sym_place_init(&r);
    r.name = use->symbol;
    r.font = use->library;
    r.layer = stereo_layer();
    r.colour = use->colour;
    r.size = use->scale;
    r.angle = use->angle;
    r.angle_offset = use->angle_offset;
    r.ins = *point;
    r.link = *link;
    int rc = -1;
    if (use->flags & SYM_SYMBOL) {
        r.angle += kQuarterDeg;
        r.mode = SYM_MODE_INSERT;
        if (r.size <= 0) r.size = kShapeMinSize;
        stereo_centre_shape(&r);
        rc = sym_place_insert_shape(&r);
    } else if (use->flags & SYM_TEXT) {
        r.mode = SYM_MODE_TEXT;
        r.justify = SYM_JUSTIFY_MIDDLE;
        if (r.size <= 0) r.size = kTextScale;
        rc = sym_place_text(&r);
    }
    sym_free(fallback);
    return rc == 0 ? 0 : -1;
}

/* A curve of the net as a POLYLINE through its points carrying the row's
** link and its host link (its vertices carry none); 0, else -1. */
int stereo_draw_curve(const std::vector<geo_point> &points, int colour, link_rec *link)
{
    sym_place_rec head;
    sym_place_init(&head);
    head.layer = stereo_layer();
    head.colour = colour;
    head.link = *link;
    if (ent_make_polyline(&head) != 0) return -1;
    sym_place_rec vertex = head;
    link_clear(&vertex.link);
    for (const geo_point &p : points) {
        vertex.ins = p;
        if (ent_make_vertex(&vertex) != 0) return -1;
    }
    if (ent_make_seqend() != 0) return -1;
    return link_ase_create(link, head.ename) == RTNORM ? 0 : -1;
}

/* Resets and gives LIMCHECK back; answers rc. */
int stereo_abandon(int rc)
{
    stereo_reset();
    limcheck_suspend(1);
    return rc;
}

}  // namespace

/* Sets the defaults; see stereo_plot.h. */
void stereo_reset(void)
{
    g_stereo.planar = g_stereo.linear = g_stereo.stereographic = 0;
    g_stereo.great_circle = g_stereo.pole = g_stereo.dip_direction = g_stereo.plunge_direction = 0;
    g_stereo.equal_area = 1;
    g_stereo.strike = g_stereo.dip = g_stereo.trend = g_stereo.plunge = nullptr;
    g_stereo.row = nullptr;
    if (!ename_isnull(g_stereo.selection)) ss_delete_entities(g_stereo.selection);
    ename_clear(g_stereo.selection);
}

/* Answers 0 when the settings are complete, else -1. */
int stereo_check(void)
{
    const stereo_state &s = g_stereo;
    if (!s.project) return -1;
    if ((s.equal_area >= 1) == (s.stereographic >= 1)) return -1;
    if ((s.planar >= 1) == (s.linear >= 1)) return -1;
    if (s.linear >= 1) return s.trend && s.plunge ? 0 : -1;
    if (!s.strike || !s.dip) return -1;
    return (s.pole >= 1) != (s.great_circle >= 1) ? 0 : -1;
}

/* Answers a new default setup, or null without memory. */
sym_rec *stereo_default_symbol(void)
{
    sym_rec *s = sym_new();
    if (!s) return nullptr;
    s->owner_kind = SYM_OWNER_COLUMN;
    snprintf(s->layer, sizeof s->layer, "%s", STEREO_SETUP_NAME);
    s->colour = 0;
    int ok = sym_set_text(&s->item_name, STEREO_SETUP_NAME) == 0;
    const shape_entry *shape = shape_find_any(kOutcropShape);
    const shape_lib_rec *lib = shape ? shape_lib_get(shape->slot) : nullptr;
    if (shape && lib) {
        s->flags = SYM_SYMBOL;
        s->scale = (float)kOutcropScale;
        ok = ok && sym_set_text(&s->symbol, kOutcropShape) == 0 && sym_set_text(&s->library, lib->name) == 0;
    } else {
        s->flags = SYM_TEXT;
        s->scale = (float)kTextScale;
        ok = ok && sym_set_text(&s->symbol, kTextSymbol) == 0;
    }
    if (!ok) {
        sym_free(s);
        return nullptr;
    }
    return s;
}

/* Draws the frame; see stereo_plot.h. */
int stereo_plot_begin(void)
{
    if (stereo_check() != 0) return -1;
    ename_clear(g_stereo.selection);
    sym_rec *s = stereo_setup();
    if (s && (s->flags & SYM_SYMBOL)) {
        if (!s->library || !s->symbol || shape_lib_load_cmd(s->library) != 0 ||
            sym_block_from_shape(s->symbol, stereo_layer()) != 0)
            return -1;
    }
    limcheck_suspend(0);
    if (ss_new(g_stereo.selection) != RTNORM || stereo_draw_frame() != 0) return stereo_abandon(-1);
    return 0;
}

/* Discards the net under way; see stereo_plot.h. */
void stereo_plot_discard(void)
{
    stereo_abandon(0);
}

/* Plots the state's row; see stereo_plot.h. */
int stereo_plot_row(void)
{
    if (stereo_check() != 0 || !g_stereo.row) return -2;
    int type = g_stereo.equal_area >= 1 ? STEREO_EQUAL_AREA : STEREO_STEREOGRAPHIC;
    int planes = g_stereo.planar >= 1;
    const sql_col_rec *azimuth_col = planes ? g_stereo.strike : g_stereo.trend;
    const sql_col_rec *angle_col = planes ? g_stereo.dip : g_stereo.plunge;
    double azimuth, angle;
    if (stereo_value(azimuth_col, &azimuth) != 0 || stereo_value(angle_col, &angle) != 0) return -1;
    const sql_col_rec *table_col = planes ? g_stereo.dip : g_stereo.trend;
    tbl_rec *t = tbl_find_by_name(g_stereo.project->tables, table_col->table, nullptr);
    sql_col_rec *key = t ? t->keys[TBL_KEY_BASENUMBER] : nullptr;
    sql_col_rec *key_value = key ? sql_col_find(g_stereo.row, key->name, nullptr, nullptr) : nullptr;
    if (!key_value || !key_value->text || key_value->text[strspn(key_value->text, " ")] == '\0') return -1;
    link_rec link;
    if (link_from_row(&link, g_stereo.row, key_value) != 0) return -1;
    geo_point p = {0, 0, 0, 0};
    int rc;
    if (planes && g_stereo.great_circle >= 1) {
        sym_rec *s = stereo_setup();
        int colour = s ? s->colour : 0;
        /* Circles stay circles on the stereographic net only; a horizontal
        ** plane is the primitive on both. */
        if (type == STEREO_EQUAL_AREA && angle != 0.0) {
            std::vector<geo_point> points;
            if (stereo_great_circle_points(azimuth, angle, kNetRadius, g_stereo.dip_direction >= 1, type, &points) !=
                STEREO_OK)
                return -1;
            rc = stereo_draw_curve(points, colour, &link);
        } else {
            double radius = kNetRadius, start, end;
            if (stereo_great_circle(azimuth, angle, &radius, g_stereo.dip_direction >= 1, type, &p, &start, &end) !=
                STEREO_OK)
                return -1;
            rc = ent_make_arc(&p, radius, start, end, stereo_layer(), colour, &link);
        }
    } else {
        rc = planes ? stereo_pole_point(azimuth, angle, kNetRadius, g_stereo.dip_direction >= 1, type, &p)
                    : stereo_line_point(azimuth, angle, kNetRadius, g_stereo.plunge_direction >= 1, type, &p);
        if (rc != kPlotRadiusOk) return -1;
        rc = stereo_place_point(&p, &link);
    }
    if (rc != 0) return -1;
    return stereo_collect();
}

/* Makes and places the block; see stereo_plot.h. */
int stereo_plot_end(void)
{
    if (stereo_check() != 0) return stereo_abandon(-2);
    str_make_ident(g_stereo.title);
    if (ss_make_block(g_stereo.selection, g_stereo.title) != RTNORM) return stereo_abandon(-1);
    ss_free(g_stereo.selection);
    ename_clear(g_stereo.selection);
    limcheck_suspend(1);
    geo_point at;
    double radius = 0;
    if (plot_pick_points(&at, &radius) != 0 || radius <= 0) {
        stereo_reset();
        return -1;
    }
    sym_place_rec r;
    sym_place_init(&r);
    r.name = g_stereo.title;
    r.layer = stereo_layer();
    r.size = radius;
    r.mode = SYM_MODE_INSERT;
    r.angle = g_map_params.angle_base - kQuarterDeg;
    r.colour = SYM_PLACE_COLOUR_NONE;
    r.ins = at;
    int rc = sym_place_insert_block(&r);
    stereo_reset();
    return rc;
}
