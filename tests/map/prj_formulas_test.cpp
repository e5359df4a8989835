/*
** prj_formulas_test.cpp: the projection formulas at their fixed points
** (origin, central meridian, pole), their round trips on several
** ellipsoids, the tangent cone and the bounded stereographic inverse; the
** meridian arc against its integral; points converted by cs2cs across the
** antimeridian, at the poles and at high latitudes; the geodesic direct
** problem against geod.
*/
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "coords/geodesic.h"
#include "coords/meridian_arc.h"
#include "coords/prj_formulas.h"
#include "coords/prj_name.h"

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

// The arc at every latitude against the integral a (1 - e2) times the
// integral of (1 - e2 sin^2 t)^(-3/2) from 0 to phi, computed here by
// Simpson's rule on 20000 panels (good to far below a micrometre): the
// series is right to 0.01 mm (the e^8 terms it had before put it up to
// 1.8 mm off).
TEST(MeridianArc, WithinAHundredthOfAMillimetreOfTheIntegralAtEveryLatitude) {
  for (const Ellipsoid& e : kEllipsoids) {
    ell_terms t;
    ell_terms_set(&t, e.a_m, e.b_m);
    auto integrand = [&t](double x) {
      double s = std::sin(x);
      double w = 1.0 - t.e2 * s * s;
      return 1.0 / (w * std::sqrt(w));
    };
    for (int deg = -90; deg <= 90; deg += 3) {
      const double phi = deg * GEO_DEG_TO_RAD;
      const int panels = 20000;
      const double h = phi / panels;
      long double sum = integrand(0.0) + integrand(phi);
      for (int i = 1; i < panels; ++i) sum += (i % 2 ? 4.0L : 2.0L) * integrand(i * h);
      const double exact = e.a_m * (1.0 - t.e2) * static_cast<double>(sum * h / 3.0L);
      EXPECT_NEAR(meridian_arc_m(&t, phi), exact, 1e-5) << e.name << " latitude " << deg;
    }
  }
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
      // The meridian arc's series is right to 0.01 mm, the northing's to nanometres.
      EXPECT_NEAR(xy.y, expect_y, 2e-5) << e.name << " " << lat;
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
  SUCCEED();  // returns within DSTEREO_MAX_ITERATIONS steps, whatever it found
}

// Centred on either pole the Part's k is 0/0 or infinity over infinity;
// the formulas take its limit, so the origin maps to the false origin and
// back to the pole on every ellipsoid.
TEST(DoubleStereographic, PolarOriginsConvert) {
  geo_point fo = Pt(2000000.0, 2000000.0), par = Pt(0, 0);
  for (const Ellipsoid& e : kEllipsoids) {
    dtm_rec d = MakeDtm(e);
    for (double lat0 : {-90.0, 90.0}) {
      geo_point origin = Pt(25.0, lat0), g = origin, xy = Pt(0, 0), back = Pt(0, 0);
      dstereo_forward(&g, &xy, &origin, &fo, &par, &d, 0.994);
      EXPECT_NEAR(xy.x, fo.x, 1e-6) << e.name << " " << lat0;
      EXPECT_NEAR(xy.y, fo.y, 1e-6) << e.name << " " << lat0;
      dstereo_inverse(&back, &xy, &origin, &fo, &par, &d, 0.994);
      EXPECT_EQ(back.y, lat0) << e.name;
    }
  }
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

// Points converted by PROJ's cs2cs (6.3), their values held here: across
// the antimeridian from the central meridian or origin (the formulas take
// the longitude difference the short way round, and the inverses answer
// longitudes in (-180, 180]), at 80 to 84 degrees of latitude and at the
// poles (UTM northings right to 0.1 mm, as the meridian arc is), double
// stereographic systems centred on a pole, and Lambert inverses far from
// their standard parallels (iterated to 0.01 mm). The inverse is checked
// against the point itself, the forward against cs2cs's easting and
// northing, printed to the micrometre.
struct Cs2csCase {
  const char* what;
  int type;
  Ellipsoid ellipsoid;
  geo_point origin;  // central meridian, origin latitude
  geo_point fo;      // false origin, metres
  geo_point parallels;
  double scale;
  int zone;
  geo_point geo;  // longitude, latitude
  geo_point xy;   // cs2cs's easting and northing
};
const Ellipsoid kWgs84 = {"WGS84", 6378137.0, 6356752.314245179};
const Ellipsoid kGrs80 = {"GRS 1980 (as shipped)", 6378137.0, 6356752.314};
const Ellipsoid kBessel = {"BESSEL1841", 6377397.155, 6356078.962818189};
const Ellipsoid kClarke1866 = {"CLARKE1866", 6378206.4, 6356583.8};
const Cs2csCase kCs2csCases[] = {
    // UTM 31N at 80-84: +proj=utm +zone=31
    {"UTM 31N at 80-84", PRJ_TYPE_UTM, kWgs84, {3.0, 0.0, 0, 0}, {500000.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 31, {0.5, 80.0, 0, 0}, {451550.129743, 8882626.944947, 0, 0}},
    {"UTM 31N at 80-84", PRJ_TYPE_UTM, kWgs84, {3.0, 0.0, 0, 0}, {500000.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 31, {5.9, 82.5, 0, 0}, {542242.305507, 9161703.484079, 0, 0}},
    {"UTM 31N at 80-84", PRJ_TYPE_UTM, kWgs84, {3.0, 0.0, 0, 0}, {500000.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 31, {6.0, 84.0, 0, 0}, {534994.655061, 9329005.182447, 0, 0}},
    {"UTM 31N at 80-84", PRJ_TYPE_UTM, kWgs84, {3.0, 0.0, 0, 0}, {500000.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 31, {0.0, 84.0, 0, 0}, {465005.344939, 9329005.182447, 0, 0}},
    {"UTM 31N at 80-84", PRJ_TYPE_UTM, kWgs84, {3.0, 0.0, 0, 0}, {500000.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 31, {3.7, 81.3, 0, 0}, {511820.523548, 9026762.506078, 0, 0}},
    {"UTM 31N at 80-84", PRJ_TYPE_UTM, kWgs84, {3.0, 0.0, 0, 0}, {500000.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 31, {1.2, 83.9, 0, 0}, {478648.488947, 9317263.671879, 0, 0}},
    // UTM 33S at -80..-84: +proj=utm +zone=33 +south
    {"UTM 33S at -80..-84", PRJ_TYPE_UTM, kWgs84, {15.0, 0.0, 0, 0}, {500000.0, 10000000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 33, {12.5, -80.5, 0, 0}, {453949.422909, 1061614.662349, 0, 0}},
    {"UTM 33S at -80..-84", PRJ_TYPE_UTM, kWgs84, {15.0, 0.0, 0, 0}, {500000.0, 10000000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 33, {17.9, -84.0, 0, 0}, {533829.157938, 671054.549812, 0, 0}},
    {"UTM 33S at -80..-84", PRJ_TYPE_UTM, kWgs84, {15.0, 0.0, 0, 0}, {500000.0, 10000000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 33, {15.0, -82.0, 0, 0}, {500000.000000, 895171.028426, 0, 0}},
    // UTM 31N at the pole: +proj=utm +zone=31
    {"UTM 31N at the pole", PRJ_TYPE_UTM, kWgs84, {3.0, 0.0, 0, 0}, {500000.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 31, {3.0, 90.0, 0, 0}, {500000.000000, 9997964.943021, 0, 0}},
    // UTM 60N across 180: +proj=utm +zone=60
    {"UTM 60N across 180", PRJ_TYPE_UTM, kWgs84, {177.0, 0.0, 0, 0}, {500000.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 60, {-179.9, 65.0, 0, 0}, {646139.799253, 7212038.823042, 0, 0}},
    {"UTM 60N across 180", PRJ_TYPE_UTM, kWgs84, {177.0, 0.0, 0, 0}, {500000.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 60, {180.0, 0.0, 0, 0}, {833978.556919, 0.000000, 0, 0}},
    {"UTM 60N across 180", PRJ_TYPE_UTM, kWgs84, {177.0, 0.0, 0, 0}, {500000.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 60, {-178.0, 52.0, 0, 0}, {843147.223101, 5772850.027828, 0, 0}},
    {"UTM 60N across 180", PRJ_TYPE_UTM, kWgs84, {177.0, 0.0, 0, 0}, {500000.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 60, {179.0, 30.0, 0, 0}, {692915.105179, 3320469.286498, 0, 0}},
    // UTM 1S across 180: +proj=utm +zone=1 +south
    {"UTM 1S across 180", PRJ_TYPE_UTM, kClarke1866, {-177.0, 0.0, 0, 0}, {500000.0, 10000000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 1, {179.5, -45.0, 0, 0}, {224138.126361, 5011305.176175, 0, 0}},
    {"UTM 1S across 180", PRJ_TYPE_UTM, kClarke1866, {-177.0, 0.0, 0, 0}, {500000.0, 10000000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 1, {178.0, -15.0, 0, 0}, {-38140.297290, 8335687.285266, 0, 0}},
    {"UTM 1S across 180", PRJ_TYPE_UTM, kClarke1866, {-177.0, 0.0, 0, 0}, {500000.0, 10000000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 1, {-179.0, -60.0, 0, 0}, {388451.621396, 3347109.063320, 0, 0}},
    // TM origin 179E: +proj=tmerc +lat_0=10 +lon_0=179 +k_0=0.9999 +x_0=100000 +y_0=-50000
    {"TM origin 179E", PRJ_TYPE_TM, kBessel, {179.0, 10.0, 0, 0}, {100000.0, -50000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9999, 0, {-178.5, 12.0, 0, 0}, {372277.173695, 172421.676566, 0, 0}},
    {"TM origin 179E", PRJ_TYPE_TM, kBessel, {179.0, 10.0, 0, 0}, {100000.0, -50000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9999, 0, {177.5, 8.0, 0, 0}, {-65347.457786, -270858.359199, 0, 0}},
    {"TM origin 179E", PRJ_TYPE_TM, kBessel, {179.0, 10.0, 0, 0}, {100000.0, -50000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9999, 0, {-179.99, 81.0, 0, 0}, {117641.207175, 7839435.651923, 0, 0}},
    // LCC south origin 150E: +proj=lcc +lat_1=-30 +lat_2=-45 +lat_0=-35 +lon_0=150 +x_0=1000000 +y_0=2000000
    {"LCC south origin 150E", PRJ_TYPE_LAMBERT, kWgs84, {150.0, -35.0, 0, 0}, {1000000.0, 2000000.0, 0, 0}, {-30.0, -45.0, 0, 0}, 1.0, 0, {-175.0, -40.0, 0, 0}, {3897568.995075, 902929.990833, 0, 0}},
    {"LCC south origin 150E", PRJ_TYPE_LAMBERT, kWgs84, {150.0, -35.0, 0, 0}, {1000000.0, 2000000.0, 0, 0}, {-30.0, -45.0, 0, 0}, 1.0, 0, {179.5, -20.0, 0, 0}, {4147650.186973, 3178542.869811, 0, 0}},
    {"LCC south origin 150E", PRJ_TYPE_LAMBERT, kWgs84, {150.0, -35.0, 0, 0}, {1000000.0, 2000000.0, 0, 0}, {-30.0, -45.0, 0, 0}, 1.0, 0, {-170.0, -50.0, 0, 0}, {3827683.938560, -275261.747801, 0, 0}},
    // Statistics Canada Lambert: +proj=lcc +lat_1=49 +lat_2=77 +lat_0=63.390675 +lon_0=-91.866666666666667 +x_0=6200000 +y_0=3000000
    {"Statistics Canada Lambert", PRJ_TYPE_LAMBERT, kGrs80, {-91.86666666666666, 63.390675, 0, 0}, {6200000.0, 3000000.0, 0, 0}, {49.0, 77.0, 0, 0}, 1.0, 0, {170.0, 60.0, 0, 0}, {2751464.843091, 5986688.431384, 0, 0}},
    {"Statistics Canada Lambert", PRJ_TYPE_LAMBERT, kGrs80, {-91.86666666666666, 63.390675, 0, 0}, {6200000.0, 3000000.0, 0, 0}, {49.0, 77.0, 0, 0}, 1.0, 0, {179.9, 55.0, 0, 0}, {2273754.163777, 5354038.531211, 0, 0}},
    {"Statistics Canada Lambert", PRJ_TYPE_LAMBERT, kGrs80, {-91.86666666666666, 63.390675, 0, 0}, {6200000.0, 3000000.0, 0, 0}, {49.0, 77.0, 0, 0}, 1.0, 0, {-179.9, 55.0, 0, 0}, {2276066.193124, 5341696.662603, 0, 0}},
    {"Statistics Canada Lambert", PRJ_TYPE_LAMBERT, kGrs80, {-91.86666666666666, 63.390675, 0, 0}, {6200000.0, 3000000.0, 0, 0}, {49.0, 77.0, 0, 0}, 1.0, 0, {-60.0, 45.0, 0, 0}, {8650788.465797, 1607666.722719, 0, 0}},
    // LCC US far from its parallels: +proj=lcc +lat_1=33 +lat_2=45 +lat_0=23 +lon_0=-96 +x_0=0 +y_0=0
    {"LCC US far from its parallels", PRJ_TYPE_LAMBERT, kWgs84, {-96.0, 23.0, 0, 0}, {0.0, 0.0, 0, 0}, {33.0, 45.0, 0, 0}, 1.0, 0, {-96.0, 70.0, 0, 0}, {0.000000, 5429827.221380, 0, 0}},
    {"LCC US far from its parallels", PRJ_TYPE_LAMBERT, kWgs84, {-96.0, 23.0, 0, 0}, {0.0, 0.0, 0, 0}, {33.0, 45.0, 0, 0}, 1.0, 0, {-80.0, 10.0, 0, 0}, {1954259.091321, -1368722.550140, 0, 0}},
    {"LCC US far from its parallels", PRJ_TYPE_LAMBERT, kWgs84, {-96.0, 23.0, 0, 0}, {0.0, 0.0, 0, 0}, {33.0, 45.0, 0, 0}, 1.0, 0, {-120.0, 62.0, 0, 0}, {-1359138.820489, 4589755.537184, 0, 0}},
    {"LCC US far from its parallels", PRJ_TYPE_LAMBERT, kWgs84, {-96.0, 23.0, 0, 0}, {0.0, 0.0, 0, 0}, {33.0, 45.0, 0, 0}, 1.0, 0, {-100.0, 84.0, 0, 0}, {-85734.556965, 7669312.137539, 0, 0}},
    {"LCC US far from its parallels", PRJ_TYPE_LAMBERT, kWgs84, {-96.0, 23.0, 0, 0}, {0.0, 0.0, 0, 0}, {33.0, 45.0, 0, 0}, 1.0, 0, {-96.0, 90.0, 0, 0}, {0.000000, 9615816.730370, 0, 0}},
    // DSTEREO RD at 176W: +proj=sterea +lat_0=52.15616055555555 +lon_0=5.38763888888889 +k=0.9999079 +x_0=155000 +y_0=463000
    {"DSTEREO RD at 176W", PRJ_TYPE_DSTEREO, kBessel, {5.38763888888889, 52.15616055555555, 0, 0}, {155000.0, 463000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9999079, 0, {-176.0, 52.0, 0, 0}, {298779.836440, 10417885.966157, 0, 0}},
    {"DSTEREO RD at 176W", PRJ_TYPE_DSTEREO, kBessel, {5.38763888888889, 52.15616055555555, 0, 0}, {155000.0, 463000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9999079, 0, {179.0, 60.0, 0, 0}, {664321.114092, 9025608.828779, 0, 0}},
    {"DSTEREO RD at 176W", PRJ_TYPE_DSTEREO, kBessel, {5.38763888888889, 52.15616055555555, 0, 0}, {155000.0, 463000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9999079, 0, {-170.0, 75.0, 0, 0}, {-7937.382851, 6806622.018382, 0, 0}},
    // DSTEREO origin at the south pole: +proj=sterea +lat_0=-90 +lon_0=0 +k=0.994 +x_0=2000000 +y_0=2000000
    {"DSTEREO origin at the south pole", PRJ_TYPE_DSTEREO, kWgs84, {0.0, -90.0, 0, 0}, {2000000.0, 2000000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.994, 0, {0.0, -80.0, 0, 0}, {2000000.000000, 3112951.136955, 0, 0}},
    {"DSTEREO origin at the south pole", PRJ_TYPE_DSTEREO, kWgs84, {0.0, -90.0, 0, 0}, {2000000.0, 2000000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.994, 0, {135.0, -85.0, 0, 0}, {2392767.688107, 1607232.311893, 0, 0}},
    {"DSTEREO origin at the south pole", PRJ_TYPE_DSTEREO, kWgs84, {0.0, -90.0, 0, 0}, {2000000.0, 2000000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.994, 0, {-60.0, -89.5, 0, 0}, {1951924.984840, 2027756.122944, 0, 0}},
    {"DSTEREO origin at the south pole", PRJ_TYPE_DSTEREO, kWgs84, {0.0, -90.0, 0, 0}, {2000000.0, 2000000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.994, 0, {180.0, -70.0, 0, 0}, {2000000.000000, -242389.769015, 0, 0}},
    {"DSTEREO origin at the south pole", PRJ_TYPE_DSTEREO, kWgs84, {0.0, -90.0, 0, 0}, {2000000.0, 2000000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.994, 0, {0.0, -90.0, 0, 0}, {2000000.000000, 2000000.000000, 0, 0}},
    // DSTEREO origin at the north pole: +proj=sterea +lat_0=90 +lon_0=-40 +k=1 +x_0=0 +y_0=0
    {"DSTEREO origin at the north pole", PRJ_TYPE_DSTEREO, kClarke1866, {-40.0, 90.0, 0, 0}, {0.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 1.0, 0, {-40.0, 80.0, 0, 0}, {0.000000, -1119721.920875, 0, 0}},
    {"DSTEREO origin at the north pole", PRJ_TYPE_DSTEREO, kClarke1866, {-40.0, 90.0, 0, 0}, {0.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 1.0, 0, {140.0, 75.0, 0, 0}, {0.000000, 1684735.145586, 0, 0}},
    {"DSTEREO origin at the north pole", PRJ_TYPE_DSTEREO, kClarke1866, {-40.0, 90.0, 0, 0}, {0.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 1.0, 0, {100.0, 89.0, 0, 0}, {71800.720035, 85568.766053, 0, 0}},
    {"DSTEREO origin at the north pole", PRJ_TYPE_DSTEREO, kClarke1866, {-40.0, 90.0, 0, 0}, {0.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 1.0, 0, {-179.5, 60.0, 0, 0}, {-2225379.363885, 2605584.462640, 0, 0}},
};

// Points far from the central meridian or round the cone, by cs2cs (PROJ
// 9.1.1) with -f %.9f from longitude and latitude on the same a and b
// (etmerc for TM, utm, lcc): the transverse Mercator family at 3, 7, 15 and
// 45 degrees from the meridian, each way, within 0.1 micrometre (its series
// in the third flattening are PROJ's, so the two agree to some 10 nm, and
// the series hold to a millimetre some 10,000 km out); Lambert cones more
// than 90 / n degrees from their central meridian, where the inverse must
// keep the point's side of the apex.
struct Cs2csFarCase {
  Cs2csCase c;
  double tol_m;  // both ways; 0 for the family's
};
const Cs2csFarCase kCs2csFarCases[] = {
    // +proj=etmerc +lat_0=10 +lon_0=20 +k_0=0.9996 +x_0=500000 +y_0=-20000 +a=6377397.155 +b=6356078.962818189
    {{"TM 3 7 15 45 degrees out", PRJ_TYPE_TM, kBessel, {20.0, 10.0, 0, 0}, {500000.0, -20000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 0, {23.0, 40.0, 0, 0}, {756068.878995661, 3306318.280804725, 0, 0}}, 1e-7},
    {{"TM 3 7 15 45 degrees out", PRJ_TYPE_TM, kBessel, {20.0, 10.0, 0, 0}, {500000.0, -20000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 0, {13.0, -25.0, 0, 0}, {-207423.134587405, -3908307.876009046, 0, 0}}, 1e-7},
    {{"TM 3 7 15 45 degrees out", PRJ_TYPE_TM, kBessel, {20.0, 10.0, 0, 0}, {500000.0, -20000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 0, {35.0, 55.0, 0, 0}, {1455556.494329854, 5072296.635956543, 0, 0}}, 1e-7},
    {{"TM 3 7 15 45 degrees out", PRJ_TYPE_TM, kBessel, {20.0, 10.0, 0, 0}, {500000.0, -20000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 0, {65.0, 15.0, 0, 0}, {5826333.581654328, 1175548.323844354, 0, 0}}, 1e-7},
    // +proj=utm +zone=33 +a=6378137 +b=6356752.314245179
    {{"UTM 33N 3 7 15 45 degrees out", PRJ_TYPE_UTM, kWgs84, {15.0, 0.0, 0, 0}, {500000.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 33, {18.0, 10.0, 0, 0}, {828928.736058689, 1106908.854243142, 0, 0}}, 1e-7},
    {{"UTM 33N 3 7 15 45 degrees out", PRJ_TYPE_UTM, kWgs84, {15.0, 0.0, 0, 0}, {500000.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 33, {8.0, 50.0, 0, 0}, {-1451.263120274, 5562149.766035336, 0, 0}}, 1e-7},
    {{"UTM 33N 3 7 15 45 degrees out", PRJ_TYPE_UTM, kWgs84, {15.0, 0.0, 0, 0}, {500000.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 33, {30.0, 60.0, 0, 0}, {1331808.333412400, 6746522.323959841, 0, 0}}, 1e-7},
    {{"UTM 33N 3 7 15 45 degrees out", PRJ_TYPE_UTM, kWgs84, {15.0, 0.0, 0, 0}, {500000.0, 0.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 33, {60.0, 5.0, 0, 0}, {6090725.252039784, 782212.754955866, 0, 0}}, 1e-7},
    // +proj=utm +zone=33 +south +a=6378137 +b=6356752.314245179
    {{"UTM 33S 3 7 15 45 degrees out", PRJ_TYPE_UTM, kWgs84, {15.0, 0.0, 0, 0}, {500000.0, 10000000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 33, {12.0, -10.0, 0, 0}, {171071.263941314, 8893091.145756857, 0, 0}}, 1e-7},
    {{"UTM 33S 3 7 15 45 degrees out", PRJ_TYPE_UTM, kWgs84, {15.0, 0.0, 0, 0}, {500000.0, 10000000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 33, {22.0, -40.0, 0, 0}, {1097776.666966043, 5548706.562804826, 0, 0}}, 1e-7},
    {{"UTM 33S 3 7 15 45 degrees out", PRJ_TYPE_UTM, kWgs84, {15.0, 0.0, 0, 0}, {500000.0, 10000000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 33, {0.0, -30.0, 0, 0}, {-955008.502587180, 6584586.150002763, 0, 0}}, 1e-7},
    {{"UTM 33S 3 7 15 45 degrees out", PRJ_TYPE_UTM, kWgs84, {15.0, 0.0, 0, 0}, {500000.0, 10000000.0, 0, 0}, {0.0, 0.0, 0, 0}, 0.9996, 33, {-30.0, -20.0, 0, 0}, {-4610121.931825351, 6980486.410963219, 0, 0}}, 1e-7},
    // +proj=lcc +lat_1=-71 +lat_2=-60 +lat_0=-90 +lon_0=0 +a=6378137 +b=6356752.314245179
    {{"LCC south polar round the cone", PRJ_TYPE_LAMBERT, kWgs84, {0.0, -90.0, 0, 0}, {0.0, 0.0, 0, 0}, {-71.0, -60.0, 0, 0}, 1.0, 0, {135.0, -80.0, 0, 0}, {1061090.336542746, -690061.875978199, 0, 0}}, 0},
    {{"LCC south polar round the cone", PRJ_TYPE_LAMBERT, kWgs84, {0.0, -90.0, 0, 0}, {0.0, 0.0, 0, 0}, {-71.0, -60.0, 0, 0}, 1.0, 0, {180.0, -65.0, 0, 0}, {811295.142091663, -2838612.208656282, 0, 0}}, 0},
    {{"LCC south polar round the cone", PRJ_TYPE_LAMBERT, kWgs84, {0.0, -90.0, 0, 0}, {0.0, 0.0, 0, 0}, {-71.0, -60.0, 0, 0}, 1.0, 0, {-120.0, -70.0, 0, 0}, {-2261122.547707678, -794779.623374710, 0, 0}}, 0},
    {{"LCC south polar round the cone", PRJ_TYPE_LAMBERT, kWgs84, {0.0, -90.0, 0, 0}, {0.0, 0.0, 0, 0}, {-71.0, -60.0, 0, 0}, 1.0, 0, {100.0, -85.0, 0, 0}, {671705.677056141, -13351.506461536, 0, 0}}, 0},
    // Statistics Canada Lambert, as above
    {{"Statistics Canada Lambert round the cone", PRJ_TYPE_LAMBERT, kGrs80, {-91.86666666666666, 63.390675, 0, 0}, {6200000.0, 3000000.0, 0, 0}, {49.0, 77.0, 0, 0}, 1.0, 0, {160.0, 70.0, 0, 0}, {3852222.383735565, 6388312.818394428, 0, 0}}, 0},
    {{"Statistics Canada Lambert round the cone", PRJ_TYPE_LAMBERT, kGrs80, {-91.86666666666666, 63.390675, 0, 0}, {6200000.0, 3000000.0, 0, 0}, {49.0, 77.0, 0, 0}, 1.0, 0, {150.0, 50.0, 0, 0}, {1841975.182259984, 7366902.012154791, 0, 0}}, 0},
};

TEST(Formulas, AgreeWithCs2csAcrossTheAntimeridianAtThePolesAndAtHighLatitudes) {
  std::vector<Cs2csFarCase> cases;
  for (const Cs2csCase& c : kCs2csCases) cases.push_back({c, 0.0});
  for (const Cs2csFarCase& f : kCs2csFarCases) cases.push_back(f);
  for (const Cs2csFarCase& f : cases) {
    const Cs2csCase& c = f.c;
    prj_formula fwd = nullptr, inv = nullptr;
    double tol_fwd = 1e-5, tol_inv = 1e-5;  // metres
    switch (c.type) {
      case PRJ_TYPE_UTM: fwd = utm_forward, inv = utm_inverse, tol_fwd = tol_inv = 1e-4; break;
      case PRJ_TYPE_TM: fwd = tm_forward, inv = tm_inverse, tol_fwd = tol_inv = 1e-4; break;
      case PRJ_TYPE_LAMBERT: fwd = lcc_forward, inv = lcc_inverse; break;
      case PRJ_TYPE_DSTEREO: fwd = dstereo_forward, inv = dstereo_inverse; break;
    }
    if (f.tol_m > 0) tol_fwd = tol_inv = f.tol_m;
    ASSERT_NE(fwd, nullptr) << c.what;
    dtm_rec d = MakeDtm(c.ellipsoid);
    geo_point origin = c.origin, g = c.geo, xy = Pt(0, 0, c.zone);
    fwd(&g, &xy, &origin, &c.fo, &c.parallels, &d, c.scale);
    EXPECT_NEAR(xy.x, c.xy.x, tol_fwd) << c.what << " at " << c.geo.x << " " << c.geo.y;
    EXPECT_NEAR(xy.y, c.xy.y, tol_fwd) << c.what << " at " << c.geo.x << " " << c.geo.y;
    geo_point in = Pt(c.xy.x, c.xy.y, c.zone), back = Pt(0, 0);
    inv(&back, &in, &origin, &c.fo, &c.parallels, &d, c.scale);
    EXPECT_GT(back.x, -180.0) << c.what << " at " << c.geo.x << " " << c.geo.y;
    EXPECT_LE(back.x, 180.0) << c.what << " at " << c.geo.x << " " << c.geo.y;
    EXPECT_NEAR(back.y, c.geo.y, tol_inv / 111000.0) << c.what << " at " << c.geo.x << " " << c.geo.y;
    if (std::fabs(c.geo.y) == 90.0) continue;  // every longitude is the pole
    double east_m = geo_lon_reduce(back.x - c.geo.x) * GEO_DEG_TO_RAD * 6378137.0 * std::cos(c.geo.y * GEO_DEG_TO_RAD);
    EXPECT_NEAR(east_m, 0.0, tol_inv) << c.what << " at " << c.geo.x << " " << c.geo.y << ": " << back.x;
  }
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

namespace {

// The direct problem against PROJ's geod (held values, WGS84): short and
// long lines, near a pole, across the antimeridian (the longitude comes
// back unreduced, the start plus the change); a distance of 0 is the start.
TEST(Geodesic, DirectProblemAgreesWithGeod) {
  const struct {
    double lon, lat, az, dist, lon2, lat2;
  } cases[] = {
      {5.9, 60.0, 0.0, 100.0, 5.900000000000, 60.000897567005},
      {151.2, -33.5, 123.4, 250000.0, 153.478575446643, -34.719792401606},
      {0.0, 89.9, 90.0, 5000.0, 24.115772573172, 89.890437604469},
      {-179.95, -45.0, 95.0, 12000.0, -179.798360688351, -45.009310402575},
      {179.99, 0.0, 270.0, 0.0, 179.99, 0.0},
  };
  for (const auto& c : cases) {
    double lon2 = 0, lat2 = 0;
    ASSERT_EQ(geo_direct(6378137.0, 6356752.314245179, c.lon, c.lat, c.az, c.dist, &lon2, &lat2), 1) << c.dist;
    EXPECT_NEAR(lon2, c.lon2, 1e-10) << c.lon << " " << c.lat << " " << c.az << " " << c.dist;
    EXPECT_NEAR(lat2, c.lat2, 1e-10) << c.lon << " " << c.lat << " " << c.az << " " << c.dist;
  }
  double lon2 = 0, lat2 = 0;
  EXPECT_EQ(geo_direct(6378137.0, 6378138.0, 0, 0, 0, 1, &lon2, &lat2), 0) << "b > a";
  EXPECT_EQ(geo_direct(6378137.0, 6356752.3, 0, NAN, 0, 1, &lon2, &lat2), 0);
  EXPECT_EQ(geo_direct(6378137.0, 6356752.3, 0, 0, 0, 1, nullptr, &lat2), 0);
}

}  // namespace
