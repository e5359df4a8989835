/*
** row_delete_test.cpp: pv-delete on a DB3 project run by the DB3 driver,
** in a drawing of the stand-in editor: rows deleted once with all their
** objects whichever of them are selected, the counts of the closing
** alert, a "no" that keeps everything, a map without projection, objects
** whose link names nothing loaded or a row that is gone, memo lines.
*/
#include <gtest/gtest.h>

#include <string>

#include "core/msg_box.h"
#include "core/pv_globals.h"
#include "core/sql_fixture.h"
#include "data/memo.h"
#include "draw/draw_util.h"
#include "draw/map_params.h"
#include "host_editor.h"
#include "map/row_cmd.h"
#include "platform/dialog/dialog_test_api.h"

namespace {

/* The question asked before anything is deleted. */
const char k_warning[] = "WARNING: Deletions cannot be recovered! Continue ?";

class RowDelete : public SqlDb3Test {
 protected:
  void SetUp() override {
    SqlDb3Test::SetUp();
    if (IsSkipped()) return;
    host_new_drawing();
    ads_regapp(LINK_APP_NAME);
    saved_dcl_ = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    saved_projection_ = g_map_params.projection;
    g_map_params.projection = &projection_;
    run("CREATE TABLE STATION (BASENUMBER NUMERIC(8), STATION CHAR(10), NAME CHAR(20))");
    run("INSERT INTO STATION VALUES (2, 'ST2', 'Red Hill')");
    run("INSERT INTO STATION VALUES (3, 'ST3', 'Blue Lake')");
    run("INSERT INTO STATION VALUES (4, 'ST4', 'Green')");
    tbl_rec *t = tbl_rec_new();
    snprintf(t->name, sizeof t->name, "STATION");
    ASSERT_GT(sql_describe_table(project_->connection, "STATION", &t->columns, 0), 0);
    t->table_type = TBL_DEF_STATION;
    for (sql_col_rec *c = t->columns; c; c = c->next) t->column_count++;
    t->keys[TBL_KEY_BASENUMBER] = sql_col_find(t->columns, "BASENUMBER", nullptr, nullptr);
    t->keys[TBL_KEY_STATION] = sql_col_find(t->columns, "STATION", nullptr, nullptr);
    ASSERT_EQ(tbl_add(project_, t), 0);
  }
  void TearDown() override {
    if (dir_.empty()) return;
    g_map_params.projection = saved_projection_;
    ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl_;
    SqlDb3Test::TearDown();
  }

  /* A TEXT of height 2.5 at (x, 0) linked to a STATION row by a column,
  ** or not linked when row is 0. */
  static void text(double x, int row, const char *column, const char *table, ads_name out) {
    ads_point at = {x, 0, 0};
    struct resbuf *list = ads_buildlist(RTDXF0, "TEXT", 10, at, 40, 2.5, 1, "shown", 0);
    if (row) {
      link_rec l;
      link_clear(&l);
      snprintf(l.project, sizeof l.project, "GEO");
      snprintf(l.table, sizeof l.table, "%s", table);
      l.row_id = row;
      snprintf(l.key_column, sizeof l.key_column, "%s", column);
      snprintf(l.key_value, sizeof l.key_value, "ST%d", row);
      ASSERT_EQ(link_xdata_put_raw(&l, list), 0);
    }
    ASSERT_EQ(ads_entmakex(list, out), RTNORM);
    ads_relrb(list);
  }
  static std::string pick(const ads_name e) {
    struct resbuf *l = ads_entget(e);
    std::string h = std::string("#") + rb_find(l, 5)->resval.rstring;
    ads_relrb(l);
    return h;
  }
  static bool exists(const ads_name e) {
    struct resbuf *l = ads_entget(e);
    if (l) ads_relrb(l);
    return l != nullptr;
  }
  static std::string yes_no() { return msg_box_dialog_name("yesno", msg_box_size_for(k_warning)) + "\n"; }

  /* Runs pv_delete on the selection answers and the answer to the
  ** warning; the transcript. */
  static std::string delete_cmd(const std::string &selection, const char *answer) {
    host_io_clear_transcript();
    host_io_use_script_text(selection + yes_no() + answer + "\n");
    EXPECT_EQ(pv_delete(nullptr), RTNORM);
    EXPECT_FALSE(host_io_ran_out()) << host_io_transcript();
    return host_io_transcript();
  }

  prj_rec projection_{};                 /* stands for the map's system */
  prj_rec *saved_projection_ = nullptr;  /* the map's system before the test */
  int saved_dcl_ = PV_NO_DCL;            /* g_dcl_id before the test */
};

TEST_F(RowDelete, OneSelectedObjectOfEachRowTakesEveryObjectOfBothRows) {
  ads_name a1, a2, a3, b1, b2, other;
  text(0, 2, "NAME", "STATION", a1);
  text(1, 2, "STATION", "STATION", a2);
  text(2, 2, "BASENUMBER", "STATION", a3);
  text(10, 3, "NAME", "STATION", b1);
  text(11, 3, "STATION", "STATION", b2);
  text(12, 4, "NAME", "STATION", other);
  std::string out = delete_cmd(pick(a2) + "\n" + pick(b1) + "\n\n", "ok");
  EXPECT_NE(out.find("[Alert] PETRIVEX\nDeleted... 5 entities, 2 rows"), std::string::npos) << out;
  EXPECT_NE(out.find("Deleted...  5\n"), std::string::npos) << out;
  for (const ads_name *e : {&a1, &a2, &a3, &b1, &b2}) EXPECT_FALSE(exists(*e));
  EXPECT_TRUE(exists(other)) << "an object of a row not selected was erased";
  EXPECT_EQ(rows("SELECT BASENUMBER FROM STATION ORDER BY BASENUMBER"), "4\n");
}

TEST_F(RowDelete, EveryObjectOfARowSelectedDeletesTheRowOnceAndCountsEachObjectOnce) {
  ads_name a1, a2, a3, b1, plain;
  text(0, 2, "NAME", "STATION", a1);
  text(1, 2, "STATION", "STATION", a2);
  text(2, 2, "BASENUMBER", "STATION", a3);
  text(30, 3, "NAME", "STATION", b1);
  text(40, 0, nullptr, nullptr, plain);
  std::string out = delete_cmd("ALL\n\n", "ok");
  EXPECT_NE(out.find("Deleted... 4 entities, 2 rows"), std::string::npos) << out;
  EXPECT_TRUE(exists(plain)) << "an object without a link was erased";
  EXPECT_EQ(rows("SELECT BASENUMBER FROM STATION ORDER BY BASENUMBER"), "4\n");
}

TEST_F(RowDelete, AnsweringNoKeepsEverythingAndStillShowsTheCounts) {
  ads_name a1;
  text(0, 2, "NAME", "STATION", a1);
  std::string out = delete_cmd("ALL\n\n", "cancel");
  EXPECT_NE(out.find("Deleted... 0 entities, 0 rows"), std::string::npos) << out;
  EXPECT_TRUE(exists(a1));
  EXPECT_EQ(rows("SELECT BASENUMBER FROM STATION ORDER BY BASENUMBER"), "2\n3\n4\n");
}

TEST_F(RowDelete, WithoutMapProjectionNothingIsSelectedOrDeleted) {
  ads_name a1;
  text(0, 2, "NAME", "STATION", a1);
  g_map_params.projection = nullptr;
  host_io_clear_transcript();
  host_io_use_script_text("ALL\n\n");
  EXPECT_EQ(pv_delete(nullptr), RTNORM);
  std::string rest;
  EXPECT_TRUE(host_io_peek_answer(rest)) << "the selection was asked for";
  EXPECT_NE(host_io_transcript().find("No map projection defined.\nUse Map Setup unded DU-ZOREZ to initialize map."),
            std::string::npos)
      << host_io_transcript();
  EXPECT_TRUE(exists(a1));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM STATION"), "3\n");
}

TEST_F(RowDelete, LinksToNothingLoadedStayAndARowThatIsGoneStillErasesItsObject) {
  ads_name unknown_table, unknown_column, gone;
  text(0, 2, "NAME", "NOSUCH", unknown_table);
  text(10, 2, "NOSUCH", "STATION", unknown_column);
  text(20, 9, "NAME", "STATION", gone);
  ads_name ss;
  ASSERT_EQ(ads_ssget("X", nullptr, nullptr, nullptr, ss), RTNORM);
  long rows_deleted = 0, erased = 0;
  link_rec l;
  link_clear(&l);
  snprintf(l.project, sizeof l.project, "GEO");
  snprintf(l.table, sizeof l.table, "NOSUCH");
  l.row_id = 2;
  snprintf(l.key_column, sizeof l.key_column, "NAME");
  snprintf(l.key_value, sizeof l.key_value, "ST2");
  EXPECT_EQ(delete_linked_row(unknown_table, &l, ss, &rows_deleted, &erased), ROW_DELETE_NOT_LOADED);
  snprintf(l.table, sizeof l.table, "STATION");
  snprintf(l.key_column, sizeof l.key_column, "NOSUCH");
  EXPECT_EQ(delete_linked_row(unknown_column, &l, ss, &rows_deleted, &erased), ROW_DELETE_NOT_LOADED);
  snprintf(l.key_column, sizeof l.key_column, "NAME");
  l.row_id = 9;
  snprintf(l.key_value, sizeof l.key_value, "ST9");
  EXPECT_EQ(delete_linked_row(gone, &l, ss, &rows_deleted, &erased), 0);
  EXPECT_EQ(rows_deleted, 0);
  EXPECT_EQ(erased, 1);
  EXPECT_TRUE(exists(unknown_table));
  EXPECT_TRUE(exists(unknown_column));
  EXPECT_FALSE(exists(gone));
  EXPECT_EQ(ads_ssmemb(gone, ss), RTERROR) << "the erased object stayed in the set";
  EXPECT_EQ(delete_linked_row(gone, nullptr, ss, &rows_deleted, &erased), -2);
  ss_free(ss);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM STATION"), "3\n");
}

}  // namespace
