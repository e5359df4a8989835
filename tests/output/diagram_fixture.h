/*
** diagram_fixture.h: what the stereonet and rose tests share: a project
** GEO with its structure table STRUC (STRIKE, DIP, AZIM) held in memory,
** rows of it made from texts, and the reals of the last entity drawn.
*/
#ifndef PV_TESTS_OUTPUT_DIAGRAM_FIXTURE_H
#define PV_TESTS_OUTPUT_DIAGRAM_FIXTURE_H

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "draw/draw_util.h"
#include "draw/map_params.h"
#include "map/draw_fixture.h"

class DiagramTest : public DrawTest {
 protected:
  pjct_rec *geo_ = nullptr;
  tbl_rec *struc_ = nullptr;
  sql_col_rec *row_ = nullptr;

  void SetUp() override {
    DrawTest::SetUp();
    geo_ = project("GEO");
    geo_->connection = (void *)this; /* any handle: it only identifies the project */
    struc_ = table(geo_, "STRUC", TBL_DEF_OUTCROP, {"STRIKE", "DIP", "AZIM"});
    for (sql_col_rec *c = struc_->columns; c; c = c->next) c->connection = geo_->connection;
    g_map_params.angle_base = 0;
  }
  void TearDown() override {
    sql_col_list_free(&row_);
    g_map_params.angle_base = 0;
    DrawTest::TearDown();
  }
  sql_col_rec *col(const char *name) { return sql_col_find(struc_->columns, name, nullptr, nullptr); }

  /* A row of STRUC: the given texts by column name, "S1" elsewhere. */
  sql_col_rec *make_row(const std::map<std::string, const char *> &texts) {
    sql_col_list_free(&row_);
    sql_col_rec **tail = &row_;
    for (sql_col_rec *c = struc_->columns; c; c = c->next) {
      *tail = sql_col_new(c->name, "STRUC", SQL_TYPE_CHAR, 20, 0);
      auto it = texts.find(c->name);
      snprintf((*tail)->text, 20, "%s", it == texts.end() ? "S1" : it->second);
      (*tail)->null_ind = 0;
      (*tail)->connection = geo_->connection;
      tail = &(*tail)->next;
    }
    return row_;
  }
  /* A real of the last entity (x of a point). */
  static double last_real(int code) { return last_value(code, 0); }
  /* The y of a point of the last entity. */
  static double last_y(int code) { return last_value(code, 1); }
  static double last_value(int code, int axis) {
    ads_name e;
    if (ads_entlast(e) != RTNORM) return NAN;
    struct resbuf *l = ads_entget(e);
    struct resbuf *r = rb_find(l, code);
    double v = NAN;
    if (r && code >= 10 && code < 20) v = r->resval.rpoint[axis];
    else if (r) v = r->resval.rreal;
    ads_relrb(l);
    return v;
  }
};

#endif
