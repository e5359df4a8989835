/*
** qry_fixture.h: an in-memory project for the query tests: registered
** tables of the field hierarchy built by hand (name, type, columns, key
** slots) in a pjct_rec, so that output lists, join lists and SELECT texts
** can be built without a database; and small builders of conditions.
*/
#ifndef PV_TESTS_OUTPUT_QRY_FIXTURE_H
#define PV_TESTS_OUTPUT_QRY_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/pjct_list.h"
#include "core/qry.h"
#include "core/qry_join.h"
#include "core/sql_access.h"
#include "core/tbl.h"

/* One column of a hand-made table: name, SQL type, length, key slot
** (-1 none). */
struct qfix_col {
    const char *name;
    int type;
    int length;
    int slot;
};

class QueryProject : public ::testing::Test {
 protected:
  pjct_rec project_{};

  void TearDown() override {
    qry_list_free(&project_.queries);
    tbl_list_free(project_.tables);
    project_.tables = nullptr;
    for (col_attr_rec *r : rules_) col_attr_free(r);
  }

  /* Registers a table at the end of the project's list. */
  tbl_rec *add_table(const char *name, int type, const std::vector<qfix_col> &cols) {
    tbl_rec *t = tbl_rec_new();
    snprintf(t->name, sizeof t->name, "%s", name);
    t->table_type = type;
    sql_col_rec **tail = &t->columns;
    for (const auto &d : cols) {
      sql_col_rec *c = sql_col_new(d.name, name, d.type, d.length, 0);
      *tail = c;
      tail = &c->next;
      t->column_count++;
      if (d.slot >= 0) t->keys[d.slot] = c;
    }
    tbl_rec **at = &project_.tables;
    while (*at) at = &(*at)->next;
    *at = t;
    return t;
  }
  /* A column of a registered table. */
  sql_col_rec *col(const char *table, const char *name) {
    tbl_rec *t = tbl_find_by_name(project_.tables, table, nullptr);
    return t ? tbl_column_find(t->columns, name, table, nullptr) : nullptr;
  }
  /* The index of a column across the project (pjct_nth_column). */
  int index_of(const char *table, const char *name) {
    int at = -1;
    pjct_find_column(&project_, table, name, &at);
    return at;
  }
  /* Gives a column an input rule (kept by the fixture). */
  col_attr_rec *rule(const char *table, const char *name) {
    col_attr_rec *r = col_attr_new();
    snprintf(r->table, sizeof r->table, "%s", table);
    snprintf(r->column, sizeof r->column, "%s", name);
    rules_.push_back(r);
    col(table, name)->attr = r;
    return r;
  }

  /* A unit table and a legend table that share no key, and the table
  ** that links them holding both keys. */
  void units_legend_and_link() {
    add_table("UNITS", TBL_DEF_UNIT,
              {{"BASENUMBER", SQL_TYPE_NUMERIC, 8, TBL_KEY_BASENUMBER}, {"UNIT", SQL_TYPE_NUMERIC, 8, TBL_KEY_UNIT},
               {"UNITNAME", SQL_TYPE_CHAR, 20, -1}});
    add_table("LEGND", TBL_DEF_LEGEND,
              {{"LEGEND", SQL_TYPE_NUMERIC, 8, TBL_KEY_LEGEND}, {"LEGTEXT", SQL_TYPE_CHAR, 40, -1}});
    add_table("ULINK", TBL_DEF_OTHER,
              {{"BASENUMBER", SQL_TYPE_NUMERIC, 8, TBL_KEY_BASENUMBER}, {"UNIT", SQL_TYPE_NUMERIC, 8, TBL_KEY_UNIT},
               {"LEGEND", SQL_TYPE_NUMERIC, 8, TBL_KEY_LEGEND}});
  }

  /* SAMPLE (type 4) and STATION (type 9) sharing the STATION key. */
  void sample_and_station() {
    add_table("SAMPLE", TBL_DEF_SAMPLE,
              {{"BASENUMBER", SQL_TYPE_NUMERIC, 8, TBL_KEY_BASENUMBER},
               {"STATION", SQL_TYPE_NUMERIC, 8, TBL_KEY_STATION},
               {"SAMPLE", SQL_TYPE_NUMERIC, 8, TBL_KEY_SAMPLE},
               {"AU", SQL_TYPE_NUMERIC, 10, -1}});
    add_table("STATION", TBL_DEF_STATION,
              {{"BASENUMBER", SQL_TYPE_NUMERIC, 8, TBL_KEY_BASENUMBER},
               {"STATION", SQL_TYPE_NUMERIC, 8, TBL_KEY_STATION},
               {"SEGMENT", SQL_TYPE_NUMERIC, 8, TBL_KEY_SEGMENT},
               {"UNIT", SQL_TYPE_NUMERIC, 8, TBL_KEY_UNIT},
               {"ROCKTYPE", SQL_TYPE_CHAR, 20, -1},
               {"EASTING", SQL_TYPE_NUMERIC, 12, -1},
               {"NORTHING", SQL_TYPE_NUMERIC, 12, -1}});
  }

  /* A query of the project with output columns picked by index (keys
  ** added) and its join list. */
  qry_rec *query_over(const std::vector<std::pair<const char *, const char *>> &picked) {
    qry_rec *q = qry_new();
    q->project = &project_;
    std::vector<int> idx;
    for (const auto &p : picked) idx.push_back(index_of(p.first, p.second));
    EXPECT_EQ(qry_output_list_build(&project_, idx.data(), (int)idx.size(), 1, &q->outputs), 0);
    queries_.push_back(q);
    return q;
  }
  /* Appends a condition to a list. */
  qry_cond_rec *cond(qry_cond_rec **list, const char *conn, const char *table, const char *column, const char *op,
                     const char *value) {
    qry_cond_rec *c = qry_cond_new();
    c->connector = qry_connector_table[qry_connector_index(conn)];
    c->op = qry_operator_table[qry_op_index(op)];
    c->table = tbl_find_by_name(project_.tables, table, nullptr);
    c->column = col(table, column);
    qry_cond_set_value(c, value);
    qry_cond_rec **at = list, *prev = nullptr;
    while (*at) {
      prev = *at;
      at = &(*at)->next;
    }
    c->prev = prev;
    *at = c;
    return c;
  }
  /* The output list as "TABLE.COLUMN" texts, unshown ones marked "-". */
  static std::string outputs(const qry_rec *q) {
    std::string s;
    for (const qry_out_rec *o = q->outputs; o; o = o->next)
      s += std::string(s.empty() ? "" : " ") + (o->flags & QRY_OUT_SHOWN ? "" : "-") + o->column->table + "." +
           o->column->name;
    return s;
  }
  /* The join list as "A.K = B.K" texts joined by their connectors. */
  static std::string joins(const qry_rec *q) {
    std::string s;
    for (const qry_cond_rec *c = q->joins; c; c = c->next)
      s += std::string("[") + c->connector + "]" + c->table->name + "." + c->column->name + " " + c->op + " " +
           c->value;
    return s;
  }

  std::vector<qry_rec *> queries_;
  std::vector<col_attr_rec *> rules_;
  ~QueryProject() override {
    for (qry_rec *q : queries_) qry_free(q);
  }
};

#endif
