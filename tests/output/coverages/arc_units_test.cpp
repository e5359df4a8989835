/*
** arc_units_test.cpp: the coverage options of the map-unit command: each
** validation code in its order with its exact text, the coverage opened
** only as a polygon coverage, and map units drawn once per polygon, with
** unit numbers outside the coverage skipped.
*/
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "coords/prj_list.h"
#include "core/col_attr.h"
#include "output/cover_writer.h"
#include "draw/sym_place.h"
#include "map/draw_fixture.h"
#include "output/coverages/arc_units.h"
#include "scratch_dir.h"

namespace {

class Units : public DrawTest {
 protected:
  std::filesystem::path dir;
  prj_rec user{};
  pjct_rec *geo = nullptr;
  void SetUp() override {
    DrawTest::SetUp();
    dir = pv_make_scratch_dir("pv_arc_units_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_");
    tw_two_squares().write(dir);
    prj_init(&user);
    user.type = PRJ_TYPE_USER;
    geo = project("GEO");
    tbl_rec *unit = table(geo, "UNIT", TBL_DEF_UNIT, {"UNITNO", "AGE", "LEGEND", "ROCK", "ARCNO"});
    for (sql_col_rec *c = unit->columns; c; c = c->next)
      if (!strcmp(c->name, "AGE") || !strcmp(c->name, "LEGEND") || !strcmp(c->name, "ROCK")) {
        c->sql_type = SQL_TYPE_CHAR;
        dictionary(c->name, "LEGENDS");
      }
    table(geo, "OTHER", TBL_DEF_UNIT + 1, {"NUM"});
    arc_opts_reset();
    arc_opts_rec *o = arc_opts();
    o->project = geo;
    snprintf(o->covername, sizeof o->covername, "%s", dir.string().c_str());
    o->projection = &user;
    o->map_projection = &user;
    strcpy(o->unitnum, "UNIT.UNITNO");
    strcpy(o->alegend, "UNIT.AGE");
    strcpy(o->mlegend, "UNIT.LEGEND");
    strcpy(o->rocktype, "UNIT.ROCK");
  }
  void TearDown() override {
    arc_cover_close();
    std::filesystem::remove_all(dir);
    DrawTest::TearDown();
  }
  /* An input rule of UNIT.column naming a dictionary. */
  void dictionary(const char *column, const char *dict) {
    col_attr_rec *r = col_attr_new();
    snprintf(r->column, sizeof r->column, "%s", column);
    snprintf(r->table, sizeof r->table, "%s", "UNIT");
    snprintf(r->dictionary, sizeof r->dictionary, "%s", dict);
    r->next = geo->col_attrs;
    geo->col_attrs = r;
  }
};

TEST_F(Units, EveryValidationCodeComesInItsOrderWithItsExactText) {
  struct Case {
    const char *what;
    std::function<void(arc_opts_rec *, const std::filesystem::path &)> damage;
    int code;
    const char *text;
  };
  const Case cases[] = {
      {"valid", [](arc_opts_rec *, const std::filesystem::path &) {}, 0, ""},
      {"no project", [](arc_opts_rec *o, const std::filesystem::path &) { o->project = nullptr; }, -99, "ERROR: Invalid project"},
      {"blank coverage", [](arc_opts_rec *o, const std::filesystem::path &) { strcpy(o->covername, "  "); }, -96,
       "ERROR: Invalid ArcInfo coverage"},
      {"no projection", [](arc_opts_rec *o, const std::filesystem::path &) { o->projection = nullptr; }, -97, "ERROR: Invalid projection"},
      {"no unit column", [](arc_opts_rec *o, const std::filesystem::path &) { o->unitnum[0] = 0; }, -98, "ERROR: Invalid map unit number"},
      {"unit column not in a UNIT table", [](arc_opts_rec *o, const std::filesystem::path &) { strcpy(o->unitnum, "OTHER.NUM"); }, -98,
       "ERROR: Invalid map unit number"},
      {"CHAR unit column", [](arc_opts_rec *o, const std::filesystem::path &) { strcpy(o->unitnum, "UNIT.AGE"); }, -95,
       "ERROR: Invalid map unit number - must be numeric"},
      {"no age legend", [](arc_opts_rec *o, const std::filesystem::path &) { strcpy(o->alegend, "UNIT.NOPE"); }, -94,
       "ERROR: Invalid age legend"},
      {"numeric age legend", [](arc_opts_rec *o, const std::filesystem::path &) { strcpy(o->alegend, "UNIT.UNITNO"); }, -93,
       "ERROR: Invalid age legend - must be non-numeric"},
      {"age legend without dictionary", [](arc_opts_rec *o, const std::filesystem::path &) { strcpy(o->alegend, "UNIT.NAME"); }, -92,
       "ERROR: Invalid age legend - missing dictionary"},
      {"no legend", [](arc_opts_rec *o, const std::filesystem::path &) { o->mlegend[0] = 0; }, -91, "ERROR: Invalid legend"},
      {"numeric legend", [](arc_opts_rec *o, const std::filesystem::path &) { strcpy(o->mlegend, "UNIT.ARCNO"); }, -90,
       "ERROR: Invalid legend - must be non-numeric"},
      {"legend without dictionary", [](arc_opts_rec *o, const std::filesystem::path &) { strcpy(o->mlegend, "UNIT.NAME"); }, -89,
       "ERROR: Invalid legend - missing dictionary"},
      {"no rock type", [](arc_opts_rec *o, const std::filesystem::path &) { strcpy(o->rocktype, "ROCK"); }, -85, "ERROR: Invalid rocktype"},
      {"numeric rock type", [](arc_opts_rec *o, const std::filesystem::path &) { strcpy(o->rocktype, "UNIT.UNITNO"); }, -84,
       "ERROR: Invalid rocktype - must be non-numeric"},
      {"rock type without dictionary", [](arc_opts_rec *o, const std::filesystem::path &) { strcpy(o->rocktype, "UNIT.NAME"); }, -83,
       "ERROR: Invalid rocktype - missing dictionary"},
      {"arcs without arc number", [](arc_opts_rec *o, const std::filesystem::path &) { o->arcs = 1; }, -87, "ERROR: Invalid ARCS table"},
      {"CHAR arc number", [](arc_opts_rec *o, const std::filesystem::path &) { o->table = 1; strcpy(o->arcnum, "UNIT.NAME"); }, -88,
       "ERROR: Invalid arc number - must be numeric "},
      {"coverage without PAL",
       [](arc_opts_rec *, const std::filesystem::path &d) {
         for (const char *n : {"PAL", "PAX"}) std::filesystem::remove(d / n);
       },
       -96, "ERROR: Invalid ArcInfo coverage"},
      {"age legend checked before the coverage", [](arc_opts_rec *o, const std::filesystem::path &d) {
         std::filesystem::remove(d / "PAL");
         o->alegend[0] = 0;
       }, -94, "ERROR: Invalid age legend"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    arc_opts_rec saved = *arc_opts();
    c.damage(arc_opts(), dir);
    int code = arc_poly_validate(arc_opts());
    EXPECT_EQ(code, c.code);
    EXPECT_STREQ(arc_error_text(code), c.text);
    *arc_opts() = saved;
    tw_two_squares().write(dir);
  }
  EXPECT_STREQ(arc_error_text(-86), "ERROR: Select ARCS and/or TABLE creation");
  EXPECT_STREQ(arc_error_text(-82), "");
}

TEST_F(Units, EachPolygonIsDrawnOnceAndUnitsOutsideTheCoverageAreSkipped) {
  ASSERT_EQ(arc_cover_open(), 0);
  ASSERT_EQ(arc_opts()->plotted.size(), 5u);
  link_rec l = link("GEO", "UNIT", 3, link_own_key_name(TBL_DEF_UNIT), "2");
  EXPECT_EQ(arc_plot_unit_number(2, &l, nullptr), 1) << host_io_transcript();
  int drawn = entities();
  EXPECT_EQ(drawn, 2) << "one polyline and its hatch";
  EXPECT_EQ(arc_plot_unit_number(2, &l, nullptr), 0) << "a unit named twice is drawn once";
  for (long outside : {0L, 4L, 99L, -1L, 2147483647L}) EXPECT_EQ(arc_plot_unit_number(outside, &l, nullptr), -1);
  EXPECT_EQ(arc_plot_unit_number(3, &l, nullptr), 1);
  EXPECT_EQ(entities(), drawn + 3);
  EXPECT_EQ(arc_cover_close(), 0);
  EXPECT_EQ(arc_opts()->cover, nullptr);
  EXPECT_EQ(arc_plot_unit_number(2, &l, nullptr), -1) << "nothing is drawn after closing";
}

TEST_F(Units, OnlyAPolygonCoverageWithCompleteOptionsOpens) {
  arc_opts()->unitnum[0] = 0;
  EXPECT_EQ(arc_cover_open(), -1);
  strcpy(arc_opts()->unitnum, "UNIT.UNITNO");
  tw_cover arcs = tw_two_squares();
  arcs.pals.clear();
  std::filesystem::remove_all(dir);
  arcs.write(dir);
  EXPECT_EQ(arc_cover_open(), -1);
  EXPECT_EQ(arc_opts()->cover, nullptr);
  std::filesystem::remove_all(dir);
  tw_two_squares().write(dir);
  EXPECT_EQ(arc_cover_open(), 0);
}

/* Stands for the project's SQL session: rows of that session belong to it. */
int k_session;

/* A row of UNIT (BASENUMBER, UNITNO, AGE, the table's own key) with the
** given texts, of the session of k_session. */
sql_col_rec *unit_row(const char *basenumber, const char *unitno) {
  sql_col_rec *own = sql_col_new(link_own_key_name(TBL_DEF_UNIT), "UNIT", SQL_TYPE_CHAR, 20, 0);
  snprintf(own->text, 21, "%s", "U");
  sql_col_rec *base = sql_col_new("BASENUMBER", "UNIT", SQL_TYPE_NUMERIC, 20, 0);
  sql_col_rec *unit = sql_col_new("UNITNO", "UNIT", SQL_TYPE_NUMERIC, 20, 0);
  sql_col_rec *age = sql_col_new("AGE", "UNIT", SQL_TYPE_CHAR, 20, 0);
  snprintf(base->text, 21, "%s", basenumber);
  snprintf(unit->text, 21, "%s", unitno);
  snprintf(age->text, 21, "%s", "Qal");
  for (sql_col_rec *c : {base, unit, age, own}) {
    if (c->text[0]) c->null_ind = 0; /* an empty text stays null */
    c->connection = &k_session;
  }
  base->next = unit;
  unit->next = age;
  age->next = own;
  return base;
}

TEST_F(Units, RowsDrawTheirUnitOnceLinkedToTheRowAndBadUnitNumbersAreSkipped) {
  geo->connection = &k_session;
  ASSERT_EQ(arc_cover_open(), 0);
  sql_col_rec *a = unit_row("5", "2.00");
  sql_col_rec *again = unit_row("6", "2");
  sql_col_rec *far = unit_row("7", "99");
  sql_col_rec *text = unit_row("8", "2x");
  sql_col_rec *none = unit_row("9", "");
  EXPECT_EQ(arc_plot_unit_row(a), 1) << host_io_transcript();
  EXPECT_EQ(entities(), 2);
  EXPECT_EQ(arc_plot_unit_row(again), 0);
  EXPECT_EQ(arc_plot_unit_row(far), -1);
  EXPECT_EQ(arc_plot_unit_row(text), -1);
  EXPECT_EQ(arc_plot_unit_row(none), -1);
  EXPECT_EQ(entities(), 2);
  ads_name hatch;
  ASSERT_EQ(ads_entlast(hatch), RTNORM);
  link_rec got;
  ASSERT_EQ(link_xdata_get(&got, hatch), 0);
  EXPECT_STREQ(got.table, "UNIT");
  EXPECT_EQ(got.row_id, 5);
  for (sql_col_rec *r : {a, again, far, text, none}) sql_col_list_free(&r);
}

}  // namespace
