/*
** placements_e2e.cpp: placements from rows end to end. The module is
** loaded into the stand-in editor and logs on through the engine and the
** DB3 driver to a copy of the sample project GEO in
** <build>/e2e/placements/. STATN's point setup (UTM 10 NAD27) gets NAME as
** its symbol column and the map is set to "GEOGRAPHIC Clarke 1866"; the
** five stations placed in mode 1 show STN, NAME and ROCKTYPE, NAME at the
** converted point. The points go to to_map.csv, checked against PROJ's
** cs2cs by placements_check.py; a new row without coordinates is asked
** for its point and gets it back in its columns' format (checked the other
** way); a conversion without a path is reported. The folder stays after
** the run for inspection.
*/
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "coords/prj_list.h"
#include "core/col_attr.h"
#include "core/pjct.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "draw/map_params.h"
#include "geo_e2e.h"
#include "map/row_place.h"
#include "platform/host_io.h"

namespace {

/* The map's system and the stations' system. */
constexpr const char *kMapSystem = "GEOGRAPHIC Clarke 1866";
constexpr const char *kStationSystem = "UTM 10 NAD27";
/* The point picked for the new row: longitude, latitude. */
constexpr const char *kPicked = "-121.25,50.75";

class PlacementsEndToEnd : public GeoModuleTest {
 protected:
  const char *folder() const override { return "placements"; }

  void TearDown() override {
    sql_close_query(&stmt_, &cursor_, &row_);
    sql_col_list_free(&fresh_);
    GeoModuleTest::TearDown();
  }

  /* Lists the rules of STATN's columns in the project, so that rows
  ** selected later carry them (GEO has no PVCOLUMN of its own). */
  static void list_rules(pjct_rec *p, tbl_rec *t) {
    for (sql_col_rec *c = t->columns; c; c = c->next) {
      col_attr_rec *rule = c->attr;
      if (!rule || !(rule->flags & COL_ATTR_PLACEHOLDER)) continue;
      col_attr_set_flag(rule, 0xFFFF & ~COL_ATTR_PLACEHOLDER);
      rule->next = p->col_attrs;
      p->col_attrs = rule;
    }
  }

  void *stmt_ = nullptr, *cursor_ = nullptr;
  sql_col_rec *row_ = nullptr;     /* the stations' query row */
  sql_col_rec *fresh_ = nullptr;   /* a new row of STATN */
};

TEST_F(PlacementsEndToEnd, StationsArePlacedAtTheirConvertedPointsAndANewOneIsAskedFor) {
  pjct_rec *p = open_geo();
  ASSERT_NE(p, nullptr) << host_io_transcript();
  tbl_rec *statn = tbl_find_by_name(p->tables, "STATN", nullptr);
  ASSERT_NE(statn, nullptr);
  list_rules(p, statn);
  pnt_rec *setup = p->points;
  ASSERT_NE(setup, nullptr);
  ASSERT_NE(setup->projection, nullptr);
  EXPECT_EQ(std::string(setup->projection->name).find(kStationSystem), 0u);
  setup->sym_col = sql_col_find(statn->columns, "NAME", nullptr, nullptr);
  prj_rec *geographic = prj_find(kMapSystem, nullptr);
  ASSERT_NE(geographic, nullptr);
  map_params_set_projection(&g_map_params, geographic);

  ASSERT_GT(sql_query(p->connection, "SELECT * FROM STATN ORDER BY BASENUMBER", &stmt_, &cursor_, &row_, 0), 0);
  for (sql_col_rec *c = row_; c; c = c->next) {   /* named with their table, as the browser names them */
    snprintf(c->table, sizeof c->table, "STATN");
    c->attr = col_attr_find(p->col_attrs, c->name, "STATN", nullptr);
  }
  std::ofstream csv(dir_ / "to_map.csv");
  csv << "BASENUMBER,EASTING,NORTHING,X,Y\n";
  int rows = 0;
  do {
    sym_place_rec *sym = nullptr, *txt = nullptr;
    int ns = 0, nt = 0;
    ASSERT_EQ(row_alloc_placements(row_, &sym, &ns, &txt, &nt), 0);
    ASSERT_EQ(row_build_placements(row_, sym, &ns, txt, &nt, ROW_PLACE_ALL), 0);
    ASSERT_EQ(place_points_to_map(txt, nt, row_), 0);
    EXPECT_EQ(ns, 0);
    std::string shown;
    const sym_place_rec *name = nullptr;
    for (int i = 0; i < nt; i++) {
      shown += std::string(shown.empty() ? "" : ",") + txt[i].own_col->name;
      if (std::string(txt[i].own_col->name) == "NAME") name = &txt[i];
    }
    EXPECT_EQ(shown, "STN,NAME,ROCKTYPE");
    ASSERT_NE(name, nullptr);
    char line[256];
    auto text = [this](const char *c) { return std::string(sql_col_find(row_, c, nullptr, nullptr)->text); };
    snprintf(line, sizeof line, "%s,%s,%s,%.12f,%.12f\n", text("BASENUMBER").c_str(), text("EASTING").c_str(),
             text("NORTHING").c_str(), name->ins.x, name->ins.y);
    csv << line;
    EXPECT_STREQ(name->link.key_column, "NAME");
    free(sym);
    free(txt);
    rows++;
  } while (sql_fetch(cursor_, row_, SQL_FETCH_NEXT, SQL_FROM_CURRENT, 0) > 0);
  csv.close();
  EXPECT_EQ(rows, 5);

  /* A new station without coordinates is asked for its point. */
  ASSERT_GT(sql_describe_table(p->connection, "STATN", &fresh_, 0), 0);
  for (sql_col_rec *c = fresh_; c; c = c->next) snprintf(c->text, (size_t)sql_col_text_size(c), "0");
  host_io_clear_transcript();
  host_io_use_script_text(std::string(kPicked) + "\n");
  char messages[ROW_MSG_SIZE] = "";
  ASSERT_EQ(row_ask_points(fresh_, messages), 0) << messages;
  EXPECT_NE(host_io_transcript().find("\nSelect point for EASTING\n"), std::string::npos) << host_io_transcript();
  std::string easting = sql_col_find(fresh_, "EASTING", nullptr, nullptr)->text;
  std::string northing = sql_col_find(fresh_, "NORTHING", nullptr, nullptr)->text;
  std::ofstream(dir_ / "from_map.csv") << "LON,LAT,EASTING,NORTHING\n"
                                       << kPicked << "," << easting << "," << northing << "\n";
  EXPECT_EQ(python("data/place/placements_check.py", dir_.string()), "ok\n");

  /* A map system without a path to the stations' system is reported. */
  map_params_set_projection(&g_map_params, prj_find("USER", nullptr));
  for (sql_col_rec *c = fresh_; c; c = c->next) snprintf(c->text, (size_t)sql_col_text_size(c), "0");
  host_io_use_script_text("10,20\n");
  EXPECT_EQ(row_ask_points(fresh_, messages), -1);
  EXPECT_EQ(std::string(messages), "\nCould not transform EASTING from USER to UTM 10 NAD27");
  EXPECT_STREQ(sql_col_find(fresh_, "EASTING", nullptr, nullptr)->text, "0");
}

}  // namespace
