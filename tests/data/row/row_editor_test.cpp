/*
** row_editor_test.cpp: the row editor run through the stand-in editor's
** scripted dialogs on DB3 tables made by the test (samples, stations,
** units and legends): jumps to related rows four editors deep, each
** getting its own state back; walking a query to both ends; writing a
** walked row after the question, only in the column the user changed
** and only while it holds what was shown; a new row numbered from the table's
** highest number and refused while a unique value is taken; moving in
** the list with the check; the column input setup; the buttons whose
** dialogs come later; the profile picker and the tree walker opened from
** "list" and "tree".
*/
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "core/dlg_state.h"
#include "core/item_tree.h"
#include "core/pv_globals.h"
#include "core/row_state.h"
#include "core/sql_fixture.h"
#include "data/item_table.h"
#include "data/memo.h"
#include "data/row/dialog_fixture.h"
#include "data/row_edit.h"
#include "draw/map_params.h"
#include "platform/dialog/dialog_test_api.h"

namespace {

class RowEditor : public DialogDb3Test {
 protected:
  void SetUp() override {
    DialogDb3Test::SetUp();
    if (IsSkipped()) return;
    run("CREATE TABLE SAMPL (BASENUMBER NUMERIC(8,0), SAMPNO CHAR(8), STN NUMERIC(8,0))");
    run("CREATE TABLE STATN (BASENUMBER NUMERIC(8,0), STN NUMERIC(8,0), NAME CHAR(20), UNITNO NUMERIC(8,0))");
    run("CREATE TABLE UNIT (BASENUMBER NUMERIC(8,0), UNITNO NUMERIC(8,0), LEGNO NUMERIC(8,0))");
    run("CREATE TABLE LEGND (BASENUMBER NUMERIC(8,0), LEGNO NUMERIC(8,0), DESCR CHAR(20))");
    run("INSERT INTO SAMPL VALUES (1, 'S-1', 10)");
    run("INSERT INTO SAMPL VALUES (2, 'S-2', 11)");
    run("INSERT INTO STATN VALUES (1, 10, 'Cache Creek', 100)");
    run("INSERT INTO STATN VALUES (2, 11, 'Bonaparte', 101)");
    run("INSERT INTO UNIT VALUES (1, 100, 1000)");
    run("INSERT INTO UNIT VALUES (2, 101, 1001)");
    run("INSERT INTO LEGND VALUES (1, 1000, 'Limestone')");
    run("INSERT INTO LEGND VALUES (2, 1001, 'Basalt')");
    enroll("SAMPL", TBL_DEF_SAMPLE, {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_STATION, "STN"}});
    statn_ = enroll("STATN", TBL_DEF_STATION,
                    {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_STATION, "STN"}, {TBL_KEY_UNIT, "UNITNO"}});
    enroll("UNIT", TBL_DEF_UNIT, {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_UNIT, "UNITNO"}, {TBL_KEY_LEGEND, "LEGNO"}});
    enroll("LEGND", TBL_DEF_LEGEND, {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_LEGEND, "LEGNO"}});
    map_params_init(&g_map_params);
  }
  void TearDown() override {
    close();
    DialogDb3Test::TearDown();
  }

  /* Registers a table as logon does: its columns' rules join the
  ** project's list, no key flags or numbers are read. */
  tbl_rec *enroll(const char *name, int type, const std::vector<std::pair<int, const char *>> &slots) {
    tbl_rec *r = tbl_rec_new();
    snprintf(r->name, sizeof r->name, "%s", name);
    r->table_type = type;
    r->column_count = sql_describe_table(project_->connection, name, &r->columns, 0);
    EXPECT_GT(r->column_count, 0) << name;
    for (auto &s : slots) r->keys[s.first] = tbl_column_find(r->columns, s.second, nullptr, nullptr);
    EXPECT_EQ(tbl_add(project_, r), 0);
    return r;
  }

  /* Opens a query of one table whose rows the editor walks; its columns
  ** are named with their table and take their rules, as the browser
  ** names them. */
  void query(const char *table, const char *order = "BASENUMBER") {
    close();
    std::string sql = std::string("SELECT * FROM ") + table + " ORDER BY " + order;
    ASSERT_GT(sql_query(project_->connection, sql.c_str(), &stmt_, &cursor_, &row_, 0), 0) << sql;
    for (sql_col_rec *c = row_; c; c = c->next) {
      snprintf(c->table, sizeof c->table, "%s", table);
      c->attr = col_attr_find(project_->col_attrs, c->name, table, nullptr);
    }
    g_cur_row = 0;
  }
  void close() { sql_close_query(&stmt_, &cursor_, &row_); }

  /* Runs the editor on the open query, in edit mode, with answers. */
  int edit(const std::string &answers) {
    host_io_clear_transcript();
    host_io_use_script_text(answers);
    return pv_edit_col_dialog(stmt_, cursor_, row_, 0, 0, 0, 1);
  }

  /* A tile of the editor that ended last. */
  static dlg_tile_snapshot tile(const char *key, const char *dialog = "pv_edit_col") {
    dlg_tile_snapshot t;
    EXPECT_TRUE(dlg_test_last_tile(dialog, key, t)) << key;
    return t;
  }

  /* The first list line of a column. */
  static std::string line(const char *name, const char *text) {
    char buf[ROW_LINE_SIZE];
    snprintf(buf, sizeof buf, "%-15.15s\t:\t%-27.27s", name, text);
    return buf;
  }

  tbl_rec *statn_ = nullptr;      /* the registered station table */
  void *stmt_ = nullptr, *cursor_ = nullptr;
  sql_col_rec *row_ = nullptr;    /* the query's row */
};

TEST_F(RowEditor, JumpsOpenFourEditorsEachGettingItsOwnStateBack) {
  query("SAMPL");
  row_state_rec before = g_row_state;
  /* Tables are listed by name: LEGND 0, SAMPL 1, STATN 2, UNIT 3. */
  EXPECT_EQ(edit("pv_edit_col\nselect edit_tbl 2\n"
                 "pv_edit_col\nselect edit_tbl 3\n"
                 "pv_edit_col\nselect edit_tbl 0\n"
                 "pv_edit_col\nshow\nselect edit_tbl 1\ncancel\n"   /* the fourth: no jump */
                 "show\ncancel\n"                                     /* the third: UNIT */
                 "select edit_tbl 1\n"                                /* back to the samples: refused */
                 "cancel\n"
                 "pick next\nok\npv_yesno_small\npick no\n"),           /* the first walks its own cursor */
            RTNORM);
  const std::string t = host_io_transcript();
  EXPECT_NE(t.find("Limestone"), std::string::npos) << "the fourth shows the legend of the unit of the station";
  ASSERT_EQ(host_io_faults().size(), 1u) << "only the jump of the fourth is refused: its table tile is disabled";
  EXPECT_NE(host_io_faults()[0].find("edit_tbl"), std::string::npos) << host_io_faults()[0];
  /* The outermost editor got its row, cursor and table back. */
  EXPECT_EQ(tile("edit_list").items.at(1), line("SAMPNO", "S-2"));
  EXPECT_EQ(tile("edit_tbl").value, "1");
  EXPECT_EQ(tile("edit_proj").items, std::vector<std::string>{"GEO"});
  EXPECT_FALSE(tile("edit_proj").enabled);
  EXPECT_EQ(g_row_state.edit_depth, before.edit_depth);
  EXPECT_EQ(g_row_state.top_row, nullptr);
  EXPECT_EQ(g_row_state.cur_row, before.cur_row);
  EXPECT_EQ(g_row_state.dlg_result, ROW_DLG_ACCEPT);
}

TEST_F(RowEditor, TheFourthEditorShowsItsTableAloneAndAFifthIsRefused) {
  query("LEGND");
  g_row_state.edit_depth = ROW_STATE_MAX_DEPTH - 1;
  EXPECT_EQ(edit("pv_edit_col\ncancel\n"), RTERROR);
  EXPECT_EQ(tile("edit_tbl").items, std::vector<std::string>{"LEGND"});
  EXPECT_FALSE(tile("edit_tbl").enabled);
  EXPECT_EQ(g_row_state.edit_depth, ROW_STATE_MAX_DEPTH - 1) << "the depth comes back";
  EXPECT_EQ(g_row_state.dlg_result, ROW_DLG_CANCEL);
  g_row_state.edit_depth = ROW_STATE_MAX_DEPTH;
  EXPECT_EQ(pv_edit_col_dialog(stmt_, cursor_, row_, 0, 0, 0, 1), -2);
  g_row_state.edit_depth = 0;
  EXPECT_EQ(pv_edit_col_dialog(stmt_, cursor_, nullptr, 0, 0, 0, 1), -2);
}

TEST_F(RowEditor, AJumpWithoutASharedKeyOrMatchingRowSaysSo) {
  query("LEGND");
  /* A legend shares nothing with a sample (no LEGEND column there). */
  EXPECT_EQ(edit("pv_edit_col\nselect edit_tbl 1\ncancel\n"), RTERROR);
  EXPECT_EQ(tile("error").value, "Cannot search for data in SAMPL from current table.");
  EXPECT_EQ(tile("edit_tbl").value, "0") << "the tile goes back to the row's table";
  run("DELETE FROM UNIT WHERE LEGNO = 1000");
  EXPECT_EQ(edit("pv_edit_col\nselect edit_tbl 3\ncancel\n"), RTERROR);
  EXPECT_EQ(tile("error").value, "No matching rows found in table: UNIT");
}

TEST_F(RowEditor, WalkingAQueryReachesBothEnds) {
  query("STATN");
  EXPECT_EQ(edit("pv_edit_col\npick next\npick next\ncancel\n"), RTERROR);
  EXPECT_EQ(tile("error").value, "ERROR:  Last row reached");
  EXPECT_FALSE(tile("next").enabled);
  EXPECT_TRUE(tile("prev").enabled);
  EXPECT_EQ(tile("edit_list").items.at(2), line("NAME", "Bonaparte"));
  query("STATN");
  EXPECT_EQ(edit("pv_edit_col\npick next\npick prev\npick prev\ncancel\n"), RTERROR);
  EXPECT_EQ(tile("error").value, "ERROR:  Top row reached");
  EXPECT_FALSE(tile("prev").enabled);
  EXPECT_EQ(tile("edit_list").items.at(2), line("NAME", "Cache Creek"));
}

TEST_F(RowEditor, AWalkedRowIsWrittenAfterTheQuestion) {
  query("STATN");
  EXPECT_EQ(edit("pv_edit_col\nselect edit_list 2\nset edit_col \"O'Neil Creek\"\nok\npv_yesno_small\nok\n"),
            RTNORM);
  EXPECT_EQ(rows("SELECT NAME FROM STATN ORDER BY BASENUMBER"), "O'Neil Creek\nBonaparte\n");
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
}

TEST_F(RowEditor, AWalkedRowWritesOnlyTheUsersColumnWhileItHoldsWhatWasShown) {
  /* Another user's change to row 1 after it was read, the user's name
  ** typed over it: what the table holds then, and the editor's end. */
  struct {
    const char *other;    /* the other user's change */
    const char *stored;   /* NAME|UNITNO of the rows afterwards */
    const char *error;    /* the editor's "error" line */
    int rc;               /* the editor's answer */
  } cases[] = {
      {"UPDATE STATN SET UNITNO = 555 WHERE BASENUMBER = 1", "O'Neil Creek|555\nBonaparte|101\n", "", RTNORM},
      {"UPDATE STATN SET NAME = 'O''Neil Creek' WHERE BASENUMBER = 1", "O'Neil Creek|100\nBonaparte|101\n", "",
       RTNORM},
      {"UPDATE STATN SET NAME = 'Other' WHERE BASENUMBER = 1", "Other|100\nBonaparte|101\n",
       "ERROR:  Changed by another user meanwhile: NAME. Shown as it is now: make your change again.", RTERROR},
  };
  for (const auto &c : cases) {
    run("UPDATE STATN SET NAME = 'Cache Creek', UNITNO = 100 WHERE BASENUMBER = 1");
    query("STATN");
    run(c.other);
    EXPECT_EQ(edit("pv_edit_col\nselect edit_list 2\nset edit_col \"O'Neil Creek\"\nok\npv_yesno_small\nok\n" +
                   std::string(c.rc == RTNORM ? "" : "cancel\n")),
              c.rc) << c.other;
    EXPECT_EQ(rows("SELECT NAME, UNITNO FROM STATN ORDER BY BASENUMBER"), c.stored) << c.other;
    EXPECT_EQ(tile("error").value, c.error) << c.other;
    if (c.rc != RTNORM) {
      EXPECT_EQ(tile("edit_list").items[2], line("NAME", "Other"));
    }
    for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  }
}

TEST_F(RowEditor, EditModeWithoutACursorCannotAccept) {
  query("STATN");
  host_io_use_script_text("pv_edit_col\ncancel\n");
  EXPECT_EQ(pv_edit_col_dialog(nullptr, nullptr, row_, 0, 0, 0, 1), RTERROR);
  EXPECT_FALSE(tile("accept").enabled);
  EXPECT_FALSE(tile("next").enabled);
}

TEST_F(RowEditor, ANewRowTakesTheNextNumberAndARepeatedUniqueValueIsRefused) {
  /* NAME offers its default. */
  col_attr_rec *name = col_attr_find(project_->col_attrs, "NAME", "STATN", nullptr);
  ASSERT_NE(name, nullptr);
  name->default_text = strdup("Unnamed station");
  host_io_use_script_text("pv_edit_col\nselect edit_list 1\nset edit_col 11\nok\ncancel\n"
                          "pv_edit_col\nselect edit_list 1\nset edit_col 12\nok\n");
  sql_col_rec *none = nullptr;
  EXPECT_EQ(row_enter_new(project_->connection, &none, "STATN", 1), -5001);
  EXPECT_EQ(tile("error").value, "STN: 11 already exists in table STATN");
  EXPECT_EQ(row_enter_new(project_->connection, &none, "STATN", 1), RTNORM);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(tile("edit_list").items.at(0), line("BASENUMBER", "3"));
  EXPECT_EQ(rows("SELECT BASENUMBER, STN, NAME FROM STATN WHERE BASENUMBER = 3"), "3|12|Unnamed station\n");
  /* The next one is numbered after it. */
  host_io_use_script_text("pv_edit_col\nselect edit_list 1\nset edit_col 13\nok\n");
  EXPECT_EQ(row_enter_new(project_->connection, &none, "STATN", 1), RTNORM);
  EXPECT_EQ(rows("SELECT STN FROM STATN WHERE BASENUMBER = 4"), "13\n");
  EXPECT_EQ(row_enter_new(project_->connection, &none, " ", 1), -2);
}

TEST_F(RowEditor, ATypedValueTheRuleDoesNotTakeIsShownAndNothingIsWritten) {
  /* NAME may not be edited, UNITNO must hold a value. */
  col_attr_rec *name = col_attr_find(project_->col_attrs, "NAME", "STATN", nullptr);
  col_attr_rec *unit = col_attr_find(project_->col_attrs, "UNITNO", "STATN", nullptr);
  ASSERT_TRUE(name && unit);
  name->flags &= (uint16_t)~COL_ATTR_EDIT;
  unit->flags |= COL_ATTR_NULL;
  sql_col_rec *none = nullptr;
  /* The first column, selected on opening, is not editable either: the
  ** error line stays empty until something is typed. */
  col_attr_rec *number = col_attr_find(project_->col_attrs, "BASENUMBER", "STATN", nullptr);
  ASSERT_NE(number, nullptr);
  number->flags &= (uint16_t)~COL_ATTR_EDIT;
  host_io_use_script_text("pv_edit_col\ncancel\n");
  EXPECT_EQ(row_enter_new(project_->connection, &none, "STATN", 1), -5001);
  EXPECT_EQ(tile("error").value, "");
  host_io_use_script_text("pv_edit_col\nselect edit_list 1\nset edit_col 12\nselect edit_list 2\n"
                          "set edit_col Hat Creek\nok\ncancel\n");
  EXPECT_EQ(row_enter_new(project_->connection, &none, "STATN", 1), -5001);
  EXPECT_EQ(tile("error").value, "Hat Creek Cannot edit column NAME");
  host_io_use_script_text("pv_edit_col\nselect edit_list 1\nset edit_col 12\nok\ncancel\n");
  EXPECT_EQ(row_enter_new(project_->connection, &none, "STATN", 1), -5001);
  EXPECT_EQ(tile("error").value, "Blank entry not allowed in column UNITNO");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM STATN"), "2\n") << "nothing written";
}

TEST_F(RowEditor, ARefusedValueKeepsTheListOnItsColumn) {
  query("STATN");
  EXPECT_EQ(edit("pv_edit_col\nselect edit_list 1\nset edit_col 12.5\nselect edit_list 2\n"
                 "set edit_col 12.5\nok\ncancel\n"),
            RTERROR);
  EXPECT_EQ(tile("error").value, "12.5 Too many decimal points in STN");
  EXPECT_EQ(tile("edit_list").value, "1");
  EXPECT_EQ(tile("edit_name").value, "STN");
  EXPECT_EQ(rows("SELECT STN FROM STATN WHERE BASENUMBER = 1"), "10\n") << "nothing written";
}

TEST_F(RowEditor, ARefusalIsClearedOnceItsColumnTakesAValue) {
  col_attr_rec *name = col_attr_find(project_->col_attrs, "NAME", "STATN", nullptr);
  ASSERT_NE(name, nullptr);
  name->flags |= COL_ATTR_NULL;
  query("STATN");
  /* Blank NAME refused; a name typed and its own line picked again. */
  EXPECT_EQ(edit("pv_edit_col\nselect edit_list 2\nset edit_col\nselect edit_list 1\nshow\n"
                 "set edit_col Bonny\nselect edit_list 2\ncancel\n"),
            RTERROR);
  EXPECT_NE(host_io_transcript().find("Blank entry not allowed in column NAME"), std::string::npos)
      << host_io_transcript();
  EXPECT_EQ(tile("error").value, "");
  EXPECT_EQ(tile("edit_list").items.at(2), line("NAME", "Bonny"));
}

TEST_F(RowEditor, InputGivesTheColumnTheRuleThatReplacedItsOldOne) {
  query("STATN");
  EXPECT_EQ(edit("pv_edit_col\nselect edit_list 2\npick input\npv_cinsetup\nset cin_defval Unknown\nok\ncancel\n"),
            RTERROR);
  EXPECT_TRUE(host_io_faults().empty()) << host_io_transcript();
  sql_col_rec *name = sql_col_nth(row_, 2);
  col_attr_rec *listed = col_attr_find(project_->col_attrs, "NAME", "STATN", nullptr);
  ASSERT_NE(listed, nullptr);
  EXPECT_EQ(name->attr, listed) << "the row's column must not keep the freed rule";
  EXPECT_STREQ(listed->default_text, "Unknown");
  EXPECT_EQ(tile("error").value, "");
}

TEST_F(RowEditor, SymbolOpensTheSymbolSetupOfTheCurrentColumn) {
  query("STATN");
  EXPECT_EQ(edit("pv_edit_col\nselect edit_list 1\npick symbol\npv_symsetup\ncancel\ncancel\n"), RTERROR);
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_EQ(tile("sym_hdrval", "pv_symsetup").value, "STATN");
  EXPECT_EQ(tile("sym_itmval", "pv_symsetup").value, "STN");
  EXPECT_EQ(project_->symbols, nullptr) << "cancel adds no setup";
}

TEST_F(RowEditor, PointsOpensThePointSetupOfTheRowsTable) {
  query("STATN");
  EXPECT_EQ(edit("pv_edit_col\npick points\npv_pntsetup\ncancel\ncancel\n"), RTERROR);
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_EQ(tile("pnt_tblname", "pv_pntsetup").value.find("STATN") != std::string::npos, true);
}

TEST_F(RowEditor, PointShowsTheRowsPointAndWritesTheTypedOneWithTheColumnsFormat) {
  run("CREATE TABLE PTS (BASENUMBER NUMERIC(8,0), EASTING NUMERIC(12,3), NORTHING NUMERIC(12,3))");
  run("INSERT INTO PTS VALUES (1, 1000.5, 2000.25)");
  tbl_rec *t = enroll("PTS", TBL_DEF_OTHER, {{TBL_KEY_BASENUMBER, "BASENUMBER"}});
  ASSERT_GE(prj_add_builtin_systems(), 1);
  pnt_rec *s = pnt_new();
  s->x_col = tbl_column_find(t->columns, "EASTING", nullptr, nullptr);
  s->y_col = tbl_column_find(t->columns, "NORTHING", nullptr, nullptr);
  s->projection = prj_find("USER", nullptr);
  ASSERT_EQ(pnt_attach(project_, s), 0);
  query("PTS");
  EXPECT_EQ(edit("pv_edit_col\nselect edit_list 1\npick point\npv_edit_point\nset ypoint 2500.1254\nok\n"
                 "select edit_list 1\npick point\npv_edit_point\ncancel\nok\npv_yesno_small\nok\n"),
            RTNORM);
  EXPECT_TRUE(host_io_faults().empty()) << host_io_faults()[0];
  EXPECT_EQ(tile("xpoint", "pv_edit_point").value, "1000.500") << "the row's point is shown";
  EXPECT_EQ(tile("ypoint", "pv_edit_point").value, "2500.125");
  EXPECT_EQ(tile("edit_list").items[2], line("NORTHING", "2500.125")) << "written in the column's format";
  EXPECT_EQ(rows("SELECT EASTING, NORTHING FROM PTS"), "1000.500|2500.125\n") << "cancel of the point changed nothing";
  prj_list_free();
}

TEST_F(RowEditor, MapOptionsShowTheMapsSwitchesAndTheirAbsenceClearsThem) {
  query("STATN");
  g_map_params.attach = 1;
  host_io_use_script_text("pv_edit_col\npick plot\ncancel\n");
  EXPECT_EQ(pv_edit_col_dialog(nullptr, nullptr, row_, 0, 1, 0, 0), RTERROR);
  EXPECT_EQ(g_map_params.plot, 0) << "the plot toggle cleared the map's plot switch";
  EXPECT_EQ(g_map_params.attach, 1);
  host_io_use_script_text("pv_edit_col\ncancel\n");
  EXPECT_EQ(pv_edit_col_dialog(nullptr, nullptr, row_, 0, 0, 0, 0), RTERROR);
  EXPECT_FALSE(tile("attach").enabled);
  EXPECT_EQ(g_map_params.attach, 0);
}

TEST_F(RowEditor, ADictionaryItemIsEditedWithItsKeysLocked) {
  ASSERT_EQ(prf_edit_set_project(nullptr, project_), 0);
  char name[] = "ROCKD";
  ASSERT_EQ(dix_create(name), 0);
  uint16_t number = 0;
  ASSERT_EQ(dix_insert("ROCKD", "Devil's Gate", "DG", &number, "A gorge", 0), 0);
  char shortname[ROW_SHORTNAME_SIZE] = "x";
  host_io_use_script_text("pv_edit_col\nselect edit_list 2\nset edit_col DGT\nselect edit_list 1\nok\n");
  host_io_clear_transcript();
  EXPECT_EQ(dix_edit_item("ROCKD", "Devil's Gate", shortname), 0) << host_io_transcript();
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  EXPECT_STREQ(shortname, "DGT");
  EXPECT_FALSE(tile("edit_list").value.empty());
  EXPECT_EQ(rows("SELECT SHORTNAME FROM ROCKD WHERE BASENUMBER = " + std::to_string(number)), "DGT\n");
  /* Typing over the locked long name is refused without a message and
  ** changes nothing. */
  host_io_use_script_text("pv_edit_col\nselect edit_list 1\nset edit_col Other\nok\n");
  EXPECT_EQ(dix_edit_item("ROCKD", "Devil's Gate", shortname), 0);
  EXPECT_EQ(rows("SELECT LONGNAME FROM ROCKD WHERE BASENUMBER = " + std::to_string(number)), "Devil's Gate\n");
  host_io_clear_transcript();
  EXPECT_EQ(dix_edit_item("ROCKD", "Obsidian", shortname), -1);
  EXPECT_NE(host_io_transcript().find("Obsidian not in dictionary"), std::string::npos);
  EXPECT_EQ(dix_edit_item("ROCKD", "Obsidian", nullptr), -2);
  /* One another session's driver is filling anew takes no write: said
  ** once, the row as it was. */
  const std::string dbf = project_file("ROCKD.DBF"), guard = dbf.substr(0, dbf.size() - 4) + ".RFG";
  char host[256] = "";
  gethostname(host, sizeof host - 1);
  int named[2];
  ASSERT_EQ(pipe(named), 0);
  pid_t driver = fork();
  ASSERT_GE(driver, 0);
  if (driver == 0) {
    prctl(PR_SET_NAME, "pvdb3");
    (void)!write(named[1], "y", 1);
    pause();
    _exit(0);
  }
  char ready = 0;
  ASSERT_EQ(read(named[0], &ready, 1), 1);   /* named as the driver is */
  ::close(named[0]);
  ::close(named[1]);
  std::ofstream(guard) << driver << " " << host << "\npv-profile's Save\n";
  host_io_use_script_text("pv_edit_col\nselect edit_list 2\nset edit_col DGX\nselect edit_list 1\nok\n");
  host_io_clear_transcript();
  EXPECT_EQ(dix_edit_item("ROCKD", "Devil's Gate", shortname), -1);
  const std::string said = host_io_transcript();
  const std::string refused = "Table ROCKD is being written by pv-profile's Save in another session.";
  EXPECT_NE(said.find(refused), std::string::npos) << said;
  EXPECT_EQ(said.find(refused), said.rfind(refused)) << said;
  EXPECT_EQ(rows("SELECT SHORTNAME FROM ROCKD WHERE BASENUMBER = " + std::to_string(number)), "DGT\n");
  kill(driver, SIGKILL);
  waitpid(driver, nullptr, 0);
  std::filesystem::remove(guard);
  /* A dictionary that cannot be read is named with what failed. */
  count_more_records("ROCKD");
  host_io_clear_transcript();
  EXPECT_EQ(dix_edit_item("ROCKD", "Devil's Gate", shortname), -1);
  EXPECT_NE(host_io_transcript().find("Table ROCKD cannot be read: table ROCKD is damaged"), std::string::npos)
      << host_io_transcript();
}

TEST_F(RowEditor, TheMemoButtonEditsTheRowsMemoAndShowsWhetherItHasLines) {
  col_attr_rec *name = col_attr_find(project_->col_attrs, "NAME", "STATN", nullptr);
  ASSERT_NE(name, nullptr);
  name->flags |= COL_ATTR_MEMO;
  query("STATN");
  EXPECT_EQ(edit("pv_edit_col\nselect edit_list 2\npick memo\n"
                 "pv_edit_memo\nset pv_memo_line \"A quiet creek\"\npick insert\nok\ncancel\n"),
            RTERROR);
  EXPECT_EQ(tile("edit_list").items.at(2), "NAME           \t:\tMEMO");
  /* The memo goes in with the row, at its OK; a cancelled row takes none. */
  EXPECT_NE(rows("SELECT MEMOTEXT FROM STATNMEM WHERE BASENUMBER = 1"), "A quiet creek\n");
  EXPECT_EQ(edit("pv_edit_col\nselect edit_list 2\npick memo\n"
                 "pv_edit_memo\nset pv_memo_line \"A quiet creek\"\npick insert\nok\nok\npv_yesno_small\nok\n"),
            RTNORM);
  EXPECT_EQ(rows("SELECT MEMOTEXT FROM STATNMEM WHERE BASENUMBER = 1"), "A quiet creek\n");
  /* A column that is no memo column says so. */
  name->flags &= (uint16_t)~COL_ATTR_MEMO;
  query("STATN");
  g_row_state.cur_row = row_;
  g_row_state.cur_col = row_;
  ads_callback_packet pkt = {};
  pkt.reason = CBR_SELECT;
  host_io_clear_transcript();
  pv_edit_col_memo_cb(&pkt);
  EXPECT_NE(host_io_transcript().find("Not a MEMO column"), std::string::npos);
  memo_reset();
}

TEST_F(RowEditor, UniqueValuesAreLookedUpAsTypedAndQuoted) {
  run("CREATE TABLE MEAS (BASENUMBER NUMERIC(8,0), DEPTH NUMERIC(8,1), OWNER CHAR(10))");
  run("INSERT INTO MEAS VALUES (1, 12.5, 'O''NEIL')");
  enroll("MEAS", TBL_DEF_OTHER, {{TBL_KEY_BASENUMBER, "BASENUMBER"}});
  for (const char *column : {"DEPTH", "OWNER"})
    col_attr_find(project_->col_attrs, column, "MEAS", nullptr)->flags |= COL_ATTR_UNQ;
  host_io_clear_transcript();
  host_io_use_script_text(
      "pv_edit_col\nselect edit_list 1\nset edit_col 12.5\nok\nshow\n"       /* 12.5 is there (12 is not) */
      "set edit_col 12\nselect edit_list 2\nset edit_col \"O'NEIL\"\nok\nshow\n"
      "set edit_col SMITH\nok\n");
  sql_col_rec *none = nullptr;
  EXPECT_EQ(row_enter_new(project_->connection, &none, "MEAS", 1), RTNORM);
  const std::string t = host_io_transcript();
  EXPECT_NE(t.find("DEPTH: 12.5 already exists in table MEAS"), std::string::npos) << t;
  EXPECT_NE(t.find("OWNER: O'NEIL already exists in table MEAS"), std::string::npos) << t;
  EXPECT_EQ(rows("SELECT BASENUMBER, DEPTH, OWNER FROM MEAS ORDER BY BASENUMBER"), "1|12.5|O'NEIL\n2|12.0|SMITH\n");
}

TEST_F(RowEditor, TheFirstRowOfAnEmptyTableIsNumberedTwo) {
  run("CREATE TABLE NOTES (BASENUMBER NUMERIC(8,0), TEXT CHAR(10))");
  enroll("NOTES", TBL_DEF_OTHER, {{TBL_KEY_BASENUMBER, "BASENUMBER"}});
  host_io_use_script_text("pv_edit_col\nselect edit_list 1\nset edit_col first\nok\n");
  sql_col_rec *none = nullptr;
  EXPECT_EQ(row_enter_new(project_->connection, &none, "NOTES", 1), RTNORM);
  EXPECT_EQ(rows("SELECT BASENUMBER, TEXT FROM NOTES"), "2|first\n");
}

TEST_F(RowEditor, AJumpFindsACharacterKeyWithAQuote) {
  run("CREATE TABLE OUTC (BASENUMBER NUMERIC(8,0), OCNO CHAR(10))");
  run("CREATE TABLE STAT2 (BASENUMBER NUMERIC(8,0), OCNO CHAR(10), NAME CHAR(20))");
  run("INSERT INTO OUTC VALUES (1, 'O''NEIL')");
  run("INSERT INTO STAT2 VALUES (1, 'O''NEIL', 'Ridge')");
  enroll("OUTC", TBL_DEF_OUTCROP, {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_OUTCROP, "OCNO"}});
  enroll("STAT2", TBL_DEF_STATION, {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_OUTCROP, "OCNO"}});
  query("OUTC");
  /* LEGND 0, OUTC 1, SAMPL 2, STAT2 3, STATN 4, UNIT 5. */
  EXPECT_EQ(edit("pv_edit_col\nselect edit_tbl 3\npv_edit_col\nshow\ncancel\ncancel\n"), RTERROR);
  EXPECT_NE(host_io_transcript().find("Ridge"), std::string::npos) << host_io_transcript();
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(RowEditor, ReturnInTheFieldMovesToTheNextColumnAndTheImageReopensWithTheValuesKept) {
  query("STATN");
  EXPECT_EQ(edit("pv_edit_col\npick edit_col\npick edit_col\nset edit_col Renamed\npick edit_col\npick edit_col\n"
                 "cancel\n"),
            RTERROR);
  EXPECT_EQ(tile("edit_list").value, "0") << "after the last column, the first";
  EXPECT_EQ(tile("edit_list").items.at(2), line("NAME", "Renamed"));
  /* An image column: the dialog ends to show the file and comes back
  ** with what was typed. */
  col_attr_rec *name = col_attr_find(project_->col_attrs, "NAME", "STATN", nullptr);
  name->flags |= COL_ATTR_IMAGE;
  query("STATN");
  host_io_clear_transcript();
  host_io_use_script_text("pv_edit_col\nselect edit_list 2\nset edit_col map.png\npick image\n\n"
                          "pv_edit_col\ncancel\n");
  EXPECT_EQ(pv_edit_col_dialog(stmt_, cursor_, row_, 0, 0, 1, 1), RTERROR);
  EXPECT_EQ(tile("edit_list").items.at(2), line("NAME", "map.png"));
  EXPECT_TRUE(host_io_faults().empty()) << "the image tile of an image column is enabled";
  EXPECT_NE(host_io_transcript().find("Press RETURN to continue..."), std::string::npos) << host_io_transcript();
}

TEST_F(RowEditor, ProfileColumnsTakeItemsByShortNameAndFromTheSymbolPicker) {
  item_node *tree = (item_node *)calloc(1, sizeof(item_node));
  item_root_init(tree, "ROCKS", "LITHO");
  item_node *granite = item_add_child(tree, "Granite", "GRAN", 1, 0, nullptr);
  item_add_child(tree, "Gneiss", "GNS", 2, 0, nullptr);
  granite->flags |= ITEM_SYMBOL;
  col_attr_rec *name = col_attr_find(project_->col_attrs, "NAME", "STATN", nullptr);
  name->tree = tree;
  name->flags |= COL_ATTR_PROFILE;
  snprintf(name->profile, sizeof name->profile, "ROCKS");
  snprintf(name->dictionary, sizeof name->dictionary, "LITHO");
  query("STATN");
  /* GX shares "G" with two short names: the prefix stays in the field. */
  EXPECT_EQ(edit("pv_edit_col\nselect edit_list 2\nset edit_col GX\nselect edit_list 0\nshow\n"
                 "pick list\npv_select_profile\nselect sel_prf 2\nok\nshow\npick symbols\npv_sel_sym\npick image1\nselect edit_list 0\ncancel\n"),
            RTERROR);
  const std::string t = host_io_transcript();
  EXPECT_NE(t.find("Entry for NAME GX not found in profile ROCKS"), std::string::npos) << t;
    dlg_tile_snapshot listed;
  ASSERT_TRUE(dlg_test_last_tile("pv_select_profile", "sel_prf", listed));
  EXPECT_EQ(listed.items, (std::vector<std::string>{"ROCKS : LITHO", "  Gneiss", "  Granite"}));
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  EXPECT_EQ(tile("edit_list").items.at(2), line("NAME", "Granite")) << "the picked symbol's item";
  query("STATN");
  EXPECT_EQ(edit("pv_edit_col\nselect edit_list 2\nset edit_col GN\nselect edit_list 0\ncancel\n"), RTERROR);
  EXPECT_EQ(tile("edit_list").items.at(2), line("NAME", "Gneiss")) << "a unique short-name prefix";
  query("STATN");
  EXPECT_EQ(edit("pv_edit_col\nselect edit_list 2\npick tree\npv_sel_tree\nselect symbol_tree 1\nok\n"
                 "select edit_list 0\ncancel\n"),
            RTERROR);
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  EXPECT_EQ(tile("edit_list").items.at(2), line("NAME", "Gneiss")) << "the item walked to";
  name->tree = nullptr;
  item_free_tree(tree);
}

}  // namespace
