/*
** rose_plot_test.cpp: the rose diagram's settings check, the counting of
** rows, the setup applied to the wedges, and the block it draws: texts
** turned by the angle base, axes by range, wedges only for counted
** intervals.
*/
#include <string>
#include <vector>

#include "output/diagram_fixture.h"
#include "output/diagrams/rose_plot.h"

namespace {

constexpr int kMaxBlockEntities = 64; /* more than any rose block here holds */

class Rose : public DiagramTest {
 protected:
  void SetUp() override {
    DiagramTest::SetUp();
    rose_reset();
    g_rose.project = geo_;
    g_rose.angle = col("AZIM");
    g_rose.range = 360;
    g_rose.interval = 30;
    snprintf(g_rose.title, sizeof g_rose.title, "ROSE1");
  }
  void TearDown() override {
    rose_reset();
    g_rose.project = nullptr;
    g_rose.row = nullptr;
    DiagramTest::TearDown();
  }
  /* Counts one row with that azimuth text; the stage's result. */
  int bin(const char *azimuth) {
    g_rose.row = make_row({{"AZIM", azimuth}});
    int rc = rose_bin_row();
    g_rose.row = nullptr;
    return rc;
  }
  /* The entities of block ROSE1 by type, with the texts and their points. */
  struct block_view {
    int lines = 0, solids = 0;
    std::vector<std::string> texts;
    std::vector<std::pair<double, double>> text_points;
    std::vector<double> text_angles;
  };
  static block_view block() {
    block_view v;
    struct resbuf *b = ads_tblsearch("BLOCK", "ROSE1", 0);
    struct resbuf *first = b ? rb_find(b, -2) : nullptr;
    ads_name e;
    if (!first) {
      ads_relrb(b);
      return v;
    }
    ename_copy(e, first->resval.rlname);
    ads_relrb(b);
    for (int guard = 0; guard < kMaxBlockEntities; ++guard) {
      struct resbuf *l = ads_entget(e);
      if (!l) break;
      std::string type = rb_find(l, 0)->resval.rstring;
      if (type == "ENDBLK") {
        ads_relrb(l);
        break;
      }
      if (type == "LINE") v.lines++;
      if (type == "SOLID") v.solids++;
      if (type == "TEXT") {
        v.texts.push_back(rb_find(l, 1)->resval.rstring);
        v.text_points.push_back({rb_find(l, 10)->resval.rpoint[0], rb_find(l, 10)->resval.rpoint[1]});
        struct resbuf *a = rb_find(l, 50);
        v.text_angles.push_back(a ? a->resval.rreal : 0);
      }
      ads_relrb(l);
      ads_name next;
      if (ads_entnext(e, next) != RTNORM) break;
      ename_copy(e, next);
    }
    return v;
  }
};

}  // namespace

TEST_F(Rose, SettingsNeedIntervalRangeAngleAndProjectWithTheRangeAtLeastTheInterval) {
  EXPECT_EQ(rose_check(), 0);
  g_rose.interval = 400;
  EXPECT_EQ(rose_check(), -1);
  g_rose.interval = 0;
  EXPECT_EQ(rose_check(), -1);
  g_rose.interval = 30;
  g_rose.angle = nullptr;
  EXPECT_EQ(rose_check(), -1);
  EXPECT_EQ(rose_plot_begin(), -2);
  EXPECT_EQ(rose_bin_row(), -2);
  EXPECT_EQ(rose_plot(), -2);
}

TEST_F(Rose, RowsAreCountedInTheirIntervalAndRowsWithoutANumberAreNot) {
  g_rose.counts[5] = 9;
  ASSERT_EQ(rose_plot_begin(), 0);
  EXPECT_EQ(g_rose.counts[5], 0) << "counters cleared";
  for (const char *a : {"10", "20", "100", "350", "-10"}) EXPECT_EQ(bin(a), 0) << a;
  for (const char *a : {"", "  ", "north"}) EXPECT_EQ(bin(a), -1) << '"' << a << '"';
  EXPECT_EQ(g_rose.counts[0], 2);
  EXPECT_EQ(g_rose.counts[3], 1);
  EXPECT_EQ(g_rose.counts[11], 2);
  g_rose.row = make_row({{"AZIM", "45"}});
  g_rose.row->next->next->next->next->next->null_ind = SQL_COL_NULL;  // AZIM: a null value
  EXPECT_EQ(rose_bin_row(), -1);
  g_rose.row = nullptr;
  g_rose.dip = 1;
  ASSERT_EQ(rose_plot_begin(), 0);
  EXPECT_EQ(bin("45"), 0);
  EXPECT_EQ(g_rose.counts[10], 1) << "dip direction 45 counted as 315";
}

TEST_F(Rose, NoRowsGiveTextsAndAxesOnlyAndHalfRosesHaveNoWestAxis) {
  struct {
    double range;
    int lines;
  } cases[] = {{360, 3}, {180, 2}};
  for (const auto &c : cases) {
    g_rose.range = c.range;
    ASSERT_EQ(rose_plot_begin(), 0);
    host_io_use_script_text("0,0\n0,2\n");
    ASSERT_EQ(rose_plot(), 0) << c.range;
    block_view v = block();
    EXPECT_EQ(v.lines, c.lines) << c.range;
    EXPECT_EQ(v.solids, 0) << c.range;
    EXPECT_EQ(v.texts, (std::vector<std::string>{"N", "Total   = 0", "Maximum = 0", "ROSE1"})) << c.range;
    EXPECT_NEAR(last_real(41), 2, 1e-9) << "placed with the circle's radius";
  }
}

TEST_F(Rose, CountTextsAndTitleRunUpTheRightForAngleBasesZeroAndNinety) {
  const double half = 5 * 0.67 * 0.15 / 2;
  struct {
    double base;
    double total_x, total_y, title_x, title_y, angle;
  } cases[] = {
      {0, 1.25, -0.5, 1.9, -half, M_PI / 2},
      {90, -0.5, -1.25, -half, -1.9, 0},
  };
  for (const auto &c : cases) {
    g_map_params.angle_base = c.base;
    ASSERT_EQ(rose_plot_begin(), 0);
    EXPECT_EQ(bin("100"), 0);
    host_io_use_script_text("0,0\n0,1\n");
    ASSERT_EQ(rose_plot(), 0);
    block_view v = block();
    ASSERT_EQ(v.texts.size(), 4u);
    EXPECT_EQ(v.texts[1], "Total   = 1");
    EXPECT_EQ(v.texts[2], "Maximum = 1");
    EXPECT_EQ(v.solids, 1);
    EXPECT_NEAR(v.text_points[1].first, c.total_x, 1e-9) << c.base;
    EXPECT_NEAR(v.text_points[1].second, c.total_y, 1e-9) << c.base;
    EXPECT_NEAR(v.text_points[3].first, c.title_x, 1e-9) << c.base;
    EXPECT_NEAR(v.text_points[3].second, c.title_y, 1e-9) << c.base;
    EXPECT_NEAR(std::remainder(v.text_angles[3] - c.angle, 2 * M_PI), 0, 1e-9) << c.base;
    EXPECT_NEAR(v.text_angles[0], 0, 1e-9) << "N stays upright";
  }
}

TEST_F(Rose, TheProjectsSetupGivesTheWedgesLayerColourAndPattern) {
  sym_rec *s = sym_new();
  ASSERT_EQ(sym_set_text(&s->item_name, "ROSE_DIAGRAM"), 0);
  snprintf(s->layer, sizeof s->layer, "ROSES");
  s->colour = 3;
  ASSERT_EQ(sym_set_text(&s->pattern, "SOLID"), 0);
  s->next = geo_->symbols;
  geo_->symbols = s;
  rose_apply_symbol();
  EXPECT_STREQ(g_rose.placement.layer, "ROSES");
  EXPECT_EQ(g_rose.placement.colour, 3);
  EXPECT_STREQ(g_rose.placement.pattern, "SOLID");
  geo_->symbols = s->next;
  sym_free(s);
  rose_apply_symbol();
  EXPECT_STREQ(g_rose.placement.layer, "ROSE_DIAGRAM");
  EXPECT_EQ(g_rose.placement.colour, 0);
  sym_rec *d = rose_default_symbol();
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->item_name, "ROSE_DIAGRAM");
  EXPECT_STREQ(d->layer, "ROSE_DIAGRAM");
  sym_free(d);
}
