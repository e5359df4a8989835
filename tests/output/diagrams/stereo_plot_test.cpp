/*
** stereo_plot_test.cpp: the stereonet's settings check, its default
** symbol, the frame and title it draws, a row's great circle, pole or
** skipped angle, and the block placed by the user's circle.
*/
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/sym_setup.h"
#include "output/diagram_fixture.h"
#include "output/diagrams/stereo_plot.h"

namespace {

class Stereo : public DiagramTest {
 protected:
  void SetUp() override {
    DiagramTest::SetUp();
    memset(&g_stereo, 0, sizeof g_stereo);
    stereo_reset();
  }
  void TearDown() override {
    stereo_reset();
    memset(&g_stereo, 0, sizeof g_stereo);
    DiagramTest::TearDown();
  }

  /* Planes as great circles on a stereographic net titled NET1. */
  void planes() {
    g_stereo.project = geo_;
    g_stereo.planar = 1;
    g_stereo.great_circle = 1;
    g_stereo.equal_area = 0;
    g_stereo.stereographic = 1;
    g_stereo.strike = col("STRIKE");
    g_stereo.dip = col("DIP");
    snprintf(g_stereo.title, sizeof g_stereo.title, "NET1");
  }
  /* A row of STRUC, the state's row. */
  void row(const char *id, const char *strike, const char *dip) {
    g_stereo.row = make_row({{"BASENUMBER", id}, {"STRIKE", strike}, {"DIP", dip}});
  }
};

}  // namespace

TEST_F(Stereo, SettingsAreRefusedWithoutProjectNetTypeOrKindOrAColumnOfThePair) {
  struct {
    const char *what;
    void (*change)(stereo_state &);
    int expected;
  } cases[] = {
      {"complete planes", [](stereo_state &) {}, 0},
      {"no project", [](stereo_state &s) { s.project = nullptr; }, -1},
      {"both net types", [](stereo_state &s) { s.equal_area = 1; }, -1},
      {"neither net type", [](stereo_state &s) { s.stereographic = 0; }, -1},
      {"planar and linear", [](stereo_state &s) { s.linear = 1; }, -1},
      {"pole and great circle", [](stereo_state &s) { s.pole = 1; }, -1},
      {"neither pole nor great circle", [](stereo_state &s) { s.great_circle = 0; }, -1},
      {"no dip", [](stereo_state &s) { s.dip = nullptr; }, -1},
      {"lines without plunge", [](stereo_state &s) { s.planar = 0; s.linear = 1; s.trend = s.strike; }, -1},
      {"lines", [](stereo_state &s) { s.planar = 0; s.linear = 1; s.trend = s.strike; s.plunge = s.dip; }, 0},
  };
  for (const auto &c : cases) {
    planes();
    c.change(g_stereo);
    EXPECT_EQ(stereo_check(), c.expected) << c.what;
  }
  stereo_reset();
  EXPECT_EQ(g_stereo.equal_area, 1);
  EXPECT_EQ(g_stereo.planar + g_stereo.stereographic + g_stereo.great_circle, 0);
  EXPECT_EQ(g_stereo.strike, nullptr);
}

TEST_F(Stereo, DefaultSymbolIsTheTextXWithoutTheOutcropShape) {
  sym_rec *s = stereo_default_symbol();
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s->item_name, "STEREONET");
  EXPECT_STREQ(s->layer, "STEREONET");
  EXPECT_EQ(s->flags, SYM_TEXT);
  EXPECT_STREQ(s->symbol, "x");
  EXPECT_FLOAT_EQ(s->scale, 0.1f);
  sym_free(s);
}

TEST_F(Stereo, TitleRunsUpTheRightSideForAngleBasesZeroAndNinety) {
  struct {
    double base, x, y, rotation;
  } cases[] = {
      {0, 1.6, -4 * 0.67 * 0.12 / 2, M_PI / 2},
      {90, -4 * 0.67 * 0.12 / 2, -1.6, 0},
  };
  for (const auto &c : cases) {
    planes();
    g_map_params.angle_base = c.base;
    int before = entities();
    ASSERT_EQ(stereo_plot_begin(), 0) << c.base;
    EXPECT_EQ(entities(), before + 6) << "circle, N, three lines and the title";
    EXPECT_NEAR(last_real(10), c.x, 1e-9) << c.base;
    EXPECT_NEAR(last_y(10), c.y, 1e-9) << c.base;
    EXPECT_NEAR(last_real(40), 0.12, 1e-9);
    EXPECT_NEAR(std::remainder(last_real(50) - c.rotation, 2 * M_PI), 0, 1e-9) << c.base;
    EXPECT_EQ(sysvar_get_number("LIMCHECK"), 0);
    stereo_reset();
    EXPECT_EQ(entities(), before) << "the reset erases the frame";
    limcheck_suspend(1);
  }
}

TEST_F(Stereo, RowsDrawLinkedGreatCirclesAndSkipDipsOutOfRangeOrRowsWithoutKey) {
  std::string err;
  ASSERT_TRUE(host_set_var("LIMCHECK", "1", err)) << err;
  planes();
  ASSERT_EQ(stereo_plot_begin(), 0);
  row("7", "330", "30");
  ASSERT_EQ(stereo_plot_row(), 0);
  EXPECT_NEAR(last_real(10), -0.5, 1e-6);
  EXPECT_NEAR(last_y(10), -0.288675, 1e-6);
  EXPECT_NEAR(last_real(40), 1.154701, 1e-6);
  ads_name arc;
  ASSERT_EQ(ads_entlast(arc), RTNORM);
  link_rec l;
  ASSERT_EQ(link_xdata_get(&l, arc), 0);
  EXPECT_EQ(fields(l), "GEO|STRUC|7|BASENUMBER|S1|");
  int drawn = entities();
  for (const char *dip : {"-1", "91", " ", "abc"}) {
    row("8", "10", dip);
    EXPECT_EQ(stereo_plot_row(), -1) << dip;
  }
  row(" ", "10", "20");
  EXPECT_EQ(stereo_plot_row(), -1) << "no base number";
  EXPECT_EQ(entities(), drawn);
  g_stereo.row = nullptr;
  EXPECT_EQ(stereo_plot_row(), -2);
  row("8", "10", "90");
  ASSERT_EQ(stereo_plot_row(), 0);
  EXPECT_NEAR(last_real(40), 5000.00005, 1e-6);

  host_io_use_script_text("100,100\n110,100\n");
  ASSERT_EQ(stereo_plot_end(), 0);
  struct resbuf *blk = ads_tblsearch("BLOCK", "NET1", 0);
  EXPECT_NE(blk, nullptr);
  ads_relrb(blk);
  EXPECT_NEAR(last_real(10), 100, 1e-9);
  EXPECT_NEAR(last_real(41), 10, 1e-9);
  EXPECT_NE(sysvar_get_number("LIMCHECK"), 0) << "LIMCHECK given back";
  EXPECT_EQ(g_stereo.planar, 0) << "the state is reset";
}

TEST_F(Stereo, PolesArePlacedAsTheSetupsTextAtTheComputedPoint) {
  planes();
  g_stereo.great_circle = 0;
  g_stereo.pole = 1;
  g_stereo.stereographic = 0;
  g_stereo.equal_area = 1;
  ASSERT_EQ(stereo_plot_begin(), 0);
  row("3", "0", "45");
  ASSERT_EQ(stereo_plot_row(), 0);
  EXPECT_NEAR(last_real(10), -0.541196, 1e-6);
  EXPECT_NEAR(last_y(10), 0, 1e-6);
  EXPECT_NEAR(last_real(40), 0.1, 1e-6);
  host_io_use_script_text("*cancel*\n");
  EXPECT_EQ(stereo_plot_end(), -1);
  EXPECT_EQ(g_stereo.pole, 0);
}
