/*
** station_project.h: what the end-to-end map tests share: a DB3 project
** logged on through (pv_open name "DB3" "" ""), statements run on its
** connection, and its STATION table registered as a STATION table keyed by
** BASENUMBER and STATION.
*/
#ifndef PV_TESTS_MAP_STATION_PROJECT_H
#define PV_TESTS_MAP_STATION_PROJECT_H

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>

#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "host_editor.h"

/* Logs on to a project of the DB3 environment; null when that fails. */
inline pjct_rec *station_project_open(const char *name) {
  struct resbuf *args = ads_buildlist(RTSTR, name, RTSTR, "DB3", RTSTR, "", RTSTR, "", 0), *result = nullptr;
  EXPECT_EQ(host_invoke_function("pv_open", args, &result), PV_ENTRY_OK);
  ads_relrb(args);
  EXPECT_TRUE(result && result->restype == RTSTR);
  ads_relrb(result);
  return pjct_find(name, nullptr);
}

/* Runs each statement on the project's connection. */
inline void station_project_run(pjct_rec *p, std::initializer_list<const char *> statements) {
  for (const char *sql : statements) {
    void *stmt = nullptr, *cursor = nullptr;
    EXPECT_EQ(sql_execute(p->connection, &stmt, &cursor, sql, 0), RTNORM) << sql;
    sql_free_handles(&stmt, &cursor);
  }
}

/* Registers the project's STATION table, as the database describes it, as
** a STATION table keyed by BASENUMBER and STATION. */
inline void station_project_register(pjct_rec *p) {
  tbl_rec *t = tbl_rec_new();
  snprintf(t->name, sizeof t->name, "%s", "STATION");
  EXPECT_GT(sql_describe_table(p->connection, "STATION", &t->columns, 0), 0);
  t->table_type = TBL_DEF_STATION;
  for (sql_col_rec *c = t->columns; c; c = c->next) t->column_count++;
  t->keys[TBL_KEY_BASENUMBER] = sql_col_find(t->columns, "BASENUMBER", nullptr, nullptr);
  t->keys[TBL_KEY_STATION] = sql_col_find(t->columns, "STATION", nullptr, nullptr);
  EXPECT_EQ(tbl_add(p, t), 0);
}

#endif
