/*
** prj_names_test.cpp: name rules of the coordinate lists, the type and unit
** tables, the degrees-minutes-seconds helpers and user angles.
*/
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "coords/geo_point.h"
#include "coords/prj_name.h"

TEST(PrjNameMatch, IgnoresEndBlanksAndCaseOfLettersOnly) {
  EXPECT_TRUE(prj_name_match("  wgs84   ", "WGS84"));
  EXPECT_TRUE(prj_name_match("Geographic Clarke", "GEOGRAPHIC CLARKE   "));
  EXPECT_FALSE(prj_name_match("wgs 84", "WGS84"));  // inner blanks count for lookups
  EXPECT_FALSE(prj_name_match("WGS84", "WGS8"));
  EXPECT_FALSE(prj_name_match(nullptr, "WGS84"));
  EXPECT_FALSE(prj_name_match("WGS84", nullptr));
}

TEST(PrjNameMatch, NonLettersCompareExactly) {
  // '1' and 'Q' differ by 64: equal modulo 32, yet different names.
  EXPECT_FALSE(prj_name_match("ZONE 1", "ZONE Q"));
  EXPECT_FALSE(prj_name_match("A@", "A`"));
  EXPECT_FALSE(prj_name_match("A[", "A{"));
}

TEST(PrjNameOrder, BlanksAnywhereAndCaseMakeDuplicates) {
  EXPECT_EQ(prj_name_order("wgs 84", "WGS84"), PRJ_ORDER_DUPLICATE);
  EXPECT_EQ(prj_name_order("WGS84", "WGS84                           "), PRJ_ORDER_DUPLICATE);
  EXPECT_NE(prj_name_order("ZONE 1", "ZONE Q"), PRJ_ORDER_DUPLICATE);
}

TEST(PrjNameOrder, SortsByFoldedCharacters) {
  EXPECT_EQ(prj_name_order("ALPHA", "beta"), PRJ_ORDER_BEFORE);
  EXPECT_EQ(prj_name_order("gamma", "BETA"), PRJ_ORDER_AFTER);
  EXPECT_EQ(prj_name_order("ABC", "AB"), PRJ_ORDER_AFTER);   // old name ended
  EXPECT_EQ(prj_name_order("AB", "ABC"), PRJ_ORDER_BEFORE);  // new name ended
}

TEST(PrjNameEdit, TrimPadAndCopy) {
  char buf[64] = " \t NAME X \r\n";
  EXPECT_STREQ(prj_name_trim(buf), "NAME X");
  char name[PRJ_NAME_MAX + 1] = "TM";
  prj_name_pad(name);
  EXPECT_EQ(std::strlen(name), 32u);
  EXPECT_EQ(std::strncmp(name, "TM  ", 4), 0);
  char cut[PRJ_NAME_MAX + 1];
  prj_name_copy(cut, "0123456789012345678901234567890123456789");
  EXPECT_EQ(std::strlen(cut), 32u);
  prj_name_copy(cut, nullptr);
  EXPECT_STREQ(cut, "");
}

TEST(PrjTables, TypeNamesBothWays) {
  const char* names[] = {"GEOGRAPHIC", "UTM", "TM", "LAMBERT", "DSTEREO", "USER"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_STREQ(prj_type_name(i), names[i]);
    EXPECT_EQ(prj_type_index(names[i]), i);
  }
  EXPECT_EQ(prj_type_index(" lambert "), PRJ_TYPE_LAMBERT);
  EXPECT_EQ(prj_type_index("MERCATOR"), PRJ_TYPE_NONE);
  EXPECT_EQ(prj_type_index(nullptr), PRJ_TYPE_NONE);
  EXPECT_STREQ(prj_type_name(6), "");
  EXPECT_STREQ(prj_type_name(-1), "");
}

TEST(PrjTables, UnitNamesBothWays) {
  const char* names[] = {"degrees", "feet", "meters", "survey feet"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_STREQ(prj_unit_name(i), names[i]);
    EXPECT_EQ(prj_unit_index(names[i]), i);
  }
  EXPECT_EQ(prj_unit_index("METERS"), PRJ_UNIT_METERS);
  EXPECT_EQ(prj_unit_index("yards"), PRJ_UNIT_NONE);
  EXPECT_STREQ(prj_unit_name(4), "");
}

struct DmsCase {
  double deg;
  double d, m, s;
  bool negative;
};

TEST(PrjDms, SplitsCarriesAndKeepsSign) {
  const DmsCase cases[] = {
      {10.5, 10, 30, 0, false},        {10.9999999, 11, 0, 0, false}, {-10.9999999, -11, 0, 0, true},
      {-0.5, 0, 30, 0, true},          {-0.9999999, -1, 0, 0, true},  {0.0002777777777777778, 0, 0, 1, false},
      {45.2625, 45, 15, 45, false},    {-45.2625, -45, 15, 45, true},
  };
  for (const DmsCase& c : cases) {
    double d, m, s;
    ASSERT_EQ(deg_to_dms(c.deg, &d, &m, &s), 1);
    EXPECT_EQ(std::fabs(d), std::fabs(c.d)) << c.deg;
    EXPECT_EQ(std::signbit(d), c.negative) << c.deg;
    EXPECT_EQ(m, c.m) << c.deg;
    EXPECT_NEAR(s, c.s, 1e-6) << c.deg;
    EXPECT_NEAR(dms_to_deg(d, m, s), c.deg, 1e-6) << c.deg;
  }
}

TEST(PrjDms, MinusZeroDegreesRoundTrips) {
  double d, m, s;
  deg_to_dms(-0.5, &d, &m, &s);
  EXPECT_DOUBLE_EQ(dms_to_deg(d, m, s), -0.5);
  EXPECT_DOUBLE_EQ(dms_to_deg(-0.0, 30, 0), -0.5);
  EXPECT_DOUBLE_EQ(dms_to_deg(-10, 30, 0), -10.5);
  EXPECT_DOUBLE_EQ(dms_to_deg(10, -30, 0), 10.5);  // only the degrees carry the sign
}

TEST(PrjDms, MissingOutputIsRefused) {
  double d, m;
  EXPECT_EQ(deg_to_dms(1.0, &d, &m, nullptr), 0);
}

TEST(GeoAngles, UserAnglesRoundTrip) {
  for (int direction : {0, 1})
    for (double base : {0.0, 90.0})
      for (double a : {0.0, 30.0, 135.5, 359.0}) {
        double rad = geo_angle_from_user(a, base, direction);
        EXPECT_NEAR(geo_angle_to_user(rad, base, direction), a, 1e-9);
      }
  // Compass north (0, base 90, clockwise) is the drawing's +y.
  EXPECT_NEAR(geo_angle_from_user(0.0, 90.0, 1), M_PI / 2, 1e-15);
  EXPECT_NEAR(geo_angle_from_user(90.0, 90.0, 1), 0.0, 1e-15);
}

TEST(GeoBoxes, ExtentTestsIncludeBounds) {
  geo_box box = {{0, 0, 0, 0}, {10, 5, 0, 0}};
  geo_point in = {10, 0, 0, 0}, out = {10.0000001, 0, 0, 0};
  EXPECT_TRUE(geo_pt_in_extent(&in, &box));
  EXPECT_FALSE(geo_pt_in_extent(&out, &box));
  geo_box touching = {{10, 5, 0, 0}, {20, 9, 0, 0}}, apart = {{10.5, 0, 0, 0}, {20, 9, 0, 0}};
  EXPECT_TRUE(geo_extents_overlap(&box, &touching));
  EXPECT_FALSE(geo_extents_overlap(&box, &apart));
  EXPECT_TRUE(geo_box_equal(&box, &box));
}
