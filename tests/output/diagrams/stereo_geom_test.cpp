/*
** stereo_geom_test.cpp: where poles, lines and great circles fall on both
** nets, the refused angles, and the counting and wedges of a rose.
*/
#include <gtest/gtest.h>

#include <cmath>

#include "output/diagrams/rose_geom.h"
#include "output/diagrams/stereo_geom.h"

namespace {

constexpr double kTol = 1e-6;

struct PointCase {
  const char* what;
  double azimuth, angle;
  int direction, type;
  double x, y;
};

struct CircleCase {
  const char* what;
  double strike, dip;
  int type;
  double cx, cy, radius, start, end;
};

/* Runs one pole or line computation on a unit net and checks its point. */
void expect_point(const PointCase& c, int (*compute)(double, double, double, int, int, geo_point*)) {
  geo_point p{9, 9, 9, 9};
  ASSERT_EQ(compute(c.azimuth, c.angle, 1.0, c.direction, c.type, &p), STEREO_OK) << c.what;
  EXPECT_NEAR(p.x, c.x, kTol) << c.what;
  EXPECT_NEAR(p.y, c.y, kTol) << c.what;
  EXPECT_EQ(p.z, 0.0) << c.what;
}

}  // namespace

TEST(StereoPoints, PolesSitAtTheirDistanceOppositeTheDipAndLinesOnTheirTrend) {
  const double s = std::sqrt(0.5);
  const PointCase poles[] = {
      {"dip 0 at the centre", 30, 0, 0, STEREO_EQUAL_AREA, 0, 0},
      {"dip 90 on the primitive, 90 deg from strike", 0, 90, 0, STEREO_EQUAL_AREA, -1, 0},
      {"strike 0 dip 45 equal-area", 0, 45, 0, STEREO_EQUAL_AREA, -0.541196, 0},
      {"strike 0 dip 45 stereographic", 0, 45, 0, STEREO_STEREOGRAPHIC, -0.414214, 0},
      {"dip-direction 90 dip 45 turns by a quarter", 90, 45, 1, STEREO_EQUAL_AREA, -0.541196, 0},
  };
  for (const auto& c : poles) expect_point(c, stereo_pole_point);
  const PointCase lines[] = {
      {"plunge 90 at the centre", 120, 90, 0, STEREO_STEREOGRAPHIC, 0, 0},
      {"plunge 0 on the primitive at its trend", 45, 0, 0, STEREO_EQUAL_AREA, s, s},
      {"plunge 0 north is up", 0, 0, 0, STEREO_STEREOGRAPHIC, 0, 1},
      {"plunge 30 east, stereographic", 90, 30, 0, STEREO_STEREOGRAPHIC, std::tan(M_PI / 6), 0},
      {"plunge 30 east, equal-area", 90, 30, 0, STEREO_EQUAL_AREA,
       std::sqrt(2.0) * std::sin(M_PI / 6), 0},
      {"plunge direction turns the trend", 0, 0, 1, STEREO_EQUAL_AREA, -1, 0},
  };
  for (const auto& c : lines) expect_point(c, stereo_line_point);
}

TEST(StereoPoints, AnglesOutsideZeroToNinetyBadRadiiTypesAndOutputsAreRefused) {
  geo_point p{};
  double r = 1.0, a0 = 0, a1 = 0;
  for (double bad : {-1.0, 91.0, double(NAN)}) {
    EXPECT_EQ(stereo_pole_point(0, bad, 1.0, 0, STEREO_EQUAL_AREA, &p), STEREO_BAD_ARG) << bad;
    EXPECT_EQ(stereo_line_point(0, bad, 1.0, 0, STEREO_EQUAL_AREA, &p), STEREO_BAD_ARG) << bad;
    EXPECT_EQ(stereo_great_circle(0, bad, &r, 0, STEREO_EQUAL_AREA, &p, &a0, &a1), STEREO_BAD_ARG) << bad;
  }
  EXPECT_EQ(stereo_pole_point(0, 45, 0.0, 0, STEREO_EQUAL_AREA, &p), STEREO_BAD_ARG);
  EXPECT_EQ(stereo_line_point(0, 45, 1.0, 0, 3, &p), STEREO_BAD_ARG);
  EXPECT_EQ(stereo_line_point(0, 45, 1.0, 0, STEREO_EQUAL_AREA, nullptr), STEREO_BAD_ARG);
  EXPECT_EQ(stereo_great_circle(0, 45, nullptr, 0, STEREO_EQUAL_AREA, &p, &a0, &a1), STEREO_BAD_ARG);
  r = -1.0;
  EXPECT_EQ(stereo_great_circle(0, 45, &r, 0, STEREO_EQUAL_AREA, &p, &a0, &a1), STEREO_BAD_ARG);
  EXPECT_EQ(r, -1.0);
}

TEST(StereoGreatCircles, CentresLieOnTheDipAxisAndArcsRunFromStrikeEndToStrikeEnd) {
  const CircleCase cases[] = {
      {"stereographic 330/30 (three-point form drifts here)", 330, 30, STEREO_STEREOGRAPHIC, -0.5,
       -0.288675, 1.154701, 5.759587, 1.570796},
      {"equal-area 0/45", 0, 45, STEREO_EQUAL_AREA, -0.653281, 0, 1.194478, 5.291068, 0.992118},
      {"horizontal plane is the primitive", 75, 0, STEREO_STEREOGRAPHIC, 0, 0, 1.0, 0,
       STEREO_FULL_CIRCLE_END},
  };
  for (const auto& c : cases) {
    geo_point centre{9, 9, 9, 9};
    double r = 1.0, a0 = -1, a1 = -1;
    ASSERT_EQ(stereo_great_circle(c.strike, c.dip, &r, 0, c.type, &centre, &a0, &a1), STEREO_OK)
        << c.what;
    EXPECT_NEAR(centre.x, c.cx, kTol) << c.what;
    EXPECT_NEAR(centre.y, c.cy, kTol) << c.what;
    EXPECT_NEAR(r, c.radius, kTol) << c.what;
    EXPECT_NEAR(a0, c.start, kTol) << c.what;
    EXPECT_NEAR(a1, c.end, kTol) << c.what;
  }
  geo_point centre{};
  double r = 1.0, a0, a1;
  ASSERT_EQ(stereo_great_circle(0, 90, &r, 0, STEREO_EQUAL_AREA, &centre, &a0, &a1), STEREO_OK);
  EXPECT_NEAR(centre.x, -4999.99995, 1e-6);
  EXPECT_NEAR(centre.y, 0, 1e-6);
  EXPECT_NEAR(r, 5000.00005, 1e-6);
}

TEST(StereoGreatCircles, StereographicArcsMatchTheTextbookCircleForEveryDip) {
  for (double strike : {0.0, 33.0, 147.5, 270.0, 330.0}) {
    for (int dip = 1; dip < 90; ++dip) {
      geo_point centre{};
      double r = 2.0, a0, a1;
      ASSERT_EQ(stereo_great_circle(strike, dip, &r, 0, STEREO_STEREOGRAPHIC, &centre, &a0, &a1),
                STEREO_OK);
      double dip_rad = dip * M_PI / 180.0;
      double towards = (90.0 - strike - 90.0) * M_PI / 180.0;  // drawing angle of the dip direction
      EXPECT_NEAR(centre.x, -2.0 * std::tan(dip_rad) * std::cos(towards), 1e-6) << strike << "/" << dip;
      EXPECT_NEAR(centre.y, -2.0 * std::tan(dip_rad) * std::sin(towards), 1e-6) << strike << "/" << dip;
      EXPECT_NEAR(r, 2.0 / std::cos(dip_rad), 1e-6) << strike << "/" << dip;
    }
  }
}

TEST(RoseBins, AnglesAreReducedIntoTheRangeBeforeCounting) {
  struct {
    const char* what;
    double angle, range, interval;
    int dip, index;
  } cases[] = {
      {"200 on 180 counts at 20", 200, 180, 10, 0, 2},
      {"-10 on 180 counts at 170", -10, 180, 10, 0, 17},
      {"dip direction 45 counts as 315", 45, 360, 5, 1, 63},
      {"360 wraps to 0", 360, 360, 30, 0, 0},
      {"359.9 in the last of 52", 359.9, 360, 7, 0, 51},
      {"no interval", 10, 360, 0, 0, -1},
      {"not a number", NAN, 360, 10, 0, -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(rose_bin_index(c.angle, c.range, c.interval, c.dip), c.index) << c.what;
  EXPECT_EQ(rose_interval_count(360, 7), 52);
  EXPECT_EQ(rose_interval_count(360, 30), 12);
  EXPECT_EQ(rose_interval_count(180, 1), 180);
  EXPECT_EQ(rose_interval_count(360, 0), 0);
}

TEST(RoseBins, WedgesRunClockwiseFromNorthAndTheLastPartialOneIsDrawnFullWidth) {
  struct {
    int i;
    double interval, ratio, x1, y1, x2, y2;
  } cases[] = {
      {0, 30, 1.0, 0, 1, 0.5, 0.866025},
      {3, 30, 0.5, 0.5, 0, 0.433013, -0.25},
      {11, 30, 0.5, -0.25, 0.433013, 0, 0.5},
      {51, 7, 1.0, std::cos((90 - 357) * M_PI / 180), std::sin((90 - 357) * M_PI / 180),
       std::cos((90 - 364) * M_PI / 180), std::sin((90 - 364) * M_PI / 180)},
  };
  for (const auto& c : cases) {
    geo_point w[3];
    rose_wedge(c.i, c.interval, c.ratio, w);
    EXPECT_EQ(w[0].x, 0.0);
    EXPECT_EQ(w[0].y, 0.0);
    EXPECT_NEAR(w[1].x, c.x1, kTol) << c.i;
    EXPECT_NEAR(w[1].y, c.y1, kTol) << c.i;
    EXPECT_NEAR(w[2].x, c.x2, kTol) << c.i;
    EXPECT_NEAR(w[2].y, c.y2, kTol) << c.i;
  }
}
