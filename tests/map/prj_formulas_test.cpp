/*
** prj_formulas_test.cpp: the projection formulas at their fixed points
** (origin, central meridian, pole), their round trips on several
** ellipsoids, the tangent cone and the bounded stereographic inverse.
*/
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "coords/meridian_arc.h"
#include "coords/prj_formulas.h"

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

// Polar and near-polar origins: a point at any longitude difference comes
// back where it was (the inverse once folded points more than 90 degrees
// from the origin meridian back across it). The meridian opposite the
// origin's is the conformal sphere's seam, reached only from the pole, where
// the sphere's longitude is the ellipsoid's.
TEST(DoubleStereographic, InverseHoldsAllRoundPolarOrigins) {
  struct Origin {
    double lon0, lat0;
    double lats[4];
  };
  const Origin origins[] = {{10, 88, {70, 80, 88, 89.5}}, {0, 90, {60, 75, 85, 89.9}}, {-40, -80, {-60, -75, -80, -89.5}}};
  geo_point fo = Pt(2000000.0, 2000000.0), par = Pt(0, 0);
  for (const Ellipsoid& e : kEllipsoids) {
    dtm_rec d = MakeDtm(e);
    for (const Origin& o : origins)
      for (double lat : o.lats)
        for (int dlon = -165; dlon <= 180; dlon += 15) {
          if (dlon == 180 && o.lat0 != 90) continue;
          geo_point origin = Pt(o.lon0, o.lat0), g = Pt(o.lon0 + dlon, lat), xy = Pt(0, 0), back = Pt(0, 0);
          dstereo_forward(&g, &xy, &origin, &fo, &par, &d, 0.9994);
          dstereo_inverse(&back, &xy, &origin, &fo, &par, &d, 0.9994);
          double gap = std::remainder(back.x - g.x, 360.0);
          EXPECT_NEAR(gap * std::cos(lat * GEO_DEG_TO_RAD), 0.0, 1e-9)
              << e.name << " origin " << o.lat0 << " lat " << lat << " dlon " << dlon << " back " << back.x;
          EXPECT_NEAR(back.y, lat, 1e-9) << e.name << " origin " << o.lat0 << " dlon " << dlon;
        }
  }
  dtm_rec d = MakeDtm(kEllipsoids[0]);
  geo_point pole = Pt(0, 90), g = Pt(135, 80), xy = Pt(0, 0), back = Pt(0, 0);
  dstereo_forward(&g, &xy, &pole, &fo, &par, &d, 1.0);
  dstereo_inverse(&back, &xy, &pole, &fo, &par, &d, 1.0);
  EXPECT_NEAR(back.x, 135.0, 1e-9) << "not mirrored to -45";
}

// The terms a formula keeps between points give the same bits as terms
// computed afresh for every point: each family converts a grid once with
// its terms kept throughout, and once with a system that differs in one
// value (an axis, the origin, a parallel, the scale, the false origin, the
// zone) converted before every point, so that the terms must be made anew
// (or, were that value missing from what the terms are kept under, would be
// the other system's).
TEST(Formulas, KeptTermsGiveTheBitsOfTermsMadeForEveryPoint) {
  struct System {
    dtm_rec d;
    geo_point origin, fo, par;
    double scale;
    int zone;
  };
  struct Family {
    const char* name;
    prj_formula fwd, inv;
    System base;
  };
  const dtm_rec wgs = MakeDtm(kEllipsoids[0]);
  const Family families[] = {
      {"TM", tm_forward, tm_inverse, {wgs, Pt(-2, 49), Pt(400000, -100000), Pt(0, 0), 0.9996012717, 0}},
      {"UTM", utm_forward, utm_inverse, {wgs, Pt(0, 0), Pt(0, 10000000), Pt(0, 0), 1.0, 31}},
      {"LAMBERT", lcc_forward, lcc_inverse, {wgs, Pt(-96, 23), Pt(1000, 2000), Pt(33, 45), 1.0, 0}},
      {"DSTEREO", dstereo_forward, dstereo_inverse, {wgs, Pt(5.4, 52.2), Pt(155000, 463000), Pt(0, 0), 0.9999079, 0}},
  };
  using Change = void (*)(System*);
  const Change changes[] = {
      [](System* s) { s->d.a_m += 0.5; },      [](System* s) { s->d.b_m -= 0.5; },
      [](System* s) { s->origin.x += 0.25; },  [](System* s) { s->origin.y -= 0.25; },
      [](System* s) { s->par.x += 0.5; },      [](System* s) { s->par.y -= 0.5; },
      [](System* s) { s->scale *= 0.999; },    [](System* s) { s->fo.x += 10.0; },
      [](System* s) { s->fo.y -= 10.0; },      [](System* s) { s->zone += 1; },
  };
  // Converts one point forward and back in system s; answers the four values.
  auto convert = [](const Family& f, System* s, geo_point g) {
    geo_point xy = Pt(0, 0, s->zone), back = Pt(0, 0);
    f.fwd(&g, &xy, &s->origin, &s->fo, &s->par, &s->d, s->scale);
    xy.w = s->zone;
    f.inv(&back, &xy, &s->origin, &s->fo, &s->par, &s->d, s->scale);
    return std::array<double, 4>{xy.x, xy.y, back.x, back.y};
  };
  auto bits = [](const std::array<double, 4>& v) {
    std::array<std::uint64_t, 4> b;
    for (int i = 0; i < 4; ++i) b[i] = std::bit_cast<std::uint64_t>(v[i]);
    return b;
  };
  for (const Family& f : families) {
    System base = f.base;
    double lon0 = f.base.zone ? f.base.zone * 6 - 183 : f.base.origin.x;
    double lat0 = f.base.zone ? 45.0 : f.base.origin.y;
    std::vector<geo_point> grid;
    for (int i = -4; i <= 4; ++i)
      for (int j = -4; j <= 4; ++j) grid.push_back(Pt(lon0 + 0.7 * i + 0.013, lat0 + 0.6 * j + 0.007));
    std::vector<std::array<double, 4>> kept;
    for (const geo_point& g : grid) kept.push_back(convert(f, &base, g));
    for (Change change : changes) {
      System other = f.base;
      change(&other);
      for (size_t k = 0; k < grid.size(); ++k) {
        convert(f, &other, grid[k]);
        std::array<double, 4> fresh = convert(f, &base, grid[k]);
        EXPECT_EQ(bits(fresh), bits(kept[k])) << f.name << " point " << k;
      }
    }
  }
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
