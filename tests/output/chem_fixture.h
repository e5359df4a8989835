/*
** chem_fixture.h: what the chemistry diagram tests share: a project GEO
** with its analysis table CHEM (NAME, SIO2, MGO, FEO, CAO) held in memory,
** rows of it made from texts with an input rule on every column, terms
** of equations, and the model-space entities read back as plain records.
*/
#ifndef PV_TESTS_OUTPUT_CHEM_FIXTURE_H
#define PV_TESTS_OUTPUT_CHEM_FIXTURE_H

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "draw/draw_util.h"
#include "map/draw_fixture.h"
#include "output/diagrams/chem_plot.h"

class ChemTest : public DrawTest {
 protected:
  pjct_rec *geo_ = nullptr;
  tbl_rec *chem_ = nullptr;
  sql_col_rec *row_ = nullptr;
  std::vector<col_attr_rec *> rules_;

  void SetUp() override {
    DrawTest::SetUp();
    geo_ = project("GEO");
    geo_->connection = (void *)this; /* any handle: it only identifies the project */
    chem_ = table(geo_, "CHEM", TBL_DEF_OTHER, {"SIO2", "MGO", "FEO", "CAO"});
    for (sql_col_rec *c = chem_->columns; c; c = c->next) c->connection = geo_->connection;
    g_chem = chem_state{};
    chem_state_reset();
  }
  void TearDown() override {
    chem_state_free();
    if (!ename_isnull(g_chem.selection)) ss_free(g_chem.selection);
    limcheck_suspend(1);
    chem_term_list_free(&geo_->chem_terms);
    drop_row();
    DrawTest::TearDown();
  }
  void drop_row() {
    for (sql_col_rec *c = row_; c; c = c->next) c->attr = nullptr;
    sql_col_list_free(&row_);
    for (col_attr_rec *r : rules_) col_attr_free(r);
    rules_.clear();
  }
  sql_col_rec *col(const char *name) { return sql_col_find(chem_->columns, name, nullptr, nullptr); }

  /* A row of CHEM: the given texts by column name, "" elsewhere; every
  ** column has an input rule, so that it is placed. */
  sql_col_rec *make_row(const std::map<std::string, const char *> &texts) {
    drop_row();
    sql_col_rec **tail = &row_;
    for (sql_col_rec *c = chem_->columns; c; c = c->next) {
      *tail = sql_col_new(c->name, "CHEM", c->sql_type, 20, 0);
      auto it = texts.find(c->name);
      snprintf((*tail)->text, 20, "%s", it == texts.end() ? "" : it->second);
      (*tail)->null_ind = 0;
      (*tail)->connection = geo_->connection;
      col_attr_rec *r = col_attr_new();
      snprintf(r->column, sizeof r->column, "%s", c->name);
      snprintf(r->table, sizeof r->table, "CHEM");
      rules_.push_back(r);
      (*tail)->attr = r;
      tail = &(*tail)->next;
    }
    return row_;
  }

public:
  /* One term; op, factor, brackets, constant as given. */
  chem_term_rec *term(const char *column, int op = CHEM_OP_NONE, double constant = 0, int open = 0,
                      double factor = 0, int close = 0, int axis = CHEM_AXIS_X) {
    chem_term_rec *t = chem_term_new(axis);
    chem_term_set_column(t, column ? col(column) : nullptr);
    t->op = op;
    t->scalar2 = constant;
    t->open_bracket = open;
    t->scalar1 = factor;
    t->close_bracket = close;
    return t;
  }
protected:
  /* Chains terms into an equation. */
  static chem_term_rec *chain(std::vector<chem_term_rec *> terms) {
    for (size_t i = 0; i + 1 < terms.size(); ++i) terms[i]->next = terms[i + 1];
    return terms.empty() ? nullptr : terms[0];
  }

  /* X = SIO2, Y = MGO, the row's NAME drawn, for the state. */
  void xy_state(const char *name = "CH") {
    g_chem.x_equ = term("SIO2");
    g_chem.y_equ = term("MGO", CHEM_OP_NONE, 0, 0, 0, 0, CHEM_AXIS_Y);
    g_chem.project = geo_;
    snprintf(g_chem.name, sizeof g_chem.name, "%s", name);
    chem_placement_from_symbol(geo_, name);
  }
  /* The state's row: NAME, SIO2 and MGO. */
  void state_row(const char *name, const char *sio2, const char *mgo, const char *feo = "") {
    g_chem.row = make_row({{"NAME", name}, {"SIO2", sio2}, {"MGO", mgo}, {"FEO", feo}});
    g_chem.symbol_col = sql_col_find(g_chem.row, "NAME", nullptr, nullptr);
  }

  /* A model-space entity as read back. */
  struct ent {
    std::string type, text, layer;
    double x = 0, y = 0, x2 = 0, y2 = 0, height = 0, scale = 0;
  };
  static std::vector<ent> model() {
    std::vector<ent> out;
    ads_name e;
    if (ads_entnext(nullptr, e) != RTNORM) return out;
    do {
      struct resbuf *l = ads_entget(e);
      ent x;
      for (struct resbuf *r = l; r; r = r->rbnext) {
        if (r->restype == 0) x.type = r->resval.rstring;
        if (r->restype == 1) x.text = r->resval.rstring;
        if (r->restype == 2 && x.text.empty()) x.text = r->resval.rstring;
        if (r->restype == 8) x.layer = r->resval.rstring;
        if (r->restype == 10) x.x = r->resval.rpoint[0], x.y = r->resval.rpoint[1];
        if (r->restype == 11) x.x2 = r->resval.rpoint[0], x.y2 = r->resval.rpoint[1];
        if (r->restype == 40) x.height = r->resval.rreal;
        if (r->restype == 41) x.scale = r->resval.rreal;
      }
      ads_relrb(l);
      out.push_back(x);
      ads_name next;
      if (ads_entnext(e, next) != RTNORM) break;
      e[0] = next[0], e[1] = next[1];
    } while (true);
    return out;
  }
  /* The n-th model-space TEXT showing a text; type "" when none. */
  static ent find_text(const std::vector<ent> &all, const std::string &text, int n = 0) {
    for (const ent &x : all)
      if (x.type == "TEXT" && x.text == text && n-- == 0) return x;
    return ent();
  }
  static bool has_line(const std::vector<ent> &all, double x1, double y1, double x2, double y2) {
    for (const ent &x : all)
      if (x.type == "LINE" && std::fabs(x.x - x1) < 1e-9 && std::fabs(x.y - y1) < 1e-9 &&
          std::fabs(x.x2 - x2) < 1e-9 && std::fabs(x.y2 - y2) < 1e-9)
        return true;
    return false;
  }
};

#endif
