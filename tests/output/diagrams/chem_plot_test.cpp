/*
** chem_plot_test.cpp: the chemistry diagram's stages: equations
** evaluated and written as text, rows placed on ternary and X-Y diagrams
** (limits, sums of 0, symbol sizes), the X-Y frame's ticks, labels and
** titles, the block names, and the block placed by the user's circle,
** refused when an X-Y diagram has nothing to scale by.
*/
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "output/chem_fixture.h"
#include "draw/ent_make.h"

namespace {

class Chem : public ChemTest {};

TEST_F(Chem, EquationsEvaluateGroupsFactorsGuardedDivisionAndLogarithms) {
  struct {
    const char *what;
    std::vector<chem_term_rec *> (*terms)(Chem *);
    const char *fe, *mg, *si;
    int log;
    double want;
  } cases[] = {
      {"2 (FE + MG) / SI", [](Chem *t) -> std::vector<chem_term_rec *> {
         return {t->term("FEO", CHEM_OP_NONE, 0, 1, 2), t->term("MGO", CHEM_OP_PLUS, 0, 0, 0, 1),
                 t->term("SIO2", CHEM_OP_DIVIDE)};
       }, "1", "2", "3", 0, 2.0},
      {"a SI of 0 is not divided by", [](Chem *t) -> std::vector<chem_term_rec *> {
         return {t->term("FEO", CHEM_OP_NONE, 0, 1, 2), t->term("MGO", CHEM_OP_PLUS, 0, 0, 0, 1),
                 t->term("SIO2", CHEM_OP_DIVIDE)};
       }, "1", "2", "0", 0, 6.0},
      {"a single column", [](Chem *t) -> std::vector<chem_term_rec *> { return {t->term("SIO2")}; },
       "", "", "47.5", 0, 47.5},
      {"log of 100", [](Chem *t) -> std::vector<chem_term_rec *> { return {t->term("SIO2")}; }, "", "", "100", 1, 2.0},
      {"log of 0", [](Chem *t) -> std::vector<chem_term_rec *> { return {t->term("SIO2")}; }, "", "", "0", 1, 0.0},
      {"log of a negative value", [](Chem *t) -> std::vector<chem_term_rec *> { return {t->term("SIO2")}; },
       "", "", "-5", 1, 0.0},
      {"a scaled column and a constant", [](Chem *t) -> std::vector<chem_term_rec *> {
         return {t->term("SIO2", CHEM_OP_NONE, 3), t->term(nullptr, CHEM_OP_MINUS, 4)};
       }, "", "", "2", 0, 2.0},
      {"a constant alone multiplies inside a group", [](Chem *t) -> std::vector<chem_term_rec *> {
         return {t->term("FEO", CHEM_OP_NONE, 0, 1), t->term(nullptr, CHEM_OP_TIMES, 5, 0, 0, 1)};
       }, "2", "", "", 0, 10.0},
      {"a blank column does not multiply inside a group", [](Chem *t) -> std::vector<chem_term_rec *> {
         return {t->term("FEO", CHEM_OP_NONE, 0, 1), t->term("MGO", CHEM_OP_TIMES), t->term("SIO2", CHEM_OP_PLUS, 0, 0, 0, 1)};
       }, "2", " ", "1", 0, 3.0},
      {"a group after a term joins with its opening operator", [](Chem *t) -> std::vector<chem_term_rec *> {
         return {t->term("SIO2"), t->term("FEO", CHEM_OP_MINUS, 0, 1, 0.5), t->term("MGO", CHEM_OP_PLUS, 0, 0, 0, 1)};
       }, "4", "6", "10", 0, 5.0},
      {"an empty term is passed over", [](Chem *t) -> std::vector<chem_term_rec *> {
         return {t->term("SIO2"), t->term(nullptr, CHEM_OP_TIMES)};
       }, "", "", "7", 0, 7.0},
  };
  for (const auto &c : cases) {
    chem_term_rec *e = chain(c.terms(this));
    e->log_flag = c.log;
    make_row({{"FEO", c.fe}, {"MGO", c.mg}, {"SIO2", c.si}});
    EXPECT_NEAR(chem_eval_equation(e, row_), c.want, 1e-12) << c.what;
    chem_term_list_free(&e);
  }
  EXPECT_EQ(chem_eval_equation(nullptr, row_), 0.0);
}

TEST_F(Chem, EquationTextsShowOperatorsFactorsConstantsAndTheLogarithm) {
  chem_term_rec *e = chain({term("FEO", CHEM_OP_NONE, 0, 1, 2), term("MGO", CHEM_OP_PLUS, 0, 0, 0, 1),
                            term("SIO2", CHEM_OP_DIVIDE), term(nullptr, CHEM_OP_TIMES, 1.0),
                            term("CAO", CHEM_OP_MINUS, 0.5)});
  char text[CHEM_TITLE_SIZE];
  int length = chem_equation_text(e, text, sizeof text);
  EXPECT_EQ(length, (int)strlen(text));
  EXPECT_STREQ(text, "2( FEO+ MGO)/ SIO2x1 -0.5 CAO");
  e->log_flag = 1;
  chem_equation_text(e, text, sizeof text);
  EXPECT_STREQ(text, "log( 2( FEO+ MGO)/ SIO2x1 -0.5 CAO)");
  chem_equation_text(e, text, 16);
  EXPECT_STREQ(text, "log( 2( FEO)") << "a term that does not fit ends the text";
  chem_equation_text(e, text, sizeof text, true);
  EXPECT_STREQ(text, "log(2(FEO + MGO) / SIO2 x 1 - 0.5 CAO)") << "an axis title's operators stand apart";
  e->log_flag = 0;
  chem_equation_text(e, text, sizeof text, true);
  EXPECT_STREQ(text, "2(FEO + MGO) / SIO2 x 1 - 0.5 CAO");
  chem_equation_text(nullptr, text, sizeof text);
  EXPECT_STREQ(text, "");
  chem_term_list_free(&e);
}

TEST_F(Chem, TernaryRowsLieWhereTheTextbookPutsThemAndASumOfZeroIsSkipped) {
  struct {
    const char *x, *y, *z;
    int rc;
    double px, py;
  } cases[] = {
      {"1", "0", "0", 0, 50, 86.602540},
      {"30", "50", "20", 0, 35, 25.980762},
      {"0", "0", "0", 0, 0, 0},
      {"0", "0", "4", 0, 100, 0},
      {"1", "-1", "0", -1, 0, 0},
  };
  xy_state("TRI");
  g_chem.z_equ = term("FEO", CHEM_OP_NONE, 0, 0, 0, 0, CHEM_AXIS_Z);
  for (const auto &c : cases) {
    state_row("R1", c.x, c.y, c.z);
    int before = entities();
    ASSERT_EQ(chem_plot_row(), c.rc) << c.x << " " << c.y << " " << c.z;
    if (c.rc != 0) {
      EXPECT_EQ(entities(), before) << "nothing drawn at NaN";
      continue;
    }
    ent drawn = model().back();
    EXPECT_EQ(drawn.text, "R1");
    EXPECT_NEAR(drawn.x, c.px + drawn.height / 2, 1e-6)
        << "half a height right of the point: " << c.x << " " << c.y << " " << c.z;
    EXPECT_NEAR(drawn.y, c.py, 1e-6) << c.x << " " << c.y << " " << c.z;
    EXPECT_NEAR(drawn.height, 1.0, 1e-12) << "the default size, below the ternary bound of 10";
  }
}

TEST_F(Chem, XyRowsOutsideTheLimitsAreSkippedAndTextsShrinkToTheDiagram) {
  xy_state();
  g_chem.limits = {{0, 0, 0, 0}, {10, 5, 0, 0}};
  g_chem.scale = {2, 1, 0, 0};
  state_row("IN", "4", "3");
  ASSERT_EQ(chem_plot_row(), 0);
  ent in = model().back();
  EXPECT_NEAR(in.x, 8 + in.height / 2, 1e-12);
  EXPECT_NEAR(in.y, 3, 1e-12);
  EXPECT_NEAR(in.height, 0.02 * 5, 1e-12) << "the frame's text height: 0.02 of the smaller extent (W 20, H 5)";
  ent marker = model()[model().size() - 2];
  EXPECT_EQ(marker.type, "CIRCLE") << "a text point is marked where it lies";
  EXPECT_NEAR(marker.x, 8, 1e-12);
  EXPECT_NEAR(marker.y, 3, 1e-12);
  for (auto xy : {std::pair<const char *, const char *>{"11", "3"}, {"4", "-1"}}) {
    state_row("OUT", xy.first, xy.second);
    EXPECT_EQ(chem_plot_row(), -1) << xy.first << "," << xy.second;
  }
  EXPECT_NEAR(g_chem.data.max.x, 4, 1e-12) << "skipped rows leave the data box alone";
  g_chem.symbol_col = nullptr;
  EXPECT_EQ(chem_plot_row(), -2);
  state_row("", "4", "3");
  EXPECT_EQ(chem_plot_row(), -1) << "a blank symbol column has no placement";
  g_chem.limits.max.x = -1;
  EXPECT_EQ(chem_check(), -1) << "limits running downwards";
}

// A sample with a blank or null value of a column its equations use is
// left out, on the TAS-like X-Y diagram (no longer at the other column
// alone) and on the ternary one (no longer on an edge); the state counts
// them and names the first by its symbol column, else by its row.
TEST_F(Chem, SamplesWithAValueOfTheirEquationsMissingAreLeftOutCountedAndNamed) {
  xy_state("TAS");
  g_chem.y_equ->next = term("FEO", CHEM_OP_PLUS, 0, 0, 0, 0, CHEM_AXIS_Y);   /* Y = MGO + FEO, as NA2O + K2O */
  struct {
    const char *name, *sio2, *mgo, *feo;
    int rc;
  } rows[] = {
      {"S1", "50", "3", "2", 0},
      {"S2", "52", "", "4", -1},     /* MGO blank: once drawn at FEO alone */
      {"S3", "55", "1", "0", 0},     /* a 0 is a value */
      {"S4", " ", "2", "2", -1},     /* SIO2 blank */
      {"", "60", "2", "", -1},       /* FEO blank, no name */
  };
  int drawn = 0;
  for (const auto &r : rows) {
    state_row(r.name, r.sio2, r.mgo, r.feo);
    int before = entities();
    EXPECT_EQ(chem_plot_row(), r.rc) << r.name;
    if (r.rc == 0) {
      ++drawn;
      EXPECT_EQ(model().back().text, r.name);
    } else {
      EXPECT_EQ(entities(), before) << r.name << ": nothing drawn";
    }
  }
  state_row("S6", "61", "1", "1");
  sql_col_find(g_chem.row, "MGO", nullptr, nullptr)->null_ind = SQL_COL_NULL;
  EXPECT_EQ(chem_plot_row(), -1) << "a null value";
  EXPECT_EQ(drawn, 2);
  EXPECT_EQ(g_chem.left_out, 4);
  EXPECT_STREQ(g_chem.first_left_out, "S2");
  EXPECT_NEAR(g_chem.data.max.x, 55, 1e-12) << "the left-out samples leave the data box alone";

  chem_state_free();
  xy_state("TAS");
  state_row("", "60", "", "");
  EXPECT_EQ(chem_plot_row(), -1);
  EXPECT_STREQ(g_chem.first_left_out, "row 1") << "a sample without a name is named by its row";

  /* Ternary: one value of the three blank. */
  chem_state_free();
  xy_state("TRI");
  g_chem.z_equ = term("FEO", CHEM_OP_NONE, 0, 0, 0, 0, CHEM_AXIS_Z);
  state_row("T1", "30", "50", "");
  int before = entities();
  EXPECT_EQ(chem_plot_row(), -1) << "once put on the SIO2-MGO edge";
  EXPECT_EQ(entities(), before);
  state_row("T2", "30", "50", "20");
  EXPECT_EQ(chem_plot_row(), 0);
  EXPECT_EQ(g_chem.left_out, 1);
  EXPECT_STREQ(g_chem.first_left_out, "T1");

  /* A term of a constant alone has no value to miss. */
  chem_state_free();
  xy_state("TAS");
  g_chem.x_equ->next = term(nullptr, CHEM_OP_PLUS, 2);
  state_row("K", "40", "5");
  EXPECT_EQ(chem_plot_row(), 0);
  EXPECT_EQ(g_chem.left_out, 0);
  chem_state_free();   /* the equations go, and the state is reset */
  EXPECT_EQ(g_chem.left_out, 0);
  EXPECT_STREQ(g_chem.first_left_out, "");
}

TEST_F(Chem, XyFrameHasElevenTicksLabelsAndTitlesAtTheirPlaces) {
  xy_state();
  state_row("R", "5", "5");
  g_chem.limits = {{0, 0, 0, 0}, {10, 10, 0, 0}};
  ASSERT_EQ(ss_new(g_chem.selection), RTNORM);
  ASSERT_EQ(chem_frame(), 0);
  std::vector<ent> all = model();
  EXPECT_EQ(all.size(), 2u + 2 * 11 + 2 * 11 + 2) << "axes, ticks, labels, titles";
  EXPECT_TRUE(has_line(all, 1, 0, 1, -0.2));
  EXPECT_TRUE(has_line(all, 0, 10, -0.2, 10));
  struct {
    const char *text;
    int nth;   /* the X axis's "10" comes before the Y axis's */
    double x, y, h;
  } texts[] = {{"1", 0, 1.05, -0.35, 0.2}, {"10", 1, -0.52, 10.04, 0.2}, {"SIO2", 0, 3.68, -0.75, 0.2},
               {"MGO", 0, -1.32, 3.76, 0.2}};   /* its characters a height wide, it ends a height left
                                                  of the widest label, "10" at -0.52 */
  for (const auto &t : texts) {
    ent e = find_text(all, t.text, t.nth);
    ASSERT_EQ(e.type, "TEXT") << t.text;
    EXPECT_NEAR(e.x, t.x, 1e-9) << t.text;
    EXPECT_NEAR(e.y, t.y, 1e-9) << t.text;
    EXPECT_NEAR(e.height, t.h, 1e-12) << t.text;
    EXPECT_EQ(e.layer, CHEM_SETUP_NAME);
  }
}

// Samples close together (the demo's TAS: R-102 and R-104 beside R-101)
// get labels that cover none of the others and no point's marker, as a
// reader measures them (a height a character, a third of one below the
// line), each beside its point; a new diagram starts with no labels to
// keep clear of.
TEST_F(Chem, SampleLabelsStandApartBesideTheirPoints) {
  xy_state("TAS");
  g_chem.limits = {{35, 0, 0, 0}, {85, 20, 0, 0}};
  g_chem.scale = {1, 2.5, 0, 0};
  const std::vector<std::pair<const char *, std::pair<const char *, const char *>>> samples = {
      {"R-101", {"66.1", "6.8"}}, {"R-102", {"64.8", "6.5"}}, {"R-104", {"67.4", "7.2"}},
      {"R-103", {"61.2", "5.6"}}, {"R-105", {"61.3", "5.7"}}};
  for (const auto &s : samples) {
    state_row(s.first, s.second.first, s.second.second);
    ASSERT_EQ(chem_plot_row(), 0) << s.first;
  }
  struct box {
    std::string text;
    double x0, y0, x1, y1, px, py;
  };
  std::vector<box> boxes, marks; /* the labels; the markers (a circle's box) */
  std::vector<ent> all = model();
  for (size_t i = 1; i < all.size(); ++i)
    if (all[i].type == "TEXT" && all[i - 1].type == "CIRCLE") {
      const ent &t = all[i], &c = all[i - 1];
      boxes.push_back({t.text, t.x, t.y - t.height / 3, t.x + t.text.size() * t.height, t.y + t.height, c.x, c.y});
      marks.push_back(
          {"the point of " + t.text, c.x - c.height, c.y - c.height, c.x + c.height, c.y + c.height, c.x, c.y});
    }
  ASSERT_EQ(boxes.size(), samples.size());
  auto apart = [](const box &a, const box &b) { return a.x1 <= b.x0 || b.x1 <= a.x0 || a.y1 <= b.y0 || b.y1 <= a.y0; };
  for (size_t i = 0; i < boxes.size(); ++i) {
    const box &a = boxes[i];
    double dx = std::max({a.x0 - a.px, 0.0, a.px - a.x1}), dy = std::max({a.y0 - a.py, 0.0, a.py - a.y1});
    EXPECT_LE(std::hypot(dx, dy), 3.0) << a.text << " is more than three heights from its point";
    for (size_t j = i + 1; j < boxes.size(); ++j)
        EXPECT_TRUE(apart(a, boxes[j])) << a.text << " covers " << boxes[j].text;
    for (const box &m : marks) EXPECT_TRUE(apart(a, m)) << a.text << " covers " << m.text;
  }
  chem_state_free();
  xy_state("TAS");
  g_chem.limits = {{35, 0, 0, 0}, {85, 20, 0, 0}};
  g_chem.scale = {1, 2.5, 0, 0};
  state_row("R-102", "64.8", "6.5");
  ASSERT_EQ(chem_plot_row(), 0);
  EXPECT_NEAR(model().back().x, 64.8 + model().back().height / 2, 1e-9) << "the labels of the diagram before are gone";
  EXPECT_NEAR(model().back().y, 16.25, 1e-9);
}

TEST_F(Chem, WithoutLimitsTheAxesSpanEveryPlottedRowTheOriginIncluded) {
  xy_state();
  for (auto xy : {std::pair<const char *, const char *>{"0", "0"}, {"4", "2"}, {"3", "1"}}) {
    state_row("R", xy.first, xy.second);
    ASSERT_EQ(chem_plot_row(), 0);
  }
  ASSERT_EQ(ss_new(g_chem.selection), RTNORM);
  ASSERT_EQ(chem_frame(), 0);
  std::vector<ent> all = model();
  EXPECT_TRUE(has_line(all, 0, 0, 0, 2)) << "the Y axis from the origin's row to the highest";
  EXPECT_TRUE(has_line(all, 0, 0, 4, 0));
  EXPECT_EQ(find_text(all, "4").type, "TEXT");
}

TEST_F(Chem, PointsOnOneLineStillGiveEveryFrameTextAHeight) {
  xy_state();
  for (const char *x : {"2", "6"}) {
    state_row("R", x, "5");
    ASSERT_EQ(chem_plot_row(), 0);
  }
  ASSERT_EQ(ss_new(g_chem.selection), RTNORM);
  ASSERT_EQ(chem_frame(), 0);
  int texts = 0;
  for (const ent &e : model())
    if (e.type == "TEXT" && e.text != "R") {
      ++texts;
      EXPECT_NEAR(e.height, 0.2 * 0.4, 1e-12) << e.text << ": 0.2 of the X step";
    }
  EXPECT_EQ(texts, 24);
}

TEST_F(Chem, TernaryFrameIsTheTriangleWithTitlesThatShrinkWhenLong) {
  for (int added : {0, 9}) {
    host_new_drawing();
    xy_state("TRI");
    g_chem.z_equ = term("FEO", CHEM_OP_NONE, 0, 0, 0, 0, CHEM_AXIS_Z);
    chem_term_rec *tail = g_chem.y_equ;   /* MGO+ CAO+ CAO...: 52 characters of titles with 9 */
    for (int i = 0; i < added; ++i) tail = tail->next = term("CAO", CHEM_OP_PLUS, 0, 0, 0, 0, CHEM_AXIS_Y);
    state_row("R", "1", "1", "1");
    char y_title[CHEM_TITLE_SIZE];
    int n = 4 + chem_equation_text(g_chem.y_equ, y_title, sizeof y_title);   /* with "SIO2" */
    double height = n * 3.5 * 0.5 > 75 ? 150.0 / n : 3.5;
    EXPECT_EQ(height < 3.5, added > 0) << y_title;
    ASSERT_EQ(ss_new(g_chem.selection), RTNORM);
    ASSERT_EQ(chem_frame(), 0);
    std::vector<ent> all = model();
    EXPECT_TRUE(has_line(all, 0, 0, 50, 86.60254037844386));
    EXPECT_TRUE(has_line(all, 50, 86.60254037844386, 100, 0));
    EXPECT_TRUE(has_line(all, 0, 0, 100, 0));
    ent x = find_text(all, "SIO2"), z = find_text(all, "FEO");
    EXPECT_NEAR(x.height, height, 1e-12);
    EXPECT_NEAR(x.x, 50 - 0.4 * 4 * height, 1e-9) << "centred over the apex";
    EXPECT_NEAR(x.y, 86.60254037844386 + height / 2, 1e-9);
    EXPECT_NEAR(z.x, 100 - 0.4 * 3 * height, 1e-9);
    EXPECT_NEAR(z.y, -1.5 * height, 1e-9);
    ss_free(g_chem.selection);
    chem_state_free();
  }
}

TEST_F(Chem, ClosingPlacesTheBlockInTheCircleForBothKinds) {
  struct {
    bool ternary;
    double scale, x, y;
  } cases[] = {{false, 0.707107, 96.464466, 196.464466}, {true, 0.05, 97.5, 198.556624}};
  for (const auto &c : cases) {
    xy_state("CH");
    if (c.ternary) g_chem.z_equ = term("FEO", CHEM_OP_NONE, 0, 0, 0, 0, CHEM_AXIS_Z);
    g_chem.limits = {{0, 0, 0, 0}, {10, 10, 0, 0}};
    state_row("R", "5", "5", "1");
    limcheck_suspend(0);
    ASSERT_EQ(ss_new(g_chem.selection), RTNORM);
    ASSERT_EQ(chem_plot_row(), 0);
    host_io_use_script_text("100,200\n105,200\n");
    ASSERT_EQ(chem_plot_end(), 0) << c.ternary;
    ent insert = model().back();
    EXPECT_EQ(insert.type, "INSERT");
    EXPECT_EQ(insert.text, c.ternary ? "CH002" : "CH001");
    EXPECT_NEAR(insert.scale, c.scale, 1e-6);
    EXPECT_NEAR(insert.x, c.x, 1e-6);
    EXPECT_NEAR(insert.y, c.y, 1e-6);
    EXPECT_EQ(g_chem.x_equ, nullptr) << "the state is freed";
  }
}

TEST_F(Chem, XyDiagramWithoutPointsOrLimitsIsErasedAndNothingIsInserted) {
  std::string err;
  ASSERT_TRUE(host_set_var("LIMCHECK", "1", err)) << err;
  xy_state("EMPTY");
  state_row("R", "5", "5");
  limcheck_suspend(0);
  ASSERT_EQ(ss_new(g_chem.selection), RTNORM);
  int before = entities();
  host_io_use_script_text("100,200\n105,200\n");
  EXPECT_EQ(chem_plot_end(), -1);
  EXPECT_EQ(entities(), before);
  struct resbuf *blk = ads_tblsearch("BLOCK", "EMPTY001", 0);
  EXPECT_EQ(blk, nullptr);
  ads_relrb(blk);
  EXPECT_EQ(sysvar_get_number("LIMCHECK"), 1) << "LIMCHECK given back";
}

TEST_F(Chem, BlockNamesCountFromOneAndEndInXXX) {
  char name[CHEM_BLOCK_NAME_SIZE];
  chem_unique_block_name("CH", name);
  EXPECT_STREQ(name, "CH001");
  geo_point base = {0, 0, 0, 0};
  for (int i = 1; i <= 999; ++i) {
    char b[CHEM_BLOCK_NAME_SIZE], made[ADS_PATH_MAX];
    snprintf(b, sizeof b, "CH%03d", i);
    ASSERT_EQ(ent_make_block(b, &base, 0), 0);
    geo_point a = {0, 0, 0, 0}, e = {1, 1, 0, 0};
    ASSERT_EQ(ent_make_line(&a, &e, "0", -1, nullptr), 0);
    ASSERT_EQ(ent_make_endblk(made), 0);
    if (i == 1) {
      chem_unique_block_name("CH", name);
      EXPECT_STREQ(name, "CH002");
    }
  }
  chem_unique_block_name("CH", name);
  EXPECT_STREQ(name, "CHXXX");
}

TEST_F(Chem, BlockPlacementTakesTheDiagramsSetupElseTheDefaultOne) {
  chem_placement_from_symbol(geo_, "NONE");
  EXPECT_STREQ(g_chem.block.name, CHEM_BLOCK_PLACEHOLDER);
  EXPECT_STREQ(g_chem.block.layer, CHEM_SETUP_NAME);
  EXPECT_EQ(g_chem.block.colour, -1);
  EXPECT_EQ(g_chem.block.mode, SYM_MODE_INSERT);
  sym_rec *s = sym_new();
  sym_set_text(&s->item_name, "CH1");
  snprintf(s->layer, sizeof s->layer, "ROCKS");
  s->colour = 3;
  s->scale = -2.5f;
  s->flags = SYM_TEXT;
  sym_set_text(&s->library, "ROMANS");
  geo_->symbols = s;
  chem_placement_from_symbol(geo_, "ch1");
  EXPECT_STREQ(g_chem.block.layer, "ROCKS");
  EXPECT_EQ(g_chem.block.colour, 3);
  EXPECT_DOUBLE_EQ(g_chem.block.size, 2.5);
  EXPECT_STREQ(g_chem.block.font, "ROMANS");
  sym_list_free(&geo_->symbols);
}

}  // namespace
