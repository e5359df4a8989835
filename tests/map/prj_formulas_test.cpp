/*
** prj_formulas_test.cpp: the projection formulas at their fixed points
** (origin, central meridian, pole), their round trips on several
** ellipsoids, the tangent cone and the bounded stereographic inverse.
*/
#include <gtest/gtest.h>

#include <cmath>

#include "map/meridian_arc.h"
#include "map/prj_formulas.h"

namespace {

struct Ellipsoid {
  const char* name;
  double a_m, b_m;
};
const Ellipsoid kEllipsoids[] = {
    {"WGS84", 6378137.0, 6356752.314245179},
    {"CLARKE1866", 6378206.4, 6356583.8},
    {"BESSEL1841", 6377397.155, 6356078.962818189},
    {"SPHERE", 6371000.0, 6371000.0},
};

dtm_rec MakeDtm(const Ellipsoid& e) {
  dtm_rec d{};
  d.a_m = e.a_m;
  d.b_m = e.b_m;
  return d;
}

geo_point Pt(double x, double y, double w = 0.0) { return geo_point{x, y, 0.0, w}; }

TEST(MeridianArc, QuarterMeridianOfWgs84) {
  ell_terms t;
  ell_terms_set(&t, 6378137.0, 6356752.314245179);
  // The WGS84 quarter meridian is 10001965.729 m.
  EXPECT_NEAR(meridian_arc_m(&t, M_PI / 2), 10001965.729, 0.005);
  EXPECT_EQ(meridian_arc_m(&t, 0.0), 0.0);
}

TEST(TransverseMercator, CentralMeridianAndPole) {
  for (const Ellipsoid& e : kEllipsoids) {
    dtm_rec d = MakeDtm(e);
    ell_terms t;
    ell_terms_set(&t, e.a_m, e.b_m);
    geo_point origin = Pt(9.0, 10.0), fo = Pt(500000.0, -1000.0), par = Pt(0, 0);
    const double k0 = 0.9996;
    for (double lat : {-45.0, 0.0, 33.3, 90.0}) {
      geo_point g = Pt(9.0, lat), xy = Pt(0, 0);
      tm_forward(&g, &xy, &origin, &fo, &par, &d, k0);
      double expect_y = k0 * (meridian_arc_m(&t, lat * GEO_DEG_TO_RAD) - meridian_arc_m(&t, 10.0 * GEO_DEG_TO_RAD)) - 1000.0;
      EXPECT_EQ(xy.x, 500000.0) << e.name << " " << lat;
      EXPECT_NEAR(xy.y, expect_y, 1e-9) << e.name << " " << lat;
    }
    geo_point pole = Pt(40.0, 90.0), xy = Pt(0, 0);
    tm_forward(&pole, &xy, &origin, &fo, &par, &d, k0);
    EXPECT_EQ(xy.x, 500000.0) << e.name;  // no series at the pole, whatever the longitude
  }
}

TEST(Utm, ZoneCentreMapsToFalseOrigin) {
  for (const Ellipsoid& e : kEllipsoids) {
    dtm_rec d = MakeDtm(e);
    geo_point origin = Pt(0, 0), fo = Pt(123, 10000000.0), par = Pt(0, 0);
    geo_point g = Pt(3.0, 0.0), xy = Pt(0, 0, 31);
    utm_forward(&g, &xy, &origin, &fo, &par, &d, 1.0);
    EXPECT_NEAR(xy.x, 500000.0, 1e-9) << e.name;  // the given false easting is not used
    EXPECT_NEAR(xy.y, 10000000.0, 1e-9) << e.name;
    EXPECT_EQ(origin.x, 3.0) << e.name;  // the zone's central meridian is written back
    geo_point back = Pt(0, 0), in = Pt(xy.x, xy.y, 31);
    utm_inverse(&back, &in, &origin, &fo, &par, &d, 1.0);
    EXPECT_NEAR(back.x, 3.0, 1e-12);
    EXPECT_NEAR(back.y, 0.0, 1e-12);
  }
}

TEST(Lambert, OriginMapsToFalseOrigin) {
  for (const Ellipsoid& e : kEllipsoids) {
    dtm_rec d = MakeDtm(e);
    geo_point origin = Pt(-96.0, 23.0), fo = Pt(1000.0, 2000.0), par = Pt(33.0, 45.0);
    geo_point g = origin, xy = Pt(0, 0);
    lcc_forward(&g, &xy, &origin, &fo, &par, &d, 1.0);
    EXPECT_NEAR(xy.x, 1000.0, 1e-9) << e.name;
    EXPECT_NEAR(xy.y, 2000.0, 1e-9) << e.name;
    geo_point back = Pt(0, 0), in = fo;
    lcc_inverse(&back, &in, &origin, &fo, &par, &d, 1.0);
    EXPECT_EQ(back.x, -96.0) << e.name;
    EXPECT_NEAR(back.y, 23.0, 3e-8) << e.name;  // the truncated series: within 3 mm
  }
}

TEST(Lambert, EqualParallelsUseTheTangentCone) {
  dtm_rec d = MakeDtm(kEllipsoids[0]);
  geo_point origin = Pt(10.0, 46.0), fo = Pt(0, 0), tangent = Pt(46.0, 46.0), near = Pt(45.9999, 46.0001);
  geo_point g = Pt(12.5, 48.0), xy_t = Pt(0, 0), xy_n = Pt(0, 0);
  lcc_forward(&g, &xy_t, &origin, &fo, &tangent, &d, 1.0);
  lcc_forward(&g, &xy_n, &origin, &fo, &near, &d, 1.0);
  ASSERT_TRUE(std::isfinite(xy_t.x) && std::isfinite(xy_t.y));
  EXPECT_NEAR(xy_t.x, xy_n.x, 0.01);  // the limit of nearly equal parallels
  EXPECT_NEAR(xy_t.y, xy_n.y, 0.01);
  geo_point back = Pt(0, 0);
  lcc_inverse(&back, &xy_t, &origin, &fo, &tangent, &d, 1.0);
  EXPECT_NEAR(back.x, 12.5, 1e-9);
  EXPECT_NEAR(back.y, 48.0, 1e-7);
}

TEST(DoubleStereographic, OriginMapsToFalseOriginAndBack) {
  for (const Ellipsoid& e : kEllipsoids) {
    dtm_rec d = MakeDtm(e);
    geo_point origin = Pt(5.387638889, 52.156160556), fo = Pt(155000.0, 463000.0), par = Pt(0, 0);
    geo_point g = origin, xy = Pt(0, 0);
    dstereo_forward(&g, &xy, &origin, &fo, &par, &d, 0.9999079);
    EXPECT_NEAR(xy.x, 155000.0, 1e-8) << e.name;
    EXPECT_NEAR(xy.y, 463000.0, 1e-8) << e.name;
    geo_point back = Pt(0, 0), in = fo;
    dstereo_inverse(&back, &in, &origin, &fo, &par, &d, 0.9999079);
    EXPECT_NEAR(back.x, origin.x, 1e-12) << e.name;
    EXPECT_NEAR(back.y, origin.y, 1e-12) << e.name;
  }
}

TEST(DoubleStereographic, InverseEndsFarFromTheOrigin) {
  dtm_rec d = MakeDtm(kEllipsoids[0]);
  geo_point origin = Pt(0.0, 60.0), fo = Pt(0, 0), par = Pt(0, 0);
  geo_point g = Pt(0, 0), far = Pt(0.0, 4.0e7);  // beyond the antipode's image
  dstereo_inverse(&g, &far, &origin, &fo, &par, &d, 1.0);
  // Centred on the south pole the sphere's constant k is 0 times infinity:
  // every Newton step is NaN and never falls below the stop, so only the
  // cap ends the loop.
  geo_point south = Pt(0.0, -90.0), at_origin = Pt(0, 0), lost = Pt(0, 0);
  dstereo_inverse(&lost, &at_origin, &south, &fo, &par, &d, 1.0);
  EXPECT_FALSE(std::isfinite(lost.y));
  SUCCEED();  // returns within DSTEREO_MAX_ITERATIONS steps, whatever it found
}

// Forward then inverse over a grid around each origin, every family.
TEST(Formulas, RoundTripsOnEveryEllipsoid) {
  struct Family {
    const char* name;
    prj_formula fwd, inv;
    geo_point origin, parallels;
    double scale;
    double tol_deg;  // 1e-8 degrees is about a millimetre
  };
  const Family families[] = {
      {"TM", tm_forward, tm_inverse, Pt(-2, 49), Pt(0, 0), 0.9996012717, 2e-8},
      {"UTM", utm_forward, utm_inverse, Pt(0, 0), Pt(0, 0), 1.0, 2e-8},
      {"LAMBERT", lcc_forward, lcc_inverse, Pt(-96, 23), Pt(33, 45), 1.0, 3e-8},
      {"LAMBERT SOUTH", lcc_forward, lcc_inverse, Pt(134, -10), Pt(-18, -36), 1.0, 3e-8},
      {"DSTEREO", dstereo_forward, dstereo_inverse, Pt(-66.5, 46.5), Pt(0, 0), 0.999912, 1e-11},
  };
  for (const Ellipsoid& e : kEllipsoids) {
    dtm_rec d = MakeDtm(e);
    for (const Family& f : families) {
      geo_point origin = f.origin, fo = Pt(300000.0, 50000.0);
      double lon0 = f.fwd == utm_forward ? 3.0 : f.origin.x;
      double lat0 = f.fwd == utm_forward ? 40.0 : f.origin.y;
      for (double dlon = -2.5; dlon <= 2.5; dlon += 1.25)
        for (double dlat = -3.0; dlat <= 3.0; dlat += 1.5) {
          geo_point g = Pt(lon0 + dlon, lat0 + dlat), xy = Pt(0, 0, 31), back = Pt(0, 0);
          f.fwd(&g, &xy, &origin, &fo, &f.parallels, &d, f.scale);
          xy.w = 31;
          f.inv(&back, &xy, &origin, &fo, &f.parallels, &d, f.scale);
          EXPECT_NEAR(back.x, g.x, f.tol_deg) << f.name << " " << e.name << " " << g.x << " " << g.y;
          EXPECT_NEAR(back.y, g.y, f.tol_deg) << f.name << " " << e.name << " " << g.x << " " << g.y;
        }
    }
  }
}

}  // namespace
