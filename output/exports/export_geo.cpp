/*
** export_geo.cpp: ring geometry of the export command (see export_geo.h).
*/
#include "output/exports/export_geo.h"

#include <algorithm>
#include <vector>

#include "core/geo_util.h"

int geo_points_box(const double *x, const double *y, int n, geo_box *box)
{
    if (!x || !y || !box || n < 1) return 0;
    box->min = geo_point{x[0], y[0], 0.0, 0.0};
    box->max = box->min;
    for (int i = 1; i < n; ++i) {
        box->min.x = std::min(box->min.x, x[i]);
        box->min.y = std::min(box->min.y, y[i]);
        box->max.x = std::max(box->max.x, x[i]);
        box->max.y = std::max(box->max.y, y[i]);
    }
    return 1;
}

int geo_point_in_ring(double px, double py, const double *x, const double *y, int n)
{
    if (!x || !y || n < 3) return 0;
    for (int i = 0; i < n; ++i)
        if (y[i] == py) {
            py += GEO_RING_Y_NUDGE;
            break;
        }
    geo_box box;
    geo_points_box(x, y, n, &box);
    std::vector<geo_point> ring((std::size_t)n);
    for (int i = 0; i < n; ++i) ring[(std::size_t)i] = geo_point{x[i], y[i], 0.0, 0.0};
    geo_point p{px, py, 0.0, 0.0};
    return geo_pt_in_polygon(&p, ring.data(), n, &box);
}

int geo_ring_inside_point(const double *x, const double *y, int n, geo_point *out)
{
    if (!x || !y || !out || n < 4) return 0;
    int m = n - 1; /* distinct vertices: the last repeats the first */
    for (int step : {m / 2, 2}) {
        for (int i = 0; i < m; ++i) {
            int j = (i + step) % m;
            double cx = (x[i] + x[j]) / 2.0, cy = (y[i] + y[j]) / 2.0;
            if (geo_point_in_ring(cx, cy, x, y, n)) {
                *out = geo_point{cx, cy, 0.0, 0.0};
                return 1;
            }
        }
    }
    return 0;
}

double geo_ring_signed_area(const double *x, const double *y, int n)
{
    if (!x || !y || n < 3) return 0.0;
    double twice = 0.0;
    for (int i = 0; i < n; ++i) {
        int j = (i + 1) % n;
        twice += x[i] * y[j] - x[j] * y[i];
    }
    return twice / 2.0;
}

int geo_ring_orientation(const double *x, const double *y, int n)
{
    double area = geo_ring_signed_area(x, y, n);
    if (area > 0.0) return 1;
    if (area < 0.0) return -1;
    return 0;
}

void geo_ring_reverse(double *x, double *y, int n)
{
    if (!x || !y || n < 2) return;
    std::reverse(x, x + n);
    std::reverse(y, y + n);
}
