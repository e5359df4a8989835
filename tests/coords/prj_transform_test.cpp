/*
** prj_transform_test.cpp: converting points between systems: copies between
** equal systems, reprojection with unit factors, changes of ellipsoid
** through fitted transformations, USER systems and their chains, and the
** failures when no road exists.
*/
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "coords/prj_transform.h"

namespace {

const double WGS84_A = 6378137.0, WGS84_B = 6356752.314245179;
const double CLARKE_A = 6378206.4, CLARKE_B = 6356583.8;

class PrjTransform : public ::testing::Test {
 protected:
  void SetUp() override {
    Clear();
    AddDtm("WGS84", WGS84_A, WGS84_B);
    AddDtm("CLARKE1866", CLARKE_A, CLARKE_B);
    prj_add_builtin_systems();
  }
  void TearDown() override { Clear(); }
  static void Clear() {
    xfrm_list_free();
    prj_list_free();
    dtm_list_free();
  }
  static void AddDtm(const char* name, double a, double b) {
    dtm_rec* d = dtm_new();
    prj_name_copy(d->name, name);
    d->a_m = a;
    d->b_m = b;
    ASSERT_TRUE(dtm_insert(d));
  }
  static prj_rec* Add(const char* name, const char* type, const char* dtm, const char* units, geo_point origin,
                      geo_point fo, double scale = 1.0, int zone = 0) {
    prj_rec* p = prj_new();
    prj_name_copy(p->name, name);
    prj_name_copy(p->type_name, type);
    prj_name_copy(p->dtm_name, dtm);
    prj_name_copy(p->units_name, units);
    p->origin = origin;
    p->false_origin = fo;
    p->scale = scale;
    p->zone = zone;
    EXPECT_TRUE(prj_insert(p)) << name;
    return p;
  }
  static prj_rec* Utm(const char* name, const char* dtm, int zone, double fn = 0.0) {
    return Add(name, "UTM", dtm, "meters", {0, 0, 0, 0}, {0, fn, 0, 0}, 1.0, zone);
  }
  static prj_rec* Geo(const char* dtm) {
    char name[64];
    std::snprintf(name, sizeof name, "GEOGRAPHIC %s", dtm);
    return prj_find(name, nullptr);
  }
  // Fits and inserts a transformation through the given control points.
  static xfrm_rec* Fit(const char* name, const char* p1, const char* p2, int degree, const geo_point* src,
                       const geo_point* dst, int n) {
    xfrm_rec* t = xfrm_new();
    prj_name_copy(t->name, name);
    prj_name_copy(t->prj_name1, p1);
    prj_name_copy(t->prj_name2, p2);
    t->degree = degree;
    xfrm_alloc_points(t, n);
    for (int i = 0; i < n; ++i) {
      t->src[i] = src[i];
      t->dst[i] = dst[i];
    }
    EXPECT_TRUE(xfrm_fit(t));
    if (!xfrm_insert(t)) {
      xfrm_free(t);
      ADD_FAILURE() << "refused " << name;
      return nullptr;
    }
    return t;
  }
};

TEST_F(PrjTransform, EqualSystemsCopyThePoint) {
  prj_rec* a = Utm("A", "WGS84", 31);
  prj_rec* b = Utm("B", "WGS84", 31);
  prj_rec* user = prj_find("USER", nullptr);
  geo_point in = {431234.5, 5012345.25, 17.5, 0}, out = {0, 0, 0, 0};
  ASSERT_TRUE(prj_transform_point(&in, a, &out, b));
  EXPECT_EQ(out.x, in.x);
  EXPECT_EQ(out.y, in.y);
  EXPECT_EQ(out.z, in.z);
  ASSERT_TRUE(prj_transform_point(&in, user, &out, user));
  EXPECT_EQ(out.x, in.x);
  EXPECT_EQ(out.y, in.y);
}

TEST_F(PrjTransform, NorthernAndSouthernZonesDifferByTheFalseNorthing) {
  prj_rec* north = Utm("33 N", "WGS84", 33);
  prj_rec* south = Utm("33 S", "WGS84", 33, 10000000.0);
  geo_point in = {400000.0, 120000.0, 0, 0}, out = {0, 0, 0, 0};
  ASSERT_TRUE(prj_transform_point(&in, north, &out, south));
  // Inverse then forward series: equal to well under a millimetre.
  EXPECT_NEAR(out.x, 400000.0, 1e-4);
  EXPECT_NEAR(out.y, 10120000.0, 1e-4);
}

TEST_F(PrjTransform, UtmInFeetIsMeters) {
  prj_rec* feet = Add("UTM FEET", "UTM", "WGS84", "feet", {0, 0, 0, 0}, {0, 0, 0, 0}, 1.0, 31);
  EXPECT_EQ(feet->units, PRJ_UNIT_METERS);
  geo_point g = {3.0, 0.0, 0, 0}, out = {0, 0, 0, 0};
  ASSERT_TRUE(prj_transform_point(&g, Geo("WGS84"), &out, feet));
  EXPECT_NEAR(out.x, 500000.0, 1e-6);
}

TEST_F(PrjTransform, FeetAreScaledAroundTheFormulas) {
  geo_point origin = {-115.5, 31.0, 0, 0};
  prj_rec* m = Add("TM M", "TM", "WGS84", "meters", origin, {213360.0, 1000.0, 0, 0}, 0.9999);
  prj_rec* ft = Add("TM FT", "TM", "WGS84", "feet", origin, {700000.0, 3280.839895013123, 0, 0}, 0.9999);
  prj_rec* us = Add("TM US", "TM", "WGS84", "survey feet", origin,
                    {213360.0 / 0.30480060960121924, 1000.0 / 0.30480060960121924, 0, 0}, 0.9999);
  geo_point g = {-114.25, 33.5, 4.0, 0}, xm, xf, xu, back;
  ASSERT_TRUE(prj_transform_point(&g, Geo("WGS84"), &xm, m));
  ASSERT_TRUE(prj_transform_point(&g, Geo("WGS84"), &xf, ft));
  ASSERT_TRUE(prj_transform_point(&g, Geo("WGS84"), &xu, us));
  EXPECT_NEAR(xf.x, xm.x * 3.280839895013123, 1e-6);
  EXPECT_NEAR(xf.y, xm.y * 3.280839895013123, 1e-6);
  EXPECT_NEAR(xu.x, xm.x * 3.2808333333333333, 1e-6);
  EXPECT_EQ(xf.z, 4.0);
  ASSERT_TRUE(prj_transform_point(&xf, ft, &back, Geo("WGS84")));
  EXPECT_NEAR(back.x, g.x, 1e-8);  // 1e-8 degrees: a millimetre
  EXPECT_NEAR(back.y, g.y, 1e-8);
  ASSERT_TRUE(prj_transform_point(&xf, ft, &back, us));
  EXPECT_NEAR(back.x, xu.x, 1e-5);
}

TEST_F(PrjTransform, DifferentEllipsoidsNeedATransformation) {
  prj_rec* w = Utm("UTM 31 WGS", "WGS84", 31);
  prj_rec* c = Utm("UTM 31 CLARKE", "CLARKE1866", 31);
  geo_point in = {450000.0, 5000000.0, 0, 0}, out = {0, 0, 0, 0};
  EXPECT_FALSE(prj_transform_point(&in, w, &out, c));
  EXPECT_EQ(out.x, 0.0);  // out untouched on failure
}

// A shift of about 100 m between the two ellipsoids' geographic systems,
// fitted in degrees over western Europe.
class PrjDatumShift : public PrjTransform {
 protected:
  void SetUp() override {
    PrjTransform::SetUp();
    geo_point src[4], dst[4];
    for (int i = 0; i < 4; ++i) {
      src[i] = {(i % 2) * 10.0 - 2.0, (i / 2) * 10.0 + 40.0, 0, 0};
      dst[i] = {src[i].x + 0.001, src[i].y - 0.0008, 0, 0};
    }
    shift_ = Fit("WGS TO CLARKE", "GEOGRAPHIC WGS84", "GEOGRAPHIC CLARKE1866", 0, src, dst, 4);
  }
  xfrm_rec* shift_ = nullptr;
};

TEST_F(PrjDatumShift, DirectTransformationBetweenGeographicSystems) {
  geo_point in = {3.0, 45.0, 2.0, 0}, out;
  ASSERT_TRUE(prj_transform_point(&in, Geo("WGS84"), &out, Geo("CLARKE1866")));
  EXPECT_NEAR(out.x, 3.001, 1e-9);
  EXPECT_NEAR(out.y, 44.9992, 1e-9);
  EXPECT_EQ(out.z, 2.0);
}

TEST_F(PrjDatumShift, ProjectedSystemsChainThroughTheTransformation) {
  prj_rec* w = Utm("UTM 31 WGS", "WGS84", 31);
  prj_rec* c = Utm("UTM 31 CLARKE", "CLARKE1866", 31);
  geo_point g = {3.5, 45.5, 0, 0}, in, out, expect;
  ASSERT_TRUE(prj_transform_point(&g, Geo("WGS84"), &in, w));
  ASSERT_TRUE(prj_transform_point(&in, w, &out, c));
  geo_point shifted = {3.501, 45.4992, 0, 0};
  ASSERT_TRUE(prj_transform_point(&shifted, Geo("CLARKE1866"), &expect, c));
  // The inverse series on the way in: within the 2 mm of the family.
  EXPECT_NEAR(out.x, expect.x, 2e-3);
  EXPECT_NEAR(out.y, expect.y, 2e-3);
}

TEST_F(PrjDatumShift, PointsOutsideTheExtentsAreNotTransformed) {
  geo_point in = {60.0, 45.0, 0, 0}, out = {0, 0, 0, 0};
  EXPECT_FALSE(prj_transform_point(&in, Geo("WGS84"), &out, Geo("CLARKE1866")));
  prj_rec* c = Utm("UTM 41 CLARKE", "CLARKE1866", 41);
  EXPECT_FALSE(prj_transform_point(&in, Geo("WGS84"), &out, c));
}

TEST_F(PrjTransform, UserSystemThroughGeographicToUtm) {
  prj_rec* site = Add("SITE", "USER", "", "meters", {0, 0, 0, 0}, {0, 0, 0, 0});
  prj_rec* utm = Utm("UTM 31", "WGS84", 31);
  // A local grid of 1 km squares fitted to longitude and latitude.
  geo_point src[4] = {{0, 0, 0, 0}, {1000, 0, 0, 0}, {0, 1000, 0, 0}, {1000, 1000, 0, 0}};
  geo_point dst[4];
  for (int i = 0; i < 4; ++i) dst[i] = {3.0 + src[i].x * 1e-5, 45.0 + src[i].y * 1e-5, 0, 0};
  ASSERT_NE(Fit("SITE TO GEO", "SITE", "GEOGRAPHIC WGS84", 1, src, dst, 4), nullptr);
  geo_point in = {500, 250, 9, 0}, out, expect, geo = {3.005, 45.0025, 0, 0};
  ASSERT_TRUE(prj_transform_point(&in, site, &out, utm));
  ASSERT_TRUE(prj_transform_point(&geo, Geo("WGS84"), &expect, utm));
  EXPECT_NEAR(out.x, expect.x, 1e-6);
  EXPECT_NEAR(out.y, expect.y, 1e-6);
  EXPECT_EQ(out.z, 9.0);
  // And back: UTM to the site grid runs the chain the other way.
  xfrm_rec* inv = xfrm_invert(xfrm_at(0));
  ASSERT_NE(inv, nullptr);
  prj_name_copy(inv->name, "GEO TO SITE");
  ASSERT_TRUE(xfrm_insert(inv));
  geo_point back;
  ASSERT_TRUE(prj_transform_point(&out, utm, &back, site));
  EXPECT_NEAR(back.x, 500.0, 2e-3);
  EXPECT_NEAR(back.y, 250.0, 2e-3);
  // Two USER systems meet only through a direct transformation.
  prj_rec* other = Add("OTHER SITE", "USER", "", "meters", {0, 0, 0, 0}, {0, 0, 0, 0});
  EXPECT_FALSE(prj_transform_point(&in, site, &out, other));
}

TEST_F(PrjTransform, DegenerateConeFailsInsteadOfAnsweringNaN) {
  // Parallels symmetric about the equator: the cone constant is 0.
  prj_rec* p = prj_new();
  prj_name_copy(p->name, "FLAT CONE");
  prj_name_copy(p->type_name, "LAMBERT");
  prj_name_copy(p->dtm_name, "WGS84");
  prj_name_copy(p->units_name, "meters");
  p->parallels = {30.0, -30.0, 0, 0};
  ASSERT_TRUE(prj_insert(p));
  geo_point in = {1.0, 10.0, 0, 0}, out = {7, 7, 7, 7};
  EXPECT_FALSE(prj_transform_point(&in, Geo("WGS84"), &out, p));
  EXPECT_EQ(out.x, 7.0);
}

// Every projection kind converts with the new axes once its ellipsoid has
// been edited in place: the same bits as a system defined on an ellipsoid
// with those axes from the start.
TEST_F(PrjTransform, ConversionAfterAnEllipsoidIsEditedUsesTheNewAxes) {
  struct Kind {
    const char* type;
    geo_point origin, parallels;
    double scale;
    int zone;
  };
  const Kind kinds[] = {{"UTM", {0, 0, 0, 0}, {0, 0, 0, 0}, 1.0, 32},
                        {"TM", {9, 48, 0, 0}, {0, 0, 0, 0}, 0.9996, 0},
                        {"LAMBERT", {9, 46, 0, 0}, {44, 49, 0, 0}, 1.0, 0},
                        {"DSTEREO", {9, 47, 0, 0}, {0, 0, 0, 0}, 0.9999, 0}};
  AddDtm("EDITED", WGS84_A, WGS84_B);
  prj_add_builtin_systems();
  int n = 0;
  for (const Kind& k : kinds) {
    char edited[32], clarke[32];
    std::snprintf(edited, sizeof edited, "E%d", n);
    std::snprintf(clarke, sizeof clarke, "C%d", n++);
    prj_rec* e = Add(edited, k.type, "EDITED", "meters", k.origin, {500000, 0, 0, 0}, k.scale, k.zone);
    prj_rec* c = Add(clarke, k.type, "CLARKE1866", "meters", k.origin, {500000, 0, 0, 0}, k.scale, k.zone);
    e->parallels = c->parallels = k.parallels;
    dtm_rec* d = dtm_find("EDITED", nullptr);
    d->a_m = WGS84_A;
    d->b_m = WGS84_B;
    geo_point in = {9.5, 47.5, 0, 0}, before, after, expect, back_after, back_expect;
    ASSERT_TRUE(prj_transform_point(&in, Geo("EDITED"), &before, e)) << k.type;
    ASSERT_TRUE(prj_transform_point(&before, e, &back_after, Geo("EDITED"))) << k.type;
    d->a_m = CLARKE_A;
    d->b_m = CLARKE_B;
    ASSERT_TRUE(prj_transform_point(&in, Geo("EDITED"), &after, e)) << k.type;
    ASSERT_TRUE(prj_transform_point(&in, Geo("CLARKE1866"), &expect, c)) << k.type;
    EXPECT_NE(after.y, before.y) << k.type << ": the old axes were kept";
    EXPECT_EQ(after.x, expect.x) << k.type;
    EXPECT_EQ(after.y, expect.y) << k.type;
    ASSERT_TRUE(prj_transform_point(&before, e, &back_after, Geo("EDITED"))) << k.type;
    ASSERT_TRUE(prj_transform_point(&before, c, &back_expect, Geo("CLARKE1866"))) << k.type;
    EXPECT_EQ(back_after.x, back_expect.x) << k.type;
    EXPECT_EQ(back_after.y, back_expect.y) << k.type;
  }
}

// UTM zones at the antimeridian, through the conversion's checks as well as
// the formulas: points on the far side of 180 degrees from the central
// meridian convert (the zone check takes the difference the short way
// round), longitudes come back in (-180, 180], and a point goes from zone
// 60 to zone 1 and back. Eastings and northings are PROJ cs2cs's, held here.
TEST_F(PrjTransform, UtmZonesMeetAcrossTheAntimeridian) {
  prj_rec* z60 = Utm("UTM 60 N", "WGS84", 60);
  prj_rec* z1 = Utm("UTM 1 N", "WGS84", 1);
  prj_rec* z60s = Utm("UTM 60 S", "WGS84", 60, 10000000.0);
  prj_rec* z1s = Utm("UTM 1 S", "WGS84", 1, 10000000.0);
  prj_rec* c1s = Utm("UTM 1 S CLARKE", "CLARKE1866", 1, 10000000.0);
  const struct {
    prj_rec* utm;
    const char* geo;
    double lon, lat, x, y;  // x, y: cs2cs
  } cases[] = {
      {z60, "WGS84", -179.9, 65.0, 646139.799253, 7212038.823042},
      {z60, "WGS84", 180.0, 0.0, 833978.556919, 0.0},
      {z60, "WGS84", -178.0, 52.0, 843147.223101, 5772850.027828},
      {z60, "WGS84", 179.0, 50.0, 643329.123885, 5540547.369935},
      {z1, "WGS84", 179.0, 50.0, 213372.048964, 5546300.847392},
      {z60s, "WGS84", -179.5, -12.25, 880869.155203, 8643331.076438},
      {z1s, "WGS84", -179.5, -12.25, 228026.568943, 8644542.050979},
      {c1s, "CLARKE1866", 179.5, -45.0, 224138.126361, 5011305.176175},
      {c1s, "CLARKE1866", 178.0, -15.0, -38140.297290, 8335687.285266},
  };
  for (const auto& c : cases) {
    geo_point g = {c.lon, c.lat, 3.0, 0}, xy = {0, 0, 0, 0}, back = {0, 0, 0, 0};
    ASSERT_TRUE(prj_transform_point(&g, Geo(c.geo), &xy, c.utm)) << c.utm->name << " " << c.lon << " " << c.lat;
    EXPECT_NEAR(xy.x, c.x, 1e-4) << c.utm->name << " " << c.lon << " " << c.lat;
    EXPECT_NEAR(xy.y, c.y, 1e-4) << c.utm->name << " " << c.lon << " " << c.lat;
    ASSERT_TRUE(prj_transform_point(&xy, c.utm, &back, Geo(c.geo))) << c.utm->name << " " << c.lon << " " << c.lat;
    const double want = c.lon == -180.0 ? 180.0 : c.lon;
    EXPECT_NEAR(back.x, want, 1e-9) << c.utm->name << " " << c.lon << " " << c.lat;
    EXPECT_NEAR(back.y, c.lat, 1e-9) << c.utm->name << " " << c.lon << " " << c.lat;
    EXPECT_EQ(back.z, 3.0);
  }
  // From zone 60 into zone 1 and back, across the antimeridian.
  geo_point in60 = {643329.123885, 5540547.369935, 0, 0}, in1, back60;
  ASSERT_TRUE(prj_transform_point(&in60, z60, &in1, z1));
  EXPECT_NEAR(in1.x, 213372.048964, 2e-4);
  EXPECT_NEAR(in1.y, 5546300.847392, 2e-4);
  ASSERT_TRUE(prj_transform_point(&in1, z1, &back60, z60));
  EXPECT_NEAR(back60.x, in60.x, 2e-4);
  EXPECT_NEAR(back60.y, in60.y, 2e-4);
  // A point more than a quarter turn away the short way round is refused.
  geo_point far = {-90.0, 10.0, 0, 0}, none = {7, 7, 7, 7};
  EXPECT_FALSE(prj_transform_point(&far, Geo("WGS84"), &none, z60));
  EXPECT_EQ(none.x, 7.0);
}

TEST_F(PrjTransform, MissingArgumentsFail) {
  geo_point in = {0, 0, 0, 0}, out;
  prj_rec* g = Geo("WGS84");
  EXPECT_FALSE(prj_transform_point(nullptr, g, &out, g));
  EXPECT_FALSE(prj_transform_point(&in, nullptr, &out, g));
  EXPECT_FALSE(prj_transform_point(&in, g, nullptr, g));
  EXPECT_FALSE(prj_reproject(&in, g, &out, prj_find("USER", nullptr)));
  EXPECT_FALSE(prj_transform_datum(&in, g, &out, prj_find("USER", nullptr)));
  EXPECT_FALSE(prj_transform_user(&in, g, &out, g));
}

}  // namespace
