/*
** prj_lists_test.cpp: the ellipsoid, projection and transformation lists:
** validation and normalisation on insert, sorted order and duplicates,
** lookups, equality of definitions, conflicts and cascading deletes.
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "coords/dtm_list.h"
#include "coords/prj_list.h"
#include "coords/xfrm_fit.h"
#include "coords/xfrm_list.h"

namespace {

const double WGS84_A = 6378137.0, WGS84_B = 6356752.314245179;
const double CLARKE_A = 6378206.4, CLARKE_B = 6356583.8;

class PrjLists : public ::testing::Test {
 protected:
  void SetUp() override { Clear(); }
  void TearDown() override { Clear(); }
  static void Clear() {
    xfrm_list_free();
    prj_list_free();
    dtm_list_free();
  }
  static int AddDtm(const char* name, double a, double b) {
    dtm_rec* d = dtm_new();
    prj_name_copy(d->name, name);
    d->a_m = a;
    d->b_m = b;
    int ok = dtm_insert(d);
    if (!ok) std::free(d);
    return ok;
  }
  // A system of the given type; fill() may adjust it before the insert.
  template <class Fill>
  static prj_rec* AddPrj(const char* name, const char* type, const char* dtm, Fill fill) {
    prj_rec* p = prj_new();
    prj_name_copy(p->name, name);
    prj_name_copy(p->type_name, type);
    prj_name_copy(p->dtm_name, dtm);
    prj_name_copy(p->units_name, "meters");
    fill(p);
    if (prj_insert(p)) return p;
    std::free(p);
    return nullptr;
  }
  static prj_rec* AddPrj(const char* name, const char* type, const char* dtm) {
    return AddPrj(name, type, dtm, [](prj_rec*) {});
  }
  static prj_rec* AddUtm(const char* name, const char* dtm, int zone, double fn = 0.0) {
    return AddPrj(name, "UTM", dtm, [&](prj_rec* p) {
      p->zone = zone;
      p->false_origin.y = fn;
    });
  }
  // A fitted transformation over a square of control points from (x0, y0)
  // with side size, mapping by a shift.
  static xfrm_rec* MakeXfrm(const char* name, const char* p1, const char* p2, double x0, double y0,
                            double size) {
    xfrm_rec* t = xfrm_new();
    prj_name_copy(t->name, name);
    prj_name_copy(t->prj_name1, p1);
    prj_name_copy(t->prj_name2, p2);
    t->degree = 1;
    xfrm_alloc_points(t, 4);
    const double corners[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (int i = 0; i < 4; ++i) {
      t->src[i] = {x0 + size * corners[i][0], y0 + size * corners[i][1], 0, 0};
      t->dst[i] = {t->src[i].x + 0.001, t->src[i].y - 0.002, 0, 0};
    }
    EXPECT_TRUE(xfrm_fit(t));
    return t;
  }
  static int AddXfrm(xfrm_rec* t) {
    int ok = xfrm_insert(t);
    if (!ok) xfrm_free(t);
    return ok;
  }
};

TEST_F(PrjLists, EllipsoidAxesAreValidated) {
  EXPECT_FALSE(AddDtm("SMALL", 6.3699e6, 6.36e6));
  EXPECT_FALSE(AddDtm("FLAT", 6.378e6, 6.3499e6));
  EXPECT_FALSE(AddDtm("PROLATE", 6378137.0, 6378138.0));  // b > a is no ellipsoid of the Earth
  EXPECT_TRUE(AddDtm("SPHERE", 6371000.0, 6371000.0));
  EXPECT_FALSE(AddDtm("   ", WGS84_A, WGS84_B));
  EXPECT_EQ(dtm_at(1), nullptr);
}

TEST_F(PrjLists, EllipsoidNamesArePaddedSortedAndUnique) {
  ASSERT_TRUE(AddDtm(" WGS84 ", WGS84_A, WGS84_B));
  ASSERT_TRUE(AddDtm("clarke 1866", CLARKE_A, CLARKE_B));
  EXPECT_FALSE(AddDtm("wgs 84", WGS84_A, WGS84_B));  // duplicate by the order rule
  EXPECT_EQ(dtm_find("wgs 84", nullptr), nullptr);    // but no match for a lookup
  int index = -1;
  dtm_rec* w = dtm_find("wgs84", &index);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(std::strlen(w->name), 32u);
  EXPECT_EQ(dtm_at(0)->name[0], 'c');
  EXPECT_EQ(dtm_at(-1), nullptr);
  EXPECT_TRUE(dtm_index_of(w, &index));
  EXPECT_EQ(index, 1);
  dtm_rec copy;
  dtm_copy(&copy, w);
  EXPECT_TRUE(dtm_equal_axes(&copy, w));
  EXPECT_FALSE(dtm_equal_axes(w, dtm_at(0)));
  EXPECT_TRUE(dtm_remove(w));
  EXPECT_FALSE(dtm_remove(&copy));
  EXPECT_EQ(dtm_list_head()->next, nullptr);
}

TEST_F(PrjLists, BuiltinSystemsComeOncePerEllipsoid) {
  AddDtm("WGS84", WGS84_A, WGS84_B);
  AddDtm("CLARKE1866", CLARKE_A, CLARKE_B);
  EXPECT_EQ(prj_add_builtin_systems(), 3);
  EXPECT_EQ(prj_add_builtin_systems(), 0);  // a second project brings nothing new
  prj_rec* geo = prj_find("GEOGRAPHIC WGS84", nullptr);
  ASSERT_NE(geo, nullptr);
  EXPECT_EQ(geo->type, PRJ_TYPE_GEOGRAPHIC);
  EXPECT_EQ(geo->units, PRJ_UNIT_DEGREES);
  EXPECT_EQ(geo->dtm, dtm_find("WGS84", nullptr));
  prj_rec* user = prj_find("user", nullptr);
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(user->dtm, nullptr);
  EXPECT_EQ(user->type, PRJ_TYPE_USER);
}

TEST_F(PrjLists, UtmZonesAreCheckedAndNormalised) {
  AddDtm("WGS84", WGS84_A, WGS84_B);
  EXPECT_EQ(AddUtm("Z0", "WGS84", 0), nullptr);
  EXPECT_EQ(AddUtm("Z61", "WGS84", 61), nullptr);
  prj_rec* p = AddPrj("Z31", "UTM", "WGS84", [](prj_rec* r) {
    r->zone = 31;
    prj_name_copy(r->units_name, "feet");
    r->false_origin = {1, 2, 0, 0};
    r->origin = {77, 12, 0, 0};
    r->scale = 3;
  });
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->origin.x, 3.0);
  EXPECT_EQ(p->origin.y, 12.0);  // origin latitude and false northing stay
  EXPECT_EQ(p->false_origin.x, 500000.0);
  EXPECT_EQ(p->false_origin.y, 2.0);
  EXPECT_EQ(p->scale, 0.9996);
  EXPECT_EQ(p->units, PRJ_UNIT_METERS);
}

TEST_F(PrjLists, ProjectionFieldsAreValidated) {
  AddDtm("WGS84", WGS84_A, WGS84_B);
  auto lam = [](double p1, double p2) {
    return [=](prj_rec* r) {
      r->parallels = {p1, p2, 0, 0};
    };
  };
  EXPECT_NE(AddPrj("L90", "LAMBERT", "WGS84", lam(90.0, 45.0)), nullptr);
  EXPECT_EQ(AddPrj("L90+", "LAMBERT", "WGS84", lam(90.000001, 45.0)), nullptr);
  EXPECT_NE(AddPrj("T180", "TM", "WGS84", [](prj_rec* r) { r->origin = {180, -90, 0, 0}; }), nullptr);
  EXPECT_EQ(AddPrj("T181", "TM", "WGS84", [](prj_rec* r) { r->origin = {180.5, 0, 0, 0}; }), nullptr);
  EXPECT_EQ(AddPrj("S0", "DSTEREO", "WGS84", [](prj_rec* r) { r->scale = 0; }), nullptr);
  EXPECT_EQ(AddPrj("TU", "TM", "WGS84", [](prj_rec* r) { prj_name_copy(r->units_name, "cubits"); }), nullptr);
  EXPECT_EQ(AddPrj("NODTM", "TM", "MARS"), nullptr);
  EXPECT_EQ(AddPrj("MERC", "MERCATOR", "WGS84"), nullptr);
  prj_rec* user = AddPrj("LOCAL", "USER", "", [](prj_rec* r) { prj_name_copy(r->units_name, "cubits"); });
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(user->units, PRJ_UNIT_NONE);
  prj_rec* unnamed = AddPrj("", "TM", "WGS84", [](prj_rec* r) { r->origin = {10, 0, 0, 0}; });
  ASSERT_NE(unnamed, nullptr);
  EXPECT_EQ(std::string(unnamed->name), "TM" + std::string(30, ' '));
  EXPECT_EQ(AddPrj("t m", "TM", "WGS84"), nullptr);  // same name by the order rule
}

TEST_F(PrjLists, EqualDefinitions) {
  AddDtm("WGS84", WGS84_A, WGS84_B);
  AddDtm("CLARKE1866", CLARKE_A, CLARKE_B);
  prj_rec* north = AddUtm("33 N", "WGS84", 33);
  prj_rec* south = AddUtm("33 S", "WGS84", 33, 10000000.0);
  prj_rec* north2 = AddUtm("ZONE 33", "WGS84", 33);
  prj_rec* other = AddUtm("33 N CLARKE", "CLARKE1866", 33);
  ASSERT_TRUE(north && south && north2 && other);
  EXPECT_FALSE(prj_equal_def(north, south));  // the false northing tells them apart
  EXPECT_TRUE(prj_equal_def(north, north2));
  EXPECT_FALSE(prj_equal_def(north, other));
  int index = -1;
  EXPECT_EQ(prj_find_equal(north2, &index), north);
  EXPECT_EQ(index, 0);

  auto tm = [](double fe) {
    return [=](prj_rec* r) {
      r->origin = {9, 0, 0, 0};
      r->false_origin = {fe, 0, 0, 0};
      r->scale = 0.9996;
    };
  };
  prj_rec* t1 = AddPrj("TM A", "TM", "WGS84", tm(500000));
  prj_rec* t2 = AddPrj("TM B", "TM", "WGS84", tm(500000));
  prj_rec* t3 = AddPrj("TM C", "TM", "WGS84", tm(500001));
  EXPECT_TRUE(prj_equal_def(t1, t2));
  EXPECT_FALSE(prj_equal_def(t1, t3));
  prj_rec* u1 = AddPrj("USER A", "USER", "");
  prj_rec* u2 = AddPrj("USER B", "USER", "");
  EXPECT_FALSE(prj_equal_def(u1, u2));
  EXPECT_TRUE(prj_equal_def(u1, u1));
  EXPECT_FALSE(prj_equal_def(u1, nullptr));
}

TEST_F(PrjLists, TransformationsOnlyChangeEllipsoidOrReachUser) {
  AddDtm("WGS84", WGS84_A, WGS84_B);
  AddDtm("CLARKE1866", CLARKE_A, CLARKE_B);
  prj_add_builtin_systems();
  AddUtm("UTM 31 WGS", "WGS84", 31);
  AddUtm("UTM 32 WGS", "WGS84", 32);
  AddUtm("UTM 31 CLARKE", "CLARKE1866", 31);
  AddPrj("SITE", "USER", "");
  EXPECT_FALSE(AddXfrm(MakeXfrm("GEO TO UTM", "GEOGRAPHIC WGS84", "UTM 31 WGS", 0, 0, 1)));
  EXPECT_FALSE(AddXfrm(MakeXfrm("ZONES", "UTM 31 WGS", "UTM 32 WGS", 0, 0, 1000)));
  EXPECT_FALSE(AddXfrm(MakeXfrm("SAME", "UTM 31 WGS", "UTM 31 WGS", 0, 0, 1000)));
  EXPECT_FALSE(AddXfrm(MakeXfrm("NOWHERE", "UTM 31 WGS", "UTM 99", 0, 0, 1000)));
  EXPECT_FALSE(AddXfrm(MakeXfrm("", "SITE", "UTM 31 WGS", 0, 0, 1000)));
  xfrm_rec* neg = MakeXfrm("NEG", "SITE", "UTM 31 WGS", 0, 0, 1000);
  neg->degree = -1;
  EXPECT_FALSE(AddXfrm(neg));
  EXPECT_TRUE(AddXfrm(MakeXfrm("DATUM", "UTM 31 WGS", "UTM 31 CLARKE", 0, 0, 1000)));
  EXPECT_TRUE(AddXfrm(MakeXfrm("GEO DATUM", "GEOGRAPHIC WGS84", "GEOGRAPHIC CLARKE1866", 0, 40, 2)));
  EXPECT_TRUE(AddXfrm(MakeXfrm("SITE GRID", "SITE", "UTM 31 WGS", 0, 0, 1000)));
  EXPECT_FALSE(AddXfrm(MakeXfrm("site  grid", "SITE", "UTM 31 CLARKE", 5000, 0, 1000)));  // duplicate name
  EXPECT_EQ(std::string(xfrm_at(0)->name).substr(0, 5), "DATUM");
  EXPECT_EQ(xfrm_at(3), nullptr);
}

TEST_F(PrjLists, OverlappingTransformationsBetweenTheSameSystemsConflict) {
  AddDtm("WGS84", WGS84_A, WGS84_B);
  prj_add_builtin_systems();
  AddUtm("UTM 31", "WGS84", 31);
  AddPrj("SITE", "USER", "");
  ASSERT_TRUE(AddXfrm(MakeXfrm("A", "SITE", "UTM 31", 0, 0, 1000)));
  EXPECT_FALSE(AddXfrm(MakeXfrm("B", "SITE", "UTM 31", 500, 500, 1000)));    // overlaps A
  EXPECT_FALSE(AddXfrm(MakeXfrm("C", "SITE", "UTM 31", 0, 0, 1000)));        // same box as A
  EXPECT_TRUE(AddXfrm(MakeXfrm("D", "SITE", "UTM 31", 5000, 5000, 1000)));   // disjoint from A
  EXPECT_TRUE(AddXfrm(MakeXfrm("E", "SITE", "GEOGRAPHIC WGS84", 0, 0, 1000)));  // other target
  // Boxes that only meet inside their 1% margins do not conflict.
  EXPECT_TRUE(AddXfrm(MakeXfrm("F", "SITE", "UTM 31", 1015, 0, 1000)));
}

TEST_F(PrjLists, DeletingAnEllipsoidCascades) {
  AddDtm("WGS84", WGS84_A, WGS84_B);
  AddDtm("CLARKE1866", CLARKE_A, CLARKE_B);
  prj_add_builtin_systems();
  prj_rec* clarke_utm = AddUtm("UTM 31 CLARKE", "CLARKE1866", 31);
  AddUtm("UTM 31 WGS", "WGS84", 31);
  AddPrj("SITE", "USER", "");
  ASSERT_TRUE(AddXfrm(MakeXfrm("DATUM", "UTM 31 WGS", "UTM 31 CLARKE", 0, 0, 1000)));
  ASSERT_TRUE(AddXfrm(MakeXfrm("SITE GRID", "SITE", "UTM 31 WGS", 0, 0, 1000)));
  EXPECT_EQ(prj_find_by_dtm(dtm_find("CLARKE1866", nullptr)), prj_find("GEOGRAPHIC CLARKE1866", nullptr));
  EXPECT_EQ(xfrm_find_by_prj(clarke_utm), xfrm_at(0));
  ASSERT_TRUE(dtm_delete_cascade(dtm_find("CLARKE1866", nullptr)));
  EXPECT_EQ(dtm_find("CLARKE1866", nullptr), nullptr);
  EXPECT_EQ(prj_find("UTM 31 CLARKE", nullptr), nullptr);
  EXPECT_EQ(prj_find("GEOGRAPHIC CLARKE1866", nullptr), nullptr);
  ASSERT_NE(xfrm_at(0), nullptr);
  EXPECT_EQ(std::string(xfrm_at(0)->name).substr(0, 9), "SITE GRID");
  EXPECT_EQ(xfrm_at(1), nullptr);
  EXPECT_NE(prj_find("UTM 31 WGS", nullptr), nullptr);
  EXPECT_FALSE(prj_delete_cascade(nullptr));
}

TEST_F(PrjLists, PositionsAndRemoval) {
  AddDtm("WGS84", WGS84_A, WGS84_B);
  prj_add_builtin_systems();
  prj_rec* a = AddUtm("A", "WGS84", 1);
  int index = -1;
  EXPECT_TRUE(prj_index_of(a, &index));
  EXPECT_EQ(index, 0);
  EXPECT_EQ(prj_at(0), a);
  EXPECT_EQ(prj_list_head(), a);
  EXPECT_EQ(prj_at(3), nullptr);
  prj_rec copy;
  prj_copy(&copy, a);
  EXPECT_EQ(copy.next, a->next);
  EXPECT_FALSE(prj_index_of(&copy, &index));
  EXPECT_FALSE(prj_remove(&copy));
  EXPECT_TRUE(prj_remove(a));
  EXPECT_EQ(prj_find("A", nullptr), nullptr);
}

TEST_F(PrjLists, CopyOfATransformationSharesItsArrays) {
  AddDtm("WGS84", WGS84_A, WGS84_B);
  prj_add_builtin_systems();
  AddPrj("SITE", "USER", "");
  xfrm_rec* t = MakeXfrm("T", "SITE", "GEOGRAPHIC WGS84", 0, 0, 1);
  xfrm_rec copy;
  xfrm_init(&copy);
  ASSERT_TRUE(xfrm_copy(&copy, t));
  EXPECT_EQ(copy.src, t->src);
  EXPECT_EQ(copy.coef_y, t->coef_y);
  EXPECT_EQ(copy.count, 4);
  EXPECT_TRUE(geo_box_equal(&copy.extents, &t->extents));
  xfrm_free(t);
}

TEST_F(PrjLists, NewRecordsStartEmpty) {
  prj_rec* p = prj_new();
  EXPECT_EQ(p->type, PRJ_TYPE_NONE);
  EXPECT_EQ(p->units, PRJ_UNIT_NONE);
  EXPECT_EQ(p->scale, 1.0);
  EXPECT_EQ(p->dtm, nullptr);
  EXPECT_STREQ(p->name, "");
  std::free(p);
  xfrm_rec* t = xfrm_new();
  EXPECT_EQ(t->src_scale, 1.0);
  EXPECT_EQ(t->dst_scale, 1.0);
  EXPECT_EQ(t->count, 0);
  EXPECT_EQ(t->coef_x, nullptr);
  EXPECT_EQ(t->changed, 0);
  xfrm_free(t);
  dtm_rec* d = dtm_new();
  EXPECT_EQ(d->a_m, 0.0);
  std::free(d);
  EXPECT_FALSE(prj_init(nullptr));
  EXPECT_FALSE(dtm_init(nullptr));
  EXPECT_FALSE(xfrm_init(nullptr));
}

TEST_F(PrjLists, TransformationPositionsAndRemoval) {
  AddDtm("WGS84", WGS84_A, WGS84_B);
  prj_add_builtin_systems();
  AddPrj("SITE", "USER", "");
  ASSERT_TRUE(AddXfrm(MakeXfrm("B", "SITE", "GEOGRAPHIC WGS84", 0, 0, 1)));
  ASSERT_TRUE(AddXfrm(MakeXfrm("A", "SITE", "GEOGRAPHIC WGS84", 10, 10, 1)));
  xfrm_rec* b = xfrm_at(1);
  int index = -1;
  EXPECT_TRUE(xfrm_index_of(b, &index));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(xfrm_list_head()->name[0], 'A');
  EXPECT_TRUE(xfrm_remove(b));
  EXPECT_EQ(xfrm_at(1), nullptr);
  EXPECT_EQ(xfrm_delete_for_prj(prj_find("SITE", nullptr)), 1);
  EXPECT_EQ(xfrm_list_head(), nullptr);
}

}  // namespace
