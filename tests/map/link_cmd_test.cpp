/*
** link_cmd_test.cpp: linking by hand and repairing links on a DB3 project
** run by the DB3 driver, in a drawing of the stand-in editor: renumbering
** a duplicated row number (only the row and the entities of the link's key
** value), relinking by key value, the row a TEXT shows among rows of one
** key value, quoting of key values, the counts of pv_clean, the checks and
** lists of the dialog "pv_link", and the attach loop's answers.
*/
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ase_service.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pv_globals.h"
#include "core/sql_fixture.h"
#include "draw/draw_util.h"
#include "host_editor.h"
#include "linkclient/ase_api.h"
#include "map/link_cmd.h"
#include "platform/dialog/dialog_test_api.h"

namespace {

/* Request of the link store that creates a link path. */
constexpr int RQ_CREATE_PATH = 20;
/* Longest text of one item of the editor's extended data. */
constexpr size_t XDATA_TEXT_MAX = 255;

class LinkCmd : public SqlDb3Test {
 protected:
  void SetUp() override {
    SqlDb3Test::SetUp();
    if (IsSkipped()) return;
    host_new_drawing();
    host_set_pick_tolerance(1.0);
    ads_regapp(LINK_APP_NAME);
    saved_dcl_ = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    run("CREATE TABLE STATION (BASENUMBER NUMERIC(8), STATION CHAR(10), NAME CHAR(20), GRP CHAR(20))");
    run("CREATE TABLE NOTES (BASENUMBER NUMERIC(8), NAME CHAR(20))");
    run("CREATE TABLE SITES (BASENUMBER NUMERIC(8), STATION NUMERIC(8), NAME CHAR(20))");
    station_ = register_table("STATION", TBL_DEF_STATION, "GRP");
    register_table("NOTES", TBL_DEF_OTHER, nullptr);
    register_table("SITES", TBL_DEF_STATION, nullptr);
  }
  void TearDown() override {
    if (dir_.empty()) return;
    if (g_ase_app) ase_close_app(&g_ase_app);
    ase_service_reset_hooks();
    ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl_;
    SqlDb3Test::TearDown();
  }

  /* Turns the project's host links on, the next link path refused. */
  void host_links_failing() {
    if (!g_ase_app) {
      if (!ase_service_registered()) { ASSERT_EQ(ads_arxload("ase"), RTNORM); }
      g_ase_app = ase_open_app();
      ASSERT_NE(g_ase_app, nullptr);
      g_env_names = (char **)calloc(1, sizeof(char *));
      g_env_names[0] = strdup("DB3");
      g_env_count = 1;
    }
    project_->link_flags |= PJCT_LINKS_ON;
    ase_service_fail_request(RQ_CREATE_PATH, 1);
  }

  /* Registers a table with its BASENUMBER, own key and grouping slots. */
  tbl_rec *register_table(const char *name, int type, const char *grouping) {
    tbl_rec *t = tbl_rec_new();
    snprintf(t->name, sizeof t->name, "%s", name);
    EXPECT_GT(sql_describe_table(project_->connection, name, &t->columns, 0), 0) << name;
    t->table_type = type;
    for (sql_col_rec *c = t->columns; c; c = c->next) t->column_count++;
    t->keys[TBL_KEY_BASENUMBER] = sql_col_find(t->columns, "BASENUMBER", nullptr, nullptr);
    t->keys[TBL_KEY_STATION] = sql_col_find(t->columns, "STATION", nullptr, nullptr);
    if (grouping) t->keys[TBL_KEY_GROUPING] = sql_col_find(t->columns, grouping, nullptr, nullptr);
    EXPECT_EQ(tbl_add(project_, t), 0);
    return tbl_find_by_name(project_->tables, name, nullptr);
  }

  static link_rec lk(const char *table, int row, const char *column, const char *value) {
    link_rec l;
    link_clear(&l);
    snprintf(l.project, sizeof l.project, "GEO");
    snprintf(l.table, sizeof l.table, "%s", table);
    l.row_id = row;
    snprintf(l.key_column, sizeof l.key_column, "%s", column);
    snprintf(l.key_value, sizeof l.key_value, "%s", value);
    return l;
  }

  /* Makes the entity of a list, with the link when one is given. */
  static void make(struct resbuf *list, const link_rec *l, ads_name out) {
    link_rec copy;
    if (l) {
      copy = *l;
      ASSERT_EQ(link_xdata_put(&copy, list), 0);
    }
    ASSERT_EQ(ads_entmakex(list, out), RTNORM);
    ads_relrb(list);
  }
  /* A TEXT of height 2.5 at (x, 0) showing a text, linked when l is given. */
  static void text(double x, const char *shown, const link_rec *l, ads_name out) {
    ads_point at = {x, 0, 0};
    make(ads_buildlist(RTDXF0, "TEXT", 10, at, 40, 2.5, 1, shown, 0), l, out);
  }
  /* A LINE from (x, 0) to (x + 1, 1), linked when l is given. */
  static void line(double x, const link_rec *l, ads_name out) {
    ads_point a = {x, 0, 0}, b = {x + 1, 1, 0};
    make(ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, 0), l, out);
  }

  /* The entity's link as "table|row|column|value|extra", or "none". */
  static std::string link_of(const ads_name e) {
    link_rec l;
    if (link_xdata_get(&l, e) != 0) return "none";
    return std::string(l.table) + "|" + std::to_string(l.row_id) + "|" + l.key_column + "|" + l.key_value + "|" +
           l.extra;
  }

  /* The pick answer of an entity: "#<handle>". */
  static std::string pick(const ads_name e) {
    struct resbuf *l = ads_entget(e);
    std::string h = std::string("#") + rb_find(l, 5)->resval.rstring;
    ads_relrb(l);
    return h;
  }

  /* A selection of every entity of the drawing. */
  static void all(ads_name ss) { ASSERT_EQ(ads_ssget("X", nullptr, nullptr, nullptr, ss), RTNORM); }
  static long length(const ads_name ss) {
    long n = 0;
    ads_sslength(ss, &n);
    return n;
  }

  /* Runs pv_link with the script; the transcript. */
  static std::string link_dialog(const std::string &script) {
    host_io_clear_transcript();
    host_io_use_script_text(script);
    EXPECT_EQ(pv_link(nullptr), RTNORM);
    EXPECT_FALSE(host_io_ran_out()) << host_io_transcript();
    return host_io_transcript();
  }

  tbl_rec *station_ = nullptr;  /* the STATION table */
  int saved_dcl_ = PV_NO_DCL;   /* g_dcl_id before the test */
};

/* ---- pv-clean ---- */

TEST_F(LinkCmd, DuplicatedRowNumberRenumbersOnlyTheRowOfTheLinksKeyValue) {
  run("INSERT INTO STATION VALUES (12, 'ST1', 'Red Hill', '')");
  run("INSERT INTO STATION VALUES (12, 'ST2', 'Blue Lake', '')");
  run("INSERT INTO STATION VALUES (13, 'ST3', 'Green', '')");
  ads_name red, red_symbol, blue, ss;
  link_rec l = lk("STATION", 12, "NAME", "ST1");
  text(0, "Red Hill", &l, red);
  l = lk("STATION", 12, "STATION", "ST1");
  text(3, "ST1", &l, red_symbol);
  l = lk("STATION", 12, "NAME", "ST2");
  text(10, "Blue Lake", &l, blue);
  all(ss);

  ASSERT_EQ(clean_entity(red, ss), 0);
  EXPECT_EQ(rows("SELECT STATION, BASENUMBER FROM STATION ORDER BY STATION"), "ST1|14\nST2|12\nST3|13\n");
  EXPECT_EQ(link_of(red), "STATION|14|NAME|ST1|");
  EXPECT_EQ(link_of(red_symbol), "STATION|14|STATION|ST1|");
  EXPECT_EQ(link_of(blue), "STATION|12|NAME|ST2|") << "another row's entity took this row's number";
  EXPECT_EQ(length(ss), 1) << "the renumbered entities leave the selection, the other row's stays";
  EXPECT_EQ(ads_ssmemb(blue, ss), RTNORM);
  EXPECT_EQ(station_->last_number, 14);

  ASSERT_EQ(clean_entity(blue, ss), 0);
  EXPECT_EQ(link_of(blue), "STATION|12|NAME|ST2|");
  EXPECT_EQ(length(ss), 0);
  ss_free(ss);
}

TEST_F(LinkCmd, TheHighestNumberOfATableThatCannotBeReadIsAFailureNotTheOneKnown) {
  run("INSERT INTO STATION VALUES (12, 'ST1', 'Red Hill', '')");
  EXPECT_EQ(tbl_last_row_number(station_, project_->connection), 12);
  ASSERT_TRUE(kill_driver());
  EXPECT_LT(tbl_last_row_number(station_, project_->connection), 0) << "a renumbered row could take a held number";
  EXPECT_EQ(station_->last_number, 12);
}

TEST_F(LinkCmd, RowsThatNumberAndKeyCannotTellApartAreLeftAlone) {
  run("INSERT INTO NOTES VALUES (5, 'first')");
  run("INSERT INTO NOTES VALUES (5, 'second')");
  run("INSERT INTO STATION VALUES (20, 'ST7', 'x', '')");
  run("INSERT INTO STATION VALUES (20, 'ST7', 'y', '')");
  ads_name note, st, ss;
  link_rec l = lk("NOTES", 5, "NAME", "5");
  text(0, "first", &l, note);
  l = lk("STATION", 20, "NAME", "ST7");
  text(100, "x", &l, st);
  all(ss);
  EXPECT_EQ(clean_entity(note, ss), 0);
  EXPECT_EQ(clean_entity(st, ss), 0);
  EXPECT_EQ(rows("SELECT BASENUMBER, NAME FROM NOTES ORDER BY NAME"), "5|first\n5|second\n");
  EXPECT_EQ(rows("SELECT BASENUMBER, NAME FROM STATION ORDER BY NAME"), "20|x\n20|y\n");
  EXPECT_EQ(link_of(note), "NOTES|5|NAME|5|");
  EXPECT_EQ(link_of(st), "STATION|20|NAME|ST7|");
  ss_free(ss);
}

TEST_F(LinkCmd, LinkWhoseRowIsGoneIsRelinkedByItsKeyValue) {
  run("INSERT INTO STATION VALUES (30, 'ST4', 'Moved', 'G1')");
  run("INSERT INTO STATION VALUES (40, 'ST5', 'Alpha', '')");
  run("INSERT INTO STATION VALUES (41, 'ST5', 'Beta', '')");
  ads_name moved, beta, alpha, lost, ss;
  link_rec l = lk("STATION", 7, "NAME", "ST4 ");
  text(0, "Moved", &l, moved);
  l = lk("STATION", 99, "NAME", "ST5");
  text(100, "Beta", &l, beta);
  text(200, "Alpha", &l, alpha);
  l = lk("STATION", 88, "NAME", "ST0");
  text(300, "Nowhere", &l, lost);
  all(ss);
  for (ads_namep e : {moved, beta, alpha, lost}) EXPECT_EQ(clean_entity(e, ss), 0);
  EXPECT_EQ(link_of(moved), "STATION|30|NAME|ST4|");
  EXPECT_EQ(link_of(beta), "STATION|41|NAME|ST5|") << "the row the TEXT shows";
  EXPECT_EQ(link_of(alpha), "STATION|40|NAME|ST5|") << "the row the TEXT shows";
  EXPECT_EQ(link_of(lost), "none") << "found by neither search where a station holds two rows: unlinked";
  EXPECT_EQ(length(ss), 0);
  ss_free(ss);
}

TEST_F(LinkCmd, KeyValuesReachStatementsOnlyQuotedOrAsNumbers) {
  run("INSERT INTO STATION VALUES (50, 'O''NEIL', 'Quote', '')");
  run("INSERT INTO SITES VALUES (1, 1, 'One')");
  ads_name quoted, ss;
  link_rec l = lk("STATION", 77, "NAME", "O'NEIL");
  text(0, "Quote", &l, quoted);
  all(ss);
  EXPECT_EQ(clean_entity(quoted, ss), 0);
  EXPECT_EQ(link_of(quoted), "STATION|50|NAME|O'NEIL|");
  ss_free(ss);

  void *cursor = nullptr, *stmt = nullptr;
  sql_col_rec *row = nullptr;
  link_rec injected = lk("SITES", 9, "NAME", "1 OR 1=1");
  EXPECT_EQ(clean_fetch_by_key(nullptr, &injected, &cursor, &stmt, &row, nullptr), LINK_ERR_ROW);
  EXPECT_EQ(row, nullptr);
  link_rec number = lk("SITES", 9, "NAME", " 1 ");
  long count = 0;
  ASSERT_EQ(clean_fetch_by_key(nullptr, &number, &cursor, &stmt, &row, &count), 0);
  EXPECT_EQ(count, 1);
  EXPECT_STREQ(sql_col_find(row, "NAME", nullptr, nullptr)->text, "One                 ");
  /* A query still held is closed by the next fetch. */
  link_rec by_id = lk("SITES", 1, "NAME", "1");
  EXPECT_EQ(clean_fetch_by_row_id(nullptr, &by_id, &cursor, &stmt, &row, nullptr), 0);
  sql_close_query(&stmt, &cursor, &row);
  EXPECT_EQ(rows("SELECT BASENUMBER, STATION FROM SITES"), "1|1\n");
}

TEST_F(LinkCmd, CleanCommandCountsTheEntitiesItHandled) {
  struct {
    const char *what;
    bool linked;
    std::string answers;
    const char *alert;
  } cases[] = {
      {"a selection without links", false, "ALL\n\n", "Cleaned... 0 entities"},
      {"two rows sharing a number", true, "ALL\n\n", "Cleaned... 2 entities"},
      {"nothing selected", false, "\n", nullptr},
  };
  for (auto &c : cases) {
    host_new_drawing();
    ads_regapp(LINK_APP_NAME);
    run("DELETE FROM STATION");
    ads_name e;
    line(0, nullptr, e);
    if (c.linked) {
      run("INSERT INTO STATION VALUES (3, 'ST1', 'Bonaparte', '')");
      run("INSERT INTO STATION VALUES (3, 'ST6', 'Dup', '')");
      link_rec l = lk("STATION", 3, "NAME", "ST1");
      text(0, "Bonaparte", &l, e);
      l = lk("STATION", 3, "NAME", "ST6");
      text(10, "Dup", &l, e);
    }
    host_io_clear_transcript();
    host_io_use_script_text(c.answers);
    EXPECT_EQ(pv_clean(nullptr), RTNORM) << c.what;
    std::string out = host_io_transcript();
    if (c.alert) {
      EXPECT_NE(out.find("[Alert] PETRIVEX\n" + std::string(c.alert)), std::string::npos) << c.what << out;
      EXPECT_NE(out.find("Cleaning...  "), std::string::npos) << c.what;
    } else {
      EXPECT_EQ(out.find("Cleaned..."), std::string::npos) << c.what << out;
    }
    if (c.linked) { EXPECT_EQ(rows("SELECT STATION, BASENUMBER FROM STATION ORDER BY STATION"), "ST1|4\nST6|3\n"); }
  }
}

/* ---- pv-link ---- */

TEST_F(LinkCmd, AcceptChecksComeInOrderAndKeepTheDialogOpen) {
  ads_name e;
  line(0, nullptr, e);
  const std::string table = "select link_prj 0\nselect link_tbl 2\n";   /* NOTES, SITES, STATION */
  struct {
    std::string answers;
    const char *error;
  } cases[] = {
      {"", "ERROR:  No project selected"},
      {"select link_prj 0\n", "ERROR:  No table selected"},
      {table, "ERROR:  No column selected"},
      {table + "select link_col 2\nset link_bas 99\n", "ERROR:  Invalid BASENUMBER"},
      {table + "select link_col 2\nset link_bas -1\n", "ERROR:  Invalid BASENUMBER"},
      {table + "select link_col 2\nset link_bas 0\n", "ERROR:  Invalid STATION"},
  };
  for (auto &c : cases) {
    std::string out = link_dialog(pick(e) + "\npv_link\n" + c.answers + "pick link_mod\nshow\ncancel\n");
    EXPECT_NE(out.find("error          text = \"" + std::string(c.error) + "\""), std::string::npos)
        << c.error << "\n" << out;
    EXPECT_EQ(out.find("Entity linked"), std::string::npos);
  }
  EXPECT_EQ(link_of(e), "none");
}

TEST_F(LinkCmd, LinkedEntityOpensWithItsRowAndLongValuesAreWrittenWhole) {
  run("INSERT INTO STATION VALUES (12, 'ST1', 'Red Hill', 'G1')");
  ads_name e;
  link_rec l = lk("STATION", 12, "NAME", "ST1");
  text(0, "Red Hill", &l, e);
  /* The longest texts the editor's extended data holds. */
  const std::string key(XDATA_TEXT_MAX, 'K'), extra(XDATA_TEXT_MAX, 'X');
  std::string out = link_dialog(pick(e) + "\npv_link\nshow\nset link_prm " + key + "\nset link_grp " + extra +
                                "\npick link_mod\n");
  for (const char *shown : {"link_bas       edit_box = \"12\"", "link_prm       edit_box = \"ST1\"",
                            "Query: BASENUMBER = 12", "Query: STATION = ST1",
                            "1: 12         ST1        G1"}) {
    EXPECT_NE(out.find(shown), std::string::npos) << shown << "\n" << out;
  }
  EXPECT_EQ(out.find("Query: None found"), std::string::npos) << out;
  EXPECT_NE(out.find("... Entity linked"), std::string::npos) << out;
  EXPECT_EQ(link_of(e), "STATION|12|NAME|" + key + "|" + extra) << "the values were cut";
}

TEST_F(LinkCmd, UnlinkedEntityOpensEmptyAndRowZeroOfAnEmptyTableIsAccepted) {
  ads_name e;
  line(0, nullptr, e);
  std::string out = link_dialog(pick(e) + "\npv_link\nshow\nselect link_prj 0\nselect link_tbl 1\n"
                                          "select link_col 2\nset link_prm 4\npick link_mod\n");
  EXPECT_NE(out.find("link_prj       list_box \"Project:\" = \"\""), std::string::npos) << out;
  EXPECT_NE(out.find("link_tbl       list_box \"Table:\" = \"\" (disabled)"), std::string::npos) << out;
  EXPECT_NE(out.find("link_bas       edit_box = \"\" (disabled)"), std::string::npos) << out;
  EXPECT_EQ(link_of(e), "SITES|0|NAME|4|");

  out = link_dialog("900,900\n");
  EXPECT_NE(out.find(err_text(LINK_ERR_NOTHING_PICKED)), std::string::npos) << out;
  EXPECT_EQ(out.find("Dialog: pv_link"), std::string::npos);
}

TEST_F(LinkCmd, SearchListsSayWhenNothingIsFound) {
  run("INSERT INTO STATION VALUES (12, 'ST1', 'Red Hill', '')");
  ads_name e;
  link_rec l = lk("STATION", 12, "NAME", "ST1");
  text(0, "Red Hill", &l, e);
  std::string out = link_dialog(pick(e) + "\npv_link\nset link_bas 13\nset link_prm ST9\npick link_qry\nshow\ncancel\n");
  for (const char *shown : {"0: Query: BASENUMBER = 13", "1: Query: None found", "0: Query: STATION = ST9"})
    EXPECT_NE(out.find(shown), std::string::npos) << shown << "\n" << out;
  EXPECT_EQ(link_of(e), "STATION|12|NAME|ST1|") << "cancel changed the link";
}

/* ---- Attaching objects ---- */

TEST_F(LinkCmd, AttachLoopLinksPickedObjectsAndRefusesSymbolsOfOtherRows) {
  run("INSERT INTO STATION VALUES (12, 'ST1', 'Red Hill', 'G1')");
  run("INSERT INTO STATION VALUES (13, 'ST3', 'Green', '')");
  ads_name plain, again, symbol, last;
  line(0, nullptr, plain);
  link_rec l = lk("STATION", 13, "BASENUMBER", "ST3");
  line(10, &l, again);
  l = lk("STATION", 13, "NAME", "ST3");
  text(20, "Green", &l, symbol);
  line(30, nullptr, last);
  auto box = [](const char *text) { return msg_box_dialog_name("yesno", msg_box_size_for(text)) + "\n"; };
  const char *other = "ERROR: Object attached to STATION.NAME. Cannot link... continue ?";
  std::string script = pick(plain) + "\n" + box("SUCCESS: Object attached... continue linking ?") + "ok\n" +
                       pick(symbol) + "\n" + box(other) + "ok\n" + pick(again) + "\n" +
                       box("SUCCESS: Object attached... link more objects ?") + "ok\n" + pick(last) + "\n" +
                       box("SUCCESS: Object attached... continue linking ?") + "cancel\n" + pick(plain) + "\n";
  host_io_use_script_text(script);
  void *stmt = nullptr, *cursor = nullptr;
  sql_col_rec *row = nullptr;
  ASSERT_GT(sql_select_where(project_->connection, "STATION", "BASENUMBER", "12", nullptr, &stmt, &cursor, &row), 0);
  EXPECT_EQ(link_attach_loop(row), 0);
  sql_close_query(&stmt, &cursor, &row);
  std::string rest;
  EXPECT_TRUE(host_io_peek_answer(rest)) << "no after a success did not end the loop";
  EXPECT_EQ(rest, pick(plain));
  EXPECT_TRUE(host_io_faults().empty()) << host_io_transcript();
  EXPECT_EQ(link_of(plain), "STATION|12|BASENUMBER|ST1|G1");
  EXPECT_EQ(link_of(again), "STATION|12|BASENUMBER|ST1|G1");
  EXPECT_EQ(link_of(last), "STATION|12|BASENUMBER|ST1|G1");
  EXPECT_EQ(link_of(symbol), "STATION|13|NAME|ST3|") << "a symbol of another row was relinked";

  host_io_use_script_text("\n");
  ASSERT_GT(sql_select_where(project_->connection, "STATION", "BASENUMBER", "12", nullptr, &stmt, &cursor, &row), 0);
  EXPECT_EQ(link_attach_loop(row), 0) << "picking nothing ends the loop";
  sql_close_query(&stmt, &cursor, &row);
  EXPECT_EQ(link_attach_loop(nullptr), -1);
}

TEST_F(LinkCmd, FailedHostLinkLeavesEntityAndRowAsTheyWere) {
  run("INSERT INTO STATION VALUES (12, 'ST1', 'Red Hill', '')");
  run("INSERT INTO STATION VALUES (12, 'ST2', 'Blue Lake', '')");
  ads_name red, plain, second, ss;
  link_rec l = lk("STATION", 12, "NAME", "ST1");
  text(0, "Red Hill", &l, red);
  line(100, nullptr, plain);
  line(200, nullptr, second);
  all(ss);
  host_links_failing();
  EXPECT_EQ(clean_entity(red, ss), 0);
  EXPECT_EQ(rows("SELECT STATION, BASENUMBER FROM STATION ORDER BY STATION"), "ST1|12\nST2|12\n");
  EXPECT_EQ(link_of(red), "STATION|12|NAME|ST1|");
  ss_free(ss);

  /* In the attach loop a failed object is reported and the loop goes on. */
  host_links_failing();
  std::string box = msg_box_dialog_name("yesno", msg_box_size_for("SUCCESS: Object attached... continue linking ?"));
  host_io_clear_transcript();
  host_io_use_script_text(pick(plain) + "\n" + pick(second) + "\n" + box + "\ncancel\n");
  void *stmt = nullptr, *cursor = nullptr;
  sql_col_rec *row = nullptr;
  ASSERT_GT(sql_select_where(project_->connection, "STATION", "STATION", "'ST1'", nullptr, &stmt, &cursor, &row), 0);
  EXPECT_EQ(link_attach_loop(row), 0);
  sql_close_query(&stmt, &cursor, &row);
  EXPECT_NE(host_io_transcript().find("Petrivex ERROR:\nCannot link object"), std::string::npos) << host_io_transcript();
  EXPECT_FALSE(host_io_ran_out());
  EXPECT_EQ(link_of(plain), "none");
  EXPECT_EQ(link_of(second), "STATION|12|BASENUMBER|ST1|");
}

}  // namespace
