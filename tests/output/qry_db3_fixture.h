/*
** qry_db3_fixture.h: the query tests on a DB3 project that
** query_project.py writes (stations, samples, units, legends, a link
** table, a dictionary table): the module loaded with the project in its
** configuration, logging on, and queries built as the condition dialog
** builds them; rows of a statement as texts.
*/
#ifndef PV_TESTS_OUTPUT_QRY_DB3_FIXTURE_H
#define PV_TESTS_OUTPUT_QRY_DB3_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../core/core_fixture.h"
#include "core/col_attr.h"
#include "core/pjct_list.h"
#include "core/qry.h"
#include "core/qry_join.h"
#include "core/setup_store.h"
#include "core/sql_access.h"
#include "output/query/qry_edit.h"
#include "output/query/qry_filter.h"
#include "output/query/qry_sql.h"

#ifndef PV_DB3_DRIVER
#define PV_DB3_DRIVER "pvdb3"
#endif

class QueryDb3 : public CoreTest {
 protected:
  std::filesystem::path project_dir_;
  void SetUp() override {
    CoreTest::SetUp();
    project_dir_ = dir_ / "projects" / "QP";
    std::string cmd = "/usr/bin/python3 " PV_TEST_DATA_DIR "/output/query_project.py " + project_dir_.string() + " 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::string ini = (dir_ / "asi.ini").string();
    std::ofstream(ini) << "[ENVIRONMENTS]\nDB3=\n[DB3]\nDriver=" PV_DB3_DRIVER
                          "\nPETRIVEX=projects\nPETRIVEX.Projections=Projections\nPETRIVEX.QP=QP\n";
    host_set_env("ASI_INI", ini);
    ASSERT_EQ(load(), PV_ENTRY_OK);
  }
  void TearDown() override {
    CoreTest::TearDown();
    host_set_env("ASI_INI", "");
  }
  pjct_rec *logon() {
    EXPECT_EQ(texts(call("pv_open", {"QP", "DB3", "", ""}))[0], "QP");
    return pjct_find("QP", nullptr);
  }
  /* A query of the project over the output columns ("TABLE.COLUMN"), the
  ** SQL rows given as connector, column, operator, value; quoted,
  ** bracketed and joined as running it from the dialog does. */
  qry_rec *query(pjct_rec *p, const std::vector<const char *> &outs,
                 const std::vector<std::vector<const char *>> &rows, qry_cond_rec **filters = nullptr) {
    qry_rec *q = qry_new();
    q->project = p;
    std::vector<int> idx;
    for (const char *o : outs) {
      std::string t(o), table = t.substr(0, t.find('.')), column = t.substr(t.find('.') + 1);
      int at = -1;
      EXPECT_NE(pjct_find_column(p, table.c_str(), column.c_str(), &at), nullptr) << o;
      idx.push_back(at);
    }
    EXPECT_EQ(qry_output_list_build(p, idx.data(), (int)idx.size(), 1, &q->outputs), 0);
    for (const auto &r : rows) {
      std::string t(r[1]), table = t.substr(0, t.find('.')), column = t.substr(t.find('.') + 1);
      qry_cond_rec *c = qry_cond_new();
      c->connector = qry_connector_table[qry_connector_index(r[0])];
      c->op = qry_operator_table[qry_op_index(r[2])];
      c->table = tbl_find_by_name(p->tables, table.c_str(), nullptr);
      c->column = pjct_find_column(p, table.c_str(), column.c_str(), nullptr);
      qry_cond_set_value(c, r[3]);
      q->conds = qry_cond_concat(q->conds, c);
    }
    qry_cond_reorder(&q->conds);
    qry_cond_bracket(q->conds);
    if (filters) qry_cond_split(q->conds, &q->conds, filters);
    qry_quote_values(q->conds);
    qry_build_join_list(q);
    return q;
  }
  /* Runs a text; answers every row's column texts joined by "|". */
  static std::vector<std::string> rows_of(pjct_rec *p, const std::string &text, qry_rec *filter = nullptr) {
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    std::vector<std::string> out;
    int n = sql_query(p->connection, text.c_str(), &stmt, &cursor, &row, 0);
    EXPECT_GE(n, 0) << text;
    if (filter) qry_label_result_columns(filter->outputs, row);
    for (int rc = n > 0 ? 5100 : -1; rc == 5100; rc = sql_fetch(cursor, row, SQL_FETCH_NEXT, SQL_FROM_CURRENT, 0)) {
      if (filter && !qry_filter_row(filter, row)) continue;
      std::string line;
      for (sql_col_rec *c = row; c; c = c->next) {
        std::string t = c->null_ind == SQL_COL_NULL ? "NULL" : c->text;
        t.resize(strlen(str_trim_copy(t)));
        line += (c == row ? "" : "|") + t;
      }
      out.push_back(line);
    }
    if (n >= 0) sql_close_query(&stmt, &cursor, &row);
    return out;
  }
  static const char *str_trim_copy(std::string &t) {
    while (!t.empty() && (unsigned char)t.back() <= ' ') t.pop_back();
    size_t i = 0;
    while (i < t.size() && (unsigned char)t[i] <= ' ') i++;
    t.erase(0, i);
    return t.c_str();
  }
};

#endif
