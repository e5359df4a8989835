/*
** qry_sweep.cpp: whether the ring of a query AREA crosses itself, by a
** sweep from left to right over its vertices.
**
** The vertices are sorted by x, then y. At each vertex, of its two edges
** the one leaving to the right starts there and is put into the list of
** active edges, kept ordered from below to above, and tested against its
** new neighbours; an edge ending there leaves the list and its former
** neighbours are tested against each other. The first pair that touches
** or crosses ends the sweep. Two edges that follow each other in the ring
** share their vertex and only count when one folds back along the other;
** a vertex repeated elsewhere in the ring is a touch.
**
**     if (!qry_polygon_crosses_itself(pts, n)) return -1;   // told the user
*/
#include <algorithm>
#include <vector>

#include "core/err_text.h"
#include "core/geo_util.h"
#include "core/msg_box.h"
#include "output/query/qry_geometry.h"

namespace {

/* The ring's vertices (closing point and repeats of the previous vertex
** left out) and its edges: edge k runs from vertex k to vertex k + 1. */
struct sweep_ring {
    std::vector<geo_point> v;   /* vertices in ring order */

    int size() const { return (int)v.size(); }
    const geo_point &from(int edge) const { return v[edge]; }
    const geo_point &to(int edge) const { return v[(edge + 1) % size()]; }
};

/* 1 when a comes before b in the sweep: smaller x, or equal x and smaller y. */
bool sweep_before(const geo_point &a, const geo_point &b)
{
    return a.x < b.x || (a.x == b.x && a.y < b.y);
}

/* Cross product of (a - o) and (b - o): positive when b lies to the left of
** the line from o through a. */
double sweep_cross(const geo_point &o, const geo_point &a, const geo_point &b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

/* The edge's left (first in the sweep) and right endpoints. */
const geo_point &edge_left(const sweep_ring &r, int e)
{
    return sweep_before(r.to(e), r.from(e)) ? r.to(e) : r.from(e);
}
const geo_point &edge_right(const sweep_ring &r, int e)
{
    return sweep_before(r.to(e), r.from(e)) ? r.from(e) : r.to(e);
}

/* 1 when edges e and f touch or cross. Edges that follow each other in the
** ring meet at their shared vertex, which does not count, unless they lie
** on one line and point the same way from it (the ring folds back). */
int edges_meet(const sweep_ring &r, int e, int f)
{
    int n = r.size();
    if (e == f) return 0;
    int shared = -1;
    if ((e + 1) % n == f) shared = f;
    else if ((f + 1) % n == e) shared = e;
    if (shared >= 0) {
        const geo_point &a = shared == e ? r.to(e) : r.from(e);
        const geo_point &b = shared == f ? r.to(f) : r.from(f);
        return qry_edges_fold_back(&a, &r.v[shared], &b);
    }
    geo_point sa[2] = {r.from(e), r.to(e)};
    geo_point sb[2] = {r.from(f), r.to(f)};
    return geo_seg_intersect(sa, sb);
}

/* 1 when edge e, starting at its left endpoint now, goes below active edge
** f: its left endpoint lies below f's line, or on it and its right
** endpoint lies below (or on) it. */
int edge_below(const sweep_ring &r, int e, int f)
{
    const geo_point &fl = edge_left(r, f), &fr = edge_right(r, f);
    double side = sweep_cross(fl, fr, edge_left(r, e));
    if (side == 0.0) side = sweep_cross(fl, fr, edge_right(r, e));
    return side <= 0.0;
}

/* Runs the sweep; 1 when no two edges meet. */
int sweep_simple(const sweep_ring &r)
{
    int n = r.size();
    if (n < 2) return 0;
    std::vector<int> order(n);
    for (int i = 0; i < n; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return sweep_before(r.v[a], r.v[b]); });
    std::vector<int> active;
    for (int k = 0; k < n; ++k) {
        int at = order[k];
        if (k > 0 && geo_pt_equal_2d(&r.v[at], &r.v[order[k - 1]])) return 0;
        int edges[2] = {(at + n - 1) % n, at};
        /* Edges starting here go in first, each tested against its new
        ** neighbours. */
        for (int e : edges) {
            if (&edge_left(r, e) != &r.v[at]) continue;
            std::size_t pos = 0;
            while (pos < active.size() && !edge_below(r, e, active[pos])) ++pos;
            active.insert(active.begin() + (long)pos, e);
            if (pos > 0 && edges_meet(r, e, active[pos - 1])) return 0;
            if (pos + 1 < active.size() && edges_meet(r, e, active[pos + 1])) return 0;
        }
        /* Edges ending here leave; their former neighbours meet. */
        for (int e : edges) {
            if (&edge_right(r, e) != &r.v[at]) continue;
            auto it = std::find(active.begin(), active.end(), e);
            if (it == active.end()) continue;
            std::size_t pos = (std::size_t)(it - active.begin());
            active.erase(it);
            if (pos > 0 && pos < active.size() && edges_meet(r, active[pos - 1], active[pos])) return 0;
        }
    }
    return 1;
}

}  // namespace

/* Whether two edges meeting at s fold back; see qry_geometry.h. */
int qry_edges_fold_back(const geo_point *a, const geo_point *s, const geo_point *b)
{
    double dot = (a->x - s->x) * (b->x - s->x) + (a->y - s->y) * (b->y - s->y);
    return sweep_cross(*s, *a, *b) == 0.0 && dot > 0.0;
}

/* Sweeps without a message; see qry_geometry.h. */
int qry_ring_is_simple(const geo_point *points, int count)
{
    if (!points || count < 2) return 0;
    sweep_ring r;
    int last = count - 1;
    if (!geo_pt_equal_2d(&points[0], &points[last])) last = count; /* not closed: every point */
    for (int i = 0; i < last; ++i)
        if (r.v.empty() || !geo_pt_equal_2d(&r.v.back(), &points[i])) r.v.push_back(points[i]);
    while (r.v.size() > 1 && geo_pt_equal_2d(&r.v.back(), &r.v.front())) r.v.pop_back();
    if (r.v.size() < 3) return 0;
    return sweep_simple(r);
}

/* Sweeps and tells the user; see qry_geometry.h. */
int qry_polygon_crosses_itself(const geo_point *points, int count)
{
    if (qry_ring_is_simple(points, count)) return 1;
    msg_alert(ERR_TITLE, "The polygon crosses itself.");
    return 0;
}
