/*
** pnt_setup_test.cpp: the point setup dialog on GEO's STATN run from
** scripts: the list line of the stored setup, the checks and the column
** conflicts, modify and delete moving the input rules' links, and the
** setups written to PVPOINT and read back at the next logon.
*/
#include <gtest/gtest.h>

#include <string>

#include "coords/prj_list.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/tbl.h"
#include "data/pnt_dialog.h"
#include "geo_fixture.h"

namespace {

/* Positions of STATN's columns in its lists; the blank line follows. */
constexpr int NAME = 2, EASTING = 3, NORTHING = 4, ELEV = 5, BLANK = 7;

class PntSetup : public GeoTest {
 protected:
  void SetUp() override {
    GeoTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_NE(prj_find("UTM 10 NAD27", &utm_), nullptr);
  }

  /* Runs the dialog on STATN with the answers (the dialog is left with
  ** exit) and answers the error tile as it ended. */
  std::string run(const std::string &answers) {
    host_io_use_script_text("pv_pntsetup\n" + answers + "cancel\n");
    EXPECT_EQ(pv_pntsetup_dialog(geo_, "STATN"), 0);
    EXPECT_TRUE(host_io_faults().empty()) << host_io_faults()[0];
    return tile("pv_pntsetup", "error").value;
  }

  /* Answers filling the form: X, Y, Z columns and the system. */
  std::string form(int x, int y, int z) const {
    return "set pnt_xcol " + std::to_string(x) + "\nset pnt_ycol " + std::to_string(y) + "\nset pnt_zcol " +
           std::to_string(z) + "\nset pnt_proj " + std::to_string(utm_) + "\n";
  }

  /* The rule of a STATN column points at the setup as a point column. */
  bool tied(const char *name, const pnt_rec *setup) const {
    col_attr_rec *a = column(name)->attr;
    return a && a->point == setup && (a->flags & COL_ATTR_POINT);
  }
  /* The rule of a STATN column is no point column and names no setup. */
  bool untied(const char *name) const {
    col_attr_rec *a = column(name)->attr;
    return !a || (!a->point && !(a->flags & COL_ATTR_POINT));
  }

  int utm_ = -1;   /* index of "UTM 10 NAD27" in the system list */
};

TEST_F(PntSetup, TheStoredSetupIsListedInItsFixedColumnsAndShownInTheForm) {
  run("select pnt_list 0\n");
  dlg_tile_snapshot list = tile("pv_pntsetup", "pnt_list");
  ASSERT_EQ(list.items.size(), 1u);
  EXPECT_EQ(list.items[0], "EASTING   \tNORTHING  \tELEV      \tUTM 10 NAD27               \t          ");
  EXPECT_EQ(tile("pv_pntsetup", "pnt_tblname").value, "STATN");
  EXPECT_EQ(tile("pv_pntsetup", "pnt_xcol").value, std::to_string(EASTING));
  EXPECT_EQ(tile("pv_pntsetup", "pnt_zcol").value, std::to_string(ELEV));
  EXPECT_EQ(tile("pv_pntsetup", "pnt_symbol").value, std::to_string(BLANK)) << "no symbol column";
  EXPECT_EQ(tile("pv_pntsetup", "pnt_symbol").items.back(), "    ");
  EXPECT_EQ(tile("pv_pntsetup", "pnt_proj").value, std::to_string(utm_));
}

TEST_F(PntSetup, FaultyFormsAreRefusedWithTheFirstFaultAndAddNothing) {
  const struct {
    std::string answers;
    const char *message;
  } cases[] = {
      {"", "No X column specified"},
      {form(NAME, NORTHING, BLANK), "X column must be numeric"},
      {form(EASTING, BLANK, BLANK), "No Y column specified"},
      {form(EASTING, NAME, BLANK), "Y column must be numeric"},
      {form(EASTING, NORTHING, NAME), "Z column must be numeric"},
      {form(EASTING, EASTING, BLANK), "X and Y columns identical"},
      {form(EASTING, NORTHING, EASTING), "X and Z columns identical"},
      {form(EASTING, NORTHING, NORTHING), "Y and Z columns identical"},
      {"set pnt_xcol 3\nset pnt_ycol 4\n", "No projection specified"},
      {form(ELEV, EASTING, BLANK), "ERROR: X,Y or Z column already used"},
      {form(0, 1, ELEV), "ERROR: X,Y or Z column already used"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(run(c.answers + "pick insert\n"), c.message) << c.answers;
    EXPECT_EQ(geo_->points->next, nullptr) << c.answers;
  }
}

TEST_F(PntSetup, ModifyMovesTheRuleLinksAndDeleteLeavesNoRulePointingAtTheSetup) {
  pnt_rec *stored = geo_->points;
  ASSERT_TRUE(tied("ELEV", stored));
  geo_->flags &= ~PJCT_CHG_POINTS;

  EXPECT_EQ(run("select pnt_list 0\npick modify\n"), "") << "unchanged columns are no conflict with itself";
  EXPECT_EQ(run("select pnt_list 0\nset pnt_zcol 7\npick modify\n"), "");
  ASSERT_EQ(geo_->points, stored) << "modified in place";
  EXPECT_EQ(stored->z_col, nullptr);
  EXPECT_EQ(stored->z_index, -1);
  EXPECT_TRUE(untied("ELEV")) << "the dropped Z column's rule is released";
  EXPECT_TRUE(tied("EASTING", stored));
  EXPECT_TRUE(tied("NORTHING", stored));
  EXPECT_NE(geo_->flags & PJCT_CHG_POINTS, 0u);
  EXPECT_EQ(tile("pv_pntsetup", "pnt_list").value, "0");

  geo_->flags &= ~PJCT_CHG_POINTS;
  EXPECT_EQ(run("select pnt_list 0\npick delete\n"), "");
  EXPECT_EQ(geo_->points, nullptr);
  EXPECT_TRUE(tile("pv_pntsetup", "pnt_list").items.empty());
  for (const char *name : {"EASTING", "NORTHING", "ELEV"}) EXPECT_TRUE(untied(name)) << name;
  EXPECT_NE(geo_->flags & PJCT_CHG_POINTS, 0u);

  EXPECT_EQ(run(form(EASTING, NORTHING, BLANK) + "pick insert\n"), "");
  pnt_rec *again = geo_->points;
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(tied("EASTING", again));
  EXPECT_TRUE(tied("NORTHING", again));
  EXPECT_TRUE(untied("ELEV"));
  EXPECT_EQ(again->x_index, EASTING);
  EXPECT_EQ(again->y_index, NORTHING);
  EXPECT_EQ(again->z_index, -1);
  EXPECT_EQ(tile("pv_pntsetup", "pnt_list").value, "0") << "the new setup is selected";
}

TEST_F(PntSetup, ModifyRefusesColumnsOfAnotherSetupAndNothingChanges) {
  EXPECT_EQ(run(form(0, 1, BLANK) + "pick insert\n"), "");
  ASSERT_NE(geo_->points->next, nullptr);
  /* The list holds the new setup first; the stored one is line 1. */
  EXPECT_EQ(run("select pnt_list 1\nset pnt_ycol 0\npick modify\n"), "ERROR: X,Y or Z column already used");
  EXPECT_EQ(geo_->points->next->y_col, column("NORTHING"));
  EXPECT_TRUE(tied("NORTHING", geo_->points->next));
}

TEST_F(PntSetup, TheSetupsAreSavedToPvpointAndReadBackAtTheNextLogon) {
  EXPECT_EQ(run("select pnt_list 0\nset pnt_zcol 7\nset pnt_symbol 2\npick modify\n"), "");
  host_io_use_script_text("pv_yesno_small\nok\n");
  ads_relrb(call("pv_save", {}));
  ads_relrb(call("pv_logoff", {"GEO"}));
  logon();
  ASSERT_NE(geo_->points, nullptr);
  EXPECT_EQ(geo_->points->next, nullptr);
  EXPECT_EQ(geo_->points->x_col, column("EASTING"));
  EXPECT_EQ(geo_->points->z_col, nullptr);
  EXPECT_EQ(geo_->points->sym_col, column("NAME"));
  EXPECT_EQ(geo_->points->projection, prj_at(utm_));
  EXPECT_TRUE(untied("ELEV"));
}

TEST_F(PntSetup, TheDialogRefusesMissingAndUnregisteredTables) {
  EXPECT_EQ(pv_pntsetup_dialog(nullptr, "STATN"), -2);
  EXPECT_EQ(pv_pntsetup_dialog(geo_, "   "), -2);
  EXPECT_EQ(pv_pntsetup_dialog(geo_, "ROCKS"), -1);
}

}  // namespace
