/*
** row_e2e.cpp: the row editor end to end. The module is loaded into the
** stand-in editor and logs on through the engine and the DB3 driver to a
** copy of the sample project GEO made in <build>/e2e/row_editor/ (which
** has no PVCOLUMN: its key flags and numbers are read when a row is first
** added). A new station is entered and inserted after a taken number was
** refused; the stations are walked to both ends; a walked row's name is
** written after the question; the name column's input rule is edited from
** the editor. STATN is read back with python3-dbfread. The folder stays after the
** run for inspection.
*/
#include <gtest/gtest.h>

#include <string>

#include "core/col_attr.h"
#include "core/pjct.h"
#include "core/pv_globals.h"
#include "core/row_state.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "data/row_edit.h"
#include "geo_e2e.h"
#include "platform/dialog/dialog_test_api.h"
#include "platform/host_io.h"

namespace {

class RowEditorEndToEnd : public GeoModuleTest {
 protected:
  const char *folder() const override { return "row_editor"; }

  void TearDown() override {
    sql_close_query(&stmt_, &cursor_, &row_);
    GeoModuleTest::TearDown();
  }

  /* STATN as python3-dbfread reads it: "BASENUMBER|STN|NAME" lines. */
  std::string dump() {
    return python("data/row/row_dump.py", (dir_ / "GEO" / "STATN.DBF").string() + " BASENUMBER STN NAME");
  }

  /* A tile of the row editor that ended last. */
  static std::string tile(const char *key) {
    dlg_tile_snapshot t;
    EXPECT_TRUE(dlg_test_last_tile("pv_edit_col", key, t)) << key;
    return t.value;
  }

  /* Runs the editor on the stations in BASENUMBER order, in edit mode,
  ** with answers; the query's columns are named with their table as the
  ** browser names them. */
  int walk(pjct_rec *p, const std::string &answers) {
    sql_close_query(&stmt_, &cursor_, &row_);
    EXPECT_GT(sql_query(p->connection, "SELECT * FROM STATN ORDER BY BASENUMBER", &stmt_, &cursor_, &row_, 0), 0);
    for (sql_col_rec *c = row_; c; c = c->next) {
      snprintf(c->table, sizeof c->table, "STATN");
      c->attr = col_attr_find(p->col_attrs, c->name, "STATN", nullptr);
    }
    g_cur_row = 0;
    host_io_use_script_text(answers);
    return pv_edit_col_dialog(stmt_, cursor_, row_, 0, 0, 0, 1);
  }

  void *stmt_ = nullptr, *cursor_ = nullptr;
  sql_col_rec *row_ = nullptr;   /* the walked query's row */
};

TEST_F(RowEditorEndToEnd, ANewStationIsNumberedWalkedAndRenamed) {
  pjct_rec *p = open_geo();
  ASSERT_NE(p, nullptr) << host_io_transcript();
  const std::string before = "1|1|Cache Creek 1\n2|2|Cache Creek 2\n3|3|Bonaparte\n4|4|Hat Creek\n5|5|Marble Canyon\n";
  ASSERT_EQ(dump(), before);

  /* A new station: STN 2 is taken; STN 6 and its name are inserted as
  ** row 6, numbered after the highest number read at this first add. */
  host_io_use_script_text(
      "pv_edit_col\nselect edit_list 1\nset edit_col 2\nok\nshow\n"
      "set edit_col 6\nselect edit_list 2\nset edit_col \"New Station\"\nok\n");
  sql_col_rec *none = nullptr;
  host_io_clear_transcript();
  EXPECT_EQ(row_enter_new(p->connection, &none, "STATN", 1), RTNORM) << host_io_transcript();
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_NE(host_io_transcript().find("STN: 2 already exists in table STATN"), std::string::npos)
      << host_io_transcript();
  const std::string added = before + "6|6|New Station\n";
  EXPECT_EQ(dump(), added);

  /* Walking to both ends. */
  EXPECT_EQ(walk(p, "pv_edit_col\npick next\npick next\npick next\npick next\npick next\npick next\ncancel\n"), RTERROR);
  EXPECT_EQ(tile("error"), "ERROR:  Last row reached");
  EXPECT_EQ(tile("edit_col"), "6");
  EXPECT_EQ(walk(p, "pv_edit_col\npick next\npick prev\npick prev\ncancel\n"), RTERROR);
  EXPECT_EQ(tile("error"), "ERROR:  Top row reached");
  EXPECT_EQ(tile("edit_col"), "1");

  /* Row 3's name, written after the question. */
  EXPECT_EQ(walk(p, "pv_edit_col\npick next\npick next\nselect edit_list 2\nset edit_col \"O'Neil Creek\"\nok\n"
                    "pv_yesno_small\nok\n"),
            RTNORM);
  EXPECT_EQ(dump(), "1|1|Cache Creek 1\n2|2|Cache Creek 2\n3|3|O'Neil Creek\n4|4|Hat Creek\n5|5|Marble Canyon\n"
                    "6|6|New Station\n");

  /* The point of station 1 is typed in the point dialog in the setup's
  ** system; the row shows the new easting (cancel writes nothing). */
  EXPECT_EQ(walk(p, "pv_edit_col\nselect edit_list 3\npick point\npv_edit_point\nset xpoint 615300\nok\n"
                    "select edit_list 0\ncancel\n"),
            RTERROR);
  dlg_tile_snapshot list;
  ASSERT_TRUE(dlg_test_last_tile("pv_edit_col", "edit_list", list));
  EXPECT_EQ(list.items.at(3).substr(0, 25), "EASTING        \t:\t615300 ") << list.items.at(3);
  EXPECT_EQ(dump().substr(0, 16), "1|1|Cache Creek ");

  /* The name column's input rule gets a default; the editor goes on with
  ** the new rule. */
  EXPECT_EQ(walk(p, "pv_edit_col\nselect edit_list 2\npick input\npv_cinsetup\nset cin_defval Unknown\nok\ncancel\n"),
            RTERROR);
  EXPECT_EQ(tile("error"), "");
  EXPECT_TRUE(host_io_faults().empty()) << host_io_transcript();
}

}  // namespace
