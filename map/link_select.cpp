/*
** link_select.cpp: finding the entities that belong to one row: the
** crossing window around a linked entity sized by its type, the filter on
** the link's relation, polyline lengths, links keyed by BASENUMBER and the
** grouping of a selection set by row.
**
**     ads_name ss = {0, 0};
**     int n = link_ss_same_row(list, LINK_SAME_ROW, ss);   // the row's entities
*/
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/err_text.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "draw/draw_util.h"
#include "draw/link.h"

namespace {

/* How the window of an entity type is sized. */
enum window_kind {
    WIN_SEGMENT,   /* factor times the distance from group 10 to group 11 */
    WIN_POINT,     /* the factor itself */
    WIN_HEIGHT,    /* factor times group 40 */
    WIN_SCALE,     /* factor times group 41 */
    WIN_POLYLINE   /* the larger of the factor and half the length */
};

/* The window of each linked entity type. */
struct window_rule {
    int type;          /* ENT_TYPE_* */
    window_kind kind;  /* how its half size is found */
};
const window_rule k_windows[] = {
    {ENT_TYPE_LINE, WIN_SEGMENT},     {ENT_TYPE_TRACE, WIN_SEGMENT},  {ENT_TYPE_SOLID, WIN_SEGMENT},
    {ENT_TYPE_3DFACE, WIN_SEGMENT},   {ENT_TYPE_POINT, WIN_POINT},    {ENT_TYPE_CIRCLE, WIN_HEIGHT},
    {ENT_TYPE_ARC, WIN_HEIGHT},       {ENT_TYPE_SHAPE, WIN_HEIGHT},   {ENT_TYPE_TEXT, WIN_HEIGHT},
    {ENT_TYPE_ATTDEF, WIN_HEIGHT},    {ENT_TYPE_ATTRIB, WIN_HEIGHT},  {ENT_TYPE_INSERT, WIN_SCALE},
    {ENT_TYPE_POLYLINE, WIN_POLYLINE}, {ENT_TYPE_LWPOLYLINE, WIN_POLYLINE}};

/* Planar distance of two points. */
double distance_2d(const double *a, const double *b) { return std::hypot(b[0] - a[0], b[1] - a[1]); }

/* A point from the first three values of a group. */
geo_point point_of(const double *v) { return geo_point{v[0], v[1], v[2], 0.0}; }

/* Whether level is one of the four relation levels. */
bool level_ok(int level)
{
    return level == LINK_SAME_ROW || level == LINK_SAME_GROUP || level == LINK_SAME_TABLE ||
           level == LINK_SAME_STATION;
}

}  // namespace

/* Selects in the mode ("C" between lo and hi, or "X" all) the entities
** that carry a link and keeps those whose link compares with `link` at a
** level from 1 to `level`; see link_ss_window for the answers. */
static int select_related(const char *mode, const ads_point lo, const ads_point hi, const link_rec *link, int level,
                          ads_name ss)
{
    struct resbuf *filter = ads_buildlist(LINK_XD_START, LINK_XD_APP, LINK_APP_NAME, 0);
    if (!filter) return ERR_NO_MEMORY;
    int rc = ads_ssget(mode, lo, hi, filter, ss);
    ads_relrb(filter);
    if (rc != RTNORM) {
        ename_clear(ss);
        return -1;
    }
    long n = 0;
    ads_sslength(ss, &n);
    int kept = 0;
    for (long i = n - 1; i >= 0; --i) {
        ads_name e;
        if (ads_ssname(ss, i, e) != RTNORM) continue;
        link_rec other;
        int level_found = link_xdata_get(&other, e) == 0 ? link_compare(link, &other) : LINK_ERR_NOT_LINKED;
        if (level_found >= LINK_SAME_ROW && level_found <= level) kept++;
        else ads_ssdel(e, ss);
    }
    if (kept == 0) {
        ss_free(ss);
        return LINK_ERR_NOT_LINKED;
    }
    return kept;
}

int link_ss_window(const geo_point *centre, double half, const link_rec *link, int level, ads_name ss)
{
    if (!centre || !link || !ss || !level_ok(level)) return -2;
    double h = std::fabs(half);
    ads_point lo = {centre->x - h, centre->y - h, 0.0}, hi = {centre->x + h, centre->y + h, 0.0};
    return select_related("C", lo, hi, link, level, ss);
}

int link_ss_drawing(const link_rec *link, int level, ads_name ss)
{
    if (!link || !ss || !level_ok(level)) return -2;
    return select_related("X", nullptr, nullptr, link, level, ss);
}

/* Walks the vertices of an LWPOLYLINE list or a POLYLINE entity: the
** length, the last vertex and the number of vertices met. */
static double polyline_walk(const struct resbuf *list, geo_point *last_out, int *count)
{
    *count = 0;
    if (!list) return 0.0;
    const struct resbuf *g0 = rb_find(const_cast<struct resbuf *>(list), 0);
    int type = g0 ? ent_type_of_name(g0->resval.rstring) : ENT_TYPE_UNKNOWN;
    double length = 0.0;
    const double *prev = nullptr;
    geo_point last = {0, 0, 0, 0};
    if (type == ENT_TYPE_LWPOLYLINE) {
        for (const struct resbuf *rb = list; rb; rb = rb->rbnext) {
            if (rb->restype != 10) continue;
            if (prev) length += distance_2d(prev, rb->resval.rpoint);
            prev = rb->resval.rpoint;
            last = point_of(prev);
            ++*count;
        }
    } else if (type == ENT_TYPE_POLYLINE) {
        const struct resbuf *self = rb_find(const_cast<struct resbuf *>(list), -1);
        if (!self || ename_isnull(self->resval.rlname)) return 0.0;
        ads_name e = {self->resval.rlname[0], self->resval.rlname[1]};
        double prev_pt[3];
        bool have = false;
        ads_name next;
        while (ads_entnext(e, next) == RTNORM) {
            ename_copy(e, next);
            struct resbuf *v = ads_entget(e);
            if (!v) break;
            int vt = ent_type_code(e);
            struct resbuf *p = rb_find(v, 10);
            if (vt == ENT_TYPE_VERTEX && p) {
                if (have) length += distance_2d(prev_pt, p->resval.rpoint);
                memcpy(prev_pt, p->resval.rpoint, sizeof prev_pt);
                have = true;
                last = point_of(prev_pt);
                ++*count;
            }
            ads_relrb(v);
            if (vt != ENT_TYPE_VERTEX) break;
        }
    } else {
        return 0.0;
    }
    if (last_out && *count) *last_out = last;
    return length;
}

double ent_polyline_length(const struct resbuf *list, geo_point *last_out)
{
    int count = 0;
    return polyline_walk(list, last_out, &count);
}

int link_window_of(const struct resbuf *list, geo_point *centre, double *half)
{
    if (!list || !centre || !half) return -2;
    struct resbuf *l = const_cast<struct resbuf *>(list);
    struct resbuf *g0 = rb_find(l, 0);
    int type = g0 ? ent_type_of_name(g0->resval.rstring) : ENT_TYPE_UNKNOWN;
    const window_rule *rule = nullptr;
    for (const window_rule &w : k_windows)
        if (w.type == type) rule = &w;
    if (!rule) return LINK_ERR_NOT_LINKED;
    if (rule->kind == WIN_POLYLINE) {
        int count = 0;
        double len = polyline_walk(list, centre, &count);
        if (count == 0) return LINK_ERR_GEOMETRY;
        *half = std::fmax(LINK_WINDOW_FACTOR, len / 2.0);
        return 0;
    }
    struct resbuf *g10 = rb_find(l, 10);
    if (!g10) return LINK_ERR_GEOMETRY;
    *centre = point_of(g10->resval.rpoint);
    struct resbuf *g;
    switch (rule->kind) {
        case WIN_SEGMENT:
            if (!(g = rb_find(l, 11))) return LINK_ERR_GEOMETRY;
            *half = LINK_WINDOW_FACTOR * distance_2d(g10->resval.rpoint, g->resval.rpoint);
            break;
        case WIN_POINT: *half = LINK_WINDOW_FACTOR; break;
        case WIN_HEIGHT:
            if (!(g = rb_find(l, 40))) return LINK_ERR_GEOMETRY;
            *half = LINK_WINDOW_FACTOR * g->resval.rreal;
            break;
        default:
            if (!(g = rb_find(l, 41))) return LINK_ERR_GEOMETRY;
            *half = LINK_WINDOW_FACTOR * g->resval.rreal;
            break;
    }
    return 0;
}

int link_ss_same_row(const struct resbuf *list, int level, ads_name ss)
{
    if (!list || !ss || !level_ok(level)) return -2;
    if (!ename_isnull(ss)) ss_free(ss);
    link_rec link;
    int rc = link_xdata_parse(&link, list);
    if (rc) return rc;
    geo_point centre;
    double half = 0.0;
    rc = link_window_of(list, &centre, &half);
    if (rc) return rc;
    return link_ss_window(&centre, half, &link, level, ss);
}

int link_keyed_by_id(const ads_name ename)
{
    link_rec link;
    if (link_xdata_get(&link, ename) != 0) return 0;
    pjct_rec *p = pjct_find(link.project, nullptr);
    tbl_rec *t = p ? tbl_find_by_name(p->tables, link.table, nullptr) : nullptr;
    if (!t) return 0;
    const char *id = t->keys[TBL_KEY_BASENUMBER] ? t->keys[TBL_KEY_BASENUMBER]->name : "BASENUMBER";
    return str_eq_nocase(link.key_column, id) ? 1 : 0;
}

int link_ss_group_rows(int **array_out, ads_name ss)
{
    if (!array_out || !ss) return -2;
    long n = 0;
    if (ename_isnull(ss) || ads_sslength(ss, &n) != RTNORM || n == 0) return -2;
    for (long i = n - 1; i >= 0; --i) {
        ads_name e;
        if (ads_ssname(ss, i, e) == RTNORM && link_keyed_by_id(e)) ads_ssdel(e, ss);
    }
    ads_sslength(ss, &n);
    if (n == 0) {
        ss_free(ss);
        return -1;
    }
    free(*array_out);
    *array_out = nullptr;
    int *out = (int *)calloc((size_t)n, sizeof(int));
    link_rec *links = (link_rec *)calloc((size_t)n, sizeof(link_rec));
    char *placed = (char *)calloc((size_t)n, 1);
    int *ok = (int *)calloc((size_t)n, sizeof(int));
    if (!out || !links || !placed || !ok) {
        free(out);
        free(links);
        free(placed);
        free(ok);
        return ERR_NO_MEMORY;
    }
    for (long i = 0; i < n; ++i) {
        ads_name e;
        ok[i] = ads_ssname(ss, i, e) == RTNORM && link_xdata_get(&links[i], e) == 0;
    }
    long k = 0;
    for (long i = 0; i < n; ++i) {
        if (placed[i]) continue;
        placed[i] = 1;
        out[k++] = -(int)i;
        for (long j = i + 1; j < n; ++j) {
            if (placed[j] || !ok[i] || !ok[j]) continue;
            if (link_compare(&links[i], &links[j]) == LINK_SAME_ROW) {
                placed[j] = 1;
                out[k++] = (int)j;
            }
        }
    }
    free(links);
    free(placed);
    free(ok);
    *array_out = out;
    return 0;
}
