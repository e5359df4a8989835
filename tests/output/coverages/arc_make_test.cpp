/*
** arc_make_test.cpp: the arc command's parts that need no database: the
** validation of pv_arc in its order, the coverage refused with fewer than
** two polygons, the definition of ARCS, the arcs' placement from the setup
** ARC_INFO_ARCS, and the dialog pv_arc scripted (its symbol button, the
** overwrite question only when ARCS is registered).
*/
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>

#include "coords/prj_list.h"
#include "core/sym_setup.h"
#include "output/cover_dialog_fixture.h"
#include "data/tblsetup.h"
#include "draw/map_params.h"
#include "draw/sym_place.h"
#include "map/draw_fixture.h"
#include "output/coverages/arc_dialog.h"
#include "output/coverages/arc_legend.h"
#include "output/coverages/arc_make.h"
#include "output/coverages/arc_units.h"
#include "platform/dialog/dialog_test_api.h"

namespace {

class ArcMake : public CoverDialogTest {
 protected:
  std::filesystem::path one;
  void SetUp() override {
    CoverDialogTest::SetUp();
    one = test_dir("pv_arc_make_one_");
    tw_one_polygon().write(one);
  }
  void TearDown() override {
    sym_list_free(&geo->symbols);
    std::filesystem::remove_all(one);
    CoverDialogTest::TearDown();
  }
  /* Options that pass the validation. */
  arc_opts_rec valid() {
    arc_opts_rec o;
    o.project = geo;
    std::snprintf(o.covername, sizeof o.covername, "%s", dir.c_str());
    o.projection = prj_list_head();
    o.table = 1;
    return o;
  }
  int run(const std::string &answers) {
    host_io_use_script_text("pv_arc\n" + answers);
    return pv_arc_dialog(nullptr, nullptr);
  }
  dlg_tile_snapshot tile(const char *key) {
    dlg_tile_snapshot s;
    EXPECT_TRUE(dlg_test_last_tile("pv_arc", key, s)) << key;
    return s;
  }
};

TEST_F(ArcMake, ValidationRefusesInItsOrder) {
  struct {
    const char *what;
    void (*spoil)(arc_opts_rec &o);
    int code;
  } cases[] = {
      {"no project", [](arc_opts_rec &o) { o.project = nullptr; o.covername[0] = 0; }, ARC_ERR_PROJECT},
      {"blank coverage", [](arc_opts_rec &o) { std::strcpy(o.covername, "   "); o.projection = nullptr; },
       ARC_ERR_COVERAGE},
      {"no projection", [](arc_opts_rec &o) { o.projection = nullptr; o.table = 0; }, ARC_ERR_PROJECTION},
      {"neither arcs nor table", [](arc_opts_rec &o) { o.table = 0; std::strcat(o.covername, "x"); },
       ARC_ERR_ARCS_OR_TABLE},
      {"no PAL", [](arc_opts_rec &o) { std::strcat(o.covername, "/nowhere"); }, ARC_ERR_COVERAGE},
      {"valid", [](arc_opts_rec &) {}, 0},
  };
  for (auto &c : cases) {
    arc_opts_rec o = valid();
    c.spoil(o);
    EXPECT_EQ(arc_make_validate(&o), c.code) << c.what;
  }
}

TEST_F(ArcMake, TheCoverageNameGetsItsSeparatorOnceAndAFullNameIsRefused) {
  arc_opts_rec o = valid();
  ASSERT_EQ(arc_make_validate(&o), 0);
  EXPECT_EQ(std::string(o.covername), dir.string() + "/");
  ASSERT_EQ(arc_make_validate(&o), 0);
  EXPECT_EQ(std::string(o.covername), dir.string() + "/");
  std::memset(o.covername, 'd', sizeof o.covername - 1);
  o.covername[sizeof o.covername - 1] = '\0';
  EXPECT_EQ(arc_make_validate(&o), ARC_ERR_COVERAGE);
  EXPECT_EQ(std::strlen(o.covername), sizeof o.covername - 1);
}

TEST_F(ArcMake, ACoverageOfFewerThanTwoPolygonsIsRefusedWithItsAlert) {
  arc_opts_rec *o = arc_opts();
  *o = valid();
  std::snprintf(o->covername, sizeof o->covername, "%s", one.c_str());
  host_io_use_script_text("pv_alert_wrap\nok\n");   /* the message names the coverage by its path */
  EXPECT_EQ(arc_make_open_cover(o), -1);
  EXPECT_EQ(o->cover, nullptr);
  std::string shown = host_io_transcript();
  dlg_tile_snapshot lines;
  if (dlg_test_last_tile("pv_alert_wrap", "lines", lines))
    for (const std::string &l : lines.items) shown += l;
  auto bare = [](std::string t) {
    t.erase(std::remove_if(t.begin(), t.end(), [](unsigned char c) { return std::isspace(c); }), t.end());
    return t;
  };
  const std::string want = "ERROR: invalid ArcInfo coverage " + one.string() + ": " + one.string() +
                           " holds 1 polygon, at least 2 needed (the universe and one more)";
  EXPECT_NE(bare(shown).find(bare(want)), std::string::npos) << shown;
  host_io_use_script_text("");
  std::snprintf(o->covername, sizeof o->covername, "%s", dir.c_str());
  ASSERT_EQ(arc_make_open_cover(o), 0);
  EXPECT_EQ(o->cover->npolygons, 3);
}

TEST_F(ArcMake, TheTableHoldsNineIntegersAndTheContactType) {
  tblsetup_table_node *t = arc_arcs_definition();
  ASSERT_NE(t, nullptr);
  EXPECT_STREQ(t->name, "ARCS");
  std::string got;
  for (tblsetup_column_node *c = t->columns; c; c = c->next)
    got += std::string(c->name) + ":" + std::to_string(c->type) + ":" + std::to_string(c->length) + " ";
  EXPECT_EQ(got, "ARC_NUM:3:8 REC_SIZE:3:8 ARC_ID:3:8 FROM_NODE:3:8 TO_NODE:3:8 LEFT_POLY:3:8 RIGHT_POLY:3:8 "
                 "NUM_VERTEX:3:8 ARC_UNIQUE:3:8 ARC_TYPE:0:32 ");
  EXPECT_EQ(t->column_count, 10);
  tblsetup_table_free(t);
}

TEST_F(ArcMake, TheArcsAreDrawnWithTheSetupsLayerScaleAndColourElseByName) {
  sym_place_rec p;
  arc_arcs_placement(geo, &p);
  EXPECT_STREQ(p.name, "ARC_INFO_ARCS");
  EXPECT_EQ(p.layer, nullptr);
  EXPECT_EQ(p.colour, SYM_PLACE_COLOUR_NONE);
  sym_rec *s = sym_new();
  sym_set_text(&s->item_name, "arc_info_arcs");
  std::snprintf(s->layer, sizeof s->layer, "CONTACTS");
  s->scale = 2.5f;
  s->colour = 3;
  s->next = geo->symbols;
  geo->symbols = s;
  arc_arcs_placement(geo, &p);
  EXPECT_STREQ(p.layer, "CONTACTS");
  EXPECT_DOUBLE_EQ(p.size, 2.5);
  EXPECT_EQ(p.colour, 3);
}

TEST_F(ArcMake, SymbolWaitsForArcsOrTableAndOkAsksOnlyWhenArcsIsRegistered) {
  std::string answers = "select project 0\nset covername " + dir.string() + "\nselect projection 0\n";
  EXPECT_EQ(run(answers + "cancel\n"), -1);
  EXPECT_FALSE(tile("symbol").enabled);
  EXPECT_EQ(run(answers + "pick table\nok\n"), 0) << host_io_transcript();
  EXPECT_TRUE(tile("symbol").enabled);
  EXPECT_EQ(arc_opts()->table, 1);
  EXPECT_EQ(arc_opts()->arcs, 0);
  table(geo, "ARCS", TBL_DEF_BOUNDARY);
  /* No keeps the dialog open; Yes ends it */
  EXPECT_EQ(run(answers + "pick arcs\nok\npv_yesno_small\npick no\ncancel\n"), -1);
  EXPECT_EQ(run(answers + "pick arcs\nok\npv_yesno_small\nok\n"), 0);
  EXPECT_EQ(host_io_faults().size(), 0u);
}

}  // namespace

namespace {

TEST_F(ArcMake, WithoutAMapProjectionNeitherCommandOpensItsDialog) {
  g_map_params.projection = nullptr;
  host_io_use_script_text("");
  EXPECT_EQ(pv_arcmake(nullptr), 5100);
  EXPECT_EQ(pv_arclegend(nullptr), 5100);
  const std::string &t = host_io_transcript();
  EXPECT_NE(t.find("Petrivex ERROR:\nNo Map Projection defined.\nUse Map Setup to assign a projection to the map."),
            std::string::npos)
      << t;
  EXPECT_NE(t.find("Petrivex ERROR:\nERROR: no map projection defined"), std::string::npos) << t;
  dlg_tile_snapshot s;
  EXPECT_FALSE(dlg_test_last_tile("pv_arc", "project", s));
  EXPECT_FALSE(dlg_test_last_tile("pv_arcpoly", "project", s));
  EXPECT_EQ(host_io_faults().size(), 0u);
}

}  // namespace
