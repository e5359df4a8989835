/*
** geo_util.cpp: points, vectors, boxes, segments and polygons in the plane.
** Segment crossing uses the signs of the cross products of each segment's
** direction with the other segment's ends; the polygon test casts a ray
** towards positive x and counts the edges it crosses.
*/
#include "core/geo_util.h"

#include <cmath>

/* Copies x, y and z; answers 1, 0 for a null point. */
int geo_pt_copy(geo_point *to, const geo_point *from)
{
    if (!to || !from) return 0;
    to->x = from->x;
    to->y = from->y;
    to->z = from->z;
    return 1;
}

/* Swaps x, y and z of the two points. */
void geo_pt_swap(geo_point *a, geo_point *b)
{
    if (!a || !b) return;
    geo_point t = *a;
    geo_pt_copy(a, b);
    geo_pt_copy(b, &t);
}

/* Sets the four values to 0. */
void geo_pt_zero(geo_point *p)
{
    if (p) *p = geo_point{0.0, 0.0, 0.0, 0.0};
}

/* Answers 1 when x, y and z are 0. */
int geo_pt_is_zero(const geo_point *p)
{
    return p && p->x == 0.0 && p->y == 0.0 && p->z == 0.0;
}

/* Answers 1 when x and y are equal. */
int geo_pt_equal_2d(const geo_point *a, const geo_point *b)
{
    return a && b && a->x == b->x && a->y == b->y;
}

/* Applies the operator to x, y and z; answers 1, or 0 for another operator. */
int geo_vec_op(const geo_point *a, const geo_point *b, char op, geo_point *out)
{
    if (!a || !b || !out) return 0;
    geo_point r = *out;
    switch (op) {
    case '*': r.x = a->x * b->x; r.y = a->y * b->y; r.z = a->z * b->z; break;
    case '+': r.x = a->x + b->x; r.y = a->y + b->y; r.z = a->z + b->z; break;
    case '-': r.x = a->x - b->x; r.y = a->y - b->y; r.z = a->z - b->z; break;
    case '/': r.x = a->x / b->x; r.y = a->y / b->y; r.z = a->z / b->z; break;
    default: return 0;
    }
    *out = r;
    return 1;
}

/* Component-wise minimum of x and y. */
void geo_pt_min(const geo_point *a, const geo_point *b, geo_point *out)
{
    if (!a || !b || !out) return;
    out->x = std::fmin(a->x, b->x);
    out->y = std::fmin(a->y, b->y);
}

/* Component-wise maximum of x and y. */
void geo_pt_max(const geo_point *a, const geo_point *b, geo_point *out)
{
    if (!a || !b || !out) return;
    out->x = std::fmax(a->x, b->x);
    out->y = std::fmax(a->y, b->y);
}

/* Rotates x and y by the angle (radians, counter-clockwise). */
void geo_vec_rotate(geo_point *v, double angle_rad)
{
    if (!v) return;
    double c = std::cos(angle_rad), s = std::sin(angle_rad);
    double x = v->x * c - v->y * s;
    double y = v->x * s + v->y * c;
    v->x = x;
    v->y = y;
}

/* Copies the box. */
void geo_box_copy(geo_box *to, const geo_box *from)
{
    if (to && from) *to = *from;
}

/* Clears both corners. */
void geo_box_zero(geo_box *box)
{
    if (!box) return;
    geo_pt_zero(&box->min);
    geo_pt_zero(&box->max);
}

/* Answers 1 when both corners are zero points. */
int geo_box_is_zero(const geo_box *box)
{
    return box && geo_pt_is_zero(&box->min) && geo_pt_is_zero(&box->max);
}

/* Grows the box to hold the point. */
void geo_box_extend(geo_box *box, const geo_point *p)
{
    if (!box || !p) return;
    geo_pt_min(&box->min, p, &box->min);
    geo_pt_max(&box->max, p, &box->max);
}

/* Answers 1 with the extents of the points, 0 for none. */
int geo_box_of_points(const geo_point *points, int n, geo_box *box)
{
    if (!points || n <= 0 || !box) return 0;
    box->min = points[0];
    box->max = points[0];
    for (int i = 1; i < n; ++i) geo_box_extend(box, &points[i]);
    return 1;
}

namespace {

/* Sign of the cross product (b - a) x (c - a): 1 left, -1 right, 0 on the
** line. */
int geo_turn(const geo_point &a, const geo_point &b, const geo_point &c)
{
    double cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    return cross > 0.0 ? 1 : (cross < 0.0 ? -1 : 0);
}

/* Squared distance from p to the segment a-b. */
double geo_seg_dist2(const geo_point &p, const geo_point &a, const geo_point &b)
{
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = std::fmax(0.0, std::fmin(1.0, t));
    double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return ex * ex + ey * ey;
}

}  // namespace

/* Answers 1 when the segments touch or cross. */
int geo_seg_intersect(const geo_point *a, const geo_point *b)
{
    if (!a || !b) return 0;
    geo_box ba, bb;
    geo_box_of_points(a, 2, &ba);
    geo_box_of_points(b, 2, &bb);
    if (!geo_extents_overlap(&ba, &bb)) return 0;
    int d1 = geo_turn(a[0], a[1], b[0]), d2 = geo_turn(a[0], a[1], b[1]);
    int d3 = geo_turn(b[0], b[1], a[0]), d4 = geo_turn(b[0], b[1], a[1]);
    /* With overlapping extents, a zero turn means touching. */
    return d1 * d2 <= 0 && d3 * d4 <= 0;
}

/* Answers dy/dx, GEO_SLOPE_VERTICAL for a vertical segment. */
double geo_slope(const geo_point *p1, const geo_point *p2)
{
    if (!p1 || !p2) return GEO_SLOPE_VERTICAL;
    double dx = p2->x - p1->x;
    if (dx == 0.0) return GEO_SLOPE_VERTICAL;
    return (p2->y - p1->y) / dx;
}

/* Answers 1 for a point inside the polygon (ray casting). */
int geo_pt_in_polygon(const geo_point *p, const geo_point *points, int n, const geo_box *box)
{
    if (!p || !points || n < 3) return 0;
    if (box && !geo_pt_in_extent(p, box)) return 0;
    int inside = 0;
    for (int i = 0, j = n - 1; i < n; j = i++) {
        const geo_point &a = points[i], &b = points[j];
        if ((a.y > p->y) != (b.y > p->y)) {
            double x = a.x + (p->y - a.y) * (b.x - a.x) / (b.y - a.y);
            if (p->x < x) inside = !inside;
        }
    }
    return inside;
}

/* Answers 1 for a point within the distance of the polyline. */
int geo_pt_near_polyline(const geo_point *p, const geo_point *points, int n, double distance)
{
    if (!p || !points || n < 2) return 0;
    double d2 = distance * distance;
    for (int i = 1; i < n; ++i)
        if (geo_seg_dist2(*p, points[i - 1], points[i]) <= d2) return 1;
    return 0;
}
