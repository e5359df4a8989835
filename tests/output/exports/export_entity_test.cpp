/*
** export_entity_test.cpp: the export's ring geometry and its entity
** walker over entities of the stand-in editor: rings turned clockwise by
** their area whichever way they run, rings without area or without an
** inside refused, the label point found inside concave rings, the one
** point limit of both polyline kinds counted with the closing point,
** entities of another kind refused, and the extents only of what was read.
*/
#include <gtest/gtest.h>

#include <vector>

#include "coords/prj_list.h"
#include "draw/draw_util.h"
#include "draw/map_params.h"
#include "map/draw_fixture.h"
#include "output/exports/export_entity.h"
#include "output/exports/export_geo.h"
#include "output/exports/export_state.h"

namespace {

using Ring = std::vector<std::pair<double, double>>;

/* The ring's x and y arrays. */
void split(const Ring &r, std::vector<double> &x, std::vector<double> &y) {
  x.clear();
  y.clear();
  for (auto &p : r) {
    x.push_back(p.first);
    y.push_back(p.second);
  }
}

TEST(RingGeometry, WindingIsDecidedByAreaNotByTheWayTheRingStarts) {
  struct row {
    Ring ring;
    int want;
  } rows[] = {
      {{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}, -1},           /* clockwise square */
      {{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}, 1},            /* counter-clockwise */
      {{{5, 5}, {10, 5}, {10, 10}, {5, 10}, {5, 5}}, 1},            /* away from the origin */
      {{{0, 0}, {1, 1}, {2, 2}, {0, 0}}, 0},                        /* no area */
      {{{0, 0}, {4, 0}, {4, 4}, {2, 1}, {0, 4}, {0, 0}}, 1},        /* concave */
  };
  std::vector<double> x, y;
  for (const row &r : rows) {
    split(r.ring, x, y);
    EXPECT_EQ(geo_ring_orientation(x.data(), y.data(), (int)x.size()), r.want);
  }
}

TEST(RingGeometry, InsidePointLiesInsideConcaveRingsAndPairsStayOnTheRing) {
  const Ring rings[] = {
      {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}},
      {{0, 0}, {9, 0}, {9, 9}, {6, 9}, {6, 1}, {3, 1}, {3, 9}, {0, 9}, {0, 0}}, /* a U */
      {{0, 0}, {10, 0}, {10, 1}, {1, 1}, {1, 10}, {0, 10}, {0, 0}},              /* an L */
  };
  std::vector<double> x, y;
  for (const Ring &r : rings) {
    split(r, x, y);
    geo_point p{};
    ASSERT_EQ(geo_ring_inside_point(x.data(), y.data(), (int)x.size(), &p), 1);
    EXPECT_EQ(geo_point_in_ring(p.x, p.y, x.data(), y.data(), (int)x.size()), 1) << p.x << " " << p.y;
  }
  /* A ring without inside tries every pair, the last ones around its end. */
  Ring flat = {{0, 0}, {1, 0}, {2, 0}, {0, 0}};
  split(flat, x, y);
  geo_point p{};
  EXPECT_EQ(geo_ring_inside_point(x.data(), y.data(), (int)x.size(), &p), 0);
  EXPECT_EQ(geo_ring_inside_point(x.data(), y.data(), 3, &p), 0);
}

TEST(RingGeometry, PointOnAVertexHeightAndOutsideTheBox) {
  std::vector<double> x = {0, 4, 4, 0, 0}, y = {0, 0, 4, 4, 0};
  EXPECT_EQ(geo_point_in_ring(2, 0, x.data(), y.data(), 5), 1); /* raised off the edge */
  EXPECT_EQ(geo_point_in_ring(2, 2, x.data(), y.data(), 5), 1);
  EXPECT_EQ(geo_point_in_ring(5, 2, x.data(), y.data(), 5), 0);
  EXPECT_EQ(geo_point_in_ring(2, 2, x.data(), y.data(), 2), 0);
  std::vector<double> r = {1, 2, 3};
  std::vector<double> s = {4, 5, 6};
  geo_ring_reverse(r.data(), s.data(), 3);
  EXPECT_EQ(r, (std::vector<double>{3, 2, 1}));
  EXPECT_EQ(s, (std::vector<double>{6, 5, 4}));
}

class Walker : public DrawTest {
 protected:
  prj_rec user{};
  export_state_rec &s = export_state();

  void SetUp() override {
    DrawTest::SetUp();
    export_state_reset();
    prj_init(&user);
    user.type = PRJ_TYPE_USER;
    g_map_params.projection = &user;
  }
  void TearDown() override {
    g_map_params.projection = nullptr;
    export_state_reset();
    DrawTest::TearDown();
  }
  /* The text of the point column (0 X, 1 Y, 4 SCALE, 5 ANGLE) of the object read last. */
  static std::string point_column(int column) {
    std::string v;
    export_fixed_value(column, 1, EXPORT_KIND_POINTS, v);
    return v;
  }
  /* Makes an LWPOLYLINE of the points with the flags of group 70. */
  static void lwpolyline(const Ring &pts, int flags, ads_name out) {
    struct resbuf *l = ads_buildlist(RTDXF0, "LWPOLYLINE", 8, "UNITS", 90, (int)pts.size(), 70, flags, 0);
    struct resbuf *tail = l;
    while (tail->rbnext) tail = tail->rbnext;
    for (auto &p : pts) {
      ads_point pt = {p.first, p.second, 0};
      tail->rbnext = ads_buildlist(10, pt, 0);
      tail = tail->rbnext;
    }
    ASSERT_EQ(ads_entmakex(l, out), RTNORM);
    ads_relrb(l);
  }
  /* Makes a POLYLINE with VERTEX entities and its SEQEND; answers the head. */
  static void polyline(const Ring &pts, int flags, ads_name out) {
    ads_point zero = {0, 0, 0};
    struct resbuf *l = ads_buildlist(RTDXF0, "POLYLINE", 8, "UNITS", 66, 1, 10, zero, 70, flags, 0);
    ASSERT_EQ(ads_entmake(l), RTNORM);
    ads_relrb(l);
    for (auto &p : pts) {
      ads_point pt = {p.first, p.second, 0};
      l = ads_buildlist(RTDXF0, "VERTEX", 8, "UNITS", 10, pt, 0);
      ASSERT_EQ(ads_entmake(l), RTNORM);
      ads_relrb(l);
    }
    l = ads_buildlist(RTDXF0, "SEQEND", 0);
    ASSERT_EQ(ads_entmake(l), RTNORM);
    ads_relrb(l);
    ads_name e, next;
    ASSERT_EQ(ads_entnext(nullptr, e), RTNORM);
    ads_name head = {e[0], e[1]};
    while (ads_entnext(e, next) == RTNORM) {
      if (ent_type_code(next) == ENT_TYPE_POLYLINE) ename_copy(head, next);
      ename_copy(e, next);
    }
    ename_copy(out, head);
  }
  int read(int kind, const ads_name e, int pass = 1) {
    return export_read_entity(kind, e, &user, pass, 0, 1, 0);
  }
};

TEST_F(Walker, BothSquaresComeOutClockwiseWithTheirLabelInside) {
  ads_name cw, ccw;
  polyline({{0, 0}, {0, 10}, {10, 10}, {10, 0}}, 1, cw);
  lwpolyline({{20, 0}, {30, 0}, {30, 10}, {20, 10}, {20, 0}}, 0, ccw);
  for (const long *e : {cw, ccw}) {
    ASSERT_EQ(read(EXPORT_KIND_POLYGONS, e), 0);
    const export_object_rec &o = s.obj;
    ASSERT_EQ(o.x.size(), 5u);
    EXPECT_LT(geo_ring_signed_area(o.x.data(), o.y.data(), 5), 0.0);
    EXPECT_DOUBLE_EQ(geo_ring_signed_area(o.x.data(), o.y.data(), 5), -100.0);
    EXPECT_EQ(geo_point_in_ring(o.inside.x, o.inside.y, o.x.data(), o.y.data(), 5), 1);
    EXPECT_DOUBLE_EQ(o.length, 40.0);
    EXPECT_EQ(o.layer, "UNITS");
  }
  EXPECT_DOUBLE_EQ(s.extents.min.x, 0.0);
  EXPECT_DOUBLE_EQ(s.extents.max.x, 30.0);
}

TEST_F(Walker, RingsThatAreNoPolygonsAreRefusedAndLeaveTheExtents) {
  ads_name open, small, flat;
  lwpolyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 0, open);
  lwpolyline({{50, 50}, {60, 50}, {50, 50}}, 0, small);
  lwpolyline({{0, 0}, {5, 0}, {10, 0}, {0, 0}}, 0, flat);
  EXPECT_EQ(read(EXPORT_KIND_POLYGONS, open), -1);
  EXPECT_EQ(read(EXPORT_KIND_POLYGONS, small), -1);
  EXPECT_EQ(read(EXPORT_KIND_POLYGONS, flat), -1);
  EXPECT_EQ(s.extents_set, 0);
  EXPECT_EQ(read(EXPORT_KIND_LINES, open), 0);
  EXPECT_EQ(s.obj.x.size(), 4u);
}

TEST_F(Walker, BothPolylineKindsShareOneLimitThatCountsTheClosingPoint) {
  Ring at_limit, one_more;
  for (int i = 0; i < EXPORT_POINTS_MAX - 1; ++i) at_limit.push_back({(double)i, (double)(i % 2)});
  one_more = at_limit;
  one_more.push_back({(double)EXPORT_POINTS_MAX, 0});
  ads_name lw_ok, lw_long, pl_ok, pl_long;
  lwpolyline(at_limit, 1, lw_ok);   /* 4094 and the closing point */
  lwpolyline(one_more, 1, lw_long); /* 4095 and the closing point */
  polyline(at_limit, 1, pl_ok);
  polyline(one_more, 1, pl_long);
  ASSERT_EQ(read(EXPORT_KIND_LINES, lw_ok), 0);
  EXPECT_EQ((int)s.obj.x.size(), EXPORT_POINTS_MAX);
  ASSERT_EQ(read(EXPORT_KIND_LINES, pl_ok), 0);
  EXPECT_EQ((int)s.obj.x.size(), EXPORT_POINTS_MAX);
  EXPECT_EQ(read(EXPORT_KIND_LINES, lw_long), -1);
  EXPECT_EQ(read(EXPORT_KIND_LINES, pl_long), -1);
}

TEST_F(Walker, EntitiesOfAnotherKindAreRefused) {
  ads_name ln, pt;
  line(0, 0, 3, 4, ln);
  ads_point p = {1, 2, 0};
  struct resbuf *l = ads_buildlist(RTDXF0, "POINT", 8, "0", 10, p, 0);
  ASSERT_EQ(ads_entmakex(l, pt), RTNORM);
  ads_relrb(l);
  EXPECT_EQ(read(EXPORT_KIND_POINTS, ln), -1);
  EXPECT_EQ(read(EXPORT_KIND_POLYGONS, ln), -1);
  EXPECT_EQ(read(EXPORT_KIND_LINES, pt), -1);
  ASSERT_EQ(read(EXPORT_KIND_LINES, ln), 0);
  EXPECT_DOUBLE_EQ(s.obj.length, 5.0);
  ASSERT_EQ(read(EXPORT_KIND_POINTS, pt), 0);
  EXPECT_EQ(point_column(0), "1.000000");
  EXPECT_EQ(point_column(1), "2.000000");
  EXPECT_EQ(read(9, pt), -2);
  EXPECT_EQ(export_read_entity(EXPORT_KIND_POINTS, pt, nullptr, 1, 0, 1, 0), -2);
}

TEST_F(Walker, ABlankLinetypeIsTheLayersAndAnOwnOneIsKept) {
  ads_point a = {0, 0, 0}, b = {3, 4, 0};
  ads_name bylayer, own;
  struct resbuf *l = ads_buildlist(RTDXF0, "LINE", 8, "0", 10, a, 11, b, 0);
  ASSERT_EQ(ads_entmakex(l, bylayer), RTNORM);
  ads_relrb(l);
  l = ads_buildlist(RTDXF0, "LINE", 8, "0", 6, "BYBLOCK", 10, a, 11, b, 0);
  ASSERT_EQ(ads_entmakex(l, own), RTNORM);
  ads_relrb(l);
  ASSERT_EQ(read(EXPORT_KIND_LINES, bylayer), 0);
  EXPECT_EQ(s.obj.linetype, "CONTINUOUS");
  ASSERT_EQ(read(EXPORT_KIND_LINES, own), 0);
  EXPECT_EQ(s.obj.linetype, "BYBLOCK");
}

TEST_F(Walker, TextTakesTheDialogHeightAndIsNotedOnlyInTheFirstPass) {
  ads_point p = {5, 6, 0};
  ads_name t;
  struct resbuf *l = ads_buildlist(RTDXF0, "TEXT", 8, "0", 10, p, 40, 2.5, 1, "Gneiss", 50, 0.5, 0);
  ASSERT_EQ(ads_entmakex(l, t), RTNORM);
  ads_relrb(l);
  ASSERT_EQ(read(EXPORT_KIND_POINTS, t, 2), 0);
  EXPECT_EQ(s.text_met, 0);
  EXPECT_EQ(point_column(4), "2.500"); /* no dialog height: the entity's own */
  s.height = 4.0;
  ASSERT_EQ(read(EXPORT_KIND_POINTS, t, 1), 0);
  EXPECT_EQ(s.text_met, 1);
  EXPECT_EQ(s.obj.name, "Gneiss");
  EXPECT_EQ(point_column(4), "4.000");
  EXPECT_EQ(point_column(5), "28.648");
}

}  // namespace
