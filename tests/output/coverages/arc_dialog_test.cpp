/*
** arc_dialog_test.cpp: the coverage dialog pv_arcpoly scripted: refused
** without a map projection, its tiles' modes with and without a project,
** what OK leaves in the coverage options, cancel clearing them, and the
** Browse button putting the picked file's directory.
*/
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "output/cover_dialog_fixture.h"
#include "output/coverages/arc_dialog.h"
#include "output/coverages/arc_units.h"
#include "output/diagrams/diagram_road.h"
#include "platform/dialog/dialog_test_api.h"

namespace {

class ArcDialog : public CoverDialogTest {
 protected:
  void SetUp() override {
    CoverDialogTest::SetUp();
    tbl_rec *unit = table(geo, "UNIT", TBL_DEF_UNIT, {"UNITNO", "AGE", "LEGEND", "ROCK"});
    for (sql_col_rec *c = unit->columns; c; c = c->next)
      if (!strcmp(c->name, "AGE") || !strcmp(c->name, "LEGEND") || !strcmp(c->name, "ROCK")) {
        c->sql_type = SQL_TYPE_CHAR;
        col_attr_rec *r = col_attr_new();
        snprintf(r->column, sizeof r->column, "%s", c->name);
        snprintf(r->table, sizeof r->table, "%s", "UNIT");
        snprintf(r->dictionary, sizeof r->dictionary, "%s", "LEGENDS");
        r->next = geo->col_attrs;
        geo->col_attrs = r;
      }
  }
  /* The list index of UNIT.name among the offered columns. */
  int col(const char *name) {
    tbl_rec *t = tbl_find_by_name(geo->tables, "UNIT", nullptr);
    return diagram_column_index(geo, nullptr, tbl_column_find(t->columns, name, "UNIT", nullptr));
  }
  /* The answers choosing every tile validly (the project list given). */
  std::string valid(const std::string &project = "select project 0\n") {
    return project + "set covername " + dir.string() + "\nselect projection 0\nselect unitnum " +
           std::to_string(col("UNITNO")) + "\nselect alegend " + std::to_string(col("AGE")) +
           "\nselect mlegend " + std::to_string(col("LEGEND")) + "\nselect rocktype " +
           std::to_string(col("ROCK")) + "\n";
  }
  int run(const std::string &answers, pjct_rec *p = nullptr) {
    host_io_use_script_text("pv_arcpoly\n" + answers);
    return pv_arcpoly_dialog(p, nullptr);
  }
  dlg_tile_snapshot tile(const char *key) {
    dlg_tile_snapshot s;
    EXPECT_TRUE(dlg_test_last_tile("pv_arcpoly", key, s)) << key;
    return s;
  }
};

TEST_F(ArcDialog, WithoutMapProjectionTheDialogIsRefusedWithItsMessage) {
  g_map_params.projection = nullptr;
  EXPECT_EQ(run("cancel\n"), -1);
  EXPECT_NE(host_io_transcript().find("No Map Projection defined.\nUse Map Setup to assign a projection to the map."),
            std::string::npos)
      << host_io_transcript();
  dlg_tile_snapshot s;
  EXPECT_FALSE(dlg_test_last_tile("pv_arcpoly", "project", s)) << "the dialog must not open";
}

TEST_F(ArcDialog, WithoutAProjectOnlyTheProjectListAndCancelCanBeUsed) {
  EXPECT_EQ(run("cancel\n"), -1);
  for (const char *key : {"cover", "covername", "projection", "unitnum", "alegend", "mlegend", "rocktype", "arcnum",
                          "arcs", "table", "accept", "symbol"})
    EXPECT_FALSE(tile(key).enabled) << key;
  EXPECT_TRUE(tile("project").enabled);
  EXPECT_TRUE(tile("cancel").enabled);
}

TEST_F(ArcDialog, SymbolIsEnabledOnlyOnceAUnitColumnOrArcsIsChosen) {
  EXPECT_EQ(run("select project 0\ncancel\n"), -1);
  EXPECT_TRUE(tile("accept").enabled);
  EXPECT_FALSE(tile("symbol").enabled);
  EXPECT_EQ(run("select project 0\nselect unitnum " + std::to_string(col("UNITNO")) + "\ncancel\n"), -1);
  EXPECT_TRUE(tile("symbol").enabled);
}

TEST_F(ArcDialog, OkKeepsTheChoicesAndCoverageFirstWordOnly) {
  ASSERT_EQ(run(valid() + "set covername " + dir.string() + " trailing words\nok\n"), 0) << host_io_transcript();
  const arc_opts_rec *o = arc_opts();
  EXPECT_EQ(o->project, geo);
  EXPECT_STREQ(o->covername, dir.string().c_str());
  EXPECT_EQ(o->projection, prj_list_head());
  EXPECT_STREQ(o->unitnum, "UNIT.UNITNO");
  EXPECT_STREQ(o->alegend, "UNIT.AGE");
  EXPECT_STREQ(o->mlegend, "UNIT.LEGEND");
  EXPECT_STREQ(o->rocktype, "UNIT.ROCK");
  EXPECT_EQ(arc_opts_complete(o), 1);
}

TEST_F(ArcDialog, AGivenProjectIsFixedAndCancelClearsTheOptions) {
  EXPECT_EQ(run(valid("") + "cancel\n", geo), -1);
  EXPECT_FALSE(tile("project").enabled);
  EXPECT_EQ(tile("project").value, "0");
  EXPECT_EQ(arc_opts()->project, nullptr);
  EXPECT_STREQ(arc_opts()->unitnum, "");
}

TEST_F(ArcDialog, BrowsePutsThePickedFilesDirectoryCutTo255Characters) {
  EXPECT_EQ(run("select project 0\npick cover\n/data/maps/geology/pal.adf\ncancel\n"), -1);
  EXPECT_EQ(tile("covername").value, "/data/maps/geology/");
  std::string deep = "/" + std::string(300, 'd') + "/pal.adf";
  EXPECT_EQ(run("select project 0\npick cover\n" + deep + "\ncancel\n"), -1);
  EXPECT_EQ(tile("covername").value, deep.substr(0, 255));
}

TEST_F(ArcDialog, ARefusedChoiceKeepsTheDialogOpenWithItsMessage) {
  EXPECT_EQ(run(valid() + "select unitnum " + std::to_string(col("AGE")) + "\nok\ncancel\n"), -1);
  EXPECT_EQ(tile("error").value, "ERROR: Invalid map unit number - must be numeric");
}

}  // namespace
