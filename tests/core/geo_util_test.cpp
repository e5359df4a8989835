/*
** geo_util_test.cpp: points, boxes, segment crossing, slopes, and the
** polygon and polyline tests on the cases that break naive versions
** (touching ends, collinear segments, concave polygons, vertical edges).
*/
#include "core/geo_util.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
geo_point P(double x, double y, double z = 0, double w = 0) { return geo_point{x, y, z, w}; }
}  // namespace

TEST(GeoPoints, CopyLeavesWAndVectorOpsRefuseOtherOperators) {
  geo_point a = P(1, 2, 3, 4), b = P(0, 0, 0, 9);
  EXPECT_EQ(geo_pt_copy(&b, &a), 1);
  EXPECT_EQ(b.z, 3);
  EXPECT_EQ(b.w, 9);   /* w is not copied */
  geo_point out = P(0, 0, 0, 11);
  geo_point u = P(6, 8, 10), v = P(2, 4, 5);
  struct { char op; double x, y, z; } ops[] = {{'+', 8, 12, 15}, {'-', 4, 4, 5}, {'*', 12, 32, 50}, {'/', 3, 2, 2}};
  for (auto &o : ops) {
    ASSERT_EQ(geo_vec_op(&u, &v, o.op, &out), 1) << o.op;
    EXPECT_EQ(out.x, o.x) << o.op;
    EXPECT_EQ(out.z, o.z) << o.op;
    EXPECT_EQ(out.w, 11) << o.op;
  }
  EXPECT_EQ(geo_vec_op(&u, &v, '%', &out), 0);
  geo_point r = P(1, 0);
  geo_vec_rotate(&r, M_PI / 2);   /* counter-clockwise */
  EXPECT_NEAR(r.x, 0, 1e-15);
  EXPECT_NEAR(r.y, 1, 1e-15);
}

TEST(GeoBoxes, BoxOfPointsAndExtend) {
  geo_point pts[] = {P(3, -1), P(-2, 4), P(1, 1)};
  geo_box box;
  ASSERT_EQ(geo_box_of_points(pts, 3, &box), 1);
  EXPECT_EQ(box.min.x, -2);
  EXPECT_EQ(box.min.y, -1);
  EXPECT_EQ(box.max.x, 3);
  EXPECT_EQ(box.max.y, 4);
  geo_point far = P(10, -10);
  geo_box_extend(&box, &far);
  EXPECT_EQ(box.max.x, 10);
  EXPECT_EQ(box.min.y, -10);
  geo_box copy;
  geo_box_copy(&copy, &box);
  EXPECT_EQ(geo_box_equal(&copy, &box), 1);
  geo_box_zero(&copy);
  EXPECT_EQ(geo_box_is_zero(&copy), 1);
  EXPECT_EQ(geo_box_of_points(pts, 0, &box), 0);
}

TEST(GeoSegments, CrossingTouchingParallelAndCollinear) {
  struct { geo_point a[2], b[2]; int want; const char *what; } cases[] = {
      {{P(0, 0), P(2, 2)}, {P(0, 2), P(2, 0)}, 1, "crossing"},
      {{P(0, 0), P(2, 0)}, {P(2, 0), P(3, 5)}, 1, "touching at an end"},
      {{P(0, 0), P(2, 0)}, {P(1, 0), P(1, 3)}, 1, "touching inside"},
      {{P(0, 0), P(2, 0)}, {P(0, 1), P(2, 1)}, 0, "parallel"},
      {{P(0, 0), P(2, 0)}, {P(1, 0), P(3, 0)}, 1, "collinear overlapping"},
      {{P(0, 0), P(1, 0)}, {P(2, 0), P(3, 0)}, 0, "collinear apart"},
      {{P(0, 0), P(4, 4)}, {P(3, 0), P(5, 1)}, 0, "extents overlap, no crossing"},
  };
  for (auto &c : cases) EXPECT_EQ(geo_seg_intersect(c.a, c.b), c.want) << c.what;
  geo_point p1 = P(1, 1), p2 = P(1, 5), p3 = P(3, 5);
  EXPECT_EQ(geo_slope(&p1, &p2), GEO_SLOPE_VERTICAL);
  EXPECT_EQ(geo_slope(&p1, &p3), 2);
}

TEST(GeoPolygons, InsideConcaveAndNearPolyline) {
  /* A U shape: the notch between x 1..2 above y 1 is outside. */
  geo_point u[] = {P(0, 0), P(3, 0), P(3, 3), P(2, 3), P(2, 1), P(1, 1), P(1, 3), P(0, 3)};
  geo_box box;
  geo_box_of_points(u, 8, &box);
  struct { geo_point p; int want; } cases[] = {
      {P(0.5, 2), 1}, {P(2.5, 2), 1}, {P(1.5, 0.5), 1}, {P(1.5, 2), 0}, {P(4, 1), 0}, {P(-1, 1), 0},
  };
  for (auto &c : cases) {
    EXPECT_EQ(geo_pt_in_polygon(&c.p, u, 8, &box), c.want) << c.p.x << "," << c.p.y;
    EXPECT_EQ(geo_pt_in_polygon(&c.p, u, 8, nullptr), c.want) << c.p.x << "," << c.p.y;
  }
  geo_point q = P(0.5, 0.5);
  EXPECT_EQ(geo_pt_in_polygon(&q, u, 2, nullptr), 0);

  geo_point line[] = {P(0, 0), P(10, 0), P(10, 10)};
  geo_point near_end = P(-0.5, 0), beside = P(5, 0.4), off = P(5, 2), corner = P(10.3, -0.3);
  EXPECT_EQ(geo_pt_near_polyline(&near_end, line, 3, 0.5), 1);
  EXPECT_EQ(geo_pt_near_polyline(&beside, line, 3, 0.5), 1);
  EXPECT_EQ(geo_pt_near_polyline(&off, line, 3, 0.5), 0);
  EXPECT_EQ(geo_pt_near_polyline(&corner, line, 3, 0.5), 1);
  EXPECT_EQ(geo_pt_near_polyline(&beside, line, 1, 0.5), 0);
}
