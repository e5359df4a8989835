/*
** pie_dialog_test.cpp: the dialog pv_piediagram scripted over a row of a
** STATION table: refused without map projection or point columns, its
** checks and their messages in order, the palette buttons, the modes of
** the proportional toggles, and what accepting does with the project's
** saved definitions (new, replaced, kept under its name, deleted) and
** with the pie's symbol setup.
*/
#include <gtest/gtest.h>

#include <string>

#include "output/diagrams/pie_diagram.h"
#include "platform/dialog/dialog_test_api.h"
#include "output/survey_fixture.h"

namespace {

class PieDialog : public SurveyTest {
 protected:
  void SetUp() override {
    SurveyTest::SetUp();
    load_dialogs();
    make_row({{"CU", "1"}, {"ZN", "2"}, {"PB", "3"}, {"ROCK", "GRANITE"}});
  }
  void TearDown() override {
    pie_state_clear();
    unload_dialogs();
    SurveyTest::TearDown();
  }
  int run(const std::string &answers) {
    host_io_use_script_text("pv_piediagram\n" + answers);
    return pv_piediagram_dialog(row_);
  }
  /* "select KEY i j ..." with the row indexes of the named columns. */
  static std::string select(const char *key, std::vector<const char *> names) {
    std::string s = std::string("select ") + key;
    for (const char *n : names) s += " " + std::to_string(index_of(n));
    return s + "\n";
  }
  dlg_tile_snapshot tile(const char *key) {
    dlg_tile_snapshot s;
    EXPECT_TRUE(dlg_test_last_tile("pv_piediagram", key, s)) << key;
    return s;
  }
  /* A saved definition of the project with inside columns. */
  pie_rec *saved(const char *name, std::vector<const char *> inside) {
    pie_rec *p = pie_new();
    snprintf(p->name, sizeof p->name, "%s", name);
    p->radius = 2;
    p->circle = 1;
    p->in_width = 30;
    for (const char *c : inside) pie_col_append(&p->inside, column(c));
    p->next = geo_->pies;
    geo_->pies = p;
    return p;
  }
  static int count(const pie_rec *p) {
    int n = 0;
    for (; p; p = p->next) n++;
    return n;
  }
};

}  // namespace

TEST_F(PieDialog, IsNotShownWithoutMapProjectionOrPointColumns) {
  g_map_params.projection = nullptr;
  EXPECT_EQ(run("cancel\n"), -1);
  EXPECT_NE(host_io_transcript().find("No map coordinates present.\nUse DU-ZOREZ to setup map."), std::string::npos);
  g_map_params.projection = &user_;
  for (const char *axis : {"X", "Y"}) column(axis)->attr->flags &= (uint16_t)~COL_ATTR_POINT;
  EXPECT_EQ(run("cancel\n"), -1);
  EXPECT_NE(host_io_transcript().find("No coordinates present. Cannot plot."), std::string::npos);
  dlg_tile_snapshot s;
  EXPECT_FALSE(dlg_test_last_tile("pv_piediagram", "pie_name", s)) << "the dialog must not open";
  EXPECT_EQ(pv_piediagram_dialog(nullptr), -2);
}

TEST_F(PieDialog, ChecksStopAtTheFirstFailureWithItsMessage) {
  saved("ASSAY", {"CU"});
  std::string three = select("pie_ins", {"CU", "ZN", "PB"});
  struct {
    std::string answers;
    const char *message;
  } cases[] = {
      {"set pie_name assay\nset pie_rad 0\n" + three, "ERROR: Name already in use"},
      {"set pie_rad 0\n", "ERROR: Invalid radius"},
      {"set pie_rad 1\n", "ERROR: No columns selected"},
      {"set pie_rad 1\n" + select("pie_ins", {"CU", "ZN", "PB", "AG", "AU"}) +
           select("pie_out", {"AS", "SB", "BI", "CO"}),
       "ERROR: More than 8 columns selected"},
      {"set pie_rad 1\nset pie_ins_len 1.5\n" + three, "ERROR: Inside length greater than radius"},
      {"set pie_rad 1\npick pie_ins_len_prp\n" + select("pie_ins", {"CU", "ROCK"}), "ERROR: ST.ROCK is non-numeric"},
      {"set pie_rad 1\nset pie_ins_wid 130\n" + three, "ERROR: Inside width > 120.0 degrees"},
      {"set pie_rad 1\npick pie_ins_wid_prp\n" + select("pie_ins", {"ROCK"}), "ERROR: ST.ROCK is non-numeric"},
      {"set pie_rad 1\nset pie_out_len 2\n" + three, "ERROR: Outside length greater than radius"},
      {"set pie_rad 1\nset pie_out_wid 100\n" + three + select("pie_out", {"AG"}),
       "ERROR: Outside width > 90.0 degrees"},
      {"set pie_rad 1\n" + three + select("pie_out", {"AG", "ZN"}), "ERROR: ST.ZN is inside and outside"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(run(c.answers + "ok\ncancel\n"), -1) << c.message;
    EXPECT_EQ(tile("error").value, c.message);
  }
  EXPECT_EQ(count(geo_->pies), 1) << "a refused accept saves nothing";
}

TEST_F(PieDialog, EightColumnsAreAcceptedAndAnUnnamedPieIsPlottedWithoutBeingSaved) {
  ASSERT_EQ(run("set pie_rad 1\n" + select("pie_ins", {"CU", "ZN", "PB", "AG"}) +
                select("pie_out", {"AU", "AS", "SB", "BI"}) + "ok\n"),
            0);
  EXPECT_EQ(g_pie.ring[PIE_INSIDE].count + g_pie.ring[PIE_OUTSIDE].count, 8);
  EXPECT_EQ(g_pie.row, row_) << "the state is kept for the plot";
  EXPECT_EQ(geo_->pies, nullptr);
  EXPECT_EQ(geo_->flags & PJCT_CHG_PIES, 0u);
}

TEST_F(PieDialog, PaletteButtonsNeedExactlyOneColumnChosen) {
  EXPECT_EQ(run("pick pie_ins_pal\ncancel\n"), -1);
  EXPECT_EQ(tile("error").value, "ERROR: No column selected");
  EXPECT_EQ(run(select("pie_out", {"CU", "ZN"}) + "pick pie_out_pal\ncancel\n"), -1);
  EXPECT_EQ(tile("error").value, "ERROR: More than one column selected");
  dlg_tile_snapshot s;
  EXPECT_FALSE(dlg_test_last_tile("pv_symsetup", "sym_lay_chc", s));
  EXPECT_EQ(run(select("pie_ins", {"CU"}) + "pick pie_ins_pal\npv_symsetup\ncancel\ncancel\n"), -1);
  EXPECT_TRUE(dlg_test_last_tile("pv_symsetup", "sym_lay_chc", s)) << "the column's own setup is edited";
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(PieDialog, ProportionalTogglesEmptyAndDisableTheirTilesAndTheMaximumNeedsOne) {
  EXPECT_EQ(run("set pie_ins_wid 30\nset pie_max_prp 5\ncancel\n"), -1);
  EXPECT_FALSE(tile("pie_max_prp").enabled);
  EXPECT_TRUE(tile("pie_ins_wid").enabled);
  EXPECT_EQ(run("set pie_ins_wid 30\npick pie_ins_wid_prp\nset pie_max_prp 5\ncancel\n"), -1);
  EXPECT_FALSE(tile("pie_ins_wid").enabled);
  EXPECT_EQ(tile("pie_ins_wid").value, "");
  EXPECT_TRUE(tile("pie_ins_len").enabled);
  EXPECT_TRUE(tile("pie_max_prp").enabled);
  EXPECT_EQ(tile("pie_max_prp").value, "5");
}

TEST_F(PieDialog, AcceptingANamedPieSavesItNewestFirstWithItsRegisteredColumnsAndRenamesTheSetup) {
  saved("OLD", {"CU"});
  sym_rec *s = sym_new();
  sym_set_text(&s->item_name, PIE_SETUP_NAME);
  s->owner_kind = SYM_OWNER_COLUMN;
  s->next = geo_->symbols;
  geo_->symbols = s;
  ASSERT_EQ(run("set pie_name  ASSAYS \nset pie_rad 2\npick pie_circle\npick pie_ins_wid_prp\n" +
                select("pie_ins", {"CU", "ZN", "PB"}) + "set pie_neg -1\nok\n"),
            0);
  ASSERT_EQ(count(geo_->pies), 2);
  const pie_rec *p = geo_->pies;
  EXPECT_STREQ(p->name, "ASSAYS");
  EXPECT_STREQ(p->absent, "-1");
  EXPECT_EQ(p->circle, 0) << "unticked for the saved definition";
  EXPECT_EQ(g_pie.circle, 0) << "and for the plot";
  EXPECT_FLOAT_EQ(p->radius, 2);
  EXPECT_EQ(p->in_width_prop, 1);
  std::string cols;
  for (const pie_col_rec *c = p->inside; c; c = c->next) cols += std::string(c->column->name) + " ";
  EXPECT_EQ(cols, "CU ZN PB ");
  EXPECT_EQ(p->inside->column, column("CU")) << "the registered table's column, not the row's";
  EXPECT_EQ(p->outside, nullptr);
  EXPECT_TRUE(geo_->flags & PJCT_CHG_PIES);
  EXPECT_STREQ(s->item_name, "ASSAYS");
  EXPECT_EQ(s->owner_kind, SYM_OWNER_NONE);
  EXPECT_TRUE(geo_->flags & PJCT_CHG_SYMBOLS);
}

TEST_F(PieDialog, PickingASavedPieShowsItAndAcceptingUnderANewNameReplacesIt) {
  saved("OTHER", {"AG"});
  saved("ASSAY", {"CU", "ZN"});
  ASSERT_EQ(run("select pie_saved 0\nset pie_name RENAMED\nok\n"), 0);
  ASSERT_EQ(count(geo_->pies), 2);
  EXPECT_STREQ(geo_->pies->name, "RENAMED");
  EXPECT_STREQ(geo_->pies->next->name, "OTHER");
  EXPECT_EQ(tile("pie_rad").value, "2.000");
  EXPECT_EQ(tile("pie_ins_wid").value, "30.000");
  EXPECT_EQ(tile("pie_saved").items.back(), "  ");
  EXPECT_EQ(g_pie.ring[PIE_INSIDE].count, 2);
  EXPECT_EQ(g_pie.ring[PIE_INSIDE].columns[1], index_of("ZN"));
}

TEST_F(PieDialog, BlankNameDeletesThePickedPieOnYesAndKeepsItOnNo) {
  saved("ASSAY", {"CU"});
  ASSERT_EQ(run("select pie_saved 0\nset pie_name \nset pie_rad 3\nok\npv_yesno_small\npick no\n"), 0);
  ASSERT_EQ(count(geo_->pies), 1);
  EXPECT_STREQ(geo_->pies->name, "ASSAY");
  EXPECT_FLOAT_EQ(geo_->pies->radius, 3) << "saved again from the dialog";
  geo_->flags = 0;
  ASSERT_EQ(run("select pie_saved 0\nset pie_name \nok\npv_yesno_small\nok\n"), 0);
  EXPECT_EQ(geo_->pies, nullptr);
  EXPECT_TRUE(geo_->flags & PJCT_CHG_PIES) << "the deletion must reach the setup table";
}

TEST_F(PieDialog, CancelForgetsTheRowAndTheSettings) {
  EXPECT_EQ(run("set pie_rad 1\n" + select("pie_ins", {"CU"}) + "cancel\n"), -1);
  EXPECT_EQ(g_pie.row, nullptr);
  EXPECT_EQ(g_pie.ring[PIE_INSIDE].count, 0);
  EXPECT_EQ(g_pie.saved, -1);
  EXPECT_EQ(g_pie.circle, 1);
}

TEST_F(PieDialog, SymbolButtonEditsThePiesSetupOrADefaultOnItsLayer) {
  EXPECT_EQ(run("pick symbol\npv_symsetup\ncancel\ncancel\n"), -1);
  dlg_tile_snapshot layer;
  ASSERT_TRUE(dlg_test_last_tile("pv_symsetup", "sym_lay_chc", layer));
  EXPECT_EQ(layer.value, PIE_SETUP_NAME);
  saved("ASSAY", {"CU"});
  sym_rec *s = sym_new();
  sym_set_text(&s->item_name, "ASSAY");
  snprintf(s->layer, sizeof s->layer, "ASSAYS");
  s->next = geo_->symbols;
  geo_->symbols = s;
  EXPECT_EQ(run("select pie_saved 0\npick symbol\npv_symsetup\ncancel\ncancel\n"), -1);
  ASSERT_TRUE(dlg_test_last_tile("pv_symsetup", "sym_lay_chc", layer));
  EXPECT_EQ(layer.value, "ASSAYS") << "the setup named like the picked definition";
}
