/*
** rose_plot.cpp: the rose diagram's state, its counting and its drawing:
** texts, axes and one SOLID wedge per non-empty interval, in block units
** where the longest wedge has length 1, made into the block named by the
** title and placed by the user's circle.
*/
#include "output/diagrams/rose_plot.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/pjct.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "draw/draw_util.h"
#include "draw/ent_make.h"
#include "draw/map_params.h"

rose_state g_rose;

namespace {

constexpr double kNorthY = 1.1;         /* "N" above the rose               */
constexpr double kTextHeight = 0.15;    /* height of every text             */
constexpr double kTotalX = 1.25;        /* "Total" line right of the centre */
constexpr double kMaximumX = 1.5;       /* "Maximum" line                   */
constexpr double kTitleX = 1.9;         /* title line                       */
constexpr double kTextY = -0.5;         /* start of the count lines         */
constexpr double kQuarterDeg = 90.0;    /* right angle, degrees             */
constexpr double kFullRange = 360.0;    /* a full circle, degrees           */
constexpr int kTextSize = 64;           /* room of a count line             */

/* A text of the block at (x, y) turned about the centre by minus the
** map's angle base (turned 1) or as given (0). 0, else the maker's result. */
int rose_text(const char *text, double x, double y, int turned)
{
    sym_place_rec t;
    sym_place_init(&t);
    t.name = text;
    t.layer = g_rose.placement.layer;
    t.colour = 0;
    t.size = kTextHeight;
    t.mode = SYM_MODE_TEXT;
    t.ins.x = x;
    t.ins.y = y;
    if (turned) {
        double b = ang_deg_to_rad(g_map_params.angle_base);
        t.ins.x = x * std::cos(b) + y * std::sin(b);
        t.ins.y = -x * std::sin(b) + y * std::cos(b);
        t.angle = kQuarterDeg - g_map_params.angle_base;
    }
    return sym_block_text(&t);
}

/* A line of the block; 0, else the maker's result. */
int rose_line(double x1, double y1, double x2, double y2)
{
    geo_point a = {x1, y1, 0, 0}, b = {x2, y2, 0, 0};
    return ent_make_line(&a, &b, g_rose.placement.layer, 0, nullptr);
}

}  // namespace

/* Initialises the placement; see rose_plot.h. */
void rose_placement_init(void)
{
    sym_place_init(&g_rose.placement);
    snprintf(g_rose.layer, sizeof g_rose.layer, "%s", ROSE_SETUP_NAME);
    g_rose.pattern[0] = '\0';
    g_rose.placement.layer = g_rose.layer;
    g_rose.placement.colour = 0;
}

/* Clears the settings; see rose_plot.h. */
void rose_reset(void)
{
    g_rose.interval = g_rose.range = 0;
    g_rose.angle = nullptr;
    g_rose.dip = 0;
    memset(g_rose.counts, 0, sizeof g_rose.counts);
    rose_placement_init();
}

/* Answers 0 when the settings hold, else -1. */
int rose_check(void)
{
    if (!(g_rose.interval > 0) || !(g_rose.range > 0) || !g_rose.angle || !g_rose.project) return -1;
    return g_rose.range >= g_rose.interval ? 0 : -1;
}

/* Applies the project's setup; see rose_plot.h. */
void rose_apply_symbol(void)
{
    rose_placement_init();
    sym_rec *s = g_rose.project ? sym_find(g_rose.project->symbols, ROSE_SETUP_NAME) : nullptr;
    if (!s) return;
    g_rose.placement.angle = s->angle;
    g_rose.placement.angle_offset = s->angle_offset;
    if (s->scale > 0) g_rose.placement.size = s->scale;
    if (s->colour > 0) g_rose.placement.colour = s->colour;
    if (s->layer[0] && s->layer[strspn(s->layer, " ")]) snprintf(g_rose.layer, sizeof g_rose.layer, "%s", s->layer);
    if (s->pattern && s->pattern[strspn(s->pattern, " ")]) {
        snprintf(g_rose.pattern, sizeof g_rose.pattern, "%s", s->pattern);
        g_rose.placement.pattern = g_rose.pattern;
    }
}

/* Answers a new default setup, or null without memory. */
sym_rec *rose_default_symbol(void)
{
    sym_rec *s = sym_new();
    if (!s) return nullptr;
    s->owner_kind = SYM_OWNER_COLUMN;
    snprintf(s->layer, sizeof s->layer, "%s", ROSE_SETUP_NAME);
    s->colour = 0;
    if (sym_set_text(&s->item_name, ROSE_SETUP_NAME) != 0) {
        sym_free(s);
        return nullptr;
    }
    return s;
}

/* Clears the counters in use; see rose_plot.h. */
int rose_plot_begin(void)
{
    if (rose_check() != 0) return -2;
    int n = (int)std::trunc(g_rose.range);
    if (n > ROSE_MAX_INTERVALS) n = ROSE_MAX_INTERVALS;
    memset(g_rose.counts, 0, sizeof g_rose.counts[0] * (size_t)n);
    return 0;
}

/* Counts the state's row; see rose_plot.h. */
int rose_bin_row(void)
{
    if (rose_check() != 0 || !g_rose.row) return -2;
    sql_col_rec *c = sql_col_find(g_rose.row, g_rose.angle->name, g_rose.angle->table, nullptr);
    if (!c || c->null_ind == SQL_COL_NULL || !c->text) return -1;
    const char *p = c->text + strspn(c->text, " ");
    if (!*p) return -1;
    char *end = nullptr;
    double a = strtod(p, &end);
    if (end == p) return -1;
    int k = rose_bin_index(a, g_rose.range, g_rose.interval, g_rose.dip);
    if (k >= 0) g_rose.counts[k]++;
    return 0;
}

/* Draws and places the diagram; see rose_plot.h. */
int rose_plot(void)
{
    if (rose_check() != 0) return -2;
    int n = rose_interval_count(g_rose.range, g_rose.interval);
    if (n > ROSE_MAX_INTERVALS) n = ROSE_MAX_INTERVALS;
    long total = 0;
    int max = g_rose.counts[0];
    for (int i = 0; i < n; ++i) {
        total += g_rose.counts[i];
        if (g_rose.counts[i] > max) max = g_rose.counts[i];
    }
    ads_printf("\nPlotting...");
    std::string name = g_rose.title;
    str_make_ident(&name[0]);
    name.resize(strlen(name.c_str()));
    geo_point origin = {0, 0, 0, 0};
    int rc = ent_make_block(name.c_str(), &origin, 0);
    if (rc != 0) return rc;
    char total_text[kTextSize], max_text[kTextSize];
    snprintf(total_text, sizeof total_text, "Total   = %ld", total);
    snprintf(max_text, sizeof max_text, "Maximum = %d", max);
    double title_half = strlen(g_rose.title) * SYM_PLACE_WIDTH_FACTOR * kTextHeight / 2.0;
    rose_text("N", 0, kNorthY, 0);
    rose_text(total_text, kTotalX, kTextY, 1);
    rose_text(max_text, kMaximumX, kTextY, 1);
    rose_text(g_rose.title, kTitleX, -title_half, 1);
    rose_line(0, 1, 0, -1);
    rose_line(0, 0, 1, 0);
    if (g_rose.range == kFullRange) rose_line(0, 0, -1, 0);
    for (int i = 0; i < n; ++i) {
        ads_printf("\rPlotting interval... %d", i + 1);
        if (g_rose.counts[i] <= 0) continue;
        geo_point corners[3];
        rose_wedge(i, g_rose.interval, (double)g_rose.counts[i] / max, corners);
        ent_make_solid(&g_rose.placement, corners, 3);
    }
    rc = ent_make_endblk(nullptr);
    if (rc != 0) return rc;
    geo_point at;
    double radius = 0;
    rc = plot_pick_points(&at, &radius);
    if (rc != 0) return rc;
    sym_place_rec r = g_rose.placement;
    r.name = name.c_str();
    r.size = radius;
    r.colour = SYM_PLACE_COLOUR_NONE;
    r.angle_offset = 0;
    r.mode = SYM_MODE_INSERT;
    r.angle = g_map_params.angle_base - kQuarterDeg;
    r.ins = at;
    return sym_place_insert_block(&r);
}
