/*
** row_add_test.cpp: the dialog "pv_add_tbl" of pv-add on a DB3 project run
** by the DB3 driver: a cancelled row leaves no memo lines behind, "image"
** brings the dialog back with the typed values, the empty entry of the
** table list is refused, an accepted row is inserted, and the state of
** the caller comes back.
*/
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/dlg_state.h"
#include "core/msg_box.h"
#include "core/pv_globals.h"
#include "core/row_state.h"
#include "core/sql_fixture.h"
#include "core/tbl.h"
#include "data/memo.h"
#include "draw/draw_util.h"
#include "draw/link.h"
#include "draw/map_params.h"
#include "host_editor.h"
#include "map/row_cmd.h"
#include "platform/dialog/dialog_test_api.h"

namespace {

class RowAdd : public SqlDb3Test {
 protected:
  void SetUp() override {
    SqlDb3Test::SetUp();
    if (IsSkipped()) return;
    saved_dcl_ = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    dlg_test_clear();
    dlg_state_reset();
    run("CREATE TABLE STATN (BASENUMBER NUMERIC(8,0), STN NUMERIC(8,0), NAME CHAR(20), NOTE CHAR(20))");
    run("INSERT INTO STATN VALUES (1, 10, 'Cache Creek', '')");
    statn_ = tbl_rec_new();
    snprintf(statn_->name, sizeof statn_->name, "STATN");
    statn_->table_type = TBL_DEF_STATION;
    statn_->column_count = sql_describe_table(project_->connection, "STATN", &statn_->columns, 0);
    statn_->keys[TBL_KEY_BASENUMBER] = tbl_column_find(statn_->columns, "BASENUMBER", nullptr, nullptr);
    statn_->keys[TBL_KEY_STATION] = tbl_column_find(statn_->columns, "STN", nullptr, nullptr);
    ASSERT_EQ(tbl_add(project_, statn_), 0);
    map_params_init(&g_map_params);
  }
  void TearDown() override {
    dlg_state_reset();
    memo_reset();
    if (g_dcl_id != saved_dcl_) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl_;
    SqlDb3Test::TearDown();
  }

  /* Sets a flag on a STATN column's rule. */
  void flag(const char *column, unsigned bit) {
    col_attr_rec *r = col_attr_find(project_->col_attrs, column, "STATN", nullptr);
    ASSERT_NE(r, nullptr) << column;
    r->flags |= bit;
  }

  /* Runs pv_add on the answers; the transcript. */
  std::string add(const std::string &answers) {
    host_io_clear_transcript();
    host_io_use_script_text(answers);
    EXPECT_EQ(pv_add(nullptr), RTNORM);
    for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
    return host_io_transcript();
  }

  static dlg_tile_snapshot tile(const char *key) {
    dlg_tile_snapshot t;
    EXPECT_TRUE(dlg_test_last_tile("pv_add_tbl", key, t)) << key;
    return t;
  }

  tbl_rec *statn_ = nullptr;   /* the registered STATN */
  int saved_dcl_ = PV_NO_DCL;  /* g_dcl_id before the test */
};

TEST_F(RowAdd, ARowNotAddedLeavesNoMemoLinesAndAnAddedRowShowsOnlyItsOwn) {
  flag("NOTE", COL_ATTR_MEMO);
  ASSERT_EQ(memo_create_table(project_->connection, "STATNMEM"), 0);
  add("pv_add_tbl\nselect edit_list 3\npick memo\n"
      "pv_edit_memo\nset pv_memo_line \"Not kept\"\npick insert\nok\ncancel\n");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM STATNMEM"), "0\n") << "the memo of a row never added stayed";
  EXPECT_EQ(rows("SELECT COUNT(*) FROM STATN"), "1\n");
  /* After a switch of table the same holds: the row entry's cancel is
  ** registered again. */
  add("pv_add_tbl\nselect tables 0\nselect edit_list 3\npick memo\n"
      "pv_edit_memo\nset pv_memo_line \"Not kept either\"\npick insert\nok\ncancel\n");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM STATNMEM"), "0\n");
  /* Nor does an add that never ends (its script run dry, as pvhost
  ** killed): the row later given its number shows no line of it. */
  host_io_use_script_text("pv_add_tbl\nselect edit_list 3\npick memo\n"
                          "pv_edit_memo\nset pv_memo_line \"Left over\"\npick insert\nok\n");
  EXPECT_EQ(pv_add(nullptr), RTNORM);
  EXPECT_EQ(host_io_faults(), std::vector<std::string>{"script ran dry at: pv_add_tbl> "});
  host_io_clear_faults();
  EXPECT_EQ(rows("SELECT COUNT(*) FROM STATNMEM"), "0\n") << "the memo of a row never finished stayed";
  /* The same lines stay with a row that is added. */
  g_map_params.plot = 0;
  add("pv_add_tbl\nselect edit_list 1\nset edit_col 11\nselect edit_list 3\npick memo\n"
      "pv_edit_memo\nset pv_memo_line \"Kept\"\npick insert\nok\nok\npv_add_tbl\ncancel\n");
  EXPECT_EQ(rows("SELECT BASENUMBER, MEMOTEXT FROM STATNMEM"), "2|Kept\n");
  /* Another writer stores the number offered with a memo of its own
  ** meanwhile: the editor never shows it, and the row takes the next free
  ** number with only the line typed for it. */
  run("INSERT INTO STATN VALUES (3, 12, 'Theirs', 'MEMO')");
  run("INSERT INTO STATNMEM VALUES (3, 1, 'Their line')");
  add("pv_add_tbl\nselect edit_list 1\nset edit_col 13\nselect edit_list 3\npick memo\n"
      "pv_edit_memo\nset pv_memo_line \"Mine\"\npick insert\nok\nok\npv_add_tbl\ncancel\n");
  EXPECT_EQ(rows("SELECT BASENUMBER, MEMOTEXT FROM STATNMEM ORDER BY BASENUMBER"), "2|Kept\n3|Their line\n4|Mine\n");
}

TEST_F(RowAdd, ImageBringsTheDialogBackWithTheTypedValues) {
  flag("NOTE", COL_ATTR_IMAGE);
  std::string out = add("pv_add_tbl\nselect edit_list 2\nset edit_col Kept Name\nselect edit_list 3\n"
                        "set edit_col photo.bmp\npick image\npv_add_tbl\nshow\ncancel\n");
  EXPECT_NE(out.find("Dialog: pv_add_tbl"), out.rfind("Dialog: pv_add_tbl")) << "the dialog did not come back";
  std::string shown = out.substr(out.rfind("=== Dialog pv_add_tbl"));
  EXPECT_NE(shown.find("NAME           \t:\tKept Name"), std::string::npos) << shown;
  EXPECT_NE(shown.find("NOTE           \t:\tphoto.bmp"), std::string::npos) << shown;
  EXPECT_EQ(rows("SELECT COUNT(*) FROM STATN"), "1\n") << "an image added a row";
}

TEST_F(RowAdd, TheEmptyTableEntryIsReportedAndTheCallersStateComesBack) {
  row_state_rec &s = g_row_state;
  s.cur_tbl = nullptr;
  s.image_ok = 0;
  s.edit_depth = 2;
  std::string out = add("pv_add_tbl\nselect tables 1\nshow\ncancel\n");
  EXPECT_NE(out.find("Invalid table selected"), std::string::npos) << out;
  EXPECT_EQ(tile("project").value, "0");
  EXPECT_EQ(tile("tables").value, "0") << "the table list went back to the current table";
  EXPECT_EQ(s.image_ok, 0);
  EXPECT_EQ(s.edit_depth, 2);
  EXPECT_EQ(s.cur_tbl, nullptr);
}

TEST_F(RowAdd, AnAcceptedRowIsInsertedAndTheDialogComesBackWithTheNextNumber) {
  g_map_params.plot = 0;
  add("pv_add_tbl\nselect edit_list 1\nset edit_col 11\nselect edit_list 2\nset edit_col Bonaparte\nok\n"
      "pv_add_tbl\ncancel\n");
  EXPECT_EQ(rows("SELECT BASENUMBER, STN, NAME FROM STATN ORDER BY BASENUMBER"),
            "1|10|Cache Creek\n2|11|Bonaparte\n");
  EXPECT_EQ(statn_->last_number, 2);
  EXPECT_EQ(row_add(nullptr), -2);
  /* "Plot on map" on, but no column with the rule to plot: said. */
  g_map_params.plot = 1;
  std::string out = add("pv_add_tbl\nselect edit_list 1\nset edit_col 12\nok\npv_add_tbl\ncancel\n");
  EXPECT_NE(out.find("nothing is drawn: no column of STATN has the input rule \"Plot\""), std::string::npos) << out;
  EXPECT_EQ(rows("SELECT COUNT(*) FROM STATN"), "3\n");
  /* Numbers that cannot be read are said with the table's damage. */
  statn_->numbers_read = 0;
  count_more_records("STATN");
  add("pv_alert_wrap\nok\npv_add_tbl\ncancel\n");
  dlg_tile_snapshot lines;
  ASSERT_TRUE(dlg_test_last_tile("pv_alert_wrap", "lines", lines));
  std::string said,
      want = "Cannot retreive Unique Number in table STATN: table STATN cannot be read: table STATN is damaged";
  for (const std::string &l : lines.items) said += l;
  std::erase(said, ' ');
  std::erase(want, ' ');
  EXPECT_NE(said.find(want), std::string::npos) << said;
}

TEST_F(RowAdd, ARefusedRowLeavesNoMemoLinesAndSaysSo) {
  run("CREATE UNIQUE INDEX STATNNAME ON STATN (NAME)");
  flag("NOTE", COL_ATTR_MEMO);
  ASSERT_EQ(memo_create_table(project_->connection, "STATNMEM"), 0);
  g_map_params.plot = 0;
  std::string out = add("pv_add_tbl\nselect edit_list 1\nset edit_col 12\nselect edit_list 2\nset edit_col Cache Creek\nselect edit_list 3\npick memo\n"
                        "pv_edit_memo\nset pv_memo_line \"Refused\"\npick insert\nok\nok\npv_add_tbl\ncancel\n");
  EXPECT_NE(out.find("Could not add this row to table STATN: duplicate key in unique index STATNNAME"), std::string::npos)
      << out;
  EXPECT_EQ(rows("SELECT COUNT(*) FROM STATN"), "1\n");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM STATNMEM"), "0\n") << "the refused row's memo stayed";
  /* A row whose memo lines cannot be stored (a side table without
  ** MEMOTEXT) goes again: the row and its lines, or neither. */
  ASSERT_EQ(sql_drop_table(project_->connection, "STATNMEM"), RTNORM);
  run("CREATE TABLE STATNMEM (BASENUMBER NUMERIC(8,0), ORDNUMBER NUMERIC(8,0))");
  out = add("pv_add_tbl\nselect edit_list 1\nset edit_col 12\nselect edit_list 2\nset edit_col Bonaparte\n"
            "select edit_list 3\npick memo\npv_edit_memo\nset pv_memo_line \"Lost\"\npick insert\nok\nok\n"
            "pv_add_tbl\ncancel\n");
  EXPECT_NE(out.find("Could not add this row to table STATN: its memo side table STATNMEM lacks its columns"),
            std::string::npos)
      << out;
  EXPECT_EQ(rows("SELECT COUNT(*) FROM STATN"), "1\n") << "a row stayed without its memo";
}

TEST_F(RowAdd, WithTheAttachSwitchOnPickedObjectsAreLinkedToTheAddedRow) {
  host_new_drawing();
  ads_regapp(LINK_APP_NAME);
  ads_point a = {0, 0, 0}, b = {10, 10, 0};
  struct resbuf *list = ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, 0);
  ads_name line;
  ASSERT_EQ(ads_entmakex(list, line), RTNORM);
  ads_relrb(list);
  struct resbuf *got = ads_entget(line);
  std::string pick = std::string("#") + rb_find(got, 5)->resval.rstring;
  ads_relrb(got);
  g_map_params.plot = 0;
  g_map_params.attach = 1;
  const char *question = "SUCCESS: Object attached... continue linking ?";
  add("pv_add_tbl\nselect edit_list 1\nset edit_col 12\nselect edit_list 2\nset edit_col Attached\nok\n" + pick +
      "\n" + msg_box_dialog_name("yesno", msg_box_size_for(question)) + "\ncancel\npv_add_tbl\ncancel\n");
  link_rec l;
  ASSERT_EQ(link_xdata_get(&l, line), 0) << "the picked object was not linked";
  EXPECT_STREQ(l.table, "STATN");
  EXPECT_EQ(l.row_id, 2);
}

}  // namespace
