/*
** browse_fixture.h: a DB3 project with a table of samples SMP (BASENUMBER,
** SMPNO, NAME) registered as logon registers it, and the browser run on a
** query of it through the stand-in editor's scripted dialogs.
**
**     class Browser : public BrowseTest {};
**     fill(14); open("SELECT * FROM SMP ORDER BY BASENUMBER");
**     EXPECT_EQ(browse("pv_table_med\nok\n"), 5100);
*/
#ifndef PV_TESTS_DATA_BROWSE_FIXTURE_H
#define PV_TESTS_DATA_BROWSE_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/dlg_state.h"
#include "core/pv_globals.h"
#include "core/row_state.h"
#include "core/sql_fixture.h"
#include "core/tbl.h"
#include "data/browse.h"
#include "platform/dialog/dialog_test_api.h"

class BrowseTest : public SqlDb3Test {
 protected:
  void SetUp() override {
    SqlDb3Test::SetUp();
    if (IsSkipped()) return;
    saved_dcl_ = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    dlg_test_clear();
    dlg_state_reset();
    run("CREATE TABLE SMP (BASENUMBER NUMERIC(8,0), SMPNO CHAR(8), NAME CHAR(20))");
    run("CREATE TABLE STN (BASENUMBER NUMERIC(8,0), SMPNO CHAR(8), AREA CHAR(6))");
    enroll("SMP");
    enroll("STN");
  }
  void TearDown() override {
    close();
    dlg_state_reset();
    if (g_dcl_id != saved_dcl_) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl_;
    SqlDb3Test::TearDown();
  }

  /* Registers a table keyed by BASENUMBER, as logon does. */
  void enroll(const char *name) {
    tbl_rec *r = tbl_rec_new();
    snprintf(r->name, sizeof r->name, "%s", name);
    r->table_type = TBL_DEF_OTHER;
    r->column_count = sql_describe_table(project_->connection, name, &r->columns, 0);
    ASSERT_GT(r->column_count, 0) << name;
    r->keys[TBL_KEY_BASENUMBER] = tbl_column_find(r->columns, "BASENUMBER", nullptr, nullptr);
    ASSERT_EQ(tbl_add(project_, r), 0);
  }

  /* Rows 1..n of SMP: "S001", "Sample 1" ... */
  void fill(int n, const char *table = "SMP") {
    for (int i = 1; i <= n; ++i) {
      char sql[160];
      snprintf(sql, sizeof sql, "INSERT INTO %s VALUES (%d, 'S%03d', '%s %d')", table, i, i,
               table[1] == 'M' ? "Sample" : "Ar", i);
      run(sql);
    }
  }

  /* Opens a query; its columns are named with the tables given in order
  ** (the last one naming the rest), as the query command labels them. */
  void open(const std::string &sql, const std::vector<const char *> &tables = {"SMP"}) {
    close();
    ASSERT_GE(sql_query(project_->connection, sql.c_str(), &stmt_, &cursor_, &row_, 0), 0) << sql;
    size_t i = 0;
    for (sql_col_rec *c = row_; c; c = c->next, ++i)
      snprintf(c->table, sizeof c->table, "%s", tables[i < tables.size() ? i : tables.size() - 1]);
  }
  void close() { sql_close_query(&stmt_, &cursor_, &row_); }

  /* Runs the browser on the open query with answers. */
  int browse(const std::string &answers, qry_rec *query = nullptr) {
    host_io_clear_transcript();
    host_io_use_script_text(answers);
    return pv_table_dialog(stmt_, cursor_, row_, query);
  }

  /* A tile of the dialog that ended last under a name. */
  static dlg_tile_snapshot tile(const char *key, const char *dialog = "pv_table_med") {
    dlg_tile_snapshot t;
    EXPECT_TRUE(dlg_test_last_tile(dialog, key, t)) << dialog << " " << key;
    return t;
  }

  /* The SMPNO column of the shown lines. */
  static std::vector<std::string> shown_numbers(const char *dialog = "pv_table_med") {
    std::vector<std::string> out;
    for (const std::string &line : tile("sqlrow", dialog).items) out.push_back(line.substr(9, 4));
    return out;
  }

  void expect_no_faults() {
    for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  }

  int saved_dcl_ = PV_NO_DCL;     /* g_dcl_id before the test */
  void *stmt_ = nullptr, *cursor_ = nullptr;
  sql_col_rec *row_ = nullptr;    /* the query's row */
};

#endif
