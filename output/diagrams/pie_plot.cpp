/*
** pie_plot.cpp: the pie drawn for one row: its circle and its sectors in
** block units inside an anonymous block, the block inserted at the row's
** point converted to the map's coordinate system and linked to the row.
**
** Each chosen column is drawn with its own placement from the row's
** symbol setups (layer, colour, fill, text position). A fixed-width
** sector starts at the column's text position (1 east, 2 north-east, ...
** counter-clockwise); proportional sectors follow each other from east.
** Angles are radians counter-clockwise from the block's x axis.
*/
#include "output/diagrams/pie_diagram.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "coords/prj_transform.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "draw/draw_util.h"
#include "draw/ent_make.h"
#include "draw/map_params.h"
#include "map/row_place.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kEighth = kPi / 4;            /* 45 degrees: one text position   */
constexpr double kSixteenth = kPi / 8;         /* 22.5 degrees                    */
constexpr float kCircleEnd = 6.2831855f;       /* 2 pi in single precision: the circle's vertex at
                                                  360 degrees is still drawn */
constexpr double kAngleSlack = 1e-12;          /* rounding allowed in angle sums  */
constexpr int kBlockFlags = 1;                 /* an anonymous block              */
constexpr int kBlockNameSize = 513;            /* room of the block's name        */
constexpr int kSlots = 9;                      /* text positions 0 to 8           */
constexpr int kNonBlank = 5100;                /* str_nonblank of a text          */
constexpr const char *kBlockName = "*PIE_DIAGRAM";

/* A point at radius r and angle t. */
geo_point polar(double r, double t)
{
    return geo_point{r * std::cos(t), r * std::sin(t), 0, 0};
}

/* A polyline through points on the placement's layer and colour, without
** link. 0; the first maker's failure. */
int outline(const sym_place_rec *placement, const geo_point *points, int count)
{
    sym_place_rec r = *placement;
    link_clear(&r.link);
    int rc = ent_make_polyline(&r);
    for (int i = 0; rc == 0 && i < count; i++) {
        r.ins = points[i];
        rc = ent_make_vertex(&r);
    }
    if (rc != 0) return rc;
    return ent_make_seqend();
}

/* The row index of a placement's source column; -1 when the row lacks it. */
int source_index(const sym_place_rec *p)
{
    int index = -1;
    if (!p->source_col || !sql_col_find(g_pie.row, p->source_col->name, p->source_col->table, &index)) return -1;
    return index;
}

/* The placement in records of the slot whose source column is among the
** indexes; null when none. */
sym_place_rec *find_in(int slot, sym_place_rec *records, int count, const int *indexes, int n)
{
    for (int i = 0; records && i < count; i++) {
        if (records[i].text_pos != slot) continue;
        int index = source_index(&records[i]);
        for (int k = 0; index >= 0 && k < n; k++)
            if (indexes[k] == index) return &records[i];
    }
    return nullptr;
}

/* 1 when a value is absent: null, a CHAR text equal to the absent text
** (any case, trimmed), or a number equal to the absent text read as a
** number (only when that text is a number). */
int is_absent(const sql_col_rec *c)
{
    if (c->null_ind == SQL_COL_NULL || !c->text) return 1;
    std::string t = c->text;
    std::vector<char> trimmed(t.begin(), t.end());
    trimmed.push_back('\0');
    str_trim(trimmed.data());
    if (c->sql_type == SQL_TYPE_CHAR) return str_eq_nocase(trimmed.data(), g_pie.absent);
    if (!trimmed[0]) return 1;
    return str_nonblank(g_pie.absent) == kNonBlank && sql_is_number(g_pie.absent) &&
           atof(trimmed.data()) == atof(g_pie.absent);
}

/* The sum of the absolute values of the chosen numeric columns present. */
double row_total(void)
{
    double total = 0;
    for (const auto &r : g_pie.ring)
        for (int k = 0; k < r.count; k++) {
            const sql_col_rec *c = r.columns[k] >= 0 ? sql_col_nth(g_pie.row, r.columns[k]) : nullptr;
            if (c && c->sql_type != SQL_TYPE_CHAR && !is_absent(c)) total += std::fabs(atof(c->text));
        }
    return total;
}

/* The width of the circle's steps. */
double circle_width(void)
{
    const pie_ring_state &in = g_pie.ring[PIE_INSIDE], &out = g_pie.ring[PIE_OUTSIDE];
    if (in.width_prop && out.width != 0) return kEighth;
    double w = ang_deg_to_rad(std::fabs(in.width));
    double o = ang_deg_to_rad(std::fabs(out.width));
    return o != 0 && o < w ? o : w;
}

/* Draws the sectors of one ring over the row's placements: each chosen
** column once, the text positions searched in order. */
void draw_ring(int which, sym_place_rec *first, int nf, sym_place_rec *second, int ns, double total)
{
    const pie_ring_state &r = g_pie.ring[which];
    std::vector<int> left(r.columns, r.columns + r.count);
    int inside = which == PIE_INSIDE;
    double running = 0;
    for (int slot = 0; slot < kSlots; slot++) {
        sym_place_rec *p;
        while ((p = pie_find_placement(slot, first, nf, second, ns, left.data(), (int)left.size())) != nullptr) {
            int index = source_index(p);
            for (size_t k = 0; k < left.size(); k++)
                if (left[k] == index) left.erase(left.begin() + (long)k--);
            const sql_col_rec *c = sql_col_nth(g_pie.row, index);
            if (!c || is_absent(c)) continue;
            double v = atof(c->text);
            double share = total != 0 ? std::fabs(v / total) : 0;
            if ((r.width_prop || r.length_prop) && share == 0) continue;   /* nothing to draw, no 0/0 */
            double l = r.length_prop ? share * g_pie.radius : std::fabs(r.length);
            if (r.width_prop) {
                double w = share * 2 * kPi;
                pie_draw_sector_pieces(p, g_pie.radius, l, w, running, inside);
                running += w;
            } else {
                double a = (slot > 1 ? slot - 1 : 0) * kEighth;
                pie_draw_sector(p, g_pie.radius, l, ang_deg_to_rad(std::fabs(r.width)), a, inside);
            }
        }
    }
}

/* Converts the row's point into the map's system; 1, else 0. */
int row_map_point(geo_point *out)
{
    if (!g_pie.x || !g_pie.y || !g_pie.x->text || !g_pie.y->text) return 0;
    if (g_pie.x->null_ind == SQL_COL_NULL || g_pie.y->null_ind == SQL_COL_NULL) return 0;
    if (str_nonblank(g_pie.x->text) != kNonBlank || str_nonblank(g_pie.y->text) != kNonBlank) return 0;
    geo_point in = {atof(g_pie.x->text), atof(g_pie.y->text), 0, 0};
    return prj_transform_point(&in, g_pie.projection, out, g_map_params.projection);
}

}  // namespace

/* Draws the circle; see pie_diagram.h. */
int pie_draw_circle(const sym_place_rec *placement, double r, double w)
{
    if (!placement || !(r > 0)) return -2;
    double step = std::fabs(w) / 2;
    if (step == 0 || step > kSixteenth) step = kEighth;
    std::vector<geo_point> points;
    int octant = 0;        /* the last multiple of 45 degrees passed */
    double gone = 0;       /* the angle gone since it */
    for (double t = 0; t < (double)kCircleEnd; t = octant * kEighth + gone) {
        points.push_back(polar(r, t));
        if (step < kEighth && gone + step >= kEighth - kAngleSlack) {
            octant++;
            gone = 0;
        } else {
            gone += step;
        }
    }
    return outline(placement, points.data(), (int)points.size());
}

/* Draws one sector; see pie_diagram.h. */
int pie_draw_sector(const sym_place_rec *placement, double r, double l, double w, double a, int inside)
{
    if (!placement || !(r > 0) || !(l >= 0) || l > r) return -2;
    if (l == 0) l = r;
    double width = std::fabs(w);
    double e = a + width, m = a + width / 2;
    double ri = inside ? r - l : r, ro = inside ? r : r + l;
    geo_point ia = polar(ri, a), oa = polar(ro, a), im = polar(ri, m), om = polar(ro, m);
    geo_point ie = polar(ri, e), oe = polar(ro, e);
    if (placement->fill == 1) {
        if (inside && l == r) {
            geo_point c[] = {geo_point{0, 0, 0, 0}, oa, oe, om};
            ent_make_solid(placement, c, 4);
        } else {
            geo_point c1[] = {ia, oa, im, om}, c2[] = {im, om, ie, oe};
            ent_make_solid(placement, c1, 4);
            ent_make_solid(placement, c2, 4);
        }
    }
    geo_point ring[] = {ia, oa, om, oe, ie, im, ia};
    return outline(placement, ring, (int)(sizeof ring / sizeof ring[0]));
}

/* Draws a sector in pieces; see pie_diagram.h. */
int pie_draw_sector_pieces(const sym_place_rec *placement, double r, double l, double w, double a, int inside)
{
    if (!placement || !(r > 0) || !(l >= 0) || l > r) return -2;
    if (!(w > 0)) return 0;
    double piece = w > kSixteenth ? kEighth : w;
    for (double t = a; t < a + w - kAngleSlack; t += piece) {
        double width = std::fmin(piece, a + w - t);
        int rc = pie_draw_sector(placement, r, l, width, t, inside);
        if (rc != 0) return rc;
    }
    return 0;
}

/* Finds a column's placement; see pie_diagram.h. */
sym_place_rec *pie_find_placement(int slot, sym_place_rec *first, int first_count, sym_place_rec *second,
                                  int second_count, const int *indexes, int count)
{
    if (!indexes || count < 1) return nullptr;
    sym_place_rec *p = find_in(slot, first, first_count, indexes, count);
    return p ? p : find_in(slot, second, second_count, indexes, count);
}

/* Draws and inserts the row's pie; see pie_diagram.h. */
int pie_plot_row(void)
{
    if (!g_pie.project || !g_pie.row) return -2;
    geo_point base = {0, 0, 0, 0};
    pie_placement_from_symbol(g_pie.symbol, &g_pie.placement);
    if (ent_make_block(kBlockName, &base, kBlockFlags) != 0) return -1;
    sym_place_rec *first = nullptr, *second = nullptr;
    int nf = 0, ns = 0;
    if (row_alloc_placements(g_pie.row, &first, &nf, &second, &ns) != 0 ||
        row_build_placements(g_pie.row, first, &nf, second, &ns, ROW_PLACE_ALL) != 0) {
        free(first);
        free(second);
        ads_entmake(nullptr);   /* cancels the block under way */
        return -1;
    }
    if (g_pie.circle == 1) pie_draw_circle(&g_pie.placement, g_pie.radius, circle_width());
    double total = g_pie.maximum != 0 ? g_pie.maximum : row_total();
    draw_ring(PIE_INSIDE, first, nf, second, ns, total);
    draw_ring(PIE_OUTSIDE, first, nf, second, ns, total);
    free(first);
    free(second);
    char name[kBlockNameSize] = "";
    if (ent_make_endblk(name) != 0) return -1;
    if (!g_pie.key || link_from_row(&g_pie.placement.link, g_pie.row, g_pie.key) != 0) link_clear(&g_pie.placement.link);
    g_pie.placement.name = name;
    geo_point at;
    int rc = row_map_point(&at) ? (g_pie.placement.ins = at, sym_place_insert_block(&g_pie.placement)) : -1;
    g_pie.placement.name = nullptr;
    return rc;
}

/* Ends the plot; see pie_diagram.h. */
int pie_plot_end(void)
{
    pie_state_clear();
    return 0;
}
