/*
** dialog_test.cpp: the table setup dialog run through the stand-in
** editor's scripted dialogs on a DB3 project: the name check with its
** reasons and the reserved words, the column delete check, leaving with a
** table whose definition fails, the column definition and move dialogs,
** and the registration dialog's refusal.
*/
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/pv_config.h"
#include "core/pv_globals.h"
#include "core/sql_fixture.h"
#include "core/sym_setup.h"
#include "core/tile_util.h"
#include "dbf/dbf.h"
#include "data/tblsetup.h"
#include "platform/dialog/dialog_test_api.h"

namespace {

class TblSetupDialog : public SqlDb3Test {
 protected:
  void SetUp() override {
    SqlDb3Test::SetUp();
    if (IsSkipped()) return;
    saved_dcl_ = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    dlg_test_clear();
    run("CREATE TABLE STATN (BASENUMBER NUMERIC(8,0), STATION NUMERIC(8,0), SEGMENT NUMERIC(8,0), ROCKTYPE CHAR(20))");
    statn_ = register_table("STATN", TBL_DEF_STATION, {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_STATION, "STATION"}});
  }
  void TearDown() override {
    if (g_dcl_id != saved_dcl_) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl_;
    SqlDb3Test::TearDown();
  }

  /* Registers an existing table of the project with its slots. */
  tbl_rec *register_table(const char *name, int type, const std::vector<std::pair<int, const char *>> &slots) {
    tbl_rec *r = tbl_rec_new();
    snprintf(r->name, sizeof r->name, "%s", name);
    r->table_type = type;
    r->column_count = sql_describe_table(project_->connection, name, &r->columns, 0);
    EXPECT_GT(r->column_count, 0) << name;
    for (auto &s : slots) r->keys[s.first] = tbl_column_find(r->columns, s.second, nullptr, nullptr);
    EXPECT_EQ(tbl_insert(project_, r), 0);
    return r;
  }

  /* Runs the dialog with answers (its name is put first). */
  void setup(const std::string &answers) {
    host_io_clear_transcript();
    host_io_use_script_text("pv_tblsetup\n" + answers);
    EXPECT_EQ(pv_tblsetup(nullptr), RTNORM);
  }

  /* A tile of a dialog as it ended. */
  static dlg_tile_snapshot tile(const char *dialog, const char *key) {
    dlg_tile_snapshot t;
    EXPECT_TRUE(dlg_test_last_tile(dialog, key, t)) << dialog << " " << key;
    return t;
  }

  int saved_dcl_ = PV_NO_DCL;   /* g_dcl_id before the test */
  tbl_rec *statn_ = nullptr;    /* the registered STATION table */
};

TEST_F(TblSetupDialog, OpeningSelectsTheNewestProjectItsFirstTableAndColumn) {
  setup("pick exit\n");
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_EQ(tile("pv_tblsetup", "prj_name").value, "GEO");
  EXPECT_EQ(tile("pv_tblsetup", "tbl_name").value, "STATN");
  EXPECT_EQ(tile("pv_tblsetup", "col_name").value, "BASENUMBER");
  EXPECT_EQ(tile("pv_tblsetup", "opt_list").items,
            (std::vector<std::string>{"BASENUMBER", "STATION", "SEGMENT", "ROCKTYPE"}));
  EXPECT_FALSE(tile("pv_tblsetup", "save").enabled) << "nothing changed";
  EXPECT_TRUE(tile("pv_tblsetup", "move").enabled) << "a dBASE project";
  EXPECT_FALSE(tile("pv_tblsetup", "col_name").enabled) << "a registered column keeps its name";
  EXPECT_EQ(tblsetup_state_get()->tree, nullptr) << "leaving frees the tree";
}

TEST_F(TblSetupDialog, TableNamesAreCheckedForEachReason) {
  static const struct {
    const char *typed, *error;
  } k[] = {
      {"SOILS2", "Table name SOILS2 too long (at most 5 characters)"},   {"SO-IL", "Table name SO-IL has invalid characters"},
      {"TABLE", "Table name TABLE is a reserved word"}, {"statn", "Table name STATN already used"},
      {"\"\"", "Table name  empty"},
  };
  for (auto &e : k) {
    setup(std::string("pick tbl_opt\npick new\nset tbl_name ") + e.typed + "\npick exit\n");
    EXPECT_TRUE(host_io_faults().empty()) << e.typed;
    EXPECT_EQ(tile("pv_tblsetup", "error").value, e.error);
    EXPECT_EQ(tile("pv_tblsetup", "opt_list").items, std::vector<std::string>{"STATN"}) << "no node made";
  }
}

TEST_F(TblSetupDialog, AValidNameMakesANodeAndANamedNodeIsUsed) {
  setup("pick tbl_opt\npick new\nset tbl_name soil1\nset tbl_name SOIL1\npick exit\npv_ync_small\npick no\n");
  EXPECT_TRUE(host_io_faults().empty()) << host_io_transcript();
  EXPECT_EQ(tile("pv_tblsetup", "opt_list").items, (std::vector<std::string>{"STATN", "SOIL1"}));
  EXPECT_EQ(tile("pv_tblsetup", "error").value, "Table name SOIL1 already used");
  EXPECT_EQ(tile("pv_ync_small", "line1").value, "Save changes to GEO database ?");
  EXPECT_EQ(tbl_find_by_name(project_->tables, "SOIL1", nullptr), nullptr) << "no: nothing saved";

  setup("pick tbl_opt\npick new\nset tbl_name soil1\nselect opt_list 1\nset tbl_name SOIL1\n"
        "pick exit\npv_ync_small\npick no\n");
  EXPECT_TRUE(host_io_faults().empty()) << host_io_transcript();
  EXPECT_EQ(tile("pv_tblsetup", "error").value, "") << "a node's own name again is not 'already used'";
  EXPECT_EQ(tile("pv_tblsetup", "opt_list").items, (std::vector<std::string>{"STATN", "SOIL1"}));
}

TEST_F(TblSetupDialog, ColumnNamesTakeTenCharactersAndNewColumnsAreChar6) {
  setup("pick new\nset col_name ABCDEFGHIJK\npick exit\n");
  EXPECT_EQ(tile("pv_tblsetup", "error").value, "Column name ABCDEFGHIJK too long (at most 10 characters)");
  setup("pick new\nset col_name abcdefghij\n"
        "select opt_list 4\npick setup\npv_colsetup\nok\n"
        "pick exit\npv_ync_small\npick no\n");
  EXPECT_TRUE(host_io_faults().empty()) << host_io_transcript();
  EXPECT_EQ(tile("pv_tblsetup", "opt_list").items,
            (std::vector<std::string>{"BASENUMBER", "STATION", "SEGMENT", "ROCKTYPE", "ABCDEFGHIJ"}));
  EXPECT_EQ(tile("pv_colsetup", "col_type").value, "0");
  EXPECT_EQ(tile("pv_colsetup", "col_len").value, "6");
}

TEST_F(TblSetupDialog, TheReservedWordsAreTheStandardOnesAndTheServers) {
  int count = 0;
  for (const char *w : {"ABSOLUTE", "select", "Year", "END-EXEC", "TIMEZONE_MINUTE", "DEFERABLE", "OPR", "offset",
                        "ARRAY", "LIMIT", "WINDOW"})
    count += tblsetup_is_reserved(w);
  EXPECT_EQ(count, 9) << "OPR is no reserved word, WINDOW the profile tables' column";
  char offset[] = "offset";
  EXPECT_EQ(tblsetup_check_name(nullptr, offset, 3), -1);
  EXPECT_FALSE(tblsetup_is_reserved("SOIL1"));
  EXPECT_FALSE(tblsetup_is_reserved("DATES"));
  char name[] = "  soil1 ";
  EXPECT_EQ(tblsetup_check_name(nullptr, name, 2), 0);
  EXPECT_STREQ(name, "SOIL1");
  EXPECT_EQ(tblsetup_check_name(nullptr, name, 4), -2);
}

TEST_F(TblSetupDialog, KeyColumnsOfARegisteredTableCannotBeDeleted) {
  setup("select opt_list 1\npick delete\npick exit\n");
  EXPECT_EQ(tile("pv_tblsetup", "error").value, "Cannot delete Station Number");
  EXPECT_EQ(tile("pv_tblsetup", "opt_list").items.size(), 4u);
  setup("select opt_list 2\npick delete\npick exit\npv_ync_small\npick no\n");
  EXPECT_EQ(tile("pv_tblsetup", "opt_list").items,
            (std::vector<std::string>{"BASENUMBER", "STATION", "ROCKTYPE"}))
      << "SEGMENT fills no slot of a STATION table";
  EXPECT_EQ(tblsetup_check_column_delete(nullptr, project_, "STATN", "basenumber"), -1);
  EXPECT_EQ(tblsetup_check_column_delete(nullptr, project_, "STATN", "ROCKTYPE"), 0);
}

TEST_F(TblSetupDialog, LeavingWithAFailingDefinitionKeepsTheDialogOpen) {
  run("CREATE TABLE SAMPL (BASENUMBER NUMERIC(8,0), STATION NUMERIC(8,0), NAME CHAR(10))");
  register_table("SAMPL", TBL_DEF_SAMPLE, {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_STATION, "STATION"}});
  setup("pick exit\n"
        "pick tbl_opt\nselect opt_list 0\npick delete\npick exit\npv_ync_small\npick no\n"   /* still registered */
        "pick exit\npv_ync_small\nok\npv_yesno_small\npick no\n");   /* leaves the registry, kept on disk */
  EXPECT_TRUE(host_io_faults().empty()) << host_io_transcript();
  std::string t = host_io_transcript();
  EXPECT_NE(t.find("No Sample Number specified in SAMPL... correct with Table Setup or Column Setup"),
            std::string::npos)
      << t;
  EXPECT_NE(t.find("GEO database saved"), std::string::npos) << t;
  EXPECT_EQ(tile("pv_yesno_small", "line1").value + " " + tile("pv_yesno_small", "line2").value,
            "SAMPL removed from setup. Delete table from disk?");
  EXPECT_EQ(tile("pv_tblsetup", "opt_list").items, std::vector<std::string>{"STATN"});
  EXPECT_EQ(tbl_find_by_name(project_->tables, "SAMPL", nullptr), nullptr);
  EXPECT_TRUE(has_file("SAMPL.DBF")) << "no: the table stays on disk";
}

TEST_F(TblSetupDialog, ATableThatCannotBeMadeKeepsItsDesignAndTheTableOnDisk) {
  run("CREATE TABLE SOIL (BASENUMBER NUMERIC(8,0))");
  run("INSERT INTO SOIL (BASENUMBER) VALUES (7)");
  setup("pick tbl_opt\npick new\nset tbl_name soil\npick col_opt\npick new\nset col_name DEPTH\n"
        "pick save\npv_yesno_small\nok\npick tbl_opt\npick exit\npv_ync_small\npick no\n");
  std::string t = host_io_transcript();
  EXPECT_NE(t.find("\nCould not create table SOIL\nThe project has a table of SOIL's name; its design is kept"),
            std::string::npos) << t;
  EXPECT_EQ(tile("pv_tblsetup", "opt_list").items, (std::vector<std::string>{"STATN", "SOIL"}));
  EXPECT_EQ(rows("SELECT BASENUMBER FROM SOIL"), "7\n");
}

TEST_F(TblSetupDialog, DeletingATableFromDiskTakesItsMemoSideTableToo) {
  run("CREATE TABLE NOTE2 (BASENUMBER NUMERIC(8,0), TEXT CHAR(20))");
  run("CREATE TABLE NOTE2MEM (BASENUMBER NUMERIC(8,0), ORDNUMBER NUMERIC(8,0), MEMOTEXT CHAR(70))");
  register_table("NOTE2", TBL_DEF_OTHER, {{TBL_KEY_BASENUMBER, "BASENUMBER"}});
  setup("pick tbl_opt\nselect opt_list 0\npick delete\npick exit\n"
        "pv_ync_small\nok\npv_yesno_small\nok\n");
  EXPECT_TRUE(host_io_faults().empty()) << host_io_transcript();
  EXPECT_FALSE(has_file("NOTE2.DBF"));
  EXPECT_FALSE(has_file("NOTE2MEM.DBF")) << "a later NOTE2 would show the old lines as its memos";
  EXPECT_TRUE(has_file("STATN.DBF"));
  EXPECT_EQ(tbl_find_by_name(project_->tables, "NOTE2", nullptr), nullptr);
}

TEST_F(TblSetupDialog, AChangedTableThatCannotBeAlteredIsReportedAndLeftAsItWas) {
  project_->flags = PJCT_ENV_SERVER;   /* the DB3 driver refuses ALTER TABLE */
  setup("pick new\nset col_name DEPTH\npick save\npv_yesno_small\nok\n"
        "pick exit\npv_ync_small\npick no\n");
  EXPECT_TRUE(host_io_faults().empty()) << host_io_transcript();
  std::string t = host_io_transcript();
  EXPECT_NE(t.find("Could not modify table STATN"), std::string::npos) << t;
  EXPECT_EQ(t.find("GEO database saved"), std::string::npos);
  EXPECT_EQ(statn_->column_count, 4);
  EXPECT_EQ(tbl_column_find(statn_->columns, "DEPTH", nullptr, nullptr), nullptr);
}

TEST_F(TblSetupDialog, AChangedDbaseTableIsRebuiltAndPurgingAsksFirst) {
  run("INSERT INTO STATN (BASENUMBER, STATION, SEGMENT, ROCKTYPE) VALUES (1, 10, 1, 'granite')");
  run("INSERT INTO STATN (BASENUMBER, STATION, SEGMENT, ROCKTYPE) VALUES (2, 20, 1, 'schist')");
  run("DELETE FROM STATN WHERE BASENUMBER = 1");
  /* A rebuild refused is said once, in the line of its table. */
  std::string left = std::string(pjct_dir(project_->name)) + "/TEMPRARY.DBF";
  std::ofstream(left) << "the only copy";
  setup("pick new\nset col_name DEPTH\npick save\npv_yesno_small\nok\npv_alert_wrap\nok\npick exit\npv_ync_small\npick "
        "no\n");
  std::string said, want = "Could not modify table STATN: Cannot rebuild table STATN: " + left + " is left";
  for (const std::string &l : tile("pv_alert_wrap", "lines").items) said += l;
  std::erase(said, ' ');
  std::erase(want, ' ');
  EXPECT_NE(said.find(want), std::string::npos) << said;
  EXPECT_EQ(host_io_transcript().find("[Alert] Petrivex ERROR:"), std::string::npos) << host_io_transcript();
  std::remove(left.c_str());
  host_io_clear_transcript();
  setup("pick new\nset col_name DEPTH\npick save\npv_yesno_small\nok\npick exit\n");
  EXPECT_TRUE(host_io_faults().empty()) << host_io_transcript();
  EXPECT_NE(host_io_transcript().find("GEO database saved"), std::string::npos) << host_io_transcript();
  EXPECT_EQ(statn_->column_count, 5);
  EXPECT_NE(tbl_column_find(statn_->columns, "DEPTH", nullptr, nullptr), nullptr);
  EXPECT_EQ(rows("SELECT STATION, ROCKTYPE FROM STATN"), "20|schist\n");

  /* The rebuild dropped the deleted record already; mark one again. */
  run("DELETE FROM STATN WHERE BASENUMBER = 2");
  auto records = [&] {
    dbf_handle *h = dbf_new();
    long n = dbf_open(h, (std::string(pjct_dir(project_->name)) + "/STATN").c_str(), DBF_MODE_READ, 0) == DBF_OK
                 ? (long)h->header.record_count : -1;
    dbf_close(h);
    dbf_free(h);
    return n;
  };
  EXPECT_EQ(records(), 1);
  setup("pick purge\npv_yesno_small\npick no\npick exit\n");
  EXPECT_EQ(tile("pv_yesno_small", "line1").value, "Purge deleted rows from STATN ?");
  EXPECT_EQ(records(), 1) << "no: nothing purged";
  setup("pick purge\npv_yesno_small\nok\npick exit\n");
  EXPECT_TRUE(host_io_faults().empty()) << host_io_transcript();
  EXPECT_EQ(records(), 0);
  EXPECT_EQ(tile("pv_tblsetup", "error").value, "");
  EXPECT_FALSE(has_file("TEMPRARY.DBF"));
}

TEST_F(TblSetupDialog, PointsOpensThePointSetupOfTheSelectedTable) {
  setup("pick tbl_opt\nselect opt_list 0\npick points\npv_pntsetup\ncancel\npick exit\n");
  EXPECT_TRUE(host_io_faults().empty()) << host_io_transcript();
  EXPECT_EQ(tile("pv_pntsetup", "pnt_tblname").value, "STATN");
}

TEST_F(TblSetupDialog, ColumnDefinitionsAreCheckedByTheProjectsRules) {
  static const struct {
    unsigned flags;
    bool odbc;
    int type, length, decimals;
    const char *want;
  } k[] = {
      {PJCT_ENV_SERVER, false, TS_TYPE_CHAR, 254, 0, ""},
      {PJCT_ENV_SERVER, false, TS_TYPE_CHAR, 255, 0, "ERROR: Length greater than 254"},
      {PJCT_ENV_SERVER, false, TS_TYPE_CHAR, 0, 0, ""},
      {PJCT_ENV_SERVER, false, TS_TYPE_CHAR, -1, 0, "ERROR: Invalid length"},
      {PJCT_ENV_SERVER, false, TS_TYPE_NUMERIC, 18, 2, ""},
      {PJCT_ENV_SERVER, false, TS_TYPE_NUMERIC, 19, 2, "ERROR: Length greater than 18"},
      {PJCT_ENV_SERVER, false, TS_TYPE_NUMERIC, 3, 2, "ERROR: Decimals too large"},
      {PJCT_ENV_SERVER, false, TS_TYPE_NUMERIC, 3, 0, ""},
      {PJCT_ENV_SERVER, false, TS_TYPE_NUMERIC, 8, -1, "ERROR: Invalid decimals"},
      {PJCT_ENV_SERVER, false, TS_TYPE_FLOAT, 8, 0, ""},
      {PJCT_ENV_SERVER, false, TS_TYPE_FLOAT, 0, 0, "ERROR: Invalid length"},
      {PJCT_ENV_SERVER, false, TS_TYPE_NONE, 8, 0, "Invalid column type"},
      {PJCT_ENV_DB3, false, TS_TYPE_INT, 0, 0, "Column type must be NUMERIC or CHAR"},
      {PJCT_ENV_DB3, false, TS_TYPE_NUMERIC, 8, 0, ""},
      {PJCT_ENV_SERVER, true, TS_TYPE_DEC, 8, 2, "Type must be: CHAR, INT, SMALLINT, REAL, FLOAT, opr DOUBLE"},
      {PJCT_ENV_SERVER, true, TS_TYPE_DOUBLE, 0, 0, ""},
  };
  char *odbc[] = {(char *)"DB3", (char *)"odbc"};
  char **saved_names = g_env_names;
  int saved_count = g_env_count;
  g_env_names = odbc;
  g_env_count = 2;
  for (auto &e : k) {
    pjct_rec p{};
    p.flags = e.flags;
    p.env_index = e.odbc ? 1 : 0;
    char message[TILE_BUF_SIZE];
    int rc = tblsetup_column_check(&p, e.type, e.length, e.decimals, message, sizeof message);
    EXPECT_STREQ(message, e.want) << e.type << "(" << e.length << "," << e.decimals << ")";
    EXPECT_EQ(rc == 0, *e.want == '\0');
  }
  g_env_names = saved_names;
  g_env_count = saved_count;
}

TEST_F(TblSetupDialog, TheColumnDialogStoresOnlyAnAcceptedDefinition) {
  tblsetup_table_node *t = tblsetup_table_from_row(statn_);
  tblsetup_column_node *c = tblsetup_column_find(t->columns, "ROCKTYPE", nullptr);
  host_io_use_script_text("pv_colsetup\nset col_len 255\nok\ncancel\npv_colsetup\nset col_len 30\nok\n");
  EXPECT_EQ(pv_colsetup_dialog(c, t, project_), RTNORM);
  EXPECT_EQ(c->length, 20) << "a refused length is not stored";
  EXPECT_EQ(pv_colsetup_dialog(c, t, project_), RTNORM);
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_EQ(c->length, 30);
  host_io_use_script_text("pv_colsetup\nset col_type 1\nset col_len 8\nset col_dec 0\nok\n");
  EXPECT_EQ(pv_colsetup_dialog(c, t, project_), RTNORM);
  EXPECT_EQ(c->type, TS_TYPE_NUMERIC);
  EXPECT_EQ(c->length, 8);
  host_io_use_script_text("pv_colsetup\nset col_type 3\nok\ncancel\n");
  EXPECT_EQ(pv_colsetup_dialog(c, t, project_), RTNORM);
  EXPECT_EQ(tile("pv_colsetup", "error").value, "Column type must be NUMERIC or CHAR");
  EXPECT_EQ(tile("pv_colsetup", "col_type").value, "") << "a refused type is cleared";
  EXPECT_EQ(c->type, TS_TYPE_NUMERIC) << "cancel changes nothing";
  c->type = TS_TYPE_NONE;
  EXPECT_EQ(pv_colsetup_dialog(c, t, project_), -2);
  tblsetup_table_free(t);
}

TEST_F(TblSetupDialog, TheMoveDialogRefusesTheMovedColumnItself) {
  tblsetup_table_node *t = tblsetup_table_from_row(statn_);
  tblsetup_column_node *rock = tblsetup_column_find(t->columns, "ROCKTYPE", nullptr);
  host_io_use_script_text("pv_colmove\nselect col_name 3\nok\ncancel\npv_colmove\nselect col_name 0\nok\n");
  EXPECT_EQ(pv_colmove_dialog(rock, t), -1);
  EXPECT_EQ(tile("pv_colmove", "error").value, "Invalid column selected");
  EXPECT_EQ(pv_colmove_dialog(rock, t), 0);
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_EQ(t->columns, rock);
  host_io_use_script_text("pv_colmove\ncancel\n");
  EXPECT_EQ(pv_colmove_dialog(rock, t), -1);
  tblsetup_table_free(t);
}

TEST_F(TblSetupDialog, RegisteringASampleTableWithoutItsSampleColumnIsRefused) {
  run("CREATE TABLE SOILS (BASENUMBER NUMERIC(8,0), STN NUMERIC(8,0), NAME CHAR(10))");
  sql_col_rec *columns = nullptr;
  ASSERT_EQ(sql_describe_table(project_->connection, "SOILS", &columns, 0), 3);
  host_io_use_script_text("pv_tblimport\nselect tbl_type 1\npick opt_basenum\nselect tbl_cols 0\n"
                          "pick opt_statnum\nselect tbl_cols 1\npick register\ncancel\n");
  EXPECT_EQ(pv_tblimport_dialog(project_, nullptr, columns), nullptr);
  EXPECT_TRUE(host_io_faults().empty()) << host_io_transcript();
  EXPECT_EQ(tile("pv_tblimport", "error").value, "ERROR: No Sample Number specified");
  EXPECT_EQ(tile("pv_tblimport", "statnum").value, "STN");
  EXPECT_EQ(tile("pv_tblimport", "tbl_name").value, "SOILS");
  host_io_use_script_text("pv_tblimport\nselect tbl_type 14\npick opt_basenum\nselect tbl_cols 0\npick register\n");
  tbl_rec *row = pv_tblimport_dialog(project_, nullptr, columns);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->table_type, TBL_DEF_OTHER);
  EXPECT_EQ(row->keys[TBL_KEY_BASENUMBER], columns);
  EXPECT_EQ(row->last_number, 1) << "numbers are read on register";
  free(row);
  sql_col_list_free(&columns);
  EXPECT_EQ(pv_tblimport_dialog(project_, nullptr, nullptr), nullptr) << "no columns";
}

}  // namespace

namespace {

TEST_F(TblSetupDialog, SymbolOpensTheSymbolSetupOfTheChosenColumn) {
  setup("pick symbol\npv_symsetup\nset sym_lay_chc GEOL\nok\npick exit\n");
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_EQ(tile("pv_symsetup", "sym_hdrval").value, "STATN");
  EXPECT_EQ(tile("pv_symsetup", "sym_itmval").value, "BASENUMBER");
  col_attr_rec *rule = statn_->columns->attr;
  ASSERT_NE(rule, nullptr);
  ASSERT_NE(rule->symbol, nullptr) << "accepted onto the column's rule";
  EXPECT_STREQ(rule->symbol->layer, "GEOL");
  EXPECT_EQ(project_->symbols, rule->symbol);
  rule->symbol = nullptr;   /* this project is freed without its setup lists */
  sym_list_free(&project_->symbols);
}

}  // namespace
